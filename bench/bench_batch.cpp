// One batch run of page 1 that changes the attributes of every file of a
// tree, against a bare recursive walk that calls SetFileAttributesA on the
// same entries and against "attrib /S /D", in one run, in pairs taken in
// turns.
//   bench_batch <directory>   (a tree made by tools/bench)
// The tree's top-level directories are the list's rows, all selected, and
// the run descends into them: the way a user changes a whole tree at once.
#include "bench/MainWindow.h"
#include "bench/Timing.h"
#include "bench/Walk.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// The four bits replaced by the word, as the page does it.
void SetAll(const String& drive, DWORD word, size_t& files) {
  BareWalk(drive, [&](const String& dir, const WIN32_FIND_DATAA& data) {
    SetFileAttributesA((dir + "\\" + data.cFileName).c_str(), (data.dwFileAttributes & ~0x27u) | word);
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  });
}

// The files whose read-only state is not the one asked for: a run that
// changed nothing would otherwise pass for a fast one.
size_t Unchanged(const String& drive, bool readOnly) {
  size_t wrong = 0;
  BareWalk(drive, [&](const String&, const WIN32_FIND_DATAA& data) {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == readOnly) {
      ++wrong;
    }
  });
  return wrong;
}

}  // namespace

int main(int argc, char** argv) {
  return WithMainWindow(argc, argv, "bench_batch", [](TMainForm& form, const String& drive) {
    form.CheckBoxFAtr->SetChecked(true);
    form.CheckBoxSubDir->SetChecked(true);

    // Every run sets the other read-only state, so every file really changes;
    // each run is checked on disk afterwards, outside its time.
    Gate gate;
    bool readOnly = false;
    size_t unchanged = 0;
    auto timed = [&](const std::function<void(bool)>& run) {
      readOnly = !readOnly;
      const double seconds = Seconds([&] { run(readOnly); });
      unchanged += Unchanged(drive, readOnly);
      return seconds;
    };
    auto word = [](bool on) { return FILE_ATTRIBUTE_NORMAL | (on ? FILE_ATTRIBUTE_READONLY : 0u); };
    size_t files = 0;
    SetAll(drive, word(readOnly = true), files);
    Pairs batch;
    std::vector<double> attrib, start;
    const int turns = TakeTurns({&batch}, 25, [&](int turn) {
      const double bare = timed([&](bool on) {
        size_t counted = 0;
        SetAll(drive, word(on), counted);
      });
      batch.Add(timed([&](bool on) {
                  form.CheckBoxReadOnly->SetChecked(on);
                  form.FileList->SelectAll();
                  form.ButtonExec->Click();
                }),
                bare);
      // /D as well: the other two change the directories too. Printed only,
      // from the first four counted turns.
      if (turn >= 1 && turn <= 4) {
        attrib.push_back(timed([&](bool on) {
          CommandSeconds(String("cmd /c attrib ") + (on ? "+R" : "-R") + " /S /D " + drive +
                             "\\* >NUL",
                         gate);
        }));
        start.push_back(CommandSeconds("cmd /c exit", gate));
      }
    });
    gate.Check(unchanged == 0, std::to_string(unchanged) + " files were left as they were");
    std::printf("tree: %zu files in %d rows\n", files, static_cast<int>(form.FileList->Items().size()));
    std::printf("bare SetFileAttributesA walk: %8.3f s  (medians of %d pairs)\n", batch.Reference(), turns);
    std::printf("page 1 batch run:             %8.3f s", batch.Ours());
    gate.Target(batch, 1.30);
    std::printf("attrib /S /D:                 %8.3f s  (of which starting cmd: %.3f s; median of %zu runs)\n",
                Median(attrib), Median(start), attrib.size());
    return gate.Exit();
  });
}
