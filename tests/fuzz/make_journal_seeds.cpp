// Seeds for the journal fuzzer: journals as the program writes them, one
// with a run cut off in the middle of a line.
//   make_journal_seeds <folder>
#include "app/journal.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  String text = kJournalHeader;
  for (uint32_t id = 1; id <= 3; ++id) {
    JournalRun run;
    run.id = id;
    run.started = "2026/12/09 16:40:12";
    run.directory = "C:\\data\\%d";
    run.what = id == 3 ? "undo" : "attributes";
    run.undoes = id == 3 ? 1 : 0;
    text += JournalRunLine(run);
    for (uint32_t seq = 1; seq <= 3; ++seq) {
      JournalEntry e;
      e.seq = seq;
      e.oldPath = "C:\\data\\%d\\file" + std::to_string(seq) + ".txt";
      e.newPath = seq == 3 ? "" : "C:\\data\\%d\\Sample0" + std::to_string(seq) + ".txt";
      e.oldAttr = 0x20;
      e.newAttr = 0x21;
      e.oldTime = 133780000000000000ull + seq;
      e.newTime = 133790000000000000ull;
      text += JournalEntryLine(id, e);
      if (seq != 2) text += JournalOutcomeLine(id, seq, seq == 1);
    }
  }
  const String cut = text.substr(0, text.size() - 7);
  int n = 0;
  for (const String* seed : {static_cast<const String*>(&text), &cut}) {
    const String path = String(argv[1]) + "/journal" + std::to_string(n++);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 1;
    std::fwrite(seed->data(), 1, seed->size(), f);
    std::fclose(f);
  }
  return 0;
}
