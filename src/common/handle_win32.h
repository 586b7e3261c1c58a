// A Win32 handle has two "none" values: CreateFile answers
// INVALID_HANDLE_VALUE, most other calls NULL. Every test for a usable
// handle and every close goes through here, so neither is mistaken for the
// other.
#pragma once
#include <windows.h>

inline bool IsUsableHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// Closes a usable handle with the given close call and leaves "none" behind.
inline void CloseUsableHandle(HANDLE& handle, BOOL(WINAPI* close)(HANDLE) = CloseHandle) {
  if (IsUsableHandle(handle)) close(handle);
  handle = nullptr;
}

// Owns one kernel handle for a scope and closes it on the way out.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      CloseUsableHandle(handle_);
      handle_ = other.Release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { CloseUsableHandle(handle_); }

  HANDLE Get() const { return handle_; }
  bool Usable() const { return IsUsableHandle(handle_); }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HANDLE handle_ = nullptr;
};
