// The main window driven in this process: real windows, a real settings
// file beside the test program, real files on a mapped drive, real child
// processes. Dialogs, beeps and help requests go to a scripted seam.
#include "tests/app/MainWindowFixture.h"

#include "framework/Inifiles.h"
#include "lib/core/File.h"

namespace {

// A drive with system, hidden and read-only entries, some with names
// whose trail byte is 0x5C.
class MainWindowTest : public MainWindowFixture {
protected:
  void MakeTree() override {
    tree.File("io.sys", "x", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    tree.File("plain.txt");
    tree.Dir("ソ表", FILE_ATTRIBUTE_SYSTEM);
    tree.File("ソ表\\能十.dat", "x", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    tree.File("ソ表\\normal.dat");
    tree.File("deep\\er\\sys.bin", "x", FILE_ATTRIBUTE_SYSTEM);
    tree.File("deep\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
  }
};

}  // namespace

TEST_F(MainWindowTest, WindowPagesCaptionsAndVersion) {
  TMainForm& f = Open();
  EXPECT_EQ(f.Caption(), "VEMTAR");
  RECT client;
  GetClientRect(f.Handle(), &client);
  EXPECT_EQ(client.right, 592);
  EXPECT_EQ(client.bottom, 441);
  LONG style = GetWindowLongA(f.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(IsWindowVisible(f.Handle()));
  ASSERT_EQ(f.PageControl->PageCount(), 5);
  EXPECT_EQ(f.PageControl->Pages(0)->Caption(), "ファイル属性変更");
  EXPECT_EQ(f.PageControl->Pages(1)->Caption(), "システムファイル属性解除");
  EXPECT_EQ(f.PageControl->Pages(2)->Caption(), "システムファイル属性復元");
  EXPECT_EQ(f.PageControl->Pages(3)->Caption(), "バージョン");
  EXPECT_EQ(f.PageControl->Pages(4)->Caption(), "履歴");
  EXPECT_EQ(f.LabelVer->Caption(), "Version 1.10");
  EXPECT_EQ(f.LabelVerShadow->Caption(), "Version 1.10");
  EXPECT_EQ(f.ButtonExec->Caption(), "実行");
  EXPECT_EQ(f.SettingsFileName(), SettingsFile());
  String help = Application().ExeName();
  ChangeExtension(help, "HLP");
  EXPECT_EQ(Application().HelpFile(), help);
  f.ButtonHelp->Click();
  EXPECT_EQ(user.helpCommands, std::vector<UINT>{HELP_FINDER});
  EXPECT_EQ(user.helpFile, help);
}

TEST_F(MainWindowTest, WithoutAWinHelpViewerTheHelpPageOpensInstead) {
  TMainForm& f = Open();
  String page = Application().ExeName();
  ChangeExtension(page, "HTM");
  String help = page;
  ChangeExtension(help, "HLP");
  struct Viewer {
    ~Viewer() { Application().SetWinHelpViewer(""); }
  } restore;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const String stub = String(self, FileNamePart(self) - self) + "winhlpstub.exe";
  const auto asked = [&](const String& viewer) {
    Application().SetWinHelpViewer(viewer);
    user.helpFile.clear();
    f.ButtonHelp->Click();
    return user.helpFile;
  };
  // No page beside the help file: WinHelp's, as ever.
  DeleteFileA(page.c_str());
  EXPECT_EQ(asked(stub), help);
  // With the page: the stub, or no viewer at all, opens it instead.
  struct Remove {
    String path;
    ~Remove() { DeleteFileA(path.c_str()); }
  } removePage{page};
  {
    HANDLE file = CreateFileA(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  EXPECT_FALSE(Application().WinHelpViewerUsable());
  EXPECT_EQ(asked(stub), page);
  EXPECT_EQ(asked(root + "\\none\\winhlp32.exe"), page);
  // The viewer this system has: the help file.
  EXPECT_EQ(asked(""), help);
  EXPECT_TRUE(Application().WinHelpViewerUsable());
  EXPECT_EQ(user.helpCommands.back(), UINT(HELP_FINDER));
}

TEST_F(MainWindowTest, StartPageFromTheSettingsFile) {
  for (const char* value : std::initializer_list<const char*>{"0", "2", "x", nullptr}) {
    DeleteFileA(SettingsFile().c_str());
    if (value) WritePrivateProfileStringA("Vemtar", "Page", value, SettingsFile().c_str());
    TMainForm& f = Open();
    EXPECT_EQ(f.PageControl->ActivePage(), f.TabSheetAtrChange) << (value ? value : "no file");
    EXPECT_FALSE(f.ButtonExec->Enabled());
    EXPECT_TRUE(Lines(f.ListBoxSysFileChange).empty());  // no scan
  }
  WritePrivateProfileStringA("Vemtar", "Page", "1", SettingsFile().c_str());
  TMainForm& f = Open();
  EXPECT_EQ(f.PageControl->ActivePage(), f.TabSheetSysFileChange);
  // The create event scanned the drive at once.
  EXPECT_FALSE(Lines(f.ListBoxSysFileChange).empty());
  EXPECT_TRUE(f.ButtonExec->Enabled());
}

TEST_F(MainWindowTest, ClosingStoresThePage) {
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.Close();
  EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("Vemtar", "Page", -1), 1);
  for (TTabSheet* page : {f.TabSheetSysFileRestore, f.TabSheetVersion, f.TabSheetAtrChange}) {
    SwitchTo(page);
    f.Close();
    EXPECT_EQ(TIniFile(SettingsFile()).ReadInteger("Vemtar", "Page", -1), 0);
  }
}

TEST_F(MainWindowTest, VersionPageDisablesTheRunButton) {
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  EXPECT_TRUE(f.ButtonExec->Enabled());
  SwitchTo(f.TabSheetVersion);
  EXPECT_FALSE(f.ButtonExec->Enabled());
  EXPECT_FALSE(f.ButtonExec->OnClick);
  SwitchTo(f.TabSheetAtrChange);
  EXPECT_FALSE(f.ButtonExec->Enabled());  // nothing listed to run on
}

TEST_F(MainWindowTest, ScanListsSystemEntriesInPreOrderWithoutLinks) {
  tree.File("outside\\sys.dll", "x", FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(MakeLink(tree / "outside", tree / "deep\\link"));
  TMainForm& f = Open();
  // The drive box starts on the current directory's drive.
  EXPECT_EQ(f.DriveComboBoxSysFile->Drive(), tolower(drive->Letter()));
  SwitchTo(f.TabSheetSysFileChange);
  std::vector<String> lines = Lines(f.ListBoxSysFileChange);
  auto at = [&](const String& path) {
    return std::find(lines.begin(), lines.end(), root + "\\" + path) - lines.begin();
  };
  ASSERT_EQ(lines.size(), 5u);  // outside\sys.dll once, not again through the link
  EXPECT_LT(at("ソ表"), at("ソ表\\能十.dat"));
  EXPECT_LT(at("io.sys"), static_cast<long>(lines.size()));
  EXPECT_LT(at("deep\\er\\sys.bin"), static_cast<long>(lines.size()));
  EXPECT_LT(at("outside\\sys.dll"), static_cast<long>(lines.size()));
  EXPECT_FALSE(f.PanelSearchDir->Visible());
  EXPECT_FALSE(f.LabelInfo->Visible());
}

TEST_F(MainWindowTest, ExcludeRecordRemoveAndRestore) {
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
  std::vector<String> lines = Lines(f.ListBoxSysFileChange);
  ASSERT_EQ(lines.size(), 4u);
  // Exclude deep\er\sys.bin.
  int excluded = -1;
  for (int i = 0; i < 4; ++i) {
    if (lines[i] == root + "\\deep\\er\\sys.bin") excluded = i;
  }
  ASSERT_GE(excluded, 0);
  f.ListBoxSysFileChange->SetSelected(excluded, true);
  f.ListBoxSysFileChangeClick(nullptr);
  EXPECT_TRUE(f.ButtonChangeDelete->Enabled());
  f.ButtonChangeDelete->Click();
  ASSERT_EQ(f.ListBoxSysFileChange->Items().Count(), 3);

  user.answers = {mrOk};
  f.ButtonExec->Click();
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_EQ(user.boxes[0].title, "確認");
  EXPECT_EQ(user.boxes[0].text, "システムファイル属性の解除を行います");
  EXPECT_EQ(user.boxes[0].buttons, "OK|中止(&A)");
  EXPECT_EQ(user.boxes[1].title, "情報");
  EXPECT_EQ(user.boxes[1].text,
            "システムファイル属性の解除を行いました。\n解除したファイルのリストは\"" +
                SettingsFile() +
                "\"に保存されています。\nこれによりシステムファイル属性の復元で元に戻すことができます。");
  EXPECT_EQ(user.beeps, (std::vector<UINT>{MB_ICONQUESTION, MB_OK}));
  EXPECT_FALSE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(Attributes(root + "\\ソ表") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(Attributes(root + "\\ソ表\\能十.dat") & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Attributes(root + "\\deep\\er\\sys.bin") & FILE_ATTRIBUTE_SYSTEM);
  // The rescan shows only what was excluded.
  EXPECT_EQ(Lines(f.ListBoxSysFileChange), std::vector<String>{root + "\\deep\\er\\sys.bin"});

  TIniFile ini(SettingsFile());
  EXPECT_EQ(ini.ReadInteger("Vemtar", "Version", 0), 110);
  TStringList keys;
  ini.ReadSection("SystemFileList", keys);
  EXPECT_EQ(keys.Count(), 3);
  EXPECT_EQ(ini.ReadString("SystemFileList", root + "\\ソ表\\能十.dat", "?"), "0");

  // Page 3 lists the three; exclude one and reload brings it back.
  SwitchTo(f.TabSheetSysFileRestore);
  ASSERT_EQ(f.ListBoxSysFileRestore->Items().Count(), 3);
  EXPECT_TRUE(f.ButtonExec->Enabled());
  f.ListBoxSysFileRestore->SetSelected(0, true);
  f.ListBoxSysFileRestoreClick(nullptr);
  f.ButtonRestoreDelete->Click();
  EXPECT_EQ(f.ListBoxSysFileRestore->Items().Count(), 2);
  f.ButtonReload->Click();
  EXPECT_EQ(f.ListBoxSysFileRestore->Items().Count(), 3);

  user.boxes.clear();
  user.answers = {mrOk};
  f.ButtonExec->Click();
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_EQ(user.boxes[0].text, "システムファイル属性の復元を行います");
  EXPECT_EQ(user.boxes[1].text, "システムファイル属性の復元を行いました。");
  EXPECT_TRUE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(Attributes(root + "\\ソ表\\能十.dat") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(f.ListBoxSysFileRestore->Items().Count(), 0);
  EXPECT_FALSE(f.ButtonExec->Enabled());
  ini.ReadSection("SystemFileList", keys);
  EXPECT_EQ(keys.Count(), 0);
  // Page 2 scans again on its next visit.
  SwitchTo(f.TabSheetSysFileChange);
  EXPECT_EQ(f.ListBoxSysFileChange->Items().Count(), 4);
}

TEST_F(MainWindowTest, AbortChangesNothing) {
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
  user.answers = {mrAbort};
  f.ButtonExec->Click();
  EXPECT_EQ(user.boxes.size(), 1u);
  EXPECT_TRUE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(GetFileAttributesA(SettingsFile().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, PruningDropsRestoredAndVanishedEntries) {
  TIniFile ini(SettingsFile());
  const String gone = root + "\\gone.txt";
  const String back = root + "\\io.sys";  // still has its system bit
  const String needs = root + "\\plain.txt";
  for (const String& key : {gone, back, needs}) ini.WriteBool("SystemFileList", key, false);
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileRestore);
  EXPECT_EQ(Lines(f.ListBoxSysFileRestore), std::vector<String>{needs});
  TStringList keys;
  ini.ReadSection("SystemFileList", keys);
  EXPECT_EQ(keys.Count(), 1);
  EXPECT_EQ(keys.Get(0), needs);
}

TEST_F(MainWindowTest, UnwritableRecordChangesNothing) {
  // A directory where the settings file should be: no write can succeed.
  ASSERT_TRUE(CreateDirectoryA(SettingsFile().c_str(), nullptr));
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
  user.answers = {mrOk};
  f.ButtonExec->Click();
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_EQ(user.boxes[1].title, "ｴﾗｰ");
  EXPECT_TRUE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(Attributes(root + "\\ソ表") & FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(MainWindowTest, PathsAKeyCannotHoldAreLeftAlone) {
  tree.File("a=b.sys", "x", FILE_ATTRIBUTE_SYSTEM);
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
  user.answers = {mrOk};
  f.ButtonExec->Click();
  ASSERT_GE(user.boxes.size(), 3u);
  EXPECT_EQ(user.boxes[1].title, "ｴﾗｰ");
  EXPECT_NE(user.boxes[1].text.find(root + "\\a=b.sys"), String::npos);
  EXPECT_TRUE(Attributes(root + "\\a=b.sys") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_FALSE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(MainWindowTest, DiskToolsFoundByTheProgramSearch) {
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
  // Not found: an error box, nothing run.
  f.ButtonScanDisk->Click();
  ASSERT_EQ(user.boxes.size(), 1u);
  EXPECT_EQ(user.boxes[0].text, "スキャンディスクのプログラムが見つかりません。");
  EXPECT_EQ(user.beeps, std::vector<UINT>{MB_ICONEXCLAMATION});

  // The stand-ins in the current directory, which the search covers.
  String bin = Application().ExeName();
  bin.resize(FileNamePart(bin) - bin.c_str());
  bin += "..\\bin\\";
  TempDir work;
  const String log = work / "tools.log";
  SetEnvironmentVariableA("VEMTAR_STANDIN_LOG", log.c_str());
  SetCurrentDirectoryA(work.Path().c_str());
  ASSERT_TRUE(CopyFileA((bin + "SCANDSKW.EXE").c_str(), (work / "SCANDSKW.EXE").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((bin + "DEFRAG.EXE").c_str(), (work / "DEFRAG.EXE").c_str(), FALSE));
  user.boxes.clear();
  f.ButtonScanDisk->Click();
  EXPECT_TRUE(user.boxes.empty());
  EXPECT_EQ(ReadWholeFile(log), work / "SCANDSKW.EXE " + root + "\n");

  // The sequence: disk check yes, removal no, defragment yes, restore no.
  DeleteFileA(log.c_str());
  user.answers = {mrYes, mrNo, mrYes};
  f.ButtonDefrag->Click();
  EXPECT_EQ(ReadWholeFile(log),
            work / "SCANDSKW.EXE " + root + "\n" + work / "DEFRAG.EXE " + root + "\n");
  ASSERT_EQ(user.boxes.size(), 3u);
  EXPECT_EQ(user.boxes[0].buttons, "はい(&Y)|いいえ(&N)|中止(&A)");
  EXPECT_TRUE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
  SetEnvironmentVariableA("VEMTAR_STANDIN_LOG", nullptr);
  SetCurrentDirectoryA("C:\\");
}

TEST_F(MainWindowTest, DefragSequenceAnswers) {
  TMainForm& f = Open();
  SwitchTo(f.TabSheetSysFileChange);
  f.DriveComboBoxSysFile->SetDrive(static_cast<char>(tolower(drive->Letter())));
  // Abort at once: nothing else is asked.
  user.answers = {mrAbort};
  f.ButtonDefrag->Click();
  EXPECT_EQ(user.boxes.size(), 1u);

  // No, no, no: nothing external, the restore list reloaded (empty), rescan.
  user.boxes.clear();
  user.answers = {mrNo, mrNo, mrNo};
  f.ButtonDefrag->Click();
  ASSERT_EQ(user.boxes.size(), 3u);
  EXPECT_EQ(user.boxes[0].text, "デフラグを実行する前にスキャンディスクを実行しますか？");
  EXPECT_EQ(user.boxes[1].text, "リストにあるファイルのシステムファイル属性の解除を実行しますか？");
  EXPECT_EQ(user.boxes[2].text, "デフラグを実行しますか？");

  // No, yes (removal), no: the removal runs, then the restore is offered.
  user.boxes.clear();
  user.answers = {mrNo, mrYes, mrOk, mrNo, mrNo};
  f.ButtonDefrag->Click();
  ASSERT_EQ(user.boxes.size(), 5u);
  EXPECT_EQ(user.boxes[2].title, "情報");  // removal done
  EXPECT_EQ(user.boxes[4].text, "システムファイル属性の復元を実行しますか？");
  EXPECT_EQ(user.boxes[4].buttons, "はい(&Y)|いいえ(&N)");
  EXPECT_FALSE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(f.ListBoxSysFileChange->Items().Count(), 0);

  // With the list empty the removal is not offered; the defragmenter is
  // missing: its error, and the sequence goes on to the restore.
  user.boxes.clear();
  user.answers = {mrNo, mrYes, mrOk, mrYes};
  f.ButtonDefrag->Click();
  ASSERT_EQ(user.boxes.size(), 5u);
  EXPECT_EQ(user.boxes[2].text, "デフラグのプログラムが見つかりません。");
  EXPECT_EQ(user.boxes[4].title, "情報");  // restore done
  EXPECT_TRUE(Attributes(root + "\\io.sys") & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(f.ListBoxSysFileChange->Items().Count(), 4);
}
