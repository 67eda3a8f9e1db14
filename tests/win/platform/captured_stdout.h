// Captures what the DLL prints to standard output during a scope (same msvcrt, same fd 1).
#pragma once

#include <string>

namespace drxtest {

class CapturedStdout {
 public:
  CapturedStdout();
  ~CapturedStdout();
  CapturedStdout(const CapturedStdout&) = delete;
  CapturedStdout& operator=(const CapturedStdout&) = delete;

  // Everything written since the capture began; ends the capture.
  std::string text();

 private:
  void stop();
  std::wstring path_;
  int savedFd_ = -1;
  bool stopped_ = false;
};

}  // namespace drxtest
