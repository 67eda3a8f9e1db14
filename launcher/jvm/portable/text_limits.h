// Size limits of the texts the runtime search and the VM option assembly handle.
#pragma once

#include <cstddef>
#include <string>

namespace drx::launcher {

// One option, options-file line, class path entry or path: 8192-byte buffers in the launcher's
// design, so at most 8191 characters; longer texts are cut, never overflow.
inline constexpr size_t kTextLimit = 8191;
// The whole "-Djava.class.path=..." option.
inline constexpr size_t kClassPathOptionLimit = 40959;

// Cuts text to at most limit characters.
inline void cutToLimit(std::string& text, size_t limit = kTextLimit) {
  if (text.size() > limit) text.resize(limit);
}

}  // namespace drx::launcher
