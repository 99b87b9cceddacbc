#include "lib/imaging/Bitmap.h"

#include "framework/Forms.h"
#include "framework/Streams.h"
#include "tests/framework/BmpBytes.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct PaletteFree {
  void operator()(LOGPALETTE* p) const { FreeLogPalette(p); }
};
using Palette = std::unique_ptr<LOGPALETTE, PaletteFree>;

// 0x00RRGGBB of a palette entry.
uint32_t EntryAt(const LOGPALETTE* p, int i) {
  const PALETTEENTRY& e = p->palPalEntry[i];
  EXPECT_EQ(e.peFlags, 0);
  return static_cast<uint32_t>(e.peRed) << 16 | static_cast<uint32_t>(e.peGreen) << 8 | e.peBlue;
}

std::vector<uint32_t> Entries(const LOGPALETTE* p) {
  std::vector<uint32_t> out;
  for (int i = 0; i < p->palNumEntries; ++i) out.push_back(EntryAt(p, i));
  return out;
}

Palette MakePalette(const std::vector<uint32_t>& colors) {
  Palette p(NewLogPalette(static_cast<int>(colors.size())));
  for (size_t i = 0; i < colors.size(); ++i) {
    p->palPalEntry[i].peRed = static_cast<BYTE>(colors[i] >> 16);
    p->palPalEntry[i].peGreen = static_cast<BYTE>(colors[i] >> 8);
    p->palPalEntry[i].peBlue = static_cast<BYTE>(colors[i]);
  }
  return p;
}

std::vector<uint32_t> Ramp(size_t n) {
  std::vector<uint32_t> colors;
  for (size_t i = 0; i < n; ++i) {
    colors.push_back(static_cast<uint32_t>(i * 0x010305 + 0x0A1420) & 0xFFFFFF);
  }
  return colors;
}

// The DIB a loader holds in memory: the BMP file without its file header,
// in a block of exactly its size.
Bytes Dib(const BmpLayout& s) {
  const Bytes file = MakeBmp(s);
  return Bytes(file.begin() + 14, file.end());
}

TColor Color(uint32_t rgb) {
  return static_cast<TColor>(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
}
uint32_t Rgb(TColor c) {
  return static_cast<uint32_t>(GetRValue(c)) << 16 | static_cast<uint32_t>(GetGValue(c)) << 8 |
         GetBValue(c);
}

// A 24-bit bitmap whose pixel (x, y), y from the top, is colorAt(x, y)
// (0x00RRGGBB).
std::unique_ptr<TBitmap> Picture(int w, int h, const std::function<uint32_t(int, int)>& colorAt,
                                 TPixelFormat format = pf24bit) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) bitmap->Canvas().SetPixels(x, y, Color(colorAt(x, y)));
  }
  return bitmap;
}

Bytes FileBytes(const String& path) {
  const String s = ReadWholeFile(path);
  return Bytes(s.begin(), s.end());
}

uint32_t U16(const Bytes& b, size_t at) { return static_cast<uint32_t>(b.at(at) | b.at(at + 1) << 8); }
uint32_t U32(const Bytes& b, size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

// A written file taken apart, every size checked against the file.
struct Saved {
  uint32_t fileSize, reserved, offBits;
  uint32_t headerSize, planes, bitCount, compression, sizeImage, clrUsed, clrImportant;
  int32_t width, height;
  std::vector<uint32_t> table;  // 0x00RRGGBB; reserved bytes checked 0
  std::vector<Bytes> rows;      // bottom row first, padding included
};

Saved Parse(const Bytes& b) {
  Saved s{};
  EXPECT_GE(b.size(), 54u);
  if (b.size() < 54) return s;
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  s.fileSize = U32(b, 2);
  s.reserved = U32(b, 6);
  s.offBits = U32(b, 10);
  s.headerSize = U32(b, 14);
  s.width = static_cast<int32_t>(U32(b, 18));
  s.height = static_cast<int32_t>(U32(b, 22));
  s.planes = U16(b, 26);
  s.bitCount = U16(b, 28);
  s.compression = U32(b, 30);
  s.sizeImage = U32(b, 34);
  s.clrUsed = U32(b, 46);
  s.clrImportant = U32(b, 50);
  EXPECT_EQ(s.fileSize, b.size());
  EXPECT_EQ(s.reserved, 0u);
  EXPECT_EQ(s.headerSize, 40u);
  EXPECT_EQ(s.planes, 1u);
  EXPECT_EQ(s.compression, 0u);
  EXPECT_EQ((s.offBits - 54) % 4, 0u);
  for (size_t at = 54; at + 4 <= s.offBits && at + 4 <= b.size(); at += 4) {
    EXPECT_EQ(b[at + 3], 0) << "reserved byte of a table entry";
    s.table.push_back(U32(b, at) & 0xFFFFFF);
  }
  const size_t stride = (static_cast<size_t>(s.width) * s.bitCount + 31) / 32 * 4;
  EXPECT_EQ(s.sizeImage, stride * static_cast<size_t>(s.height));
  EXPECT_EQ(b.size(), s.offBits + stride * static_cast<size_t>(s.height));
  for (int r = 0; r < s.height && s.offBits + (r + 1) * stride <= b.size(); ++r) {
    const auto from = b.begin() + static_cast<long>(s.offBits + r * stride);
    s.rows.emplace_back(from, from + static_cast<long>(stride));
  }
  return s;
}

// What the platform's own loader makes of a file: its DIB section's bit
// count, colour table and pixels (0x00RRGGBB, rows from the top).
struct Loaded {
  int bitCount = 0;
  std::vector<uint32_t> table;
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  uint32_t At(int x, int y) const { return pixels.at(static_cast<size_t>(y * width + x)); }
};

Loaded LoadWithPlatform(const String& path) {
  Loaded out;
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  EXPECT_NE(bitmap, nullptr) << "LoadImageA " << path;
  if (!bitmap) return out;
  DIBSECTION ds{};
  EXPECT_EQ(GetObjectA(bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
  out.bitCount = ds.dsBmih.biBitCount;
  out.width = ds.dsBm.bmWidth;
  out.height = ds.dsBm.bmHeight;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  if (out.bitCount <= 8) {
    RGBQUAD quads[256];
    const UINT n = GetDIBColorTable(dc, 0, 256, quads);
    for (UINT i = 0; i < n; ++i) {
      out.table.push_back(static_cast<uint32_t>(quads[i].rgbRed) << 16 |
                          static_cast<uint32_t>(quads[i].rgbGreen) << 8 | quads[i].rgbBlue);
    }
  }
  SelectObject(dc, old);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = out.width;
  h.biHeight = -out.height;
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, static_cast<UINT>(out.height), out.pixels.data(),
                      reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS),
            out.height);
  for (uint32_t& p : out.pixels) p &= 0xFFFFFF;
  DeleteDC(dc);
  DeleteObject(bitmap);
  return out;
}

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlack = 0x000000;

}  // namespace

// --- DIBToPalette -----------------------------------------------------------

TEST(DIBToPalette, FourBitHeaderWithoutColorsUsedGivesSixteenEntries) {
  BmpLayout s;
  s.bitCount = 4;
  s.colors = Ramp(16);
  const Bytes dib = Dib(s);
  Palette p(DIBToPalette(dib.data(), dib.size()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->palVersion, 0x300);
  EXPECT_EQ(Entries(p.get()), Ramp(16));
}

TEST(DIBToPalette, ColorsUsedFiveGivesFiveEntries) {
  BmpLayout s;
  s.bitCount = 4;
  s.colorsUsed = 5;
  s.colors = Ramp(5);
  const Bytes dib = Dib(s);
  Palette p(DIBToPalette(dib.data(), dib.size()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Entries(p.get()), Ramp(5));
}

TEST(DIBToPalette, CoreHeaderWithEightBitsGives256EntriesFromTriples) {
  BmpLayout s;
  s.headerSize = 12;
  s.bitCount = 8;
  s.colors = Ramp(256);
  const Bytes dib = Dib(s);
  Palette p(DIBToPalette(dib.data(), dib.size()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->palVersion, 0x300);
  EXPECT_EQ(Entries(p.get()), Ramp(256));
}

TEST(DIBToPalette, NoneAboveEightBitsOrForOtherHeaderSizes) {
  BmpLayout s;
  s.bitCount = 24;
  s.bits.assign(4, 0);
  Bytes dib = Dib(s);
  EXPECT_EQ(DIBToPalette(dib.data(), dib.size()), nullptr);
  s.headerSize = 108;
  s.bitCount = 8;
  s.colors = Ramp(256);
  dib = Dib(s);
  EXPECT_EQ(DIBToPalette(dib.data(), dib.size()), nullptr);
  EXPECT_EQ(DIBToPalette(nullptr, 0), nullptr);
}

TEST(DIBToPalette, BufferShorterThanItsHeaderSaysGivesNone) {
  BmpLayout s;
  s.bitCount = 8;
  s.colors = Ramp(256);
  const Bytes dib = Dib(s);
  // A block of its own, exactly as long as given: nothing past it is read.
  for (size_t size : {size_t{2}, size_t{20}, size_t{40}, size_t{40 + 4 * 255}}) {
    std::unique_ptr<uint8_t[]> cut(new uint8_t[size]);
    std::copy(dib.begin(), dib.begin() + static_cast<long>(size), cut.get());
    EXPECT_EQ(DIBToPalette(cut.get(), size), nullptr) << size;
  }
}

TEST(DIBToPalette, ColorCountAbove256IsCutToTheDepth) {
  BmpLayout s;
  s.bitCount = 8;
  s.colorsUsed = 1000;
  s.colors = Ramp(1000);
  const Bytes dib = Dib(s);
  Palette p(DIBToPalette(dib.data(), dib.size()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->palNumEntries, 256);
  EXPECT_EQ(Entries(p.get()), Ramp(256));
}

// --- SaveBitmapToFile -------------------------------------------------------

TEST(SaveBitmapToFile, TwoColoursAtOneBitWithoutPaletteFirstMetBottomLeftIsIndexZero) {
  TempDir dir;
  // White with a red diagonal; the bottom-left pixel is red.
  const int w = 10, h = 3;
  auto colorAt = [](int x, int y) { return (x + y) % 3 == 2 ? kRed : kWhite; };
  auto bitmap = Picture(w, h, colorAt);
  ASSERT_EQ(colorAt(0, h - 1), kRed);
  const String path = dir / "two.bmp";
  ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 1, nullptr));

  const Bytes b = FileBytes(path);
  const Saved s = Parse(b);
  EXPECT_EQ(s.offBits, 54u + 8);
  EXPECT_EQ(s.width, w);
  EXPECT_EQ(s.height, h);
  EXPECT_EQ(s.bitCount, 1u);
  // Two entries: the whole table of the depth, which a count of 0 says.
  EXPECT_EQ(s.clrUsed, 0u);
  EXPECT_EQ(s.table, (std::vector<uint32_t>{kRed, kWhite}));
  ASSERT_EQ(s.rows.size(), 3u);
  for (int r = 0; r < h; ++r) {
    const int y = h - 1 - r;
    Bytes expected(4, 0);
    for (int x = 0; x < w; ++x) {
      if (colorAt(x, y) == kWhite) expected[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    EXPECT_EQ(s.rows[r], expected) << "row " << r;
  }

  const Loaded l = LoadWithPlatform(path);
  EXPECT_EQ(l.bitCount, 1);
  EXPECT_EQ(l.table, (std::vector<uint32_t>{kRed, kWhite}));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) EXPECT_EQ(l.At(x, y), colorAt(x, y)) << x << "," << y;
  }
}

TEST(SaveBitmapToFile, EightBitsWithTenEntryPaletteMapsToTheNearestEntry) {
  TempDir dir;
  const std::vector<uint32_t> entries = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                         0x808080, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0x400000};
  Palette palette = MakePalette(entries);
  // Row 0: exact entries; row 1: near colours.
  const uint32_t pixels[2][5] = {{0x000000, 0xFF00FF, 0x400000, 0x0000FF, 0x808080},
                                 {0x10F010, 0xFEFEFE, 0x7F8081, 0x300000, 0xE0E020}};
  const uint8_t indices[2][5] = {{0, 8, 9, 4, 5}, {3, 1, 5, 9, 6}};
  auto bitmap = Picture(5, 2, [&](int x, int y) { return pixels[y][x]; });
  const String path = dir / "ten.bmp";
  ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 8, palette.get()));

  const Saved s = Parse(FileBytes(path));
  EXPECT_EQ(s.offBits, 94u);
  EXPECT_EQ(s.fileSize, 94u + 2 * 8);
  EXPECT_EQ(s.bitCount, 8u);
  EXPECT_EQ(s.clrUsed, 10u);
  EXPECT_EQ(s.table, entries);
  ASSERT_EQ(s.rows.size(), 2u);
  // Rows bottom first; 5 index bytes and 3 zero bytes each.
  for (int r = 0; r < 2; ++r) {
    const int y = 1 - r;
    Bytes expected(indices[y], indices[y] + 5);
    expected.resize(8, 0);
    EXPECT_EQ(s.rows[r], expected) << "row " << r;
  }

  const Loaded l = LoadWithPlatform(path);
  EXPECT_EQ(l.bitCount, 8);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(l.At(x, y), entries[indices[y][x]]) << x << "," << y;
  }
}

TEST(SaveBitmapToFile, ThreeByOneAt24BitsWritesTwelveByteRows) {
  TempDir dir;
  const uint32_t colors[3] = {0x010203, 0x040506, 0x070809};
  auto bitmap = Picture(3, 1, [&](int x, int) { return colors[x]; });
  const String path = dir / "three.bmp";
  ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 24, nullptr));
  const Bytes b = FileBytes(path);
  ASSERT_EQ(b.size(), 54u + 12);
  const Saved s = Parse(b);
  EXPECT_EQ(s.offBits, 54u);
  EXPECT_EQ(s.bitCount, 24u);
  EXPECT_EQ(s.clrUsed, 0u);
  EXPECT_EQ(s.sizeImage, 12u);
  EXPECT_EQ(Bytes(b.begin() + 54, b.end()), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));
  const Loaded l = LoadWithPlatform(path);
  EXPECT_EQ(l.bitCount, 24);
  EXPECT_EQ(l.pixels, (std::vector<uint32_t>{colors[0], colors[1], colors[2]}));
}

TEST(SaveBitmapToFile, FourAndThirtyTwoAndSixteenBitsReadBackThroughThePlatform) {
  TempDir dir;
  // Five colours a 5-bit channel holds exactly, in 5 x 3 pixels.
  const uint32_t colors[5] = {kBlack, kRed, 0x00F800, 0x0000F8, 0x808080};
  auto colorAt = [&](int x, int y) { return colors[(x + 2 * y) % 5]; };
  auto bitmap = Picture(5, 3, colorAt);

  const String four = dir / "four.bmp";
  ASSERT_TRUE(SaveBitmapToFile(four, bitmap.get(), 4, nullptr));
  Saved s = Parse(FileBytes(four));
  EXPECT_EQ(s.clrUsed, 5u);
  EXPECT_EQ(s.offBits, 54u + 20);
  // Met first: the bottom row (y = 2) from the left.
  EXPECT_EQ(s.table, (std::vector<uint32_t>{colors[4], colors[0], colors[1], colors[2], colors[3]}));
  ASSERT_EQ(s.rows.size(), 3u);
  EXPECT_EQ(s.rows[0], (Bytes{0x01, 0x23, 0x40, 0}));
  Loaded l = LoadWithPlatform(four);
  EXPECT_EQ(l.bitCount, 4);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(l.At(x, y), colorAt(x, y)) << "4 bits " << x << "," << y;
  }

  const String thirtyTwo = dir / "32.bmp";
  ASSERT_TRUE(SaveBitmapToFile(thirtyTwo, bitmap.get(), 32, nullptr));
  s = Parse(FileBytes(thirtyTwo));
  EXPECT_EQ(s.offBits, 54u);
  ASSERT_EQ(s.rows.size(), 3u);
  EXPECT_EQ(s.rows[0], (Bytes{0x80, 0x80, 0x80, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0,
                              0, 0xF8, 0, 0, 0xF8, 0, 0, 0}));
  l = LoadWithPlatform(thirtyTwo);
  EXPECT_EQ(l.bitCount, 32);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(l.At(x, y), colorAt(x, y)) << "32 bits " << x << "," << y;
  }

  const String sixteen = dir / "16.bmp";
  ASSERT_TRUE(SaveBitmapToFile(sixteen, bitmap.get(), 16, nullptr));
  s = Parse(FileBytes(sixteen));
  EXPECT_EQ(s.offBits, 54u);
  EXPECT_EQ(s.bitCount, 16u);
  ASSERT_EQ(s.rows.size(), 3u);
  // grey 0x80 -> 16 in each 5-bit channel: 0x4210
  EXPECT_EQ(s.rows[0], (Bytes{0x10, 0x42, 0, 0, 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0}));
  l = LoadWithPlatform(sixteen);
  EXPECT_EQ(l.bitCount, 16);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const uint32_t got = l.At(x, y), want = colorAt(x, y);
      for (int c = 0; c < 24; c += 8) {
        EXPECT_NEAR(static_cast<int>((got >> c) & 0xFF), static_cast<int>((want >> c) & 0xFF), 7)
            << "16 bits " << x << "," << y;
      }
    }
  }
}

TEST(SaveBitmapToFile, BitCountZeroWritesTheBitmapInItsOwnFormat) {
  TempDir dir;
  auto bitmap = Picture(5, 3, [](int x, int y) { return (x + y) % 2 ? kRed : kBlack; }, pf8bit);
  const String path = dir / "own.bmp";
  ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 0, nullptr));
  TMemoryStream own;
  bitmap->SaveToStream(own);
  const auto* p = static_cast<const uint8_t*>(own.Memory());
  EXPECT_EQ(FileBytes(path), Bytes(p, p + own.Size()));
  EXPECT_EQ(Parse(FileBytes(path)).bitCount, 8u);
}

TEST(SaveBitmapToFile, PaletteLongerThanTheTableFillsItAndLeavesColorsUsedZero) {
  TempDir dir;
  const std::vector<uint32_t> entries = Ramp(20);
  Palette palette = MakePalette(entries);
  auto bitmap = Picture(3, 2, [&](int x, int y) { return entries[static_cast<size_t>(x + 3 * y)]; });
  const String path = dir / "long.bmp";
  ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 4, palette.get()));
  const Saved s = Parse(FileBytes(path));
  EXPECT_EQ(s.offBits, 54u + 64);
  EXPECT_EQ(s.clrUsed, 0u);
  EXPECT_EQ(s.table, std::vector<uint32_t>(entries.begin(), entries.begin() + 16));
  ASSERT_EQ(s.rows.size(), 2u);
  EXPECT_EQ(s.rows[0], (Bytes{0x34, 0x50, 0, 0}));  // bottom row: entries 3, 4, 5
  EXPECT_EQ(s.rows[1], (Bytes{0x01, 0x20, 0, 0}));
  EXPECT_EQ(LoadWithPlatform(path).table, s.table);
}

TEST(SaveBitmapToFile, EmptyPaletteLetsThePixelsMakeTheTable) {
  TempDir dir;
  Palette empty(NewLogPalette(0));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->palNumEntries, 0);
  auto bitmap = Picture(2, 1, [](int x, int) { return x ? kRed : kWhite; });
  const String path = dir / "empty.bmp";
  ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 8, empty.get()));
  const Saved s = Parse(FileBytes(path));
  EXPECT_EQ(s.clrUsed, 2u);
  EXPECT_EQ(s.table, (std::vector<uint32_t>{kWhite, kRed}));
  const Loaded l = LoadWithPlatform(path);
  EXPECT_EQ(l.pixels, (std::vector<uint32_t>{kWhite, kRed}));
}

TEST(SaveBitmapToFile, ColoursBeyondAFullTableGoToTheNearestOfTheFirstMet) {
  TempDir dir;
  // Bottom row black, white; top row dark grey, light grey.
  const uint32_t pixels[2][2] = {{0x202020, 0xE0E0E0}, {kBlack, kWhite}};
  auto bitmap = Picture(2, 2, [&](int x, int y) { return pixels[y][x]; });
  const String path = dir / "full.bmp";
  kxBitmapInfo info;
  EXPECT_EQ(PrepareBitmapInfo(info, bitmap.get(), 1, nullptr), 2);
  ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 1, nullptr));
  const Saved s = Parse(FileBytes(path));
  EXPECT_EQ(s.clrUsed, 0u);
  EXPECT_EQ(s.table, (std::vector<uint32_t>{kBlack, kWhite}));
  ASSERT_EQ(s.rows.size(), 2u);
  EXPECT_EQ(s.rows[0], (Bytes{0x40, 0, 0, 0}));
  EXPECT_EQ(s.rows[1], (Bytes{0x40, 0, 0, 0}));
}

TEST(SaveBitmapToFile, RefusesWhatItCannotWriteAndMakesNoFile) {
  TempDir dir;
  TBitmap empty;
  auto bitmap = Picture(2, 2, [](int, int) { return kRed; });
  EXPECT_FALSE(SaveBitmapToFile(dir / "null.bmp", nullptr, 24, nullptr));
  EXPECT_FALSE(SaveBitmapToFile(dir / "empty.bmp", &empty, 24, nullptr));
  EXPECT_FALSE(SaveBitmapToFile(dir / "empty0.bmp", &empty, 0, nullptr));
  for (int bits : {-1, 2, 7, 12, 33}) {
    const String path = dir / ("bits" + std::to_string(bits) + ".bmp");
    EXPECT_FALSE(SaveBitmapToFile(path, bitmap.get(), bits, nullptr)) << bits;
    EXPECT_FALSE(Exists(path)) << bits;
  }
  EXPECT_FALSE(Exists(dir / "null.bmp"));
  EXPECT_FALSE(Exists(dir / "empty.bmp"));
  EXPECT_FALSE(Exists(dir / "empty0.bmp"));
}

TEST(SaveBitmapToFile, AFileThatCannotBeMadeAnswersFalse) {
  TempDir dir;
  auto bitmap = Picture(2, 2, [](int, int) { return kRed; });
  for (int bits : {0, 1, 24}) {
    EXPECT_FALSE(SaveBitmapToFile(dir / "missing\\x.bmp", bitmap.get(), bits, nullptr)) << bits;
  }
  // A directory of that name.
  dir.Dir("taken.bmp");
  EXPECT_FALSE(SaveBitmapToFile(dir / "taken.bmp", bitmap.get(), 8, nullptr));
}

namespace {

// A bitmap that notes the screen cursor while it writes itself.
class TWatchedBitmap : public TBitmap {
public:
  TCursor cursorWhileSaving = crDefault;
  void SaveToStream(TStream& stream) override {
    cursorWhileSaving = Screen().Cursor();
    TBitmap::SaveToStream(stream);
  }
};

}  // namespace

TEST(SaveBitmapToFile, ShowsTheWaitCursorAndRestoresIt) {
  TempDir dir;
  Screen().SetCursor(crIBeam);
  TWatchedBitmap watched;
  watched.SetSize(2, 2);
  EXPECT_TRUE(SaveBitmapToFile(dir / "own.bmp", &watched, 0, nullptr));
  EXPECT_EQ(watched.cursorWhileSaving, crHourGlass);
  EXPECT_EQ(Screen().Cursor(), crIBeam);
  auto bitmap = Picture(2, 2, [](int, int) { return kRed; });
  EXPECT_TRUE(SaveBitmapToFile(dir / "a.bmp", bitmap.get(), 8, nullptr));
  EXPECT_FALSE(SaveBitmapToFile(dir / "b.bmp", nullptr, 8, nullptr));
  EXPECT_FALSE(SaveBitmapToFile(dir / "missing\\c.bmp", bitmap.get(), 8, nullptr));
  EXPECT_EQ(Screen().Cursor(), crIBeam);
  Screen().SetCursor(crDefault);
}

TEST(SaveBitmapToFile, TheBitmapAndItsCanvasStayUsable) {
  TempDir dir;
  auto bitmap = Picture(4, 4, [](int, int) { return kWhite; });
  ASSERT_TRUE(SaveBitmapToFile(dir / "1.bmp", bitmap.get(), 24, nullptr));
  // Drawing goes on into the same bitmap, and the next file shows it.
  bitmap->Canvas().FillRect(RECT{0, 0, 2, 4}, Color(kRed));
  EXPECT_EQ(Rgb(bitmap->Canvas().Pixels(1, 1)), kRed);
  ASSERT_TRUE(SaveBitmapToFile(dir / "2.bmp", bitmap.get(), 4, nullptr));
  const Loaded l = LoadWithPlatform(dir / "2.bmp");
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(l.At(x, y), x < 2 ? kRed : kWhite) << x << "," << y;
  }
}

TEST(SaveBitmapToFile, DeviceBitmapsAndPalettedDibSectionsToo) {
  TempDir dir;
  auto colorAt = [](int x, int y) { return (x * y) % 3 == 1 ? 0x0000FF : kWhite; };
  for (TPixelFormat format : {pfDevice, pf1bit, pf8bit, pf32bit}) {
    const uint32_t second = format == pf1bit ? kBlack : 0x0000FF;
    auto at = [&](int x, int y) { return colorAt(x, y) == kWhite ? kWhite : second; };
    auto bitmap = Picture(7, 5, at, format);
    const String path = dir / ("f" + std::to_string(format) + ".bmp");
    ASSERT_TRUE(SaveBitmapToFile(path, bitmap.get(), 8, nullptr)) << format;
    const Saved s = Parse(FileBytes(path));
    EXPECT_EQ(s.clrUsed, 2u) << format;
    // The bottom row starts white, then (1, 4) has the other colour.
    EXPECT_EQ(s.table, (std::vector<uint32_t>{kWhite, second})) << format;
    const Loaded l = LoadWithPlatform(path);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) EXPECT_EQ(l.At(x, y), at(x, y)) << format << " " << x << "," << y;
    }
  }
}

// --- PrepareBitmapInfo ------------------------------------------------------

TEST(PrepareBitmapInfo, FillsTheHeaderAndZeroesTheRest) {
  auto bitmap = Picture(9, 7, [](int x, int) { return x % 2 ? kRed : kBlack; });
  kxBitmapInfo info;
  std::memset(&info, 0xCC, sizeof info);
  ASSERT_EQ(PrepareBitmapInfo(info, bitmap.get(), 4, nullptr), 2);
  EXPECT_EQ(info.Header.biSize, 40u);
  EXPECT_EQ(info.Header.biWidth, 9);
  EXPECT_EQ(info.Header.biHeight, 7);
  EXPECT_EQ(info.Header.biPlanes, 1);
  EXPECT_EQ(info.Header.biBitCount, 4);
  EXPECT_EQ(info.Header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(info.Header.biSizeImage, 8u * 7);
  EXPECT_EQ(info.Header.biClrUsed, 2u);
  EXPECT_LE(info.Header.biClrImportant, 2u);
  EXPECT_EQ(info.Colors[0].rgbRed, 0);
  EXPECT_EQ(info.Colors[1].rgbRed, 0xFF);
  EXPECT_EQ(info.Colors[1].rgbReserved, 0);
  const auto* rest = reinterpret_cast<const uint8_t*>(&info.Colors[2]);
  for (size_t i = 0; i < sizeof(RGBQUAD) * 254; ++i) ASSERT_EQ(rest[i], 0) << i;

  ASSERT_EQ(PrepareBitmapInfo(info, bitmap.get(), 24, nullptr), 0);
  EXPECT_EQ(info.Header.biBitCount, 24);
  EXPECT_EQ(info.Header.biClrUsed, 0u);
  EXPECT_EQ(info.Header.biSizeImage, 28u * 7);
}

TEST(PrepareBitmapInfo, MinusOneWithoutAPictureOrForAnUnwritableDepth) {
  TBitmap empty;
  auto bitmap = Picture(1, 1, [](int, int) { return kRed; });
  kxBitmapInfo info;
  std::memset(&info, 0xCC, sizeof info);
  EXPECT_EQ(PrepareBitmapInfo(info, &empty, 8, nullptr), -1);
  EXPECT_EQ(info.Header.biSize, 40u);
  EXPECT_EQ(info.Header.biWidth, 0);
  EXPECT_EQ(PrepareBitmapInfo(info, nullptr, 8, nullptr), -1);
  EXPECT_EQ(PrepareBitmapInfo(info, bitmap.get(), 3, nullptr), -1);
  EXPECT_EQ(PrepareBitmapInfo(info, bitmap.get(), 40, nullptr), -1);
}
