// Owning wrappers for platform handles: move-only, closed on destruction.
#pragma once

#include <windows.h>

#include <commctrl.h>

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

// Platform handles closed by CloseFn: 0 and INVALID_HANDLE_VALUE both count
// as no handle.
template <BOOL(WINAPI* CloseFn)(HANDLE)>
struct HandleTraits {
  using handle_type = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseFn(h); }
};

// Kernel objects: processes, threads, files, events.
using UniqueHandle = BasicHandle<HandleTraits<&CloseHandle>>;
using UniqueFindHandle = BasicHandle<HandleTraits<&FindClose>>;
using UniqueChangeHandle = BasicHandle<HandleTraits<&FindCloseChangeNotification>>;

// Handles whose only empty value is null, closed by CloseFn.
template <class H, auto CloseFn>
struct NullableTraits {
  using handle_type = H;
  static H Empty() { return nullptr; }
  static bool Valid(H h) { return h != nullptr; }
  static void Close(H h) { CloseFn(h); }
};

// Local memory blocks (LocalAlloc), the currency of interfaces that hand
// memory across a DLL boundary for the receiver to free.
using UniqueLocal = BasicHandle<NullableTraits<HLOCAL, &LocalFree>>;
// Windows made for a control's own use (its tooltips), destroyed with it.
using UniqueWindow = BasicHandle<NullableTraits<HWND, &DestroyWindow>>;
// Image lists of the common controls (a drag's picture).
using UniqueImageList = BasicHandle<NullableTraits<HIMAGELIST, &ImageList_Destroy>>;

// A local memory block locked for the life of the scope. Memory() is null
// when there is no block or it cannot be locked; Size() is then 0, else
// what the block really holds, whatever its creator claims about it.
class LocalLockScope {
public:
  explicit LocalLockScope(HLOCAL h) : h_(h), p_(h ? LocalLock(h) : nullptr) {}
  ~LocalLockScope() {
    if (p_) LocalUnlock(h_);
  }
  LocalLockScope(const LocalLockScope&) = delete;
  LocalLockScope& operator=(const LocalLockScope&) = delete;

  void* Memory() const { return p_; }
  size_t Size() const { return p_ ? LocalSize(h_) : 0; }

private:
  HLOCAL h_;
  void* p_;
};
