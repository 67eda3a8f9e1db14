// The vendor keys of the registry search over an in-memory machine, and the version order they use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/jvm/runtime_search.h"
#include "launcher/jvm/vendor_runtimes.h"

namespace {

using drx::launcher::compareVersionNumbers;
using drx::launcher::Hive;
using drx::launcher::RuntimeSearch;
using drx::launcher::SearchSettings;
using drx::launcher::VersionRun;

// Paths here are already absolute; the fake only lower-cases them as Normalise does.
class Machine : public drx::launcher::SearchHost {
 public:
  std::map<std::string, std::string> versions;  // java.exe (lower case) -> its "-version" text
  std::set<std::string> files;
  std::map<std::string, int> runs;
  std::map<std::string, std::pair<uint64_t, std::string>> cache;
  std::map<std::string, std::string> registry;  // "HKLM|key|value" -> data
  std::vector<std::string> logLines;

  void addRuntime(const std::string& home, const std::string& version) { versions[lower(home + "\\bin\\java.exe")] = version; }
  void setValue(Hive hive, const std::string& key, const std::string& value, const std::string& data) {
    registry[(hive == Hive::kLocalMachine ? "HKLM|" : "HKCU|") + key + "|" + value] = data;
  }
  // A vendor installation key "<root>\<rest>\MSI" with its Path value.
  void addVendorKey(const std::string& key, const std::string& path) { setValue(Hive::kLocalMachine, key, "Path", path); }
  bool logged(const std::string& line) const {
    return std::find(logLines.begin(), logLines.end(), line) != logLines.end();
  }
  int totalRuns() const {
    int total = 0;
    for (const auto& [path, count] : runs) total += count;
    return total;
  }

  void log(const std::string& line) override { logLines.push_back(line); }
  void expand(std::string&) override {}
  std::string normalise(const std::string& path) override { return lower(path); }
  bool exists(const std::string& path) override { return versions.count(lower(path)) || files.count(lower(path)); }
  bool fileTime(const std::string& path, uint64_t& time) override {
    time = 7;
    return exists(path);
  }
  VersionRun runVersion(const std::string& javaExecutable) override {
    ++runs[javaExecutable];
    VersionRun run;
    run.started = true;
    run.output = "openjdk version \"" + versions[javaExecutable] + "\" 2023-10-17\n";
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
  std::optional<std::string> environmentVariable(const std::string&) override { return std::nullopt; }
  std::optional<std::string> searchExecutablePath(const char*) override { return std::nullopt; }
  std::optional<std::string> readFirstLine(const std::string&) override { return std::nullopt; }
  std::optional<std::string> readRegistryString(Hive hive, const std::string& key, const char* value,
                                                size_t maxBytes) override {
    auto it = registry.find((hive == Hive::kLocalMachine ? "HKLM|" : "HKCU|") + key + "|" + value);
    if (it == registry.end() || it->second.size() + 1 > maxBytes) return std::nullopt;
    return it->second;
  }
  // Subkeys in byte order, as the registry enumerates them.
  std::vector<std::string> registrySubkeys(Hive hive, const std::string& key) override {
    std::set<std::string> names;
    const std::string prefix = (hive == Hive::kLocalMachine ? "HKLM|" : "HKCU|") + key + "\\";
    for (const auto& [name, data] : registry) {
      if (name.rfind(prefix, 0) != 0) continue;
      const std::string rest = name.substr(prefix.size());
      names.insert(rest.substr(0, rest.find_first_of("\\|")));
    }
    return {names.begin(), names.end()};
  }
  void preparePackedRuntime(const std::string&) override {}

 private:
  static std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
};

SearchSettings registryOnly(const char* min = "1.5", const char* max = "") {
  SearchSettings s;
  s.sequence = "Y";
  s.minVersion = min;
  s.maxVersion = max;
  return s;
}

std::string search(Machine& machine, const SearchSettings& s = registryOnly()) {
  RuntimeSearch runtimeSearch(machine, s);
  return runtimeSearch.search().value_or("(none)");
}

constexpr char kTemurin17[] = "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI";
constexpr char kMicrosoft17[] = "SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI";

TEST(VendorVersionOrder, NumberByNumber) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {"17.0.10", "17.0.9", 1},  // the examples the order was chosen for
      {"17.0.9", "8.0.392", 1},
      {"17.0.10", "8.0.392", 1},
      {"21", "21.0.0", 0},       // a missing number counts as 0
      {"21", "21.0.1", -1},
      {"1.8.0_392", "11.0.21", -1},  // the classic scheme's leading 1 ranks below any modern feature release
      {"17.0.09", "17.0.9", 0},
      {"17.0.9", "17.0.9-ea", 0},     // text between the numbers does not count
      {"100000000000000000000.1", "99999999999999999999.9", 1},  // wider than any integer type
      {"", "0", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(compareVersionNumbers(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(compareVersionNumbers(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
  }
}

TEST(VendorSearch, EqualVersionsGoToTheVendorListedFirst) {
  Machine machine;
  machine.addRuntime("C:\\temurin17", "17.0.9");
  machine.addRuntime("C:\\ms17", "17.0.9");
  machine.addRuntime("C:\\adopt8", "1.8.0_392");
  machine.addVendorKey(kTemurin17, "C:\\temurin17\\");
  machine.addVendorKey(kMicrosoft17, "C:\\ms17\\");
  machine.addVendorKey("SOFTWARE\\AdoptOpenJDK\\JRE\\8.0.392.8\\hotspot\\MSI", "C:\\adopt8\\");
  EXPECT_EQ(search(machine), "c:\\temurin17\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("found vendor c:\\temurin17\\bin\\java.exe 17.0.9"));
  EXPECT_TRUE(machine.logged("Vendor runtime registered under " + std::string(kTemurin17)));
}

TEST(VendorSearch, EveryKeyLookedAtIsLoggedAndRefusalsMoveOn) {
  Machine machine;
  machine.addRuntime("C:\\temurin17", "17.0.9");
  machine.addRuntime("C:\\temurin11", "11.0.21");
  machine.addVendorKey(kTemurin17, "C:\\temurin17\\");
  machine.addVendorKey("SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.21.9\\hotspot\\MSI", "C:\\temurin11");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.2.1\\openj9\\MSI", "Main", "1");
  // The layout without a variant level of the foundation's first releases.
  machine.addVendorKey("SOFTWARE\\Eclipse Foundation\\JDK\\8.0.192.12\\MSI", "");
  EXPECT_EQ(search(machine, registryOnly("1.5", "11")), "c:\\temurin11\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("Vendor key SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI names C:\\temurin17"));
  EXPECT_TRUE(machine.logged("Vendor key SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.2.1\\openj9\\MSI has no Path"));
  EXPECT_TRUE(machine.logged("Vendor key SOFTWARE\\Eclipse Foundation\\JDK\\8.0.192.12\\MSI has no Path"));
  // The out-of-range runtime is refused as every other candidate is.
  const auto refused = std::find(machine.logLines.begin(), machine.logLines.end(),
                                 "checkJavaExe (C:\\temurin17\\bin\\java.exe, [out], 1.5, 11, 0)");
  ASSERT_NE(refused, machine.logLines.end());
  EXPECT_NE(std::find(refused, machine.logLines.end(), "checkJavaExe returning 0"), machine.logLines.end());
}

TEST(VendorSearch, OnlyWhenTheClassicKeysNameNothing) {
  // A JavaSoft registration or a located runtime keeps its place, even below a vendor's version.
  Machine machine;
  machine.addRuntime("C:\\temurin21", "21.0.1");
  machine.addRuntime("C:\\jdk17", "17.0.9");
  machine.addVendorKey("SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "C:\\temurin21\\");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", "C:\\jdk17");
  EXPECT_EQ(search(machine), "c:\\jdk17\\bin\\java.exe");
  EXPECT_EQ(machine.runs.count("c:\\temurin21\\bin\\java.exe"), 0u);

  Machine located;
  located.addRuntime("C:\\temurin21", "21.0.1");
  located.addRuntime("C:\\picked", "1.8.0_392");
  located.addVendorKey("SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "C:\\temurin21\\");
  located.setValue(Hive::kCurrentUser, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/picked/bin/java.exe", "", "");
  EXPECT_EQ(search(located), "c:\\picked\\bin\\java.exe");
}

TEST(VendorSearch, SameRulesAsTheJavaSoftKeys) {
  Machine machine;
  machine.addRuntime("C:\\jre17", "17.0.9");
  machine.addRuntime("C:\\early", "22-ea");
  machine.addVendorKey("SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.9.9\\hotspot\\MSI", "C:\\jre17\\");
  machine.addVendorKey("SOFTWARE\\Microsoft\\JDK\\22.0.0.0\\hotspot\\MSI", "C:\\early\\");
  // Pre-releases need allowBetaVm, as from the JavaSoft keys.
  EXPECT_EQ(search(machine), "c:\\jre17\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("beta vm not allowed"));
  SearchSettings beta = registryOnly();
  beta.allowBetaVm = true;
  EXPECT_EQ(search(machine, beta), "c:\\early\\bin\\java.exe");

  // A second search answers from the version cache.
  const int runs = machine.totalRuns();
  EXPECT_EQ(search(machine, beta), "c:\\early\\bin\\java.exe");
  EXPECT_EQ(machine.totalRuns(), runs);

  // A required development kit leaves the runtime-only keys unread.
  SearchSettings kit = registryOnly();
  kit.requireJdk = true;
  machine.logLines.clear();
  EXPECT_EQ(search(machine, kit), "(none)");
  for (const std::string& line : machine.logLines) EXPECT_EQ(line.find("\\JRE\\"), std::string::npos) << line;
}

}  // namespace
