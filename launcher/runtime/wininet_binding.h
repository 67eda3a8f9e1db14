// WinINet bound at run time from the system directory, so the launcher starts where it is missing.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace drx::launcher {

struct WinInet {
  decltype(&InternetOpenUrlA) openUrl = nullptr;
  decltype(&InternetOpenA) open = nullptr;
  decltype(&HttpQueryInfoA) queryInfo = nullptr;
  decltype(&InternetAttemptConnect) attemptConnect = nullptr;
  decltype(&InternetCloseHandle) closeHandle = nullptr;
  decltype(&InternetReadFile) readFile = nullptr;
};

// Loads "wininet.dll" by its full path in the system directory and looks up the six functions;
// logs and returns false when either fails. The library stays loaded.
bool bindWinInet();
// The bound functions; valid after bindWinInet returned true.
const WinInet& winInet();

// Owns one WinINet handle.
class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  ~InternetHandle() { reset(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(HINTERNET handle = nullptr) {
    if (handle_) {
      const DWORD savedError = GetLastError();
      winInet().closeHandle(handle_);
      SetLastError(savedError);
    }
    handle_ = handle;
  }

 private:
  HINTERNET handle_ = nullptr;
};

}  // namespace drx::launcher
