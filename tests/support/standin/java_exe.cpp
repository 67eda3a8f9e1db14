// Stand-in java.exe / javaw.exe: answers -version with a scripted first line and exit code, can hang, counts
// its runs.
#include "standin_host.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void writeStandardError(const std::string& text) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  DWORD wrote = 0;
  WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
}

void countRun(const std::wstring& commandLine) {
  const standin::Config& config = standin::config();
  std::wstring file = config.has("java.countFile")
                          ? standin::widen(config.get("java.countFile"))
                          : standin::directoryOf(standin::ownModulePath()) + L"\\java-runs.txt";
  std::string line = standin::narrow(commandLine) + "\r\n";
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      DWORD wrote = 0;
      WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
      CloseHandle(handle);
      return;
    }
    Sleep(10);
  }
}

}  // namespace

int main() {
  const standin::Config& config = standin::config();
  std::wstring commandLine = GetCommandLineW();
  countRun(commandLine);
  standin::report("java.run", standin::narrow(commandLine));

  std::string hang = config.get("java.hangMs");
  if (hang == "forever") Sleep(INFINITE);
  if (!hang.empty()) Sleep(static_cast<DWORD>(std::strtoul(hang.c_str(), nullptr, 10)));

  std::string lineEnd = config.get("java.lineEnd", "crlf");
  std::string end = lineEnd == "lf" ? "\n" : lineEnd == "none" ? "" : "\r\n";
  if (commandLine.find(L"-version") != std::wstring::npos) {
    std::string version = config.get("java.firstLine", "java version \"1.8.0_202\"");
    std::string output = version + end;
    long more = config.getInt("java.moreLines", 2);
    for (long i = 0; i < more; ++i) output += "Stand-in Runtime line " + std::to_string(i + 2) + end;
    writeStandardError(output);
  } else {
    writeStandardError("Usage: java [options] <mainclass> [args...]" + end);
  }
  return static_cast<int>(config.getInt("java.exitCode", 0));
}
