#include "lib/imaging/Bitmap.h"

#include "framework/Streams.h"
#include "lib/core/Waitcur.h"
#include "lib/imaging/Bitmapdata.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

LOGPALETTE* NewLogPalette(int count) {
  if (count < 0 || count > 0xFFFF) return nullptr;
  // LOGPALETTE declares one entry; the block holds exactly count.
  const size_t bytes = 8 + 4 * static_cast<size_t>(count);
  auto* palette = static_cast<LOGPALETTE*>(std::calloc(1, std::max(bytes, sizeof(LOGPALETTE))));
  if (!palette) return nullptr;
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  return palette;
}

void FreeLogPalette(LOGPALETTE* palette) { std::free(palette); }

LOGPALETTE* DIBToPalette(const void* dib, size_t size) {
  std::vector<uint32_t> colors;
  if (!DibColorTable(dib, size, colors)) return nullptr;
  LOGPALETTE* palette = NewLogPalette(static_cast<int>(colors.size()));
  if (!palette) return nullptr;
  for (size_t i = 0; i < colors.size(); ++i) {
    PALETTEENTRY& e = palette->palPalEntry[i];
    e.peRed = static_cast<BYTE>(colors[i] >> 16);
    e.peGreen = static_cast<BYTE>(colors[i] >> 8);
    e.peBlue = static_cast<BYTE>(colors[i]);
    e.peFlags = 0;
  }
  return palette;
}

namespace {

// Reads a bitmap's rows through its canvas's context. GetDIBits wants the
// bitmap selected in no context, so while this lives a one-pixel stand-in
// takes its place there.
class RowReader {
public:
  explicit RowReader(TBitmap& bitmap)
      : dc_(bitmap.Canvas().Handle()), bitmap_(bitmap.Handle()),
        width_(bitmap.Width()), height_(bitmap.Height()) {
    if (!dc_) throw Exception("No context for the bitmap");
    standIn_ = CreateBitmap(1, 1, 1, 1, nullptr);
    if (!standIn_) throw Exception("Out of system resources: cannot make a bitmap");
    old_ = SelectObject(dc_, standIn_);
  }
  ~RowReader() {
    SelectObject(dc_, old_);
    DeleteObject(standIn_);
  }
  RowReader(const RowReader&) = delete;
  RowReader& operator=(const RowReader&) = delete;

  // GDI's own description of the bitmap (header only).
  bool Describe(BITMAPINFOHEADER& header) {
    kxBitmapInfo scratch{};
    scratch.Header = header;
    scratch.Header.biBitCount = 0;
    if (!GetDIBits(dc_, bitmap_, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&scratch),
                   DIB_RGB_COLORS)) {
      return false;
    }
    header = scratch.Header;
    return true;
  }

  // Scan line `line` (0 is the bottom row) as 24-bit pixels, into
  // BmpRowLength(width, 24) bytes. A header of its own, so that GDI never
  // writes over a table being built.
  bool Read(int line, uint8_t* bgr) {
    kxBitmapInfo scratch{};
    BITMAPINFOHEADER& h = scratch.Header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width_;
    h.biHeight = height_;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    return GetDIBits(dc_, bitmap_, static_cast<UINT>(line), 1, bgr,
                     reinterpret_cast<BITMAPINFO*>(&scratch), DIB_RGB_COLORS) == 1;
  }

private:
  HDC dc_;
  HBITMAP bitmap_;
  int width_, height_;
  HBITMAP standIn_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

void PutLE(uint8_t* p, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

int PrepareBitmapInfo(kxBitmapInfo& info, TBitmap* bitmap, int bitCount,
                      const LOGPALETTE* palette) {
  std::memset(&info, 0, sizeof info);
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  if (!bitmap || !bitmap->HandleAllocated() || !IsBmpWriteDepth(bitCount)) return -1;
  try {
    RowReader reader(*bitmap);
    if (!reader.Describe(info.Header)) return -1;
    BITMAPINFOHEADER& h = info.Header;
    const int width = bitmap->Width(), height = bitmap->Height();
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biCompression = BI_RGB;

    std::vector<uint32_t> table;
    size_t limit = 0;
    if (bitCount <= 8) {
      limit = size_t{1} << bitCount;
      // An empty palette would leave a table of none, which a file's
      // readers take for a full one: the pixels decide instead.
      if (palette && palette->palNumEntries > 0) {
        const size_t n = std::min<size_t>(palette->palNumEntries, limit);
        for (size_t i = 0; i < n; ++i) {
          const PALETTEENTRY& e = palette->palPalEntry[i];
          table.push_back(static_cast<uint32_t>(e.peRed) << 16 |
                          static_cast<uint32_t>(e.peGreen) << 8 | e.peBlue);
        }
      } else {
        std::vector<uint8_t> row(BmpRowLength(width, 24));
        for (int line = 0; line < height && table.size() < limit; ++line) {
          if (!reader.Read(line, row.data())) return -1;
          CollectRowColors(row.data(), width, table, limit);
        }
      }
    }
    for (size_t i = 0; i < table.size(); ++i) {
      RGBQUAD& q = info.Colors[i];
      q.rgbBlue = static_cast<BYTE>(table[i]);
      q.rgbGreen = static_cast<BYTE>(table[i] >> 8);
      q.rgbRed = static_cast<BYTE>(table[i] >> 16);
      q.rgbReserved = 0;
    }
    const auto colors = static_cast<int>(table.size());
    h.biClrUsed = table.size() < limit ? static_cast<DWORD>(colors) : 0;
    // What GDI said of the bitmap's own table does not describe this one.
    if (h.biClrImportant > static_cast<DWORD>(colors)) h.biClrImportant = 0;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biSizeImage = static_cast<DWORD>(BmpRowLength(width, bitCount) * static_cast<size_t>(height));
    return colors;
  } catch (const std::exception&) {
    return -1;
  }
}

bool SaveBitmapToFile(const String& fileName, TBitmap* bitmap, int bitCount,
                      const LOGPALETTE* palette) {
  kxWaitCursor wait;
  // An empty bitmap would make an empty file, which is no picture.
  if (!bitmap || !bitmap->HandleAllocated()) return false;
  try {
    if (bitCount == 0) {
      bitmap->SaveToFile(fileName);
      return true;
    }
    auto info = std::make_unique<kxBitmapInfo>();
    const int colors = PrepareBitmapInfo(*info, bitmap, bitCount, palette);
    if (colors < 0) return false;
    const int width = bitmap->Width(), height = bitmap->Height();
    const size_t rowLength = BmpRowLength(width, bitCount);
    const uint32_t offBits = 54 + 4 * static_cast<uint32_t>(colors);
    const uint64_t fileSize = static_cast<uint64_t>(rowLength) * static_cast<uint64_t>(height) +
                              offBits;
    if (fileSize > 0xFFFFFFFFu) return false;

    uint8_t fileHeader[14] = {'B', 'M'};
    PutLE(fileHeader + 2, static_cast<uint32_t>(fileSize), 4);
    PutLE(fileHeader + 10, offBits, 4);
    std::vector<uint32_t> table;
    for (int i = 0; i < colors; ++i) {
      const RGBQUAD& q = info->Colors[i];
      table.push_back(static_cast<uint32_t>(q.rgbRed) << 16 |
                      static_cast<uint32_t>(q.rgbGreen) << 8 | q.rgbBlue);
    }
    std::vector<uint8_t> in(BmpRowLength(width, 24));
    std::vector<uint8_t> out(rowLength);

    RowReader reader(*bitmap);
    TFileStream file(fileName, fmCreate);
    file.WriteBuffer(fileHeader, sizeof fileHeader);
    file.WriteBuffer(info.get(), static_cast<int32_t>(offBits - sizeof fileHeader));
    for (int line = 0; line < height; ++line) {
      if (!reader.Read(line, in.data())) return false;
      PackBmpRow(in.data(), width, bitCount, table.data(), colors, out.data());
      file.WriteBuffer(out.data(), static_cast<int32_t>(rowLength));
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}
