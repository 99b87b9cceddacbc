#include "lib/imaging/Susie.h"

#include "lib/imaging/Bitmap.h"

#include "framework/Handle.h"
#include "lib/core/File.h"
#include "lib/core/Findfile.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The length GetPluginInfo is told; the buffer has one byte more, which
// keeps a text that fills the whole length terminated.
constexpr int kInfoLength = 80;
// No plug-in names this many formats: a plug-in answering every entry
// would otherwise never let the filter loop end.
constexpr int kMaxFormats = 256;
// "IN" of entry 0's "00IN", as PluginType holds it.
constexpr uint16_t kPicturePlugin = 'I' | 'N' << 8;

template <class Fn>
Fn Proc(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Entry infono into buffer; false when the plug-in has none. Only the
// buffer's bytes count, whatever length the plug-in answers; a negative
// one is no entry.
bool InfoEntry(kxvSPI& spi, int infono, char (&buffer)[kInfoLength + 1], String& text) {
  std::memset(buffer, 0, sizeof buffer);
  if (spi.GetPluginInfo(infono, buffer, kInfoLength) <= 0) return false;
  text.assign(buffer, strnlen(buffer, kInfoLength));
  return true;
}

}  // namespace

// --- kxvSPI -----------------------------------------------------------------

kxvSPI::kxvSPI() = default;

kxvSPI::kxvSPI(const String& path) { SetSpiName(path); }

kxvSPI::~kxvSPI() {
  if (module_) FreeSpi();
  StrDispose(infoText_);
}

void kxvSPI::ClearFunctions() {
  getPluginInfo_ = nullptr;
  isSupported_ = nullptr;
  getPictureInfo_ = nullptr;
  getPicture_ = nullptr;
  getPreview_ = nullptr;
}

bool kxvSPI::SetSpiName(const String& path) {
  spiName_ = FileNamePart(path);
  valid_ = false;
  if (module_) FreeSpi();
  ClearFunctions();
  module_ = LoadLibraryA(path.c_str());
  if (!module_) return false;
  getPluginInfo_ = Proc<SpiGetPluginInfoFn>(module_, "GetPluginInfo");
  isSupported_ = Proc<SpiIsSupportedFn>(module_, "IsSupported");
  getPictureInfo_ = Proc<SpiGetPictureInfoFn>(module_, "GetPictureInfo");
  getPicture_ = Proc<SpiGetPictureFn>(module_, "GetPicture");
  getPreview_ = Proc<SpiGetPictureFn>(module_, "GetPreview");
  if (!getPluginInfo_) {
    FreeSpi();
    return false;
  }
  filter_.clear();
  lastResult_ = 0;

  char buffer[kInfoLength + 1];
  String text;
  if (!InfoEntry(*this, 0, buffer, text)) return false;
  pluginType_ = static_cast<uint16_t>(static_cast<uint8_t>(buffer[2]) |
                                      static_cast<uint8_t>(buffer[3]) << 8);
  apiVersion_ = static_cast<uint8_t>((buffer[0] - '0') * 16 + (buffer[1] - '0'));

  for (int n = 1; n <= kMaxFormats && InfoEntry(*this, 2 * n + 1, buffer, text); ++n) {
    if (n > 1) filter_ += '|';
    filter_ += text;
    if (InfoEntry(*this, 2 * n, buffer, text)) filter_ += '|' + text;
  }
  valid_ = true;
  return true;
}

bool kxvSPI::FreeSpi() {
  if (!module_) return true;
  if (!FreeLibrary(module_)) return false;
  module_ = nullptr;
  ClearFunctions();
  return true;
}

int kxvSPI::GetPluginInfo(int infono, char* buffer, int length) {
  if (!module_ || !getPluginInfo_) return 0;
  return getPluginInfo_(infono, buffer, length);
}

void kxvSPI::SetFileName(const String& name) {
  memoryMode_ = false;
  fileName_ = name;
  if (IsSupport()) GetPictureInfo();
}

bool kxvSPI::SetMemory(const char* memory) {
  memoryMode_ = true;
  memory_ = memory;
  return IsSupport() && GetPictureInfo();
}

bool kxvSPI::IsSupport() {
  supported_ = false;
  if (!module_ || !isSupported_) return false;
  if (memoryMode_) {
    // Without its size the picture's bytes cannot be handed over: zeros
    // in their place would be refused by every plug-in, for no reason
    // anyone could see.
    if (!memory_ || offset_ <= 0) return false;
    // The plug-in reads 2 KB from the pointer it gets; the picture may be
    // shorter.
    char head[spiHeadSize] = {};
    std::memcpy(head, memory_, std::min<size_t>(offset_, sizeof head));
    supported_ = isSupported_(fileName_.c_str(), reinterpret_cast<SpiSource>(head)) != 0;
  } else {
    if (fileName_.empty()) return false;
    // A file gone or locked is no picture of this plug-in's.
    UniqueHandle file(CreateFileA(fileName_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    // Where the picture calls will look: the plug-in reads from the
    // handle's position.
    if (offset_ > 0) SetFilePointer(file.get(), offset_, nullptr, FILE_BEGIN);
    supported_ = isSupported_(fileName_.c_str(), reinterpret_cast<SpiSource>(file.get())) != 0;
  }
  return supported_;
}

bool kxvSPI::GetPictureInfo() {
  if (!module_ || !getPictureInfo_) return false;
  if (memoryMode_ && !memory_) return false;
  // The text belongs to the picture asked about: none is left from an
  // earlier one, and a handle the plug-in does not set stays null.
  StrDispose(infoText_);
  infoText_ = nullptr;
  info_ = SpiPictureInfo{};
  lastResult_ = getPictureInfo_(memoryMode_ ? memory_ : fileName_.c_str(), offset_,
                                memoryMode_ ? spiSourceMemory : spiSourceFile, &info_);
  if (info_.hInfo) {
    UniqueLocal text(info_.hInfo);
    info_.hInfo = nullptr;
    LocalLockScope lock(text.get());
    if (const char* p = static_cast<const char*>(lock.Memory())) {
      // Up to the terminator, but never past the block.
      const size_t length = strnlen(p, lock.Size());
      infoText_ = StrAlloc(length + 1);
      std::memcpy(infoText_, p, length);
      infoText_[length] = '\0';
    }
  }
  return lastResult_ == 0;
}

bool kxvSPI::GetPicture(TBitmap* bitmap, LOGPALETTE*& palette) {
  return Picture(getPicture_, bitmap, palette);
}

bool kxvSPI::GetPreview(TBitmap* bitmap, LOGPALETTE*& palette) {
  return Picture(getPreview_, bitmap, palette);
}

bool kxvSPI::Picture(SpiGetPictureFn function, TBitmap* bitmap, LOGPALETTE*& palette) {
  if (!module_ || !function) return false;
  if (memoryMode_ && !memory_) return false;
  HLOCAL header = nullptr, pixels = nullptr;
  lastResult_ = function(memoryMode_ ? memory_ : fileName_.c_str(), offset_,
                         memoryMode_ ? spiSourceMemory : spiSourceFile, &header, &pixels, nullptr, 0);
  // A failed call hands nothing over: what the handles hold then is not
  // known to be the plug-in's to give.
  if (lastResult_ != 0) return false;
  palette = StoreBitmap(bitmap, header, pixels);
  return true;
}

LOGPALETTE* kxvSPI::StoreBitmap(TBitmap* bitmap, HLOCAL header, HLOCAL pixels) {
  // Both blocks are ours to free from here on, whatever happens; one block
  // given for both is freed once.
  UniqueLocal headerBlock(header);
  UniqueLocal pixelBlock(pixels != header ? pixels : nullptr);
  if (!header || !pixels || pixels == header) throw EInvalidGraphic("Invalid bitmap: no picture");

  LOGPALETTE* palette = nullptr;
  LocalLockScope pixelLock(pixels);
  if (!pixelLock.Memory()) throw EInvalidGraphic("Invalid bitmap: no picture");
  {
    LocalLockScope headerLock(header);
    const uint8_t* info = static_cast<const uint8_t*>(headerLock.Memory());
    if (!PresentDib(info, headerLock.Size(), pixelLock.Size(), presented_)) {
      throw EInvalidGraphic("Invalid bitmap: the picture does not fit its memory");
    }
    palette = DIBToPalette(info, headerLock.Size());
  }
  headerBlock.reset();

  pixels_ = static_cast<const uint8_t*>(pixelLock.Memory());
  SetPointer(presented_.Header.data(), static_cast<int32_t>(presented_.Size()));
  position_ = 0;
  auto done = [this] {
    pixels_ = nullptr;
    presented_ = kxPresentedDib();
    SetPointer(nullptr, 0);
    position_ = 0;
  };
  try {
    if (bitmap) bitmap->LoadFromStream(*this);
  } catch (...) {
    done();
    FreeLogPalette(palette);
    throw;
  }
  done();
  return palette;
}

int32_t kxvSPI::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const size_t n = ReadPresentedDib(presented_, pixels_, static_cast<uint64_t>(position_), buffer,
                                    static_cast<size_t>(count));
  position_ += static_cast<int32_t>(n);
  return static_cast<int32_t>(n);
}

int32_t kxvSPI::Write(const void*, int32_t) { return 0; }

// --- kxvSusie ---------------------------------------------------------------

kxvSusie::kxvSusie() {
  if (path_.empty()) AddSystemDir();
}

kxvSusie::~kxvSusie() {
  while (first_) {
    kxvSPI* next = first_->next_;
    delete first_;
    first_ = next;
  }
  SetPalette(nullptr);
}

kxvSPI* kxvSusie::GetSPI(int index) const {
  if (index < 0) return nullptr;
  kxvSPI* spi = first_;
  for (; spi && index > 0; --index) spi = spi->next_;
  return spi;
}

kxvSPI* kxvSusie::GetSPI(const String& name) const {
  for (kxvSPI* spi = first_; spi; spi = spi->next_) {
    if (spi->spiName_ == name) return spi;
  }
  return nullptr;
}

bool kxvSusie::AddSPI(const String& path) {
  if (GetSPI(String(FileNamePart(path)))) return true;
  auto spi = std::make_unique<kxvSPI>(path);
  // Archive plug-ins ("00AM") share the folders but read no pictures.
  if (!spi->Valid() || spi->PluginType() != kPicturePlugin) return false;
  // Byte order (std::string compares as unsigned bytes).
  kxvSPI** link = &first_;
  while (*link && (*link)->spiName_ < spi->spiName_) link = &(*link)->next_;
  spi->next_ = *link;
  *link = spi.release();
  ++count_;
  GetFilter();
  return true;
}

int kxvSusie::AddDirSPI(const String& directory) {
  String mask = directory;
  AppendPath(mask, "*.SPI");
  kxFindFile finder;
  finder.SubDirectory = false;
  finder.ExcludeAttr = FILE_ATTRIBUTE_DIRECTORY;
  int added = 0;
  finder.Find(mask);
  while (finder.Next()) {
    if (AddSPI(finder.FileName())) ++added;
  }
  return added;
}

void kxvSusie::AddSystemDir() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", 0,
                    KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  char value[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;  // the last byte stays a terminator
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, "SysDir", nullptr, &type,
                                       reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && value[0]) {
    SetPath(value);
  }
}

bool kxvSusie::DeleteSPI(const String& name) {
  for (kxvSPI** link = &first_; *link; link = &(*link)->next_) {
    kxvSPI* spi = *link;
    if (spi->spiName_ != name) continue;
    *link = spi->next_;
    if (current_ == spi) {
      current_ = nullptr;
      infoText_ = nullptr;
    }
    delete spi;
    --count_;
    GetFilter();
    return true;
  }
  return false;
}

void kxvSusie::SetEnable(bool value) {
  enable_ = value;
  if (value) CheckSPI();
}

void kxvSusie::SetPath(const String& directory) {
  path_ = directory;
  AddDirSPI(directory);
  GetFilter();
  CheckSPI();
}

void kxvSusie::SetPalette(LOGPALETTE* palette) {
  if (palette_ != palette) FreeLogPalette(palette_);
  palette_ = palette;
}

String kxvSusie::GetFilter() const {
  String filter;
  for (kxvSPI* spi = first_; spi; spi = spi->next_) {
    if (!filter.empty()) filter += '|';
    filter += spi->filter_;
  }
  return filter;
}

bool kxvSusie::IsSupport() {
  // Nothing of the last picture's stays current while this one is asked.
  current_ = nullptr;
  infoText_ = nullptr;
  supported_ = false;
  for (kxvSPI* spi = first_; spi; spi = spi->next_) {
    spi->offset_ = offset_;
    if (memoryMode_) {
      // The name only tells the plug-in what the picture was called.
      spi->fileName_ = fileName_;
      spi->SetMemory(memory_);
    } else {
      spi->SetFileName(fileName_);
    }
    if (!spi->supported_) continue;
    const SpiPictureInfo& info = spi->info_;
    left_ = info.left;
    top_ = info.top;
    width_ = info.width;
    height_ = info.height;
    xDensity_ = info.x_density;
    yDensity_ = info.y_density;
    colorDepth_ = info.colorDepth;
    infoText_ = spi->infoText_;
    current_ = spi;
    supported_ = true;
    return true;
  }
  return false;
}

void kxvSusie::SetFileName(const String& name) {
  memoryMode_ = false;
  fileName_ = name;
  IsSupport();
}

bool kxvSusie::SetMemory(const char* memory) {
  memoryMode_ = true;
  memory_ = memory;
  return IsSupport();
}

bool kxvSusie::SetOffset(int32_t offset) {
  offset_ = offset;
  return IsSupport();
}

bool kxvSusie::PictureFrom(bool preview, TBitmap* bitmap) {
  if (!current_) return false;
  LOGPALETTE* palette = nullptr;
  const bool ok = preview ? current_->GetPreview(bitmap, palette) : current_->GetPicture(bitmap, palette);
  if (ok) SetPalette(palette);
  return ok;
}

bool kxvSusie::GetPicture(TBitmap* bitmap) { return PictureFrom(false, bitmap); }

bool kxvSusie::GetPreview(TBitmap* bitmap) { return PictureFrom(true, bitmap); }

bool kxvSusie::LoadFromFile(const String& fileName, TBitmap* bitmap) {
  if (!enable_ || !FileExistsAttr(fileName.c_str(), FILE_ATTRIBUTE_DIRECTORY)) return false;
  SetFileName(fileName);
  return supported_ && GetPicture(bitmap);
}
