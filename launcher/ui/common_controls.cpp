// comctl32's initialisation, by full path from the system directory.
#include "launcher/ui/common_controls.h"

#include <windows.h>

#include "common/system_library.h"

namespace drx::launcher {

// comctl32 is not one of the DLLs Windows always takes from the system directory, so it is
// loaded by full path. Loading is reference-counted and initialising twice is harmless, so the
// dialogs need not agree on who goes first.
void ensureCommonControls() {
  using InitCommonControlsFunction = void(WINAPI*)();
  if (auto init = systemFunction<InitCommonControlsFunction>(L"comctl32.dll", "InitCommonControls")) init();
}

}  // namespace drx::launcher
