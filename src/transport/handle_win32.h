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
