// The vendor keys of the registry search over an in-memory machine, and the version order they use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/jvm/portable/runtime_search.h"
#include "launcher/jvm/portable/vendor_runtimes.h"
#include "tests/host/launcher/jvm/fake_search_host.h"

namespace {

using drx::launcher::compareVersionNumbers;
using drx::launcher::Hive;
using drx::launcher::isVendorProductKey;
using drx::launcher::kVendorLayouts;
using drx::launcher::RuntimeSearch;
using drx::launcher::SearchSettings;
using drx::launcher::VendorLayout;
using drx::launcher::VersionRun;

using Machine = drx::launcher::testing::FakeSearchHost;

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
      {"21", "21.0.0", 0},  // a missing number counts as 0
      {"21", "21.0.1", -1},
      {"1.8.0_392", "11.0.21", -1},  // the classic scheme's leading 1 ranks below any modern feature release
      {"17.0.09", "17.0.9", 0},
      {"17.0.9", "17.0.9-ea", 0},                                // text between the numbers does not count
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
  machine.addRuntimeHome("C:\\temurin17", "17.0.9");
  machine.addRuntimeHome("C:\\ms17", "17.0.9");
  machine.addRuntimeHome("C:\\adopt8", "1.8.0_392");
  machine.addVendorKey(kTemurin17, "C:\\temurin17\\");
  machine.addVendorKey(kMicrosoft17, "C:\\ms17\\");
  machine.addVendorKey("SOFTWARE\\AdoptOpenJDK\\JRE\\8.0.392.8\\hotspot\\MSI", "C:\\adopt8\\");
  EXPECT_EQ(search(machine), "c:\\temurin17\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("found vendor c:\\temurin17\\bin\\java.exe 17.0.9"));
  EXPECT_TRUE(machine.logged("Vendor runtime registered under " + std::string(kTemurin17)));
}

TEST(VendorSearch, EveryKeyLookedAtIsLoggedAndRefusalsMoveOn) {
  Machine machine;
  machine.addRuntimeHome("C:\\temurin17", "17.0.9");
  machine.addRuntimeHome("C:\\temurin11", "11.0.21");
  machine.addVendorKey(kTemurin17, "C:\\temurin17\\");
  machine.addVendorKey("SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.21.9\\hotspot\\MSI", "C:\\temurin11");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.2.1\\openj9\\MSI", "Main",
                   "1");
  // The layout without a variant level of the foundation's first releases.
  machine.addVendorKey("SOFTWARE\\Eclipse Foundation\\JDK\\8.0.192.12\\MSI", "");
  EXPECT_EQ(search(machine, registryOnly("1.5", "11")), "c:\\temurin11\\bin\\java.exe");
  EXPECT_TRUE(machine.logged(
      "Vendor key SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI names C:\\temurin17"));
  EXPECT_TRUE(
      machine.logged("Vendor key SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.2.1\\openj9\\MSI has no Path"));
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
  machine.addRuntimeHome("C:\\temurin21", "21.0.1");
  machine.addRuntimeHome("C:\\jdk17", "17.0.9");
  machine.addVendorKey("SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "C:\\temurin21\\");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", "C:\\jdk17");
  EXPECT_EQ(search(machine), "c:\\jdk17\\bin\\java.exe");
  EXPECT_EQ(machine.runs.count("c:\\temurin21\\bin\\java.exe"), 0u);

  Machine located;
  located.addRuntimeHome("C:\\temurin21", "21.0.1");
  located.addRuntimeHome("C:\\picked", "1.8.0_392");
  located.addVendorKey("SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "C:\\temurin21\\");
  located.setValue(Hive::kCurrentUser, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/picked/bin/java.exe", "",
                   "");
  EXPECT_EQ(search(located), "c:\\picked\\bin\\java.exe");
}

TEST(VendorSearch, SameRulesAsTheJavaSoftKeys) {
  Machine machine;
  machine.addRuntimeHome("C:\\jre17", "17.0.9");
  machine.addRuntimeHome("C:\\early", "22-ea");
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

const VendorLayout& layoutOf(const char* key, bool runtimeOnly) {
  for (const VendorLayout& layout : kVendorLayouts) {
    if (std::string(layout.key) == key && layout.runtimeOnly == runtimeOnly) return layout;
  }
  ADD_FAILURE() << "no layout " << key;
  return kVendorLayouts[0];
}

TEST(VendorProductKeys, NameAroundADigitsAndDotsVersion) {
  const VendorLayout& zuluKit = layoutOf("SOFTWARE\\Azul Systems\\Zulu", false);
  const VendorLayout& zuluRuntime = layoutOf("SOFTWARE\\Azul Systems\\Zulu", true);
  const VendorLayout& libericaKit = layoutOf("SOFTWARE\\BellSoft\\Liberica", false);
  const VendorLayout& libericaRuntime = layoutOf("SOFTWARE\\BellSoft\\Liberica", true);
  struct Case {
    const VendorLayout* layout;
    const char* name;
    bool expected;
  } cases[] = {
      {&zuluKit, "zulu-17", true},
      {&zuluKit, "ZULU-8", true},  // key names compare without regard to case
      {&zuluKit, "zulu-1.8", true},
      {&zuluKit, "zulu-17-jre", false},  // the runtime of the same release is not a development kit
      {&zuluKit, "zulu-", false},
      {&zuluKit, "zulu-x", false},
      {&zuluKit, "zulu", false},
      {&zuluRuntime, "zulu-17-jre", true},
      {&zuluRuntime, "zulu-8-JRE", true},
      {&zuluRuntime, "zulu-17", false},
      {&zuluRuntime, "zulu--jre", false},
      {&zuluRuntime, "zulu-jre", false},
      {&libericaKit, "jdk-21", true},
      {&libericaKit, "jre-21", false},
      {&libericaKit, "jdk-", false},
      {&libericaKit, "MSI", false},
      {&libericaRuntime, "jre-8", true},
      {&libericaRuntime, "jdk-8", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isVendorProductKey(*c.layout, c.name), c.expected) << c.name;
}

TEST(VendorSearch, AProductKeyBeforeItsMsiSubkey) {
  // Without its own value the product key is logged as such, and its MSI subkey is read.
  Machine fallback;
  fallback.addRuntimeHome("C:\\liberica", "11.0.21");
  fallback.setValue(Hive::kLocalMachine, "SOFTWARE\\BellSoft\\Liberica\\jre-11", "CurrentVersion", "11.0.21");
  fallback.addVendorKey("SOFTWARE\\BellSoft\\Liberica\\jre-11\\MSI", "C:\\liberica\\", "InstallationPath");
  EXPECT_EQ(search(fallback), "c:\\liberica\\bin\\java.exe");
  EXPECT_TRUE(fallback.logged("Vendor key SOFTWARE\\BellSoft\\Liberica\\jre-11 has no InstallationPath"));
  EXPECT_TRUE(fallback.logged("Vendor key SOFTWARE\\BellSoft\\Liberica\\jre-11\\MSI names C:\\liberica"));
  EXPECT_TRUE(fallback.logged("Vendor runtime registered under SOFTWARE\\BellSoft\\Liberica\\jre-11\\MSI"));

  // With its own value, the MSI subkey is not read at all.
  Machine both;
  both.addRuntimeHome("C:\\liberica", "21.0.1");
  both.addVendorKey("SOFTWARE\\BellSoft\\Liberica\\jdk-21", "C:\\liberica", "InstallationPath");
  both.addVendorKey("SOFTWARE\\BellSoft\\Liberica\\jdk-21\\MSI", "C:\\elsewhere", "InstallationPath");
  EXPECT_EQ(search(both), "c:\\liberica\\bin\\java.exe");
  for (const std::string& line : both.logLines) EXPECT_EQ(line.find("elsewhere"), std::string::npos) << line;
}

TEST(VendorSearch, ZuluThirtyTwoBitKeyOnlyInTheThirtyTwoBitView) {
  constexpr char kKey[] = "SOFTWARE\\Azul Systems\\Zulu 32-bit\\zulu-17";
  for (bool thirtyTwoBit : {true, false}) {
    Machine machine;
    machine.thirtyTwoBitView = thirtyTwoBit;
    machine.addRuntimeHome("C:\\zulu32", "17.0.9");
    machine.addVendorKey(kKey, "C:\\zulu32\\", "InstallationPath");
    EXPECT_EQ(search(machine), thirtyTwoBit ? "c:\\zulu32\\bin\\java.exe" : "(none)") << thirtyTwoBit;
    EXPECT_EQ(machine.logged(std::string("Vendor key ") + kKey + " names C:\\zulu32"), thirtyTwoBit);
  }
}

TEST(VendorSearch, TiesFollowTheVendorOrderAndTheHighestWinsAcrossLayouts) {
  // Equal versions: Zulu before Microsoft before Liberica before Semeru.
  struct Entrant {
    const char* key;
    const char* value;
    const char* home;
    const char* java;
  } entrants[] = {
      {"SOFTWARE\\Semeru\\JDK\\17.0.9.9\\openj9\\MSI", "Path", "C:\\semeru", "c:\\semeru\\bin\\java.exe"},
      {"SOFTWARE\\BellSoft\\Liberica\\jdk-17", "InstallationPath", "C:\\liberica",
       "c:\\liberica\\bin\\java.exe"},
      {kMicrosoft17, "Path", "C:\\ms", "c:\\ms\\bin\\java.exe"},
      {"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", "C:\\zulu", "c:\\zulu\\bin\\java.exe"},
  };
  // Registered one after the other, the latest entrant is the first in the vendor order.
  Machine machine;
  for (const Entrant& e : entrants) {
    machine.addRuntimeHome(e.home, "17.0.9");
    machine.addVendorKey(e.key, e.home, e.value);
    EXPECT_EQ(search(machine), e.java) << e.key;
  }
  // A higher version under the last vendor in the order still wins.
  machine.addRuntimeHome("C:\\semeru21", "21.0.1");
  machine.addVendorKey("SOFTWARE\\Semeru\\JRE\\21.0.1.12\\openj9\\MSI", "C:\\semeru21");
  EXPECT_EQ(search(machine), "c:\\semeru21\\bin\\java.exe");
}

TEST(VendorSearch, ARequiredKitLeavesTheRuntimeProductKeysUnread) {
  // A required development kit: the runtimes' product keys are neither read nor taken for kits.
  Machine runtimes;
  runtimes.addRuntimeHome("C:\\zulujre", "17.0.9");
  runtimes.addRuntimeHome("C:\\libericajre", "17.0.9");
  runtimes.addVendorKey("SOFTWARE\\Azul Systems\\Zulu\\zulu-17-jre", "C:\\zulujre", "InstallationPath");
  runtimes.addVendorKey("SOFTWARE\\BellSoft\\Liberica\\jre-17", "C:\\libericajre", "InstallationPath");
  SearchSettings kit = registryOnly();
  kit.requireJdk = true;
  EXPECT_EQ(search(runtimes, kit), "(none)");
  for (const std::string& line : runtimes.logLines) {
    EXPECT_EQ(line.find("Vendor key"), std::string::npos) << line;
  }
  EXPECT_EQ(search(runtimes), "c:\\zulujre\\bin\\java.exe");
}

}  // namespace
