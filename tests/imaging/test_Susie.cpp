// The Susie host over real plug-ins: the project's own (netpbm and TGA)
// and the test plug-in, copied under the names that pick its answers.
#include "lib/imaging/Susie.h"

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

// The platform colour of 0x00RRGGBB.
TColor ToColor(uint32_t rgb) {
  return static_cast<TColor>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

void ExpectBitmap(TBitmap& bitmap, const TestImage& image, uint32_t (*expected)(uint32_t)) {
  ASSERT_EQ(bitmap.Width(), image.Width);
  ASSERT_EQ(bitmap.Height(), image.Height);
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x)
      ASSERT_EQ(bitmap.Canvas().Pixels(x, y), ToColor(expected(image.At(x, y)))) << x << "," << y;
}

uint32_t Same(uint32_t c) { return c; }
uint32_t Black(uint32_t c) { return (c >> 16) < 128 ? 0x000000 : 0xFFFFFF; }

class SusieTest : public ::testing::Test {
protected:
  // The test plug-in under name in folder sub of the temporary folder.
  String TestPlugin(const String& name, const String& sub = "t") {
    CreateDirectoryA((dir / sub).c_str(), nullptr);
    const String path = dir / (sub + "\\" + name);
    EXPECT_TRUE(CopyFileA((TestPluginDir() + "\\SPITEST.SPI").c_str(), path.c_str(), FALSE));
    return path;
  }
  // The project's plug-ins in their own folder.
  String ProductPlugins() {
    const String sub = dir / "p";
    CreateDirectoryA(sub.c_str(), nullptr);
    for (const char* name : {"IFPNM.SPI", "IFTGA.SPI"}) {
      EXPECT_TRUE(CopyFileA((PluginDir() + "\\" + name).c_str(), (sub + "\\" + name).c_str(), FALSE));
    }
    return sub;
  }
  String Picture(const String& name, const std::string& bytes) {
    const String path = dir / name;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }
  std::vector<String> Names(const kxvSusie& susie) {
    std::vector<String> names;
    for (kxvSPI* spi = susie.First(); spi; spi = spi->Next()) names.push_back(spi->SpiName());
    return names;
  }
  // A set the system directory's plug-ins, if it holds any, are taken out
  // of: what a test adds is then all there is.
  static void Empty(kxvSusie& susie) {
    while (susie.First()) ASSERT_TRUE(susie.DeleteSPI(susie.First()->SpiName()));
    ASSERT_EQ(susie.Count(), 0);
  }
  String LastCall(kxvSPI* spi) {
    auto last = Proc<int(WINAPI*)(LPSTR, int)>(spi->Module(), "SpiTestLastCall");
    char buffer[512] = {};
    if (last) last(buffer, sizeof buffer);
    return buffer;
  }

  TempDir dir;
};

}  // namespace

TEST_F(SusieTest, PluginsKeepByteOrderOfTheirNames) {
  kxvSusie susie;
  Empty(susie);
  EXPECT_TRUE(susie.AddSPI(TestPlugin("b.spi", "one")));
  EXPECT_TRUE(susie.AddSPI(TestPlugin("A.SPI", "one")));
  EXPECT_TRUE(susie.AddSPI(TestPlugin("a.spi", "two")));
  EXPECT_EQ(Names(susie), (std::vector<String>{"A.SPI", "a.spi", "b.spi"}));
  EXPECT_EQ(susie.Count(), 3);
  // The same name again, from elsewhere: true, nothing loaded.
  HMODULE loaded = susie.GetSPI("a.spi")->Module();
  EXPECT_TRUE(susie.AddSPI(TestPlugin("a.spi", "three")));
  EXPECT_EQ(susie.Count(), 3);
  EXPECT_EQ(susie.GetSPI("a.spi")->Module(), loaded);

  EXPECT_EQ(susie.GetSPI(0)->SpiName(), "A.SPI");
  EXPECT_EQ(susie.GetSPI(2)->SpiName(), "b.spi");
  EXPECT_EQ(susie.GetSPI(3), nullptr);
  EXPECT_EQ(susie.GetSPI(-1), nullptr);
  EXPECT_EQ(susie.GetSPI("B.SPI"), nullptr) << "names match exactly";
  EXPECT_TRUE(susie.DeleteSPI("A.SPI"));
  EXPECT_FALSE(susie.DeleteSPI("A.SPI"));
  EXPECT_EQ(Names(susie), (std::vector<String>{"a.spi", "b.spi"}));
  EXPECT_EQ(susie.Count(), 2);
}

TEST_F(SusieTest, FiltersOfPluginsAndOfTheSet) {
  kxvSPI jpeg(TestPlugin("JPEG.SPI"));
  ASSERT_TRUE(jpeg.Valid());
  EXPECT_EQ(jpeg.Filter(), "JPEG|*.JPG;*.JPEG|JFIF|*.JFI");
  EXPECT_EQ(jpeg.PluginType(), uint16_t('I' | 'N' << 8));
  EXPECT_EQ(jpeg.ApiVersion(), 0);
  EXPECT_EQ(jpeg.SpiName(), "JPEG.SPI");

  kxvSPI only(TestPlugin("ONLY0.SPI"));
  EXPECT_TRUE(only.Valid());
  EXPECT_EQ(only.Filter(), "");

  kxvSusie susie;
  Empty(susie);
  susie.SetPath(ProductPlugins());
  EXPECT_EQ(susie.Count(), 2);
  EXPECT_TRUE(susie.Enable());
  EXPECT_EQ(susie.GetFilter(),
            "Netpbm|*.PNM;*.PBM;*.PGM;*.PPM|Truevision TGA|*.TGA;*.VDA;*.ICB;*.VST");
  EXPECT_TRUE(susie.AddSPI(TestPlugin("ONLY0.SPI", "s")));
  EXPECT_TRUE(susie.AddSPI(TestPlugin("JPEG.SPI", "s")));
  // In name order, an empty filter joined like any other.
  EXPECT_EQ(susie.GetFilter(),
            "Netpbm|*.PNM;*.PBM;*.PGM;*.PPM|Truevision TGA|*.TGA;*.VDA;*.ICB;*.VST|"
            "JPEG|*.JPG;*.JPEG|JFIF|*.JFI|");
}

TEST_F(SusieTest, AnEmptySetStaysDisabled) {
  kxvSusie susie;
  Empty(susie);
  susie.SetEnable(true);
  EXPECT_FALSE(susie.Enable());
  EXPECT_EQ(susie.AddDirSPI(dir.Path()), 0);
  susie.SetPath(ProductPlugins());
  EXPECT_TRUE(susie.Enable());
  susie.SetEnable(false);
  EXPECT_FALSE(susie.Enable());
  // The folder's plug-ins again count as added.
  EXPECT_EQ(susie.AddDirSPI(dir / "p\\"), 2);
  EXPECT_EQ(susie.Count(), 2);
}

TEST_F(SusieTest, BrokenPluginInfoIsRefusedSafely) {
  // Entry 0 answered with a negative length, or not at all.
  kxvSPI negative(TestPlugin("NEG.SPI"));
  EXPECT_FALSE(negative.Valid());
  kxvSPI none(TestPlugin("NOINFO.SPI"));
  EXPECT_FALSE(none.Valid());
  EXPECT_NE(none.Module(), nullptr) << "the library stays loaded";
  EXPECT_TRUE(none.FreeSpi());
  EXPECT_EQ(none.Module(), nullptr);
  // No GetPluginInfo at all: unloaded.
  kxvSPI missing(TestPluginDir() + "\\NOGPI.SPI");
  EXPECT_FALSE(missing.Valid());
  EXPECT_EQ(missing.Module(), nullptr);
  // Not a library.
  const String text = Picture("TEXT.SPI", "not a library");
  kxvSPI notLibrary(text);
  EXPECT_FALSE(notLibrary.Valid());
  EXPECT_EQ(notLibrary.SpiName(), "TEXT.SPI");

  // Texts that fill the buffer without a terminator and claim more: the
  // buffer's 80 bytes are taken, nothing past them.
  kxvSPI unterminated(TestPlugin("NOTERM.SPI"));
  ASSERT_TRUE(unterminated.Valid());
  EXPECT_EQ(unterminated.PluginType(), uint16_t('I' | 'N' << 8));
  EXPECT_EQ(unterminated.Filter(), "NOTERM" + String(74, 'z') + "|*.NT" + String(76, 'z'));
  // Negative lengths for the formats: none.
  kxvSPI liar(TestPlugin("LIAR.SPI"));
  EXPECT_TRUE(liar.Valid());
  EXPECT_EQ(liar.Filter(), "");
  // A plug-in answering every entry: the list of formats ends.
  kxvSPI endless(TestPlugin("ENDLESS.SPI"));
  EXPECT_TRUE(endless.Valid());
  EXPECT_EQ(endless.Filter().size(), 256u * 4 - 1);

  kxvSusie susie;
  const int before = susie.Count();
  EXPECT_FALSE(susie.AddSPI(TestPlugin("NEG.SPI", "u")));
  EXPECT_FALSE(susie.AddSPI(TestPluginDir() + "\\NOGPI.SPI"));
  EXPECT_FALSE(susie.AddSPI(text));
  EXPECT_EQ(susie.Count(), before);
}

TEST_F(SusieTest, TheFirstPluginInNameOrderThatAcceptsIsUsed) {
  kxvSusie susie;
  Empty(susie);
  susie.AddSPI(TestPlugin("A_REJECT.SPI"));
  susie.AddSPI(TestPlugin("T2.SPI"));
  susie.AddSPI(TestPlugin("T1.SPI"));
  const String file = Picture("good.spt", "SPITEST good8\n");
  susie.SetFileName(file);
  ASSERT_TRUE(susie.Supported());
  ASSERT_NE(susie.Current(), nullptr);
  EXPECT_EQ(susie.Current()->SpiName(), "T1.SPI");
  EXPECT_STREQ(susie.InfoText(), "by T1.SPI");
  EXPECT_EQ(susie.Left(), 1);
  EXPECT_EQ(susie.Top(), 2);
  EXPECT_EQ(susie.Width(), 4);
  EXPECT_EQ(susie.Height(), 2);
  EXPECT_EQ(susie.XDensity(), 72);
  EXPECT_EQ(susie.YDensity(), 96);
  EXPECT_EQ(susie.ColorDepth(), -8);
  // File mode: the plug-in got a file handle, then the name and offset.
  EXPECT_EQ(LastCall(susie.Current()), "GetPictureInfo file:" + file + " len=0 flag=0");

  susie.SetFileName(Picture("other.bin", "nothing of the kind"));
  EXPECT_FALSE(susie.Supported());
  EXPECT_EQ(susie.Current(), nullptr);
  TBitmap bitmap;
  EXPECT_FALSE(susie.GetPicture(&bitmap));
  EXPECT_EQ(susie.Palette(), nullptr);
  // With a palette held: no current plug-in leaves it.
  susie.SetFileName(file);
  ASSERT_TRUE(susie.GetPicture(&bitmap));
  LOGPALETTE* palette = susie.Palette();
  ASSERT_NE(palette, nullptr);
  susie.SetFileName(dir / "other.bin");
  EXPECT_FALSE(susie.GetPicture(&bitmap));
  EXPECT_EQ(susie.Palette(), palette);
  susie.SetPalette(nullptr);
  EXPECT_EQ(susie.Palette(), nullptr);
}

TEST_F(SusieTest, ArchivePluginsAndFilesThatCannotBeOpenedAreNoPictures) {
  kxvSusie susie;
  Empty(susie);
  // An archive plug-in ("00AM") reads no pictures: not in the set, nor
  // its patterns in the filter, even one that would accept every file.
  EXPECT_FALSE(susie.AddSPI(TestPlugin("A_ARCHIVE.SPI")));
  EXPECT_TRUE(susie.AddSPI(TestPlugin("T1.SPI")));
  EXPECT_EQ(Names(susie), std::vector<String>{"T1.SPI"});
  EXPECT_EQ(susie.GetFilter().find("LZH"), String::npos) << susie.GetFilter();
  const String file = Picture("good.spt", "SPITEST good8\n");
  susie.SetEnable(true);
  TBitmap bitmap;
  EXPECT_TRUE(susie.LoadFromFile(file, &bitmap));
  ASSERT_NE(susie.Current(), nullptr);
  // A file gone or locked: no plug-in is current any more, and nothing raises.
  EXPECT_NO_THROW(susie.SetFileName(dir / "missing.spt"));
  EXPECT_FALSE(susie.Supported());
  EXPECT_EQ(susie.Current(), nullptr);
  susie.SetFileName(file);
  ASSERT_NE(susie.Current(), nullptr);
  HANDLE lock = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_NO_THROW(EXPECT_FALSE(susie.SetOffset(0)));
  EXPECT_EQ(susie.Current(), nullptr);
  EXPECT_NO_THROW(EXPECT_FALSE(susie.IsSupport()));
  CloseHandle(lock);
}

TEST_F(SusieTest, NetpbmAndTgaPicturesLoadPixelForPixel) {
  kxvSusie susie;
  Empty(susie);
  susie.SetPath(ProductPlugins());
  const TestImage image = SampleImage(7, 5);
  TBitmap bitmap;

  ASSERT_TRUE(susie.LoadFromFile(Picture("colour.ppm", PnmFile(6, image, 255, "note")), &bitmap));
  EXPECT_EQ(susie.Current()->SpiName(), "IFPNM.SPI");
  EXPECT_STREQ(susie.InfoText(), "note");
  EXPECT_EQ(susie.ColorDepth(), 24);
  ExpectBitmap(bitmap, image, Same);

  ASSERT_TRUE(susie.LoadFromFile(Picture("bits.pbm", PnmFile(4, image)), &bitmap));
  EXPECT_EQ(bitmap.PixelFormat(), pf1bit);
  ExpectBitmap(bitmap, image, Black);

  TgaOptions o;
  o.Type = 9, o.Depth = 8, o.MapEntry = 24;
  ASSERT_TRUE(susie.LoadFromFile(Picture("mapped.tga", TgaFile(image, o)), &bitmap));
  EXPECT_EQ(susie.Current()->SpiName(), "IFTGA.SPI");
  EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
  ExpectBitmap(bitmap, image, Same);

  o = TgaOptions();
  o.Type = 10, o.Depth = 16, o.TopDown = true;
  ASSERT_TRUE(susie.LoadFromFile(Picture("rle16.tga", TgaFile(image, o)), &bitmap));
  ExpectBitmap(bitmap, image, Through555);

  // Not a picture any plug-in reads; a missing file; a folder.
  EXPECT_FALSE(susie.LoadFromFile(Picture("x.txt", "text"), &bitmap));
  EXPECT_FALSE(susie.LoadFromFile(dir / "missing.ppm", &bitmap));
  EXPECT_FALSE(susie.LoadFromFile(dir.Path(), &bitmap));
  susie.SetEnable(false);
  EXPECT_FALSE(susie.LoadFromFile(dir / "colour.ppm", &bitmap));
}

TEST_F(SusieTest, PicturesAtAnOffsetAndInMemory) {
  kxvSusie susie;
  Empty(susie);
  susie.SetPath(ProductPlugins());
  susie.AddSPI(TestPlugin("SPITEST.SPI"));
  const TestImage image = SampleImage(5, 3);
  const std::string bytes = PnmFile(3, image);
  TBitmap bitmap;

  // Behind 64 bytes of something else in the file: asked at its offset.
  susie.SetFileName(Picture("inside.bin", std::string(64, '\0') + bytes));
  EXPECT_FALSE(susie.Supported());
  ASSERT_TRUE(susie.SetOffset(64));
  EXPECT_EQ(susie.Width(), 5);
  ASSERT_TRUE(susie.GetPicture(&bitmap));
  ExpectBitmap(bitmap, image, Same);
  susie.SetOffset(0);
  EXPECT_FALSE(susie.Supported());

  // Memory mode: Offset is the picture's size; shorter than the 2 KB the
  // support check reads.
  std::vector<char> memory(bytes.begin(), bytes.end());
  susie.SetOffset(static_cast<int32_t>(memory.size()));
  ASSERT_TRUE(susie.SetMemory(memory.data()));
  EXPECT_TRUE(susie.MemoryMode());
  EXPECT_EQ(susie.Current()->SpiName(), "IFPNM.SPI");
  TBitmap fromMemory;
  ASSERT_TRUE(susie.GetPicture(&fromMemory));
  ExpectBitmap(fromMemory, image, Same);

  const std::string test = "SPITEST good8\n";
  std::vector<char> testMemory(test.begin(), test.end());
  susie.SetOffset(static_cast<int32_t>(testMemory.size()));
  ASSERT_TRUE(susie.SetMemory(testMemory.data()));
  EXPECT_EQ(susie.Current()->SpiName(), "SPITEST.SPI");
  ASSERT_TRUE(susie.GetPicture(&bitmap));
  EXPECT_EQ(LastCall(susie.Current()), "GetPicture memory:SPITEST good8\n len=14 flag=1");
  EXPECT_FALSE(susie.SetMemory(nullptr));
  // Its size not given: nobody is asked with bytes that are not its own.
  susie.SetOffset(0);
  EXPECT_FALSE(susie.SetMemory(testMemory.data()));
  EXPECT_EQ(susie.Current(), nullptr);
  EXPECT_EQ(LastCall(susie.GetSPI("SPITEST.SPI")).find("IsSupported"), String::npos);
}

TEST_F(SusieTest, TheTestPluginsPicturesThroughTheBmpStream) {
  kxvSusie susie;
  Empty(susie);
  ASSERT_TRUE(susie.AddSPI(TestPlugin("SPITEST.SPI")));
  susie.SetEnable(true);
  TBitmap bitmap;

  // 8 bits, biClrUsed 0: the whole table, each index its colour.
  ASSERT_TRUE(susie.LoadFromFile(Picture("good8.spt", "SPITEST good8"), &bitmap));
  EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
  ASSERT_EQ(bitmap.Width(), 4);
  for (int i = 0; i < 8; ++i) {
    const int x = i % 4, y = 1 - i / 4;
    EXPECT_EQ(bitmap.Canvas().Pixels(x, y), ToColor(uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i / 2)));
  }
  EXPECT_EQ(bitmap.ColorTable().size(), 256u);
  EXPECT_STREQ(susie.InfoText(), "by SPITEST.SPI");
  // The palette of the table.
  ASSERT_NE(susie.Palette(), nullptr);
  ASSERT_EQ(susie.Palette()->palNumEntries, 256);
  EXPECT_EQ(susie.Palette()->palVersion, 0x300);
  const PALETTEENTRY& e = susie.Palette()->palPalEntry[200];
  EXPECT_EQ(e.peRed, 200);
  EXPECT_EQ(e.peGreen, 55);
  EXPECT_EQ(e.peBlue, 100);
  EXPECT_EQ(e.peFlags, 0);

  // biSizeImage 0: the rows are there all the same. No palette above 8
  // bits.
  ASSERT_TRUE(susie.LoadFromFile(Picture("zero.spt", "SPITEST zero24"), &bitmap));
  EXPECT_EQ(susie.Palette(), nullptr);
  EXPECT_EQ(bitmap.Canvas().Pixels(0, 1), ToColor(0xFF0000));
  EXPECT_EQ(bitmap.Canvas().Pixels(1, 1), ToColor(0x00FF00));
  EXPECT_EQ(bitmap.Canvas().Pixels(2, 1), ToColor(0x0000FF));
  EXPECT_EQ(bitmap.Canvas().Pixels(2, 0), ToColor(0x808080));

  ASSERT_TRUE(susie.LoadFromFile(Picture("top.spt", "SPITEST topdown"), &bitmap));
  EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), ToColor(0xFF0000));
  EXPECT_EQ(bitmap.Canvas().Pixels(1, 1), ToColor(0xFFFFFF));

  ASSERT_TRUE(susie.LoadFromFile(Picture("bf.spt", "SPITEST bitfields"), &bitmap));
  EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), ToColor(0xFF0000));
  EXPECT_EQ(bitmap.Canvas().Pixels(1, 0), ToColor(0x0000FF));

  ASSERT_TRUE(susie.LoadFromFile(Picture("rle.spt", "SPITEST rle8"), &bitmap));
  ASSERT_NE(susie.Palette(), nullptr);
  EXPECT_EQ(susie.Palette()->palNumEntries, 3) << "biClrUsed entries";
  EXPECT_EQ(bitmap.Canvas().Pixels(3, 1), ToColor(0x0000FF));
  EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), ToColor(0x00FF00));

  ASSERT_TRUE(susie.LoadFromFile(Picture("c300.spt", "SPITEST clr300"), &bitmap));
  EXPECT_EQ(bitmap.Canvas().Pixels(1, 0), ToColor(0x00FF00));

  // A text without terminator is taken up to its block's end.
  susie.SetFileName(Picture("noterm.spt", "SPITEST noterm"));
  EXPECT_STREQ(susie.InfoText(), "unterminated");

  // The plug-in's failure: the bitmap and the palette as they were.
  ASSERT_TRUE(susie.LoadFromFile(dir / "good8.spt", &bitmap));
  LOGPALETTE* before = susie.Palette();
  ASSERT_NE(before, nullptr);
  EXPECT_FALSE(susie.LoadFromFile(Picture("fail.spt", "SPITEST fail"), &bitmap));
  EXPECT_EQ(susie.Palette(), before);
  EXPECT_EQ(susie.Current()->LastResult(), spiBrokenData);
  EXPECT_EQ(bitmap.Width(), 4) << "the bitmap as it was";
  // No preview, then one.
  EXPECT_FALSE(susie.GetPreview(&bitmap));
  EXPECT_EQ(susie.Current()->LastResult(), spiNotImplemented);
  susie.SetFileName(Picture("preview.spt", "SPITEST preview"));
  EXPECT_FALSE(susie.GetPicture(&bitmap));
  ASSERT_TRUE(susie.GetPreview(&bitmap));
  EXPECT_EQ(bitmap.Width(), 4);
}

TEST_F(SusieTest, PicturesThatDoNotFitTheirBlocksAreRefused) {
  kxvSusie susie;
  Empty(susie);
  ASSERT_TRUE(susie.AddSPI(TestPlugin("SPITEST.SPI")));
  TBitmap bitmap;
  // Adding a plug-in does not enable the set.
  EXPECT_FALSE(susie.LoadFromFile(Picture("good.spt", "SPITEST good8"), &bitmap));
  susie.CheckSPI();
  ASSERT_TRUE(susie.LoadFromFile(dir / "good.spt", &bitmap));
  for (const char* mode : {"bigimage", "bigtable", "core", "v5", "huge", "nullhandles",
                           "samehandle", "badplanes"}) {
    susie.SetFileName(Picture(String(mode) + ".spt", String("SPITEST ") + mode));
    ASSERT_TRUE(susie.Supported()) << mode;
    EXPECT_THROW(susie.GetPicture(&bitmap), EInvalidGraphic) << mode;
    EXPECT_EQ(bitmap.Width(), 4) << mode << ": the bitmap as it was";
    EXPECT_EQ(susie.Current()->Size(), 0) << mode << ": nothing presented after";
  }
  // Still usable.
  susie.SetFileName(dir / "good.spt");
  EXPECT_TRUE(susie.GetPicture(&bitmap));
}

TEST_F(SusieTest, RemovingTheCurrentPluginLeavesNoCurrent) {
  kxvSusie susie;
  Empty(susie);
  susie.AddSPI(TestPlugin("SPITEST.SPI"));
  susie.SetFileName(Picture("good.spt", "SPITEST good8"));
  ASSERT_NE(susie.Current(), nullptr);
  EXPECT_TRUE(susie.DeleteSPI("SPITEST.SPI"));
  EXPECT_EQ(susie.Current(), nullptr);
  EXPECT_EQ(susie.InfoText(), nullptr);
  TBitmap bitmap;
  EXPECT_FALSE(susie.GetPicture(&bitmap));
  EXPECT_EQ(susie.Count(), 0);
  EXPECT_EQ(susie.GetFilter(), "");
}

TEST_F(SusieTest, TheSystemDirectoryComesFromTheRegistry) {
  const char* key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
  HKEY h = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &h,
                      nullptr) != ERROR_SUCCESS) {
    GTEST_SKIP() << "the registry key cannot be written";
  }
  if (RegQueryValueExA(h, "SysDir", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    RegCloseKey(h);
    GTEST_SKIP() << "SysDir is set on this system";
  }
  const String plugins = ProductPlugins();
  RegSetValueExA(h, "SysDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(plugins.c_str()),
                 static_cast<DWORD>(plugins.size() + 1));
  {
    kxvSusie susie;
    EXPECT_EQ(susie.Path(), plugins);
    EXPECT_EQ(susie.Count(), 2);
    EXPECT_TRUE(susie.Enable());
  }
  RegDeleteValueA(h, "SysDir");
  RegCloseKey(h);
  kxvSusie without;
  EXPECT_EQ(without.Path(), "");
  EXPECT_FALSE(without.Enable());
}
