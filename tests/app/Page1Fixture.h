// Page 1 driven as a user drives it: the directory, the rows, the ticks,
// "実行" and the file list's menu.
#pragma once

#include "tests/app/MainWindowFixture.h"

#include <commctrl.h>

// The entry's name as the disk spells it.
inline String NameOnDisk(const String& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return "";
  FindClose(find);
  return data.cFileName;
}

const DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
const DWORD kSystem = FILE_ATTRIBUTE_SYSTEM;
const DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;
// The attribute bits the page sets, as Wine keeps them: files always
// show the archive bit, directories only the hidden and system bits.
const DWORD kFileBits = kReadOnly | kHidden | kSystem;
const DWORD kDirBits = kHidden | kSystem | FILE_ATTRIBUTE_DIRECTORY;

class Page1Test : public MainWindowFixture {
protected:
  // Opens the window on the drive and lists dir (relative to the root).
  TMainForm& OpenOn(const String& dir = "") {
    TMainForm& f = Open();
    if (!dir.empty()) f.DirTree->SetDirectory(root + "\\" + dir);
    return f;
  }
  String Disk(const String& name) const { return root + "\\" + name; }

  kxvFileList* FileList() const { return form->FileList; }
  // Selects the rows of these names, and only them.
  void Select(std::initializer_list<const char*> names) {
    form->FileList->SelectClear();
    std::vector<int> rows;
    for (const char* name : names) {
      const int row = form->FileList->FindName(name);
      ASSERT_GE(row, 0) << name;
      rows.push_back(row);
    }
    form->FileList->SelectRows(rows);
  }
  std::vector<String> Captions() const {
    std::vector<String> captions;
    for (size_t i = 0; i < form->FileList->Items().size(); ++i) {
      captions.push_back(form->FileList->Caption(static_cast<int>(i)));
    }
    return captions;
  }
  std::vector<String> SelectedCaptions() const {
    std::vector<String> captions;
    for (int row = form->FileList->GetSelectedItem(-1); row >= 0;
         row = form->FileList->GetSelectedItem(row)) {
      captions.push_back(form->FileList->Caption(row));
    }
    return captions;
  }
  // The name change with its pattern and start number.
  void Names(const String& pattern, const String& start = "0") {
    form->CheckBoxFileName->SetChecked(true);
    form->EditFileName->SetText(pattern);
    form->EditIndex->SetText(start);
  }
  void TickAttributes(bool r, bool h, bool s, bool a) {
    form->CheckBoxFAtr->SetChecked(true);
    form->CheckBoxReadOnly->SetChecked(r);
    form->CheckBoxHidden->SetChecked(h);
    form->CheckBoxSystem->SetChecked(s);
    form->CheckBoxArchive->SetChecked(a);
  }
  void Date(const String& date, const String& time) {
    form->CheckBoxFTime->SetChecked(true);
    form->EditDate->SetText(date);
    form->EditTime->SetText(time);
  }
  // Presses "実行" as a click on the button window does: a disabled button
  // does nothing.
  void Run() { SendMessageA(form->ButtonExec->Handle(), BM_CLICK, 0, 0); }
  std::vector<String> Texts() const {
    std::vector<String> texts;
    for (const Box& box : user.boxes) texts.push_back(box.text);
    return texts;
  }
  // Opens the list's menu; pick chooses the item to click, or none.
  void Popup(const std::function<TMenuItem*()>& pick) {
    user.chooseMenuItem = [&](TPopupMenu& menu) {
      EXPECT_EQ(&menu, form->PopupMenuFileList);
      return pick();
    };
    SendMessageA(form->FileList->Handle(), WM_CONTEXTMENU,
                 reinterpret_cast<WPARAM>(form->FileList->Handle()), MAKELPARAM(-1, -1));
    user.chooseMenuItem = nullptr;
  }
  void Choose(TMenuItem* item) {
    Popup([item] { return item; });
  }
};
