// A Susie plug-in for the host's tests, answering what a well-behaved or
// a broken plug-in may answer. What GetPluginInfo says depends on the
// DLL's own file name (the tests copy it under several names); what the
// picture calls hand over depends on the picture file, which starts with
// "SPITEST " and a mode word. The last call's arguments are kept for
// SpiTestLastCall.
#include "lib/imaging/Spiapi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

HINSTANCE g_module;
std::string g_lastCall;

std::string ModuleName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(g_module, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of("\\/") + 1);
  for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return name;
}

bool NameHas(const char* word) { return ModuleName().find(word) != std::string::npos; }

int Copy(const char* text, LPSTR buf, int buflen) {
  if (buflen <= 0) return 0;
  const int n = std::min<int>(static_cast<int>(strlen(text)), buflen - 1);
  std::memcpy(buf, text, n);
  buf[n] = '\0';
  return n;
}

// The source's bytes: memory, or the file from its offset.
std::string Source(LPCSTR buf, SpiLength len, unsigned flag) {
  if ((flag & spiSourceMask) == spiSourceMemory) return std::string(buf, static_cast<size_t>(len));
  std::string data;
  if (FILE* f = std::fopen(buf, "rb")) {
    std::fseek(f, static_cast<long>(len), SEEK_SET);
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) data.append(chunk, n);
    std::fclose(f);
  }
  return data;
}

std::string Mode(const std::string& data) {
  // A copy named ...ANY... reads every file, as its good 8-bit picture.
  if (data.compare(0, 8, "SPITEST ") != 0) return NameHas("ANY") ? "good8" : "";
  const size_t end = data.find_first_of(" \r\n", 8);
  return data.substr(8, end == std::string::npos ? std::string::npos : end - 8);
}

HLOCAL Block(const void* data, size_t size) {
  HLOCAL h = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size);
  if (h && data) {
    std::memcpy(LocalLock(h), data, size);
    LocalUnlock(h);
  }
  return h;
}

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD sizeImage,
                        DWORD compression = BI_RGB, DWORD colorsUsed = 0) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = compression;
  h.biSizeImage = sizeImage;
  h.biClrUsed = colorsUsed;
  return h;
}

std::vector<uint8_t> Bytes(const BITMAPINFOHEADER& h, size_t extra = 0) {
  std::vector<uint8_t> v(sizeof h + extra);
  std::memcpy(v.data(), &h, sizeof h);
  return v;
}

// The picture of a mode: header block and pixel block. False for modes
// whose call fails.
int Picture(const std::string& mode, HLOCAL* info, HLOCAL* bits) {
  *info = *bits = nullptr;
  auto give = [&](const std::vector<uint8_t>& header, const std::vector<uint8_t>& pixels) {
    *info = Block(header.data(), header.size());
    *bits = Block(pixels.data(), pixels.size());
    return spiSuccess;
  };
  if (mode == "good8" || mode == "preview") {
    // 4 x 2, table entry i = (red i, green 255 - i, blue i / 2); the
    // bottom row holds indices 0 to 3, the top one 4 to 7.
    std::vector<uint8_t> h = Bytes(Header(4, 2, 8, 8), 1024);
    for (int i = 0; i < 256; ++i) {
      uint8_t* q = &h[40 + 4 * i];
      q[0] = static_cast<uint8_t>(i / 2), q[1] = static_cast<uint8_t>(255 - i), q[2] = static_cast<uint8_t>(i);
    }
    return give(h, {0, 1, 2, 3, 4, 5, 6, 7});
  }
  if (mode == "zero24" || mode == "bigimage") {
    // 3 x 2: bottom row red, green, blue; top row white, black, grey.
    std::vector<uint8_t> px = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                               255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0};
    return give(Bytes(Header(3, 2, 24, mode == "zero24" ? 0 : 1000000)), px);
  }
  if (mode == "topdown") {
    // 2 x 2 stored from the top: top row red, green; bottom row blue, white.
    std::vector<uint8_t> px = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    return give(Bytes(Header(2, -2, 24, 0)), px);
  }
  if (mode == "bigtable") {
    std::vector<uint8_t> h = Bytes(Header(4, 2, 8, 8, BI_RGB, 200), 16);
    return give(h, std::vector<uint8_t>(8, 0));
  }
  if (mode == "clr300") {
    // A 24-bit picture claiming a 300-colour hint table it does not hold.
    std::vector<uint8_t> px = {0, 0, 255, 0, 255, 0, 0, 0};
    return give(Bytes(Header(2, 1, 24, 0, BI_RGB, 300)), px);
  }
  if (mode == "bitfields") {
    // 2 x 1 at 5-6-5: red, blue.
    std::vector<uint8_t> h = Bytes(Header(2, 1, 16, 4, BI_BITFIELDS), 12);
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(&h[40], masks, 12);
    return give(h, {0x00, 0xF8, 0x1F, 0x00});
  }
  if (mode == "rle8") {
    // 4 x 2, biSizeImage 0: bottom row index 1, top row index 2.
    std::vector<uint8_t> h = Bytes(Header(4, 2, 8, 0, BI_RLE8, 3), 12);
    h[40 + 4] = 255;       // index 1 blue
    h[40 + 8 + 1] = 255;   // index 2 green
    return give(h, {4, 1, 0, 0, 4, 2, 0, 1});
  }
  if (mode == "core") {
    BITMAPCOREHEADER c{sizeof c, 2, 1, 1, 24};
    std::vector<uint8_t> h(sizeof c);
    std::memcpy(h.data(), &c, sizeof c);
    return give(h, std::vector<uint8_t>(8, 0));
  }
  if (mode == "v5") {
    BITMAPINFOHEADER h = Header(2, 1, 24, 8);
    h.biSize = 124;
    return give(Bytes(h, 84), std::vector<uint8_t>(8, 0));
  }
  if (mode == "huge") return give(Bytes(Header(0x7FFFFFFF, 0x7FFFFFFF, 32, 0)), std::vector<uint8_t>(16, 0));
  if (mode == "badplanes") {
    BITMAPINFOHEADER h = Header(2, 1, 24, 8);
    h.biPlanes = 2;
    return give(Bytes(h), std::vector<uint8_t>(8, 0));
  }
  if (mode == "nullhandles") return spiSuccess;
  if (mode == "samehandle") {
    *info = *bits = Block(nullptr, 64);
    return spiSuccess;
  }
  return spiBrokenData;
}

void Record(const char* call, LPCSTR buf, SpiLength len, unsigned flag) {
  char line[512];
  if ((flag & spiSourceMask) == spiSourceMemory) {
    std::snprintf(line, sizeof line, "%s memory:%.*s len=%ld flag=%u", call,
                  static_cast<int>(std::min<SpiLength>(len, 16)), buf, static_cast<long>(len), flag);
  } else {
    std::snprintf(line, sizeof line, "%s file:%s len=%ld flag=%u", call, buf, static_cast<long>(len),
                  flag);
  }
  g_lastCall = line;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

int WINAPI SpiTestLastCall(LPSTR buf, int buflen) { return Copy(g_lastCall.c_str(), buf, buflen); }

int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
  if (NameHas("NEG")) return -1;
  if (NameHas("NOINFO")) return 0;
  if (NameHas("NOTERM")) {
    // Every byte of the buffer used, no terminator, and a length beyond it.
    const char* texts[] = {"00IN", "", "*.NT", "NOTERM"};
    if (infono < 0 || infono > 3 || buflen <= 0) return 0;
    std::memset(buf, 'z', buflen);
    std::memcpy(buf, texts[infono], std::min<size_t>(strlen(texts[infono]), buflen));
    return buflen + 100;
  }
  if (NameHas("ENDLESS")) return Copy(infono == 0 ? "00IN" : "E", buf, buflen);
  if (NameHas("ARCHIVE")) {
    const char* texts[] = {"00AM", "SPI test archive", "*.LZH", "LZH archive"};
    return infono >= 0 && infono <= 3 ? Copy(texts[infono], buf, buflen) : 0;
  }
  if (infono == 0) return Copy("00IN", buf, buflen);
  if (NameHas("ONLY0")) return 0;
  if (NameHas("LIAR")) return infono == 3 ? -5 : 0;
  if (NameHas("JPEG")) {
    const char* texts[] = {"*.JPG;*.JPEG", "JPEG", "*.JFI", "JFIF"};
    return infono >= 2 && infono <= 5 ? Copy(texts[infono - 2], buf, buflen) : 0;
  }
  const char* texts[] = {"SPI test plug-in", "*.SPT", "SPI test"};
  return infono >= 1 && infono <= 3 ? Copy(texts[infono - 1], buf, buflen) : 0;
}

int WINAPI IsSupported(LPCSTR filename, SpiSource dw) {
  char head[spiHeadSize];
  char line[512];
  if (dw & ~SpiSource{0xFFFF}) {
    std::memcpy(head, reinterpret_cast<const void*>(dw), sizeof head);
    std::snprintf(line, sizeof line, "IsSupported %s buffer", filename);
  } else {
    DWORD read = 0;
    std::memset(head, 0, sizeof head);
    ReadFile(reinterpret_cast<HANDLE>(dw), head, sizeof head, &read, nullptr);
    std::snprintf(line, sizeof line, "IsSupported %s handle", filename);
  }
  g_lastCall = line;
  if (NameHas("REJECT")) return 0;
  return NameHas("ANY") || NameHas("ARCHIVE") || std::memcmp(head, "SPITEST ", 8) == 0;
}

int WINAPI GetPictureInfo(LPCSTR buf, SpiLength len, unsigned flag, SpiPictureInfo* info) {
  Record("GetPictureInfo", buf, len, flag);
  const std::string mode = Mode(Source(buf, len, flag));
  if (mode.empty() || mode == "fail") return spiUnknownFormat;
  info->left = 1;
  info->top = 2;
  info->width = 4;
  info->height = 2;
  info->x_density = 72;
  info->y_density = 96;
  info->colorDepth = -8;  // passed on as a signed value
  if (mode == "noterm") {
    // The text fills its block exactly, without a terminator.
    info->hInfo = Block("unterminated", 12);
  } else {
    const std::string text = "by " + ModuleName();
    info->hInfo = Block(text.c_str(), text.size() + 1);
  }
  return spiSuccess;
}

int WINAPI GetPicture(LPCSTR buf, SpiLength len, unsigned flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                      SpiProgressCallback progress, SpiData data) {
  Record("GetPicture", buf, len, flag);
  if (progress || data) g_lastCall += " callback";
  if (NameHas("ARCHIVE")) return spiUnknownFormat;  // an archive holds no picture of its own
  const std::string mode = Mode(Source(buf, len, flag));
  if (mode == "preview") return spiBrokenData;
  return Picture(mode, pHBInfo, pHBm);
}

int WINAPI GetPreview(LPCSTR buf, SpiLength len, unsigned flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                      SpiProgressCallback, SpiData) {
  Record("GetPreview", buf, len, flag);
  const std::string mode = Mode(Source(buf, len, flag));
  if (mode != "preview") return spiNotImplemented;
  return Picture(mode, pHBInfo, pHBm);
}

}  // extern "C"
