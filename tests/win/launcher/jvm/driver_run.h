// Runs the test driver as setup.exe in a scratch directory and collects its output and log.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace drx::test {

struct DriverRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::vector<std::string> options;  // "option=" lines
  std::string found;                 // "found=" line
  std::string standardError;
  std::string log;  // the kept log file's text
};

// Narrow <-> wide for test paths (ASCII in these tests).
std::wstring wide(const std::string& text);
std::string narrow(const std::wstring& text);

// Copies the driver beside the test program into directory as exeName and runs it there with
// the given extra environment (names and values narrow) and command-line arguments, in
// workingDirectory (empty: directory).
DriverRun runDriverAs(const std::string& directory, const char* exeName,
                      const std::vector<std::pair<std::string, std::string>>& environment,
                      const std::string& arguments = "", const std::string& workingDirectory = "");

void writeTextFile(const std::string& path, const std::string& text);
std::string readTextFile(const std::string& path);

}  // namespace drx::test
