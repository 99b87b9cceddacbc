#include "framework/ExtCtrls.h"

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>

namespace {

// One bevel, width pixels deep, drawn inside r; r shrinks past it.
void DrawBevel(TCanvas& canvas, RECT& r, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  const TColor topLeft = cut == bvRaised ? clBtnHighlight : clBtnShadow;
  const TColor bottomRight = cut == bvRaised ? clBtnShadow : clBtnHighlight;
  for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
    canvas.FillRect(RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
    canvas.FillRect(RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
    canvas.FillRect(RECT{r.left + 1, r.bottom - 1, r.right, r.bottom}, bottomRight);
    canvas.FillRect(RECT{r.right - 1, r.top + 1, r.right, r.bottom}, bottomRight);
    InflateRect(&r, -1, -1);
  }
}

}  // namespace

// --- TPanel -----------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {}

void TPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.ClassName = "TPanel";
  params.ExStyle |= WS_EX_CONTROLPARENT;  // the platform's navigation goes inside
}

void TPanel::PaintWindow(HDC dc) {
  {
    TCanvas canvas(dc);
    RECT r = ClientRect();
    DrawBevel(canvas, r, bevelOuter_, bevelWidth_);
    DrawBevel(canvas, r, bevelInner_, bevelWidth_);
    if (!caption_.empty()) {
      canvas.SetFont(Font());
      UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | DT_NOPREFIX;
      if (alignment_ == taCenter) flags |= DT_CENTER;
      else if (alignment_ == taRightJustify) flags |= DT_RIGHT;
      // Captions are often paths: "&" is shown, not taken as a mnemonic.
      DrawControlText(canvas, r, caption_, flags, Font().Color(), ShowsEnabled(this));
    }
  }
  // Labels and images come over the caption.
  TCustomControl::PaintWindow(dc);
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevelOuter_) return;
  bevelOuter_ = bevel;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  if (bevel == bevelInner_) return;
  bevelInner_ = bevel;
  Invalidate();
}

void TPanel::SetBevelWidth(int width) {
  if (width < 1) width = 1;
  if (width == bevelWidth_) return;
  bevelWidth_ = width;
  Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

// --- TImage -----------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  picture_.OnChange = [this](TObject*) { Invalidate(); };
}

TImage::~TImage() { picture_.OnChange = nullptr; }

void TImage::SetIcon(HICON icon) {
  if (icon == icon_) return;
  icon_ = icon;
  Invalidate();
}

void TImage::SetStockIcon(LPCSTR id) { SetIcon(LoadIconA(nullptr, id)); }

void TImage::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  Invalidate();
}

void TImage::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  stretch_ = stretch;
  Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  if (icon_) {
    int x = 0, y = 0;
    if (center_) {
      // DrawIcon draws at the system's icon size.
      x = (Width() - GetSystemMetrics(SM_CXICON)) / 2;
      y = (Height() - GetSystemMetrics(SM_CYICON)) / 2;
    }
    canvas.Draw(x, y, icon_);
    return;
  }
  TGraphic* graphic = picture_.Graphic();
  if (!graphic || graphic->Empty()) return;
  if (stretch_) {
    canvas.StretchDraw(RECT{0, 0, Width(), Height()}, *graphic);
  } else if (center_) {
    canvas.Draw((Width() - graphic->Width()) / 2, (Height() - graphic->Height()) / 2, *graphic);
  } else {
    canvas.Draw(0, 0, *graphic);
  }
}

// --- TSplitter --------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 3, 100); }

void TSplitter::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.ClassName = "TSplitter";
}

void TSplitter::SetMinSize(int minSize) {
  if (minSize < 1) minSize = 1;
  minSize_ = minSize;
}

void TSplitter::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETCURSOR:
      if (LOWORD(m.LParam) == HTCLIENT && Screen().Cursor() == crDefault) {
        ::SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
        m.Result = TRUE;
        return;
      }
      break;
    case WM_LBUTTONDOWN:
      SetCapture(Handle());
      dragging_ = true;
      grab_ = GET_X_LPARAM(m.LParam);
      startLeft_ = Left();
      m.Result = 0;
      return;
    case WM_MOUSEMOVE:
      if (dragging_) DragTo(Left() + GET_X_LPARAM(m.LParam) - grab_);
      m.Result = 0;
      return;
    case WM_LBUTTONUP:
      EndDrag();
      if (GetCapture() == Handle()) ReleaseCapture();
      m.Result = 0;
      return;
    case WM_CAPTURECHANGED:
      EndDrag();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TSplitter::DragTo(int left) {
  TWinControl* parent = Parent();
  if (!parent) return;
  const int top = Top(), bottom = Top() + Height();
  TControl* before = nullptr;
  TControl* after = nullptr;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || c->Top() >= bottom || c->Top() + c->Height() <= top) continue;
    if (c->Left() + c->Width() == Left()) before = c;
    if (c->Left() == Left() + Width()) after = c;
  }
  if (!before) return;
  const int right = after ? after->Left() + after->Width() : parent->ClientRect().right;
  left = std::max(std::min(left, right - Width() - minSize_), before->Left() + minSize_);
  if (left == Left()) return;
  before->SetBounds(before->Left(), before->Top(), left - before->Left(), before->Height());
  SetBounds(left, Top(), Width(), Height());
  if (after) after->SetBounds(left + Width(), after->Top(), right - left - Width(), after->Height());
}

void TSplitter::EndDrag() {
  if (!dragging_) return;
  dragging_ = false;
  if (Left() != startLeft_ && OnMoved) OnMoved(this);
}

// --- TTimer -----------------------------------------------------------------

namespace {

// The periods running on this thread by identifier. Identifiers are never
// used twice, so a tick of a stopped period finds nothing here.
struct TimerTable {
  HWND window = nullptr;
  UINT_PTR lastId = 0;
  std::map<UINT_PTR, TTimer*> running;
  ~TimerTable() {
    if (window) DestroyWindow(window);
  }
};
thread_local TimerTable timers;

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned interval) {
  if (interval == interval_) return;
  interval_ = interval;
  UpdateTimer();
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

LRESULT CALLBACK TTimer::TimerWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_TIMER) return DefWindowProcA(hwnd, msg, wp, lp);
  auto it = timers.running.find(wp);
  if (it == timers.running.end()) return 0;
  try {
    it->second->Timer();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  }
  return 0;
}

void TTimer::UpdateTimer() {
  if (id_) {
    KillTimer(timers.window, id_);
    timers.running.erase(id_);
    id_ = 0;
  }
  if (!enabled_ || interval_ == 0 || Designing()) return;
  if (!timers.window) {
    static const char* const kClass = "TTimerWindow";
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TimerWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // fails harmlessly when another thread registered it
    timers.window = CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    if (!timers.window) throw Exception("Cannot create the timer window");
  }
  const UINT_PTR id = ++timers.lastId;
  if (!SetTimer(timers.window, id, interval_, nullptr)) throw Exception("Cannot start a timer");
  timers.running.emplace(id, this);
  id_ = id;
}
