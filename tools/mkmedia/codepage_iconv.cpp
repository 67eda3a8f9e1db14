// ANSI code page conversion through iconv (POSIX builds of mkmedia).
#include <iconv.h>

#include <cstdio>

#include "tools/mkmedia/text_encoding.h"

namespace drx::mkmedia {
namespace {

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
      error = "character " + std::string(utf8.substr(at, i - at)) + " (" + name +
              ") does not exist in code page " + std::to_string(codePage);
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
