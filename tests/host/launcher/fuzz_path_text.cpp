// Fuzz target: path text rules (relative test, backslash collapsing, lists, included-name check).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "launcher/portable/path_text.h"

using namespace drx::launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  isRelativePath(text);
  isDriveRoot(text);
  const std::string collapsed = collapsedBackslashes<char>(text);
  if (collapsed.size() > size) abort();
  // Collapsing twice changes nothing more.
  if (collapsedBackslashes<char>(collapsed) != collapsed) abort();
  for (std::string_view piece : splitList(text, ';')) {
    if (piece.empty() || piece.find(';') != std::string_view::npos) abort();
  }
  if (isSafeIncludedName(text)) {
    // A safe name never names a parent and never starts at a root or drive.
    if (text.find(':') != std::string_view::npos || text.front() == '\\') abort();
    if (text == ".." || text.substr(0, 3) == "..\\" || text.find("\\..\\") != std::string_view::npos) abort();
  }
  joinPath(text, text);
  return 0;
}
