// Shared pieces of the stand-in runtime's Windows tests: scratch folders, report reading, environment.
#ifndef DRX_TESTS_WIN_STANDIN_TEST_SUPPORT_H
#define DRX_TESTS_WIN_STANDIN_TEST_SUPPORT_H

#include "report_format.h"
#include "runtime_layout.h"
#include "standin_host.h"

#include <windows.h>

#include <string>

#include "tests/support/process_driver/process_driver.h"

namespace standin {

// A scratch folder with a report file named in DRX_STANDIN_REPORT for this process and its children.
class Scratch {
 public:
  Scratch() : root_(drx::test::makeTemporaryDirectory(L"drxstandin")), report_(root_ + L"\\report.txt") {
    SetEnvironmentVariableW(L"DRX_STANDIN_REPORT", report_.c_str());
  }
  ~Scratch() {
    SetEnvironmentVariableW(L"DRX_STANDIN_REPORT", nullptr);
    drx::test::removeTree(root_);
  }
  const std::wstring& root() const { return root_; }
  Report report() const {
    std::string text;
    readFile(report_, text);
    return Report::parse(text);
  }

 private:
  std::wstring root_;
  std::wstring report_;
};

}  // namespace standin

#endif
