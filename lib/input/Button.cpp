#include "lib/input/Button.h"

kxvButton::kxvButton(TComponent* owner) : TBitBtn(owner) {}

kxvButton::~kxvButton() { delete timer_; }

void kxvButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TBitBtn::MouseDown(button, shift, x, y);
  if (!repeat_) return;
  if (!timer_) {
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
  }
  timer_->OnTimer = [this](TObject* sender) { TimerExpired(sender); };
  timer_->SetInterval(firstInterval_);
  timer_->SetEnabled(true);
}

void kxvButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TBitBtn::MouseUp(button, shift, x, y);
  if (timer_) timer_->SetEnabled(false);
}

void kxvButton::TimerExpired(TObject* /*sender*/) {
  timer_->SetInterval(nextInterval_);
  // Still held: the button keeps the capture until the release.
  if (repeat_ && HandleAllocated() && GetCapture() == Handle()) Click();
}

namespace Button {
void Register() { RegisterComponent<kxvButton>("NORDA", "kxvButton"); }
}  // namespace Button
