#include "lib/imaging/Image.h"

#include "framework/Forms.h"
#include "tests/helpers/Shot.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// What the read-back holds where nothing was drawn.
constexpr COLORREF kUntouched = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// A kxvImage on a panel, at (50, 30): the panel is read back, so a
// drawing in the wrong place or outside the control shows.
class ImageTest : public testing::Test {
protected:
  void SetUp() override {
    panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBevelOuter(bvNone);
    panel->SetBounds(0, 0, 500, 500);
    image = new kxvImage(&form);
    image->SetParent(panel);
    form.HandleNeeded();
  }
  // The control size and a red picture of the size given.
  void Picture(int controlWidth, int controlHeight, int width, int height) {
    image->SetBounds(50, 30, controlWidth, controlHeight);
    TBitmap& bitmap = image->Picture().Bitmap();
    bitmap.SetSize(width, height);
    bitmap.Canvas().FillRect(RECT{0, 0, width, height}, clRed);
  }
  // The box of red pixels, in the control's coordinates.
  std::vector<LONG> Red() {
    const RECT box = Shot(panel).Box(kRed);
    return {box.left - 50, box.top - 30, box.right - 50, box.bottom - 30};
  }
  std::vector<LONG> PaintRect() const {
    const RECT r = image->PaintRect();
    return {r.left, r.top, r.right, r.bottom};
  }

  TForm form{nullptr};
  TPanel* panel = nullptr;
  kxvImage* image = nullptr;
};

using Box = std::vector<LONG>;

}  // namespace

TEST_F(ImageTest, SmallPicturesGrowOnlyWhenAskedLargeOnesShrinkOnlyWhenAsked) {
  Picture(300, 300, 100, 50);
  image->SetAutoZoom(azAlways);
  EXPECT_EQ(Red(), (Box{0, 0, 300, 150}));
  EXPECT_EQ(image->Zoom(), 3.0);
  image->SetAutoZoom(azSmall);
  Red();
  EXPECT_EQ(image->Zoom(), 3.0);
  image->SetAutoZoom(azLarge);
  EXPECT_EQ(Red(), (Box{0, 0, 100, 50}));
  EXPECT_EQ(image->Zoom(), 1.0);

  Picture(300, 300, 600, 300);
  image->SetAutoZoom(azAlways);
  EXPECT_EQ(Red(), (Box{0, 0, 300, 150}));
  EXPECT_EQ(image->Zoom(), 0.5);
  image->SetAutoZoom(azLarge);
  Red();
  EXPECT_EQ(image->Zoom(), 0.5);
  image->SetAutoZoom(azSmall);
  EXPECT_EQ(Red(), (Box{0, 0, 300, 300}));  // drawn whole, clipped to the control
  EXPECT_EQ(image->Zoom(), 1.0);
  EXPECT_EQ(PaintRect(), (Box{0, 0, 600, 300}));

  // Back to none: the factor is 1 again and the stretch is off.
  image->SetStretch(true);
  image->SetAutoZoom(azNone);
  EXPECT_EQ(image->Zoom(), 1.0);
  EXPECT_FALSE(image->Stretch());
}

TEST_F(ImageTest, AFittedPictureFillsTheControlAlongItsLimitingSide) {
  Picture(260, 250, 500, 700);
  image->SetAutoZoom(azAlways);
  EXPECT_EQ(Red(), (Box{0, 0, 179, 250}));
  // Every size of picture and control: the limiting side exactly, the
  // other within the control.
  size_t short_ = 0, over = 0;
  for (int w = 1; w <= 120; w += 7) {
    for (int h = 1; h <= 120; h += 5) {
      for (int cw = 10; cw <= 300; cw += 13) {
        for (int ch = 10; ch <= 300; ch += 11) {
          const kxvDrawnSize d = kxvFitPicture(w, h, cw, ch, azAlways, 1.0);
          if (d.Width != cw && d.Height != ch) ++short_;
          if (d.Width > cw || d.Height > ch) ++over;
        }
      }
    }
  }
  EXPECT_EQ(short_, 0u);
  EXPECT_EQ(over, 0u);
}

TEST_F(ImageTest, ZoomFactorsThatNameNoSizeAreRefusedAndHugeOnesAreBounded) {
  for (double bad : {std::nan(""), -2.0, 0.0, HUGE_VAL}) {
    image->SetZoom(1.5);
    image->SetZoom(bad);
    EXPECT_EQ(image->Zoom(), 1.5) << bad;
  }
  const kxvDrawnSize d = kxvFitPicture(100, 100, 10, 10, azNone, 1e300);
  EXPECT_GT(d.Width, 0);
  EXPECT_LE(d.Width, 1 << 27);  // what GDI coordinates can hold
}

TEST_F(ImageTest, AlignmentPlacesTheDrawingWithinTheControlWhereverItSits) {
  Picture(300, 200, 100, 50);
  image->SetAutoAlign(aaBottomRight);
  EXPECT_EQ(Red(), (Box{200, 150, 300, 200}));
  image->SetAutoAlign(aaCenter);
  EXPECT_EQ(Red(), (Box{100, 75, 200, 125}));
  image->SetAutoAlign(aaTopLeft);
  EXPECT_EQ(Red(), (Box{0, 0, 100, 50}));
  image->SetAutoAlign(aaNone);
  EXPECT_EQ(Red(), (Box{0, 0, 100, 50}));
  // The inherited centring centres whatever the alignment says.
  image->SetCenter(true);
  EXPECT_EQ(Red(), (Box{100, 75, 200, 125}));
  image->SetCenter(false);
  // Larger than the control and centred: at negative coordinates.
  Picture(300, 200, 500, 300);
  image->SetAutoAlign(aaCenter);
  EXPECT_EQ(Red(), (Box{0, 0, 300, 200}));
  EXPECT_EQ(PaintRect(), (Box{-100, -50, 400, 250}));
}

TEST_F(ImageTest, TilesFillTheControlAndTheLastOnesAreClipped) {
  Picture(200, 100, 64, 64);
  // Every tile's corner shows: a blue dot at each picture's top left.
  image->Picture().Bitmap().Canvas().FillRect(RECT{0, 0, 2, 2}, clBlue);
  image->SetAutoAlign(aaTile);
  EXPECT_EQ(Red(), (Box{0, 0, 200, 100}));
  Shot shot(panel);
  int corners = 0;
  for (int y = 0; y < 100; y += 64) {
    for (int x = 0; x < 200; x += 64) corners += shot.At(50 + x, 30 + y) == RGB(0, 0, 255);
  }
  EXPECT_EQ(corners, 4 * 2);
  EXPECT_EQ(shot.At(50 + 200, 30), kUntouched);  // nothing beyond the control
}

TEST_F(ImageTest, TheBackgroundColourAndThePaintEvent) {
  Picture(100, 80, 10, 10);
  EXPECT_EQ(image->Color(), clNone);
  EXPECT_EQ(Shot(panel).At(50 + 50, 30 + 50), kUntouched);
  image->SetColor(RGB(0, 0, 255));
  EXPECT_EQ(Shot(panel).At(50 + 50, 30 + 50), RGB(0, 0, 255));
  int paints = 0;
  image->OnPaint = [&](TObject* sender, TCanvas* canvas) {
    EXPECT_EQ(sender, image);
    canvas->FillRect(RECT{90, 70, 100, 80}, clYellow);
    ++paints;
  };
  Shot shot(panel);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(shot.At(50 + 95, 30 + 75), RGB(255, 255, 0));
}

TEST_F(ImageTest, BitmapFilesBringTheirDepthAndPalette) {
  TempDir dir;
  // A 2 x 2 OS/2 bitmap at 4 bits: 12-byte header, 16 triples.
  std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26 + 48, 0, 0, 0,
                               12, 0, 0, 0, 2, 0, 2, 0, 1, 0, 4, 0};
  for (int i = 0; i < 16; ++i) file.insert(file.end(), {uint8_t(i * 16), 0, uint8_t(255 - i)});
  file.insert(file.end(), {0x12, 0, 0, 0, 0x34, 0, 0, 0});
  file[2] = static_cast<uint8_t>(file.size());
  const String path = dir.File("os2.bmp", String(file.begin(), file.end()));
  ASSERT_TRUE(image->LoadFromFile(path));
  EXPECT_EQ(image->BitCount(), 4);
  ASSERT_NE(image->Palette(), nullptr);
  EXPECT_EQ(image->Palette()->palNumEntries, 16);
  EXPECT_EQ(image->Palette()->palPalEntry[3].peRed, 252);  // from blue, green, red triples
  EXPECT_EQ(image->Picture().Width(), 2);

  // Saved at its depth with its palette, read back.
  const String saved = dir / "saved.bmp";
  ASSERT_TRUE(image->SaveToFile(saved));
  kxvImage again(nullptr);
  ASSERT_TRUE(again.LoadFromFile(saved));
  EXPECT_EQ(again.BitCount(), 4);
  EXPECT_EQ(again.Palette()->palNumEntries, 16);

  // The same file by the other names the filter offers: read by its
  // signature, not its extension.
  for (const char* name : {"os2.dib", "os2.rle", "os2.rgb"}) {
    kxvImage other(nullptr);
    ASSERT_TRUE(other.LoadFromFile(dir.File(name, String(file.begin(), file.end())))) << name;
    EXPECT_EQ(other.BitCount(), 4) << name;
    EXPECT_EQ(other.Picture().Width(), 2) << name;
  }

  // What cannot be read answers false and changes nothing, depth and
  // palette included: no name, no file, a file too short for a header, a
  // file the picture cannot read, a bitmap header over nothing.
  std::vector<uint8_t> broken(file.begin(), file.begin() + 26 + 48);
  broken[22] = 8;  // 8 bits, a table the file does not hold
  EXPECT_FALSE(image->LoadFromFile(""));
  EXPECT_FALSE(image->LoadFromFile(dir / "none.bmp"));
  EXPECT_FALSE(image->LoadFromFile(dir.File("short.bmp", "BM")));
  EXPECT_FALSE(image->LoadFromFile(dir.File("text.bmp", String(100, 'x'))));
  EXPECT_FALSE(image->LoadFromFile(dir.File("broken.bmp", String(broken.begin(), broken.end()))));
  EXPECT_EQ(image->BitCount(), 4);
  ASSERT_NE(image->Palette(), nullptr);
  EXPECT_EQ(image->Palette()->palNumEntries, 16);
  EXPECT_EQ(image->Picture().Width(), 2);
}

TEST_F(ImageTest, AColourCountBeyondTheTableIsRefusedAndKeepsNothing) {
  TempDir dir;
  // An 8-bit bitmap claiming 100,000 colours; the table has 256.
  std::vector<uint8_t> file(14 + 40 + 1024 + 4, 0);
  file[0] = 'B', file[1] = 'M';
  const uint32_t size = static_cast<uint32_t>(file.size()), offset = 14 + 40 + 1024;
  std::memcpy(&file[2], &size, 4);
  std::memcpy(&file[10], &offset, 4);
  BITMAPINFOHEADER info{40, 1, 1, 1, 8, BI_RGB, 4, 0, 0, 100000, 0};
  std::memcpy(&file[14], &info, 40);
  // The picture's reader refuses the count: nothing of the file is kept.
  EXPECT_FALSE(image->LoadFromFile(dir.File("many.bmp", String(file.begin(), file.end()))));
  EXPECT_EQ(image->BitCount(), 0);
  EXPECT_EQ(image->Palette(), nullptr);
}

TEST(ImageRegister, TheImageIsOnThePalettePage) {
  Image::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvImage");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
}
