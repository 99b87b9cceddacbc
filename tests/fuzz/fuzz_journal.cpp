// libFuzzer target: the journal's reader. Any bytes are read without a
// fault, and what it took as runs is written back and read again to the
// same runs, so that nothing it trusts is lost or changed on the way.
#include "app/journal.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#define CHECK(what) \
  do {              \
    if (!(what)) std::abort(); \
  } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const JournalText read = ParseJournal(String(reinterpret_cast<const char*>(data), size));
  String again = kJournalHeader;
  for (const JournalRun& run : read.runs) {
    again += JournalRunLine(run);
    for (const JournalEntry& e : run.entries) {
      again += JournalEntryLine(run.id, e);
      if (e.outcome != JournalEntry::Pending) again += JournalOutcomeLine(run.id, e.seq, e.outcome == JournalEntry::Done);
    }
  }
  const JournalText back = ParseJournal(again);
  CHECK(back.skipped.empty());
  CHECK(back.runs.size() == read.runs.size());
  for (size_t i = 0; i < read.runs.size(); ++i) {
    const JournalRun &a = read.runs[i], &b = back.runs[i];
    CHECK(a.id == b.id && a.started == b.started && a.directory == b.directory && a.what == b.what &&
          a.undoes == b.undoes && a.undone == b.undone && a.entries.size() == b.entries.size());
    for (size_t k = 0; k < a.entries.size(); ++k) {
      const JournalEntry &x = a.entries[k], &y = b.entries[k];
      CHECK(x.seq == y.seq && x.oldPath == y.oldPath && x.newPath == y.newPath && x.oldAttr == y.oldAttr &&
            x.newAttr == y.newAttr && x.oldTime == y.oldTime && x.newTime == y.newTime &&
            x.outcome == y.outcome);
    }
  }
  const size_t offset = JournalTrimOffset(again, 3, 4096);
  CHECK(offset <= again.size());
  const String kept = offset ? kJournalHeader + again.substr(offset) : again;
  CHECK(ParseJournal(kept).skipped.empty());
  return 0;
}
