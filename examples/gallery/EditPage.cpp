#include "examples/gallery/EditPage.h"

#include "examples/gallery/EventLog.h"
#include "framework/Format.h"

#include <cstdio>

namespace {

struct TypeRow {
  const char* name;
  const char* range;
  const char* format;
};

// In kxDataType order.
const TypeRow kRows[TEditPage::kTypes] = {
    {"dtVoid", "型なし (保存しない)", ""},
    {"dtBool", "False / True", "%s"},
    {"dtByte", "0 ～ 255", "0"},
    {"dtChar", "1 バイト文字", ""},
    {"dtWChar", "0 ～ 65,535", "0"},
    {"dtWord", "0 ～ 65,535", "#,##0"},
    {"dtShort", "-32,768 ～ 32,767", "#,##0"},
    {"dtDWord", "0 ～ 4,294,967,295", "#,##0"},
    {"dtLong", "±2,147,483,647", "#,##0"},
    {"dtFloat", "単精度 (約 7 桁)", "0.000"},
    {"dtDouble", "倍精度 (約 15 桁)", "#,##0.00"},
    {"dtDate", "年/月/日", "yyyy/mm/dd"},
    {"dtTime", "時:分:秒", "hh:nn:ss"},
    {"dtDateTime", "日付と時刻", "yyyy/mm/dd hh:nn"},
    {"dtTDateTime", "TDateTime (日数)", "yyyy/mm/dd hh:nn:ss"},
    {"dtCString", "15 バイトまで", ""},
    {"dtAnsiString", "長さ自由", ""},
    {"dtPointer", "16 進 8 桁", ""},
};

template <class... Args>
String Printed(const char* format, Args... args) {
  char text[128];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

}  // namespace

TEditPage::TEditPage(TComponent* owner) : TTabSheet(owner) {
  SetCaption("エディット");
  constexpr int kRowHeight = 23;
  for (int i = 0; i < kTypes; ++i) {
    const auto type = static_cast<kxDataType>(i);
    const int y = 6 + i * kRowHeight;
    Place<TLabel>(this, this, "", 8, y + 3, 74, 14, kRows[i].name);
    Place<TLabel>(this, this, "", 84, y + 3, 112, 14, kRows[i].range);
    kxvEdit* field = Place<kxvEdit>(this, this, "", 198, y, 132, 21);
    if (type == dtCString) field->SetMaxLength(kBufferBytes - 1);
    field->SetDataType(type);
    field->SetFormat(kRows[i].format);
    field->SetData(Variable(type));
    field->SetHint(String(kRows[i].name) + ": " + kRows[i].range);
    field->OnEnter = [this, field](TObject*) {
      current_ = field;
      FormatEdit->SetText(field->Format());
    };
    // Every change the user types is in the variable at once.
    field->OnChange = [this, type](TObject*) { ShowValue(type); };
    field->OnChanged = [this, type](TObject*) {
      ShowValue(type);
      Log->Add(String(kRows[type].name) + " → " + ValueText(type));
    };
    Fields[i] = field;
    Values[i] = Place<TLabel>(this, this, "", 336, y + 3, 126, 14);
    ShowValue(type);
  }

  Place<TLabel>(this, this, "", 466, 8, 150, 14, "書式 (入力欄の):");
  FormatEdit = Place<TEdit>(this, this, "", 466, 24, 150, 21);
  FormatEdit->OnKeyPress = [this](TObject*, char& key) {
    if (key == '\r') key = 0, ApplyFormat();
  };
  FormatEdit->OnExit = [this](TObject*) { ApplyFormat(); };
  ReturnToNext = Place<TCheckBox>(this, this, "", 466, 52, 150, 18, "Enter で次の欄へ(&R)");
  ReturnToNext->OnClick = [this](TObject*) {
    for (kxvEdit* field : Fields) field->SetReturnToNext(ReturnToNext->Checked());
  };
  ChangeButton = Place<TButton>(this, this, "", 466, 76, 150, 24, "変数を進める(&V)");
  ChangeButton->SetHint("変数を書き換えてから ReadData で入力欄に読み直します");
  ChangeButton->OnClick = [this](TObject*) { ChangeValues(); };
  Log = Place<TEventLog>(this, this, "", 466, 130, 150, 286);
  // The fields come first in the tab order, top down or bottom up; the
  // switch before the log it writes to.
  TCheckBox* upward = PlaceSwitch(this, this, 466, 106, 150, "逆の TabOrder(&B)", false,
                                  Log, [this](bool up) {
                                    for (int i = 0; i < kTypes; ++i) {
                                      Fields[up ? kTypes - 1 - i : i]->SetTabOrder(i);
                                    }
                                  });
  upward->SetTabOrder(Log->TabOrder());
  upward->SetHint("オンで Tab が下の欄から上の欄へ進みます");
  current_ = Fields[dtByte];
  FormatEdit->SetText(current_->Format());
}

void* TEditPage::Variable(kxDataType type) {
  TValues& v = values_;
  void* const variables[kTypes] = {nullptr,   &v.Bool,  &v.Byte,   &v.Char,     &v.WChar,
                                   &v.Word,   &v.Short, &v.DWord,  &v.Long,     &v.Float,
                                   &v.Double, &v.Date,  &v.Time,   &v.DateTime, &v.DateTimeValue,
                                   v.Buffer,  &v.Text,  &v.Pointer};
  return variables[type];
}

String TEditPage::ValueText(kxDataType type) const {
  const TValues& v = values_;
  switch (type) {
    case dtBool:
      return Printed("%u", unsigned(v.Bool));
    case dtByte:
      return Printed("%u", unsigned(v.Byte));
    case dtChar:
      return Printed("0x%02X", unsigned(static_cast<unsigned char>(v.Char)));
    case dtWChar:
      return Printed("0x%04X", unsigned(v.WChar));
    case dtWord:
      return Printed("%u", unsigned(v.Word));
    case dtShort:
      return Printed("%d", int(v.Short));
    case dtDWord:
      return Printed("%lu", static_cast<unsigned long>(v.DWord));
    case dtLong:
      return Printed("%ld", static_cast<long>(v.Long));
    case dtFloat:
      return Printed("%.9g", double(v.Float));
    case dtDouble:
      return Printed("%.17g", v.Double);
    case dtDate:
      return Printed("%u-%u-%u", unsigned(v.Date.Year), unsigned(v.Date.Month),
                     unsigned(v.Date.Day));
    case dtTime:
      return Printed("%u:%u:%u.%u", unsigned(v.Time.Hour), unsigned(v.Time.Minute),
                     unsigned(v.Time.Second), unsigned(v.Time.Millisecond));
    case dtDateTime:
      return Printed("%u-%u-%u %u:%u:%u", unsigned(v.DateTime.Date.Year),
                     unsigned(v.DateTime.Date.Month), unsigned(v.DateTime.Date.Day),
                     unsigned(v.DateTime.Time.Hour), unsigned(v.DateTime.Time.Minute),
                     unsigned(v.DateTime.Time.Second));
    case dtTDateTime:
      return Printed("%.6f", v.DateTimeValue);
    case dtCString:
      return "\"" + String(v.Buffer) + "\"";
    case dtAnsiString:
      return "\"" + v.Text + "\"";
    case dtPointer:
      return Printed("0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(v.Pointer)));
    default:
      return "(なし)";
  }
}

void TEditPage::ShowValue(kxDataType type) { Values[type]->SetCaption(ValueText(type)); }

void TEditPage::ChangeValues() {
  TValues& v = values_;
  v.Bool = !v.Bool;
  ++v.Byte, v.Char = v.Char == 'Z' ? 'A' : char(v.Char + 1);
  ++v.WChar, ++v.Word, ++v.Short, ++v.DWord, ++v.Long;
  v.Float += 0.25f, v.Double += 0.125;
  v.Date = kxDate(v.Date.Days() + 1);
  v.Time.Minute = uint8_t((v.Time.Minute + 1) % 60);
  v.DateTime.Date = kxDate(v.DateTime.Date.Days() + 1);
  v.DateTimeValue += 1;
  v.Text += "+";
  v.Pointer = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(v.Pointer) + 16);
  for (int i = 0; i < kTypes; ++i) {
    Fields[i]->ReadData();
    ShowValue(static_cast<kxDataType>(i));
  }
  Log->Add("プログラム: 変数を進めて ReadData");
}

void TEditPage::ApplyFormat() {
  if (!current_ || current_->Format() == FormatEdit->Text()) return;
  current_->SetFormat(FormatEdit->Text());
  Log->Add(String(kRows[current_->DataType()].name) + " の書式: \"" + current_->Format() + "\"");
}
