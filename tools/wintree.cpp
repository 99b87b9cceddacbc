// Looks at the running VEMTAR window from outside, for tools/run and for
// people checking a build:
//   wintree dump          prints the window tree (class, visibility, text)
//   wintree next-page     presses the Right key on the page control
//   wintree close         asks the window to close
// Exits with 1 when no VEMTAR window is there.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void Dump(HWND hwnd, int depth) {
  char cls[64], text[512];
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  RECT r;
  GetWindowRect(hwnd, &r);
  std::printf("%*s%s %s %ldx%ld \"%s\"\n", depth * 2, "", cls, IsWindowVisible(hwnd) ? "+" : "-",
              r.right - r.left, r.bottom - r.top, text);
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    Dump(child, depth + 1);
  }
}

HWND FindChildOfClass(HWND parent, const char* cls) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[64];
    GetClassNameA(child, name, sizeof name);
    if (std::strcmp(name, cls) == 0) return child;
    if (HWND inner = FindChildOfClass(child, cls)) return inner;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  HWND main = FindWindowA("TMainForm", "VEMTAR");
  if (!main) return 1;
  const char* command = argc > 1 ? argv[1] : "dump";
  if (std::strcmp(command, "dump") == 0) {
    Dump(main, 0);
  } else if (std::strcmp(command, "next-page") == 0) {
    HWND pages = FindChildOfClass(main, "TPageControl");
    if (!pages) return 1;
    PostMessageA(pages, WM_KEYDOWN, VK_RIGHT, 1);
    PostMessageA(pages, WM_KEYUP, VK_RIGHT, 0xC0000001);
  } else if (std::strcmp(command, "close") == 0) {
    PostMessageA(main, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
