// The reboot start: restart the computer after a short pause.
#pragma once

namespace drx::launcher {

// Waits five seconds, enables the shutdown privilege and asks for a reboot. Any failure to get
// the privilege ends it silently: the caller exits either way.
void rebootComputer();

}  // namespace drx::launcher
