// Test only: gives a launcher build a static import of comctl32.dll, the fault the DLL planting test must
// catch.
#include <windows.h>
#include <commctrl.h>

namespace {

// Runs before the launcher's entry, as the common controls set-up of a careless build would.
const bool initialised = (InitCommonControls(), true);

}  // namespace
