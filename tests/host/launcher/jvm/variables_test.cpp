// Variable substitution: the launcher variables in table order and the environment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/jvm/portable/text_limits.h"
#include "launcher/jvm/portable/variables.h"

namespace {

using drx::launcher::EnvironmentEntry;
using drx::launcher::expandVariables;
using drx::launcher::VariableValues;

const VariableValues kValues{"C:\\app\\", "C:\\Temp\\lqo1a.tmp_dir", "C:\\jre\\bin\\.."};

std::string expanded(std::string text, const VariableValues& values = kValues,
                     const std::vector<EnvironmentEntry>& environment = {}) {
  expandVariables(text, values, environment, nullptr);
  return text;
}

TEST(Variables, LauncherVariablesInEveryForm) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"%LANQO_EXEDIR%lib\\x.jar", "C:\\app\\lib\\x.jar"},
      {"%DEPLOYRIX_EXEDIR%lib", "C:\\app\\lib"},
      {"${LANQO_EXEDIR}${DEPLOYRIX_EXEDIR}", "C:\\app\\C:\\app\\"},
      {"${launcher:sys.launcherDirectory}", "C:\\app\\"},
      {"%LANQO_TEMPDIR%\\a.jar", "C:\\Temp\\lqo1a.tmp_dir\\a.jar"},
      {"${DEPLOYRIX_TEMPDIR}|${launcher:sys.launcherTempDirectory}",
       "C:\\Temp\\lqo1a.tmp_dir|C:\\Temp\\lqo1a.tmp_dir"},
      {"a%LANQO_PATHLIST_SEPARATOR%b%DEPLOYRIX_PATHLIST_SEPARATOR%c", "a;b;c"},
      {"${LANQO_PATHLIST_SEPARATOR}${launcher:sys.pathlistSeparator}", ";;"},
      {"%LANQO_JVM_HOME%\\lib", "C:\\jre\\bin\\..\\lib"},
      {"${DEPLOYRIX_JVM_HOME}|${launcher:sys.jvmHome}", "C:\\jre\\bin\\..|C:\\jre\\bin\\.."},
      {"%lanqo_exedir% ${Launcher:sys.jvmHome}", "%lanqo_exedir% ${Launcher:sys.jvmHome}"},  // case-sensitive
      {"%LANQO_EXEDIR", "%LANQO_EXEDIR"},
  };
  for (const Case& c : cases) EXPECT_EQ(expanded(c.text), c.expected) << c.text;
}

TEST(Variables, RuntimeHomeIsEmptyBeforeARuntimeIsLoaded) {
  const VariableValues noRuntime{"C:\\app\\", "C:\\t", ""};
  EXPECT_EQ(expanded("-Dhome=%LANQO_JVM_HOME%x", noRuntime), "-Dhome=x");
  EXPECT_EQ(drx::launcher::runtimeHomeForExecutable("C:\\jre\\bin\\java.exe"), "C:\\jre\\bin\\..");
  EXPECT_EQ(drx::launcher::runtimeHomeForExecutable("java.exe"), "");
}

TEST(Variables, EveryReplacementIsLoggedWithTheWholeText) {
  std::vector<std::string> lines;
  std::string text = "%LANQO_EXEDIR%a;%LANQO_EXEDIR%b";
  expandVariables(text, kValues, {},
                  [&](std::string_view pattern, std::string_view value, const std::string& whole) {
                    lines.push_back(std::string(pattern) + "|" + std::string(value) + "|" + whole);
                  });
  EXPECT_EQ(text, "C:\\app\\a;C:\\app\\b");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "%LANQO_EXEDIR%|C:\\app\\|C:\\app\\a;%LANQO_EXEDIR%b");
  EXPECT_EQ(lines[1], "%LANQO_EXEDIR%|C:\\app\\|C:\\app\\a;C:\\app\\b");
}

TEST(Variables, EnvironmentNamesExpandAsWrittenAndUpperCased) {
  const std::vector<EnvironmentEntry> environment = {{"Path", "C:\\windows"}, {"JAVA_HOME", "C:\\jdk"}};
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"${Path}", "C:\\windows"},
      {"${PATH}", "C:\\windows"},
      {"${path}", "${path}"},
      {"${JAVA_HOME}\\bin;${Path}", "C:\\jdk\\bin;C:\\windows"},
      {"$JAVA_HOME %JAVA_HOME%", "$JAVA_HOME %JAVA_HOME%"},
  };
  for (const Case& c : cases) EXPECT_EQ(expanded(c.text, kValues, environment), c.expected) << c.text;
}

TEST(Variables, InsertedValuesAreSearchedOnlyByLaterPatterns) {
  // A value that contains its own pattern is not expanded again (no endless growth)...
  EXPECT_EQ(expanded("${A}", kValues, {{"A", "x${A}"}}), "x${A}");
  // ...but later patterns do reach into it, earlier ones do not.
  EXPECT_EQ(expanded("${A}", kValues, {{"A", "${B}"}, {"B", "1"}}), "1");
  EXPECT_EQ(expanded("${A}", kValues, {{"B", "1"}, {"A", "${B}"}}), "${B}");
  EXPECT_EQ(expanded("${A}", kValues, {{"A", "%LANQO_EXEDIR%"}}), "%LANQO_EXEDIR%");
  const VariableValues looping{"%LANQO_EXEDIR%\\", "", ""};
  EXPECT_EQ(expanded("%LANQO_EXEDIR%", looping), "%LANQO_EXEDIR%\\");
}

TEST(Variables, ExpansionNeverGrowsBeyondTheTextLimit) {
  const VariableValues big{std::string(5000, 'd') + "\\", "", ""};
  std::string text = "%LANQO_EXEDIR%%LANQO_EXEDIR%%LANQO_EXEDIR%tail";
  expandVariables(text, big, {}, nullptr);
  EXPECT_EQ(text.size(), drx::launcher::kTextLimit);
  EXPECT_EQ(text.substr(0, 5001), big.launcherDirectory);
}

TEST(Variables, EnvironmentBlockEntriesSplitAtTheFirstEqualsSign) {
  const char block[] = "A=1\0=C:=C:\\dir\0Path=a=b\0NOEQUALS\0EMPTY=\0";
  const auto entries = drx::launcher::parseEnvironmentBlock(block);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "A");
  EXPECT_EQ(entries[0].value, "1");
  EXPECT_EQ(entries[1].name, "=C:");
  EXPECT_EQ(entries[1].value, "C:\\dir");
  EXPECT_EQ(entries[2].name, "Path");
  EXPECT_EQ(entries[2].value, "a=b");
  EXPECT_EQ(entries[3].name, "EMPTY");
  EXPECT_EQ(entries[3].value, "");
  EXPECT_TRUE(drx::launcher::parseEnvironmentBlock(nullptr).empty());
}

}  // namespace
