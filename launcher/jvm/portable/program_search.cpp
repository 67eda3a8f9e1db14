// The folders searched for a runtime's program by name, and its "-version" command line.
#include "launcher/jvm/portable/program_search.h"

#include <cctype>

namespace drx::launcher {
namespace {

bool isAbsoluteFolder(std::string_view folder) {
  const bool drive = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                     folder[1] == ':' && folder[2] == '\\';
  const bool network = folder.size() >= 3 && folder[0] == '\\' && folder[1] == '\\';
  return drive || network;
}

// Case-insensitive (ASCII), trailing backslashes ignored, "/" taken as "\".
bool sameFolder(std::string_view a, std::string_view b) {
  while (!a.empty() && (a.back() == '\\' || a.back() == '/')) a.remove_suffix(1);
  while (!b.empty() && (b.back() == '\\' || b.back() == '/')) b.remove_suffix(1);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] == '/' ? '\\' : a[i];
    char y = b[i] == '/' ? '\\' : b[i];
    if (std::tolower(static_cast<unsigned char>(x)) != std::tolower(static_cast<unsigned char>(y)))
      return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> programSearchFolders(const std::string& systemDirectory,
                                              const std::string& windowsDirectory, std::string_view pathValue,
                                              const std::string& launcherDirectory) {
  std::vector<std::string> folders;
  if (!systemDirectory.empty()) folders.push_back(systemDirectory);
  if (!windowsDirectory.empty()) {
    folders.push_back(windowsDirectory + "\\System");
    folders.push_back(windowsDirectory);
  }
  while (!pathValue.empty()) {
    const size_t end = pathValue.find(';');
    std::string_view entry = pathValue.substr(0, end);
    pathValue = end == std::string_view::npos ? std::string_view() : pathValue.substr(end + 1);
    if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"')
      entry = entry.substr(1, entry.size() - 2);
    if (!isAbsoluteFolder(entry)) continue;
    if (!launcherDirectory.empty() && sameFolder(entry, launcherDirectory)) continue;
    folders.emplace_back(entry);
  }
  return folders;
}

std::string versionCommandLine(const std::string& shortForm, const std::string& program) {
  return "\"" + (shortForm.empty() ? program : shortForm) + "\" -version";
}

}  // namespace drx::launcher
