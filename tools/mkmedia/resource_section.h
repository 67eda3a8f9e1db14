// Replacing the resource section of a launcher image: the new tree, the section's sizes, a
// relocation section behind it moved along, SizeOfImage, the data directories and the checksum.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkmedia/resource_tree.h"

namespace drx::mkmedia {

// Reads the resource tree of `image` (signed images and layouts that cannot be rewritten too).
// False with `error` when there is no resource directory or the tree is malformed.
bool readImageResources(const std::vector<uint8_t>& image, ResourceTree& tree, std::string& error);

// Writes `tree` as the resource section of `image`. The resource directory must start its own
// section, and that section must end the image, or be followed only by the base relocation
// section (which is moved behind it; no relocation may point into either). Nothing may lie
// behind the last section, the image must be unsigned, and no other data directory may point
// into the moved part. False with `error`, `image` unchanged, when any of that does not hold.
bool rewriteResourceSection(std::vector<uint8_t>& image, const ResourceTree& tree, std::string& error);

}  // namespace drx::mkmedia
