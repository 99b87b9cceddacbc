#include "framework/Buttons.h"

#include <algorithm>

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {
  glyph_.OnChange = [this](TObject*) { GlyphChanged(); };
}

TBitBtn::~TBitBtn() { glyph_.OnChange = nullptr; }

void TBitBtn::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.ClassName = "TBitBtn";
  params.Style = (params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
  defaultLook_ = Default();
}

void TBitBtn::SetGlyph(const TBitmap* glyph) { glyph_.Assign(glyph); }

void TBitBtn::GlyphChanged() {
  const SIZE size{glyph_.Width(), glyph_.Height()};
  if (size.cx != glyphSize_.cx || size.cy != glyphSize_.cy) {
    glyphSize_ = size;
    if (size.cy > 0 && size.cx > size.cy && size.cx % size.cy == 0 && size.cx / size.cy <= 4) {
      numGlyphs_ = size.cx / size.cy;
    }
  }
  Invalidate();
}

void TBitBtn::SetNumGlyphs(int count) {
  count = std::clamp(count, 1, 4);
  if (count == numGlyphs_) return;
  numGlyphs_ = count;
  Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  Invalidate();
}

void TBitBtn::SetMargin(int margin) {
  margin = std::max(margin, -1);
  if (margin == margin_) return;
  margin_ = margin;
  Invalidate();
}

void TBitBtn::SetSpacing(int spacing) {
  if (spacing == spacing_) return;
  spacing_ = spacing;
  Invalidate();
}

void TBitBtn::ShowDefaultLook(bool look) {
  // The frame is ours to draw: the window's style stays owner-drawn.
  if (look == defaultLook_) return;
  defaultLook_ = look;
  Invalidate();
}

void TBitBtn::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button reports a second quick click as a double
      // click instead of pushing: a push button clicks every time.
      m.Msg = WM_LBUTTONDOWN;
      break;
    case WM_GETDLGCODE:
      // What a push button answers, so that the dialog keys treat it as one.
      m.Result = DLGC_BUTTON | (defaultLook_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      return;
    case BM_SETSTYLE:
      m.WParam = (m.WParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
      break;
    default:
      break;
  }
  TButton::WndProc(m);
}

bool TBitBtn::CNDrawItem(DRAWITEMSTRUCT* item, LRESULT& result) {
  TCanvas canvas(item->hDC);
  DrawButton(canvas, item->rcItem, item->itemState);
  result = TRUE;
  return true;
}

void TBitBtn::DrawButton(TCanvas& canvas, RECT rect, UINT state) {
  const bool pushed = (state & ODS_SELECTED) != 0;
  const bool focused = (state & ODS_FOCUS) != 0;
  const bool enabled = !(state & ODS_DISABLED) && ShowsEnabled(this);
  HDC dc = canvas.Handle();

  canvas.FillRect(rect, clBtnFace);
  RECT r = rect;
  if (defaultLook_ || focused) {
    canvas.Brush().SetColor(clWindowFrame);
    canvas.FrameRect(r);
    InflateRect(&r, -1, -1);
  }
  if (pushed && (defaultLook_ || focused)) {
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FrameRect(r);
    InflateRect(&r, -2, -2);
  } else {
    DrawEdge(dc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  }
  const RECT focus{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  RECT content = r;
  if (pushed) OffsetRect(&content, 1, 1);

  // The sizes of the two parts.
  const int gw = glyph_.Empty() ? 0 : glyph_.Width() / numGlyphs_;
  const int gh = glyph_.Empty() ? 0 : glyph_.Height();
  canvas.SetFont(Font());
  UINT textFlags = DT_SINGLELINE;
  if (state & ODS_NOACCEL) textFlags |= DT_HIDEPREFIX;
  SIZE text{0, 0};
  if (!Caption().empty()) {
    RECT calc{0, 0, 0, 0};
    DrawTextA(dc, Caption().c_str(), static_cast<int>(Caption().size()), &calc,
              textFlags | DT_CALCRECT);
    text = SIZE{calc.right, calc.bottom};
  }

  // Along the layout's axis: margin, glyph, spacing, caption.
  const bool across = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  const int room = across ? content.right - content.left : content.bottom - content.top;
  const int glyphLength = across ? gw : gh;
  const int textLength = across ? text.cx : text.cy;
  int margin = margin_, spacing = spacing_;
  if (glyphLength == 0 || textLength == 0) spacing = 0;
  if (margin < 0) {
    if (spacing < 0) {
      margin = spacing = (room - glyphLength - textLength) / 3;
    } else {
      margin = (room - glyphLength - textLength - spacing) / 2;
    }
  } else if (spacing < 0) {
    spacing = (room - margin - glyphLength - textLength) / 2;
  }
  int glyphAt, textAt;
  if (layout_ == blGlyphLeft || layout_ == blGlyphTop) {
    glyphAt = margin;
    textAt = margin + glyphLength + spacing;
  } else {
    glyphAt = room - margin - glyphLength;
    textAt = glyphAt - spacing - textLength;
  }
  POINT glyphPos, textPos;
  if (across) {
    glyphPos = {content.left + glyphAt, content.top + (content.bottom - content.top - gh) / 2};
    textPos = {content.left + textAt, content.top + (content.bottom - content.top - text.cy) / 2};
  } else {
    glyphPos = {content.left + (content.right - content.left - gw) / 2, content.top + glyphAt};
    textPos = {content.left + (content.right - content.left - text.cx) / 2, content.top + textAt};
  }

  if (gw > 0 && gh > 0) {
    int part = 0;
    if (!enabled && numGlyphs_ > 1) part = 1;
    else if (pushed && numGlyphs_ > 2) part = 2;
    const RECT source{part * gw, 0, (part + 1) * gw, gh};
    const TColor transparent = glyph_.Canvas().Pixels(0, glyph_.Height() - 1);
    if (!enabled && numGlyphs_ == 1) {
      DrawDisabled(canvas, glyphPos.x, glyphPos.y, glyph_, source, transparent);
    } else {
      DrawTransparent(canvas, glyphPos.x, glyphPos.y, glyph_, source, transparent);
    }
  }
  if (text.cx > 0) {
    const RECT where{textPos.x, textPos.y, textPos.x + text.cx, textPos.y + text.cy};
    DrawControlText(canvas, where, Caption(), textFlags, clBtnText, enabled);
  }
  if (focused) canvas.DrawFocusRect(focus);
}
