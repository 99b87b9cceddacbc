#include "framework/Controls.h"

#include "framework/Forms.h"
#include "framework/Locale.h"
#include "framework/Menus.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>

namespace {

// The control being created: its window procedure binds it at the first
// message the new window receives.
thread_local TWinControl* creating = nullptr;

int NextControlId() {
  static int next = 100;
  return next++;
}

// The control that last took the focus in each top-level window. Handles,
// not objects: FromHandle finds nothing for a window that has gone.
std::map<HWND, HWND> lastFocused;

// The shift state a mouse message carries in its wParam.
TShiftState MouseShiftState(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  return shift;
}

}  // namespace

TShiftState KeyboardShiftState() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  return shift;
}

// --- TControl ---------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this](TObject*) {
    parentFont_ = false;
    FontChanged();
  };
}

TControl::~TControl() {
  font_.OnChange = nullptr;
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) Invalidate();
  visible_ = visible;
  VisibleChanged();
  if (visible) Invalidate();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  EnabledChanged();
  Invalidate();
}

void TControl::SetCaption(const String& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  TextChanged();
  Invalidate();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == parentFont_) return;
  parentFont_ = parentFont;
  if (parentFont && parent_) {
    auto handler = std::move(font_.OnChange);
    font_.Assign(parent_->Font());
    font_.OnChange = std::move(handler);
    FontChanged();
  }
}

void TControl::ParentFontChanged() {
  auto* self = dynamic_cast<TWinControl*>(this);
  if (!self) return;
  for (TControl* child : self->controls_) {
    if (!child->parentFont_) continue;
    auto handler = std::move(child->font_.OnChange);
    child->font_.Assign(font_);
    child->font_.OnChange = std::move(handler);
    child->FontChanged();
    child->ParentFontChanged();
  }
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

bool ShowsEnabled(const TControl* control) {
  for (const TControl* c = control; c; c = c->Parent()) {
    if (!c->Enabled()) return false;
  }
  return true;
}

void TControl::Invalidate() {}
void TControl::Update() {}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

// --- TGraphicControl --------------------------------------------------------

void TGraphicControl::Invalidate() {
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->handle_, &r, TRUE);
  }
}

void TGraphicControl::Update() {
  if (Parent()) Parent()->Update();
}

// --- TWinControl ------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner), id_(NextControlId()) {}

TWinControl::~TWinControl() {
  deleting_ = true;
  DestroyHandle();
  // The children outlive us only as parentless controls.
  for (TControl* child : controls_) child->parent_ = nullptr;
  controls_.clear();
  if (brush_) DeleteObject(brush_);
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  // The class's procedure, not the window's: another control may have
  // subclassed one of ours (an up-down control its buddy).
  WNDPROC proc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC));
  if (proc != &StaticWndProc) return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (control->parentFont_) {
    auto handler = std::move(control->font_.OnChange);
    control->font_.Assign(Font());
    control->font_.OnChange = std::move(handler);
    control->FontChanged();
  }
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (handle_) {
      if (win->handle_) {
        ::SetParent(win->handle_, handle_);
        EnableWindow(win->handle_, ShowsEnabled(win));
      } else {
        win->HandleNeeded();
      }
    }
  } else {
    control->Invalidate();
  }
}

void TWinControl::RemoveControl(TControl* control) {
  control->Invalidate();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
  if (auto* win = dynamic_cast<TWinControl*>(control)) win->DestroyHandle();
}

HWND TWinControl::Handle() {
  if (!handle_) {
    if (Parent()) Parent()->HandleNeeded();
    if (!handle_) CreateWnd();
  }
  return handle_;
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  HandleNeeded();
}

void TWinControl::DestroyHandle() {
  if (handle_) DestroyWnd();
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.ClassName = "TWinControl";
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!ShowsEnabled(this)) params.Style |= WS_DISABLED;
  if (tabStop_) params.Style |= WS_TABSTOP;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WndParent = Parent() ? Parent()->Handle() : nullptr;
}

WNDPROC TWinControl::RegisterClassFor(const TCreateParams& params) {
  static std::map<String, WNDPROC> registered;
  auto it = registered.find(params.ClassName);
  if (it != registered.end()) return it->second;

  static bool commonControls = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)commonControls;

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  WNDPROC base = DefWindowProcA;
  if (params.BaseClass) {
    if (!GetClassInfoExA(nullptr, params.BaseClass, &wc)) {
      throw Exception(String("Window class not found: ") + params.BaseClass);
    }
    base = wc.lpfnWndProc;
    wc.style &= ~CS_GLOBALCLASS;
  } else {
    wc.style = params.ClassStyle;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  }
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &StaticWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = params.ClassName.c_str();
  if (!RegisterClassExA(&wc)) throw Exception("Cannot register window class " + params.ClassName);
  registered.emplace(params.ClassName, base);
  return base;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  baseProc_ = RegisterClassFor(params);
  const bool child = (params.Style & WS_CHILD) != 0;
  creating = this;
  HWND hwnd = CreateWindowExA(params.ExStyle, params.ClassName.c_str(), caption_.c_str(),
                              params.Style, params.X, params.Y, params.Width, params.Height,
                              params.WndParent,
                              child ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)) : nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  creating = nullptr;
  if (!hwnd) throw Exception("Error creating window " + params.ClassName);
  handle_ = hwnd;
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
  InitializeWnd();
  for (TControl* c : controls_) {
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->HandleNeeded();
  }
}

void TWinControl::DestroyWnd() {
  // Children first, each through its own DestroyWnd, so that state their
  // windows hold is read back before the windows go.
  for (TControl* c : controls_) {
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->DestroyHandle();
  }
  HWND hwnd = handle_;
  lastFocused.erase(hwnd);
  DestroyWindow(hwnd);
  handle_ = nullptr;  // WM_NCDESTROY unbinds too; a failed destroy must not leave us bound
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) {
    self = creating;
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    creating = nullptr;
    self->handle_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  TMessage message{msg, wp, lp, 0};
  // Exceptions never cross the platform's frames: a handler's failure is
  // shown and the window goes on.
  try {
    self->WndProc(message);
  } catch (const std::exception& e) {
    Application().ShowException(e);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (self->handle_ == hwnd) self->handle_ = nullptr;
  }
  return message.Result;
}

void TWinControl::DefaultHandler(TMessage& m) {
  m.Result = CallWindowProcA(baseProc_, handle_, m.Msg, m.WParam, m.LParam);
}

HBRUSH TWinControl::CtlColor(HDC dc) {
  SetTextColor(dc, ColorToRGB(Font().Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  if (!brush_) brush_ = CreateSolidBrush(ColorToRGB(Color()));
  return brush_;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_COMMAND:
      if (auto* child = FromHandle(reinterpret_cast<HWND>(m.LParam))) {
        if (child->CNCommand(HIWORD(m.WParam), m.Result)) return;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(m.LParam);
      if (auto* child = FromHandle(header->hwndFrom)) {
        if (child->CNNotify(header, m.Result)) return;
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      if (item->CtlType != ODT_MENU) {
        if (auto* child = FromHandle(item->hwndItem)) {
          if (child->CNDrawItem(item, m.Result)) return;
        }
      }
      break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (auto* child = FromHandle(reinterpret_cast<HWND>(m.LParam))) {
        if (child != this && child->CNScroll(m.Msg, m.WParam, m.Result)) return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      MouseMessage(m);
      return;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (auto* child = FromHandle(reinterpret_cast<HWND>(m.LParam))) {
        if (HBRUSH brush = child->CtlColor(reinterpret_cast<HDC>(m.WParam))) {
          m.Result = reinterpret_cast<LRESULT>(brush);
          return;
        }
      }
      break;
    case WM_CONTEXTMENU:
      if (ContextPopup(m.LParam)) {
        m.Result = 0;
        return;
      }
      break;
    case WM_KEYUP:
      // The platform's default handling sends this for Shift+F10 but, under
      // Wine, not for the context-menu key.
      if (m.WParam == VK_APPS) {
        SendMessageA(handle_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(handle_), -1);
        m.Result = 0;
        return;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(m.WParam);
      KeyDown(key, KeyboardShiftState());
      if (key == 0) {
        // The message loop translated the key before it came here: the
        // character it made goes with it.
        const UINT character = m.Msg == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
        MSG made;
        if (PeekMessageA(&made, handle_, character, character, PM_REMOVE) &&
            IsLeadByte(static_cast<unsigned char>(made.wParam))) {
          PeekMessageA(&made, handle_, character, character, PM_REMOVE);
        }
        m.Result = 0;
        return;
      }
      m.WParam = key;
      break;
    }
    case WM_CHAR:
      if (!CharPasses(m)) {
        m.Result = 0;
        return;
      }
      break;
    case WM_SETFOCUS:
      DefaultHandler(m);
      FocusArrived();
      return;
    case WM_NEXTDLGCTL: {
      // What a dialog does with it (our forms are not dialogs): focus the
      // control given, or the next or previous one in the order of Tab.
      HWND target = m.LParam ? reinterpret_cast<HWND>(m.WParam)
                             : GetNextDlgTabItem(GetAncestor(handle_, GA_ROOT), GetFocus(),
                                                 m.WParam != 0);
      if (target) ::SetFocus(target);
      m.Result = 0;
      return;
    }
    case WM_SETCURSOR:
      if (Screen().Cursor() != crDefault) {
        ::SetCursor(TScreen::CursorHandle(Screen().Cursor()));
        m.Result = TRUE;
        return;
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
      if (!(pos->flags & SWP_NOMOVE)) {
        left_ = pos->x;
        top_ = pos->y;
      }
      if (!(pos->flags & SWP_NOSIZE)) {
        width_ = pos->cx;
        height_ = pos->cy;
      }
      break;
    }
    case WM_ERASEBKGND:
      if (baseProc_ == DefWindowProcA) {
        RECT r;
        GetClientRect(handle_, &r);
        TCanvas(reinterpret_cast<HDC>(m.WParam)).FillRect(r, Color());
        m.Result = 1;
        return;
      }
      break;
    case WM_PRINTCLIENT:
      if (baseProc_ == DefWindowProcA) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        if (m.LParam & PRF_ERASEBKGND) TCanvas(dc).FillRect(ClientRect(), Color());
        PaintWindow(dc);
        m.Result = 0;
        return;
      }
      break;
    case WM_PAINT:
      if (baseProc_ == DefWindowProcA) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        PaintWindow(dc);
        EndPaint(handle_, &ps);
        m.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  DefaultHandler(m);
}

void TWinControl::PaintWindow(HDC dc) { PaintControls(dc); }

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::MouseMessage(TMessage& m) {
  const UINT msg = m.Msg;
  TShiftState shift = MouseShiftState(m.WParam);
  const int x = GET_X_LPARAM(m.LParam);
  const int y = GET_Y_LPARAM(m.LParam);
  DefaultHandler(m);
  switch (msg) {
    case WM_MOUSEMOVE:
      MouseMove(shift, x, y);
      return;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      shift |= ssDouble;
      break;
    default:
      break;
  }
  TMouseButton button = mbLeft;
  if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK || msg == WM_RBUTTONUP) button = mbRight;
  if (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK || msg == WM_MBUTTONUP) button = mbMiddle;
  if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP) {
    MouseUp(button, shift, x, y);
  } else {
    MouseDown(button, shift, x, y);
  }
}

void TWinControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TWinControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TWinControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

bool TWinControl::Deleting() const {
  for (const TWinControl* c = this; c; c = c->Parent()) {
    if (c->deleting_) return true;
  }
  return false;
}

bool TWinControl::CharPasses(TMessage& m) {
  // A double-byte character comes as two WM_CHAR, lead byte first; a key
  // filter never leaves half of one in the window.
  if (trail_ != Trail::None) {
    const bool pass = trail_ == Trail::Pass;
    trail_ = Trail::None;
    return pass;
  }
  const char typed = static_cast<char>(m.WParam);
  char key = typed;
  KeyPress(key);
  if (IsLeadByte(static_cast<unsigned char>(typed))) {
    trail_ = key == typed ? Trail::Pass : Trail::Drop;
  }
  if (key == 0) return false;
  m.WParam = static_cast<unsigned char>(key);
  return true;
}

void TWinControl::FocusArrived() {
  HWND root = GetAncestor(handle_, GA_ROOT);
  if (root == handle_) return;  // a form has the focus only on its way to a control
  HWND& last = lastFocused[root];
  if (last == handle_) return;
  TWinControl* previous = FromHandle(last);
  last = handle_;
  if (previous) previous->DoExit();
  DoEnter();
}

void TWinControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == popupMenu_) return;
  if (popupMenu_) RemoveFreeNotification(popupMenu_);
  popupMenu_ = menu;
  if (menu) FreeNotification(menu);
}

void TWinControl::Notification(TComponent* component, TOperation operation) {
  TControl::Notification(component, operation);
  if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

bool TWinControl::ContextPopup(LPARAM pos) {
  if (!popupMenu_) return false;
  POINT p{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
  if (p.x == -1 && p.y == -1) {
    // From the keyboard: the menu opens at the control's top left corner.
    p = POINT{0, 0};
    ClientToScreen(handle_, &p);
  } else {
    POINT client = p;
    ScreenToClient(handle_, &client);
    RECT r;
    GetClientRect(handle_, &r);
    // Scroll bars and the frame keep the platform's menus.
    if (!PtInRect(&r, client)) return false;
  }
  popupMenu_->SetPopupComponent(this);
  popupMenu_->Popup(p.x, p.y);
  return true;
}

void TWinControl::PaintControls(HDC dc) {
  for (TControl* c : controls_) {
    auto* graphic = dynamic_cast<TGraphicControl*>(c);
    if (!graphic || !graphic->Visible()) continue;
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, graphic->Left(), graphic->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, graphic->Width(), graphic->Height());
    {
      TCanvas canvas(dc);
      canvas.SetFont(graphic->Font());
      graphic->Paint(canvas);
    }
    RestoreDC(dc, saved);
  }
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  if (handle_) {
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

RECT TWinControl::ClientRect() const {
  RECT r = TControl::ClientRect();
  if (handle_) GetClientRect(handle_, &r);
  return r;
}

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::SetTabStop(bool tabStop) {
  if (tabStop == tabStop_) return;
  tabStop_ = tabStop;
  if (handle_) {
    LONG style = GetWindowLongA(handle_, GWL_STYLE);
    SetWindowLongA(handle_, GWL_STYLE, tabStop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
  }
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TWinControl::VisibleChanged() {
  if (handle_) ShowWindow(handle_, Visible() ? SW_SHOW : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (handle_) EnableWindow(handle_, ShowsEnabled(this));
  SyncChildrenEnabled();
}

void TWinControl::SyncChildrenEnabled() {
  for (TControl* child : controls_) {
    if (auto* win = dynamic_cast<TWinControl*>(child)) {
      if (win->handle_) EnableWindow(win->handle_, ShowsEnabled(win));
      win->SyncChildrenEnabled();
    } else {
      child->Invalidate();
    }
  }
}

void TWinControl::TextChanged() {
  if (handle_) SetWindowTextA(handle_, caption_.c_str());
}

void TWinControl::FontChanged() {
  if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
  // Our own classes draw their text themselves.
  if (baseProc_ == DefWindowProcA) Invalidate();
  ParentFontChanged();
}

void TWinControl::ColorChanged() {
  if (brush_) {
    DeleteObject(brush_);
    brush_ = nullptr;
  }
  Invalidate();
}

// --- TCustomControl ---------------------------------------------------------

void TCustomControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = "TCustomControl";
  params.Style |= WS_CLIPCHILDREN;
  params.ClassStyle = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
}
