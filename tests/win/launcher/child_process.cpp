// The launcher-core driver run through the shared child-process support, and narrow file helpers.
#include "tests/win/launcher/child_process.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/unique_handle.h"
#include "tests/support/process_driver/process_driver.h"

namespace drx::test {

EnvironmentGuard::EnvironmentGuard(std::vector<std::pair<std::wstring, std::wstring>> changes) {
  for (auto& [name, value] : changes) {
    wchar_t old[32768];
    DWORD length = GetEnvironmentVariableW(name.c_str(), old, 32768);
    existed_.push_back(length > 0);
    saved_.emplace_back(name, length > 0 ? std::wstring(old, length) : std::wstring());
    SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
  }
}

EnvironmentGuard::~EnvironmentGuard() {
  for (size_t i = 0; i < saved_.size(); ++i) {
    SetEnvironmentVariableW(saved_[i].first.c_str(), existed_[i] ? saved_[i].second.c_str() : nullptr);
  }
}

std::wstring testProgramDirectory() {
  wchar_t path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring text(path, length);
  return text.substr(0, text.rfind(L'\\') + 1);
}

std::wstring driverProgram() { return testProgramDirectory() + L"launcher_core_driver.exe"; }

ChildResult runDriver(const std::wstring& arguments, DWORD timeoutMs, void (*onStarted)(DWORD, void*),
                      void* context) {
  return runProgram(driverProgram(), arguments, timeoutMs, onStarted, context);
}

ChildResult runProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs,
                       void (*onStarted)(DWORD, void*), void* context) {
  static int counter = 0;
  // Beside the test program: tests change TMP, and the output must not depend on it.
  const std::wstring base = testProgramDirectory() + L"lcdrv" + std::to_wstring(GetCurrentProcessId()) +
                            L"_" + std::to_wstring(++counter);
  ChildOptions options;
  options.commandLine = L"\"" + program + L"\" " + arguments;
  options.stdinPath = L"NUL";
  options.stdoutPath = base + L".out";
  options.stderrPath = base + L".err";
  ChildResult result;
  {
    ChildProcess child(options);
    if (!child.running()) return result;
    if (onStarted) onStarted(child.id(), context);
    DWORD exitCode = 0;
    result.finished = child.waitForExit(timeoutMs, exitCode);
    if (!result.finished) {
      TerminateProcess(child.handle(), 99);
      WaitForSingleObject(child.handle(), 5000);
    }
    GetExitCodeProcess(child.handle(), &result.exitCode);
  }
  result.out = readFileBytes(options.stdoutPath);
  result.err = readFileBytes(options.stderrPath);
  DeleteFileW(options.stdoutPath.c_str());
  DeleteFileW(options.stderrPath.c_str());
  return result;
}

namespace {

BOOL CALLBACK findMessageBox(HWND window, LPARAM parameter) {
  auto* box = reinterpret_cast<MessageBoxSeen*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (owner != box->processId || std::string(className) != "#32770") return TRUE;
  // A box still being built has no text control yet; it is shown once complete.
  if (!IsWindowVisible(window) || !GetDlgItem(window, 0xFFFF)) return TRUE;
  char text[16384] = {};
  GetWindowTextA(window, text, sizeof text);
  box->caption = text;
  GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
  box->text = text;
  PostMessageA(window, WM_COMMAND, box->answer, 0);
  return FALSE;
}

}  // namespace

void answerMessageBox(DWORD processId, void* context) {
  auto* box = static_cast<MessageBoxSeen*>(context);
  box->processId = processId;
  KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  for (int attempt = 0; attempt < 300 && box->caption.empty(); ++attempt) {
    EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(box));
    if (!box->caption.empty()) break;
    // A child that ended without a box has nothing to answer.
    if (process && WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0) break;
    if (!process) Sleep(100);
  }
}

bool haveDisplay() { return GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 0; }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::string current;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      result.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) result.push_back(current);
  return result;
}

std::string logPathOf(const ChildResult& result) {
  for (const std::string& line : lines(result.out)) {
    if (line.rfind("log=", 0) == 0) return line.substr(4);
  }
  return {};
}

std::string makeScratchDirectory(const char* tag) {
  const std::wstring directory = makeTemporaryDirectory(L"lc_" + std::wstring(tag, tag + strlen(tag)) + L"_");
  return std::string(directory.begin(), directory.end());
}

bool fileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void removeTree(const std::string& path) { removeTree(std::wstring(path.begin(), path.end())); }

}  // namespace drx::test
