#include "lib/core/Kxstring.h"

#include "framework/Locale.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A sign and the blanks after it; +1 or -1.
int ScanSign(const char*& cursor) {
  if (*cursor != '+' && *cursor != '-') return 1;
  int sign = *cursor == '-' ? -1 : 1;
  cursor = SkipSpaces(cursor + 1);
  return sign;
}

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Sign and digits in the given base, wrapping in 32 bits like the platform.
int32_t ScanInteger(const char*& cursor, int base) {
  cursor = SkipSpaces(cursor);
  int sign = ScanSign(cursor);
  uint32_t value = 0;
  for (int digit; (digit = HexDigit(*cursor)) >= 0 && digit < base; ++cursor) {
    value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(sign < 0 ? 0u - value : value);
}

}  // namespace

const char* SkipSpaces(const char* text) {
  while (IsBlank(*text)) ++text;
  return text;
}

long double ScanFloat(const char*& cursor) {
  cursor = SkipSpaces(cursor);
  int sign = ScanSign(cursor);
  const char thousands = ThousandSeparator();
  const char decimal = DecimalSeparator();
  long double value = 0;
  for (; *cursor; ++cursor) {
    if (IsDigit(*cursor)) value = value * 10 + (*cursor - '0');
    else if (*cursor != thousands) break;
  }
  if (*cursor && *cursor == decimal) {
    ++cursor;
    long double factor = 1;
    for (; *cursor && IsDigit(*cursor); ++cursor) {
      factor *= 0.1L;
      value += (*cursor - '0') * factor;
    }
  }
  return value * sign;
}

double TextToFloat(const char* text) { return static_cast<double>(ScanFloat(text)); }
double TextToFloat(const String& text) { return TextToFloat(text.c_str()); }

int32_t ScanInt(const char*& cursor) { return ScanInteger(cursor, 10); }
int32_t ScanHex(const char*& cursor) { return ScanInteger(cursor, 16); }

int32_t TextToHex(const char* text) { return ScanHex(text); }
int32_t TextToHex(const String& text) { return TextToHex(text.c_str()); }
