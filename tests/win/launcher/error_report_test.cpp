// Error reporting: texts by id with "{0}", the appended log path, console and message-box modes, exit codes.
#include <gtest/gtest.h>

#include <string>

#include "tests/win/launcher/child_process.h"

namespace drx::test {
namespace {

std::string longForm(const std::string& path) {
  char buffer[8192];
  DWORD length = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

TEST(ErrorReport, FatalOnConsoleAppendsEmptyLineAndLongLogPathAndKeepsLog) {
  EnvironmentGuard environment({{L"LANQO_LOG", L""}, {L"DEPLOYRIX_LOG", L""}});
  ChildResult result = runDriver(L"fatal console \"Something failed\"");
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 1u);
  const std::string path = logPathOf(result);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(result.err, "Something failed\r\n\r\nLog: " + longForm(path) + "\r\n");
  // ExitProcess skips the exit handler, and the path was shown: the log stays.
  EXPECT_TRUE(fileExists(path));
  DeleteFileA(path.c_str());
}

TEST(ErrorReport, WideFatalOnConsoleAppendsLogPath) {
  EnvironmentGuard environment({{L"LANQO_LOG", L""}, {L"DEPLOYRIX_LOG", L""}});
  ChildResult result = runDriver(L"wide-fatal");
  EXPECT_EQ(result.exitCode, 1u);
  const std::string path = logPathOf(result);
  EXPECT_EQ(result.err, "The installation file is corrupted. If it is a download please try it again.\r\n\r\nLog: " +
                            longForm(path) + "\r\n");
  DeleteFileA(path.c_str());
}

struct ByIdCase {
  const wchar_t* arguments;
  const char* shown;
};

TEST(ErrorReport, MessagesByIdReplaceOnlyTheFirstPlaceholder) {
  const ByIdCase cases[] = {
      {L"fatal-id 1009 34", "An internal error occurred (error code: 34)\r\n"},
      {L"internal 7", "An internal error occurred (error code: 7)\r\n"},
      {L"internal 11", "An internal error occurred (error code: 11)\r\n"},
      {L"fatal-id 1009 -", "An internal error occurred (error code: {0})\r\n"},
      {L"fatal-id 1007 ignored", "Wrong Parameter Usage\r\n"},
      {L"fatal-id 1006 C:\\x", "File or directory C:\\x not found or empty\r\n\r\n"},
      {L"fatal-id 4242 text", "\r\n"},
      {L"fatal-nolog \"no log yet\"", "no log yet\r\n"},
  };
  for (const ByIdCase& c : cases) {
    SCOPED_TRACE(std::string(c.shown));
    ChildResult result = runDriver(c.arguments);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, c.shown);
  }
}

TEST(ErrorReport, FatalInMessageBoxModeShowsTextAndLogPathUnderErrorCaption) {
  if (!GetEnvironmentVariableA("DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display";
  EnvironmentGuard environment({{L"LANQO_LOG", L""}, {L"DEPLOYRIX_LOG", L""}});
  MessageBoxSeen box;
  ChildResult result = runDriver(L"fatal box \"Something failed\"", 60000, answerMessageBox, &box);
  EXPECT_EQ(result.exitCode, 1u);
  const std::string path = logPathOf(result);
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.text, "Something failed\n\nLog: " + longForm(path));
  EXPECT_TRUE(fileExists(path));
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace drx::test
