// The bytes of one log line: formatted in memory and laid out the way the C runtime's text mode
// wrote them, so that the line reaches the file in one write.
#pragma once

#include <cstdarg>
#include <string>

#include "common/format_text.h"

namespace drx::launcher {

inline constexpr char kErrorLinePrefix[] = "ERROR: ";

// Appends the printf-style text to out; the text may be of any length.
void appendFormattedV(std::string& out, const char* format, va_list arguments);
void appendFormatted(std::string& out, const char* format, ...) DRX_FORMAT(2, 3);

// Ends line as a text-mode stream wrote it: every line feed inside it becomes CR LF, and a final
// CR LF follows.
void finishTextModeLine(std::string& line);

}  // namespace drx::launcher
