// The GV viewer link end to end: the stand-in viewer registered in the
// test prefix's registry, started by the conversation, sent commands, asked
// for its picture, and gone afterwards.
#include "lib/imaging/Gv.h"


#include "framework/Bmpfile.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Registry.h"
#include "framework/Streams.h"
#include "lib/imaging/Gif.h"
#include "lib/imaging/Simage.h"
#include "lib/imaging/Susie.h"
#include "tests/helpers/GifEncode.h"
#include "tests/helpers/GvServer.h"
#include "tests/helpers/TempDir.h"
#include "tests/imaging/SpiFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace {

const char kKey[] = "Software\\Kestil\\GV\\Path";

bool KeyExists(const char* path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The viewer's registry entry as a test wants it; what was there before
// is put back afterwards.
class ViewerEntry {
public:
  ViewerEntry() {
    hadKestil_ = KeyExists("Software\\Kestil");
    hadGv_ = KeyExists("Software\\Kestil\\GV");
    hadPath_ = KeyExists(kKey);
    if (hadPath_) {
      TRegistry registry;
      if (registry.OpenKeyReadOnly(String("\\") + kKey)) {
        hadValue_ = registry.ValueExists("");
        value_ = registry.ReadString("");
      }
    }
    Remove();
  }
  ~ViewerEntry() {
    Remove();
    TRegistry registry;
    if (hadPath_ && registry.OpenKey(String("\\") + kKey, true) && hadValue_) registry.WriteString("", value_);
    registry.CloseKey();
    if (!hadGv_) registry.DeleteKey("\\Software\\Kestil\\GV");
    if (!hadKestil_) registry.DeleteKey("\\Software\\Kestil");
  }
  void Set(const String& path) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(String("\\") + kKey, true));
    registry.WriteString("", path);
  }
  void Remove() {
    TRegistry registry;
    registry.DeleteKey(String("\\") + kKey);
  }

private:
  bool hadKestil_ = false, hadGv_ = false, hadPath_ = false, hadValue_ = false;
  String value_;
};

template <class F>
bool PumpUntil(F done, DWORD ms = 10000) {
  for (DWORD start = GetTickCount(); !done();) {
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Application().ProcessMessages();
  }
  return true;
}

// A picture as expected: the colour of every pixel, rows from the top.
struct Picture {
  int width = 0, height = 0;
  std::vector<TColor> pixels;
  std::vector<uint32_t> table;  // 0x00RRGGBB, when the file has one
  TColor At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// 0x00RRGGBB of a table entry as a TColor (0x00BBGGRR).
TColor ColorOf(uint32_t rgb) {
  return static_cast<TColor>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

// A BMP file of the given depth with a pattern of pixels; the picture it
// shows.
Picture WriteBmp(const String& path, int width, int height, int bits) {
  std::vector<uint32_t> table;
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i)
      table.push_back(uint32_t((i * 37) & 0xFF) << 16 | uint32_t(255 - i) << 8 | uint32_t((i * 91) & 0xFF));
  const size_t stride = TBmpImage::BmpStride(width, static_cast<uint16_t>(bits));
  std::vector<uint8_t> file = MakeBmpHeaders(width, height, static_cast<uint16_t>(bits), table);
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.table = table;
  picture.pixels.resize(size_t(width) * height);
  std::vector<uint8_t> rows(stride * height, 0);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &rows[size_t(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      if (bits <= 8) {
        const int index = (x * 5 + y * 3) % (1 << bits);
        if (bits == 8) row[x] = static_cast<uint8_t>(index);
        if (bits == 4) row[x / 2] |= static_cast<uint8_t>(x % 2 ? index : index << 4);
        if (bits == 1 && index) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        picture.pixels[size_t(y) * width + x] = ColorOf(table[index]);
      } else {
        const uint8_t r = uint8_t(x * 20), g = uint8_t(y * 30), b = uint8_t((x + y) * 10);
        row[3 * x] = b;
        row[3 * x + 1] = g;
        row[3 * x + 2] = r;
        picture.pixels[size_t(y) * width + x] = ColorOf(uint32_t(r) << 16 | uint32_t(g) << 8 | b);
      }
    }
  }
  file.insert(file.end(), rows.begin(), rows.end());
  TFileStream out(path, fmCreate);
  out.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
  return picture;
}

void ExpectPicture(TBitmap& bitmap, const Picture& picture) {
  ASSERT_EQ(bitmap.Width(), picture.width);
  ASSERT_EQ(bitmap.Height(), picture.height);
  int wrong = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      if (bitmap.Canvas().Pixels(x, y) != picture.At(x, y) && ++wrong <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << bitmap.Canvas().Pixels(x, y)
                      << " instead of " << picture.At(x, y);
  EXPECT_EQ(wrong, 0);
}

class GvTest : public ::testing::Test {
protected:
  String Log() const { return dir_ / "gvserver.log"; }
  // The stand-in registered as the viewer, set up with mode.
  void Register(const String& mode = "", const String& exe = GvServerExe()) {
    entry_.Set(exe);
    server_ = std::make_unique<GvServerSetup>(Log(), mode);
  }
  GvServerSetup& Server() { return *server_; }

  TempDir dir_;
  ViewerEntry entry_;
  std::unique_ptr<GvServerSetup> server_;
};

String Quoted(const String& path) { return "\"" + path + "\""; }

}  // namespace

TEST_F(GvTest, FindsTheViewerThroughItsRegistryEntry) {
  Register();
  kxvGV gv(nullptr);
  EXPECT_EQ(gv.Path(), GvServerExe());
  EXPECT_TRUE(gv.Enable());
  EXPECT_EQ(gv.ServiceApplication(), GvServerExe() + " /DDE ");
  EXPECT_EQ(gv.ConnectMode(), ddeAutomatic);
  EXPECT_FALSE(gv.Wait());
  EXPECT_EQ(gv.BitCount(), 0);
  EXPECT_EQ(gv.Palette(), nullptr);
}

TEST_F(GvTest, WithoutAnEntryTheLinkIsOffAndNothingStarts) {
  server_ = std::make_unique<GvServerSetup>(Log());
  const Picture picture = WriteBmp(dir_ / "a.bmp", 4, 4, 24);
  kxvGV gv(nullptr);
  EXPECT_EQ(gv.Path(), "");
  EXPECT_FALSE(gv.Enable());
  EXPECT_EQ(gv.GetFilter(), "");
  EXPECT_FALSE(gv.Execute());
  TBitmap bitmap;
  EXPECT_FALSE(gv.LoadFromFile(dir_ / "a.bmp", &bitmap));
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_FALSE(Exists(Log()));
  // An entry of another type is no entry either.
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(String("\\") + kKey, true));
    const DWORD number = 1;
    RegSetValueExA(registry.CurrentKey(), nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
  }
  kxvGV typed(nullptr);
  EXPECT_FALSE(typed.Enable());
  EXPECT_EQ(typed.Path(), "");
}

TEST_F(GvTest, APathThatIsNoFileDisables) {
  Register("", dir_ / "missing.exe");
  kxvGV gv(nullptr);
  EXPECT_EQ(gv.Path(), dir_ / "missing.exe");
  EXPECT_FALSE(gv.Enable());
  gv.SetEnable(true);
  EXPECT_FALSE(gv.Enable());
  gv.SetPath(dir_.Path());  // a directory
  EXPECT_FALSE(gv.Enable());
  kxvGV given(nullptr, GvServerExe());
  EXPECT_TRUE(given.Enable());
  given.SetEnable(false);
  EXPECT_FALSE(given.Enable());
  EXPECT_EQ(given.GetFilter(), "");
  given.SetEnable(true);
  EXPECT_TRUE(given.Enable());
}

TEST_F(GvTest, TheFilterNamesWhatTheViewerReads) {
  kxvGV gv(nullptr, GvServerExe());
  const String filter = gv.GetFilter();
  EXPECT_EQ(filter,
            "ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB|GIF|*.GIF|JEIDAﾃﾞｼﾞﾀﾙｶﾒﾗ|*.J6I|JPEG|*.JPG;*.JPEG"
            "|MAG,MAKI|*.MAG|PhotoCD|*.PCD|Pi,PIC,PIC2|*.PI;*.PIC;*.P2|Mac PICT|*.PICT"
            "|Cyber-Shot|*.PMP|QLD|*.Q0;*.Q4|QVﾃﾞｼﾞﾙﾀﾙｶﾒﾗ|*.CAM|SunRaster|*.RAS|TIFF|*.TIF;*.TIFF"
            "|XBM|*.X;*.XBM|LZH|*.LZH|ZIP|*.ZIP");
  // Half-width katakana: one Shift-JIS byte each.
  EXPECT_EQ(static_cast<uint8_t>(filter[0]), 0xCB);
  EXPECT_EQ(std::count(filter.begin(), filter.end(), '|'), 31);
}

TEST_F(GvTest, CommandsAndRequestsNeedAConversation) {
  kxvGV gv(nullptr, GvServerExe());
  EXPECT_FALSE(gv.FileOpen("C:\\a.bmp"));
  EXPECT_FALSE(gv.ViewDraft());
  EXPECT_FALSE(gv.ExitGV());
  EXPECT_FALSE(gv.DIBRequest());
  RECT r;
  int n;
  EXPECT_FALSE(gv.WindowRect(r, n));
  TBitmap bitmap;
  EXPECT_FALSE(gv.GetDIB(&bitmap));
  EXPECT_EQ(gv.GVRequestData("DIB", 18), nullptr);
}

TEST_F(GvTest, EveryCommandIsSentWithItsText) {
  Register();
  kxvGV gv(nullptr);
  ASSERT_TRUE(gv.Execute());
  EXPECT_TRUE(gv.Execute());  // already open
  EXPECT_FALSE(gv.FileOpen(""));
  EXPECT_FALSE(gv.FileOpenEx("", grLeft));
  EXPECT_FALSE(gv.PartMAGCheck(static_cast<kxvGVPartMAGMode>(4)));
  EXPECT_TRUE(gv.FileOpen("C:\\絵\\a.bmp"));
  EXPECT_TRUE(gv.FileOpenEx("C:\\b.gif", grLeft));
  EXPECT_TRUE(gv.FileOpenEx("C:\\b.gif", grRight));
  EXPECT_TRUE(gv.FileClose());
  EXPECT_TRUE(gv.FileSaveEx("C:\\c.bmp", true, false));
  EXPECT_TRUE(gv.FileSaveEx("C:\\c.bmp", false, true));
  EXPECT_TRUE(gv.SetWindowPos(true, 0, 10, 20, 300, 200));
  EXPECT_TRUE(gv.SetWindowPos(false, 0, 10, 20, 300, 200));
  EXPECT_TRUE(gv.SetWindowPos(false, -1, -2, -3, -4, -5));
  EXPECT_TRUE(gv.ClipCopy());
  EXPECT_TRUE(gv.ClipCopyViewImage());
  EXPECT_TRUE(gv.ClipPaste());
  EXPECT_TRUE(gv.SetWallPaper(true));
  EXPECT_TRUE(gv.SetWallPaper(false));
  EXPECT_TRUE(gv.Quantize(gsOn, 16, 1, true));
  EXPECT_TRUE(gv.Quantize(gsOff, 0, 0, false));
  EXPECT_TRUE(gv.Quantize(gsAuto, 256, 0, false));
  EXPECT_TRUE(gv.ZoomRate(150));
  EXPECT_TRUE(gv.ZoomRate(-3));
  for (int a = 0; a <= 4; ++a) EXPECT_TRUE(gv.Aspect(100, static_cast<kxvGVAspect>(a)));
  EXPECT_TRUE(gv.Aspect(100, static_cast<kxvGVAspect>(7)));
  EXPECT_TRUE(gv.Rotate(grLeft));
  EXPECT_TRUE(gv.Rotate(grRight));
  EXPECT_TRUE(gv.ShowGV(true));
  EXPECT_TRUE(gv.ShowGV(false));
  EXPECT_TRUE(gv.IconGV(true));
  EXPECT_TRUE(gv.IconGV(false));
  EXPECT_TRUE(gv.AutoAspect(true));
  EXPECT_TRUE(gv.AutoAspect(false));
  EXPECT_TRUE(gv.AutoResize(true));
  EXPECT_TRUE(gv.AutoResize(false));
  for (int m = 0; m <= 3; ++m) EXPECT_TRUE(gv.PartMAGCheck(static_cast<kxvGVPartMAGMode>(m)));
  EXPECT_TRUE(gv.ViewDraft());
  gv.Terminate();
  EXPECT_EQ(gv.Conv(), nullptr);
  EXPECT_TRUE(Server().Gone());
  const std::vector<String> expected = {
      "FileOpen(C:\\絵\\a.bmp)", "FileOpenEx(C:\\b.gif,L)", "FileOpenEx(C:\\b.gif,R)", "FileClose()",
      "FileSaveEx(C:\\c.bmp,ON,OFF)", "FileSaveEx(C:\\c.bmp,OFF,ON)", "SetWindowPos(-1,0,10,20,300,200)",
      "SetWindowPos(1,0,10,20,300,200)", "SetWindowPos(1,-1,-2,-3,-4,-5)", "ClipCopy()",
      "ClipCopyViewImage()", "ClipPaste()", "SetWallPaper(TILE)", "SetWallPaper(CENTER)",
      "Quantize(ON,16,1,ON)", "Quantize(OFF,0,0,OFF)", "Quantize(AUTO,256,0,OFF)", "ZoomRate(150)",
      "ZoomRate(-3)", "Aspect(100,W)", "Aspect(100,H)", "Aspect(100,I)", "Aspect(100,D)",
      "Aspect(100,Other)", "Aspect(100,Other)", "Rotate(L)", "Rotate(R)", "ShowGV(ON)", "ShowGV(OFF)",
      "IconGV(ON)", "IconGV(OFF)", "AutoAspect(ON)", "AutoAspect(OFF)", "AutoResize(ON)",
      "AutoResize(OFF)", "PartMAGCheck(AUTO)", "PartMAGCheck(SemiAUTO)", "PartMAGCheck(Manual)",
      "PartMAGCheck(NoCheck)", "ViewDraft()", "ExitGV()"};
  EXPECT_EQ(Server().Lines("exec "), expected);
  EXPECT_TRUE(Server().Lines("exec-unterminated").empty());
}

TEST_F(GvTest, TheWaitFlagGoesWithMostCommands) {
  Register("execdelay=400");
  kxvGV gv(nullptr);
  gv.SetWait(true);
  ASSERT_TRUE(gv.Execute());
  ASSERT_TRUE(gv.ZoomRate(200));
  EXPECT_TRUE(gv.WaitStat());
  EXPECT_FALSE(gv.ViewDraft());
  EXPECT_FALSE(gv.DIBRequest());
  ASSERT_TRUE(PumpUntil([&] { return !gv.WaitStat(); }));
  // ClipCopy and ExitGV never wait.
  ASSERT_TRUE(gv.ClipCopy());
  EXPECT_FALSE(gv.WaitStat());
  ASSERT_TRUE(gv.FileClose());
  EXPECT_TRUE(gv.WaitStat());
  // Terminate gives up the wait rather than leave the viewer running.
  gv.Terminate();
  EXPECT_TRUE(Server().Gone());
  EXPECT_EQ(Server().Lines("exec "),
            (std::vector<String>{"ZoomRate(200)", "ClipCopy()", "FileClose()", "ExitGV()"}));
}

TEST_F(GvTest, TheWindowRectangleIsRead) {
  Register();
  kxvGV gv(nullptr);
  ASSERT_TRUE(gv.Execute());
  RECT r = {};
  int n = 0;
  ASSERT_TRUE(gv.WindowRect(r, n));
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 310);
  EXPECT_EQ(r.bottom, 220);
  EXPECT_EQ(n, 1);
  gv.Terminate();
  EXPECT_TRUE(Server().Gone());
}

TEST(GvWindowRect, FiveNumbersEachWithOneSeparator) {
  RECT r = {};
  int n = 0;
  ASSERT_TRUE(ParseGVWindowRect("-5 -6 10 20 3 ", r, n));
  EXPECT_EQ(r.left, -5);
  EXPECT_EQ(r.top, -6);
  EXPECT_EQ(r.right, 5);
  EXPECT_EQ(r.bottom, 14);
  EXPECT_EQ(n, 3);
  EXPECT_FALSE(ParseGVWindowRect("1,2,3,4", r, n));
  EXPECT_FALSE(ParseGVWindowRect("1,,2,3,4,5", r, n));
  EXPECT_FALSE(ParseGVWindowRect("", r, n));
  EXPECT_FALSE(ParseGVWindowRect(nullptr, r, n));
  ASSERT_TRUE(ParseGVWindowRect("2147483647,0,2147483647,1,0", r, n));
  EXPECT_EQ(r.right, 2147483647);
}

TEST_F(GvTest, ALowerCaseOkIsNotReady) {
  Register("lowerok ready=0");
  const Picture picture = WriteBmp(dir_ / "a.bmp", 4, 4, 24);
  kxvGV gv(nullptr);
  ASSERT_TRUE(gv.Execute());
  ASSERT_TRUE(gv.FileOpen(dir_ / "a.bmp"));
  ASSERT_TRUE(PumpUntil([&] { return !Server().Lines("ready").empty(); }));
  EXPECT_FALSE(gv.DIBRequest());
  gv.Terminate();
  EXPECT_TRUE(Server().Gone());
}

namespace {

struct DepthCase {
  int bits;
  int width, height;
};

class GvLoad : public GvTest, public ::testing::WithParamInterface<DepthCase> {};

}  // namespace

TEST_P(GvLoad, ABmpComesBackPixelForPixel) {
  const DepthCase c = GetParam();
  Register();
  const String file = dir_ / "絵.bmp";
  const Picture picture = WriteBmp(file, c.width, c.height, c.bits);
  kxvGV gv(nullptr);
  TBitmap bitmap;
  ASSERT_TRUE(gv.LoadFromFile(file, &bitmap));
  ExpectPicture(bitmap, picture);
  EXPECT_EQ(gv.BitCount(), c.bits);
  // The palette of the picture received: its colour table.
  if (c.bits <= 8) {
    LOGPALETTE* palette = gv.Palette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->palVersion, 0x300);
    ASSERT_EQ(palette->palNumEntries, picture.table.size());
    for (size_t i = 0; i < picture.table.size(); ++i) {
      const PALETTEENTRY& e = palette->palPalEntry[i];
      EXPECT_EQ(uint32_t(e.peRed) << 16 | uint32_t(e.peGreen) << 8 | e.peBlue, picture.table[i]) << i;
      EXPECT_EQ(e.peFlags, 0);
    }
  } else {
    EXPECT_EQ(gv.Palette(), nullptr);
  }
  EXPECT_EQ(gv.Conv(), nullptr);
  EXPECT_TRUE(Server().Gone());
  // The conversation as the server saw it.
  const std::vector<String> starts = Server().Lines("start ");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_NE(starts[0].find("gvserver.exe /DDE"), String::npos) << starts[0];
  EXPECT_EQ(Server().Lines("show "), std::vector<String>{std::to_string(SW_SHOWMINNOACTIVE)});
  EXPECT_EQ(Server().Lines("exec "), (std::vector<String>{"FileOpen(" + file + ")", "ExitGV()"}));
  const std::vector<String> requests = Server().Lines("request ");
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests.back(), "DIB 18");
  for (size_t i = 0; i + 1 < requests.size(); ++i) EXPECT_EQ(requests[i], "DIBRequest 1");
  EXPECT_FALSE(Server().Lines("exit").empty());
}

INSTANTIATE_TEST_SUITE_P(Depths, GvLoad,
                         ::testing::Values(DepthCase{8, 13, 7}, DepthCase{24, 9, 5}, DepthCase{4, 11, 3},
                                           DepthCase{1, 17, 4}),
                         [](const ::testing::TestParamInfo<DepthCase>& info) {
                           return "Bits" + std::to_string(info.param.bits);
                         });

TEST_F(GvTest, AGifComesBackPixelForPixel) {
  Register();
  const int width = 10, height = 6;
  const std::vector<uint8_t> table = GifPalette(16);
  GifFile gif(width, height, table);
  GifFrame frame;
  frame.width = width;
  frame.height = height;
  frame.pixels = GifPicture(width, height, 16, 7);
  frame.interlaced = true;
  gif.Image(frame);
  const GifBytes bytes = gif.Bytes();
  const String file = dir_ / "a.gif";
  {
    TFileStream out(file, fmCreate);
    out.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  Picture picture;
  picture.width = width;
  picture.height = height;
  for (uint8_t index : frame.pixels)
    picture.pixels.push_back(ColorOf(uint32_t(table[3 * index]) << 16 | uint32_t(table[3 * index + 1]) << 8 |
                                     table[3 * index + 2]));
  kxvGV gv(nullptr);
  TBitmap bitmap;
  ASSERT_TRUE(gv.LoadFromFile(file, &bitmap));
  ExpectPicture(bitmap, picture);
  EXPECT_EQ(gv.BitCount(), 8);
  EXPECT_TRUE(Server().Gone());
}

TEST_F(GvTest, AViewerPathWithABlankStarts) {
  const String exe = dir_.Dir("GV Viewer") + "\\gvserver.exe";
  ASSERT_TRUE(CopyFileA(GvServerExe().c_str(), exe.c_str(), TRUE));
  Register("", exe);
  const Picture picture = WriteBmp(dir_ / "a.bmp", 5, 5, 24);
  kxvGV gv(nullptr);
  EXPECT_EQ(gv.ServiceApplication(), Quoted(exe) + " /DDE ");
  TBitmap bitmap;
  ASSERT_TRUE(gv.LoadFromFile(dir_ / "a.bmp", &bitmap));
  ExpectPicture(bitmap, picture);
  EXPECT_TRUE(Server().Gone());
  ASSERT_EQ(Server().Lines("start ").size(), 1u);
  EXPECT_NE(Server().Lines("start ")[0].find("GV Viewer"), String::npos);
}

TEST_F(GvTest, AMissingFileIsNotSent) {
  Register();
  kxvGV gv(nullptr);
  TBitmap bitmap;
  EXPECT_FALSE(gv.LoadFromFile(dir_ / "none.bmp", &bitmap));
  EXPECT_FALSE(gv.LoadFromFile(dir_.Path(), &bitmap));
  EXPECT_FALSE(Exists(Log()));
}

namespace {

int ticks = 0;
DWORD firstTick = 0, lastTick = 0, longestGap = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  const DWORD now = GetTickCount();
  if (ticks++ == 0) firstTick = now;
  else longestGap = std::max(longestGap, now - lastTick);
  lastTick = now;
}

// Loads file, which fails, with a timer ticking every 50 ms (ticks counts
// them, firstTick and lastTick the first and last one's times, longestGap
// the longest time between two); how long it took.
DWORD TickingLoad(kxvGV& gv, TBitmap& bitmap, const String& file) {
  ticks = 0;
  longestGap = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, Tick);
  const DWORD start = GetTickCount();
  EXPECT_FALSE(gv.LoadFromFile(file, &bitmap));
  const DWORD elapsed = GetTickCount() - start;
  KillTimer(nullptr, timer);
  return elapsed;
}

}  // namespace

TEST_F(GvTest, AViewerThatIsNeverReadyIsGivenUpAfterTheTimeOut) {
  Register("neverready");
  WriteBmp(dir_ / "a.bmp", 4, 4, 24);
  kxvGV gv(nullptr);
  gv.SetReadyTimeout(1500);
  TBitmap bitmap;
  const DWORD elapsed = TickingLoad(gv, bitmap, dir_ / "a.bmp");
  EXPECT_GE(elapsed, 1400u);
  EXPECT_LT(elapsed, 8000u);
  // The window's messages ran while it waited.
  EXPECT_GT(ticks, 5);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(gv.Conv(), nullptr);
  EXPECT_TRUE(Server().Gone());
  EXPECT_EQ(Server().Lines("exec ").back(), "ExitGV()");
  EXPECT_GE(Server().Lines("request DIBRequest").size(), 2u);
}

TEST_F(GvTest, ACommandNeverCompletedIsGivenUpAfterTheTimeOut) {
  Register("execdelay=3000");
  WriteBmp(dir_ / "a.bmp", 4, 4, 24);
  kxvGV gv(nullptr);
  gv.SetWait(true);
  gv.SetReadyTimeout(1000);
  TBitmap bitmap;
  const DWORD start = GetTickCount();
  EXPECT_FALSE(gv.LoadFromFile(dir_ / "a.bmp", &bitmap));
  // The time-out, and closing the conversation waits for the viewer's
  // answer for as long as it is busy.
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 1000u);
  EXPECT_LT(elapsed, 9000u);
  // The exit was sent all the same and the viewer ends once it gets to it.
  EXPECT_TRUE(Server().Gone(15000));
  EXPECT_EQ(Server().Lines("exec ").back(), "ExitGV()");
}

TEST_F(GvTest, TheWindowAnswersWhileTheViewerStartsAndTheLoadHasOneLimit) {
  Register("startdelay=1500 neverready");
  WriteBmp(dir_ / "a.bmp", 4, 4, 24);
  kxvGV gv(nullptr);
  gv.SetReadyTimeout(2500);
  TBitmap bitmap;
  const DWORD start = GetTickCount();
  const DWORD elapsed = TickingLoad(gv, bitmap, dir_ / "a.bmp");
  // Ticks through the slow start too (by the gaps between ticks, not their
  // number, which a busy machine lowers), and the start counts in the limit.
  EXPECT_LT(firstTick - start, 700u) << "no message was processed while the viewer started";
  EXPECT_LT(longestGap, 700u) << "the window went unanswered for a while";
  EXPECT_GT(lastTick - start, 2000u);
  EXPECT_LT(elapsed, 2500u + 800u);  // a start counted apart would add its 1.5 s
}

TEST_F(GvTest, AViewerLinkDestroyedByAHandlerWhileItWaitsEndsTheLoad) {
  Register("ready=3000");
  WriteBmp(dir_ / "a.bmp", 4, 4, 24);
  auto* gv = new kxvGV(nullptr);
  TTimer killer(nullptr);
  killer.SetInterval(300);
  killer.OnTimer = [&](TObject*) {
    killer.SetEnabled(false);
    delete gv;
  };
  TBitmap bitmap;
  const DWORD start = GetTickCount();
  EXPECT_FALSE(gv->LoadFromFile(dir_ / "a.bmp", &bitmap));
  EXPECT_LT(GetTickCount() - start, 2500u);
  EXPECT_TRUE(bitmap.Empty());
}

TEST_F(GvTest, AViewerThatEndsEndsTheWait) {
  Register("quitonopen");
  WriteBmp(dir_ / "a.bmp", 4, 4, 24);
  kxvGV gv(nullptr);
  gv.SetReadyTimeout(30000);
  TBitmap bitmap;
  const DWORD start = GetTickCount();
  EXPECT_FALSE(gv.LoadFromFile(dir_ / "a.bmp", &bitmap));
  EXPECT_LT(GetTickCount() - start, 15000u);
  EXPECT_TRUE(Server().Gone());
}

namespace {

class GvLie : public GvTest, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_P(GvLie, ALyingDibIsRefused) {
  Register(String("dib=") + GetParam());
  WriteBmp(dir_ / "a.bmp", 6, 5, 8);
  kxvGV gv(nullptr);
  TBitmap bitmap;
  EXPECT_FALSE(gv.LoadFromFile(dir_ / "a.bmp", &bitmap));
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_TRUE(Server().Gone());
  EXPECT_EQ(Server().Lines("request ").back(), "DIB 18");
}

INSTANTIATE_TEST_SUITE_P(Lies, GvLie,
                         ::testing::Values("bigsize", "manycolors", "cut", "core", "tiny"));

TEST_F(GvTest, ADibWithoutItsImageSizeLoads) {
  Register("dib=zerosize");
  const Picture picture = WriteBmp(dir_ / "a.bmp", 7, 3, 24);
  kxvGV gv(nullptr);
  TBitmap bitmap;
  ASSERT_TRUE(gv.LoadFromFile(dir_ / "a.bmp", &bitmap));
  ExpectPicture(bitmap, picture);
  EXPECT_TRUE(Server().Gone());
}

// --- kxvGVStream ---------------------------------------------------------------

namespace {

std::vector<uint8_t> EightBitDib(int width, int height) {
  const size_t stride = (size_t(width) + 3) / 4 * 4;
  std::vector<uint8_t> dib(40 + 1024 + stride * height);
  const uint32_t fields[] = {40, uint32_t(width), uint32_t(height)};
  std::memcpy(dib.data(), fields, sizeof fields);
  dib[12] = 1;
  dib[14] = 8;
  const uint32_t size = static_cast<uint32_t>(stride * height);
  std::memcpy(&dib[20], &size, 4);
  for (size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<uint8_t>(i * 7);
  return dib;
}

std::vector<uint8_t> ReadAll(TStream& stream, int32_t chunk) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
  for (int32_t n; (n = stream.Read(buffer.data(), chunk)) > 0;) out.insert(out.end(), buffer.begin(), buffer.begin() + n);
  return out;
}

}  // namespace

TEST(GvStream, PresentsTheDibAsABmpFile) {
  const std::vector<uint8_t> dib = EightBitDib(5, 3);
  kxvGVStream stream(dib.data(), dib.size());
  ASSERT_TRUE(stream.Valid());
  EXPECT_EQ(stream.BitCount(), 8);
  EXPECT_EQ(stream.Info().DataOffset, 1078u);
  EXPECT_EQ(stream.Size(), int64_t(14 + dib.size()));
  for (int32_t chunk : {1, 5, 13, 14, 15, 4096}) {
    stream.SetPosition(0);
    const std::vector<uint8_t> file = ReadAll(stream, chunk);
    ASSERT_EQ(file.size(), 14 + dib.size()) << chunk;
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    uint32_t size, offset;
    std::memcpy(&size, &file[2], 4);
    std::memcpy(&offset, &file[10], 4);
    EXPECT_EQ(size, 14 + dib.size());
    EXPECT_EQ(offset, 1078u);
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14)) << chunk;
  }
  uint8_t byte = 0;
  EXPECT_EQ(stream.Read(&byte, 0), 0);
  EXPECT_EQ(stream.Read(&byte, 1), 0);  // at the end
  EXPECT_EQ(stream.Write(&byte, 1), 0);
  // The framework's bitmap reads it.
  stream.SetPosition(0);
  TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
}

TEST(GvStream, SavesTheWholeFile) {
  const std::vector<uint8_t> dib = EightBitDib(3, 2);
  kxvGVStream stream(dib.data(), dib.size());
  TMemoryStream copy;
  stream.SaveToStream(copy);
  ASSERT_EQ(copy.Size(), int64_t(14 + dib.size()));
  EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(copy.Memory()) + 14, dib.data(), dib.size()), 0);
}

TEST(GvStream, NeverReadsPastTheDib) {
  std::vector<uint8_t> dib = EightBitDib(5, 3);
  // biSizeImage claims more than the block holds.
  const uint32_t size = 1000;
  std::memcpy(&dib[20], &size, 4);
  kxvGVStream stream(dib.data(), dib.size());
  EXPECT_FALSE(stream.Valid());
  EXPECT_EQ(stream.Size(), 0);
  uint8_t buffer[64];
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0);
  // An image size of 0 is the rows' size: pixels are presented.
  std::vector<uint8_t> zero = EightBitDib(5, 3);
  std::memset(&zero[20], 0, 4);
  kxvGVStream computed(zero.data(), zero.size());
  ASSERT_TRUE(computed.Valid());
  EXPECT_EQ(computed.Size(), int64_t(14 + zero.size()));
}

// The picture control's last loader before the framework: a file its own
// decoder is told not to read and no plug-in reads comes from the viewer.
TEST_F(GvTest, TheSuperImageAsksTheViewerLast) {
  Register();
  const int width = 8, height = 4;
  const std::vector<uint8_t> table = GifPalette(4);
  GifFile gif(width, height, table);
  GifFrame frame;
  frame.width = width;
  frame.height = height;
  frame.pixels = GifPicture(width, height, 4, 3);
  gif.Image(frame);
  const GifBytes bytes = gif.Bytes();
  const String file = dir_ / "v.gif";
  {
    TFileStream out(file, fmCreate);
    out.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  kxvSuperImage image(nullptr);
  ASSERT_TRUE(image.GVEnable());
  EXPECT_EQ(image.GetGVPath(), GvServerExe());
  // The viewer's filter leads the control's.
  ASSERT_FALSE(image.GV().GetFilter().empty());
  EXPECT_NE(image.GetFilter().find("|" + image.GV().GetFilter()), String::npos);
  image.GIF().Enable = false;
  // A plug-in that reads every file comes before the viewer.
  const String plugins = dir_ / "spi";
  CreateDirectoryA(plugins.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((TestPluginDir() + "\\SPITEST.SPI").c_str(), (plugins + "\\ANY.SPI").c_str(), FALSE));
  image.SetSusiePath(plugins);
  ASSERT_TRUE(image.SusieEnable());
  ASSERT_TRUE(image.LoadFromFile(file));
  EXPECT_EQ(image.Picture().Width(), image.Susie().Width());
  EXPECT_TRUE(Server().Lines("exec ").empty()) << "the viewer was asked before the plug-in";
  image.SetSusieEnable(false);
  ASSERT_TRUE(image.LoadFromFile(file));
  EXPECT_EQ(image.Picture().Width(), width);
  EXPECT_EQ(image.BitCount(), 8);
  ASSERT_NE(image.Palette(), nullptr);
  EXPECT_EQ(image.GV().Palette(), nullptr);  // handed over
  EXPECT_FALSE(Server().Lines("exec ").empty());
  EXPECT_TRUE(Server().Gone());
}
