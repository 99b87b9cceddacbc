// The month calendar: a grid of seven weekday columns under a heading row,
// one month at a time, with the selected date highlighted, each weekday and
// the national holidays in their colours, an optional note strip at the
// bottom of every day cell for the owner to draw in, its own scroll bars
// that move between months, and an optional label that shows the month.
#pragma once

#include "framework/Grids.h"
#include "lib/input/Calendrdata.h"

#include <cstdint>

class TLabel;

// The seven weekday colours, index 0 = Sunday; a change repaints the owner.
class kxvColorOfWeek : public TPersistent {
public:
  explicit kxvColorOfWeek(TControl* owner) : owner_(owner) {}

  // Index 0 to 6; others read 0 and change nothing.
  TColor GetColor(int index) const { return index >= 0 && index < 7 ? colors_[index] : 0; }
  void SetColor(int index, TColor color);

  TColor Sunday() const { return GetColor(0); }
  void SetSunday(TColor color) { SetColor(0, color); }
  TColor Monday() const { return GetColor(1); }
  void SetMonday(TColor color) { SetColor(1, color); }
  TColor Tuesday() const { return GetColor(2); }
  void SetTuesday(TColor color) { SetColor(2, color); }
  TColor Wednesday() const { return GetColor(3); }
  void SetWednesday(TColor color) { SetColor(3, color); }
  TColor Thursday() const { return GetColor(4); }
  void SetThursday(TColor color) { SetColor(4, color); }
  TColor Friday() const { return GetColor(5); }
  void SetFriday(TColor color) { SetColor(5, color); }
  TColor Saturday() const { return GetColor(6); }
  void SetSaturday(TColor color) { SetColor(6, color); }

protected:
  bool AssignFrom(const TPersistent& source) override;

private:
  TColor colors_[7] = {};
  TControl* owner_;
};

class kxvCalendar : public TCustomGrid {
public:
  // Today's month with today selected, 1900-01-01 to 2099-12-31.
  explicit kxvCalendar(TComponent* owner);
  ~kxvCalendar() override;

  // The month shown (Day 1). Setting it ignores the limits.
  const kxDate& Date() const { return grid_.Month; }
  void SetDate(const kxDate& date);
  int GetYear() const { return grid_.Month.Year; }
  void SetYear(int year);
  int Month() const { return grid_.Month.Month; }
  void SetMonth(int month);
  // Selects that day of the month shown.
  void SetDay(int day);
  // A date of another month than the one shown is not selected.
  const kxDate& SelDate() const { return selDate_; }
  void SetSelDate(const kxDate& date);
  // The months the scroll bars reach; setting one does not move the month
  // shown into the range.
  const kxDate& MinDate() const { return minDate_; }
  void SetMinDate(const kxDate& date);
  const kxDate& MaxDate() const { return maxDate_; }
  void SetMaxDate(const kxDate& date);
  // The limits as text ('1900/01/01'); a text without a year and a month
  // is ignored.
  String MinDateText() const { return minDate_.ToText(); }
  void SetMinDateText(const String& text);
  String MaxDateText() const { return maxDate_.ToText(); }
  void SetMaxDateText(const String& text);

  // The days of the neighbouring months in the spare cells too.
  bool FillCell() const { return grid_.FillCell; }
  void SetFillCell(bool fillCell);
  // Weekday of the first column, stored modulo 7 with its sign: -1 lays
  // out and draws as 6 (Saturday first).
  int16_t StartOfWeek() const { return grid_.StartOfWeek; }
  void SetStartOfWeek(int16_t start);
  // The month scroll bars; a new window. (The grid's own are off.)
  TScrollStyle ScrollBars() const { return monthBars_; }
  void SetScrollBars(TScrollStyle scrollBars);

  kxvColorOfWeek& ColorOfWeek() { return *colorOfWeek_; }
  // Index 0 to 6 only.
  void SetColorOfWeek(int index, TColor color);
  void SetColorOfWeek(const kxvColorOfWeek& colors);
  // clNone: holidays are drawn in their weekday's colour.
  TColor ColorOfHoliday() const { return colorOfHoliday_; }
  void SetColorOfHoliday(TColor color);

  // On: the national holidays are marked, each day by the law in force on
  // it, whichever month is shown however it came (worked out as the days
  // are drawn). The owner's marks stay either way.
  bool Holiday() const { return marks_.National(); }
  void SetHoliday(bool on);
  // The owner's marks by month and day, for every year; they add to the
  // national holidays.
  bool IsHoliday(int month, int day) const { return marks_.IsHoliday(month, day); }
  void SetHoliday(int month, int day, bool on) { marks_.SetHoliday(month, day, on); }
  void ClearHoliday() { marks_.Clear(); }
  // Whether the date is a national holiday the calendar marks (false while
  // Holiday is off), and that holiday's name (Shift-JIS; empty for none).
  bool IsNationalHoliday(const kxDate& date) const { return marks_.IsNationalHoliday(date); }
  String HolidayName(const kxDate& date) const;

  // The note strip at the bottom of each day cell; the cells make room for
  // it within the control's size.
  int MemoHeight() const { return memoHeight_; }
  void SetMemoHeight(int height);
  // A label that shows the month shown, by DateLabelFormat; not owned.
  TLabel* DateLabel() const { return dateLabel_; }
  void SetDateLabel(TLabel* label);
  const String& DateLabelFormat() const { return dateLabelFormat_; }
  void SetDateLabelFormat(const String& format);

  // The frame changes the control's size, not its cells.
  void SetBorderStyle(TBorderStyle style) override;
  void SetCtl3D(bool ctl3D) override;

  bool DateToCell(const kxDate& date, int& col, int& row) const {
    return grid_.DateToCell(date, col, row);
  }
  // The zero date for the heading row and for empty cells.
  kxDate CellToDate(int col, int row) const { return grid_.CellToDate(col, row); }
  String GetCellText(int col, int row) const { return grid_.CellText(col, row); }

  // A month back (forward), not past the month of MinDate (MaxDate).
  void PrevMonth();
  void NextMonth();
  // Lays the month out again, selects SelDate's cell, sets the scroll bars
  // and the label, and repaints.
  virtual void UpdateCalendar();
  virtual void UpdateScrollBar();
  void SetScrollRange();
  // Moves the grid's current cell to SelDate, when the month shows it.
  void SelectDay();
  // Fits the cells to width and height (0: keep that way's cell size) and
  // snaps both to whole cells.
  void CalcSize(int& width, int& height);
  // Snapped to whole cells, except while the control is read from a stored
  // layout.
  void SetBounds(int left, int top, int width, int height) override;
  // Snaps the current size anew.
  void SetWidthHeight();
  void Click() override;

  // May refuse a day the user or the program selects.
  TSelectCellEvent OnSelectCell;
  // The month shown changed.
  TNotifyEvent OnChange;
  // After a cell is drawn, and with the note strip's rectangle (for the
  // heading row too).
  TDrawCellEvent OnDrawCell;
  TDrawCellEvent OnDrawMemo;

protected:
  void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) override;
  // Refuses the heading row and empty cells; asks OnSelectCell.
  bool SelectCell(int col, int row) override;
  // Fires OnChange.
  virtual void Change();
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  void WMScroll(TMessage& message);
  // UpdateCalendar and Change when the month shown is no longer before.
  void MonthMoved(const kxDate& before);
  kxCalendarFrame Frame() const;

  kxMonthGrid grid_;
  kxDate selDate_;
  kxDate minDate_{1900, 1, 1};
  kxDate maxDate_{2099, 12, 31};
  TScrollStyle monthBars_ = ssNone;
  kxvColorOfWeek* colorOfWeek_;
  TColor colorOfHoliday_;
  kxHolidayMarks marks_;
  int memoHeight_ = 0;
  TLabel* dateLabel_ = nullptr;
  String dateLabelFormat_;
  int selCol_ = -1, selRow_ = -1;  // SelDate's cell
};

namespace Calendr {
// Puts kxvCalendar on the design-time palette page "NORDA".
void Register();
}  // namespace Calendr
