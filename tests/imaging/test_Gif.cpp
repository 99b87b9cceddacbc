#include "lib/imaging/Gif.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Streams.h"
#include "tests/helpers/GifEncode.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#ifndef VEMTAR_GIF_CORPUS
#define VEMTAR_GIF_CORPUS ""
#endif

namespace {

// Index 0 red, 1 green, 2 blue, 3 white.
const std::vector<uint8_t> kTable = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
               kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
const char kInvalid[] = "GIFイメージが不正です";

GifFrame Solid(int left, int top, int width, int height, uint8_t index) {
  GifFrame f;
  f.left = left, f.top = top, f.width = width, f.height = height;
  f.pixels.assign(size_t(width) * height, index);
  return f;
}

// Every row y of the frame in index y % 4.
GifFrame Striped(int width, int height, bool interlaced) {
  GifFrame f = Solid(0, 0, width, height, 0);
  for (int y = 0; y < height; ++y) std::fill_n(f.pixels.begin() + y * width, width, uint8_t(y % 4));
  f.interlaced = interlaced;
  return f;
}

// The file as a memory stream at position 0.
struct GifStream : TMemoryStream {
  explicit GifStream(const GifBytes& bytes) {
    if (!bytes.empty()) WriteBuffer(bytes.data(), int32_t(bytes.size()));
    SetPosition(0);
  }
};

void Load(kxvGIF& gif, const GifBytes& bytes, TBitmap& bitmap) {
  GifStream stream(bytes);
  gif.LoadFromStream(&stream, &bitmap);
}

COLORREF At(TBitmap& bitmap, int x, int y) { return COLORREF(bitmap.Canvas().Pixels(x, y)); }

// Every pixel of the rectangle in colour.
bool All(TBitmap& bitmap, RECT r, COLORREF colour) {
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (At(bitmap, x, y) != colour) return false;
    }
  }
  return true;
}

// A control that shows a picture it owns, as an image control does.
class Viewer : public TPanel {
public:
  using TPanel::TPanel;
  TBitmap Picture;

protected:
  void PaintWindow(HDC dc) override {
    TCanvas canvas(dc);
    canvas.Draw(0, 0, Picture);
  }
};

void ExpectInvalid(const GifBytes& bytes) {
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  try {
    Load(gif, bytes, bitmap);
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), kInvalid);
  }
}

}  // namespace

// --- Still pictures --------------------------------------------------------

TEST(kxvGIF, DrawsAStillPictureAndReadsTheScreen) {
  GifFile file(6, 4, kTable, 2);
  file.Image(Striped(6, 4, false));
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(bitmap.Width(), 6);
  EXPECT_EQ(bitmap.Height(), 4);
  EXPECT_EQ(gif.ScreenWidth, 6);
  EXPECT_EQ(gif.ScreenHeight, 4);
  EXPECT_EQ(gif.ColorResolution, 8);
  EXPECT_EQ(COLORREF(gif.BackgroundColor), kBlue);
  ASSERT_NE(gif.Palette, nullptr);
  EXPECT_EQ(gif.Palette->palVersion, 0x300);
  EXPECT_EQ(gif.Palette->palNumEntries, 4);
  EXPECT_TRUE(All(bitmap, {0, 0, 6, 1}, kRed));
  EXPECT_TRUE(All(bitmap, {0, 1, 6, 2}, kGreen));
  EXPECT_TRUE(All(bitmap, {0, 2, 6, 3}, kBlue));
  EXPECT_TRUE(All(bitmap, {0, 3, 6, 4}, kWhite));
}

TEST(kxvGIF, RegistersOnThePalettePage) {
  Gif::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvGIF");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
  std::unique_ptr<TComponent> made(entry->Create(nullptr));
  EXPECT_NE(dynamic_cast<kxvGIF*>(made.get()), nullptr);
}

TEST(kxvGIF, AcceptsAnyVersionAndRefusesOtherSignatures) {
  GifFile odd(2, 2, kTable, 0, "12x");
  odd.Image(Solid(0, 0, 2, 2, 1));
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  Load(gif, odd.Bytes(), bitmap);
  EXPECT_EQ(At(bitmap, 1, 1), kGreen);
  GifBytes bad = odd.Bytes();
  bad[2] = 'X';
  ExpectInvalid(bad);
  gif.Enable = false;
  GifStream stream(odd.Bytes());
  EXPECT_FALSE(gif.IsSupport(&stream));
  EXPECT_THROW(Load(gif, odd.Bytes(), bitmap), EInvalidGraphic);
}

TEST(kxvGIF, ATrailerAloneLeavesTheFilledScreenAtItsOffset) {
  GifFile file(4, 3, kTable, 1);
  kxvGIF gif(nullptr);
  gif.OffsetX = 2, gif.OffsetY = 1;
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(bitmap.Width(), 6);
  EXPECT_EQ(bitmap.Height(), 4);
  EXPECT_TRUE(All(bitmap, {2, 1, 6, 4}, kGreen));
  EXPECT_TRUE(All(bitmap, {0, 0, 6, 1}, kWhite));  // new room, not the screen
  EXPECT_TRUE(All(bitmap, {0, 0, 2, 4}, kWhite));
}

TEST(kxvGIF, KeepSizeKeepsAPictureButSizesAnEmptyOne) {
  GifFile file(4, 3, kTable);
  kxvGIF gif(nullptr);
  gif.KeepSize = true;
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(bitmap.Width(), 4);
  bitmap.SetSize(9, 7);
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(bitmap.Width(), 9);
  EXPECT_EQ(bitmap.Height(), 7);
}

TEST(kxvGIF, LoadsFilesAndAnswersForThem) {
  GifFile file(3, 3, kTable);
  file.Image(Solid(0, 0, 3, 3, 2));
  TempDir dir;
  const GifBytes bytes = file.Bytes();
  const String gifName = dir.File("a.gif", String(bytes.begin(), bytes.end()));
  const String text = dir.File("a.txt", "not a picture at all");
  kxvGIF gif(nullptr);
  EXPECT_TRUE(gif.IsSupport(gifName));
  EXPECT_FALSE(gif.IsSupport(text));
  TBitmap bitmap;
  gif.LoadFromFile(gifName, &bitmap);
  EXPECT_EQ(At(bitmap, 2, 2), kBlue);
  EXPECT_THROW(gif.LoadFromFile(text, &bitmap), EInvalidGraphic);
}

// --- Interlacing -----------------------------------------------------------

TEST(kxvGIF, InterlacedRowsLandInTheirPlaces) {
  GifFile file(5, 13, kTable);
  file.Image(Striped(5, 13, true));
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  const COLORREF colours[4] = {kRed, kGreen, kBlue, kWhite};
  for (int y = 0; y < 13; ++y) EXPECT_TRUE(All(bitmap, {0, y, 5, y + 1}, colours[y % 4])) << y;
}

TEST(kxvGIF, AnEarlyPassStandsForTheRowsBelowIt) {
  // Height 5, interlaced, but the data holds the first row only: row 0 is
  // copied into rows 0 to 4.
  GifFile file(4, 6, kTable, 3);
  file.Image(Solid(0, 0, 4, 1, 1));
  GifBytes bytes = file.Bytes();
  const size_t at = 13 + kTable.size();
  ASSERT_EQ(bytes[at], 0x2C);
  bytes[at + 7] = 5;
  bytes[at + 9] |= 0x40;
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  Load(gif, bytes, bitmap);
  EXPECT_TRUE(All(bitmap, {0, 0, 4, 5}, kGreen));
  EXPECT_TRUE(All(bitmap, {0, 5, 4, 6}, kWhite));
}

// --- Transparency ------------------------------------------------------------

namespace {

// A red frame, then a frame of stripes whose index 0 is transparent.
GifBytes OverRed(bool controlTransparent) {
  GifFile file(4, 4, kTable, 2);
  file.Image(Solid(0, 0, 4, 4, 0));
  file.Control(0, false, controlTransparent, 1, 0);
  GifFrame stripes = Striped(4, 4, false);  // rows red, green, blue, white
  file.Image(stripes);
  return file.Bytes();
}

}  // namespace

TEST(kxvGIF, TransparentPixelsShowWhatIsBehind) {
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  Load(gif, OverRed(true), bitmap);
  EXPECT_TRUE(gif.HasTransparency);
  EXPECT_EQ(COLORREF(gif.FileTransparentColor), kGreen);
  EXPECT_TRUE(All(bitmap, {0, 1, 4, 2}, kRed));  // green was transparent
  EXPECT_TRUE(All(bitmap, {0, 2, 4, 3}, kBlue));
  EXPECT_TRUE(All(bitmap, {0, 3, 4, 4}, kWhite));
}

TEST(kxvGIF, TransparencyCanBeSwitchedOffOrRedirected) {
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  gif.Transparent = false;
  Load(gif, OverRed(true), bitmap);
  EXPECT_TRUE(gif.HasTransparency);  // as the file said
  EXPECT_TRUE(All(bitmap, {0, 1, 4, 2}, kGreen));

  gif.Transparent = true;
  gif.TransparentColor = TColor(RGB(1, 2, 3));  // not in the table: opaque
  Load(gif, OverRed(true), bitmap);
  EXPECT_TRUE(All(bitmap, {0, 1, 4, 2}, kGreen));

  gif.TransparentColor = TColor(kWhite);  // white instead of green
  Load(gif, OverRed(true), bitmap);
  EXPECT_TRUE(All(bitmap, {0, 1, 4, 2}, kGreen));
  EXPECT_TRUE(All(bitmap, {0, 3, 4, 4}, kRed));

  // A colour made transparent in a file that flags none.
  Load(gif, OverRed(false), bitmap);
  EXPECT_TRUE(All(bitmap, {0, 3, 4, 4}, kRed));
  EXPECT_TRUE(All(bitmap, {0, 2, 4, 3}, kBlue));
}

// --- Disposal ------------------------------------------------------------------

TEST(kxvGIF, DisposalTwoRepaintsTheAreaInTheBackground) {
  GifFile file(40, 50, kTable, 2);
  file.Image(Solid(0, 0, 40, 50, 3));
  file.Control(2, false, false, 0, 0);
  file.Image(Solid(20, 30, 10, 10, 0));
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  COLORREF during = 0;
  int paints = 0;
  gif.OnPaint = [&](TObject*, kxRect* rect) {
    if (++paints == 2) {
      during = At(bitmap, 25, 35);
      EXPECT_EQ(rect->Left, 20);
      EXPECT_EQ(rect->Bottom, 40);
    }
  };
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(during, kRed);
  EXPECT_TRUE(All(bitmap, {20, 30, 30, 40}, kBlue));
  EXPECT_EQ(At(bitmap, 19, 35), kWhite);
  EXPECT_EQ(At(bitmap, 30, 35), kWhite);
  EXPECT_EQ(At(bitmap, 25, 29), kWhite);
  EXPECT_EQ(At(bitmap, 25, 40), kWhite);
}

TEST(kxvGIF, DisposalThreeRestoresWhatTheFrameCovered) {
  GifFile file(8, 8, kTable, 2);
  file.Image(Striped(8, 8, false));
  file.Control(3, false, false, 0, 0);
  file.Image(Solid(2, 2, 4, 20, 0));  // reaches past the target: clipped
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  COLORREF during = 0;
  gif.OnPaint = [&](TObject*, kxRect*) { during = At(bitmap, 3, 7); };
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(during, kRed);
  const COLORREF colours[4] = {kRed, kGreen, kBlue, kWhite};
  for (int y = 0; y < 8; ++y) EXPECT_TRUE(All(bitmap, {0, y, 8, y + 1}, colours[y % 4])) << y;
}

// --- Composition ---------------------------------------------------------------

namespace {

// The whole bitmap, top row first, as COLORREFs.
std::vector<COLORREF> Screen(TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  BITMAPINFOHEADER header{sizeof header, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint32_t> bits(size_t(w) * h);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap.Handle(), 0, UINT(h), bits.data(), reinterpret_cast<BITMAPINFO*>(&header),
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  std::vector<COLORREF> shown;
  for (uint32_t p : bits) shown.push_back(RGB(p >> 16 & 255, p >> 8 & 255, p & 255));
  return shown;
}

// Random animations and what each frame must show, composed pixel by
// pixel the plain way: the background, each frame's opaque pixels over
// what is there (indices beyond its table black, nothing outside the
// screen), then its disposal. An interlaced row also stands for the rows
// below it that later passes fill, as it arrives: 8 in pass 1, 4, 2, 1 in
// passes 2 to 4, transparent pixels showing what those rows held.
struct Composed {
  GifBytes file;
  std::vector<std::vector<COLORREF>> frames;  // before each frame's disposal
};

Composed Compose(uint32_t seed, int width, int height) {
  auto random = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % uint32_t(n));
  };
  auto table = [&](int count) {
    std::vector<uint8_t> rgb(size_t(count) * 3);
    for (uint8_t& b : rgb) b = uint8_t(random(256));
    return rgb;
  };
  auto colour = [](const std::vector<uint8_t>& rgb, int i) {
    return size_t(i) * 3 < rgb.size() ? RGB(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]) : kBlack;
  };
  const std::vector<uint8_t> global = table(16);
  const int background = random(16);
  GifFile file(width, height, global, background);
  Composed c;
  std::vector<COLORREF> shown(size_t(width) * height, colour(global, background));
  for (int n = 2 + random(7); n > 0; --n) {
    GifFrame f;
    f.left = random(width + 4), f.top = random(height + 4);
    f.width = 1 + random(width), f.height = 1 + random(height);
    f.interlaced = random(3) == 0;
    if (random(3) == 0) f.localTable = table(2 << random(8));
    const std::vector<uint8_t>& rgb = f.localTable.empty() ? global : f.localTable;
    const int entries = int(rgb.size() / 3);
    for (int i = 0; i < f.width * f.height; ++i) {
      f.pixels.push_back(uint8_t(std::min(255, random(entries + 2))));
    }
    const int disposal = random(5);
    const bool transparent = random(3) != 0;
    const int index = random(entries + 1);
    file.Control(disposal, false, transparent, index, 0);
    file.Image(f);
    const std::vector<COLORREF> before = shown;
    std::vector<int> order(size_t(f.height));
    for (int y = 0; y < f.height; ++y) order[size_t(y)] = y;
    if (f.interlaced) order = GifInterlaceOrder(f.height);
    for (int y : order) {
      const int span = !f.interlaced || y % 2 ? 1 : y % 4 ? 2 : y % 8 ? 4 : 8;
      for (int row = y; row < std::min(y + span, f.height); ++row) {
        for (int x = 0; x < f.width; ++x) {
          const int sx = f.left + x, sy = f.top + row;
          const int i = f.pixels[size_t(y) * f.width + x];
          if (sx >= width || sy >= height || (transparent && i == index)) continue;
          shown[size_t(sy) * width + sx] = colour(rgb, i);
        }
      }
    }
    c.frames.push_back(shown);
    if (disposal == 3) shown = before;
    for (int y = f.top; disposal == 2 && y < std::min(height, f.top + f.height); ++y) {
      for (int x = f.left; x < std::min(width, f.left + f.width); ++x) {
        shown[size_t(y) * width + x] = colour(global, background);
      }
    }
  }
  c.file = file.Bytes();
  return c;
}

}  // namespace

TEST(kxvGIF, FramesComposeAsTheirTransparencyTablesAndDisposalsSay) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const int width = 8 + int(seed * 7 % 33), height = 5 + int(seed * 11 % 27);
    const Composed c = Compose(seed, width, height);
    // A new bitmap, and one of another kind kept at its size.
    for (bool kept : {false, true}) {
      kxvGIF gif(nullptr);
      gif.UseDelay = false;
      gif.KeepSize = kept;
      TBitmap bitmap;
      if (kept) {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(width, height);
      }
      size_t frame = 0;
      gif.OnPaint = [&](TObject*, kxRect*) {
        ASSERT_LT(frame, c.frames.size());
        EXPECT_TRUE(Screen(bitmap) == c.frames[frame]) << "seed " << seed << " frame " << frame;
        ++frame;
      };
      Load(gif, c.file, bitmap);
      EXPECT_EQ(frame, c.frames.size()) << seed;
    }
  }
}

TEST(kxvGIF, ATargetOfAnyKindKeepsItsPictureBehindTransparentPixels) {
  // Index 0 a colour no small table holds exactly, 1 transparent.
  GifFile file(6, 4, {10, 20, 30, 0, 255, 0});
  file.Control(0, false, true, 1, 0);
  GifFrame f = Solid(1, 1, 4, 2, 0);
  f.pixels[1] = f.pixels[6] = 1;
  file.Image(f);
  for (TPixelFormat format : {pfDevice, pf8bit, pf24bit, pf32bit}) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(6, 4);
    bitmap.Canvas().FillRect(RECT{0, 0, 6, 4}, TColor(kBlue));
    kxvGIF gif(nullptr);
    gif.KeepSize = true;
    gif.FillBackground = false;
    Load(gif, file.Bytes(), bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), pf32bit) << format;
    EXPECT_EQ(At(bitmap, 1, 1), RGB(10, 20, 30)) << format;
    EXPECT_EQ(At(bitmap, 2, 1), kBlue) << format;
    EXPECT_EQ(At(bitmap, 3, 2), kBlue) << format;
    EXPECT_EQ(At(bitmap, 4, 2), RGB(10, 20, 30)) << format;
    EXPECT_EQ(At(bitmap, 0, 0), kBlue) << format;
    EXPECT_EQ(At(bitmap, 5, 3), kBlue) << format;
  }
}

TEST(kxvGIF, CopyModeAppliesToOpaqueRowsAndMeetsBlackUnderTransparentOnes) {
  // White background; red drawn with SRCINVERT over it, then stripes whose
  // green is transparent.
  GifFile file(4, 4, kTable, 3);
  file.Image(Solid(0, 0, 4, 4, 0));
  file.Control(0, false, true, 1, 0);
  file.Image(Striped(4, 4, false));
  kxvGIF gif(nullptr);
  gif.CopyMode = SRCINVERT;
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  const COLORREF cyan = RGB(0, 255, 255);  // red XOR white
  EXPECT_TRUE(All(bitmap, {0, 0, 4, 1}, kRed));  // red XOR black
  EXPECT_TRUE(All(bitmap, {0, 1, 4, 2}, cyan));  // transparent: as it was
  EXPECT_TRUE(All(bitmap, {0, 2, 4, 3}, kBlue));
  EXPECT_TRUE(All(bitmap, {0, 3, 4, 4}, kWhite));
}

// --- Animation ---------------------------------------------------------------

namespace {

// Frames of red, green, blue, each waiting delay hundredths.
GifBytes ThreeFrames(int delay, bool userInput = false) {
  GifFile file(4, 4, kTable, 3);
  for (uint8_t i = 0; i < 3; ++i) {
    file.Control(1, userInput, false, 0, delay);
    file.Image(Solid(0, 0, 4, 4, i));
  }
  return file.Bytes();
}

}  // namespace

TEST(kxvGIF, FramesFollowEachOtherAfterTheirDelays) {
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  std::vector<COLORREF> painted, seen;
  std::vector<DWORD> times;
  gif.OnPaint = [&](TObject*, kxRect*) {
    painted.push_back(At(bitmap, 1, 1));
    times.push_back(GetTickCount());
  };
  int changes = 0;
  bitmap.OnChange = [&](TObject* sender) { changes += sender == &gif; };
  // Another timer runs while the component waits: the picture changes
  // under its eyes.
  TTimer watcher(nullptr);
  watcher.SetInterval(20);
  watcher.OnTimer = [&](TObject*) {
    if (!bitmap.Empty() && (seen.empty() || seen.back() != At(bitmap, 1, 1))) {
      seen.push_back(At(bitmap, 1, 1));
    }
  };
  Load(gif, ThreeFrames(25), bitmap);
  watcher.SetEnabled(false);
  EXPECT_EQ(painted, (std::vector<COLORREF>{kRed, kGreen, kBlue}));
  EXPECT_EQ(seen, (std::vector<COLORREF>{kRed, kGreen, kBlue}));
  EXPECT_EQ(changes, 3);
  ASSERT_EQ(times.size(), 3u);
  EXPECT_GE(times[1] - times[0], 230u);
  EXPECT_LT(times[1] - times[0], 1000u);
  // The bitmap's own handler is back: the one set above, counting.
  ASSERT_TRUE(bitmap.OnChange != nullptr);
  bitmap.OnChange(&gif);
  EXPECT_EQ(changes, 4);
}

TEST(kxvGIF, AnimateOffStopsAfterTheFirstBlock) {
  kxvGIF gif(nullptr);
  gif.Animate = false;
  TBitmap bitmap;
  int paints = 0;
  gif.OnPaint = [&](TObject*, kxRect*) { ++paints; };
  const GifBytes bytes = ThreeFrames(100);
  GifStream stream(bytes);
  const DWORD start = GetTickCount();
  gif.LoadFromStream(&stream, &bitmap);
  EXPECT_LT(GetTickCount() - start, 500u);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(At(bitmap, 0, 0), kRed);
}

TEST(kxvGIF, UseDelayOffPlaysAtOnce) {
  kxvGIF gif(nullptr);
  gif.UseDelay = false;
  TBitmap bitmap;
  int paints = 0;
  gif.OnPaint = [&](TObject*, kxRect*) { ++paints; };
  const DWORD start = GetTickCount();
  Load(gif, ThreeFrames(100), bitmap);
  EXPECT_LT(GetTickCount() - start, 500u);
  EXPECT_EQ(paints, 3);
  EXPECT_EQ(At(bitmap, 0, 0), kBlue);
}

TEST(kxvGIF, AHandlerStopsThePlayback) {
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  int paints = 0;
  gif.OnPaint = [&](TObject*, kxRect*) { ++paints; };
  TTimer stopper(nullptr);
  stopper.SetInterval(150);
  stopper.OnTimer = [&](TObject*) { gif.Stopped = true; };
  const DWORD start = GetTickCount();
  Load(gif, ThreeFrames(100), bitmap);
  stopper.SetEnabled(false);
  EXPECT_LT(GetTickCount() - start, 800u);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(At(bitmap, 0, 0), kRed);
}

TEST(kxvGIF, UserInputEndsTheWait) {
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  int asked = 0;
  // Without a delay: asked until it answers true.
  gif.OnUserInput = [&](TObject*) { return ++asked % 3 == 0; };
  Load(gif, ThreeFrames(0, true), bitmap);
  EXPECT_EQ(asked, 9);
  // With a delay: the answer cuts it short.
  asked = 0;
  gif.OnUserInput = [&](TObject*) { return ++asked > 0; };
  DWORD start = GetTickCount();
  Load(gif, ThreeFrames(100, true), bitmap);
  EXPECT_LT(GetTickCount() - start, 1500u);
  EXPECT_EQ(asked, 3);
  // Frames without the flag are not asked about.
  asked = 0;
  gif.UseDelay = false;
  Load(gif, ThreeFrames(100, false), bitmap);
  EXPECT_EQ(asked, 0);
}

// --- Plain text, comments, application extensions ------------------------------

TEST(kxvGIF, PlainTextIsDrawnInItsCellsWithTheCanvasFont) {
  GifFile file(60, 30, kTable, 3);
  file.PlainText(2, 2, 48, 24, 12, 12, 2, 3, "M MM");
  kxvGIF gif(nullptr);
  gif.OffsetX = 5;
  TBitmap bitmap;
  int paints = 0;
  gif.OnPaint = [&](TObject*, kxRect*) { ++paints; };
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(bitmap.Canvas().Font().Height(), 12);
  auto blueIn = [&](RECT r) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(bitmap, x, y) == kBlue) return true;
    return false;
  };
  EXPECT_TRUE(blueIn({7, 4, 19, 16}));    // "M" in the first cell, offset added
  EXPECT_FALSE(blueIn({19, 4, 31, 16}));  // the space
  EXPECT_TRUE(blueIn({31, 4, 43, 16}));
  EXPECT_TRUE(blueIn({43, 4, 55, 16}));   // four cells fit in 48 pixels
  EXPECT_FALSE(blueIn({0, 16, 65, 30}));  // no second line

  gif.PlainText = false;
  paints = 0;
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(paints, 1);
  EXPECT_FALSE(blueIn({0, 0, 65, 30}));
}

TEST(kxvGIF, CommentsAndApplicationExtensionsGoToTheEvents) {
  GifFile file(2, 2, kTable);
  // A comment in three sub-blocks.
  file.Raw({0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 1, 'f', 0});
  file.Application("NETSCAPE2.0", {1, 5, 0});
  kxvGIF gif(nullptr);
  String comment;
  std::vector<uint8_t> block;
  int length = -1;
  gif.OnComment = [&](TObject* sender, char* text) {
    EXPECT_EQ(sender, &gif);
    comment = text;
  };
  gif.OnApplication = [&](TObject*, void* data, int32_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    block.assign(p, p + 3 + p[2] + n + 1);
    length = n;
  };
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(comment, "abcdef");
  ASSERT_EQ(length, 3);
  EXPECT_EQ(block[2], 11);
  EXPECT_EQ(std::memcmp(block.data() + 3, "NETSCAPE2.0", 11), 0);
  EXPECT_EQ(block[14], 1);
  EXPECT_EQ(block[15], 5);
  EXPECT_EQ(block[17], 0);
}

// --- Faults ------------------------------------------------------------------

TEST(kxvGIF, AnEmptyImageDrawsNothingButCountsAsABlock) {
  GifFile file(4, 4, kTable, 3);
  file.Image(Solid(1, 1, 0, 3, 0));
  file.Image(Solid(1, 1, 3, 0, 0));
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  int paints = 0;
  gif.OnPaint = [&](TObject*, kxRect*) { ++paints; };
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(paints, 2);
  EXPECT_TRUE(All(bitmap, {0, 0, 4, 4}, kWhite));
}

TEST(kxvGIF, ImagesOutsideTheTargetAreClipped) {
  GifFile file(10, 10, kTable, 3);
  file.Image(Solid(6, 7, 20, 20, 0));      // partly outside
  file.Image(Solid(500, 500, 30, 30, 1));  // wholly outside
  file.Control(0, false, true, 2, 0);
  file.Image(Solid(8, 0, 5, 3, 1));        // transparent, partly outside
  kxvGIF gif(nullptr);
  gif.OffsetX = -2;  // and the whole screen shifted left
  gif.KeepSize = true;
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(10, 10);
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_TRUE(All(bitmap, {4, 7, 10, 10}, kRed));
  EXPECT_TRUE(All(bitmap, {6, 0, 10, 3}, kGreen));
  EXPECT_EQ(At(bitmap, 3, 9), kWhite);
}

TEST(kxvGIF, AScreenTooLargeToMakeIsAnInvalidGraphic) {
  GifFile file(65535, 65535, kTable);
  file.Image(Solid(0, 0, 2, 2, 0));
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  bitmap.SetSize(3, 3);
  EXPECT_THROW(Load(gif, file.Bytes(), bitmap), EInvalidGraphic);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_FALSE(gif.Busy());
  // The component is fit for the next file.
  GifFile small(2, 2, kTable);
  small.Image(Solid(0, 0, 2, 2, 1));
  Load(gif, small.Bytes(), bitmap);
  EXPECT_EQ(At(bitmap, 1, 1), kGreen);
}

TEST(kxvGIF, IndicesBeyondTheTableAreBlack) {
  // Two colours, indices up to 3.
  GifFile file(4, 1, {0, 255, 0, 0, 0, 255}, 3);
  GifFrame f = Solid(0, 0, 4, 1, 0);
  f.pixels = {0, 1, 2, 3};
  f.minCodeSize = 2;
  file.Control(0, false, true, 7, 0);  // and a transparent index beyond it
  file.Image(f);
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  EXPECT_EQ(COLORREF(gif.BackgroundColor), kBlack);
  EXPECT_EQ(At(bitmap, 0, 0), kGreen);
  EXPECT_EQ(At(bitmap, 1, 0), kBlue);
  EXPECT_EQ(At(bitmap, 2, 0), kBlack);
  EXPECT_EQ(At(bitmap, 3, 0), kBlack);
}

TEST(kxvGIF, WithoutAnyColourTableTheSystemColoursServe) {
  GifFile file(2, 1, {});
  GifFrame f = Solid(0, 0, 2, 1, 0);
  f.pixels = {0, 1};
  file.Image(f);
  kxvGIF gif(nullptr);
  gif.BackgroundColor = TColor(kGreen);
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  ASSERT_NE(gif.Palette, nullptr);
  ASSERT_GE(gif.Palette->palNumEntries, 2);
  EXPECT_EQ(COLORREF(gif.BackgroundColor), kGreen);  // kept: no global table
  const PALETTEENTRY& e = gif.Palette->palPalEntry[1];
  EXPECT_EQ(At(bitmap, 1, 0), RGB(e.peRed, e.peGreen, e.peBlue));
}

TEST(kxvGIF, ALongGraphicControlExtensionStillApplies) {
  GifFile file(4, 4, kTable, 2);
  file.Image(Solid(0, 0, 4, 4, 0));
  // Six bytes of fields: transparent index 1, delay 0; two extra bytes.
  file.Raw({0x21, 0xF9, 6, 0x01, 0, 0, 1, 0xEE, 0xEE, 0});
  file.Image(Striped(4, 4, false));
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  Load(gif, file.Bytes(), bitmap);
  EXPECT_TRUE(All(bitmap, {0, 1, 4, 2}, kRed));
  EXPECT_TRUE(All(bitmap, {0, 2, 4, 3}, kBlue));
}

TEST(kxvGIF, MalformedFilesAreInvalidGraphics) {
  GifFile good(4, 4, kTable);
  good.Image(Striped(4, 4, false));
  const GifBytes bytes = good.Bytes();
  ExpectInvalid(GifBytes(bytes.begin(), bytes.begin() + 8));  // inside the header
  ExpectInvalid({});
  GifFile unknown(4, 4, kTable);
  unknown.Raw({0x99});
  ExpectInvalid(unknown.Bytes());
  GifFile label(4, 4, kTable);
  label.Raw({0x21, 0x77, 0});
  ExpectInvalid(label.Bytes());
  // A first code beyond the table.
  GifFile code(4, 4, kTable);
  code.Raw({0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0, 2, 1, 0x07, 0});
  ExpectInvalid(code.Bytes());
  // Image data cut off: what was decoded stays.
  kxvGIF gif(nullptr);
  TBitmap bitmap;
  EXPECT_THROW(Load(gif, GifBytes(bytes.begin(), bytes.end() - 4), bitmap), EInvalidGraphic);
  EXPECT_FALSE(gif.Busy());
}

// --- Destruction and a second load during a wait --------------------------------

TEST(kxvGIF, DestroyingTheComponentDuringAWaitEndsTheLoad) {
  auto* form = new TForm(nullptr);
  auto* gif = new kxvGIF(form);
  TBitmap bitmap;
  int paints = 0;
  gif->OnPaint = [&](TObject*, kxRect*) { ++paints; };
  TTimer killer(nullptr);
  killer.SetInterval(100);
  killer.OnTimer = [&](TObject*) {
    killer.SetEnabled(false);
    delete form;
  };
  const DWORD start = GetTickCount();
  Load(*gif, ThreeFrames(100), bitmap);
  EXPECT_LT(GetTickCount() - start, 900u);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(At(bitmap, 0, 0), kRed);
}

TEST(kxvGIF, DestroyingItFromItsOwnEventsEndsTheLoad) {
  TBitmap bitmap;
  auto* gif = new kxvGIF(nullptr);
  gif->OnPaint = [&](TObject*, kxRect*) { delete gif; };
  Load(*gif, ThreeFrames(100), bitmap);
  EXPECT_EQ(At(bitmap, 0, 0), kRed);

  GifFile file(2, 2, kTable);
  file.Comment("x");
  file.Image(Solid(0, 0, 2, 2, 1));
  gif = new kxvGIF(nullptr);
  gif->OnComment = [&](TObject*, char*) { delete gif; };
  TBitmap other;
  Load(*gif, file.Bytes(), other);
  EXPECT_EQ(At(other, 0, 0), kRed);  // the background: the image after the comment never came
}

TEST(kxvGIF, DestroyingTheBitmapsOwnerDuringAWaitEndsTheLoad) {
  auto* form = new TForm(nullptr);
  form->SetClientSize(40, 40);
  auto* viewer = new Viewer(form);
  viewer->SetParent(form);
  viewer->SetBounds(0, 0, 40, 40);
  form->Show();
  int repaints = 0;
  viewer->Picture.OnChange = [&](TObject*) {
    ++repaints;
    viewer->Invalidate();
  };
  kxvGIF gif(nullptr);
  int paints = 0;
  gif.OnPaint = [&](TObject*, kxRect*) { ++paints; };
  TTimer killer(nullptr);
  killer.SetInterval(100);
  killer.OnTimer = [&](TObject*) {
    killer.SetEnabled(false);
    delete form;
  };
  const DWORD start = GetTickCount();
  Load(gif, ThreeFrames(100), viewer->Picture);
  EXPECT_LT(GetTickCount() - start, 900u);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(repaints, 1);
  EXPECT_FALSE(gif.Busy());
  // And the component goes on with other bitmaps.
  TBitmap bitmap;
  gif.UseDelay = false;
  Load(gif, ThreeFrames(100), bitmap);
  EXPECT_EQ(paints, 4);
  EXPECT_EQ(At(bitmap, 0, 0), kBlue);
}

TEST(kxvGIF, ASecondLoadDuringAWaitIsRefused) {
  kxvGIF gif(nullptr);
  TBitmap bitmap, other;
  int refused = 0, paints = 0;
  gif.OnPaint = [&](TObject*, kxRect*) {
    ++paints;
    try {
      Load(gif, ThreeFrames(0), other);
    } catch (const EGifBusy&) {
      ++refused;
    }
  };
  Load(gif, ThreeFrames(5), bitmap);
  EXPECT_EQ(paints, 3);
  EXPECT_EQ(refused, 3);
  EXPECT_TRUE(other.Empty());
  EXPECT_EQ(At(bitmap, 0, 0), kBlue);
}

TEST(kxvGIF, TheWindowAnswersInsideALongImage) {
  // Larger images until one takes long enough to tell, up to the largest
  // bitmap the component makes.
  DWORD elapsed = 0;
  for (int side = 4000; side <= 8000; side += 2000) {
    GifFile file(side, side, GifPalette(256));
    // Told just before the image: its decoding is timed from there to the
    // paint after it, without making the bitmap or reading the file.
    file.Application("NETSCAPE2.0", {1, 0, 0});
    GifFrame big;
    big.width = side;
    big.height = side;
    big.pixels = GifPicture(side, side, 256, 9);
    file.Image(big);
    kxvGIF gif(nullptr);
    gif.UseDelay = false;
    TBitmap bitmap;
    int ticks = 0;
    TTimer ticker(nullptr);
    ticker.SetInterval(10);
    // The first tick gives the bitmap new pixels: the rows after it must
    // go there.
    ticker.OnTimer = [&](TObject*) {
      if (++ticks == 1) bitmap.SetPixelFormat(pf24bit);
    };
    DWORD begun = 0, painted = 0;
    int before = 0;
    gif.OnApplication = [&](TObject*, void*, int32_t) {
      begun = GetTickCount();
      before = ticks;
    };
    gif.OnPaint = [&](TObject*, kxRect*) { painted = GetTickCount(); };
    Load(gif, file.Bytes(), bitmap);
    elapsed = painted - begun;
    // The window is answered every 100 ms inside an image: one of 200 ms
    // or more has had a tick.
    if (!begun || !painted || elapsed < 200) continue;
    // The image alone, one block, has no wait: these ticks came from
    // inside it.
    EXPECT_GE(ticks - before, 1) << elapsed << " ms";
    EXPECT_EQ(bitmap.Width(), side);
    const std::vector<uint8_t> rgb = GifPalette(256);
    const uint8_t* last = rgb.data() + 3 * big.pixels.back();
    EXPECT_EQ(At(bitmap, side - 1, side - 1), RGB(last[0], last[1], last[2]));
    return;
  }
  FAIL() << "the largest image took " << elapsed << " ms: too quick to tell";
}

// --- Broken and fuzzed files -----------------------------------------------------

namespace {

// Loads bytes with no waits: a picture or EInvalidGraphic, nothing else.
void Survive(const GifBytes& bytes, const std::string& what) {
  kxvGIF gif(nullptr);
  gif.UseDelay = false;
  TBitmap bitmap;
  try {
    Load(gif, bytes, bitmap);
  } catch (const EInvalidGraphic&) {
  } catch (const std::exception& e) {
    ADD_FAILURE() << what << ": " << e.what();
  }
  EXPECT_FALSE(gif.Busy()) << what;
}

GifBytes EveryKindOfBlock() {
  GifFile file(12, 10, kTable, 2);
  file.Comment("comment");
  file.Application("NETSCAPE2.0", {1, 0, 0});
  file.Control(3, false, true, 0, 0);
  file.Image(Striped(12, 10, true));
  file.Control(2, false, false, 0, 0);
  GifFrame local = Solid(3, 2, 6, 5, 1);
  local.localTable = kTable;
  file.Image(local);
  file.PlainText(0, 0, 12, 10, 6, 5, 1, 0, "ab c");
  return file.Bytes();
}

}  // namespace

TEST(kxvGIF, CutAndDamagedFilesEndInAPictureOrAnInvalidGraphic) {
  const GifBytes whole = EveryKindOfBlock();
  Survive(whole, "whole");
  for (size_t n = 0; n < whole.size(); ++n) {
    Survive(GifBytes(whole.begin(), whole.begin() + long(n)), "cut at " + std::to_string(n));
  }
  uint32_t seed = 12345;
  for (int i = 0; i < 300; ++i) {
    GifBytes damaged = whole;
    for (int k = 0; k < 3; ++k) {
      seed = seed * 1103515245u + 12345u;
      damaged[(seed >> 8) % damaged.size()] ^= uint8_t(1 << ((seed >> 4) % 8));
    }
    Survive(damaged, "damaged " + std::to_string(i));
  }
}

TEST(kxvGIF, TheFuzzCorpusEndsInPicturesOrInvalidGraphics) {
  const char* env = std::getenv("VEMTAR_GIF_CORPUS");
  const String dir = env && *env ? String(env) : String(VEMTAR_GIF_CORPUS);
  if (dir.empty() || GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no fuzz corpus at \"" << dir << "\" (tools/fuzz makes one)";
  }
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  int files = 0;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const String path = dir + "\\" + found.cFileName;
    std::ifstream in(path.c_str(), std::ios::binary);
    const GifBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Survive(bytes, path);
    ++files;
  } while (FindNextFileA(find, &found));
  FindClose(find);
  RecordProperty("files", files);
  EXPECT_GT(files, 0);
}
