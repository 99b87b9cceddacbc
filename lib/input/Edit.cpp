#include "lib/input/Edit.h"

#include "framework/Forms.h"

kxvEdit::kxvEdit(TComponent* owner) : TCustomEdit(owner) {
  SetAutoSize(false);
  SetMultiLine(true);
}

void kxvEdit::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.ClassName = "kxvEdit";
}

void kxvEdit::SetDataType(kxDataType type) {
  dataType_ = type;
  ReadData();
}

void kxvEdit::SetData(void* data) {
  data_ = data;
  ReadData();
}

void kxvEdit::SetFormat(const String& format) {
  format_ = format;
  ReadData();
}

size_t kxvEdit::Capacity() const { return MaxLength() > 0 ? MaxLength() + 1 : 0; }

void kxvEdit::ReadData() {
  SetModified(false);
  if (OnReadData) {
    OnReadData(this);
    return;
  }
  if (!data_ || dataType_ == dtVoid) return;
  // A single-line window reports the program's text as an edit too; what
  // is shown (a currency sign, a cut text) must not go back.
  reading_ = true;
  SetText(DataToText(dataType_, data_, format_, Capacity()));
  reading_ = false;
}

void kxvEdit::WriteData() {
  if (OnWriteData) {
    OnWriteData(this);
    return;
  }
  if (data_) TextToData(dataType_, Text(), data_, Capacity());
}

void kxvEdit::WriteEdit() {
  // Only the user's text goes back: what ReadData showed may not read back
  // as the value (a currency sign, a date without its separators, a time
  // without seconds, a rounded number).
  if (!Modified()) return;
  WriteData();
  if (OnChanged) OnChanged(this);
}

void kxvEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  ReadData();
}

void kxvEdit::DestroyWnd() {
  // A new window is coming (a style changed): the edit is written before
  // this one goes. Not when the edit or its form is being deleted: the
  // variable and the handlers may be gone already.
  if (!Deleting()) WriteEdit();
  TCustomEdit::DestroyWnd();
}

void kxvEdit::Loaded() {
  TCustomEdit::Loaded();
  SetModified(false);
}

void kxvEdit::Change() {
  if (!reading_) WriteData();
  TCustomEdit::Change();
}

void kxvEdit::KeyPress(char& key) {
  entered_ = false;
  TCustomEdit::KeyPress(key);
  if (key == '\r') {
    ReturnPressed(key);
  } else if (!KeyAccepted(dataType_, key)) {
    Application().Beep(0);
    key = 0;
  }
}

void kxvEdit::ReturnPressed(char& key) {
  WriteEdit();
  if (WantReturns()) return;
  ReadData();
  if (returnToNext_ && Parent()) PostMessageA(Parent()->Handle(), WM_NEXTDLGCTL, 0, 0);
  key = 0;
}

void kxvEdit::DoEnter() {
  ReadData();
  entered_ = true;
  TCustomEdit::DoEnter();
}

void kxvEdit::DoExit() {
  WriteEdit();
  ReadData();
  entered_ = false;
  TCustomEdit::DoExit();
}

void kxvEdit::WndProc(TMessage& m) {
  TCustomEdit::WndProc(m);
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // The click that brought the focus placed the caret; the whole text
      // stays selected, as after Tab.
      if (entered_ && AutoSelect()) SelectAll();
      entered_ = false;
      break;
    default:
      break;
  }
}

namespace Edit {

void Register() { RegisterComponent<kxvEdit>("NORDA", "kxvEdit"); }

}  // namespace Edit
