// The page control: a system tab control whose tabs stand for tab sheets,
// painted windows of our own laid over its display area. Exactly one sheet,
// the active page, is shown at a time.
#pragma once

#include "framework/Controls.h"

#include <functional>
#include <vector>

class TPageControl;

// One page of a page control. Its Caption is the text of its tab.
class TTabSheet : public TCustomControl {
public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return pageControl_; }
  // Makes the sheet a page of pageControl (its parent, with a tab at the
  // end), or of none.
  void SetPageControl(TPageControl* pageControl);
  // The place among the pages, or -1 without a page control.
  int PageIndex() const;
  // Moves the sheet and its tab to index (kept within the pages).
  void SetPageIndex(int index);

  // A page control as the parent makes the sheet one of its pages.
  void SetParent(TWinControl* parent) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void TextChanged() override;

private:
  TPageControl* pageControl_ = nullptr;

  friend class TPageControl;
};

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const { return pages_.at(index); }
  TTabSheet* ActivePage() const { return activePage_; }
  // Shows page (one of ours, or null for none) and selects its tab; a
  // switch made by the program fires neither OnChanging nor OnChange.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const { return IndexOfPage(activePage_); }
  // An index outside the pages leaves no page active.
  void SetActivePageIndex(int index);
  // The next (or previous) page, wrapping around, as the user would turn
  // to it: OnChanging may veto, OnChange follows.
  void SelectNextPage(bool forward);
  // The area the sheets cover, in client coordinates (empty without a
  // window).
  RECT DisplayRect();

  // After the user turned to another page.
  TNotifyEvent OnChange;
  // Before the user leaves the active page; clear allowChange to stay.
  std::function<void(TObject* sender, bool& allowChange)> OnChanging;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;
  bool CNNotify(NMHDR* header, LRESULT& result) override;
  void FontChanged() override;
  virtual bool CanChange();
  virtual void Change();

private:
  int IndexOfPage(const TTabSheet* page) const;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
  void UpdateTab(TTabSheet* page);
  void InsertTab(int index);
  // Shows page and hides the one before; the tab selection is left alone.
  void ShowPage(TTabSheet* page);
  void SelectTab();
  void AlignPages();

  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;

  friend class TTabSheet;
};
