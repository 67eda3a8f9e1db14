// Runs the launcher-core driver program as a child process with output captured through files.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace drx::test {

struct ChildResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string out;
  std::string err;
  bool finished = false;
};

// Sets environment variables (empty value: removes) for the lifetime of the guard.
class EnvironmentGuard {
 public:
  explicit EnvironmentGuard(std::vector<std::pair<std::wstring, std::wstring>> changes);
  ~EnvironmentGuard();
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> saved_;
  std::vector<bool> existed_;
};

// The directory of the running test program, with a trailing backslash.
std::wstring testProgramDirectory();
// Runs launcher_core_driver.exe (beside the test) with the given argument text, waits up to
// timeoutMs. onStarted runs while the child is alive (for tests that answer its windows).
ChildResult runDriver(const std::wstring& arguments, DWORD timeoutMs = 60000,
                      void (*onStarted)(DWORD processId, void* context) = nullptr, void* context = nullptr);
// The same for any program.
ChildResult runProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs = 60000,
                       void (*onStarted)(DWORD processId, void* context) = nullptr, void* context = nullptr);
std::wstring driverProgram();

// The first message box a child shows: its caption and text; it is answered with OK.
struct MessageBoxSeen {
  std::string caption;
  std::string text;
  DWORD processId = 0;
  int answer = IDOK;
};
// For runProgram's onStarted: waits up to 30 s for the child's message box (context: MessageBoxSeen).
void answerMessageBox(DWORD processId, void* context);
bool haveDisplay();

// Text of the child's output split at line ends (CR LF or LF), empty lines kept.
std::vector<std::string> lines(const std::string& text);
// The log path the driver printed as "log=<path>"; empty when it printed none.
std::string logPathOf(const ChildResult& result);
// A fresh empty directory in the user's temporary area.
std::string makeScratchDirectory(const char* tag);
bool fileExists(const std::string& path);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
void removeTree(const std::string& path);

}  // namespace drx::test
