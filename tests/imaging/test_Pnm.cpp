#include "lib/imaging/plugins/Pnm.h"

#include "tests/helpers/PictureFiles.h"
#include "tests/imaging/SpiPixels.h"

#include <gtest/gtest.h>

namespace {

kxSpiStatus Decode(const std::string& file, kxSpiPicture& picture, bool infoOnly = false) {
  return DecodePnm(reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture, infoOnly);
}

uint32_t Grey(uint32_t rgb) { return (rgb >> 16) * 0x010101u; }
uint32_t Black(uint32_t rgb) { return (rgb >> 16) < 128 ? 0x000000 : 0xFFFFFF; }

}  // namespace

TEST(Pnm, RecognisesTheSixKinds) {
  for (const char* head : {"P1\n", "P2 ", "P3#", "P4\t", "P5\r", "P6\n"}) {
    EXPECT_TRUE(IsPnmHead(reinterpret_cast<const uint8_t*>(head), 3)) << head;
  }
  for (const char* head : {"P7\n", "P0\n", "p6\n", "P61", "GIF"}) {
    EXPECT_FALSE(IsPnmHead(reinterpret_cast<const uint8_t*>(head), 3)) << head;
  }
  EXPECT_FALSE(IsPnmHead(reinterpret_cast<const uint8_t*>("P6"), 2));
}

TEST(Pnm, PixmapsRawAndPlainTo24Bits) {
  const TestImage image = SampleImage(7, 5);
  for (int kind : {3, 6}) {
    kxSpiPicture p;
    ASSERT_EQ(Decode(PnmFile(kind, image, 255, "made by the tests"), p), psOk) << kind;
    EXPECT_EQ(p.Width, 7);
    EXPECT_EQ(p.Height, 5);
    EXPECT_EQ(p.BitCount, 24);
    EXPECT_EQ(p.SourceDepth, 24);
    EXPECT_EQ(p.Text, "made by the tests");
    EXPECT_EQ(p.Bits.size(), p.Stride() * 5);
    EXPECT_EQ(p.Stride(), 24u);  // 21 bytes padded to 24
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) EXPECT_EQ(PixelOf(p, x, y), image.At(x, y)) << kind << " " << x << "," << y;
  }
}

TEST(Pnm, GreymapsWithATableAndScaledSamples) {
  const TestImage image = SampleImage(5, 3);
  for (int kind : {2, 5}) {
    for (int maxval : {255, 1000, 65535}) {
      kxSpiPicture p;
      ASSERT_EQ(Decode(PnmFile(kind, image, maxval), p), psOk) << kind << " " << maxval;
      EXPECT_EQ(p.BitCount, 8);
      EXPECT_EQ(p.SourceDepth, maxval > 255 ? 16 : 8);
      ASSERT_EQ(p.Colors.size(), 256u);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
          // Scaling to maxval and back may be one step off.
          const int want = static_cast<int>(image.At(x, y) >> 16);
          const int got = static_cast<int>(PixelOf(p, x, y) & 0xFF);
          EXPECT_LE(std::abs(want - got), maxval == 255 ? 0 : 1) << kind << " " << maxval;
          EXPECT_EQ(PixelOf(p, x, y), Grey(PixelOf(p, x, y)));
        }
    }
  }
}

TEST(Pnm, SixteenBitSamplesAreBigEndianAndScaled) {
  // A raw 2 x 1 pixmap at maxval 65535: 0xFFFF is 255, 0x8080 is 128.
  std::string file = "P6 2 1 65535\n";
  file += std::string("\xFF\xFF\x80\x80\x00\x00", 6);
  file += std::string("\x00\x00\x00\x00\xFF\xFF", 6);
  kxSpiPicture p;
  ASSERT_EQ(Decode(file, p), psOk);
  EXPECT_EQ(PixelOf(p, 0, 0), 0xFF8000u);
  EXPECT_EQ(PixelOf(p, 1, 0), 0x0000FFu);
}

TEST(Pnm, BitmapsToOneBitWithBlackAsIndexOne) {
  const TestImage image = SampleImage(11, 4);  // 11: a partial last byte
  for (int kind : {1, 4}) {
    kxSpiPicture p;
    ASSERT_EQ(Decode(PnmFile(kind, image), p), psOk) << kind;
    EXPECT_EQ(p.BitCount, 1);
    EXPECT_EQ(p.Colors, (std::vector<uint32_t>{0xFFFFFF, 0x000000}));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 11; ++x) EXPECT_EQ(PixelOf(p, x, y), Black(image.At(x, y))) << kind;
  }
  // Plain bitmaps may run their digits together; padding bits of raw ones
  // are dropped.
  kxSpiPicture plain;
  ASSERT_EQ(Decode("P1 3 2 101\n010", plain), psOk);
  EXPECT_EQ(PixelOf(plain, 0, 0), 0u);
  EXPECT_EQ(PixelOf(plain, 1, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelOf(plain, 1, 1), 0u);
  kxSpiPicture raw;
  ASSERT_EQ(Decode(std::string("P4 3 1\n\xFF", 8), raw), psOk);
  EXPECT_EQ(raw.Row(0)[0], 0xE0);
}

TEST(Pnm, CommentsAnywhereInTheHeaderAreTheText) {
  kxSpiPicture p;
  ASSERT_EQ(Decode("P2 # one\n2 #two\n 1\n#   three\n255\n0 255\n", p), psOk);
  EXPECT_EQ(p.Text, "one\r\ntwo\r\nthree");
  EXPECT_EQ(PixelOf(p, 1, 0), 0xFFFFFFu);
}

TEST(Pnm, InfoOnlyReadsNoPixels) {
  kxSpiPicture p;
  ASSERT_EQ(Decode(PnmFile(6, SampleImage(9, 9)), p, true), psOk);
  EXPECT_EQ(p.Width, 9);
  EXPECT_TRUE(p.Bits.empty());
}

TEST(Pnm, HostileFilesAreRefused) {
  kxSpiPicture p;
  EXPECT_EQ(Decode("GIF89a", p), psUnknownFormat);
  EXPECT_EQ(Decode("", p), psUnknownFormat);
  EXPECT_EQ(Decode("P6 0 1 255\n", p), psBroken);
  EXPECT_EQ(Decode("P6 2 2 0\n", p), psBroken);
  EXPECT_EQ(Decode("P6 2 2 65536\n", p), psBroken);
  EXPECT_EQ(Decode("P6 99999999999 2 255\n", p), psBroken);
  EXPECT_EQ(Decode("P6 2 2 255", p), psBroken);  // no blank ends the header
  EXPECT_EQ(Decode("P6 x 2 255\n", p), psBroken);
  // Truncated rasters, raw and plain.
  const std::string full = PnmFile(6, SampleImage(4, 4));
  EXPECT_EQ(Decode(full.substr(0, full.size() - 1), p), psBroken);
  const std::string plain = PnmFile(3, SampleImage(4, 4));
  EXPECT_EQ(Decode(plain.substr(0, plain.size() - 8), p), psBroken);
  EXPECT_EQ(Decode("P1 2 2 1 0 1 2", p), psBroken);
  EXPECT_EQ(Decode("P3 1 1 255 1 2 x", p), psBroken);
  // Huge sizes: refused before anything is allocated.
  EXPECT_EQ(Decode("P6 100000 100000 255\n", p), psTooLarge);
  EXPECT_EQ(Decode("P4 2147483647 2147483647\n", p), psTooLarge);
  kxSpiPicture unread;
  EXPECT_EQ(Decode("P5 20000 10000 255\n", unread), psBroken);  // fits, but the data is not there
  EXPECT_TRUE(unread.Bits.empty());
}
