// Building the PATH value with the native library directories in front (portable).
#include "launcher/ui/portable/native_library_path.h"

#include <vector>

namespace drx::launcher {

std::string buildNativeLibraryPath(std::string_view directories, std::string_view currentPath,
                                   const std::function<std::string(std::string_view)>& makeAbsolute) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= directories.size()) {
    size_t end = directories.find(';', start);
    if (end == std::string_view::npos) end = directories.size();
    if (end > start) entries.push_back(makeAbsolute(directories.substr(start, end - start)));
    start = end + 1;
  }
  // The user's PATH is kept whole: every program started from here inherits it. What does not
  // fit beside it is the configured directories, which are dropped from the end.
  for (;;) {
    std::string result;
    for (const std::string& entry : entries) {
      if (!result.empty()) result += ';';
      result += entry;
    }
    if (!result.empty() && result.back() != ';') result += ';';
    if (entries.empty() || result.size() + currentPath.size() <= kPathValueLimit - 1) {
      result += currentPath;
      return result;
    }
    entries.pop_back();
  }
}

std::string_view wholeEntriesWithin(std::string_view list, size_t limit) {
  if (list.size() <= limit) return list;
  // A cut directly before a separator still ends at a boundary.
  if (list[limit] == ';') return list.substr(0, limit);
  const size_t separator = limit == 0 ? std::string_view::npos : list.rfind(';', limit - 1);
  return list.substr(0, separator == std::string_view::npos ? 0 : separator);
}

}  // namespace drx::launcher
