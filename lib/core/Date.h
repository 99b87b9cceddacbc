// The library's calendar: plain functions over (year, month, day) and
// (hour, minute, second, millisecond) numbers, and the date and time values
// built on them. Window-free; the locale and the clock come through the
// framework's thin layer.
//
// The leap rule is the library's own (every 1000th year is a leap year
// again, not every 400th). It agrees with the Gregorian calendar for
// 1601..2399, which is all the program ever shows.
#pragma once

#include "framework/Dateutils.h"
#include "framework/Locale.h"  // IsLeadByte, the separators and designators
#include "framework/Sysutils.h"
#include "framework/Wintypes.h"

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Calendar core. Output pointers may be null when the value is not wanted.

bool IsLeapYear(int year);
int DaysInFebruary(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// Day number: 0001-01-01 is day 0. Months above 12 count as empty months,
// so (y, 13, 1) is the first day of y + 1.
int32_t DateToDays(int year, int month, int day);
// Fills the date of a day number; returns its weekday (0 = Sunday).
int DaysToDate(int32_t days, uint16_t* year, uint8_t* month, uint8_t* day);
// The same for 16-bit month and day variables, which are always written.
int DaysToDate(int32_t days, uint16_t* year, uint16_t& month, uint16_t& day);
// 0 = Sunday ... 6 = Saturday.
int DayOfWeekOf(int year, int month, int day);

// Readers of user-typed text. What the text does not give becomes 0,
// numbers are stored as read. The result is the position after what was
// read. A number too large for its field refuses the whole text: every
// field is 0 and the result is null (cut to the field's width, the number
// would make another, valid-looking value).
//   date: [blanks] [era] [blanks] year [/ month [/ day]]; era is a letter
//         H M S T (either case), a square era character or an era name.
//   time: [blanks] [AM|PM|午前|午後|locale designator] hour [: minute
//         [: second [. millisecond]]]; overflowing parts carry upward.
const char* ParseDateText(const char* text, uint16_t* year, uint8_t* month, uint8_t* day);
const char* ParseTimeText(const char* text, uint8_t* hour, uint8_t* minute, uint8_t* second,
                          uint16_t* millisecond);

// Parts that are 0 are left out: (1998, 12, 0) is "1998/12". With the era,
// years after 1867 are written as M, T, S or H and two digits.
String DateToText(int year, int month, int day, bool withEra = false);
// Negative parts are left out; milliseconds only when above 0.
String TimeToText(int hour, int minute, int second, int millisecond);

// Month steps through day numbers, so an overlong day runs into the next
// month (1998-01-31 forward is 1998-03-03). They return the new weekday.
int StepMonthForward(uint16_t& year, uint8_t& month, uint8_t& day);
int StepMonthBack(uint16_t& year, uint8_t& month, uint8_t& day);
// Returns the new day number.
int32_t StepDayBack(uint16_t& year, uint8_t& month, uint8_t& day);

struct kxMonthDay {
  uint8_t Month;
  uint8_t Day;
};

// The national holidays of 1996..1999 as one fixed table, ending with
// (0, 0). The 3/20 entry stands for the vernal equinox, which moves year by
// year (VernalEquinoxDay). Kept for its callers: the holidays of another
// year are NationalHolidayName's.
extern const kxMonthDay FixedHolidays[16];
// The equinox days (March, September) by the published approximation for
// 1851..2150 (1900..2099 agree with the observatory's days); outside that
// span the nearest period's formula goes on, drifting from the sky by
// about a day a century.
kxMonthDay VernalEquinoxDay(int year);
kxMonthDay AutumnalEquinoxDay(int year);

// The Japanese national holiday a date is by the law in force on that
// date (in force from 1948-07-20; nothing before): the holidays of each
// period, the moves of 2020 and 2021, the days of single occasions, the
// substitute holiday ("振替休日": from 1973-04-12 the Monday after a holiday
// on a Sunday, from 2007 the first day after it that is no holiday) and
// the day between two holidays ("国民の休日", from 1986). Its name in
// Shift-JIS, or null on a day that is none.
const char* NationalHolidayName(int year, int month, int day);
inline bool IsNationalHoliday(int year, int month, int day) {
  return NationalHolidayName(year, month, day) != nullptr;
}

// ---------------------------------------------------------------------------
// Value types. Their layout is fixed: the typed edit writes into them
// through an untyped pointer.

struct kxDate {
  uint16_t Year;  // 0: no year
  uint8_t Month;  // 0: no month
  uint8_t Day;    // 0: no day

  // Today's local date.
  kxDate();
  kxDate(int year, int month, int day);
  explicit kxDate(int32_t days);
  explicit kxDate(const SYSTEMTIME& time);

  void FromSystemTime(const SYSTEMTIME& time);
  // All three fields are written; returns the position after the date, or
  // null when the text is refused (ParseDateText).
  const char* FromText(const char* text);
  // False when the text is refused.
  bool FromText(const String& text) { return FromText(text.c_str()) != nullptr; }

  int32_t Days() const { return DateToDays(Year, Month, Day); }
  int DayOfWeek() const { return DayOfWeekOf(Year, Month, Day); }

  int StepMonthForward() { return ::StepMonthForward(Year, Month, Day); }
  int StepMonthBack() { return ::StepMonthBack(Year, Month, Day); }
  int32_t StepDayBack() { return ::StepDayBack(Year, Month, Day); }

  String ToText(bool withEra = false) const { return DateToText(Year, Month, Day, withEra); }
  // Empty for an incomplete date; EConvertError for one that cannot be encoded.
  String Format(const String& format) const;
  TDateTime ToDateTime() const;

  bool operator<(const kxDate& other) const { return Days() < other.Days(); }
  bool operator>(const kxDate& other) const { return Days() > other.Days(); }
  bool operator!=(const kxDate& other) const { return Days() != other.Days(); }
};

struct kxTime {
  uint8_t Hour;  // text input can leave 24 and more
  uint8_t Minute;
  uint8_t Second;
  uint16_t Millisecond;

  // The current local time.
  kxTime();
  kxTime(int hour, int minute, int second, int millisecond);
  explicit kxTime(const SYSTEMTIME& time);

  void FromSystemTime(const SYSTEMTIME& time);
  // All four fields are written; returns the position after the time, or
  // null when the text is refused (ParseTimeText).
  const char* FromText(const char* text);
  // False when the text is refused.
  bool FromText(const String& text) { return FromText(text.c_str()) != nullptr; }

  String ToText() const { return TimeToText(Hour, Minute, Second, Millisecond); }
  // EConvertError for a time that cannot be encoded (hour 24, ...).
  String Format(const String& format) const;
  TDateTime ToDateTime() const;
};

static_assert(sizeof(kxDate) == 4 && alignof(kxDate) == 2);
static_assert(sizeof(kxTime) == 6 && offsetof(kxTime, Millisecond) == 4);
