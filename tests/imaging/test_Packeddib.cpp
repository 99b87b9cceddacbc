#include "lib/imaging/Packeddib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
uint32_t Get32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// A packed DIB: header, `table` entries (and masks), `pixels` bytes; the
// header's fields as given.
std::vector<uint8_t> Dib(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                         uint32_t sizeImage, uint32_t clrUsed, size_t table, size_t pixels) {
  std::vector<uint8_t> b(40 + (compression == 3 ? 12 : 0) + 4 * table + pixels, 0x5A);
  Put32(b, 0, 40);
  Put32(b, 4, static_cast<uint32_t>(width));
  Put32(b, 8, static_cast<uint32_t>(height));
  b[12] = 1;
  b[13] = 0;
  b[14] = static_cast<uint8_t>(bits);
  b[15] = static_cast<uint8_t>(bits >> 8);
  Put32(b, 16, compression);
  Put32(b, 20, sizeImage);
  Put32(b, 24, 0);
  Put32(b, 28, 0);
  Put32(b, 32, clrUsed);
  Put32(b, 36, 0);
  return b;
}

bool Check(const std::vector<uint8_t>& b, kxPackedDib& out) { return CheckPackedDib(b.data(), b.size(), out); }

}  // namespace

TEST(PackedDib, EightBitsWithoutAColourCountHaveAFullTable) {
  // 3 x 2 at 8 bits: rows of 4 bytes.
  const auto b = Dib(3, 2, 8, 0, 8, 0, 256, 8);
  kxPackedDib d;
  ASSERT_TRUE(Check(b, d));
  EXPECT_EQ(d.BitCount, 8);
  EXPECT_EQ(d.Colors, 256u);
  EXPECT_EQ(d.DataOffset, 1078u);
  EXPECT_EQ(d.ImageSize, 8u);
  EXPECT_EQ(d.FileSize, 1086u);
  EXPECT_EQ(d.FileHeader[0], 'B');
  EXPECT_EQ(d.FileHeader[1], 'M');
  EXPECT_EQ(Get32(d.FileHeader + 2), 1086u);
  EXPECT_EQ(Get32(d.FileHeader + 6), 0u);
  EXPECT_EQ(Get32(d.FileHeader + 10), 1078u);
}

TEST(PackedDib, ColourCountsAndMasksPlaceThePixels) {
  kxPackedDib d;
  ASSERT_TRUE(Check(Dib(8, 1, 4, 0, 4, 5, 5, 4), d));
  EXPECT_EQ(d.Colors, 5u);
  EXPECT_EQ(d.DataOffset, 54u + 20u);
  ASSERT_TRUE(Check(Dib(2, 2, 16, 3, 8, 0, 0, 8), d));
  EXPECT_EQ(d.DataOffset, 66u);
  ASSERT_TRUE(Check(Dib(1, 1, 24, 0, 4, 0, 0, 4), d));
  EXPECT_EQ(d.Colors, 0u);
  EXPECT_EQ(d.DataOffset, 54u);
  // An optional table before 24-bit pixels.
  ASSERT_TRUE(Check(Dib(1, 1, 24, 0, 4, 2, 2, 4), d));
  EXPECT_EQ(d.DataOffset, 62u);
}

TEST(PackedDib, ANullImageSizeIsTheRowsSize) {
  kxPackedDib d;
  // 5 x 3 at 24 bits: rows of 16 bytes.
  ASSERT_TRUE(Check(Dib(5, 3, 24, 0, 0, 0, 0, 48), d));
  EXPECT_EQ(d.ImageSize, 48u);
  EXPECT_EQ(d.FileSize, 54u + 48u);
  // Top-down too.
  ASSERT_TRUE(Check(Dib(5, -3, 24, 0, 0, 0, 0, 48), d));
  EXPECT_EQ(d.ImageSize, 48u);
  // The rows must be there.
  EXPECT_FALSE(Check(Dib(5, 3, 24, 0, 0, 0, 0, 47), d));
  // Compressed pixels have no size of their own.
  EXPECT_FALSE(Check(Dib(4, 4, 8, 1, 0, 0, 256, 20), d));
}

TEST(PackedDib, SizesPastTheBlockFail) {
  kxPackedDib d;
  EXPECT_FALSE(Check(Dib(3, 2, 8, 0, 9, 0, 256, 8), d));
  EXPECT_FALSE(Check(Dib(3, 2, 8, 0, 0xFFFFFFFF, 0, 256, 8), d));
  // The table cut short.
  auto b = Dib(3, 2, 8, 0, 8, 0, 256, 8);
  b.resize(40 + 100);
  EXPECT_FALSE(Check(b, d));
  // More colours than the bits can index.
  EXPECT_FALSE(Check(Dib(3, 2, 8, 0, 8, 257, 257, 8), d));
  EXPECT_FALSE(Check(Dib(8, 1, 1, 0, 4, 3, 3, 4), d));
  // A table claimed at 24 bits that is not there.
  EXPECT_FALSE(Check(Dib(1, 1, 24, 0, 4, 0x40000000, 0, 4), d));
  // biSizeImage smaller than the rows.
  EXPECT_FALSE(Check(Dib(5, 3, 24, 0, 47, 0, 0, 48), d));
}

TEST(PackedDib, HugeDimensionsDoNotOverflow) {
  kxPackedDib d;
  EXPECT_FALSE(Check(Dib(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, 0, 0, 16), d));
  EXPECT_FALSE(Check(Dib(0x7FFFFFFF, -0x7FFFFFFF, 32, 0, 4, 0, 0, 16), d));
  EXPECT_FALSE(Check(Dib(1, static_cast<int32_t>(0x80000000), 32, 0, 0, 0, 0, 16), d));
}

TEST(PackedDib, OnlyInfoHeadersOfKnownKinds) {
  kxPackedDib d;
  auto b = Dib(1, 1, 24, 0, 4, 0, 0, 4);
  Put32(b, 0, 12);
  EXPECT_FALSE(Check(b, d));
  Put32(b, 0, 108);
  EXPECT_FALSE(Check(b, d));
  EXPECT_FALSE(CheckPackedDib(b.data(), 39, d));
  EXPECT_FALSE(CheckPackedDib(nullptr, 100, d));
  EXPECT_FALSE(Check(Dib(0, 1, 24, 0, 4, 0, 0, 4), d));
  EXPECT_FALSE(Check(Dib(1, 0, 24, 0, 4, 0, 0, 4), d));
  EXPECT_FALSE(Check(Dib(1, 1, 7, 0, 4, 0, 0, 4), d));
  auto planes = Dib(1, 1, 24, 0, 4, 0, 0, 4);
  planes[12] = 2;
  EXPECT_FALSE(Check(planes, d));
  // Compression that does not fit the depth, or unknown.
  EXPECT_FALSE(Check(Dib(4, 4, 24, 1, 8, 0, 0, 8), d));
  EXPECT_FALSE(Check(Dib(4, 4, 8, 2, 8, 0, 256, 8), d));
  EXPECT_FALSE(Check(Dib(4, 4, 24, 3, 64, 0, 0, 64), d));
  EXPECT_FALSE(Check(Dib(4, 4, 24, 4, 64, 0, 0, 64), d));
  // Top-down compressed pixels do not exist.
  EXPECT_FALSE(Check(Dib(4, -4, 8, 1, 8, 0, 256, 8), d));
  ASSERT_TRUE(Check(Dib(4, 4, 8, 1, 8, 0, 256, 8), d));
  EXPECT_EQ(d.ImageSize, 8u);
}

TEST(PackedDib, AFailedCheckLeavesNothingBehind) {
  kxPackedDib d;
  ASSERT_TRUE(Check(Dib(1, 1, 24, 0, 4, 0, 0, 4), d));
  EXPECT_FALSE(Check(Dib(1, 1, 24, 0, 5, 0, 0, 4), d));
  EXPECT_EQ(d.FileSize, 0u);
  EXPECT_EQ(d.FileHeader[0], 0);
}
