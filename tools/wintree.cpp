// Looks at the running VEMTAR window from outside, for tools/run and for
// people checking a build:
//   wintree dump          prints the window tree (class, visibility, text)
//   wintree next-page     presses the Right key on the page control
//   wintree close         asks the window to close
//   wintree rect CLASS [TEXT]
//                         prints "left top width height" on the screen of
//                         the first shown control of the class (and text)
// With "--desktop NAME" first, it looks on that desktop (a Wine virtual
// desktop started with explorer /desktop=NAME) instead of its own.
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

// The first control of the class (and text, unless null) below parent;
// with shown, only one that is visible.
HWND FindChildOfClass(HWND parent, const char* cls, const char* text = nullptr, bool shown = false) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (shown && !IsWindowVisible(child)) continue;
    char name[64], caption[512];
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, caption, sizeof caption);
    if (std::strcmp(name, cls) == 0 && (!text || std::strcmp(caption, text) == 0)) return child;
    if (HWND inner = FindChildOfClass(child, cls, text, shown)) return inner;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--desktop") == 0) {
    HDESK desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
    if (!desktop || !SetThreadDesktop(desktop)) return 1;
    argc -= 2;
    argv += 2;
  }
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
  } else if (std::strcmp(command, "rect") == 0 && argc > 2) {
    HWND control = FindChildOfClass(main, argv[2], argc > 3 ? argv[3] : nullptr, true);
    if (!control) return 1;
    RECT r;
    GetWindowRect(control, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else if (std::strcmp(command, "close") == 0) {
    PostMessageA(main, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
