#include "framework/Forms.h"

#include "framework/ComCtrls.h"
#include "framework/StdCtrls.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <iterator>
#include <vector>

namespace {

// The arrow with a page below it, drawn here: the platform has no cursor
// for a drag between controls.
HCURSOR MakeDragCursor() {
  static const char* const rows[] = {
      "X",          "XX",         "X.X",        "X..X",       "X...X",
      "X....X",     "X.....X",    "X......X",   "X.......X",  "X........X",
      "X.....XXXXX", "X..X..X",   "X.X X..X",   "XX  X..X",   "X    X..X",
      "     X..X",  "      XX",   "",           "      XXXXXXXXX",
      "      X.......X", "      X.......X", "      X.......X", "      X.......X",
      "      X.......X", "      XXXXXXXXX",
  };
  const int width = GetSystemMetrics(SM_CXCURSOR), height = GetSystemMetrics(SM_CYCURSOR);
  const int stride = (width + 15) / 16 * 2;
  std::vector<BYTE> shown(static_cast<size_t>(stride * height), 0xFF);  // AND: 1 leaves the screen
  std::vector<BYTE> white(shown.size(), 0);                            // XOR: 1 turns it white
  for (int y = 0; y < static_cast<int>(std::size(rows)) && y < height; ++y) {
    for (int x = 0; rows[y][x] && x < width; ++x) {
      if (rows[y][x] == ' ') continue;
      const size_t at = static_cast<size_t>(y * stride + x / 8);
      const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
      shown[at] &= static_cast<BYTE>(~bit);
      if (rows[y][x] == '.') white[at] |= bit;
    }
  }
  return CreateCursor(GetModuleHandleA(nullptr), 0, 0, width, height, shown.data(), white.data());
}

}  // namespace

HCURSOR TScreen::CursorHandle(TCursor cursor) {
  if (cursor == crDrag) {
    static const struct DragCursor {
      HCURSOR handle = MakeDragCursor();
      ~DragCursor() {
        if (handle) DestroyCursor(handle);
      }
    } drag;
    if (drag.handle) return drag.handle;
  }
  LPCSTR id = IDC_ARROW;
  switch (cursor) {
    case crIBeam: id = IDC_IBEAM; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo:
    case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHandPoint: id = IDC_HAND; break;
    default: break;
  }
  return LoadCursorA(nullptr, id);
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (cursor != crDefault) {
    ::SetCursor(CursorHandle(cursor));
    return;
  }
  // Moving the cursor onto itself makes the window under it set its own.
  POINT p;
  if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);
}

String TApplication::ExeName() const {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return n > 0 && n < sizeof path ? String(path, n) : String();
}

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  if (DialogMessage(msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

namespace {

bool Reachable(TWinControl* control) {
  return control->HandleAllocated() && IsWindowVisible(control->Handle()) &&
         IsWindowEnabled(control->Handle());
}

// The tab stops inside parent, in the order they were placed.
void CollectTabStops(TWinControl* parent, std::vector<TWinControl*>& stops) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* control = dynamic_cast<TWinControl*>(parent->Controls(i));
    if (!control || !Reachable(control)) continue;
    if (control->TabStop()) stops.push_back(control);
    CollectTabStops(control, stops);
  }
}

}  // namespace

bool TApplication::TabKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_MENU) < 0) return false;
  TWinControl* focused = TWinControl::FindControl(msg.hwnd);
  HWND top = GetAncestor(msg.hwnd, GA_ROOT);
  auto* form = focused ? dynamic_cast<TForm*>(TWinControl::FindControl(top)) : nullptr;
  if (!form) return false;
  const bool forward = GetKeyState(VK_SHIFT) >= 0;
  if (GetKeyState(VK_CONTROL) < 0) {
    // The page control the focus is in, else the form's first.
    TPageControl* pages = nullptr;
    for (TWinControl* c = focused; c && !pages; c = c->Parent()) pages = dynamic_cast<TPageControl*>(c);
    if (!pages) {
      std::vector<TWinControl*> stops;
      CollectTabStops(form, stops);
      for (TWinControl* c : stops) {
        if ((pages = dynamic_cast<TPageControl*>(c))) break;
      }
    }
    if (!pages) return false;
    pages->SelectNextPage(forward);
    return true;
  }
  // A control that takes Tab itself (a multi-line edit) keeps it.
  if (SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) &
      DLGC_WANTTAB) {
    return false;
  }
  form->SelectNext(focused, forward);
  return true;
}

bool TApplication::ShortCut(const MSG& msg) {
  if ((msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) || !msg.hwnd) return false;
  auto* form = dynamic_cast<TForm*>(TWinControl::FindControl(GetAncestor(msg.hwnd, GA_ROOT)));
  if (!form || !form->OnShortCut) return false;
  bool handled = false;
  form->OnShortCut(form, static_cast<WORD>(msg.wParam), KeyboardShiftState(), handled);
  return handled;
}

bool TApplication::DialogMessage(MSG& msg) {
  if (DragKey(msg) || ShortCut(msg) || TabKey(msg)) return true;
  HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  return top && TWinControl::FromHandle(top) && IsDialogMessageA(top, &msg);
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

bool TApplication::Terminated() const {
  if (terminated_) return true;
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

void TApplication::Terminate() {
  if (!terminated_) PostQuitMessage(0);
}

void TApplication::FormCreated(TForm* form) {
  if (!mainForm_) mainForm_ = form;
  form->AfterConstruction();
}

void TApplication::Run() {
  while (!terminated_) {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      terminated_ = true;
      break;
    }
    // Tab, Enter and Escape work in every form as in a dialog.
    if (DialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

namespace {

// The version resource's file description of a program, empty when it
// has none.
String FileDescription(const String& path) {
  DWORD handle = 0;
  std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &handle));
  if (info.empty() || !GetFileVersionInfoA(path.c_str(), 0, DWORD(info.size()), info.data())) return "";
  WORD* languages = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&languages),
                      &length) ||
      length < 4) {
    return "";
  }
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileDescription", languages[0],
                languages[1]);
  char* text = nullptr;
  if (!VerQueryValueA(info.data(), key, reinterpret_cast<void**>(&text), &length) || !text) return "";
  return String(text, strnlen(text, length));
}

String InDirectory(UINT (WINAPI* directory)(LPSTR, UINT), const char* name) {
  char path[MAX_PATH];
  const UINT n = directory(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  String file(path, n);
  if (file.back() != '\\') file += '\\';
  return file + name;
}

}  // namespace

const String& TApplication::WinHelpViewer() {
  if (winHelpViewer_.empty()) {
    winHelpViewer_ = InDirectory(&GetSystemDirectoryA, "winhlp32.exe");
    if (GetFileAttributesA(winHelpViewer_.c_str()) == INVALID_FILE_ATTRIBUTES) {
      winHelpViewer_ = InDirectory(&GetWindowsDirectoryA, "winhlp32.exe");
    }
  }
  return winHelpViewer_;
}

bool TApplication::WinHelpViewerUsable() {
  const String& viewer = WinHelpViewer();
  const DWORD attributes = GetFileAttributesA(viewer.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return FileDescription(viewer).find("Stub") == String::npos;
}

void TApplication::HelpCommand(UINT command, ULONG_PTR data) {
  String page = helpFile_;
  const size_t dot = page.find_last_of(".\\");
  page = (dot != String::npos && page[dot] == '.' ? page.substr(0, dot) : page) + ".HTM";
  const DWORD attributes = GetFileAttributesA(page.c_str());
  const bool browse = !helpFile_.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
                      !(attributes & FILE_ATTRIBUTE_DIRECTORY) && !WinHelpViewerUsable();
  if (seam_) {
    seam_->Help(browse ? page : helpFile_, command, data);
    return;
  }
  HWND owner = mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr;
  // A system with nothing to open the page with still hears from WinHelp
  // (the stub of later Windows says where help went).
  if (browse && reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", page.c_str(), nullptr,
                                                        nullptr, SW_SHOWNORMAL)) > 32) {
    return;
  }
  WinHelpA(owner, helpFile_.c_str(), command, data);
}

void TApplication::Beep(UINT type) {
  if (seam_) seam_->Beep(type);
  else MessageBeep(type);
}

void TApplication::ShowException(const std::exception& e) {
  String text = e.what();
  if (seam_) {
    seam_->Answer(title_, text, "OK");
    return;
  }
  HWND owner = mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr;
  MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

TApplication& Application() {
  static TApplication application;
  return application;
}

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

// --- TForm ------------------------------------------------------------------

namespace {

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM list) {
  if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

TForm::TForm(TComponent* owner) : TCustomControl(owner) {
  SetVisible(false);
  SetTabStop(false);
}

TForm::~TForm() = default;

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  TCreateParams params;
  CreateParams(params);
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
  SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TForm::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.ClassName = "TForm";
  params.Style = WS_CLIPCHILDREN | WS_CAPTION | WS_OVERLAPPED;
  if (borderStyle_ == bsNone) params.Style = (params.Style & ~WS_CAPTION) | WS_POPUP;
  if (borderStyle_ == bsSizeable) params.Style |= WS_THICKFRAME;
  if (borderStyle_ == bsDialog) params.ExStyle |= WS_EX_DLGMODALFRAME;
  if (borderIcons_ & biSystemMenu) params.Style |= WS_SYSMENU;
  if (borderStyle_ != bsDialog && (borderIcons_ & biMinimize)) params.Style |= WS_MINIMIZEBOX;
  if (borderStyle_ != bsDialog && (borderIcons_ & biMaximize)) params.Style |= WS_MAXIMIZEBOX;
  params.ExStyle |= WS_EX_CONTROLPARENT;
  if (!Enabled()) params.Style |= WS_DISABLED;
  params.WndParent = ownerWindow_;
  if (position_ == poScreenCenter) {
    params.X = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
    params.Y = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
  }
}

void TForm::InitializeWnd() {
  // The program's own icon, by the name programs give it, in the title bar
  // and the task bar, at each one's size.
  HINSTANCE module = GetModuleHandleA(nullptr);
  if (FindResourceA(module, "MAINICON", RT_GROUP_ICON)) {
    for (WPARAM which : {WPARAM(ICON_SMALL), WPARAM(ICON_BIG)}) {
      const int size = GetSystemMetrics(which == ICON_SMALL ? SM_CXSMICON : SM_CXICON);
      if (HANDLE icon = LoadImageA(module, "MAINICON", IMAGE_ICON, size, size, LR_SHARED)) {
        SendMessageA(Handle(), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
      }
    }
  }
  if (position_ == poScreenCenter) {
    RECT r;
    GetWindowRect(Handle(), &r);
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

void TForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void TForm::Close() {
  if (modal_) {
    // A modal form ends by its result; the title-bar close cancels.
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    return;
  }
  TCloseAction action = this == Application().MainForm() ? caFree : caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  Hide();
  if (this == Application().MainForm()) Application().Terminate();
}

int TForm::ShowModal() {
  // The other windows of the program wait while the form is up.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                    reinterpret_cast<LPARAM>(&disabled));
  for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);
  modalResult_ = mrNone;
  modal_ = true;
  Show();
  if (activeControl_) activeControl_->SetFocus();
  while (modalResult_ == mrNone && !Application().Terminated()) {
    MSG msg;
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      // Not an answer: the quit goes on to the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!DragKey(msg) && !Application().ShortCut(msg) && !Application().TabKey(msg) &&
        !IsDialogMessageA(Handle(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  modal_ = false;
  for (HWND hwnd : disabled) EnableWindow(hwnd, TRUE);
  Hide();
  return modalResult_;
}

void TForm::SelectNext(TWinControl* current, bool forward) {
  std::vector<TWinControl*> stops;
  CollectTabStops(this, stops);
  if (stops.empty()) return;
  const int n = static_cast<int>(stops.size());
  // From the stop that holds the focus (or the container it is in).
  int at = -1;
  for (TWinControl* c = current; c && at < 0; c = c->Parent()) {
    auto found = std::find(stops.begin(), stops.end(), c);
    if (found != stops.end()) at = static_cast<int>(found - stops.begin());
  }
  const int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
  stops[next]->SetFocus();
}

void TForm::SetActiveControl(TWinControl* control) {
  activeControl_ = control;
  if (control) FreeNotification(control);
  if (control && HandleAllocated() && Visible()) control->SetFocus();
}

void TForm::SetDefaultButton(TControl* button) {
  defaultButton_ = button;
  if (button) FreeNotification(button);
}

void TForm::SetCancelButton(TControl* button) {
  cancelButton_ = button;
  if (button) FreeNotification(button);
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == activeControl_) activeControl_ = nullptr;
  if (component == defaultButton_) defaultButton_ = nullptr;
  if (component == cancelButton_) cancelButton_ = nullptr;
}

void TForm::VisibleChanged() {
  // A form is made when it is first shown.
  if (Visible()) HandleNeeded();
  TCustomControl::VisibleChanged();
  if (Visible()) {
    if (OnShow) OnShow(this);
    if (activeControl_) activeControl_->SetFocus();
  }
}

void TForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case DM_GETDEFID:
      if (auto* button = dynamic_cast<TWinControl*>(defaultButton_)) {
        if (ShowsEnabled(button) && button->Showing()) {
          m.Result = MAKELRESULT(button->ControlId(), DC_HASDEFID);
          return;
        }
      }
      m.Result = 0;
      return;
    case WM_COMMAND:
      // Enter and Escape as IsDialogMessage sends them.
      if (m.LParam == 0 || LOWORD(m.WParam) == IDCANCEL) {
        TControl* button = LOWORD(m.WParam) == IDCANCEL ? cancelButton_
                           : LOWORD(m.WParam) == IDOK    ? defaultButton_
                                                         : nullptr;
        if (button && ShowsEnabled(button) && button->Showing()) {
          button->Click();
          m.Result = 0;
          return;
        }
      }
      break;
    case WM_CLOSE:
      Close();
      m.Result = 0;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}
