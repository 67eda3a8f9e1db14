// Searching for a runtime on a wine system with stand-in runtimes: versions, cache, registry, sequence.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/payload/property_ids.h"
#include "driver_run.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/java_runtime.h"
#include "launcher/jvm/jvm_registry.h"
#include "launcher/jvm/portable/runtime_search.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "standin_runtimes.h"
#include "tests/support/process_driver/process_driver.h"
#include "tests/support/registry_views/registry_views.h"

namespace {

using drx::launcher::normalisePath;
using drx::launcher::searchForRuntime;
using drx::launcher::setProperty;
using drx::test::javaRuns;
using drx::test::Layout;
using drx::test::makeStandinRuntime;
namespace ids = drx::payload;

const char* const kKeysToReset[] = {"SOFTWARE\\morvenic\\lanqo\\jvms",
                                    "SOFTWARE\\morvenic\\lanqo\\locatedjvms", "SOFTWARE\\JavaSoft",
                                    "SOFTWARE\\morvenic\\deployrix\\installations"};

class RuntimeSearchWine : public ::testing::Test {
 protected:
  drx::test::ScratchDirectory scratch{L"drxsearch"};
  std::string root = drx::test::narrow(scratch.path());
  size_t logStart = 0;

  void SetUp() override {
    for (const char* key : kKeysToReset) {
      RegDeleteTreeA(HKEY_CURRENT_USER, key);
      drx::test::deleteTreeInBothViews(HKEY_LOCAL_MACHINE, key);
    }
    for (int id : {ids::kMinJavaVersion, ids::kMaxJavaVersion, ids::kJreSearchSequence, ids::kRequireJdk,
                   ids::kAllowBetaVm, ids::kLauncherType, ids::kApplicationDirectory, ids::kApplicationId}) {
      setProperty(id, "");
    }
    setProperty(ids::kMinJavaVersion, "1.5");
    drx::launcher::logLine("test %s", ::testing::UnitTest::GetInstance()->current_test_info()->name());
    logStart = log().size();
    drx::launcher::setVersionRunTimeout(60000);
  }
  void TearDown() override {
    for (const char* key : kKeysToReset) {
      RegDeleteTreeA(HKEY_CURRENT_USER, key);
      drx::test::deleteTreeInBothViews(HKEY_LOCAL_MACHINE, key);
    }
  }
  static std::string log() { return drx::test::readTextFile(drx::launcher::currentLogPath()); }
  std::string logOfTest() const { return log().substr(logStart); }
  bool logged(const std::string& line) const { return logOfTest().find(line + "\r\n") != std::string::npos; }

  std::string runtime(const char* name, const std::string& config, Layout layout = Layout::kBin,
                      bool withJavaw = false) {
    const std::string directory = root + "\\" + name;
    makeStandinRuntime(directory, config, layout, withJavaw);
    return directory;
  }
  static std::string javaOf(const std::string& directory, const char* file = "java.exe") {
    return normalisePath(directory + "\\bin\\" + file);
  }
  static std::string search(const std::string& sequence) {
    setProperty(ids::kJreSearchSequence, sequence);
    return searchForRuntime().value_or("(none)");
  }
  static void setString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY opened = nullptr;
    RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    if (!name) {
      RegCloseKey(opened);
      return;
    }
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
  }
};

TEST_F(RuntimeSearchWine, SecondSearchStartsNoJava) {
  const std::string old = runtime("old", "java.firstLine=java version \"1.4.2_19\"");
  const std::string broken = runtime("broken", "java.exitCode=3");
  const std::string good = runtime("good", "java.firstLine=java version \"1.6.0_21\"");
  const std::string sequence = "A" + old + ";A" + broken + ";A" + good;
  EXPECT_EQ(search(sequence), javaOf(good));
  EXPECT_EQ(javaRuns(old) + javaRuns(broken) + javaRuns(good), 3);
  EXPECT_TRUE(logged("got version from execution 1.6.0_21"));
  EXPECT_TRUE(logged("Exit Code 3"));

  EXPECT_EQ(search(sequence), javaOf(good));
  EXPECT_EQ(javaRuns(old) + javaRuns(broken) + javaRuns(good), 3);
  EXPECT_TRUE(logged("got version from registry 1.6.0_21"));
  EXPECT_TRUE(logged("got version from registry 1.0.0"));
}

TEST_F(RuntimeSearchWine, ChangedFileTimeRunsTheExecutableAgain) {
  const std::string good = runtime("good", "java.firstLine=java version \"1.6.0_21\"");
  EXPECT_EQ(search("A" + good), javaOf(good));
  EXPECT_EQ(search("A" + good), javaOf(good));
  EXPECT_EQ(javaRuns(good), 1);
  HANDLE file = CreateFileA(javaOf(good).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  FILETIME time{0x12345678, 0x01d00000};
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  EXPECT_EQ(search("A" + good), javaOf(good));
  EXPECT_EQ(javaRuns(good), 2);
}

TEST_F(RuntimeSearchWine, OpenJdkLinesGiveThePlainVersionAndGarbageNone) {
  const std::string modern = runtime("modern", "java.firstLine=openjdk version \"17.0.9\" 2023-10-17");
  EXPECT_EQ(search("A" + modern), javaOf(modern));
  EXPECT_TRUE(logged("Java version: 17.0.9"));
  EXPECT_EQ(drx::launcher::readRegistryString(
                HKEY_CURRENT_USER, drx::launcher::versionCacheKeyName(javaOf(modern)), "Version", 100)
                .value_or("(none)"),
            "17.0.9");

  const std::string garbage = runtime("garbage", "java.firstLine=Error occurred during initialization of VM");
  EXPECT_EQ(search("A" + garbage), "(none)");
  EXPECT_TRUE(logged("couldn't get version"));
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, drx::launcher::versionCacheKeyName(javaOf(garbage)).c_str(), 0,
                          KEY_READ, &key),
            0);
  EXPECT_EQ(search("A" + garbage), "(none)");
  EXPECT_EQ(javaRuns(garbage), 2);
}

TEST_F(RuntimeSearchWine, PreReleaseRefusedFromVariablesNotFromDirectories) {
  const std::string early = runtime("early", "java.firstLine=java version \"1.7.0-ea\"");
  SetEnvironmentVariableA("DRX_TEST_EARLY_HOME", early.c_str());
  EXPECT_EQ(search("EDRX_TEST_EARLY_HOME"), "(none)");
  EXPECT_TRUE(logged("beta vm not allowed"));
  EXPECT_EQ(search("A" + early), javaOf(early));
  setProperty(ids::kAllowBetaVm, "1");
  EXPECT_EQ(search("EDRX_TEST_EARLY_HOME"), javaOf(early));
  SetEnvironmentVariableA("DRX_TEST_EARLY_HOME", nullptr);
}

TEST_F(RuntimeSearchWine, GuiLauncherWantsJavawAndJdkWantsToolsJar) {
  const std::string plain = runtime("plain", "java.firstLine=java version \"1.6.0_21\"");
  const std::string full = runtime("full", "java.firstLine=java version \"1.6.0_21\"", Layout::kBin, true);
  setProperty(ids::kLauncherType, "1");
  EXPECT_EQ(search("A" + plain), "(none)");
  EXPECT_EQ(search("A" + plain + ";A" + full), javaOf(full, "javaw.exe"));
  setProperty(ids::kLauncherType, "0");

  const std::string kit = runtime("kit", "java.firstLine=java version \"1.6.0_21\"", Layout::kJreBin);
  DeleteFileA((kit + "\\lib\\tools.jar").c_str());
  setProperty(ids::kRequireJdk, "1");
  EXPECT_EQ(search("A" + plain + ";A" + kit), "(none)");
  drx::test::writeTextFile(kit + "\\lib\\tools.jar", "");
  EXPECT_EQ(search("A" + plain + ";A" + kit), normalisePath(kit + "\\jre\\bin\\java.exe"));
}

TEST_F(RuntimeSearchWine, RegistryFindsJavaSoftAndLocatedRuntimes) {
  const std::string modern = runtime("jdk-17", "java.firstLine=openjdk version \"17.0.9\" 2023-10-17");
  setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", modern);
  EXPECT_EQ(search("Y"), javaOf(modern));
  EXPECT_TRUE(logged("JavaSoft runtime registered under SOFTWARE\\JavaSoft\\JDK\\17"));
  EXPECT_TRUE(logged("found sun " + javaOf(modern) + " 17.0.9"));

  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
  const std::string user = runtime("user", "java.firstLine=java version \"1.6.0_20\"");
  const std::string machine = runtime("machine", "java.firstLine=java version \"1.6.0_20\"");
  auto locatedKey = [](const std::string& directory) {
    return drx::launcher::locatedRuntimeKeyName(directory + "\\bin\\java.exe");
  };
  setString(HKEY_CURRENT_USER, locatedKey(user), nullptr, "");
  drx::launcher::registerLocatedRuntime(machine + "\\bin\\java.exe");
  EXPECT_EQ(search("Y"), javaOf(machine));
  EXPECT_TRUE(logged("found located " + javaOf(machine) + " 1.6.0_20"));
}

// A 32-bit launcher on 64-bit Windows sees HKLM\SOFTWARE through the 32-bit view: a runtime
// registered only by an installer of the other width is not one it could load, and is not found.
TEST_F(RuntimeSearchWine, RegistrySearchReadsOnlyTheProcessOwnView) {
  using drx::test::kOtherRegistryView;
  using drx::test::kOwnRegistryView;
  const std::string key = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8";
  const std::string other = runtime("other-width", "java.firstLine=java version \"1.8.0_391\"");
  ASSERT_TRUE(drx::test::setStringInView(HKEY_LOCAL_MACHINE, key, "JavaHome", other, kOtherRegistryView));
  EXPECT_EQ(search("Y"), "(none)");
  EXPECT_EQ(javaRuns(other), 0) << "a runtime of the other view is not even asked for its version";

  const std::string own = runtime("own-width", "java.firstLine=java version \"1.8.0_381\"");
  ASSERT_TRUE(drx::test::setStringInView(HKEY_LOCAL_MACHINE, key, "JavaHome", own, kOwnRegistryView));
  EXPECT_EQ(search("Y"), javaOf(own));
  EXPECT_EQ(javaRuns(other), 0);

  // The version cache lives under HKEY_CURRENT_USER\SOFTWARE, which both views share: a launcher of
  // either width reuses what the other one learnt.
  const std::string cacheKey = drx::launcher::versionCacheKeyName(javaOf(own));
  EXPECT_TRUE(drx::test::keyExistsInView(HKEY_CURRENT_USER, cacheKey, kOwnRegistryView));
  EXPECT_TRUE(drx::test::keyExistsInView(HKEY_CURRENT_USER, cacheKey, kOtherRegistryView));
  drx::test::deleteTreeInBothViews(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
}

TEST_F(RuntimeSearchWine, HungRuntimeIsEndedAndNotCached) {
  const std::string hung = runtime("hung", "java.hangMs=forever");
  drx::launcher::setVersionRunTimeout(1500);
  EXPECT_EQ(search("A" + hung), "(none)");
  EXPECT_TRUE(logged("Exit Code 259"));
  EXPECT_TRUE(logged("Terminating process"));
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, drx::launcher::versionCacheKeyName(javaOf(hung)).c_str(), 0,
                          KEY_READ, &key),
            0);
}

TEST_F(RuntimeSearchWine, SequenceThenRelativePassBesideTheLauncher) {
  // The launcher is the driver, copied in as setup.exe, so ".\jre" lies beside it.
  runtime("jre", "java.firstLine=java version \"1.4.2_19\"");
  const std::string javaHome = runtime("javahome", "java.firstLine=java version \"1.4.2\"");
  drx::test::DriverRun run = drx::test::runDriverAs(root, "setup.exe",
                                                    {{"DRX_TEST_MODE", "search"},
                                                     {"DRX_TEST_P126", "1.5"},
                                                     {"DRX_TEST_P128", "B.\\jre;Y;EJAVA_HOME;EJDK_HOME;"},
                                                     {"JAVA_HOME", javaHome},
                                                     {"JDK_HOME", ""}});
  EXPECT_EQ(run.exitCode, 0u) << run.standardError;
  EXPECT_EQ(run.found, normalisePath(root + "\\jre\\bin\\java.exe"));
  const size_t b = run.log.find("Testing location .\\jre (type B)");
  const size_t y = run.log.find("Testing location  (type Y)");
  const size_t javaHomeLine = run.log.find("Testing location JAVA_HOME (type E)");
  const size_t jdkHomeLine = run.log.find("Testing location JDK_HOME (type E)");
  const size_t relative = run.log.find("Testing relative location .\\jre");
  ASSERT_NE(relative, std::string::npos) << run.log;
  EXPECT_LT(b, y);
  EXPECT_LT(y, javaHomeLine);
  EXPECT_LT(javaHomeLine, jdkHomeLine);
  EXPECT_LT(jdkHomeLine, relative);
  EXPECT_NE(run.log.find(run.found + " exists"), std::string::npos);
}

}  // namespace
