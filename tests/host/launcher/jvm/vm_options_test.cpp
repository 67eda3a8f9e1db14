// The option list: options files, overrides, configured options and the class path option.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_vm_options_host.h"
#include "launcher/jvm/portable/text_limits.h"
#include "launcher/jvm/portable/vm_options.h"

namespace {

using drx::launcher::buildVmOptionList;
using drx::launcher::VmOptionsInput;
using drx::launcher::VmOptionsResult;
using drx::launcher::testing::FakeVmOptionsHost;
using Options = std::vector<std::string>;

constexpr char kTemp[] = "C:\\tmp\\lqo1.tmp_dir";

VmOptionsInput baseInput() {
  VmOptionsInput input;
  input.systemProperties = {"-Dlanqo.tempDir=C:\\tmp\\lqo1.tmp_dir"};
  input.commandLine = {"C:\\app\\setup.exe"};
  input.temporaryDirectory = kTemp;
  return input;
}

// Everything after the system property, the class path option included.
Options built(FakeVmOptionsHost& host, const VmOptionsInput& input) {
  VmOptionsResult result = buildVmOptionList(input, host);
  EXPECT_FALSE(result.failure.has_value());
  EXPECT_EQ(result.options.at(0), input.systemProperties.at(0));
  return Options(result.options.begin() + 1, result.options.end());
}

std::string classPathOf(FakeVmOptionsHost& host, const VmOptionsInput& input) {
  return built(host, input).back();
}

TEST(VmOptions, OptionsFileLinesAreTrimmedOfSpacesAndComments) {
  FakeVmOptionsHost host;
  host.defaultFile = "setup.vmoptions";
  host.files["setup.vmoptions"] = "  # a comment\n\n   -Xmx256m   \r\n-Dmsg=hello world\n";
  EXPECT_EQ(built(host, baseInput()), (Options{"-Xmx256m", "-Dmsg=hello world", "-Djava.class.path="}));

  host.files["setup.vmoptions"] = "\t-Dtab=1\t\n#-Xmx1g\n  #also\n-Dq=\"a b\"";
  EXPECT_EQ(built(host, baseInput()), (Options{"\t-Dtab=1\t", "-Dq=\"a b\"", "-Djava.class.path="}));
}

TEST(VmOptions, EmptyConfigurationGivesABareClassPathOption) {
  FakeVmOptionsHost host;
  EXPECT_EQ(built(host, baseInput()), (Options{"-Djava.class.path="}));
  // No temporary directory: nothing is listed from the drive root.
  host.listings["|jar"] = {"root.jar"};
  host.listings["\\user|jar"] = {"root.jar"};
  VmOptionsInput input = baseInput();
  input.temporaryDirectory.clear();
  EXPECT_EQ(built(host, input), (Options{"-Djava.class.path="}));
}

TEST(VmOptions, ClassPathOverridesFromTheOptionsFile) {
  struct Case {
    const char* file;
    const char* expected;
  } cases[] = {
      // The last suffix wins.
      {"-classpath/a C:\\one.jar\n-classpath/a C:\\two.jar\n",
       "-Djava.class.path=C:\\tmp\\lqo1.tmp_dir\\a.jar;"
       "C:\\tmp\\lqo1.tmp_dir\\user\\u.zip;C:\\app\\cfg.jar;"
       "C:\\two.jar"},
      // A replacement takes the place of the configured entries only.
      {"-classpath/p C:\\pre.jar\n-classpath C:\\repl.jar\n-classpath/a C:\\post.jar\n",
       "-Djava.class.path=C:\\pre.jar;C:\\tmp\\lqo1.tmp_dir\\a.jar;C:\\tmp\\lqo1.tmp_dir\\user\\u.zip;C:"
       "\\repl.jar;"
       "C:\\post.jar"},
      {"-classpath C:\\r1.jar;\n-classpath/a C:\\post.jar\n",
       "-Djava.class.path=C:\\tmp\\lqo1.tmp_dir\\a.jar;C:\\tmp\\lqo1.tmp_dir\\user\\u.zip;C:\\r1.jar;C:"
       "\\post.jar"},
      {"-classpath/p C:\\p1.jar\n-classpath/p C:\\p2.jar\n",
       "-Djava.class.path=C:\\p2.jar;C:\\tmp\\lqo1.tmp_dir\\a.jar;C:\\tmp\\lqo1.tmp_dir\\user\\u.zip;C:"
       "\\app\\cfg.jar;"},
  };
  for (const Case& c : cases) {
    FakeVmOptionsHost host;
    host.defaultFile = "setup.vmoptions";
    host.files["setup.vmoptions"] = c.file;
    host.listings[std::string(kTemp) + "|jar"] = {"a.jar"};
    host.listings[std::string(kTemp) + "\\user|zip"] = {"u.zip"};
    VmOptionsInput input = baseInput();
    input.classPath = "A0cfg.jar";
    EXPECT_EQ(built(host, input), (Options{c.expected})) << c.file;
  }
}

TEST(VmOptions, ClassPathEntriesContributeByType) {
  struct Case {
    const char* classPath;
    const char* expected;
  } cases[] = {
      {"A0lib\\x.jar;D0C:\\abs\\y.jar", "-Djava.class.path=C:\\app\\lib\\x.jar;C:\\abs\\y.jar;"},
      {"E0QUOTED", "-Djava.class.path=C:\\lib\\a.jar;"},
      {"E0ENDS;E0UNSET;E0EMPTY", "-Djava.class.path=C:\\lib\\b.jar;"},
      {"S1libdir;S0missingdir;S1emptydir",
       "-Djava.class.path=C:\\app\\libdir\\1.jar;C:\\app\\libdir\\2.jar;"
       "C:\\app\\libdir\\3.zip;"},
      {"A0%LANQO_EXEDIR%lib\\x.jar", "-Djava.class.path=C:\\app\\lib\\x.jar;"},
      {"X1whatever;;;A", "-Djava.class.path=;"},
      {"A1C:\\", "-Djava.class.path=C:\\;"},
  };
  for (const Case& c : cases) {
    FakeVmOptionsHost host;
    host.environment = {{"QUOTED", "\"C:\\lib\\a.jar\""}, {"ENDS", "C:\\lib\\b.jar;"}, {"EMPTY", ""}};
    host.existing = {"C:\\app\\libdir", "C:\\app\\emptydir", "C:\\", ""};
    host.listings["C:\\app\\libdir|jar"] = {"1.jar", "2.jar"};
    host.listings["C:\\app\\libdir|zip"] = {"3.zip"};
    VmOptionsInput input = baseInput();
    input.classPath = c.classPath;
    EXPECT_EQ(classPathOf(host, input), c.expected) << c.classPath;
    EXPECT_EQ(host.logLines.back(), std::string("classpath entry ") + c.classPath);
  }
}

TEST(VmOptions, MissingMandatoryEntriesStopWithTheirMessage) {
  struct Case {
    const char* classPath;
    int messageId;
    const char* argument;
  } cases[] = {
      {"A1lib\\missing.jar", 1006, "lib\\missing.jar"},
      {"S1nodir", 1006, "nodir"},
      {"A0ok.jar;E1UNDEFINED_VAR", 1008, "UNDEFINED_VAR"},
      {"D1%LANQO_EXEDIR%gone.jar", 1006, "C:\\app\\gone.jar"},
  };
  for (const Case& c : cases) {
    FakeVmOptionsHost host;
    VmOptionsInput input = baseInput();
    input.classPath = c.classPath;
    VmOptionsResult result = buildVmOptionList(input, host);
    ASSERT_TRUE(result.failure.has_value()) << c.classPath;
    EXPECT_EQ(result.failure->messageId, c.messageId);
    EXPECT_EQ(result.failure->argument, c.argument);
  }
}

TEST(VmOptions, ConfiguredOptionsThenPassthroughThenOptionsFile) {
  FakeVmOptionsHost host;
  host.defaultFile = "setup.vmoptions";
  host.files["setup.vmoptions"] = "-Dfrom=file\n";
  host.files["C:\\my opts\\inc.vmoptions"] = "-Dfrom=include\n-Dsecond=include\n";
  VmOptionsInput input = baseInput();
  input.vmParameterElements = {"-Xms16m", "-include-options", "C:\\my opts\\inc.vmoptions", "-Dafter=1"};
  input.commandLine = {"-Jself", "C:\\app\\setup.exe", "-J-Xmx1g", "a", "-Jx y"};
  input.jvmArgumentPassthrough = true;
  EXPECT_EQ(built(host, input), (Options{"-Xms16m", "-Dfrom=include", "-Dsecond=include", "-Dafter=1", "self",
                                         "-Xmx1g", "x y", "-Dfrom=file", "-Djava.class.path="}));
  EXPECT_EQ(host.logLines.front(), "adding options\n");

  input.jvmArgumentPassthrough = false;
  EXPECT_EQ(built(host, input), (Options{"-Xms16m", "-Dfrom=include", "-Dsecond=include", "-Dafter=1",
                                         "-Dfrom=file", "-Djava.class.path="}));
}

TEST(VmOptions, IncludeLinesAndAPairWithoutItsName) {
  FakeVmOptionsHost host;
  host.defaultFile = "setup.vmoptions";
  host.files["setup.vmoptions"] =
      "-Da=1\n-include-options ${LANQO_TEMPDIR}\\more.vmoptions\n-Dc=3\n"
      "-include-options nosuchfile\n";
  host.files["C:\\tmp\\lqo1.tmp_dir\\more.vmoptions"] = "-Db=2\n-classpath/a C:\\x.jar\n";
  VmOptionsInput input = baseInput();
  input.vmParameterElements = {"-Dfirst", "-include-options"};
  EXPECT_EQ(built(host, input), (Options{"-Dfirst", "-include-options", "-Da=1", "-Db=2", "-Dc=3",
                                         "-Djava.class.path=;C:\\x.jar"}));
  EXPECT_NE(std::find_if(host.logLines.begin(), host.logLines.end(),
                         [](const std::string& line) {
                           return line.rfind("adding vmoptions from <nosuchfile> (", 0) == 0;
                         }),
            host.logLines.end());
}

TEST(VmOptions, IncludeCyclesAndDeepChainsEnd) {
  FakeVmOptionsHost host;
  host.defaultFile = "a";
  host.files["a"] = "-Da\n-include-options b\n-Da2\n";
  host.files["b"] = "-Db\n-include-options a\n-include-options b\n-Db2\n";
  EXPECT_EQ(built(host, baseInput()), (Options{"-Da", "-Db", "-Db2", "-Da2", "-Djava.class.path="}));
  EXPECT_EQ(host.errorLines.size(), 2u);

  FakeVmOptionsHost deep;
  deep.defaultFile = "f0";
  for (int i = 0; i < 40; ++i) {
    deep.files["f" + std::to_string(i)] =
        "-Dn=" + std::to_string(i) + "\n-include-options f" + std::to_string(i + 1);
  }
  const Options options = built(deep, baseInput());
  EXPECT_EQ(options.size(),
            static_cast<size_t>(drx::launcher::kMaxIncludeDepth) + 2);  // files read + class path
  EXPECT_EQ(options.front(), "-Dn=0");
  EXPECT_EQ(deep.errorLines.size(), 1u);
}

TEST(VmOptions, OverlongTextsAreCutNeverOverflow) {
  FakeVmOptionsHost host;
  host.defaultFile = "setup.vmoptions";
  // A line longer than the buffer arrives in two pieces, each an option.
  host.files["setup.vmoptions"] = "-D" + std::string(10000, 'x') + "\n";
  VmOptionsInput input = baseInput();
  input.vmParameterElements = {"-Dp=" + std::string(9000, 'p')};
  const Options options = built(host, input);
  ASSERT_EQ(options.size(), 4u);
  EXPECT_EQ(options[0].size(), drx::launcher::kTextLimit);
  EXPECT_EQ(options[1].size(), drx::launcher::kTextLimit);
  EXPECT_EQ(options[2], std::string(10002 - drx::launcher::kTextLimit, 'x'));

  // The class path option keeps whole entries up to its limit.
  FakeVmOptionsHost many;
  std::vector<std::string> names;
  for (int i = 0; i < 2000; ++i) names.push_back("archive_with_a_long_name_" + std::to_string(i) + ".jar");
  many.listings[std::string(kTemp) + "|jar"] = names;
  VmOptionsInput manyInput = baseInput();
  manyInput.classPath = "A0C:\\last.jar";
  const std::string classPath = classPathOf(many, manyInput);
  EXPECT_LE(classPath.size(), drx::launcher::kClassPathOptionLimit);
  EXPECT_GT(classPath.size(), drx::launcher::kClassPathOptionLimit - 100);
  EXPECT_EQ(classPath.back(), ';');
  EXPECT_EQ(classPath.find("C:\\last.jar"), std::string::npos);
  EXPECT_EQ(many.errorLines.size(), 1u);
}

}  // namespace
