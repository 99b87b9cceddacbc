// Colours, fonts and a canvas over a device context.
#pragma once

#include "framework/Classes.h"

#include <windows.h>

#include <cstdint>

// An RGB value, or a system colour index with the high bit set.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clGray = 0x808080;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0x80000000 | COLOR_BTNFACE);
constexpr TColor clBtnShadow = static_cast<TColor>(0x80000000 | COLOR_BTNSHADOW);
constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000000 | COLOR_BTNHIGHLIGHT);
constexpr TColor clWindow = static_cast<TColor>(0x80000000 | COLOR_WINDOW);
constexpr TColor clWindowText = static_cast<TColor>(0x80000000 | COLOR_WINDOWTEXT);
constexpr TColor clGrayText = static_cast<TColor>(0x80000000 | COLOR_GRAYTEXT);

COLORREF ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4 };

// A logical font; the platform font is made on demand and remade after a
// change. Height is the character height in pixels.
class TFont : public TPersistent {
public:
  TFont();
  ~TFont() override;

  const String& Name() const { return name_; }
  void SetName(const String& name);
  int Height() const { return height_; }
  void SetHeight(int height);
  unsigned Style() const { return style_; }
  void SetStyle(unsigned style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE charset);
  // A serif face for a font whose Name is empty.
  void SetPitchAndFamily(BYTE family);

  HFONT Handle();
  void Assign(const TPersistent& source) override;

  TNotifyEvent OnChange;

private:
  void Changed();

  String name_ = "ＭＳ Ｐゴシック";
  int height_ = 12;
  unsigned style_ = 0;
  TColor color_ = clWindowText;
  BYTE charset_ = SHIFTJIS_CHARSET;
  BYTE family_ = DEFAULT_PITCH | FF_DONTCARE;
  HFONT handle_ = nullptr;
};

// Drawing on a borrowed device context; restores the context on
// destruction.
class TCanvas {
public:
  explicit TCanvas(HDC dc);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return dc_; }
  void SetFont(TFont& font);
  void FillRect(const RECT& rect, TColor color);
  // Text in rect with DrawText flags; transparent background.
  void TextRect(RECT rect, const String& text, UINT flags, TColor color);
  void Draw(int x, int y, HICON icon);
  SIZE TextExtent(const String& text);

private:
  HDC dc_;
  int saved_;
};
