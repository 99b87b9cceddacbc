// Where the Susie tests find their plug-ins, and file helpers for them.
#pragma once

#include "framework/Sysutils.h"

#include <windows.h>

#include <string>

// The folder of the test program, without a trailing "\".
inline String TestProgramDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  String dir = path;
  return dir.substr(0, dir.find_last_of('\\'));
}
// The project's plug-ins, as the build copies them.
inline String PluginDir() { return TestProgramDir() + "\\plugins"; }
// The test plug-ins SPITEST.SPI and NOGPI.SPI.
inline String TestPluginDir() { return TestProgramDir() + "\\spitest"; }

inline bool WriteFileBytes(const String& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
  return ok && n == bytes.size();
}
