#include "lib/imaging/plugins/Picture.h"

kxSpiStatus kxSpiPicture::Allocate(int32_t width, int32_t height, uint16_t bitCount,
                                   bool infoOnly) {
  if (width <= 0 || height <= 0) return psBroken;
  const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(height) > kSpiMaxBits) return psTooLarge;
  Width = width;
  Height = height;
  BitCount = bitCount;
  if (!infoOnly) Bits.assign(static_cast<size_t>(stride * height), 0);
  return psOk;
}

std::vector<uint32_t> GreyTable() {
  std::vector<uint32_t> table(256);
  for (uint32_t i = 0; i < 256; ++i) table[i] = i * 0x010101u;
  return table;
}
