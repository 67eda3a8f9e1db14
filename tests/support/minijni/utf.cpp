// UTF-8, modified UTF-8 (JNI's form) and UTF-16 conversions.
#include "mini_jni.h"

namespace minijni {

namespace {

constexpr char16_t kReplacement = 0xfffd;

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xc0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xe0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (c & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (c & 0x3f));
  }
}

void appendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xd800 + (c >> 10));
    out += static_cast<char16_t>(0xdc00 + (c & 0x3ff));
  }
}

// Decodes one sequence at `at`; `allowSurrogates` admits 3-byte encoded surrogates (modified UTF-8).
char32_t decodeOne(std::string_view in, size_t& at, bool allowSurrogates) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(in[i]); };
  unsigned char lead = byte(at);
  size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (length == 0 || at + length > in.size()) {
    ++at;
    return kReplacement;
  }
  char32_t c = length == 1 ? lead : lead & (0x7f >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) {
      ++at;
      return kReplacement;
    }
    c = (c << 6) | (byte(at + i) & 0x3f);
  }
  static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  bool overlong = c < kMinimum[length] && !(allowSurrogates && length == 2 && c == 0);
  bool surrogate = c >= 0xd800 && c <= 0xdfff && !allowSurrogates;
  at += length;
  if (overlong || surrogate || c > 0x10ffff) return kReplacement;
  return c;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  for (size_t at = 0; at < utf8.size();) appendUtf16(out, decodeOne(utf8, at, false));
  return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xd800 && c <= 0xdbff && i + 1 < utf16.size() && utf16[i + 1] >= 0xdc00 &&
        utf16[i + 1] <= 0xdfff) {
      c = 0x10000 + ((c - 0xd800) << 10) + (utf16[i + 1] - 0xdc00);
      ++i;
    } else if (c >= 0xd800 && c <= 0xdfff) {
      c = kReplacement;
    }
    appendUtf8(out, c);
  }
  return out;
}

// Each UTF-16 unit on its own (surrogates as three bytes each), and NUL as C0 80.
std::string toModifiedUtf8(std::u16string_view utf16) {
  std::string out;
  for (char16_t unit : utf16) {
    if (unit == 0) {
      out += "\xc0\x80";
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

// Leniently accepts standard four-byte sequences as well.
std::u16string fromModifiedUtf8(std::string_view bytes) {
  std::u16string out;
  for (size_t at = 0; at < bytes.size();) appendUtf16(out, decodeOne(bytes, at, true));
  return out;
}

}  // namespace minijni
