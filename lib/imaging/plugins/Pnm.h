// Netpbm pictures (P1 to P6: bitmaps, greymaps and pixmaps, plain and raw),
// window-free. Bitmaps decode to 1 bit (index 1 black), greymaps to 8 bits
// with a grey table, pixmaps to 24 bits; samples with a maxval other than
// 255 (up to 65535, two bytes big-endian in raw files) are scaled to 8
// bits. Comments are gathered as the picture's text. Only the first
// picture of a file is read.
#pragma once

#include "lib/imaging/plugins/Picture.h"

// Whether the first bytes of a file (size of them) start a netpbm picture.
bool IsPnmHead(const uint8_t* head, size_t size);
// The picture in data[0, size); with infoOnly, only its size, depth and
// text (the rows are not read).
kxSpiStatus DecodePnm(const uint8_t* data, size_t size, kxSpiPicture& picture, bool infoOnly);
