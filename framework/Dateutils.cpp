#include "framework/Dateutils.h"

#include "framework/Format.h"
#include "framework/Locale.h"
#include "framework/Wintypes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMsPerDay = 24 * 60 * 60 * 1000;
// Days from 0001-01-01 to 1899-12-30, the day TDateTime counts from.
constexpr int kDateDelta = 693593;
constexpr int kMaxDays = 3652059;  // 0001-01-01 .. 9999-12-31

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsGregorianLeapYear(year) ? 29 : days[month - 1];
}

// Days of the whole years before the year; the Gregorian rules proleptic.
int DaysBeforeYear(int year) {
  int y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

struct Date {
  int year = 0, month = 0, day = 0;
};

// n: 0 for 0001-01-01.
Date DateFromDays(int n) {
  Date date;
  int y400 = n / 146097, r = n % 146097;
  int y100 = std::min(r / 36524, 3);  // the last day of 400 years is the 4th century's
  r -= y100 * 36524;
  int y4 = r / 1461;
  r %= 1461;
  int y1 = std::min(r / 365, 3);  // and of 4 years the 4th year's
  r -= y1 * 365;
  date.year = y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1;
  date.month = 1;
  while (r >= DaysInMonth(date.year, date.month)) r -= DaysInMonth(date.year, date.month++);
  date.day = r + 1;
  return date;
}

// The time of day in milliseconds, the sign of the date ignored. Rounding
// stops short of midnight: the date is the truncated part, so carrying into
// the next day would contradict it.
int MsOfDay(TDateTime value) {
  double fraction = std::fabs(value - std::trunc(value));
  return std::min(static_cast<int>(std::lround(fraction * kMsPerDay)), kMsPerDay - 1);
}

}  // namespace

bool IsGregorianLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  int days = DaysBeforeYear(year) + day - 1;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  result = days - kDateDelta;
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    return false;
  result = (((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / double(kMsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime result;
  if (!TryEncodeTime(hour, minute, second, millisecond, result))
    throw EConvertError("Invalid argument to time encode");
  return result;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

// Values outside years 1..9999 decode as 0/0/0.
void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day) {
  double n = std::trunc(value) + kDateDelta;
  Date date = n >= 0 && n < kMaxDays ? DateFromDays(static_cast<int>(n)) : Date();
  year = static_cast<uint16_t>(date.year);
  month = static_cast<uint16_t>(date.month);
  day = static_cast<uint16_t>(date.day);
}

void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& minute, uint16_t& second,
                uint16_t& millisecond) {
  int ms = MsOfDay(value);
  hour = static_cast<uint16_t>(ms / 3600000);
  minute = static_cast<uint16_t>(ms / 60000 % 60);
  second = static_cast<uint16_t>(ms / 1000 % 60);
  millisecond = static_cast<uint16_t>(ms % 1000);
}

// 0001-01-01 was a Monday.
int DayOfWeek(TDateTime value) {
  long long n = static_cast<long long>(std::trunc(value)) + kDateDelta;
  return static_cast<int>(((n + 1) % 7 + 7) % 7) + 1;
}

TDateTime Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return EncodeDate(t.wYear, t.wMonth, t.wDay) +
         EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

// ---------------------------------------------------------------------------
// FormatDateTime

namespace {

// Locale patterns expand inside patterns; the depth stops a pattern that
// names itself.
constexpr int kMaxNesting = 3;

struct Parts {
  uint16_t year, month, day, hour, minute, second, ms;
  int dayOfWeek;  // 0 = Sunday
};

bool StartsWith(const String& text, size_t i, const char* word) {
  for (; *word; ++word, ++i) {
    if (i >= text.size()) return false;
    if (std::tolower(static_cast<unsigned char>(text[i])) != *word) return false;
  }
  return true;
}


// The marker at i: "am/pm", "a/p" or "ampm"; 0 if none.
size_t MarkerLength(const String& format, size_t i) {
  if (StartsWith(format, i, "am/pm")) return 5;
  if (StartsWith(format, i, "a/p")) return 3;
  if (StartsWith(format, i, "ampm")) return 4;
  return 0;
}

bool HasMarker(const String& format) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (size_t length = PictureLiteralLength(format, i)) i += length - 1;
    else if (MarkerLength(format, i)) return true;
  }
  return false;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

String Number(int value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
  return buffer;
}

class DateFormatter {
public:
  explicit DateFormatter(const Parts& parts) : p_(parts) {}

  void Expand(const String& format, int depth) {
    if (depth > kMaxNesting) return;
    bool twelveHour = HasMarker(format);
    bool afterHour = false;
    for (size_t i = 0; i < format.size();) {
      if (size_t length = PictureLiteralLength(format, i)) {
        out_ += Unquote(format.substr(i, length));
        i += length;
        continue;
      }
      char c = Upper(format[i]);
      size_t run = 1;
      while (i + run < format.size() && Upper(format[i + run]) == c) ++run;
      size_t used = Field(format, i, c, run, twelveHour, afterHour, depth);
      if (used == 0) {
        out_ += Literal(format[i]);
        used = 1;
      } else {
        afterHour = c == 'H';
      }
      i += used;
    }
  }

  const String& Text() const { return out_; }

private:
  static String Unquote(const String& unit) {
    if (unit[0] != '\'' && unit[0] != '"') return unit;
    bool closed = unit.size() > 1 && unit.back() == unit[0];
    return unit.substr(1, unit.size() - (closed ? 2 : 1));
  }

  static String Literal(char c) {
    if (c == '/') return String(1, DateSeparator());
    if (c == ':') return String(1, TimeSeparator());
    return String(1, c);
  }

  // Writes the field at i (a run of run letters c) and gives the bytes
  // it used; 0 if there is none.
  size_t Field(const String& format, size_t i, char c, size_t run, bool twelveHour,
               bool afterHour, int depth) {
    switch (c) {
      case 'Y': out_ += run <= 2 ? Number(p_.year % 100, 2) : Number(p_.year, 4); return run;
      case 'M': return Month(run, afterHour);
      case 'D': return Day(run, depth);
      case 'H': out_ += Number(Hour(twelveHour), run == 1 ? 1 : 2); return run;
      case 'N': out_ += Number(p_.minute, run == 1 ? 1 : 2); return run;
      case 'S': out_ += Number(p_.second, run == 1 ? 1 : 2); return run;
      case 'Z': out_ += Number(p_.ms, run < 3 ? 1 : 3); return run;
      case 'T': Expand(run == 1 ? "h:nn" : LongTimeFormat(), depth + 1); return run;
      case 'C': DateAndTime(depth); return 1;
      case 'A': return Marker(format, i);
      default: return 0;
    }
  }

  int Hour(bool twelveHour) const {
    if (!twelveHour) return p_.hour;
    return p_.hour % 12 == 0 ? 12 : p_.hour % 12;
  }

  size_t Month(size_t run, bool afterHour) {
    if (afterHour && run <= 2) out_ += Number(p_.minute, static_cast<int>(run));
    else if (run <= 2) out_ += Number(p_.month, static_cast<int>(run));
    else if (run == 3) out_ += ShortMonthName(p_.month);
    else out_ += LongMonthName(p_.month);
    return run;
  }

  size_t Day(size_t run, int depth) {
    switch (run) {
      case 1:
      case 2: out_ += Number(p_.day, static_cast<int>(run)); break;
      case 3: out_ += ShortDayName(p_.dayOfWeek); break;
      case 4: out_ += LongDayName(p_.dayOfWeek); break;
      case 5: Expand(ShortDateFormat(), depth + 1); break;
      default: Expand(LongDateFormat(), depth + 1); break;
    }
    return run;
  }

  void DateAndTime(int depth) {
    Expand(ShortDateFormat(), depth + 1);
    if (p_.hour || p_.minute || p_.second || p_.ms) {
      out_ += ' ';
      Expand(LongTimeFormat(), depth + 1);
    }
  }

  // am/pm and a/p keep the case they are written in.
  size_t Marker(const String& format, size_t i) {
    size_t length = MarkerLength(format, i);
    bool pm = p_.hour >= 12;
    if (length == 5) out_ += pm ? format.substr(i + 3, 2) : format.substr(i, 2);
    else if (length == 3) out_ += format[pm ? i + 2 : i];
    else if (length == 4) out_ += pm ? TimePMString() : TimeAMString();
    return length;
  }

  const Parts& p_;
  String out_;
};

}  // namespace

String FormatDateTime(const String& format, TDateTime value) {
  Parts parts{};
  DecodeDate(value, parts.year, parts.month, parts.day);
  DecodeTime(value, parts.hour, parts.minute, parts.second, parts.ms);
  parts.dayOfWeek = DayOfWeek(value) - 1;
  DateFormatter formatter(parts);
  formatter.Expand(format, 0);
  return formatter.Text();
}
