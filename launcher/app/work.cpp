// The work sequence: verify, create the temporary directory, extract, settle a runtime, launch.
#include "launcher/app/work.h"

#include <direct.h>

#include <string>

#include "common/payload/property_ids.h"
#include "launcher/app/progress_dialog.h"
#include "launcher/app/runtime_decision.h"
#include "launcher/command_line.h"
#include "launcher/error_report.h"
#include "launcher/jvm/java_vm_launcher.h"
#include "launcher/jvm/launcher_variables.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/media_reader.h"
#include "launcher/run_end.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"
#include "launcher/ui/portable/native_library_path.h"
#include "launcher/ui/progress_bar.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

void enterTemporaryDirectory(HWND dialog) {
  {
    CancelGuardedStep scope;
    // Reported inside the step: a Cancel meanwhile waits for the message, as for the step itself.
    if (RunFailure failure = createTemporaryDirectory()) endWithFailure(failure, dialog);
  }
  const std::string& directory = temporaryDirectory();
  prependNativeLibraryDirectories(expandVariables);
  if (_chdir(directory.c_str()) != 0) logErrorLine("Could not change working dir to %s", directory.c_str());

  if (RunFailure failure = extractIncludedFiles(dialog)) endWithFailure(failure, dialog);
}

// False when no runtime is ready and the dialog is left for the user to cancel.
bool settleRuntime(HWND dialog) {
  bool ready = false;
  if (RunFailure failure = decideAndPrepareRuntime(dialog, ready)) endWithFailure(failure, dialog);
  if (!ready) return false;
  const StartupState& state = startupState();
  if (state.runtimeIncluded && !state.languageRestart) {
    CancelGuardedStep scope;
    if (RunFailure failure = extractIncludedRuntime(dialog)) endWithFailure(failure, dialog);
  }
  return true;
}

void takeOverCurrentDirectory() {
  char current[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof current, current);
  setTemporaryDirectory(current);
}

}  // namespace

void runWork(HWND dialog) {
  logLine("Starting work");
  setProgressPosition(dialog, 1);
  setProgressRange(dialog, 0, kProgressMaximum);

  StartupState& state = startupState();
  if (!state.languageRestart) {
    if (RunFailure failure = verifyIntegrity(dialog, state.integrityCheck)) endWithFailure(failure, dialog);
  }

  if (state.languageRestart) {
    takeOverCurrentDirectory();
  } else {
    enterTemporaryDirectory(dialog);
  }
  char current[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof current, current);
  logLine("Current working dir: %s", current);

  if (!settleRuntime(dialog)) return;

  if (!state.languageRestart) {
    CancelGuardedStep scope;
    if (RunFailure failure = unpackIncludedFiles(dialog)) endWithFailure(failure, dialog);
  }
  if (dialog) startStartupWaitThread(dialog);
  setStartupMarkers(MarkerAction::set, dialog != nullptr, true);

  std::vector<std::wstring> commandLine;
  if (!tokeniseWide(GetCommandLineW(), commandLine)) endWithFailure(messageFailure(kMsgWrongParameterUsage));
  if (RunFailure failure = launchJavaVm(commandLine)) endWithFailure(failure, dialog);
  endAfterJava();
}

void runDownloadWork(HWND dialog) {
  bool ready = false;
  if (RunFailure failure = runDownloadFlow(dialog, ready)) endWithFailure(failure, dialog);
}

}  // namespace drx::launcher
