// The launcher's main work sequence, from the integrity check to the hand-over to Java.
#pragma once

#include <windows.h>

namespace drx::launcher {

// Runs on the dialog's work thread, or on the main thread (dialog null) without a dialog.
// Ends the process with exit code 0 once the Java side has run to its end; returns only when no
// runtime could be settled and the dialog is left for the user to cancel.
void runWork(HWND dialog);

// The download flow alone, on the work thread of a dialog shown only to host it; a download that
// fails ends the process with its message.
void runDownloadWork(HWND dialog);

}  // namespace drx::launcher
