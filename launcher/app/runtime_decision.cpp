// The runtime decision: an included archive, an installed runtime, or the download flow.
#include "launcher/app/runtime_decision.h"

#include <direct.h>
#include <windows.h>

#include <cstdio>

#include "common/payload/property_ids.h"
#include "launcher/app/progress_dialog.h"
#include "launcher/error_report.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/java_vm_launcher.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/run_end.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

constexpr unsigned kNoRuntimeExitCode = 83;
constexpr const char* kRuntimeArchive = "jre.tar.gz";
constexpr const char* kRuntimeDirectory = "jre";

std::string fullPath(const char* name) {
  char path[MAX_PATH + 1] = {};
  if (!GetFullPathNameA(name, sizeof path, path, nullptr)) return name;
  return path;
}

[[noreturn]] void exitWithoutRuntime() {
  logErrorLine("No JRE found");
  fputs("no jre found\n", stdout);
  fflush(stdout);
  setStartupMarkers(MarkerAction::remove, true, true);
  exitLauncher(kNoRuntimeExitCode);
}

// Step 5: no runtime included. True when an installed or hand-picked runtime is ready.
bool settleWithoutIncludedRuntime(HWND dialog) {
  StartupState& state = startupState();
  setStartupMarkers(MarkerAction::set, dialog != nullptr, true);
  if (!state.manualRuntimeSelection && prepareRuntime(false, std::string(), false)) return true;
  if (state.quiet) exitWithoutRuntime();
  if (dialog) return runDownloadFlow(dialog);
  // The download flow needs the dialog as its host; its procedure runs the flow on its thread.
  showProgressDialog(state.instance);
  return runtimeLocatedByHand();
}

}  // namespace

bool decideAndPrepareRuntime(HWND dialog) {
  StartupState& state = startupState();
  const std::string archive = fullPath(kRuntimeArchive);
  logLine("Full JRE path: %s", archive.c_str());
  state.runtimeIncluded = pathExists(archive.c_str());
  if (!state.runtimeIncluded && state.languageRestart) {
    const std::string extracted = fullPath(kRuntimeDirectory);
    logLine("Checking extracted JRE: %s", extracted.c_str());
    state.runtimeIncluded = pathExists(extracted.c_str());
  }
  logLine(state.runtimeIncluded ? "JRE included" : "No JRE included");
  if (state.manualRuntimeSelection && state.runtimeIncluded) {
    logLine("Included JRE not used because of manual switch");
    state.runtimeIncluded = false;
  }

  if (!state.runtimeIncluded) {
    // A hand-picked runtime is loaded by the download flow; a download sets runtimeIncluded.
    if (!settleWithoutIncludedRuntime(dialog) && !state.runtimeIncluded) return false;
  } else if (getIntProperty(kPreferInstalledJre) != 0) {
    setStartupMarkers(MarkerAction::set, dialog != nullptr, true);
    if (prepareRuntime(false, std::string(), false)) {
      state.runtimeIncluded = false;
    } else {
      setStartupMarkers(MarkerAction::remove, true, true);
    }
  }

  const std::string& workingDirectory = temporaryDirectory();
  if (_chdir(workingDirectory.c_str()) != 0)
    logErrorLine("Could not change working dir to %s", workingDirectory.c_str());
  if (state.languageRestart) {
    if (state.runtimeIncluded) useExtractedRuntime();
    return true;
  }
  state.progressBase = !state.runtimeIncluded ? 100 : getIntProperty(kJrePacked) != 0 ? 300 : 200;
  if (state.runtimeIncluded) {
    CancelGuardedStep scope;
    extractIncludedRuntime(dialog);
  }
  return true;
}

}  // namespace drx::launcher
