#include "lib/imaging/Susiedata.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool PresentDib(const uint8_t* info, size_t infoSize, size_t bitsSize, kxPresentedDib& dib) {
  if (!info || infoSize < kInfoHeader || U32(info) != kInfoHeader) return false;
  const int32_t width = static_cast<int32_t>(U32(info + 4));
  const int32_t height = static_cast<int32_t>(U32(info + 8));
  const uint16_t bitCount = U16(info + 14);
  const uint32_t compression = U32(info + 16);
  const uint32_t sizeImage = U32(info + 20);
  const uint32_t colorsUsed = U32(info + 32);

  uint64_t colors = colorsUsed;
  bool dropTable = false;
  if (colors == 0 && (bitCount == 1 || bitCount == 4 || bitCount == 8)) colors = 1u << bitCount;
  if (colors > 256) {
    // Up to 8 bits the table is the picture's; a bigger one is nonsense.
    if (bitCount <= 8) return false;
    colors = 0;
    dropTable = true;
  }
  const uint64_t masks = compression == 3 ? 12 : 0;
  const uint64_t headerBytes = kInfoHeader + masks + 4 * colors;
  if (headerBytes > infoSize) return false;

  uint64_t imageSize = sizeImage;
  if (imageSize == 0) {
    if (compression == 1 || compression == 2) {
      imageSize = bitsSize;  // RLE data ends at its own end mark
    } else {
      if (width <= 0 || height == 0 || height == INT32_MIN || bitCount == 0) return false;
      const uint64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
      imageSize = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4 * rows;
    }
  }
  if (imageSize > bitsSize) return false;
  const uint64_t total = kFileHeader + headerBytes + imageSize;
  if (total > INT32_MAX) return false;

  std::vector<uint8_t> header(kFileHeader + headerBytes);
  header[0] = 'B';
  header[1] = 'M';
  Put32(&header[2], static_cast<uint32_t>(total));
  Put32(&header[10], static_cast<uint32_t>(header.size()));
  std::memcpy(&header[kFileHeader], info, headerBytes);
  if (dropTable) Put32(&header[kFileHeader + 32], 0);

  dib.Header = std::move(header);
  dib.ImageSize = static_cast<uint32_t>(imageSize);
  dib.Colors = static_cast<uint32_t>(colors);
  return true;
}

size_t ReadPresentedDib(const kxPresentedDib& dib, const uint8_t* bits, uint64_t position,
                        void* buffer, size_t count) {
  uint8_t* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  const uint64_t headerLength = dib.Header.size();
  if (position < headerLength && done < count) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, headerLength - position));
    std::memcpy(out, dib.Header.data() + position, n);
    done += n;
    position += n;
  }
  const uint64_t end = headerLength + dib.ImageSize;
  if (position >= headerLength && position < end && done < count && bits) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count - done, end - position));
    std::memcpy(out + done, bits + (position - headerLength), n);
    done += n;
  }
  return done;
}
