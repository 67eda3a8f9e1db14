// File helpers shared by the POSIX and Win32 file access.
#include "tools/mkmedia/file_io.h"

namespace drx::mkmedia {

bool readTextFile(const std::string& path, std::string& text, std::string& error) {
  FileSource source;
  if (!source.open(path, error)) return false;
  if (source.size() > (64 << 20)) {
    error = "file too large for a configuration";
    return false;
  }
  text.assign(static_cast<size_t>(source.size()), '\0');
  payload::ByteCursor cursor(source, 0);
  if (cursor.readBytes(text.data(), text.size()) != payload::Error::kNone) {
    error = "read failed";
    return false;
  }
  return true;
}

}  // namespace drx::mkmedia
