// The temporary path with its fallbacks, temporary names, and the extraction directory.
#include "launcher/temp_directory.h"

#include <direct.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "common/format_text.h"
#include "common/payload/property_ids.h"
#include "common/unique_handle.h"
#include "launcher/error_report.h"
#include "launcher/file_paths.h"
#include "launcher/launcher_log.h"
#include "launcher/portable/path_text.h"
#include "launcher/private_directory.h"

namespace drx::launcher {
namespace {

struct TemporaryState {
  std::string directory;
  // The temporary path, worked out on first use: its fallbacks test and create directories, and
  // every caller must get the same answer, whatever the environment says later.
  std::string path;
  bool pathKnown = false;
};

TemporaryState& temporaryState() {
  static TemporaryState state;
  return state;
}

std::string environmentValue(const char* name) {
  char value[kPathLimit];
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string windowsDirectory() {
  char directory[kPathLimit];
  UINT length = GetWindowsDirectoryA(directory, sizeof directory);
  return length > 0 && length < sizeof directory ? std::string(directory, length) : std::string();
}

// The user's own temporary path in its short (8.3) form, read through the wide functions: it can
// be named in the ANSI code page when the long form cannot. Empty when there is no such form.
std::string shortUserTemporaryPath() {
  std::wstring wide(kPathLimit, L'\0');
  DWORD length = GetTempPathW(kPathLimit, wide.data());
  if (length == 0 || length >= kPathLimit) return {};
  wide.resize(length);
  std::wstring shortForm(kPathLimit, L'\0');
  length = GetShortPathNameW(wide.c_str(), shortForm.data(), kPathLimit);
  if (length == 0 || length >= kPathLimit) return {};
  shortForm.resize(length);
  std::string narrow;
  if (!toFileCodePage(shortForm, narrow)) return {};
  return narrow;
}

// Fallbacks for a temporary path the narrow functions cannot name, in order of preference. The
// user's own (short) path comes first: the shared places after it let other users put files there.
// Nothing when none is writable.
std::optional<std::string> writableFallback() {
  const std::string shortPath = shortUserTemporaryPath();
  if (!shortPath.empty() && isWritable(shortPath)) {
    logLine("Using the short temporary path %s", shortPath.c_str());
    return shortPath;
  }
  const std::string windows = windowsDirectory();
  if (!windows.empty() && isWritable(windows + "\\temp")) return windows + "\\temp";
  if (isWritable("c:\\temp")) return "c:\\temp";
  if (isWritable("c:\\tmp")) return "c:\\tmp";
  if (!windows.empty() && isWritable(windows)) return windows;
  if (isWritable("c:\\")) {
    _mkdir("c:\\tmp");
    if (isWritable("c:\\tmp")) return "c:\\tmp";
  }
  return std::nullopt;
}

std::optional<std::string> findTemporaryPath() {
  char buffer[kPathLimit] = {};
  DWORD result = GetTempPathA(sizeof buffer, buffer);
  logLine("GetTempPath returned %d (last error %d)", static_cast<int>(result),
          static_cast<int>(GetLastError()));
  if (result >= sizeof buffer) buffer[0] = '\0';
  std::string path(buffer);
  if (path.empty()) {
    path = environmentValue("HOMEDRIVE") + environmentValue("HOMEPATH");
    if (path.size() > kPathLimit - 1) path.resize(kPathLimit - 1);
    logLine("No temp dir defined. Using home %s", path.c_str());
  } else if (result > 0) {
    logLine("make dir returned %d", _mkdir(path.c_str()));
  }

  char longPath[kPathLimit];
  DWORD length = GetLongPathNameA(path.c_str(), longPath, sizeof longPath);
  // GetTempPathA itself already puts '?' for what the code page lacks; no long form is had then.
  if (strchr(path.c_str(), '?')) return writableFallback();
  if (length == 0 || length >= sizeof longPath || !strchr(longPath, '?')) return path;
  return writableFallback();
}

RunFailure newTemporaryFileName(std::string& result) {
  std::string directory;
  if (RunFailure failure = settleTemporaryPath(directory)) return failure;
  logLine("tempPath is %s", directory.c_str());
  // GetTempFileNameA writes up to MAX_PATH characters.
  char name[kPathLimit] = {};
  if (directory.size() < MAX_PATH - 14 && GetTempFileNameA(directory.c_str(), "lqo", 0, name) != 0) {
    result = name;
  } else {
    logLine("GetTempFileName failed (last error %d)", static_cast<int>(GetLastError()));
    srand(static_cast<unsigned>(time(nullptr)));
    // The fallback directories carry no trailing backslash, the system's temporary path does.
    formatText(name, sizeof name, "lqo%d", rand());
    result = joinPath(directory, name);
  }
  logLine("tempFile is %s", result.c_str());
  return {};
}

}  // namespace

RunFailure settleTemporaryPath(std::string& path) {
  TemporaryState& state = temporaryState();
  if (!state.pathKnown) {
    std::optional<std::string> found = findTemporaryPath();
    if (!found) return messageFailure(payload::kMsgNoWritableTemp);
    state.path = std::move(*found);
    state.pathKnown = true;
  }
  path = state.path;
  return {};
}

bool isWritable(const std::string& directory) {
  char name[kPathLimit];
  if (formatText(name, sizeof name, "%s\\lqo_w_testdir", directory.c_str()) >=
      static_cast<int>(sizeof name)) {
    return false;
  }
  _rmdir(name);
  if (_mkdir(name) != 0) return false;
  const bool seen = pathExists(name);
  _rmdir(name);
  return seen;
}

std::string temporaryFileName() {
  std::string result;
  // The work sequence settles the path with its temporary directory. A restart takes over the
  // directory of the run before it, and its runtime search (possibly inside the choice dialog's
  // procedure, with no way to hand a failure back) can be the first to find nothing writable.
  if (RunFailure failure = newTemporaryFileName(result)) endWithFailure(failure);
  return result;
}

RunFailure processCommunicationFileName(unsigned long processId, std::string& path) {
  std::string directory;
  if (RunFailure failure = settleTemporaryPath(directory)) return failure;
  char name[32];
  formatText(name, sizeof name, "lqo_p%lu.tmp", processId);
  path = joinPath(directory, name);
  if (path.size() > kPathLimit - 1) path.resize(kPathLimit - 1);
  return {};
}

RunFailure createTemporaryDirectory() {
  std::string directory;
  if (RunFailure failure = newTemporaryFileName(directory)) return failure;
  directory += "_dir";
  if (directory.size() > kPathLimit - 1) directory.resize(kPathLimit - 1);
  logLine("Temp dir: %s", directory.c_str());
  // Private whatever the parent: the extracted jars all go on the class path.
  if (!createPrivateDirectory(directory)) return internalFailure(InternalErrorCode::kTemporaryDirectory);
  temporaryState().directory = std::move(directory);
  return {};
}

const std::string& temporaryDirectory() { return temporaryState().directory; }

void setTemporaryDirectory(const std::string& directory) { temporaryState().directory = directory; }

void emptyDirectory(const std::string& directory) {
  if (directory.empty() || directory[0] == '.') return;
  logLine("emptying %s", directory.c_str());
  const std::string pattern = joinPath(directory, "*.*");
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA(pattern.c_str(), &found));
  if (!search) return;
  do {
    if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
    const std::string full = joinPath(directory, found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      logLine("attempting to remove %s", full.c_str());
      RemoveDirectoryA(full.c_str());
    } else {
      logLine("attempting to delete %s", full.c_str());
      DeleteFileA(full.c_str());
    }
  } while (FindNextFileA(search.get(), &found));
}

}  // namespace drx::launcher
