// The option list of a real launcher process: files beside it, includes, environment, fatal stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_run.h"
#include "tests/support/process_driver/process_driver.h"

namespace {

using drx::test::DriverRun;
using drx::test::runDriverAs;
using drx::test::writeTextFile;
using Options = std::vector<std::string>;
using Environment = std::vector<std::pair<std::string, std::string>>;

// Property ids as the payload numbers them.
constexpr char kClassPath[] = "DRX_TEST_P121";
constexpr char kVmParameters[] = "DRX_TEST_P123";
constexpr char kPassthrough[] = "DRX_TEST_P125";

struct Launcher {
  drx::test::ScratchDirectory scratch{L"drxjvm"};
  std::string directory = drx::test::narrow(scratch.path());
  std::string temp = directory + "\\tmp";
  Launcher() { CreateDirectoryA(temp.c_str(), nullptr); }

  DriverRun run(Environment environment, const std::string& arguments = "") {
    environment.push_back({"DRX_TEST_MODE", "options"});
    environment.push_back({"DRX_TEST_TEMP_DIR", temp});
    return runDriverAs(directory, "setup.exe", environment, arguments);
  }
  // What follows the driver's one system property.
  Options options(Environment environment, const std::string& arguments = "") {
    DriverRun result = run(std::move(environment), arguments);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    if (result.options.empty()) return {};
    EXPECT_EQ(result.options.front(), "-Dsystem=1");
    return Options(result.options.begin() + 1, result.options.end());
  }
};

TEST(VmOptionList, ShortOptionsFileNameWinsOverTheLongOne) {
  Launcher launcher;
  writeTextFile(launcher.directory + "\\setup.exe.vmoptions", "-Dwhich=long\n");
  EXPECT_EQ(launcher.options({}), (Options{"-Dwhich=long", "-Djava.class.path="}));
  writeTextFile(launcher.directory + "\\setup.vmoptions", "-Dwhich=short\n");
  DriverRun run = launcher.run({});
  EXPECT_EQ(run.options, (Options{"-Dsystem=1", "-Dwhich=short", "-Djava.class.path="}));
  EXPECT_NE(run.log.find("vmoptions: exe file: "), std::string::npos);
  EXPECT_EQ(run.log.find("vmoptions: opts2: "), std::string::npos);
}

TEST(VmOptionList, OptionsFileLinesAreTrimmedAndKeptWhole) {
  Launcher launcher;
  writeTextFile(launcher.directory + "\\setup.vmoptions",
                "  # indented comment\r\n\r\n   -Xmx256m   \r\n-Dmsg=hello world\r\n");
  EXPECT_EQ(launcher.options({}), (Options{"-Xmx256m", "-Dmsg=hello world", "-Djava.class.path="}));
}

TEST(VmOptionList, EmptyConfigurationGivesABareClassPath) {
  Launcher launcher;
  EXPECT_EQ(launcher.options({}), (Options{"-Djava.class.path="}));
}

TEST(VmOptionList, OverridesKeepExtractedArchives) {
  Launcher launcher;
  CreateDirectoryA((launcher.temp + "\\user").c_str(), nullptr);
  writeTextFile(launcher.temp + "\\a.jar", "");
  writeTextFile(launcher.temp + "\\user\\b.zip", "");
  writeTextFile(launcher.directory + "\\setup.vmoptions",
                "-classpath/a C:\\first.jar\n-classpath/p C:\\pre.jar\n-classpath C:\\repl.jar\n"
                "-classpath/a C:\\second.jar\n");
  const Options options = launcher.options({{kClassPath, "A0configured.jar"}});
  ASSERT_EQ(options.size(), 1u);
  EXPECT_EQ(options[0], "-Djava.class.path=C:\\pre.jar;" + launcher.temp + "\\a.jar;" + launcher.temp +
                            "\\user\\b.zip;C:\\repl.jar;C:\\second.jar");
}

TEST(VmOptionList, ClassPathEntriesFromDirectoriesAndVariables) {
  Launcher launcher;
  CreateDirectoryA((launcher.directory + "\\empty").c_str(), nullptr);
  CreateDirectoryA((launcher.directory + "\\lib").c_str(), nullptr);
  writeTextFile(launcher.directory + "\\lib\\x.jar", "");
  const Options options =
      launcher.options({{kClassPath, "E0DRX_QUOTED;S1empty;A1%LANQO_EXEDIR%lib\\x.jar;E0DRX_UNSET_VARIABLE"},
                        {"DRX_QUOTED", "\"C:\\lib\\a.jar\""}});
  ASSERT_EQ(options.size(), 1u);
  EXPECT_EQ(options[0], "-Djava.class.path=C:\\lib\\a.jar;" + launcher.directory + "\\lib\\x.jar;");
}

TEST(VmOptionList, MissingMandatoryEntriesStopTheLauncher) {
  struct Case {
    const char* classPath;
    const char* message;
  } cases[] = {
      {"S1nodir", "File or directory nodir not found or empty"},
      {"A1lib\\gone.jar", "File or directory lib\\gone.jar not found or empty"},
      {"E1DRX_UNSET_VARIABLE", "The environment variable DRX_UNSET_VARIABLE has to be defined"},
  };
  for (const Case& c : cases) {
    Launcher launcher;
    DriverRun run = launcher.run({{kClassPath, c.classPath}});
    EXPECT_EQ(run.exitCode, 1u) << c.classPath;
    EXPECT_NE(run.standardError.find(c.message), std::string::npos) << run.standardError;
    EXPECT_TRUE(run.options.empty());
  }
}

TEST(VmOptionList, ConfiguredIncludedPassedThroughThenFileOptions) {
  Launcher launcher;
  CreateDirectoryA((launcher.directory + "\\my opts").c_str(), nullptr);
  writeTextFile(launcher.directory + "\\my opts\\inc.vmoptions", "-Dincluded=1\n-Dincluded=2\n");
  writeTextFile(launcher.directory + "\\setup.vmoptions", "-Dfile=1\n");
  const std::string parameters = "-Da -include-options \"%LANQO_EXEDIR%my opts\\inc.vmoptions\" -Db";
  EXPECT_EQ(
      launcher.options({{kVmParameters, parameters}, {kPassthrough, "1"}}, "-J-Xmx1g arg"),
      (Options{"-Da", "-Dincluded=1", "-Dincluded=2", "-Db", "-Xmx1g", "-Dfile=1", "-Djava.class.path="}));
  EXPECT_EQ(launcher.options({{kVmParameters, parameters}}, "-J-Xmx1g arg"),
            (Options{"-Da", "-Dincluded=1", "-Dincluded=2", "-Db", "-Dfile=1", "-Djava.class.path="}));
}

TEST(VmOptionList, UnterminatedQuoteInParametersStops) {
  Launcher launcher;
  DriverRun run = launcher.run({{kVmParameters, "-Da \"-Db"}});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_NE(run.standardError.find("Wrong Parameter Usage"), std::string::npos) << run.standardError;
}

TEST(VmOptionList, IncludeCycleUnderOtherNamesEnds) {
  Launcher launcher;
  CreateDirectoryA((launcher.directory + "\\sub").c_str(), nullptr);
  // Relative include names resolve against the working directory, the launcher's here.
  writeTextFile(launcher.directory + "\\setup.vmoptions", "-Dtop\n-include-options sub\\a.vmoptions\n");
  writeTextFile(launcher.directory + "\\sub\\a.vmoptions",
                "-Da\n-include-options .\\sub\\..\\sub\\b.vmoptions\n");
  writeTextFile(launcher.directory + "\\sub\\b.vmoptions",
                "-Db\n-include-options SUB\\A.VMOPTIONS\n-Dafter\n");
  DriverRun run = launcher.run({});
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.options, (Options{"-Dsystem=1", "-Dtop", "-Da", "-Db", "-Dafter", "-Djava.class.path="}));
  EXPECT_NE(run.log.find("ERROR: vmoptions file <SUB\\A.VMOPTIONS> is already being read"), std::string::npos)
      << run.log;
}

TEST(VmOptionList, VariablesFromTheEnvironmentAndTheirLogLines) {
  Launcher launcher;
  writeTextFile(
      launcher.directory + "\\setup.vmoptions",
      "-Dmixed=${Drx_Mixed}\n-Dupper=${DRX_MIXED}\n-Dlower=${drx_mixed}\n-Dexe=%LANQO_EXEDIR%lib\\x.jar\n");
  DriverRun run = launcher.run({{"Drx_Mixed", "value"}});
  const std::string exeDir = launcher.directory + "\\";
  EXPECT_EQ(run.options, (Options{"-Dsystem=1", "-Dmixed=value", "-Dupper=value", "-Dlower=${drx_mixed}",
                                  "-Dexe=" + exeDir + "lib\\x.jar", "-Djava.class.path="}));
  EXPECT_NE(run.log.find("expanding %LANQO_EXEDIR% to " + exeDir + " in -Dexe=" + exeDir + "lib\\x.jar.\r\n"),
            std::string::npos)
      << run.log;
}

}  // namespace
