// Resource section rewriting of a PE image in memory.
#include "tools/mkmedia/resource_section.h"

#include "tools/mkmedia/pe_image.h"

namespace drx::mkmedia {
namespace {

uint64_t alignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

struct ResourceLayout {
  PeHeaders headers;
  size_t resource = 0;  // index of the resource section
  int relocation = -1;  // index of a relocation section behind it, or -1
};

bool fail(std::string& error, const std::string& text) {
  error = "cannot rewrite the resources: " + text;
  return false;
}

// Entries of the base relocation blocks must all point below `limit`: the sections from there on
// move, and a relocation inside them would no longer match.
bool relocationsBelow(const std::vector<uint8_t>& image, const PeSection& section,
                      const PeDirectory& directory, uint32_t limit, std::string& error) {
  if (directory.rva < section.virtualAddress || directory.rva - section.virtualAddress > section.rawSize ||
      section.rawSize - (directory.rva - section.virtualAddress) < directory.size) {
    return fail(error, "the relocation directory does not lie inside its section's raw data");
  }
  size_t at = section.rawOffset + (directory.rva - section.virtualAddress);
  size_t end = at + directory.size;
  while (end - at >= 8) {
    const uint32_t page = loadLe32(&image[at]);
    const uint32_t blockSize = loadLe32(&image[at + 4]);
    if (blockSize < 8 || blockSize > end - at) return fail(error, "a relocation block is malformed");
    for (size_t e = at + 8; e + 2 <= at + blockSize; e += 2) {
      const uint16_t entry = loadLe16(&image[e]);
      if ((entry >> 12) != 0 && uint64_t{page} + (entry & 0x0FFF) >= limit) {
        return fail(error, "a relocation points into the resource or relocation section");
      }
    }
    at += blockSize;
  }
  return true;
}

bool locate(const std::vector<uint8_t>& image, ResourceLayout& layout, std::string& error) {
  std::string message;
  if (!parsePeHeaders(image, layout.headers, message)) return fail(error, message);
  const PeHeaders& h = layout.headers;
  if (h.directories.size() <= kResourceDirectory || h.directories[kResourceDirectory].rva == 0) {
    return fail(error, "the stub has no resource section");
  }
  if (h.directories.size() > kSecurityDirectory && h.directories[kSecurityDirectory].rva != 0) {
    return fail(error, "the stub is signed; use an unsigned stub");
  }
  const uint32_t rva = h.directories[kResourceDirectory].rva;
  bool found = false;
  for (size_t i = 0; i < h.sections.size(); ++i) {
    if (h.sections[i].virtualAddress == rva) {
      layout.resource = i;
      found = true;
    }
  }
  if (!found) return fail(error, "the resource directory does not start a section of its own");
  const PeSection& resource = h.sections[layout.resource];
  if (resource.rawSize == 0) return fail(error, "the resource section has no raw data");
  // Sections must follow each other in address and file order for the move to be sound.
  for (size_t i = 1; i < h.sections.size(); ++i) {
    if (h.sections[i].virtualAddress <= h.sections[i - 1].virtualAddress) {
      return fail(error, "the sections are not in address order");
    }
  }
  const size_t behind = h.sections.size() - 1 - layout.resource;
  if (behind > 1) return fail(error, "more than one section follows the resource section");
  if (behind == 1) {
    layout.relocation = static_cast<int>(layout.resource + 1);
    const PeSection& relocation = h.sections[layout.resource + 1];
    if (h.directories.size() <= kBaseRelocationDirectory ||
        h.directories[kBaseRelocationDirectory].rva != relocation.virtualAddress) {
      return fail(error, "the section behind the resource section is not the relocation section");
    }
    if (relocation.rawOffset < resource.rawOffset + resource.rawSize) {
      return fail(error, "the relocation section's raw data does not follow the resource section's");
    }
    if (!relocationsBelow(image, relocation, h.directories[kBaseRelocationDirectory], resource.virtualAddress,
                          error)) {
      return false;
    }
  }
  const PeSection& last = h.sections.back();
  if (uint64_t{last.rawOffset} + last.rawSize != image.size()) {
    return fail(error, "data lies behind the last section (a payload or a signature)");
  }
  for (const PeSection& section : h.sections) {
    if (&section != &resource && &section != &last && section.rawSize != 0 &&
        uint64_t{section.rawOffset} + section.rawSize > resource.rawOffset) {
      return fail(error, "another section's raw data lies behind the resource section's");
    }
  }
  if (h.pointerToSymbolTable != 0 && h.pointerToSymbolTable >= resource.rawOffset) {
    return fail(error, "a symbol table lies behind the resource section");
  }
  for (size_t i = 0; i < h.directories.size(); ++i) {
    if (i == kResourceDirectory || i == kSecurityDirectory || i == kBaseRelocationDirectory) continue;
    if (h.directories[i].rva != 0 && h.directories[i].rva >= resource.virtualAddress) {
      return fail(error,
                  "data directory " + std::to_string(i) + " points into the part of the image that moves");
    }
  }
  return true;
}

}  // namespace

bool readImageResources(const std::vector<uint8_t>& image, ResourceTree& tree, std::string& error) {
  // Reading asks less than rewriting: a signed image, or one whose layout cannot be rewritten,
  // still shows its resources.
  PeHeaders h;
  std::string message;
  if (!parsePeHeaders(image, h, message)) {
    error = "cannot read the resources: " + message;
    return false;
  }
  if (h.directories.size() <= kResourceDirectory || h.directories[kResourceDirectory].rva == 0) {
    error = "cannot read the resources: the image has no resource section";
    return false;
  }
  const uint32_t rva = h.directories[kResourceDirectory].rva;
  for (const PeSection& section : h.sections) {
    if (rva < section.virtualAddress || rva - section.virtualAddress >= section.rawSize) continue;
    const std::vector<uint8_t> bytes(image.begin() + section.rawOffset + (rva - section.virtualAddress),
                                     image.begin() + section.rawOffset + section.rawSize);
    if (!readResourceTree(bytes, rva, tree, message)) {
      error = "the resources are malformed: " + message;
      return false;
    }
    return true;
  }
  error = "cannot read the resources: the resource directory lies outside every section's data";
  return false;
}

bool rewriteResourceSection(std::vector<uint8_t>& image, const ResourceTree& tree, std::string& error) {
  ResourceLayout layout;
  if (!locate(image, layout, error)) return false;
  const PeHeaders& h = layout.headers;
  const PeSection& resource = h.sections[layout.resource];
  const std::vector<uint8_t> blob = writeResourceTree(tree, resource.virtualAddress);
  const uint64_t rawSize = alignUp(blob.size(), h.fileAlignment);
  const uint64_t resourceEnd = uint64_t{resource.rawOffset} + rawSize;
  uint64_t imageEnd = alignUp(uint64_t{resource.virtualAddress} + blob.size(), h.sectionAlignment);

  std::vector<uint8_t> out(image.begin(), image.begin() + resource.rawOffset);
  out.insert(out.end(), blob.begin(), blob.end());
  out.resize(resourceEnd, 0);
  PeSection relocation;
  uint32_t relocationRva = 0;
  if (layout.relocation >= 0) {
    relocation = h.sections[static_cast<size_t>(layout.relocation)];
    relocationRva = static_cast<uint32_t>(imageEnd);
    out.insert(out.end(), image.begin() + relocation.rawOffset,
               image.begin() + relocation.rawOffset + relocation.rawSize);
    imageEnd = alignUp(uint64_t{relocationRva} + relocation.virtualSize, h.sectionAlignment);
  }
  if (out.size() > 0x7FFFFFFF || imageEnd > 0xFFFFFFFF) return fail(error, "the image would grow too large");

  storeLe32(&out[resource.headerOffset + 8], static_cast<uint32_t>(blob.size()));
  storeLe32(&out[resource.headerOffset + 16], static_cast<uint32_t>(rawSize));
  storeLe32(&out[h.directoryOffset(kResourceDirectory)], resource.virtualAddress);
  storeLe32(&out[h.directoryOffset(kResourceDirectory) + 4], static_cast<uint32_t>(blob.size()));
  if (layout.relocation >= 0) {
    storeLe32(&out[relocation.headerOffset + 12], relocationRva);
    storeLe32(&out[relocation.headerOffset + 20], static_cast<uint32_t>(resourceEnd));
    storeLe32(&out[h.directoryOffset(kBaseRelocationDirectory)], relocationRva);
  }
  storeLe32(&out[h.sizeOfImageOffset()], static_cast<uint32_t>(imageEnd));
  // The resource section is initialised data: its raw size counts there.
  const uint32_t initialised = loadLe32(&out[h.sizeOfInitializedDataOffset()]);
  storeLe32(&out[h.sizeOfInitializedDataOffset()],
            static_cast<uint32_t>(initialised - resource.rawSize + rawSize));
  storeLe32(&out[h.checksumOffset()], peChecksum(out, h.checksumOffset()));
  image.swap(out);
  return true;
}

}  // namespace drx::mkmedia
