// One batch run of page 1 that changes the attributes of every file of a
// tree, against a bare recursive walk that calls SetFileAttributesA on the
// same entries and against "attrib /S", in one run.
//   bench_batch <directory>   (a tree made by tools/bench)
// The tree's top-level directories are the list's rows, all selected, and
// the run descends into them: the way a user changes a whole tree at once.
#include "app/main_window.h"
#include "bench/Silent.h"
#include "bench/Timing.h"
#include "tests/helpers/MappedDrive.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The four bits replaced by the word, as the page does it.
void BareWalk(const String& dir, DWORD word, size_t& files) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
    const String path = dir + "\\" + data.cFileName;
    SetFileAttributesA(path.c_str(), (data.dwFileAttributes & ~0x27u) | word);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) BareWalk(path, word, files);
    } else {
      ++files;
    }
  } while (FindNextFileA(h, &data));
  FindClose(h);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_batch <directory>\n");
    return 2;
  }
  MappedDrive drive(argv[1]);
  if (!drive.Ok()) {
    std::fprintf(stderr, "bench_batch: cannot map %s\n", argv[1]);
    return 1;
  }
  Silent silent;
  Application().SetUserSeam(&silent);
  SetCurrentDirectoryA((drive.Drive() + "\\").c_str());
  TMainForm form(nullptr);
  form.AfterConstruction();
  form.CheckBoxFAtr->SetChecked(true);
  form.CheckBoxSubDir->SetChecked(true);

  // Every run sets the other read-only state, so every file really changes.
  bool readOnly = false;
  auto flip = [&] {
    readOnly = !readOnly;
    return FILE_ATTRIBUTE_NORMAL | (readOnly ? FILE_ATTRIBUTE_READONLY : 0);
  };
  size_t files = 0;
  BareWalk(drive.Drive(), flip(), files);  // warms the caches for all three
  double bare = Best(3, [&] {
    size_t counted = 0;
    BareWalk(drive.Drive(), flip(), counted);
  });
  double batch = Best(3, [&] {
    form.CheckBoxReadOnly->SetChecked(flip() & FILE_ATTRIBUTE_READONLY);
    form.FileList->SelectAll();
    form.ButtonExec->Click();
  });
  double attrib = Best(3, [&] {
    const String line = String("cmd /c attrib ") + ((flip() & FILE_ATTRIBUTE_READONLY) ? "+R" : "-R") +
                        " /S " + drive.Drive() + "\\* >NUL";
    CommandSeconds(line);
  });
  std::printf("tree: %zu files in %d rows\n", files, static_cast<int>(form.FileList->Items().size()));
  std::printf("bare SetFileAttributesA walk: %8.3f s\n", bare);
  std::printf("page 1 batch run:             %8.3f s  (%.2fx the bare walk; target 1.30x)\n", batch,
              batch / bare);
  std::printf("attrib /S:                    %8.3f s\n", attrib);
  Application().SetUserSeam(nullptr);
  return 0;
}
