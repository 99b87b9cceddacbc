// Owning wrappers for platform handles: move-only, closed on destruction.
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class BasicHandle {
public:
  using handle_type = typename Traits::handle_type;

  BasicHandle() = default;
  explicit BasicHandle(handle_type h) : h_(h) {}
  BasicHandle(BasicHandle&& other) noexcept : h_(other.release()) {}
  BasicHandle& operator=(BasicHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  BasicHandle(const BasicHandle&) = delete;
  BasicHandle& operator=(const BasicHandle&) = delete;
  ~BasicHandle() { reset(); }

  handle_type get() const { return h_; }
  explicit operator bool() const { return Traits::Valid(h_); }
  handle_type release() { return std::exchange(h_, Traits::Empty()); }
  void reset(handle_type h = Traits::Empty()) {
    if (Traits::Valid(h_)) Traits::Close(h_);
    h_ = h;
  }

private:
  handle_type h_ = Traits::Empty();
};

// Kernel objects: processes, threads, files, events. Both 0 and
// INVALID_HANDLE_VALUE count as no handle.
struct KernelHandleTraits {
  using handle_type = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = BasicHandle<KernelHandleTraits>;

struct FindHandleTraits {
  using handle_type = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};
using UniqueFindHandle = BasicHandle<FindHandleTraits>;

struct ChangeHandleTraits {
  using handle_type = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindCloseChangeNotification(h); }
};
using UniqueChangeHandle = BasicHandle<ChangeHandleTraits>;
