#include "framework/StdCtrls.h"

#include "framework/Forms.h"

#include <algorithm>

namespace {

// A getter may look at the window it already has; Handle() makes none then.
HWND ExistingHandle(const TWinControl* control) {
  return control->HandleAllocated() ? const_cast<TWinControl*>(control)->Handle() : nullptr;
}

}  // namespace

TForm* ParentForm(const TControl* control) {
  for (TWinControl* p = control->Parent(); p; p = p->Parent()) {
    if (auto* form = dynamic_cast<TForm*>(p)) return form;
  }
  return nullptr;
}

void DrawControlText(TCanvas& canvas, RECT rect, const String& text, UINT flags, TColor color,
                     bool enabled) {
  if (enabled) {
    canvas.TextRect(rect, text, flags, color);
    return;
  }
  RECT lit = rect;
  OffsetRect(&lit, 1, 1);
  canvas.TextRect(lit, text, flags, clBtnHighlight);
  canvas.TextRect(rect, text, flags, clBtnShadow);
}

// --- TButton ----------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = "BUTTON";
  params.ClassName = "TButton";
  params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::InitializeWnd() {
  // The parents are all there now, up to the form.
  RegisterWithForm();
}

void TButton::RegisterWithForm() {
  TForm* form = ParentForm(this);
  if (!form) return;
  if (default_ && form->DefaultButton() != this) {
    TControl* previous = form->DefaultButton();
    form->SetDefaultButton(this);
    if (auto* button = dynamic_cast<TButton*>(previous)) button->SetDefault(false);
  } else if (!default_ && form->DefaultButton() == this) {
    form->SetDefaultButton(nullptr);
  }
  if (cancel_ && form->CancelButton() != this) {
    TControl* previous = form->CancelButton();
    form->SetCancelButton(this);
    if (auto* button = dynamic_cast<TButton*>(previous)) button->SetCancel(false);
  } else if (!cancel_ && form->CancelButton() == this) {
    form->SetCancelButton(nullptr);
  }
}

void TButton::LeaveForm() {
  TForm* form = ParentForm(this);
  if (!form) return;
  if (form->DefaultButton() == this) form->SetDefaultButton(nullptr);
  if (form->CancelButton() == this) form->SetCancelButton(nullptr);
}

void TButton::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  LeaveForm();
  TWinControl::SetParent(parent);
  RegisterWithForm();
}

void TButton::SetDefault(bool isDefault) {
  if (isDefault == default_) return;
  default_ = isDefault;
  RegisterWithForm();
  ShowDefaultLook(default_ || Focused());
}

void TButton::SetCancel(bool isCancel) {
  if (isCancel == cancel_) return;
  cancel_ = isCancel;
  RegisterWithForm();
}

void TButton::ShowDefaultLook(bool look) {
  if (!HandleAllocated()) return;
  const DWORD wanted = look ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if ((GetWindowLongA(Handle(), GWL_STYLE) & BS_TYPEMASK) != wanted) {
    SendMessageA(Handle(), BM_SETSTYLE, wanted, TRUE);
  }
}

void TButton::Click() {
  if (modalResult_ != mrNone) {
    if (TForm* form = ParentForm(this)) form->SetModalResult(modalResult_);
  }
  TWinControl::Click();
}

bool TButton::CNCommand(WORD code, LRESULT& result) {
  if (code != BN_CLICKED) return false;
  Click();
  result = 0;
  return true;
}

void TButton::WndProc(TMessage& m) {
  TWinControl::WndProc(m);
  // The focused button is the one Enter presses (the dialog manager asks
  // the focused window for DLGC_DEFPUSHBUTTON); the form's default button
  // gives up its frame meanwhile and takes it back when the focus leaves
  // the buttons.
  TForm* form = nullptr;
  if (m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS) form = ParentForm(this);
  auto* formDefault = form ? dynamic_cast<TButton*>(form->DefaultButton()) : nullptr;
  if (m.Msg == WM_SETFOCUS) {
    ShowDefaultLook(true);
    if (formDefault && formDefault != this) formDefault->ShowDefaultLook(false);
  } else if (m.Msg == WM_KILLFOCUS) {
    ShowDefaultLook(default_);
    auto* next = dynamic_cast<TButton*>(FromHandle(reinterpret_cast<HWND>(m.WParam)));
    if (formDefault && !next) formDefault->ShowDefaultLook(true);
  }
}

// --- TCheckBox --------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TCheckBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = "BUTTON";
  params.ClassName = "TCheckBox";
  params.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::InitializeWnd() {
  SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::Checked() const {
  if (HWND h = ExistingHandle(this)) return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return checked_;
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == Checked()) return;
  checked_ = checked;
  if (HandleAllocated()) {
    SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  Click();
}

bool TCheckBox::CNCommand(WORD code, LRESULT& result) {
  if (code != BN_CLICKED) return false;
  checked_ = Checked();
  Click();
  result = 0;
  return true;
}

void TCheckBox::WndProc(TMessage& m) {
  // The window owns the state; it is read back before any destroy,
  // a parent's included.
  if (m.Msg == WM_DESTROY) checked_ = Checked();
  TWinControl::WndProc(m);
}

// --- TLabel -----------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  // Made while its owner loads a layout, the label is part of that load:
  // it takes its size when the load ends, not from each property on the way.
  if (owner && owner->Loading()) BeginLoad();
  SetAutoSize(true);
}

UINT TLabel::DrawFlags() const {
  UINT flags = DT_EXPANDTABS;
  if (wordWrap_) flags |= DT_WORDBREAK;
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  if (alignment_ == taCenter) flags |= DT_CENTER;
  else if (alignment_ == taRightJustify) flags |= DT_RIGHT;
  return flags;
}

SIZE TLabel::TextSize(int width) {
  // An empty label keeps the height of one line.
  const String text = caption_.empty() ? String(" ") : caption_;
  RECT r{0, 0, wordWrap_ ? width : 0, 0};
  HDC dc = GetDC(nullptr);
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawFlags() | DT_CALCRECT);
  }
  ReleaseDC(nullptr, dc);
  return SIZE{r.right, r.bottom};
}

void TLabel::SetBounds(int left, int top, int width, int height) {
  if (AutoSize() && !Loading()) {
    const SIZE text = TextSize(width);
    if (!wordWrap_) {
      if (alignment_ == taRightJustify) left += width - text.cx;
      width = text.cx;
    }
    height = text.cy;
  }
  TGraphicControl::SetBounds(left, top, width, height);
}

void TLabel::AdjustSize() { SetBounds(Left(), Top(), Width(), Height()); }

void TLabel::Paint(TCanvas& canvas) {
  RECT r = ClientRect();
  if (!transparent_) canvas.FillRect(r, Color());
  DrawControlText(canvas, r, caption_, DrawFlags(), Font().Color(), ShowsEnabled(this));
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TLabel::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TLabel::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  AdjustSize();
  Invalidate();
}

void TLabel::SetShowAccelChar(bool show) {
  if (show == showAccelChar_) return;
  showAccelChar_ = show;
  AdjustSize();
  Invalidate();
}

void TLabel::SetParent(TWinControl* parent) {
  TGraphicControl::SetParent(parent);
  // The parent's font came with it.
  AdjustSize();
}

void TLabel::TextChanged() { AdjustSize(); }

void TLabel::FontChanged() {
  AdjustSize();
  Invalidate();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustSize();
}

// --- TGroupBox --------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {}

void TGroupBox::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.ClassName = "TGroupBox";
  params.ExStyle |= WS_EX_CONTROLPARENT;  // the platform's navigation goes inside
}

void TGroupBox::PaintWindow(HDC dc) {
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    const SIZE text = canvas.TextExtent(caption_.empty() ? String("0") : caption_);
    // The frame runs through the middle of the caption line.
    RECT frame = ClientRect();
    frame.top += text.cy / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!caption_.empty()) {
      RECT label{6, 0, 6 + text.cx + 4, text.cy};
      canvas.FillRect(label, Color());
      OffsetRect(&label, 2, 0);
      DrawControlText(canvas, label, caption_, DT_SINGLELINE | DT_LEFT | DT_NOCLIP, Font().Color(),
                      ShowsEnabled(this));
    }
  }
  TCustomControl::PaintWindow(dc);
}

// --- TListBox ---------------------------------------------------------------

namespace {

// The order the platform's sorted list box keeps.
bool SortsBefore(const String& a, const String& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(),
                        static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size())) ==
         CSTR_LESS_THAN;
}

}  // namespace

HWND TListBox::TListBoxStrings::Window() const { return list_->Window(); }

void TListBox::TListBoxStrings::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
  }
}

int TListBox::TListBoxStrings::Count() const {
  if (HWND h = Window()) return static_cast<int>(SendMessageA(h, LB_GETCOUNT, 0, 0));
  return static_cast<int>(cache_.size());
}

String TListBox::TListBoxStrings::Get(int index) const {
  CheckIndex(index);
  HWND h = Window();
  if (!h) return cache_[index].text;
  LRESULT length = SendMessageA(h, LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) CheckIndex(-1);
  // The length may count more bytes than the text has (double-byte text).
  String text(static_cast<size_t>(length) + 1, '\0');
  LRESULT got = SendMessageA(h, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

TObject* TListBox::TListBoxStrings::Objects(int index) const {
  CheckIndex(index);
  HWND h = Window();
  if (!h) return cache_[index].object;
  return reinterpret_cast<TObject*>(SendMessageA(h, LB_GETITEMDATA, index, 0));
}

void TListBox::TListBoxStrings::SetObjects(int index, TObject* object) {
  CheckIndex(index);
  HWND h = Window();
  if (!h) {
    cache_[index].object = object;
    return;
  }
  SendMessageA(h, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(object));
}

void TListBox::TListBoxStrings::Put(int index, const String& text) {
  CheckIndex(index);
  HWND h = Window();
  if (!h) {
    cache_[index].text = text;
    return;
  }
  // The platform replaces a line only by deleting and inserting it; the
  // line keeps its object and selection, the list its current line.
  TObject* object = Objects(index);
  const bool selected = list_->Selected(index);
  const int current = list_->ItemIndex();
  BeginUpdate();
  Delete(index);
  Insert(index, text);
  SetObjects(index, object);
  if (selected) list_->SetSelected(index, true);
  list_->SetItemIndex(current);
  EndUpdate();
}

int TListBox::TListBoxStrings::Add(const String& text) {
  if (HWND h = Window()) {
    LRESULT index = SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) throw EStringListError("Cannot add a line to the list");
    return static_cast<int>(index);
  }
  auto at = cache_.end();
  if (list_->sorted_) {
    at = std::upper_bound(cache_.begin(), cache_.end(), text,
                          [](const String& t, const Item& item) { return SortsBefore(t, item.text); });
  }
  at = cache_.insert(at, Item{text});
  return static_cast<int>(at - cache_.begin());
}

void TListBox::TListBoxStrings::Insert(int index, const String& text) {
  if (index < 0 || index > Count()) {
    throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
  }
  if (HWND h = Window()) {
    if (SendMessageA(h, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str())) < 0) {
      throw EStringListError("Cannot add a line to the list");
    }
    return;
  }
  cache_.insert(cache_.begin() + index, Item{text});
}

void TListBox::TListBoxStrings::Delete(int index) {
  CheckIndex(index);
  if (HWND h = Window()) SendMessageA(h, LB_DELETESTRING, index, 0);
  else cache_.erase(cache_.begin() + index);
}

void TListBox::TListBoxStrings::Clear() {
  if (HWND h = Window()) SendMessageA(h, LB_RESETCONTENT, 0, 0);
  cache_.clear();
  list_->caret_ = -1;
  list_->topIndex_ = 0;
}

void TListBox::TListBoxStrings::SetUpdateState(bool updating) {
  HWND h = Window();
  if (!h) return;
  // Thousands of lines go in without a repaint for each.
  SendMessageA(h, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
  if (!updating) InvalidateRect(h, nullptr, TRUE);
}

void TListBox::TListBoxStrings::SortCache() {
  std::stable_sort(cache_.begin(), cache_.end(),
                   [](const Item& a, const Item& b) { return SortsBefore(a.text, b.text); });
}

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
}

HWND TListBox::Window() const { return ExistingHandle(this); }

void TListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = "LISTBOX";
  params.ClassName = "TListBox";
  params.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
  if (multiSelect_) params.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (sorted_) params.Style |= LBS_SORT;
  AddFrame(params);
}

void TListBox::InitializeWnd() {
  HWND h = Handle();
  auto& cache = items_.cache_;
  // A shown list box repaints for every line put in; it is shown once, after.
  SendMessageA(h, WM_SETREDRAW, FALSE, 0);
  size_t bytes = 0;
  for (const auto& item : cache) bytes += item.text.size() + 1;
  SendMessageA(h, LB_INITSTORAGE, cache.size(), bytes);
  // A sorted window puts each line where it belongs; the line's entry in
  // the cache rides along as item data until every line is in.
  for (auto& item : cache) {
    LRESULT index = SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
    if (index >= 0) SendMessageA(h, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(&item));
  }
  int firstSelected = -1;
  const int count = static_cast<int>(SendMessageA(h, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    auto* item = reinterpret_cast<TListBoxStrings::Item*>(SendMessageA(h, LB_GETITEMDATA, i, 0));
    SendMessageA(h, LB_SETITEMDATA, i, reinterpret_cast<LPARAM>(item->object));
    if (!item->selected) continue;
    if (firstSelected < 0) firstSelected = i;
    if (multiSelect_) SendMessageA(h, LB_SETSEL, TRUE, i);
  }
  if (!multiSelect_) SendMessageA(h, LB_SETCURSEL, firstSelected, 0);
  else if (caret_ >= 0 && caret_ < count) SendMessageA(h, LB_SETCARETINDEX, caret_, FALSE);
  SendMessageA(h, LB_SETTOPINDEX, topIndex_, 0);
  cache.clear();
  if (!items_.Updating()) {
    SendMessageA(h, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(h, nullptr, TRUE);
  }
}

void TListBox::SaveState() {
  HWND h = Handle();
  auto& cache = items_.cache_;
  const int count = static_cast<int>(SendMessageA(h, LB_GETCOUNT, 0, 0));
  cache.clear();
  cache.reserve(count);
  for (int i = 0; i < count; ++i) {
    cache.push_back(TListBoxStrings::Item{items_.Get(i), items_.Objects(i),
                                          SendMessageA(h, LB_GETSEL, i, 0) > 0});
  }
  caret_ = multiSelect_ && count > 0 ? static_cast<int>(SendMessageA(h, LB_GETCARETINDEX, 0, 0)) : -1;
  topIndex_ = static_cast<int>(SendMessageA(h, LB_GETTOPINDEX, 0, 0));
}

void TListBox::WndProc(TMessage& m) {
  // The window owns the lines and the selection; they are read back before
  // any destroy, a parent's included.
  if (m.Msg == WM_DESTROY) SaveState();
  TWinControl::WndProc(m);
}

bool TListBox::CNCommand(WORD code, LRESULT& result) {
  switch (code) {
    case LBN_SELCHANGE:
      Click();
      break;
    case LBN_DBLCLK:
      if (OnDblClick) OnDblClick(this);
      break;
    default:
      return false;
  }
  result = 0;
  return true;
}

void TListBox::SetMultiSelect(bool multiSelect) {
  if (multiSelect == multiSelect_) return;
  multiSelect_ = multiSelect;
  RecreateWnd();
}

void TListBox::SetExtendedSelect(bool extendedSelect) {
  if (extendedSelect == extendedSelect_) return;
  extendedSelect_ = extendedSelect;
  if (multiSelect_) RecreateWnd();
}

void TListBox::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (HandleAllocated()) RecreateWnd();
  else if (sorted) items_.SortCache();
}

int TListBox::ItemIndex() const {
  if (HWND h = Window()) {
    if (!multiSelect_) return static_cast<int>(SendMessageA(h, LB_GETCURSEL, 0, 0));
    if (SendMessageA(h, LB_GETCOUNT, 0, 0) == 0) return -1;
    return static_cast<int>(SendMessageA(h, LB_GETCARETINDEX, 0, 0));
  }
  if (multiSelect_) return caret_ < items_.Count() ? caret_ : -1;
  const auto& cache = items_.cache_;
  auto it = std::find_if(cache.begin(), cache.end(), [](const auto& item) { return item.selected; });
  return it == cache.end() ? -1 : static_cast<int>(it - cache.begin());
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= items_.Count()) index = -1;
  if (HWND h = Window()) {
    if (multiSelect_) SendMessageA(h, LB_SETCARETINDEX, index, FALSE);
    else SendMessageA(h, LB_SETCURSEL, index, 0);
    return;
  }
  if (multiSelect_) {
    caret_ = index;
    return;
  }
  auto& cache = items_.cache_;
  for (int i = 0; i < static_cast<int>(cache.size()); ++i) cache[i].selected = i == index;
}

bool TListBox::Selected(int index) const {
  items_.CheckIndex(index);
  if (HWND h = Window()) return SendMessageA(h, LB_GETSEL, index, 0) > 0;
  return items_.cache_[index].selected;
}

void TListBox::SetSelected(int index, bool selected) {
  items_.CheckIndex(index);
  if (!multiSelect_) {
    if (selected) SetItemIndex(index);
    else if (ItemIndex() == index) SetItemIndex(-1);
    return;
  }
  if (HWND h = Window()) SendMessageA(h, LB_SETSEL, selected ? TRUE : FALSE, index);
  else items_.cache_[index].selected = selected;
}

int TListBox::SelCount() const {
  if (!multiSelect_) return -1;
  if (HWND h = Window()) return static_cast<int>(SendMessageA(h, LB_GETSELCOUNT, 0, 0));
  const auto& cache = items_.cache_;
  return static_cast<int>(
      std::count_if(cache.begin(), cache.end(), [](const auto& item) { return item.selected; }));
}

int TListBox::TopIndex() const {
  if (HWND h = Window()) return static_cast<int>(SendMessageA(h, LB_GETTOPINDEX, 0, 0));
  return topIndex_;
}

void TListBox::SetTopIndex(int index) {
  if (HWND h = Window()) SendMessageA(h, LB_SETTOPINDEX, index, 0);
  else topIndex_ = index;
}

// --- TCustomEdit ------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetAutoSize(true);
}

int TCustomEdit::NaturalHeight() {
  TEXTMETRICA metrics{};
  HDC dc = GetDC(nullptr);
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    GetTextMetricsA(dc, &metrics);
  }
  ReleaseDC(nullptr, dc);
  // Two pixels above and below the line, inside the frame.
  const int frame = GetSystemMetrics(Ctl3D() ? SM_CYEDGE : SM_CYBORDER);
  return metrics.tmHeight + 2 * (2 + frame);
}

void TCustomEdit::SetBounds(int left, int top, int width, int height) {
  if (AutoSize() && !Loading()) height = NaturalHeight();
  TWinControl::SetBounds(left, top, width, height);
}

void TCustomEdit::AdjustSize() { SetBounds(Left(), Top(), Width(), Height()); }

void TCustomEdit::FontChanged() {
  TWinControl::FontChanged();
  if (AutoSize()) AdjustSize();
}

void TCustomEdit::Loaded() {
  TWinControl::Loaded();
  if (AutoSize()) AdjustSize();
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = "EDIT";
  params.ClassName = "TEdit";
  params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (readOnly_) params.Style |= ES_READONLY;
  if (alignment_ == taRightJustify) params.Style |= ES_RIGHT;
  else if (alignment_ == taCenter) params.Style |= ES_CENTER;
  if (multiLine_) {
    params.Style |= ES_MULTILINE;
    if (wordWrap_) params.Style &= ~ES_AUTOHSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  }
  AddFrame(params);
}

void TCustomEdit::InitializeWnd() {
  HWND h = Handle();
  if (maxLength_ > 0) SendMessageA(h, EM_LIMITTEXT, maxLength_, 0);
  SendMessageA(h, EM_SETMODIFY, modified_, 0);
  PushSelection();
}

void TCustomEdit::DestroyWnd() {
  caption_ = Text();
  modified_ = Modified();
  selStart_ = SelStart();
  selLength_ = SelLength();
  TWinControl::DestroyWnd();
}

String TCustomEdit::Text() const {
  HWND h = ExistingHandle(this);
  if (!h) return caption_;
  // The length may count more bytes than the text has (double-byte text).
  const int length = GetWindowTextLengthA(h);
  String text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(h, text.data(), length + 1)));
  return text;
}

void TCustomEdit::SetText(const String& text) {
  if (text != Text()) {
    caption_ = text;
    if (HWND h = ExistingHandle(this)) SetWindowTextA(h, text.c_str());
  }
  SetModified(false);
}

void TCustomEdit::SetMaxLength(int length) {
  if (length == maxLength_) return;
  maxLength_ = length;
  if (HWND h = ExistingHandle(this)) SendMessageA(h, EM_LIMITTEXT, length, 0);
}

void TCustomEdit::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  if (HWND h = ExistingHandle(this)) SendMessageA(h, EM_SETREADONLY, readOnly, 0);
}

bool TCustomEdit::Modified() const {
  if (HWND h = ExistingHandle(this)) return SendMessageA(h, EM_GETMODIFY, 0, 0) != 0;
  return modified_;
}

void TCustomEdit::SetModified(bool modified) {
  if (modified == Modified()) return;
  modified_ = modified;
  if (HWND h = ExistingHandle(this)) SendMessageA(h, EM_SETMODIFY, modified, 0);
}

int TCustomEdit::SelStart() const {
  HWND h = ExistingHandle(this);
  if (!h) return selStart_;
  DWORD start = 0;
  SendMessageA(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

int TCustomEdit::SelLength() const {
  HWND h = ExistingHandle(this);
  if (!h) return selLength_;
  DWORD start = 0, end = 0;
  SendMessageA(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelStart(int start) {
  selStart_ = start;
  selLength_ = 0;
  PushSelection();
}

void TCustomEdit::SetSelLength(int length) {
  selStart_ = SelStart();
  selLength_ = length;
  PushSelection();
}

void TCustomEdit::SelectAll() {
  selStart_ = 0;
  selLength_ = static_cast<int>(Text().size());
  if (HWND h = ExistingHandle(this)) SendMessageA(h, EM_SETSEL, 0, -1);
}

void TCustomEdit::PushSelection() {
  if (HWND h = ExistingHandle(this)) SendMessageA(h, EM_SETSEL, selStart_, selStart_ + selLength_);
}

template <class T>
void TCustomEdit::ChangeStyle(T& field, T value) {
  if (value == field) return;
  field = value;
  RecreateWnd();
}

void TCustomEdit::SetAlignment(TAlignment alignment) { ChangeStyle(alignment_, alignment); }
void TCustomEdit::SetMultiLine(bool multiLine) { ChangeStyle(multiLine_, multiLine); }
void TCustomEdit::SetScrollBars(TScrollStyle scrollBars) { ChangeStyle(scrollBars_, scrollBars); }
void TCustomEdit::SetWordWrap(bool wordWrap) { ChangeStyle(wordWrap_, wordWrap); }

void TCustomEdit::WndProc(TMessage& m) {
  if (m.Msg != WM_GETDLGCODE) {
    TWinControl::WndProc(m);
    return;
  }
  const auto* key = reinterpret_cast<const MSG*>(m.LParam);
  // Asked with the key message, Wine's edit window takes itself for part of
  // a dialog and from then on moves the focus on Tab and closes its parent
  // on Escape by itself: it is asked without.
  TMessage plain = m;
  plain.LParam = 0;
  DefaultHandler(plain);
  m.Result = plain.Result;
  m.Result |= DLGC_WANTARROWS;
  if (wantTabs_) m.Result |= DLGC_WANTTAB;
  else m.Result &= ~DLGC_WANTTAB;
  // Wanting all keys, the box would have Tab from the dialog manager too:
  // it wants Enter and Escape only, and only with WantReturns.
  const bool keyDown = key && key->message == WM_KEYDOWN;
  const bool enterOrEscape = keyDown && (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE);
  m.Result &= ~DLGC_WANTALLKEYS;
  if (wantReturns_ && (!key || enterOrEscape)) {
    m.Result |= DLGC_WANTALLKEYS;
  } else if (keyDown && key->wParam == VK_RETURN &&
             HIWORD(SendMessageA(GetAncestor(Handle(), GA_ROOT), DM_GETDEFID, 0, 0)) != DC_HASDEFID) {
    // No default button to press: Enter comes to the box's key events.
    m.Result |= DLGC_WANTMESSAGE;
  }
}

bool TCustomEdit::CNCommand(WORD code, LRESULT& result) {
  if (code != EN_CHANGE) return false;
  Change();
  result = 0;
  return true;
}

void TCustomEdit::DoEnter() {
  if (autoSelect_) SelectAll();
  TWinControl::DoEnter();
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

// --- TMemo ------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner) {
  SetAutoSize(false);
  SetMultiLine(true);
  SetWordWrap(true);
  SetWantReturns(true);
  SetAutoSelect(false);
}

void TMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.ClassName = "TMemo";
}
