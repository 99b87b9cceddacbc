// Page 1 driven as a user drives it: a directory chosen, rows selected,
// changes ticked, "実行" pressed and the boxes answered, then the disk
// looked at. Real files on a mapped drive, real list and tree windows.
#include "tests/app/Page1Fixture.h"

#include "lib/core/Datetime.h"
#include "lib/core/File.h"
#include "tests/helpers/Pump.h"

#include <commctrl.h>

namespace {

FILETIME LastWrite(const String& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

bool Same(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// The UTC file time of a local date and time, as the page makes it.
FILETIME LocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME fields{year, month, 0, day, hour, minute, second, 0};
  FILETIME local, utc;
  SystemTimeToFileTime(&fields, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

}  // namespace

// --- Options and the run rule ----------------------------------------------

class Page1Options : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("a.txt");
    tree.File("b.txt");
    tree.File("io.sys", "x", kSystem);
    tree.Dir("sub");
  }
};

TEST_F(Page1Options, StartUpShowsTheCurrentDriveAndGreyGroups) {
  const kxDateTime before;
  TMainForm& f = OpenOn();
  const kxDateTime after;
  EXPECT_EQ(f.FileList->Directory(), root + "\\");
  EXPECT_EQ(Captions(), (std::vector<String>{"sub", "a.txt", "b.txt", "io.sys"}));
  ASSERT_NE(f.DirTree->Selected(), nullptr);
  EXPECT_EQ(f.DirTree->Selected()->Text(), root);
  for (TGroupBox* group : {f.GroupBoxAtr, f.GroupBoxDate, f.GroupBoxFileName}) {
    EXPECT_FALSE(group->Enabled());
  }
  EXPECT_FALSE(f.EditIndex->Enabled());
  for (TCustomEdit* edit : {static_cast<TCustomEdit*>(f.EditDate), static_cast<TCustomEdit*>(f.EditTime),
                            static_cast<TCustomEdit*>(f.EditFileName),
                            static_cast<TCustomEdit*>(f.EditIndex)}) {
    EXPECT_EQ(edit->Color(), clBtnFace);
  }
  EXPECT_EQ(f.EditIndex->Text(), "0");
  EXPECT_EQ(f.EditFileName->Text(), "");
  EXPECT_TRUE(f.CheckBoxSubDir->Checked());
  EXPECT_TRUE(f.FileList->AutoUpdate());
  EXPECT_TRUE(f.DirTree->AutoUpdate());
  // The clock at start, in the locale's separators ("/" and ":" here).
  const String date = f.EditDate->Text(), time = f.EditTime->Text();
  EXPECT_TRUE(date == before.Date.Format("yyyy/mm/dd") || date == after.Date.Format("yyyy/mm/dd"))
      << date;
  kxTime shown;
  shown.FromText(time);
  EXPECT_EQ(time.size(), 8u);
  EXPECT_EQ(shown.Format("hh:nn:ss"), time);
  EXPECT_FALSE(f.ButtonExec->Enabled());
}

TEST_F(Page1Options, ExecNeedsSelectedRowsAndOneTickedChange) {
  TMainForm& f = OpenOn();
  Select({"a.txt"});
  EXPECT_FALSE(f.ButtonExec->Enabled());
  f.CheckBoxFTime->SetChecked(true);
  EXPECT_TRUE(f.ButtonExec->Enabled());
  EXPECT_TRUE(f.GroupBoxDate->Enabled());
  EXPECT_EQ(f.EditDate->Color(), clWindow);
  f.CheckBoxFTime->SetChecked(false);
  EXPECT_FALSE(f.ButtonExec->Enabled());
  f.CheckBoxFAtr->SetChecked(true);
  EXPECT_TRUE(f.GroupBoxAtr->Enabled());
  EXPECT_TRUE(IsWindowEnabled(f.CheckBoxHidden->Handle()));
  EXPECT_TRUE(f.ButtonExec->Enabled());
  f.CheckBoxFileName->SetChecked(true);
  EXPECT_TRUE(f.EditIndex->Enabled());
  EXPECT_EQ(f.EditFileName->Color(), clWindow);
  EXPECT_EQ(f.EditIndex->Color(), clWindow);
  // Select all, then invert: nothing left to change.
  Choose(f.KSelectAll);
  EXPECT_EQ(f.FileList->SelCount(), 4);
  Choose(f.KSelectChange);
  EXPECT_EQ(f.FileList->SelCount(), 0);
  EXPECT_FALSE(f.ButtonExec->Enabled());
}

TEST_F(Page1Options, AListRefreshedBehindAnotherPageLeavesThatPagesButtonAlone) {
  TMainForm& f = OpenOn();
  SwitchTo(f.TabSheetSysFileChange);
  ASSERT_FALSE(Lines(f.ListBoxSysFileChange).empty());  // io.sys
  ASSERT_TRUE(f.ButtonExec->Enabled());
  // The watcher re-reads the list: a new file made by someone else.
  tree.File("new.txt");
  ASSERT_TRUE(PumpUntil([&] { return f.FileList->FindName("new.txt") >= 0; }));
  f.FileList->SelectClear();
  EXPECT_TRUE(f.ButtonExec->Enabled());
  SwitchTo(f.TabSheetAtrChange);
  EXPECT_FALSE(f.ButtonExec->Enabled());
}

// --- Attributes and dates --------------------------------------------------

class Page1Change : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("hs.bin", "x", kHidden | kSystem);
    tree.File("ro.txt", "x", kReadOnly);
    tree.File("plain.txt");
    tree.Dir("d1", kHidden);
    tree.File("d1\\inner.txt", "x", kSystem);
    tree.File("d1\\deeper\\leaf.txt", "x", kReadOnly);
    tree.Dir("d2");
    tree.Dir("d3");
  }
};

TEST_F(Page1Change, AttributesReplaceTheFourBitsOfEverySelectedEntryAndBelow) {
  OpenOn();
  Select({"hs.bin", "d1"});
  TickAttributes(true, false, true, true);
  Run();
  ASSERT_EQ(Texts(), std::vector<String>{"選択したファイルの属性を変更します"});
  EXPECT_EQ(user.boxes[0].buttons, "OK|中止(&A)");
  EXPECT_EQ(Attributes(Disk("hs.bin")) & kFileBits, kReadOnly | kSystem);
  EXPECT_EQ(Attributes(Disk("d1")) & kDirBits, kSystem | FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(Attributes(Disk("d1\\deeper")) & kDirBits, kSystem | FILE_ATTRIBUTE_DIRECTORY);
  for (const char* below : {"d1\\inner.txt", "d1\\deeper\\leaf.txt"}) {
    EXPECT_EQ(Attributes(Disk(below)) & kFileBits, kReadOnly | kSystem) << below;
  }
  EXPECT_EQ(Attributes(Disk("plain.txt")) & kFileBits, 0u);  // not selected
  // The list shows the new attributes and keeps the selection.
  EXPECT_EQ(SelectedCaptions(), (std::vector<String>{"d1", "hs.bin"}));
  EXPECT_EQ(kxvFileList::AttributeText(FileList()->Entry(FileList()->FindName("hs.bin")).Attributes),
            kxvFileList::AttributeText(Attributes(Disk("hs.bin"))));
  EXPECT_TRUE(FileList()->AutoUpdate());

  // Without descent only the directory itself changes.
  form->CheckBoxSubDir->SetChecked(false);
  TickAttributes(false, true, false, false);
  Run();
  EXPECT_EQ(Attributes(Disk("d1")) & kDirBits, kHidden | FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(Attributes(Disk("d1\\inner.txt")) & kFileBits, kReadOnly | kSystem);
}

TEST_F(Page1Change, AbortInTheQuestionChangesNothing) {
  OpenOn();
  Select({"hs.bin"});
  TickAttributes(false, false, false, true);
  user.answers = {mrAbort};
  Run();
  EXPECT_EQ(user.boxes.size(), 1u);
  EXPECT_EQ(Attributes(Disk("hs.bin")) & kFileBits, kHidden | kSystem);
}

TEST_F(Page1Change, DateOnAReadOnlyFileSetsOnlyTheLastWriteTimeAndKeepsItReadOnly) {
  OpenOn();
  WIN32_FILE_ATTRIBUTE_DATA before{};
  GetFileAttributesExA(Disk("ro.txt").c_str(), GetFileExInfoStandard, &before);
  Select({"ro.txt"});
  Date("1998/12/07", "04:05:09");
  Run();
  EXPECT_EQ(Texts(), std::vector<String>{"選択したファイルの日付を変更します"});
  WIN32_FILE_ATTRIBUTE_DATA after{};
  GetFileAttributesExA(Disk("ro.txt").c_str(), GetFileExInfoStandard, &after);
  EXPECT_TRUE(Same(after.ftLastWriteTime, LocalTime(1998, 12, 7, 4, 5, 9)));
  // (Wine keeps no creation time: it shows the earlier of the others.)
  EXPECT_TRUE(Same(after.ftLastAccessTime, before.ftLastAccessTime));
  EXPECT_TRUE(after.dwFileAttributes & kReadOnly);
  // The list shows the new date.
  const int row = form->FileList->FindName("ro.txt");
  EXPECT_TRUE(Same(form->FileList->Entry(row).LastWriteTime, after.ftLastWriteTime));
}

TEST_F(Page1Change, DirectoriesGiveOneDateBoxPerRunAndTheRunGoesOn) {
  OpenOn();
  Select({"d1", "d2", "d3", "plain.txt"});
  form->CheckBoxSubDir->SetChecked(false);
  Date("2001/02/03", "10:20:30");
  Run();
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_EQ(user.boxes[1].text, Disk("d1") + "\nディレクトリの日付は変更できません");
  EXPECT_EQ(user.beeps, (std::vector<UINT>{MB_ICONQUESTION, MB_ICONEXCLAMATION}));
  EXPECT_TRUE(Same(LastWrite(Disk("plain.txt")), LocalTime(2001, 2, 3, 10, 20, 30)));
  // The next run warns again, once.
  Run();
  EXPECT_EQ(user.boxes.size(), 4u);
}

TEST_F(Page1Change, ADateThePlatformCannotTakeIsRefusedBeforeTheQuestion) {
  OpenOn();
  const FILETIME before = LastWrite(Disk("plain.txt"));
  Select({"plain.txt"});
  for (const char* date : {"2026/02/30", "1500/01/01", "x"}) {
    user.boxes.clear();
    Date(date, "10:00:00");
    Run();
    EXPECT_EQ(Texts(), std::vector<String>{"ファイルの日付または時刻が正しくありません"}) << date;
  }
  for (const char* time : {"25:00:00", "265:00:00"}) {  // 265 is not 9 nor midnight
    user.boxes.clear();
    Date("2026/01/01", time);
    Run();
    EXPECT_EQ(Texts(), std::vector<String>{"ファイルの日付または時刻が正しくありません"}) << time;
  }
  EXPECT_TRUE(Same(LastWrite(Disk("plain.txt")), before));
}

TEST_F(Page1Change, AllThreeChangesOnOneEntry) {
  OpenOn();
  Select({"plain.txt"});
  TickAttributes(false, true, false, false);
  Date("2010/05/06", "07:08:09");
  Names("%1:s.bak");
  Run();
  EXPECT_EQ(Texts(), std::vector<String>{"選択したファイルの属性と日付と名前を変更します"});
  EXPECT_FALSE(Exists(Disk("plain.txt")));
  EXPECT_EQ(Attributes(Disk("plain.bak")) & kFileBits, kHidden);
  EXPECT_TRUE(Same(LastWrite(Disk("plain.bak")), LocalTime(2010, 5, 6, 7, 8, 9)));
  EXPECT_EQ(SelectedCaptions(), std::vector<String>{});  // the old name went
  EXPECT_GE(form->FileList->FindName("plain.bak"), 0);
}

// --- Names -----------------------------------------------------------------

class Page1Names : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("a.txt");
    tree.File("b.txt");
    tree.File("c.doc");
    tree.File("README");
    tree.File(".profile");
    tree.Dir("dir");
    tree.File("dir\\keep.txt");
    tree.File("50%\\x.txt");
    tree.File("50%\\y.txt");
  }
};

TEST_F(Page1Names, APatternNumbersTheSelectedRowsInRowOrder) {
  OpenOn();
  Select({"c.doc", "a.txt", "b.txt"});
  Names("Sample%.2d.%2:s");
  Run();
  EXPECT_EQ(Texts(), std::vector<String>{"選択したファイルの名前を変更します"});
  for (const char* name : {"Sample00.txt", "Sample01.txt", "Sample02.doc"}) {
    EXPECT_TRUE(Exists(Disk(name))) << name;
  }
  // The start number 9, on the new names.
  Select({"Sample00.txt", "Sample01.txt", "Sample02.doc"});
  Names("Sample%.2d.%2:s", "9");
  Run();
  for (const char* name : {"Sample09.txt", "Sample10.txt", "Sample11.doc"}) {
    EXPECT_TRUE(Exists(Disk(name))) << name;
  }
  EXPECT_EQ(form->EditIndex->Text(), "9");  // the run leaves the field alone
}

TEST_F(Page1Names, BaseNameAndExtensionFollowTheLastDot) {
  OpenOn();
  Select({"README", ".profile"});
  Names("[%1:s][%2:s]");
  Run();
  EXPECT_TRUE(Exists(Disk("[][profile]")));
  EXPECT_TRUE(Exists(Disk("[README][]")));
}

TEST_F(Page1Names, APercentSignInTheDirectoryIsPartOfTheName) {
  OpenOn("50%");
  ASSERT_EQ(form->FileList->Directory(), Disk("50%\\"));
  Select({"x.txt", "y.txt"});
  Names("n%d.%2:s", "1");
  Run();
  EXPECT_EQ(Texts(), std::vector<String>{"選択したファイルの名前を変更します"});
  EXPECT_TRUE(Exists(Disk("50%\\n1.txt")));
  EXPECT_TRUE(Exists(Disk("50%\\n2.txt")));
}

TEST_F(Page1Names, ANameThatExistsAsksOkGoesOnAbortStops) {
  // A name into another directory is left to the move, which finds it
  // taken there.
  tree.File("dir\\Sample01.txt");
  OpenOn();
  Select({"a.txt", "b.txt", "c.doc"});
  form->CheckBoxFAtr->SetChecked(true);
  form->CheckBoxHidden->SetChecked(true);
  Names("dir\\Sample%.2d.%2:s");
  Run();  // OK to everything
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_EQ(user.boxes[1].text, Disk("b.txt") + "は" + Disk("dir\\Sample01.txt") +
                                    "が既にあるために名前を変更できません");
  EXPECT_EQ(user.boxes[1].buttons, "OK|中止(&A)");
  EXPECT_TRUE(Exists(Disk("dir\\Sample00.txt")));
  EXPECT_TRUE(Exists(Disk("dir\\Sample02.doc")));  // the number went on
  EXPECT_TRUE(Attributes(Disk("b.txt")) & kHidden);  // the old name still changed
  EXPECT_FALSE(Attributes(Disk("dir\\Sample01.txt")) & kHidden);

  // Abort at the first collision: nothing after it happens.
  user.boxes.clear();
  tree.File("README.txt");
  form->FileList->UpdateList();
  Select({"b.txt", "README.txt"});
  Names("dir\\Sample%.2d.%2:s", "1");
  user.answers = {mrOk, mrAbort};
  form->CheckBoxHidden->SetChecked(false);
  Run();
  EXPECT_EQ(user.boxes.size(), 2u);
  EXPECT_TRUE(Attributes(Disk("b.txt")) & kHidden);
  EXPECT_TRUE(Exists(Disk("README.txt")));
  EXPECT_TRUE(form->FileList->AutoUpdate());
}

TEST_F(Page1Names, NamesTheMovesWouldFindTakenAreRefusedBeforeTheQuestion) {
  tree.File("b.bak");  // nobody renames it
  tree.File("dir\\x.txt");  // below the directory the run enters, two
  tree.File("dir\\x.doc");  // entries that would get the same name
  OpenOn();
  Select({"a.txt", "b.txt", "dir"});
  TickAttributes(false, true, false, false);
  Names("%1:s.bak");
  Run();
  ASSERT_EQ(user.boxes.size(), 1u);
  EXPECT_EQ(user.boxes[0].title, "ｴﾗｰ");
  const String& text = user.boxes[0].text;
  EXPECT_EQ(text.rfind("次の項目の新しい名前が他の項目と重なるため、何も変更しませんでした。\n", 0), 0u)
      << text;
  EXPECT_NE(text.find(Disk("b.txt") + "（→ b.bak）"), String::npos) << text;
  EXPECT_NE(text.find(Disk("dir\\x.txt") + "（→ x.bak）"), String::npos) << text;
  EXPECT_NE(text.find(Disk("dir\\x.doc") + "（→ x.bak）"), String::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  for (const char* name : {"a.txt", "b.txt", "dir", "dir\\keep.txt"}) {
    EXPECT_EQ(Attributes(Disk(name)) & kHidden, 0u) << name;
  }
  EXPECT_FALSE(Exists(Disk("a.bak")));
  // Without the attributes the run does not go below: the rows alone.
  user.boxes.clear();
  form->CheckBoxFAtr->SetChecked(false);
  Run();
  ASSERT_EQ(user.boxes.size(), 1u);
  EXPECT_EQ(std::count(user.boxes[0].text.begin(), user.boxes[0].text.end(), '\n'), 1);
}

TEST_F(Page1Names, ANameChangeAloneNeverDescends) {
  OpenOn();
  Select({"dir"});
  ASSERT_TRUE(form->CheckBoxSubDir->Checked());
  Names("new%1:s");
  Run();
  EXPECT_TRUE(Exists(Disk("newdir\\keep.txt")));
}

TEST_F(Page1Names, BadPatternsAndStartNumbersChangeNothing) {
  OpenOn();
  Select({"a.txt"});
  Names("");
  Run();
  EXPECT_EQ(Texts(), std::vector<String>{"ファイル名が指定されていません"});
  EXPECT_EQ(user.beeps, std::vector<UINT>{MB_ICONEXCLAMATION});
  for (const char* start : {"1,000", "", "-", "+"}) {
    user.boxes.clear();
    Names("x%d", start);
    Run();
    EXPECT_EQ(Texts(), std::vector<String>{"ファイル名の開始番号が正しくありません"}) << start;
  }
  // A pattern the format rejects ends the run with the format's error; the
  // list is refreshed and watches again.
  user.boxes.clear();
  Names("%s", "0");
  Run();
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_NE(user.boxes[1].text, "");
  EXPECT_TRUE(form->FileList->AutoUpdate());
  EXPECT_TRUE(Exists(Disk("a.txt")));
}

// --- The file list's commands ----------------------------------------------

class Page1Commands : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("readme.txt");
    tree.File("LOUD.TXT");
    tree.File("other.txt");
    tree.File("gone\\ro.txt", "x", kReadOnly);
    tree.File("gone\\deep\\ro2.txt", "x", kReadOnly);
  }
};

TEST_F(Page1Commands, TheMenuEnablesWhatTheSelectionAllows) {
  TMainForm& f = OpenOn();
  Popup([&] {
    EXPECT_FALSE(f.KRen->Enabled());
    EXPECT_FALSE(f.KDelete->Enabled());
    EXPECT_FALSE(f.KSelectClear->Enabled());
    for (TMenuItem* item : {f.KSelectAll, f.KSelectChange, f.KSort, f.KRefresh}) {
      EXPECT_TRUE(item->Enabled()) << item->Caption();
    }
    return nullptr;
  });
  Select({"readme.txt", "other.txt"});
  Popup([&] {
    EXPECT_TRUE(f.KRen->Enabled());
    EXPECT_TRUE(f.KRenameUpper->Enabled());
    EXPECT_TRUE(f.KRenameLower->Enabled());
    EXPECT_FALSE(f.KRename->Enabled());
    EXPECT_TRUE(f.KDelete->Enabled());
    return nullptr;
  });
  Select({"readme.txt"});
  Popup([&] {
    EXPECT_TRUE(f.KRename->Enabled());
    return nullptr;
  });
  Choose(f.KSelectClear);
  EXPECT_EQ(f.FileList->SelCount(), 0);
}

TEST_F(Page1Commands, SortMarksFollowTheMenuAndTheColumnHeader) {
  TMainForm& f = OpenOn();
  // The first opening corrects the marks to the list's order.
  Popup([&] {
    EXPECT_TRUE(f.KSortName->Checked());
    EXPECT_FALSE(f.KSortNone->Checked());
    EXPECT_TRUE(f.KSortForward->Checked());
    return nullptr;
  });
  Choose(f.KSortBackward);
  EXPECT_TRUE(f.FileList->SortDirection());
  EXPECT_EQ(Captions().front(), "readme.txt");
  EXPECT_TRUE(f.KSortBackward->Checked());
  EXPECT_FALSE(f.KSortForward->Checked());
  Choose(f.KSortExt);
  EXPECT_EQ(f.FileList->SortType(), fstExt);
  EXPECT_TRUE(f.KSortExt->Checked());
  EXPECT_FALSE(f.KSortName->Checked());

  // A click on the name column's header: name order, then the other way.
  HWND header = reinterpret_cast<HWND>(SendMessageA(f.FileList->Handle(), LVM_GETHEADER, 0, 0));
  RECT r{};
  SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(f.FileList->SortType(), fstName);
  EXPECT_TRUE(f.KSortName->Checked());
  const bool descending = f.FileList->SortDirection();
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(f.FileList->SortDirection(), !descending);
  Popup([&] {
    EXPECT_EQ(f.KSortBackward->Checked(), !descending);
    EXPECT_EQ(f.KSortForward->Checked(), descending);
    return nullptr;
  });
}

TEST_F(Page1Commands, UpperAndLowerCaseChangeTheNamesOnDisk) {
  TMainForm& f = OpenOn();
  Select({"readme.txt", "LOUD.TXT"});
  Choose(f.KRenameUpper);
  EXPECT_TRUE(user.boxes.empty());  // the name already upper goes through too
  EXPECT_EQ(NameOnDisk(Disk("readme.txt")), "README.TXT");
  EXPECT_EQ(NameOnDisk(Disk("loud.txt")), "LOUD.TXT");
  EXPECT_EQ(SelectedCaptions(), (std::vector<String>{"LOUD.TXT", "README.TXT"}));
  Choose(f.KRenameLower);
  EXPECT_EQ(NameOnDisk(Disk("readme.txt")), "readme.txt");
  EXPECT_EQ(NameOnDisk(Disk("loud.txt")), "loud.txt");
  // No temporary name is left behind.
  EXPECT_EQ(Captions(), (std::vector<String>{"gone", "loud.txt", "other.txt", "readme.txt"}));
}

TEST_F(Page1Commands, EditingACaptionRenamesOrKeepsTheOldName) {
  TMainForm& f = OpenOn();
  f.FileList->SetFocus();
  Select({"other.txt"});
  // Ends the in-place edit with the given text.
  auto edit = [&](const char* text) {
    Choose(f.KRename);
    HWND editor = reinterpret_cast<HWND>(SendMessageA(f.FileList->Handle(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(editor, nullptr);
    SetWindowTextA(editor, text);
    SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  };
  edit("readme.txt");
  ASSERT_EQ(Texts(), std::vector<String>{Disk("other.txt") + "は" + Disk("readme.txt") +
                                         "が既にあるために名前を変更できません"});
  EXPECT_TRUE(Exists(Disk("other.txt")));
  EXPECT_GE(f.FileList->FindName("other.txt"), 0);
  edit("新しい.txt");
  EXPECT_EQ(user.boxes.size(), 1u);
  EXPECT_FALSE(Exists(Disk("other.txt")));
  EXPECT_TRUE(Exists(Disk("新しい.txt")));
  EXPECT_TRUE(PumpUntil([&] { return f.FileList->FindName("新しい.txt") >= 0; }));
}

TEST_F(Page1Commands, DeleteAsksThenRemovesEverythingBelowReadOnlyIncluded) {
  TMainForm& f = OpenOn();
  Select({"gone"});
  user.answers = {mrAbort};
  Choose(f.KDelete);
  EXPECT_EQ(Texts(), std::vector<String>{"goneを削除します"});
  EXPECT_TRUE(Exists(Disk("gone\\ro.txt")));
  Choose(f.KDelete);
  EXPECT_FALSE(Exists(Disk("gone")));
  EXPECT_EQ(f.FileList->FindName("gone"), -1);

  user.boxes.clear();
  Select({"readme.txt", "other.txt"});
  Choose(f.KDelete);
  EXPECT_EQ(Texts(), std::vector<String>{"選択したファイルを削除します"});
  EXPECT_EQ(Captions(), std::vector<String>{"LOUD.TXT"});
  EXPECT_TRUE(f.FileList->AutoUpdate());
}

TEST_F(Page1Commands, RefreshReadsTheDiskAgain) {
  TMainForm& f = OpenOn();
  f.FileList->SetAutoUpdate(false);
  tree.File("late.txt");
  tree.Dir("later");
  Choose(f.KRefresh);
  EXPECT_GE(f.FileList->FindName("late.txt"), 0);
  EXPECT_NE(f.DirTree->GetNode(Disk("later")), nullptr);
}

// --- Links -----------------------------------------------------------------

class Page1Links : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("outside\\victim.txt");
    tree.File("chosen\\own.txt");
  }
};

TEST_F(Page1Links, DescentDoesNotFollowDirectoryLinks) {
  ASSERT_TRUE(MakeLink(tree / "outside", tree / "chosen\\link"));
  OpenOn();
  Select({"chosen"});
  form->CheckBoxFAtr->SetChecked(true);
  form->CheckBoxReadOnly->SetChecked(true);
  Run();
  EXPECT_TRUE(Attributes(Disk("chosen\\own.txt")) & kReadOnly);
  EXPECT_FALSE(Attributes(Disk("outside\\victim.txt")) & kReadOnly);
}

// --- The keyboard ------------------------------------------------------------

namespace {

// The names of the controls Tab reaches, from start, once round.
std::vector<String> TabRound(TWinControl* start) {
  std::vector<String> names;
  start->SetFocus();
  for (int i = 0; i < 40; ++i) {
    MSG key{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(TApplication::TabKey(key));
    TWinControl* focused = TWinControl::FromHandle(GetFocus());
    if (!focused || focused == start) break;
    names.push_back(focused->Name());
  }
  return names;
}

}  // namespace

TEST_F(Page1Options, TabReachesEveryUsableControlInTheLayoutsOrder) {
  TMainForm& f = OpenOn();
  EXPECT_EQ(TabRound(f.DirTree),
            (std::vector<String>{"FileList", "CheckBoxFAtr", "CheckBoxFTime", "CheckBoxFileName",
                                 "CheckBoxSubDir", "ButtonClose", "ButtonHelp", "PageControl"}));
  // Ticked groups and a selection open their controls to the keyboard.
  f.CheckBoxFAtr->SetChecked(true);
  f.CheckBoxFileName->SetChecked(true);
  Select({"a.txt"});
  EXPECT_EQ(TabRound(f.DirTree),
            (std::vector<String>{"FileList", "CheckBoxFAtr", "CheckBoxReadOnly", "CheckBoxHidden",
                                 "CheckBoxSystem", "CheckBoxArchive", "CheckBoxFTime",
                                 "CheckBoxFileName", "EditFileName", "EditIndex", "CheckBoxSubDir",
                                 "ButtonExec", "ButtonClose", "ButtonHelp", "PageControl"}));
  // Shift+Tab goes the other way.
  f.SelectNext(f.FileList, false);
  EXPECT_EQ(TWinControl::FromHandle(GetFocus()), f.DirTree);
  f.SelectNext(f.DirTree, false);
  EXPECT_EQ(TWinControl::FromHandle(GetFocus()), f.PageControl);

  // Page 2: the drive, its buttons and list, the tools.
  SwitchTo(f.TabSheetSysFileChange);
  EXPECT_EQ(TabRound(f.PageControl),
            (std::vector<String>{"DriveComboBoxSysFile", "ButtonSearch", "ListBoxSysFileChange",
                                 "ButtonScanDisk", "ButtonDefrag", "ButtonExec", "ButtonClose",
                                 "ButtonHelp"}));
}

TEST_F(Page1Options, CtrlTabTurnsThePagesAsAClickOnTheTab) {
  TMainForm& f = OpenOn();
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  f.DirTree->SetFocus();
  MSG key{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(TApplication::TabKey(key));
  // Page 2 prepared itself: its drive scanned, the run button its own.
  EXPECT_EQ(f.PageControl->ActivePage(), f.TabSheetSysFileChange);
  EXPECT_EQ(Lines(f.ListBoxSysFileChange), std::vector<String>{root + "\\io.sys"});
  EXPECT_TRUE(f.ButtonExec->Enabled());
  key.hwnd = GetFocus();
  TApplication::TabKey(key);
  TApplication::TabKey(key);
  EXPECT_EQ(f.PageControl->ActivePage(), f.TabSheetVersion);
  EXPECT_FALSE(f.ButtonExec->Enabled());
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  TApplication::TabKey(key);
  keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(f.PageControl->ActivePage(), f.TabSheetSysFileRestore);
}

TEST_F(Page1Options, EnterOnATreeNodeOpensItsDirectory) {
  TMainForm& f = OpenOn();
  TTreeNode* sub = f.DirTree->GetNode(root + "\\sub");
  ASSERT_NE(sub, nullptr);
  // Arrows move the selection only.
  static_cast<TCustomTreeView*>(f.DirTree)->SetSelected(sub);
  EXPECT_EQ(f.FileList->Directory(), root + "\\");
  f.DirTree->SetFocus();
  SendMessageA(f.DirTree->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(f.FileList->Directory(), root + "\\sub\\");
  MSG enter{f.DirTree->Handle(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(SendMessageA(f.DirTree->Handle(), WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
              DLGC_WANTMESSAGE);
}
