// Text conversions of the builder: UTF-8 config text to UTF-16 and to an ANSI code page, and back.
#pragma once

#include <string>
#include <string_view>

namespace drx::mkmedia {

// Decodes one UTF-8 sequence at `i` (advancing it); false on malformed input, overlongs,
// surrogates and values above U+10FFFF.
bool decodeUtf8(std::string_view s, size_t& i, char32_t& cp);
// UTF-8 to UTF-16. False (with `error` set) on malformed UTF-8.
bool utf8ToUtf16(std::string_view utf8, std::u16string& out, std::string& error);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
// Appends code point `cp` as UTF-8.
void appendUtf8(std::string& out, char32_t cp);

// UTF-8 to Windows code page `codePage` (1252, 1251, 1250, 932, ...; 65001 keeps UTF-8).
// False when the code page is unknown or a character has no place in it; `error` names the
// character, never substituting '?'.
bool utf8ToCodePage(std::string_view utf8, int codePage, std::string& out, std::string& error);
// Code page bytes to UTF-8 for display; bytes that do not decode come out as \xNN.
std::string codePageToUtf8(std::string_view bytes, int codePage);
// True if the code page can be converted at all on this machine.
bool codePageSupported(int codePage);

}  // namespace drx::mkmedia
