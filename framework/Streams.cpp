#include "framework/Streams.h"

#include <algorithm>
#include <cstring>

// --- TStream ----------------------------------------------------------------

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char buffer[0xF000];
  int64_t left = count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, sizeof buffer));
    source.ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    left -= n;
  }
  return count;
}

// --- THandleStream ----------------------------------------------------------

int32_t THandleStream::Read(void* buffer, int32_t count) {
  DWORD n = 0;
  if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  DWORD n = 0;
  if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  static const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (!SetFilePointerEx(handle_, distance, &position, methods[origin])) return -1;
  return position.QuadPart;
}

void THandleStream::SetSize(int64_t size) {
  Seek(size, soBeginning);
  if (!SetEndOfFile(handle_)) throw EStreamError("Stream size cannot be changed");
}

// --- TFileStream ------------------------------------------------------------

TFileStream::TFileStream(const String& fileName, uint16_t mode) : THandleStream(nullptr) {
  HANDLE h;
  if (mode == fmCreate) {
    h = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFCreateError("Cannot create file " + fileName);
  } else {
    static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    switch (mode & 0xF0) {
      case fmShareExclusive: share = 0; break;
      case fmShareDenyWrite: share = FILE_SHARE_READ; break;
      default: break;
    }
    h = CreateFileA(fileName.c_str(), access[std::min(mode & 3, 2)], share, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFOpenError("Cannot open file " + fileName);
  }
  file_.reset(h);
  handle_ = h;
}

TFileStream::~TFileStream() = default;

// --- TCustomMemoryStream ----------------------------------------------------

void TCustomMemoryStream::SetPointer(void* memory, int32_t size) {
  memory_ = memory;
  size_ = size;
}

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  int32_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, static_cast<char*>(memory_) + position_, n);
  position_ += n;
  return n;
}

int32_t TCustomMemoryStream::Write(const void*, int32_t) { return 0; }

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : size_;
  int64_t position = base + offset;
  // Past the end is allowed (a write grows the block); before the start not.
  if (position < 0 || position > INT32_MAX) return -1;
  position_ = static_cast<int32_t>(position);
  return position_;
}

// Through Read, so that a stream whose Read presents something other than
// its block saves what it presents; the position is left as it was.
void TCustomMemoryStream::SaveToStream(TStream& stream) {
  const int32_t position = position_;
  position_ = 0;
  try {
    char buffer[0x4000];
    for (int32_t n; (n = Read(buffer, sizeof buffer)) > 0;) stream.WriteBuffer(buffer, n);
  } catch (...) {
    position_ = position;
    throw;
  }
  position_ = position;
}

void TCustomMemoryStream::SaveToFile(const String& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// --- TMemoryStream ----------------------------------------------------------

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int64_t end = int64_t{position_} + count;
  if (end > INT32_MAX) return 0;
  if (end > size_) SetSize(end);
  std::memcpy(block_.data() + position_, buffer, count);
  position_ = static_cast<int32_t>(end);
  return count;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0 || size > INT32_MAX) throw EStreamError("Out of memory while expanding memory stream");
  block_.resize(static_cast<size_t>(size));
  SetPointer(block_.data(), static_cast<int32_t>(size));
  if (position_ > size_) position_ = size_;
}

void TMemoryStream::Clear() {
  block_.clear();
  block_.shrink_to_fit();
  SetPointer(nullptr, 0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t size = stream.Size();
  SetSize(size);
  if (size > 0) stream.ReadBuffer(block_.data(), static_cast<int32_t>(size));
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}
