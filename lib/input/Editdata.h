// The typed edit's variables: their types, the keys a field of each type
// lets through, and the conversions between a variable and the field's
// text. Window-free.
#pragma once

#include "framework/Sysutils.h"

#include <cstddef>
#include <cstdint>

// The type of the variable bound to a typed edit.
enum kxDataType : uint8_t {
  dtVoid,       // none
  dtBool,       // one byte, 0 = false
  dtByte,       // unsigned 8 bits
  dtChar,       // one single-byte character
  dtWChar,      // two bytes: a single byte, or a lead byte and its trail byte
  dtWord,       // unsigned 16 bits
  dtShort,      // signed 16 bits
  dtDWord,      // unsigned 32 bits
  dtLong,       // signed 32 bits
  dtFloat,      // 32-bit floating point
  dtDouble,     // 64-bit floating point
  dtDate,       // kxDate
  dtTime,       // kxTime
  dtDateTime,   // kxDateTime
  dtTDateTime,  // TDateTime
  dtCString,    // zero-terminated character buffer
  dtAnsiString, // String
  dtPointer,    // void*
};

// Whether a field of the type takes the typed byte. Control characters and
// the space always pass; a double-byte character is judged by its lead
// byte, which only free text takes.
//   free text (void, char, C string, string): everything
//   integer (bool, byte, wchar, word, short, dword, long): digits, signs,
//     the thousands separator
//   real (float, double): also the decimal separator
//   date: digits and the date separator; time: digits and the time
//   separator; date and time (both kinds): digits and both separators
//   pointer: hexadecimal digits, as it is shown
bool KeyAccepted(kxDataType type, char key);

// The text of the variable at data: its plain form when format is empty,
// else through format (a picture for numbers, a date-time pattern for
// dates and times, a Format string with one argument for flags, texts and
// pointers). Empty when the value cannot be shown and for dtVoid.
//   dtChar shows its character (nothing for 0), dtWChar the 16-bit number
//   it holds, so that either reads back what it shows.
//   A character buffer is read up to its terminator, and no further than
//   capacity - 1 bytes when capacity is not 0.
String DataToText(kxDataType type, const void* data, const String& format, size_t capacity);

// Reads text into the variable at data. Numbers are read leniently
// (TextToFloat), truncated toward zero and cut to the variable's low bits
// ("300" stores 44 in a byte, "-1" 255). False, with the variable
// unchanged, for a text that is no value of the type: a date and time that
// cannot be encoded, a date or time with a number too large for its field,
// a double-byte character for dtChar, dtVoid; and for a character buffer of
// unknown size (capacity 0). A buffer of capacity bytes takes the text up to
// the last whole character that fits before its terminator.
bool TextToData(kxDataType type, const String& text, void* data, size_t capacity);
