#include "lib/core/Flag.h"

void kxvFlag::Store(uint32_t flags) {
  const uint32_t old = flags_;
  flags_ = flags;
  if (flags_ != old) Change();
}

void kxvFlag::SetFlags(uint32_t mask) { Store(flags_ | mask); }

void kxvFlag::ResetFlags(uint32_t mask) { Store(flags_ & ~mask); }

void kxvFlag::SetFlag(int16_t number, bool on) {
  if (on) SetFlags(Bit(number));
  else ResetFlags(Bit(number));
}

void kxvFlag::Change() {
  if (OnChange) OnChange(this);
}
