// The real VEMTAR.EXE, started as a user would and looked at from outside:
// its window tree, texts and pages, and the page it stores on closing.
#include "framework/Handle.h"
#include "lib/core/File.h"
#include "tests/helpers/MappedDrive.h"
#include "tests/helpers/Pump.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <set>
#include <vector>

namespace {

struct Window {
  HWND hwnd;
  String cls, text;
  bool visible;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM list) {
  char cls[64], text[512];
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  reinterpret_cast<std::vector<Window>*>(list)->push_back(
      {hwnd, cls, text, IsWindowVisible(hwnd) != FALSE});
  return TRUE;
}

std::vector<Window> Tree(HWND top) {
  std::vector<Window> windows;
  EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

const Window* Find(const std::vector<Window>& tree, const String& cls, const String& text) {
  for (const Window& w : tree) {
    if (w.cls == cls && w.text == text) return &w;
  }
  return nullptr;
}

// The caption of the page sheet that is showing.
String VisibleSheet(HWND top) {
  for (const Window& w : Tree(top)) {
    if (w.cls == "TTabSheet" && w.visible) return w.text;
  }
  return String();
}

// The lines of the list box on the page captioned sheet.
std::vector<String> SheetListLines(HWND top, const String& sheet) {
  const Window* page = Find(Tree(top), "TTabSheet", sheet);
  if (!page) return {};
  std::vector<String> lines;
  for (const Window& w : Tree(page->hwnd)) {
    if (w.cls != "TListBox") continue;
    // The wide message: the narrow one is not translated between
    // processes under 64-bit Wine.
    const int count = static_cast<int>(SendMessageW(w.hwnd, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring wide(SendMessageW(w.hwnd, LB_GETTEXTLEN, i, 0) + 1, L'\0');
      SendMessageW(w.hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
      char text[MAX_PATH * 2] = "";
      WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
      lines.push_back(text);
    }
    break;
  }
  return lines;
}

// The folder VEMTAR.EXE is built in, beside this test program's.
String ExeDir() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  return FullPath(String(path, FileNamePart(path) - path) + "..\\bin") + "\\";
}

// VEMTAR.EXE started in a directory, and its main window once shown; one
// that is still running when the test ends is ended.
class Program {
public:
  Program(const String& exe, const String& dir) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    String line = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.c_str(), &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    id_ = info.dwProcessId;
    const bool shown = PumpUntil([this] {
      EnumWindows(OwnMainWindow, reinterpret_cast<LPARAM>(this));
      return window_ && IsWindowVisible(window_);
    });
    if (!shown) window_ = nullptr;
  }
  ~Program() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 10000);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Null when no window of the program came to show.
  HWND Window() const { return window_; }
  // Closes the window as its close box does; whether the program ended.
  bool Close() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.get(), 10000) == WAIT_OBJECT_0;
  }

private:
  static BOOL CALLBACK OwnMainWindow(HWND hwnd, LPARAM self) {
    auto* program = reinterpret_cast<Program*>(self);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (owner != program->id_ || std::strcmp(cls, "TMainForm") != 0) return TRUE;
    program->window_ = hwnd;
    return FALSE;
  }

  UniqueHandle process_, thread_;
  DWORD id_ = 0;
  HWND window_ = nullptr;
};

// The page control of the window.
HWND Tabs(HWND top) {
  for (const Window& w : Tree(top)) {
    if (w.cls == "TPageControl") return w.hwnd;
  }
  return nullptr;
}

// The keyboard moves to the next page, as a user would with the arrow;
// whether the page captioned sheet came to show.
bool NextPage(HWND top, const String& sheet) {
  HWND tabs = Tabs(top);
  PostMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 1);
  PostMessageA(tabs, WM_KEYUP, VK_RIGHT, 0xC0000001);
  return PumpUntil([&] { return VisibleSheet(top) == sheet; });
}

bool ExecEnabled(HWND top) {
  const Window* exec = Find(Tree(top), "TButton", "実行");
  return exec && IsWindowEnabled(exec->hwnd);
}

}  // namespace

TEST(Program, StartsShowsItsPagesAndStoresThePage) {
  String bin = ExeDir();
  const String exe = bin + "VEMTAR.EXE";
  const String ini = bin + "VEMTAR.INI";
  DeleteFileA(ini.c_str());
  // Started in a small drive of its own: page 2 scans the current drive.
  TempDir files;
  files.File("io.sys", "x", FILE_ATTRIBUTE_SYSTEM);
  files.File("plain.txt");
  MappedDrive drive(files.Path());
  ASSERT_TRUE(drive.Ok());
  const String cwd = drive.Drive() + "\\";
  const std::vector<String> systemEntries{cwd + "io.sys"};
  const String page2 = "システムファイル属性解除";

  {
    Program program(exe, cwd);
    HWND top = program.Window();
    ASSERT_TRUE(top);
    RECT client;
    GetClientRect(top, &client);
    EXPECT_EQ(client.right, 592);
    EXPECT_EQ(client.bottom, 441);

    std::vector<Window> tree = Tree(top);
    for (const char* caption : {"実行", "閉じる", "ヘルプ", "検索", "除外", "スキャンディスク",
                                "デフラグ", "再読込み"}) {
      EXPECT_TRUE(Find(tree, "TButton", caption)) << caption;
    }
    for (const char* page : {"ファイル属性変更", "システムファイル属性解除",
                             "システムファイル属性復元", "バージョン", "履歴"}) {
      EXPECT_TRUE(Find(tree, "TTabSheet", page)) << page;
    }
    ASSERT_TRUE(Tabs(top));
    EXPECT_EQ(SendMessageA(Tabs(top), TCM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(VisibleSheet(top), "ファイル属性変更");

    // Page 2 lists the system entries of the drive it was started on.
    ASSERT_TRUE(NextPage(top, page2));
    PumpUntil([&] { return SheetListLines(top, page2) == systemEntries; });
    EXPECT_EQ(SheetListLines(top, page2), systemEntries);
    EXPECT_TRUE(PumpUntil([&] { return ExecEnabled(top); }));

    ASSERT_TRUE(program.Close());
    EXPECT_EQ(GetPrivateProfileIntA("Vemtar", "Page", -1, ini.c_str()), 1);
  }

  // Closed on page 2, it starts there again, with the scan done at once.
  // A record of a removal gives page 3 a line, so the run button has
  // something to lose on page 4.
  const String restorable = cwd + "plain.txt";
  ASSERT_TRUE(WritePrivateProfileStringA("SystemFileList", restorable.c_str(), "0", ini.c_str()));
  {
    Program program(exe, cwd);
    HWND top = program.Window();
    ASSERT_TRUE(top);
    EXPECT_EQ(VisibleSheet(top), page2);
    PumpUntil([&] { return SheetListLines(top, page2) == systemEntries; });
    EXPECT_EQ(SheetListLines(top, page2), systemEntries);

    const String page3 = "システムファイル属性復元";
    ASSERT_TRUE(NextPage(top, page3));
    PumpUntil([&] { return SheetListLines(top, page3) == std::vector<String>{restorable}; });
    EXPECT_EQ(SheetListLines(top, page3), std::vector<String>{restorable});
    EXPECT_TRUE(PumpUntil([&] { return ExecEnabled(top); }));
    ASSERT_TRUE(NextPage(top, "バージョン"));
    EXPECT_TRUE(PumpUntil([&] { return !ExecEnabled(top); }));

    ASSERT_TRUE(program.Close());
    EXPECT_EQ(GetPrivateProfileIntA("Vemtar", "Page", -1, ini.c_str()), 0);
  }
  DeleteFileA(ini.c_str());
}

namespace {

// A resource of the program file, as bytes; empty when it has none.
std::string Resource(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(module, name, type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

// A string of the version resource's Japanese, code page 932 block.
String VersionString(const std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const String path = String("\\StringFileInfo\\041103A4\\") + name;
  if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return "";
  return String(value, strnlen(value, length));
}

}  // namespace

TEST(Program, TheFileCarriesItsIconVersionAndManifest) {
  const String exe = ExeDir() + "VEMTAR.EXE";
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  // The icon: 16, 32 and 48 pixels, each at 4, 8 and 32 bits.
  const std::string group = Resource(module, "MAINICON", RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u);
  const int count = static_cast<uint8_t>(group[4]) | static_cast<uint8_t>(group[5]) << 8;
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::set<std::pair<int, int>> forms;
  for (int i = 0; i < count; ++i) {
    const char* entry = group.data() + 6 + 14 * i;
    const int width = static_cast<uint8_t>(entry[0]);
    const int bits = static_cast<uint8_t>(entry[6]) | static_cast<uint8_t>(entry[7]) << 8;
    forms.insert({width, bits});
  }
  std::set<std::pair<int, int>> wanted;
  for (int width : {16, 32, 48}) {
    for (int bits : {4, 8, 32}) wanted.insert({width, bits});
  }
  EXPECT_EQ(forms, wanted);
  // The manifest: the user's own rights, and the systems it was made for.
  const std::string manifest = Resource(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  size_t systems = 0;
  for (size_t at = 0; (at = manifest.find("<supportedOS Id=", at)) != std::string::npos; ++at) ++systems;
  EXPECT_EQ(systems, 5u);
  EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);  // 10 and 11
  // The controls of the system's own look.
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  FreeLibrary(module);

  // The version: Japanese, code page 932, the version page's number.
  DWORD handle = 0;
  std::vector<char> info(GetFileVersionInfoSizeA(exe.c_str(), &handle));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 932);
  EXPECT_EQ(VersionString(info, "ProductName"), "VEMTAR");
  EXPECT_EQ(VersionString(info, "FileDescription"), "File Attribute Changer");
  EXPECT_EQ("Version " + VersionString(info, "FileVersion"), "Version 1.10");
  EXPECT_EQ(VersionString(info, "ProductVersion"), "1.10");
  EXPECT_FALSE(VersionString(info, "LegalCopyright").empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, DWORD(MAKELONG(10, 1)));
}
