// A packed DIB received from another program (a BITMAPINFOHEADER, its
// colour table, its pixels, in one block of a known length), checked
// before anything reads it, and the bitmap file header that makes it a BMP
// file. Window-free.
//
// The block is untrusted: every size it claims is checked against its
// length, so that a reader that stops at the presented file's end never
// reads past the block.
#pragma once

#include <cstddef>
#include <cstdint>

// What a checked DIB presents as a BMP file: the 14-byte file header,
// then the DIB's first FileSize - 14 bytes.
struct kxPackedDib {
  uint16_t BitCount = 0;
  // Entries of the colour table (the masks of BI_BITFIELDS not counted).
  uint32_t Colors = 0;
  // Offset of the pixels in the presented file: 14 + 40, the three masks
  // of BI_BITFIELDS, and the table.
  uint32_t DataOffset = 0;
  // Bytes of pixel data: biSizeImage, or the rows' size when that is 0.
  uint32_t ImageSize = 0;
  uint32_t FileSize = 0;      // DataOffset + ImageSize
  uint8_t FileHeader[14] = {};  // "BM", FileSize, 0, 0, DataOffset
};

// Checks the DIB in dib[0, length). False unless all of these hold:
// - the header is a 40-byte BITMAPINFOHEADER within the block; the width
//   is positive, the height not 0, one plane;
// - 1, 4, 8, 16, 24 or 32 bits per pixel, with compression BI_RGB, BI_RLE8
//   (8 bits, bottom-up), BI_RLE4 (4 bits, bottom-up) or BI_BITFIELDS (16
//   and 32 bits);
// - biClrUsed (or, when 0, 2^bits for 8 bits and less) colours, at most
//   2^bits for 8 bits and less;
// - a biSizeImage of 0 is taken as the rows' size (padded to 4 bytes),
//   which compressed pixels cannot have; uncompressed pixels cover all
//   rows;
// - header, masks, table and pixels all lie within length, and the file
//   stays below 2 GiB.
bool CheckPackedDib(const void* dib, size_t length, kxPackedDib& out);
