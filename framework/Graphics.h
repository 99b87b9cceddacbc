// Colours, fonts, brushes and pens; canvases over a borrowed device context
// or one of their own; graphics and the bitmap.
#pragma once

#include "framework/Bmpfile.h"
#include "framework/Classes.h"

#include <windows.h>

#include <cstdint>
#include <memory>

// An RGB value, or a system colour index with the high bit set.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clGray = 0x808080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clNavy = 0x800000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0x80000000 | COLOR_BTNFACE);
constexpr TColor clBtnShadow = static_cast<TColor>(0x80000000 | COLOR_BTNSHADOW);
constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000000 | COLOR_BTNHIGHLIGHT);
constexpr TColor clWindow = static_cast<TColor>(0x80000000 | COLOR_WINDOW);
constexpr TColor clWindowText = static_cast<TColor>(0x80000000 | COLOR_WINDOWTEXT);
constexpr TColor clGrayText = static_cast<TColor>(0x80000000 | COLOR_GRAYTEXT);
constexpr TColor clBtnText = static_cast<TColor>(0x80000000 | COLOR_BTNTEXT);
constexpr TColor clWindowFrame = static_cast<TColor>(0x80000000 | COLOR_WINDOWFRAME);

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
  BYTE PitchAndFamily() const { return family_; }
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


enum TBrushStyle { bsSolid, bsClear };

// A brush: solid in Color, or none (shapes are not filled, text keeps
// what is behind it). The platform brush is made on demand.
class TBrush : public TPersistent {
public:
  TBrush() = default;
  ~TBrush() override;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  HBRUSH Handle();
  void Assign(const TPersistent& source) override;

  TNotifyEvent OnChange;

private:
  void Changed();

  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  HBRUSH handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How the pen's colour meets what is there (the platform's binary raster
// operations, in the same order).
enum TPenMode {
  pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot, pmXor, pmNotMask, pmMask,
  pmNotXor, pmNop, pmMergeNotPen, pmCopy, pmMergePenNot, pmMerge, pmWhite
};

// A pen for lines and outlines. Mode is not part of the platform pen: the
// canvas applies it to its context.
class TPen : public TPersistent {
public:
  TPen() = default;
  ~TPen() override;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);
  HPEN Handle();
  void Assign(const TPersistent& source) override;

  TNotifyEvent OnChange;

private:
  void Changed();

  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  HPEN handle_ = nullptr;
};

class TGraphic;
class TBitmap;
class TCanvas;
// Draws part source of bitmap at (x, y) of canvas, leaving the pixels of
// colour transparent as they were.
void DrawTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap, const RECT& source,
                     TColor transparent);
// The same part as controls show a disabled picture: what is not
// transparent, embossed in the button highlight and shadow colours.
void DrawDisabled(TCanvas& canvas, int x, int y, TBitmap& bitmap, const RECT& source,
                  TColor transparent);

// Drawing on a device context with the canvas's Font, Brush and Pen.
//
// Made from a DC, the canvas borrows it: it saves the context's state and
// restores it on destruction, and selects its own objects only once they
// are used, so a borrowed context keeps its font, brush and pen until the
// canvas is told otherwise. A canvas made without a DC gets one from
// CreateHandle when first needed (a bitmap's canvas makes a memory DC);
// its objects are selected from the start. Objects are deselected before
// they change, so no platform object is ever deleted while selected.
class TCanvas : public TPersistent {
public:
  TCanvas();
  explicit TCanvas(HDC dc);
  ~TCanvas() override;

  // The context with the canvas's objects in use (made on demand).
  HDC Handle() const;
  // Borrows dc (saving its state); null gives the current one back.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TFont& Font() { return font_; }
  TBrush& Brush() { return brush_; }
  TPen& Pen() { return pen_; }
  // Font() takes font's values and is selected.
  void SetFont(TFont& font);
  // The raster operation of Draw, StretchDraw and CopyRect.
  DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(DWORD mode) { copyMode_ = mode; }
  POINT PenPos() const;

  // With the brush (nothing with bsClear), or with a solid colour.
  void FillRect(const RECT& rect);
  void FillRect(const RECT& rect, TColor color);
  // A one-pixel frame in the brush's colour.
  void FrameRect(const RECT& rect);
  void DrawFocusRect(const RECT& rect);
  // Outlined with the pen, filled with the brush; right and bottom excluded.
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
  void MoveTo(int x, int y);
  // A line with the pen from the pen position, which moves to (x, y); the
  // end point itself is not drawn.
  void LineTo(int x, int y);
  // Text in the font's colour on the brush (transparent with bsClear).
  void TextOut(int x, int y, const String& text);
  // TextOut clipped to rect.
  void TextRect(const RECT& rect, int x, int y, const String& text);
  // Text in rect with DrawText flags and colour; transparent background.
  void TextRect(RECT rect, const String& text, UINT flags, TColor color);
  int TextWidth(const String& text) { return TextExtent(text).cx; }
  int TextHeight(const String& text) { return TextExtent(text).cy; }
  SIZE TextExtent(const String& text);

  void Draw(int x, int y, HICON icon);
  // The graphic at its own size with its top left corner at (x, y).
  void Draw(int x, int y, TGraphic& graphic);
  // The graphic stretched over rect.
  void StretchDraw(const RECT& rect, TGraphic& graphic);
  // Part source of canvas stretched over dest, with CopyMode.
  void CopyRect(const RECT& dest, TCanvas& canvas, const RECT& source);

  // The colour at (x, y), or clNone outside the picture.
  TColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TColor color);

  // Around every drawing operation.
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

protected:
  // Makes a context for a canvas made without one (calls SetHandle).
  virtual void CreateHandle() {}
  // Restores the context's state and forgets it; the context is returned
  // for an owner to delete.
  HDC FreeHandle();
  void Changing();
  void Changed();

private:
  enum : unsigned { csHandle = 1, csFont = 2, csBrush = 4, csPen = 8, csObjects = 14 };
  // Makes the context if needed and selects the objects asked for.
  void RequiredState(unsigned state) const;
  void ObjectChanged(unsigned which);

  mutable HDC dc_ = nullptr;
  mutable int saved_ = 0;
  // What is selected now, and what the canvas has taken over from a
  // borrowed context's own objects.
  mutable unsigned state_ = 0;
  mutable unsigned used_ = 0;
  bool ownsObjects_ = false;
  DWORD copyMode_ = SRCCOPY;
  mutable TFont font_;
  mutable TBrush brush_;
  mutable TPen pen_;

  friend class TBitmap;
  friend void DrawTransparent(TCanvas&, int, int, TBitmap&, const RECT&, TColor);
  friend void DrawDisabled(TCanvas&, int, int, TBitmap&, const RECT&, TColor);
};

class TStream;

// A picture that can draw itself on a canvas and be read from and written
// to streams and files.
class TGraphic : public TPersistent {
public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;

  // The file opened for reading, shared with other readers.
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);
  // From the stream's position; EInvalidGraphic when it holds no valid
  // picture.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;

  // After every change of the picture.
  TNotifyEvent OnChange;

protected:
  // Draws the picture stretched over rect of canvas.
  virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
  virtual void Changed();

  friend class TCanvas;
};

// How a bitmap keeps its pixels: a device-dependent bitmap in the screen's
// format, or a DIB section of that many bits (15 and 16 bits are 5-5-5 and
// 5-6-5; pfCustom is a DIB section with other masks).
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmapCanvas;
struct DibFormat;

// Whether bitmap is a DIB section; its description into *ds when given.
bool IsDib(HBITMAP bitmap, DIBSECTION* ds = nullptr);
// Row y from the top of a DIB section's pixel memory (call GdiFlush before
// touching pixels GDI may still be drawing).
uint8_t* DibRow(const DIBSECTION& ds, int y);

// A bitmap: a platform bitmap owned by the object, made when it gets a
// size, with a canvas to draw into it.
//
// BMP files load as DIB sections keeping the file's bit count, colour
// table and masks; everything the file says is checked first (Bmpfile) and
// GDI only ever gets checked headers and complete pixel rows. Saving
// writes an uncompressed bottom-up file: a DIB section in its own bit
// count, table and masks; a device-dependent bitmap at 24 bits (1 bit with
// a black and white table when it is monochrome), so files do not depend
// on the depth of the screen they were made on. An empty bitmap saves as
// nothing, and an exhausted stream loads as an empty bitmap.
class TBitmap : public TGraphic {
public:
  TBitmap();
  ~TBitmap() override;

  bool Empty() const override { return handle_ == nullptr; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // A size with a zero side makes the bitmap empty; otherwise the content
  // that still fits stays where it was and new room is white.
  void SetWidth(int width) override { SetSize(width, height_); }
  void SetHeight(int height) override { SetSize(width_, height); }
  void SetSize(int width, int height);

  // Null while empty.
  HBITMAP Handle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Takes ownership of bitmap (any kind); null makes the bitmap empty.
  void SetHandle(HBITMAP bitmap);
  // Gives the bitmap away; the object is left empty.
  HBITMAP ReleaseHandle();

  TPixelFormat PixelFormat() const;
  // Converts the picture; new bitmaps take the format too.
  void SetPixelFormat(TPixelFormat format);
  // The colour table of a DIB section of up to 8 bits (0x00RRGGBB), else
  // empty.
  std::vector<uint32_t> ColorTable() const;

  TCanvas& Canvas();

  // A copy of source's picture (its own platform bitmap); null empties.
  void Assign(const TBitmap* source);
  void Assign(const TPersistent& source) override;

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

protected:
  void Draw(TCanvas& canvas, const RECT& rect) override;

private:
  // Puts bitmap in place of the current one, deleting that.
  void Replace(HBITMAP bitmap, int width, int height, size_t tableSize = 0);
  // A new bitmap of the current kind (or format) and the given size with
  // the overlapping content.
  HBITMAP Copy(int width, int height, TPixelFormat format, size_t* tableSize = nullptr) const;
  // The context to read the bitmap from: the canvas's when it has one.
  HDC SourceDC(HDC& temporary, HGDIOBJ& old) const;
  DibFormat DibLayout(const DIBSECTION& ds) const;

  friend void DrawTransparent(TCanvas&, int, int, TBitmap&, const RECT&, TColor);
  friend void DrawDisabled(TCanvas&, int, int, TBitmap&, const RECT&, TColor);

  HBITMAP handle_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pfDevice;  // of bitmaps made while empty
  // The table entries a DIB section of ours was made with (GDI reports the
  // whole 2^n); 0 for all of them.
  size_t tableSize_ = 0;
  std::unique_ptr<TBitmapCanvas> canvas_;

  friend class TBitmapCanvas;
};

