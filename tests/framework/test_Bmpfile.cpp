#include "framework/Bmpfile.h"

#include "tests/framework/BmpBytes.h"

#include <gtest/gtest.h>

namespace {

TBmpImage Parse(const std::vector<uint8_t>& file) { return ParseBmp(file.data(), file.size()); }

std::vector<uint8_t> Decode(const std::vector<uint8_t>& file) {
  return DecodeBmpRle(Parse(file), file.data(), file.size());
}

BmpLayout Rle8(std::vector<uint8_t> stream, int32_t width = 6, int32_t height = 3) {
  BmpLayout s;
  s.width = width;
  s.height = height;
  s.bitCount = 8;
  s.compression = bmpRle8;
  s.colorsUsed = 4;
  s.colors = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  s.sizeImage = static_cast<uint32_t>(stream.size());
  s.bits = std::move(stream);
  return s;
}

}  // namespace

TEST(Bmpfile, InfoHeaderOffsetsAndSizes) {
  BmpLayout s;
  s.width = 3;
  s.height = 2;
  s.bits = Rows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1}});
  const TBmpImage image = Parse(MakeBmp(s));
  EXPECT_EQ(image.HeaderSize, 40u);
  EXPECT_EQ(image.Width, 3);
  EXPECT_EQ(image.Height, 2);
  EXPECT_FALSE(image.TopDown);
  EXPECT_EQ(image.BitCount, 24);
  EXPECT_EQ(image.Stride(), 12u);
  EXPECT_EQ(image.BitsOffset, 54u);
  EXPECT_EQ(image.BitsSize, 24u);
  EXPECT_TRUE(image.Colors.empty());
}

TEST(Bmpfile, CoreHeaderTripleTableIsWidened) {
  BmpLayout s;
  s.headerSize = 12;
  s.width = 2;
  s.height = 2;
  s.bitCount = 4;
  for (uint32_t i = 0; i < 16; ++i) s.colors.push_back(i * 0x010203);
  s.bits = Rows({{0x12}, {0x34}});
  const TBmpImage image = Parse(MakeBmp(s));
  EXPECT_EQ(image.HeaderSize, 12u);
  ASSERT_EQ(image.Colors.size(), 16u);
  EXPECT_EQ(image.Colors[5], 5u * 0x010203);
  EXPECT_EQ(image.BitsOffset, 14u + 12 + 16 * 3);
}

TEST(Bmpfile, TopDownShortTableAndLargerHeadersWithMasks) {
  BmpLayout s;
  s.width = 2;
  s.height = -2;
  s.bitCount = 8;
  s.colorsUsed = 3;
  s.colors = {1, 2, 3};
  s.bits = Rows({{0, 1}, {2, 0}});
  TBmpImage image = Parse(MakeBmp(s));
  EXPECT_TRUE(image.TopDown);
  EXPECT_EQ(image.Height, 2);
  EXPECT_EQ(image.Colors, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(image.BitsOffset, 54u + 12);

  for (uint32_t header : {40u, 108u, 124u}) {
    BmpLayout b;
    b.headerSize = header;
    b.width = 2;
    b.height = 1;
    b.bitCount = 16;
    b.compression = bmpBitfields;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.bits = Rows({{1, 2, 3, 4}});
    image = Parse(MakeBmp(b));
    EXPECT_EQ(image.Masks[0], 0xF800u) << header;
    EXPECT_EQ(image.Masks[2], 0x001Fu) << header;
    EXPECT_EQ(image.BitsOffset, 14u + header + (header == 40 ? 12 : 0)) << header;
  }
  // Without bitfields the platform's 5-5-5 and 8-8-8.
  BmpLayout plain;
  plain.headerSize = 124;
  plain.bitCount = 32;
  plain.bits = {1, 2, 3, 4};
  image = Parse(MakeBmp(plain));
  EXPECT_EQ(image.Masks[0], 0xFF0000u);
}

TEST(Bmpfile, MalformedHeadersAreRefused) {
  BmpLayout good;
  good.width = 2;
  good.height = 2;
  good.bitCount = 8;
  good.colorsUsed = 2;
  good.colors = {0, 0xFFFFFF};
  good.bits = Rows({{0, 1}, {1, 0}});
  ASSERT_NO_THROW(Parse(MakeBmp(good)));
  auto refused = [&](auto change) {
    BmpLayout s = good;
    change(s);
    return MakeBmp(s);
  };
  std::vector<std::vector<uint8_t>> bad = {
      refused([](BmpLayout& s) { s.bitCount = 3; }),
      refused([](BmpLayout& s) { s.width = 0; }),
      refused([](BmpLayout& s) { s.height = 0; }),
      refused([](BmpLayout& s) { s.width = -2; }),
      refused([](BmpLayout& s) { s.headerSize = 20; }),
      refused([](BmpLayout& s) { s.compression = 4; }),  // JPEG
      refused([](BmpLayout& s) { s.compression = bmpRle4; }),  // 8 bits
      refused([](BmpLayout& s) { s.compression = bmpBitfields; }),
      refused([](BmpLayout& s) { s.colorsUsed = 257; }),
      refused([](BmpLayout& s) { s.offBitsDelta = -4; }),  // inside the table
      refused([](BmpLayout& s) { s.offBitsDelta = 100; }),
      refused([](BmpLayout& s) { s.width = 0x7FFFFFFF; }),
      refused([](BmpLayout& s) { s.width = 40000, s.height = 40000; }),
      refused([](BmpLayout& s) { s.height = -2, s.compression = bmpRle8, s.bits = {0, 1}; }),
  };
  std::vector<uint8_t> noSignature = MakeBmp(good);
  noSignature[1] = 'A';
  bad.push_back(noSignature);
  std::vector<uint8_t> planes = MakeBmp(good);
  planes[26] = 2;
  bad.push_back(planes);
  BmpLayout masks;
  masks.bitCount = 16;
  masks.compression = bmpBitfields;
  masks.bits = {0, 0, 0, 0};
  for (auto m : std::vector<std::vector<uint32_t>>{
           {0xF800, 0x0FE0, 0x001F}, {0xF800, 0x07E0, 0}, {0xF801, 0x07E0, 0x1E}, {0xF80000, 0xE0, 0x1F}}) {
    masks.masks = m;
    bad.push_back(MakeBmp(masks));
  }
  for (size_t i = 0; i < bad.size(); ++i) {
    EXPECT_THROW(Parse(bad[i]), EInvalidGraphic) << i;
  }
}

TEST(Bmpfile, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
  BmpLayout core;
  core.headerSize = 12;
  core.width = 3;
  core.height = 2;
  core.bitCount = 1;
  core.colors = {0, 0xFFFFFF};
  core.bits = Rows({{0xA0}, {0x40}});
  BmpLayout v5;
  v5.headerSize = 124;
  v5.width = 3;
  v5.height = 2;
  v5.bitCount = 32;
  v5.compression = bmpBitfields;
  v5.masks = {0xFF0000, 0xFF00, 0xFF};
  v5.bits.assign(24, 7);
  const BmpLayout rle = Rle8({3, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 1});
  for (const BmpLayout& s : {core, v5, rle}) {
    const std::vector<uint8_t> file = MakeBmp(s);
    ASSERT_NO_THROW(Parse(file));
    for (size_t n = 0; n < file.size(); ++n) {
      // A copy of exactly n bytes: the sanitizers see any read beyond.
      const std::vector<uint8_t> part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_THROW(
          {
            const TBmpImage image = ParseBmp(part.data(), part.size());
            if (image.Compression == bmpRle8) DecodeBmpRle(image, part.data(), part.size());
          },
          EInvalidGraphic)
          << n;
    }
  }
}

TEST(Bmpfile, Rle8RunsLiteralsLinesAndDeltas) {
  // Row 0: 3 x index 1, then literal 2 3 1 (odd: padded); row 1: delta to
  // (2, 2); row 2: 2 x index 3, end.
  const std::vector<uint8_t> stream = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1};
  const std::vector<uint8_t> rows = Decode(MakeBmp(Rle8(stream)));
  const std::vector<uint8_t> expected = Rows({{1, 1, 1, 2, 3, 1}, {0, 0, 0, 0, 0, 0},
                                             {0, 0, 3, 3, 0, 0}});
  EXPECT_EQ(rows, expected);
}

TEST(Bmpfile, Rle4NibblesAlternate) {
  BmpLayout s = Rle8({5, 0x12, 0, 3, 0x34, 0x50, 0, 1}, 8, 1);
  s.bitCount = 4;
  s.compression = bmpRle4;
  const std::vector<uint8_t> rows = Decode(MakeBmp(s));
  // 1 2 1 2 1, then literal 3 4 5.
  EXPECT_EQ(rows, Rows({{0x12, 0x12, 0x13, 0x45}}));
}

TEST(Bmpfile, RleStreamsThatLeaveThePictureAreRefused) {
  const std::vector<std::vector<uint8_t>> bad = {
      {7, 1, 0, 1},                    // run longer than the row
      {0, 7, 1, 2, 3, 4, 5, 6, 7, 0},  // literal longer than the row
      {0, 0, 0, 0, 0, 0, 0, 0, 1, 1},  // past the last row
      {0, 2, 7, 0, 0, 1},              // delta past the row
      {0, 2, 0, 4, 0, 1},              // delta past the picture
      {0, 4, 1, 2},                    // literal past the data
      {2, 1},                          // no end mark
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    EXPECT_THROW(Decode(MakeBmp(Rle8(bad[i]))), EInvalidGraphic) << i;
  }
  // A size field larger than the file.
  BmpLayout s = Rle8({0, 1});
  s.sizeImage = 10;
  EXPECT_THROW(Parse(MakeBmp(s)), EInvalidGraphic);
}

TEST(Bmpfile, HeadersMadeForSavingReadBack) {
  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  std::vector<uint8_t> file = MakeBmpHeaders(5, 3, 16, {}, masks);
  EXPECT_EQ(file.size(), 14u + 40 + 12);
  file.resize(file.size() + 3 * 12);
  TBmpImage image = Parse(file);
  EXPECT_EQ(image.Compression, bmpBitfields);
  EXPECT_EQ(image.Masks[1], 0x07E0u);
  EXPECT_EQ(image.BitsSize, 36u);

  file = MakeBmpHeaders(9, 2, 4, {0x112233, 0x445566, 0x778899});
  EXPECT_EQ(file[10], 14 + 40 + 12);  // bfOffBits
  file.resize(file.size() + 2 * 8);
  image = Parse(file);
  EXPECT_EQ(image.Colors, (std::vector<uint32_t>{0x112233, 0x445566, 0x778899}));
  EXPECT_EQ(image.Width, 9);
}
