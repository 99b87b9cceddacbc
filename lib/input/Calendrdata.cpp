#include "lib/input/Calendrdata.h"

#include "framework/Locale.h"

#include <algorithm>

// --- kxMonthGrid ----------------------------------------------------------------

void kxMonthGrid::Layout() {
  const int first = DayOfWeekOf(Month.Year, Month.Month, 1);
  // StartOfWeek lies in -6..6, so the sum is never negative.
  Offset = 1 - (first - StartOfWeek + 7) % 7;
}

int kxMonthGrid::Weekday(int col) const { return ((StartOfWeek + col) % 7 + 7) % 7; }

kxDate kxMonthGrid::CellToDate(int col, int row) const {
  if (col < 0 || col > 6 || row < 1 || row > 6) return kxDate(0, 0, 0);
  const kxDate date(FirstCellDays() + col + 7 * (row - 1));
  if (!FillCell && (date.Month != Month.Month || date.Year != Month.Year)) return kxDate(0, 0, 0);
  return date;
}

bool kxMonthGrid::DateToCell(const kxDate& date, int& col, int& row) const {
  col = row = -1;
  if (IsZeroDate(date)) return false;
  const int32_t k = date.Days() - FirstCellDays();
  if (k < 0 || k > 41) return false;
  if (!FillCell && (date.Month != Month.Month || date.Year != Month.Year)) return false;
  col = k % 7;
  row = k / 7 + 1;
  return true;
}

String kxMonthGrid::CellText(int col, int row) const {
  if (row == 0) return ShortDayName(Weekday(col));
  const kxDate date = CellToDate(col, row);
  return IsZeroDate(date) ? String() : IntToStr(date.Day);
}

// --- kxHolidayMarks -------------------------------------------------------------

namespace {

bool ValidMark(int month, int day) { return month >= 0 && month <= 12 && day >= 0 && day <= 31; }

}  // namespace

bool kxHolidayMarks::IsHoliday(int month, int day) const {
  return ValidMark(month, day) && masks_[month].GetFlag(static_cast<int16_t>(day));
}

void kxHolidayMarks::SetHoliday(int month, int day, bool on) {
  if (ValidMark(month, day)) masks_[month].SetFlag(static_cast<int16_t>(day), on);
}

void kxHolidayMarks::Clear() {
  for (kxvFlag& mask : masks_) mask.Store(0);
}

const char* kxHolidayMarks::NationalName(const kxDate& date) const {
  return national_ ? NationalHolidayName(date.Year, date.Month, date.Day) : nullptr;
}

bool kxHolidayMarks::IsHolidayDate(const kxDate& date) const {
  return IsNationalHoliday(date) || IsHoliday(date.Month, date.Day);
}

// --- navigation -----------------------------------------------------------------

kxDate PrevMonthOf(kxDate month, const kxDate& minDate) {
  month.Day = 1;
  month.StepMonthBack();
  if (month < minDate) month = minDate;
  month.Day = 1;
  return month;
}

kxDate NextMonthOf(kxDate month, const kxDate& maxDate) {
  month.Day = 1;
  month.StepMonthForward();
  if (month > maxDate) month = maxDate;
  month.Day = 1;
  return month;
}

bool ScrollMonth(kxDate& month, int code, int position, bool thumbTracking,
                 const kxDate& minDate, const kxDate& maxDate) {
  switch (code) {
    case scPageUp:
      month.Year = static_cast<uint16_t>(std::max(month.Year - 1, 0));
      break;
    case scPageDown:
      month.Year = static_cast<uint16_t>(std::min(month.Year + 1, 0xFFFF));
      break;
    case scThumbTrack:
      if (!thumbTracking) return false;
      [[fallthrough]];
    case scThumbPosition:
      position = std::max(position, 0);
      month.Year = static_cast<uint16_t>(position / 12);
      month.Month = static_cast<uint8_t>(position % 12 + 1);
      break;
    case scTop:
      month = minDate;
      break;
    case scBottom:
      month = maxDate;
      break;
    default:
      break;
  }
  if (month < minDate) month = minDate;
  if (month > maxDate) month = maxDate;
  month.Day = 1;
  return true;
}

// --- size -----------------------------------------------------------------------

void CalcCalendarSize(const kxCalendarFrame& frame, kxCalendarCells& cells, int& width,
                      int& height) {
  const int lines = frame.LineWidth * 7;
  if (width != 0) cells.ColWidth = std::max((width - lines - frame.VBar - frame.Border) / 7, 0);
  if (height != 0) {
    const int h = std::max(
        (height - lines - 6 * frame.MemoHeight - frame.HBar - frame.Border) / 7, 0);
    cells.RowHeight = h + frame.MemoHeight;
    cells.HeadHeight = h;
  }
  width = lines + 7 * cells.ColWidth + frame.Border + frame.VBar;
  height = cells.HeadHeight + 6 * cells.RowHeight + lines + frame.Border + frame.HBar;
}
