// Laying out stand-in runtimes for the search tests and reading their run counters.
#include "standin_runtimes.h"

#include <windows.h>

#include "driver_run.h"
#include "runtime_layout.h"

#include <gtest/gtest.h>

namespace drx::test {
namespace {

std::string binOf(const std::string& directory, Layout layout) {
  return directory + (layout == Layout::kJreBin ? "\\jre\\bin" : "\\bin");
}

}  // namespace

void setStandinConfig(const std::string& directory, const std::string& config) {
  writeTextFile(directory + "\\standin.cfg", config + "\n");
}

void makeStandinRuntime(const std::string& directory, const std::string& config, Layout layout,
                        bool withJavaw) {
  standin::RuntimeSpec plan;
  plan.vmTypes.clear();  // only java.exe answers here; no jvm.dll is loaded
  plan.javawExe = withJavaw;
  plan.unpack200 = false;
  plan.developmentKit = layout == Layout::kJreBin;
  plan.config = config + "\n";
  EXPECT_TRUE(standin::layOutRuntime(wide(directory), plan)) << directory;
}

int javaRuns(const std::string& directory, Layout layout) {
  const std::string counter = readTextFile(binOf(directory, layout) + "\\java-runs.txt");
  int runs = 0;
  for (char c : counter) runs += c == '\n';
  return runs;
}

}  // namespace drx::test
