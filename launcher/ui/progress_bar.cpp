// The progress bar control of the launcher's dialogs, addressed by its resource id.
#include "launcher/ui/progress_bar.h"

#include <commctrl.h>

#include "launcher/resources/resource_ids.h"

namespace drx::launcher {

void setProgressPosition(HWND dialog, int position) {
  if (dialog) SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void setProgressRange(HWND dialog, int low, int high) {
  if (dialog) SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

}  // namespace drx::launcher
