// Path text rules without file system access (portable).
#include "launcher/portable/path_text.h"

namespace drx::launcher {

bool isRelativePath(std::string_view path) {
  if (path.size() < 3) return true;
  if (path[0] == '"') {
    path.remove_prefix(1);
    if (path.size() < 3) return true;
  }
  if (path[1] == ':' && path[2] == '\\') return false;
  if (path[0] == '\\' && path[1] == '\\') return false;
  return true;
}

std::vector<std::string_view> splitList(std::string_view list, char separator) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(separator, start);
    if (end == std::string_view::npos) end = list.size();
    if (end > start) pieces.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

bool isDriveRoot(std::string_view path) {
  if (path.size() < 2) return false;
  std::string_view rest = path.substr(1);
  return rest == ":\\" || rest == ":\\." || rest == ":\\.\\.";
}

std::string joinPath(std::string_view directory, std::string_view name) {
  std::string result(directory);
  if (result.empty() || result.back() != '\\') result.push_back('\\');
  result.append(name);
  return result;
}

bool isSafeIncludedName(std::string_view name) {
  if (name.empty() || name.front() == '\\') return false;
  if (name.find(':') != std::string_view::npos || name.find('/') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('\\', start);
    if (end == std::string_view::npos) end = name.size();
    std::string_view component = name.substr(start, end - start);
    // Windows drops trailing dots and spaces, so ".. " and "..." mean a parent or this folder.
    if (component.find_first_not_of(". ") == std::string_view::npos) return false;
    start = end + 1;
  }
  return true;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  std::string_view tail = text.substr(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char a = tail[i], b = suffix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace drx::launcher
