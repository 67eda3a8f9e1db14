// Process-wide start-up flags shared by the entry, the work sequence and the runtime stages.
#pragma once

#include <windows.h>

namespace drx::launcher {

// Written by the main thread before other threads start, except where noted.
struct StartupState {
  bool quiet = false;
  bool languageRestart = false;
  bool manualRuntimeSelection = false;
  bool integrityCheck = true;
  bool splash = false;
  char flavour = '\0';                     // first character of launcherFlavour
  const char* productTitle = "deployrix";  // "lanqo" for the application launcher flavour
  HINSTANCE instance = nullptr;
  // Written by the work thread during the runtime decision, before the start-up wait starts.
  int progressBase = 100;
  bool runtimeIncluded = false;
  DWORD extractionTimeMs = 0;        // how long unpacking the runtime archive took
  volatile LONG unpackFinished = 0;  // 1 once the pack200 step is done; ends its animation
};

StartupState& startupState();

// Fixed command-line words.
inline constexpr const char* kRebootTail = "__drx_reboot";
inline constexpr const char* kLanguageRestartTail = "__drx_lang_restart";
inline constexpr const wchar_t* kKeptLogSwitches[] = {L"-create-drx-log", L"-create-lqo-log",
                                                      L"/create-drx-log", L"/create-lqo-log"};

}  // namespace drx::launcher
