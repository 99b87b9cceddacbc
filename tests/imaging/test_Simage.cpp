#include "lib/imaging/Simage.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "lib/imaging/Gif.h"
#include "lib/imaging/Susie.h"
#include "tests/helpers/GifEncode.h"
#include "tests/helpers/TempDir.h"
#include "tests/imaging/SpiFiles.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A super image on a form, with a folder for its files and plug-ins.
class SuperImageTest : public testing::Test {
protected:
  void SetUp() override {
    image = new kxvSuperImage(&form);
    image->SetParent(&form);
    image->SetBounds(0, 0, 100, 100);
    image->SetGVEnable(false);
  }
  // The plug-ins of folder sub: the project's, or the test plug-in under
  // a name that makes it read every file.
  String Plugins(const char* sub, bool project, bool readsAll) {
    const String folder = dir / sub;
    CreateDirectoryA(folder.c_str(), nullptr);
    if (project) {
      for (const char* name : {"IFPNM.SPI", "IFTGA.SPI"}) {
        CopyFileA((PluginDir() + "\\" + name).c_str(), (folder + "\\" + name).c_str(), FALSE);
      }
    }
    if (readsAll) {
      CopyFileA((TestPluginDir() + "\\SPITEST.SPI").c_str(), (folder + "\\ANY.SPI").c_str(), FALSE);
    }
    return folder;
  }
  String File(const char* name, const std::string& bytes) {
    const String path = dir / name;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }
  // A 6 x 4 bitmap at 24 bits, all red.
  String RedBitmap(const char* name) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(6, 4);
    bitmap.Canvas().FillRect(RECT{0, 0, 6, 4}, clRed);
    const String path = dir / name;
    bitmap.SaveToFile(path);
    return path;
  }
  // Frames of width x height, each of one colour of the table green, blue,
  // shown for delay hundredths of a second.
  String FramesGif(const char* name, int width, int height, std::initializer_list<uint8_t> indices,
                   int delay) {
    GifFile gif(width, height, {0, 255, 0, 0, 0, 255});
    for (uint8_t index : indices) {
      gif.Control(1, false, false, 0, delay);
      GifFrame frame;
      frame.width = width;
      frame.height = height;
      frame.pixels.assign(size_t(width) * height, index);
      gif.Image(frame);
    }
    const GifBytes bytes = gif.Bytes();
    return File(name, std::string(bytes.begin(), bytes.end()));
  }
  // Two frames of 5 x 3: green, then blue.
  String TwoFrameGif(const char* name) { return FramesGif(name, 5, 3, {0, 1}, 0); }
  // Three frames of 7 x 2, each shown for delay hundredths of a second.
  String SlowGif(const char* name, int delay) { return FramesGif(name, 7, 2, {0, 1, 0}, delay); }
  TColor At(int x, int y) { return image->Picture().Bitmap().Canvas().Pixels(x, y); }
  TempDir dir;
  TForm form{nullptr};
  kxvSuperImage* image = nullptr;
};

}  // namespace

TEST_F(SuperImageTest, TheFilterOffersEveryPatternFirst) {
  image->SetSusieEnable(false);
  EXPECT_EQ(image->GetFilter(),
            "画像ﾌｧｲﾙ|*.BMP;*.RLE;*.RGB;*.DIB;*.GIF|すべてのﾌｧｲﾙ|*.*|"
            "ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB|GIF|*.GIF");
  image->SetSusiePath(Plugins("p", true, false));
  image->SetSusieEnable(true);
  ASSERT_TRUE(image->SusieEnable());
  const String filter = image->GetFilter();
  const String start = "画像ﾌｧｲﾙ|*.BMP;*.RLE;*.RGB;*.DIB;";
  ASSERT_EQ(filter.substr(0, start.size()), start) << filter;
  const String plugins = image->Susie().GetFilter();
  ASSERT_FALSE(plugins.empty());
  EXPECT_NE(filter.find("|ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB|" + plugins), String::npos) << filter;
  // The plug-ins' patterns follow the bitmap's, before "all files".
  const size_t all = filter.find("|すべてのﾌｧｲﾙ|");
  EXPECT_NE(UpperCase(filter.substr(0, all)).find("*.PPM"), String::npos) << filter;
  EXPECT_NE(UpperCase(filter.substr(0, all)).find("*.TGA"), String::npos) << filter;
}

TEST_F(SuperImageTest, LoadersAreTriedInTheirOrder) {
  // A plug-in that reads everything, present throughout.
  image->SetSusiePath(Plugins("any", false, true));
  ASSERT_TRUE(image->SusieEnable());
  int repaints = 0;
  auto* gif = &image->GIF();
  auto paint = std::move(gif->OnPaint);
  gif->OnPaint = [&](TObject* sender, kxRect* rect) {
    ++repaints;
    paint(sender, rect);
  };

  // "BM": the bitmap loader, not the plug-in.
  ASSERT_TRUE(image->LoadFromFile(RedBitmap("red.bmp")));
  EXPECT_EQ(image->Picture().Width(), 6);
  EXPECT_EQ(image->BitCount(), 24);
  EXPECT_EQ(At(1, 1), clRed);
  // A GIF: the decoder, each frame shown in place; the last one stays.
  ASSERT_TRUE(image->LoadFromFile(TwoFrameGif("two.gif")));
  EXPECT_EQ(image->Picture().Width(), 5);
  EXPECT_EQ(At(2, 1), TColor(0xFF0000));  // blue
  EXPECT_EQ(repaints, 2);
  EXPECT_EQ(image->BitCount(), 8);
  ASSERT_NE(image->Palette(), nullptr);
  EXPECT_EQ(gif->Palette, nullptr);  // handed over
  // Anything else: the plug-in, with its palette; the depth it claims (-8)
  // is none a bitmap file has, so the picture's own is kept.
  ASSERT_TRUE(image->LoadFromFile(File("some.dat", "not a picture of ours")));
  EXPECT_EQ(image->Susie().ColorDepth(), -8);
  EXPECT_EQ(image->BitCount(), 0);
  EXPECT_EQ(image->Picture().Width(), image->Susie().Width());
  ASSERT_NE(image->Palette(), nullptr);
  EXPECT_EQ(image->Susie().Palette(), nullptr);
}

TEST_F(SuperImageTest, AGifWithoutAGlobalTableIsSavedInTheColoursItDrew) {
  // Four colours no system palette holds, in a local table only.
  GifFile gif(4, 1, {});
  GifFrame frame;
  frame.width = 4;
  frame.height = 1;
  frame.pixels = {0, 1, 2, 3};
  frame.localTable = {10, 200, 30, 200, 10, 150, 77, 77, 200, 250, 240, 10};
  frame.localTable.resize(12);
  gif.Image(frame);
  const GifBytes bytes = gif.Bytes();
  ASSERT_TRUE(image->LoadFromFile(File("local.gif", std::string(bytes.begin(), bytes.end()))));
  EXPECT_EQ(image->BitCount(), 8);
  const String saved = dir / "local.bmp";
  ASSERT_TRUE(image->SaveToFile(saved));
  TBitmap back;
  back.LoadFromFile(saved);
  const TColor expected[] = {TColor(RGB(10, 200, 30)), TColor(RGB(200, 10, 150)),
                             TColor(RGB(77, 77, 200)), TColor(RGB(250, 240, 10))};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(back.Canvas().Pixels(x, 0), expected[x]) << x;
}

TEST_F(SuperImageTest, ASecondLoadWhileAGifPlaysIsRefusedAndTheFirstGoesOnUntouched) {
  const String slow = SlowGif("slow.gif", 10);
  const String red = RedBitmap("red.bmp");
  const String other = TwoFrameGif("other.gif");
  bool bitmapRefused = false, fileRefused = false, headerRefused = false;
  int tries = 0;
  TTimer second(nullptr);
  second.SetInterval(50);
  second.OnTimer = [&](TObject*) {
    second.SetEnabled(false);
    ++tries;
    fileRefused = !image->LoadFromFile(red);
    bitmapRefused = !image->LoadBitmapFile(red);
    try {
      image->GIF().IsSupport(other);
    } catch (const EGifBusy&) {
      headerRefused = true;
    }
  };
  ASSERT_TRUE(image->LoadFromFile(slow));
  ASSERT_EQ(tries, 1);
  EXPECT_TRUE(fileRefused);
  EXPECT_TRUE(bitmapRefused);
  EXPECT_TRUE(headerRefused);
  // The GIF's own picture, depth, palette and screen.
  EXPECT_EQ(image->Picture().Width(), 7);
  EXPECT_EQ(image->BitCount(), 8);
  ASSERT_NE(image->Palette(), nullptr);
  EXPECT_EQ(image->Palette()->palNumEntries, 2);
  EXPECT_EQ(image->GIF().ScreenWidth, 7);
  EXPECT_EQ(At(1, 1), TColor(0x00FF00));
  // Afterwards loads are taken again.
  EXPECT_TRUE(image->LoadFromFile(red));
  EXPECT_EQ(image->BitCount(), 24);
}

// What is not the library's own error (a handler's, or memory running out)
// passes through, and the control takes loads again.
TEST_F(SuperImageTest, AnErrorThatPassesThroughALoadLeavesTheControlFree) {
  GifFile gif(2, 2, {0, 255, 0, 0, 0, 255});
  gif.Comment("x");
  GifFrame frame;
  frame.width = frame.height = 2;
  frame.pixels.assign(4, 1);
  gif.Image(frame);
  const GifBytes bytes = gif.Bytes();
  const String commented = File("comment.gif", std::string(bytes.begin(), bytes.end()));
  image->GIF().OnComment = [](TObject*, char*) { throw std::runtime_error("handler"); };
  EXPECT_THROW(image->LoadFromFile(commented), std::runtime_error);
  EXPECT_FALSE(image->Busy());
  image->GIF().OnComment = nullptr;
  EXPECT_TRUE(image->LoadFromFile(RedBitmap("red.bmp")));
}

TEST_F(SuperImageTest, AControlDestroyedWhileItsGifWaitsEndsTheLoadQuietly) {
  auto* owner = new TForm(nullptr);
  auto* doomed = new kxvSuperImage(owner);
  doomed->SetParent(owner);
  doomed->SetGVEnable(false);
  TTimer closer(nullptr);
  closer.SetInterval(50);
  closer.OnTimer = [&](TObject*) {
    closer.SetEnabled(false);
    delete owner;  // a form that frees itself as it closes
  };
  const DWORD start = GetTickCount();
  EXPECT_FALSE(doomed->LoadFromFile(SlowGif("slow.gif", 20)));
  EXPECT_LT(GetTickCount() - start, 500u);
}

TEST_F(SuperImageTest, AFileNoLoaderReadsAnswersFalse) {
  image->SetSusieEnable(false);
  EXPECT_FALSE(image->LoadFromFile(""));
  EXPECT_FALSE(image->LoadFromFile(dir / "none.gif"));
  // Long enough for the bitmap loader's header: every loader is asked.
  EXPECT_FALSE(image->LoadFromFile(File("text.txt", "hello, this is no picture of any kind")));
  // A damaged GIF, past the header the bitmap loader reads: its global
  // table is cut short, and the decoder's error is caught.
  std::string gif = "GIF89a";
  gif += std::string("\x05\x00\x03\x00\x87\x00\x00", 7);
  gif += std::string(30, '\x11');
  ASSERT_GT(gif.size(), 14u);
  EXPECT_FALSE(image->LoadFromFile(File("cut.gif", gif)));
  // Too short to tell: not read.
  EXPECT_FALSE(image->LoadFromFile(File("tiny.bmp", "BM")));
  // The last good picture stays.
  ASSERT_TRUE(image->LoadFromFile(RedBitmap("red.bmp")));
  EXPECT_FALSE(image->LoadFromFile(File("cut2.gif", gif)));
  EXPECT_EQ(At(1, 1), clRed);
}

TEST_F(SuperImageTest, TheLoadersSwitchesAreTheirs) {
  const String plugins = Plugins("p", true, false);
  image->SetSusiePath(plugins);
  EXPECT_EQ(image->GetSusiePath(), plugins);
  image->SetSusieEnable(false);
  EXPECT_FALSE(image->Susie().Enable());
  EXPECT_FALSE(image->SusieEnable());
  image->SetSusieEnable(true);
  EXPECT_TRUE(image->SusieEnable());
  // GV cannot be switched on without the viewer.
  image->SetGVPath(dir / "nowhere.exe");
  image->SetGVEnable(true);
  EXPECT_FALSE(image->GVEnable());
}
