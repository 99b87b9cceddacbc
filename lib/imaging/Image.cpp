#include "lib/imaging/Image.h"

#include "framework/Streams.h"
#include "lib/core/File.h"
#include "lib/core/Waitcur.h"
#include "lib/imaging/Bitmap.h"

#include <algorithm>
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

void kxvImage::SetZoom(double zoom) {
  if (zoom == zoom_) return;
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
  if (palette) {
    copy = NewLogPalette(palette->palNumEntries);
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
  if (autoZoom_ != azNone) {
    const double zx = w ? double(Width()) / w : 0;
    const double zy = h ? double(Height()) / h : 0;
    double z = std::min(zx, zy);
    if (z != 0 && ((z > 1 && autoZoom_ == azLarge) || (z < 1 && autoZoom_ == azSmall))) z = 1;
    zoom_ = z;
  }
  PaintAlign(canvas, static_cast<int>(w * zoom_), static_cast<int>(h * zoom_));
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

bool kxvImage::LoadBitmapFile(const String& fileName) {
  bitCount_ = 0;
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
    if (fileHeader[0] == 'B' && fileHeader[1] == 'M') {
      uint32_t size = 0;
      std::memcpy(&size, header.get(), 4);
      if (size == 40) {
        BITMAPINFOHEADER info;
        std::memcpy(&info, header.get(), sizeof info);
        bitCount_ = info.biBitCount;
        if (info.biBitCount <= 8) {
          uint32_t colors = info.biClrUsed ? info.biClrUsed : 1u << info.biBitCount;
          colors = std::min<uint32_t>(colors, 256);
          file.ReadBuffer(header.get() + 40, static_cast<int32_t>(colors * 4));
          held = 40 + colors * 4;
        }
      } else if (size == 12) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, header.get(), sizeof core);
        bitCount_ = core.bcBitCount;
        if (core.bcBitCount <= 8) {
          file.SetPosition(26);
          const int32_t bytes = 3 * (1 << core.bcBitCount);
          file.ReadBuffer(header.get() + 12, bytes);
          held = 12 + bytes;
        }
      }
      SetPalette(DIBToPalette(header.get(), held));
    } else {
      SetPalette(nullptr);
    }
  } catch (const Exception&) {
    return false;
  }
  try {
    Picture().LoadFromFile(fileName);
  } catch (const Exception&) {
    // The caller can tell that the file was not read.
    return false;
  }
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
