// mingw's C99 snprintf entry point, answered by msvcrt's formatter.
//
// zlib, built against mingw's C99 stdio, formats its file path and error texts ("%s" and
// "%s%s%s") through __mingw_vsnprintf; that one call would bring mingw's whole printf, its
// floating-point conversion and locale code (about 27 KB) into the launcher, whose own code
// formats through msvcrt already. Defined here, the library's object is never linked.
#include <stdarg.h>
#include <stddef.h>

#include "common/format_text.h"

extern "C" int __cdecl __mingw_vsnprintf(char* out, size_t size, const char* format, va_list arguments) {
  return drx::formatTextV(out, size, format, arguments);
}
