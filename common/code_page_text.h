// Conversions between UTF-16 and the narrow code pages, for every narrow/wide seam in one place.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace drx {

// The code page the narrow file functions use (ANSI unless SetFileApisToOEM was called).
inline UINT fileApiCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// Narrow text in codePage to UTF-16; empty when the text is empty or does not convert.
inline std::wstring toWide(std::string_view text, UINT codePage = CP_ACP) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

// UTF-16 to narrow text in codePage; characters it lacks become defaultChar, or the code page's
// own default when that is null. Empty when the text is empty or does not convert.
inline std::string toNarrow(std::wstring_view text, UINT codePage, const char* defaultChar = nullptr) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, defaultChar, nullptr);
  if (length <= 0) return {};
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, defaultChar, nullptr);
  return narrow;
}

inline std::string toAnsi(std::wstring_view text) { return toNarrow(text, CP_ACP); }

// UTF-16 to narrow text in codePage, characters it lacks written as '?'. False when such a
// character was met or the text does not convert: the narrow text then names something else.
inline bool toNarrowExact(std::wstring_view text, UINT codePage, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  BOOL replaced = FALSE;
  const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, "?", &replaced);
  if (length <= 0) return false;
  out.resize(static_cast<size_t>(length));
  replaced = FALSE;
  WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), length, "?", &replaced);
  return !replaced;
}

}  // namespace drx
