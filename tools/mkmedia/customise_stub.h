// The builder's step that writes the setup file's icon, version and execution level into a copy
// of the stub, and reads those settings from the configuration.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/payload/byte_source.h"
#include "tools/mkmedia/media_config.h"
#include "tools/mkmedia/setup_file.h"

namespace drx::mkmedia {

// The setup.* entries of the configuration. A relative icon path is taken from the
// configuration file's folder. False with `error` ("line N: ...") on a bad value.
bool setupFileFromConfig(const std::vector<ConfigEntry>& entries, const std::string& configPath,
                         SetupFileOptions& options, std::string& error);

// Reads the stub whole, applies `options` to its resources and rewrites its resource section
// into `image`, with `checksumOffset` the place of its PE checksum field. False with `error`
// (starting with the stub's or the icon's path) when the stub or the icon cannot be used.
bool customiseStub(payload::ByteSource& stub, const std::string& stubPath, const SetupFileOptions& options,
                   const std::string& outputPath, std::vector<uint8_t>& image, size_t& checksumOffset,
                   std::string& error);

}  // namespace drx::mkmedia
