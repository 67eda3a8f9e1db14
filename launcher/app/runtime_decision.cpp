// The runtime decision: an included archive, an installed runtime, or the download flow.
#include "launcher/app/runtime_decision.h"

#include <direct.h>
#include <windows.h>

#include <cstdio>

#include "common/payload/property_ids.h"
#include "launcher/app/progress_dialog.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/java_vm_launcher.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

constexpr const char* kRuntimeArchive = "jre.tar.gz";
constexpr const char* kRuntimeDirectory = "jre";

std::string fullPath(const char* name) {
  char path[MAX_PATH + 1] = {};
  if (!GetFullPathNameA(name, sizeof path, path, nullptr)) return name;
  return path;
}

RunFailure noRuntimeFound() {
  logErrorLine("No JRE found");
  fputs("no jre found\n", stdout);
  fflush(stdout);
  setStartupMarkers(MarkerAction::remove, true, true);
  return failureOf(FailureKind::kNoRuntime);
}

// Step 5: no runtime included. ready is true when an installed or hand-picked runtime is ready.
RunFailure settleWithoutIncludedRuntime(HWND dialog, bool& ready) {
  StartupState& state = startupState();
  setStartupMarkers(MarkerAction::set, dialog != nullptr, true);
  ready = true;
  if (!state.manualRuntimeSelection && prepareRuntime(false, std::string(), false)) return {};
  if (state.quiet) return noRuntimeFound();
  if (dialog) return runDownloadFlow(dialog, ready);
  // The download flow needs the dialog as its host; its procedure runs the flow on its thread.
  showProgressDialog(state.instance);
  ready = runtimeLocatedByHand();
  return {};
}

}  // namespace

RunFailure decideAndPrepareRuntime(HWND dialog, bool& ready) {
  ready = false;
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
    bool settled = false;
    if (RunFailure failure = settleWithoutIncludedRuntime(dialog, settled)) return failure;
    if (!settled && !state.runtimeIncluded) return {};
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
    if (state.runtimeIncluded) {
      if (RunFailure failure = useExtractedRuntime()) return failure;
    }
    ready = true;
    return {};
  }
  state.progressBase = !state.runtimeIncluded ? 100 : getIntProperty(kJrePacked) != 0 ? 300 : 200;
  ready = true;
  return {};
}

}  // namespace drx::launcher
