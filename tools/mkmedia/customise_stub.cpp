// Customising the stub copy: configuration settings, reading the inputs, rewriting resources.
#include "tools/mkmedia/customise_stub.h"

#include "tools/mkmedia/file_io.h"
#include "tools/mkmedia/pe_image.h"
#include "tools/mkmedia/resource_section.h"

namespace drx::mkmedia {
namespace {

// Stubs and icons are small; anything larger is not one.
constexpr int64_t kMaxStubSize = int64_t{64} << 20;
constexpr int64_t kMaxIconSize = int64_t{16} << 20;

bool readWhole(payload::ByteSource& source, std::vector<uint8_t>& bytes) {
  bytes.assign(static_cast<size_t>(source.size()), 0);
  payload::ByteCursor cursor(source, 0);
  return cursor.readBytes(bytes.data(), bytes.size()) == payload::Error::kNone;
}

bool isAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool setupFileFromConfig(const std::vector<ConfigEntry>& entries, const std::string& configPath,
                         SetupFileOptions& options, std::string& error) {
  options = SetupFileOptions{};
  for (const ConfigEntry& entry : entries) {
    if (!entry.setupFile) continue;
    const SetupFileSetting* setting = findSetupFileConfigKey(entry.key);
    std::string message;
    if (!setting || !checkSetupFileValue(*setting, entry.value, message)) {
      error = "line " + std::to_string(entry.line) + ": " + entry.key + ": " + message;
      return false;
    }
    std::string value = entry.value;
    if (setting->field == &SetupFileOptions::iconPath && !isAbsolute(value)) {
      const size_t slash = configPath.find_last_of("/\\");
      if (slash != std::string::npos) value = configPath.substr(0, slash + 1) + value;
    }
    options.*setting->field = value;
  }
  return true;
}

bool customiseStub(payload::ByteSource& stub, const std::string& stubPath, const SetupFileOptions& options,
                   const std::string& outputPath, std::vector<uint8_t>& image, size_t& checksumOffset,
                   std::string& error) {
  if (stub.size() > kMaxStubSize || !readWhole(stub, image)) {
    error = stubPath + ": the stub cannot be read whole";
    return false;
  }
  std::vector<uint8_t> icon;
  if (!options.iconPath.empty()) {
    FileSource source;
    std::string message;
    if (!source.open(options.iconPath, message)) {
      error = options.iconPath + ": " + message;
      return false;
    }
    if (source.size() > kMaxIconSize || !readWhole(source, icon)) {
      error = options.iconPath + ": too large for an icon, or unreadable";
      return false;
    }
  }
  ResourceTree tree;
  std::string message;
  if (!readImageResources(image, tree, message) ||
      !applySetupFileOptions(tree, options, icon, baseName(outputPath), message) ||
      !rewriteResourceSection(image, tree, message)) {
    // The icon's own faults name the icon file; everything else is the stub's.
    error = message.rfind("icon: ", 0) == 0 ? options.iconPath + ": " + message.substr(6)
                                            : stubPath + ": " + message;
    return false;
  }
  PeHeaders headers;
  if (!parsePeHeaders(image, headers, message)) {
    error = stubPath + ": " + message;
    return false;
  }
  checksumOffset = headers.checksumOffset();
  return true;
}

}  // namespace drx::mkmedia
