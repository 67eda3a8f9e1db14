// Path text rules of the launcher that need no file system: relative paths, backslashes, lists, names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// Relative unless it starts with a drive letter, ':' and '\' or with two backslashes; one
// leading double quote is skipped first. Texts too short for either form are relative.
bool isRelativePath(std::string_view path);

// Drops every backslash that directly follows another, except that the first two characters
// always stay, so a network path keeps its leading pair.
template <class Char>
std::basic_string<Char> collapsedBackslashes(std::basic_string_view<Char> path) {
  std::basic_string<Char> result;
  result.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    if (i >= 2 && path[i] == Char('\\') && path[i - 1] == Char('\\')) continue;
    result.push_back(path[i]);
  }
  return result;
}

// The non-empty pieces of a list separated by separator, in order.
std::vector<std::string_view> splitList(std::string_view list, char separator);

// A drive root in the forms "c:\", "c:\." and "c:\.\." (any first character).
bool isDriveRoot(std::string_view path);

// directory + "\" + name, without doubling a backslash that ends directory.
std::string joinPath(std::string_view directory, std::string_view name);

// An included file name stays inside the directory it is extracted to: not empty, no drive or
// colon, no leading separator, no '/', no empty component and none made only of dots and spaces.
bool isSafeIncludedName(std::string_view name);

// Lower-case ASCII comparison of a suffix, for the ".exe" test.
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix);

}  // namespace drx::launcher
