// Text rules of launcher properties and messages: decimal values, the "{0}" argument, length limits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace drx::launcher {

// Size of the launcher's text buffers, terminator included: texts keep at most one byte less.
inline constexpr size_t kTextBufferSize = 8192;
// Size of the buffer that holds a message and the log path.
inline constexpr size_t kJoinedTextBufferSize = 16384;

// A property read as a decimal number the way atoi reads it: optional blanks and sign, then the
// leading digits; anything else gives 0. Values beyond the int range saturate instead of wrapping.
int decimalValue(const char* text);

// Replaces the first "{0}" by argument; without an argument or a placeholder the text is unchanged.
std::string insertArgument(std::string_view text, const char* argument);

// Cuts text so that it fits a buffer of bufferSize bytes with its terminator.
std::string_view cutToBuffer(std::string_view text, size_t bufferSize);

}  // namespace drx::launcher
