#include "framework/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

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
