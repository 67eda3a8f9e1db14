// Child-process runner and file helpers for the launcher-core tests.
#include "tests/win/launcher_core/child_process.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/unique_handle.h"

namespace drx::test {
namespace {

std::string slurp(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

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

std::wstring driverProgram() {
  return testProgramDirectory() + L"launcher_core_driver.exe";
}

ChildResult runDriver(const std::wstring& arguments, DWORD timeoutMs, void (*onStarted)(DWORD, void*),
                      void* context) {
  return runProgram(driverProgram(), arguments, timeoutMs, onStarted, context);
}

ChildResult runProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs,
                       void (*onStarted)(DWORD, void*), void* context) {
  static int counter = 0;
  // Beside the test program: tests change TMP, and the output must not depend on it.
  const std::wstring base = testProgramDirectory() + L"lcdrv" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                            std::to_wstring(++counter);
  const std::wstring outPath = base + L".out";
  const std::wstring errPath = base + L".err";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  ChildResult result;
  {
    FileHandle out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    FileHandle err(CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    FileHandle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                              nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
      return result;
    }
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    if (onStarted) onStarted(process.dwProcessId, context);
    if (WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(processHandle.get(), 99);
      WaitForSingleObject(processHandle.get(), 5000);
    } else {
      result.finished = true;
    }
    GetExitCodeProcess(processHandle.get(), &result.exitCode);
  }
  result.out = slurp(outPath);
  result.err = slurp(errPath);
  DeleteFileW(outPath.c_str());
  DeleteFileW(errPath.c_str());
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

bool haveDisplay() {
  return GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 0;
}

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

std::string makeScratchDirectory(const char* tag) {
  static int counter = 0;
  char path[MAX_PATH * 2];
  GetTempPathA(MAX_PATH, path);
  std::string directory = std::string(path) + "lc_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                          std::to_string(++counter);
  removeTree(directory);
  CreateDirectoryA(directory.c_str(), nullptr);
  return directory;
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

namespace {

void removeTreeWide(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW((path + L"\\*").c_str(), &found));
  if (search) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTreeWide(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search.get(), &found));
  }
  search.reset();
  RemoveDirectoryW(path.c_str());
}

}  // namespace

void removeTree(const std::string& path) {
  removeTreeWide(std::wstring(path.begin(), path.end()));
}

}  // namespace drx::test
