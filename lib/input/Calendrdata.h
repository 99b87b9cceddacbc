// The month calendar's arithmetic, window-free: where the days of a month
// fall in a grid of seven columns (the weekdays) under a heading row, the
// holidays it colours, the month steps within limits and the snapping of
// the control's size to whole cells.
#pragma once

#include "framework/Sysutils.h"
#include "lib/core/Date.h"
#include "lib/core/Flag.h"

#include <cstdint>

// The date of no cell: (0, 0, 0).
inline bool IsZeroDate(const kxDate& date) { return date.Month == 0; }

// One month laid out on six week rows below the heading row 0. Row 1 holds
// the first of the month; the cells before and after it belong to the
// neighbouring months and count only with FillCell.
struct kxMonthGrid {
  kxDate Month{1900, 1, 1};  // the month shown; Day is 1
  // Weekday of column 0 (0 = Sunday). Kept as given, sign and all: a
  // negative start counts back from Sunday, so -1 lays out and draws as 6.
  int16_t StartOfWeek = 0;
  bool FillCell = false;
  // Added to the column of cell (0, 1) it gives the first's day: -5 to 1.
  int32_t Offset = 1;

  // Sets Offset from Month and StartOfWeek.
  void Layout();
  // The weekday a column shows, 0 to 6.
  int Weekday(int col) const;
  // Day number of cell (0, 1).
  int32_t FirstCellDays() const { return Month.Days() + Offset - 1; }
  // The zero date for the heading row, a cell outside the grid, or a day of
  // another month without FillCell.
  kxDate CellToDate(int col, int row) const;
  // False (and -1, -1) for a date no cell shows.
  bool DateToCell(const kxDate& date, int& col, int& row) const;
  // The heading row: the locale's short weekday names; other rows: the day,
  // or nothing for the zero date.
  String CellText(int col, int row) const;
};

// The holidays a calendar colours: the national holidays of each date
// shown, by the law in force on it, while National is on, and the days
// the owner marks by month and day, in every year: a flag word per month,
// index 1 to 12 (0 is stored like the others but no date has it).
class kxHolidayMarks {
public:
  bool National() const { return national_; }
  void SetNational(bool on) { national_ = on; }
  // The owner's marks. A month outside 0..12 or a day outside 0..31 reads
  // false and changes nothing.
  bool IsHoliday(int month, int day) const;
  void SetHoliday(int month, int day, bool on);
  uint32_t Mask(int month) const { return month >= 0 && month <= 12 ? masks_[month].Flags() : 0; }
  void Clear();
  // The date's national holiday (NationalHolidayName) while National is
  // on; null on other days and while it is off.
  const char* NationalName(const kxDate& date) const;
  bool IsNationalHoliday(const kxDate& date) const { return NationalName(date) != nullptr; }
  // Whether the date is coloured as a holiday: a national holiday while
  // National is on, or marked by the owner.
  bool IsHolidayDate(const kxDate& date) const;

private:
  bool national_ = false;
  // Flag sets without listeners: they never notify.
  kxvFlag masks_[13];
};

// A month back (forward), but not before the month of minDate (after the
// month of maxDate). The result's Day is 1.
kxDate PrevMonthOf(kxDate month, const kxDate& minDate);
kxDate NextMonthOf(kxDate month, const kxDate& maxDate);

// The scroll-bar requests, numbered as the platform's SB_ codes.
enum kxScrollCode {
  scLineUp, scLineDown, scPageUp, scPageDown, scThumbPosition, scThumbTrack, scTop, scBottom
};
// The month a scroll bar asks for: a year back or forward by page, the
// thumb's position (year x 12 + month - 1), the first or last month;
// within the limits, Day 1. The line requests are PrevMonthOf and
// NextMonthOf. False when the request is dropped: thumb tracking while it
// is off.
bool ScrollMonth(kxDate& month, int code, int position, bool thumbTracking,
                 const kxDate& minDate, const kxDate& maxDate);
// A scroll-bar position: year x 12 + month - 1.
inline int MonthPosition(const kxDate& date) { return date.Year * 12 + date.Month - 1; }

// What the control's size is made of around its cells.
struct kxCalendarFrame {
  int Border = 0;  // both sides of the frame together
  int HBar = 0;    // the horizontal scroll bar's height, 0 without
  int VBar = 0;    // the vertical scroll bar's width, 0 without
  int LineWidth = 1;
  int MemoHeight = 0;
};
struct kxCalendarCells {
  int ColWidth;
  int RowHeight;   // the week rows, memo strip included
  int HeadHeight;  // row 0
};
// Fits the cells to width and height (0 keeps that way's cell size) and
// snaps both to what seven columns and rows of whole cells take. Cell
// sizes never go below 0.
void CalcCalendarSize(const kxCalendarFrame& frame, kxCalendarCells& cells, int& width,
                      int& height);
