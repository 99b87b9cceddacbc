// Page 1's journal as the window writes it: every entry of a batch run and
// of the list's commands, ahead of its change, with what became of it.
#include "app/journal.h"
#include "tests/app/Page1Fixture.h"

namespace {

class Page1Journal : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("a.txt");
    tree.File("b.txt");
    tree.File("d1\\inner.txt");
    tree.File("d1\\deeper\\leaf.txt", "x", kReadOnly);
    tree.File("gone\\x.txt", "x", kReadOnly);
  }
  JournalText Journal() const { return ParseJournal(TJournalFile::ReadAll(JournalFile())); }
  static uint64_t WriteTime(const String& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
  }
};

TEST_F(Page1Journal, ABatchRunRecordsEveryEntryBeforeAndAfter) {
  OpenOn();
  const uint64_t before = WriteTime(Disk("d1\\inner.txt"));
  const DWORD innerAttributes = Attributes(Disk("d1\\inner.txt"));
  Select({"a.txt", "d1"});
  TickAttributes(true, false, false, false);
  form->CheckBoxSubDir->SetChecked(true);
  Run();
  const JournalText journal = Journal();
  EXPECT_TRUE(journal.skipped.empty());
  ASSERT_EQ(journal.runs.size(), 1u);
  const JournalRun& run = journal.runs[0];
  EXPECT_EQ(run.directory, root + "\\");
  EXPECT_EQ(run.what, "属性");
  // The rows in row order (directories first), each directory before what
  // is below it.
  std::vector<String> paths;
  for (const JournalEntry& e : run.entries) {
    paths.push_back(e.oldPath);
    EXPECT_EQ(e.newPath, e.oldPath);
    EXPECT_EQ(e.outcome, JournalEntry::Done) << e.oldPath;
    EXPECT_EQ(e.newAttr, (e.oldAttr & ~0x27u) | FILE_ATTRIBUTE_NORMAL | kReadOnly) << e.oldPath;
    EXPECT_EQ(e.newTime, e.oldTime);
  }
  ASSERT_EQ(paths.size(), 5u);
  EXPECT_EQ(paths[0], Disk("d1"));
  EXPECT_EQ(paths[4], Disk("a.txt"));
  for (const char* below : {"d1\\inner.txt", "d1\\deeper", "d1\\deeper\\leaf.txt"}) {
    EXPECT_NE(std::find(paths.begin() + 1, paths.end() - 1, Disk(below)), paths.end() - 1) << below;
  }
  EXPECT_LT(std::find(paths.begin(), paths.end(), Disk("d1\\deeper")),
            std::find(paths.begin(), paths.end(), Disk("d1\\deeper\\leaf.txt")));
  const auto inner = std::find(paths.begin(), paths.end(), Disk("d1\\inner.txt")) - paths.begin();
  EXPECT_EQ(run.entries[inner].oldTime, before);
  EXPECT_EQ(run.entries[inner].oldAttr, innerAttributes);
}

TEST_F(Page1Journal, RenamesAndDatesRecordTheirNewNamesAndTimesAndAFailureTwice) {
  OpenOn();
  // b.txt cannot take its new name in the other directory.
  Names("d1\\%1:s.bak");
  Date("2020/01/02", "03:04:05");
  tree.File("d1\\b.bak");
  form->FileList->UpdateList();
  Select({"a.txt", "b.txt"});
  user.answers = {mrOk, mrOk};  // the question, then OK in the rename's error box
  Run();
  ASSERT_EQ(user.boxes.size(), 2u);
  const JournalText journal = Journal();
  ASSERT_EQ(journal.runs.size(), 1u);
  const JournalRun& run = journal.runs[0];
  EXPECT_EQ(run.what, "日付と名前");
  ASSERT_EQ(run.entries.size(), 3u);
  EXPECT_EQ(run.entries[0].newPath, Disk("d1\\a.bak"));
  EXPECT_EQ(run.entries[0].outcome, JournalEntry::Done);
  EXPECT_EQ(run.entries[0].newTime, WriteTime(Disk("d1\\a.bak")));
  EXPECT_NE(run.entries[0].newTime, run.entries[0].oldTime);
  // The refused name, then the date under the old name.
  EXPECT_EQ(run.entries[1].newPath, Disk("d1\\b.bak"));
  EXPECT_EQ(run.entries[1].outcome, JournalEntry::Failed);
  EXPECT_EQ(run.entries[2].oldPath, Disk("b.txt"));
  EXPECT_EQ(run.entries[2].newPath, Disk("b.txt"));
  EXPECT_EQ(run.entries[2].outcome, JournalEntry::Done);
  EXPECT_EQ(run.entries[2].newTime, WriteTime(Disk("b.txt")));
}

TEST_F(Page1Journal, AJournalThatCannotBeWrittenStopsEveryCommandBeforeItsFirstChange) {
  OpenOn();
  ASSERT_TRUE(CreateDirectoryA(JournalFile().c_str(), nullptr));
  const String refused = "履歴ファイル\"" + JournalFile() + "\"に書き込めないため、変更を中止しました。";
  Select({"a.txt"});
  TickAttributes(true, false, false, false);
  Run();
  ASSERT_EQ(Texts(), (std::vector<String>{"選択したファイルの属性を変更します", refused}));
  EXPECT_EQ(Attributes(Disk("a.txt")) & kReadOnly, 0u);
  user.boxes.clear();
  Choose(form->KRenameUpper);
  EXPECT_EQ(Texts(), std::vector<String>{refused});
  EXPECT_EQ(NameOnDisk(Disk("a.txt")), "a.txt");
  user.boxes.clear();
  Select({"gone"});
  Choose(form->KDelete);
  EXPECT_EQ(Texts(), (std::vector<String>{"goneを削除します", refused}));
  EXPECT_TRUE(Exists(Disk("gone\\x.txt")));
}

TEST_F(Page1Journal, TheListsCommandsAreRecordedADeletionEntryByEntry) {
  OpenOn();
  Select({"a.txt"});
  Choose(form->KRenameUpper);
  Select({"gone"});
  Choose(form->KDelete);
  EXPECT_FALSE(Exists(Disk("gone")));
  const JournalText journal = Journal();
  EXPECT_TRUE(journal.skipped.empty());
  ASSERT_EQ(journal.runs.size(), 2u);
  EXPECT_EQ(journal.runs[0].what, "大文字");
  EXPECT_EQ(journal.runs[1].id, journal.runs[0].id + 1);
  ASSERT_EQ(journal.runs[0].entries.size(), 1u);
  EXPECT_EQ(journal.runs[0].entries[0].newPath, Disk("A.TXT"));
  EXPECT_EQ(journal.runs[0].entries[0].outcome, JournalEntry::Done);
  const JournalRun& deletion = journal.runs[1];
  EXPECT_EQ(deletion.what, "削除");
  ASSERT_EQ(deletion.entries.size(), 2u);
  EXPECT_EQ(deletion.entries[0].oldPath, Disk("gone"));
  EXPECT_EQ(deletion.entries[1].oldPath, Disk("gone\\x.txt"));
  EXPECT_EQ(deletion.entries[1].oldAttr & kReadOnly, kReadOnly);
  for (const JournalEntry& e : deletion.entries) {
    EXPECT_TRUE(e.newPath.empty());
    EXPECT_EQ(e.outcome, JournalEntry::Done);
  }
  // The directory's outcome (entry 1) after its contents' (entry 2).
  const String text = TJournalFile::ReadAll(JournalFile());
  const String outcome = "\r\nO\t" + std::to_string(deletion.id) + "\t";
  ASSERT_NE(text.find(outcome + "2\t"), String::npos);
  EXPECT_GT(text.find(outcome + "1\t"), text.find(outcome + "2\t"));
}

}  // namespace

namespace {

class Page1Undo : public Page1Journal {};

TEST_F(Page1Undo, ARunTakenBackLeavesWhatChangedSinceAndSaysSo) {
  OpenOn();
  Names("%1:s.new");
  TickAttributes(true, false, false, true);
  form->CheckBoxSubDir->SetChecked(true);
  const uint64_t leafTime = WriteTime(Disk("d1\\deeper\\leaf.txt"));
  Select({"a.txt", "b.txt", "d1"});
  Run();
  ASSERT_TRUE(Exists(Disk("a.new")));
  ASSERT_TRUE(Exists(Disk("d1.new\\deeper.new\\leaf.new")));  // descent renames too
  // b.new is written to after the run: it must stay as it is now.
  {
    UniqueHandle file(CreateFileA(Disk("b.new").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    FILETIME later{0x12345678, 0x01D00000};
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &later));
  }
  const JournalRun run = Journal().runs.back();
  user.boxes.clear();
  ASSERT_TRUE(form->UndoRun(run));
  EXPECT_TRUE(Exists(Disk("a.txt")));
  EXPECT_EQ(Attributes(Disk("a.txt")) & kReadOnly, 0u);
  EXPECT_TRUE(Exists(Disk("d1\\inner.txt")));
  EXPECT_EQ(Attributes(Disk("d1\\inner.txt")) & kReadOnly, 0u);
  EXPECT_EQ(Attributes(Disk("d1\\deeper\\leaf.txt")) & kReadOnly, kReadOnly);  // as it was
  EXPECT_EQ(WriteTime(Disk("d1\\deeper\\leaf.txt")), leafTime);
  EXPECT_FALSE(Exists(Disk("d1.new")));
  EXPECT_TRUE(Exists(Disk("b.new")));
  EXPECT_EQ(Attributes(Disk("b.new")) & kReadOnly, kReadOnly);
  ASSERT_EQ(Texts(), std::vector<String>{"次の項目は元に戻しませんでした。\n" + Disk("b.new") +
                                         "（実行のあとで変更されています）"});
  // The undo is a run of its own, naming the run it took back.
  const JournalText journal = Journal();
  ASSERT_EQ(journal.runs.size(), 2u);
  EXPECT_EQ(journal.runs[1].undoes, run.id);
  EXPECT_EQ(journal.runs[1].what, "取り消し");
  EXPECT_TRUE(journal.runs[0].undone);
  // Newest first (rows ran d1, a.txt, b.txt): a.new first, the contents
  // of d1.new before d1.new itself, which comes last.
  ASSERT_FALSE(journal.runs[1].entries.empty());
  EXPECT_EQ(journal.runs[1].entries.front().oldPath, Disk("a.new"));
  EXPECT_EQ(journal.runs[1].entries.back().oldPath, Disk("d1.new"));
  for (const JournalEntry& e : journal.runs[1].entries) EXPECT_EQ(e.outcome, JournalEntry::Done) << e.oldPath;
}

TEST_F(Page1Undo, ChangesARunNeverMadeAreSkippedAndDeletionsAreNamed) {
  OpenOn();
  TickAttributes(true, false, false, true);
  Select({"a.txt", "b.txt"});
  Run();
  Select({"gone"});
  Choose(form->KDelete);
  JournalText journal = Journal();
  ASSERT_EQ(journal.runs.size(), 2u);
  // As a killed run leaves it: b.txt's change recorded, never made.
  JournalRun run = journal.runs[0];
  ASSERT_EQ(run.entries.size(), 2u);
  ASSERT_EQ(run.entries[1].oldPath, Disk("b.txt"));
  run.entries[1].outcome = JournalEntry::Pending;
  SetFileAttributesA(Disk("b.txt").c_str(), run.entries[1].oldAttr);
  user.boxes.clear();
  ASSERT_TRUE(form->UndoRun(run));
  EXPECT_TRUE(user.boxes.empty());
  EXPECT_EQ(Attributes(Disk("a.txt")) & kReadOnly, 0u);
  // A deletion cannot be taken back: said for each entry.
  ASSERT_TRUE(form->UndoRun(journal.runs[1]));
  ASSERT_EQ(user.boxes.size(), 1u);
  EXPECT_NE(user.boxes[0].text.find(Disk("gone\\x.txt") + "（削除は元に戻せません）"), String::npos);
  EXPECT_FALSE(Exists(Disk("gone")));
}

TEST_F(Page1Undo, ARenameNeverMadeLeavesWhateverHoldsItsNewName) {
  OpenOn();
  Names("%1:s.new");
  Select({"a.txt"});
  Run();
  JournalRun run = Journal().runs[0];
  ASSERT_EQ(run.entries.size(), 1u);
  // As a run killed with its rename box up leaves it: the name was taken.
  ASSERT_TRUE(MoveFileA(Disk("a.new").c_str(), Disk("a.txt").c_str()));
  tree.File("a.new", "another");
  run.entries[0].outcome = JournalEntry::Pending;
  user.boxes.clear();
  ASSERT_TRUE(form->UndoRun(run));
  EXPECT_EQ(Texts(), std::vector<String>{});
  EXPECT_TRUE(Exists(Disk("a.txt")));
  EXPECT_TRUE(Exists(Disk("a.new")));
}

TEST_F(Page1Undo, AnUndoneRunTakenBackAgainRedoesIt) {
  OpenOn();
  Names("%1:s.new");
  Select({"a.txt"});
  Run();
  ASSERT_TRUE(form->UndoRun(Journal().runs.back()));
  ASSERT_TRUE(Exists(Disk("a.txt")));
  ASSERT_TRUE(form->UndoRun(Journal().runs.back()));
  EXPECT_TRUE(Exists(Disk("a.new")));
  EXPECT_FALSE(Exists(Disk("a.txt")));
}

}  // namespace

namespace {

class Page1History : public Page1Journal {
protected:
  std::vector<String> HistoryLines() { return Lines(form->ListBoxHistory); }
};

TEST_F(Page1History, TheRunsNewestFirstAndTheChosenOneTakenBackAfterTheQuestion) {
  OpenOn();
  TickAttributes(true, false, false, true);
  Select({"a.txt", "b.txt"});
  Run();
  Select({"b.txt"});
  Choose(form->KRenameUpper);
  ASSERT_EQ(NameOnDisk(Disk("b.txt")), "B.TXT");
  // A run the pattern stopped before its first entry: nothing to list.
  form->CheckBoxFAtr->SetChecked(false);
  Names("%s");
  Run();
  ASSERT_EQ(Journal().runs.size(), 3u);
  SwitchTo(form->TabSheetHistory);
  std::vector<String> lines = HistoryLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("　大文字　" + root + "\\　1 件"), String::npos) << lines[0];
  EXPECT_NE(lines[1].find("　属性　" + root + "\\　2 件"), String::npos) << lines[1];
  EXPECT_FALSE(form->ButtonExec->Enabled());  // nothing chosen yet
  form->ListBoxHistory->SetItemIndex(1);
  form->ListBoxHistory->OnClick(form->ListBoxHistory);
  EXPECT_TRUE(form->ButtonExec->Enabled());

  // Abort changes nothing.
  user.boxes.clear();
  user.answers = {mrAbort};
  Run();
  ASSERT_EQ(user.boxes.size(), 1u);
  EXPECT_EQ(user.boxes[0].title, "確認");
  EXPECT_EQ(user.boxes[0].buttons, "OK|中止(&A)");
  EXPECT_NE(user.boxes[0].text.find("属性) を元に戻します"), String::npos);
  EXPECT_EQ(Attributes(Disk("a.txt")) & kReadOnly, kReadOnly);

  // OK: the attributes go back, B.TXT keeps the name a later run gave it.
  user.boxes.clear();
  Run();
  EXPECT_EQ(user.boxes.size(), 1u);
  EXPECT_EQ(Attributes(Disk("a.txt")) & kReadOnly, 0u);
  EXPECT_EQ(Attributes(Disk("B.TXT")) & kReadOnly, 0u);
  EXPECT_EQ(NameOnDisk(Disk("b.txt")), "B.TXT");
  lines = HistoryLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("取り消し"), String::npos);
  EXPECT_NE(lines[2].find("(取り消し済み)"), String::npos);
  // A run taken back is not offered again.
  form->ListBoxHistory->SetItemIndex(2);
  form->ListBoxHistory->OnClick(form->ListBoxHistory);
  EXPECT_FALSE(form->ButtonExec->Enabled());
}

TEST_F(Page1History, DamagedLinesAreSkippedAndNamed) {
  OpenOn();
  Select({"a.txt"});
  TickAttributes(true, false, false, true);
  Run();
  // A line cut short, and one from elsewhere.
  {
    UniqueHandle file(CreateFileA(JournalFile().c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    const String junk = "E\t1\t9\tC:\\x\r\nsomething else\r\n";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), junk.data(), DWORD(junk.size()), &written, nullptr));
  }
  user.boxes.clear();
  SwitchTo(form->TabSheetHistory);
  EXPECT_EQ(HistoryLines().size(), 1u);
  ASSERT_EQ(user.boxes.size(), 1u);
  // Lines 5 and 6: after the header, the run's head, the entry and its outcome.
  EXPECT_EQ(user.boxes[0].text, "履歴ファイル\"" + JournalFile() +
                                    "\"の次の行は壊れているか VEMTAR のものでないため、読み飛ばしました。\n5, 6");
}

}  // namespace

namespace {

class Page1CtrlZ : public Page1Journal {
protected:
  // Ctrl+Z (or another key with Ctrl) as the message loop meets it in the
  // focused window; true when the window took it.
  bool CtrlKey(WORD key) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG msg{GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
    const bool taken = TApplication::ShortCut(msg);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    return taken;
  }
};

TEST_F(Page1CtrlZ, CtrlZOffersTheNewestRunNotTakenBackOneAfterAnother) {
  OpenOn();
  // A run the pattern stopped before its first entry changed nothing.
  Select({"a.txt"});
  Names("%s");
  Run();
  ASSERT_EQ(Journal().runs.size(), 1u);
  form->CheckBoxFileName->SetChecked(false);
  user.boxes.clear();
  form->FileList->SetFocus();
  EXPECT_TRUE(CtrlKey('Z'));  // nothing to take back yet: said so
  ASSERT_EQ(Texts(), std::vector<String>{"元に戻せる実行はありません"});
  TickAttributes(true, false, false, true);
  Select({"a.txt"});
  Run();
  Select({"b.txt"});
  Run();
  user.boxes.clear();
  user.answers = {mrAbort};
  form->FileList->SetFocus();
  EXPECT_TRUE(CtrlKey('Z'));
  ASSERT_EQ(user.boxes.size(), 1u);
  EXPECT_EQ(user.boxes[0].title, "確認");
  EXPECT_EQ(Attributes(Disk("b.txt")) & kReadOnly, kReadOnly);
  // OK: the newest, then the one before; the undo runs are passed over.
  EXPECT_TRUE(CtrlKey('Z'));
  EXPECT_EQ(Attributes(Disk("b.txt")) & kReadOnly, 0u);
  EXPECT_EQ(Attributes(Disk("a.txt")) & kReadOnly, kReadOnly);
  form->FileList->SetFocus();
  EXPECT_TRUE(CtrlKey('Z'));
  EXPECT_EQ(Attributes(Disk("a.txt")) & kReadOnly, 0u);
  // Elsewhere the key is not ours: in an edit field, on another page, or
  // another letter.
  user.boxes.clear();
  form->CheckBoxFileName->SetChecked(true);  // the field's group usable
  form->EditFileName->SetFocus();
  ASSERT_EQ(GetFocus(), form->EditFileName->Handle());
  EXPECT_FALSE(CtrlKey('Z'));
  form->FileList->SetFocus();
  EXPECT_FALSE(CtrlKey('Y'));
  SwitchTo(form->TabSheetVersion);
  EXPECT_FALSE(CtrlKey('Z'));
  EXPECT_TRUE(user.boxes.empty());
}

}  // namespace
