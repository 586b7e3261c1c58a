// Inside the class-driver row's Windows half: the system calls it goes
// through, which tests replace to see what is opened and asked.
#pragma once
#include <windows.h>

struct ClassDriverSystemCalls {
  HANDLE(WINAPI* CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
  BOOL(WINAPI* DeviceIoControl)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
  DWORD(WINAPI* SetFilePointer)(HANDLE, LONG, PLONG, DWORD);
  BOOL(WINAPI* ReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
  BOOL(WINAPI* CloseHandle)(HANDLE);
};

// Installs replacements (null puts the system's calls back) and makes them
// the class-driver row's calls.
void InstallClassDriverSystemCalls(const ClassDriverSystemCalls* calls);
