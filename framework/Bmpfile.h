// The BMP file format without the platform: the headers are read and every
// size and offset checked before any pixel is touched, RLE streams are
// expanded with bounds checks, and headers for writing are made. The
// bitmap class hands GDI only what passed through here. Window-free.
#pragma once

#include "framework/Sysutils.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A picture that cannot be read: a malformed or truncated file.
class EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
};

// The compression field of the info header.
constexpr uint32_t bmpRgb = 0;
constexpr uint32_t bmpRle8 = 1;
constexpr uint32_t bmpRle4 = 2;
constexpr uint32_t bmpBitfields = 3;

constexpr size_t bmpFileHeaderSize = 14;
constexpr size_t bmpInfoHeaderSize = 40;
constexpr size_t bmpCoreHeaderSize = 12;

// What a BMP file holds, its headers and sizes checked against the file.
struct TBmpImage {
  uint32_t HeaderSize = 0;  // 12 (core), 40 or a larger info header
  int32_t Width = 0;
  int32_t Height = 0;       // always positive
  bool TopDown = false;     // rows stored from the top (negative height)
  uint16_t BitCount = 0;    // 1, 4, 8, 16, 24 or 32
  uint32_t Compression = bmpRgb;
  // Red, green and blue masks of 16 and 32-bit pixels: the file's with
  // bmpBitfields, the platform's defaults (5-5-5, 8-8-8) without.
  uint32_t Masks[3] = {0, 0, 0};
  // The colour table of 1 to 8-bit pictures, as 0x00RRGGBB (an RGBQUAD
  // read as a little-endian word); core tables are widened to this.
  std::vector<uint32_t> Colors;
  size_t BitsOffset = 0;  // where the pixel data starts in the file
  size_t BitsSize = 0;    // bytes of pixel data there (all inside the file)

  // Bytes per uncompressed row: rows are padded to 4 bytes.
  size_t Stride() const { return BmpStride(Width, BitCount); }
  static size_t BmpStride(int32_t width, uint16_t bitCount) {
    return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
  }
};

// Reads and checks the headers of the file in data[0, size). Raises
// EInvalidGraphic for anything the platform does not define, for
// inconsistent sizes and for data that would run past the end.
TBmpImage ParseBmp(const uint8_t* data, size_t size);

// Expands the RLE8 or RLE4 pixel data of a parsed file into uncompressed
// bottom-up rows (Stride() * Height bytes); pixels the stream skips stay
// index 0. Raises EInvalidGraphic for a stream that runs past its data or
// past the picture, or ends without its end mark.
std::vector<uint8_t> DecodeBmpRle(const TBmpImage& image, const uint8_t* data, size_t size);

// The file header, a 40-byte info header and the table of an uncompressed
// bottom-up picture whose rows follow directly. masks (red, green, blue)
// makes it bmpBitfields; null leaves it bmpRgb.
std::vector<uint8_t> MakeBmpHeaders(int32_t width, int32_t height, uint16_t bitCount,
                                    const std::vector<uint32_t>& colors,
                                    const uint32_t* masks = nullptr);

// The platform's default masks for 16 and 32-bit pixels without bitfields.
void DefaultBmpMasks(uint16_t bitCount, uint32_t masks[3]);
