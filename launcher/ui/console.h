// The console switches: attach to the parent's console or create one.
#pragma once

namespace drx::launcher {

// True when the process has a console afterwards.
bool attachConsole();

}  // namespace drx::launcher
