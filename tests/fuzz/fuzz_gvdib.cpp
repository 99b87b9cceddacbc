// libFuzzer target: the check of the packed DIBs the GV viewer hands over.
// A DIB that passes must present a BMP file that lies within the input:
// the header's sizes agree with each other, and every byte of the file
// after its 14-byte header is read from the input (AddressSanitizer sees a
// read past the input's end).
#include "lib/imaging/Packeddib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#define CHECK(what) \
  do {              \
    if (!(what)) std::abort(); \
  } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kxPackedDib dib;
  if (!CheckPackedDib(data, size, dib)) {
    CHECK(dib.FileSize == 0);
    return 0;
  }
  CHECK(dib.FileSize >= 14 + 40 && dib.FileSize - 14 <= size);
  CHECK(dib.DataOffset <= dib.FileSize);
  CHECK(dib.FileSize == dib.DataOffset + dib.ImageSize);
  CHECK(dib.BitCount == 1 || dib.BitCount == 4 || dib.BitCount == 8 || dib.BitCount == 16 ||
        dib.BitCount == 24 || dib.BitCount == 32);
  CHECK(dib.BitCount > 8 || dib.Colors <= (1u << dib.BitCount));
  uint32_t fileSize, offset;
  std::memcpy(&fileSize, dib.FileHeader + 2, 4);
  std::memcpy(&offset, dib.FileHeader + 10, 4);
  CHECK(dib.FileHeader[0] == 'B' && dib.FileHeader[1] == 'M');
  CHECK(fileSize == dib.FileSize && offset == dib.DataOffset);
  // The presented file, as a reader takes it.
  std::vector<uint8_t> file(dib.FileHeader, dib.FileHeader + 14);
  file.insert(file.end(), data, data + (dib.FileSize - 14));
  unsigned sum = 0;
  for (uint8_t b : file) sum += b;
  return sum == 0x7FFFFFFF;
}
