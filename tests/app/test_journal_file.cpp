// The journal file on a real disk: runs appended and numbered on, nothing
// written where the file cannot be, trimming to whole runs past the size.
#include "app/journal_file.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

namespace {

JournalEntry Entry(const String& from, const String& to) {
  JournalEntry e;
  e.oldPath = from;
  e.newPath = to;
  e.oldAttr = 0x20;
  e.newAttr = 0x21;
  e.oldTime = 133780000000000000ull;
  e.newTime = 133790000000000000ull;
  return e;
}

void WriteRun(TJournalFile& journal, const String& dir, int entries, int pendingFrom = -1) {
  ASSERT_TRUE(journal.Begin("2026/12/09 16:40:12", dir, "属性"));
  for (int i = 0; i < entries; ++i) {
    JournalEntry e = Entry(dir + "\\f" + std::to_string(i), dir + "\\g" + std::to_string(i));
    ASSERT_TRUE(journal.Intend(e));
    if (pendingFrom < 0 || i < pendingFrom) journal.Outcome(e, true);
  }
  journal.End();
}

TEST(JournalFile, RunsAreAppendedAndNumberedOn) {
  TempDir dir;
  const String path = dir / "VEMTAR.LOG";
  {
    TJournalFile journal(path);
    WriteRun(journal, "C:\\a", 2);
    EXPECT_EQ(journal.RunId(), 1u);
  }
  // A later program: the next number, and an entry left without its
  // outcome as a killed run leaves it.
  TJournalFile journal(path);
  WriteRun(journal, "C:\\b", 3, 2);
  EXPECT_EQ(journal.RunId(), 2u);
  const String text = TJournalFile::ReadAll(path);
  EXPECT_EQ(text.compare(0, sizeof kJournalHeader - 1, kJournalHeader), 0);
  const JournalText read = ParseJournal(text);
  EXPECT_TRUE(read.skipped.empty());
  ASSERT_EQ(read.runs.size(), 2u);
  EXPECT_EQ(read.runs[1].directory, "C:\\b");
  ASSERT_EQ(read.runs[1].entries.size(), 3u);
  EXPECT_EQ(read.runs[1].entries[1].outcome, JournalEntry::Done);
  EXPECT_EQ(read.runs[1].entries[2].outcome, JournalEntry::Pending);
  EXPECT_EQ(read.runs[1].entries[2].seq, 3u);
}

TEST(JournalFile, AFileThatCannotBeWrittenRefusesTheRun) {
  TempDir dir;
  TJournalFile missing(dir / "no such folder\\VEMTAR.LOG");
  EXPECT_FALSE(missing.Begin("2026/12/09 16:40:12", "C:\\a", "属性"));
  JournalEntry e = Entry("C:\\a\\x", "C:\\a\\y");
  EXPECT_FALSE(missing.Intend(e));
  // A journal held open by another program without sharing.
  const String path = dir.File("VEMTAR.LOG", "");
  UniqueHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  TJournalFile locked(path);
  EXPECT_FALSE(locked.Begin("2026/12/09 16:40:12", "C:\\a", "属性"));
}

TEST(JournalFile, PastItsSizeTheOldestWholeRunsGo) {
  TempDir dir;
  const String path = dir / "VEMTAR.LOG";
  // Runs of about 1.2 MB each until the file is past its limit.
  TJournalFile journal(path);
  uint32_t runs = 0;
  const auto size = [&] {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
  };
  while (size() <= TJournalFile::kMaxSize) {
    WriteRun(journal, "C:\\run" + std::to_string(++runs), 8000);
  }
  WriteRun(journal, "C:\\last", 1);
  const String text = TJournalFile::ReadAll(path);
  EXPECT_LE(text.size(), TJournalFile::kTrimmedSize + 4096);
  const JournalText read = ParseJournal(text);
  EXPECT_TRUE(read.skipped.empty());
  ASSERT_GE(read.runs.size(), 2u);
  EXPECT_LT(read.runs.size(), runs);
  // Whole runs, the newest kept, numbered on.
  for (size_t i = 0; i + 1 < read.runs.size(); ++i) EXPECT_EQ(read.runs[i].entries.size(), 8000u);
  EXPECT_EQ(read.runs.back().directory, "C:\\last");
  EXPECT_EQ(read.runs.back().id, runs + 1);
  EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
