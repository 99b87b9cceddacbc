// The gallery's page of the typed edit: one field for each data type,
// bound to a variable of that type, with the type's range and the field's
// format beside it and the variable's own value read from memory after it.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/Dateutils.h"
#include "framework/StdCtrls.h"
#include "lib/core/Datetime.h"
#include "lib/input/Edit.h"

#include <array>

class TEventLog;

class TEditPage : public TTabSheet {
public:
  explicit TEditPage(TComponent* owner);

  static constexpr int kTypes = dtPointer + 1;
  static constexpr size_t kBufferBytes = 16;

  // The variables the fields are bound to, one of each type.
  struct TValues {
    uint8_t Bool = 1;
    uint8_t Byte = 200;
    char Char = 'A';
    uint16_t WChar = 0x82A0;
    uint16_t Word = 65000;
    int16_t Short = -1234;
    uint32_t DWord = 4000000000u;
    int32_t Long = -2000000;
    float Float = 3.25f;
    double Double = 1234567.875;
    kxDate Date{2026, 12, 9};
    kxTime Time{9, 30, 0, 0};
    kxDateTime DateTime{kxDate(2026, 12, 9), kxTime(18, 45, 30, 0)};
    TDateTime DateTimeValue = 46365.5;  // 2026-12-09 12:00
    char Buffer[kBufferBytes] = "テキスト";
    String Text = "自由な長さの文字列";
    void* Pointer = reinterpret_cast<void*>(uintptr_t(0x00401000));
  };

  std::array<kxvEdit*, kTypes> Fields{};
  std::array<TLabel*, kTypes> Values{};
  // The format of the field with the focus; Enter or leaving sets it.
  TEdit* FormatEdit = nullptr;
  TCheckBox* ReturnToNext = nullptr;
  TButton* ChangeButton = nullptr;
  TEventLog* Log = nullptr;

private:
  void* Variable(kxDataType type);
  // The variable's value as its bytes hold it, not as the field shows it.
  String ValueText(kxDataType type) const;
  void ShowValue(kxDataType type);
  // What a program does to its variables: each one stepped on, then shown
  // in its field by ReadData.
  void ChangeValues();
  void ApplyFormat();

  TValues values_;
  kxvEdit* current_ = nullptr;
};
