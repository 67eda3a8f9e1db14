// Parsing of the stand-in runtime's scripting file.
#include "standin_config.h"

#include <cstdlib>

namespace standin {

namespace {
std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}
}  // namespace

Config Config::parse(std::string_view text) {
  Config config;
  if (text.substr(0, 3) == "\xef\xbb\xbf") text.remove_prefix(3);  // a byte-order mark from an editor
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view key = trim(line.substr(0, line.find('=')));
    if (key.empty() || key.front() == '#' || line.find('=') == std::string_view::npos) continue;
    config.entries_.emplace_back(std::string(key), std::string(line.substr(line.find('=') + 1)));
  }
  return config;
}

std::string Config::get(std::string_view key, std::string_view fallback) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->first == key) return it->second;
  }
  return std::string(fallback);
}

long Config::getInt(std::string_view key, long fallback) const {
  if (!has(key)) return fallback;
  std::string value = get(key);
  char* end = nullptr;
  long number = std::strtol(value.c_str(), &end, 0);
  return end == value.c_str() ? fallback : number;
}

bool Config::has(std::string_view key) const {
  for (const auto& entry : entries_) {
    if (entry.first == key) return true;
  }
  return false;
}

std::vector<std::string> Config::all(std::string_view key) const {
  std::vector<std::string> values;
  for (const auto& entry : entries_) {
    if (entry.first == key) values.push_back(entry.second);
  }
  return values;
}

std::vector<std::string> splitAt(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  while (true) {
    size_t at = text.find(separator);
    pieces.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) break;
    text.remove_prefix(at + 1);
  }
  return pieces;
}

}  // namespace standin
