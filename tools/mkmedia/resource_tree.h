// The resource tree of a PE image (type, name, language, data): read from and written to the
// bytes of a resource section.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace drx::mkmedia {

// A resource type or name: a 16-bit id or a UTF-16 string. Strings sort before ids, as the
// directory lists named entries first.
struct ResourceName {
  bool isString = false;
  uint16_t id = 0;
  std::u16string text;

  static ResourceName number(uint16_t value) { return ResourceName{false, value, {}}; }
  bool operator<(const ResourceName& other) const {
    if (isString != other.isString) return isString;
    return isString ? text < other.text : id < other.id;
  }
  bool operator==(const ResourceName& other) const {
    return isString == other.isString && (isString ? text == other.text : id == other.id);
  }
};

struct ResourceData {
  std::vector<uint8_t> bytes;
  uint32_t codePage = 0;
  bool operator==(const ResourceData& other) const {
    return bytes == other.bytes && codePage == other.codePage;
  }
};

using ResourceLanguages = std::map<uint16_t, ResourceData>;
using ResourceNames = std::map<ResourceName, ResourceLanguages>;
using ResourceTree = std::map<ResourceName, ResourceNames>;

inline constexpr uint16_t kResourceIcon = 3;
inline constexpr uint16_t kResourceGroupIcon = 14;
inline constexpr uint16_t kResourceVersion = 16;
inline constexpr uint16_t kResourceManifest = 24;

// Reads the three-level tree from `section`, the raw bytes of a resource section loaded at
// `sectionRva`. Every directory, name and data entry must lie inside the section and be reached
// once; data must lie inside the section too. False with `error` otherwise.
bool readResourceTree(const std::vector<uint8_t>& section, uint32_t sectionRva, ResourceTree& tree,
                      std::string& error);

// Lays the tree out for a section loaded at `sectionRva` as ld does: directories depth first,
// data entries, names, then each resource's data on an 8-byte boundary.
std::vector<uint8_t> writeResourceTree(const ResourceTree& tree, uint32_t sectionRva);

// The data of type/name in its first language, or null.
const ResourceData* findResource(const ResourceTree& tree, uint16_t type, uint16_t name);

}  // namespace drx::mkmedia
