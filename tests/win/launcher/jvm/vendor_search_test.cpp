// The registry search entry Y with stand-in runtimes registered under the OpenJDK vendors' own keys.
//
// Where each layout comes from (the tests write the keys themselves; no vendor installer is read
// or run):
// - Eclipse Adoptium (Temurin), JDK and JRE: the vendor's installer sources, adoptium/installer
//   wix/Main.wxs.template, component CleanupMainInstallDir: value "Path" = [INSTALLDIR] under
//   "SOFTWARE\<manufacturer>\<JDK|JRE>\<MSI product version>\<JVM variant>\MSI"; manufacturer
//   "Eclipse Adoptium" is the default VENDOR of wix/README.md, JDK/JRE the ProductCategory of
//   wix/Includes/OpenJDK.Variables.wxi.template, the variants hotspot, openj9 and dragonwell.
//   [INSTALLDIR] ends in a backslash.
// - AdoptOpenJDK: the same installer under its earlier vendor name; the key layout
//   "SOFTWARE\AdoptOpenJDK\JDK\8.0.192.12\MSI\Path" as the installer's author set it out in the
//   adoptium/temurin-build thread 459 "Provide MSI installer", the variant level as in the template above.
// - Eclipse Foundation: adoptium/installer CONFIGURATION.md, table "openjdk8 releases":
//   "HKEY_LOCAL_MACHINE\SOFTWARE\Eclipse Foundation\JDK\8.0.192.12\MSI\Path" (no variant level).
// - Microsoft Build of OpenJDK: Microsoft's own JDK locator, dotnet/android-tools
//   src/Xamarin.Android.Tools.AndroidSdk/Jdks/MicrosoftOpenJdkLocations.cs:
//   "SOFTWARE\Microsoft\JDK", any version, "hotspot\MSI", value "Path".
// - Azul Zulu and BellSoft Liberica: a publicly observed listing of the keys their installers
//   created on a Windows machine, kept in the source comments of an open-source tool that locates
//   Java runtimes. Zulu: "SOFTWARE\Azul Systems\Zulu\zulu-8" and "...\zulu-8-jre" with the
//   string "InstallationPath" (beside "CurrentVersion" and the DWORDs "MajorVersion" and
//   "MinorVersion"); the 32-bit installer on 64-bit Windows wrote "Azul Systems\Zulu 32-bit\zulu-8"
//   under WOW6432Node, that is in the 32-bit view. Liberica: "SOFTWARE\BellSoft\Liberica\jdk-8"
//   and "...\jre-8" with "InstallationPath" (beside "CurrentVersion" and Major/Minor/PatchVersion),
//   and an "MSI" subkey of each holding "InstallationPath" too.
// - IBM Semeru: the same listing, "SOFTWARE\Semeru\JDK\8.0.382.5\openj9\MSI" and "...\JRE\..."
//   with "Path"; the Semeru installer is built from the Adoptium installer sources above with its
//   own vendor name and the openj9 variant, so the layout is the template's.
// - Amazon Corretto: no layout of its own. Its maintainers state in the corretto-8 issues 40 and 54
//   and the corretto-11 issue 301 that its MSI writes the classic "SOFTWARE\JavaSoft" keys, which
//   the search reads before any vendor key.
// Each vendor ships 32-bit and 64-bit installers, and each writes into its own registry view; so
// here every width writes the keys into its own view, as the installer of its width would.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/payload/property_ids.h"
#include "driver_run.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/java_runtime.h"
#include "launcher/jvm/portable/vendor_runtimes.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "standin_runtimes.h"
#include "tests/support/process_driver/process_driver.h"
#include "tests/support/registry_views/registry_views.h"

namespace {

using drx::launcher::normalisePath;
using drx::launcher::setProperty;
using drx::test::javaRuns;
using drx::test::makeStandinRuntime;
namespace ids = drx::payload;

using drx::test::deleteTreeInView;
constexpr REGSAM kOwnView = drx::test::kOwnRegistryView;
constexpr REGSAM kOtherView = drx::test::kOtherRegistryView;

// The view a vendor installer of this test's own width writes unless told otherwise.
void setString(const std::string& key, const char* name, const std::string& value, REGSAM view = kOwnView) {
  ASSERT_TRUE(drx::test::setStringInView(HKEY_LOCAL_MACHINE, key, name, value, view)) << key;
}

void deleteTree(const char* key, REGSAM view) { deleteTreeInView(HKEY_LOCAL_MACHINE, key, view); }

class VendorSearchWine : public ::testing::Test {
 protected:
  drx::test::ScratchDirectory scratch{L"drxvendor"};
  std::string root = drx::test::narrow(scratch.path());
  size_t logStart = 0;

  void SetUp() override {
    resetKeys();
    for (int id : {ids::kMinJavaVersion, ids::kMaxJavaVersion, ids::kJreSearchSequence, ids::kRequireJdk,
                   ids::kAllowBetaVm, ids::kLauncherType, ids::kApplicationDirectory, ids::kApplicationId}) {
      setProperty(id, "");
    }
    setProperty(ids::kMinJavaVersion, "1.5");
    setProperty(ids::kJreSearchSequence, "Y");
    drx::launcher::logLine("test %s", ::testing::UnitTest::GetInstance()->current_test_info()->name());
    logStart = log().size();
  }
  void TearDown() override { resetKeys(); }
  static void resetKeys() {
    for (const drx::launcher::VendorLayout& layout : drx::launcher::kVendorLayouts) {
      deleteTree(layout.key, KEY_WOW64_32KEY);
      deleteTree(layout.key, KEY_WOW64_64KEY);
    }
    for (const char* key : {"SOFTWARE\\morvenic\\lanqo\\jvms", "SOFTWARE\\morvenic\\lanqo\\locatedjvms"}) {
      RegDeleteTreeA(HKEY_CURRENT_USER, key);
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
  }
  static std::string log() { return drx::test::readTextFile(drx::launcher::currentLogPath()); }
  bool logged(const std::string& line) const {
    return log().substr(logStart).find(line + "\r\n") != std::string::npos;
  }

  std::string runtime(const std::string& name, const char* version) {
    const std::string directory = root + "\\" + name;
    makeStandinRuntime(directory,
                       std::string("java.firstLine=openjdk version \"") + version + "\" 2023-10-17");
    return directory;
  }
  static std::string javaOf(const std::string& directory) {
    return normalisePath(directory + "\\bin\\java.exe");
  }
  static std::string search() { return drx::launcher::searchForRuntime().value_or("(none)"); }
};

TEST_F(VendorSearchWine, EachVendorsKeysAreFoundThroughY) {
  struct Case {
    const char* key;  // the installation key the vendor's installer writes
    const char* value;
    const char* version;
  } cases[] = {
      {"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "17.0.9"},
      {"SOFTWARE\\Eclipse Adoptium\\JRE\\21.0.1.12\\hotspot\\MSI", "Path", "21.0.1"},
      {"SOFTWARE\\AdoptOpenJDK\\JDK\\11.0.11.9\\openj9\\MSI", "Path", "11.0.11"},
      {"SOFTWARE\\AdoptOpenJDK\\JRE\\8.0.292.10\\hotspot\\MSI", "Path", "1.8.0_292"},
      {"SOFTWARE\\Eclipse Foundation\\JDK\\8.0.192.12\\MSI", "Path", "1.8.0_192"},
      {"SOFTWARE\\Eclipse Foundation\\JRE\\11.0.10.9\\hotspot\\MSI", "Path", "11.0.10"},
      {"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", "17.0.9"},
      {"SOFTWARE\\Azul Systems\\Zulu\\zulu-8-jre", "InstallationPath", "1.8.0_392"},
      {"SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", "Path", "17.0.9"},
      {"SOFTWARE\\BellSoft\\Liberica\\jdk-21", "InstallationPath", "21.0.1"},
      {"SOFTWARE\\BellSoft\\Liberica\\jre-11\\MSI", "InstallationPath", "11.0.21"},
      {"SOFTWARE\\Semeru\\JDK\\17.0.9.9\\openj9\\MSI", "Path", "17.0.9"},
      {"SOFTWARE\\Semeru\\JRE\\8.0.392.8\\openj9\\MSI", "Path", "1.8.0_392"},
  };
  const std::string classic = runtime("classic", "1.8.0_201");
  int index = 0;
  for (const Case& c : cases) {
    resetKeys();
    const std::string home = runtime("vendor" + std::to_string(index++), c.version);
    setString(c.key, c.value, home + "\\");
    EXPECT_EQ(search(), javaOf(home)) << c.key;
    EXPECT_TRUE(logged(std::string("Vendor key ") + c.key + " names " + home)) << c.key;
    EXPECT_TRUE(logged(std::string("Vendor runtime registered under ") + c.key)) << c.key;
    // With a JavaSoft registration in range beside it, the JavaSoft runtime is still the one taken.
    setString("SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8", "JavaHome", classic);
    EXPECT_EQ(search(), javaOf(classic)) << c.key;
  }
}

TEST_F(VendorSearchWine, TheOtherWidthsKeysAreNotSeen) {
  // A runtime of the other width could not be loaded into this process: its keys live in the
  // other registry view, which the search does not read.
  const std::string home = runtime("otherwidth", "17.0.9");
  setString("SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", home + "\\", kOtherView);
  for (const char* key :
       {"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", "SOFTWARE\\Azul Systems\\Zulu 32-bit\\zulu-17",
        "SOFTWARE\\BellSoft\\Liberica\\jdk-17"}) {
    setString(key, "InstallationPath", home + "\\", kOtherView);
  }
  EXPECT_EQ(search(), "(none)");
  EXPECT_EQ(javaRuns(home), 0);
}

TEST_F(VendorSearchWine, ZulusThirtyTwoBitKeyIsReadByTheThirtyTwoBitLauncherOnly) {
  // Where the 32-bit installer writes on 64-bit Windows. The 64-bit launcher never reads it, even
  // in its own view: a runtime registered there is a 32-bit one.
  constexpr char kKey[] = "SOFTWARE\\Azul Systems\\Zulu 32-bit\\zulu-17";
  const bool thirtyTwoBit = sizeof(void*) == 4;
  const std::string home = runtime("zulu32", "17.0.9");
  setString(kKey, "InstallationPath", home + "\\");
  setString(std::string(kKey) + "-jre", "InstallationPath", home + "\\");
  EXPECT_EQ(search(), thirtyTwoBit ? javaOf(home) : "(none)");
  EXPECT_EQ(logged(std::string("Vendor key ") + kKey + " names " + home), thirtyTwoBit);
  if (!thirtyTwoBit) {
    EXPECT_EQ(javaRuns(home), 0);
  }
}

TEST_F(VendorSearchWine, EachNewVendorsRuntimeAboveTheRangeIsRefused) {
  struct Case {
    const char* above;
    const char* within;
    const char* value;
  } cases[] = {
      {"SOFTWARE\\Azul Systems\\Zulu\\zulu-21", "SOFTWARE\\Azul Systems\\Zulu\\zulu-17", "InstallationPath"},
      {"SOFTWARE\\BellSoft\\Liberica\\jdk-21", "SOFTWARE\\BellSoft\\Liberica\\jdk-17", "InstallationPath"},
      {"SOFTWARE\\Semeru\\JDK\\21.0.1.12\\openj9\\MSI", "SOFTWARE\\Semeru\\JDK\\17.0.9.9\\openj9\\MSI",
       "Path"},
  };
  const std::string above = runtime("above", "21.0.1");
  const std::string within = runtime("within", "17.0.9");
  for (const Case& c : cases) {
    resetKeys();
    setProperty(ids::kMaxJavaVersion, "17.9");
    logStart = log().size();
    setString(c.above, c.value, above + "\\");
    setString(c.within, c.value, within + "\\");
    EXPECT_EQ(search(), javaOf(within)) << c.above;
    const std::string text = log().substr(logStart);
    const size_t refused = text.find("checkJavaExe (" + above + "\\bin\\java.exe, [out], 1.5, 17.9, 0)");
    ASSERT_NE(refused, std::string::npos) << c.above << "\n" << text;
    EXPECT_EQ(text.find("checkJavaExe returning", refused), text.find("checkJavaExe returning 0", refused))
        << c.above;
    EXPECT_TRUE(logged(std::string("Vendor runtime registered under ") + c.within)) << c.above;
    // The second start answers from the version cache.
    const int runs = javaRuns(above) + javaRuns(within);
    EXPECT_EQ(search(), javaOf(within)) << c.above;
    EXPECT_EQ(javaRuns(above) + javaRuns(within), runs) << c.above;
  }
}

TEST_F(VendorSearchWine, AJavaSoftRuntimeInRangeIsStillTaken) {
  const std::string temurin = runtime("temurin", "21.0.1");
  const std::string classic = runtime("classic", "17.0.9");
  setString("SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", temurin + "\\");
  setString("SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", classic);
  EXPECT_EQ(search(), javaOf(classic));
  EXPECT_EQ(javaRuns(temurin), 0);
}

TEST_F(VendorSearchWine, HighestInRangeWinsAndTheSecondStartRunsNoJava) {
  const std::string temurin = runtime("temurin", "17.0.9");
  const std::string microsoft = runtime("microsoft", "17.0.10");
  const std::string newer = runtime("newer", "21.0.1");
  setString("SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", temurin + "\\");
  setString("SOFTWARE\\Microsoft\\JDK\\17.0.10.7\\hotspot\\MSI", "Path", microsoft + "\\");
  setString("SOFTWARE\\AdoptOpenJDK\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", newer + "\\");
  setProperty(ids::kMaxJavaVersion, "17.9");
  EXPECT_EQ(search(), javaOf(microsoft));
  // The runtime above the range is refused with the check's usual lines, and the search goes on.
  const std::string text = log().substr(logStart);
  const size_t refused = text.find("checkJavaExe (" + newer + "\\bin\\java.exe, [out], 1.5, 17.9, 0)");
  ASSERT_NE(refused, std::string::npos) << text;
  EXPECT_EQ(text.find("checkJavaExe returning", refused), text.find("checkJavaExe returning 0", refused));
  EXPECT_TRUE(logged("found vendor " + javaOf(microsoft) + " 17.0.10"));
  EXPECT_EQ(javaRuns(temurin) + javaRuns(microsoft) + javaRuns(newer), 3);

  logStart = log().size();
  EXPECT_EQ(search(), javaOf(microsoft));
  EXPECT_EQ(javaRuns(temurin) + javaRuns(microsoft) + javaRuns(newer), 3);
  EXPECT_TRUE(logged("got version from registry 17.0.10"));
}

TEST_F(VendorSearchWine, ALauncherProcessFindsItAndItsSecondStartRunsNoJava) {
  const std::string temurin = runtime("temurin", "21.0.1");
  setString("SOFTWARE\\Eclipse Adoptium\\JRE\\21.0.1.12\\hotspot\\MSI", "Path", temurin + "\\");
  const std::vector<std::pair<std::string, std::string>> environment = {
      {"DRX_TEST_MODE", "search"}, {"DRX_TEST_P126", "11"}, {"DRX_TEST_P128", "Y"}};
  drx::test::DriverRun first = drx::test::runDriverAs(root, "setup.exe", environment);
  EXPECT_EQ(first.exitCode, 0u) << first.standardError;
  EXPECT_EQ(first.found, javaOf(temurin));
  EXPECT_NE(first.log.find("got version from execution 21.0.1"), std::string::npos) << first.log;

  drx::test::DriverRun second = drx::test::runDriverAs(root, "setup.exe", environment);
  EXPECT_EQ(second.found, javaOf(temurin));
  EXPECT_NE(second.log.find("got version from registry 21.0.1"), std::string::npos) << second.log;
  EXPECT_EQ(javaRuns(temurin), 1);
}

}  // namespace
