// Parser of the media configuration file (Java-style properties, UTF-8).
#include "tools/mkmedia/media_config.h"

#include <cerrno>
#include <cstdlib>

#include "common/payload/property_ids.h"
#include "tools/mkmedia/setup_file.h"
#include "tools/mkmedia/text_encoding.h"

namespace drx::mkmedia {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\f'; }

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && (isBlank(s[e - 1]) || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// True when the line ends in an odd number of backslashes (a continuation).
bool continues(const std::string& line) {
  size_t n = 0;
  for (size_t i = line.size(); i > 0 && line[i - 1] == '\\'; --i) ++n;
  return n % 2 == 1;
}

bool parseHex4(const std::string& s, size_t at, char32_t& value) {
  if (at + 4 > s.size()) return false;
  value = 0;
  for (size_t i = at; i < at + 4; ++i) {
    char c = s[i];
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) return false;
    value = value * 16 + static_cast<char32_t>(d);
  }
  return true;
}

bool unescape(const std::string& raw, std::string& out, std::string& error) {
  out.clear();
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') {
      out.push_back(raw[i]);
      continue;
    }
    if (++i >= raw.size()) {
      error = "backslash at the end of the value";
      return false;
    }
    switch (raw[i]) {
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case '\\':
      case '=':
      case ':':
      case '#':
      case '!':
      case ' ':
        out.push_back(raw[i]);
        break;
      case 'u': {
        char32_t cp = 0;
        if (!parseHex4(raw, i + 1, cp)) {
          error = "\\u needs four hex digits";
          return false;
        }
        i += 4;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          char32_t low = 0;
          if (i + 2 < raw.size() && raw[i + 1] == '\\' && raw[i + 2] == 'u' && parseHex4(raw, i + 3, low) &&
              low >= 0xDC00 && low <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
          } else {
            error = "unpaired surrogate in \\u escape";
            return false;
          }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
          error = "unpaired surrogate in \\u escape";
          return false;
        }
        appendUtf8(out, cp);
        break;
      }
      default:
        error = std::string("unknown escape \\") + raw[i];
        return false;
    }
  }
  return true;
}

bool parseId(const std::string& text, int32_t& id) {
  if (text.empty()) return false;
  size_t i = (text[0] == '-') ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k) {
    if (text[k] < '0' || text[k] > '9') return false;
  }
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
  id = static_cast<int32_t>(v);
  return true;
}

bool resolveKey(const std::string& key, ConfigEntry& entry) {
  int32_t id = 0;
  if (key.rfind("wide.", 0) == 0 && parseId(key.substr(5), id)) {
    entry.id = id;
    entry.wide = true;
    return true;
  }
  if (key.rfind("narrow.", 0) == 0 && parseId(key.substr(7), id)) {
    entry.id = id;
    entry.wide = false;
    return true;
  }
  if (parseId(key, id) || (id = payload::propertyIdByName(key.c_str())) != -1) {
    entry.id = id;
    entry.wide = payload::isWideTextId(id);
    return true;
  }
  return false;
}

}  // namespace

bool parseMediaConfig(const std::string& text, std::vector<ConfigEntry>& entries, std::string& error) {
  entries.clear();
  std::vector<std::string> lines;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string physical = text.substr(at, end - at);
    if (!physical.empty() && physical.back() == '\r') physical.pop_back();
    lines.push_back(std::move(physical));
    at = end + 1;
  }
  for (size_t k = 0; k < lines.size(); ++k) {
    int firstLine = static_cast<int>(k) + 1;
    std::string logical = trim(lines[k]);
    // Comments are whole lines only, and never continue.
    if (logical.empty() || logical[0] == '#' || logical[0] == '!') continue;
    while (continues(logical)) {
      logical.pop_back();
      if (k + 1 >= lines.size()) break;
      logical += trim(lines[++k]);
    }
    std::string line = trim(logical);
    if (line.empty()) continue;

    auto fail = [&](const std::string& message) {
      error = std::to_string(firstLine) + ": " + message;
      return false;
    };
    size_t sep = std::string::npos;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\') {
        ++i;
        continue;
      }
      if (line[i] == '=' || line[i] == ':') {
        sep = i;
        break;
      }
    }
    if (sep == std::string::npos) return fail("expected 'name = value'");
    ConfigEntry entry;
    entry.key = trim(line.substr(0, sep));
    entry.line = firstLine;
    if (entry.key.empty()) return fail("missing name before '='");
    if (findSetupFileConfigKey(entry.key)) {
      entry.setupFile = true;
    } else if (!resolveKey(entry.key, entry))
      return fail("unknown property name '" + entry.key + "'");
    std::string message;
    if (!unescape(trim(line.substr(sep + 1)), entry.value, message)) return fail(message);
    std::u16string check;
    if (!utf8ToUtf16(entry.value, check, message)) return fail(message);
    entries.push_back(std::move(entry));
  }
  return true;
}

}  // namespace drx::mkmedia
