// The page control: a system tab control whose tabs stand for tab sheets,
// painted windows of our own laid over its display area. Exactly one sheet,
// the active page, is shown at a time. And the up-down control.
#pragma once

#include "framework/Controls.h"

#include <cstdint>
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

enum TUDAlignButton { udLeft, udRight };
enum TUDOrientation { udHorizontal, udVertical };
// The arrow clicked: next raises the position (up, or right), previous
// lowers it.
enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject* sender, TUDBtnType button)>;
using TUDChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

// The platform's up-down control: an arrow pair that steps Position within
// Min..Max by Increment and writes it into its Associate (an edit box,
// with thousands separators unless Thousands is off), placed beside the
// associate on the side AlignButton names. ArrowKeys lets the up and down
// keys in the associate step it too. Orientation, ArrowKeys, Thousands,
// Wrap and AlignButton are window styles: changing one makes a new window.
class TCustomUpDown : public TWinControl {
public:
  explicit TCustomUpDown(TComponent* owner);
  ~TCustomUpDown() override;

  TWinControl* Associate() const { return associate_; }
  virtual void SetAssociate(TWinControl* associate);
  TUDAlignButton AlignButton() const { return alignButton_; }
  virtual void SetAlignButton(TUDAlignButton align);
  int16_t Min() const { return min_; }
  void SetMin(int16_t min);
  int16_t Max() const { return max_; }
  void SetMax(int16_t max);
  int Increment() const { return increment_; }
  void SetIncrement(int increment);
  // The window's position, which follows the associate's text.
  int16_t Position() const;
  void SetPosition(int16_t position);
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation orientation);
  bool ArrowKeys() const { return arrowKeys_; }
  void SetArrowKeys(bool arrowKeys);
  bool Thousands() const { return thousands_; }
  void SetThousands(bool thousands);
  bool Wrap() const { return wrap_; }
  void SetWrap(bool wrap);

  using TControl::Click;
  // An arrow was used (clicked, held, or its key pressed in the
  // associate) and the change was allowed: fires OnClick after the position
  // and the associate's text moved, also at the end of the range.
  virtual void Click(TUDBtnType button);

  // Before each step; clear allowChange to refuse it.
  TUDChangingEvent OnChanging;
  TUDClickEvent OnClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void InitializeWnd() override;
  void DestroyWnd() override;
  bool CNNotify(NMHDR* header, LRESULT& result) override;
  bool CNScroll(UINT msg, WPARAM wparam, LRESULT& result) override;
  void Notification(TComponent* component, TOperation operation) override;
  // Fires OnChanging; false refuses the step.
  virtual bool CanChange();

private:
  template <class T>
  void ChangeStyle(T& field, T value);

  TWinControl* associate_ = nullptr;
  TUDAlignButton alignButton_ = udRight;
  int16_t min_ = 0;
  int16_t max_ = 100;
  int increment_ = 1;
  int16_t position_ = 0;
  TUDOrientation orientation_ = udVertical;
  bool arrowKeys_ = true;
  bool thousands_ = true;
  bool wrap_ = false;
  // The arrow of the step the window asked about, until its scroll
  // message; none after a refused step.
  enum class Step : unsigned char { None, Next, Prev } step_ = Step::None;
};
