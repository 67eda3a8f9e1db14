// The Win32 side of the runtime search: files, processes, registry and environment of this machine.
#include "launcher/jvm/java_runtime.h"

#include "common/payload/property_ids.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/jvm_registry.h"
#include "launcher/jvm/launcher_variables.h"
#include "launcher/jvm/packed_runtime.h"
#include "launcher/jvm/portable/program_search.h"
#include "launcher/jvm/portable/runtime_search.h"
#include "launcher/jvm/portable/text_limits.h"
#include "launcher/jvm/version_run.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/portable/path_text.h"

namespace drx::launcher {
namespace {

DWORD& versionRunTimeout() {
  static DWORD timeout = kVersionRunTimeoutMs;
  return timeout;
}

HKEY rootOf(Hive hive) { return hive == Hive::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

uint64_t fromFileTime(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

class SystemSearchHost final : public SearchHost {
 public:
  void log(const std::string& line) override { logLine("%s", line.c_str()); }
  void expand(std::string& text) override { expandVariables(text); }
  std::string normalise(const std::string& path) override { return normalisePath(path, false); }
  bool exists(const std::string& path) override { return pathExists(path.c_str()); }
  bool fileTime(const std::string& path, uint64_t& time) override {
    FILETIME lastWrite = {};
    if (!drx::launcher::fileTime(path.c_str(), &lastWrite)) return false;
    time = fromFileTime(lastWrite);
    return true;
  }
  VersionRun runVersion(const std::string& javaExecutable) override {
    return runJavaVersion(javaExecutable, versionRunTimeout());
  }
  std::optional<std::string> cachedVersion(const std::string& path, uint64_t time) override {
    return lookupCachedVersion(path, time);
  }
  void storeCachedVersion(const std::string& path, uint64_t time, const std::string& version) override {
    drx::launcher::storeCachedVersion(path, time, version);
  }
  std::optional<std::string> environmentVariable(const std::string& name) override {
    char value[kTextLimit + 1];
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::nullopt;
    return std::string(value, length);
  }
  // SearchPathA would look beside the setup program and in the current directory first.
  std::optional<std::string> searchExecutablePath(const char* fileName) override {
    char system[MAX_PATH + 1];
    char windows[MAX_PATH + 1];
    const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    std::string path(GetEnvironmentVariableA("PATH", nullptr, 0), '\0');
    const DWORD pathLength = path.empty() ? 0 : GetEnvironmentVariableA("PATH", path.data(), path.size());
    path.resize(pathLength < path.size() ? pathLength : 0);
    const std::vector<std::string> folders = programSearchFolders(
        systemLength > 0 && systemLength <= MAX_PATH ? std::string(system, systemLength) : std::string(),
        windowsLength > 0 && windowsLength <= MAX_PATH ? std::string(windows, windowsLength) : std::string(),
        path, launcherDirectory());
    for (const std::string& folder : folders) {
      const std::string candidate = joinPath(folder, fileName);
      const DWORD attributes = GetFileAttributesA(candidate.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return candidate;
    }
    return std::nullopt;
  }
  std::optional<std::string> readFirstLine(const std::string& path) override {
    FILE* file = fopen(path.c_str(), "r");
    if (!file) return std::nullopt;
    char line[kTextLimit + 1];
    const bool read = fgets(line, sizeof line, file) != nullptr;
    fclose(file);
    if (!read) return std::nullopt;
    std::string text(line);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
  }
  std::optional<std::string> readRegistryString(Hive hive, const std::string& key, const char* value,
                                                size_t maxBytes) override {
    return drx::launcher::readRegistryString(rootOf(hive), key, value, maxBytes);
  }
  std::vector<std::string> registrySubkeys(Hive hive, const std::string& key) override {
    return registrySubkeyNames(rootOf(hive), key);
  }
  void preparePackedRuntime(const std::string& directory) override {
    drx::launcher::preparePackedRuntime(directory);
  }
};

SearchSettings settingsFromProperties() {
  SearchSettings settings;
  settings.minVersion = getProperty(payload::kMinJavaVersion);
  settings.maxVersion = getProperty(payload::kMaxJavaVersion);
  settings.sequence = getProperty(payload::kJreSearchSequence);
  settings.requireJdk = getIntProperty(payload::kRequireJdk) != 0;
  settings.allowBetaVm = getIntProperty(payload::kAllowBetaVm) != 0;
  settings.launcherType = getIntProperty(payload::kLauncherType);
  const char* applicationDirectory = getProperty(payload::kApplicationDirectory);
  if (applicationDirectory[0]) settings.applicationDirectory = normalisePath(applicationDirectory, true);
  settings.applicationId = getProperty(payload::kApplicationId);
  return settings;
}

}  // namespace

std::optional<std::string> searchForRuntime() {
  SystemSearchHost host;
  RuntimeSearch search(host, settingsFromProperties());
  return search.search();
}

bool checkJavaExecutable(std::string& path, bool allowBeta, bool useCache) {
  SystemSearchHost host;
  RuntimeSearch search(host, settingsFromProperties());
  return search.checkJavaExecutable(path, allowBeta, useCache);
}

bool checkRuntimeDirectory(const std::string& directory, bool acceptWithoutVersion,
                           std::string& javaExecutable) {
  SystemSearchHost host;
  RuntimeSearch search(host, settingsFromProperties());
  return search.checkRuntimeDirectory(directory, acceptWithoutVersion, javaExecutable);
}

void setVersionRunTimeout(DWORD timeoutMs) { versionRunTimeout() = timeoutMs; }

}  // namespace drx::launcher
