// The runtime decision as far as it exists today: without runtime search, inclusion or download,
// every start ends as a start without a usable runtime.
#include "launcher/runtime/runtime_decision.h"

#include <cstdio>

#include "launcher/error_report.h"
#include "launcher/launcher_log.h"
#include "launcher/progress_dialog.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"

namespace drx::launcher {
namespace {

constexpr unsigned kNoRuntimeExitCode = 83;

}  // namespace

bool decideAndPrepareRuntime(HWND dialog) {
  StartupState& state = startupState();
  setStartupMarkers(MarkerAction::set, dialog != nullptr, true);
  if (state.quiet) {
    logErrorLine("No JRE found");
    fputs("no jre found\n", stdout);
    fflush(stdout);
    setStartupMarkers(MarkerAction::remove, true, true);
    exitLauncher(kNoRuntimeExitCode);
  }
  // The download choice is hosted by a progress dialog; without one, show it now. Either way the
  // user ends this start with Cancel until a runtime can be downloaded or picked.
  if (!dialog) showProgressDialog(state.instance);
  return false;
}

void unpackIncludedFiles() {}

bool launchJava() { return false; }

void offerRuntimeDownload(HWND) {}

}  // namespace drx::launcher
