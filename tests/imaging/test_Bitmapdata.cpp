#include "lib/imaging/Bitmapdata.h"

#include "tests/framework/BmpBytes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The DIB part of a BMP file: everything after the 14-byte file header.
std::vector<uint8_t> Dib(const BmpLayout& s) {
  const std::vector<uint8_t> file = MakeBmp(s);
  return std::vector<uint8_t>(file.begin() + 14, file.end());
}

std::vector<uint32_t> Ramp(size_t n) {
  std::vector<uint32_t> colors;
  for (size_t i = 0; i < n; ++i) {
    colors.push_back(static_cast<uint32_t>(i * 0x010203 + 0x102030) & 0xFFFFFF);
  }
  return colors;
}

}  // namespace

// The listed cases go through DIBToPalette in the Windows tests; here the
// bounds, under the sanitizers.

TEST(DibColorTable, NoTableAboveEightBitsOrAtZero) {
  for (uint16_t bits : {0, 16, 24, 32}) {
    BmpLayout s;
    s.bitCount = bits;
    s.bits.assign(64, 0);
    std::vector<uint8_t> dib = Dib(s);
    std::vector<uint32_t> colors{1};
    EXPECT_FALSE(DibColorTable(dib.data(), dib.size(), colors)) << bits;
    EXPECT_TRUE(colors.empty());
  }
}

TEST(DibColorTable, OtherHeaderSizesHaveNone) {
  for (uint32_t size : {108u, 124u, 64u}) {
    BmpLayout s;
    s.headerSize = size;
    s.bitCount = 8;
    s.colors = Ramp(256);
    const std::vector<uint8_t> dib = Dib(s);
    std::vector<uint32_t> colors;
    EXPECT_FALSE(DibColorTable(dib.data(), dib.size(), colors)) << size;
  }
}

TEST(DibColorTable, NeverReadsPastTheBuffer) {
  BmpLayout s;
  s.bitCount = 8;
  s.colors = Ramp(256);
  std::vector<uint8_t> dib = Dib(s);
  std::vector<uint32_t> colors;
  // Each size copied to a block of its own, so a sanitizer sees any
  // byte read beyond it.
  for (size_t size : {size_t{0}, size_t{3}, size_t{39}, size_t{40}, size_t{40 + 1023}}) {
    std::vector<uint8_t> cut(dib.begin(), dib.begin() + static_cast<long>(size));
    EXPECT_FALSE(DibColorTable(cut.data(), cut.size(), colors)) << size;
  }
  std::vector<uint8_t> whole(dib.begin(), dib.begin() + 40 + 1024);
  EXPECT_TRUE(DibColorTable(whole.data(), whole.size(), colors));

  BmpLayout core;
  core.headerSize = 12;
  core.bitCount = 4;
  core.colors = Ramp(16);
  dib = Dib(core);
  for (size_t size : {size_t{11}, size_t{12 + 47}}) {
    std::vector<uint8_t> cut(dib.begin(), dib.begin() + static_cast<long>(size));
    EXPECT_FALSE(DibColorTable(cut.data(), cut.size(), colors)) << size;
  }
  std::vector<uint8_t> fits(dib.begin(), dib.begin() + 12 + 48);
  EXPECT_TRUE(DibColorTable(fits.data(), fits.size(), colors));
  EXPECT_FALSE(DibColorTable(nullptr, 100, colors));
}

TEST(DibColorTable, ColorsUsedAboveTheDepthIsCut) {
  BmpLayout s;
  s.bitCount = 8;
  s.colorsUsed = 300;
  s.colors = Ramp(300);
  std::vector<uint8_t> dib = Dib(s);
  std::vector<uint32_t> colors;
  ASSERT_TRUE(DibColorTable(dib.data(), dib.size(), colors));
  EXPECT_EQ(colors, Ramp(256));

  // A count far beyond anything the buffer holds is cut as well, so a
  // table of the depth's size is all that is read.
  s.colorsUsed = 0xFFFFFFFF;
  s.colors = Ramp(2);
  s.bitCount = 1;
  dib = Dib(s);
  ASSERT_TRUE(DibColorTable(dib.data(), dib.size(), colors));
  EXPECT_EQ(colors, Ramp(2));
}

TEST(BmpRowLength, PadsToFourBytes) {
  EXPECT_EQ(BmpRowLength(3, 24), 12u);
  EXPECT_EQ(BmpRowLength(1, 1), 4u);
  EXPECT_EQ(BmpRowLength(33, 1), 8u);
  EXPECT_EQ(BmpRowLength(9, 4), 8u);
  EXPECT_EQ(BmpRowLength(4, 8), 4u);
  EXPECT_EQ(BmpRowLength(5, 8), 8u);
  EXPECT_EQ(BmpRowLength(3, 16), 8u);
  EXPECT_EQ(BmpRowLength(3, 32), 12u);
  EXPECT_EQ(BmpRowLength(0, 24), 0u);
}

TEST(NearestColorIndex, ExactFirstThenNearestFirstOnTies) {
  const uint32_t table[] = {0x000000, 0xFFFFFF, 0x808080, 0x808080, 0x0000FF};
  EXPECT_EQ(NearestColorIndex(table, 5, 0x808080), 2);
  EXPECT_EQ(NearestColorIndex(table, 5, 0x0000FF), 4);
  EXPECT_EQ(NearestColorIndex(table, 5, 0x0000F0), 4);
  EXPECT_EQ(NearestColorIndex(table, 5, 0x7F7F7F), 2);
  EXPECT_EQ(NearestColorIndex(table, 5, 0xF0F0F0), 1);
  // As far from 0x101010 as from black, and from black as from 0x202020:
  // the first wins.
  const uint32_t tie[] = {0x101010, 0x000000, 0x202020};
  EXPECT_EQ(NearestColorIndex(tie, 3, 0x080808), 0);
  EXPECT_EQ(NearestColorIndex(tie + 1, 2, 0x101010), 0);
}
