// Error reporting of the launcher: message boxes or standard error, the log path appended, fatal stops.
#pragma once

#include <windows.h>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// From now on errors go to standard error instead of message boxes.
void useConsoleForErrors();
bool errorsGoToConsole();
// The window that owns error boxes (the progress dialog once it exists).
void setErrorBoxOwner(HWND owner);

// Shows text, with an empty line and "Log: <long log path>" appended when a log exists.
void showError(const char* text);
void showWideError(const wchar_t* text);
// Shows the narrow message messageId with its first "{0}" replaced by argument.
void showErrorById(int messageId, const char* argument = nullptr);

// Show, then end the process with exit code 1.
[[noreturn]] void fatal(const char* text);
[[noreturn]] void fatalById(int messageId, const char* argument = nullptr);
[[noreturn]] void fatalWideById(int textId);
// Message 1009 with the code as its argument.
[[noreturn]] void internalError(int code);
// Shows what failure says (its log line first for a failed read), with dialog owning the boxes
// of the check and the extraction; shows nothing for kNone.
void reportFailure(const RunFailure& failure, HWND dialog);
// Reports failure, then ends the process with its exit code (1, or 83 for kNoRuntime).
[[noreturn]] void endWithFailure(const RunFailure& failure, HWND dialog = nullptr);
// Ends the process at once with code, showing nothing and skipping the C runtime's exit handlers.
[[noreturn]] void exitLauncher(unsigned code);

}  // namespace drx::launcher
