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
//   wintree tip           the same for the hint the program shows as a
//                         tooltip: its text
//   wintree active        prints the caption of the program's window that
//                         keys go to; exits with 1 when the desktop's
//                         foreground window is not the program's
//   wintree focus         prints the class and "text" of the control with
//                         the keyboard focus in that window
//   wintree check TEXT    prints "checked" or "unchecked" for the shown
//                         check box TEXT
//   wintree enabled CLASS TEXT
//                         prints "enabled" or "disabled" for the shown
//                         control: disabled also when a window around it is
//   wintree selected-node prints the text of the tree's selected line
//   wintree selected-rows prints the file list's selected rows, one a line
//   wintree rows          prints how many rows the file list holds
//   wintree cell TEXT N   prints column N (0 the name) of the file list's
//                         row TEXT
//   wintree items CLASS   prints the lines of the first shown list box of
//                         the class, one a line
//   wintree window TEXT   prints the class and caption of a shown top-level
//                         window of another program whose class is TEXT or
//                         whose caption holds it (the help viewer the
//                         program started)
//   wintree close-window TEXT
//                         asks that window to close
//   wintree page          prints the caption of the page shown
//   wintree text CLASS [TEXT]
//                         prints the text of the first shown control of the
//                         class (and text)
// With "--desktop NAME" first, it looks on that desktop (a Wine virtual
// desktop started with explorer /desktop=NAME) instead of its own; with
// "--gallery" (after it), at the gallery's window instead of VEMTAR's.
// Exits with 1 when no VEMTAR window (or no such control) is there.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The program's window looked at: VEMTAR's, or with --gallery the gallery's.
const char* programClass = "TMainForm";
const char* programTitle = "VEMTAR";

HWND ProgramWindow() { return FindWindowA(programClass, programTitle); }

// A control's text, asked of the control: for another program's window
// GetWindowText answers the title it was made with, not an edit box's text.
void ControlText(HWND control, char* text, int size) {
  DWORD_PTR copied = 0;
  text[0] = '\0';
  SendMessageTimeoutA(control, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, &copied);
}

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

// The first control of the class (and text as it is now, unless null)
// below parent; with shown, only one that is visible.
HWND FindChildOfClass(HWND parent, const char* cls, const char* text = nullptr, bool shown = false) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (shown && !IsWindowVisible(child)) continue;
    char name[64], caption[512] = "";
    GetClassNameA(child, name, sizeof name);
    if (std::strcmp(name, cls) == 0) {
      // The text as it is now: an edit box's, as typed.
      if (text) ControlText(child, caption, sizeof caption);
      if (!text || std::strcmp(caption, text) == 0) return child;
    }
    if (HWND inner = FindChildOfClass(child, cls, text, shown)) return inner;
  }
  return nullptr;
}

// A shown top-level window, not of the program, of class text or whose
// caption holds text.
HWND FindOtherWindow(const char* text) {
  HWND main = ProgramWindow();
  DWORD program = 0;
  if (main) GetWindowThreadProcessId(main, &program);
  for (HWND top = GetWindow(GetDesktopWindow(), GW_CHILD); top; top = GetWindow(top, GW_HWNDNEXT)) {
    DWORD process = 0;
    GetWindowThreadProcessId(top, &process);
    char cls[64] = "", caption[512] = "";
    GetClassNameA(top, cls, sizeof cls);
    GetWindowTextA(top, caption, sizeof caption);
    if (process != program && IsWindowVisible(top) &&
        (std::strcmp(cls, text) == 0 || std::strstr(caption, text))) {
      return top;
    }
  }
  return nullptr;
}

// A shown top-level window of the main window's process other than the
// main window, a tip (tip true) or not: the modal dialog while one is up,
// or the hint shown.
HWND FindShown(HWND main, bool tip) {
  DWORD process = 0;
  GetWindowThreadProcessId(main, &process);
  for (HWND top = GetWindow(GetDesktopWindow(), GW_CHILD); top; top = GetWindow(top, GW_HWNDNEXT)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(top, &owner);
    char cls[64] = "";
    GetClassNameA(top, cls, sizeof cls);
    if (top != main && owner == process && IsWindowVisible(top) &&
        (std::strcmp(cls, TOOLTIPS_CLASSA) == 0) == tip) {
      return top;
    }
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

// The window of the program's that the desktop sends keys to, and that
// thread's focus; false when the foreground is another program's.
bool Foreground(HWND main, HWND& active, HWND& focus) {
  HWND top = GetForegroundWindow();
  DWORD process = 0, owner = 0;
  GetWindowThreadProcessId(main, &process);
  const DWORD thread = GetWindowThreadProcessId(top, &owner);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!top || owner != process || !GetGUIThreadInfo(thread, &info) || info.hwndActive != top) {
    return false;
  }
  active = info.hwndActive;
  focus = info.hwndFocus;
  return true;
}

// Whether input can reach control: it and every window around it enabled.
bool Usable(HWND control) {
  for (HWND w = control; w; w = GetParent(w)) {
    if (!IsWindowEnabled(w)) return false;
  }
  return true;
}

// The text of the tree's item.
bool NodeText(const Remote& remote, HWND tree, HTREEITEM item, char (&name)[kTextSize]) {
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = remote.At(kTextAt);
  tv.cchTextMax = kTextSize;
  return remote.Put(&tv, sizeof tv) &&
         SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.At(0))) &&
         remote.Get(name, sizeof name, kTextAt);
}

// The text of a column (0 the name) of the list's row.
bool RowText(const Remote& remote, HWND list, int row, char (&name)[kTextSize], int column = 0) {
  LVITEMA lv{};
  lv.iSubItem = column;
  lv.pszText = remote.At(kTextAt);
  lv.cchTextMax = kTextSize;
  return remote.Put(&lv, sizeof lv) &&
         SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.At(0))) > 0 &&
         remote.Get(name, sizeof name, kTextAt);
}

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
    char name[kTextSize] = "";
    if (!NodeText(remote, tree, item, name) || std::strcmp(name, text) != 0) continue;
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
    char name[kTextSize] = "";
    if (!RowText(remote, list, row, name) || std::strcmp(name, text) != 0) continue;
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

// Column column of the list's row whose name is text.
bool PrintCell(HWND list, const char* text, int column) {
  Remote remote(list, kTextAt + kTextSize);
  if (!remote.Ok()) return false;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    char name[kTextSize] = "", cell[kTextSize] = "";
    if (!RowText(remote, list, row, name) || std::strcmp(name, text) != 0) continue;
    // An empty cell copies nothing: the buffer is cleared first.
    if (!remote.Put(cell, sizeof cell, kTextAt)) return false;
    RowText(remote, list, row, cell, column);
    std::printf("%s\n", cell);
    return true;
  }
  return false;
}

// The text of the tree's selected line.
bool PrintSelectedNode(HWND tree) {
  Remote remote(tree, kTextAt + kTextSize);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  char name[kTextSize] = "";
  if (!remote.Ok() || !item || !NodeText(remote, tree, item, name)) return false;
  std::printf("%s\n", name);
  return true;
}

// The names of the list's selected rows, in row order.
bool PrintSelectedRows(HWND list) {
  Remote remote(list, kTextAt + kTextSize);
  if (!remote.Ok()) return false;
  for (int row = -1;
       (row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;) {
    char name[kTextSize] = "";
    if (!RowText(remote, list, row, name)) return false;
    std::printf("%s\n", name);
  }
  return true;
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
  if (argc > 1 && std::strcmp(argv[1], "--gallery") == 0) {
    programClass = "TGalleryForm";
    programTitle = nullptr;
    --argc;
    ++argv;
  }
  const char* command = argc > 1 ? argv[1] : "dump";
  if ((std::strcmp(command, "window") == 0 || std::strcmp(command, "close-window") == 0) &&
      argc > 2) {
    HWND other = FindOtherWindow(argv[2]);
    if (!other) return 1;
    if (command[0] == 'c') {
      PostMessageA(other, WM_CLOSE, 0, 0);
      return 0;
    }
    char cls[64] = "", caption[512] = "";
    GetClassNameA(other, cls, sizeof cls);
    GetWindowTextA(other, caption, sizeof caption);
    std::printf("%s \"%s\"\n", cls, caption);
    return 0;
  }
  HWND main = ProgramWindow();
  if (!main) return 1;
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
  } else if (std::strcmp(command, "dialog") == 0 || std::strcmp(command, "tip") == 0) {
    const bool tip = command[0] == 't';
    HWND shown = FindShown(main, tip);
    if (!shown) return 1;
    char caption[512] = "";
    if (tip) {
      // A tip's text is the control's own, not its window's caption: asked
      // for in UTF-16, as Wine copies ANSI text between processes cut short.
      wchar_t wide[256] = L"";
      DWORD_PTR copied = 0;
      SendMessageTimeoutW(shown, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG,
                          2000, &copied);
      WideCharToMultiByte(CP_ACP, 0, wide, -1, caption, sizeof caption, nullptr, nullptr);
    } else {
      GetWindowTextA(shown, caption, sizeof caption);
    }
    std::printf("%s\n", caption);
  } else if (std::strcmp(command, "active") == 0 || std::strcmp(command, "focus") == 0) {
    HWND active = nullptr, focus = nullptr;
    if (!Foreground(main, active, focus)) return 1;
    char cls[64] = "", text[512] = "";
    if (command[0] == 'a') {
      GetWindowTextA(active, text, sizeof text);
      std::printf("%s\n", text);
    } else {
      if (!focus) return 1;
      GetClassNameA(focus, cls, sizeof cls);
      ControlText(focus, text, sizeof text);
      std::printf("%s \"%s\"\n", cls, text);
    }
  } else if (std::strcmp(command, "check") == 0 && argc > 2) {
    HWND box = FindChildOfClass(main, "TCheckBox", argv[2], true);
    if (!box) return 1;
    std::printf("%s\n", SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? "checked" : "unchecked");
  } else if (std::strcmp(command, "enabled") == 0 && argc > 3) {
    HWND control = FindChildOfClass(main, argv[2], argv[3], true);
    if (!control) return 1;
    std::printf("%s\n", Usable(control) ? "enabled" : "disabled");
  } else if (std::strcmp(command, "selected-node") == 0) {
    HWND tree = FindChildOfClass(main, "TTreeView", nullptr, true);
    if (!tree || !PrintSelectedNode(tree)) return 1;
  } else if (std::strcmp(command, "selected-rows") == 0) {
    HWND list = FindChildOfClass(main, "TListView", nullptr, true);
    if (!list || !PrintSelectedRows(list)) return 1;
  } else if (std::strcmp(command, "rows") == 0) {
    HWND list = FindChildOfClass(main, "TListView", nullptr, true);
    if (!list) return 1;
    std::printf("%d\n", static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
  } else if (std::strcmp(command, "cell") == 0 && argc > 3) {
    HWND list = FindChildOfClass(main, "TListView", nullptr, true);
    if (!list || !PrintCell(list, argv[2], std::atoi(argv[3]))) return 1;
  } else if (std::strcmp(command, "items") == 0 && argc > 2) {
    HWND box = FindChildOfClass(main, argv[2], nullptr, true);
    if (!box) return 1;
    const int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int line = 0; line < count; ++line) {
      // Wine copies the ANSI text between processes cut short: it is
      // asked for in UTF-16.
      wchar_t wide[kTextSize] = L"";
      char text[kTextSize * 2] = "";
      if (SendMessageW(box, LB_GETTEXTLEN, line, 0) >= static_cast<LRESULT>(kTextSize)) return 1;
      SendMessageW(box, LB_GETTEXT, line, reinterpret_cast<LPARAM>(wide));
      WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
      std::printf("%s\n", text);
    }
  } else if (std::strcmp(command, "page") == 0) {
    HWND sheet = FindChildOfClass(main, "TTabSheet", nullptr, true);
    if (!sheet) return 1;
    char caption[512] = "";
    GetWindowTextA(sheet, caption, sizeof caption);
    std::printf("%s\n", caption);
  } else if (std::strcmp(command, "text") == 0 && argc > 2) {
    HWND control = FindChildOfClass(main, argv[2], argc > 3 ? argv[3] : nullptr, true);
    if (!control) return 1;
    char text[512] = "";
    ControlText(control, text, sizeof text);
    std::printf("%s\n", text);
  } else if (std::strcmp(command, "close") == 0) {
    PostMessageA(main, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
