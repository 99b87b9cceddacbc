#include "lib/input/Spinedit.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "tests/helpers/Mouse.h"
#include "tests/helpers/Tooltips.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A shown form with a spin edit and a plain edit to hold the focus elsewhere.
class SpinEditTest : public testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetClientSize(300, 200);
    other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 60, 100, 24);
    spinEdit = new kxvSpinEdit(form);
    spinEdit->SetParent(form);
    spinEdit->SetBounds(10, 10, 120, 24);
    spinEdit->OnUpClick = [this](TObject* sender) { Log(sender, "up"); };
    spinEdit->OnDownClick = [this](TObject* sender) { Log(sender, "down"); };
    spinEdit->OnSpinClick = [this](TObject* sender, TUDBtnType button) {
      Log(sender, "spin" + std::to_string(button));
    };
    form->Show();
    spin = Spin();
  }
  void TearDown() override { delete form; }

  kxvSpin* Spin() const {
    for (int i = 0; i < spinEdit->ComponentCount(); ++i) {
      if (auto* s = dynamic_cast<kxvSpin*>(spinEdit->Components(i))) return s;
    }
    return nullptr;
  }
  void Log(TObject* sender, const std::string& what) {
    EXPECT_EQ(sender, spin);
    events.push_back(what);
  }
  // The arrow pressed and released where the user would.
  void ClickArrow(bool up) {
    const LPARAM at = MAKELPARAM(spin->Width() / 2, up ? 2 : spin->Height() - 3);
    SendMessageA(spin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(spin->Handle(), WM_LBUTTONUP, 0, at);
  }
  RECT OnForm(TWinControl* c) {
    RECT r;
    GetWindowRect(c->Handle(), &r);
    MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  TForm* form = nullptr;
  TEdit* other = nullptr;
  kxvSpinEdit* spinEdit = nullptr;
  kxvSpin* spin = nullptr;
  std::vector<std::string> events;
};

}  // namespace

TEST_F(SpinEditTest, StartsAsTheSpinDoesAndShowsNegativePositions) {
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spinEdit->Text(), "0");
  EXPECT_EQ(spinEdit->Min(), 0);
  EXPECT_EQ(spinEdit->Max(), 100);
  EXPECT_EQ(spinEdit->Increment(), 1);
  EXPECT_EQ(spinEdit->Orientation(), udVertical);
  EXPECT_TRUE(spinEdit->ArrowKeys());
  EXPECT_TRUE(spinEdit->Thousands());
  EXPECT_FALSE(spinEdit->Wrap());
  EXPECT_EQ(spinEdit->AlignButton(), udRight);
  EXPECT_EQ(spin->Associate(), spinEdit);
  spinEdit->SetMin(-10);
  spinEdit->Hide();
  spinEdit->SetPosition(-5);
  EXPECT_EQ(spinEdit->Text(), "-5");
  EXPECT_EQ(spinEdit->Position(), -5);
  EXPECT_TRUE(spinEdit->Visible());
}

TEST_F(SpinEditTest, ArrowsReportThemselvesThenTheSpinClickAndTheEditFollows) {
  ClickArrow(true);
  EXPECT_EQ(events, (std::vector<std::string>{"up", "spin0"}));
  EXPECT_EQ(spinEdit->Text(), "1");
  events.clear();
  ClickArrow(false);
  EXPECT_EQ(events, (std::vector<std::string>{"down", "spin1"}));
  EXPECT_EQ(spinEdit->Text(), "0");
  EXPECT_EQ(spinEdit->Position(), 0);
}

TEST_F(SpinEditTest, TheArrowsKeepWorkingThroughANewWindowOfTheEdit) {
  // Right-aligned, the edit's window is made again.
  const HWND before = spinEdit->Handle();
  spinEdit->SetAlignment(taRightJustify);
  ASSERT_NE(spinEdit->Handle(), before);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(spin->Handle(), UDM_GETBUDDY, 0, 0)), spinEdit->Handle());
  spinEdit->SetPosition(7);
  ClickArrow(true);
  EXPECT_EQ(spinEdit->Text(), "8");
  EXPECT_EQ(spinEdit->Position(), 8);
}

TEST_F(SpinEditTest, UsingAnArrowFocusesTheEditAndSelectsItsText) {
  spinEdit->SetPosition(42);
  other->SetFocus();
  std::vector<std::string> order;
  spin->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState, int, int) {
    EXPECT_EQ(button, mbLeft);
    EXPECT_TRUE(spinEdit->Focused());
    order.push_back("down");
  };
  spin->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
    EXPECT_EQ(spinEdit->SelLength(), 2);
    order.push_back("up");
  };
  const LPARAM at = MAKELPARAM(spin->Width() / 2, 2);
  SendMessageA(spin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_TRUE(spinEdit->Focused());
  SendMessageA(spinEdit->Handle(), EM_SETSEL, 1, 1);
  SendMessageA(spin->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(spinEdit->Focused());
  EXPECT_EQ(spinEdit->Text(), "43");
  EXPECT_EQ(spinEdit->SelStart(), 0);
  EXPECT_EQ(spinEdit->SelLength(), 2);
  EXPECT_EQ(order, (std::vector<std::string>{"down", "up"}));
  // The arrow keys in the edit step it as well.
  SendMessageA(spinEdit->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(spinEdit->Text(), "42");
  EXPECT_EQ(events, (std::vector<std::string>{"up", "spin0", "down", "spin1"}));
}

TEST_F(SpinEditTest, TheArrowsSitInsideEitherEdgeAndTheTextKeepsClearOfThem) {
  RECT e = OnForm(spinEdit), s = OnForm(spin);
  EXPECT_EQ(s.left, e.right - 15 - 2);
  EXPECT_EQ(s.right, e.right - 2);
  EXPECT_EQ(s.top, e.top + 2);
  EXPECT_EQ(s.bottom, e.bottom - 2);
  // Over the edit, not hidden behind it.
  POINT inside{(s.left + s.right) / 2, (s.top + s.bottom) / 2};
  EXPECT_EQ(ChildWindowFromPoint(form->Handle(), inside), spin->Handle());
  LRESULT margins = SendMessageA(spinEdit->Handle(), EM_GETMARGINS, 0, 0);
  EXPECT_GE(HIWORD(margins), 15);

  spinEdit->SetAlignButton(udLeft);
  spin = Spin();
  s = OnForm(spin);
  EXPECT_EQ(s.left, e.left + 2);
  margins = SendMessageA(spinEdit->Handle(), EM_GETMARGINS, 0, 0);
  EXPECT_GE(LOWORD(margins), 15);
  EXPECT_EQ(HIWORD(margins), 0);
  inside = POINT{(s.left + s.right) / 2, (s.top + s.bottom) / 2};
  EXPECT_EQ(ChildWindowFromPoint(form->Handle(), inside), spin->Handle());

  // The spin follows the edit, and never gets a negative height (the edit
  // taken off its natural height).
  spinEdit->SetAutoSize(false);
  spinEdit->SetBounds(50, 100, 80, 3);
  EXPECT_EQ(spin->Left(), 52);
  EXPECT_EQ(spin->Top(), 102);
  EXPECT_EQ(spin->Height(), 0);
}

TEST_F(SpinEditTest, TheArrowsArePartOfTheEditForHintsTabOrderAndDrops) {
  spinEdit->SetHint("数|一から百まで");
  spinEdit->SetShowHint(true);
  EXPECT_EQ(ToolText(form->Handle(), reinterpret_cast<UINT_PTR>(spin->Handle())), "数");
  // As high as a plain edit box with its font, the arrows inside.
  EXPECT_EQ(spinEdit->Height(), other->Height());
  EXPECT_EQ(spin->Height(), spinEdit->Height() - 4);
  // First in the order of Tab, the arrows still over the edit, also once
  // the edit has a new window (a flat frame).
  const auto arrowsOnTop = [this] {
    const RECT s = OnForm(spin);
    const POINT middle{(s.left + s.right) / 2, (s.top + s.bottom) / 2};
    return ChildWindowFromPoint(form->Handle(), middle) == spin->Handle();
  };
  spinEdit->SetTabOrder(0);
  EXPECT_EQ(GetNextDlgTabItem(form->Handle(), spinEdit->Handle(), FALSE), other->Handle());
  EXPECT_TRUE(arrowsOnTop());
  spinEdit->SetCtl3D(false);
  EXPECT_EQ(GetNextDlgTabItem(form->Handle(), other->Handle(), FALSE), spinEdit->Handle());
  EXPECT_TRUE(arrowsOnTop());
  // A drop on the arrows is one on the edit.
  TObject* dropped = nullptr;
  spinEdit->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool&) {};
  spinEdit->OnDragDrop = [&](TObject* sender, TObject*, int, int) { dropped = sender; };
  MouseTo(OnScreen(other->Handle(), 20, 5));
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  Application().ProcessMessages();
  other->BeginDrag(true);
  MouseTo(OnScreen(spin->Handle(), spin->Width() / 2, spin->Height() / 2));
  Application().ProcessMessages();
  MouseButton(MOUSEEVENTF_LEFTUP);
  Application().ProcessMessages();
  EXPECT_EQ(dropped, spinEdit);
}

TEST_F(SpinEditTest, APlainSpinWithoutAssociateTakesTheFocusItself) {
  auto* lone = new kxvSpin(form);
  lone->SetParent(form);
  lone->SetBounds(200, 10, 16, 30);
  lone->AdjustRect();  // nothing to place it in
  EXPECT_EQ(lone->Left(), 200);
  other->SetFocus();
  SendMessageA(lone->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 2));
  SendMessageA(lone->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(8, 2));
  EXPECT_TRUE(lone->Focused());
  EXPECT_EQ(lone->Position(), 1);
}

TEST(SpinEditRegister, BothControlsAreOnThePalettePage) {
  Spinedit::Register();
  for (const char* name : {"kxvSpin", "kxvSpinEdit"}) {
    const TPaletteEntry* entry = FindRegisteredComponent(name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(entry->Page, "NORDA");
    TComponent owner(nullptr);
    EXPECT_NE(entry->Create(&owner), nullptr);
  }
}

TEST(SpinEditLayout, SettingsMadeBeforeTheWindowsExistShowOnceTheyDo) {
  TForm form(nullptr);
  auto* sheet = new TPanel(&form);
  sheet->SetParent(&form);
  sheet->SetBounds(0, 0, 200, 100);
  auto* edit = Place<kxvSpinEdit>(&form, sheet, "Number", 12, 36, 100, 22);
  edit->SetMin(-10);
  edit->SetMax(50);
  edit->SetPosition(7);
  form.Show();
  EXPECT_EQ(edit->Text(), "7");
  EXPECT_EQ(edit->Position(), 7);
}
