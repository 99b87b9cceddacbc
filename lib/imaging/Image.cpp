#include "lib/imaging/Image.h"

#include "framework/Streams.h"
#include "lib/core/File.h"
#include "lib/core/Waitcur.h"
#include "lib/imaging/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

kxvImage::kxvImage(TComponent* owner) : TImage(owner) { SetColor(clNone); }

kxvImage::~kxvImage() { FreeLogPalette(palette_); }

void kxvImage::SetAutoAlign(kxvAutoAlign align) {
  if (align == autoAlign_) return;
  autoAlign_ = align;
  Invalidate();
}

void kxvImage::SetAutoZoom(kxvAutoZoom zoom) {
  if (zoom == autoZoom_) return;
  autoZoom_ = zoom;
  if (zoom == azNone) {
    zoom_ = 1.0;
    SetStretch(false);
  }
  Invalidate();
}

kxvDrawnSize kxvFitPicture(int w, int h, int boxWidth, int boxHeight, kxvAutoZoom autoZoom,
                           double zoom) {
  kxvDrawnSize drawn;
  drawn.Zoom = zoom;
  bool fitsWidth = false, fitsHeight = false;
  if (autoZoom != azNone) {
    const double zx = w ? double(boxWidth) / w : 0;
    const double zy = h ? double(boxHeight) / h : 0;
    drawn.Zoom = std::min(zx, zy);
    const double z = drawn.Zoom;
    if (z != 0 && ((z > 1 && autoZoom == azLarge) || (z < 1 && autoZoom == azSmall))) {
      drawn.Zoom = 1;
    } else {
      // Rounding either way would leave it a pixel short, or over.
      fitsWidth = zx <= zy;
      fitsHeight = zy <= zx;
    }
  }
  constexpr double kLargest = (1 << 27) - 1;
  const auto side = [&drawn, kLargest](int n) {
    const double v = std::round(n * drawn.Zoom);
    return v >= 0 ? static_cast<int>(std::min(v, kLargest)) : 0;  // NaN too
  };
  drawn.Width = fitsWidth ? boxWidth : side(w);
  drawn.Height = fitsHeight ? boxHeight : side(h);
  return drawn;
}

void kxvImage::SetZoom(double zoom) {
  if (!(zoom > 0) || !std::isfinite(zoom) || zoom == zoom_) return;
  zoom_ = zoom;
  Invalidate();
}

String kxvImage::GetFilter() { return "すべてのﾌｧｲﾙ(*.*)|*.*|ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB"; }

void kxvImage::SetPalette(LOGPALETTE* palette) {
  if (palette == palette_) return;
  FreeLogPalette(palette_);
  palette_ = palette;
}

void kxvImage::CopyPalette(const LOGPALETTE* palette) {
  LOGPALETTE* copy = nullptr;
  // Without memory for the copy the control holds no palette.
  if (palette && (copy = NewLogPalette(palette->palNumEntries)) != nullptr) {
    std::memcpy(copy->palPalEntry, palette->palPalEntry,
                sizeof(PALETTEENTRY) * palette->palNumEntries);
  }
  SetPalette(copy);
}

void kxvImage::Paint(TCanvas& canvas) {
  TGraphic* graphic = Picture().Graphic();
  int w = graphic ? graphic->Width() : 0;
  int h = graphic ? graphic->Height() : 0;
  if (Stretch()) {
    w = Width();
    h = Height();
  }
  const kxvDrawnSize drawn = kxvFitPicture(w, h, Width(), Height(), autoZoom_, zoom_);
  if (autoZoom_ != azNone) zoom_ = drawn.Zoom;
  PaintAlign(canvas, drawn.Width, drawn.Height);
  if (OnPaint) OnPaint(this, &canvas);
}

void kxvImage::PaintAlign(TCanvas& canvas, int w, int h) {
  int x = 0, y = 0;
  if (Color() != clNone) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(RECT{0, 0, Width(), Height()});
  }
  if (Designing()) {
    paintRect_ = RECT{0, 0, w, h};
    canvas.Pen().SetStyle(psDash);
    canvas.Brush().SetStyle(bsClear);
    canvas.Rectangle(0, 0, Width(), Height());
    return;
  }
  if (autoAlign_ & aaTile) {
    paintRect_ = RECT{0, 0, w, h};
    PaintTile(canvas, w, h);
    return;
  }
  int across = autoAlign_ & 3, down = autoAlign_ & 12;
  if (Center()) across = 3, down = 12;
  if (across == 2) x = Width() - w;
  if (across == 3) x = (Width() - w) / 2;
  if (down == 8) y = Height() - h;
  if (down == 12) y = (Height() - h) / 2;
  paintRect_ = RECT{x, y, x + w, y + h};
  TGraphic* graphic = Picture().Graphic();
  if (w && h && graphic) canvas.StretchDraw(paintRect_, *graphic);
}

void kxvImage::PaintTile(TCanvas& canvas, int w, int h) {
  TGraphic* graphic = Picture().Graphic();
  if (w <= 0 || h <= 0 || !graphic) return;
  for (int y = 0; y < Height(); y += h) {
    for (int x = 0; x < Width(); x += w) canvas.StretchDraw(RECT{x, y, x + w, y + h}, *graphic);
  }
}

bool kxvImage::LoadBitmapFile(const String& fileName) { return !Busy() && ReadBitmapFile(fileName); }

bool kxvImage::ReadBitmapFile(const String& fileName) {
  // Depth and palette are the new picture's only once it loaded: a file
  // that fails leaves the picture, its depth and its palette as they were.
  int32_t bitCount = 0;
  std::unique_ptr<LOGPALETTE, void (*)(LOGPALETTE*)> palette(nullptr, FreeLogPalette);
  bool bitmapFile = false;
  // The file header, then room for the info header and a 256-colour
  // table: a larger colour count is read no further than that.
  constexpr size_t kFileHeader = 14;
  auto header = std::make_unique<uint8_t[]>(1068);
  size_t held = 0;
  try {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    uint8_t fileHeader[kFileHeader];
    file.ReadBuffer(fileHeader, kFileHeader);
    file.ReadBuffer(header.get(), 40);
    held = 40;
    bitmapFile = fileHeader[0] == 'B' && fileHeader[1] == 'M';
    if (bitmapFile) {
      uint32_t size = 0;
      std::memcpy(&size, header.get(), 4);
      if (size == 40) {
        BITMAPINFOHEADER info;
        std::memcpy(&info, header.get(), sizeof info);
        bitCount = info.biBitCount;
        if (info.biBitCount <= 8) {
          uint32_t colors = info.biClrUsed ? info.biClrUsed : 1u << info.biBitCount;
          colors = std::min<uint32_t>(colors, 256);
          file.ReadBuffer(header.get() + 40, static_cast<int32_t>(colors * 4));
          held = 40 + colors * 4;
        }
      } else if (size == 12) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, header.get(), sizeof core);
        bitCount = core.bcBitCount;
        if (core.bcBitCount <= 8) {
          file.SetPosition(26);
          const int32_t bytes = 3 * (1 << core.bcBitCount);
          file.ReadBuffer(header.get() + 12, bytes);
          held = 12 + bytes;
        }
      }
      palette.reset(DIBToPalette(header.get(), held));
    }
  } catch (const Exception&) {
    return false;
  }
  try {
    if (bitmapFile) {
      // By its signature: the filter offers bitmaps as .DIB, .RLE and
      // .RGB too, names the picture's own reader does not know.
      TBitmap bitmap;
      bitmap.LoadFromFile(fileName);
      Picture().SetGraphic(&bitmap);
    } else {
      Picture().LoadFromFile(fileName);
    }
  } catch (const Exception&) {
    // The caller can tell that the file was not read.
    return false;
  }
  bitCount_ = bitCount;
  SetPalette(palette.release());
  return true;
}

bool kxvImage::LoadFromFile(const String& fileName) {
  kxWaitCursor wait;
  if (fileName.empty() || !FileExistsAttr(fileName.c_str(), FILE_ATTRIBUTE_DIRECTORY)) return false;
  return LoadBitmapFile(fileName);
}

bool kxvImage::SaveToFile(const String& fileName) {
  return SaveBitmapToFile(fileName, &Picture().Bitmap(), bitCount_, palette_);
}

namespace Image {
void Register() { RegisterComponent<kxvImage>("NORDA", "kxvImage"); }
}  // namespace Image
