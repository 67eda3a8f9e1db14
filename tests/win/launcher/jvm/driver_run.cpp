// Running the jvm test driver as a child process with its output in files.
#include "driver_run.h"

#include "tests/support/process_driver/process_driver.h"

namespace drx::test {
namespace {

std::wstring testDirectory() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring directory(path, length);
  return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string narrow(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) result.push_back(static_cast<char>(c));
  return result;
}

void writeTextFile(const std::string& path, const std::string& text) {
  FileHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string readTextFile(const std::string& path) { return readFileBytes(wide(path)); }

DriverRun runDriverAs(const std::string& directory, const char* exeName,
                      const std::vector<std::pair<std::string, std::string>>& environment,
                      const std::string& arguments, const std::string& workingDirectory) {
  const std::wstring exe = wide(directory + "\\" + exeName);
  CopyFileW((testDirectory() + L"jvm_driver.exe").c_str(), exe.c_str(), FALSE);
  ChildOptions options;
  options.commandLine = L"\"" + exe + L"\" " + wide(arguments);
  options.workingDirectory = wide(workingDirectory.empty() ? directory : workingDirectory);
  options.stdoutPath = wide(directory + "\\driver.out");
  options.stderrPath = wide(directory + "\\driver.err");
  options.environment.push_back({L"LANQO_LOG", L"yes"});
  for (const auto& [name, value] : environment) options.environment.push_back({wide(name), wide(value)});
  DriverRun run;
  {
    ChildProcess child(options);
    if (!child.running() || !child.waitForExit(120000, run.exitCode)) return run;
  }
  run.standardError = readTextFile(directory + "\\driver.err");
  for (const std::string& line : splitLines(readTextFile(directory + "\\driver.out"))) {
    if (line.rfind("option=", 0) == 0) run.options.push_back(line.substr(7));
    if (line.rfind("found=", 0) == 0) run.found = line.substr(6);
    if (line.rfind("log=", 0) == 0 && line.size() > 4) {
      run.log = readTextFile(line.substr(4));
      DeleteFileA(line.substr(4).c_str());
    }
  }
  return run;
}

}  // namespace drx::test
