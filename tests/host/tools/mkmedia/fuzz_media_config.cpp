// Fuzz entry for the media configuration parser and the property assembly behind it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkmedia/build_media.h"
#include "tools/mkmedia/media_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<drx::mkmedia::ConfigEntry> entries;
  std::string error;
  if (!drx::mkmedia::parseMediaConfig(text, entries, error)) return 0;
  std::vector<drx::payload::NarrowProperty> narrow;
  std::vector<drx::payload::WideProperty> wide;
  drx::mkmedia::assembleProperties(entries, {"a.txt", "dir\\b"}, 1252, narrow, wide, error);
  return 0;
}
