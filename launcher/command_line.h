// Splitting command lines and option texts into argument lists, wide and narrow.
#pragma once

#include <string>
#include <vector>

namespace drx::launcher {

// Each appends to out and returns false on an unterminated quote; the caller then stops with
// msgWrongParameterUsage.
bool tokeniseWide(const wchar_t* text, std::vector<std::wstring>& out);
// Splits wide text and converts each argument to the ANSI code page.
bool tokeniseToNarrow(const wchar_t* text, std::vector<std::string>& out);
// Converts ANSI text to wide (at most 8191 characters are taken) and splits it to narrow.
bool tokeniseNarrow(const char* text, std::vector<std::string>& out);

}  // namespace drx::launcher
