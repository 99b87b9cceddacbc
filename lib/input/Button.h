// A bitmap button that clicks itself again and again while it is held
// down: first after a longer delay, then at a shorter period (a "more"
// or "less" button that need not be clicked twenty times).
#pragma once

#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"

#include <cstdint>

class kxvButton : public TBitBtn {
public:
  explicit kxvButton(TComponent* owner);
  ~kxvButton() override;

  // On: clicks repeat while the button is held. Turned off while held,
  // the next tick clicks no more.
  bool Repeat() const { return repeat_; }
  void SetRepeat(bool repeat) { repeat_ = repeat; }
  // Milliseconds from the press to the first repeated click.
  uint32_t FirstInterval() const { return firstInterval_; }
  void SetFirstInterval(uint32_t interval) { firstInterval_ = interval; }
  // Milliseconds between the following repeated clicks.
  uint32_t NextInterval() const { return nextInterval_; }
  void SetNextInterval(uint32_t interval) { nextInterval_ = interval; }

protected:
  // Any mouse button starts the repetition; its release stops it.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  void TimerExpired(TObject* sender);

  bool repeat_ = false;
  uint32_t firstInterval_ = 400;
  uint32_t nextInterval_ = 100;
  TTimer* timer_ = nullptr;  // owned; made at the first press with Repeat on
};

namespace Button {
// Puts kxvButton on the design-time palette page "NORDA".
void Register();
}  // namespace Button
