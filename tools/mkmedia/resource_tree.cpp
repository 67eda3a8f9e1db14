// Reading and writing the resource directory of a PE image.
#include "tools/mkmedia/resource_tree.h"

#include <set>

#include "tools/mkmedia/pe_image.h"

namespace drx::mkmedia {
namespace {

constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;

class TreeReader {
 public:
  TreeReader(const std::vector<uint8_t>& section, uint32_t rva, std::string& error)
      : section_(section), rva_(rva), error_(error) {}

  bool readDirectory(uint32_t offset, int level, ResourceTree* types, ResourceNames* names,
                     ResourceLanguages* languages) {
    if (!claim(offset, "directory")) return false;
    if (!inside(offset, kDirectoryHeaderSize)) return fail("a resource directory lies outside the section");
    const uint8_t* header = &section_[offset];
    const size_t count = size_t{loadLe16(header + 12)} + loadLe16(header + 14);
    if ((section_.size() - offset - kDirectoryHeaderSize) / kDirectoryEntrySize < count) {
      return fail("a resource directory's entries run past the section");
    }
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* entry = &section_[offset + kDirectoryHeaderSize + kDirectoryEntrySize * i];
      ResourceName name;
      if (!readName(loadLe32(entry), name)) return false;
      const uint32_t target = loadLe32(entry + 4);
      const bool subdirectory = (target & kSubdirectoryFlag) != 0;
      if (subdirectory != (level < 2)) return fail("the resource tree is not three levels deep");
      const uint32_t at = target & ~kSubdirectoryFlag;
      if (level == 0) {
        if (!readDirectory(at, 1, nullptr, &(*types)[name], nullptr)) return false;
      } else if (level == 1) {
        if (!readDirectory(at, 2, nullptr, nullptr, &(*names)[name])) return false;
      } else {
        if (name.isString) return fail("a resource language is named by a string");
        if (!readData(at, (*languages)[name.id])) return false;
      }
    }
    return true;
  }

 private:
  bool fail(const char* text) {
    error_ = text;
    return false;
  }
  bool inside(uint32_t offset, size_t length) const {
    return offset <= section_.size() && section_.size() - offset >= length;
  }
  // Each structure is read once: a tree whose entries share a directory would repeat its
  // subtree without end in size.
  bool claim(uint32_t offset, const char* what) {
    if (!seen_.insert(offset).second) {
      error_ = std::string("a resource ") + what + " is reached twice";
      return false;
    }
    return true;
  }
  bool readName(uint32_t field, ResourceName& name) {
    if ((field & kSubdirectoryFlag) == 0) {
      if (field > 0xFFFF) return fail("a resource id is larger than 16 bits");
      name = ResourceName::number(static_cast<uint16_t>(field));
      return true;
    }
    const uint32_t at = field & ~kSubdirectoryFlag;
    if (!inside(at, 2)) return fail("a resource name lies outside the section");
    const size_t length = loadLe16(&section_[at]);
    if (!inside(at + 2, 2 * length)) return fail("a resource name runs past the section");
    name.isString = true;
    for (size_t i = 0; i < length; ++i)
      name.text.push_back(static_cast<char16_t>(loadLe16(&section_[at + 2 + 2 * i])));
    return true;
  }
  bool readData(uint32_t offset, ResourceData& data) {
    if (!claim(offset, "data entry")) return false;
    if (!inside(offset, kDataEntrySize)) return fail("a resource data entry lies outside the section");
    const uint32_t rva = loadLe32(&section_[offset]);
    const uint32_t size = loadLe32(&section_[offset + 4]);
    data.codePage = loadLe32(&section_[offset + 8]);
    if (rva < rva_ || !inside(rva - rva_, size))
      return fail("resource data lies outside the resource section");
    data.bytes.assign(section_.begin() + (rva - rva_), section_.begin() + (rva - rva_) + size);
    return true;
  }

  const std::vector<uint8_t>& section_;
  uint32_t rva_;
  std::string& error_;
  std::set<uint32_t> seen_;
};

void putDirectoryHeader(std::vector<uint8_t>& out, size_t at, uint16_t named, uint16_t ids) {
  storeLe16(&out[at + 12], named);
  storeLe16(&out[at + 14], ids);
}

template <class Map>
std::pair<uint16_t, uint16_t> countNames(const Map& map) {
  uint16_t named = 0, ids = 0;
  for (const auto& [name, unused] : map) ++(name.isString ? named : ids);
  return {named, ids};
}

size_t alignUp(size_t value, size_t alignment) { return (value + alignment - 1) / alignment * alignment; }

}  // namespace

bool readResourceTree(const std::vector<uint8_t>& section, uint32_t sectionRva, ResourceTree& tree,
                      std::string& error) {
  tree.clear();
  TreeReader reader(section, sectionRva, error);
  return reader.readDirectory(0, 0, &tree, nullptr, nullptr);
}

std::vector<uint8_t> writeResourceTree(const ResourceTree& tree, uint32_t sectionRva) {
  // Sizes first: every directory, then every data entry, then the name strings, then the data.
  size_t directories = kDirectoryHeaderSize + kDirectoryEntrySize * tree.size();
  size_t leaves = 0;
  size_t strings = 0;
  auto addString = [&](const ResourceName& name) {
    if (name.isString) strings += 2 + 2 * name.text.size();
  };
  for (const auto& [type, names] : tree) {
    addString(type);
    directories += kDirectoryHeaderSize + kDirectoryEntrySize * names.size();
    for (const auto& [name, languages] : names) {
      addString(name);
      directories += kDirectoryHeaderSize + kDirectoryEntrySize * languages.size();
      leaves += languages.size();
    }
  }
  const size_t dataEntriesAt = directories;
  const size_t stringsAt = dataEntriesAt + kDataEntrySize * leaves;
  size_t dataAt = alignUp(stringsAt + strings, 8);
  size_t total = dataAt;
  for (const auto& [type, names] : tree)
    for (const auto& [name, languages] : names)
      for (const auto& [language, data] : languages) total = alignUp(total, 8) + data.bytes.size();
  std::vector<uint8_t> out(alignUp(total, 8), 0);

  size_t nextDirectory = 0;
  size_t nextDataEntry = dataEntriesAt;
  size_t nextString = stringsAt;
  size_t nextData = dataAt;
  auto nameField = [&](const ResourceName& name) -> uint32_t {
    if (!name.isString) return name.id;
    const size_t at = nextString;
    storeLe16(&out[at], static_cast<uint16_t>(name.text.size()));
    for (size_t i = 0; i < name.text.size(); ++i) storeLe16(&out[at + 2 + 2 * i], name.text[i]);
    nextString += 2 + 2 * name.text.size();
    return kSubdirectoryFlag | static_cast<uint32_t>(at);
  };
  auto beginDirectory = [&](size_t entries) {
    const size_t at = nextDirectory;
    nextDirectory += kDirectoryHeaderSize + kDirectoryEntrySize * entries;
    return at;
  };

  // Depth first, as ld lays it out: the root, then each type's directory followed by the
  // language directories of its names.
  const size_t root = beginDirectory(tree.size());
  auto [rootNamed, rootIds] = countNames(tree);
  putDirectoryHeader(out, root, rootNamed, rootIds);
  size_t typeIndex = 0;
  for (const auto& [type, names] : tree) {
    const size_t typeDirectory = beginDirectory(names.size());
    auto [named, ids] = countNames(names);
    putDirectoryHeader(out, typeDirectory, named, ids);
    const size_t typeEntry = root + kDirectoryHeaderSize + kDirectoryEntrySize * typeIndex++;
    storeLe32(&out[typeEntry], nameField(type));
    storeLe32(&out[typeEntry + 4], kSubdirectoryFlag | static_cast<uint32_t>(typeDirectory));
    size_t nameIndex = 0;
    for (const auto& [name, languages] : names) {
      const size_t at = beginDirectory(languages.size());
      putDirectoryHeader(out, at, 0, static_cast<uint16_t>(languages.size()));
      const size_t entry = typeDirectory + kDirectoryHeaderSize + kDirectoryEntrySize * nameIndex++;
      storeLe32(&out[entry], nameField(name));
      storeLe32(&out[entry + 4], kSubdirectoryFlag | static_cast<uint32_t>(at));
      size_t languageIndex = 0;
      for (const auto& [language, data] : languages) {
        const size_t languageEntry = at + kDirectoryHeaderSize + kDirectoryEntrySize * languageIndex++;
        storeLe32(&out[languageEntry], language);
        storeLe32(&out[languageEntry + 4], static_cast<uint32_t>(nextDataEntry));
        nextData = alignUp(nextData, 8);
        storeLe32(&out[nextDataEntry], sectionRva + static_cast<uint32_t>(nextData));
        storeLe32(&out[nextDataEntry + 4], static_cast<uint32_t>(data.bytes.size()));
        storeLe32(&out[nextDataEntry + 8], data.codePage);
        nextDataEntry += kDataEntrySize;
        std::copy(data.bytes.begin(), data.bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(nextData));
        nextData += data.bytes.size();
      }
    }
  }
  return out;
}

const ResourceData* findResource(const ResourceTree& tree, uint16_t type, uint16_t name) {
  auto t = tree.find(ResourceName::number(type));
  if (t == tree.end()) return nullptr;
  auto n = t->second.find(ResourceName::number(name));
  if (n == t->second.end() || n->second.empty()) return nullptr;
  return &n->second.begin()->second;
}

}  // namespace drx::mkmedia
