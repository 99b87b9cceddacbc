#include "lib/imaging/Susiedata.h"

#include "framework/Bmpfile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// A 40-byte info header and room for extra bytes after it.
std::vector<uint8_t> Info(int32_t width, int32_t height, uint16_t bits, uint32_t sizeImage,
                          uint32_t compression = 0, uint32_t colorsUsed = 0, size_t extra = 0) {
  std::vector<uint8_t> h(40 + extra, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&h[at], &v, 4); };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  h[12] = 1;
  h[14] = static_cast<uint8_t>(bits);
  put32(16, compression);
  put32(20, sizeImage);
  put32(32, colorsUsed);
  return h;
}

bool Present(const std::vector<uint8_t>& info, size_t bits, kxPresentedDib& dib) {
  return PresentDib(info.data(), info.size(), bits, dib);
}

}  // namespace

TEST(PresentDib, DataOffsetsFollowTheTable) {
  kxPresentedDib dib;
  // 8 bits, biClrUsed 0: a 256-entry table, pixels at 1,078.
  ASSERT_TRUE(Present(Info(4, 2, 8, 8, 0, 0, 1024), 8, dib));
  EXPECT_EQ(dib.Header.size(), 1078u);
  EXPECT_EQ(dib.Colors, 256u);
  EXPECT_EQ(dib.ImageSize, 8u);
  EXPECT_EQ(dib.Header[0], 'B');
  EXPECT_EQ(dib.Header[1], 'M');
  EXPECT_EQ(U32(&dib.Header[2]), 1086u);  // bfSize: the whole presented file
  EXPECT_EQ(U32(&dib.Header[6]), 0u);
  EXPECT_EQ(U32(&dib.Header[10]), 1078u);
  // 24 bits: 54; BI_BITFIELDS: 12 more; biClrUsed 5 at 4 bits: 5 entries.
  ASSERT_TRUE(Present(Info(3, 2, 24, 24), 24, dib));
  EXPECT_EQ(dib.Header.size(), 54u);
  ASSERT_TRUE(Present(Info(2, 1, 16, 4, 3, 0, 12), 4, dib));
  EXPECT_EQ(dib.Header.size(), 66u);
  ASSERT_TRUE(Present(Info(2, 1, 4, 4, 0, 5, 20), 4, dib));
  EXPECT_EQ(dib.Header.size(), 74u);
}

TEST(PresentDib, SizeImageZeroIsComputedForRowsAndTheBlockForRle) {
  kxPresentedDib dib;
  ASSERT_TRUE(Present(Info(3, -2, 24, 0), 100, dib));
  EXPECT_EQ(dib.ImageSize, 24u);  // rows of 9 bytes padded to 12, two of them
  ASSERT_TRUE(Present(Info(4, 2, 8, 0, 1, 2, 8), 37, dib));
  EXPECT_EQ(dib.ImageSize, 37u);
  EXPECT_FALSE(Present(Info(3, 2, 24, 0), 23, dib)) << "one byte short";
  EXPECT_FALSE(Present(Info(0, 2, 24, 0), 100, dib));
  EXPECT_FALSE(Present(Info(3, 0, 24, 0), 100, dib));
  EXPECT_FALSE(Present(Info(0x7FFFFFFF, 0x7FFFFFFF, 32, 0), 100, dib));
  EXPECT_FALSE(Present(Info(3, INT32_MIN, 24, 0), 100, dib));
}

TEST(PresentDib, ClaimsBeyondTheBlocksAreRefused) {
  kxPresentedDib dib;
  ASSERT_TRUE(Present(Info(4, 2, 8, 8, 0, 0, 1024), 8, dib));
  const size_t before = dib.Header.size();
  EXPECT_FALSE(Present(Info(3, 2, 24, 1000000), 24, dib)) << "biSizeImage past the pixels";
  EXPECT_FALSE(Present(Info(4, 2, 8, 8, 0, 200, 16), 8, dib)) << "table past the header block";
  EXPECT_FALSE(Present(Info(4, 2, 8, 8, 0, 0, 1020), 8, dib)) << "default table one entry short";
  EXPECT_FALSE(Present(Info(2, 1, 16, 4, 3, 0, 8), 4, dib)) << "masks past the block";
  EXPECT_FALSE(Present(Info(4, 2, 8, 8, 0, 300, 1200), 8, dib)) << "300 colours at 8 bits";
  std::vector<uint8_t> core = Info(2, 1, 24, 8);
  core[0] = 12;
  EXPECT_FALSE(Present(core, 8, dib)) << "core header";
  std::vector<uint8_t> v5 = Info(2, 1, 24, 8, 0, 0, 84);
  v5[0] = 124;
  EXPECT_FALSE(Present(v5, 8, dib)) << "larger header";
  EXPECT_FALSE(PresentDib(Info(2, 1, 24, 8).data(), 39, 8, dib));
  EXPECT_FALSE(PresentDib(nullptr, 100, 8, dib));
  EXPECT_FALSE(Present(Info(1, 1, 24, 0x7FFFFFF0), 0x7FFFFFF0, dib)) << "2 GB";
  EXPECT_EQ(dib.Header.size(), before) << "left alone";
}

TEST(PresentDib, AHintTableAbove256EntriesIsLeftOut) {
  kxPresentedDib dib;
  ASSERT_TRUE(Present(Info(2, 1, 24, 0, 0, 300), 8, dib));
  EXPECT_EQ(dib.Colors, 0u);
  EXPECT_EQ(dib.Header.size(), 54u);
  EXPECT_EQ(U32(&dib.Header[14 + 32]), 0u) << "biClrUsed of the presented header";
}

TEST(ReadPresentedDib, HeaderThenPixelsNeverPastTheEnd) {
  std::vector<uint8_t> info = Info(3, 2, 24, 0);
  const uint8_t bits[32] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                            1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0xEE, 0xEE};
  kxPresentedDib dib;
  ASSERT_TRUE(PresentDib(info.data(), info.size(), sizeof bits, dib));
  ASSERT_EQ(dib.Size(), 78u);
  // Read in odd pieces, across the border of header and pixels.
  std::vector<uint8_t> file(100, 0xCC);
  size_t at = 0;
  for (size_t piece : {5, 40, 13, 7, 50}) {
    at += ReadPresentedDib(dib, bits, at, file.data() + at, piece);
  }
  EXPECT_EQ(at, 78u);
  EXPECT_EQ(file[78], 0xCC);
  EXPECT_EQ(ReadPresentedDib(dib, bits, 78, file.data(), 10), 0u);
  EXPECT_EQ(ReadPresentedDib(dib, bits, 1000, file.data(), 10), 0u);
  EXPECT_EQ(ReadPresentedDib(dib, bits, 3, file.data(), 0), 0u);
  EXPECT_EQ(std::memcmp(file.data() + 54, bits, 24), 0);

  // The BMP reader takes the presented file as it is.
  const TBmpImage image = ParseBmp(file.data(), 78);
  EXPECT_EQ(image.Width, 3);
  EXPECT_EQ(image.Height, 2);
  EXPECT_EQ(image.BitsOffset, 54u);
}
