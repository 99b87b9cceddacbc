// Bitmap files and palettes: the logical palette of a DIB header in
// memory, and a TBitmap written as a BMP file at a chosen depth, its
// colours taken from a palette or gathered from its pixels.
#pragma once

#include "framework/Graphics.h"
#include "framework/Sysutils.h"

#include <windows.h>

#include <cstddef>

// A logical palette in one block of 8 + 4 x count bytes: version 0x300,
// count entries, all zero. Made with std::malloc; whoever holds it releases
// it with FreeLogPalette (or std::free). Null when memory runs out.
LOGPALETTE* NewLogPalette(int count);
// Null is allowed.
void FreeLogPalette(LOGPALETTE* palette);

// The colour table of the DIB header at dib (size bytes there: the header,
// its table and whatever follows) as a new logical palette, entries
// (red, green, blue, 0). A BITMAPINFOHEADER gives biClrUsed entries, or
// 2^biBitCount when that is 0 (never more than 2^biBitCount); a
// BITMAPCOREHEADER gives 2^bcBitCount. Null for more than 8 bits per pixel
// (and for 0), for other header sizes, and when the header or its table
// would run past size.
LOGPALETTE* DIBToPalette(const void* dib, size_t size);

// A 40-byte info header and room for 256 colours: 1,064 bytes.
struct kxBitmapInfo {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
};
static_assert(sizeof(kxBitmapInfo) == 1064, "an info header and 256 RGBQUADs");

// Fills info with the header and colour table bitmap is written with at
// bitCount bits per pixel (1, 4, 8, 16, 24 or 32). Up to 8 bits the table
// holds palette's first 2^bitCount entries, or without a palette (or with
// an empty one) the distinct colours of the pixels from the bottom row
// upward, left to right, until it is full; biClrUsed is their number when
// the table is not full, else 0. The number of table colours, or -1 for a
// bitmap without a picture or a context, an unwritable depth or a picture
// GDI does not give.
int PrepareBitmapInfo(kxBitmapInfo& info, TBitmap* bitmap, int bitCount,
                      const LOGPALETTE* palette);

// Writes bitmap as an uncompressed bottom-up BMP file at bitCount bits per
// pixel (as PrepareBitmapInfo); up to 8 bits each pixel becomes the index
// of its table colour, or of the nearest one. Bit count 0 lets the bitmap
// save itself in its own format. Shows the wait cursor while it runs. False
// for an empty bitmap, an unwritable depth, and when the file cannot be
// made or written (a file begun stays as far as it got).
bool SaveBitmapToFile(const String& fileName, TBitmap* bitmap, int bitCount,
                      const LOGPALETTE* palette);
