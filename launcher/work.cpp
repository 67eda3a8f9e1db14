// The work sequence: verify, create the temporary directory, extract, settle a runtime, launch.
#include "launcher/work.h"

#include <direct.h>

#include <string>

#include "common/payload/property_ids.h"
#include "launcher/command_line.h"
#include "launcher/error_report.h"
#include "launcher/jvm/java_vm_launcher.h"
#include "launcher/jvm/launcher_variables.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/media_reader.h"
#include "launcher/progress_dialog.h"
#include "launcher/runtime/runtime_decision.h"
#include "launcher/run_end.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"
#include "launcher/ui/native_library_path.h"

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

  if (!decideAndPrepareRuntime(dialog)) return;

  if (!state.languageRestart) {
    CancelGuardedStep scope;
    unpackIncludedFiles(dialog);
  }
  if (dialog) startStartupWaitThread(dialog);
  setStartupMarkers(MarkerAction::set, dialog != nullptr, true);

  std::vector<std::wstring> commandLine;
  if (!tokeniseWide(GetCommandLineW(), commandLine)) endWithFailure(messageFailure(kMsgWrongParameterUsage));
  if (!launchJavaVm(commandLine)) {
    logErrorLine("Could not start JVM");
    fatalById(kMsgCouldNotStartJvm);
  }
  endAfterJava();
}

}  // namespace drx::launcher
