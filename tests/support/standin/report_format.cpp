// Writing and reading the stand-in runtime's report lines.
#include "report_format.h"

#include "mini_jni.h"

#include <cstdio>
#include <cstdlib>

namespace standin {

std::string escapeValue(std::u16string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    bool high = c >= 0xd800 && c <= 0xdbff;
    bool pairs = high && i + 1 < value.size() && value[i + 1] >= 0xdc00 && value[i + 1] <= 0xdfff;
    if (pairs) {
      out += minijni::utf16ToUtf8(value.substr(i, 2));
      ++i;
    } else if (c == u'\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7f || (c >= 0xd800 && c <= 0xdfff)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += minijni::utf16ToUtf8(value.substr(i, 1));
    }
  }
  return out;
}

std::u16string unescapeValue(std::string_view text) {
  std::u16string out;
  size_t plain = 0;
  auto flush = [&](size_t end) { out += minijni::utf8ToUtf16(text.substr(plain, end - plain)); };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) continue;
    flush(i);
    if (text[i + 1] == 'u' && i + 6 <= text.size()) {
      out += static_cast<char16_t>(std::strtoul(std::string(text.substr(i + 2, 4)).c_str(), nullptr, 16));
      i += 5;
    } else {
      out += static_cast<char16_t>(static_cast<unsigned char>(text[i + 1]));
      i += 1;
    }
    plain = i + 1;
  }
  flush(text.size());
  return out;
}

std::string reportLine(std::string_view key, std::u16string_view value) {
  return std::string(key) + " " + escapeValue(value) + "\n";
}

std::string reportLine(std::string_view key, std::string_view utf8Value) {
  return reportLine(key, minijni::utf8ToUtf16(utf8Value));
}

Report Report::parse(std::string_view text) {
  Report report;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty()) continue;
    size_t space = line.find(' ');
    ReportEntry entry;
    entry.key = std::string(line.substr(0, space));
    if (space != std::string_view::npos) entry.value = unescapeValue(line.substr(space + 1));
    report.entries_.push_back(std::move(entry));
  }
  return report;
}

std::vector<std::u16string> Report::values(std::string_view key) const {
  std::vector<std::u16string> out;
  for (const auto& entry : entries_) {
    if (entry.key == key) out.push_back(entry.value);
  }
  return out;
}

std::vector<std::string> Report::utf8Values(std::string_view key) const {
  std::vector<std::string> out;
  for (const auto& value : values(key)) out.push_back(minijni::utf16ToUtf8(value));
  return out;
}

size_t Report::count(std::string_view key) const { return values(key).size(); }

}  // namespace standin
