#include "lib/core/Date.h"

#include "lib/core/Kxstring.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

const int kMonthLength[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// 1 / 365.241, the mean year of the leap rule. Kept in extended precision:
// the year estimate must truncate the same way for every day number.
constexpr long double kYearsPerDay = 0.002737918251236854679L;

struct Era {
  int base;  // era year N is base + N
  char letter;
  const char* name;    // two double-byte characters
  const char* square;  // one double-byte character
};

// In the order the letters are chosen when writing: oldest first.
const Era kEras[] = {
    {1867, 'M', "明治", "㍾"},
    {1911, 'T', "大正", "㍽"},
    {1925, 'S', "昭和", "㍼"},
    {1988, 'H', "平成", "㍻"},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Above every field's range; a longer run of digits stops growing here
// rather than wrapping back into range.
constexpr uint64_t kTooLarge = uint64_t{1} << 32;

// Decimal digits; 0 if there are none.
uint64_t ReadNumber(const char*& cursor) {
  uint64_t value = 0;
  for (; IsDigit(*cursor); ++cursor) {
    value = std::min(value * 10 + static_cast<uint64_t>(*cursor - '0'), kTooLarge);
  }
  return value;
}

template <class Field>
bool Fits(uint64_t value) {
  return value <= std::numeric_limits<Field>::max();
}

// Length of prefix if text starts with it, else 0 (an empty prefix never matches).
size_t MatchPrefix(const char* text, const char* prefix) {
  size_t length = std::strlen(prefix);
  return length != 0 && std::strncmp(text, prefix, length) == 0 ? length : 0;
}

// Era at the cursor: consumes it and gives its base year, or 0.
int ReadEra(const char*& cursor) {
  char letter = *cursor;
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  for (const Era& era : kEras) {
    if (letter == era.letter) {
      cursor += 1;
      return era.base;
    }
  }
  for (const Era& era : kEras) {
    if (size_t length = MatchPrefix(cursor, era.square)) {
      cursor += length;
      return era.base;
    }
  }
  for (const Era& era : kEras) {
    if (size_t length = MatchPrefix(cursor, era.name)) {
      cursor += length;
      return era.base;
    }
  }
  return 0;
}

// AM/PM marker at the cursor: consumes it and gives the hours it adds.
uint64_t ReadMarker(const char*& cursor) {
  const struct {
    String text;
    uint64_t hours;
  } markers[] = {
      {"AM", 0}, {"PM", 12}, {"午前", 0}, {"午後", 12}, {TimeAMString(), 0}, {TimePMString(), 12},
  };
  for (const auto& marker : markers) {
    if (size_t length = MatchPrefix(cursor, marker.text.c_str())) {
      cursor = SkipSpaces(cursor + length);
      return marker.hours;
    }
  }
  return 0;
}

String Printf(const char* format, int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Weekday of a day number, kept in 0..6 for days before 0001-01-01 too.
int WeekdayOf(int32_t days) { return static_cast<int>(((int64_t{days} + 4) % 7 + 7) % 7); }

}  // namespace

// ---------------------------------------------------------------------------
// Calendar core

bool IsLeapYear(int year) {
  if (year % 1000 == 0) return true;
  if (year % 100 == 0) return false;
  return year % 4 == 0;
}

int DaysInFebruary(int year) { return IsLeapYear(year) ? 29 : 28; }

int DaysInMonth(int year, int month) {
  if (month == 2) return DaysInFebruary(year);
  return month >= 0 && month <= 12 ? kMonthLength[month] : 0;
}

int32_t DateToDays(int year, int month, int day) {
  int64_t days = int64_t{day} - 1;
  for (int i = 1; i < month && i <= 12; ++i) days += DaysInMonth(year, i);
  int64_t a = int64_t{year} - 1;
  days += a * 365 + a / 4 - a / 100 + a / 1000;
  return static_cast<int32_t>(days);
}

int DaysToDate(int32_t days, uint16_t* year, uint8_t* month, uint8_t* day) {
  int32_t b = static_cast<int32_t>(static_cast<long double>(days) * kYearsPerDay);
  int64_t r = int64_t{days} - (int64_t{b} * 365 + b / 4 - b / 100 + b / 1000);
  int y = b + 1;
  int m = 1;
  for (; m <= 12; ++m) {
    int length = DaysInMonth(y, m);
    if (r < length) break;
    r -= length;
  }
  if (m > 12) {  // the estimate fell one year short
    ++y;
    m = 1;
  }
  if (year) *year = static_cast<uint16_t>(y);
  if (month) *month = static_cast<uint8_t>(m);
  if (day) *day = static_cast<uint8_t>(r + 1);
  return WeekdayOf(days);
}

int DaysToDate(int32_t days, uint16_t* year, uint16_t& month, uint16_t& day) {
  month = 0;
  day = 0;
  uint8_t m = 0, d = 0;
  int weekday = DaysToDate(days, year, &m, &d);
  month = m;
  day = d;
  return weekday;
}

int DayOfWeekOf(int year, int month, int day) { return WeekdayOf(DateToDays(year, month, day)); }

const char* ParseDateText(const char* text, uint16_t* year, uint8_t* month, uint8_t* day) {
  const char separator = DateSeparator();
  uint64_t y = 0, m = 0, d = 0;
  const char* cursor = SkipSpaces(text);
  if (*cursor != '\0') {
    int base = ReadEra(cursor);
    cursor = SkipSpaces(cursor);
    y = static_cast<uint64_t>(base) + ReadNumber(cursor);
    cursor = SkipSpaces(cursor);
    if (*cursor == separator) {
      cursor = SkipSpaces(cursor + 1);
      m = ReadNumber(cursor);
      cursor = SkipSpaces(cursor);
      if (*cursor == separator) {
        cursor = SkipSpaces(cursor + 1);
        d = ReadNumber(cursor);
      }
    }
  }
  const bool refused = !Fits<uint16_t>(y) || !Fits<uint8_t>(m) || !Fits<uint8_t>(d);
  if (refused) y = m = d = 0;
  if (year) *year = static_cast<uint16_t>(y);
  if (month) *month = static_cast<uint8_t>(m);
  if (day) *day = static_cast<uint8_t>(d);
  return refused ? nullptr : cursor;
}

const char* ParseTimeText(const char* text, uint8_t* hour, uint8_t* minute, uint8_t* second,
                          uint16_t* millisecond) {
  const char separator = TimeSeparator();
  const char* cursor = SkipSpaces(text);
  uint64_t h = ReadMarker(cursor);
  uint64_t mi = 0, s = 0, ms = 0;
  h += ReadNumber(cursor);
  cursor = SkipSpaces(cursor);
  if (*cursor == separator) {
    cursor = SkipSpaces(cursor + 1);
    mi = ReadNumber(cursor);
    cursor = SkipSpaces(cursor);
    if (*cursor == separator) {
      cursor = SkipSpaces(cursor + 1);
      s = ReadNumber(cursor);
      cursor = SkipSpaces(cursor);
      if (*cursor == '.') {
        cursor = SkipSpaces(cursor + 1);
        ms = ReadNumber(cursor);
      }
    }
  }
  // Hours are left as they come: "PM12:00" is hour 24.
  if (ms >= 1000) {
    s += ms / 1000;
    ms %= 1000;
  }
  if (s >= 60) {
    mi += s / 60;
    s %= 60;
  }
  if (mi >= 60) {
    h += mi / 60;
    mi %= 60;
  }
  // Only the hour can be too large: the others have carried.
  const bool refused = !Fits<uint8_t>(h);
  if (refused) h = mi = s = ms = 0;
  if (hour) *hour = static_cast<uint8_t>(h);
  if (minute) *minute = static_cast<uint8_t>(mi);
  if (second) *second = static_cast<uint8_t>(s);
  if (millisecond) *millisecond = static_cast<uint16_t>(ms);
  return refused ? nullptr : cursor;
}

String DateToText(int year, int month, int day, bool withEra) {
  const String separator(1, DateSeparator());
  String text;
  if (year != 0) {
    const Era* era = nullptr;
    if (withEra) {
      for (const Era& candidate : kEras) {
        if (year > candidate.base) era = &candidate;
      }
    }
    text = era ? String(1, era->letter) + Printf("%02d", year - era->base) : Printf("%04d", year);
  }
  if (month != 0) {
    if (!text.empty()) text += separator;
    text += Printf("%02d", month);
  }
  if (day != 0) {
    if (!text.empty()) text += separator;
    text += Printf("%02d", day);
  }
  return text;
}

String TimeToText(int hour, int minute, int second, int millisecond) {
  const String separator(1, TimeSeparator());
  String text;
  if (hour >= 0) text += Printf("%02d", hour);
  if (minute >= 0) {
    if (!text.empty()) text += separator;
    text += Printf("%02d", minute);
  }
  if (second >= 0) {
    if (!text.empty()) text += separator;
    text += Printf("%02d", second);
  }
  if (millisecond > 0) {
    if (!text.empty()) text += '.';
    text += Printf("%03d", millisecond);
  }
  return text;
}

int StepMonthForward(uint16_t& year, uint8_t& month, uint8_t& day) {
  int32_t days = DateToDays(year, month, day) + DaysInMonth(year, month);
  return DaysToDate(days, &year, &month, &day);
}

int StepMonthBack(uint16_t& year, uint8_t& month, uint8_t& day) {
  int previous = month == 1 ? DaysInMonth(year - 1, 12) : DaysInMonth(year, month - 1);
  int32_t days = DateToDays(year, month, day) - previous;
  return DaysToDate(days, &year, &month, &day);
}

int32_t StepDayBack(uint16_t& year, uint8_t& month, uint8_t& day) {
  int32_t days = DateToDays(year, month, day) - 1;
  DaysToDate(days, &year, &month, &day);
  return days;
}

const kxMonthDay FixedHolidays[16] = {
    {1, 1},   {1, 15}, {2, 11},  {3, 20},  {4, 29},  {5, 3},   {5, 4},   {5, 5},
    {7, 20},  {9, 15}, {9, 23},  {10, 10}, {11, 3},  {11, 23}, {12, 23}, {0, 0},
};

namespace {

// The published approximation of the equinox days: the day of the month is
// int(base + 0.242194 (y - 1980) - int((y - leap) / 4)), with the base and
// the leap year of the period. Worked in millionths, so that no rounding of
// a double can move a day that ends just below a whole one (22.999 in 2012).
struct EquinoxPeriod {
  int to;  // last year of the period
  int32_t base;
  int leap;
};

int EquinoxDay(const EquinoxPeriod (&periods)[4], int year) {
  const EquinoxPeriod* period = &periods[3];
  for (const EquinoxPeriod& p : periods) {
    if (year <= p.to) {
      period = &p;
      break;
    }
  }
  // Before 1983 the quotient is negative; truncated toward zero it gives
  // the observatory's days (September 24 every fourth year to 1979).
  const int64_t millionths = period->base + int64_t{242194} * (year - 1980) -
                             int64_t{1000000} * ((year - period->leap) / 4);
  return static_cast<int>(millionths / 1000000);
}

// 1851..1899, 1900..1979, 1980..2099, 2100..2150 (and beyond).
const EquinoxPeriod kVernal[4] = {
    {1899, 19827700, 1983}, {1979, 20835700, 1983}, {2099, 20843100, 1980}, {9999, 21851000, 1980},
};
const EquinoxPeriod kAutumnal[4] = {
    {1899, 22258800, 1983}, {1979, 23258800, 1983}, {2099, 23248800, 1980}, {9999, 24248800, 1980},
};

}  // namespace

kxMonthDay VernalEquinoxDay(int year) {
  return {3, static_cast<uint8_t>(EquinoxDay(kVernal, year))};
}

kxMonthDay AutumnalEquinoxDay(int year) {
  return {9, static_cast<uint8_t>(EquinoxDay(kAutumnal, year))};
}

// ---------------------------------------------------------------------------
// National holidays

namespace {

constexpr int kForever = 9999;

// A holiday of a period of years: on a fixed day, or on the nth Monday of
// its month (day 0).
struct HolidayRule {
  uint8_t month;
  uint8_t day;
  uint8_t monday;
  int from, to;
  const char* name;
};

// Holidays there from the law's start carry its year, 1948: the days
// before its first day, 1948-07-20, are none (NamedHoliday).
const HolidayRule kRules[] = {
    {1, 1, 0, 1948, kForever, "元日"},
    {1, 15, 0, 1948, 1999, "成人の日"},
    {1, 0, 2, 2000, kForever, "成人の日"},
    {2, 11, 0, 1967, kForever, "建国記念の日"},
    {2, 23, 0, 2020, kForever, "天皇誕生日"},
    {4, 29, 0, 1948, 1988, "天皇誕生日"},
    {4, 29, 0, 1989, 2006, "みどりの日"},
    {4, 29, 0, 2007, kForever, "昭和の日"},
    {5, 3, 0, 1948, kForever, "憲法記念日"},
    {5, 4, 0, 2007, kForever, "みどりの日"},
    {5, 5, 0, 1948, kForever, "こどもの日"},
    // 2020 and 2021 moved these for the Olympic Games (kDated).
    {7, 20, 0, 1996, 2002, "海の日"},
    {7, 0, 3, 2003, 2019, "海の日"},
    {7, 0, 3, 2022, kForever, "海の日"},
    {8, 11, 0, 2016, 2019, "山の日"},
    {8, 11, 0, 2022, kForever, "山の日"},
    {9, 15, 0, 1966, 2002, "敬老の日"},
    {9, 0, 3, 2003, kForever, "敬老の日"},
    {10, 10, 0, 1966, 1999, "体育の日"},
    {10, 0, 2, 2000, 2019, "体育の日"},
    {10, 0, 2, 2022, kForever, "スポーツの日"},
    {11, 3, 0, 1948, kForever, "文化の日"},
    {11, 23, 0, 1948, kForever, "勤労感謝の日"},
    {12, 23, 0, 1989, 2018, "天皇誕生日"},
};

// Holidays of one date: the days of single occasions and the moves of 2020
// and 2021. The two of 2019 count as holidays of the law, so the days
// between them and their neighbours are holidays too (4/30, 5/2).
const struct {
  int year;
  uint8_t month, day;
  const char* name;
} kDated[] = {
    {1959, 4, 10, "皇太子明仁親王の結婚の儀"},
    {1989, 2, 24, "昭和天皇の大喪の礼"},
    {1990, 11, 12, "即位礼正殿の儀"},
    {1993, 6, 9, "皇太子徳仁親王の結婚の儀"},
    {2019, 5, 1, "天皇の即位の日"},
    {2019, 10, 22, "即位礼正殿の儀"},
    {2020, 7, 23, "海の日"},
    {2020, 7, 24, "スポーツの日"},
    {2020, 8, 10, "山の日"},
    {2021, 7, 22, "海の日"},
    {2021, 7, 23, "スポーツの日"},
    {2021, 8, 8, "山の日"},
};

// The days the law and its amendments came into force, as day numbers.
struct LawDays {
  int32_t law = DateToDays(1948, 7, 20);
  int32_t substitute = DateToDays(1973, 4, 12);  // the Monday after a Sunday's holiday
  int32_t nextFreeDay = DateToDays(2007, 1, 1);  // the first day after it that is none
  int32_t between = DateToDays(1986, 1, 1);      // the day between two holidays
};

const LawDays& Law() {
  static const LawDays days;
  return days;
}

// A holiday the law names (not a substitute day nor a day between two).
const char* NamedHoliday(int32_t days) {
  if (days < Law().law) return nullptr;
  uint16_t year = 0;
  uint8_t month = 0, day = 0;
  const int weekday = DaysToDate(days, &year, &month, &day);
  for (const HolidayRule& rule : kRules) {
    if (rule.month != month || year < rule.from || year > rule.to) continue;
    if (rule.day != 0 ? rule.day == day : (weekday == 1 && (day - 1) / 7 + 1 == rule.monday)) {
      return rule.name;
    }
  }
  for (const auto& dated : kDated) {
    if (dated.year == year && dated.month == month && dated.day == day) return dated.name;
  }
  if (month == 3 && day == VernalEquinoxDay(year).Day) return "春分の日";
  if (month == 9 && day == AutumnalEquinoxDay(year).Day) return "秋分の日";
  return nullptr;
}

bool SubstituteHoliday(int32_t days) {
  if (days < Law().substitute) return false;
  if (days < Law().nextFreeDay) return WeekdayOf(days) == 1 && NamedHoliday(days - 1) != nullptr;
  // The first day after a Sunday's holiday that is no holiday itself.
  for (int32_t before = days - 1; NamedHoliday(before); --before) {
    if (WeekdayOf(before) == 0) return true;
  }
  return false;
}

bool DayBetweenHolidays(int32_t days) {
  if (days < Law().between || !NamedHoliday(days - 1) || !NamedHoliday(days + 1)) return false;
  // Until 2007 a Sunday stayed a Sunday.
  return days >= Law().nextFreeDay || WeekdayOf(days) != 0;
}

}  // namespace

const char* NationalHolidayName(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return nullptr;
  const int32_t days = DateToDays(year, month, day);
  if (const char* name = NamedHoliday(days)) return name;
  if (SubstituteHoliday(days)) return "振替休日";
  if (DayBetweenHolidays(days)) return "国民の休日";
  return nullptr;
}

// ---------------------------------------------------------------------------
// kxDate

kxDate::kxDate() : Year(0), Month(0), Day(0) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FromSystemTime(now);
}

kxDate::kxDate(int year, int month, int day)
    : Year(static_cast<uint16_t>(year)),
      Month(static_cast<uint8_t>(month)),
      Day(static_cast<uint8_t>(day)) {}

kxDate::kxDate(int32_t days) : Year(0), Month(0), Day(0) {
  DaysToDate(days, &Year, &Month, &Day);
}

kxDate::kxDate(const SYSTEMTIME& time) : Year(0), Month(0), Day(0) { FromSystemTime(time); }

void kxDate::FromSystemTime(const SYSTEMTIME& time) {
  Year = time.wYear;
  Month = static_cast<uint8_t>(time.wMonth);
  Day = static_cast<uint8_t>(time.wDay);
}

const char* kxDate::FromText(const char* text) { return ParseDateText(text, &Year, &Month, &Day); }

String kxDate::Format(const String& format) const {
  if (Month == 0 || Day == 0) return String();
  return FormatDateTime(format, ToDateTime());
}

TDateTime kxDate::ToDateTime() const { return EncodeDate(Year, Month, Day); }

// ---------------------------------------------------------------------------
// kxTime

kxTime::kxTime() : Hour(0), Minute(0), Second(0), Millisecond(0) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FromSystemTime(now);
}

kxTime::kxTime(int hour, int minute, int second, int millisecond)
    : Hour(static_cast<uint8_t>(hour)),
      Minute(static_cast<uint8_t>(minute)),
      Second(static_cast<uint8_t>(second)),
      Millisecond(static_cast<uint16_t>(millisecond)) {}

kxTime::kxTime(const SYSTEMTIME& time) : Hour(0), Minute(0), Second(0), Millisecond(0) {
  FromSystemTime(time);
}

void kxTime::FromSystemTime(const SYSTEMTIME& time) {
  Hour = static_cast<uint8_t>(time.wHour);
  Minute = static_cast<uint8_t>(time.wMinute);
  Second = static_cast<uint8_t>(time.wSecond);
  Millisecond = time.wMilliseconds;
}

const char* kxTime::FromText(const char* text) {
  return ParseTimeText(text, &Hour, &Minute, &Second, &Millisecond);
}

String kxTime::Format(const String& format) const {
  return FormatDateTime(format, ToDateTime());
}

TDateTime kxTime::ToDateTime() const { return EncodeTime(Hour, Minute, Second, Millisecond); }
