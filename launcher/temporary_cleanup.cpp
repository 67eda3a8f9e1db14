// Removing what a run wrote into the temporary area when it ends before the Java side takes over.
#include "launcher/temporary_cleanup.h"

#include <windows.h>

#include <cstring>

#include "common/unique_handle.h"
#include "launcher/launcher_log.h"
#include "launcher/portable/path_text.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"

namespace drx::launcher {
namespace {

constexpr const char* kDirectorySuffix = "_dir";

void removeEntries(const std::string& directory) {
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA(joinPath(directory, "*.*").c_str(), &found));
  if (!search) return;
  do {
    if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
    const std::string full = joinPath(directory, found.cFileName);
    // An extracted runtime may carry read-only files, which DeleteFile refuses.
    if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesA(full.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction is removed as a link; what it points to stays untouched.
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) removeEntries(full);
      logLine("attempting to remove %s", full.c_str());
      RemoveDirectoryA(full.c_str());
    } else {
      logLine("attempting to delete %s", full.c_str());
      DeleteFileA(full.c_str());
    }
  } while (FindNextFileA(search.get(), &found));
}

}  // namespace

bool removeDirectoryTree(const std::string& directory) {
  if (directory.empty() || directory[0] == '.') return false;
  logLine("emptying %s", directory.c_str());
  removeEntries(directory);
  return RemoveDirectoryA(directory.c_str()) != 0 ||
         GetFileAttributesA(directory.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void removeTemporaryArea() {
  if (startupState().languageRestart) return;
  const std::string directory = temporaryDirectory();
  if (directory.empty()) return;
  // The current directory cannot be removed while it is current.
  const size_t separator = directory.find_last_of('\\');
  if (separator != std::string::npos) SetCurrentDirectoryA(directory.substr(0, separator + 1).c_str());
  if (!removeDirectoryTree(directory)) logErrorLine("could not remove %s", directory.c_str());
  const size_t suffix = strlen(kDirectorySuffix);
  if (directory.size() > suffix &&
      directory.compare(directory.size() - suffix, suffix, kDirectorySuffix) == 0) {
    DeleteFileA(directory.substr(0, directory.size() - suffix).c_str());
  }
}

}  // namespace drx::launcher
