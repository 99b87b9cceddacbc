#include "lib/input/Spinedit.h"

#include "framework/Sysutils.h"

#include <commctrl.h>

#include <algorithm>

// --- kxvSpin ----------------------------------------------------------------

kxvSpin::kxvSpin(TComponent* owner) : TCustomUpDown(owner) {
  TCustomUpDown::OnClick = [this](TObject* sender, TUDBtnType button) {
    SpinClick(sender, button);
  };
  TWinControl::OnMouseDown = [this](TObject* sender, TMouseButton button, TShiftState shift,
                                    int x, int y) { SpinMouseDown(sender, button, shift, x, y); };
  TWinControl::OnMouseUp = [this](TObject* sender, TMouseButton button, TShiftState shift, int x,
                                  int y) { SpinMouseUp(sender, button, shift, x, y); };
}

void kxvSpin::CreateParams(TCreateParams& params) {
  TCustomUpDown::CreateParams(params);
  params.ClassName = "kxvSpin";
  // The spin places itself (inside the associate); the platform's own
  // alignment would put it beside and narrow the associate.
  params.Style &= ~(UDS_ALIGNLEFT | UDS_ALIGNRIGHT);
}

void kxvSpin::CreateWnd() {
  TCustomUpDown::CreateWnd();
  AdjustRect();
}

void kxvSpin::SetAlignButton(TUDAlignButton align) {
  TCustomUpDown::SetAlignButton(align);
  AdjustRect();
}

void kxvSpin::SetAssociate(TWinControl* associate) {
  TCustomUpDown::SetAssociate(associate);
  AdjustRect();
}

TWinControl* kxvSpin::StackedOn() const {
  TWinControl* associate = Associate();
  return associate && associate->Parent() == Parent() ? associate : nullptr;
}

void kxvSpin::AdjustRect() {
  TWinControl* associate = Associate();
  if (!associate || !associate->Parent() || !Parent()) return;
  POINT corner{associate->Left(), associate->Top()};
  if (associate->Parent() != Parent()) {
    // Different parents' coordinates meet only through their windows.
    if (!associate->Parent()->HandleAllocated() || !Parent()->HandleAllocated()) return;
    MapWindowPoints(associate->Parent()->Handle(), Parent()->Handle(), &corner, 1);
  }
  const int x = corner.x + (AlignButton() == udRight ? associate->Width() - Width() - 2 : 2);
  const int y = corner.y + 2;
  SetBounds(x, y, Width(), std::max(associate->Height() - 4, 0));
  if (HandleAllocated()) {
    // Over the associate: a sibling made later lies below it.
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (associate->HandleAllocated()) {
    HWND edit = associate->Handle();
    const RECT client = associate->ClientRect();
    if (GetWindowLongA(edit, GWL_STYLE) & ES_MULTILINE) {
      RECT r;
      SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
      if (AlignButton() == udRight) {
        r.left = 0;
        r.right = client.right - Width() - 2;
      } else {
        r.left = Width();
        r.right = client.right;
      }
      SendMessageA(edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
    } else {
      // A single-line box has no formatting rectangle to set: its margins
      // do the same.
      const int room = Width() + 2;
      SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   AlignButton() == udRight ? MAKELONG(0, room) : MAKELONG(room, 0));
    }
    InvalidateRect(edit, nullptr, TRUE);
  }
  Invalidate();
}

void kxvSpin::SpinMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x,
                            int y) {
  if (TWinControl* associate = Associate()) {
    if (!associate->Focused()) associate->SetFocus();
  } else if (!Focused()) {
    SetFocus();
  }
  if (OnMouseDown) OnMouseDown(sender, button, shift, x, y);
}

void kxvSpin::SpinMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x,
                          int y) {
  if (TWinControl* associate = Associate()) {
    associate->SetFocus();
    SendMessageA(associate->Handle(), EM_SETSEL, 0, -1);
  }
  if (OnMouseUp) OnMouseUp(sender, button, shift, x, y);
}

void kxvSpin::SpinClick(TObject* sender, TUDBtnType button) {
  if (button == btNext) {
    if (OnUpClick) OnUpClick(sender);
  } else {
    if (OnDownClick) OnDownClick(sender);
  }
  if (OnClick) OnClick(sender, button);
}

// --- kxvSpinEdit ------------------------------------------------------------

kxvSpinEdit::kxvSpinEdit(TComponent* owner) : TCustomEdit(owner), spin_(new kxvSpin(this)) {
  TCustomEdit::SetBounds(0, 0, 121, 21);
  spin_->SetParent(Parent());
  spin_->SetBounds(spin_->Left(), spin_->Top(), 15, Height() - 4);
  spin_->Show();
  spin_->SetAlignButton(udRight);
  spin_->OnClick = [this](TObject* sender, TUDBtnType button) { SpinClick(sender, button); };
  SetText("0");
}

kxvSpinEdit::~kxvSpinEdit() = default;  // the spin goes as an owned component

void kxvSpinEdit::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.ClassName = "kxvSpinEdit";
  params.Style |= WS_CLIPCHILDREN;
}

void kxvSpinEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  spin_->SetParent(Parent());
  spin_->SetAssociate(this);
}

void kxvSpinEdit::SetParent(TWinControl* parent) {
  TCustomEdit::SetParent(parent);
  spin_->SetParent(Parent());
}

void kxvSpinEdit::SetBounds(int left, int top, int width, int height) {
  TCustomEdit::SetBounds(left, top, width, height);
  if (HandleAllocated()) spin_->AdjustRect();
}

void kxvSpinEdit::FontChanged() {
  TCustomEdit::FontChanged();
  if (HandleAllocated()) spin_->AdjustRect();
}

void kxvSpinEdit::HintChanged() {
  TCustomEdit::HintChanged();
  spin_->SetHint(Hint());
  if (ParentShowHint()) spin_->SetParentShowHint(true);
  else spin_->SetShowHint(ShowHint());
}

void kxvSpinEdit::SetPosition(int16_t position) {
  SetText(IntToStr(position));
  spin_->SetPosition(position);
  Show();
}

void kxvSpinEdit::SpinClick(TObject* sender, TUDBtnType button) {
  if (button == btNext) {
    if (OnUpClick) OnUpClick(sender);
  } else {
    if (OnDownClick) OnDownClick(sender);
  }
  if (OnSpinClick) OnSpinClick(sender, button);
}

namespace Spinedit {
void Register() {
  RegisterComponent<kxvSpin>("NORDA", "kxvSpin");
  RegisterComponent<kxvSpinEdit>("NORDA", "kxvSpinEdit");
}
}  // namespace Spinedit
