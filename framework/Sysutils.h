// Basic types of the framework: the byte string, the exception classes and
// the integer conversions. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// Text is byte text in the system code page (Shift-JIS); a std::string holds
// it unchanged, lead and trail bytes alike.
using String = std::string;

// Root of the framework's exceptions; Message() is the text shown to the user.
class Exception : public std::exception {
public:
  explicit Exception(String message) : message_(std::move(message)) {}
  const String& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

private:
  String message_;
};

// A text or value that cannot be converted (bad format, bad date, ...).
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// StrToInt: optional blanks, a sign, then decimal digits, or hexadecimal
// digits after "$" or "0x"; nothing may follow. Raises EConvertError on
// anything else and on values outside the 32-bit range.
int32_t StrToInt(const String& text);
// The same rules; gives def instead of raising.
int32_t StrToIntDef(const String& text, int32_t def);
String IntToStr(int64_t value);
// Upper-case hexadecimal, at least digits wide.
String IntToHex(uint64_t value, int digits);
// Leading and trailing bytes up to the blank (control characters too).
String Trim(const String& text);
// ASCII-only case mapping: trail bytes of double-byte characters that look
// like letters are never changed.
String UpperCase(const String& text);
String LowerCase(const String& text);
// Case-insensitive (ASCII letters only) comparison, <0, 0 or >0.
int CompareText(const String& a, const String& b);

// Null-terminated text buffers in their own heap blocks, as a caller hands
// them to code that keeps a plain char*. StrAlloc gives size bytes, the
// first one 0; the block remembers its size. StrNew copies text (null
// stays null); StrDispose frees any of them and takes null.
char* StrAlloc(size_t size);
char* StrNew(const char* text);
size_t StrBufSize(const char* text);
void StrDispose(char* text);
