#include "lib/input/Editdata.h"

#include "framework/Dateutils.h"
#include "framework/Format.h"
#include "framework/Locale.h"
#include "lib/core/Date.h"
#include "lib/core/Datetime.h"
#include "lib/core/Kxstring.h"

#include <cmath>
#include <cstring>

namespace {

template <class T>
const T& At(const void* data) {
  return *static_cast<const T*>(data);
}

template <class T>
T& At(void* data) {
  return *static_cast<T*>(data);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The value of the numeric types, widened; false for the others.
bool NumberOf(kxDataType type, const void* data, long double& value) {
  switch (type) {
    case dtByte: value = At<uint8_t>(data); return true;
    case dtWChar:
    case dtWord: value = At<uint16_t>(data); return true;
    case dtShort: value = At<int16_t>(data); return true;
    case dtDWord: value = At<uint32_t>(data); return true;
    case dtLong: value = At<int32_t>(data); return true;
    case dtFloat: value = At<float>(data); return true;
    case dtDouble: value = At<double>(data); return true;
    default: return false;
  }
}

// The low 32 bits of the value truncated toward zero, for any size of value.
uint32_t LowBits(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double kWrap = 4294967296.0;
  double low = std::fmod(std::trunc(value), kWrap);
  if (low < 0) low += kWrap;
  return static_cast<uint32_t>(low);
}

// Years 1..9999; anything else (an unset variable) cannot be shown.
TDateTime Showable(TDateTime value) {
  if (!(value > -693594 && value < 2958466)) throw EConvertError("Invalid date and time");
  return value;
}

String DateTimeText(TDateTime value) {
  // The day 0 stands for no day at all: a time alone.
  if (value >= 0 && value < 1) return FormatDateTime(LongTimeFormat(), value);
  return FormatDateTime("c", Showable(value));
}

// A date, a time, or a date and a time, as DateTimeText writes them.
TDateTime ReadDateTime(const String& text) {
  auto invalid = [&text] { return EConvertError("'" + text + "' is not a valid date and time"); };
  const char* p = SkipSpaces(text.c_str());
  if (!*p) throw EConvertError("No date and time");
  const char* digits = p;
  while (IsDigit(*digits)) ++digits;
  TDateTime date = 0, time = 0;
  if (*digits == DateSeparator()) {
    uint16_t year;
    uint8_t month, day;
    p = ParseDateText(p, &year, &month, &day);
    if (!p) throw invalid();
    date = EncodeDate(year, month, day);
    p = SkipSpaces(p);
  }
  if (*p) {
    uint8_t hour, minute, second;
    uint16_t millisecond;
    p = ParseTimeText(p, &hour, &minute, &second, &millisecond);
    if (!p) throw invalid();
    time = EncodeTime(hour, minute, second, millisecond);
    p = SkipSpaces(p);
  }
  if (*p) throw invalid();
  return ComposeDateTime(date, time);
}

// Reads into a copy, so that a refused text leaves the variable as it was.
template <class T>
bool ReadValue(const String& text, void* data) {
  T value = At<T>(data);
  if (!value.FromText(text)) return false;
  At<T>(data) = value;
  return true;
}

String CharText(char c) { return c ? String(1, c) : String(); }

String CStringText(const void* data, size_t capacity) {
  const char* text = static_cast<const char*>(data);
  return String(text, capacity ? strnlen(text, capacity - 1) : std::strlen(text));
}

String PlainText(kxDataType type, const void* data, size_t capacity) {
  long double number;
  // An empty picture is the general form: 15 significant digits, exact
  // for every 32-bit integer.
  if (NumberOf(type, data, number)) return FormatFloat(String(), number);
  switch (type) {
    case dtBool: return At<uint8_t>(data) ? "True" : "False";
    case dtChar: return CharText(At<char>(data));
    case dtDate: return At<kxDate>(data).ToText();
    case dtTime: return At<kxTime>(data).ToText();
    case dtDateTime: return At<kxDateTime>(data).ToText();
    case dtTDateTime: return DateTimeText(At<TDateTime>(data));
    case dtCString: return CStringText(data, capacity);
    case dtAnsiString: return At<String>(data);
    case dtPointer: return Format("%p", {At<const void*>(data)});
    default: return String();
  }
}

String FormattedText(kxDataType type, const void* data, const String& format, size_t capacity) {
  long double number;
  if (NumberOf(type, data, number)) return FormatFloat(format, number);
  switch (type) {
    case dtBool: return Format(format, {At<uint8_t>(data) ? "True" : "False"});
    case dtChar: return Format(format, {CharText(At<char>(data))});
    case dtDate: return At<kxDate>(data).Format(format);
    case dtTime: return At<kxTime>(data).Format(format);
    case dtDateTime: return At<kxDateTime>(data).Format(format);
    case dtTDateTime: return FormatDateTime(format, Showable(At<TDateTime>(data)));
    case dtCString: return Format(format, {CStringText(data, capacity)});
    case dtAnsiString: return Format(format, {At<String>(data)});
    case dtPointer: return Format(format, {At<const void*>(data)});
    default: return String();
  }
}

// The bytes of the whole characters of text that fit in limit bytes.
size_t FittingLength(const String& text, size_t limit) {
  size_t n = 0;
  while (n < text.size()) {
    size_t step = IsLeadByte(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
    if (n + step > limit) break;
    n += step;
  }
  return n;
}

}  // namespace

bool KeyAccepted(kxDataType type, char key) {
  if (static_cast<unsigned char>(key) <= ' ') return true;
  const bool digit = IsDigit(key);
  const bool integer = digit || key == '-' || key == '+' || key == ThousandSeparator();
  switch (type) {
    case dtBool:
    case dtByte:
    case dtWChar:
    case dtWord:
    case dtShort:
    case dtDWord:
    case dtLong: return integer;
    case dtFloat:
    case dtDouble: return integer || key == DecimalSeparator();
    case dtDate: return digit || key == DateSeparator();
    case dtTime: return digit || key == TimeSeparator();
    case dtDateTime:
    case dtTDateTime: return digit || key == DateSeparator() || key == TimeSeparator();
    // Shown in hexadecimal, and read back so.
    case dtPointer: return IsHexDigit(key);
    default: return true;
  }
}

String DataToText(kxDataType type, const void* data, const String& format, size_t capacity) {
  try {
    return format.empty() ? PlainText(type, data, capacity)
                          : FormattedText(type, data, format, capacity);
  } catch (const std::exception&) {
    return String();
  }
}

bool TextToData(kxDataType type, const String& text, void* data, size_t capacity) {
  switch (type) {
    case dtBool: {
      const String lower = LowerCase(text);
      At<uint8_t>(data) = lower == "true" || (lower != "false" && TextToFloat(text) != 0);
      return true;
    }
    case dtByte: At<uint8_t>(data) = static_cast<uint8_t>(LowBits(TextToFloat(text))); return true;
    case dtChar:
      if (!text.empty() && IsLeadByte(static_cast<unsigned char>(text[0]))) return false;
      At<char>(data) = text.empty() ? '\0' : text[0];
      return true;
    case dtWChar:
    case dtWord:
    case dtShort:
      At<uint16_t>(data) = static_cast<uint16_t>(LowBits(TextToFloat(text)));
      return true;
    case dtDWord:
    case dtLong: At<uint32_t>(data) = LowBits(TextToFloat(text)); return true;
    case dtFloat: At<float>(data) = static_cast<float>(TextToFloat(text)); return true;
    case dtDouble: At<double>(data) = TextToFloat(text); return true;
    case dtDate: return ReadValue<kxDate>(text, data);
    case dtTime: return ReadValue<kxTime>(text, data);
    case dtDateTime: return ReadValue<kxDateTime>(text, data);
    case dtTDateTime:
      try {
        At<TDateTime>(data) = ReadDateTime(text);
        return true;
      } catch (const EConvertError&) {
        return false;
      }
    case dtCString: {
      if (capacity == 0) return false;
      const size_t length = FittingLength(text, capacity - 1);
      char* buffer = static_cast<char*>(data);
      std::memcpy(buffer, text.data(), length);
      buffer[length] = '\0';
      return true;
    }
    case dtAnsiString: At<String>(data) = text; return true;
    case dtPointer:
      At<void*>(data) =
          reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(TextToHex(text))));
      return true;
    default: return false;
  }
}
