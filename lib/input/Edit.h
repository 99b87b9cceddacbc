// The typed edit: an edit box bound to a program variable of one of the
// kxDataType types. It shows the variable as text, writes what the user
// types back into it at every change, lets through only the keys that make
// sense for the type, and can move the focus on to the next control when
// Enter is pressed.
#pragma once

#include "framework/StdCtrls.h"
#include "lib/input/Editdata.h"

class kxvEdit : public TCustomEdit {
public:
  // Multi-line by default, and AutoSize off: it keeps the height it is given.
  explicit kxvEdit(TComponent* owner);

  // DataType, Data and Format show the variable anew when set, also to the
  // value they have: that is how the program shows what it stored.
  kxDataType DataType() const { return dataType_; }
  void SetDataType(kxDataType type);
  // The bound variable, not owned: whoever binds it keeps it alive and
  // unbinds it (null) before it goes. A dtCString buffer holds MaxLength
  // bytes and the terminator; without a MaxLength nothing is stored in it.
  void* Data() const { return data_; }
  void SetData(void* data);
  // How the value is shown; empty for the type's plain form (DataToText).
  const String& Format() const { return format_; }
  void SetFormat(const String& format);
  // On: Enter (when the box does not want it) moves the focus to the next
  // control.
  bool ReturnToNext() const { return returnToNext_; }
  void SetReturnToNext(bool returnToNext) { returnToNext_ = returnToNext; }

  // Variable to text; the text then counts as unmodified. The text set here
  // is never written back.
  void ReadData();
  // Text to variable. A text that is no value of the type leaves the
  // variable as it was.
  void WriteData();

  // The user's edit has been written: on Enter, when the focus leaves, or
  // when the window goes. Only an edit is written then; a text the user
  // left alone stays what it is, a view of the variable.
  TNotifyEvent OnChanged;
  // Replace ReadData's and WriteData's own work.
  TNotifyEvent OnReadData;
  TNotifyEvent OnWriteData;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;
  void Loaded() override;
  void Change() override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void DoExit() override;

private:
  // The bytes a dtCString buffer holds, terminator included; 0: unknown.
  size_t Capacity() const;
  // Writes the text and reports it, when the user edited it.
  void WriteEdit();
  void ReturnPressed(char& key);

  kxDataType dataType_ = dtVoid;
  void* data_ = nullptr;
  String format_;
  bool returnToNext_ = false;
  // Set when the focus arrives, cleared by the next mouse or key press: the
  // click that brings the focus still leaves the whole text selected.
  bool entered_ = false;
  bool reading_ = false;
};

namespace Edit {
// Puts kxvEdit on the design-time palette page "NORDA".
void Register();
}  // namespace Edit
