// The drive scan of page 2 against a bare recursive FindFirstFileA walk of
// the same tree and against "cmd /c dir /s /b /a:s", in one run.
//   bench_scan <directory>   (a tree made by tools/bench)
#include "app/main_window.h"
#include "bench/Silent.h"
#include "bench/Timing.h"
#include "bench/Walk.h"
#include "tests/helpers/MappedDrive.h"

#include <windows.h>

#include <cstdio>

namespace {

void CountEntries(const String& drive, size_t& entries, size_t& system) {
  BareWalk(drive, [&](const String&, const WIN32_FIND_DATAA& data) {
    ++entries;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) ++system;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_scan <directory>\n");
    return 2;
  }
  MappedDrive drive(argv[1]);
  if (!drive.Ok()) {
    std::fprintf(stderr, "bench_scan: cannot map %s\n", argv[1]);
    return 1;
  }
  Silent silent;
  Application().SetUserSeam(&silent);
  SetCurrentDirectoryA((drive.Drive() + "\\").c_str());
  TMainForm form(nullptr);

  size_t entries = 0, system = 0;
  CountEntries(drive.Drive(), entries, system);  // warms the caches for all three
  double bare = Best(3, [&] {
    size_t e = 0, s = 0;
    CountEntries(drive.Drive(), e, s);
  });
  double scan = Best(3, [&] { form.MakeSysFileChangeList(); });
  double cmd = CommandSeconds("cmd /c dir /s /b /a:s " + drive.Drive() + "\\ >NUL");
  std::printf("tree: %zu entries, %zu with the system attribute; listed: %d\n", entries, system,
              form.ListBoxSysFileChange->Items().Count());
  std::printf("bare FindFirstFileA walk: %8.3f s\n", bare);
  std::printf("page 2 scan:              %8.3f s  (%.2fx the bare walk; target 1.30x)\n", scan,
              scan / bare);
  std::printf("cmd /c dir /s /b /a:s:    %8.3f s\n", cmd);
  Application().SetUserSeam(nullptr);
  return 0;
}
