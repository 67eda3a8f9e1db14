// The setup file's icon, version resource and execution level: options, applying them to the
// resource tree, and reading them back.
#include "tools/mkmedia/setup_file.h"

#include <cstring>
#include <set>

#include "tools/mkmedia/ico_file.h"
#include "tools/mkmedia/resource_section.h"
#include "tools/mkmedia/text_encoding.h"
#include "tools/mkmedia/version_info.h"

namespace drx::mkmedia {

const SetupFileSetting kSetupFileSettings[7] = {
    {"--icon", "setup.icon", &SetupFileOptions::iconPath},
    {"--version", "setup.version", &SetupFileOptions::version},
    {"--product-name", "setup.productName", &SetupFileOptions::productName},
    {"--company", "setup.company", &SetupFileOptions::company},
    {"--description", "setup.description", &SetupFileOptions::description},
    {"--copyright", "setup.copyright", &SetupFileOptions::copyright},
    {"--execution-level", "setup.executionLevel", &SetupFileOptions::executionLevel},
};

namespace {

constexpr uint16_t kLauncherIconGroup = 1001;
constexpr uint16_t kVersionResourceId = 1;
constexpr uint16_t kManifestId = 1;
constexpr uint16_t kDefaultLanguage = 0x0409;
// Version strings live in blocks with 16-bit lengths.
constexpr size_t kMaxVersionText = 1024;
const char* const kExecutionLevels[] = {"asInvoker", "highestAvailable", "requireAdministrator"};

std::u16string utf16(const std::string& text) {
  std::u16string out;
  std::string ignored;
  utf8ToUtf16(text, out, ignored);
  return out;
}

bool replaceIcon(ResourceTree& tree, const std::vector<uint8_t>& icoBytes, std::string& error) {
  std::vector<IcoImage> images;
  std::string message;
  if (!readIcoFile(icoBytes, images, message)) {
    error = "icon: " + message;
    return false;
  }
  ResourceNames& groups = tree[ResourceName::number(kResourceGroupIcon)];
  ResourceNames& icons = tree[ResourceName::number(kResourceIcon)];
  uint16_t language = kDefaultLanguage;
  auto old = groups.find(ResourceName::number(kLauncherIconGroup));
  if (old != groups.end()) {
    // The images of the old group go with it, unless another group shows them too.
    std::set<uint16_t> stillUsed;
    for (const auto& [name, languages] : groups) {
      if (name == ResourceName::number(kLauncherIconGroup)) continue;
      for (const auto& [lang, data] : languages) {
        std::vector<IconGroupEntry> entries;
        if (readIconGroup(data.bytes, entries, message))
          for (const IconGroupEntry& entry : entries) stillUsed.insert(entry.id);
      }
    }
    if (!old->second.empty()) language = old->second.begin()->first;
    for (const auto& [lang, data] : old->second) {
      std::vector<IconGroupEntry> entries;
      if (!readIconGroup(data.bytes, entries, message)) continue;
      for (const IconGroupEntry& entry : entries) {
        if (!stillUsed.count(entry.id)) icons.erase(ResourceName::number(entry.id));
      }
    }
    groups.erase(old);
  }
  std::vector<uint16_t> ids;
  uint32_t next = 1;
  for (const IcoImage& image : images) {
    while (next <= 0xFFFF && icons.count(ResourceName::number(static_cast<uint16_t>(next)))) ++next;
    if (next > 0xFFFF) {
      error = "icon: no free icon resource ids left";
      return false;
    }
    ids.push_back(static_cast<uint16_t>(next));
    icons[ResourceName::number(static_cast<uint16_t>(next))][language] = ResourceData{image.bytes, 0};
    ++next;
  }
  groups[ResourceName::number(kLauncherIconGroup)][language] = ResourceData{makeIconGroup(images, ids), 0};
  return true;
}

bool replaceVersion(ResourceTree& tree, const SetupFileOptions& options, const std::string& outputName,
                    std::string& error) {
  ResourceLanguages& languages =
      tree[ResourceName::number(kResourceVersion)][ResourceName::number(kVersionResourceId)];
  VersionInfo info;
  std::string message;
  if (!languages.empty() && !readVersionInfo(languages.begin()->second.bytes, info, message)) {
    error = "the stub's version resource: " + message;
    return false;
  }
  if (!info.hasFixed) {
    info.hasFixed = true;
    info.fixed = {};
    info.fixed[kFixedSignature] = kFixedInfoSignature;
    info.fixed[kFixedStructVersion] = 0x00010000;
    info.fixed[8] = 0x00040004;  // VOS_NT_WINDOWS32
    info.fixed[9] = 1;           // VFT_APP
  }
  if (info.translations.empty()) info.translations.push_back(0x04B00409);
  if (!options.version.empty()) {
    uint16_t parts[4];
    parseVersionNumbers(options.version, parts);
    const uint32_t ms = (uint32_t{parts[0]} << 16) | parts[1];
    const uint32_t ls = (uint32_t{parts[2]} << 16) | parts[3];
    info.fixed[kFixedFileVersionMs] = info.fixed[kFixedProductVersionMs] = ms;
    info.fixed[kFixedFileVersionLs] = info.fixed[kFixedProductVersionLs] = ls;
    const std::u16string text = utf16(formatFixedVersion(ms, ls));
    info.set(u"FileVersion", text);
    info.set(u"ProductVersion", text);
  }
  if (!options.productName.empty()) info.set(u"ProductName", utf16(options.productName));
  if (!options.company.empty()) info.set(u"CompanyName", utf16(options.company));
  if (!options.description.empty()) info.set(u"FileDescription", utf16(options.description));
  if (!options.copyright.empty()) info.set(u"LegalCopyright", utf16(options.copyright));
  // The file is no longer the stub: name it as written.
  const std::u16string name = utf16(outputName);
  info.set(u"OriginalFilename", name);
  const size_t dot = name.rfind(u'.');
  info.set(u"InternalName", dot == std::u16string::npos ? name : name.substr(0, dot));
  std::vector<uint8_t> bytes = writeVersionInfo(info);
  if (bytes.size() > 0xFFFF) {
    error = "the version resource would exceed 64 KiB";
    return false;
  }
  const uint16_t language = languages.empty() ? kDefaultLanguage : languages.begin()->first;
  const uint32_t codePage = languages.empty() ? 0 : languages.begin()->second.codePage;
  languages.clear();
  languages[language] = ResourceData{std::move(bytes), codePage};
  return true;
}

bool replaceExecutionLevel(ResourceTree& tree, const std::string& level, std::string& error) {
  auto type = tree.find(ResourceName::number(kResourceManifest));
  if (type == tree.end() || !type->second.count(ResourceName::number(kManifestId)) ||
      type->second[ResourceName::number(kManifestId)].empty()) {
    error = "the stub has no application manifest, so its execution level cannot be set";
    return false;
  }
  for (auto& [language, data] : type->second[ResourceName::number(kManifestId)]) {
    std::string manifest(data.bytes.begin(), data.bytes.end());
    if (!setExecutionLevel(manifest, level)) {
      error = "the stub's manifest has no requestedExecutionLevel to set";
      return false;
    }
    data.bytes.assign(manifest.begin(), manifest.end());
  }
  return true;
}

// The quoted value of the level attribute inside the requestedExecutionLevel element:
// [begin, end) of the value, or false.
bool findLevelValue(const std::string& manifest, size_t& begin, size_t& end) {
  const size_t element = manifest.find("requestedExecutionLevel");
  if (element == std::string::npos) return false;
  const size_t close = manifest.find('>', element);
  for (size_t at = manifest.find("level", element); at != std::string::npos && at < close;
       at = manifest.find("level", at + 5)) {
    const char before = manifest[at - 1];
    if (before != ' ' && before != '\t' && before != '\r' && before != '\n') continue;
    size_t i = at + 5;
    while (i < manifest.size() && (manifest[i] == ' ' || manifest[i] == '\t')) ++i;
    if (i >= manifest.size() || manifest[i] != '=') continue;
    ++i;
    while (i < manifest.size() && (manifest[i] == ' ' || manifest[i] == '\t')) ++i;
    if (i >= manifest.size() || (manifest[i] != '"' && manifest[i] != '\'')) return false;
    const size_t last = manifest.find(manifest[i], i + 1);
    if (last == std::string::npos || last > close) return false;
    begin = i + 1;
    end = last;
    return true;
  }
  return false;
}

}  // namespace

bool SetupFileOptions::any() const {
  for (const SetupFileSetting& setting : kSetupFileSettings) {
    if (!(this->*setting.field).empty()) return true;
  }
  return false;
}

bool SetupFileOptions::touchesVersion() const {
  return !version.empty() || !productName.empty() || !company.empty() || !description.empty() ||
         !copyright.empty();
}

void SetupFileOptions::fillFrom(const SetupFileOptions& fallback) {
  for (const SetupFileSetting& setting : kSetupFileSettings) {
    if ((this->*setting.field).empty()) this->*setting.field = fallback.*setting.field;
  }
}

const SetupFileSetting* findSetupFileOption(const std::string& option) {
  for (const SetupFileSetting& setting : kSetupFileSettings) {
    if (option == setting.option) return &setting;
  }
  return nullptr;
}

const SetupFileSetting* findSetupFileConfigKey(const std::string& key) {
  for (const SetupFileSetting& setting : kSetupFileSettings) {
    if (key == setting.configKey) return &setting;
  }
  return nullptr;
}

bool parseVersionNumbers(const std::string& text, uint16_t (&parts)[4]) {
  size_t count = 0;
  size_t at = 0;
  for (uint16_t& part : parts) part = 0;
  while (true) {
    if (count == 4 || at >= text.size() || text[at] < '0' || text[at] > '9') return false;
    uint32_t value = 0;
    size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      value = value * 10 + static_cast<uint32_t>(text[at++] - '0');
      if (++digits > 5 || value > 0xFFFF) return false;
    }
    parts[count++] = static_cast<uint16_t>(value);
    if (at == text.size()) return true;
    if (text[at++] != '.') return false;
  }
}

bool checkSetupFileValue(const SetupFileSetting& setting, const std::string& value, std::string& error) {
  const std::string name = setting.option + 2;
  if (value.empty()) {
    error = name + " needs a value";
    return false;
  }
  if (setting.field == &SetupFileOptions::version) {
    uint16_t parts[4];
    if (!parseVersionNumbers(value, parts)) {
      error = "version '" + value + "' is not one to four numbers of 0-65535 separated by dots";
      return false;
    }
  } else if (setting.field == &SetupFileOptions::executionLevel) {
    for (const char* level : kExecutionLevels) {
      if (value == level) return true;
    }
    error = "execution level '" + value + "' is none of asInvoker, highestAvailable, requireAdministrator";
    return false;
  } else if (setting.field != &SetupFileOptions::iconPath) {
    std::u16string text;
    std::string message;
    if (!utf8ToUtf16(value, text, message)) {
      error = name + ": " + message;
      return false;
    }
    if (text.size() > kMaxVersionText) {
      error = name + " is longer than " + std::to_string(kMaxVersionText) + " characters";
      return false;
    }
  }
  return true;
}

bool setExecutionLevel(std::string& manifest, const std::string& level) {
  size_t begin = 0, end = 0;
  if (!findLevelValue(manifest, begin, end)) return false;
  manifest.replace(begin, end - begin, level);
  return true;
}

std::string findExecutionLevel(const std::string& manifest) {
  size_t begin = 0, end = 0;
  return findLevelValue(manifest, begin, end) ? manifest.substr(begin, end - begin) : std::string();
}

bool applySetupFileOptions(ResourceTree& tree, const SetupFileOptions& options,
                           const std::vector<uint8_t>& icoBytes, const std::string& outputName,
                           std::string& error) {
  if (!options.iconPath.empty() && !replaceIcon(tree, icoBytes, error)) return false;
  if (options.touchesVersion() && !replaceVersion(tree, options, outputName, error)) return false;
  if (!options.executionLevel.empty() && !replaceExecutionLevel(tree, options.executionLevel, error))
    return false;
  return true;
}

SetupFileReport inspectSetupFile(const std::vector<uint8_t>& image) {
  SetupFileReport report;
  ResourceTree tree;
  if (!readImageResources(image, tree, report.problem)) return report;
  report.read = true;
  std::string message;
  if (const ResourceData* group = findResource(tree, kResourceGroupIcon, kLauncherIconGroup)) {
    std::vector<IconGroupEntry> entries;
    if (readIconGroup(group->bytes, entries, message)) {
      for (const IconGroupEntry& entry : entries) {
        std::string size = std::to_string(entry.width) + "x" + std::to_string(entry.height);
        const ResourceData* icon = findResource(tree, kResourceIcon, entry.id);
        if (icon && icon->bytes.size() >= 8 && std::memcmp(icon->bytes.data(), "\x89PNG", 4) == 0) {
          size += " PNG";
        } else if (entry.bitCount != 0) {
          size += " " + std::to_string(entry.bitCount) + "-bit";
        }
        if (!icon) size += " (image missing)";
        report.iconSizes.push_back(size);
      }
    }
  }
  if (const ResourceData* version = findResource(tree, kResourceVersion, kVersionResourceId)) {
    VersionInfo info;
    if (readVersionInfo(version->bytes, info, message)) {
      if (info.hasFixed) {
        report.fileVersion =
            formatFixedVersion(info.fixed[kFixedFileVersionMs], info.fixed[kFixedFileVersionLs]);
        report.productVersion =
            formatFixedVersion(info.fixed[kFixedProductVersionMs], info.fixed[kFixedProductVersionLs]);
      }
      for (const auto& [key, value] : info.strings)
        report.versionStrings.emplace_back(utf16ToUtf8(key), utf16ToUtf8(value));
    }
  }
  if (const ResourceData* manifest = findResource(tree, kResourceManifest, kManifestId)) {
    report.executionLevel = findExecutionLevel(std::string(manifest->bytes.begin(), manifest->bytes.end()));
  }
  return report;
}

}  // namespace drx::mkmedia
