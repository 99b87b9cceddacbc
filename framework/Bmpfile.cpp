#include "framework/Bmpfile.h"

namespace {

// A picture's pixel bytes are held in memory whole: beyond this the file
// is refused rather than trusted.
constexpr uint64_t kMaxPixelBytes = 256u << 20;

[[noreturn]] void Invalid(const char* why) { throw EInvalidGraphic(String("Invalid bitmap: ") + why); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A mask GDI takes: not empty, one run of bits.
bool ContiguousMask(uint32_t mask) {
  if (mask == 0) return false;
  while (!(mask & 1)) mask >>= 1;
  return (mask & (mask + 1)) == 0;
}

}  // namespace

void DefaultBmpMasks(uint16_t bitCount, uint32_t masks[3]) {
  if (bitCount == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bitCount == 32) {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  } else {
    masks[0] = masks[1] = masks[2] = 0;
  }
}

TBmpImage ParseBmp(const uint8_t* data, size_t size) {
  if (size < bmpFileHeaderSize + 4) Invalid("too short");
  if (data[0] != 'B' || data[1] != 'M') Invalid("no BM signature");
  const uint32_t offBits = U32(data + 10);
  TBmpImage image;
  image.HeaderSize = U32(data + bmpFileHeaderSize);
  const uint8_t* h = data + bmpFileHeaderSize;
  const bool core = image.HeaderSize == bmpCoreHeaderSize;
  if (!core && image.HeaderSize < bmpInfoHeaderSize) Invalid("unknown header");
  if (image.HeaderSize > size - bmpFileHeaderSize) Invalid("header past the end");

  uint16_t planes;
  uint32_t colorsUsed = 0, sizeImage = 0;
  if (core) {
    image.Width = U16(h + 4);
    image.Height = U16(h + 6);
    planes = U16(h + 8);
    image.BitCount = U16(h + 10);
    if (image.BitCount != 1 && image.BitCount != 4 && image.BitCount != 8 && image.BitCount != 24) {
      Invalid("bit count");
    }
  } else {
    image.Width = static_cast<int32_t>(U32(h + 4));
    const int32_t height = static_cast<int32_t>(U32(h + 8));
    if (height == INT32_MIN) Invalid("height");
    image.TopDown = height < 0;
    image.Height = height < 0 ? -height : height;
    planes = U16(h + 12);
    image.BitCount = U16(h + 14);
    image.Compression = U32(h + 16);
    sizeImage = U32(h + 20);
    colorsUsed = U32(h + 32);
    switch (image.BitCount) {
      case 1: case 4: case 8: case 16: case 24: case 32: break;
      default: Invalid("bit count");
    }
  }
  if (planes != 1) Invalid("planes");
  if (image.Width <= 0 || image.Height <= 0) Invalid("size");
  if (image.Width > 0xFFFFFF || image.Height > 0xFFFFFF) Invalid("size");
  const uint64_t pixelBytes = static_cast<uint64_t>(image.Stride()) * image.Height;
  if (pixelBytes > kMaxPixelBytes) Invalid("too large");

  switch (image.Compression) {
    case bmpRgb: break;
    case bmpRle8:
      if (image.BitCount != 8 || image.TopDown) Invalid("RLE8");
      break;
    case bmpRle4:
      if (image.BitCount != 4 || image.TopDown) Invalid("RLE4");
      break;
    case bmpBitfields:
      if (image.BitCount != 16 && image.BitCount != 32) Invalid("bitfields");
      break;
    default: Invalid("compression");
  }

  size_t tableOffset = bmpFileHeaderSize + image.HeaderSize;
  DefaultBmpMasks(image.BitCount, image.Masks);
  if (image.Compression == bmpBitfields) {
    // Inside the larger headers; after the 40-byte one.
    const uint8_t* m = h + bmpInfoHeaderSize;
    if (image.HeaderSize < bmpInfoHeaderSize + 12) {
      if (size - tableOffset < 12) Invalid("masks past the end");
      tableOffset += 12;
    }
    uint32_t all = 0;
    for (int i = 0; i < 3; ++i) {
      image.Masks[i] = U32(m + 4 * i);
      if (!ContiguousMask(image.Masks[i]) || (all & image.Masks[i])) Invalid("masks");
      all |= image.Masks[i];
    }
    if (image.BitCount == 16 && (all >> 16)) Invalid("masks");
  }

  // The table: always there up to 8 bits; after that only as a hint for
  // palette devices, skipped.
  const size_t entrySize = core ? 3 : 4;
  size_t entries = 0;
  if (image.BitCount <= 8) {
    const uint32_t full = 1u << image.BitCount;
    entries = colorsUsed ? colorsUsed : full;
    if (entries > full) Invalid("colour count");
  } else {
    if (colorsUsed > 0x10000) Invalid("colour count");
    entries = colorsUsed;
  }
  if (entries * entrySize > size - tableOffset) Invalid("colour table past the end");
  if (image.BitCount <= 8) {
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = data + tableOffset + i * entrySize;
      image.Colors.push_back(static_cast<uint32_t>(e[0]) | (static_cast<uint32_t>(e[1]) << 8) |
                             (static_cast<uint32_t>(e[2]) << 16));
    }
  }
  const size_t tableEnd = tableOffset + entries * entrySize;

  image.BitsOffset = offBits ? offBits : tableEnd;
  if (image.BitsOffset < tableEnd && image.BitCount <= 8) Invalid("pixels inside the headers");
  if (image.BitsOffset < tableOffset) Invalid("pixels inside the headers");
  if (image.BitsOffset > size) Invalid("pixels past the end");
  const size_t available = size - image.BitsOffset;
  if (image.Compression == bmpRle8 || image.Compression == bmpRle4) {
    if (sizeImage > available) Invalid("truncated");
    image.BitsSize = sizeImage ? sizeImage : available;
  } else {
    if (pixelBytes > available) Invalid("truncated");
    image.BitsSize = static_cast<size_t>(pixelBytes);
  }
  return image;
}

std::vector<uint8_t> DecodeBmpRle(const TBmpImage& image, const uint8_t* data, size_t size) {
  const bool four = image.Compression == bmpRle4;
  if (!four && image.Compression != bmpRle8) Invalid("not RLE");
  if (image.BitsOffset > size || image.BitsSize > size - image.BitsOffset) Invalid("truncated");
  const size_t stride = image.Stride();
  std::vector<uint8_t> out(stride * image.Height, 0);
  const uint8_t* p = data + image.BitsOffset;
  const uint8_t* end = p + image.BitsSize;
  const int32_t width = image.Width, height = image.Height;
  int32_t x = 0, y = 0;

  auto put = [&](int32_t px, uint8_t index) {
    uint8_t* row = out.data() + static_cast<size_t>(y) * stride;
    if (four) {
      uint8_t& b = row[px / 2];
      b = (px & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                   : static_cast<uint8_t>((b & 0x0F) | (index << 4));
    } else {
      row[px] = index;
    }
  };
  // Runs may not leave the row nor the picture.
  auto room = [&](uint32_t count) {
    if (y >= height || static_cast<uint32_t>(width - x) < count) Invalid("RLE run past the picture");
  };

  for (;;) {
    if (end - p < 2) Invalid("RLE data ends without its end mark");
    const uint8_t count = p[0], value = p[1];
    p += 2;
    if (count) {
      room(count);
      for (uint32_t i = 0; i < count; ++i) {
        const uint8_t index = four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value;
        put(x + static_cast<int32_t>(i), index);
      }
      x += count;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        if (++y > height) Invalid("RLE past the last row");
        break;
      case 1:  // end of picture
        return out;
      case 2:  // delta
        if (end - p < 2) Invalid("RLE data ends inside a delta");
        x += p[0];
        y += p[1];
        p += 2;
        if (x > width || y > height) Invalid("RLE delta past the picture");
        break;
      default: {  // literal pixels, padded to a word
        const uint32_t n = value;
        const size_t bytes = four ? (n + 1) / 2 : n;
        const size_t padded = (bytes + 1) & ~static_cast<size_t>(1);
        if (static_cast<size_t>(end - p) < padded) Invalid("RLE literal past the data");
        room(n);
        for (uint32_t i = 0; i < n; ++i) {
          const uint8_t index = four ? ((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) : p[i];
          put(x + static_cast<int32_t>(i), index);
        }
        x += static_cast<int32_t>(n);
        p += padded;
        break;
      }
    }
  }
}

std::vector<uint8_t> MakeBmpHeaders(int32_t width, int32_t height, uint16_t bitCount,
                                    const std::vector<uint32_t>& colors, const uint32_t* masks) {
  const uint32_t maskBytes = masks ? 12 : 0;
  const uint32_t offBits = static_cast<uint32_t>(bmpFileHeaderSize + bmpInfoHeaderSize + maskBytes +
                                                 4 * colors.size());
  const uint32_t sizeImage =
      static_cast<uint32_t>(TBmpImage::BmpStride(width, bitCount) * static_cast<uint32_t>(height));
  std::vector<uint8_t> out;
  out.reserve(offBits);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offBits + sizeImage);
  Put32(out, 0);
  Put32(out, offBits);
  Put32(out, bmpInfoHeaderSize);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, bitCount);
  Put32(out, masks ? bmpBitfields : bmpRgb);
  Put32(out, sizeImage);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(colors.size()));
  Put32(out, 0);
  if (masks) {
    for (int i = 0; i < 3; ++i) Put32(out, masks[i]);
  }
  for (uint32_t c : colors) Put32(out, c & 0xFFFFFF);
  return out;
}
