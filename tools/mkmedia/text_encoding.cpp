// UTF-8/UTF-16 conversion by hand and code page conversion through iconv.
#include "tools/mkmedia/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace drx::mkmedia {
namespace {

// Decodes one UTF-8 sequence at `i`; returns false on malformed input.
bool decodeUtf8(std::string_view s, size_t& i, char32_t& cp) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra;
  char32_t min;
  if (c < 0x80) { cp = c; ++i; return true; }
  if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; min = 0x80; }
  else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; min = 0x800; }
  else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; min = 0x10000; }
  else return false;
  if (i + extra >= s.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (d & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += extra + 1;
  return true;
}

std::string iconvName(int codePage) {
  if (codePage == 65001) return "UTF-8";
  if (codePage == 28591) return "ISO-8859-1";
  return "CP" + std::to_string(codePage);
}

// RAII for an iconv descriptor.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Converts one code point's UTF-8 bytes; false if it does not map.
bool convertOne(Converter& conv, std::string_view in, std::string& out) {
  char buffer[16];
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  if (iconv(conv.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  // Flush any shift state (stateful code pages).
  if (iconv(conv.get(), nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  out.append(buffer, static_cast<size_t>(outPtr - buffer));
  return true;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool utf8ToUtf16(std::string_view utf8, std::u16string& out, std::string& error) {
  out.clear();
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    size_t at = i;
    if (!decodeUtf8(utf8, i, cp)) {
      error = "malformed UTF-8 at byte " + std::to_string(at + 1);
      return false;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return true;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
  }
  return out;
}

bool codePageSupported(int codePage) {
  if (codePage <= 0) return false;
  Converter conv(iconvName(codePage), "UTF-8");
  return conv.ok();
}

bool utf8ToCodePage(std::string_view utf8, int codePage, std::string& out, std::string& error) {
  out.clear();
  Converter conv(iconvName(codePage), "UTF-8");
  if (codePage <= 0 || !conv.ok()) {
    error = "unsupported code page " + std::to_string(codePage);
    return false;
  }
  // One character at a time, so a failure names the character and iconv never guesses.
  for (size_t i = 0; i < utf8.size();) {
    size_t at = i;
    char32_t cp = 0;
    if (!decodeUtf8(utf8, i, cp)) {
      error = "malformed UTF-8 at byte " + std::to_string(at + 1);
      return false;
    }
    if (!convertOne(conv, utf8.substr(at, i - at), out)) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
      error = "character " + std::string(utf8.substr(at, i - at)) + " (" + name + ") does not exist in code page " +
              std::to_string(codePage);
      return false;
    }
  }
  return true;
}

std::string codePageToUtf8(std::string_view bytes, int codePage) {
  Converter conv("UTF-8", iconvName(codePage));
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    std::string piece;
    // Single bytes only: multi-byte code pages show their lead bytes escaped, which is enough
    // for inspection.
    if (c < 0x80 || !conv.ok() || !convertOne(conv, bytes.substr(i, 1), piece)) {
      if (c >= 0x80) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        piece = escaped;
      } else {
        piece.assign(1, static_cast<char>(c));
      }
    }
    out += piece;
  }
  return out;
}

}  // namespace drx::mkmedia
