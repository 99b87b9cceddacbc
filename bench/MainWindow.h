// The main window as the page-1 benchmarks drive it: on the directory of
// their command line, mapped as a drive so the window starts there, with
// every box answered OK in silence.
#pragma once

#include "app/main_window.h"
#include "bench/Silent.h"
#include "tests/helpers/MappedDrive.h"

#include <windows.h>

#include <cstdio>
#include <functional>

// Runs bench(form, drive) and answers its exit code; 2 or 1 (said on
// stderr) when there is no directory or it cannot be mapped.
inline int WithMainWindow(int argc, char** argv, const char* name,
                          const std::function<int(TMainForm& form, const String& drive)>& bench) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <directory>\n", name);
    return 2;
  }
  MappedDrive drive(argv[1]);
  if (!drive.Ok()) {
    std::fprintf(stderr, "%s: cannot map %s\n", name, argv[1]);
    return 1;
  }
  Silent silent;
  Application().SetUserSeam(&silent);
  SetCurrentDirectoryA((drive.Drive() + "\\").c_str());
  int code;
  {
    TMainForm form(nullptr);
    form.AfterConstruction();
    code = bench(form, drive.Drive());
  }
  Application().SetUserSeam(nullptr);
  return code;
}
