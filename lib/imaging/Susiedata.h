// The window-free part of the Susie plug-in host: a device-independent
// bitmap that a plug-in handed over in two memory blocks (header with
// colour table, and pixels) checked against the sizes of those blocks and
// presented as the bytes of a BMP file. Plug-ins are outside code: every
// size they claim is measured against what their blocks really hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct kxPresentedDib {
  // File header (14 bytes), the 40-byte info header, the bit-field masks
  // when the picture has them, and the colour table.
  std::vector<uint8_t> Header;
  // Pixel bytes presented after Header, from the start of the pixel block.
  uint32_t ImageSize = 0;
  // Entries of the colour table in Header.
  uint32_t Colors = 0;

  uint32_t Size() const { return static_cast<uint32_t>(Header.size()) + ImageSize; }
};

// Builds the presentation of the DIB whose header block holds infoSize
// bytes at info and whose pixel block holds bitsSize bytes.
//
// colours = biClrUsed, or 2^biBitCount for 1, 4 and 8 bits when that is 0.
// Header = file header + 40 + masks (12 with BI_BITFIELDS) + 4 x colours
// bytes; ImageSize = biSizeImage, or for an uncompressed picture whose
// biSizeImage is 0 its rows (4-byte aligned) x |height|, for an RLE one
// the whole pixel block. A table of more than 256 entries is left out of
// pictures above 8 bits (it is only a hint there; biClrUsed becomes 0).
//
// False, leaving dib alone, when the header is not a 40-byte info header,
// when the masks, table or pixels it describes lie past the end of their
// block, when an uncompressed picture has no size to compute its rows
// from, and when the file would exceed 2 GB. Everything else about the
// picture is the BMP reader's to check.
bool PresentDib(const uint8_t* info, size_t infoSize, size_t bitsSize, kxPresentedDib& dib);

// Copies up to count bytes of the presented file from position: Header,
// then bits (ImageSize bytes there). Never past Size(); the number copied.
size_t ReadPresentedDib(const kxPresentedDib& dib, const uint8_t* bits, uint64_t position,
                        void* buffer, size_t count);
