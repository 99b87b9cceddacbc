// The journal's text: what is written reads back exactly, damaged and
// foreign lines are skipped and named, trimming keeps whole runs.
#include "app/journal.h"

#include <gtest/gtest.h>

namespace {

JournalRun SampleRun(uint32_t id) {
  JournalRun run;
  run.id = id;
  run.started = "2026/12/09 16:40:12";
  run.directory = "C:\\データ\\100%";
  run.what = "属性と名前";
  JournalEntry a;
  a.seq = 1;
  a.oldPath = "C:\\データ\\100%\\表.txt";  // 表 ends in the byte 0x5C
  a.newPath = "C:\\データ\\100%\\Sample00.txt";
  a.oldAttr = 0x20;
  a.newAttr = 0xA1;
  a.oldTime = 133780000001234567ull;
  a.newTime = 133780000001234567ull;
  JournalEntry b = a;
  b.seq = 2;
  b.oldPath = "C:\\x\\tab\there";
  b.newPath = "";  // deleted
  run.entries = {a, b};
  return run;
}

String Written(const JournalRun& run, bool outcomes) {
  String text = JournalRunLine(run);
  for (const JournalEntry& e : run.entries) {
    text += JournalEntryLine(run.id, e);
    if (outcomes) text += JournalOutcomeLine(run.id, e.seq, e.seq == 1);
  }
  return text;
}

TEST(Journal, WhatIsWrittenReadsBackExactly) {
  const JournalRun run = SampleRun(7);
  const JournalText read = ParseJournal(kJournalHeader + Written(run, true));
  EXPECT_TRUE(read.skipped.empty());
  ASSERT_EQ(read.runs.size(), 1u);
  const JournalRun& r = read.runs[0];
  EXPECT_EQ(r.id, 7u);
  EXPECT_EQ(r.started, run.started);
  EXPECT_EQ(r.directory, run.directory);
  EXPECT_EQ(r.what, run.what);
  ASSERT_EQ(r.entries.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(r.entries[i].oldPath, run.entries[i].oldPath);
    EXPECT_EQ(r.entries[i].newPath, run.entries[i].newPath);
    EXPECT_EQ(r.entries[i].oldAttr, run.entries[i].oldAttr);
    EXPECT_EQ(r.entries[i].newAttr, run.entries[i].newAttr);
    EXPECT_EQ(r.entries[i].oldTime, run.entries[i].oldTime);
  }
  EXPECT_EQ(r.entries[0].outcome, JournalEntry::Done);
  EXPECT_EQ(r.entries[1].outcome, JournalEntry::Failed);
  // Readable: one CRLF line per record, the path as it is but for "%" and
  // control bytes.
  const String text = Written(run, false);
  EXPECT_NE(text.find("\tC:\\データ\\100%25\\表.txt\t"), String::npos);
  EXPECT_NE(text.find("tab%09here"), String::npos);
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
}

TEST(Journal, AKilledRunLeavesItsEntriesPending) {
  JournalRun run = SampleRun(3);
  // The last line cut in the middle of its writing.
  String text = kJournalHeader + Written(run, false);
  text.resize(text.size() - 5);
  const JournalText read = ParseJournal(text);
  ASSERT_EQ(read.runs.size(), 1u);
  ASSERT_EQ(read.runs[0].entries.size(), 1u);
  EXPECT_EQ(read.runs[0].entries[0].outcome, JournalEntry::Pending);
  EXPECT_EQ(read.skipped, std::vector<size_t>{4});
}

TEST(Journal, DamagedAndForeignLinesAreSkippedAndNamed) {
  const JournalRun run = SampleRun(1);
  String entry = JournalEntryLine(1, run.entries[0]);
  String flipped = entry;
  flipped[flipped.find("Sample")] = 's';  // one byte changed: the sum no longer holds
  const String text = kJournalHeader + JournalRunLine(run) + flipped +
                      "E\t1\t1\tC:\\a\t\t00000000\t00000000\tx\ty\t00000000\r\n" +  // foreign
                      JournalOutcomeLine(1, 9, true) +  // an outcome of no entry
                      JournalEntryLine(2, run.entries[0]) +  // an entry of no run
                      JournalRunLine(run) +  // the same run twice
                      entry + JournalOutcomeLine(1, 1, true) + JournalOutcomeLine(1, 1, false);
  const JournalText read = ParseJournal(text);
  EXPECT_EQ(read.skipped, (std::vector<size_t>{3, 4, 5, 6, 7, 10}));
  ASSERT_EQ(read.runs.size(), 1u);
  ASSERT_EQ(read.runs[0].entries.size(), 1u);
  EXPECT_EQ(read.runs[0].entries[0].outcome, JournalEntry::Done);  // the first outcome stands
  // Any text at all: nothing trusted, nothing read past.
  EXPECT_TRUE(ParseJournal("\t\t\r\n%\r\nR\t\t\t\t\t\t\r\n\xff\xff").runs.empty());
}

TEST(Journal, TimesAreExactAndOnlyRealDatesRead) {
  uint64_t t = 0;
  for (uint64_t ft : {0ull, 1ull, 116444736000000000ull /* 1970 */, 133780000001234567ull,
                      2650467743999999999ull /* 9999-12-31 23:59:59.9999999 */}) {
    ASSERT_TRUE(ParseJournalTime(JournalTimeText(ft), t)) << JournalTimeText(ft);
    EXPECT_EQ(t, ft);
  }
  EXPECT_EQ(JournalTimeText(116444736000000000ull), "1970-01-01 00:00:00.0000000");
  EXPECT_TRUE(ParseJournalTime("2024-02-29 00:00:00.0000000", t));
  for (const char* bad : {"2023-02-29 00:00:00.0000000", "2024-13-01 00:00:00.0000000",
                          "2024-01-01 24:00:00.0000000", "1600-12-31 00:00:00.0000000",
                          "2024-01-01 00:00:00.000000", "2024-01-01T00:00:00.0000000",
                          "+024-01-01 00:00:00.0000000"}) {
    EXPECT_FALSE(ParseJournalTime(bad, t)) << bad;
  }
}

TEST(Journal, TrimmingKeepsTheNewestWholeRuns) {
  String body;
  std::vector<size_t> starts;
  for (uint32_t id = 1; id <= 5; ++id) {
    starts.push_back(body.size());
    body += Written(SampleRun(id), true);
  }
  const String text = kJournalHeader + body;
  const size_t h = sizeof kJournalHeader - 1;
  EXPECT_EQ(JournalTrimOffset(text, 100, 1 << 20), 0u);
  EXPECT_EQ(JournalTrimOffset(text, 2, 1 << 20), h + starts[3]);
  // By size: as many of the newest as fit, and always the newest.
  const size_t run = starts[1] - starts[0];
  EXPECT_EQ(JournalTrimOffset(text, 100, 3 * run), h + starts[2]);
  EXPECT_EQ(JournalTrimOffset(text, 100, 10), h + starts[4]);
  EXPECT_EQ(JournalTrimOffset(text, 0, 1 << 20), h + starts[4]);
  // What is kept reads as whole runs.
  const JournalText kept = ParseJournal(kJournalHeader + text.substr(JournalTrimOffset(text, 2, 1 << 20)));
  ASSERT_EQ(kept.runs.size(), 2u);
  EXPECT_TRUE(kept.skipped.empty());
  EXPECT_EQ(kept.runs[0].id, 4u);
  EXPECT_EQ(kept.runs[1].entries.size(), 2u);
}

TEST(Journal, AnUndoRunMarksTheRunItTookBack) {
  JournalRun undo = SampleRun(9);
  undo.undoes = 4;
  const JournalText read = ParseJournal(kJournalHeader + Written(SampleRun(4), true) + Written(undo, true));
  ASSERT_EQ(read.runs.size(), 2u);
  EXPECT_TRUE(read.runs[0].undone);
  EXPECT_FALSE(read.runs[1].undone);
}

}  // namespace
