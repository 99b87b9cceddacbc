#include "framework/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

// --- TTabSheet --------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TCustomControl(owner) {}

TTabSheet::~TTabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

int TTabSheet::PageIndex() const { return pageControl_ ? pageControl_->IndexOfPage(this) : -1; }

void TTabSheet::SetPageIndex(int index) {
  if (pageControl_) pageControl_->MovePage(this, index);
}

void TTabSheet::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  if (pageControl_) pageControl_->RemovePage(this);
  // The page control places and hides the sheet before the sheet's window
  // is made inside it, so a new sheet never shows over the active one.
  if (auto* pageControl = dynamic_cast<TPageControl*>(parent)) pageControl->InsertPage(this);
  TCustomControl::SetParent(parent);
}

void TTabSheet::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.ClassName = "TTabSheet";
  params.ExStyle |= WS_EX_CONTROLPARENT;  // the platform's navigation goes inside
}

void TTabSheet::TextChanged() {
  TCustomControl::TextChanged();
  if (pageControl_) pageControl_->UpdateTab(this);
}

// --- TPageControl -----------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TPageControl::~TPageControl() {
  // The sheets may outlive us (another owner): they forget us now.
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

void TPageControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = WC_TABCONTROLA;
  params.ClassName = "TPageControl";
  params.Style |= WS_CLIPCHILDREN;
}

void TPageControl::InitializeWnd() {
  for (int i = 0; i < PageCount(); ++i) InsertTab(i);
  SelectTab();
  // Before the sheets' windows are made, so they are made in place.
  AlignPages();
}

void TPageControl::DestroyWnd() {
  if (HandleAllocated()) {
    int selected = static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
    if (selected >= 0 && selected < PageCount() && pages_[selected] != activePage_) {
      ShowPage(pages_[selected]);
    }
  }
  TWinControl::DestroyWnd();
}

void TPageControl::WndProc(TMessage& m) {
  TWinControl::WndProc(m);
  // The tab control has laid out its tabs for the new size by now.
  if (m.Msg == WM_SIZE) AlignPages();
}

bool TPageControl::CNNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    case TCN_SELCHANGING:
      result = CanChange() ? FALSE : TRUE;
      return true;
    case TCN_SELCHANGE: {
      int selected = static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
      ShowPage(selected >= 0 && selected < PageCount() ? pages_[selected] : nullptr);
      Change();
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

void TPageControl::FontChanged() {
  TWinControl::FontChanged();
  // The tabs' height follows the font.
  AlignPages();
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

int TPageControl::IndexOfPage(const TTabSheet* page) const {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->pageControl_ != this) return;
  if (page == activePage_) return;
  ShowPage(page);
  SelectTab();
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? pages_[index] : nullptr);
}

void TPageControl::SelectNextPage(bool forward) {
  const int count = PageCount();
  if (count == 0) return;
  const int current = ActivePageIndex();
  int next;
  if (current < 0) next = forward ? 0 : count - 1;
  else next = (current + (forward ? 1 : count - 1)) % count;
  if (next == current || !CanChange()) return;
  ShowPage(pages_[next]);
  SelectTab();
  Change();
}

RECT TPageControl::DisplayRect() {
  RECT r{0, 0, 0, 0};
  if (!HandleAllocated()) return r;
  GetClientRect(Handle(), &r);
  SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  if (HandleAllocated()) {
    InsertTab(PageCount() - 1);
    AlignPages();
  }
  if (!activePage_) {
    ShowPage(page);
  } else {
    page->SetVisible(false);
  }
  SelectTab();
}

void TPageControl::RemovePage(TTabSheet* page) {
  const int index = IndexOfPage(page);
  if (index < 0) return;
  pages_.erase(pages_.begin() + index);
  page->pageControl_ = nullptr;
  if (HandleAllocated()) SendMessageA(Handle(), TCM_DELETEITEM, index, 0);
  if (page == activePage_) {
    // The neighbour that took its place (or the one before, at the end).
    activePage_ = nullptr;
    if (!pages_.empty()) ShowPage(pages_[std::min<size_t>(index, pages_.size() - 1)]);
  }
  SelectTab();
  AlignPages();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  const int from = IndexOfPage(page);
  if (from < 0) return;
  index = std::clamp(index, 0, PageCount() - 1);
  if (index == from) return;
  pages_.erase(pages_.begin() + from);
  pages_.insert(pages_.begin() + index, page);
  if (HandleAllocated()) {
    SendMessageA(Handle(), TCM_DELETEITEM, from, 0);
    InsertTab(index);
    SelectTab();
  }
}

void TPageControl::InsertTab(int index) {
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>(pages_[index]->Caption().c_str());
  SendMessageA(Handle(), TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
}

void TPageControl::UpdateTab(TTabSheet* page) {
  if (!HandleAllocated()) return;
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>(page->Caption().c_str());
  SendMessageA(Handle(), TCM_SETITEMA, IndexOfPage(page), reinterpret_cast<LPARAM>(&item));
}

void TPageControl::SelectTab() {
  if (HandleAllocated()) SendMessageA(Handle(), TCM_SETCURSEL, ActivePageIndex(), 0);
}

void TPageControl::ShowPage(TTabSheet* page) {
  TTabSheet* old = activePage_;
  activePage_ = page;
  // Keyboard focus on a sheet about to hide moves to the tabs.
  const bool hadFocus = old && old != page && old->HandleAllocated() && HandleAllocated() &&
                        (GetFocus() == old->Handle() || IsChild(old->Handle(), GetFocus()));
  // The new page first: hiding the old one first would flash the bare tab
  // control.
  if (page) {
    page->SetVisible(true);
    if (page->HandleAllocated()) {
      SetWindowPos(page->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  if (old && old != page) old->SetVisible(false);
  if (hadFocus) ::SetFocus(Handle());
}

void TPageControl::AlignPages() {
  if (!HandleAllocated()) return;
  RECT r = DisplayRect();
  for (TTabSheet* page : pages_) {
    page->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

// --- TCustomUpDown ----------------------------------------------------------

TCustomUpDown::TCustomUpDown(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), 25);
}

TCustomUpDown::~TCustomUpDown() {
  if (associate_) RemoveFreeNotification(associate_);
}

void TCustomUpDown::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = UPDOWN_CLASSA;
  params.ClassName = "TCustomUpDown";
  params.Style |= UDS_SETBUDDYINT;
  params.Style |= alignButton_ == udLeft ? UDS_ALIGNLEFT : UDS_ALIGNRIGHT;
  if (orientation_ == udHorizontal) params.Style |= UDS_HORZ;
  if (arrowKeys_) params.Style |= UDS_ARROWKEYS;
  if (!thousands_) params.Style |= UDS_NOTHOUSANDS;
  if (wrap_) params.Style |= UDS_WRAP;
}

void TCustomUpDown::CreateWnd() {
  const RECT bounds = BoundsRect();
  TWinControl::CreateWnd();
  // A new vertical window takes the platform's width: ours is kept.
  SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TCustomUpDown::InitializeWnd() {
  HWND h = Handle();
  SendMessageA(h, UDM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  UDACCEL accel{0, static_cast<UINT>(increment_)};
  SendMessageA(h, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  // The buddy first: setting the position writes it into the buddy.
  if (associate_) SendMessageA(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate_->Handle()), 0);
  SendMessageA(h, UDM_SETPOS32, 0, position_);
}

void TCustomUpDown::DestroyWnd() {
  position_ = Position();
  TWinControl::DestroyWnd();
}

int16_t TCustomUpDown::Position() const {
  if (!HandleAllocated()) return position_;
  // The window reads the buddy's text back: what the user typed counts.
  BOOL failed = FALSE;
  const LRESULT pos =
      SendMessageA(const_cast<TCustomUpDown*>(this)->Handle(), UDM_GETPOS32, 0,
                   reinterpret_cast<LPARAM>(&failed));
  return static_cast<int16_t>(pos);
}

void TCustomUpDown::SetPosition(int16_t position) {
  position_ = position;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS32, 0, position);
}

void TCustomUpDown::SetMin(int16_t min) {
  if (min == min_) return;
  min_ = min;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, min_, max_);
}

void TCustomUpDown::SetMax(int16_t max) {
  if (max == max_) return;
  max_ = max;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, min_, max_);
}

void TCustomUpDown::SetIncrement(int increment) {
  if (increment == increment_) return;
  increment_ = increment;
  if (HandleAllocated()) {
    UDACCEL accel{0, static_cast<UINT>(increment_)};
    SendMessageA(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  }
}

void TCustomUpDown::SetAssociate(TWinControl* associate) {
  if (associate != associate_) {
    if (associate_) RemoveFreeNotification(associate_);
    associate_ = associate;
    if (associate_) FreeNotification(associate_);
  }
  // The same associate too: its window may be a new one (a style change
  // makes an edit's window again), and the old buddy is gone.
  if (HandleAllocated()) {
    SendMessageA(Handle(), UDM_SETBUDDY,
                 reinterpret_cast<WPARAM>(associate_ ? associate_->Handle() : nullptr), 0);
    if (associate_) SendMessageA(Handle(), UDM_SETPOS32, 0, position_);
  }
}

void TCustomUpDown::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == associate_) {
    associate_ = nullptr;
    if (HandleAllocated() && !Deleting()) SendMessageA(Handle(), UDM_SETBUDDY, 0, 0);
  }
}

template <class T>
void TCustomUpDown::ChangeStyle(T& field, T value) {
  if (value == field) return;
  field = value;
  RecreateWnd();
}

void TCustomUpDown::SetAlignButton(TUDAlignButton align) { ChangeStyle(alignButton_, align); }
void TCustomUpDown::SetOrientation(TUDOrientation orientation) {
  ChangeStyle(orientation_, orientation);
}
void TCustomUpDown::SetArrowKeys(bool arrowKeys) { ChangeStyle(arrowKeys_, arrowKeys); }
void TCustomUpDown::SetThousands(bool thousands) { ChangeStyle(thousands_, thousands); }
void TCustomUpDown::SetWrap(bool wrap) { ChangeStyle(wrap_, wrap); }

bool TCustomUpDown::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomUpDown::Click(TUDBtnType button) {
  if (OnClick) OnClick(this, button);
}

bool TCustomUpDown::CNNotify(NMHDR* header, LRESULT& result) {
  if (header->code != static_cast<UINT>(UDN_DELTAPOS)) return false;
  const auto* change = reinterpret_cast<NMUPDOWN*>(header);
  step_ = Step::None;
  result = CanChange() ? 0 : 1;
  if (result == 0 && change->iDelta != 0) {
    // The up (or right) arrow moves toward Max: the delta is negative for
    // a range from high to low, or a negative increment.
    const bool up = ((change->iDelta > 0) != (max_ < min_)) != (increment_ < 0);
    step_ = up ? Step::Next : Step::Prev;
  }
  return true;
}

bool TCustomUpDown::CNScroll(UINT /*msg*/, WPARAM wparam, LRESULT& result) {
  result = 0;
  if (LOWORD(wparam) != SB_THUMBPOSITION) return true;
  // Every step ends in this message, allowed or not.
  const Step step = std::exchange(step_, Step::None);
  position_ = static_cast<int16_t>(HIWORD(wparam));
  if (step != Step::None) Click(step == Step::Next ? btNext : btPrev);
  return true;
}
