// The spin arrows that sit inside their edit box, and the edit box that
// carries them: a number field the user steps with the mouse or the arrow
// keys.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/StdCtrls.h"

// An up-down arrow pair placed inside the right (or left) edge of its
// associated edit box rather than beside it. Using the arrows keeps the
// focus in the edit and selects its whole text, and the two arrows report
// as separate events.
class kxvSpin : public TCustomUpDown {
public:
  explicit kxvSpin(TComponent* owner);

  void SetAlignButton(TUDAlignButton align) override;
  void SetAssociate(TWinControl* associate) override;
  // Moves the arrows inside the associate and keeps the associate's text
  // clear of them. Nothing happens without an associate, or while it or
  // the spin has no parent.
  void AdjustRect();
  // The associate, when it is a sibling: the arrows are part of it.
  TWinControl* StackedOn() const override;

  // The spin's own slots; the up-down control's click and mouse events
  // are taken by the spin's handling, which raises these after it.
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TUDClickEvent OnClick;
  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

private:
  void SpinClick(TObject* sender, TUDBtnType button);
  void SpinMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void SpinMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
};

// An edit box with a kxvSpin inside its right edge; the spin's settings
// are the edit's properties. It starts at 0 in a range of 0 to 100.
class kxvSpinEdit : public TCustomEdit {
public:
  explicit kxvSpinEdit(TComponent* owner);
  ~kxvSpinEdit() override;

  // The spin moves with the edit.
  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;

  int16_t Position() const { return spin_->Position(); }
  // Shows n in the edit and in the spin, and shows the edit.
  void SetPosition(int16_t position);
  int16_t Min() const { return spin_->Min(); }
  void SetMin(int16_t min) { spin_->SetMin(min); }
  int16_t Max() const { return spin_->Max(); }
  void SetMax(int16_t max) { spin_->SetMax(max); }
  int Increment() const { return spin_->Increment(); }
  void SetIncrement(int increment) { spin_->SetIncrement(increment); }
  bool Thousands() const { return spin_->Thousands(); }
  void SetThousands(bool thousands) { spin_->SetThousands(thousands); }
  TUDAlignButton AlignButton() const { return spin_->AlignButton(); }
  void SetAlignButton(TUDAlignButton align) { spin_->SetAlignButton(align); }
  TUDOrientation Orientation() const { return spin_->Orientation(); }
  void SetOrientation(TUDOrientation orientation) { spin_->SetOrientation(orientation); }
  bool Wrap() const { return spin_->Wrap(); }
  void SetWrap(bool wrap) { spin_->SetWrap(wrap); }
  bool ArrowKeys() const { return spin_->ArrowKeys(); }
  void SetArrowKeys(bool arrowKeys) { spin_->SetArrowKeys(arrowKeys); }

  // The embedded spin is the sender of these.
  TUDClickEvent OnSpinClick;
  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // A new font resets the margins that keep the text clear of the arrows.
  void FontChanged() override;
  // The arrows show the edit's hint.
  void HintChanged() override;

private:
  void SpinClick(TObject* sender, TUDBtnType button);

  kxvSpin* spin_;  // owned as a component
};

namespace Spinedit {
// Puts kxvSpin and kxvSpinEdit on the design-time palette page "NORDA".
void Register();
}  // namespace Spinedit
