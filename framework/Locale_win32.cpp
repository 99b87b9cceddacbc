// The locale values from the Win32 locale of the user.
#include "framework/Locale.h"

#include <windows.h>

namespace {

String LocaleText(LCTYPE type, const char* fallback) {
  char buffer[128];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
  return n > 1 ? String(buffer, n - 1) : String(fallback);
}

char LocaleChar(LCTYPE type, char fallback) {
  String text = LocaleText(type, "");
  return text.empty() ? fallback : text[0];
}

int LocaleInt(LCTYPE type, int fallback) {
  String text = LocaleText(type, "");
  return text.empty() ? fallback : StrToIntDef(text, fallback);
}

// The platform's picture letters differ from FormatDateTime's: months are
// "M" in dates, minutes "m" in times, 24-hour clocks "H", markers "t".
String TranslatePicture(const String& picture, bool time) {
  String out;
  for (size_t i = 0; i < picture.size(); ++i) {
    char c = picture[i];
    if (c == '\'') {  // quoted literal: copied as it stands
      size_t end = picture.find('\'', i + 1);
      if (end == String::npos) end = picture.size() - 1;
      out.append(picture, i, end - i + 1);
      i = end;
    } else if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < picture.size()) {
      out += '"';
      out.append(picture, i, 2);
      out += '"';
      ++i;
    } else if (time && c == 'm') {
      out += 'n';
    } else if (time && c == 'H') {
      out += 'h';
    } else if (time && (c == 't')) {
      while (i + 1 < picture.size() && picture[i + 1] == 't') ++i;
      out += "ampm";
    } else if (!time && c == 'M') {
      out += 'm';
    } else if (!time && c == 'g') {
      // Era names are not part of FormatDateTime here: dropped.
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

char DateSeparator() { return LocaleChar(LOCALE_SDATE, '/'); }
char TimeSeparator() { return LocaleChar(LOCALE_STIME, ':'); }
char ThousandSeparator() { return LocaleChar(LOCALE_STHOUSAND, ','); }
char DecimalSeparator() { return LocaleChar(LOCALE_SDECIMAL, '.'); }
String TimeAMString() { return LocaleText(LOCALE_S1159, "AM"); }
String TimePMString() { return LocaleText(LOCALE_S2359, "PM"); }

// The platform counts days from Monday.
String ShortDayName(int dayOfWeek) {
  return LocaleText(LOCALE_SABBREVDAYNAME1 + (dayOfWeek + 6) % 7, "");
}
String LongDayName(int dayOfWeek) {
  return LocaleText(LOCALE_SDAYNAME1 + (dayOfWeek + 6) % 7, "");
}
String ShortMonthName(int month) {
  return LocaleText(LOCALE_SABBREVMONTHNAME1 + (month - 1) % 12, "");
}
String LongMonthName(int month) {
  return LocaleText(LOCALE_SMONTHNAME1 + (month - 1) % 12, "");
}

String ShortDateFormat() {
  return TranslatePicture(LocaleText(LOCALE_SSHORTDATE, "yyyy/MM/dd"), false);
}
String LongDateFormat() {
  return TranslatePicture(LocaleText(LOCALE_SLONGDATE, "yyyy/MM/dd"), false);
}
String LongTimeFormat() {
  return TranslatePicture(LocaleText(LOCALE_STIMEFORMAT, "H:mm:ss"), true);
}

String CurrencyString() { return LocaleText(LOCALE_SCURRENCY, "\\"); }
int CurrencyFormat() { return LocaleInt(LOCALE_ICURRENCY, 0); }
int NegCurrFormat() { return LocaleInt(LOCALE_INEGCURR, 1); }
int CurrencyDecimals() { return LocaleInt(LOCALE_ICURRDIGITS, 0); }

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }
