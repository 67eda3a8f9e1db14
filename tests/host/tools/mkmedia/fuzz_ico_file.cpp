// Fuzz entry for the .ico reader and the group icon resource made from what it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/mkmedia/ico_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> file(data, data + size);
  std::vector<drx::mkmedia::IcoImage> images;
  std::string error;
  if (!drx::mkmedia::readIcoFile(file, images, error)) return 0;
  std::vector<uint16_t> ids;
  for (size_t i = 0; i < images.size(); ++i) ids.push_back(static_cast<uint16_t>(i + 1));
  // A group made from an accepted file must read back with one entry per image.
  std::vector<drx::mkmedia::IconGroupEntry> entries;
  if (!drx::mkmedia::readIconGroup(drx::mkmedia::makeIconGroup(images, ids), entries, error) ||
      entries.size() != images.size()) {
    std::abort();
  }
  return 0;
}
