// Driver for the runtime-search and VM-option tests: runs as "setup.exe" in a scratch directory so
// the options file beside it, fatal stops and the log act on a process of its own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/payload/property_ids.h"
#include "launcher/command_line.h"
#include "launcher/error_report.h"
#include "launcher/jvm/java_runtime.h"
#include "launcher/jvm/vm_option_list.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/temp_directory.h"

using namespace drx::launcher;

namespace {

std::string environmentText(const char* name) {
  char value[8192];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// DRX_TEST_P<id>=value sets launcher property id.
void propertiesFromEnvironment() {
  for (int id :
       {drx::payload::kVmParameters, drx::payload::kClassPath, drx::payload::kJvmArgumentPassthrough,
        drx::payload::kMinJavaVersion, drx::payload::kMaxJavaVersion, drx::payload::kJreSearchSequence,
        drx::payload::kRequireJdk, drx::payload::kAllowBetaVm, drx::payload::kLauncherType,
        drx::payload::kApplicationDirectory, drx::payload::kApplicationId}) {
    const std::string name = "DRX_TEST_P" + std::to_string(id);
    char value[8192];
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    if (length > 0 && length < sizeof value) setProperty(id, std::string(value, length));
  }
}

}  // namespace

int main() {
  setProperty(1000, "Error");
  setProperty(1006, "File or directory {0} not found or empty\n");
  setProperty(1007, "Wrong Parameter Usage");
  setProperty(1008, "The environment variable {0} has to be defined");
  useConsoleForErrors();
  propertiesFromEnvironment();
  setTemporaryDirectory(environmentText("DRX_TEST_TEMP_DIR"));
  std::vector<std::wstring> commandLine;
  tokeniseWide(GetCommandLineW(), commandLine);
  const std::string mode = environmentText("DRX_TEST_MODE");
  logLine("driver mode %s", mode.c_str());
  printf("log=%s\n", currentLogPath().c_str());
  if (mode == "options") {
    std::vector<std::string> options;
    if (RunFailure failure = buildVmOptionList({"-Dsystem=1"}, commandLine, options)) endWithFailure(failure);
    for (const std::string& option : options) printf("option=%s\n", option.c_str());
  } else if (mode == "search") {
    const std::optional<std::string> found = searchForRuntime();
    printf("found=%s\n", found ? found->c_str() : "(none)");
  } else {
    return 2;
  }
  fflush(stdout);
  return 0;
}
