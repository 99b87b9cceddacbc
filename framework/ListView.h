// The list view: a report view in owner-data mode. The items are small
// records kept in a vector here, their texts back to back in one text
// store; the window holds only their count and asks for texts as it paints,
// so 100,000 rows cost no more window calls than ten, and little more
// memory than their texts. Selection and focus live in the records too and
// are pushed to the window, so everything survives RecreateWnd.
#pragma once

#include "framework/Controls.h"

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

// Column widths that ask the window to size the column itself.
constexpr int ColumnTextWidth = LVSCW_AUTOSIZE;              // widest text
constexpr int ColumnHeaderWidth = LVSCW_AUTOSIZE_USEHEADER;  // text or caption

// One row: an owner's value, where its texts are and its state. The texts
// (the caption, then each sub-item, each ending in a zero byte) are read
// through the list: Caption(item), SubItem(item, n).
struct TListItem {
  void* Data = nullptr;
  uint32_t Text = 0;  // offset in the list's text store
  uint16_t SubItemCount = 0;
  bool Selected = false;
  bool Focused = false;
};

struct TListColumn {
  String Caption;
  int Width = 50;
  TAlignment Alignment = taLeftJustify;
};

using TLVItemEvent = std::function<void(TObject* sender, int index)>;
using TLVColumnClickEvent = std::function<void(TObject* sender, int column)>;
using TLVEditingEvent = std::function<void(TObject* sender, int index, bool& allowEdit)>;
using TLVEditedEvent = std::function<void(TObject* sender, int index, String& text)>;
using TLVCompare = std::function<int(const TListItem& a, const TListItem& b)>;
// The text of a column the rows do not store, asked as the window shows
// it; null for none.
using TLVColumnTextEvent = std::function<const char*(int index, int column)>;

class TCustomListView : public TWinControl {
public:
  explicit TCustomListView(TComponent* owner);
  ~TCustomListView() override;

  // --- Columns
  // Returns the new column's index.
  int AddColumn(const String& caption, int width = 50, TAlignment alignment = taLeftJustify);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const String& ColumnCaption(int column) const { return columns_.at(column).Caption; }
  void SetColumnCaption(int column, const String& caption);
  // Pixels; the window's own width once it exists.
  int ColumnWidth(int column) const;
  // Pixels, ColumnTextWidth or ColumnHeaderWidth.
  void SetColumnWidth(int column, int width);
  TAlignment ColumnAlignment(int column) const { return columns_.at(column).Alignment; }
  void SetColumnAlignment(int column, TAlignment alignment);
  void ClearColumns();
  // The columns after it move one place to the left.
  void DeleteColumn(int column);
  // Whether the column headers are buttons that report clicks.
  bool ColumnClick() const { return columnClick_; }
  void SetColumnClick(bool columnClick);

  // --- Items
  // The window's, beside the rows' below.
  using TControl::Caption;
  using TControl::SetCaption;
  const std::vector<TListItem>& Items() const { return items_; }
  const TListItem& Items(int index) const { return items_.at(index); }
  const char* Caption(const TListItem& item) const { return &texts_[item.Text]; }
  const char* Caption(int index) const { return Caption(items_.at(index)); }
  // The text of the sub-item (0 the first), empty if the row has none.
  const char* SubItem(const TListItem& item, int sub) const;
  const char* SubItem(int index, int sub) const { return SubItem(items_.at(index), sub); }
  int Count() const { return static_cast<int>(items_.size()); }
  // Returns the new item's index (before any AutoSort).
  int AddItem(const String& caption, const std::vector<String>& subItems = {},
              void* data = nullptr);
  void Delete(int index);
  void Clear();
  void SetCaption(int index, const String& text);
  // Column 0 is the caption; column n the (n-1)th sub-item.
  const char* Text(int index, int column) const;
  void SetSubItem(int index, int column, const String& text);
  void SetData(int index, void* data) { items_.at(index).Data = data; }

  // Redrawing stops until the matching EndUpdate; calls nest.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }

  // --- Sorting
  // The order of Sort; without one, captions by CompareText. The
  // comparator reads texts through Caption(item) and SubItem(item, n).
  void SetSortComparator(TLVCompare compare) { compare_ = std::move(compare); }
  // Orders the rows with the comparator (stable).
  virtual void Sort();
  void AlphaSort() { Sort(); }
  bool AutoSort() const { return autoSort_; }
  // On: sorts now and after every caption change.
  void SetAutoSort(bool autoSort);

  // --- Selection
  int SelCount() const;
  bool Selected(int index) const { return items_.at(index).Selected; }
  void SetSelected(int index, bool selected);
  // The first selected index, or -1.
  int Selected() const;
  void SelectAll();
  void ClearSelection();
  // Selects the rows (row order), with one OnChange for them all.
  void SelectRows(const std::vector<int>& rows);
  // Every row's selection the other way round.
  void InvertSelection();
  // -1 for none.
  int ItemFocused() const { return focused_; }
  void SetItemFocused(int index);
  int TopIndex() const;

  // The first item from start on (wrapping to the top when wrap) whose
  // caption is text, or starts with it when partial, ASCII case ignored.
  int FindCaption(int start, const String& text, bool partial, bool wrap) const;
  // Starts the in-place editor on the caption; false when it did not open.
  bool EditCaption(int index);

  // --- Styles
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool multiSelect);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool hideSelection);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);

  // After an item changed, its selection or focus included (-1: many).
  TLVItemEvent OnChange;
  TLVColumnClickEvent OnColumnClick;
  // Before the user edits a caption; clear allowEdit to refuse.
  TLVEditingEvent OnEditing;
  // After an accepted edit, before the caption is stored; text may change.
  // index is the row that holds the edited caption now (rows rebuilt
  // during the edit may have moved it); an edit whose row is gone is
  // cancelled.
  TLVEditedEvent OnEdited;
  // Columns past a row's stored sub-items: texts worked out by the owner
  // only for the rows painted, so a column of 100,000 rows costs nothing
  // until it is seen. Invalidate() shows new ones.
  TLVColumnTextEvent OnColumnText;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void DestroyWnd() override;
  bool CNNotify(NMHDR* header, LRESULT& result) override;
  virtual void Change(int index);
  // The user clicked a column header: fires OnColumnClick.
  virtual void ColumnClicked(int column);
  // The user double-clicked: fires OnDblClick.
  virtual void DblClick();
  // A drag carries the row's picture as the control draws it: the row the
  // control saw dragged, else the one grabbed, else the focused one.
  HIMAGELIST CreateDragImage(POINT grab, POINT& hotspot) override;
  // With dmAutomatic the control's own detection of a row dragged begins
  // the drag, not the press.
  void BeginAutoDrag() override {}

private:
  LRESULT Send(UINT msg, WPARAM wp, LPARAM lp);
  // Applies the automatic width codes, measured from the rows' texts
  // (ColumnHeaderWidth fills the rest for the last column only).
  void PushAutomaticWidths();
  void PushColumn(int column, bool insert);
  void PushCount();
  void PushState();
  void PushItemState(int index);
  void RedrawItem(int index);
  // Stores an accepted in-place edit (ANSI text); false when refused.
  bool EndEdit(int index, const char* edited);
  // The row that holds the caption being edited: index if it still does,
  // else the first that does; -1 when it is gone.
  int EditedRow(int index) const;
  void ApplyWindowState(int index, UINT newState, UINT oldState);
  void ChangeStyle(bool& field, bool value);
  // Stores a row's texts at the end of the text store.
  void StoreTexts(TListItem& item, const std::vector<const char*>& texts);
  void ReplaceText(int index, int column, const String& text);
  size_t TextSize(const TListItem& item) const;
  void CompactTexts();

  // The texts of every row back to back; a changed row's old texts stay
  // until they are the larger part and the store is compacted.
  std::vector<char> texts_;
  size_t garbage_ = 0;

  std::vector<TListColumn> columns_;
  std::vector<TListItem> items_;
  TLVCompare compare_;
  int focused_ = -1;
  int topIndex_ = 0;
  int updateCount_ = 0;
  bool autoSort_ = false;
  bool multiSelect_ = true;
  bool hideSelection_ = false;
  bool readOnly_ = false;
  bool columnClick_ = true;
  // The program drives the window: its notifications only echo the model.
  int syncing_ = 0;
  // The caption as the editor opened on it: the rows may be rebuilt while
  // the user types, and the edit belongs to that caption, not to the index.
  String editedCaption_;
  // The row the control reports dragged and where, while its drag begins.
  int dragItem_ = -1;
  POINT dragAt_{0, 0};
};

// The list view as placed on a form.
class TListView : public TCustomListView {
public:
  using TCustomListView::TCustomListView;
};
