#include "lib/imaging/plugins/Plugin.h"

#include "framework/Handle.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A file larger than this is not read into memory.
constexpr uint64_t kMaxFile = 512u << 20;

// The picture's bytes: a file read from its offset, or a block in memory.
struct Source {
  std::vector<uint8_t> owned;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

int Load(LPCSTR buf, SpiLength len, unsigned flag, Source& source) {
  if (!buf) return spiReadError;
  if ((flag & spiSourceMask) == spiSourceMemory) {
    if (len <= 0) return spiBrokenData;
    source.data = reinterpret_cast<const uint8_t*>(buf);
    source.size = static_cast<size_t>(len);
    return spiSuccess;
  }
  if ((flag & spiSourceMask) != spiSourceFile || len < 0) return spiReadError;
  UniqueHandle file(CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER fileSize, offset;
  offset.QuadPart = len;
  if (!file || !GetFileSizeEx(file.get(), &fileSize)) return spiReadError;
  if (fileSize.QuadPart <= len) return spiBrokenData;
  const uint64_t size = static_cast<uint64_t>(fileSize.QuadPart - len);
  if (size > kMaxFile) return spiNoMemory;
  if (!SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN)) return spiReadError;
  try {
    source.owned.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return spiNoMemory;
  }
  DWORD read = 0;
  if (!ReadFile(file.get(), source.owned.data(), static_cast<DWORD>(size), &read, nullptr)) {
    return spiReadError;
  }
  source.data = source.owned.data();
  source.size = read;
  return spiSuccess;
}

int Code(kxSpiStatus status) {
  switch (status) {
    case psOk: return spiSuccess;
    case psUnknownFormat: return spiUnknownFormat;
    case psBroken: return spiBrokenData;
    case psTooLarge: return spiNoMemory;
  }
  return spiInternalError;
}

// A local block holding size bytes copied from data (zeroed when null).
UniqueLocal NewBlock(const void* data, size_t size) {
  UniqueLocal block(LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size ? size : 1));
  if (!block) return block;
  LocalLockScope lock(block.get());
  if (!lock.Memory()) return UniqueLocal();
  if (data) std::memcpy(lock.Memory(), data, size);
  return block;
}

}  // namespace

int PluginGetInfo(const kxSpiFormat& format, int infono, LPSTR buf, int buflen) {
  if (!buf || buflen <= 0 || infono < 0 || infono >= format.InfoCount) return 0;
  const char* text = format.Info[infono];
  const int length = std::min(static_cast<int>(std::strlen(text)), buflen - 1);
  std::memcpy(buf, text, length);
  buf[length] = '\0';
  return length;
}

int PluginIsSupported(const kxSpiFormat& format, LPCSTR, SpiSource dw) {
  uint8_t head[spiHeadSize];
  size_t size = 0;
  if (dw & ~SpiSource{0xFFFF}) {
    std::memcpy(head, reinterpret_cast<const void*>(dw), spiHeadSize);
    size = spiHeadSize;
  } else {
    // A file handle: read from where it stands and put it back there.
    const HANDLE file = reinterpret_cast<HANDLE>(dw);
    LARGE_INTEGER zero{}, where;
    if (!SetFilePointerEx(file, zero, &where, FILE_CURRENT)) return 0;
    DWORD read = 0;
    const BOOL ok = ReadFile(file, head, sizeof head, &read, nullptr);
    SetFilePointerEx(file, where, nullptr, FILE_BEGIN);
    if (!ok) return 0;
    size = read;
  }
  return format.IsHead(head, size) ? 1 : 0;
}

int PluginPictureInfo(const kxSpiFormat& format, LPCSTR buf, SpiLength len, unsigned flag,
                   SpiPictureInfo* info) {
  if (!info) return spiInternalError;
  Source source;
  if (const int code = Load(buf, len, flag, source)) return code;
  kxSpiPicture picture;
  if (const kxSpiStatus status = format.Decode(source.data, source.size, picture, true)) {
    return Code(status);
  }
  *info = SpiPictureInfo{};
  info->width = picture.Width;
  info->height = picture.Height;
  info->colorDepth = static_cast<SHORT>(picture.SourceDepth);
  if (!picture.Text.empty()) {
    UniqueLocal text = NewBlock(picture.Text.c_str(), picture.Text.size() + 1);
    if (!text) return spiNoMemory;
    info->hInfo = text.release();
  }
  return spiSuccess;
}

int PluginPicture(const kxSpiFormat& format, LPCSTR buf, SpiLength len, unsigned flag,
               HLOCAL* pHBInfo, HLOCAL* pHBm, SpiProgressCallback progress, SpiData data) {
  if (!pHBInfo || !pHBm) return spiInternalError;
  *pHBInfo = *pHBm = nullptr;
  if (progress && progress(0, 1, data)) return spiAborted;
  Source source;
  if (const int code = Load(buf, len, flag, source)) return code;
  kxSpiPicture picture;
  try {
    if (const kxSpiStatus status = format.Decode(source.data, source.size, picture, false)) {
      return Code(status);
    }
  } catch (const std::bad_alloc&) {
    return spiNoMemory;
  }

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = picture.Width;
  header.biHeight = picture.Height;
  header.biPlanes = 1;
  header.biBitCount = picture.BitCount;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(picture.Bits.size());
  header.biClrUsed = static_cast<DWORD>(picture.Colors.size());
  std::vector<uint8_t> info(sizeof header + 4 * picture.Colors.size());
  std::memcpy(info.data(), &header, sizeof header);
  for (size_t i = 0; i < picture.Colors.size(); ++i) {
    // RGBQUAD: blue, green, red, 0 - the colour read as a little-endian word.
    const uint32_t c = picture.Colors[i] & 0xFFFFFF;
    std::memcpy(info.data() + sizeof header + 4 * i, &c, 4);
  }
  UniqueLocal infoBlock = NewBlock(info.data(), info.size());
  UniqueLocal bitsBlock = NewBlock(picture.Bits.data(), picture.Bits.size());
  if (!infoBlock || !bitsBlock) return spiNoMemory;
  if (progress && progress(1, 1, data)) return spiAborted;
  *pHBInfo = infoBlock.release();
  *pHBm = bitsBlock.release();
  return spiSuccess;
}
