// Waiting for what the main thread's messages bring.
#pragma once

#include "framework/Forms.h"

#include <windows.h>

// Runs the main thread's messages until done() holds or ms have passed.
template <class F>
bool PumpUntil(F done, DWORD ms = 10000) {
  for (DWORD start = GetTickCount(); !done(); Sleep(1)) {
    if (GetTickCount() - start > ms) return false;
    Application().ProcessMessages();
  }
  return true;
}

// Runs the main thread's messages for ms.
inline void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// The threads of this process.
int ThreadCount();
