// Building the PATH value with the native library directories in front (portable).
#include "launcher/ui/native_library_path.h"

namespace drx::launcher {

std::string buildNativeLibraryPath(std::string_view directories, std::string_view currentPath,
                                   const std::function<std::string(std::string_view)>& makeAbsolute) {
  std::string result;
  size_t start = 0;
  while (start <= directories.size()) {
    size_t end = directories.find(';', start);
    if (end == std::string_view::npos) end = directories.size();
    if (end > start) {
      if (!result.empty()) result += ';';
      result += makeAbsolute(directories.substr(start, end - start));
    }
    start = end + 1;
  }
  if (!result.empty() && result.back() != ';') result += ';';
  result += currentPath;
  if (result.size() > kPathValueLimit - 1) {
    // Keep whole entries only: a torn directory name in PATH would point somewhere else.
    const size_t lastSeparator = result.rfind(';', kPathValueLimit - 1);
    result.resize(lastSeparator == std::string::npos ? kPathValueLimit - 1 : lastSeparator + 1);
  }
  return result;
}

}  // namespace drx::launcher
