// The few Win32 value types that window-free code shares with the platform.
// On Windows they come from <windows.h>; the native build defines the same
// layouts so that those units compile and test without it.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
struct RECT {
  LONG left, top, right, bottom;
};
struct SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
// The local clock, as the platform's GetLocalTime.
void GetLocalTime(SYSTEMTIME* time);
#endif
