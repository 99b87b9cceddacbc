// The bitmap button: a push button that shows a picture beside its caption.
#pragma once

#include "framework/StdCtrls.h"

#include <windows.h>

// Where the picture sits, the caption taking the other side.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A push button with a glyph, drawn by itself (an owner-drawn button whose
// WM_DRAWITEM comes back to it). It is a TButton in everything else: the
// default and cancel roles, ModalResult, Space, and Enter and Escape on its
// form. The glyph holds NumGlyphs pictures side by side: up, disabled,
// pushed (and a fourth, kept for stay-down buttons, not shown); a missing
// disabled picture is made by embossing the up one. The colour of the
// glyph's bottom left pixel is transparent. "&" in the caption underlines
// the next character, which is the button's mnemonic.
class TBitBtn : public TButton {
public:
  explicit TBitBtn(TComponent* owner);
  ~TBitBtn() override;

  // The button's own bitmap: drawing into it or loading it repaints the
  // button. A new glyph whose width is 2 to 4 times its height sets
  // NumGlyphs to that count.
  TBitmap& Glyph() { return glyph_; }
  // Copies glyph (null leaves the button without one).
  void SetGlyph(const TBitmap* glyph);
  int NumGlyphs() const { return numGlyphs_; }
  // 1 to 4; other values are brought into that range.
  void SetNumGlyphs(int count);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  // Pixels between the edge and the glyph's side; -1 centres glyph and
  // caption together.
  int Margin() const { return margin_; }
  void SetMargin(int margin);
  // Pixels between the glyph and the caption.
  int Spacing() const { return spacing_; }
  void SetSpacing(int spacing);

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;
  bool CNDrawItem(DRAWITEMSTRUCT* item, LRESULT& result) override;
  void ShowDefaultLook(bool look) override;
  // Paints the button over rect in the state given by ODS_* flags.
  virtual void DrawButton(TCanvas& canvas, RECT rect, UINT state);

private:
  void GlyphChanged();

  TBitmap glyph_;
  SIZE glyphSize_{0, 0};
  int numGlyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  bool defaultLook_ = false;
};
