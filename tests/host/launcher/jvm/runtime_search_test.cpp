// The runtime search over an in-memory machine: runtimes, registry, environment, version cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/jvm/portable/runtime_search.h"
#include "tests/host/launcher/jvm/fake_search_host.h"

namespace {

using drx::launcher::Hive;
using drx::launcher::RuntimeSearch;
using drx::launcher::SearchSettings;
using drx::launcher::VersionRun;

using FakeMachine = drx::launcher::testing::FakeSearchHost;

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
    machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion",
                     "1.7");
    machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.7", "JavaHome",
                     "C:\\ea");
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
  machine.setValue(Hive::kCurrentUser, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/user/bin/java.exe", "",
                   "");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/machine/bin/java.exe", "",
                   "");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/early/bin/java.exe", "",
                   "");
  EXPECT_EQ(found(machine, settings("Y")), "c:\\machine\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("found located c:\\machine\\bin\\java.exe 1.6.0_20"));

  // A greater version under the current user beats the machine's.
  machine.addRuntime("C:\\user\\bin\\java.exe", "1.6.0_21");
  machine.cache.clear();
  EXPECT_EQ(found(machine, settings("Y")), "c:\\user\\bin\\java.exe");

  // The pre-release is admitted from a located key.
  FakeMachine early;
  early.addRuntime("C:\\early\\bin\\java.exe", "1.7.0-ea");
  early.setValue(Hive::kLocalMachine, "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/early/bin/java.exe", "",
                 "");
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
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome",
                   "C:\\Program Files\\Java\\jdk-17");
  EXPECT_EQ(found(machine, settings("Y")), "c:\\program files\\java\\jdk-17\\bin\\java.exe");
  EXPECT_TRUE(machine.logged("JavaSoft runtime registered under SOFTWARE\\JavaSoft\\JDK\\17"));
  EXPECT_TRUE(machine.logged("Java version: 17.0.9"));

  // A classic registration in range is still found first.
  machine.addRuntime("C:\\jre16\\bin\\java.exe", "1.6.0_21");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", "JavaHome",
                   "C:\\jre16");
  EXPECT_EQ(found(machine, settings("Y")), "c:\\jre16\\bin\\java.exe");
}

TEST(RuntimeSearch, RequireJdkWantsToolsJarAndSkipsRuntimeKeys) {
  FakeMachine machine;
  machine.addRuntime("C:\\jre\\bin\\java.exe", "1.6.0_21");
  machine.addRuntime("C:\\jdk\\jre\\bin\\java.exe", "1.6.0_21");
  machine.files.insert("c:\\jdk\\lib\\tools.jar");
  machine.setValue(Hive::kLocalMachine, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", "JavaHome",
                   "C:\\jre");
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
  EXPECT_EQ(
      machine.linesStartingWith("Testing "),
      (std::vector<std::string>{"Testing location .\\jre (type B)", "Testing location  (type Y)",
                                "Testing location JAVA_HOME (type E)", "Testing location JDK_HOME (type E)",
                                "Testing relative location .\\jre"}));
  EXPECT_TRUE(machine.logged("c:\\app\\jre\\bin\\java.exe exists"));

  // An absolute A entry is not tried again; a relative one is, without a version check.
  FakeMachine other;
  other.addRuntime("C:\\old\\bin\\java.exe", "1.4.2");
  other.addRuntime("C:\\app\\rel\\bin\\java.exe", "1.4.2");
  EXPECT_EQ(found(other, settings("AC:\\old;Arel")), "c:\\app\\rel\\bin\\java.exe");
  EXPECT_EQ(other.linesStartingWith("Testing relative"),
            (std::vector<std::string>{"Testing relative location rel"}));
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
  EXPECT_TRUE(
      previous.logged("found JRE from previous installation (machine) d:\\second\\jre\\bin\\java.exe"));

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
