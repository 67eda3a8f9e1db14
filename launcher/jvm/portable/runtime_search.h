// Searching the machine for a Java runtime within the required version range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/format_text.h"

namespace drx::launcher {

enum class Hive { kCurrentUser, kLocalMachine };

// Registry key names the search reads and writes.
inline constexpr char kVersionCacheKey[] = "SOFTWARE\\morvenic\\lanqo\\jvms\\";
inline constexpr char kLocatedRuntimesKey[] = "SOFTWARE\\morvenic\\lanqo\\locatedjvms";
inline constexpr char kInstallationsKey[] = "SOFTWARE\\morvenic\\deployrix\\installations";
inline constexpr char kJavaSoftRuntimeKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
inline constexpr char kJavaSoftKitKey[] = "SOFTWARE\\JavaSoft\\Java Development Kit";
// Where the JavaSoft installers register since Java 9.
inline constexpr char kJavaSoftModernRuntimeKey[] = "SOFTWARE\\JavaSoft\\JRE";
inline constexpr char kJavaSoftModernKitKey[] = "SOFTWARE\\JavaSoft\\JDK";

// The launcher properties the search reads.
struct SearchSettings {
  std::string minVersion;
  std::string maxVersion;
  std::string sequence;  // jreSearchSequence
  bool requireJdk = false;
  bool allowBetaVm = false;
  int launcherType = 0;              // 1: GUI launcher, wants javaw.exe
  std::string applicationDirectory;  // through Normalise keeping case; empty when unset
  std::string applicationId;
};

// How one "-version" run went.
struct VersionRun {
  bool started = false;
  bool timedOut = false;
  unsigned long exitCode = 0;
  std::string output;  // what the runtime wrote to standard error (read only after exit code 0)
};

// What the search needs from the system. Paths are 8-bit strings in the file functions' code page.
class SearchHost {
 public:
  virtual ~SearchHost() = default;
  virtual void log(const std::string& line) = 0;
  virtual void expand(std::string& text) = 0;
  // Full path, lower case, backslashes collapsed.
  virtual std::string normalise(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  // The last-write time as a FILETIME value; false when nothing is there.
  virtual bool fileTime(const std::string& path, uint64_t& time) = 0;
  // Runs "<short path> -version" hidden with standard error into a file, at most 60 s.
  virtual VersionRun runVersion(const std::string& javaExecutable) = 0;
  virtual std::optional<std::string> cachedVersion(const std::string& javaExecutable, uint64_t time) = 0;
  virtual void storeCachedVersion(const std::string& javaExecutable, uint64_t time,
                                  const std::string& version) = 0;
  virtual std::optional<std::string> environmentVariable(const std::string& name) = 0;
  virtual std::optional<std::string> searchExecutablePath(const char* fileName) = 0;
  // The first line of a text file without its trailing line ends; nothing when unreadable or empty.
  virtual std::optional<std::string> readFirstLine(const std::string& path) = 0;
  virtual std::optional<std::string> readRegistryString(Hive hive, const std::string& key, const char* value,
                                                        size_t maxBytes) = 0;
  virtual std::vector<std::string> registrySubkeys(Hive hive, const std::string& key) = 0;
  // Unpacks a runtime directory's pack200 archives when it holds them.
  virtual void preparePackedRuntime(const std::string& directory) = 0;
  // Whether the registry view the search reads is the 32-bit one: the process's own view, so a
  // 32-bit launcher's, on 32-bit and 64-bit Windows alike.
  virtual bool readsThirtyTwoBitView() { return sizeof(void*) == 4; }
};

struct SequenceEntry {
  char type;
  std::string value;
};

// The entries of a search sequence: ';'-separated, empty pieces dropped, type letter first.
std::vector<SequenceEntry> parseSearchSequence(std::string_view sequence);

// Whether a sequence value is absolute for the relative pass: "X:..." or "\\...".
bool isAbsoluteSequenceValue(std::string_view value);

// Registry key names of the version cache and of the located runtimes for an executable path.
std::string versionCacheKeyName(std::string_view normalisedPath);
std::string locatedRuntimeKeyName(std::string_view javaExecutable);

// A registry string as read: stops at the first zero byte or at size, whichever comes first.
std::string registryText(const char* data, size_t size);
// Whether the cached "LastWriteTime" value (exactly 8 bytes, FILETIME layout) equals time.
bool cachedTimeMatches(const unsigned char* data, size_t size, uint64_t time);
void encodeFileTime(uint64_t time, unsigned char (&bytes)[8]);

class RuntimeSearch {
 public:
  RuntimeSearch(SearchHost& host, SearchSettings settings) : host_(host), settings_(std::move(settings)) {}

  // The whole search: preferred location, the sequence, the installer location, the relative
  // pass, previous installations and the two *_JAVA_HOME variables. The java executable or nothing.
  std::optional<std::string> search();

  // The candidate java executable of a runtime directory, and whether it may be used.
  struct Candidate {
    std::string path;
    bool usable;
  };
  Candidate findJavaExecutable(const std::string& directory);

  // path is rewritten on acceptance (normalised; javaw.exe for a GUI launcher).
  bool checkJavaExecutable(std::string& path, bool allowBeta, bool useCache, std::string* version = nullptr);
  bool checkRuntimeDirectory(const std::string& directory, bool acceptWithoutVersion,
                             std::string& javaExecutable);
  bool versionAcceptable(const std::string& version, bool allowBeta);
  std::optional<std::string> readRuntimeVersion(const std::string& javaExecutable, uint64_t time);

  struct Found {
    std::string path;
    std::string version;
    std::string key;  // the registry key it came from
  };
  std::optional<std::string> registrySearch();
  std::optional<Found> javaSoftSearch();
  std::optional<Found> locatedSearch();
  // Runtimes under the OpenJDK vendors' own keys; the highest version in range.
  std::optional<Found> vendorSearch();

 private:
  std::optional<std::string> tryEnvironmentRuntime(const std::string& variable);
  std::optional<Found> javaSoftKeys(const char* runtimeKey, const char* kitKey);
  std::optional<Found> javaSoftVersionedHome(const std::string& key, const std::string& version);
  std::optional<Found> javaSoftAllVersions(const std::string& key);
  std::optional<Found> locatedIn(Hive hive);
  std::optional<std::string> previousInstallation(Hive hive);
  std::optional<std::string> locationFileLine(const char* fileName);
  void logf(const char* format, ...) DRX_FORMAT(2, 3);

  SearchHost& host_;
  SearchSettings settings_;
};

}  // namespace drx::launcher
