// Small helpers shared by the drxinst system tests: paths beside the test program and UTF-16 texts.
#pragma once

#include <windows.h>

#include <string>

#include "drxinst_library.h"  // besideTestProgram

namespace drxtest {

inline std::u16string utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
inline std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace drxtest
