#include "lib/input/Calendr.h"

#include "framework/StdCtrls.h"

namespace {

constexpr TColor kBlue = 0xFF0000;
constexpr TColor kHighlight = static_cast<TColor>(0x80000000 | COLOR_HIGHLIGHT);
constexpr TColor kHighlightText = static_cast<TColor>(0x80000000 | COLOR_HIGHLIGHTTEXT);

bool Horizontal(TScrollStyle bars) { return bars == ssHorizontal || bars == ssBoth; }
bool Vertical(TScrollStyle bars) { return bars == ssVertical || bars == ssBoth; }

// A limit read from text needs at least a year and a month: the reader
// takes any text, and a zero date would shut every month out.
bool UsableLimit(kxDate& date, const String& text) {
  return date.FromText(text) && date.Year != 0 && date.Month != 0;
}

}  // namespace

// --- kxvColorOfWeek -------------------------------------------------------------

void kxvColorOfWeek::SetColor(int index, TColor color) {
  if (index < 0 || index >= 7) return;
  colors_[index] = color;
  if (owner_) owner_->Invalidate();
}

bool kxvColorOfWeek::AssignFrom(const TPersistent& source) {
  const auto* other = dynamic_cast<const kxvColorOfWeek*>(&source);
  if (!other) return false;
  for (int i = 0; i < 7; ++i) colors_[i] = other->colors_[i];
  if (owner_) owner_->Invalidate();
  return true;
}

// --- kxvCalendar ----------------------------------------------------------------

kxvCalendar::kxvCalendar(TComponent* owner)
    : TCustomGrid(owner), colorOfWeek_(new kxvColorOfWeek(this)), colorOfHoliday_(clRed) {
  SetOptions(Options() & ~(goRangeSelect | goDrawFocusSelected));
  TCustomGrid::SetScrollBars(ssNone);
  SetColCount(7);
  SetRowCount(7);
  SetFixedCols(0);
  SetFixedRows(1);
  SetDefaultRowHeight(16);
  SetDefaultColWidth(24);
  int width = 0, height = 0;
  CalcSize(width, height);
  TCustomGrid::SetBounds(Left(), Top(), width, height);
  for (int i = 0; i < 7; ++i) colorOfWeek_->SetColor(i, clWindowText);
  colorOfWeek_->SetSunday(clRed);
  colorOfWeek_->SetSaturday(kBlue);
  dateLabelFormat_ = "yyyy/mm";
  grid_.Month = selDate_;  // today
  grid_.Month.Day = 1;
  UpdateCalendar();
}

kxvCalendar::~kxvCalendar() { delete colorOfWeek_; }

void kxvCalendar::SetDate(const kxDate& date) {
  grid_.Month = date;
  grid_.Month.Day = 1;
  UpdateCalendar();
  Change();
}

void kxvCalendar::SetYear(int year) {
  if (year == GetYear()) return;
  grid_.Month.Year = static_cast<uint16_t>(year);
  grid_.Month.Day = 1;
  UpdateCalendar();
  Change();
}

void kxvCalendar::SetMonth(int month) {
  // A month that is none would lay out garbage and fail the label.
  if (month == Month() || month < 1 || month > 12) return;
  grid_.Month.Month = static_cast<uint8_t>(month);
  grid_.Month.Day = 1;
  UpdateCalendar();
  Change();
}

void kxvCalendar::SetDay(int day) {
  if (day < 1 || day > DaysInMonth(GetYear(), Month())) return;
  const kxDate date(GetYear(), Month(), day);
  if (!(selDate_ != date)) return;
  int col, row;
  if (grid_.DateToCell(date, col, row) && SelectCell(col, row)) UpdateCalendar();
}

void kxvCalendar::SetSelDate(const kxDate& date) {
  int col, row;
  if (grid_.DateToCell(date, col, row) && SelectCell(col, row)) UpdateCalendar();
}

void kxvCalendar::SetMinDate(const kxDate& date) {
  minDate_ = date;
  SetScrollRange();
}

void kxvCalendar::SetMaxDate(const kxDate& date) {
  maxDate_ = date;
  SetScrollRange();
}

void kxvCalendar::SetMinDateText(const String& text) {
  kxDate date;
  if (UsableLimit(date, text)) SetMinDate(date);
}

void kxvCalendar::SetMaxDateText(const String& text) {
  kxDate date;
  if (UsableLimit(date, text)) SetMaxDate(date);
}

void kxvCalendar::SetFillCell(bool fillCell) {
  grid_.FillCell = fillCell;
  UpdateCalendar();
}

void kxvCalendar::SetStartOfWeek(int16_t start) {
  grid_.StartOfWeek = static_cast<int16_t>(start % 7);
  UpdateCalendar();
}

void kxvCalendar::SetScrollBars(TScrollStyle scrollBars) {
  if (scrollBars == monthBars_) return;
  monthBars_ = scrollBars;
  RecreateWnd();
}

void kxvCalendar::SetColorOfWeek(int index, TColor color) {
  if (index < 0 || index >= 7) return;
  colorOfWeek_->SetColor(index, color);
  UpdateCalendar();
}

void kxvCalendar::SetColorOfWeek(const kxvColorOfWeek& colors) {
  colorOfWeek_->Assign(colors);
  UpdateCalendar();
}

void kxvCalendar::SetColorOfHoliday(TColor color) {
  colorOfHoliday_ = color;
  UpdateCalendar();
}

void kxvCalendar::SetHoliday(bool on) {
  marks_.SetNational(on);
  UpdateCalendar();
}

String kxvCalendar::HolidayName(const kxDate& date) const {
  const char* name = marks_.NationalName(date);
  return name ? String(name) : String();
}

void kxvCalendar::SetMemoHeight(int height) {
  memoHeight_ = height;
  int width = Width(), h = Height();
  CalcSize(width, h);
  SetBounds(Left(), Top(), width, h);
}

void kxvCalendar::SetDateLabel(TLabel* label) {
  if (dateLabel_) RemoveFreeNotification(dateLabel_);
  dateLabel_ = label;
  if (label) FreeNotification(label);
  UpdateCalendar();
}

void kxvCalendar::SetDateLabelFormat(const String& format) {
  dateLabelFormat_ = format;
  UpdateCalendar();
}

void kxvCalendar::Notification(TComponent* component, TOperation operation) {
  TCustomGrid::Notification(component, operation);
  if (operation == opRemove && component == dateLabel_) dateLabel_ = nullptr;
}

void kxvCalendar::SetBorderStyle(TBorderStyle style) {
  TCustomGrid::SetBorderStyle(style);
  SetWidthHeight();
}

void kxvCalendar::SetCtl3D(bool ctl3D) {
  TCustomGrid::SetCtl3D(ctl3D);
  SetWidthHeight();
}

// --- month ------------------------------------------------------------------------

void kxvCalendar::UpdateCalendar() {
  grid_.Layout();
  SelectDay();
  UpdateScrollBar();
  if (dateLabel_) dateLabel_->SetCaption(grid_.Month.Format(dateLabelFormat_));
  Repaint();
}

void kxvCalendar::SelectDay() {
  if (grid_.DateToCell(selDate_, selCol_, selRow_)) MoveColRow(selCol_, selRow_, false, false);
}

bool kxvCalendar::SelectCell(int col, int row) {
  const kxDate date = grid_.CellToDate(col, row);
  if (IsZeroDate(date)) return false;
  if (OnSelectCell) {
    bool canSelect = true;
    OnSelectCell(this, col, row, canSelect);
    if (!canSelect) return false;
  }
  if (date != selDate_) {
    selDate_ = date;
    SelectDay();
  }
  return true;
}

void kxvCalendar::Change() {
  if (OnChange) OnChange(this);
}

void kxvCalendar::Click() { TCustomGrid::Click(); }

void kxvCalendar::MonthMoved(const kxDate& before) {
  if (grid_.Month != before) {
    UpdateCalendar();
    Change();
  }
}

void kxvCalendar::PrevMonth() {
  const kxDate before = grid_.Month;
  grid_.Month = PrevMonthOf(grid_.Month, minDate_);
  MonthMoved(before);
}

void kxvCalendar::NextMonth() {
  const kxDate before = grid_.Month;
  grid_.Month = NextMonthOf(grid_.Month, maxDate_);
  MonthMoved(before);
}

void kxvCalendar::WMScroll(TMessage& m) {
  m.Result = 0;
  const int code = LOWORD(m.WParam);
  if (code == scLineUp) return PrevMonth();
  if (code == scLineDown) return NextMonth();
  const kxDate before = grid_.Month;
  // The message carries the thumb's position in 16 signed bits.
  const int position = static_cast<int16_t>(HIWORD(m.WParam));
  if (!ScrollMonth(grid_.Month, code, position, (Options() & goThumbTracking) != 0, minDate_,
                   maxDate_)) {
    return;
  }
  if (grid_.Month != before) {
    UpdateCalendar();
    Change();
  } else {
    UpdateScrollBar();  // the thumb goes back where the month is
  }
}

// --- drawing ----------------------------------------------------------------------

void kxvCalendar::DrawCell(int col, int row, const RECT& rect, TGridDrawState state) {
  TCanvas& canvas = Canvas();
  const String text = GetCellText(col, row);
  TColor brush = row == 0 ? FixedColor() : Color();
  TColor color = Font().Color();
  if (text.empty()) {
    state &= ~gdSelected;
  } else if (col == selCol_ && row == selRow_) {
    color = kHighlightText;
    brush = kHighlight;
    state |= gdSelected;
  } else {
    state &= ~gdSelected;
    const bool holiday = colorOfHoliday_ != clNone && row >= 1 &&
                         marks_.IsHolidayDate(grid_.CellToDate(col, row));
    color = holiday ? colorOfHoliday_ : colorOfWeek_->GetColor(grid_.Weekday(col));
  }
  canvas.FillRect(rect, brush);
  if (!text.empty()) {
    // Centred above the note strip, clipped to the cell.
    const SIZE size = canvas.TextExtent(text);
    const int memo = row >= 1 ? memoHeight_ : 0;
    const int x = rect.left + (rect.right - rect.left - size.cx) / 2;
    const int y = rect.top + (rect.bottom - rect.top - size.cy - memo) / 2;
    HDC dc = canvas.Handle();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(color));
    ExtTextOutA(dc, x, y, ETO_CLIPPED, &rect, text.c_str(), static_cast<UINT>(text.size()),
                nullptr);
  }
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
  if (OnDrawMemo) {
    RECT memo = rect;
    memo.top += (rect.bottom - rect.top) - memoHeight_;
    OnDrawMemo(this, col, row, memo, state);
  }
}

// --- scroll bars ------------------------------------------------------------------

void kxvCalendar::SetScrollRange() {
  if (!HandleAllocated()) return;
  const int low = MonthPosition(minDate_), high = MonthPosition(maxDate_);
  if (Horizontal(monthBars_)) ::SetScrollRange(Handle(), SB_HORZ, low, high, TRUE);
  if (Vertical(monthBars_)) ::SetScrollRange(Handle(), SB_VERT, low, high, TRUE);
}

void kxvCalendar::UpdateScrollBar() {
  if (monthBars_ == ssNone || !HandleAllocated()) return;
  const int position = MonthPosition(grid_.Month);
  if (Horizontal(monthBars_)) SetScrollPos(Handle(), SB_HORZ, position, TRUE);
  if (Vertical(monthBars_)) SetScrollPos(Handle(), SB_VERT, position, TRUE);
}

// --- window -----------------------------------------------------------------------

void kxvCalendar::CreateParams(TCreateParams& params) {
  TCustomGrid::CreateParams(params);
  params.ClassName = "kxvCalendar";
  if (Horizontal(monthBars_)) params.Style |= WS_HSCROLL;
  if (Vertical(monthBars_)) params.Style |= WS_VSCROLL;
}

void kxvCalendar::CreateWnd() {
  TCustomGrid::CreateWnd();
  SetScrollRange();
  UpdateScrollBar();
}

void kxvCalendar::WndProc(TMessage& m) {
  if ((m.Msg == WM_HSCROLL || m.Msg == WM_VSCROLL) && m.LParam == 0) {
    WMScroll(m);
    return;
  }
  TCustomGrid::WndProc(m);
}

// --- size -------------------------------------------------------------------------

kxCalendarFrame kxvCalendar::Frame() const {
  kxCalendarFrame frame;
  if (BorderStyle() == bsSingle) {
    frame.Border = 2 * GetSystemMetrics(Ctl3D() ? SM_CXEDGE : SM_CXBORDER);
  }
  if (Horizontal(monthBars_)) frame.HBar = GetSystemMetrics(SM_CYHSCROLL);
  if (Vertical(monthBars_)) frame.VBar = GetSystemMetrics(SM_CXVSCROLL);
  frame.LineWidth = GridLineWidth();
  frame.MemoHeight = memoHeight_;
  return frame;
}

void kxvCalendar::CalcSize(int& width, int& height) {
  kxCalendarCells cells{DefaultColWidth(), DefaultRowHeight(), RowHeights(0)};
  CalcCalendarSize(Frame(), cells, width, height);
  SetDefaultColWidth(cells.ColWidth);
  SetDefaultRowHeight(cells.RowHeight);
  SetRowHeights(0, cells.HeadHeight);
}

void kxvCalendar::SetBounds(int left, int top, int width, int height) {
  if (width != Width() || height != Height()) {
    if (Loading()) {
      // The stored layout's size stands; the cells still follow it.
      int w = width, h = height;
      CalcSize(w, h);
    } else {
      CalcSize(width, height);
    }
  }
  TCustomGrid::SetBounds(left, top, width, height);
}

void kxvCalendar::SetWidthHeight() {
  int width = Width(), height = Height();
  const int border = Frame().Border;
  width += border;
  height += border;
  CalcSize(width, height);
  SetBounds(Left(), Top(), width, height);
}

namespace Calendr {

void Register() { RegisterComponent<kxvCalendar>("NORDA", "kxvCalendar"); }

}  // namespace Calendr
