// End-to-end starts into a stand-in Java runtime: the main arguments, the VM options, the
// jvm.dll search, the flavours and the failures of the hand-over.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launch_fixture.h"

namespace drx::test {
namespace {

TEST_F(LauncherLaunch, GuiLauncherHandsMainItsFixedArgumentsThenTheCommandLine) {
  LaunchSetup launch = setupWithRuntime(L"a \"b c\" \u00fcn\u00efc\u00f6de\u20ac", {});
  launch.media.narrow[kLauncherType] = "1";
  launch.media.narrow[kProgramArguments] = "p1 \"p 2\"";
  LaunchResult result = runToEnd(launch, kRunTimeoutMs);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 0u) << result.standardError << readLog(launch);

  const std::vector<std::u16string> expected = {u"true",
                                                u"com.example.Main",
                                                u"",
                                                u"",
                                                u"false",
                                                u16(launch.mediaPath),
                                                u"p1",
                                                u"p 2",
                                                u"a",
                                                u"b c",
                                                u"\u00fcn\u00efc\u00f6de\u20ac"};
  const standin::Report seen = report();
  EXPECT_EQ(seen.values("jvm.arg"), expected) << readLog(launch);
  EXPECT_EQ(seen.utf8Values("jvm.main"),
            std::vector<std::string>{"com/deployrix/runtime/launcher/WinLauncher"});
  EXPECT_EQ(seen.utf8Values("jvm.version"), std::vector<std::string>{"0x10002"});
  EXPECT_EQ(seen.utf8Values("jvm.ignoreUnrecognized"), std::vector<std::string>{"1"});
  EXPECT_EQ(seen.count("jvm.destroy"), 1u);
}

TEST_F(LauncherLaunch, SystemPropertiesComeFirstInTheirOrderAndTheClassPathLast) {
  LaunchSetup launch = setupWithRuntime(L"", {});
  launch.environment.emplace_back(L"MANPATH", L"/usr/man");
  LaunchResult result = runToEnd(launch, kRunTimeoutMs);
  ASSERT_EQ(result.exitCode, 0u) << readLog(launch);

  const std::vector<std::string> options = report().utf8Values("jvm.option");
  ASSERT_GE(options.size(), 7u) << readLog(launch);
  const std::vector<std::string> prefixes = {"-Dlanqo.semaphoreName=",       "-Dlanqo.isDeployrix=true",
                                             "-Dlanqo.moduleName=",          "-Dlanqo.tempDir=",
                                             "-Dlanqo.unextractedPosition=", "-Djava.library.path="};
  for (size_t i = 0; i < prefixes.size(); ++i) {
    EXPECT_EQ(options[i].rfind(prefixes[i], 0), 0u) << "option " << i << ": " << options[i];
  }
  EXPECT_EQ(options.back().rfind("-Djava.class.path=", 0), 0u) << options.back();
  for (const std::string& option : options) {
    EXPECT_EQ(option.find("lanqo.consoleCodepage"), std::string::npos) << "MANPATH is set";
    EXPECT_EQ(option.find("lanqo.manualJre"), std::string::npos);
  }
}

TEST_F(LauncherLaunch, PassedThroughJavaOptionsBecomeVmOptionsAndLeaveMainsArguments) {
  LaunchSetup launch = setupWithRuntime(L"-J-Xmx512m a", {});
  launch.media.narrow[kJvmArgumentPassthrough] = "1";
  LaunchResult result = runToEnd(launch, kRunTimeoutMs);
  ASSERT_EQ(result.exitCode, 0u) << readLog(launch);
  const standin::Report seen = report();
  const std::vector<std::string> options = seen.utf8Values("jvm.option");
  EXPECT_NE(std::find(options.begin(), options.end(), "-Xmx512m"), options.end());
  const std::vector<std::string> arguments = seen.utf8Values("jvm.arg");
  ASSERT_FALSE(arguments.empty());
  EXPECT_EQ(arguments.back(), "a");
  EXPECT_EQ(std::find(arguments.begin(), arguments.end(), "-J-Xmx512m"), arguments.end());
}

TEST_F(LauncherLaunch, JvmDllIsLookedForInTheTypeFoldersInOrderWithThePreferredTypeFirst) {
  {
    standin::RuntimeSpec serverOnly;
    serverOnly.vmTypes = {"server"};
    LaunchSetup launch = setupWithRuntime(L"", serverOnly);
    launch.keepLog = true;
    ASSERT_EQ(runToEnd(launch, kRunTimeoutMs).exitCode, 0u);
    const std::string log = readLog(launch);
    const size_t hotspot = log.find("\\hotspot\\jvm.dll (exists 0)");
    const size_t client = log.find("\\client\\jvm.dll (exists 0)");
    const size_t server = log.find("\\server\\jvm.dll (exists 1)");
    EXPECT_TRUE(hotspot < client && client < server && server != std::string::npos) << log;
    EXPECT_EQ(log.find("\\classic\\jvm.dll"), std::string::npos) << "the search stops at the one that loads";
  }
  {
    standin::RuntimeSpec both;
    both.vmTypes = {"hotspot", "client"};
    LaunchSetup launch = setupWithRuntime(L"", both);
    launch.media.narrow[kPreferredVmType] = "client";
    launch.keepLog = true;
    ASSERT_EQ(runToEnd(launch, kRunTimeoutMs).exitCode, 0u);
    const std::string log = readLog(launch);
    EXPECT_NE(log.find("\\client\\jvm.dll (exists 1)"), std::string::npos) << log;
    EXPECT_EQ(log.find("\\hotspot\\jvm.dll"), std::string::npos) << "client loaded first";
  }
  {
    standin::RuntimeSpec kit;
    kit.developmentKit = true;
    LaunchSetup launch = setupWithRuntime(L"", kit);
    launch.keepLog = true;
    EXPECT_EQ(runToEnd(launch, kRunTimeoutMs).exitCode, 0u) << readLog(launch);
    EXPECT_NE(readLog(launch).find("\\jre\\bin\\client\\jvm.dll (exists 1)"), std::string::npos)
        << readLog(launch);
  }
}

TEST_F(LauncherLaunch, FlavoursPickTheirLauncherClassAndTheInstallerRunsTheFirstRunCheck) {
  {
    standin::RuntimeSpec runtime;
    runtime.config = "jvm.firstRun.result=false\n";
    LaunchSetup launch = setupWithRuntime(L"", runtime);
    launch.media.narrow[kApplicationDirectory] = narrow(launch.directory) + "\\app";
    CreateDirectoryW((launch.directory + L"\\app").c_str(), nullptr);
    CreateDirectoryW((launch.directory + L"\\app\\.deployrix").c_str(), nullptr);
    CloseHandle(CreateFileW((launch.directory + L"\\app\\.deployrix\\firstrun").c_str(), GENERIC_WRITE, 0,
                            nullptr, CREATE_ALWAYS, 0, nullptr));
    launch.keepLog = true;
    EXPECT_EQ(runToEnd(launch, kRunTimeoutMs).exitCode, 0u);
    const standin::Report seen = report();
    EXPECT_EQ(seen.utf8Values("jvm.firstRun"), std::vector<std::string>{"false"});
    EXPECT_EQ(seen.count("jvm.main"), 0u) << "firstRun said stop";
    EXPECT_EQ(seen.count("jvm.destroy"), 1u);
    EXPECT_NE(readLog(launch).find("checkFirstRun stopped further execution"), std::string::npos);
  }
  {
    LaunchSetup launch = setupWithRuntime(L"", {});
    launch.media.narrow[kLauncherFlavour] = "l";
    EXPECT_EQ(runToEnd(launch, kRunTimeoutMs).exitCode, 0u);
    const standin::Report seen = report();
    EXPECT_EQ(seen.utf8Values("jvm.main"), std::vector<std::string>{"com/lanqo/runtime/WinLauncher"});
    for (const std::string& option : seen.utf8Values("jvm.option"))
      EXPECT_EQ(option.find("isDeployrix"), std::string::npos);
  }
}

TEST_F(LauncherLaunch, HandOverFailuresEndWithTheirLogLineMessageAndExitCodeOne) {
  struct Case {
    const char* config;
    const char* logLine;
    const char* message;
  } cases[] = {
      {"jvm.missing.class=com/deployrix/runtime/launcher/WinLauncher\n", "could not find main class",
       "Couldn't load main class."},
      {"jvm.missing.main=1\n", "could not find main method", "Main method not found."},
      {"jvm.main.exception=java/lang/IllegalStateException:boom\n", "an exception occured",
       "The JVM could not be started."},
      {"jvm.create.result=-1\n", "could not initialize JVM", "The JVM could not be started."},
  };
  for (const Case& c : cases) {
    standin::RuntimeSpec runtime;
    runtime.config = c.config;
    LaunchSetup launch = setupWithRuntime(L"-q", runtime);
    launch.media.narrow[1010] = "Couldn't load main class.";
    launch.media.narrow[1011] = "Main method not found.";
    LaunchResult result = runToEnd(launch, kRunTimeoutMs);
    EXPECT_EQ(result.exitCode, 1u) << c.config;
    EXPECT_NE(result.standardError.find(c.message), std::string::npos) << c.config << result.standardError;
    EXPECT_NE(result.standardError.find("Log: "), std::string::npos) << "the log path follows the message";
    const std::vector<std::wstring> logs = logFilesIn(launch);
    ASSERT_EQ(logs.size(), 1u) << "a fatal end keeps the log";
    EXPECT_NE(readFileBytes(logs.front()).find(std::string("ERROR: ") + c.logLine), std::string::npos)
        << c.config;
  }
}

}  // namespace
}  // namespace drx::test
