#include "lib/input/Button.h"

#include "framework/Forms.h"
#include "tests/helpers/Pump.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A shown form with a repeating button whose clicks are timed from the press.
class ButtonTest : public testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetClientSize(200, 100);
    button = new kxvButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 100, 30);
    button->SetCaption("押す");
    button->OnClick = [this](TObject* sender) {
      EXPECT_EQ(sender, button);
      clicks.push_back(GetTickCount() - pressedAt);
    };
    form->Show();
  }
  void TearDown() override { delete form; }

  void Press() {
    pressedAt = GetTickCount();
    SendMessageA(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  }
  void Release() { SendMessageA(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 10)); }
  int Timers() const {
    int n = 0;
    for (int i = 0; i < button->ComponentCount(); ++i) n += !!dynamic_cast<TTimer*>(button->Components(i));
    return n;
  }

  TForm* form = nullptr;
  kxvButton* button = nullptr;
  DWORD pressedAt = 0;
  std::vector<DWORD> clicks;
};

}  // namespace

TEST_F(ButtonTest, WithoutRepeatItIsAPlainButton) {
  EXPECT_FALSE(button->Repeat());
  EXPECT_EQ(button->FirstInterval(), 400u);
  EXPECT_EQ(button->NextInterval(), 100u);
  Press();
  Pump(600);
  Release();
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_EQ(Timers(), 0);
}

TEST_F(ButtonTest, HeldForASecondItClicksAtFourHundredThenEveryHundred) {
  button->SetRepeat(true);
  Press();
  Pump(1050);
  Release();
  // 400, 500, ... 1000, then the release's own click. The platform's
  // timers are coarse under load: the times are checked loosely.
  ASSERT_GE(clicks.size(), 6u);
  ASSERT_LE(clicks.size(), 8u);
  EXPECT_GE(clicks[0], 380u);
  EXPECT_LE(clicks[0], 650u);
  for (size_t i = 1; i + 1 < clicks.size(); ++i) {
    EXPECT_GE(clicks[i] - clicks[i - 1], 60u) << i;
    EXPECT_LE(clicks[i] - clicks[i - 1], 250u) << i;
  }
  EXPECT_EQ(Timers(), 1);
  // Released, nothing more.
  const size_t seen = clicks.size();
  Pump(300);
  EXPECT_EQ(clicks.size(), seen);
}

TEST_F(ButtonTest, AShortPressGivesOnlyTheNormalClick) {
  button->SetRepeat(true);
  Press();
  Pump(250);
  Release();
  Pump(300);
  EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(ButtonTest, RepeatTurnedOffWhileHeldStopsAtTheNextTick) {
  button->SetRepeat(true);
  button->SetFirstInterval(100);
  button->SetNextInterval(50);
  Press();
  ASSERT_TRUE(PumpUntil([&] { return clicks.size() >= 2; }, 3000));
  button->SetRepeat(false);
  const size_t seen = clicks.size();
  Pump(300);
  EXPECT_EQ(clicks.size(), seen);
  Release();
  EXPECT_EQ(clicks.size(), seen + 1);
}

TEST_F(ButtonTest, WithoutTheMouseCaptureNoTickClicks) {
  button->SetRepeat(true);
  button->SetFirstInterval(50);
  Press();
  ReleaseCapture();  // another window took the mouse
  Pump(300);
  EXPECT_TRUE(clicks.empty());
  Release();
}

TEST_F(ButtonTest, TheKeyboardClicksItOnce) {
  button->SetRepeat(true);
  button->SetFocus();
  SendMessageA(button->Handle(), WM_KEYDOWN, VK_SPACE, 0x00390001);
  Pump(600);
  SendMessageA(button->Handle(), WM_KEYUP, VK_SPACE, 0xC0390001);
  Pump(50);
  EXPECT_EQ(clicks.size(), 1u);
}

TEST(ButtonRegister, TheButtonIsOnThePalettePage) {
  Button::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvButton");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
}
