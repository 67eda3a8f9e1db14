// The launcher's diagnostic log: one file in the temporary area, removed at a normal exit unless needed.
#pragma once

#include <string>

#include "common/format_text.h"

namespace drx::launcher {

// Appends one line (printf-style; the line feed is added). The first call creates the file.
void logLine(const char* format, ...) DRX_FORMAT(1, 2);
// The same with "ERROR: " in front.
void logErrorLine(const char* format, ...) DRX_FORMAT(1, 2);

// Keeps the log at exit; must come before the first log line to take effect.
void requestKeptLog();
bool keptLogRequested();

// The log path, or null when no log exists yet. Handing it out keeps the file at exit.
const char* handOutLogPath();

// What the C runtime's exit does for the log, for ends that skip it: deletes the file unless it
// is kept or was handed out.
void removeLogUnlessKept();

// The log path without handing it out (empty when none), for diagnostics.
std::string currentLogPath();

}  // namespace drx::launcher
