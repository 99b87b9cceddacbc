// Page 1's preview: the list's column "変更後" shows each selected row as
// the run would leave it, follows the fields as they are typed, and marks
// what the run would refuse.
#include "tests/app/Page1Fixture.h"
#include "tests/helpers/Pump.h"

namespace {

class Page1Preview : public Page1Test {
protected:
  void MakeTree() override {
    tree.File("a.txt");
    tree.File("b.txt");
    tree.File("c.doc");
    tree.Dir("dir");
    tree.File("dir\\keep.txt");
  }
  // The preview's text of a row, as the window would be given it.
  String Preview(const char* name) {
    const int row = form->FileList->FindName(name);
    EXPECT_GE(row, 0) << name;
    EXPECT_EQ(form->FileList->ColumnCount(), kxvFileList::kOwnColumns + 1);
    if (row < 0 || form->FileList->ColumnCount() <= kxvFileList::kOwnColumns) return "(none)";
    return form->FileList->Text(row, kxvFileList::kOwnColumns);
  }
};

TEST_F(Page1Preview, FollowsThePatternTheStartNumberTheAttributesAndTheDate) {
  OpenOn();
  Select({"a.txt", "b.txt", "c.doc"});
  form->UpdatePreview();
  EXPECT_EQ(form->FileList->ColumnCount(), kxvFileList::kOwnColumns);  // nothing ticked
  Names("Sample%.2d.%2:s");
  form->UpdatePreview();
  EXPECT_EQ(form->FileList->ColumnCaption(kxvFileList::kOwnColumns), "変更後");
  EXPECT_EQ(Preview("a.txt"), "Sample00.txt");
  EXPECT_EQ(Preview("c.doc"), "Sample02.doc");
  EXPECT_EQ(Preview("dir"), "");  // not selected
  // Typing is followed once the window is idle, without being asked.
  const HWND start = form->EditIndex->Handle();
  SendMessageA(start, EM_SETSEL, 0, -1);
  SendMessageA(start, WM_CHAR, '9', 1);
  EXPECT_TRUE(PumpUntil([&] { return Preview("b.txt") == "Sample10.txt"; })) << Preview("b.txt");
  TickAttributes(true, false, false, true);
  Date("2020/01/02", "03:04:05");
  EXPECT_TRUE(PumpUntil([&] { return Preview("a.txt") == "Sample09.txt  RA  20/01/02 03:04:05"; }))
      << Preview("a.txt");
  // A re-listing keeps the column and the texts.
  form->FileList->UpdateList();
  EXPECT_TRUE(PumpUntil([&] { return Preview("c.doc") == "Sample11.doc  RA  20/01/02 03:04:05"; }))
      << Preview("c.doc");
  for (TCheckBox* box : {form->CheckBoxFileName, form->CheckBoxFAtr, form->CheckBoxFTime}) {
    box->SetChecked(false);
  }
  form->UpdatePreview();
  EXPECT_EQ(form->FileList->ColumnCount(), kxvFileList::kOwnColumns);
}

TEST_F(Page1Preview, CountsWhatTheRunEntersAndMarksWhatItWouldRefuse) {
  tree.File("Sample03.txt");
  OpenOn();
  // Directories come first: dir, then its keep.txt, then a.txt.
  Select({"dir", "a.txt", "b.txt"});
  TickAttributes(false, false, false, false);
  Names("Sample%.2d.%2:s");
  form->UpdatePreview();
  EXPECT_EQ(Preview("dir"), "Sample00  D");  // stored without the last dot
  EXPECT_EQ(Preview("a.txt"), "Sample02.txt  -");
  EXPECT_EQ(Preview("b.txt"), "×重複 Sample03.txt  -");
  // A name alone never goes below.
  form->CheckBoxFAtr->SetChecked(false);
  form->UpdatePreview();
  EXPECT_EQ(Preview("a.txt"), "Sample01.txt");
  // The run's own refusals, on every row.
  form->EditIndex->SetText("1,000");
  form->UpdatePreview();
  EXPECT_EQ(Preview("a.txt"), "×ファイル名の開始番号が正しくありません");
  form->EditIndex->SetText("0");
  form->EditFileName->SetText("");
  form->UpdatePreview();
  EXPECT_EQ(Preview("b.txt"), "×ファイル名が指定されていません");
  form->EditFileName->SetText("%s");
  form->UpdatePreview();
  EXPECT_EQ(Preview("b.txt").rfind("×", 0), 0u) << Preview("b.txt");
  Date("2020/02/30", "03:04:05");
  form->UpdatePreview();
  EXPECT_NE(Preview("a.txt").find("×日付または時刻が正しくありません"), String::npos);
}

}  // namespace
