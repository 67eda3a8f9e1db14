// The runtime search and its checks over an abstract system (portable).
#include "launcher/jvm/portable/runtime_search.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "common/format_text.h"
#include "launcher/jvm/portable/java_version.h"
#include "launcher/jvm/portable/semicolon_list.h"
#include "launcher/jvm/portable/text_limits.h"

namespace drx::launcher {
namespace {

constexpr char kPreferredLocationFile[] = "\\.deployrix\\pref_jre.cfg";
constexpr char kInstallerLocationFile[] = "\\.deployrix\\inst_jre.cfg";
constexpr size_t kCurrentVersionLimit = 100;
constexpr size_t kRegistryTextLimit = kTextLimit + 1;
// The exit code a process reports while it still runs: the wait for it timed out.
constexpr unsigned long kStillActive = 259;

std::string slashesFor(std::string_view path, char from, char to) {
  std::string result(path);
  std::replace(result.begin(), result.end(), from, to);
  return result;
}

}  // namespace

std::vector<SequenceEntry> parseSearchSequence(std::string_view sequence) {
  std::vector<SequenceEntry> entries;
  for (const std::string& piece : splitList(sequence)) entries.push_back({piece[0], piece.substr(1)});
  return entries;
}

bool isAbsoluteSequenceValue(std::string_view value) {
  return value.size() >= 2 && (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
}

std::string versionCacheKeyName(std::string_view normalisedPath) {
  return kVersionCacheKey + slashesFor(normalisedPath, '\\', '/');
}

std::string locatedRuntimeKeyName(std::string_view javaExecutable) {
  return std::string(kLocatedRuntimesKey) + "\\" + slashesFor(javaExecutable, '\\', '/');
}

std::string registryText(const char* data, size_t size) {
  if (!data) return {};
  const void* zero = std::memchr(data, 0, size);
  return std::string(data, zero ? static_cast<const char*>(zero) - data : size);
}

bool cachedTimeMatches(const unsigned char* data, size_t size, uint64_t time) {
  if (!data || size != 8) return false;
  unsigned char expected[8];
  encodeFileTime(time, expected);
  return std::memcmp(data, expected, 8) == 0;
}

void encodeFileTime(uint64_t time, unsigned char (&bytes)[8]) {
  // FILETIME: the low DWORD first, each little-endian.
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(time >> (8 * i));
}

void RuntimeSearch::logf(const char* format, ...) {
  char buffer[kTextLimit * 3];
  va_list arguments;
  va_start(arguments, format);
  formatTextV(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  host_.log(buffer);
}

RuntimeSearch::Candidate RuntimeSearch::findJavaExecutable(const std::string& directory) {
  Candidate candidate{directory + "\\jre\\bin\\java.exe", true};
  if (settings_.requireJdk) {
    candidate.usable = host_.exists(directory + "\\lib\\tools.jar");
    return candidate;
  }
  if (!host_.exists(candidate.path)) candidate.path = directory + "\\bin\\java.exe";
  return candidate;
}

bool RuntimeSearch::versionAcceptable(const std::string& version, bool allowBeta) {
  const VersionVerdict verdict =
      judgeVersion(version, settings_.minVersion, settings_.maxVersion, allowBeta || settings_.allowBetaVm);
  if (verdict == VersionVerdict::kPreReleaseRefused) host_.log("beta vm not allowed");
  return verdict == VersionVerdict::kAcceptable;
}

std::optional<std::string> RuntimeSearch::readRuntimeVersion(const std::string& javaExecutable,
                                                             uint64_t time) {
  const VersionRun run = host_.runVersion(javaExecutable);
  if (!run.started) return std::nullopt;
  const unsigned long exitCode = run.timedOut ? kStillActive : run.exitCode;
  logf("Exit Code %d", static_cast<int>(exitCode));
  if (exitCode == kStillActive) {
    host_.log("Terminating process");
    return std::nullopt;
  }
  if (exitCode != 0) {
    // Remembered so that a broken runtime is refused without being started again.
    host_.storeCachedVersion(javaExecutable, time, "1.0.0");
    return std::nullopt;
  }
  std::optional<std::string> version = versionFromFirstLine(firstOutputLine(run.output));
  if (version) logf("Java version: %s", version->c_str());
  return version;
}

bool RuntimeSearch::checkJavaExecutable(std::string& path, bool allowBeta, bool useCache,
                                        std::string* versionOut) {
  logf("checkJavaExe (%s, [out], %s, %s, %d)", path.c_str(), settings_.minVersion.c_str(),
       settings_.maxVersion.c_str(), allowBeta ? 1 : 0);
  path = host_.normalise(path);
  uint64_t time = 0;
  if (!host_.fileTime(path, time)) {
    host_.log("file doesn't exist");
    return false;
  }
  host_.log("file exists");
  std::optional<std::string> version;
  if (useCache) version = host_.cachedVersion(path, time);
  if (version) {
    logf("got version from registry %s", version->c_str());
  } else {
    version = readRuntimeVersion(path, time);
    if (!version) {
      host_.log("couldn't get version");
      return false;
    }
    logf("got version from execution %s", version->c_str());
    host_.storeCachedVersion(path, time, *version);
  }
  bool accepted = versionAcceptable(*version, allowBeta);
  if (accepted && settings_.launcherType == 1 && path.size() >= 4) {
    path.replace(path.size() - 4, 4, "w.exe");
    accepted = host_.exists(path);
  }
  logf("checkJavaExe returning %d", accepted ? 1 : 0);
  if (accepted && versionOut) *versionOut = *version;
  return accepted;
}

bool RuntimeSearch::checkRuntimeDirectory(const std::string& directory, bool acceptWithoutVersion,
                                          std::string& javaExecutable) {
  const std::string normalised = host_.normalise(directory);
  host_.preparePackedRuntime(normalised);
  Candidate candidate = findJavaExecutable(normalised);
  javaExecutable = candidate.path;
  if (acceptWithoutVersion) return true;
  return candidate.usable && checkJavaExecutable(javaExecutable, true, true);
}

std::optional<std::string> RuntimeSearch::tryEnvironmentRuntime(const std::string& variable) {
  std::optional<std::string> directory = host_.environmentVariable(variable);
  if (!directory) return std::nullopt;
  Candidate candidate = findJavaExecutable(slashesFor(*directory, '/', '\\'));
  if (candidate.usable && checkJavaExecutable(candidate.path, false, true)) return candidate.path;
  return std::nullopt;
}

std::optional<std::string> RuntimeSearch::locationFileLine(const char* fileName) {
  if (settings_.applicationDirectory.empty()) return std::nullopt;
  std::optional<std::string> line = host_.readFirstLine(settings_.applicationDirectory + fileName);
  if (line && line->empty()) return std::nullopt;
  return line;
}

std::optional<RuntimeSearch::Found> RuntimeSearch::javaSoftVersionedHome(const std::string& key,
                                                                         const std::string& version) {
  const std::string versionKey = key + "\\" + version;
  std::optional<std::string> home =
      host_.readRegistryString(Hive::kLocalMachine, versionKey, "JavaHome", kRegistryTextLimit);
  if (!home || home->empty()) return std::nullopt;
  Candidate candidate = findJavaExecutable(*home);
  std::string found;
  if (candidate.usable && checkJavaExecutable(candidate.path, false, true, &found)) {
    return Found{candidate.path, found, versionKey};
  }
  return std::nullopt;
}

std::optional<RuntimeSearch::Found> RuntimeSearch::javaSoftAllVersions(const std::string& key) {
  std::vector<std::string> names = host_.registrySubkeys(Hive::kLocalMachine, key);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [this](const std::string& name) {
                               return !registryVersionInRange(name, settings_.minVersion,
                                                              settings_.maxVersion);
                             }),
              names.end());
  // A handful of keys: an insertion sort, a fraction of std::sort's code in the launcher.
  for (size_t i = 1; i < names.size(); ++i) {
    for (size_t j = i; j > 0 && names[j] < names[j - 1]; --j) names[j].swap(names[j - 1]);
  }
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (std::optional<Found> found = javaSoftVersionedHome(key, *it)) return found;
  }
  return std::nullopt;
}

std::optional<RuntimeSearch::Found> RuntimeSearch::javaSoftKeys(const char* runtimeKey, const char* kitKey) {
  auto currentVersion = [this](const char* key) {
    std::optional<std::string> version =
        host_.readRegistryString(Hive::kLocalMachine, key, "CurrentVersion", kCurrentVersionLimit);
    if (!version || !registryVersionInRange(*version, settings_.minVersion, settings_.maxVersion))
      return std::string();
    return *version;
  };
  const std::string kitVersion = currentVersion(kitKey);
  const std::string runtimeVersion = settings_.requireJdk ? std::string() : currentVersion(runtimeKey);
  const bool kitWins = kitVersion.compare(runtimeVersion) > 0;
  const std::string& version = kitWins ? kitVersion : runtimeVersion;
  if (!version.empty()) {
    if (std::optional<Found> found = javaSoftVersionedHome(kitWins ? kitKey : runtimeKey, version))
      return found;
  }
  if (!settings_.requireJdk) {
    if (std::optional<Found> found = javaSoftAllVersions(runtimeKey)) return found;
  }
  return javaSoftAllVersions(kitKey);
}

std::optional<RuntimeSearch::Found> RuntimeSearch::javaSoftSearch() {
  std::optional<Found> found = javaSoftKeys(kJavaSoftRuntimeKey, kJavaSoftKitKey);
  // Runtimes since Java 9 register only under the shorter keys; they come after the classic ones.
  if (!found) found = javaSoftKeys(kJavaSoftModernRuntimeKey, kJavaSoftModernKitKey);
  if (found) logf("JavaSoft runtime registered under %s", found->key.c_str());
  return found;
}

std::optional<RuntimeSearch::Found> RuntimeSearch::locatedIn(Hive hive) {
  std::optional<Found> best;
  for (const std::string& name : host_.registrySubkeys(hive, kLocatedRuntimesKey)) {
    std::string path = slashesFor(name, '/', '\\');
    std::string version;
    if (!checkJavaExecutable(path, true, true, &version)) continue;
    if (!best || version.compare(best->version) > 0) best = Found{path, version, kLocatedRuntimesKey};
  }
  return best;
}

std::optional<RuntimeSearch::Found> RuntimeSearch::locatedSearch() {
  std::optional<Found> user = locatedIn(Hive::kCurrentUser);
  std::optional<Found> machine = locatedIn(Hive::kLocalMachine);
  if (user && (!machine || user->version.compare(machine->version) > 0)) return user;
  return machine;
}

std::optional<std::string> RuntimeSearch::registrySearch() {
  std::optional<Found> sun = javaSoftSearch();
  std::optional<Found> located = locatedSearch();
  if (sun) logf("found sun %s %s", sun->path.c_str(), sun->version.c_str());
  if (located) logf("found located %s %s", located->path.c_str(), located->version.c_str());
  if (sun && located) return sun->version.compare(located->version) > 0 ? sun->path : located->path;
  if (sun) return sun->path;
  if (located) return located->path;
  // Last, so that a machine where the keys above name a runtime keeps that runtime.
  if (std::optional<Found> vendor = vendorSearch()) return vendor->path;
  return std::nullopt;
}

std::optional<std::string> RuntimeSearch::previousInstallation(Hive hive) {
  if (settings_.applicationId.empty()) return std::nullopt;
  std::optional<std::string> list =
      host_.readRegistryString(hive, kInstallationsKey, settings_.applicationId.c_str(), kRegistryTextLimit);
  if (!list || list->empty()) return std::nullopt;
  logf("found installations: %s", list->c_str());
  for (const std::string& directory : splitList(*list)) {
    Candidate candidate = findJavaExecutable(directory + "\\jre");
    if (candidate.usable && checkJavaExecutable(candidate.path, false, true)) {
      logf("found JRE from previous installation (%s) %s", hive == Hive::kCurrentUser ? "user" : "machine",
           candidate.path.c_str());
      return candidate.path;
    }
  }
  return std::nullopt;
}

std::optional<std::string> RuntimeSearch::search() {
  host_.log("Searching for a JVM");
  const std::vector<SequenceEntry> entries = parseSearchSequence(settings_.sequence);
  std::string executable;

  if (std::optional<std::string> preferred = locationFileLine(kPreferredLocationFile)) {
    logf("Has preferred location %s", preferred->c_str());
    if (checkRuntimeDirectory(*preferred, false, executable)) {
      host_.log("Using preferred location");
      return executable;
    }
  }

  for (const SequenceEntry& entry : entries) {
    std::string value = entry.value;
    host_.expand(value);
    logf("Testing location %s (type %c)", value.c_str(), entry.type);
    switch (entry.type) {
      case 'A':
      case 'B':
      case 'R':
        if (checkRuntimeDirectory(value, false, executable)) return executable;
        break;
      case 'E':
        if (std::optional<std::string> found = tryEnvironmentRuntime(value)) return found;
        break;
      case 'S':
        if (std::optional<std::string> onPath = host_.searchExecutablePath("java.exe")) {
          executable = *onPath;
          if (checkJavaExecutable(executable, false, true)) return executable;
        }
        break;
      case 'Y':
        if (std::optional<std::string> found = registrySearch()) return found;
        break;
      default:
        break;
    }
  }

  if (std::optional<std::string> installer = locationFileLine(kInstallerLocationFile)) {
    logf("Has installer location %s", installer->c_str());
    if (checkRuntimeDirectory(*installer, false, executable)) {
      host_.log("Using installer location");
      return executable;
    }
  }

  for (const SequenceEntry& entry : entries) {
    const bool directoryType = entry.type == 'A' || entry.type == 'B' || entry.type == 'R';
    if (!directoryType || (entry.type != 'B' && isAbsoluteSequenceValue(entry.value))) continue;
    logf("Testing relative location %s", entry.value.c_str());
    checkRuntimeDirectory(entry.value, true, executable);
    if (host_.exists(executable)) {
      logf("%s exists", executable.c_str());
      return executable;
    }
  }

  if (std::optional<std::string> found = previousInstallation(Hive::kCurrentUser)) return found;
  if (std::optional<std::string> found = previousInstallation(Hive::kLocalMachine)) return found;

  host_.log("Search sequence finished");
  if (std::optional<std::string> found = tryEnvironmentRuntime("LANQO_JAVA_HOME")) return found;
  return tryEnvironmentRuntime("DEPLOYRIX_JAVA_HOME");
}

}  // namespace drx::launcher
