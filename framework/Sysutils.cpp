#include "framework/Sysutils.h"

#include "framework/Locale.h"

#include <cstdio>
#include <cstddef>
#include <cstring>

namespace {

// Val's rules: leading spaces, a sign, decimal digits or "$"/"0x" and
// hexadecimal digits, nothing after. False on anything else or overflow.
bool TryStrToInt(const String& text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    v = v * base + digit;
    // Hexadecimal may fill all 32 bits (as $FFFFFFFF = -1); decimal may not.
    uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    if (v > limit) return false;
  }
  uint32_t bits = static_cast<uint32_t>(v);
  value = static_cast<int32_t>(negative ? 0u - bits : bits);
  return true;
}

}  // namespace

int32_t StrToInt(const String& text) {
  int32_t value;
  if (!TryStrToInt(text, value)) throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

int32_t StrToIntDef(const String& text, int32_t def) {
  int32_t value;
  return TryStrToInt(text, value) ? value : def;
}

String IntToStr(int64_t value) { return std::to_string(value); }

String IntToHex(uint64_t value, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*llX", digits, static_cast<unsigned long long>(value));
  return buffer;
}

String Trim(const String& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

namespace {

String MapAscii(const String& text, char from, char to, int delta) {
  String out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(out[i]))) {
      ++i;  // the trail byte may look like a letter
    } else if (out[i] >= from && out[i] <= to) {
      out[i] = static_cast<char>(out[i] + delta);
    }
  }
  return out;
}

}  // namespace

String UpperCase(const String& text) { return MapAscii(text, 'a', 'z', 'A' - 'a'); }
String LowerCase(const String& text) { return MapAscii(text, 'A', 'Z', 'a' - 'A'); }

int CompareText(const String& a, const String& b) {
  return UpperCase(a).compare(UpperCase(b));
}

// --- Text buffers -----------------------------------------------------------

// The size sits in front of the text, in a word that keeps the text
// aligned like any other allocation.
namespace {
constexpr size_t kStrHeader = sizeof(std::max_align_t);
}

char* StrAlloc(size_t size) {
  char* block = new char[kStrHeader + (size ? size : 1)];
  std::memcpy(block, &size, sizeof size);
  char* text = block + kStrHeader;
  text[0] = '\0';
  return text;
}

char* StrNew(const char* text) {
  if (!text) return nullptr;
  const size_t length = std::strlen(text);
  char* copy = StrAlloc(length + 1);
  std::memcpy(copy, text, length + 1);
  return copy;
}

size_t StrBufSize(const char* text) {
  if (!text) return 0;
  size_t size;
  std::memcpy(&size, text - kStrHeader, sizeof size);
  return size;
}

void StrDispose(char* text) {
  if (text) delete[] (text - kStrHeader);
}
