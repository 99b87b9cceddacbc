#include "framework/Forms.h"

#include "framework/Format.h"
#include "framework/StdCtrls.h"

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
