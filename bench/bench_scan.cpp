// The drive scan of page 2 as a user runs it (the window shown, the page's
// panel painting where the scan is) against a bare recursive
// FindFirstFileA walk of the same tree and against
// "cmd /c dir /s /b /a:s", in one run, in pairs taken in turns.
//   bench_scan <directory>   (a tree made by tools/bench)
#include "app/main_window.h"
#include "bench/Silent.h"
#include "bench/Timing.h"
#include "bench/Walk.h"
#include "tests/helpers/MappedDrive.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

// The system entries of the tree, in the walk's order (the scan's order).
std::vector<String> SystemEntries(const String& drive, size_t& entries) {
  std::vector<String> system;
  entries = 0;
  BareWalk(drive, [&](const String& dir, const WIN32_FIND_DATAA& data) {
    ++entries;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) system.push_back(dir + "\\" + data.cFileName);
  });
  return system;
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
  form.AfterConstruction();  // shown, as the program shows it
  form.PageControl->SetActivePage(form.TabSheetSysFileChange);
  form.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive.Letter())));
  Application().ProcessMessages();

  size_t entries = 0;
  const std::vector<String> expected = SystemEntries(drive.Drive(), entries);  // warms the caches
  Gate gate;
  Pairs scan;
  std::vector<double> cmd, start;
  // cmd takes twice the scan: it runs in the first four counted turns only.
  const int turns = TakeTurns({&scan}, 25, [&](int turn) {
    const double bare = Seconds([&] {
      size_t counted = 0;
      SystemEntries(drive.Drive(), counted);
    });
    scan.Add(Seconds([&] { form.MakeSysFileChangeList(); }), bare);
    Application().ProcessMessages();
    std::vector<String> listed;
    for (int i = 0; i < form.ListBoxSysFileChange->Items().Count(); ++i) {
      listed.push_back(form.ListBoxSysFileChange->Items().Get(i));
    }
    gate.Check(listed == expected, "the scan did not list exactly the tree's system entries");
    if (turn >= 1 && turn <= 4) {
      cmd.push_back(CommandSeconds("cmd /c dir /s /b /a:s " + drive.Drive() + "\\ >NUL", gate));
      start.push_back(CommandSeconds("cmd /c exit", gate));
    }
  });
  std::printf("tree: %zu entries, %zu with the system attribute; listed: %d\n", entries,
              expected.size(), form.ListBoxSysFileChange->Items().Count());
  std::printf("bare FindFirstFileA walk: %8.3f s  (medians of %d pairs)\n", scan.Reference(), turns);
  std::printf("page 2 scan, shown:       %8.3f s", scan.Ours());
  gate.Target(scan, 1.30);
  std::printf("cmd /c dir /s /b /a:s:    %8.3f s  (of which starting cmd: %.3f s; median of %zu runs)\n",
              Median(cmd), Median(start), cmd.size());
  Application().SetUserSeam(nullptr);
  return gate.Exit();
}
