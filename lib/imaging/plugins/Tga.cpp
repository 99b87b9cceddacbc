#include "lib/imaging/plugins/Tga.h"

#include <cstring>

namespace {

constexpr size_t kHeader = 18;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool EntrySizeOk(uint8_t bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// A 15, 16, 24 or 32-bit pixel or map entry as 0xAARRGGBB (alpha 0 for
// the smaller ones).
uint32_t Colour(const uint8_t* p, uint32_t bytes) {
  if (bytes == 2) {
    const uint32_t v = U16(p);
    const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
  }
  const uint32_t rgb = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  return bytes == 4 ? rgb | uint32_t{p[3]} << 24 : rgb;
}

}  // namespace

bool IsTgaHead(const uint8_t* h, size_t size) {
  if (size < kHeader) return false;
  const uint8_t mapType = h[1], type = h[2], depth = h[16], descriptor = h[17];
  const uint16_t mapLength = U16(h + 5), width = U16(h + 12), height = U16(h + 14);
  if (mapType > 1 || width == 0 || height == 0) return false;
  if (descriptor & 0xC0) return false;  // interleaved storage: not read
  if (mapType == 1 && (mapLength == 0 || !EntrySizeOk(h[7]))) return false;
  switch (type) {
    case 1: case 9:
      return mapType == 1 && depth == 8;
    case 2: case 10:
      return EntrySizeOk(depth);
    case 3: case 11:
      return depth == 8;
    default:
      return false;
  }
}

kxSpiStatus DecodeTga(const uint8_t* data, size_t size, kxSpiPicture& picture, bool infoOnly) {
  if (!IsTgaHead(data, size)) return psUnknownFormat;
  const uint8_t idLength = data[0], mapType = data[1], type = data[2], depth = data[16];
  const uint8_t descriptor = data[17];
  const uint16_t mapFirst = U16(data + 3), mapLength = U16(data + 5);
  const uint32_t mapBytes = mapType ? (data[7] + 7u) / 8 : 0;
  const int32_t width = U16(data + 12), height = U16(data + 14);
  const bool mapped = type == 1 || type == 9;
  const bool rle = type >= 9;
  const bool fromTop = descriptor & 0x20, fromRight = descriptor & 0x10;
  const uint32_t pixelBytes = (depth + 7u) / 8;

  size_t at = kHeader;
  if (size - at < idLength) return psBroken;
  const uint8_t* id = data + at;
  const void* nul = std::memchr(id, 0, idLength);
  picture.Text.assign(id, nul ? static_cast<const uint8_t*>(nul) : id + idLength);
  at += idLength;
  const size_t mapSize = size_t{mapLength} * mapBytes;
  if (size - at < mapSize) return psBroken;
  const uint8_t* map = data + at;
  at += mapSize;

  picture.SourceDepth = depth;
  const uint16_t bitCount = mapped || depth == 8 ? 8 : depth == 32 ? 32 : 24;
  // The size first; rows only once the data for them is known to be there.
  kxSpiStatus status = picture.Allocate(width, height, bitCount, true);
  if (status != psOk) return status;
  if (mapped) {
    picture.Colors.assign(256, 0);
    for (uint32_t i = 0; i < mapLength && mapFirst + i < 256; ++i) {
      picture.Colors[mapFirst + i] = Colour(map + i * mapBytes, mapBytes) & 0xFFFFFF;
    }
  } else if (bitCount == 8) {
    picture.Colors = GreyTable();
  }

  // Enough data for every pixel: raw, one per pixelBytes; run-length
  // encoded, at best 128 pixels per packet of 1 + pixelBytes bytes.
  const uint64_t pixels = uint64_t(width) * height;
  const uint64_t left = size - at;
  const uint64_t reachable = rle ? (left / (1 + pixelBytes) + 1) * 128 : left / pixelBytes;
  if (reachable < pixels) return psBroken;
  if (infoOnly) return psOk;
  status = picture.Allocate(width, height, bitCount, false);
  if (status != psOk) return status;

  const uint8_t* p = data + at;
  const uint8_t* end = data + size;
  const uint32_t outBytes = bitCount / 8;
  uint32_t run = 0;        // pixels left in the current packet
  bool repeat = false;     // the packet repeats one pixel
  const uint8_t* value = nullptr;
  for (uint64_t n = 0; n < pixels; ++n) {
    const uint8_t* pixel;
    if (rle) {
      if (run == 0) {
        if (p == end) return psBroken;
        repeat = *p & 0x80;
        run = (*p & 0x7F) + 1u;
        ++p;
        if (repeat) {
          if (static_cast<size_t>(end - p) < pixelBytes) return psBroken;
          value = p;
          p += pixelBytes;
        }
      }
      if (!repeat) {
        if (static_cast<size_t>(end - p) < pixelBytes) return psBroken;
        value = p;
        p += pixelBytes;
      }
      pixel = value;
      --run;
    } else {
      pixel = p;
      p += pixelBytes;
    }
    const int32_t fileRow = static_cast<int32_t>(n / width);
    const int32_t fileColumn = static_cast<int32_t>(n % width);
    const int32_t y = fromTop ? fileRow : height - 1 - fileRow;
    const int32_t x = fromRight ? width - 1 - fileColumn : fileColumn;
    uint8_t* out = picture.Row(y) + static_cast<size_t>(x) * outBytes;
    if (bitCount == 8) {
      *out = *pixel;
    } else {
      const uint32_t c = Colour(pixel, pixelBytes);
      for (uint32_t i = 0; i < outBytes; ++i) out[i] = static_cast<uint8_t>(c >> (8 * i));
    }
  }
  return psOk;
}
