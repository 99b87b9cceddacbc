// The byte work of the bitmap utilities, without a window: colour tables of
// DIB headers held in memory, the colour table gathered from pixels, and
// 24-bit rows packed into the depths a BMP file is written at. Window-free.
//
// Colours are 32-bit words 0x00RRGGBB: an RGBQUAD (blue, green, red, 0)
// read as a little-endian word, and a 24-bit pixel (blue, green, red) the
// same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The colour table of the DIB header at dib[0, size): a BITMAPINFOHEADER
// (40 bytes, then RGBQUADs; biClrUsed entries, or 2^biBitCount when it is
// 0) or a BITMAPCOREHEADER (12 bytes, then 2^bcBitCount RGBTRIPLEs). False
// for other header sizes, for 0 or more than 8 bits per pixel, and for a
// header or table that runs past size. A biClrUsed above 2^biBitCount is
// cut to 2^biBitCount: no pixel can index the entries beyond.
bool DibColorTable(const void* dib, size_t size, std::vector<uint32_t>& colors);

// Bytes per row of a BMP file of that width and depth: rows are padded to
// 4 bytes.
size_t BmpRowLength(int width, int bitCount);

// The depths the bitmap utilities write pixels at: 1, 4, 8, 16 (5-5-5), 24
// and 32.
bool IsBmpWriteDepth(int bitCount);

// Appends each colour of a row of width 24-bit pixels that the table does
// not hold yet, from left to right, while the table has fewer than limit.
void CollectRowColors(const uint8_t* bgr, int width, std::vector<uint32_t>& table,
                      size_t limit);

// The first of count (at least 1) table entries equal to color; when none
// is, the one nearest to it (smallest sum of squared differences of blue,
// green and red), the first of equals.
int NearestColorIndex(const uint32_t* table, int count, uint32_t color);

// One row of width 24-bit pixels written at bitCount (IsBmpWriteDepth) into
// out, which holds BmpRowLength(width, bitCount) bytes and is zeroed first.
// Depths up to 8 bits write the index of each pixel's table colour (count,
// at least 1, entries); 16 bits is 5-5-5, 32 bits is blue, green, red, 0.
void PackBmpRow(const uint8_t* bgr, int width, int bitCount, const uint32_t* table, int count,
                uint8_t* out);
