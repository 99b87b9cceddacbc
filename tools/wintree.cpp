// Looks at the running VEMTAR window from outside, for tools/run, the
// mouse-and-keys test and people checking a build:
//   wintree dump          prints the window tree (class, visibility, text)
//   wintree next-page     presses the Right key on the page control
//   wintree close         asks the window to close
//   wintree rect CLASS [TEXT]
//                         prints "left top width height" on the screen of
//                         the first shown control of the class (and text)
//   wintree node TEXT     the same for the shown directory tree's line
//                         TEXT (expanded and in view)
//   wintree row TEXT      the same for the shown file list's row TEXT
//                         (in view)
//   wintree tab TEXT      the same for the page control's tab TEXT
//   wintree dialog        prints the caption of the dialog the program
//                         shows; exits with 1 when there is none
// With "--desktop NAME" first, it looks on that desktop (a Wine virtual
// desktop started with explorer /desktop=NAME) instead of its own.
// Exits with 1 when no VEMTAR window (or no such control) is there.
#include <windows.h>
#include <commctrl.h>

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

// A shown top-level window of the main window's process other than the
// main window: the modal dialog, while one is up.
HWND FindDialog(HWND main) {
  DWORD process = 0;
  GetWindowThreadProcessId(main, &process);
  for (HWND top = GetWindow(GetDesktopWindow(), GW_CHILD); top; top = GetWindow(top, GW_HWNDNEXT)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(top, &owner);
    if (top != main && owner == process && IsWindowVisible(top)) return top;
  }
  return nullptr;
}

// Memory in the control's process: the tree and list messages carry
// pointers, and Wine does not copy those between processes.
class Remote {
 public:
  Remote(HWND hwnd, SIZE_T size) {
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd, &id);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (process_) memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~Remote() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool Ok() const { return memory_ != nullptr; }
  char* At(SIZE_T offset) const { return static_cast<char*>(memory_) + offset; }
  bool Put(const void* data, SIZE_T size, SIZE_T offset = 0) const {
    return WriteProcessMemory(process_, At(offset), data, size, nullptr);
  }
  bool Get(void* data, SIZE_T size, SIZE_T offset = 0) const {
    return ReadProcessMemory(process_, At(offset), data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
};

constexpr SIZE_T kTextAt = 256, kTextSize = 512;

// Prints a client rectangle of control on the screen.
void PrintOnScreen(HWND control, RECT r) {
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The label of the tree's visible line reading text.
bool PrintNode(HWND tree, const char* text) {
  Remote remote(tree, kTextAt + kTextSize);
  if (!remote.Ok()) return false;
  for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
       item; item = reinterpret_cast<HTREEITEM>(
                 SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)))) {
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = remote.At(kTextAt);
    tv.cchTextMax = kTextSize;
    char name[kTextSize] = "";
    if (!remote.Put(&tv, sizeof tv) ||
        !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.At(0))) ||
        !remote.Get(name, sizeof name, kTextAt) || std::strcmp(name, text) != 0) {
      continue;
    }
    RECT r{}, client;
    *reinterpret_cast<HTREEITEM*>(&r) = item;
    GetClientRect(tree, &client);
    // Only a line in view: a person would have to scroll first.
    if (!remote.Put(&r, sizeof r) ||
        !SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.At(0))) ||
        !remote.Get(&r, sizeof r) || r.top < 0 || r.bottom > client.bottom) {
      return false;
    }
    PrintOnScreen(tree, r);
    return true;
  }
  return false;
}

// The name cell of the list's row reading text.
bool PrintRow(HWND list, const char* text) {
  Remote remote(list, kTextAt + kTextSize);
  if (!remote.Ok()) return false;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    LVITEMA lv{};
    lv.iSubItem = 0;
    lv.pszText = remote.At(kTextAt);
    lv.cchTextMax = kTextSize;
    char name[kTextSize] = "";
    if (!remote.Put(&lv, sizeof lv) ||
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.At(0))) <= 0 ||
        !remote.Get(name, sizeof name, kTextAt) || std::strcmp(name, text) != 0) {
      continue;
    }
    // Only a row in view: a person would have to scroll first.
    const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    if (row < top || row >= top + SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) return false;
    RECT r{};
    r.left = LVIR_LABEL;
    if (!remote.Put(&r, sizeof r) ||
        !SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.At(0))) ||
        !remote.Get(&r, sizeof r)) {
      return false;
    }
    PrintOnScreen(list, r);
    return true;
  }
  return false;
}

// The tab reading text.
bool PrintTab(HWND pages, const char* text) {
  Remote remote(pages, kTextAt + kTextSize);
  if (!remote.Ok()) return false;
  const int count = static_cast<int>(SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0));
  for (int tab = 0; tab < count; ++tab) {
    TCITEMA tc{};
    tc.mask = TCIF_TEXT;
    tc.pszText = remote.At(kTextAt);
    tc.cchTextMax = kTextSize;
    char name[kTextSize] = "";
    if (!remote.Put(&tc, sizeof tc) ||
        !SendMessageA(pages, TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(remote.At(0))) ||
        !remote.Get(name, sizeof name, kTextAt) || std::strcmp(name, text) != 0) {
      continue;
    }
    RECT r{};
    if (!SendMessageA(pages, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(remote.At(0))) ||
        !remote.Get(&r, sizeof r)) {
      return false;
    }
    PrintOnScreen(pages, r);
    return true;
  }
  return false;
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
  } else if ((std::strcmp(command, "node") == 0 || std::strcmp(command, "row") == 0) && argc > 2) {
    const bool node = command[0] == 'n';
    HWND control = FindChildOfClass(main, node ? "TTreeView" : "TListView", nullptr, true);
    if (!control || !(node ? PrintNode(control, argv[2]) : PrintRow(control, argv[2]))) return 1;
  } else if (std::strcmp(command, "tab") == 0 && argc > 2) {
    HWND pages = FindChildOfClass(main, "TPageControl");
    if (!pages || !PrintTab(pages, argv[2])) return 1;
  } else if (std::strcmp(command, "dialog") == 0) {
    HWND dialog = FindDialog(main);
    if (!dialog) return 1;
    char caption[512];
    GetWindowTextA(dialog, caption, sizeof caption);
    std::printf("%s\n", caption);
  } else if (std::strcmp(command, "close") == 0) {
    PostMessageA(main, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
