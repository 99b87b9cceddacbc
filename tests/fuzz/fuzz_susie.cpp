// libFuzzer target: what the Susie host and the project's plug-ins take
// from outside. The first byte chooses:
//  0: a plug-in's DIB (two bytes give the header block's size, the header
//     block follows, the rest is the pixel block) presented as a BMP file
//     and read back in pieces; what passes must be a file of exactly the
//     sizes claimed, within the blocks, and the BMP reader may only refuse
//     it with EInvalidGraphic;
//  1: the netpbm decoder; 2: the TGA decoder - with and without the rows.
#include "framework/Bmpfile.h"
#include "lib/imaging/Susiedata.h"
#include "lib/imaging/plugins/Pnm.h"
#include "lib/imaging/plugins/Tga.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

#define CHECK(what) \
  do {              \
    if (!(what)) std::abort(); \
  } while (0)

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

void Present(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const size_t infoSize = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  // Copies, so the sanitizer sees each block's own end.
  const std::vector<uint8_t> info(data + 2, data + 2 + infoSize);
  const std::vector<uint8_t> bits(data + 2 + infoSize, data + size);
  kxPresentedDib dib;
  if (!PresentDib(info.data(), info.size(), bits.size(), dib)) return;
  CHECK(dib.Header.size() >= 54 && dib.Header.size() - 14 <= info.size());
  CHECK(dib.ImageSize <= bits.size());
  CHECK(U32(&dib.Header[2]) == dib.Size() && U32(&dib.Header[10]) == dib.Header.size());
  CHECK(dib.Header.size() == 54 + 4 * dib.Colors || dib.Header.size() == 66 + 4 * dib.Colors);

  std::vector<uint8_t> file(dib.Size() + 16, 0xA5);
  size_t at = 0;
  for (size_t piece = 1 + size % 97;; piece = piece * 3 % 1000 + 1) {
    const size_t n = ReadPresentedDib(dib, bits.data(), at, file.data() + at,
                                      std::min(piece, file.size() - at));
    if (n == 0) break;
    at += n;
  }
  CHECK(at == dib.Size());
  CHECK(file[at] == 0xA5);
  CHECK(dib.ImageSize == 0 ||
        std::memcmp(file.data() + dib.Header.size(), bits.data(), dib.ImageSize) == 0);
  try {
    const TBmpImage image = ParseBmp(file.data(), at);
    if (image.Compression == bmpRle8 || image.Compression == bmpRle4) {
      DecodeBmpRle(image, file.data(), at);
    }
  } catch (const EInvalidGraphic&) {
  }
}

void Decode(kxSpiStatus (*decode)(const uint8_t*, size_t, kxSpiPicture&, bool),
            const uint8_t* data, size_t size) {
  const std::vector<uint8_t> copy(data, data + size);
  for (bool infoOnly : {true, false}) {
    kxSpiPicture p;
    if (decode(copy.data(), copy.size(), p, infoOnly) != psOk) continue;
    CHECK(p.Width > 0 && p.Height > 0);
    CHECK(p.BitCount == 1 || p.BitCount == 8 || p.BitCount == 24 || p.BitCount == 32);
    CHECK(p.Colors.size() <= 256 && (p.BitCount > 8 || p.Colors.size() == (1u << p.BitCount)));
    CHECK(infoOnly ? p.Bits.empty() : p.Bits.size() == p.Stride() * p.Height);
    unsigned sum = 0;
    for (uint8_t b : p.Bits) sum += b;
    (void)sum;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  switch (data[0] % 3) {
    case 0: Present(data + 1, size - 1); break;
    case 1: Decode(DecodePnm, data + 1, size - 1); break;
    case 2: Decode(DecodeTga, data + 1, size - 1); break;
  }
  return 0;
}
