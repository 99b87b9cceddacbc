#include "framework/FileCtrl.h"

#include "framework/Forms.h"

#include <gtest/gtest.h>

namespace {

class DriveComboTest : public ::testing::Test {
protected:
  DriveComboTest() {
    combo->SetParent(&form);
    combo->OnChange = [this](TObject*) { changes += combo->Drive(); };
  }

  // The first two bytes of the selected line: "c:".
  String SelectedDrive() {
    char text[MAX_PATH] = "";
    LRESULT selected = SendMessageA(combo->Handle(), CB_GETCURSEL, 0, 0);
    SendMessageA(combo->Handle(), CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
    return String(text).substr(0, 2);
  }
  // The user picks the line of drive in the drop-down list.
  void UserPicks(char drive) {
    combo->HandleNeeded();
    for (int i = 0; i < combo->Items().Count(); ++i) {
      if (combo->Items().Get(i)[0] != drive) continue;
      SendMessageA(combo->Handle(), CB_SETCURSEL, i, 0);
      SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(combo->ControlId(), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo->Handle()));
    }
  }

  TForm form{nullptr};
  TDriveComboBox* combo = new TDriveComboBox(&form);
  String changes;
};

}  // namespace

TEST_F(DriveComboTest, ListsEveryDriveWithItsLabel) {
  combo->HandleNeeded();
  const TStringList& items = combo->Items();
  ASSERT_EQ(items.Count(), __builtin_popcount(GetLogicalDrives()));
  ASSERT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), items.Count());
  String letters;
  for (int i = 0; i < items.Count(); ++i) {
    const String line = items.Get(i);
    EXPECT_TRUE(line.size() >= 2 && line[1] == ':' && (line.size() == 2 || line[2] == ' '))
        << line;
    letters += line[0];
  }
  EXPECT_NE(letters.find('c'), String::npos) << letters;
  EXPECT_NE(letters.find('z'), String::npos) << letters;
  char label[MAX_PATH] = "";
  GetVolumeInformationA("C:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(items.Get(letters.find('c')), label[0] ? "c: [" + String(label) + "]" : "c:");
}

TEST_F(DriveComboTest, StartsOnTheCurrentDirectorysDrive) {
  char dir[MAX_PATH];
  GetCurrentDirectoryA(sizeof dir, dir);
  EXPECT_EQ(combo->Drive(), static_cast<char>(tolower(dir[0])));
  EXPECT_EQ(SelectedDrive(), String(1, combo->Drive()) + ":");
}

TEST_F(DriveComboTest, SetDriveSelectsAndFiresOnChangeButIgnoresUnknownDrives) {
  combo->SetDrive('c');
  changes.clear();
  combo->SetDrive('Z');
  EXPECT_EQ(combo->Drive(), 'z');
  EXPECT_EQ(SelectedDrive(), "z:");
  combo->SetDrive('z');  // unchanged: no event
  EXPECT_EQ(changes, "z");

  char missing = 'y';
  while (missing > 'c' && (GetLogicalDrives() & (1u << (missing - 'a')))) --missing;
  ASSERT_GT(missing, 'c');
  combo->SetDrive(missing);
  combo->SetDrive('1');
  EXPECT_EQ(combo->Drive(), 'z');
  EXPECT_EQ(SelectedDrive(), "z:");
  EXPECT_EQ(changes, "z");
}

TEST_F(DriveComboTest, UserPickFiresOnChangeWithTheNewDrive) {
  combo->SetDrive('c');
  changes.clear();
  UserPicks('z');
  UserPicks('z');  // the same line again
  EXPECT_EQ(changes, "z");
}

TEST_F(DriveComboTest, RecreateAndRebuildKeepTheDrive) {
  UserPicks('c');
  combo->RecreateWnd();
  EXPECT_EQ(SelectedDrive(), "c:");
  combo->BuildList();
  EXPECT_EQ(SelectedDrive(), "c:");
  // A selection the window made on its own is read back.
  SendMessageA(combo->Handle(), CB_SETCURSEL, combo->Items().Count() - 1, 0);  // z:, the last
  combo->RecreateWnd();
  EXPECT_EQ(combo->Drive(), 'z');
}

TEST_F(DriveComboTest, NoDiskWorkWhileLoading) {
  combo->BeginLoad();
  combo->HandleNeeded();
  EXPECT_EQ(combo->Items().Count(), 0);
  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), 0);
  combo->EndLoad();
  EXPECT_EQ(combo->Items().Count(), __builtin_popcount(GetLogicalDrives()));
  EXPECT_EQ(SelectedDrive(), String(1, combo->Drive()) + ":");
}
