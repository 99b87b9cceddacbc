#include "framework/Graphics.h"

#include "framework/Streams.h"

#include <algorithm>
#include <cstring>

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
  // The old font goes after the listeners, which take it out of their
  // contexts and windows first: a selected font cannot be deleted.
  HFONT old = handle_;
  handle_ = nullptr;
  if (OnChange) OnChange(this);
  if (old) DeleteObject(old);
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


// --- TBrush -----------------------------------------------------------------

TBrush::~TBrush() {
  if (handle_) DeleteObject(handle_);
}

void TBrush::Changed() {
  HBRUSH old = handle_;
  handle_ = nullptr;
  if (OnChange) OnChange(this);
  if (old) DeleteObject(old);
}

void TBrush::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    LOGBRUSH lb{};
    lb.lbStyle = style_ == bsClear ? BS_NULL : BS_SOLID;
    lb.lbColor = ColorToRGB(color_);
    handle_ = CreateBrushIndirect(&lb);
  }
  return handle_;
}

void TBrush::Assign(const TPersistent& source) {
  if (auto brush = dynamic_cast<const TBrush*>(&source)) {
    color_ = brush->color_;
    style_ = brush->style_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// --- TPen -------------------------------------------------------------------

TPen::~TPen() {
  if (handle_) DeleteObject(handle_);
}

void TPen::Changed() {
  HPEN old = handle_;
  handle_ = nullptr;
  if (OnChange) OnChange(this);
  if (old) DeleteObject(old);
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0) width = 0;
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Changed();
}

HPEN TPen::Handle() {
  if (!handle_) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL,
                                 PS_INSIDEFRAME};
    handle_ = CreatePen(styles[style_], width_, ColorToRGB(color_));
  }
  return handle_;
}

void TPen::Assign(const TPersistent& source) {
  if (auto pen = dynamic_cast<const TPen*>(&source)) {
    color_ = pen->color_;
    width_ = pen->width_;
    style_ = pen->style_;
    mode_ = pen->mode_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// --- TCanvas ----------------------------------------------------------------

TCanvas::TCanvas() : ownsObjects_(true) {
  used_ = csObjects;
  font_.OnChange = [this](TObject*) { ObjectChanged(csFont); };
  brush_.OnChange = [this](TObject*) { ObjectChanged(csBrush); };
  pen_.OnChange = [this](TObject*) { ObjectChanged(csPen); };
}

TCanvas::TCanvas(HDC dc) {
  font_.OnChange = [this](TObject*) { ObjectChanged(csFont); };
  brush_.OnChange = [this](TObject*) { ObjectChanged(csBrush); };
  pen_.OnChange = [this](TObject*) { ObjectChanged(csPen); };
  SetHandle(dc);
}

TCanvas::~TCanvas() {
  FreeHandle();
  font_.OnChange = nullptr;
  brush_.OnChange = nullptr;
  pen_.OnChange = nullptr;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  FreeHandle();
  if (!dc) return;
  dc_ = dc;
  saved_ = SaveDC(dc);
  state_ = csHandle;
}

HDC TCanvas::FreeHandle() {
  HDC dc = dc_;
  if (dc) RestoreDC(dc, saved_);
  dc_ = nullptr;
  state_ = 0;
  return dc;
}

void TCanvas::ObjectChanged(unsigned which) {
  // Out of the context before the old object is deleted.
  if (dc_ && (state_ & which)) {
    if (which == csFont) SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    if (which == csBrush) SelectObject(dc_, GetStockObject(WHITE_BRUSH));
    if (which == csPen) SelectObject(dc_, GetStockObject(BLACK_PEN));
    state_ &= ~which;
  }
  used_ |= which;
}

void TCanvas::RequiredState(unsigned state) const {
  if (!dc_) const_cast<TCanvas*>(this)->CreateHandle();
  if (!dc_) throw Exception("Canvas does not allow drawing");
  const unsigned needed = state & ~state_;
  if (needed & csFont) {
    SelectObject(dc_, font_.Handle());
    SetTextColor(dc_, ColorToRGB(font_.Color()));
  }
  if (needed & csBrush) {
    SelectObject(dc_, brush_.Handle());
    SetBkColor(dc_, ColorToRGB(brush_.Color()));
    SetBkMode(dc_, brush_.Style() == bsClear ? TRANSPARENT : OPAQUE);
  }
  if (needed & csPen) {
    SelectObject(dc_, pen_.Handle());
    SetROP2(dc_, static_cast<int>(pen_.Mode()) + R2_BLACK);
  }
  state_ |= needed | csHandle;
  used_ |= state & csObjects;
}

HDC TCanvas::Handle() const {
  RequiredState(csHandle | used_);
  return dc_;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::SetFont(TFont& font) {
  // Painting sets the same font again and again: no new platform font then.
  if (&font != &font_ &&
      (font.Name() != font_.Name() || font.Height() != font_.Height() ||
       font.Style() != font_.Style() || font.Color() != font_.Color() ||
       font.Charset() != font_.Charset() || font.PitchAndFamily() != font_.PitchAndFamily())) {
    font_.Assign(font);
  }
  RequiredState(csHandle | csFont);
}

POINT TCanvas::PenPos() const {
  POINT p{};
  RequiredState(csHandle);
  GetCurrentPositionEx(dc_, &p);
  return p;
}

void TCanvas::FillRect(const RECT& rect) {
  Changing();
  RequiredState(csHandle | csBrush);
  ::FillRect(dc_, &rect, brush_.Handle());
  Changed();
}

void TCanvas::FillRect(const RECT& rect, TColor color) {
  Changing();
  RequiredState(csHandle | used_);
  HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
  ::FillRect(dc_, &rect, brush);
  DeleteObject(brush);
  Changed();
}

void TCanvas::FrameRect(const RECT& rect) {
  Changing();
  RequiredState(csHandle | csBrush);
  ::FrameRect(dc_, &rect, brush_.Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const RECT& rect) {
  Changing();
  RequiredState(csHandle | used_);
  // Drawn with the text and background colours: black and white, so it
  // inverts whatever is below.
  COLORREF text = SetTextColor(dc_, RGB(0, 0, 0));
  COLORREF back = SetBkColor(dc_, RGB(255, 255, 255));
  ::DrawFocusRect(dc_, &rect);
  SetTextColor(dc_, text);
  SetBkColor(dc_, back);
  Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  Changing();
  RequiredState(csHandle | csBrush | csPen);
  ::Rectangle(dc_, left, top, right, bottom);
  Changed();
}

void TCanvas::MoveTo(int x, int y) {
  RequiredState(csHandle);
  MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequiredState(csHandle | csPen);
  ::LineTo(dc_, x, y);
  Changed();
}

void TCanvas::TextOut(int x, int y, const String& text) {
  Changing();
  RequiredState(csHandle | csFont | csBrush);
  // TextRect's colour may have changed these meanwhile.
  SetTextColor(dc_, ColorToRGB(font_.Color()));
  SetBkColor(dc_, ColorToRGB(brush_.Color()));
  SetBkMode(dc_, brush_.Style() == bsClear ? TRANSPARENT : OPAQUE);
  ::TextOutA(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
  Changed();
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const String& text) {
  Changing();
  RequiredState(csHandle | csFont | csBrush);
  SetTextColor(dc_, ColorToRGB(font_.Color()));
  SetBkColor(dc_, ColorToRGB(brush_.Color()));
  UINT options = ETO_CLIPPED;
  if (brush_.Style() != bsClear) options |= ETO_OPAQUE;
  SetBkMode(dc_, brush_.Style() == bsClear ? TRANSPARENT : OPAQUE);
  ExtTextOutA(dc_, x, y, options, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

void TCanvas::TextRect(RECT rect, const String& text, UINT flags, TColor color) {
  Changing();
  RequiredState(csHandle | used_);
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, ColorToRGB(color));
  DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rect, flags);
  Changed();
}

SIZE TCanvas::TextExtent(const String& text) {
  RequiredState(csHandle | used_);
  SIZE size{};
  GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void TCanvas::Draw(int x, int y, HICON icon) {
  Changing();
  RequiredState(csHandle | used_);
  DrawIcon(dc_, x, y, icon);
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, RECT{x, y, x + graphic.Width(), y + graphic.Height()});
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, rect);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& canvas, const RECT& source) {
  Changing();
  RequiredState(csHandle | used_);
  canvas.RequiredState(csHandle);
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  const int sw = source.right - source.left, sh = source.bottom - source.top;
  if (dw == sw && dh == sh) {
    BitBlt(dc_, dest.left, dest.top, dw, dh, canvas.dc_, source.left, source.top, copyMode_);
  } else {
    const int mode = SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, dest.left, dest.top, dw, dh, canvas.dc_, source.left, source.top, sw, sh,
               copyMode_);
    SetStretchBltMode(dc_, mode);
  }
  Changed();
}

TColor TCanvas::Pixels(int x, int y) const {
  RequiredState(csHandle);
  const COLORREF c = GetPixel(dc_, x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  Changing();
  RequiredState(csHandle);
  SetPixel(dc_, x, y, ColorToRGB(color));
  Changed();
}

// --- TGraphic ---------------------------------------------------------------

void TGraphic::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const String& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

// --- TBitmap ----------------------------------------------------------------

// The layout of a DIB section: what it is made with and saved as.
struct DibFormat {
  uint16_t bitCount = 0;
  bool bitfields = false;
  uint32_t masks[3] = {0, 0, 0};
  std::vector<uint32_t> colors;
};

namespace {

// The 16 colours of the standard VGA palette.
const uint32_t kVgaColors[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

DibFormat FormatFor(TPixelFormat format) {
  DibFormat f;
  switch (format) {
    case pf1bit:
      f.bitCount = 1;
      f.colors = {0x000000, 0xFFFFFF};
      break;
    case pf4bit:
      f.bitCount = 4;
      f.colors.assign(kVgaColors, kVgaColors + 16);
      break;
    case pf8bit:
      // The VGA colours, a 6x6x6 cube and a ramp of greys.
      f.bitCount = 8;
      f.colors.assign(kVgaColors, kVgaColors + 16);
      for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
          for (int b = 0; b < 6; ++b) {
            f.colors.push_back(static_cast<uint32_t>((r * 51) << 16 | (g * 51) << 8 | (b * 51)));
          }
        }
      }
      for (int i = 1; f.colors.size() < 256; ++i) {
        const uint32_t v = static_cast<uint32_t>(i * 10);
        f.colors.push_back(v << 16 | v << 8 | v);
      }
      break;
    case pf15bit:
      f.bitCount = 16;
      break;
    case pf16bit:
      f.bitCount = 16;
      f.bitfields = true;
      f.masks[0] = 0xF800, f.masks[1] = 0x07E0, f.masks[2] = 0x001F;
      break;
    case pf24bit:
      f.bitCount = 24;
      break;
    default:
      f.bitCount = 32;
      break;
  }
  if (!f.bitfields) DefaultBmpMasks(f.bitCount, f.masks);
  return f;
}

struct InfoBuffer {
  BITMAPINFOHEADER header;
  uint32_t rest[256 + 3];
};

HBITMAP CreateDib(int width, int height, const DibFormat& f, void** bits) {
  InfoBuffer info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;  // bottom-up, as files are
  info.header.biPlanes = 1;
  info.header.biBitCount = f.bitCount;
  info.header.biCompression = f.bitfields ? BI_BITFIELDS : BI_RGB;
  if (f.bitfields) {
    std::copy(f.masks, f.masks + 3, info.rest);
  } else if (f.bitCount <= 8) {
    info.header.biClrUsed = static_cast<DWORD>(f.colors.size());
    std::copy(f.colors.begin(), f.colors.end(), info.rest);
  }
  HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                 bits, nullptr, 0);
  if (!dib) throw Exception("Out of system resources: cannot make a bitmap");
  return dib;
}

// The layout of a DIB section selected in dc; masks equal to the defaults
// count as none.
DibFormat ReadFormat(const DIBSECTION& ds, HDC dc) {
  DibFormat f;
  f.bitCount = ds.dsBmih.biBitCount;
  DefaultBmpMasks(f.bitCount, f.masks);
  if (ds.dsBmih.biCompression == BI_BITFIELDS &&
      (ds.dsBitfields[0] != f.masks[0] || ds.dsBitfields[1] != f.masks[1] ||
       ds.dsBitfields[2] != f.masks[2])) {
    f.bitfields = true;
    std::copy(ds.dsBitfields, ds.dsBitfields + 3, f.masks);
  }
  if (f.bitCount <= 8) {
    RGBQUAD table[256];
    const UINT n = GetDIBColorTable(dc, 0, 1u << f.bitCount, table);
    for (UINT i = 0; i < n; ++i) {
      f.colors.push_back(static_cast<uint32_t>(table[i].rgbRed) << 16 |
                         static_cast<uint32_t>(table[i].rgbGreen) << 8 | table[i].rgbBlue);
    }
  }
  return f;
}

}  // namespace

bool IsDib(HBITMAP bitmap, DIBSECTION* ds) {
  DIBSECTION local;
  if (!ds) ds = &local;
  return bitmap && GetObjectA(bitmap, sizeof(DIBSECTION), ds) == sizeof(DIBSECTION);
}

uint8_t* DibRow(const DIBSECTION& ds, int y) {
  const size_t stride = TBmpImage::BmpStride(ds.dsBmih.biWidth, ds.dsBmih.biBitCount);
  const int height = ds.dsBm.bmHeight;
  const int row = ds.dsBmih.biHeight < 0 ? y : height - 1 - y;
  return static_cast<uint8_t*>(ds.dsBm.bmBits) + static_cast<size_t>(row) * stride;
}

// The canvas of a bitmap: a memory DC of its own with the bitmap selected,
// made when first drawn on and let go whenever the bitmap changes hands.
class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override { Release(); }

  void Release() {
    if (HDC dc = FreeHandle()) DeleteDC(dc);
  }

protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) throw Exception("Out of system resources: cannot make a memory context");
    SetHandle(dc);
    if (bitmap_.handle_) SelectObject(dc, bitmap_.handle_);
  }

private:
  TBitmap& bitmap_;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  if (handle_) DeleteObject(handle_);
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TBitmapCanvas>(*this);
    canvas_->OnChange = [this](TObject*) { Changed(); };
  }
  return *canvas_;
}

void TBitmap::Replace(HBITMAP bitmap, int width, int height, size_t tableSize) {
  if (canvas_) canvas_->Release();
  if (handle_ && handle_ != bitmap) DeleteObject(handle_);
  handle_ = bitmap;
  tableSize_ = tableSize;
  width_ = width;
  height_ = height;
}

HDC TBitmap::SourceDC(HDC& temporary, HGDIOBJ& old) const {
  temporary = nullptr;
  old = nullptr;
  if (canvas_ && canvas_->HandleAllocated()) return canvas_->dc_;
  temporary = CreateCompatibleDC(nullptr);
  old = SelectObject(temporary, handle_);
  return temporary;
}

namespace {

void EndSource(HDC temporary, HGDIOBJ old) {
  if (!temporary) return;
  SelectObject(temporary, old);
  DeleteDC(temporary);
}

}  // namespace

DibFormat TBitmap::DibLayout(const DIBSECTION& ds) const {
  // A bitmap is in one context at a time: the canvas's when it has one.
  HDC temporary;
  HGDIOBJ old;
  HDC dc = SourceDC(temporary, old);
  DibFormat f = ReadFormat(ds, dc);
  EndSource(temporary, old);
  if (tableSize_ && f.colors.size() > tableSize_) f.colors.resize(tableSize_);
  return f;
}

TPixelFormat TBitmap::PixelFormat() const {
  DIBSECTION ds;
  if (!handle_) return format_;
  if (!IsDib(handle_, &ds)) return pfDevice;
  const DibFormat f = DibLayout(ds);
  switch (f.bitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
      if (!f.bitfields) return pf15bit;
      return f.masks[0] == 0xF800 && f.masks[1] == 0x07E0 && f.masks[2] == 0x001F ? pf16bit
                                                                                   : pfCustom;
    case 24: return pf24bit;
    default: return f.bitfields ? pfCustom : pf32bit;
  }
}

std::vector<uint32_t> TBitmap::ColorTable() const {
  DIBSECTION ds;
  if (!IsDib(handle_, &ds)) return {};
  return DibLayout(ds).colors;
}

HBITMAP TBitmap::Copy(int width, int height, TPixelFormat format, size_t* tableSize) const {
  DIBSECTION ds{};
  const bool dib = IsDib(handle_, &ds);
  HBITMAP made;
  DibFormat target;
  bool sameDib = false;
  void* bits = nullptr;
  if (format == pfDevice) {
    BITMAP bm{};
    if (handle_ && !dib && GetObjectA(handle_, sizeof bm, &bm) && bm.bmBitsPixel == 1) {
      made = CreateBitmap(width, height, 1, 1, nullptr);
    } else {
      HDC screen = GetDC(nullptr);
      made = CreateCompatibleBitmap(screen, width, height);
      ReleaseDC(nullptr, screen);
    }
    if (!made) throw Exception("Out of system resources: cannot make a bitmap");
  } else {
    if (dib && (format == PixelFormat() || format == pfCustom)) {
      target = DibLayout(ds);
      sameDib = true;
    } else {
      target = FormatFor(format);
    }
    made = CreateDib(width, height, target, &bits);
  }
  // New room is white; then what overlaps comes over.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldMade = SelectObject(dc, made);
  PatBlt(dc, 0, 0, width, height, WHITENESS);
  const int w = std::min(width, width_), h = std::min(height, height_);
  if (handle_ && w > 0 && h > 0) {
    if (sameDib) {
      // Same layout: the pixel values themselves, not their colours
      // matched again (a table may hold one colour twice).
      GdiFlush();
      DIBSECTION nds{};
      GetObjectA(made, sizeof nds, &nds);
      const size_t bitsWide = static_cast<size_t>(w) * target.bitCount;
      const size_t whole = bitsWide / 8;
      const unsigned rest = static_cast<unsigned>(bitsWide % 8);
      for (int y = 0; y < h; ++y) {
        const uint8_t* from = DibRow(ds, y);
        uint8_t* to = DibRow(nds, y);
        std::memcpy(to, from, whole);
        if (rest) {
          const uint8_t keep = static_cast<uint8_t>(0xFF >> rest);
          to[whole] = static_cast<uint8_t>((from[whole] & ~keep) | (to[whole] & keep));
        }
      }
    } else {
      HDC temporary;
      HGDIOBJ old;
      HDC source = SourceDC(temporary, old);
      BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
      EndSource(temporary, old);
    }
  }
  SelectObject(dc, oldMade);
  DeleteDC(dc);
  if (tableSize) *tableSize = target.colors.size();
  return made;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  if (width == 0 || height == 0) {
    if (handle_) {
      const TPixelFormat format = PixelFormat();
      format_ = format == pfCustom ? pf32bit : format;
    }
    Replace(nullptr, width, height);
  } else {
    size_t table = 0;
    HBITMAP made = Copy(width, height, PixelFormat(), &table);
    Replace(made, width, height, table);
  }
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pfCustom || format == PixelFormat()) return;
  format_ = format;
  if (handle_) {
    size_t table = 0;
    HBITMAP made = Copy(width_, height_, format, &table);
    Replace(made, width_, height_, table);
  }
  Changed();
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == handle_) return;
  BITMAP bm{};
  if (bitmap && !GetObjectA(bitmap, sizeof bm, &bm)) throw EInvalidGraphic("Not a bitmap");
  Replace(bitmap, bitmap ? bm.bmWidth : 0, bitmap ? std::abs(bm.bmHeight) : 0);
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  if (canvas_) canvas_->Release();
  HBITMAP bitmap = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  Changed();
  return bitmap;
}

void TBitmap::Assign(const TBitmap* source) {
  if (source == this) return;
  if (!source || source->Empty()) {
    format_ = source ? source->format_ : pfDevice;
    Replace(nullptr, source ? source->width_ : 0, source ? source->height_ : 0);
  } else {
    size_t table = 0;
    HBITMAP copy = source->Copy(source->width_, source->height_, source->PixelFormat(), &table);
    Replace(copy, source->width_, source->height_, table);
  }
  Changed();
}

void TBitmap::Assign(const TPersistent& source) {
  if (auto bitmap = dynamic_cast<const TBitmap*>(&source)) {
    Assign(bitmap);
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const RECT& rect) {
  if (!handle_) return;
  canvas.Changing();
  HDC dest = canvas.Handle();
  HDC temporary;
  HGDIOBJ old;
  HDC source = SourceDC(temporary, old);
  // A monochrome bitmap takes the context's text and background colours.
  const COLORREF text = SetTextColor(dest, RGB(0, 0, 0));
  const COLORREF back = SetBkColor(dest, RGB(255, 255, 255));
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w == width_ && h == height_) {
    BitBlt(dest, rect.left, rect.top, w, h, source, 0, 0, canvas.CopyMode());
  } else {
    const int mode = SetStretchBltMode(dest, COLORONCOLOR);
    StretchBlt(dest, rect.left, rect.top, w, h, source, 0, 0, width_, height_, canvas.CopyMode());
    SetStretchBltMode(dest, mode);
  }
  SetTextColor(dest, text);
  SetBkColor(dest, back);
  EndSource(temporary, old);
  canvas.Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  const int64_t remaining = stream.Size() - stream.Position();
  if (remaining <= 0) {
    Assign(static_cast<const TBitmap*>(nullptr));
    return;
  }
  if (remaining > (512 << 20)) throw EInvalidGraphic("Invalid bitmap: too large");
  std::vector<uint8_t> file(static_cast<size_t>(remaining));
  file.resize(static_cast<size_t>(stream.Read(file.data(), static_cast<int32_t>(file.size()))));
  const TBmpImage image = ParseBmp(file.data(), file.size());

  std::vector<uint8_t> expanded;
  const uint8_t* rows = file.data() + image.BitsOffset;
  bool topDown = image.TopDown;
  if (image.Compression == bmpRle8 || image.Compression == bmpRle4) {
    expanded = DecodeBmpRle(image, file.data(), file.size());
    rows = expanded.data();
    topDown = false;
  }
  DibFormat format;
  format.bitCount = image.BitCount;
  format.colors = image.Colors;
  std::copy(image.Masks, image.Masks + 3, format.masks);
  uint32_t defaults[3];
  DefaultBmpMasks(image.BitCount, defaults);
  format.bitfields = image.BitCount >= 16 && image.BitCount != 24 &&
                     !std::equal(defaults, defaults + 3, image.Masks);
  void* bits = nullptr;
  HBITMAP dib = CreateDib(image.Width, image.Height, format, &bits);
  const size_t stride = image.Stride();
  for (int32_t r = 0; r < image.Height; ++r) {
    const int32_t from = topDown ? image.Height - 1 - r : r;
    std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(r) * stride,
                rows + static_cast<size_t>(from) * stride, stride);
  }
  Replace(dib, image.Width, image.Height, image.Colors.size());
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
  if (!handle_) return;
  DIBSECTION ds{};
  if (IsDib(handle_, &ds)) {
    const DibFormat f = DibLayout(ds);
    GdiFlush();
    const std::vector<uint8_t> headers =
        MakeBmpHeaders(width_, height_, f.bitCount, f.colors, f.bitfields ? f.masks : nullptr);
    stream.WriteBuffer(headers.data(), static_cast<int32_t>(headers.size()));
    const size_t stride = TBmpImage::BmpStride(width_, f.bitCount);
    for (int y = height_ - 1; y >= 0; --y) {
      stream.WriteBuffer(DibRow(ds, y), static_cast<int32_t>(stride));
    }
    return;
  }
  BITMAP bm{};
  GetObjectA(handle_, sizeof bm, &bm);
  const uint16_t bitCount = bm.bmBitsPixel == 1 ? 1 : 24;
  std::vector<uint32_t> colors;
  if (bitCount == 1) colors = {0x000000, 0xFFFFFF};
  InfoBuffer info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width_;
  info.header.biHeight = height_;
  info.header.biPlanes = 1;
  info.header.biBitCount = bitCount;
  info.header.biCompression = BI_RGB;
  const size_t stride = TBmpImage::BmpStride(width_, bitCount);
  std::vector<uint8_t> pixels(stride * height_);
  // GetDIBits wants the bitmap out of every context.
  if (canvas_) canvas_->Release();
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, handle_, 0, height_, pixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != height_) throw Exception("Cannot read the bitmap's pixels");
  const std::vector<uint8_t> headers = MakeBmpHeaders(width_, height_, bitCount, colors);
  stream.WriteBuffer(headers.data(), static_cast<int32_t>(headers.size()));
  stream.WriteBuffer(pixels.data(), static_cast<int32_t>(pixels.size()));
}

// --- Transparent and disabled pictures ----------------------------------------

namespace {

// A monochrome mask of part source of a bitmap: white where the picture
// has the transparent colour, black elsewhere. Owned by the object.
struct Mask {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  Mask(HDC source, const RECT& r, TColor transparent) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(w, h, 1, 1, nullptr);
    old = SelectObject(dc, bitmap);
    const COLORREF back = SetBkColor(source, ColorToRGB(transparent));
    BitBlt(dc, 0, 0, w, h, source, r.left, r.top, SRCCOPY);
    SetBkColor(source, back);
  }
  ~Mask() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Mask(const Mask&) = delete;
  Mask& operator=(const Mask&) = delete;
};

// Where the mask is black, the brush; elsewhere the destination stays.
constexpr DWORD kBrushWhereBlack = 0x00B8074A;

}  // namespace

void DrawTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap, const RECT& source,
                     TColor transparent) {
  if (bitmap.Empty()) return;
  canvas.Changing();
  HDC dest = canvas.Handle();
  HDC temporary;
  HGDIOBJ old;
  HDC from = bitmap.SourceDC(temporary, old);
  {
    Mask mask(from, source, transparent);
    const int w = source.right - source.left, h = source.bottom - source.top;
    const COLORREF text = SetTextColor(dest, RGB(0, 0, 0));
    const COLORREF back = SetBkColor(dest, RGB(255, 255, 255));
    // XOR the picture in, clear what is not transparent, XOR it in again:
    // the picture where the mask is black, the old pixels elsewhere.
    BitBlt(dest, x, y, w, h, from, source.left, source.top, SRCINVERT);
    BitBlt(dest, x, y, w, h, mask.dc, 0, 0, SRCAND);
    BitBlt(dest, x, y, w, h, from, source.left, source.top, SRCINVERT);
    SetTextColor(dest, text);
    SetBkColor(dest, back);
  }
  EndSource(temporary, old);
  canvas.Changed();
}

void DrawDisabled(TCanvas& canvas, int x, int y, TBitmap& bitmap, const RECT& source,
                  TColor transparent) {
  if (bitmap.Empty()) return;
  canvas.Changing();
  HDC dest = canvas.Handle();
  HDC temporary;
  HGDIOBJ old;
  HDC from = bitmap.SourceDC(temporary, old);
  {
    Mask mask(from, source, transparent);
    const int w = source.right - source.left, h = source.bottom - source.top;
    const COLORREF text = SetTextColor(dest, RGB(0, 0, 0));
    const COLORREF back = SetBkColor(dest, RGB(255, 255, 255));
    HBRUSH light = CreateSolidBrush(ColorToRGB(clBtnHighlight));
    HBRUSH shade = CreateSolidBrush(ColorToRGB(clBtnShadow));
    HGDIOBJ oldBrush = SelectObject(dest, light);
    BitBlt(dest, x + 1, y + 1, w, h, mask.dc, 0, 0, kBrushWhereBlack);
    SelectObject(dest, shade);
    BitBlt(dest, x, y, w, h, mask.dc, 0, 0, kBrushWhereBlack);
    SelectObject(dest, oldBrush);
    DeleteObject(light);
    DeleteObject(shade);
    SetTextColor(dest, text);
    SetBkColor(dest, back);
  }
  EndSource(temporary, old);
  canvas.Changed();
}
