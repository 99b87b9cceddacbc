// The framework's date-time value: days since 1899-12-30 in the integral
// part, the time of day in the fraction. Window-free.
#pragma once

#include "framework/Sysutils.h"

#include <cstdint>

using TDateTime = double;

// Gregorian calendar, years 1..9999; EConvertError for anything invalid.
TDateTime EncodeDate(int year, int month, int day);
// hour < 24, minute and second < 60, millisecond < 1000; EConvertError else.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// A day (EncodeDate) and a time of day (EncodeTime) as one value. Before
// 1899-12-30 the time is taken off the day: the fraction counts forward
// from the day's start there too, so -1.25 is 1899-12-29 06:00.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);
void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day);
void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& minute, uint16_t& second,
                uint16_t& millisecond);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);
bool IsGregorianLeapYear(int year);
// The local clock.
TDateTime Now();

// FormatDateTime: c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh
// n nn s ss z zzz t tt am/pm a/p ampm, "/" (the locale's date separator),
// ":" (its time separator), quoted literals; letters in either case; an "m"
// right after an "h" means minutes; other bytes (and double-byte
// characters) are literal.
String FormatDateTime(const String& format, TDateTime value);
