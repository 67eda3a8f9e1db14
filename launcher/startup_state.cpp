// The one instance of the start-up flags.
#include "launcher/startup_state.h"

namespace drx::launcher {

StartupState& startupState() {
  static StartupState state;
  return state;
}

}  // namespace drx::launcher
