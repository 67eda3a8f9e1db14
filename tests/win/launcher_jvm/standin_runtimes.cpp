// Laying out stand-in runtimes in scratch directories and reading their run counters.
#include "standin_runtimes.h"

#include <windows.h>

#include "driver_run.h"

namespace drx::test {
namespace {

std::string standinDirectory() {
  char path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory(path, length);
  directory.resize(directory.find_last_of('\\') + 1);
  return directory + DRX_STANDIN_RELATIVE_DIR;
}

std::string binOf(const std::string& directory, Layout layout) {
  return directory + (layout == Layout::kJreBin ? "\\jre\\bin" : "\\bin");
}

}  // namespace

void setStandinConfig(const std::string& directory, const std::string& config) {
  writeTextFile(directory + "\\standin.cfg", config + "\n");
}

void makeStandinRuntime(const std::string& directory, const std::string& config, Layout layout, bool withJavaw) {
  CreateDirectoryA(directory.c_str(), nullptr);
  if (layout == Layout::kJreBin) CreateDirectoryA((directory + "\\jre").c_str(), nullptr);
  const std::string bin = binOf(directory, layout);
  CreateDirectoryA(bin.c_str(), nullptr);
  CopyFileA((standinDirectory() + "\\java.exe").c_str(), (bin + "\\java.exe").c_str(), FALSE);
  if (withJavaw) CopyFileA((standinDirectory() + "\\javaw.exe").c_str(), (bin + "\\javaw.exe").c_str(), FALSE);
  setStandinConfig(directory, config);
}

int javaRuns(const std::string& directory, Layout layout) {
  const std::string counter = readTextFile(binOf(directory, layout) + "\\java-runs.txt");
  int runs = 0;
  for (char c : counter) runs += c == '\n';
  return runs;
}

}  // namespace drx::test
