#include "framework/ComCtrls.h"

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

class Dot : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;
  int paints = 0;

protected:
  void Paint(TCanvas& canvas) override { ++paints, canvas.FillRect(ClientRect(), clRed); }
};

bool Shown(TTabSheet* sheet) { return GetWindowLongA(sheet->Handle(), GWL_STYLE) & WS_VISIBLE; }

LRESULT Tab(TPageControl* pc, UINT msg, WPARAM wp, const void* lp = nullptr) {
  return SendMessageA(pc->Handle(), msg, wp, reinterpret_cast<LPARAM>(lp));
}

String TabText(TPageControl* pc, int index) {
  char text[64] = "";
  TCITEMA item{TCIF_TEXT, 0, 0, text, sizeof text, 0, 0};
  Tab(pc, TCM_GETITEMA, index, &item);
  return text;
}

// What comctl32 sends the parent when the user picks a tab by keyboard.
void UserSelects(TPageControl* pc, int index) {
  NMHDR header{pc->Handle(), static_cast<UINT_PTR>(pc->ControlId()), TCN_SELCHANGING};
  HWND parent = GetParent(pc->Handle());
  if (SendMessageA(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header))) return;
  Tab(pc, TCM_SETCURSEL, index);
  header.code = TCN_SELCHANGE;
  SendMessageA(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void ClickTab(TPageControl* pc, int index) {
  RECT r{};
  Tab(pc, TCM_GETITEMRECT, index, &r);
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(pc->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(pc->Handle(), WM_LBUTTONUP, 0, at);
}

class PageControlTest : public ::testing::Test {
protected:
  PageControlTest() {
    form.SetClientSize(320, 240);
    pc->SetParent(&form);
    pc->SetBounds(0, 0, 300, 200);
    const char* captions[] = {"一般", "日付と時刻", "名前の変更"};
    for (int i = 0; i < 3; ++i) {
      sheets[i] = new TTabSheet(&form);
      sheets[i]->SetCaption(captions[i]);
      sheets[i]->SetPageControl(pc);
    }
    pc->OnChange = [this](TObject*) { changedTo.push_back(pc->ActivePage()); };
    pc->OnChanging = [this](TObject*, bool& allow) { allow = allowChange; };
  }

  void ExpectOnlyShown(TTabSheet* sheet) {
    for (TTabSheet* s : sheets) EXPECT_EQ(Shown(s), s == sheet) << s->Caption();
    EXPECT_EQ(pc->ActivePage(), sheet);
    EXPECT_EQ(Tab(pc, TCM_GETCURSEL, 0), sheet ? sheet->PageIndex() : -1);
  }

  TForm form{nullptr};
  TPageControl* pc = new TPageControl(&form);
  TTabSheet* sheets[3];
  std::vector<TTabSheet*> changedTo;
  bool allowChange = true;
};

}  // namespace

TEST_F(PageControlTest, ProgramSwitchesShowOnePageWithoutEvents) {
  ASSERT_EQ(Tab(pc, TCM_GETITEMCOUNT, 0), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pc->Pages(i), sheets[i]);
    EXPECT_EQ(GetParent(sheets[i]->Handle()), pc->Handle());
  }
  ExpectOnlyShown(sheets[0]);
  auto* late = new TTabSheet(&form);  // comes hidden behind the active one
  late->SetPageControl(pc);
  EXPECT_EQ(Tab(pc, TCM_GETITEMCOUNT, 0), 4);
  EXPECT_FALSE(Shown(late));

  pc->SetActivePage(sheets[1]);
  ExpectOnlyShown(sheets[1]);
  pc->SetActivePageIndex(2);
  ExpectOnlyShown(sheets[2]);
  TTabSheet stranger(nullptr);
  pc->SetActivePage(&stranger);
  EXPECT_EQ(pc->ActivePageIndex(), 2);
  pc->SetActivePageIndex(7);
  ExpectOnlyShown(nullptr);
  EXPECT_TRUE(changedTo.empty());
}

TEST_F(PageControlTest, UserSwitchFiresOnChangeOnceUnlessVetoed) {
  UserSelects(pc, 1);
  EXPECT_EQ(changedTo, std::vector<TTabSheet*>{sheets[1]});
  ExpectOnlyShown(sheets[1]);
  ClickTab(pc, 2);
  EXPECT_EQ(changedTo, (std::vector<TTabSheet*>{sheets[1], sheets[2]}));
  ExpectOnlyShown(sheets[2]);

  allowChange = false;
  ClickTab(pc, 0);
  UserSelects(pc, 1);
  pc->SelectNextPage(true);
  ExpectOnlyShown(sheets[2]);
  allowChange = true;
  pc->SelectNextPage(true);  // wraps to the first
  ExpectOnlyShown(sheets[0]);
  EXPECT_EQ(changedTo.size(), 3u);
}

TEST_F(PageControlTest, SheetsCoverTheDisplayAreaThroughResizes) {
  auto expectCovered = [this] {
    RECT r;
    GetClientRect(pc->Handle(), &r);
    Tab(pc, TCM_ADJUSTRECT, FALSE, &r);
    EXPECT_GT(r.top, 0);  // below the tabs
    for (TTabSheet* s : sheets) {
      RECT w, bounds = s->BoundsRect();
      GetWindowRect(s->Handle(), &w);
      MapWindowPoints(nullptr, pc->Handle(), reinterpret_cast<POINT*>(&w), 2);
      EXPECT_TRUE(EqualRect(&w, &r) && EqualRect(&w, &bounds)) << w.right << "x" << w.bottom;
    }
    return r.top;
  };
  int top = expectCovered();
  pc->SetBounds(10, 10, 250, 150);
  expectCovered();
  form.Font().SetHeight(24);  // taller tabs
  EXPECT_GT(expectCovered(), top);
}

TEST_F(PageControlTest, JapaneseCaptionsAreTheTabTexts) {
  EXPECT_EQ(TabText(pc, 0), "一般");
  EXPECT_EQ(TabText(pc, 2), "名前の変更");
  sheets[1]->SetCaption("属性ソ表");  // trail bytes that look like "\"
  EXPECT_EQ(TabText(pc, 1), "属性ソ表");
}

TEST_F(PageControlTest, RecreateKeepsPagesAndTheActivePage) {
  UserSelects(pc, 2);
  HWND before = pc->Handle();
  pc->RecreateWnd();
  EXPECT_NE(pc->Handle(), before);
  ASSERT_EQ(Tab(pc, TCM_GETITEMCOUNT, 0), 3);
  EXPECT_EQ(TabText(pc, 1), "日付と時刻");
  ExpectOnlyShown(sheets[2]);
  Tab(pc, TCM_SETCURSEL, 1);  // a selection the window made on its own is read back
  pc->RecreateWnd();
  ExpectOnlyShown(sheets[1]);
}

TEST_F(PageControlTest, RemovingAndMovingPagesKeepsTabsInStep) {
  sheets[2]->SetPageIndex(0);
  EXPECT_EQ(TabText(pc, 0), "名前の変更");
  EXPECT_EQ(pc->Pages(1), sheets[0]);
  ExpectOnlyShown(sheets[0]);
  sheets[0]->SetPageIndex(99);  // the active one, to the end
  ExpectOnlyShown(sheets[0]);
  EXPECT_EQ(sheets[0]->PageIndex(), 2);

  delete sheets[0];  // the active one: the page before takes over
  sheets[0] = new TTabSheet(&form);
  EXPECT_EQ(Tab(pc, TCM_GETITEMCOUNT, 0), 2);
  EXPECT_EQ(TabText(pc, 0), "名前の変更");
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  EXPECT_TRUE(Shown(sheets[1]));
  sheets[1]->SetPageControl(nullptr);
  EXPECT_EQ(sheets[1]->Parent(), nullptr);
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  EXPECT_EQ(Tab(pc, TCM_GETITEMCOUNT, 0), 1);
  EXPECT_TRUE(changedTo.empty());
}

TEST_F(PageControlTest, SheetsPaintLabelsOnButtonFace) {
  auto* dot = new Dot(&form);
  dot->SetParent(sheets[0]);
  dot->SetBounds(5, 5, 10, 10);
  form.Show();
  sheets[0]->Repaint();
  EXPECT_GE(dot->paints, 1);

  HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageA(sheets[1]->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(GetPixel(dc, 1, 1), GetSysColor(COLOR_BTNFACE));
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

// --- TCustomUpDown ----------------------------------------------------------

namespace {

// An up-down control with an edit box as its associate on a shown form.
class UpDownTest : public testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetClientSize(300, 200);
    edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 100, 24);
    updown = new TCustomUpDown(form);
    updown->SetParent(form);
    updown->SetAssociate(edit);
    updown->OnClick = [this](TObject* sender, TUDBtnType button) {
      EXPECT_EQ(sender, updown);
      clicks.push_back(button);
    };
    form->Show();
  }
  void TearDown() override { delete form; }

  // A click on one arrow: the upper (next) or the lower half.
  void ClickArrow(bool up) {
    RECT r;
    GetClientRect(updown->Handle(), &r);
    const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
    SendMessageA(updown->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(updown->Handle(), WM_LBUTTONUP, 0, at);
  }

  TForm* form = nullptr;
  TEdit* edit = nullptr;
  TCustomUpDown* updown = nullptr;
  std::vector<TUDBtnType> clicks;
};

}  // namespace

TEST_F(UpDownTest, ArrowsStepTheEditAndReportWhichArrow) {
  EXPECT_EQ(edit->Text(), "0");
  ClickArrow(true);
  ClickArrow(true);
  ClickArrow(false);
  EXPECT_EQ(updown->Position(), 1);
  EXPECT_EQ(edit->Text(), "1");
  EXPECT_EQ(clicks, (std::vector<TUDBtnType>{btNext, btNext, btPrev}));
  // The up arrow in the edit box steps it too.
  SendMessageA(edit->Handle(), WM_KEYDOWN, VK_UP, 1);
  EXPECT_EQ(updown->Position(), 2);
  // What the user typed is the position.
  edit->SetText("57");
  EXPECT_EQ(updown->Position(), 57);
}

TEST_F(UpDownTest, AtTheEndOfTheRangeTheClickStillCounts) {
  updown->SetMax(3);
  updown->SetPosition(3);
  ClickArrow(true);
  EXPECT_EQ(updown->Position(), 3);
  EXPECT_EQ(clicks, (std::vector<TUDBtnType>{btNext}));
  updown->SetWrap(true);
  ClickArrow(true);
  EXPECT_EQ(updown->Position(), 0);
  EXPECT_EQ(edit->Text(), "0");
}

TEST_F(UpDownTest, ARefusedStepChangesNothingAndIsNoClick) {
  bool allow = false;
  updown->OnChanging = [&](TObject*, bool& allowChange) { allowChange = allow; };
  ClickArrow(true);
  EXPECT_EQ(updown->Position(), 0);
  EXPECT_EQ(edit->Text(), "0");
  EXPECT_TRUE(clicks.empty());
  allow = true;
  ClickArrow(false);
  EXPECT_EQ(clicks, (std::vector<TUDBtnType>{btPrev}));
}

TEST_F(UpDownTest, SettingsSurviveANewWindowAndThousandsAreShown) {
  updown->SetMin(-2000);
  updown->SetMax(2000);
  updown->SetIncrement(500);
  updown->SetPosition(1000);
  EXPECT_EQ(edit->Text(), "1,000");
  updown->SetThousands(false);  // a new window
  EXPECT_EQ(updown->Position(), 1000);
  ClickArrow(true);
  EXPECT_EQ(edit->Text(), "1500");
  updown->SetOrientation(udHorizontal);
  EXPECT_EQ(updown->Position(), 1500);
  // The right arrow of a horizontal pair is the next one.
  RECT r;
  GetClientRect(updown->Handle(), &r);
  SendMessageA(updown->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right * 3 / 4, 2));
  SendMessageA(updown->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(r.right * 3 / 4, 2));
  EXPECT_EQ(updown->Position(), 2000);
  EXPECT_EQ(clicks.back(), btNext);
  // The associate gone, the control forgets it.
  delete edit;
  EXPECT_EQ(updown->Associate(), nullptr);
}
