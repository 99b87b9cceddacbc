// The native build's locale: the values of the Japanese Windows locale, so
// that the window-free units behave as they do under code page 932.
#include "framework/Locale.h"
#include "framework/Wintypes.h"

#include <sys/time.h>
#include <ctime>

char DateSeparator() { return '/'; }
char TimeSeparator() { return ':'; }
char ThousandSeparator() { return ','; }
char DecimalSeparator() { return '.'; }
String TimeAMString() { return "午前"; }
String TimePMString() { return "午後"; }

String ShortDayName(int dayOfWeek) {
  static const char* const names[] = {"日", "月", "火", "水", "木", "金", "土"};
  return names[((dayOfWeek % 7) + 7) % 7];
}
String LongDayName(int dayOfWeek) { return ShortDayName(dayOfWeek) + "曜日"; }
String ShortMonthName(int month) { return IntToStr((month - 1) % 12 + 1); }
String LongMonthName(int month) { return ShortMonthName(month) + "月"; }

String ShortDateFormat() { return "yyyy/mm/dd"; }
String LongDateFormat() { return "yyyy'年'm'月'd'日'"; }
String LongTimeFormat() { return "h:nn:ss"; }

String CurrencyString() { return "\\"; }
int CurrencyFormat() { return 0; }
int NegCurrFormat() { return 1; }
int CurrencyDecimals() { return 0; }

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

void GetLocalTime(SYSTEMTIME* time) {
  timeval now{};
  gettimeofday(&now, nullptr);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  time->wSecond = static_cast<WORD>(local.tm_sec);
  time->wMilliseconds = static_cast<WORD>(now.tv_usec / 1000);
}
