// Options files on disk: the one beside the launcher and those it includes.
#pragma once

#include <string>

#include "launcher/jvm/portable/vm_options.h"

namespace drx::launcher {

// Opens a file for reading in text mode (relative names against the current directory).
OpenedOptionsFile openOptionsFileNamed(const std::string& name);

// The options file of a launcher executable: "<long path without .exe>.vmoptions", else
// "<long path>.vmoptions". Logs both attempts and "default vmoptions file: %p".
OpenedOptionsFile openLauncherOptionsFile(const std::string& executablePath);

}  // namespace drx::launcher
