// The runtime search over an in-memory machine: runtimes, registry, environment, version cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/jvm/portable/runtime_search.h"

namespace {

using drx::launcher::Hive;
using drx::launcher::RuntimeSearch;
using drx::launcher::SearchSettings;
using drx::launcher::VersionRun;

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class FakeMachine : public drx::launcher::SearchHost {
 public:
  struct Runtime {
    std::string output;
    unsigned long exitCode = 0;
    bool hangs = false;
    uint64_t time = 1000;
  };
  std::map<std::string, Runtime> runtimes;  // by normalised java executable path
  std::set<std::string> files;              // other files, normalised
  std::map<std::string, int> runs;
  std::map<std::string, std::pair<uint64_t, std::string>> cache;
  std::map<std::string, std::string> environment;
  std::optional<std::string> onSearchPath;
  std::map<std::string, std::string> textFiles;
  std::map<std::string, std::string> registry;  // "hive|key|value" -> data; keys exist through their values
  std::vector<std::string> registryReads;
  std::vector<std::string> logLines;

  // "C:\\rt\\bin\\java.exe" with its first "-version" line.
  void addRuntime(const std::string& javaExe, const std::string& version, const char* form = "java version") {
    runtimes[normalise(javaExe)].output = std::string(form) + " \"" + version + "\"\nruntime banner\n";
  }
  void setValue(Hive hive, const std::string& key, const std::string& value, const std::string& data) {
    registry[hiveName(hive) + "|" + key + "|" + value] = data;
  }
  bool logged(const std::string& line) const {
    return std::find(logLines.begin(), logLines.end(), line) != logLines.end();
  }
  int totalRuns() const {
    int total = 0;
    for (const auto& [path, count] : runs) total += count;
    return total;
  }
  std::vector<std::string> linesStartingWith(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : logLines) {
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  void log(const std::string& line) override { logLines.push_back(line); }
  void expand(std::string& text) override {
    const std::string pattern = "%LANQO_EXEDIR%";
    const size_t at = text.find(pattern);
    if (at != std::string::npos) text.replace(at, pattern.size(), "C:\\app\\");
  }
  std::string normalise(const std::string& path) override {
    std::string full = path;
    if (!(full.size() >= 2 && (full[1] == ':' || full.rfind("\\\\", 0) == 0))) full = "C:\\app\\" + full;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
      size_t end = full.find('\\', start);
      if (end == std::string::npos) end = full.size();
      const std::string part = full.substr(start, end - start);
      if (part == "..") {
        if (parts.size() > 1) parts.pop_back();
      } else if (part != "." && !part.empty()) {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += (result.empty() ? "" : "\\") + part;
    return lower(result);
  }
  bool exists(const std::string& path) override {
    const std::string p = normalise(path);
    return files.count(p) > 0 || runtimes.count(p) > 0;
  }
  bool fileTime(const std::string& path, uint64_t& time) override {
    auto it = runtimes.find(normalise(path));
    if (it != runtimes.end()) {
      time = it->second.time;
      return true;
    }
    time = 1;
    return files.count(normalise(path)) > 0;
  }
  VersionRun runVersion(const std::string& javaExecutable) override {
    ++runs[javaExecutable];
    auto it = runtimes.find(javaExecutable);
    if (it == runtimes.end()) return {};
    VersionRun run;
    run.started = true;
    run.timedOut = it->second.hangs;
    run.exitCode = it->second.hangs ? 259 : it->second.exitCode;
    if (run.exitCode == 0) run.output = it->second.output;
    return run;
  }
  std::optional<std::string> cachedVersion(const std::string& path, uint64_t time) override {
    auto it = cache.find(path);
    if (it == cache.end() || it->second.first != time) return std::nullopt;
    return it->second.second;
  }
  void storeCachedVersion(const std::string& path, uint64_t time, const std::string& version) override {
    cache[path] = {time, version};
  }
  std::optional<std::string> environmentVariable(const std::string& name) override {
    auto it = environment.find(name);
    if (it == environment.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> searchExecutablePath(const char*) override { return onSearchPath; }
  std::optional<std::string> readFirstLine(const std::string& path) override {
    auto it = textFiles.find(path);
    if (it == textFiles.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> readRegistryString(Hive hive, const std::string& key, const char* value,
                                                size_t maxBytes) override {
    registryReads.push_back(key);
    auto it = registry.find(hiveName(hive) + "|" + key + "|" + value);
    if (it == registry.end() || it->second.size() + 1 > maxBytes) return std::nullopt;
    return it->second;
  }
  std::vector<std::string> registrySubkeys(Hive hive, const std::string& key) override {
    std::set<std::string> names;
    const std::string prefix = hiveName(hive) + "|" + key + "\\";
    for (const auto& [name, data] : registry) {
      if (name.rfind(prefix, 0) != 0) continue;
      const std::string rest = name.substr(prefix.size());
      names.insert(rest.substr(0, rest.find_first_of("\\|")));
    }
    return {names.begin(), names.end()};
  }
  void preparePackedRuntime(const std::string&) override {}

 private:
  static std::string hiveName(Hive hive) { return hive == Hive::kCurrentUser ? "HKCU" : "HKLM"; }
};

SearchSettings settings(const char* sequence, const char* min = "1.5", const char* max = "") {
  SearchSettings s;
  s.sequence = sequence;
  s.minVersion = min;
  s.maxVersion = max;
  return s;
}

std::string found(FakeMachine& machine, const SearchSettings& s) {
  RuntimeSearch search(machine, s);
  return search.search().value_or("(none)");
}

TEST(RuntimeSearch, PreReleaseRefusedFromSomeSourcesOnly) {
  struct Case {
    const char* sequence;
    bool allowBetaVm;
    const char* expected;
  } cases[] = {
      {"EJAVA_HOME", false, "(none)"},
      {"EJAVA_HOME", true, "c:\\ea\\bin\\java.exe"},
      {"S", false, "(none)"},
      {"Y", false, "(none)"},
      {"AC:\\ea", false, "c:\\ea\\bin\\java.exe"},
      {"RC:\\ea", false, "c:\\ea\\bin\\java.exe"},
  };
  for (const Case& c : cases) {
    FakeMachine machine;
    machine.addRuntime("C:\\ea\\bin\\java.exe", "1.7.0-ea");
    machine.environment["JAVA_HOME"] = "C:/ea";
    machine.onSearchPath = "C:\\ea\\bin\\java.exe";
    machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.7");
    machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.7", "JavaHome", "C:\\ea");
    SearchSettings s = settings(c.sequence);
    s.allowBetaVm = c.allowBetaVm;
    EXPECT_EQ(found(machine, s), c.expected) << c.sequence;
    if (std::string(c.expected) == "(none)") EXPECT_TRUE(machine.logged("beta vm not allowed")) << c.sequence;
  }
}

TEST(RuntimeSearch, LocatedRuntimesAdmitPreReleasesAndHklmWinsATie) {
  FakeMachine machine;
  machine.addRuntime("C:\\user\\bin\\java.exe", "1.6.0_20");
  machine.addRuntime("C:\\machine\\bin\\java.exe", "1.6.0_20");
  machine.addRuntime("C:\\early\\bin\\java.exe", "1.6.0_10-ea");
  machine.setValue(Hive::kCurrentUser, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/user/bin/java.exe", "", "");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/machine/bin/java.exe", "", "");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/early/bin/java.exe", "", "");
  EXPECT_EQ(found(machine, settings("Y")), "c:\\machine\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("found located c:\\machine\\bin\\java.exe 1.6.0_20"));

  // A greater version under the current user beats the machine's.
  machine.addRuntime("C:\\user\\bin\\java.exe", "1.6.0_21");
  machine.cache.clear();
  EXPECT_EQ(found(machine, settings("Y")), "c:\\user\\bin\\java.exe");

  // The pre-release is admitted from a located key.
  FakeMachine early;
  early.addRuntime("C:\\early\\bin\\java.exe", "1.7.0-ea");
  early.setValue(Hive::kLocalMachine, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/early/bin/java.exe", "", "");
  EXPECT_EQ(found(early, settings("Y")), "c:\\early\\bin\\java.exe");
}

TEST(RuntimeSearch, JavaSoftKeysCurrentVersionThenHighestFirst) {
  FakeMachine machine;
  const std::string jre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
  const std::string jdk = "SOFTWARE\\JavaSoft\\Java Development Kit";
  machine.addRuntime("C:\\jre15\\bin\\java.exe", "1.5.0_22");
  machine.addRuntime("C:\\jre16\\bin\\java.exe", "1.6.0_21");
  machine.addRuntime("C:\\jre17\\bin\\java.exe", "1.7.0");
  machine.setValue(Hive::kLocalMachine, jre + "\\1.5", "JavaHome", "C:\\jre15");
  machine.setValue(Hive::kLocalMachine, jre + "\\1.6", "JavaHome", "C:\\jre16");
  machine.setValue(Hive::kLocalMachine, jre + "\\1.7", "JavaHome", "C:\\jre17");
  machine.setValue(Hive::kLocalMachine, jre + "\\1.4", "JavaHome", "C:\\old");
  // The current version out of range (max 1.6): all versions from the highest down.
  machine.setValue(Hive::kLocalMachine, jre, "CurrentVersion", "1.7");
  EXPECT_EQ(found(machine, settings("Y", "1.5", "1.6")), "c:\\jre16\\bin\\java.exe");
  // An in-range current version is tried first.
  machine.setValue(Hive::kLocalMachine, jre, "CurrentVersion", "1.5");
  EXPECT_EQ(found(machine, settings("Y", "1.5", "1.6")), "c:\\jre15\\bin\\java.exe");
  // The kit's current version wins when it compares greater.
  machine.addRuntime("C:\\jdk16\\bin\\java.exe", "1.6.0_30");
  machine.setValue(Hive::kLocalMachine, jdk, "CurrentVersion", "1.6");
  machine.setValue(Hive::kLocalMachine, jdk + "\\1.6", "JavaHome", "C:\\jdk16");
  EXPECT_EQ(found(machine, settings("Y", "1.5", "1.6")), "c:\\jdk16\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("found sun c:\\jdk16\\bin\\java.exe 1.6.0_30"));
}

TEST(RuntimeSearch, ModernJavaSoftKeysAfterTheClassicOnes) {
  FakeMachine machine;
  machine.addRuntime("C:\\Program Files\\Java\\jdk-17\\bin\\java.exe", "17.0.9", "openjdk version");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", "C:\\Program Files\\Java\\jdk-17");
  EXPECT_EQ(found(machine, settings("Y")), "c:\\program files\\java\\jdk-17\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("JavaSoft runtime registered under SOFTWARE\\JavaSoft\\JDK\\17"));
  EXPECT_TRUE(machine.logged("Java version: 17.0.9"));

  // A classic registration in range is still found first.
  machine.addRuntime("C:\\jre16\\bin\\java.exe", "1.6.0_21");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", "JavaHome", "C:\\jre16");
  EXPECT_EQ(found(machine, settings("Y")), "c:\\jre16\\bin\\java.exe");
}

TEST(RuntimeSearch, RequireJdkWantsToolsJarAndSkipsRuntimeKeys) {
  FakeMachine machine;
  machine.addRuntime("C:\\jre\\bin\\java.exe", "1.6.0_21");
  machine.addRuntime("C:\\jdk\\jre\\bin\\java.exe", "1.6.0_21");
  machine.files.insert("c:\\jdk\\lib\\tools.jar");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", "JavaHome", "C:\\jre");
  SearchSettings s = settings("AC:\\jre;Y;AC:\\jdk");
  s.requireJdk = true;
  EXPECT_EQ(found(machine, s), "c:\\jdk\\jre\\bin\\java.exe");
  for (const std::string& key : machine.registryReads) {
    EXPECT_EQ(key.find("Java Runtime Environment"), std::string::npos) << key;
    EXPECT_NE(key, "SOFTWARE\\JavaSoft\\JRE");
  }
}

TEST(RuntimeSearch, SequenceOrderThenTheRelativePass) {
  FakeMachine machine;
  machine.addRuntime("C:\\app\\jre\\bin\\java.exe", "1.4.2_19");  // out of range
  machine.environment["JDK_HOME"] = "C:\\jdk14";
  machine.addRuntime("C:\\jdk14\\bin\\java.exe", "1.4.2");
  EXPECT_EQ(found(machine, settings("B.\\jre;Y;EJAVA_HOME;EJDK_HOME;")), "c:\\app\\jre\\bin\\java.exe");
  EXPECT_EQ(machine.linesStartingWith("Testing "),
            (std::vector<std::string>{"Testing location .\\jre (type B)", "Testing location  (type Y)",
                                      "Testing location JAVA_HOME (type E)", "Testing location JDK_HOME (type E)",
                                      "Testing relative location .\\jre"}));
  EXPECT_TRUE(machine.logged("c:\\app\\jre\\bin\\java.exe exists"));

  // An absolute A entry is not tried again; a relative one is, without a version check.
  FakeMachine other;
  other.addRuntime("C:\\old\\bin\\java.exe", "1.4.2");
  other.addRuntime("C:\\app\\rel\\bin\\java.exe", "1.4.2");
  EXPECT_EQ(found(other, settings("AC:\\old;Arel")), "c:\\app\\rel\\bin\\java.exe");
  EXPECT_EQ(other.linesStartingWith("Testing relative"), (std::vector<std::string>{"Testing relative location rel"}));
}

TEST(RuntimeSearch, LocationFilesInstallationsAndHomeVariables) {
  FakeMachine machine;
  SearchSettings s = settings("AC:\\none");
  s.applicationDirectory = "C:\\Program Files\\App";
  s.applicationId = "1234-5678";
  machine.addRuntime("C:\\pref\\bin\\java.exe", "1.6.0");
  machine.textFiles["C:\\Program Files\\App\\.deployrix\\pref_jre.cfg"] = "C:\\pref";
  EXPECT_EQ(found(machine, s), "c:\\pref\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("Using preferred location"));

  FakeMachine installer;
  installer.addRuntime("C:\\inst\\bin\\java.exe", "1.6.0");
  installer.textFiles["C:\\Program Files\\App\\.deployrix\\inst_jre.cfg"] = "C:\\inst";
  EXPECT_EQ(found(installer, s), "c:\\inst\\bin\\java.exe");
  EXPECT_TRUE(installer.logged("Has installer location C:\\inst"));

  FakeMachine previous;
  previous.addRuntime("D:\\second\\jre\\bin\\java.exe", "1.6.0");
  previous.setValue(Hive::kLocalMachine, "SOFTWARE\\morvenic\\deployrix\\installations", "1234-5678",
                    "D:\\first;;D:\\second");
  EXPECT_EQ(found(previous, s), "d:\\second\\jre\\bin\\java.exe");
  EXPECT_TRUE(previous.logged("found JRE from previous installation (machine) d:\\second\\jre\\bin\\java.exe"));

  FakeMachine home;
  home.addRuntime("C:\\lh\\bin\\java.exe", "1.6.0");
  home.addRuntime("C:\\dh\\bin\\java.exe", "1.6.0");
  home.environment["DEPLOYRIX_JAVA_HOME"] = "C:\\dh";
  EXPECT_EQ(found(home, s), "c:\\dh\\bin\\java.exe");
  home.environment["LANQO_JAVA_HOME"] = "C:\\lh";
  EXPECT_EQ(found(home, s), "c:\\lh\\bin\\java.exe");
  EXPECT_TRUE(home.logged("Search sequence finished"));
}

TEST(RuntimeSearch, FailingRuntimesAndUnreadableOutput) {
  FakeMachine machine;
  machine.addRuntime("C:\\garbage\\bin\\java.exe", "");
  machine.runtimes["c:\\garbage\\bin\\java.exe"].output = "Error occurred during initialization of VM\n";
  machine.addRuntime("C:\\crash\\bin\\java.exe", "1.6.0");
  machine.runtimes["c:\\crash\\bin\\java.exe"].exitCode = 1;
  machine.addRuntime("C:\\hang\\bin\\java.exe", "1.6.0");
  machine.runtimes["c:\\hang\\bin\\java.exe"].hangs = true;
  const SearchSettings s = settings("AC:\\garbage;AC:\\crash;AC:\\hang;AC:\\absent");
  EXPECT_EQ(found(machine, s), "(none)");
  // No entry for unreadable output or a timeout; a failing exit code is remembered as "1.0.0".
  EXPECT_EQ(machine.cache.size(), 1u);
  EXPECT_EQ(machine.cache["c:\\crash\\bin\\java.exe"].second, "1.0.0");
  EXPECT_TRUE(machine.logged("Terminating process"));
  EXPECT_TRUE(machine.logged("file doesn't exist"));
  EXPECT_EQ(found(machine, s), "(none)");
  EXPECT_EQ(machine.runs["c:\\crash\\bin\\java.exe"], 1);
  EXPECT_EQ(machine.runs["c:\\garbage\\bin\\java.exe"], 2);
  EXPECT_EQ(machine.runs["c:\\hang\\bin\\java.exe"], 2);
}

TEST(RuntimeSearch, RegistryValueDecoding) {
  EXPECT_EQ(drx::launcher::registryText("1.6.0_21", 8), "1.6.0_21");  // stored without its zero byte
  EXPECT_EQ(drx::launcher::registryText("1.6\0junk", 8), "1.6");
  EXPECT_EQ(drx::launcher::registryText(nullptr, 4), "");
  const unsigned char time[8] = {0x78, 0x56, 0x34, 0x12, 0xf0, 0xde, 0xbc, 0x9a};
  EXPECT_TRUE(drx::launcher::cachedTimeMatches(time, 8, 0x9abcdef012345678ULL));
  EXPECT_FALSE(drx::launcher::cachedTimeMatches(time, 7, 0x9abcdef012345678ULL));
  EXPECT_FALSE(drx::launcher::cachedTimeMatches(time, 8, 0x9abcdef012345679ULL));
  EXPECT_EQ(drx::launcher::versionCacheKeyName("c:\\jre\\bin\\java.exe"),
            "SOFTWARE\\morvenic\\lanqo\\jvms\\c:/jre/bin/java.exe");
  EXPECT_EQ(drx::launcher::locatedRuntimeKeyName("C:\\Jre\\bin\\java.exe"),
            "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/Jre/bin/java.exe");
}

}  // namespace
