// ANSI code page conversion through the Win32 national language functions (Windows builds of mkmedia).
#include <windows.h>

#include <cstdio>

#include "tools/mkmedia/text_encoding.h"

namespace drx::mkmedia {

bool codePageSupported(int codePage) {
  return codePage == 65001 || (codePage > 0 && IsValidCodePage(codePage));
}

bool utf8ToCodePage(std::string_view utf8, int codePage, std::string& out, std::string& error) {
  out.clear();
  if (!codePageSupported(codePage)) {
    error = "unsupported code page " + std::to_string(codePage);
    return false;
  }
  for (size_t i = 0; i < utf8.size();) {
    size_t start = i;
    char32_t cp = 0;
    if (!decodeUtf8(utf8, i, cp)) {
      error = "malformed UTF-8 at byte " + std::to_string(start + 1);
      return false;
    }
    if (codePage == 65001) {
      out.append(utf8.substr(start, i - start));
      continue;
    }
    std::u16string unit;
    utf8ToUtf16(utf8.substr(start, i - start), unit, error);
    char bytes[8];
    BOOL usedDefault = FALSE;
    // No best fit: 'Ω' must not quietly become 'O', nor anything become '?'.
    int n = WideCharToMultiByte(static_cast<UINT>(codePage), WC_NO_BEST_FIT_CHARS,
                                reinterpret_cast<const wchar_t*>(unit.data()), static_cast<int>(unit.size()),
                                bytes, sizeof bytes, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
      error = "character " + std::string(utf8.substr(start, i - start)) + " (" + name +
              ") does not exist in code page " + std::to_string(codePage);
      return false;
    }
    out.append(bytes, static_cast<size_t>(n));
  }
  return true;
}

std::string codePageToUtf8(std::string_view bytes, int codePage) {
  std::string out;
  for (unsigned char c : bytes) {
    wchar_t unit[4];
    int n = c < 0x80 ? 0
                     : MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS,
                                           reinterpret_cast<const char*>(&c), 1, unit, 4);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (n > 0) {
      out += utf16ToUtf8(std::u16string(unit, unit + n));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

}  // namespace drx::mkmedia
