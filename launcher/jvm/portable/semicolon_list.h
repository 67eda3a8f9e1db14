// Splitting the ';'-separated lists of the launcher's settings (search sequence, class path).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// The non-empty pieces between ';' separators, in order: runs of separators give no pieces.
inline std::vector<std::string> splitList(std::string_view text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) pieces.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

}  // namespace drx::launcher
