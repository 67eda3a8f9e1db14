// Media files with stand-in runtimes for the runtime stage tests, and what the launcher left.
#include "tests/win/launcher/runtime/runtime_fixture.h"

#include "standin_host.h"

namespace drx::test {

std::string runtimeArchive(const ScratchDirectory& scratch, const standin::RuntimeSpec& plan,
                           const std::string& prefix) {
  static int counter = 0;
  const std::wstring root = scratch.file(L"runtime" + std::to_wstring(++counter));
  if (!standin::layOutRuntime(root, plan)) return std::string();
  return standin::gzip(standin::makeTar(standin::treeEntries(root, prefix)));
}

RuntimeLaunch::RuntimeLaunch(const ScratchDirectory& scratch) : setup(scratch) {
  reportPath = setup.directory + L"\\report.txt";
  setup.environment.emplace_back(L"DRX_STANDIN_REPORT", reportPath);
  setup.keepLog = true;
}

standin::Report RuntimeLaunch::report() const { return standin::Report::parse(readFileBytes(reportPath)); }

std::wstring RuntimeLaunch::workingDirectory() const {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((setup.temporaryPath + L"\\lqo*_dir").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::wstring();
  FindClose(search);
  return setup.temporaryPath + L"\\" + found.cFileName;
}

bool RuntimeLaunch::workingFileExists(const std::wstring& name) const {
  const std::wstring directory = workingDirectory();
  return !directory.empty() &&
         GetFileAttributesW((directory + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string RuntimeLaunch::workingFile(const std::wstring& name) const {
  return readFileBytes(workingDirectory() + L"\\" + name);
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace drx::test
