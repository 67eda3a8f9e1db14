// Splitting the included file list and recognising packed jars among its names.
#include "launcher/runtime/portable/included_file_names.h"

namespace drx::launcher {

std::vector<std::string> includedFileNames(std::string_view list, int count) {
  std::vector<std::string> names;
  size_t start = 0;
  while (static_cast<int>(names.size()) < count && start < list.size()) {
    size_t stop = list.find(';', start);
    if (stop == std::string_view::npos) stop = list.size();
    if (stop > start) names.emplace_back(list.substr(start, stop - start));
    start = stop + 1;
  }
  return names;
}

bool isPackedFileName(std::string_view name) {
  constexpr std::string_view kSuffix = ".pack";
  return name.size() > kSuffix.size() && name.substr(name.size() - kSuffix.size()) == kSuffix;
}

}  // namespace drx::launcher
