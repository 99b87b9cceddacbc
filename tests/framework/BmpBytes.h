// BMP files for tests, written byte by byte from a description, in every
// header form the format has.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct BmpLayout {
  uint32_t headerSize = 40;       // 12, 40, 108 (V4) or 124 (V5)
  int32_t width = 1;
  int32_t height = 1;             // negative: top-down
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  uint32_t sizeImage = 0;
  std::vector<uint32_t> colors;   // 0x00RRGGBB, written as quads (triples in core files)
  std::vector<uint32_t> masks;    // after a 40-byte header, inside larger ones
  std::vector<uint8_t> bits;      // the pixel data as stored
  int32_t offBitsDelta = 0;       // added to the real offset
};

inline void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline std::vector<uint8_t> MakeBmp(const BmpLayout& s) {
  std::vector<uint8_t> h;
  const bool core = s.headerSize == 12;
  PutLE(h, s.headerSize, 4);
  if (core) {
    PutLE(h, static_cast<uint32_t>(s.width), 2);
    PutLE(h, static_cast<uint32_t>(s.height), 2);
    PutLE(h, 1, 2);
    PutLE(h, s.bitCount, 2);
  } else {
    PutLE(h, static_cast<uint32_t>(s.width), 4);
    PutLE(h, static_cast<uint32_t>(s.height), 4);
    PutLE(h, 1, 2);
    PutLE(h, s.bitCount, 2);
    PutLE(h, s.compression, 4);
    PutLE(h, s.sizeImage, 4);
    PutLE(h, 2835, 4);
    PutLE(h, 2835, 4);
    PutLE(h, s.colorsUsed, 4);
    PutLE(h, 0, 4);
    size_t i = 0;
    while (h.size() < s.headerSize) {
      // Masks sit right after the 40 bytes in V4 and V5 headers.
      if (h.size() < 52 && i < s.masks.size()) PutLE(h, s.masks[i++], 4);
      else h.push_back(0);
    }
    if (s.headerSize == 40) {
      for (uint32_t m : s.masks) PutLE(h, m, 4);
    }
  }
  for (uint32_t c : s.colors) PutLE(h, c, core ? 3 : 4);
  std::vector<uint8_t> file{'B', 'M'};
  const uint32_t offBits = static_cast<uint32_t>(14 + h.size() + s.offBitsDelta);
  PutLE(file, static_cast<uint32_t>(14 + h.size() + s.bits.size()), 4);
  PutLE(file, 0, 4);
  PutLE(file, offBits, 4);
  file.insert(file.end(), h.begin(), h.end());
  file.insert(file.end(), s.bits.begin(), s.bits.end());
  return file;
}

// Rows of bytes each padded to 4.
inline std::vector<uint8_t> Rows(const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t> out;
  for (const auto& row : rows) {
    out.insert(out.end(), row.begin(), row.end());
    while (out.size() % 4) out.push_back(0);
  }
  return out;
}
