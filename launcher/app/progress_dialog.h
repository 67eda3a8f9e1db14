// The progress dialog (resource 103), its window class and the start-up wait thread.
#pragma once

#include <windows.h>

#include "launcher/portable/startup_wait.h"

namespace drx::launcher {

inline constexpr const char* kDialogClassName = "MyDialogClass";

// Registers "MyDialogClass", the class the dialog template names.
void registerDialogClass(HINSTANCE instance);

// Shows the progress dialog modally; its procedure starts the work on a thread of its own.
void showProgressDialog(HINSTANCE instance);

// Starts the thread that waits for the Java side's first window and then hides the dialog.
void startStartupWaitThread(HWND dialog);

}  // namespace drx::launcher
