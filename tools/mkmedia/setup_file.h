// Customising the setup file: the icon, version resource and execution level written into the
// stub copy before the payload, and what `inspect` reports of them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/mkmedia/resource_tree.h"

namespace drx::mkmedia {

struct SetupFileOptions {
  std::string iconPath;  // .ico file; replaces icon group 1001 and its images
  std::string version;   // "2.1.0.7" (one to four numbers, 0-65535)
  std::string productName;
  std::string company;
  std::string description;
  std::string copyright;
  std::string executionLevel;  // asInvoker, highestAvailable or requireAdministrator

  bool any() const;
  bool touchesVersion() const;
  // Fills every field that is empty here from `fallback` (the configuration's settings).
  void fillFrom(const SetupFileOptions& fallback);
};

// Command-line options and configuration keys that set the fields above, as pairs.
struct SetupFileSetting {
  const char* option;     // "--icon"
  const char* configKey;  // "setup.icon"
  std::string SetupFileOptions::*field;
};
extern const SetupFileSetting kSetupFileSettings[7];
const SetupFileSetting* findSetupFileOption(const std::string& option);
const SetupFileSetting* findSetupFileConfigKey(const std::string& key);

// Checks a value for its setting (a version's numbers, a known execution level, a text that
// fits a version string); false with `error`.
bool checkSetupFileValue(const SetupFileSetting& setting, const std::string& value, std::string& error);

// "2.1" -> {2, 1, 0, 0}; false for anything but one to four decimal numbers of 0-65535.
bool parseVersionNumbers(const std::string& text, uint16_t (&parts)[4]);

// Applies the options to the stub's resources: the icon from `icoBytes` (when an icon is set),
// the version resource's fixed versions and strings (OriginalFilename and InternalName from
// `outputName`), and the manifest's execution level. False with `error`.
bool applySetupFileOptions(ResourceTree& tree, const SetupFileOptions& options,
                           const std::vector<uint8_t>& icoBytes, const std::string& outputName,
                           std::string& error);

// Rewrites the level attribute of requestedExecutionLevel in a manifest; false if there is none.
bool setExecutionLevel(std::string& manifest, const std::string& level);
// The level attribute's value, or empty.
std::string findExecutionLevel(const std::string& manifest);

// What inspect shows of a media file's resources.
struct SetupFileReport {
  bool read = false;
  std::string problem;                 // why the resources could not be read
  std::vector<std::string> iconSizes;  // of group 1001: "32x32 32-bit", "256x256 PNG"
  std::string fileVersion;             // from the fixed info
  std::string productVersion;
  std::vector<std::pair<std::string, std::string>> versionStrings;  // UTF-8
  std::string executionLevel;
};

// Reads the resources of the image part of a media file (its first `imageSize` bytes).
SetupFileReport inspectSetupFile(const std::vector<uint8_t>& image);

}  // namespace drx::mkmedia
