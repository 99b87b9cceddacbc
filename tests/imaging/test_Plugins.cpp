// The project's plug-ins as a host sees them: real DLLs loaded with
// LoadLibrary, called through their five exports on real files and on
// pictures in memory.
#include "lib/imaging/Spiapi.h"

#include "framework/Handle.h"
#include "tests/helpers/PictureFiles.h"
#include "tests/helpers/TempDir.h"
#include "tests/imaging/SpiFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

template <class Fn>
Fn Proc(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class Plugin {
public:
  explicit Plugin(const String& name) : module_(LoadLibraryA((PluginDir() + "\\" + name).c_str())) {
    if (!module_) return;
    info = Proc<SpiGetPluginInfoFn>(module_, "GetPluginInfo");
    supported = Proc<SpiIsSupportedFn>(module_, "IsSupported");
    pictureInfo = Proc<SpiGetPictureInfoFn>(module_, "GetPictureInfo");
    picture = Proc<SpiGetPictureFn>(module_, "GetPicture");
    preview = Proc<SpiGetPictureFn>(module_, "GetPreview");
  }
  ~Plugin() {
    if (module_) FreeLibrary(module_);
  }
  bool Loaded() const { return module_ && info && supported && pictureInfo && picture && preview; }
  std::string Info(int n) {
    char buffer[81] = {};
    const int length = info(n, buffer, 80);
    EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
    return buffer;
  }

  SpiGetPluginInfoFn info = nullptr;
  SpiIsSupportedFn supported = nullptr;
  SpiGetPictureInfoFn pictureInfo = nullptr;
  SpiGetPictureFn picture = nullptr;
  SpiGetPictureFn preview = nullptr;

private:
  HMODULE module_;
};

// The picture handed over: header fields and the colour of each pixel.
struct Received {
  BITMAPINFOHEADER header{};
  std::vector<uint32_t> table;
  std::vector<uint8_t> bits;
  uint32_t At(int x, int y) const {
    const int row = header.biHeight - 1 - y;
    const size_t stride = (size_t(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    const uint8_t* p = bits.data() + row * stride;
    if (header.biBitCount == 8) return table[p[x]] & 0xFFFFFF;
    const uint8_t* q = p + x * (header.biBitCount / 8);
    return uint32_t{q[2]} << 16 | uint32_t{q[1]} << 8 | q[0];
  }
};

// Takes over and frees the two blocks.
Received Take(HLOCAL info, HLOCAL bits) {
  UniqueLocal a(info), b(bits);
  Received r;
  LocalLockScope li(info), lb(bits);
  EXPECT_GE(li.Size(), sizeof r.header);
  std::memcpy(&r.header, li.Memory(), sizeof r.header);
  const size_t entries = r.header.biClrUsed;
  EXPECT_GE(li.Size(), sizeof r.header + 4 * entries);
  r.table.resize(entries);
  std::memcpy(r.table.data(), static_cast<uint8_t*>(li.Memory()) + sizeof r.header, 4 * entries);
  EXPECT_GE(lb.Size(), r.header.biSizeImage);
  const uint8_t* p = static_cast<uint8_t*>(lb.Memory());
  r.bits.assign(p, p + r.header.biSizeImage);
  return r;
}

void ExpectImage(const Received& r, const TestImage& image, uint32_t (*expected)(uint32_t)) {
  ASSERT_EQ(r.header.biSize, 40u);
  ASSERT_EQ(r.header.biWidth, image.Width);
  ASSERT_EQ(r.header.biHeight, image.Height);
  EXPECT_EQ(r.header.biPlanes, 1);
  EXPECT_EQ(r.header.biCompression, uint32_t{BI_RGB});
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x)
      ASSERT_EQ(r.At(x, y), expected(image.At(x, y))) << x << "," << y;
}

uint32_t Same(uint32_t c) { return c; }

int WINAPI Stop(int, int, SpiData) { return 1; }

}  // namespace

TEST(Plugins, NetpbmPluginAnswersTheInterface) {
  Plugin pnm("IFPNM.SPI");
  ASSERT_TRUE(pnm.Loaded()) << "all five exports under their published names";
  EXPECT_EQ(pnm.Info(0), "00IN");
  EXPECT_FALSE(pnm.Info(1).empty());
  EXPECT_EQ(pnm.Info(2), "*.PNM;*.PBM;*.PGM;*.PPM");
  EXPECT_EQ(pnm.Info(3), "Netpbm");
  char small[4];
  EXPECT_EQ(pnm.info(0, small, 3), 2);  // cut to the buffer, terminated
  EXPECT_STREQ(small, "00");
  EXPECT_EQ(pnm.info(4, small, 4), 0);
  EXPECT_EQ(pnm.info(-1, small, 4), 0);

  TempDir dir;
  const TestImage image = SampleImage(6, 4);
  const std::string bytes = PnmFile(6, image, 255, "a comment");
  // Behind 100 bytes of something else: the offset argument.
  const String path = dir / "picture.ppm";
  ASSERT_TRUE(WriteFileBytes(path, std::string(100, 'x') + bytes));
  const String plain = dir / "plain.ppm";
  ASSERT_TRUE(WriteFileBytes(plain, bytes));

  {
    // IsSupported with a file handle, read where it stands and put back.
    UniqueHandle file(CreateFileA(plain.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(pnm.supported(plain.c_str(), reinterpret_cast<SpiSource>(file.get())), 1);
    EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 0u);
    char head[spiHeadSize] = {};
    std::memcpy(head, bytes.data(), std::min(bytes.size(), sizeof head));
    EXPECT_EQ(pnm.supported("x.ppm", reinterpret_cast<SpiSource>(head)), 1);
    std::memcpy(head, "GIF89a", 6);
    EXPECT_EQ(pnm.supported("x.ppm", reinterpret_cast<SpiSource>(head)), 0);
  }

  SpiPictureInfo info{};
  ASSERT_EQ(pnm.pictureInfo(path.c_str(), 100, spiSourceFile, &info), spiSuccess);
  EXPECT_EQ(info.width, 6);
  EXPECT_EQ(info.height, 4);
  EXPECT_EQ(info.colorDepth, 24);
  ASSERT_NE(info.hInfo, nullptr);
  {
    UniqueLocal text(info.hInfo);
    LocalLockScope lock(text.get());
    EXPECT_STREQ(static_cast<const char*>(lock.Memory()), "a comment");
  }
  info = SpiPictureInfo{};
  ASSERT_EQ(pnm.pictureInfo(bytes.data(), SpiLength(bytes.size()), spiSourceMemory, &info), spiSuccess);
  EXPECT_EQ(info.width, 6);
  LocalFree(info.hInfo);

  HLOCAL a = nullptr, b = nullptr;
  ASSERT_EQ(pnm.picture(path.c_str(), 100, spiSourceFile, &a, &b, nullptr, 0), spiSuccess);
  ExpectImage(Take(a, b), image, Same);
  ASSERT_EQ(pnm.picture(bytes.data(), SpiLength(bytes.size()), spiSourceMemory, &a, &b, nullptr, 0),
            spiSuccess);
  ExpectImage(Take(a, b), image, Same);
  EXPECT_EQ(pnm.preview(path.c_str(), 100, spiSourceFile, &a, &b, nullptr, 0), spiNotImplemented);
  EXPECT_EQ(pnm.picture(plain.c_str(), 0, spiSourceFile, &a, &b, Stop, 0), spiAborted);
  EXPECT_EQ(a, nullptr);
}

TEST(Plugins, NetpbmPluginRefusesHostileInput) {
  Plugin pnm("IFPNM.SPI");
  ASSERT_TRUE(pnm.Loaded());
  TempDir dir;
  const std::string bytes = PnmFile(5, SampleImage(20, 20));
  const String cut = dir / "cut.pgm", huge = dir / "huge.ppm", other = dir / "other.gif";
  ASSERT_TRUE(WriteFileBytes(cut, bytes.substr(0, bytes.size() - 1)));
  ASSERT_TRUE(WriteFileBytes(huge, "P6 65535 65535 255\n"));
  ASSERT_TRUE(WriteFileBytes(other, "GIF89a......"));
  HLOCAL a = nullptr, b = nullptr;
  EXPECT_EQ(pnm.picture(cut.c_str(), 0, spiSourceFile, &a, &b, nullptr, 0), spiBrokenData);
  EXPECT_EQ(pnm.picture(huge.c_str(), 0, spiSourceFile, &a, &b, nullptr, 0), spiNoMemory);
  EXPECT_EQ(pnm.picture(other.c_str(), 0, spiSourceFile, &a, &b, nullptr, 0), spiUnknownFormat);
  EXPECT_EQ(pnm.picture((dir / "none.ppm").c_str(), 0, spiSourceFile, &a, &b, nullptr, 0), spiReadError);
  EXPECT_EQ(pnm.picture(cut.c_str(), 1 << 20, spiSourceFile, &a, &b, nullptr, 0), spiBrokenData);
  EXPECT_EQ(pnm.picture(bytes.data(), 0, spiSourceMemory, &a, &b, nullptr, 0), spiBrokenData);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b, nullptr);
  SpiPictureInfo info{};
  EXPECT_EQ(pnm.pictureInfo(huge.c_str(), 0, spiSourceFile, &info), spiNoMemory);
}

TEST(Plugins, TgaPluginAnswersTheInterface) {
  Plugin tga("IFTGA.SPI");
  ASSERT_TRUE(tga.Loaded());
  EXPECT_EQ(tga.Info(0), "00IN");
  EXPECT_EQ(tga.Info(2), "*.TGA;*.VDA;*.ICB;*.VST");
  EXPECT_EQ(tga.Info(3), "Truevision TGA");
  EXPECT_EQ(tga.Info(4), "");

  TempDir dir;
  const TestImage image = SampleImage(9, 5);
  TgaOptions o;
  o.Type = 9, o.Depth = 8, o.Id = "tga id";
  const std::string mapped = TgaFile(image, o);
  const String path = dir / "mapped.tga";
  ASSERT_TRUE(WriteFileBytes(path, mapped));
  {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(tga.supported(path.c_str(), reinterpret_cast<SpiSource>(file.get())), 1);
  }
  SpiPictureInfo info{};
  ASSERT_EQ(tga.pictureInfo(path.c_str(), 0, spiSourceFile, &info), spiSuccess);
  EXPECT_EQ(info.width, 9);
  EXPECT_EQ(info.colorDepth, 8);
  {
    UniqueLocal text(info.hInfo);
    LocalLockScope lock(text.get());
    ASSERT_NE(lock.Memory(), nullptr);
    EXPECT_STREQ(static_cast<const char*>(lock.Memory()), "tga id");
  }
  HLOCAL a = nullptr, b = nullptr;
  ASSERT_EQ(tga.picture(path.c_str(), 0, spiSourceFile, &a, &b, nullptr, 0), spiSuccess);
  Received r = Take(a, b);
  EXPECT_EQ(r.header.biBitCount, 8);
  EXPECT_EQ(r.header.biClrUsed, 256u);
  ExpectImage(r, image, Same);

  o = TgaOptions();
  o.Type = 10, o.Depth = 32, o.TopDown = true;
  const std::string rgba = TgaFile(image, o);
  ASSERT_EQ(tga.picture(rgba.data(), SpiLength(rgba.size()), spiSourceMemory, &a, &b, nullptr, 0),
            spiSuccess);
  r = Take(a, b);
  EXPECT_EQ(r.header.biBitCount, 32);
  ExpectImage(r, image, Same);
  EXPECT_EQ(tga.preview(rgba.data(), SpiLength(rgba.size()), spiSourceMemory, &a, &b, nullptr, 0),
            spiNotImplemented);

  // Truncated, and a picture too large to hand over.
  EXPECT_EQ(tga.picture(rgba.data(), SpiLength(rgba.size() - 3), spiSourceMemory, &a, &b, nullptr, 0),
            spiBrokenData);
  std::string huge = rgba;
  huge[12] = huge[13] = huge[14] = huge[15] = char(0xFF);
  EXPECT_EQ(tga.picture(huge.data(), SpiLength(huge.size()), spiSourceMemory, &a, &b, nullptr, 0),
            spiNoMemory);
  EXPECT_EQ(a, nullptr);
  char head[spiHeadSize] = {};
  EXPECT_EQ(tga.supported("zero.tga", reinterpret_cast<SpiSource>(head)), 0);
}
