// Redirection of file descriptor 1 into a temporary file and back.
#include "captured_stdout.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace drxtest {

CapturedStdout::CapturedStdout() {
  wchar_t directory[MAX_PATH];
  wchar_t file[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  GetTempFileNameW(directory, L"out", 0, file);
  path_ = file;
  fflush(stdout);
  savedFd_ = _dup(1);
  const int fd = _wopen(path_.c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY);
  _dup2(fd, 1);
  _close(fd);
}

CapturedStdout::~CapturedStdout() {
  stop();
  DeleteFileW(path_.c_str());
}

void CapturedStdout::stop() {
  if (stopped_) return;
  stopped_ = true;
  fflush(stdout);
  _dup2(savedFd_, 1);
  _close(savedFd_);
}

std::string CapturedStdout::text() {
  stop();
  std::string text;
  FILE* f = _wfopen(path_.c_str(), L"rb");
  if (f == nullptr) return text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  // fd 1 may be in text mode: compare lines as the program wrote them.
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return lines;
}

}  // namespace drxtest
