// Error reporting: texts by id with "{0}", the appended log path, console and message-box modes, exit codes.
#include <gtest/gtest.h>

#include <string>

#include "launcher/portable/run_failure.h"
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
  EXPECT_EQ(result.err,
            "The installation file is corrupted. If it is a download please try it again.\r\n\r\nLog: " +
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

namespace drx::test {
namespace {

using launcher::FailureKind;

struct FailureCase {
  FailureKind kind;
  int code;
  const char* argument;  // "-": none
  const char* mode;      // "quiet" or "normal"
  DWORD exitCode;
  const char* shown;   // first line on standard error; nullptr: nothing is shown
  const char* logged;  // a line the report adds to the log before it shows anything, or nullptr
};

// Every kind of failure a step hands up, as the work sequence and the entry end the run with it.
TEST(ErrorReport, EachFailureKindShowsItsTextAndEndsWithItsExitCode) {
  const FailureCase cases[] = {
      {FailureKind::kReadLong, 0, "-", "normal", 1, "Internal Error: readLong", "error 38\r\n"},
      {FailureKind::kReadInt, 0, "-", "normal", 1, "Internal Error: readInt", "error 38 3\r\n"},
      {FailureKind::kReadShort, 0, "-", "normal", 1, "Internal Error: readShort", "error 38\r\n"},
      {FailureKind::kReadString, 0, "-", "normal", 1, "Internal Error: readString", nullptr},
      {FailureKind::kReadWideString, 0, "-", "normal", 1, "Internal Error: readWString", nullptr},
      {FailureKind::kBadMagic, 0, "-", "normal", 1, "Internal Error: magic", nullptr},
      {FailureKind::kMediaNotOpened, 0, "-", "normal", 1,
       "Error opening media file. Please move this file to an ascii-only path like c:\\", nullptr},
      {FailureKind::kInternal, 20, "-", "normal", 1, "An internal error occurred (error code: 20)", nullptr},
      {FailureKind::kMessage, 1007, "-", "normal", 1, "Wrong Parameter Usage", nullptr},
      {FailureKind::kMessage, 1006, "lib\\a.jar", "normal", 1,
       "File or directory lib\\a.jar not found or empty", nullptr},
      {FailureKind::kText, 0, "Could not open file jre\\bin\\java.exe", "normal", 1,
       "Could not open file jre\\bin\\java.exe", nullptr},
      {FailureKind::kWideMessage, 20016, "-", "normal", 1,
       "The installation file is corrupted. If it is a download please try it again.", nullptr},
      {FailureKind::kJavaNotStarted, 0, "-", "normal", 1, "The JVM could not be started.",
       "ERROR: Could not start JVM"},
      {FailureKind::kRuntimeCorrupted, 0, "-", "normal", 1,
       "The bundled JRE is corrupted. If you downloaded the setup file please download it again.", nullptr},
      {FailureKind::kNoRuntime, 0, "-", "quiet", 83, nullptr, nullptr},
      {FailureKind::kExtractionCorrupted, 0, "-", "quiet", 1, nullptr, nullptr},
      {FailureKind::kExtractionDiskFull, 0, "-", "quiet", 1, nullptr, nullptr},
  };
  EnvironmentGuard environment({{L"LANQO_LOG", L""}, {L"DEPLOYRIX_LOG", L""}});
  for (const FailureCase& c : cases) {
    const std::string arguments = "failure " + std::to_string(static_cast<int>(c.kind)) + " " +
                                  std::to_string(c.code) + " \"" + c.argument + "\" 38 3 " + c.mode;
    SCOPED_TRACE(arguments);
    ChildResult result = runDriver(std::wstring(arguments.begin(), arguments.end()));
    EXPECT_EQ(result.exitCode, c.exitCode);
    const std::string path = logPathOf(result);
    const std::string log = readFile(path);
    if (c.shown) {
      EXPECT_EQ(lines(result.err).at(0), c.shown);
      EXPECT_NE(result.err.find("Log: " + longForm(path)), std::string::npos) << result.err;
    } else {
      EXPECT_EQ(result.err, "");
    }
    if (c.logged) {
      EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    }
    EXPECT_NE(log.find("before the failure"), std::string::npos) << log;
    DeleteFileA(path.c_str());
  }
}

}  // namespace
}  // namespace drx::test
