// Entry and initialisation of the launcher.
#include "launcher/app/entry.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/payload/property_ids.h"
#include "launcher/app/progress_dialog.h"
#include "launcher/app/runtime_decision.h"
#include "launcher/app/work.h"
#include "launcher/command_line.h"
#include "launcher/error_report.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/packed_runtime.h"
#include "launcher/jvm/single_instance.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/log_prompt.h"
#include "launcher/media_reader.h"
#include "launcher/runtime/pack200.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"
#include "launcher/ui/console.h"
#include "launcher/ui/reboot.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

constexpr const char* kNoConsoleText = "Error: Could not allocate console.";
constexpr const char* kNoConsoleCaption = "deployrix";
constexpr const char* kWrongParameterUsage = "Wrong Parameter Usage";

bool isKeptLogSwitch(const std::wstring& argument) {
  for (const wchar_t* spelling : kKeptLogSwitches) {
    if (argument == spelling) return true;
  }
  return false;
}

void initialise(HINSTANCE instance, std::vector<std::wstring>& arguments) {
  StartupState& state = startupState();
  // Only the first argument after the program may ask for the kept log.
  const bool keptLogRequested = arguments.size() >= 2 && isKeptLogSwitch(arguments[1]);
  if (keptLogRequested) {
    arguments.erase(arguments.begin() + 1);
    requestKeptLog();
  }
  if (RunFailure failure = loadLauncherProperties()) endWithFailure(failure);

  state.instance = instance;
  state.flavour = getProperty(kLauncherFlavour)[0];
  state.productTitle = state.flavour == 'l' ? "lanqo" : "deployrix";

  if (!state.languageRestart) {
    const char* workingDirectory = getProperty(kWorkingDirectory);
    if (workingDirectory[0] != '\0') {
      const std::string directory = normalisePath(workingDirectory, true);
      SetCurrentDirectoryA(directory.c_str());
    }
  }
  if (keptLogRequested) logPrompt(state.productTitle);
}

// Returns false when "-c" found no console: the caller shows the fixed message and exits.
bool readSwitches(const std::vector<std::wstring>& arguments) {
  StartupState& state = startupState();
  bool consoleAttached = false;
  state.integrityCheck = true;
  for (const std::wstring& argument : arguments) {
    if (argument == L"-q") {
      state.quiet = true;
      useConsoleForErrors();
    } else if (argument == L"-console") {
      consoleAttached = attachConsole();
    } else if (argument == L"-splash") {
      state.splash = true;
    } else if (argument == L"-nocheck") {
      state.integrityCheck = false;
    } else if (argument == L"-c") {
      state.quiet = true;
      useConsoleForErrors();
      if (!consoleAttached && !attachConsole()) return false;
    } else if (argument == L"-manual" || argument == L"/manual") {
      state.manualRuntimeSelection = true;
    }
  }
  return true;
}

// The search that asks for this may run inside the choice dialog's procedure, with no way to hand
// a failure back up: an unpacker that cannot be started ends the run here.
void unpackPackedRuntimeOrEnd(const std::string& directory) {
  if (RunFailure failure = unpackRuntimeDirectory(directory)) endWithFailure(failure);
}

}  // namespace

int runLauncher(HINSTANCE instance, const char* commandTail) {
  StartupState& state = startupState();
  if (commandTail && commandTail[0] != '\0' && strcmp(commandTail, kRebootTail) == 0) {
    rebootComputer();
    return 0;
  }
  if (commandTail && strncmp(commandTail, kLanguageRestartTail, strlen(kLanguageRestartTail)) == 0) {
    state.languageRestart = true;
    state.quiet = true;
  }
  // The search below the runtime stages reaches their pack200 step through this.
  setPackedRuntimeStep(unpackPackedRuntimeOrEnd);

  std::vector<std::wstring> arguments;
  if (!tokeniseWide(GetCommandLineW(), arguments)) {
    // Message 1007 lives in the property tables, which are not loaded this early.
    fatal(kWrongParameterUsage);
  }
  initialise(instance, arguments);

  if (!readSwitches(arguments)) {
    MessageBoxA(nullptr, kNoConsoleText, kNoConsoleCaption, MB_OK);
    exitLauncher(1);
  }
  if (!state.languageRestart && !checkSingleInstance()) exitLauncher(0);

  state.instance = instance;
  logLine("Init done");

  if (readStartupMarker(false) == 1 && !state.quiet) {
    const int answer = MessageBoxW(nullptr, getWideProperty(kMsgLastRunFailed),
                                   getWideProperty(kMsgWizardTitle), MB_ICONWARNING | MB_YESNO);
    if (answer == IDYES) state.manualRuntimeSelection = true;
  }

  if (state.quiet && !state.splash) {
    logLine("Quiet installer.");
    runWork(nullptr);
  } else if (getIntProperty(kNoProgressDialog) != 0) {
    registerDialogClass(instance);
    runWork(nullptr);
  } else {
    registerDialogClass(instance);
    showProgressDialog(instance);
  }
  return 0;
}

}  // namespace drx::launcher
