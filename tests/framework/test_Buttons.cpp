#include "framework/Buttons.h"

#include "framework/Forms.h"

#include "tests/helpers/Shot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr TColor kMagenta = 0xFF00FF;

// A 16 x 16 glyph per part: magenta (transparent, from the bottom left
// pixel) around an 8 x 8 square of the part's colour.
void MakeGlyph(TBitmap& glyph, std::vector<TColor> parts) {
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(16 * static_cast<int>(parts.size()), 16);
  glyph.Canvas().FillRect(RECT{0, 0, glyph.Width(), 16}, kMagenta);
  for (size_t i = 0; i < parts.size(); ++i) {
    const int left = 16 * static_cast<int>(i);
    glyph.Canvas().FillRect(RECT{left + 4, 4, left + 12, 12}, parts[i]);
  }
}

TBitBtn* PutButton(TForm& form, int left, int top, const char* caption) {
  auto* button = new TBitBtn(&form);
  button->SetParent(&form);
  button->SetBounds(left, top, 100, 40);
  button->SetCaption(caption);
  return button;
}

void Mouse(TWinControl* control, UINT msg, int x = 10, int y = 10) {
  SendMessageA(control->Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
}

// A key as the message loop hands it to the dialog manager.
void PressKey(TForm& form, TWinControl* target, WPARAM key, UINT msg = WM_KEYDOWN) {
  MSG m{target->Handle(), msg, key, 1, 0, {}};
  IsDialogMessageA(form.Handle(), &m);
}

DWORD ButtonType(TWinControl* c) { return GetWindowLongA(c->Handle(), GWL_STYLE) & BS_TYPEMASK; }

}  // namespace

TEST(TBitBtn, ClicksWithTheMouseAndSpaceEvenInQuickSuccession) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  TBitBtn* button = PutButton(form, 10, 10, "&Go");
  int clicks = 0;
  button->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, button);
    ++clicks;
  };
  form.Show();
  EXPECT_EQ(ButtonType(button), static_cast<DWORD>(BS_OWNERDRAW));
  Mouse(button, WM_LBUTTONDOWN);
  Mouse(button, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(button->Focused());
  // The second click of a double click clicks too.
  Mouse(button, WM_LBUTTONDBLCLK);
  Mouse(button, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 2);
  // Released outside: no click.
  Mouse(button, WM_LBUTTONDOWN);
  Mouse(button, WM_LBUTTONUP, 150, 10);
  EXPECT_EQ(clicks, 2);
  SendMessageA(button->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  SendMessageA(button->Handle(), WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(clicks, 3);
  // The mnemonic from anywhere on the form.
  auto* other = PutButton(form, 10, 60, "Other");
  other->SetFocus();
  PressKey(form, other, 'g', WM_SYSCHAR);
  EXPECT_EQ(clicks, 4);
}

TEST(TBitBtn, EnterPressesTheDefaultOrFocusedButtonEscapeTheCancelButton) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  auto* list = new TListBox(&form);
  list->SetParent(&form);
  list->SetBounds(10, 10, 100, 60);
  TBitBtn* ok = PutButton(form, 120, 10, "OK");
  TBitBtn* cancel = PutButton(form, 120, 60, "Cancel");
  int oks = 0, cancels = 0;
  ok->OnClick = [&](TObject*) { ++oks; };
  cancel->OnClick = [&](TObject*) { ++cancels; };
  ok->SetDefault(true);
  cancel->SetCancel(true);
  EXPECT_EQ(form.DefaultButton(), ok);
  form.Show();
  list->SetFocus();
  PressKey(form, list, VK_RETURN);
  PressKey(form, list, VK_ESCAPE);
  EXPECT_EQ(oks, 1);
  EXPECT_EQ(cancels, 1);
  // The focused button takes Enter while it has the focus.
  cancel->SetFocus();
  PressKey(form, cancel, VK_RETURN);
  EXPECT_EQ(cancels, 2);
  EXPECT_EQ(oks, 1);
  EXPECT_EQ(ButtonType(ok), static_cast<DWORD>(BS_OWNERDRAW));
  EXPECT_EQ(ButtonType(cancel), static_cast<DWORD>(BS_OWNERDRAW));
  ok->SetEnabled(false);
  list->SetFocus();
  PressKey(form, list, VK_RETURN);
  EXPECT_EQ(oks, 1);
}

TEST(TBitBtn, AClickWithAModalResultEndsShowModal) {
  TForm form(nullptr);
  TBitBtn* ok = PutButton(form, 10, 10, "OK");
  ok->SetModalResult(mrOk);
  PostMessageA(ok->Handle(), BM_CLICK, 0, 0);
  PostMessageA(form.Handle(), WM_CLOSE, 0, 0);  // ends the loop should the click go astray
  EXPECT_EQ(form.ShowModal(), mrOk);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

TEST(TBitBtn, TheGlyphIsDrawnTransparentlyWhereTheLayoutPutsIt) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  TBitBtn* button = PutButton(form, 10, 10, "");
  TBitmap glyph;
  MakeGlyph(glyph, {clRed});
  button->SetGlyph(&glyph);
  EXPECT_EQ(button->NumGlyphs(), 1);
  EXPECT_EQ(button->Layout(), blGlyphLeft);
  EXPECT_EQ(button->Margin(), -1);
  EXPECT_EQ(button->Spacing(), 4);
  form.Show();
  Shot alone(button);
  EXPECT_EQ(alone.Count(RGB(255, 0, 0)), 64);
  EXPECT_EQ(alone.Count(RGB(255, 0, 255)), 0);
  RECT red = alone.Box(RGB(255, 0, 0));
  EXPECT_LE(std::abs((red.left + red.right) / 2 - 50), 2);  // centred
  EXPECT_LE(std::abs((red.top + red.bottom) / 2 - 20), 2);
  EXPECT_EQ(alone.At(red.left - 1, red.top), GetSysColor(COLOR_BTNFACE));

  // With a caption: glyph left of the text, or right, above, below.
  button->SetCaption("WWWW");
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  Shot left(button);
  red = left.Box(RGB(255, 0, 0));
  RECT ink = left.Box(text);
  EXPECT_LT(red.right, ink.left);
  button->SetLayout(blGlyphRight);
  Shot right(button);
  EXPECT_GT(right.Box(RGB(255, 0, 0)).left, right.Box(text).right);
  button->SetBounds(10, 10, 100, 80);
  button->SetLayout(blGlyphTop);
  Shot top(button);
  EXPECT_LT(top.Box(RGB(255, 0, 0)).bottom, top.Box(text).top);
  button->SetLayout(blGlyphBottom);
  Shot bottom(button);
  EXPECT_GT(bottom.Box(RGB(255, 0, 0)).top, bottom.Box(text).bottom);
  // A margin places the glyph from the edge (2 pixels of frame).
  button->SetLayout(blGlyphLeft);
  button->SetMargin(5);
  EXPECT_EQ(Shot(button).Box(RGB(255, 0, 0)).left, 2 + 5 + 4);
  // Drawing into the glyph repaints with the new picture.
  button->Glyph().Canvas().FillRect(RECT{4, 4, 12, 12}, clBlue);
  Shot blue(button);
  EXPECT_EQ(blue.Count(RGB(0, 0, 255)), 64);
  EXPECT_EQ(blue.Count(RGB(255, 0, 0)), 0);
}

TEST(TBitBtn, PushedFocusedDefaultAndDisabledLooks) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  TBitBtn* button = PutButton(form, 10, 10, "");
  TBitBtn* other = PutButton(form, 10, 60, "");
  TBitmap glyph;
  MakeGlyph(glyph, {clRed, clBlue, clLime});
  button->SetGlyph(&glyph);
  EXPECT_EQ(button->NumGlyphs(), 3);  // from the glyph's shape
  form.Show();
  other->SetFocus();
  const COLORREF red = RGB(255, 0, 0);
  Shot up(button);
  const RECT upBox = up.Box(red);
  EXPECT_EQ(up.Count(red), 64);
  EXPECT_EQ(up.At(0, 0), GetSysColor(COLOR_3DLIGHT));

  // Held down: the pushed part, one pixel down and right.
  Mouse(button, WM_LBUTTONDOWN);
  Shot pushed(button);
  EXPECT_EQ(pushed.Count(red), 0);
  const RECT downBox = pushed.Box(RGB(0, 255, 0));
  EXPECT_EQ(downBox.left, upBox.left + 1);
  EXPECT_EQ(downBox.top, upBox.top + 1);
  Mouse(button, WM_LBUTTONUP);

  // Focused (after the click): the heavy frame and a focus rectangle.
  ASSERT_TRUE(button->Focused());
  Shot focused(button);
  EXPECT_EQ(focused.At(0, 0), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_NE(focused.pixels, Shot(other).pixels);
  int changed = 0;
  for (int x = 4; x < 96; ++x) changed += focused.At(x, 4) != up.At(x, 4);
  EXPECT_GT(changed, 20);  // the dotted focus line
  // A default button keeps the heavy frame without the focus.
  other->SetDefault(true);
  other->SetFocus();
  EXPECT_EQ(Shot(other).At(0, 0), GetSysColor(COLOR_WINDOWFRAME));
  button->SetFocus();
  EXPECT_EQ(Shot(other).At(0, 0), GetSysColor(COLOR_3DLIGHT));  // the focused one presses Enter
  other->SetFocus();

  // Disabled: the disabled part.
  button->SetEnabled(false);
  Shot disabled(button);
  EXPECT_EQ(disabled.Count(RGB(0, 0, 255)), 64);
  EXPECT_EQ(disabled.Count(red), 0);
  // With one part only, an embossed grey picture.
  button->SetNumGlyphs(1);
  Shot embossed(button);
  EXPECT_EQ(embossed.Count(red), 0);
  for (int y = upBox.top; y < upBox.bottom; ++y) {
    for (int x = upBox.left; x < upBox.right; ++x) {
      EXPECT_EQ(embossed.At(x, y), GetSysColor(COLOR_BTNSHADOW)) << x << "," << y;
    }
  }
  // The highlight shows one pixel down and right of the shade.
  EXPECT_EQ(embossed.At(upBox.right, upBox.bottom), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(embossed.At(upBox.right + 1, upBox.bottom), GetSysColor(COLOR_BTNFACE));
}

TEST(TBitBtn, TheCaptionUnderlinesItsMnemonicAndGreysWhenDisabled) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  TBitBtn* plain = PutButton(form, 10, 10, "Go");
  TBitBtn* marked = PutButton(form, 10, 60, "&Go");
  form.Show();
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  const RECT a = Shot(plain).Box(text), b = Shot(marked).Box(text);
  EXPECT_EQ(a.left, b.left);  // the "&" takes no room
  EXPECT_EQ(a.right, b.right);
  EXPECT_GT(b.bottom, a.bottom);  // the underline below the letters
  marked->SetEnabled(false);
  Shot grey(marked);
  EXPECT_EQ(grey.Count(text), 0);
  EXPECT_GT(grey.Count(GetSysColor(COLOR_BTNSHADOW)), 5);
}
