// The bare reference walks of the benchmarks: a recursive FindFirstFileA
// walk that shows every entry to visit(dir, data) before going into it,
// and never goes through a directory link.
#pragma once

#include "framework/Sysutils.h"

#include <windows.h>

#include <cstring>

template <class Visit>
void BareWalk(const String& dir, Visit&& visit) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!std::strcmp(data.cFileName, ".") || !std::strcmp(data.cFileName, "..")) continue;
    visit(dir, data);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      BareWalk(dir + "\\" + data.cFileName, visit);
    }
  } while (FindNextFileA(h, &data));
  FindClose(h);
}
