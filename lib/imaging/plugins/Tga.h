// Truevision TGA pictures, window-free: colour-mapped (8-bit indices into
// a map of 15, 16, 24 or 32-bit entries), grey (8 bits) and true colour
// (15, 16, 24 and 32 bits), uncompressed or run-length encoded, stored
// from the bottom or the top and from the left or the right. Colour-mapped
// and grey pictures decode to 8 bits with a table, 15 to 24-bit ones to 24
// bits, 32-bit ones to 32 bits (alpha kept in the fourth byte). The image
// identification field is the picture's text.
#pragma once

#include "lib/imaging/plugins/Picture.h"

// Whether the first bytes of a file (size of them) hold a TGA header this
// decoder reads. The format has no signature: every field must make sense.
bool IsTgaHead(const uint8_t* head, size_t size);
// The picture in data[0, size); with infoOnly, only its size, depth and
// text.
kxSpiStatus DecodeTga(const uint8_t* data, size_t size, kxSpiPicture& picture, bool infoOnly);
