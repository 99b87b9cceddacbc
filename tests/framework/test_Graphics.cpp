#include "framework/Graphics.h"

#include "framework/Streams.h"
#include "tests/framework/BmpBytes.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The picture every test file holds: 5 x 3 pixels, four colours in a
// diagonal pattern (y counts from the top).
constexpr int kW = 5, kH = 3;
const uint32_t kQuads[4] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};  // black, red, green, blue
int IndexAt(int x, int y, int colors) { return (x + 2 * y) % colors; }

TColor FromQuad(uint32_t q) {
  return static_cast<TColor>(RGB((q >> 16) & 0xFF, (q >> 8) & 0xFF, q & 0xFF));
}

uint32_t PackChannel(uint32_t quad, int channel, uint32_t mask) {
  return ((quad >> (16 - 8 * channel)) & 0xFF) ? mask : 0;
}

// The stored rows of the picture at a depth, as the layout's masks say.
std::vector<uint8_t> PictureRows(uint16_t bitCount, bool topDown, std::vector<uint32_t> masks = {}) {
  if (masks.empty()) masks = bitCount == 16 ? std::vector<uint32_t>{0x7C00, 0x3E0, 0x1F}
                                            : std::vector<uint32_t>{0xFF0000, 0xFF00, 0xFF};
  const int colors = bitCount == 1 ? 2 : 4;
  std::vector<std::vector<uint8_t>> rows;
  for (int r = 0; r < kH; ++r) {
    const int y = topDown ? r : kH - 1 - r;
    std::vector<uint8_t> row((kW * bitCount + 7) / 8, 0);
    for (int x = 0; x < kW; ++x) {
      const int index = IndexAt(x, y, colors);
      const uint32_t quad = kQuads[index];
      const uint32_t packed = PackChannel(quad, 0, masks[0]) | PackChannel(quad, 1, masks[1]) |
                              PackChannel(quad, 2, masks[2]);
      switch (bitCount) {
        case 1: if (index) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>(index << ((x & 1) ? 0 : 4)); break;
        case 8: row[x] = static_cast<uint8_t>(index); break;
        case 16: row[2 * x] = packed & 0xFF, row[2 * x + 1] = (packed >> 8) & 0xFF; break;
        case 24:
          row[3 * x] = quad & 0xFF, row[3 * x + 1] = (quad >> 8) & 0xFF, row[3 * x + 2] = quad >> 16;
          break;
        default:
          for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(packed >> (8 * i));
      }
    }
    rows.push_back(row);
  }
  return Rows(rows);
}

BmpLayout Picture(uint32_t headerSize, uint16_t bitCount, bool topDown = false,
                std::vector<uint32_t> masks = {}) {
  BmpLayout s;
  s.headerSize = headerSize;
  s.width = kW;
  s.height = topDown ? -kH : kH;
  s.bitCount = bitCount;
  if (bitCount <= 8) {
    const uint32_t full = 1u << bitCount;
    const uint32_t used = bitCount == 1 ? 2 : 4;
    s.colors.assign(kQuads, kQuads + used);
    // Core files always carry the whole table.
    if (headerSize == 12) s.colors.resize(full, 0x808080);
    else if (used < full) s.colorsUsed = used;
  }
  if (!masks.empty()) {
    s.compression = bmpBitfields;
    s.masks = masks;
  }
  s.bits = PictureRows(bitCount, topDown, masks);
  return s;
}

// The picture RLE-coded: the top row as a literal, the others as runs of one.
BmpLayout RlePicture(bool four) {
  BmpLayout s = Picture(40, four ? 4 : 8);
  s.compression = four ? bmpRle4 : bmpRle8;
  std::vector<uint8_t> stream;
  for (int y = kH - 1; y >= 0; --y) {
    if (y == 0) {
      stream.push_back(0);
      stream.push_back(kW);
      std::vector<uint8_t> literal;
      for (int x = 0; x < kW; ++x) {
        const uint8_t i = static_cast<uint8_t>(IndexAt(x, y, 4));
        if (four) {
          if (x % 2 == 0) literal.push_back(static_cast<uint8_t>(i << 4));
          else literal.back() |= i;
        } else {
          literal.push_back(i);
        }
      }
      if (literal.size() % 2) literal.push_back(0);
      stream.insert(stream.end(), literal.begin(), literal.end());
    } else {
      for (int x = 0; x < kW; ++x) {
        const uint8_t i = static_cast<uint8_t>(IndexAt(x, y, 4));
        stream.push_back(1);
        stream.push_back(four ? static_cast<uint8_t>(i << 4) : i);
      }
    }
    stream.push_back(0);
    stream.push_back(y == 0 ? 1 : 0);
  }
  s.bits = stream;
  s.sizeImage = static_cast<uint32_t>(stream.size());
  return s;
}

void LoadBytes(TBitmap& bitmap, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  bitmap.LoadFromStream(stream);
}

std::vector<uint8_t> SavedBytes(TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  return std::vector<uint8_t>(p, p + stream.Size());
}

std::vector<TColor> AllPixels(TBitmap& bitmap) {
  std::vector<TColor> pixels;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.Canvas().Pixels(x, y));
  }
  return pixels;
}

void ExpectPicture(TBitmap& bitmap, int colors, const char* what) {
  ASSERT_EQ(bitmap.Width(), kW) << what;
  ASSERT_EQ(bitmap.Height(), kH) << what;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      EXPECT_EQ(bitmap.Canvas().Pixels(x, y), FromQuad(kQuads[IndexAt(x, y, colors)]))
          << what << " at " << x << "," << y;
    }
  }
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace

// --- Loading ----------------------------------------------------------------

TEST(TBitmap, LoadsEveryHeaderFormDepthAndCompressionPixelByPixel) {
  const std::vector<uint32_t> bgr = {0x0000FF, 0x00FF00, 0xFF0000};  // swapped channels
  struct Case {
    const char* what;
    BmpLayout layout;
    TPixelFormat format;
  };
  const std::vector<Case> cases = {
      {"core 1", Picture(12, 1), pf1bit},
      {"core 4", Picture(12, 4), pf4bit},
      {"core 8", Picture(12, 8), pf8bit},
      {"core 24", Picture(12, 24), pf24bit},
      {"info 1", Picture(40, 1), pf1bit},
      {"info 4", Picture(40, 4), pf4bit},
      {"info 8", Picture(40, 8), pf8bit},
      {"info 16", Picture(40, 16), pf15bit},
      {"info 24", Picture(40, 24), pf24bit},
      {"info 32", Picture(40, 32), pf32bit},
      {"info 16 5-6-5", Picture(40, 16, false, {0xF800, 0x07E0, 0x001F}), pf16bit},
      {"info 32 bitfields", Picture(40, 32, false, {0xFF0000, 0xFF00, 0xFF}), pf32bit},
      {"info 32 swapped", Picture(40, 32, false, bgr), pfCustom},
      {"top-down 8", Picture(40, 8, true), pf8bit},
      {"top-down 24", Picture(40, 24, true), pf24bit},
      {"V4 24", Picture(108, 24), pf24bit},
      {"V4 16 5-6-5", Picture(108, 16, false, {0xF800, 0x07E0, 0x001F}), pf16bit},
      {"V5 8", Picture(124, 8), pf8bit},
      {"V5 32 top-down swapped", Picture(124, 32, true, bgr), pfCustom},
      {"RLE8", RlePicture(false), pf8bit},
      {"RLE4", RlePicture(true), pf4bit},
  };
  for (const Case& c : cases) {
    TBitmap bitmap;
    ASSERT_NO_THROW(LoadBytes(bitmap, MakeBmp(c.layout))) << c.what;
    EXPECT_EQ(bitmap.PixelFormat(), c.format) << c.what;
    ExpectPicture(bitmap, c.layout.bitCount == 1 ? 2 : 4, c.what);
  }
}

TEST(TBitmap, MalformedOrTruncatedFilesRaiseAndLeaveThePicture) {
  TempDir dir;
  TBitmap bitmap;
  LoadBytes(bitmap, MakeBmp(Picture(40, 8)));
  const std::vector<uint8_t> good = MakeBmp(Picture(124, 32, false, {0xFF0000, 0xFF00, 0xFF}));
  const std::vector<uint8_t> rle = MakeBmp(RlePicture(true));
  std::vector<std::vector<uint8_t>> bad;
  for (size_t n : {1u, 13u, 20u, 60u, 137u}) bad.emplace_back(good.begin(), good.begin() + n);
  bad.emplace_back(good.begin(), good.end() - 1);
  bad.emplace_back(rle.begin(), rle.end() - 3);
  std::vector<uint8_t> runPast = rle;
  runPast[runPast.size() - 8] = 9;  // a run wider than the picture
  bad.push_back(runPast);
  const String text = "hello, not a picture";
  bad.emplace_back(text.begin(), text.end());
  for (size_t i = 0; i < bad.size(); ++i) {
    EXPECT_THROW(LoadBytes(bitmap, bad[i]), EInvalidGraphic) << i;
    ExpectPicture(bitmap, 4, "kept");
  }
  const String path = dir / "short.bmp";
  {
    TFileStream file(path, fmCreate);
    file.WriteBuffer(good.data(), static_cast<int32_t>(good.size() - 5));
  }
  EXPECT_THROW(bitmap.LoadFromFile(path), EInvalidGraphic);
  EXPECT_THROW(bitmap.LoadFromFile(dir / "none.bmp"), EFOpenError);
  EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
}

// --- Saving -----------------------------------------------------------------

TEST(TBitmap, RoundTripsAtEveryDepthThroughStreamsAndFiles) {
  TempDir dir;
  const TColor red = RGB(255, 0, 0), blue = RGB(0, 0, 255), white = RGB(255, 255, 255);
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(13, 7);  // odd widths pad their rows
    ASSERT_EQ(bitmap.PixelFormat(), format);
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 13; ++x) {
        const TColor colors[4] = {clBlack, white, red, blue};
        bitmap.Canvas().SetPixels(x, y, colors[(x * 3 + y) % (format == pf1bit ? 2 : 4)]);
      }
    }
    const std::vector<TColor> painted = AllPixels(bitmap);
    EXPECT_EQ(painted[1], format == pf1bit ? white : blue) << format;
    EXPECT_EQ(painted[26], format == pf1bit ? clBlack : red) << format;

    const std::vector<uint8_t> saved = SavedBytes(bitmap);
    ASSERT_GT(saved.size(), 54u) << format;
    EXPECT_EQ(U32At(saved, 2), saved.size()) << format;  // bfSize
    TBitmap loaded;
    LoadBytes(loaded, saved);
    EXPECT_EQ(loaded.PixelFormat(), format == pfDevice ? pf24bit : format);
    EXPECT_EQ(loaded.ColorTable(), bitmap.ColorTable()) << format;
    EXPECT_EQ(AllPixels(loaded), painted) << format;

    const String path = dir / ("depth" + IntToStr(format) + ".bmp");
    bitmap.SaveToFile(path);
    const String file = ReadWholeFile(path);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.end()), saved) << format;
    TBitmap fromFile;
    fromFile.LoadFromFile(path);
    EXPECT_EQ(AllPixels(fromFile), painted) << format;
    // Saved again, a loaded picture gives the same bytes.
    EXPECT_EQ(SavedBytes(fromFile), format == pfDevice ? saved : SavedBytes(loaded)) << format;
  }
}

TEST(TBitmap, SavesItsOwnLayoutUncompressedAndBottomUp) {
  // A 4-entry 8-bit table stays 4 entries; an RLE file saves uncompressed;
  // a top-down file saves bottom-up.
  TBitmap bitmap;
  LoadBytes(bitmap, MakeBmp(RlePicture(false)));
  std::vector<uint8_t> saved = SavedBytes(bitmap);
  EXPECT_EQ(U32At(saved, 10), 54u + 4 * 4);  // bfOffBits
  EXPECT_EQ(U32At(saved, 30), 0u);            // BI_RGB
  EXPECT_EQ(U32At(saved, 46), 4u);            // biClrUsed
  EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 70, saved.end()), PictureRows(8, false));

  LoadBytes(bitmap, MakeBmp(Picture(124, 32, true, {0xFF, 0xFF00, 0xFF0000})));
  saved = SavedBytes(bitmap);
  EXPECT_EQ(U32At(saved, 22), static_cast<uint32_t>(kH));  // bottom-up
  EXPECT_EQ(U32At(saved, 30), bmpBitfields);
  EXPECT_EQ(U32At(saved, 54), 0xFFu);  // the red mask as it was
  EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 66, saved.end()),
            PictureRows(32, false, {0xFF, 0xFF00, 0xFF0000}));
}

TEST(TBitmap, EmptyBitmapsSaveNothingAndEmptyStreamsLoadEmpty) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_TRUE(SavedBytes(bitmap).empty());
  LoadBytes(bitmap, MakeBmp(Picture(40, 24)));
  EXPECT_FALSE(bitmap.Empty());
  LoadBytes(bitmap, {});
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
}

// --- Size, handle and copies --------------------------------------------------

TEST(TBitmap, ResizingKeepsTheOverlapAndWhitensNewRoom) {
  for (TPixelFormat format : {pfDevice, pf24bit}) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetWidth(10);
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetHeight(6);
    ASSERT_FALSE(bitmap.Empty());
    bitmap.Canvas().Brush().SetColor(clRed);
    bitmap.Canvas().FillRect(RECT{0, 0, 10, 6});
    bitmap.Canvas().SetPixels(9, 5, clBlue);
    bitmap.SetSize(20, 12);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), clRed);
    EXPECT_EQ(bitmap.Canvas().Pixels(9, 5), clBlue);
    EXPECT_EQ(bitmap.Canvas().Pixels(10, 5), clWhite);
    EXPECT_EQ(bitmap.Canvas().Pixels(19, 11), clWhite);
    bitmap.SetWidth(4);
    EXPECT_EQ(bitmap.Canvas().Pixels(3, 3), clRed);
    EXPECT_EQ(bitmap.Canvas().Pixels(4, 3), clNone);  // outside now
    EXPECT_EQ(bitmap.PixelFormat(), format);
    bitmap.SetHeight(0);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Handle(), nullptr);
    EXPECT_EQ(bitmap.Width(), 4);
    bitmap.SetHeight(2);
    EXPECT_EQ(bitmap.PixelFormat(), format);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), clWhite);
  }
  // An indexed picture keeps its own table and indices.
  TBitmap indexed;
  LoadBytes(indexed, MakeBmp(Picture(40, 4)));
  indexed.SetSize(kW + 3, kH + 1);
  EXPECT_EQ(indexed.ColorTable(), std::vector<uint32_t>(kQuads, kQuads + 4));
  EXPECT_EQ(indexed.Canvas().Pixels(kW - 1, kH - 1), FromQuad(kQuads[IndexAt(kW - 1, kH - 1, 4)]));
  indexed.SetSize(kW, kH);
  ExpectPicture(indexed, 4, "shrunk back");
}

TEST(TBitmap, AssignCopiesAndNullEmpties) {
  TBitmap source, copy;
  LoadBytes(source, MakeBmp(Picture(40, 8)));
  copy.Assign(&source);
  EXPECT_NE(copy.Handle(), source.Handle());
  EXPECT_EQ(copy.PixelFormat(), pf8bit);
  EXPECT_EQ(copy.ColorTable(), source.ColorTable());
  copy.Canvas().SetPixels(0, 0, clWhite);
  ExpectPicture(source, 4, "source untouched");
  copy.Assign(static_cast<const TBitmap*>(nullptr));
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.Width(), 0);
  EXPECT_EQ(copy.Height(), 0);
  // Through the persistent interface as well.
  copy.Assign(static_cast<const TPersistent&>(source));
  ExpectPicture(copy, 4, "assigned");
}

TEST(TBitmap, SetHandleTakesOwnershipAndReleaseHandleGivesItBack) {
  TBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &bitmap);
    ++changes;
  };
  HBITMAP mono = CreateBitmap(9, 4, 1, 1, nullptr);
  bitmap.SetHandle(mono);
  EXPECT_EQ(bitmap.Width(), 9);
  EXPECT_EQ(bitmap.Height(), 4);
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
  bitmap.Canvas().SetPixels(1, 1, clWhite);
  // A monochrome device bitmap saves as 1 bit.
  const std::vector<uint8_t> saved = SavedBytes(bitmap);
  EXPECT_EQ(saved[28], 1);
  HBITMAP released = bitmap.ReleaseHandle();
  EXPECT_EQ(released, mono);
  EXPECT_TRUE(bitmap.Empty());
  BITMAP bm{};
  EXPECT_NE(GetObjectA(released, sizeof bm, &bm), 0);  // still alive
  DeleteObject(released);
  EXPECT_EQ(changes, 3);
}

// --- Canvas -------------------------------------------------------------------

TEST(TCanvas, DrawsWithBrushPenAndFontIntoABitmap) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(40, 30);
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  TCanvas& c = bitmap.Canvas();
  c.Brush().SetColor(clRed);
  c.FillRect(RECT{0, 0, 40, 30});
  EXPECT_EQ(c.Pixels(39, 29), clRed);
  EXPECT_EQ(c.Pixels(40, 0), clNone);

  c.Pen().SetColor(clBlue);
  c.Brush().SetColor(clLime);
  c.Rectangle(5, 5, 15, 15);
  EXPECT_EQ(c.Pixels(5, 5), clBlue);
  EXPECT_EQ(c.Pixels(14, 14), clBlue);
  EXPECT_EQ(c.Pixels(10, 10), clLime);
  EXPECT_EQ(c.Pixels(15, 15), clRed);  // right and bottom excluded

  c.Brush().SetStyle(bsClear);
  c.Rectangle(20, 5, 30, 15);
  EXPECT_EQ(c.Pixels(20, 10), clBlue);
  EXPECT_EQ(c.Pixels(25, 10), clRed);  // not filled

  c.MoveTo(0, 20);
  c.LineTo(10, 20);
  EXPECT_EQ(c.Pixels(0, 20), clBlue);
  EXPECT_EQ(c.Pixels(9, 20), clBlue);
  EXPECT_EQ(c.Pixels(10, 20), clRed);  // the end point is not drawn
  EXPECT_EQ(c.PenPos().x, 10);

  c.Pen().SetMode(pmNot);
  c.MoveTo(0, 25);
  c.LineTo(5, 25);
  EXPECT_EQ(c.Pixels(2, 25), static_cast<TColor>(RGB(0, 255, 255)));  // red inverted
  c.Pen().SetMode(pmCopy);
  c.Pen().SetWidth(3);
  c.MoveTo(32, 20);
  c.LineTo(38, 20);
  EXPECT_EQ(c.Pixels(35, 21), clBlue);

  // Text: ink only inside its extent, in the font's colour.
  c.Brush().SetColor(clRed);
  c.Brush().SetStyle(bsSolid);
  c.FillRect(RECT{0, 0, 40, 30});
  c.Font().SetColor(clBlack);
  c.Font().SetHeight(16);
  c.Brush().SetStyle(bsClear);
  c.TextOut(2, 2, "W");
  const SIZE extent = c.TextExtent("W");
  EXPECT_EQ(c.TextWidth("W"), extent.cx);
  EXPECT_GE(c.TextHeight("W"), 14);
  int ink = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (c.Pixels(x, y) == clRed) continue;
      ++ink;
      EXPECT_TRUE(x >= 2 && x < 2 + extent.cx && y >= 2 && y < 2 + extent.cy) << x << "," << y;
    }
  }
  EXPECT_GT(ink, 10);
  // An opaque brush fills the text's cell.
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clLime);
  c.TextOut(20, 2, " ");
  EXPECT_EQ(c.Pixels(21, 4), clLime);
  // TextRect clips to its rectangle.
  c.Brush().SetColor(clYellow);
  c.TextRect(RECT{0, 20, 3, 30}, 0, 20, "WWW");
  EXPECT_EQ(c.Pixels(1, 21), clYellow);
  EXPECT_EQ(c.Pixels(4, 21), clRed);
  EXPECT_EQ(changes, 10);  // one for each drawing
}

TEST(TCanvas, DrawStretchDrawCopyRectAndCopyMode) {
  TBitmap source;
  source.SetPixelFormat(pf24bit);
  source.SetSize(2, 2);
  source.Canvas().SetPixels(0, 0, clRed);
  source.Canvas().SetPixels(1, 0, clLime);
  source.Canvas().SetPixels(0, 1, clBlue);
  source.Canvas().SetPixels(1, 1, clBlack);
  TBitmap target;
  target.SetSize(10, 10);
  TCanvas& c = target.Canvas();
  c.FillRect(RECT{0, 0, 10, 10}, clWhite);

  c.Draw(1, 1, source);
  EXPECT_EQ(c.Pixels(1, 1), clRed);
  EXPECT_EQ(c.Pixels(2, 2), clBlack);
  EXPECT_EQ(c.Pixels(3, 3), clWhite);

  c.StretchDraw(RECT{4, 4, 8, 8}, source);
  EXPECT_EQ(c.Pixels(4, 4), clRed);
  EXPECT_EQ(c.Pixels(5, 5), clRed);
  EXPECT_EQ(c.Pixels(6, 5), clLime);
  EXPECT_EQ(c.Pixels(5, 7), clBlue);
  EXPECT_EQ(c.Pixels(7, 7), clBlack);

  EXPECT_EQ(c.CopyMode(), static_cast<DWORD>(SRCCOPY));
  c.SetCopyMode(NOTSRCCOPY);
  c.CopyRect(RECT{0, 8, 2, 10}, source.Canvas(), RECT{0, 0, 2, 2});
  EXPECT_EQ(c.Pixels(0, 8), static_cast<TColor>(RGB(0, 255, 255)));
  EXPECT_EQ(c.Pixels(1, 9), clWhite);
  c.SetCopyMode(SRCCOPY);
  // A bitmap drawn onto itself.
  c.CopyRect(RECT{8, 0, 10, 2}, c, RECT{1, 1, 3, 3});
  EXPECT_EQ(c.Pixels(8, 0), clRed);

  // The transparent colour keeps what was there.
  c.FillRect(RECT{0, 0, 10, 10}, clYellow);
  DrawTransparent(c, 3, 3, source, RECT{0, 0, 2, 2}, clBlue);
  EXPECT_EQ(c.Pixels(3, 3), clRed);
  EXPECT_EQ(c.Pixels(3, 4), clYellow);
  EXPECT_EQ(c.Pixels(4, 4), clBlack);
}

TEST(TCanvas, ABorrowedContextKeepsItsObjectsUntilUsedAndGetsThemBack) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(50, 20, 1, 32, nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HFONT own = CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, own);
  HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
  HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
  SIZE direct;
  GetTextExtentPoint32A(dc, "Wide", 4, &direct);
  {
    TCanvas canvas(dc);
    // The context's own font measures and draws until the canvas gets one.
    EXPECT_EQ(canvas.TextExtent("Wide").cx, direct.cx);
    EXPECT_EQ(canvas.Handle(), dc);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), own);
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(RECT{0, 0, 10, 10});
    canvas.Pen().SetColor(clBlue);
    canvas.LineTo(5, 5);
    TFont font;
    font.SetHeight(8);
    canvas.SetFont(font);
    EXPECT_NE(GetCurrentObject(dc, OBJ_FONT), own);
    EXPECT_NE(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_LT(canvas.TextExtent("Wide").cx, direct.cx);
    // Changed while selected: out of the context first, then a new one.
    canvas.Brush().SetColor(clLime);
    canvas.FillRect(RECT{0, 0, 10, 10});
    EXPECT_EQ(canvas.Pixels(1, 1), clLime);
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), own);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(own);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST(TCanvas, ABitmapCanvasSurvivesNewHandlesAndKeepsItsObjects) {
  TBitmap bitmap;
  bitmap.SetSize(4, 4);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetColor(clBlue);
  canvas.FillRect(RECT{0, 0, 4, 4});
  HDC before = canvas.Handle();
  EXPECT_EQ(GetCurrentObject(before, OBJ_BITMAP), bitmap.Handle());
  bitmap.SetSize(8, 8);  // a new bitmap: the context is made again
  EXPECT_EQ(GetCurrentObject(canvas.Handle(), OBJ_BITMAP), bitmap.Handle());
  canvas.FillRect(RECT{4, 4, 8, 8});
  EXPECT_EQ(canvas.Pixels(7, 7), clBlue);
  EXPECT_EQ(canvas.Pixels(0, 0), clBlue);
  EXPECT_EQ(canvas.Pixels(5, 0), clWhite);
}
