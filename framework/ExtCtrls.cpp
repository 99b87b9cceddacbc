#include "framework/ExtCtrls.h"

#include "framework/StdCtrls.h"

namespace {

// One bevel, width pixels deep, drawn inside r; r shrinks past it.
void DrawBevel(TCanvas& canvas, RECT& r, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  const TColor topLeft = cut == bvRaised ? clBtnHighlight : clBtnShadow;
  const TColor bottomRight = cut == bvRaised ? clBtnShadow : clBtnHighlight;
  for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
    canvas.FillRect(RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
    canvas.FillRect(RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
    canvas.FillRect(RECT{r.left + 1, r.bottom - 1, r.right, r.bottom}, bottomRight);
    canvas.FillRect(RECT{r.right - 1, r.top + 1, r.right, r.bottom}, bottomRight);
    InflateRect(&r, -1, -1);
  }
}

}  // namespace

// --- TPanel -----------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {}

void TPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.ClassName = "TPanel";
}

void TPanel::PaintWindow(HDC dc) {
  {
    TCanvas canvas(dc);
    RECT r = ClientRect();
    DrawBevel(canvas, r, bevelOuter_, bevelWidth_);
    DrawBevel(canvas, r, bevelInner_, bevelWidth_);
    if (!caption_.empty()) {
      canvas.SetFont(Font());
      UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | DT_NOPREFIX;
      if (alignment_ == taCenter) flags |= DT_CENTER;
      else if (alignment_ == taRightJustify) flags |= DT_RIGHT;
      // Captions are often paths: "&" is shown, not taken as a mnemonic.
      DrawControlText(canvas, r, caption_, flags, Font().Color(), ShowsEnabled(this));
    }
  }
  // Labels and images come over the caption.
  TCustomControl::PaintWindow(dc);
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevelOuter_) return;
  bevelOuter_ = bevel;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  if (bevel == bevelInner_) return;
  bevelInner_ = bevel;
  Invalidate();
}

void TPanel::SetBevelWidth(int width) {
  if (width < 1) width = 1;
  if (width == bevelWidth_) return;
  bevelWidth_ = width;
  Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

// --- TImage -----------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {}

void TImage::SetIcon(HICON icon) {
  if (icon == icon_) return;
  icon_ = icon;
  Invalidate();
}

void TImage::SetStockIcon(LPCSTR id) { SetIcon(LoadIconA(nullptr, id)); }

void TImage::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  if (!icon_) return;
  int x = 0, y = 0;
  if (center_) {
    // DrawIcon draws at the system's icon size.
    x = (Width() - GetSystemMetrics(SM_CXICON)) / 2;
    y = (Height() - GetSystemMetrics(SM_CYICON)) / 2;
  }
  canvas.Draw(x, y, icon_);
}
