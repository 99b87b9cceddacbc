#include "lib/imaging/Bitmapdata.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t Get16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t Pixel(const uint8_t* bgr, int x) {
  const uint8_t* p = bgr + 3 * static_cast<size_t>(x);
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16;
}

}  // namespace

bool DibColorTable(const void* dib, size_t size, std::vector<uint32_t>& colors) {
  colors.clear();
  const auto* p = static_cast<const uint8_t*>(dib);
  if (!p || size < 4) return false;
  const uint32_t headerSize = Get32(p);
  if (headerSize == 40) {
    if (size < 40) return false;
    const uint32_t bitCount = Get16(p + 14);
    if (bitCount == 0 || bitCount > 8) return false;
    const uint32_t full = 1u << bitCount;
    uint32_t n = Get32(p + 32);
    if (n == 0 || n > full) n = full;
    if ((size - 40) / 4 < n) return false;
    for (uint32_t i = 0; i < n; ++i) colors.push_back(Get32(p + 40 + 4 * i) & 0xFFFFFF);
    return true;
  }
  if (headerSize == 12) {
    if (size < 12) return false;
    const uint32_t bitCount = Get16(p + 10);
    if (bitCount == 0 || bitCount > 8) return false;
    const uint32_t n = 1u << bitCount;
    if ((size - 12) / 3 < n) return false;
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* t = p + 12 + 3 * i;
      colors.push_back(static_cast<uint32_t>(t[0]) | static_cast<uint32_t>(t[1]) << 8 |
                       static_cast<uint32_t>(t[2]) << 16);
    }
    return true;
  }
  return false;
}

size_t BmpRowLength(int width, int bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  return (static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 31) / 32 * 4;
}

bool IsBmpWriteDepth(int bitCount) {
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
  }
}

void CollectRowColors(const uint8_t* bgr, int width, std::vector<uint32_t>& table,
                      size_t limit) {
  for (int x = 0; x < width && table.size() < limit; ++x) {
    const uint32_t c = Pixel(bgr, x);
    if (std::find(table.begin(), table.end(), c) == table.end()) table.push_back(c);
  }
}

int NearestColorIndex(const uint32_t* table, int count, uint32_t color) {
  for (int i = 0; i < count; ++i) {
    if ((table[i] & 0xFFFFFF) == color) return i;
  }
  const int b = color & 0xFF, g = (color >> 8) & 0xFF, r = (color >> 16) & 0xFF;
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    const int db = static_cast<int>(table[i] & 0xFF) - b;
    const int dg = static_cast<int>((table[i] >> 8) & 0xFF) - g;
    const int dr = static_cast<int>((table[i] >> 16) & 0xFF) - r;
    const long d = static_cast<long>(db) * db + static_cast<long>(dg) * dg +
                   static_cast<long>(dr) * dr;
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

void PackBmpRow(const uint8_t* bgr, int width, int bitCount, const uint32_t* table, int count,
                uint8_t* out) {
  std::memset(out, 0, BmpRowLength(width, bitCount));
  // Runs of one colour are common: the last match is kept.
  uint32_t last = 0xFFFFFFFF;
  int lastIndex = 0;
  for (int x = 0; x < width; ++x) {
    const uint8_t* p = bgr + 3 * static_cast<size_t>(x);
    if (bitCount <= 8) {
      const uint32_t c = Pixel(bgr, x);
      if (c != last) {
        last = c;
        lastIndex = NearestColorIndex(table, count, c);
      }
      const auto index = static_cast<uint8_t>(lastIndex);
      switch (bitCount) {
        case 1:
          if (index) out[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          break;
        case 4: out[x / 2] |= static_cast<uint8_t>((x & 1) ? index : index << 4); break;
        case 8: out[x] = index; break;
        default: break;
      }
      continue;
    }
    switch (bitCount) {
      case 16: {
        const unsigned v = static_cast<unsigned>((p[2] >> 3) << 10 | (p[1] >> 3) << 5 | p[0] >> 3);
        out[2 * x] = static_cast<uint8_t>(v);
        out[2 * x + 1] = static_cast<uint8_t>(v >> 8);
        break;
      }
      case 24: std::memcpy(out + 3 * static_cast<size_t>(x), p, 3); break;
      case 32: std::memcpy(out + 4 * static_cast<size_t>(x), p, 3); break;
      default: break;
    }
  }
}
