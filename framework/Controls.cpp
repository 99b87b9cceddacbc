#include "framework/Controls.h"

#include "framework/Forms.h"
#include "framework/Locale.h"
#include "framework/Menus.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
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

// Where a hint's "|" is, or npos; a trail byte may equal "|".
size_t HintBar(const String& hint) {
  for (size_t i = 0; i < hint.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(hint[i]))) ++i;
    else if (hint[i] == '|') return i;
  }
  return String::npos;
}

// A tool of the tooltips: a window of ours (id its handle) or a rectangle of
// owner's client area (id the graphic control).
TOOLINFOA ToolInfo(HWND owner, UINT_PTR id, bool window) {
  TOOLINFOA info{};
  // The size version 5 of the common controls takes too: programs without
  // a manifest asking for version 6 get that one.
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.uFlags = TTF_SUBCLASS | (window ? TTF_IDISHWND : 0);
  info.hwnd = owner;
  info.uId = id;
  return info;
}

// The drag under way: there is one mouse.
struct DragState {
  TControl* source = nullptr;
  HWND capture = nullptr;    // the window holding the mouse: the source's or its parent's
  bool tookCapture = false;  // taken by the drag, not by the window's own handling
  bool active = false;       // begun: OnStartDrag has fired
  bool retaking = false;     // the capture let go and taken again as the drag begins
  bool ending = false;       // the drop and end events are firing
  int threshold = 0;
  POINT start{};  // screen coordinates, as at
  POINT at{};
  TControl* target = nullptr;
  bool accepted = false;
  HWND lock = nullptr;  // the window the picture is drawn in
  UniqueImageList image;
};
DragState drag;

// A point on the screen in control's client coordinates (a graphic
// control's are its parent's, moved to its corner).
POINT ClientPoint(TControl* control, POINT screen) {
  auto* win = dynamic_cast<TWinControl*>(control);
  TWinControl* holder = win ? win : control->Parent();
  if (!holder || !holder->HandleAllocated()) return screen;
  ScreenToClient(holder->Handle(), &screen);
  if (!win) {
    screen.x -= control->Left();
    screen.y -= control->Top();
  }
  return screen;
}

// The control under a screen point: the window of ours there (or the one
// it is part of), or a shown and enabled graphic child of it there (the
// one painted last).
TControl* ControlAt(POINT screen) {
  TWinControl* win = TWinControl::FindControl(WindowFromPoint(screen));
  if (!win) return nullptr;
  if (TWinControl* base = win->StackedOn()) win = base;
  const POINT p = ClientPoint(win, screen);
  for (int i = win->ControlCount() - 1; i >= 0; --i) {
    TControl* c = win->Controls(i);
    const RECT r = c->BoundsRect();
    if (!dynamic_cast<TWinControl*>(c) && c->Visible() && ShowsEnabled(c) && PtInRect(&r, p)) {
      return c;
    }
  }
  return win;
}

// The drag's picture under the mouse: drawn in the top window of ours
// there, else in the one it was in.
void MoveDragImage(POINT screen) {
  HWND root = GetAncestor(WindowFromPoint(screen), GA_ROOT);
  if (!root || !TWinControl::FromHandle(root)) {
    root = drag.lock ? drag.lock : GetAncestor(drag.capture, GA_ROOT);
  }
  RECT r;
  GetWindowRect(root, &r);
  const int x = screen.x - r.left, y = screen.y - r.top;
  if (root == drag.lock) {
    ImageList_DragMove(x, y);
    return;
  }
  if (drag.lock) ImageList_DragLeave(drag.lock);
  drag.lock = root;
  ImageList_DragEnter(root, x, y);
}

void EndDragImage() {
  if (!drag.image) return;
  if (drag.lock) ImageList_DragLeave(drag.lock);
  ImageList_EndDrag();
  drag.image.reset();
  drag.lock = nullptr;
}

// A picture of part of a window as it paints itself for message (WM_PRINT
// from the window's corner, WM_PRINTCLIENT from the client area's); null
// for an empty part.
HIMAGELIST Picture(HWND window, const RECT& part, UINT message, LPARAM parts) {
  const int width = part.right - part.left, height = part.bottom - part.top;
  if (!window || width <= 0 || height <= 0) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SetViewportOrgEx(dc, -part.left, -part.top, nullptr);
  SendMessageA(window, message, reinterpret_cast<WPARAM>(dc), parts);
  SelectObject(dc, old);
  DeleteDC(dc);
  HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR24, 1, 0);
  if (list && ImageList_Add(list, bitmap, nullptr) < 0) {
    ImageList_Destroy(list);
    list = nullptr;
  }
  DeleteObject(bitmap);
  return list;
}

// The window under the mouse shows its own cursor again: moving the mouse
// onto itself makes it set it.
void RestoreCursor() {
  POINT p;
  if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);
}

}  // namespace

String GetShortHint(const String& hint) { return hint.substr(0, HintBar(hint)); }

String GetLongHint(const String& hint) {
  const size_t bar = HintBar(hint);
  return bar == String::npos ? hint : hint.substr(bar + 1);
}

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
  LeaveDrag();
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
  // A graphic control's tool is its rectangle.
  if (!dynamic_cast<TWinControl*>(this)) UpdateHintTool();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) Invalidate();
  visible_ = visible;
  VisibleChanged();
  UpdateHintTool();
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

// --- hints ------------------------------------------------------------------

void TControl::SetHint(const String& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  UpdateHintTool();
  HintChanged();
}

bool TControl::ShowHint() const {
  return parentShowHint_ && parent_ ? parent_->ShowHint() : showHint_;
}

void TControl::SetShowHint(bool showHint) {
  if (showHint == showHint_ && !parentShowHint_) return;
  showHint_ = showHint;
  parentShowHint_ = false;
  ShowHintChanged();
  HintChanged();
}

void TControl::SetParentShowHint(bool parentShowHint) {
  if (parentShowHint == parentShowHint_) return;
  // Let go, the control keeps what it had from its parent.
  if (!parentShowHint) showHint_ = ShowHint();
  parentShowHint_ = parentShowHint;
  ShowHintChanged();
  HintChanged();
}

void TControl::ShowHintChanged() {
  UpdateHintTool();
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (TControl* child : self->controls_) {
      if (child->parentShowHint_) child->ShowHintChanged();
    }
  }
}

void TControl::UpdateHintTool(bool want) {
  auto* self = dynamic_cast<TWinControl*>(this);
  TWinControl* owner = parent_ ? parent_ : self;
  if (!owner || !owner->handle_ || (self && !self->handle_)) return;
  TWinControl* top = owner;
  while (top->parent_) top = top->parent_;
  const String text = GetShortHint(hint_);
  want = want && visible_ && ShowHint() && !text.empty();
  if (!want && !top->toolTips_) return;
  HWND tips = top->ToolTips();
  if (!tips) return;
  TOOLINFOA info = ToolInfo(owner->handle_,
                            self ? reinterpret_cast<UINT_PTR>(self->handle_)
                                 : reinterpret_cast<UINT_PTR>(this),
                            self != nullptr);
  SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  if (!want) return;
  info.rect = BoundsRect();
  info.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void TControl::SetAutoSize(bool autoSize) {
  if (autoSize == autoSize_) return;
  autoSize_ = autoSize;
  if (autoSize) AdjustSize();
}

// --- drag and drop ----------------------------------------------------------

void TControl::BeginDrag(bool immediate, int threshold) {
  if (drag.source) return;
  auto* self = dynamic_cast<TWinControl*>(this);
  TWinControl* holder = self ? self : parent_;
  if (!holder || !holder->handle_) return;
  drag.source = this;
  drag.capture = holder->handle_;
  GetCursorPos(&drag.start);
  drag.at = drag.start;
  drag.threshold = threshold >= 0 ? threshold : GetSystemMetrics(SM_CXDRAG);
  drag.tookCapture = GetCapture() != drag.capture;
  if (drag.tookCapture) SetCapture(drag.capture);
  if (immediate) StartDragging();
}

void TControl::EndDrag(bool drop) {
  if (drag.source == this) FinishDrag(drop);
}

bool TControl::Dragging() const { return drag.source == this && drag.active && !drag.ending; }

void TControl::StartDragging() {
  drag.active = true;
  // The window's own use of the mouse (a button held pushed, a selection
  // being drawn) ends as it sees the capture go; the drag takes it again.
  drag.retaking = true;
  ReleaseCapture();
  SetCapture(drag.capture);
  drag.retaking = false;
  drag.tookCapture = true;
  // A tip would pop up over the source as the mouse moves.
  if (auto* top = TWinControl::FromHandle(GetAncestor(drag.capture, GA_ROOT))) {
    if (top->toolTips_) SendMessageA(top->toolTips_.get(), TTM_ACTIVATE, FALSE, 0);
  }
  DoStartDrag();
  if (drag.source != this || !drag.active) return;  // ended by the handler
  POINT hotspot{0, 0};
  drag.image.reset(CreateDragImage(ClientPoint(this, drag.start), hotspot));
  if (drag.image && !ImageList_BeginDrag(drag.image.get(), 0, hotspot.x, hotspot.y)) {
    drag.image.reset();
  }
  DragTo(drag.at);
}

void TControl::DragTo(POINT screen) {
  TControl* source = drag.source;
  drag.at = screen;
  if (drag.image) MoveDragImage(screen);
  auto ended = [source] { return drag.source != source || !drag.active || drag.ending; };
  TControl* target = ControlAt(screen);
  const bool entering = target != drag.target;
  if (entering) {
    if (TControl* left = drag.target) {
      drag.target = nullptr;
      drag.accepted = false;
      const POINT p = ClientPoint(left, screen);
      bool ignored = false;
      left->DragOver(source, p.x, p.y, dsDragLeave, ignored);
      if (ended()) return;
    }
    drag.target = target;
  }
  bool accept = false;
  if (target) {
    const POINT p = ClientPoint(target, screen);
    target->DragOver(source, p.x, p.y, entering ? dsDragEnter : dsDragMove, accept);
    if (ended()) return;
  }
  drag.accepted = accept && target && drag.target == target;
  ::SetCursor(TScreen::CursorHandle(drag.accepted ? source->dragCursor_ : crNoDrop));
}

void TControl::FinishDrag(bool drop) {
  if (!drag.source || drag.ending) return;
  drag.ending = true;
  EndDragImage();
  if (auto* top = TWinControl::FromHandle(GetAncestor(drag.capture, GA_ROOT))) {
    if (top->toolTips_) SendMessageA(top->toolTips_.get(), TTM_ACTIVATE, TRUE, 0);
  }
  if (drag.tookCapture && GetCapture() == drag.capture) ReleaseCapture();
  if (drag.active) {
    RestoreCursor();
    // Either control may go in a handler: drag forgets what goes.
    const POINT at = drag.at;
    const bool dropped = drop && drag.accepted;
    if (TControl* target = drag.target) {
      const POINT p = ClientPoint(target, at);
      if (dropped) {
        target->DragDrop(drag.source, p.x, p.y);
      } else {
        bool ignored = false;
        target->DragOver(drag.source, p.x, p.y, dsDragLeave, ignored);
      }
    }
    if (TControl* source = drag.source) {
      TControl* target = dropped ? drag.target : nullptr;
      const POINT p = ClientPoint(target ? target : source, at);
      source->DoEndDrag(target, p.x, p.y);
    }
  }
  drag = DragState();
}

void TControl::LeaveDrag() {
  if (drag.target == this) {
    drag.target = nullptr;
    drag.accepted = false;
  }
  if (drag.source != this) return;
  if (drag.ending) {
    drag.source = nullptr;
    return;
  }
  // Nobody is left to tell.
  EndDragImage();
  const bool release = drag.tookCapture && GetCapture() == drag.capture;
  drag = DragState();
  if (release) ReleaseCapture();
}

bool TControl::DragMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!drag.source || hwnd != drag.capture || drag.ending) return false;
  POINT screen{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  switch (msg) {
    case WM_MOUSEMOVE:
      ClientToScreen(hwnd, &screen);
      if (drag.active) {
        DragTo(screen);
        return true;
      }
      if (!(wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        // The button came up where the window's own handling took it.
        FinishDrag(false);
        return false;
      }
      if (std::abs(screen.x - drag.start.x) <= drag.threshold &&
          std::abs(screen.y - drag.start.y) <= drag.threshold) {
        return false;
      }
      drag.at = screen;
      drag.source->StartDragging();
      return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if (!drag.active) {
        // A click: the window's own.
        FinishDrag(false);
        return false;
      }
      ClientToScreen(hwnd, &screen);
      drag.at = screen;
      FinishDrag(true);
      return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      // Another button cancels.
      if (!drag.active) return false;
      FinishDrag(false);
      return true;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      // Someone else has the mouse now.
      if (!drag.retaking) FinishDrag(false);
      return false;
    default:
      return false;
  }
}

bool DragKey(const MSG& msg) {
  if (!drag.active || drag.ending || msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) {
    return false;
  }
  TControl::FinishDrag(false);
  return true;
}

void TControl::DoStartDrag() {
  if (OnStartDrag) OnStartDrag(this);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  accept = false;
  if (!OnDragOver) return;
  accept = true;
  OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}

HIMAGELIST TControl::CreateDragImage(POINT grab, POINT& hotspot) {
  hotspot = grab;
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    if (!self->handle_) return nullptr;
    return Picture(self->handle_, RECT{0, 0, width_, height_}, WM_PRINT,
                   PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  }
  return parent_ ? parent_->ClientPicture(BoundsRect()) : nullptr;
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
  // Before the window goes: its going would end the drag with events.
  LeaveDrag();
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

TWinControl* TWinControl::FindControl(HWND hwnd) {
  for (; hwnd; hwnd = GetParent(hwnd)) {
    if (TWinControl* control = FromHandle(hwnd)) return control;
  }
  return nullptr;
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
        ArrangeWindows();
        win->UpdateHintTool();
      } else {
        win->HandleNeeded();
      }
    }
  } else {
    control->UpdateHintTool();
    control->Invalidate();
  }
}

void TWinControl::RemoveControl(TControl* control) {
  control->Invalidate();
  // The tools leave the top window's tooltips while the way up is known.
  control->UpdateHintTool(false);
  if (auto* win = dynamic_cast<TWinControl*>(control)) win->DestroyHandle();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
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
  // The new window came last among its siblings.
  if (Parent()) Parent()->ArrangeWindows();
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
  // Made in the order of Tab, each after the last: their z-order is it.
  for (TControl* c : controls_) {
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->HandleNeeded();
    else c->UpdateHintTool();
  }
  UpdateHintTool();
}

void TWinControl::DestroyWnd() {
  // Children first, each through its own DestroyWnd, so that state their
  // windows hold is read back before the windows go.
  for (TControl* c : controls_) {
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->DestroyHandle();
    else c->UpdateHintTool(false);
  }
  UpdateHintTool(false);
  toolTips_.reset();
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
  if (DragMessage(hwnd, msg, wp, lp)) return 0;
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
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(m.WParam);
      KeyUp(key, KeyboardShiftState());
      if (key == 0) {
        m.Result = 0;
        return;
      }
      m.WParam = key;
      // The platform's default handling sends this for Shift+F10 but, under
      // Wine, not for the context-menu key.
      if (m.Msg == WM_KEYUP && key == VK_APPS) {
        SendMessageA(handle_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(handle_), -1);
        m.Result = 0;
        return;
      }
      break;
    }
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

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
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
    return;
  }
  MouseDown(button, shift, x, y);
  // A second press soon after the first drags as well.
  if (msg != WM_LBUTTONDOWN && msg != WM_LBUTTONDBLCLK) return;
  // The press is the control's under the mouse: a graphic child, or this.
  TControl* pressed = this;
  for (auto c = controls_.rbegin(); c != controls_.rend(); ++c) {
    const RECT r = (*c)->BoundsRect();
    if (!dynamic_cast<TWinControl*>(*c) && (*c)->Visible() && ShowsEnabled(*c) &&
        PtInRect(&r, POINT{x, y})) {
      pressed = *c;
      break;
    }
  }
  if (pressed->DragMode() == dmAutomatic) pressed->BeginAutoDrag();
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

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  int order = 0;
  for (TControl* c : Parent()->controls_) {
    if (c == this) return order;
    if (dynamic_cast<TWinControl*>(c)) ++order;
  }
  return -1;
}

void TWinControl::SetTabOrder(int order) {
  TWinControl* parent = Parent();
  if (!parent) return;
  // The windowed controls change places among themselves; the graphic
  // ones keep theirs.
  std::vector<size_t> slots;
  std::vector<TWinControl*> windows;
  for (size_t i = 0; i < parent->controls_.size(); ++i) {
    if (auto* win = dynamic_cast<TWinControl*>(parent->controls_[i])) {
      slots.push_back(i);
      windows.push_back(win);
    }
  }
  const int count = static_cast<int>(windows.size());
  if (order < 0 || order >= count) order = count - 1;
  if (order == TabOrder()) return;
  windows.erase(std::find(windows.begin(), windows.end(), this));
  windows.insert(windows.begin() + order, this);
  for (size_t i = 0; i < slots.size(); ++i) parent->controls_[slots[i]] = windows[i];
  parent->ArrangeWindows();
}

void TWinControl::ArrangeWindows() {
  HWND after = HWND_TOP;
  auto place = [&after](TWinControl* win) {
    SetWindowPos(win->handle_, after, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    after = win->handle_;
  };
  for (TControl* c : controls_) {
    auto* win = dynamic_cast<TWinControl*>(c);
    if (!win || !win->handle_ || win->StackedOn()) continue;
    for (TControl* o : controls_) {
      auto* over = dynamic_cast<TWinControl*>(o);
      if (over && over->handle_ && over->StackedOn() == win) place(over);
    }
    place(win);
  }
}

void TWinControl::SetCtl3D(bool ctl3D) {
  if (ctl3D == ctl3D_) return;
  TCreateParams before;
  if (handle_) CreateParams(before);
  ctl3D_ = ctl3D;
  if (handle_) {
    TCreateParams after;
    CreateParams(after);
    // A control with a frame needs a new window (an edit box draws a flat
    // frame itself, from the style it was made with).
    if (after.Style != before.Style || after.ExStyle != before.ExStyle) RecreateWnd();
    else Invalidate();
  }
  AdjustSize();
}

HIMAGELIST TWinControl::ClientPicture(const RECT& part) {
  return handle_ ? Picture(handle_, part, WM_PRINTCLIENT, PRF_CLIENT | PRF_ERASEBKGND) : nullptr;
}

void TWinControl::AddFrame(TCreateParams& params) const {
  if (ctl3D_) params.ExStyle |= WS_EX_CLIENTEDGE;
  else params.Style |= WS_BORDER;
}

HWND TWinControl::ToolTips() {
  if (!toolTips_ && handle_) {
    toolTips_.reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr,
                                    GetModuleHandleA(nullptr), nullptr));
  }
  return toolTips_.get();
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
