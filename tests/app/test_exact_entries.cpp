// The program acts only on the entries the user chose, and only on a yes:
// names the code page cannot spell or the platform would strip, questions
// ended by the program's quit, the run button after the disk tools, the
// running number at its end. Real files on a mapped drive, names made on
// the Linux side.
#include "tests/app/Page1Fixture.h"

#include "framework/Inifiles.h"
#include "tests/helpers/Pump.h"

#include <algorithm>

namespace {

// The program ends (the system's close, the taskbar) at the next message.
void CALLBACK QuitOnce(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostQuitMessage(0);
}

const String kInfoHeader = "次の項目は名前で正確に指定できないため、そのままにしました。";

// Beside each name the code page cannot spell ("a?b.txt" in the list) or
// the platform strips ("t."), the entry such a name would reach instead.
class ExactEntries : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("ab.txt");
    ASSERT_TRUE(MakeRawFile(tree.Path(), std::wstring(L"a") + kHangul + L"b.txt"));
    tree.File("t");
    ASSERT_TRUE(MakeRawFile(tree.Path(), L"t."));
    tree.File("dir\\inner.txt");
    tree.File("dir\\xy.txt");
    ASSERT_TRUE(MakeRawFile(tree / "dir", std::wstring(L"x") + kHangul + L".txt"));
    tree.File("dir\\t");
    ASSERT_TRUE(MakeRawFile(tree / "dir", L"t."));
  }
  // The boxes that told of entries left alone.
  std::vector<String> Told() const {
    std::vector<String> told;
    for (const Box& box : user.boxes) {
      if (box.text.rfind(kInfoHeader, 0) == 0) told.push_back(box.title + ":" + box.text);
    }
    return told;
  }
  bool Lists(const String& text, const String& name) const {
    return text.find(Disk(name) + "（") != String::npos;
  }
};

}  // namespace

TEST_F(ExactEntries, TheListShowsWhatThePlatformGives) {
  try { OpenOn(); } catch (...) { for (auto& b : user.boxes) printf("BOX %s\n", b.text.c_str()); printf("err %lu\n", GetLastError()); throw; }
  TMainForm& f = *form;
  EXPECT_GE(f.FileList->FindName("a?b.txt"), 0);
  EXPECT_GE(f.FileList->FindName("t."), 0);
}

TEST_F(ExactEntries, TheBatchNeverChangesAnEntryThatWasNotChosen) {
  TMainForm& f = OpenOn();
  Select({"a?b.txt", "t.", "dir"});
  f.CheckBoxFAtr->SetChecked(true);
  f.CheckBoxReadOnly->SetChecked(true);
  f.CheckBoxSubDir->SetChecked(true);
  Run();
  // Not chosen: the neighbours the unspellable and stripped rows would
  // have reached.
  EXPECT_FALSE(Attributes(Disk("ab.txt")) & kReadOnly);
  EXPECT_FALSE(Attributes(Disk("t")) & kReadOnly);
  // Chosen through the directory.
  for (const char* name : {"dir\\inner.txt", "dir\\xy.txt", "dir\\t"}) {
    EXPECT_TRUE(Attributes(Disk(name)) & kReadOnly) << name;
  }
  // Told once, at the end, which and why.
  const std::vector<String> told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].substr(0, told[0].find(':')), "情報");
  for (const char* name : {"a?b.txt", "t.", "dir\\x?.txt", "dir\\t."}) {
    EXPECT_TRUE(Lists(told[0], name)) << name;
  }
  EXPECT_NE(told[0].find("（名前が「.」か空白で終わっています）"), String::npos);
  EXPECT_EQ(user.boxes.back().text, told[0].substr(told[0].find(':') + 1));
}

TEST_F(ExactEntries, DeleteRemovesOnlyTheEntriesNamed) {
  TMainForm& f = OpenOn();
  Select({"a?b.txt", "t.", "dir"});
  Choose(f.KDelete);
  EXPECT_TRUE(Exists(Disk("ab.txt")));
  EXPECT_TRUE(Exists(Disk("t")));
  // The directory goes except for what cannot be named, which keeps it.
  EXPECT_FALSE(Exists(Disk("dir\\inner.txt")));
  EXPECT_FALSE(Exists(Disk("dir\\t")));
  EXPECT_TRUE(Exists(Disk("dir")));
  const std::vector<String> told = Told();
  ASSERT_EQ(told.size(), 1u);
  for (const char* name : {"a?b.txt", "t.", "dir\\x?.txt", "dir\\t."}) {
    EXPECT_TRUE(Lists(told[0], name)) << name;
  }
}

TEST_F(ExactEntries, RenamesNeverReachTheNeighbour) {
  TMainForm& f = OpenOn();
  Select({"a?b.txt", "t."});
  Choose(f.KRenameUpper);
  EXPECT_EQ(NameOnDisk(Disk("ab.txt")), "ab.txt");
  EXPECT_EQ(NameOnDisk(Disk("t")), "t");
  EXPECT_EQ(Told().size(), 1u);

  // The pattern, and the name typed in place.
  user.boxes.clear();
  Names("n%d.txt");
  Run();
  EXPECT_TRUE(Exists(Disk("ab.txt")));
  EXPECT_FALSE(Exists(Disk("n0.txt")));
  EXPECT_EQ(Told().size(), 1u);
  user.boxes.clear();
  Select({"a?b.txt"});
  f.FileList->SetFocus();
  Choose(f.KRename);
  HWND editor = reinterpret_cast<HWND>(SendMessageA(f.FileList->Handle(), LVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(editor, nullptr);
  SetWindowTextA(editor, "new.txt");
  SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(Exists(Disk("ab.txt")));
  EXPECT_FALSE(Exists(Disk("new.txt")));
  EXPECT_EQ(Told().size(), 1u);
  EXPECT_GE(f.FileList->FindName("a?b.txt"), 0);
}

TEST_F(ExactEntries, AnEditFollowsItsRowWhenTheListChanges) {
  TMainForm& f = OpenOn("dir");
  f.FileList->SetFocus();
  Select({"xy.txt"});
  Choose(f.KRename);
  HWND editor = reinterpret_cast<HWND>(SendMessageA(f.FileList->Handle(), LVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(editor, nullptr);
  SetWindowTextA(editor, "renamed.txt");
  // Someone else adds a file that sorts before it; the list re-reads.
  tree.File("dir\\aaa.txt");
  ASSERT_TRUE(PumpUntil([&] { return f.FileList->FindName("aaa.txt") >= 0; }));
  if (IsWindow(editor)) SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  Pump(100);
  // The typed name went to the file being edited, or nowhere.
  EXPECT_TRUE(Exists(Disk("dir\\aaa.txt")));
  EXPECT_TRUE(Exists(Disk("dir\\inner.txt")));
  EXPECT_NE(Exists(Disk("dir\\xy.txt")), Exists(Disk("dir\\renamed.txt")));
}

TEST_F(ExactEntries, ScanAndRestoreTellWhatTheyLeaveAlone) {
  // A system file the code page cannot spell: made under a plain name,
  // renamed on the Linux side (the attribute goes with it).
  tree.File("s.sys", "x", kSystem);
  ASSERT_TRUE(RenameRaw(tree.Path(), "s.sys", std::wstring(L"s") + kHangul + L".sys"));
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
  EXPECT_TRUE(Lines(f.ListBoxSysFileChange).empty());
  std::vector<String> told = Told();
  ASSERT_FALSE(told.empty());
  EXPECT_TRUE(Lists(told.back(), "s?.sys"));
  EXPECT_FALSE(f.ButtonExec->Enabled());

  // A record that reaches another entry: "t." would be "t".
  user.boxes.clear();
  TIniFile ini(SettingsFile());
  ini.WriteBool("SystemFileList", Disk("t."), false);
  ini.WriteBool("SystemFileList", Disk("a?b.txt"), false);
  SwitchTo(f.TabSheetSysFileRestore);
  EXPECT_EQ(Lines(f.ListBoxSysFileRestore).size(), 2u);
  user.answers = {mrOk};
  f.ButtonExec->Click();
  EXPECT_FALSE(Attributes(Disk("t")) & kSystem);
  EXPECT_FALSE(Attributes(Disk("ab.txt")) & kSystem);
  told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_TRUE(Lists(told[0], "t."));
  EXPECT_TRUE(Lists(told[0], "a?b.txt"));
}

// --- Questions only the user answers ----------------------------------------

TEST_F(ExactEntries, AQuestionEndedByTheQuitChangesNothing) {
  TMainForm& f = OpenOn();
  Select({"ab.txt"});
  f.CheckBoxFAtr->SetChecked(true);
  f.CheckBoxReadOnly->SetChecked(true);
  // The real box this time; the program is closed while it is up.
  Application().SetUserSeam(nullptr);
  SetTimer(nullptr, 0, 200, QuitOnce);
  Run();
  EXPECT_FALSE(Attributes(Disk("ab.txt")) & kReadOnly);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

namespace {

// The disk tools' stand-ins where the program search finds them.
class DiskTools : public ExactEntries {
protected:
  void SetUp() override {
    ExactEntries::SetUp();
    String bin = Application().ExeName();
    bin.resize(FileNamePart(bin) - bin.c_str());
    bin += "..\\bin\\";
    for (const char* tool : {"SCANDSKW.EXE", "DEFRAG.EXE"}) {
      ASSERT_TRUE(CopyFileA((bin + tool).c_str(), (work / tool).c_str(), FALSE));
    }
    SetEnvironmentVariableA("VEMTAR_STANDIN_LOG", (work / "tools.log").c_str());
    SetCurrentDirectoryA(work.Path().c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("VEMTAR_STANDIN_LOG", nullptr);
    ExactEntries::TearDown();
  }
  void MakeTree() override { tree.File("io.sys", "x", kSystem); }
  TMainForm& OpenPage2() {
    TMainForm& f = Open();
    SwitchTo(f.TabSheetSysFileChange);
    f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
    return f;
  }
  TempDir work;
};

TMainForm* switching = nullptr;

void CALLBACK SwitchToVersionOnce(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  switching->PageControl->SetActivePage(switching->TabSheetVersion);
  switching->PageControlChange(switching->PageControl);
}

}  // namespace

TEST_F(DiskTools, TheRunButtonFollowsThePageShownAfterTheTools) {
  TMainForm& f = OpenPage2();
  ASSERT_TRUE(f.ButtonExec->Enabled());
  // The user goes to the version page while the disk checker runs.
  switching = &f;
  SetTimer(nullptr, 0, 1, SwitchToVersionOnce);
  Sleep(50);
  user.answers = {mrYes, mrNo, mrNo};
  f.ButtonDefrag->Click();
  EXPECT_EQ(f.PageControl->ActivePage(), f.TabSheetVersion);
  EXPECT_FALSE(f.ButtonExec->Enabled());
}

TEST_F(DiskTools, ARemovalThatLeftNothingDisablesTheRunButton) {
  tree.File("a=b.sys", "x", kSystem);
  TMainForm& f = OpenPage2();
  const std::vector<String> lines = Lines(f.ListBoxSysFileChange);
  const auto io = std::find(lines.begin(), lines.end(), Disk("io.sys"));
  ASSERT_NE(io, lines.end());
  f.ListBoxSysFileChange->SetSelected(static_cast<int>(io - lines.begin()), true);
  f.ListBoxSysFileChangeClick(f.ListBoxSysFileChange);
  f.ButtonChangeDeleteClick(f.ButtonChangeDelete);
  ASSERT_EQ(Lines(f.ListBoxSysFileChange), std::vector<String>{Disk("a=b.sys")});
  user.answers = {mrOk};
  f.ButtonExec->Click();
  EXPECT_TRUE(Lines(f.ListBoxSysFileChange).empty());
  EXPECT_FALSE(f.ButtonExec->Enabled());
  EXPECT_TRUE(Attributes(Disk("a=b.sys")) & kSystem);
}

TEST_F(DiskTools, ClosingTheProgramDuringAToolEndsTheSequence) {
  TMainForm& f = OpenPage2();
  // The system ends the program while the disk checker runs.
  SetTimer(nullptr, 0, 1, QuitOnce);
  Sleep(50);
  user.answers = {mrYes};
  f.ButtonDefrag->Click();
  // The disk checker ran; nothing was asked or scanned after it.
  EXPECT_EQ(user.boxes.size(), 1u);
  EXPECT_FALSE(ReadWholeFile(work / "tools.log").empty());
  EXPECT_TRUE(Application().Terminated());
}

// --- The running number ------------------------------------------------------

TEST_F(ExactEntries, TheRunningNumberStopsAtItsLargestValue) {
  OpenOn("dir");
  Select({"inner.txt", "xy.txt"});
  Names("n%d.txt", "2147483647");
  Run();
  EXPECT_TRUE(Exists(Disk("dir\\n2147483647.txt")));
  EXPECT_TRUE(Exists(Disk("dir\\xy.txt")));
  EXPECT_EQ(user.boxes.back().title, "ｴﾗｰ");
  EXPECT_EQ(user.boxes.back().text, "ファイル名の番号が上限に達したため、残りのファイルは変更しません");
}

TEST_F(ExactEntries, AFailingRefreshAfterAFailedRunIsShownNotFatal) {
  TMainForm& f = OpenOn("dir");
  Select({"inner.txt"});
  Names("n%s");  // a number given to "%s": the format refuses it
  f.FileList->OnCompare = [](TObject*, const TListItem&, const TListItem&, int, int&) {
    throw EConvertError("比較できません");
  };
  Run();
  EXPECT_TRUE(Exists(Disk("dir\\inner.txt")));
  ASSERT_GE(user.boxes.size(), 3u);  // question, the refresh's error, the run's error
  EXPECT_NE(user.boxes[1].text.find("比較できません"), String::npos);
  f.FileList->OnCompare = nullptr;
  EXPECT_TRUE(f.FileList->AutoUpdate());
}


