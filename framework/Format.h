// Delphi-style formatting of values into text. Window-free; the separators
// and money settings come from the locale (framework/Locale.h).
#pragma once

#include "framework/Sysutils.h"

#include <cstdint>
#include <initializer_list>

// One argument of Format: a tagged value, like an element of an open array.
class TVarRec {
public:
  enum Kind { vtInteger, vtInt64, vtExtended, vtString, vtChar, vtPointer };

  TVarRec(int value) : kind_(vtInteger), int_(value) {}
  TVarRec(long value) : kind_(vtInteger), int_(value) {}
  TVarRec(unsigned value) : kind_(vtInt64), int_(value) {}
  TVarRec(unsigned long value) : kind_(vtInt64), int_(static_cast<int64_t>(value)) {}
  TVarRec(long long value) : kind_(vtInt64), int_(value) {}
  TVarRec(unsigned long long value) : kind_(vtInt64), int_(static_cast<int64_t>(value)) {}
  TVarRec(double value) : kind_(vtExtended), float_(value) {}
  TVarRec(long double value) : kind_(vtExtended), float_(value) {}
  TVarRec(char value) : kind_(vtChar), char_(value) {}
  TVarRec(const char* value) : kind_(vtString), text_(value ? value : "") {}
  TVarRec(const String& value) : kind_(vtString), text_(value.c_str()), length_(value.size()) {}
  TVarRec(const void* value) : kind_(vtPointer), pointer_(value) {}
  TVarRec(bool) = delete;  // no format type takes a flag

  Kind kind() const { return kind_; }
  bool IsInteger() const { return kind_ == vtInteger || kind_ == vtInt64; }
  int64_t AsInt64() const { return int_; }
  long double AsExtended() const { return float_; }
  String AsString() const;
  const void* AsPointer() const { return pointer_; }

private:
  Kind kind_;
  int64_t int_ = 0;
  long double float_ = 0;
  char char_ = 0;
  const char* text_ = nullptr;
  size_t length_ = String::npos;  // npos: zero-terminated
  const void* pointer_ = nullptr;
};

// Format: "%" [index ":"] ["-"] [width] ["." precision] type, with the types
// d u x s f e g n m p and "%%"; index, width and precision may be "*"
// (taken from the arguments). Raises EConvertError for a malformed
// specifier, a missing argument or an argument of the wrong kind.
String Format(const String& format, std::initializer_list<TVarRec> args);
String FormatArgs(const String& format, const TVarRec* args, size_t count);

// FormatFloat with a picture: up to three sections (positive; negative;
// zero) of "0" and "#" digit places, "." decimal point, "," thousands
// separation, "E+"/"E-" exponent, quoted literals; other bytes literal.
String FormatFloat(const String& picture, long double value);

// The length of the unit at i of a picture (FormatFloat, FormatDateTime)
// that is literal whatever it holds: a quoted run (quotes included; an open
// quote runs to the end) or a double-byte character; 0 for anything else.
size_t PictureLiteralLength(const String& text, size_t i);
