// A Win32 handle has two "none" values: CreateFile answers
// INVALID_HANDLE_VALUE, most other calls NULL. Every test for a usable
// handle and every close goes through here, so neither is mistaken for the
// other. The owners of the program's Windows resources (common/owner.h)
// are named here too.
#pragma once
#include <windows.h>

#include "common/owner.h"

inline bool IsUsableHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// Closes a usable handle with the given close call and leaves "none" behind.
inline void CloseUsableHandle(HANDLE& handle, BOOL(WINAPI* close)(HANDLE) = CloseHandle) {
  if (IsUsableHandle(handle)) close(handle);
  handle = nullptr;
}

// A resource whose "none" is null and that one call gives back.
template <typename Resource, auto Give>
struct NullableKind {
  static Resource None() { return nullptr; }
  static bool Usable(Resource resource) { return resource != nullptr; }
  static void Free(Resource resource) { Give(resource); }
};

struct KernelHandleKind {
  static HANDLE None() { return nullptr; }
  static bool Usable(HANDLE handle) { return IsUsableHandle(handle); }
  static void Free(HANDLE handle) { CloseHandle(handle); }
};

using OwnedHandle = Owner<HANDLE, KernelHandleKind>;
// A bitmap, brush, font or pen (DeleteObject).
template <typename Object>
using OwnedGdiObject = Owner<Object, NullableKind<Object, DeleteObject>>;
// A device context the program created (DeleteDC; a window's own DC is released, not owned).
using OwnedDc = Owner<HDC, NullableKind<HDC, DeleteDC>>;
using OwnedMenu = Owner<HMENU, NullableKind<HMENU, DestroyMenu>>;
