// The real VEMTAR.EXE, started as a user would and looked at from outside:
// its window tree, texts and pages, and the page it stores on closing.
#include "lib/core/File.h"
#include "tests/helpers/MappedDrive.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
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

// The folder VEMTAR.EXE is built in, beside this test program's.
String ExeDir() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  return FullPath(String(path, FileNamePart(path) - path) + "..\\bin") + "\\";
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
  MappedDrive drive(files.Path());
  ASSERT_TRUE(drive.Ok());
  const String cwd = drive.Drive() + "\\";

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  String line = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             cwd.c_str(), &startup, &info));
  WaitForInputIdle(info.hProcess, 10000);
  HWND top = nullptr;
  for (int i = 0; i < 200 && !top; ++i) {
    top = FindWindowA("TMainForm", "VEMTAR");
    if (!top) Sleep(50);
  }
  ASSERT_TRUE(top);
  EXPECT_TRUE(IsWindowVisible(top));
  RECT client;
  GetClientRect(top, &client);
  EXPECT_EQ(client.right, 592);
  EXPECT_EQ(client.bottom, 441);

  std::vector<Window> tree = Tree(top);
  for (const char* caption : {"実行", "閉じる", "ヘルプ", "検索", "除外", "スキャンディスク",
                              "デフラグ", "再読込み"}) {
    EXPECT_TRUE(Find(tree, "TButton", caption)) << caption;
  }
  for (const char* page : {"ファイル属性変更", "システムファイル属性解除", "システムファイル属性復元",
                           "バージョン"}) {
    EXPECT_TRUE(Find(tree, "TTabSheet", page)) << page;
  }
  const Window* tabs = nullptr;
  for (const Window& w : tree) {
    if (w.cls == "TPageControl") tabs = &w;
  }
  ASSERT_TRUE(tabs);
  EXPECT_EQ(SendMessageA(tabs->hwnd, TCM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(VisibleSheet(top), "ファイル属性変更");

  // The keyboard moves to the last page, as a user would with the arrows.
  for (int i = 0; i < 3; ++i) {
    PostMessageA(tabs->hwnd, WM_KEYDOWN, VK_RIGHT, 1);
    PostMessageA(tabs->hwnd, WM_KEYUP, VK_RIGHT, 0xC0000001);
    for (int wait = 0; wait < 100; ++wait) {
      Sleep(20);
      if (SendMessageA(tabs->hwnd, TCM_GETCURSEL, 0, 0) == i + 1) break;
    }
  }
  Sleep(100);
  EXPECT_EQ(VisibleSheet(top), "バージョン");
  const Window* exec = Find(Tree(top), "TButton", "実行");
  ASSERT_TRUE(exec);
  EXPECT_FALSE(IsWindowEnabled(exec->hwnd));

  PostMessageA(top, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  EXPECT_EQ(GetPrivateProfileIntA("Vemtar", "Page", -1, ini.c_str()), 0);
  DeleteFileA(ini.c_str());
}
