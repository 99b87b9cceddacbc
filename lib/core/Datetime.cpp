#include "lib/core/Datetime.h"

kxDateTime::kxDateTime(const SYSTEMTIME& time) : Date(0, 0, 0), Time(0, 0, 0, 0) {
  Date.FromSystemTime(time);
  Time.FromSystemTime(time);
}

const char* kxDateTime::FromText(const char* text) {
  const char* cursor = Date.FromText(text);
  if (cursor) cursor = Time.FromText(cursor);
  if (!cursor) *this = kxDateTime(kxDate(0, 0, 0), kxTime(0, 0, 0, 0));
  return cursor;
}

String kxDateTime::ToText() const { return Date.ToText(false) + " " + Time.ToText(); }

String kxDateTime::Format(const String& format) const {
  return FormatDateTime(format, ToDateTime());
}

TDateTime kxDateTime::ToDateTime() const {
  return ComposeDateTime(Date.ToDateTime(), Time.ToDateTime());
}

SYSTEMTIME kxDateTime::ToSystemTime() const {
  SYSTEMTIME result{};
  result.wYear = Date.Year;
  result.wMonth = Date.Month;
  result.wDayOfWeek = static_cast<WORD>(Date.DayOfWeek());
  result.wDay = Date.Day;
  result.wHour = Time.Hour;
  result.wMinute = Time.Minute;
  result.wSecond = Time.Second;
  result.wMilliseconds = Time.Millisecond;
  return result;
}
