#include "lib/imaging/plugins/Tga.h"

#include "tests/helpers/PictureFiles.h"
#include "tests/imaging/SpiPixels.h"

#include <gtest/gtest.h>

namespace {

kxSpiStatus Decode(const std::string& file, kxSpiPicture& picture, bool infoOnly = false) {
  return DecodeTga(reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture, infoOnly);
}

void ExpectPixels(kxSpiPicture& p, const TestImage& image, uint32_t (*expected)(uint32_t),
                  const std::string& what) {
  ASSERT_EQ(p.Width, image.Width) << what;
  ASSERT_EQ(p.Height, image.Height) << what;
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x)
      ASSERT_EQ(PixelOf(p, x, y), expected(image.At(x, y))) << what << " at " << x << "," << y;
}

uint32_t Same(uint32_t c) { return c; }
uint32_t Grey(uint32_t c) { return (c >> 16) * 0x010101u; }

}  // namespace

TEST(Tga, TrueColourInEveryDepthOrderAndEncoding) {
  const TestImage image = SampleImage(13, 6);  // runs cross the rows
  for (int type : {2, 10})
    for (int depth : {15, 16, 24, 32})
      for (bool top : {false, true})
        for (bool right : {false, true}) {
          TgaOptions o;
          o.Type = type, o.Depth = depth, o.TopDown = top, o.RightToLeft = right;
          const std::string what = "type " + std::to_string(type) + " depth " +
                                   std::to_string(depth) + (top ? " top" : " bottom") +
                                   (right ? " right" : " left");
          kxSpiPicture p;
          ASSERT_EQ(Decode(TgaFile(image, o), p), psOk) << what;
          EXPECT_EQ(p.SourceDepth, depth);
          EXPECT_EQ(p.BitCount, depth == 32 ? 32 : 24) << what;
          ExpectPixels(p, image, depth <= 16 ? Through555 : Same, what);
          if (depth == 32) {
            EXPECT_EQ(p.Row(0)[3], 0x80) << "alpha kept";
          }
        }
}

TEST(Tga, ColourMappedAndGreyTo8Bits) {
  const TestImage image = SampleImage(10, 4);
  for (int type : {1, 9})
    for (int entry : {16, 24, 32}) {
      TgaOptions o;
      o.Type = type, o.Depth = 8, o.MapEntry = entry, o.MapFirst = 3;
      kxSpiPicture p;
      ASSERT_EQ(Decode(TgaFile(image, o), p), psOk) << type << " " << entry;
      EXPECT_EQ(p.BitCount, 8);
      ASSERT_EQ(p.Colors.size(), 256u);
      EXPECT_EQ(p.Colors[0], 0u);  // before the map's first index
      EXPECT_EQ(p.Row(0)[0], 3) << "indices as stored";  // the first colour met
      ExpectPixels(p, image, entry == 16 ? Through555 : Same, "mapped");
    }
  for (int type : {3, 11}) {
    TgaOptions o;
    o.Type = type, o.Depth = 8, o.TopDown = true;
    kxSpiPicture p;
    ASSERT_EQ(Decode(TgaFile(image, o), p), psOk) << type;
    EXPECT_EQ(p.Colors.size(), 256u);
    ExpectPixels(p, image, Grey, "grey");
  }
}

TEST(Tga, IdentificationIsTheText) {
  TgaOptions o;
  o.Id = "scanned";
  kxSpiPicture p;
  ASSERT_EQ(Decode(TgaFile(SampleImage(2, 2), o), p, true), psOk);
  EXPECT_EQ(p.Text, "scanned");
  EXPECT_TRUE(p.Bits.empty());
}

TEST(Tga, HeadersThatMakeNoSenseAreNotTga) {
  std::string file = TgaFile(SampleImage(2, 2), TgaOptions());
  auto with = [&](size_t at, char value) {
    std::string f = file;
    f[at] = value;
    return IsTgaHead(reinterpret_cast<const uint8_t*>(f.data()), f.size());
  };
  EXPECT_TRUE(with(2, 2));
  EXPECT_FALSE(with(1, 2));    // colour map type
  EXPECT_FALSE(with(2, 4));    // image type
  EXPECT_FALSE(with(2, 1));    // mapped without a map
  EXPECT_FALSE(with(16, 12));  // depth
  EXPECT_FALSE(with(12, 0) && with(13, 0));
  EXPECT_FALSE(with(17, char(0x40)));  // interleaved
  EXPECT_FALSE(IsTgaHead(reinterpret_cast<const uint8_t*>(file.data()), 17));
  kxSpiPicture p;
  EXPECT_EQ(Decode("P6 1 1 255\n...", p), psUnknownFormat);
}

TEST(Tga, HostileFilesAreRefused) {
  kxSpiPicture p;
  const TestImage image = SampleImage(9, 9);
  for (int type : {2, 10, 1, 9}) {
    TgaOptions o;
    o.Type = type;
    o.Depth = type == 1 || type == 9 ? 8 : 24;
    o.Id = "id";
    const std::string file = TgaFile(image, o);
    for (size_t cut : {size_t(19), size_t(30), file.size() - 1}) {
      EXPECT_EQ(Decode(file.substr(0, cut), p), psBroken) << type << " cut at " << cut;
    }
  }
  // 65535 x 65535 at 32 bits: refused before anything is allocated; a size
  // that would fit is refused when its data is not there.
  TgaOptions o;
  o.Depth = 32;
  std::string huge = TgaFile(SampleImage(1, 1), o);
  huge[12] = huge[13] = huge[14] = huge[15] = char(0xFF);
  EXPECT_EQ(Decode(huge, p), psTooLarge);
  o.Type = 10;
  o.Depth = 24;
  std::string big = TgaFile(SampleImage(1, 1), o);
  big[12] = big[14] = char(0xFF);
  big[13] = big[15] = 0x1F;  // 8191 x 8191, RLE, 4 data bytes
  kxSpiPicture unread;
  EXPECT_EQ(Decode(big, unread), psBroken);
  EXPECT_TRUE(unread.Bits.empty());
}
