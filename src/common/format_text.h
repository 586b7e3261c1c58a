// printf-style formatting into a fixed buffer. On Windows it goes through
// the system C runtime's _vsnprintf: the C++ runtime otherwise switches every
// snprintf to MinGW's own implementation, whose floating-point code is a
// tenth of the executable, and the program formats only integers and text.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Writes at most size bytes including the terminator (always written when
// size > 0). Returns the length written, or -1 when the text did not fit.
#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
inline int FormatText(char* out, size_t size, const char* format, ...) {
  if (!out || !size) return -1;
  va_list args;
  va_start(args, format);
#ifdef _WIN32
  int length = _vsnprintf(out, size, format, args);  // no terminator when it fills the buffer
#else
  int length = std::vsnprintf(out, size, format, args);
#endif
  va_end(args);
  if (length < 0 || size_t(length) >= size) {
    out[size - 1] = '\0';
    return -1;
  }
  return length;
}
