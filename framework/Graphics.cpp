#include "framework/Graphics.h"

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color);
}

// --- TFont ------------------------------------------------------------------

TFont::TFont() = default;

TFont::~TFont() {
  if (handle_) DeleteObject(handle_);
}

void TFont::Changed() {
  if (handle_) {
    DeleteObject(handle_);
    handle_ = nullptr;
  }
  if (OnChange) OnChange(this);
}

void TFont::SetName(const String& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

void TFont::SetStyle(unsigned style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  // The colour is not part of the platform font.
  if (OnChange) OnChange(this);
}

void TFont::SetCharset(BYTE charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetPitchAndFamily(BYTE family) {
  if (family == family_) return;
  family_ = family;
  Changed();
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONTA lf{};
    lf.lfHeight = -height_;  // negative: the character height, not the cell
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) != 0;
    lf.lfUnderline = (style_ & fsUnderline) != 0;
    lf.lfCharSet = charset_;
    lf.lfPitchAndFamily = family_;
    lstrcpynA(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
    handle_ = CreateFontIndirectA(&lf);
  }
  return handle_;
}

void TFont::Assign(const TPersistent& source) {
  if (auto font = dynamic_cast<const TFont*>(&source)) {
    name_ = font->name_;
    height_ = font->height_;
    style_ = font->style_;
    color_ = font->color_;
    charset_ = font->charset_;
    family_ = font->family_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// --- TCanvas ----------------------------------------------------------------

TCanvas::TCanvas(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}

TCanvas::~TCanvas() { RestoreDC(dc_, saved_); }

void TCanvas::SetFont(TFont& font) { SelectObject(dc_, font.Handle()); }

void TCanvas::FillRect(const RECT& rect, TColor color) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
  ::FillRect(dc_, &rect, brush);
  DeleteObject(brush);
}

void TCanvas::TextRect(RECT rect, const String& text, UINT flags, TColor color) {
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, ColorToRGB(color));
  DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

void TCanvas::Draw(int x, int y, HICON icon) { DrawIcon(dc_, x, y, icon); }

SIZE TCanvas::TextExtent(const String& text) {
  SIZE size{};
  GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}
