// Values of the user's locale. They are read from the platform at every call
// and never cached, so a change in the control panel shows at once.
// Window-free: the native build supplies the Japanese locale's values.
#pragma once

#include "framework/Sysutils.h"

char DateSeparator();
char TimeSeparator();
char ThousandSeparator();
char DecimalSeparator();
String TimeAMString();
String TimePMString();
// Day 0 is Sunday, as in SYSTEMTIME; month 1 is January.
String ShortDayName(int dayOfWeek);
String LongDayName(int dayOfWeek);
String ShortMonthName(int month);
String LongMonthName(int month);
// Date and time patterns, already in FormatDateTime's syntax.
String ShortDateFormat();
String LongDateFormat();
String LongTimeFormat();
// Money: symbol, position code of a positive amount (0 "$1", 1 "1$",
// 2 "$ 1", 3 "1 $"), of a negative one (0..15 as the platform's
// LOCALE_INEGCURR), and the number of decimals.
String CurrencyString();
int CurrencyFormat();
int NegCurrFormat();
int CurrencyDecimals();

// True if the byte starts a double-byte character in the system code page.
bool IsLeadByte(unsigned char byte);
