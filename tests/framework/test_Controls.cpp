#include "framework/Forms.h"

#include "framework/Format.h"
#include "framework/StdCtrls.h"
#include "tests/helpers/Mouse.h"
#include "tests/helpers/Tooltips.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

// A painted control that counts what reaches it.
class Probe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  int paints = 0;
  int commands = 0;

protected:
  void PaintWindow(HDC dc) override {
    ++paints;
    TCustomControl::PaintWindow(dc);
  }
  bool CNCommand(WORD code, LRESULT& result) override {
    commands += code;
    result = 0;
    return true;
  }
};

class Dot : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;
  int paints = 0;

protected:
  void Paint(TCanvas& canvas) override {
    ++paints;
    canvas.FillRect(ClientRect(), clRed);
  }
};

}  // namespace

TEST(TWinControl, HandlesOnDemandWithParentsFirstAndStateInside) {
  auto* form = new TForm(nullptr);
  form->SetClientSize(200, 100);
  auto* probe = new Probe(form);
  probe->SetParent(form);
  probe->SetBounds(10, 20, 50, 30);
  probe->SetCaption("表示");
  probe->SetEnabled(false);
  EXPECT_FALSE(form->HandleAllocated());
  HWND h = probe->Handle();
  ASSERT_TRUE(h);
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_EQ(GetParent(h), form->Handle());
  EXPECT_EQ(TWinControl::FromHandle(h), probe);
  char text[32];
  GetWindowTextA(h, text, sizeof text);
  EXPECT_STREQ(text, "表示");
  EXPECT_FALSE(IsWindowEnabled(h));
  probe->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(h));
  RECT r;
  GetClientRect(form->Handle(), &r);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 100);

  // A child's WM_COMMAND comes back to the child.
  SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(probe->ControlId(), 5),
               reinterpret_cast<LPARAM>(h));
  EXPECT_EQ(probe->commands, 5);

  probe->RecreateWnd();
  EXPECT_NE(probe->Handle(), nullptr);
  EXPECT_FALSE(IsWindow(h));
  GetWindowTextA(probe->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "表示");
  delete form;  // owns probe
}

TEST(TWinControl, GraphicChildrenPaintedByTheirParent) {
  TForm form(nullptr);
  form.SetClientSize(100, 100);
  auto* dot = new Dot(&form);
  dot->SetParent(&form);
  dot->SetBounds(5, 5, 10, 10);
  form.Show();
  form.Repaint();
  EXPECT_GE(dot->paints, 1);
  int before = dot->paints;
  dot->SetVisible(false);
  form.Repaint();
  EXPECT_EQ(dot->paints, before);
}

TEST(TControl, ParentFontFlowsDownUntilAChildSetsItsOwn) {
  TForm form(nullptr);
  auto* a = new Probe(&form);
  a->SetParent(&form);
  auto* b = new Probe(&form);
  b->SetParent(a);
  form.Font().SetHeight(20);
  EXPECT_EQ(a->Font().Height(), 20);
  EXPECT_EQ(b->Font().Height(), 20);
  b->Font().SetStyle(fsBold);
  EXPECT_FALSE(b->ParentFont());
  form.Font().SetHeight(14);
  EXPECT_EQ(a->Font().Height(), 14);
  EXPECT_EQ(b->Font().Height(), 20);
}

TEST(TWinControl, ExceptionInAHandlerIsShownAndTheWindowGoesOn) {
  struct Seam : TUserSeam {
    String shown;
    int Answer(const String&, const String& text, const String&) override {
      shown = text;
      return mrOk;
    }
    void Beep(UINT) override {}
    void Help(const String&, UINT, ULONG_PTR) override {}
  } seam;
  Application().SetUserSeam(&seam);
  class Thrower : public TCustomControl {
  public:
    using TCustomControl::TCustomControl;

  protected:
    void WndProc(TMessage& m) override {
      if (m.Msg == WM_USER + 1) throw EConvertError("壊れた");
      TCustomControl::WndProc(m);
    }
  };
  TForm form(nullptr);
  auto* t = new Thrower(&form);
  t->SetParent(&form);
  SendMessageA(t->Handle(), WM_USER + 1, 0, 0);
  EXPECT_EQ(seam.shown, "壊れた");
  EXPECT_TRUE(IsWindow(t->Handle()));
  Application().SetUserSeam(nullptr);
}

TEST(TWinControl, MouseEventsFollowTheWindowsOwnHandling) {
  TForm form(nullptr);
  form.SetClientSize(200, 100);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->SetBounds(10, 10, 80, 30);
  form.Show();
  std::vector<String> seen;
  button->OnMouseDown = [&](TObject* sender, TMouseButton which, TShiftState shift, int x, int y) {
    EXPECT_EQ(sender, button);
    // The button has drawn itself pushed and holds the mouse by now.
    EXPECT_EQ(GetCapture(), button->Handle());
    seen.push_back(Format("down %d %u %d,%d", {int(which), shift, x, y}));
  };
  button->OnMouseUp = [&](TObject*, TMouseButton which, TShiftState shift, int x, int y) {
    seen.push_back(Format("up %d %u %d,%d", {int(which), shift, x, y}));
  };
  button->OnClick = [&](TObject*) { seen.push_back("click"); };
  HWND h = button->Handle();
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(5, 6));
  SendMessageA(h, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(5, 6));
  SendMessageA(h, WM_RBUTTONUP, MK_CONTROL, MAKELPARAM(7, 8));
  EXPECT_EQ(seen, (std::vector<String>{"down 0 9 5,6", "click", "up 0 1 5,6", "up 1 4 7,8"}));
  seen.clear();
  button->OnMouseDown = [&](TObject*, TMouseButton which, TShiftState shift, int, int) {
    seen.push_back(Format("down %d %u", {int(which), shift}));
  };
  SendMessageA(h, WM_MBUTTONDBLCLK, MK_MBUTTON, MAKELPARAM(1, 1));
  EXPECT_EQ(seen, (std::vector<String>{"down 2 96"}));
}

TEST(TWinControl, AChildsScrollMessagesComeBackToIt) {
  struct Scrolled : TCustomControl {
    using TCustomControl::TCustomControl;
    std::vector<UINT> got;
    bool CNScroll(UINT msg, WPARAM wparam, LRESULT& result) override {
      got.push_back(msg + LOWORD(wparam));
      result = 0;
      return true;
    }
  };
  TForm form(nullptr);
  auto* child = new Scrolled(&form);
  child->SetParent(&form);
  form.HandleNeeded();
  SendMessageA(form.Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(child->Handle()));
  SendMessageA(form.Handle(), WM_HSCROLL, SB_PAGEUP, reinterpret_cast<LPARAM>(child->Handle()));
  // The form's own bars are its own business.
  SendMessageA(form.Handle(), WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(child->got, (std::vector<UINT>{WM_VSCROLL + SB_LINEDOWN, WM_HSCROLL + SB_PAGEUP}));
}

TEST(TControl, HintsAreToolsOfTheTopWindowsTooltipsWhileTheyShow) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  auto* button = Place<TButton>(&form, &form, "button", 10, 10, 80, 24);
  auto* label = Place<TLabel>(&form, &form, "label", 10, 50, 80, 16, "ラベル");
  // The trail byte of ポ is "|": the short part ends at the real one.
  button->SetHint("ポップ|押すと閉じます");
  label->SetHint("ラベル");
  EXPECT_EQ(GetLongHint(button->Hint()), "押すと閉じます");
  form.Show();
  HWND top = form.Handle();
  const auto text = [top](TControl* c) {
    auto* win = dynamic_cast<TWinControl*>(c);
    return ToolText(top, win ? reinterpret_cast<UINT_PTR>(win->Handle())
                             : reinterpret_cast<UINT_PTR>(c));
  };
  const auto labelRect = [&] {
    for (const Tool& tool : ToolsOf(top)) {
      if (tool.id == reinterpret_cast<UINT_PTR>(label) && !tool.window && tool.owner == top) {
        return Format("%d,%d,%d,%d", {int(tool.rect.left), int(tool.rect.top),
                                      int(tool.rect.right), int(tool.rect.bottom)});
      }
    }
    return String("-");
  };
  EXPECT_TRUE(ToolsOf(top).empty());  // the children take the form's ShowHint: off

  form.SetShowHint(true);
  EXPECT_EQ(text(button), "ポップ");
  EXPECT_EQ(ToolsOf(top)[0].window, true);
  EXPECT_EQ(text(label), "ラベル");
  label->SetAutoSize(false);
  label->SetBounds(20, 60, 100, 20);
  EXPECT_EQ(labelRect(), "20,60,120,80");
  label->Hide();
  EXPECT_EQ(labelRect(), "-");
  // A control's own ShowHint leaves its parent's.
  button->SetShowHint(false);
  form.SetShowHint(false);
  EXPECT_EQ(text(button), "-");
  button->SetShowHint(true);
  // A new window is the new tool; the old one went with its window.
  HWND old = button->Handle();
  button->RecreateWnd();
  EXPECT_EQ(ToolText(top, reinterpret_cast<UINT_PTR>(old)), "-");
  EXPECT_EQ(text(button), "ポップ");
  button->SetHint("");
  EXPECT_TRUE(ToolsOf(top).empty());
}

TEST(TWinControl, TabOrderIsTheOrderOfTabAndOfTheDialogFunctions) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  auto* a = Place<TEdit>(&form, &form, "a", 10, 10, 100, 20);
  Place<TLabel>(&form, &form, "label", 10, 40, 50, 16, "名前");  // graphic: no place
  auto* b = Place<TEdit>(&form, &form, "b", 10, 70, 100, 20);
  auto* c = Place<TButton>(&form, &form, "c", 10, 100, 80, 24);
  const auto orders = [&] { return std::vector<int>{a->TabOrder(), b->TabOrder(), c->TabOrder()}; };
  EXPECT_EQ(orders(), (std::vector<int>{0, 1, 2}));
  form.Show();
  HWND f = form.Handle();
  const auto next = [f](TWinControl* from) { return GetNextDlgTabItem(f, from->Handle(), FALSE); };
  c->SetTabOrder(0);
  EXPECT_EQ(orders(), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(next(c), a->Handle());
  EXPECT_EQ(next(b), c->Handle());
  c->SetFocus();
  MSG tab{c->Handle(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  EXPECT_TRUE(TApplication::TabKey(tab));
  EXPECT_TRUE(a->Focused());
  // Beyond the end is last; a new window keeps its place.
  a->SetTabOrder(7);
  EXPECT_EQ(orders(), (std::vector<int>{2, 1, 0}));
  b->RecreateWnd();
  EXPECT_EQ(next(c), b->Handle());
  EXPECT_EQ(next(b), a->Handle());
}

TEST(TCustomEdit, Ctl3DChoosesTheFrameAndAutoSizeTheHeightForALineInIt) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  auto* edit = Place<TEdit>(&form, &form, "edit", 10, 10, 100, 50);
  auto* list = Place<TListBox>(&form, &form, "list", 10, 80, 100, 80);
  edit->SetText("残る");
  form.Show();
  const auto frame = [](TWinControl* c) {
    RECT window, client;
    GetWindowRect(c->Handle(), &window);
    GetClientRect(c->Handle(), &client);
    return (window.right - window.left - client.right) / 2;
  };
  // The formatting rectangle holds a line of the font, with little to spare.
  const auto lineFits = [edit] {
    TEXTMETRICA metrics{};
    HDC dc = GetDC(edit->Handle());
    HGDIOBJ old = SelectObject(dc, edit->Font().Handle());
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(edit->Handle(), dc);
    RECT r, client;
    SendMessageA(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    GetClientRect(edit->Handle(), &client);
    return r.bottom - r.top >= metrics.tmHeight && client.bottom < metrics.tmHeight + 8;
  };
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(frame(list), GetSystemMetrics(SM_CXEDGE));
  const int natural = edit->Height();
  EXPECT_LT(natural, 50);
  EXPECT_TRUE(lineFits());
  edit->Font().SetHeight(edit->Font().Height() + 10);
  EXPECT_GT(edit->Height(), natural + 5);
  EXPECT_TRUE(lineFits());

  const int sunken = edit->Height();
  HWND before = edit->Handle();
  edit->SetCtl3D(false);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_FALSE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(edit->Text(), "残る");
  const int thinner = 2 * (GetSystemMetrics(SM_CYEDGE) - GetSystemMetrics(SM_CYBORDER));
  EXPECT_EQ(edit->Height(), sunken - thinner);
  EXPECT_TRUE(lineFits());
  list->SetCtl3D(false);
  EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(frame(list), GetSystemMetrics(SM_CXBORDER));
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 120, 50);
  EXPECT_EQ(edit->Height(), 50);
  EXPECT_FALSE(TMemo(nullptr).AutoSize());
}

TEST(TWinControl, KeyUpReachesOnKeyUp) {
  TForm form(nullptr);
  auto* edit = Place<TEdit>(&form, &form, "edit", 10, 10, 100, 20);
  std::vector<String> seen;
  edit->OnKeyUp = [&](TObject* sender, WORD& key, TShiftState shift) {
    EXPECT_EQ(sender, edit);
    seen.push_back(Format("%d %u", {int(key), shift}));
  };
  SendMessageA(edit->Handle(), WM_KEYUP, 'A', 0xC0000001);
  SendMessageA(edit->Handle(), WM_SYSKEYUP, VK_F10, 0xC0000001);
  EXPECT_EQ(seen, (std::vector<String>{"65 0", "121 0"}));
}

namespace {

// A shown form with a button that drags as the mouse moves it, a window
// that accepts its drop and a graphic control that refuses it; the drag's
// events logged. The mouse and keys are real.
class DragTest : public testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(50, 50, 400, 300);
    source = Place<TButton>(form, form, "source", 10, 10, 80, 40, "元");
    target = Place<Probe>(form, form, "target", 200, 10, 80, 40);
    refusing = Place<Dot>(form, form, "refusing", 200, 100, 80, 40);
    auto* cancel = Place<TButton>(form, form, "cancel", 10, 200, 80, 24);
    cancel->SetCancel(true);
    cancel->OnClick = [this](TObject*) { log.push_back("cancel"); };
    source->SetDragMode(dmAutomatic);
    source->OnClick = [this](TObject*) { log.push_back("click"); };
    source->OnStartDrag = [this](TObject*) { log.push_back("start"); };
    for (TControl* c : {static_cast<TControl*>(target), static_cast<TControl*>(refusing)}) {
      c->OnDragOver = [this](TObject* sender, TObject*, int x, int y, TDragState state,
                             bool& accept) {
        accept = accept && sender == target;
        log.push_back(Format("over %s %d %d,%d", {Name(sender), int(state), x, y}));
      };
      c->OnDragDrop = [this](TObject* sender, TObject* from, int x, int y) {
        log.push_back(Format("drop %s %s %d,%d", {Name(sender), Name(from), x, y}));
      };
    }
    source->OnEndDrag = [this](TObject* sender, TObject* to, int x, int y) {
      log.push_back(Format("end %s %s %d,%d", {Name(sender), to ? Name(to) : "-", x, y}));
    };
    form->Show();
  }
  void TearDown() override { delete form; }

  static String Name(TObject* object) { return dynamic_cast<TComponent*>(object)->Name(); }
  void Move(TControl* over, int x, int y) {
    MouseTo(OnScreen(form->Handle(), over->Left() + x, over->Top() + y));
    Application().ProcessMessages();
  }
  void Button(DWORD buttons) {
    MouseButton(buttons);
    Application().ProcessMessages();
  }
  // Presses on the source and moves out of the place of a click.
  void StartDrag() {
    Move(source, 40, 20);
    Button(MOUSEEVENTF_LEFTDOWN);
    Move(source, 42, 21);
    EXPECT_FALSE(source->Dragging());
    Move(source, 60, 20);
  }

  TForm* form;
  TButton* source;
  Probe* target;
  Dot* refusing;
  std::vector<String> log;
};

}  // namespace

TEST_F(DragTest, APressThatMovesDragsToWhatAcceptsAndDropsThere) {
  StartDrag();
  EXPECT_TRUE(source->Dragging());
  EXPECT_EQ(GetCapture(), source->Handle());
  // The button's own handling of the press ended: it is no longer pushed.
  EXPECT_FALSE(SendMessageA(source->Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED);
  EXPECT_NE(ImageList_GetDragImage(nullptr, nullptr), nullptr);
  Move(target, 10, 10);
  Move(target, 20, 15);
  EXPECT_EQ(GetCursor(), TScreen::CursorHandle(crDrag));
  Move(refusing, 5, 5);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_NO));
  Move(target, 30, 20);
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(log, (std::vector<String>{"start", "over target 0 10,10", "over target 2 20,15",
                                      "over target 1 5,95", "over refusing 0 5,5",
                                      "over refusing 1 30,-70", "over target 0 30,20",
                                      "drop target source 30,20", "end source target 30,20"}));
  EXPECT_FALSE(source->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
  // A press that does not move is the button's click.
  log.clear();
  Move(source, 40, 20);
  Button(MOUSEEVENTF_LEFTDOWN);
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(log, (std::vector<String>{"click"}));
}

TEST_F(DragTest, ARefusedDropAndEscapeEndTheDragWithoutATarget) {
  StartDrag();
  Move(refusing, 10, 10);
  Button(MOUSEEVENTF_LEFTUP);
  StartDrag();
  Move(target, 10, 10);
  TypeKey(VK_ESCAPE);
  Application().ProcessMessages();
  EXPECT_FALSE(source->Dragging());
  Button(MOUSEEVENTF_LEFTUP);
  // Without a drag, the key presses the cancel button.
  TypeKey(VK_ESCAPE);
  Application().ProcessMessages();
  EXPECT_EQ(log, (std::vector<String>{"start", "over refusing 0 10,10", "over refusing 1 10,10",
                                      "end source - 200,100", "start", "over target 0 10,10",
                                      "over target 1 10,10", "end source - 200,10", "cancel"}));
}
