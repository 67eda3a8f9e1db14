// The progress bar of the launcher's dialogs: what the work stages move while the dialog runs.
#pragma once

#include <windows.h>

namespace drx::launcher {

// PBM_SETPOS / PBM_SETRANGE on the dialog's progress bar; nothing without a dialog.
void setProgressPosition(HWND dialog, int position);
void setProgressRange(HWND dialog, int low, int high);

}  // namespace drx::launcher
