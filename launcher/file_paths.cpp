// The launcher's own path and the shared path utilities over the narrow file functions.
#include "launcher/file_paths.h"

#include "common/code_page_text.h"
#include "common/unique_handle.h"
#include "launcher/portable/path_text.h"

namespace drx::launcher {
namespace {

std::string cutToLimit(std::string text) {
  if (text.size() > kPathLimit - 1) text.resize(kPathLimit - 1);
  return text;
}

// Accepted as the media path: representable, and still naming an .exe.
bool acceptableExecutablePath(const std::wstring& wide, std::string& narrow) {
  return toFileCodePage(wide, narrow) && narrow.size() >= 4 && endsWithIgnoringCase(narrow, ".exe");
}

std::string computeExecutablePath() {
  std::string path;
  std::wstring module(kPathLimit, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, module.data(), kPathLimit);
  module.resize(length < kPathLimit ? length : 0);
  std::wstring longPath(kPathLimit, L'\0');
  length = GetLongPathNameW(module.c_str(), longPath.data(), kPathLimit);
  longPath.resize(length < kPathLimit ? length : 0);
  if (acceptableExecutablePath(longPath, path)) return collapseBackslashes(path);

  std::wstring shortPath(kPathLimit, L'\0');
  length = GetShortPathNameW(longPath.c_str(), shortPath.data(), kPathLimit);
  shortPath.resize(length < kPathLimit ? length : 0);
  if (acceptableExecutablePath(shortPath, path)) return collapseBackslashes(path);

  char narrowModule[kPathLimit] = {};
  GetModuleFileNameA(nullptr, narrowModule, sizeof narrowModule - 1);
  char narrowShort[kPathLimit] = {};
  length = GetShortPathNameA(narrowModule, narrowShort, sizeof narrowShort);
  return collapseBackslashes(length > 0 && length < sizeof narrowShort ? narrowShort : narrowModule);
}

std::string computeLauncherDirectory() {
  const std::string& executable = launcherExecutablePath();
  std::string full(kPathLimit, '\0');
  char* filePart = nullptr;
  DWORD length = GetFullPathNameA(executable.c_str(), kPathLimit, full.data(), &filePart);
  if (length == 0 || length >= kPathLimit) {
    full = executable;
    size_t slash = full.rfind('\\');
    full.resize(slash == std::string::npos ? 0 : slash + 1);
    return full;
  }
  full.resize(filePart ? static_cast<size_t>(filePart - full.data()) : length);
  if (full.empty() || full.back() != '\\') full.push_back('\\');
  return full;
}

}  // namespace

std::wstring fromFileCodePage(std::string_view text) { return toWide(text, fileApiCodePage()); }

bool toFileCodePage(std::wstring_view text, std::string& out) {
  return toNarrowExact(text, fileApiCodePage(), out);
}

const std::string& launcherExecutablePath() {
  static const std::string path = cutToLimit(computeExecutablePath());
  return path;
}

const std::string& launcherDirectory() {
  static const std::string directory = cutToLimit(computeLauncherDirectory());
  return directory;
}

bool isRelative(std::string_view path) { return isRelativePath(path); }

std::string collapseBackslashes(std::string_view path) {
  std::wstring wide = fromFileCodePage(path);
  std::string narrow;
  if (!toFileCodePage(collapsedBackslashes<wchar_t>(wide), narrow)) return std::string(path);
  return narrow;
}

std::string makeAbsolute(std::string_view path) {
  std::string joined = isRelative(path) ? launcherDirectory() + std::string(path) : std::string(path);
  return cutToLimit(collapseBackslashes(cutToLimit(std::move(joined))));
}

std::string normalisePath(std::string_view path, bool keepCase) {
  std::string absolute = makeAbsolute(path);
  std::string full(kPathLimit, '\0');
  DWORD length = GetFullPathNameA(absolute.c_str(), kPathLimit, full.data(), nullptr);
  if (length == 0 || length >= kPathLimit) {
    full = absolute;
  } else {
    full.resize(length);
  }
  if (!keepCase) full = lowerCasePath(full);
  return collapseBackslashes(full);
}

std::string makeAbsoluteList(std::string_view list) {
  std::string result;
  for (std::string_view piece : splitList(list, ';')) {
    if (!result.empty()) result.push_back(';');
    result += makeAbsolute(piece);
  }
  return cutToLimit(std::move(result));
}

std::string lowerCasePath(std::string_view path) {
  std::wstring wide = fromFileCodePage(path);
  _wcslwr(wide.data());
  std::string narrow;
  if (!toFileCodePage(wide, narrow)) return std::string(path);
  return narrow;
}

bool pathExists(const char* path) {
  if (!path) return false;
  std::string_view text(path);
  if (text.size() >= 2 && isDriveRoot(text)) return true;
  return fileTime(path, nullptr);
}

bool fileTime(const char* path, FILETIME* lastWrite) {
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA(path, &found));
  if (!search) return false;
  if (lastWrite) *lastWrite = found.ftLastWriteTime;
  return true;
}

std::vector<std::string> listFiles(const char* directory, const char* extension) {
  std::string pattern(directory ? directory : "");
  pattern += "\\*";
  if (!extension || extension[0] != '.') pattern.push_back('.');
  if (extension) pattern += extension;
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA(pattern.c_str(), &found));
  if (!search) return names;
  do {
    names.emplace_back(found.cFileName);
  } while (FindNextFileA(search.get(), &found));
  return names;
}

}  // namespace drx::launcher
