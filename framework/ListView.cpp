#include "framework/ListView.h"

#include "framework/Locale.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <cstring>

namespace {

// Scope of program-driven window changes.
struct Syncing {
  explicit Syncing(int& count) : count_(count) { ++count_; }
  ~Syncing() { --count_; }
  int& count_;
};

// Copies at most size - 1 bytes and a terminator, never half of a
// double-byte character.
void CopyText(char* out, int size, const char* text) {
  if (!out || size <= 0) return;
  const size_t room = static_cast<size_t>(size) - 1;
  const size_t length = std::strlen(text);
  size_t n = 0;
  while (n < length) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[n])) && n + 1 < length ? 2 : 1;
    if (n + step > room) break;
    n += step;
  }
  std::memcpy(out, text, n);
  out[n] = '\0';
}

unsigned char Fold(unsigned char c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

// Whether text is wanted (or starts with it when partial), ASCII letters of
// either case alike; a double-byte character matches only itself.
bool SameFolded(const char* text, const String& wanted, bool partial) {
  size_t i = 0;
  while (i < wanted.size()) {
    const unsigned char a = static_cast<unsigned char>(text[i]);
    const unsigned char b = static_cast<unsigned char>(wanted[i]);
    if (a == 0) return false;
    if (IsLeadByte(a)) {
      if (a != b || i + 1 >= wanted.size() || text[i + 1] != wanted[i + 1]) return false;
      i += 2;
      continue;
    }
    if (Fold(a) != Fold(b)) return false;
    ++i;
  }
  return partial || text[i] == 0;
}

int FormatOf(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return LVCFMT_RIGHT;
    case taCenter: return LVCFMT_CENTER;
    default: return LVCFMT_LEFT;
  }
}

}  // namespace

TCustomListView::TCustomListView(TComponent* owner) : TWinControl(owner) {
  texts_.push_back('\0');  // the texts of a row that has none
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListView::~TCustomListView() {
  // Our DestroyWnd while we are still a list view.
  if (HandleAllocated()) DestroyWnd();
}

LRESULT TCustomListView::Send(UINT msg, WPARAM wp, LPARAM lp) {
  return SendMessageA(Handle(), msg, wp, lp);
}

void TCustomListView::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = WC_LISTVIEWA;
  params.ClassName = "TListView";
  AddFrame(params);
  params.Style |= LVS_REPORT | LVS_OWNERDATA;
  if (!multiSelect_) params.Style |= LVS_SINGLESEL;
  if (!hideSelection_) params.Style |= LVS_SHOWSELALWAYS;
  if (!readOnly_) params.Style |= LVS_EDITLABELS;
  if (!columnClick_) params.Style |= LVS_NOSORTHEADER;
}

void TCustomListView::InitializeWnd() {
  Syncing s(syncing_);
  Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  if (updateCount_ > 0) Send(WM_SETREDRAW, FALSE, 0);
  for (int c = 0; c < ColumnCount(); ++c) PushColumn(c, true);
  Send(LVM_SETITEMCOUNT, items_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  PushState();
  // Automatic widths need the texts, so they come after the count.
  PushAutomaticWidths();
  if (topIndex_ > 0 && topIndex_ < Count()) {
    // Scrolling to the end first makes the wanted row the top one.
    Send(LVM_ENSUREVISIBLE, Count() - 1, FALSE);
    Send(LVM_ENSUREVISIBLE, topIndex_, FALSE);
  }
}

void TCustomListView::DestroyWnd() {
  Syncing s(syncing_);
  if (HandleAllocated()) {
    topIndex_ = static_cast<int>(Send(LVM_GETTOPINDEX, 0, 0));
    for (int c = 0; c < ColumnCount(); ++c) {
      columns_[c].Width = static_cast<int>(Send(LVM_GETCOLUMNWIDTH, c, 0));
    }
  }
  TWinControl::DestroyWnd();
}

int TCustomListView::TopIndex() const {
  if (!HandleAllocated()) return topIndex_;
  return static_cast<int>(const_cast<TCustomListView*>(this)->Send(LVM_GETTOPINDEX, 0, 0));
}

// --- Columns ----------------------------------------------------------------

void TCustomListView::PushColumn(int column, bool insert) {
  const TListColumn& col = columns_[column];
  LVCOLUMNA lv{};
  lv.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
  lv.fmt = FormatOf(col.Alignment);
  lv.cx = col.Width >= 0 ? col.Width : 50;
  lv.pszText = const_cast<char*>(col.Caption.c_str());
  lv.iSubItem = column;
  Send(insert ? LVM_INSERTCOLUMNA : LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&lv));
}

int TCustomListView::AddColumn(const String& caption, int width, TAlignment alignment) {
  columns_.push_back(TListColumn{caption, width, alignment});
  const int column = ColumnCount() - 1;
  if (HandleAllocated()) {
    Syncing s(syncing_);
    PushColumn(column, true);
    // The column that was last (and filled the rest) no longer is.
    PushAutomaticWidths();
  }
  return column;
}

namespace {

// Pixel widths of texts in one font, from the advance of each character:
// the list measures every row of a column this way in one pass, where the
// control would ask for each row's text with a notification of its own.
class TextWidths {
public:
  TextWidths(HDC dc) : dc_(dc) {
    if (!GetCharWidth32A(dc, 0, 255, single_)) std::fill(std::begin(single_), std::end(single_), 8);
  }
  int Of(const char* text) {
    int width = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
      if (IsLeadByte(*p) && p[1]) {
        width += Double(static_cast<uint16_t>((p[0] << 8) | p[1]));
        ++p;
      } else {
        width += single_[*p];
      }
    }
    return width;
  }

private:
  int Double(uint16_t code) {
    auto found = doubles_.find(code);
    if (found != doubles_.end()) return found->second;
    const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
    SIZE size{};
    GetTextExtentPoint32A(dc_, pair, 2, &size);
    return doubles_[code] = size.cx;
  }

  HDC dc_;
  INT single_[256];
  std::unordered_map<uint16_t, int> doubles_;
};

// What the control adds to the widest text of a column; a caption keeps
// the header's margin of three edges on each side, and a little more, to
// show whole.
constexpr int kTextPadding = 12;
int CaptionPadding() { return 6 * GetSystemMetrics(SM_CXEDGE) + 4; }

}  // namespace

void TCustomListView::PushAutomaticWidths() {
  if (!HandleAllocated()) return;
  const int last = ColumnCount() - 1;
  HDC dc = GetDC(Handle());
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(Send(WM_GETFONT, 0, 0)));
  TextWidths widths(dc);
  int used = 0;
  for (int c = 0; c <= last; ++c) {
    const int code = columns_[c].Width;
    int width;
    if (code >= 0) {
      width = static_cast<int>(Send(LVM_GETCOLUMNWIDTH, c, 0));
    } else if (code == ColumnHeaderWidth && c == last) {
      // The last one fills the rest, as the control's own code does.
      RECT client{};
      GetClientRect(Handle(), &client);
      width = std::max<int>(client.right - used, 0);
    } else {
      int widest = 0;
      for (int i = 0; i < Count(); ++i) widest = std::max(widest, widths.Of(Text(i, c)));
      width = widest + kTextPadding;
      if (code == ColumnHeaderWidth) {
        width = std::max(width, widths.Of(columns_[c].Caption.c_str()) + CaptionPadding());
      }
    }
    if (code < 0) Send(LVM_SETCOLUMNWIDTH, c, MAKELPARAM(width, 0));
    used += width;
  }
  SelectObject(dc, oldFont);
  ReleaseDC(Handle(), dc);
}

void TCustomListView::SetColumnCaption(int column, const String& caption) {
  columns_.at(column).Caption = caption;
  if (HandleAllocated()) {
    LVCOLUMNA lv{};
    lv.mask = LVCF_TEXT;
    lv.pszText = const_cast<char*>(caption.c_str());
    Send(LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&lv));
  }
}

int TCustomListView::ColumnWidth(int column) const {
  const int width = columns_.at(column).Width;
  if (!HandleAllocated()) return width;
  return static_cast<int>(const_cast<TCustomListView*>(this)->Send(LVM_GETCOLUMNWIDTH, column, 0));
}

void TCustomListView::SetColumnWidth(int column, int width) {
  columns_.at(column).Width = width;
  if (HandleAllocated()) Send(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

void TCustomListView::SetColumnAlignment(int column, TAlignment alignment) {
  columns_.at(column).Alignment = alignment;
  if (HandleAllocated()) {
    LVCOLUMNA lv{};
    lv.mask = LVCF_FMT;
    lv.fmt = FormatOf(alignment);
    Send(LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&lv));
  }
}

void TCustomListView::ClearColumns() {
  if (HandleAllocated()) {
    Syncing s(syncing_);
    for (int c = ColumnCount() - 1; c >= 0; --c) Send(LVM_DELETECOLUMN, c, 0);
  }
  columns_.clear();
}

void TCustomListView::DeleteColumn(int column) {
  if (column < 0 || column >= ColumnCount()) return;
  if (HandleAllocated()) {
    Syncing s(syncing_);
    Send(LVM_DELETECOLUMN, column, 0);
  }
  columns_.erase(columns_.begin() + column);
  // The column now last may be the one that fills the rest.
  PushAutomaticWidths();
}

void TCustomListView::SetColumnClick(bool columnClick) {
  if (columnClick == columnClick_) return;
  columnClick_ = columnClick;
  // The header reads the style as it goes.
  if (HandleAllocated()) {
    LONG style = GetWindowLongA(Handle(), GWL_STYLE);
    SetWindowLongA(Handle(), GWL_STYLE,
                   columnClick ? style & ~LVS_NOSORTHEADER : style | LVS_NOSORTHEADER);
  }
}

// --- Items ------------------------------------------------------------------

void TCustomListView::PushCount() {
  if (!HandleAllocated() || updateCount_ > 0) return;
  Syncing s(syncing_);
  Send(LVM_SETITEMCOUNT, items_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void TCustomListView::RedrawItem(int index) {
  if (HandleAllocated() && updateCount_ == 0) Send(LVM_REDRAWITEMS, index, index);
}

int TCustomListView::AddItem(const String& caption, const std::vector<String>& subItems,
                             void* data) {
  TListItem item;
  item.Data = data;
  std::vector<const char*> texts{caption.c_str()};
  for (const String& sub : subItems) texts.push_back(sub.c_str());
  StoreTexts(item, texts);
  items_.push_back(item);
  const int index = Count() - 1;
  PushCount();
  if (autoSort_) Sort();
  return index;
}

void TCustomListView::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  garbage_ += TextSize(items_[index]);
  items_.erase(items_.begin() + index);
  if (focused_ == index) focused_ = -1;
  else if (focused_ > index) --focused_;
  if (HandleAllocated()) {
    PushCount();
    PushState();
    Invalidate();
  }
  Change(-1);
}

void TCustomListView::Clear() {
  items_.clear();
  texts_.resize(1);
  garbage_ = 0;
  focused_ = -1;
  if (HandleAllocated()) {
    Syncing s(syncing_);
    Send(LVM_SETITEMCOUNT, 0, 0);
    Invalidate();
  }
  Change(-1);
}

void TCustomListView::SetCaption(int index, const String& text) {
  ReplaceText(index, 0, text);
  RedrawItem(index);
  Change(index);
  if (autoSort_) Sort();
}

void TCustomListView::SetSubItem(int index, int column, const String& text) {
  if (column <= 0) {
    SetCaption(index, text);
    return;
  }
  ReplaceText(index, column, text);
  RedrawItem(index);
  Change(index);
}

void TCustomListView::BeginUpdate() {
  if (updateCount_++ == 0 && HandleAllocated()) Send(WM_SETREDRAW, FALSE, 0);
}

void TCustomListView::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && HandleAllocated()) {
    PushCount();
    // Columns of automatic width fit the rows they hold now.
    {
      Syncing sync(syncing_);
      PushAutomaticWidths();
    }
    Send(WM_SETREDRAW, TRUE, 0);
    Invalidate();
  }
}

// --- Texts ------------------------------------------------------------------

size_t TCustomListView::TextSize(const TListItem& item) const {
  const char* end = &texts_[item.Text];
  for (int t = 0; t <= item.SubItemCount; ++t) end += std::strlen(end) + 1;
  return end - &texts_[item.Text];
}

const char* TCustomListView::SubItem(const TListItem& item, int sub) const {
  if (sub < 0 || sub >= item.SubItemCount) return &texts_[0];
  const char* text = &texts_[item.Text];
  for (int t = 0; t <= sub; ++t) text += std::strlen(text) + 1;
  return text;
}

const char* TCustomListView::Text(int index, int column) const {
  if (column == 0) return Caption(index);
  if (column > items_.at(index).SubItemCount && OnColumnText) {
    const char* text = OnColumnText(index, column);
    return text ? text : &texts_[0];
  }
  return SubItem(index, column - 1);
}

void TCustomListView::StoreTexts(TListItem& item, const std::vector<const char*>& texts) {
  item.Text = static_cast<uint32_t>(texts_.size());
  item.SubItemCount = static_cast<uint16_t>(texts.size() - 1);
  for (const char* text : texts) texts_.insert(texts_.end(), text, text + std::strlen(text) + 1);
}

void TCustomListView::ReplaceText(int index, int column, const String& text) {
  TListItem& item = items_.at(index);
  std::vector<String> old{Caption(item)};
  for (int sub = 0; sub < item.SubItemCount; ++sub) old.push_back(SubItem(item, sub));
  if (old.size() <= static_cast<size_t>(column)) old.resize(column + 1);
  old[column] = text;
  garbage_ += TextSize(item);
  std::vector<const char*> texts;
  for (const String& t : old) texts.push_back(t.c_str());
  StoreTexts(item, texts);
  if (garbage_ > texts_.size() / 2) CompactTexts();
}

void TCustomListView::CompactTexts() {
  std::vector<char> compact;
  compact.reserve(texts_.size() - garbage_);
  compact.push_back('\0');
  for (TListItem& item : items_) {
    const size_t size = TextSize(item);
    const char* from = &texts_[item.Text];
    item.Text = static_cast<uint32_t>(compact.size());
    compact.insert(compact.end(), from, from + size);
  }
  texts_.swap(compact);
  garbage_ = 0;
}

// --- Sorting ----------------------------------------------------------------

void TCustomListView::Sort() {
  if (compare_) {
    std::stable_sort(items_.begin(), items_.end(), [this](const TListItem& a, const TListItem& b) {
      return compare_(a, b) < 0;
    });
  } else {
    std::stable_sort(items_.begin(), items_.end(), [this](const TListItem& a, const TListItem& b) {
      return CompareText(Caption(a), Caption(b)) < 0;
    });
  }
  focused_ = -1;
  for (int i = 0; i < Count(); ++i) {
    if (items_[i].Focused) focused_ = i;
  }
  if (HandleAllocated()) {
    PushState();
    Invalidate();
  }
}

void TCustomListView::SetAutoSort(bool autoSort) {
  autoSort_ = autoSort;
  if (autoSort) Sort();
}

// --- Selection --------------------------------------------------------------

void TCustomListView::PushItemState(int index) {
  if (!HandleAllocated()) return;
  Syncing s(syncing_);
  LVITEMA lv{};
  lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  const TListItem& item = items_[index];
  lv.state = (item.Selected ? LVIS_SELECTED : 0) | (item.Focused ? LVIS_FOCUSED : 0);
  Send(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&lv));
}

void TCustomListView::PushState() {
  if (!HandleAllocated()) return;
  Syncing s(syncing_);
  // Clearing with index -1 costs a notification per row under Wine, so
  // only the rows the window has selected or focused are cleared.
  LVITEMA clear{};
  clear.stateMask = LVIS_SELECTED;
  int i = -1;
  while ((i = static_cast<int>(Send(LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0) {
    if (i >= Count() || !items_[i].Selected) {
      Send(LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&clear));
    }
  }
  i = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  if (i >= 0 && (i >= Count() || !items_[i].Focused)) {
    clear.stateMask = LVIS_FOCUSED;
    Send(LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&clear));
  }
  for (i = 0; i < Count(); ++i) {
    if (items_[i].Selected || items_[i].Focused) PushItemState(i);
  }
}

int TCustomListView::SelCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(),
                                        [](const TListItem& item) { return item.Selected; }));
}

int TCustomListView::Selected() const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[i].Selected) return i;
  }
  return -1;
}

void TCustomListView::SetSelected(int index, bool selected) {
  TListItem& item = items_.at(index);
  if (item.Selected == selected) return;
  if (selected && !multiSelect_) {
    for (int i = 0; i < Count(); ++i) {
      if (items_[i].Selected) {
        items_[i].Selected = false;
        PushItemState(i);
      }
    }
  }
  item.Selected = selected;
  PushItemState(index);
  Change(index);
}

void TCustomListView::SelectAll() {
  if (!multiSelect_) return;
  for (TListItem& item : items_) item.Selected = true;
  if (HandleAllocated()) {
    Syncing s(syncing_);
    LVITEMA lv{};
    lv.stateMask = LVIS_SELECTED;
    lv.state = LVIS_SELECTED;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&lv));
  }
  Change(-1);
}

void TCustomListView::ClearSelection() {
  for (TListItem& item : items_) item.Selected = false;
  PushState();
  Change(-1);
}

void TCustomListView::SelectRows(const std::vector<int>& rows) {
  if (rows.empty()) return;
  if (!multiSelect_) {
    for (TListItem& item : items_) item.Selected = false;
    items_.at(rows.front()).Selected = true;
  } else {
    for (int row : rows) items_.at(row).Selected = true;
  }
  PushState();
  Change(rows.size() == 1 ? rows.front() : -1);
}

void TCustomListView::InvertSelection() {
  if (!multiSelect_) return;
  for (TListItem& item : items_) item.Selected = !item.Selected;
  PushState();
  Change(-1);
}

void TCustomListView::SetItemFocused(int index) {
  if (index == focused_ || index >= Count()) return;
  const int old = focused_;
  if (old >= 0) {
    items_[old].Focused = false;
    PushItemState(old);
  }
  focused_ = index < 0 ? -1 : index;
  if (focused_ >= 0) {
    items_[focused_].Focused = true;
    PushItemState(focused_);
  }
  Change(focused_ >= 0 ? focused_ : old);
}

int TCustomListView::FindCaption(int start, const String& text, bool partial, bool wrap) const {
  const int n = Count();
  if (n == 0) return -1;
  if (start < 0) start = 0;
  const int steps = wrap ? n : n - std::min(start, n);
  for (int k = 0; k < steps; ++k) {
    const int i = (start + k) % n;
    if (SameFolded(Caption(i), text, partial)) return i;
  }
  return -1;
}

bool TCustomListView::EditCaption(int index) {
  if (readOnly_ || index < 0 || index >= Count()) return false;
  SetFocus();
  return Send(LVM_EDITLABELA, index, 0) != 0;
}

// --- Styles -----------------------------------------------------------------

void TCustomListView::ChangeStyle(bool& field, bool value) {
  if (field == value) return;
  field = value;
  // The control reads these only when it is made.
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListView::SetMultiSelect(bool multiSelect) {
  if (!multiSelect) {
    // One selection at most, the first.
    bool seen = false;
    for (TListItem& item : items_) {
      if (item.Selected && seen) item.Selected = false;
      seen = seen || item.Selected;
    }
  }
  ChangeStyle(multiSelect_, multiSelect);
}

void TCustomListView::SetHideSelection(bool hideSelection) {
  ChangeStyle(hideSelection_, hideSelection);
}

void TCustomListView::SetReadOnly(bool readOnly) { ChangeStyle(readOnly_, readOnly); }

// --- Notifications ----------------------------------------------------------

void TCustomListView::Change(int index) {
  if (OnChange) OnChange(this, index);
}

void TCustomListView::ColumnClicked(int column) {
  if (OnColumnClick) OnColumnClick(this, column);
}

void TCustomListView::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

int TCustomListView::EditedRow(int index) const {
  if (index >= 0 && index < Count() && editedCaption_ == Caption(index)) return index;
  for (int i = 0; i < Count(); ++i) {
    if (editedCaption_ == Caption(i)) return i;
  }
  return -1;
}

bool TCustomListView::EndEdit(int index, const char* edited) {
  index = EditedRow(index);
  if (readOnly_ || index < 0) return false;
  String text = edited;
  if (OnEdited) OnEdited(this, index, text);
  // The handler may have waited for the user while the rows changed.
  index = EditedRow(index);
  if (index >= 0) SetCaption(index, text);
  return index >= 0;
}

void TCustomListView::ApplyWindowState(int index, UINT newState, UINT oldState) {
  const UINT changed = newState ^ oldState;
  auto apply = [&](int i) {
    TListItem& item = items_[i];
    if (changed & LVIS_SELECTED) item.Selected = (newState & LVIS_SELECTED) != 0;
    if (changed & LVIS_FOCUSED) {
      item.Focused = (newState & LVIS_FOCUSED) != 0;
      if (item.Focused) focused_ = i;
      else if (focused_ == i) focused_ = -1;
    }
  };
  if (index < 0) {
    for (int i = 0; i < Count(); ++i) apply(i);
  } else if (index < Count()) {
    apply(index);
  }
}

bool TCustomListView::CNNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    case LVN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      LVITEMA& item = info->item;
      if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && item.iItem < Count()) {
        CopyText(item.pszText, item.cchTextMax, Text(item.iItem, item.iSubItem));
      }
      result = 0;
      return true;
    }
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      LVITEMW& item = info->item;
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0 && item.iItem >= 0 &&
          item.iItem < Count()) {
        const char* text = Text(item.iItem, item.iSubItem);
        int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(std::strlen(text)),
                                    item.pszText, item.cchTextMax - 1);
        item.pszText[n > 0 ? n : 0] = L'\0';
      }
      result = 0;
      return true;
    }
    case LVN_ITEMCHANGED: {
      auto* lv = reinterpret_cast<NMLISTVIEW*>(header);
      result = 0;
      if (syncing_ || !(lv->uChanged & LVIF_STATE)) return true;
      ApplyWindowState(lv->iItem, lv->uNewState, lv->uOldState);
      Change(lv->iItem);
      return true;
    }
    case LVN_ODSTATECHANGED: {
      auto* od = reinterpret_cast<NMLVODSTATECHANGE*>(header);
      result = 0;
      if (syncing_) return true;
      for (int i = std::max(0, od->iFrom); i <= od->iTo && i < Count(); ++i) {
        ApplyWindowState(i, od->uNewState, od->uOldState);
      }
      Change(od->iFrom == od->iTo ? od->iFrom : -1);
      return true;
    }
    case LVN_ODFINDITEMA: {
      // Type-ahead: the window cannot search texts it never holds.
      auto* find = reinterpret_cast<NMLVFINDITEMA*>(header);
      result = -1;
      if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz) {
        result = FindCaption(find->iStart, find->lvfi.psz, (find->lvfi.flags & LVFI_PARTIAL) != 0,
                             (find->lvfi.flags & LVFI_WRAP) != 0);
      }
      return true;
    }
    case LVN_ODFINDITEMW: {
      auto* find = reinterpret_cast<NMLVFINDITEMW*>(header);
      result = -1;
      if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz) {
        char text[512] = "";
        WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, text, sizeof text, nullptr, nullptr);
        result = FindCaption(find->iStart, text, (find->lvfi.flags & LVFI_PARTIAL) != 0,
                             (find->lvfi.flags & LVFI_WRAP) != 0);
      }
      return true;
    }
    case LVN_COLUMNCLICK: {
      auto* lv = reinterpret_cast<NMLISTVIEW*>(header);
      result = 0;
      ColumnClicked(lv->iSubItem);
      return true;
    }
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW: {
      // The A and W forms share iItem.
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      bool allow = !readOnly_ && info->item.iItem >= 0 && info->item.iItem < Count();
      if (allow && OnEditing) OnEditing(this, info->item.iItem, allow);
      if (allow) editedCaption_ = Caption(info->item.iItem);
      result = allow ? FALSE : TRUE;
      return true;
    }
    case LVN_ENDLABELEDITA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      result = info->item.pszText ? EndEdit(info->item.iItem, info->item.pszText) : FALSE;
      return true;
    }
    case LVN_ENDLABELEDITW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      result = FALSE;
      if (info->item.pszText) {
        char text[1024] = "";
        WideCharToMultiByte(CP_ACP, 0, info->item.pszText, -1, text, sizeof text, nullptr,
                            nullptr);
        result = EndEdit(info->item.iItem, text);
      }
      return true;
    }
    case NM_CLICK:
      Click();
      result = 0;
      return true;
    case NM_DBLCLK:
      result = 0;
      DblClick();
      return true;
    case LVN_BEGINDRAG:
      result = 0;
      if (DragMode() == dmAutomatic) {
        dragItem_ = reinterpret_cast<NMLISTVIEW*>(header)->iItem;
        dragAt_ = reinterpret_cast<NMLISTVIEW*>(header)->ptAction;
        BeginDrag(true);
        dragItem_ = -1;
      }
      return true;
    default:
      return false;
  }
}

HIMAGELIST TCustomListView::CreateDragImage(POINT grab, POINT& hotspot) {
  int item = dragItem_;
  if (item >= 0) grab = dragAt_;
  if (item < 0) {
    LVHITTESTINFO hit{};
    hit.pt = grab;
    item = static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  }
  if (item < 0) item = static_cast<int>(Send(LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
  POINT corner{0, 0};
  auto* list = item >= 0 ? reinterpret_cast<HIMAGELIST>(Send(LVM_CREATEDRAGIMAGE, item,
                                                             reinterpret_cast<LPARAM>(&corner)))
                         : nullptr;
  if (!list) return TWinControl::CreateDragImage(grab, hotspot);
  hotspot = POINT{grab.x - corner.x, grab.y - corner.y};
  return list;
}
