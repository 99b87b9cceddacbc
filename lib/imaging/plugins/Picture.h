// What the project's Susie plug-ins decode into, window-free: a picture in
// the layout of a device-independent bitmap (bottom-up rows padded to four
// bytes, a colour table up to 8 bits), plus its text. The decoders take
// the whole file in memory and trust none of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum kxSpiStatus {
  psOk,
  psUnknownFormat,  // not a file of this format
  psBroken,         // truncated or contradicting itself
  psTooLarge,       // more pixels than a plug-in hands over
};

// The most pixel bytes a decoder produces: beyond it a picture is refused
// before anything is allocated.
constexpr uint64_t kSpiMaxBits = 256u << 20;

struct kxSpiPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t BitCount = 0;     // of the rows below: 1, 8, 24 or 32
  uint16_t SourceDepth = 0;  // bits per pixel as the file stores them
  std::vector<uint32_t> Colors;  // 0x00RRGGBB, up to 8 bits
  std::vector<uint8_t> Bits;     // bottom-up rows of Stride() bytes
  std::string Text;              // comments or identification, may be empty

  size_t Stride() const { return (static_cast<size_t>(Width) * BitCount + 31) / 32 * 4; }
  // The rows of a width x height picture at bitCount: psTooLarge when they
  // would exceed kSpiMaxBits (nothing allocated then), else psOk with
  // Bits zeroed (unless infoOnly, which only checks the size).
  kxSpiStatus Allocate(int32_t width, int32_t height, uint16_t bitCount, bool infoOnly);
  // Row y counted from the top.
  uint8_t* Row(int32_t y) { return Bits.data() + static_cast<size_t>(Height - 1 - y) * Stride(); }
};

// The 256 greys, black first.
std::vector<uint32_t> GreyTable();
