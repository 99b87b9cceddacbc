// A set of 32 on/off flags in one word that tells its listener whenever
// the word really changes.
#pragma once

#include "framework/Classes.h"

#include <cstdint>

class kxvFlag : public TObject {
public:
  explicit kxvFlag(uint32_t flags = 0) : flags_(flags) {}

  // Replaces the whole word.
  virtual void Store(uint32_t flags);
  // The word's bits of mask.
  virtual uint32_t GetFlags(uint32_t mask) const { return flags_ & mask; }
  // Turns on, or off, every bit of mask.
  virtual void SetFlags(uint32_t mask);
  virtual void ResetFlags(uint32_t mask);
  // Flag number 0 to 31; any other number reads false and changes nothing.
  virtual bool GetFlag(int16_t number) const { return (flags_ & Bit(number)) != 0; }
  virtual void Reset(int16_t number) { ResetFlags(Bit(number)); }
  virtual void SetFlag(int16_t number, bool on);
  // Fires OnChange; called after each operation that changed the word.
  virtual void Change();

  uint32_t Flags() const { return flags_; }
  TNotifyEvent OnChange;

private:
  // The single bit of a flag number, none outside 0 to 31 (a shift by 32
  // or more would be undefined).
  static uint32_t Bit(int16_t number) {
    return number >= 0 && number < 32 ? uint32_t(1) << number : 0;
  }

  uint32_t flags_;
};
