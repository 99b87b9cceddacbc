// The colour of a pixel of a decoded plug-in picture, for the tests.
#pragma once

#include "lib/imaging/plugins/Picture.h"

// 0x00RRGGBB of pixel (x, y), y counted from the top; 32-bit pixels
// without their fourth byte.
inline uint32_t PixelOf(kxSpiPicture& p, int x, int y) {
  const uint8_t* row = p.Row(y);
  switch (p.BitCount) {
    case 1: return p.Colors[(row[x / 8] >> (7 - x % 8)) & 1];
    case 8: return p.Colors[row[x]];
    default: {
      const uint8_t* q = row + x * (p.BitCount / 8);
      return uint32_t{q[2]} << 16 | uint32_t{q[1]} << 8 | q[0];
    }
  }
}
