// Fuzz entry for the stub's resource reading: the first byte chooses between a raw resource
// section (the tree reader, the version and icon group readers, a write/read round trip) and a
// whole image (locating the section, rewriting it, the inspect summary).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/mkmedia/ico_file.h"
#include "tools/mkmedia/pe_image.h"
#include "tools/mkmedia/resource_section.h"
#include "tools/mkmedia/resource_tree.h"
#include "tools/mkmedia/setup_file.h"
#include "tools/mkmedia/version_info.h"

using namespace drx::mkmedia;

namespace {

constexpr uint32_t kSectionRva = 0x6F000;

void section(const std::vector<uint8_t>& bytes) {
  ResourceTree tree;
  std::string error;
  if (!readResourceTree(bytes, kSectionRva, tree, error)) return;
  for (const auto& [type, names] : tree) {
    for (const auto& [name, languages] : names) {
      for (const auto& [language, data] : languages) {
        VersionInfo info;
        if (type == ResourceName::number(kResourceVersion) && readVersionInfo(data.bytes, info, error)) {
          writeVersionInfo(info);
        }
        std::vector<IconGroupEntry> entries;
        if (type == ResourceName::number(kResourceGroupIcon)) readIconGroup(data.bytes, entries, error);
      }
    }
  }
  // What was read must be written so that it reads back the same.
  ResourceTree again;
  if (!readResourceTree(writeResourceTree(tree, kSectionRva), kSectionRva, again, error) ||
      !(again == tree)) {
    std::abort();
  }
}

void image(std::vector<uint8_t> bytes) {
  inspectSetupFile(bytes);
  ResourceTree tree;
  std::string error;
  if (!readImageResources(bytes, tree, error)) return;
  if (!rewriteResourceSection(bytes, tree, error)) return;
  // A rewritten image parses again, holds the same tree and carries a matching checksum.
  PeHeaders headers;
  ResourceTree again;
  if (!parsePeHeaders(bytes, headers, error) || !readImageResources(bytes, again, error) ||
      !(again == tree) ||
      peChecksum(bytes, headers.checksumOffset()) != loadLe32(&bytes[headers.checksumOffset()])) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> bytes(data + 1, data + size);
  if (data[0] & 1) {
    image(std::move(bytes));
  } else {
    section(bytes);
  }
  return 0;
}
