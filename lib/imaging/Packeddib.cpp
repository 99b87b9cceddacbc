#include "lib/imaging/Packeddib.h"

#include <cstring>

namespace {

uint32_t U32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3;
constexpr uint64_t kInfoSize = 40, kFileHeader = 14;
constexpr uint64_t kMaxFile = 0x7FFFFFFF;

}  // namespace

bool CheckPackedDib(const void* dib, size_t length, kxPackedDib& out) {
  out = kxPackedDib();
  const auto* p = static_cast<const uint8_t*>(dib);
  if (!p || length < kInfoSize || U32(p) != kInfoSize) return false;
  const auto width = static_cast<int32_t>(U32(p + 4));
  const auto height = static_cast<int32_t>(U32(p + 8));
  const uint16_t planes = U16(p + 12);
  const uint16_t bits = U16(p + 14);
  const uint32_t compression = U32(p + 16);
  const uint32_t sizeImage = U32(p + 20);
  const uint32_t clrUsed = U32(p + 32);
  if (width <= 0 || height == 0 || planes != 1) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const bool compressed = compression == kRle8 || compression == kRle4;
  switch (compression) {
    case kRgb: break;
    case kRle8: if (bits != 8 || height < 0) return false; break;
    case kRle4: if (bits != 4 || height < 0) return false; break;
    case kBitfields: if (bits != 16 && bits != 32) return false; break;
    default: return false;
  }

  uint64_t colors = clrUsed;
  if (bits <= 8) {
    if (colors == 0) colors = uint64_t{1} << bits;
    if (colors > (uint64_t{1} << bits)) return false;
  }
  const uint64_t header = kInfoSize + (compression == kBitfields ? 12 : 0) + 4 * colors;
  if (header > length) return false;
  const uint64_t room = length - header;

  // Rows of at most 2^31 pixels of 32 bits: no overflow in 64 bits.
  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t rows = height < 0 ? uint64_t(-int64_t{height}) : uint64_t(height);
  // stride * rows may not fit in 64 bits: compare by division first.
  const bool rowsFit = rows <= room / stride;
  uint64_t image = sizeImage;
  if (image == 0) {
    if (compressed || !rowsFit) return false;
    image = stride * rows;
  } else if (!compressed && (!rowsFit || image < stride * rows)) {
    return false;
  }
  if (image > room) return false;
  const uint64_t offset = kFileHeader + header;
  const uint64_t file = offset + image;
  if (file > kMaxFile) return false;

  out.BitCount = bits;
  out.Colors = static_cast<uint32_t>(colors);
  out.DataOffset = static_cast<uint32_t>(offset);
  out.ImageSize = static_cast<uint32_t>(image);
  out.FileSize = static_cast<uint32_t>(file);
  out.FileHeader[0] = 'B';
  out.FileHeader[1] = 'M';
  Put32(out.FileHeader + 2, out.FileSize);
  Put32(out.FileHeader + 10, out.DataOffset);
  return true;
}
