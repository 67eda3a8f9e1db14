// The launcher log: first line, error lines, and when the file survives the process.
#include <gtest/gtest.h>

#include <string>

#include "tests/win/launcher/child_process.h"

namespace drx::test {
namespace {

struct KeepCase {
  const char* name;
  const wchar_t* mode;
  const wchar_t* lanqoLog;
  const wchar_t* deployrixLog;
  bool kept;
};

TEST(LauncherLog, KeptOnlyWhenRequestedOrSwitchedOnExactly) {
  const KeepCase cases[] = {
      {"plain run", L"log", L"", L"", false},
      {"LANQO_LOG=yes", L"log", L"yes", L"", true},
      {"LANQO_LOG=YES", L"log", L"YES", L"", false},
      {"LANQO_LOG=yes with a blank", L"log", L"yes ", L"", false},
      {"DEPLOYRIX_LOG=yes", L"log", L"", L"yes", true},
      {"DEPLOYRIX_LOG=1", L"log", L"", L"1", false},
      {"-create-drx-log request", L"log-request", L"", L"", true},
  };
  for (const KeepCase& c : cases) {
    SCOPED_TRACE(c.name);
    EnvironmentGuard environment({{L"LANQO_LOG", c.lanqoLog}, {L"DEPLOYRIX_LOG", c.deployrixLog}});
    ChildResult result = runDriver(c.mode);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);
    const std::string path = logPathOf(result);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fileExists(path), c.kept) << path;
    DeleteFileA(path.c_str());
  }
}

TEST(LauncherLog, FirstLineThenPlainAndErrorLinesInTextMode) {
  EnvironmentGuard environment({{L"LANQO_LOG", L"yes"}, {L"DEPLOYRIX_LOG", L""}});
  ChildResult result = runDriver(L"log");
  const std::string path = logPathOf(result);
  ASSERT_TRUE(fileExists(path)) << path;
  const std::string content = readFile(path);
  DeleteFileA(path.c_str());

  // Lines end in CR LF; ctime's own line feed leaves an empty line after the first.
  EXPECT_NE(content.find("\r\n"), std::string::npos);
  const std::vector<std::string> logLines = lines(content);
  ASSERT_EQ(logLines.size(), 4u) << content;
  const std::string prefix = "Started executable ";
  EXPECT_EQ(logLines[0].rfind(prefix, 0), 0u) << logLines[0];
  const size_t at = logLines[0].find(" at ");
  ASSERT_NE(at, std::string::npos);
  const std::string executable = logLines[0].substr(prefix.size(), at - prefix.size());
  EXPECT_TRUE(fileExists(executable)) << executable;
  EXPECT_NE(executable.find("launcher_core_driver.exe"), std::string::npos);
  // ctime: "Mon Dec  7 12:00:00 2026"
  EXPECT_EQ(logLines[0].size() - at - 4, 24u) << logLines[0];
  EXPECT_EQ(logLines[1], "");
  EXPECT_EQ(logLines[2], "first line 1");
  EXPECT_EQ(logLines[3], "ERROR: second line x");
}

TEST(LauncherLog, LinesFromSeveralThreadsStayWholeAndNoneIsLost) {
  EnvironmentGuard environment({{L"LANQO_LOG", L"yes"}, {L"DEPLOYRIX_LOG", L""}});
  ChildResult result = runDriver(L"log-threads");
  const std::string path = logPathOf(result);
  const std::vector<std::string> logLines = lines(readFile(path));
  DeleteFileA(path.c_str());
  ASSERT_EQ(logLines.size(), 2u + 800u);
  std::vector<int> next(4, 0);
  for (size_t i = 2; i < logLines.size(); ++i) {
    int thread = -1, line = -1;
    char word[32] = {};
    ASSERT_EQ(sscanf(logLines[i].c_str(), "thread %d line %d %31s", &thread, &line, word), 3) << logLines[i];
    ASSERT_TRUE(thread >= 0 && thread < 4) << logLines[i];
    EXPECT_EQ(line, next[thread]++) << "each thread's lines in order";
    EXPECT_STREQ(word, "payload-text");
  }
}

TEST(LauncherLog, FallsBackToFixedPathWhenNoTemporaryNameCanBeMade) {
  // wine's msvcrt gives no _tempnam name when TMP names a missing directory.
  DeleteFileA("c:\\drx_nlog");
  EnvironmentGuard environment({{L"TMP", L"C:\\lc_missing_dir\\below"}, {L"LANQO_LOG", L""}, {L"DEPLOYRIX_LOG", L""}});
  ChildResult kept = runDriver(L"log-request");
  EXPECT_EQ(logPathOf(kept), "c:\\drx_nlog");
  EXPECT_NE(readFile("c:\\drx_nlog").find("ERROR: second line x"), std::string::npos);
  DeleteFileA("c:\\drx_nlog");

  ChildResult removed = runDriver(L"log");
  EXPECT_EQ(logPathOf(removed), "c:\\drx_nlog");
  EXPECT_FALSE(fileExists("c:\\drx_nlog"));
}

TEST(LogPrompt, AsksOnlyForARequestedLogAndNamesItsPath) {
  if (!haveDisplay()) GTEST_SKIP() << "needs an X display";
  EnvironmentGuard environment({{L"LANQO_LOG", L""}, {L"DEPLOYRIX_LOG", L""}});
  MessageBoxSeen box;
  box.answer = IDNO;
  ChildResult asked = runDriver(L"prompt request", 60000, answerMessageBox, &box);
  EXPECT_EQ(asked.exitCode, 0u);
  const std::string path = logPathOf(asked);
  EXPECT_EQ(box.caption, "deployrix");
  EXPECT_EQ(box.text, "The following log file will be created:\n\n" + path + "\n\nDo you want to open an Explorer window?");
  EXPECT_TRUE(fileExists(path));
  EXPECT_EQ(readFile(path).find("calling "), std::string::npos);
  DeleteFileA(path.c_str());

  MessageBoxSeen none;
  ChildResult silent = runDriver(L"prompt plain", 60000, answerMessageBox, &none);
  EXPECT_EQ(silent.exitCode, 0u);
  EXPECT_EQ(none.caption, "");
  EXPECT_FALSE(fileExists(logPathOf(silent)));
}

}  // namespace
}  // namespace drx::test
