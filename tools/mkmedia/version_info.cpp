// VS_VERSIONINFO reading and writing.
#include "tools/mkmedia/version_info.h"

#include "tools/mkmedia/pe_image.h"

namespace drx::mkmedia {
namespace {

// One block: wLength, wValueLength, wType, key, value, children, each part on a 4-byte boundary
// of the resource.
struct Block {
  std::u16string key;
  uint16_t type = 1;  // 1: text value, 0: binary value
  std::vector<uint8_t> value;
  std::vector<Block> children;
};

constexpr int kMaxDepth = 4;

size_t align4(size_t value) { return (value + 3) & ~size_t{3}; }

bool readBlock(const std::vector<uint8_t>& bytes, size_t start, size_t end, int depth, Block& block,
               size_t& length, std::string& error) {
  if (depth > kMaxDepth) {
    error = "version blocks nest too deeply";
    return false;
  }
  if (end - start < 6) {
    error = "a version block is cut short";
    return false;
  }
  length = loadLe16(&bytes[start]);
  const size_t valueLength = loadLe16(&bytes[start + 2]);
  block.type = loadLe16(&bytes[start + 4]);
  if (length < 6 || length > end - start) {
    error = "a version block's length does not fit its parent";
    return false;
  }
  const size_t blockEnd = start + length;
  size_t at = start + 6;
  for (;;) {
    if (blockEnd - at < 2) {
      error = "a version block's key has no end";
      return false;
    }
    const char16_t c = static_cast<char16_t>(loadLe16(&bytes[at]));
    at += 2;
    if (c == 0) break;
    block.key.push_back(c);
  }
  at = align4(at);
  if (at > blockEnd) at = blockEnd;
  // Text values count characters, binary values bytes; writers disagree, so never past the block.
  size_t valueBytes = block.type == 1 ? 2 * valueLength : valueLength;
  if (valueBytes > blockEnd - at) valueBytes = blockEnd - at;
  block.value.assign(bytes.begin() + at, bytes.begin() + at + valueBytes);
  at = align4(at + valueBytes);
  while (at < blockEnd && blockEnd - at >= 6) {
    Block child;
    size_t childLength = 0;
    if (!readBlock(bytes, at, blockEnd, depth + 1, child, childLength, error)) return false;
    block.children.push_back(std::move(child));
    at = align4(at + childLength);
  }
  return true;
}

void writeBlock(std::vector<uint8_t>& out, const Block& block) {
  out.resize(align4(out.size()), 0);
  const size_t start = out.size();
  out.resize(start + 6, 0);
  for (char16_t c : block.key) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  if (!block.value.empty()) {
    out.resize(align4(out.size()), 0);
    out.insert(out.end(), block.value.begin(), block.value.end());
  }
  for (const Block& child : block.children) writeBlock(out, child);
  storeLe16(&out[start], static_cast<uint16_t>(out.size() - start));
  storeLe16(&out[start + 2],
            static_cast<uint16_t>(block.type == 1 ? block.value.size() / 2 : block.value.size()));
  storeLe16(&out[start + 4], block.type);
}

std::u16string textOf(const std::vector<uint8_t>& value) {
  std::u16string text;
  for (size_t i = 0; i + 1 < value.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(loadLe16(&value[i]));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::vector<uint8_t> textValue(const std::u16string& text) {
  std::vector<uint8_t> value;
  for (char16_t c : text) {
    value.push_back(static_cast<uint8_t>(c));
    value.push_back(static_cast<uint8_t>(c >> 8));
  }
  value.push_back(0);
  value.push_back(0);
  return value;
}

}  // namespace

void VersionInfo::set(const std::u16string& key, const std::u16string& value) {
  for (auto& entry : strings) {
    if (entry.first == key) {
      entry.second = value;
      return;
    }
  }
  strings.emplace_back(key, value);
}

const std::u16string* VersionInfo::find(const std::u16string& key) const {
  for (const auto& entry : strings) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

bool readVersionInfo(const std::vector<uint8_t>& bytes, VersionInfo& info, std::string& error) {
  info = VersionInfo{};
  info.tableKey.clear();
  Block root;
  size_t length = 0;
  if (!readBlock(bytes, 0, bytes.size(), 0, root, length, error)) return false;
  if (root.key != u"VS_VERSION_INFO") {
    error = "not a version resource";
    return false;
  }
  if (root.value.size() >= 52) {
    info.hasFixed = true;
    for (size_t i = 0; i < info.fixed.size(); ++i) info.fixed[i] = loadLe32(&root.value[4 * i]);
  }
  for (const Block& child : root.children) {
    if (child.key == u"StringFileInfo" && !child.children.empty() && info.tableKey.empty()) {
      const Block& table = child.children.front();
      info.tableKey = table.key;
      for (const Block& entry : table.children) info.strings.emplace_back(entry.key, textOf(entry.value));
    } else if (child.key == u"VarFileInfo") {
      for (const Block& var : child.children) {
        if (var.key != u"Translation") continue;
        for (size_t i = 0; i + 4 <= var.value.size(); i += 4)
          info.translations.push_back(loadLe32(&var.value[i]));
      }
    }
  }
  if (info.tableKey.empty()) info.tableKey = u"040904b0";
  return true;
}

std::vector<uint8_t> writeVersionInfo(const VersionInfo& info) {
  Block root;
  root.key = u"VS_VERSION_INFO";
  root.type = 0;
  if (info.hasFixed) {
    root.value.resize(52);
    for (size_t i = 0; i < info.fixed.size(); ++i) storeLe32(&root.value[4 * i], info.fixed[i]);
  }
  Block stringFileInfo;
  stringFileInfo.key = u"StringFileInfo";
  Block table;
  table.key = info.tableKey;
  for (const auto& [key, value] : info.strings) {
    Block entry;
    entry.key = key;
    entry.value = textValue(value);
    table.children.push_back(std::move(entry));
  }
  stringFileInfo.children.push_back(std::move(table));
  root.children.push_back(std::move(stringFileInfo));
  if (!info.translations.empty()) {
    Block varFileInfo;
    varFileInfo.key = u"VarFileInfo";
    Block translation;
    translation.key = u"Translation";
    translation.type = 0;
    translation.value.resize(4 * info.translations.size());
    for (size_t i = 0; i < info.translations.size(); ++i)
      storeLe32(&translation.value[4 * i], info.translations[i]);
    varFileInfo.children.push_back(std::move(translation));
    root.children.push_back(std::move(varFileInfo));
  }
  std::vector<uint8_t> out;
  writeBlock(out, root);
  return out;
}

std::string formatFixedVersion(uint32_t ms, uint32_t ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
         std::to_string(ls & 0xFFFF);
}

}  // namespace drx::mkmedia
