// The launcher log: first line, error lines, and when the file survives the process.
#include <gtest/gtest.h>

#include <string>

#include "common/unique_handle.h"
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

// What the test sees and does between the steps of the driver's log-steps mode.
struct SteppedLog {
  std::string directory;  // the child's TMP: its log is the only file there
  KernelHandle ready;
  KernelHandle go;
  std::string path;
  std::string moved;
  std::string atStart;
  std::string afterRename;
  bool appended = false;
  bool renamed = false;
  bool deleted = false;
  bool finished = false;
};

std::string onlyFileIn(const std::string& directory) {
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA((directory + "\\*").c_str(), &found));
  if (!search) return {};
  std::string name;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) name = found.cFileName;
  } while (name.empty() && FindNextFileA(search.get(), &found));
  return name.empty() ? std::string() : directory + "\\" + name;
}

bool nextStep(SteppedLog& log) { return WaitForSingleObject(log.ready.get(), 30000) == WAIT_OBJECT_0; }

void driveSteppedLog(DWORD, void* context) {
  auto& log = *static_cast<SteppedLog*>(context);
  if (!nextStep(log)) return;
  log.path = onlyFileIn(log.directory);
  log.atStart = readFile(log.path);
  {
    FileHandle other(CreateFileA(log.path.c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    const char text[] = "another writer's line\r\n";
    DWORD written = 0;
    log.appended = other && WriteFile(other.get(), text, sizeof text - 1, &written, nullptr) &&
                   written == sizeof text - 1;
  }
  log.moved = log.directory + "\\moved.log";
  log.renamed = MoveFileA(log.path.c_str(), log.moved.c_str()) != 0;
  SetEvent(log.go.get());
  if (!nextStep(log)) return;
  log.afterRename = readFile(log.moved);
  log.deleted = DeleteFileA(log.moved.c_str()) != 0;
  SetEvent(log.go.get());
  log.finished = nextStep(log);
}

TEST(LauncherLog, OpenLogIsCompleteAfterEachLineAndOthersMayAppendRenameAndDeleteIt) {
  SteppedLog log;
  log.directory = makeScratchDirectory("steps");
  const std::wstring name = L"drx_log_steps_" + std::to_wstring(GetCurrentProcessId());
  log.ready.reset(CreateEventW(nullptr, FALSE, FALSE, (name + L"-ready").c_str()));
  log.go.reset(CreateEventW(nullptr, FALSE, FALSE, (name + L"-go").c_str()));
  ASSERT_TRUE(log.ready && log.go);
  const std::wstring directory(log.directory.begin(), log.directory.end());
  EnvironmentGuard environment({{L"TMP", directory}, {L"LANQO_LOG", L"yes"}, {L"DEPLOYRIX_LOG", L""}});
  ChildResult result = runDriver(L"log-steps " + name, 90000, driveSteppedLog, &log);
  EXPECT_EQ(result.exitCode, 0u);
  ASSERT_TRUE(log.finished) << result.out << result.err;

  // While the process still runs, every line written so far is in the file, line end included.
  const std::vector<std::string> atStart = lines(log.atStart);
  ASSERT_EQ(atStart.size(), 4u) << log.atStart;
  EXPECT_EQ(atStart[2], "held line 1");
  EXPECT_EQ(atStart[3], "ERROR: held line 2");
  EXPECT_EQ(log.atStart.substr(log.atStart.size() - 2), "\r\n");

  // Another writer's line is kept, and the next line follows the renamed file.
  EXPECT_TRUE(log.appended);
  EXPECT_TRUE(log.renamed);
  const std::vector<std::string> afterRename = lines(log.afterRename);
  ASSERT_EQ(afterRename.size(), 6u) << log.afterRename;
  EXPECT_EQ(afterRename[4], "another writer's line");
  EXPECT_EQ(afterRename[5], "after the rename");

  // Deleted while open, the file is gone once the process ends, and no line brings it back.
  EXPECT_TRUE(log.deleted);
  EXPECT_FALSE(fileExists(log.moved));
  EXPECT_FALSE(fileExists(log.path));
  removeTree(log.directory);
}

TEST(LauncherLog, FallsBackToFixedPathWhenNoTemporaryNameCanBeMade) {
  // wine's msvcrt gives no _tempnam name when TMP names a missing directory.
  DeleteFileA("c:\\drx_nlog");
  EnvironmentGuard environment(
      {{L"TMP", L"C:\\lc_missing_dir\\below"}, {L"LANQO_LOG", L""}, {L"DEPLOYRIX_LOG", L""}});
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
  EXPECT_EQ(box.text, "The following log file will be created:\n\n" + path +
                          "\n\nDo you want to open an Explorer window?");
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
