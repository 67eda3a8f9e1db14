// Small helpers shared by the drxinst system tests: paths beside the test program and UTF-16 texts.
#pragma once

#include <windows.h>

#include <string>

namespace drxtest {

inline std::wstring besideTestProgram(const std::wstring& file) {
  wchar_t path[MAX_PATH];
  std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  full.resize(full.find_last_of(L'\\') + 1);
  return full + file;
}

inline std::u16string utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
inline std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace drxtest
