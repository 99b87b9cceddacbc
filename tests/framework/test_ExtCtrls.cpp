#include "framework/ExtCtrls.h"

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "tests/helpers/Pump.h"
#include "tests/helpers/Shot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr COLORREF kGreen = RGB(0, 128, 0);

// What a panel draws, background included.
struct PanelShot : Shot {
  explicit PanelShot(TWinControl* control) : Shot(control, PRF_CLIENT | PRF_ERASEBKGND) {}
  RECT Ink(COLORREF background = kGreen) const { return Shot::Ink(background); }
  bool AnyRed() const {
    return std::any_of(pixels.begin(), pixels.end(), [](COLORREF c) {
      return GetRValue(c) > 128 && GetGValue(c) < 64 && GetBValue(c) < 64;
    });
  }
};

template <class T = TPanel>
T* GreenPanel(TForm& form, int width, int height) {
  auto* panel = new T(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, width, height);
  panel->SetColor(kGreen);
  return panel;
}

// A panel that notes the caption each paint of its window shows.
class PaintLog : public TPanel {
public:
  using TPanel::TPanel;
  std::vector<String> painted;

protected:
  void PaintWindow(HDC dc) override {
    painted.push_back(Caption());
    TPanel::PaintWindow(dc);
  }
};

}  // namespace

// --- TPanel -----------------------------------------------------------------

TEST(TPanel, BevelsLightTheRaisedSideAndShadeTheLoweredOne) {
  TForm form(nullptr);
  TPanel* panel = GreenPanel(form, 60, 40);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shade = GetSysColor(COLOR_BTNSHADOW);
  PanelShot raised(panel);  // the default
  EXPECT_TRUE(raised.At(0, 39) == light && raised.At(59, 1) == shade && raised.At(1, 1) == kGreen);
  panel->SetBevelOuter(bvLowered);
  panel->SetBevelInner(bvRaised);
  panel->SetBevelWidth(2);
  PanelShot both(panel);
  EXPECT_TRUE(both.At(1, 1) == shade && both.At(58, 38) == light);  // outer, 2 wide
  EXPECT_TRUE(both.At(3, 3) == light && both.At(56, 36) == shade);  // inner
  EXPECT_EQ(both.At(4, 4), kGreen);
  panel->SetBevelOuter(bvNone);
  panel->SetBevelInner(bvNone);
  EXPECT_EQ(PanelShot(panel).At(0, 0), kGreen);
}

TEST(TPanel, CaptionFollowsTheAlignmentCentredDownwards) {
  TForm form(nullptr);
  TPanel* panel = GreenPanel(form, 300, 40);
  panel->SetBevelOuter(bvNone);
  panel->SetCaption("WWW");
  RECT ink = PanelShot(panel).Ink();
  EXPECT_LE(std::abs((ink.left + ink.right) / 2 - 150), 4);
  EXPECT_LE(std::abs((ink.top + ink.bottom) / 2 - 20), 4);
  panel->SetAlignment(taLeftJustify);
  ink = PanelShot(panel).Ink();
  EXPECT_TRUE(ink.left < ink.right && ink.right < 100);
  panel->SetAlignment(taRightJustify);
  EXPECT_GT(PanelShot(panel).Ink().left, 200);
}

TEST(TPanel, RepaintShowsANewCaptionAtOnceWithoutTheMessageLoop) {
  TForm form(nullptr);
  form.SetClientSize(300, 40);
  auto* panel = GreenPanel<PaintLog>(form, 280, 20);
  form.Show();
  Application().ProcessMessages();
  panel->painted.clear();
  // As the search shows each folder it enters, with no messages between.
  const std::vector<String> folders{"C:", "C:\\WINDOWS", "C:\\WINDOWS\\システム"};
  for (const String& folder : folders) {
    panel->SetCaption(folder);
    panel->Repaint();
  }
  EXPECT_EQ(panel->painted, folders);
  char text[64];
  GetWindowTextA(panel->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "C:\\WINDOWS\\システム");
}

TEST(TPanel, HostsLabelsOverItsCaptionAndDisablesWhatItHolds) {
  TForm form(nullptr);
  TPanel* panel = GreenPanel(form, 300, 40);
  panel->SetBevelOuter(bvNone);
  panel->SetCaption("WWWWWWWWWW");
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 300, 40);
  label->SetCaption("WWW");
  label->SetTransparent(false);  // over the whole panel: the caption is hidden
  label->SetColor(clWhite);
  label->Font().SetColor(clRed);
  const RECT left = PanelShot(panel).Ink(clWhite);
  EXPECT_TRUE(left.left < left.right && left.right < 100);
  label->SetAlignment(taCenter);
  const RECT centre = PanelShot(panel).Ink(clWhite);
  EXPECT_LE(std::abs((centre.left + centre.right) / 2 - 150), 4);
  label->SetAlignment(taRightJustify);
  EXPECT_GT(PanelShot(panel).Ink(clWhite).left, 200);
  auto* button = new TButton(&form);
  button->SetParent(panel);
  EXPECT_TRUE(PanelShot(panel).AnyRed());
  panel->SetEnabled(false);  // greys its labels, disables its windows
  EXPECT_FALSE(PanelShot(panel).AnyRed());
  EXPECT_FALSE(IsWindowEnabled(button->Handle()));
  EXPECT_TRUE(button->Enabled());
  panel->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(button->Handle()));
  label->SetEnabled(false);
  EXPECT_FALSE(PanelShot(panel).AnyRed());
  label->SetTransparent(true);
  EXPECT_EQ(PanelShot(panel).At(1, 1), kGreen);
}

// --- TImage -----------------------------------------------------------------

TEST(TImage, DrawsItsIconAtTheTopLeftOrCentredWithinItsBounds) {
  TForm form(nullptr);
  TPanel* panel = GreenPanel(form, 120, 100);
  panel->SetBevelOuter(bvNone);
  auto* image = new TImage(&form);
  image->SetParent(panel);
  image->SetBounds(10, 10, 64, 64);
  EXPECT_EQ(PanelShot(panel).Ink().right, 0);  // no icon, nothing drawn
  image->SetStockIcon(IDI_EXCLAMATION);
  EXPECT_EQ(image->Icon(), LoadIconA(nullptr, IDI_EXCLAMATION));
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  RECT ink = PanelShot(panel).Ink();
  EXPECT_TRUE(ink.left < ink.right && ink.left >= 10 && ink.top >= 10);
  EXPECT_TRUE(ink.right <= 10 + cx && ink.bottom <= 10 + cy);
  image->SetCenter(true);
  ink = PanelShot(panel).Ink();
  EXPECT_TRUE(ink.left >= 10 + (64 - cx) / 2 && ink.top >= 10 + (64 - cy) / 2);
  EXPECT_TRUE(ink.right <= 10 + (64 + cx) / 2 && ink.bottom <= 10 + (64 + cy) / 2);
  image->SetBounds(10, 10, 16, 16);
  ink = PanelShot(panel).Ink();
  EXPECT_TRUE(ink.right <= 26 && ink.bottom <= 26);
}

// --- TSplitter --------------------------------------------------------------

namespace {

// A tree beside a list with a splitter between, as on the first page.
struct SplitPage {
  TForm form{nullptr};
  TPanel* left = Place(new TPanel(&form), 0, 108);
  TSplitter* splitter = Place(new TSplitter(&form), 108, 3);
  TPanel* right = Place(new TPanel(&form), 111, 189);
  int moved = 0;

  SplitPage() {
    form.SetClientSize(300, 200);
    splitter->OnMoved = [this](TObject* sender) {
      EXPECT_EQ(sender, splitter);
      ++moved;
    };
    form.Show();
  }
  template <class T>
  T* Place(T* control, int x, int width) {
    control->SetParent(&form);
    control->SetBounds(x, 0, width, 200);
    return control;
  }
  // A mouse message to the splitter at x across it. Sent, not posted: the
  // platform queues moves of its own at the real cursor (elsewhere, moved
  // by other tests) when the capture or the windows change.
  void Mouse(UINT msg, int x) {
    const WPARAM buttons = msg == WM_LBUTTONUP ? 0 : MK_LBUTTON;
    SendMessageA(splitter->Handle(), msg, buttons, MAKELPARAM(x, 50));
  }
  void Drag(int by) {
    Mouse(WM_LBUTTONDOWN, 1);
    Mouse(WM_MOUSEMOVE, 1 + by);
    Mouse(WM_LBUTTONUP, 1 + by);
  }
  // Left and width of the windows (not only of the objects).
  static std::vector<int> Span(TWinControl* control) {
    RECT r;
    GetWindowRect(control->Handle(), &r);
    MapWindowPoints(nullptr, GetParent(control->Handle()), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.right - r.left};
  }
  std::vector<int> Layout() {
    std::vector<int> spans;
    for (TWinControl* c : {static_cast<TWinControl*>(left), static_cast<TWinControl*>(splitter),
                           static_cast<TWinControl*>(right)}) {
      std::vector<int> span = Span(c);
      EXPECT_EQ(span, (std::vector<int>{c->Left(), c->Width()}));
      spans.insert(spans.end(), span.begin(), span.end());
    }
    return spans;
  }
};

}  // namespace

TEST(TSplitter, DraggingResizesTheLeftControlAndMovesTheRightOne) {
  SplitPage page;
  page.Mouse(WM_LBUTTONDOWN, 1);
  EXPECT_EQ(GetCapture(), page.splitter->Handle());
  page.Mouse(WM_MOUSEMOVE, 43);
  EXPECT_EQ(page.Layout(), (std::vector<int>{0, 150, 150, 3, 153, 147}));
  EXPECT_EQ(page.moved, 0);  // until the button comes up
  page.Mouse(WM_MOUSEMOVE, 1 - 20);  // back, held where it was grabbed
  EXPECT_EQ(page.Layout(), (std::vector<int>{0, 130, 130, 3, 133, 167}));
  page.Mouse(WM_LBUTTONUP, 1 - 20);
  EXPECT_EQ(page.moved, 1);
  EXPECT_EQ(GetCapture(), nullptr);

  // Moving without the button, or clicking without moving, changes nothing.
  page.Mouse(WM_MOUSEMOVE, 30);
  page.Drag(0);
  EXPECT_EQ(page.Layout(), (std::vector<int>{0, 130, 130, 3, 133, 167}));
  EXPECT_EQ(page.moved, 1);

  // The sizing cursor over the bar.
  SendMessageA(page.splitter->Handle(), WM_SETCURSOR,
               reinterpret_cast<WPARAM>(page.splitter->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
}

TEST(TSplitter, MinSizeKeepsBothNeighboursOpen) {
  SplitPage page;
  page.Drag(-500);
  EXPECT_EQ(page.Layout(), (std::vector<int>{0, 30, 30, 3, 33, 267}));
  page.Drag(500);
  EXPECT_EQ(page.Layout(), (std::vector<int>{0, 267, 267, 3, 270, 30}));
  page.splitter->SetMinSize(100);
  page.Drag(-500);
  EXPECT_EQ(page.left->Width(), 100);
  EXPECT_EQ(page.moved, 3);

  // Without a right neighbour the parent's edge bounds the drag.
  page.right->Hide();
  page.Drag(500);
  EXPECT_EQ(page.splitter->Left(), 300 - 3 - 100);
  EXPECT_EQ(page.right->Left(), 103);  // a hidden control stays put
}

TEST(TSplitter, LosingTheMouseEndsTheDragAndNoLeftNeighbourMeansNoMove) {
  SplitPage page;
  page.Mouse(WM_LBUTTONDOWN, 1);
  page.Mouse(WM_MOUSEMOVE, 11);
  SetCapture(page.form.Handle());  // another window takes the mouse
  EXPECT_EQ(page.moved, 1);
  ReleaseCapture();
  page.Mouse(WM_MOUSEMOVE, 40);
  EXPECT_EQ(page.left->Width(), 118);
  EXPECT_EQ(page.moved, 1);

  page.left->SetBounds(0, 0, 100, 200);  // a gap: the splitter has no neighbour
  page.Drag(30);
  EXPECT_EQ(page.splitter->Left(), 118);
  EXPECT_EQ(page.moved, 1);
}

// --- TTimer -----------------------------------------------------------------

namespace {

// A timer with its ticks counted and a handler the test may add to.
struct TimerTest : testing::Test {
  TComponent owner{nullptr};
  TTimer* timer = new TTimer(&owner);
  int ticks = 0;
  std::function<void()> onTick;

  void SetUp() override {
    timer->SetEnabled(false);
    timer->SetInterval(20);
    timer->OnTimer = [this](TObject* sender) {
      EXPECT_EQ(sender, timer);
      ++ticks;
      if (onTick) onTick();
    };
  }
};

}  // namespace

TEST_F(TimerTest, TicksWhileEnabledAndNeverAfterwards) {
  timer->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000));
  timer->SetEnabled(false);
  const int seen = ticks;
  Pump(100);
  EXPECT_EQ(ticks, seen);
  // An interval of 0 keeps an enabled timer still.
  timer->SetInterval(0);
  timer->SetEnabled(true);
  Pump(100);
  EXPECT_EQ(ticks, seen);
}

TEST_F(TimerTest, ATickAlreadyDueIsDroppedWithThePeriod) {
  timer->SetEnabled(true);
  Sleep(80);  // the platform has a tick waiting now
  timer->SetEnabled(false);
  Pump(60);
  EXPECT_EQ(ticks, 0);
  // A new interval starts a new period: the old one's due tick goes too.
  timer->SetEnabled(true);
  Sleep(80);
  timer->SetInterval(5000);
  Pump(60);
  EXPECT_EQ(ticks, 0);
}

TEST_F(TimerTest, SwitchedOffOrDeletedInsideItsOwnHandler) {
  onTick = [this] { timer->SetEnabled(false); };
  timer->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks == 1; }, 3000));
  Pump(100);
  EXPECT_EQ(ticks, 1);

  onTick = [this] { delete timer; };
  timer->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks == 2; }, 3000));
  onTick = nullptr;
  Pump(100);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(TImage, APictureAtTheCornerInTheMiddleOrFillingTheImage) {
  TForm form(nullptr);
  auto* panel = GreenPanel(form, 100, 100);
  panel->SetBevelOuter(bvNone);
  auto* image = new TImage(&form);
  image->SetParent(panel);
  image->SetBounds(10, 10, 40, 40);
  form.HandleNeeded();
  auto ink = [&] {
    const RECT r = PanelShot(panel).Ink();
    return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(ink(), (std::vector<LONG>{100, 100, 0, 0}));  // nothing to show yet
  TBitmap& bitmap = image->Picture().Bitmap();
  bitmap.SetSize(10, 10);
  // Drawing on the image draws on its picture, and shows.
  image->Canvas().FillRect(RECT{0, 0, 10, 10}, clRed);
  EXPECT_EQ(ink(), (std::vector<LONG>{10, 10, 20, 20}));
  image->SetCenter(true);
  EXPECT_EQ(ink(), (std::vector<LONG>{25, 25, 35, 35}));
  image->SetStretch(true);
  EXPECT_EQ(ink(), (std::vector<LONG>{10, 10, 50, 50}));
  EXPECT_TRUE(PanelShot(panel).AnyRed());
  // An icon takes the picture's place.
  image->SetStockIcon(IDI_EXCLAMATION);
  EXPECT_FALSE(PanelShot(panel).AnyRed());
}
