// The main window driven in this process: real windows, a real settings
// file beside the test program, real files on a mapped drive (the current
// drive while a test runs), real child processes. Dialogs, beeps, help
// requests and popup menus go to a scripted seam.
#pragma once

#include "app/main_window.h"
#include "lib/core/File.h"
#include "tests/helpers/MappedDrive.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

struct Box {
  String title, text, buttons;
};

// Answers boxes from a script (OK when it runs out) and records everything.
class ScriptedUser : public TUserSeam {
public:
  std::deque<int> answers;
  std::vector<Box> boxes;
  std::vector<UINT> beeps;
  std::vector<UINT> helpCommands;
  String helpFile;
  // Picks from a popup menu; none closes it unused.
  std::function<TMenuItem*(TPopupMenu&)> chooseMenuItem;

  int Answer(const String& title, const String& text, const String& buttons) override {
    boxes.push_back({title, text, buttons});
    if (answers.empty()) return mrOk;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Beep(UINT type) override { beeps.push_back(type); }
  void Help(const String& file, UINT command, ULONG_PTR) override {
    helpFile = file;
    helpCommands.push_back(command);
  }
  TMenuItem* ChooseMenuItem(TPopupMenu& menu, int, int) override {
    return chooseMenuItem ? chooseMenuItem(menu) : nullptr;
  }
};

inline String SettingsFile() {
  String name = Application().ExeName();
  ChangeExtension(name, "INI");
  return name;
}

// Page 1's journal beside the test program.
inline String JournalFile() {
  String name = Application().ExeName();
  ChangeExtension(name, "LOG");
  return name;
}

inline DWORD Attributes(const String& path) { return GetFileAttributesA(path.c_str()); }

class MainWindowFixture : public ::testing::Test {
protected:
  // The files of the mapped drive.
  virtual void MakeTree() {}

  void SetUp() override {
    RemoveSettings();
    Application().SetUserSeam(&user);
    MakeTree();
    drive = std::make_unique<MappedDrive>(tree.Path());
    ASSERT_TRUE(drive->Ok());
    root = drive->Drive();
    SetCurrentDirectoryA((root + "\\").c_str());
  }
  void TearDown() override {
    form.reset();
    SetCurrentDirectoryA("C:\\");
    drive.reset();
    Application().SetUserSeam(nullptr);
    RemoveSettings();
  }
  // A test may have put a directory where the settings file goes: gone
  // whatever the test's outcome, or every later test would meet it.
  static void RemoveSettings() {
    for (const String& file : {SettingsFile(), JournalFile()}) {
      DeleteFileA(file.c_str());
      RemoveDirectoryA(file.c_str());
    }
  }
  // Builds the window as the program does and fires its create event.
  TMainForm& Open() {
    form = std::make_unique<TMainForm>(nullptr);
    form->AfterConstruction();
    return *form;
  }
  std::vector<String> Lines(TListBox* list) {
    std::vector<String> lines;
    for (int i = 0; i < list->Items().Count(); ++i) lines.push_back(list->Items().Get(i));
    return lines;
  }
  void SwitchTo(TTabSheet* sheet) {
    form->PageControl->SetActivePage(sheet);
    form->PageControlChange(form->PageControl);
  }

  ScriptedUser user;
  TempDir tree;
  std::unique_ptr<MappedDrive> drive;
  String root;
  std::unique_ptr<TMainForm> form;
};
