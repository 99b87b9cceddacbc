// Number scanners over zero-terminated byte strings. A cursor is a pointer
// passed by reference and left on the first character not consumed. The
// scanners never fail: text without a number gives 0.
#pragma once

#include "framework/Sysutils.h"

#include <cstdint>

// The first character that is neither a blank (0x20) nor a tab (0x09).
const char* SkipSpaces(const char* text);
// Sign, digits with the locale's thousands separator skipped, the locale's
// decimal separator and a fraction; computed in extended precision.
long double ScanFloat(const char*& cursor);
double TextToFloat(const char* text);
double TextToFloat(const String& text);
// Sign and decimal digits; overflow wraps in 32 bits.
int32_t ScanInt(const char*& cursor);
// Sign and hexadecimal digits (either case); overflow wraps in 32 bits.
int32_t ScanHex(const char*& cursor);
int32_t TextToHex(const char* text);
int32_t TextToHex(const String& text);
