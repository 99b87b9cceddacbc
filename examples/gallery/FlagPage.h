// The gallery's page of the value types: a flag set edited bit by bit, by
// its whole word and by masks, with each OnChange logged; and a rectangle
// whose four coordinates are typed edits, drawn as the platform takes it.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "lib/core/Flag.h"
#include "lib/core/Rect.h"
#include "lib/input/Edit.h"

#include <array>

class TEventLog;

class TFlagPage : public TTabSheet {
public:
  explicit TFlagPage(TComponent* owner);

  kxvFlag Flags;
  kxRect Rect{20, 15, 140, 95};

  // Bit 31 first, eight to a row.
  std::array<TCheckBox*, 32> Bits{};
  // The whole word in hexadecimal, stored on Enter.
  TEdit* Word = nullptr;
  TEdit* Mask = nullptr;
  TButton* SetButton = nullptr;
  TButton* ResetButton = nullptr;
  std::array<kxvEdit*, 4> Sides{};
  TImage* Drawing = nullptr;
  TLabel* RectInfo = nullptr;
  TEventLog* Log = nullptr;

private:
  // The check boxes and the word as the set holds them.
  void ShowFlags();
  void StoreWord();
  uint32_t MaskValue() const;
  void ShowRect();
};
