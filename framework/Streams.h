// Streams: the abstract TStream, streams over a platform file handle, and
// memory streams (over a caller's block, or over a growing block of their
// own).
#pragma once

#include "framework/Classes.h"
#include "framework/Handle.h"

#include <cstdint>
#include <vector>

class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
  // As many bytes as are there, up to count; the number moved.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // The new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size);
  // All or nothing: EReadError / EWriteError when fewer bytes moved.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // count bytes from source's position; 0 means all of source from its
  // start. The number copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a handle it does not own.
class THandleStream : public TStream {
public:
  explicit THandleStream(HANDLE handle) : handle_(handle) {}
  HANDLE Handle() const { return handle_; }
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

protected:
  HANDLE handle_;
};

constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyNone = 0x0040;

// A named file, opened (or created, with fmCreate) on construction and
// closed on destruction. EFOpenError / EFCreateError when that fails.
class TFileStream : public THandleStream {
public:
  TFileStream(const String& fileName, uint16_t mode);
  ~TFileStream() override;

private:
  UniqueHandle file_;
};

// A stream over a block of memory; reading and seeking only. A subclass
// may present bytes of its own by overriding Read: size_ and position_
// stay the stream's size and position, and SetPointer may then give a
// size without a block.
class TCustomMemoryStream : public TStream {
public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void* Memory() const { return memory_; }
  // The whole stream from its start, read through Read.
  void SaveToStream(TStream& stream);
  void SaveToFile(const String& fileName);

protected:
  // The block shown; not owned by this class.
  void SetPointer(void* memory, int32_t size);
  int32_t size_ = 0;
  int32_t position_ = 0;

private:
  void* memory_ = nullptr;
};

// A memory stream that owns its block and grows on writes.
class TMemoryStream : public TCustomMemoryStream {
public:
  int32_t Write(const void* buffer, int32_t count) override;
  void SetSize(int64_t size) override;
  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const String& fileName);

private:
  std::vector<char> block_;
};
