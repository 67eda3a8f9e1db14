// printf-style formatting into a sized buffer through the C library's own formatter.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

// On Windows the formats are msvcrt's (%I64d, no %zu); GCC checks them as such.
#ifdef _WIN32
#define DRX_FORMAT(formatIndex, firstArgument) __attribute__((format(ms_printf, formatIndex, firstArgument)))
#else
#define DRX_FORMAT(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#endif

namespace drx {

// Returns what snprintf returns: the length of the whole text, even when it was cut to fit
// size - 1 characters; out always ends in '\0' when size > 0.
inline int formatTextV(char* out, size_t size, const char* format, va_list arguments) {
#ifdef _WIN32
  // msvcrt's formatter, which the program imports anyway: mingw's C99 one would add about 27 KB
  // to every binary. _vsnprintf returns -1 and writes no terminator when the text does not fit,
  // so the full length is counted separately, and only then.
  va_list counting;
  va_copy(counting, arguments);
  int length = size > 0 ? _vsnprintf(out, size, format, arguments) : -1;
  if (length < 0 || static_cast<size_t>(length) >= size) {
    if (size > 0) out[size - 1] = '\0';
    length = _vscprintf(format, counting);
  }
  va_end(counting);
  return length;
#else
  return vsnprintf(out, size, format, arguments);
#endif
}

inline int formatText(char* out, size_t size, const char* format, ...) DRX_FORMAT(3, 4);
inline int formatText(char* out, size_t size, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int length = formatTextV(out, size, format, arguments);
  va_end(arguments);
  return length;
}

}  // namespace drx
