// Test support: start a program as a child process with its own environment and output files,
// wait for it with a bound, and find, read and press its windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/unique_handle.h"

namespace drx::test {

struct ChildOptions {
  std::wstring commandLine;       // complete, program path first
  std::wstring workingDirectory;  // empty: the caller's
  std::wstring stdinPath;         // empty: no standard input; "NUL" for one that is at its end
  std::wstring stdoutPath;        // empty: no redirection
  std::wstring stderrPath;
  // Set (or, with an empty value and unset == true, removed) in a copy of this process's environment.
  std::vector<std::pair<std::wstring, std::wstring>> environment;
  std::vector<std::wstring> unsetEnvironment;
};

class ChildProcess {
 public:
  // Starts the child; check running() afterwards (GetLastError holds the reason).
  explicit ChildProcess(const ChildOptions& options);
  ChildProcess(ChildProcess&&) = default;
  ~ChildProcess();  // a child still running is terminated, so no test leaves one behind

  bool running() const { return static_cast<bool>(process_); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }

  // True and the exit code when the child ended within timeoutMs.
  bool waitForExit(DWORD timeoutMs, DWORD& exitCode);

 private:
  KernelHandle process_;
  DWORD id_ = 0;
};

// Visible top-level windows of a process, in Z order.
std::vector<HWND> visibleWindowsOf(DWORD processId);

// Polls every 50 ms until a visible top-level window of processId satisfies accept (or any
// window when accept is empty); null after timeoutMs.
HWND waitForWindow(DWORD processId, DWORD timeoutMs, const std::function<bool(HWND)>& accept = {});

// Polls until condition holds; false after timeoutMs.
bool waitUntil(DWORD timeoutMs, const std::function<bool()>& condition);

std::wstring windowText(HWND window);
std::wstring windowClassName(HWND window);
std::wstring dialogItemText(HWND dialog, int controlId);

// Presses a dialog button the way a click does: WM_COMMAND with BN_CLICKED from that control.
void pressDialogButton(HWND dialog, int controlId);

// Saves what the screen shows of window as a 24-bit BMP file; false on any failure.
bool saveWindowScreenshot(HWND window, const std::wstring& bmpPath);

// Deletes directory with everything in it, read-only files included; what cannot go stays.
void removeTree(const std::wstring& directory);

// Reads a whole file (for captured output); empty when missing.
std::string readFileBytes(const std::wstring& path);

// A fresh empty directory under the temporary folder, named prefix + process id + a number;
// empty when none could be made.
std::wstring makeTemporaryDirectory(const std::wstring& prefix);

// makeTemporaryDirectory's folder, removed with its contents on destruction.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const wchar_t* prefix);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

}  // namespace drx::test
