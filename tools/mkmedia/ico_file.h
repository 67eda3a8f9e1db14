// Reading .ico files: the directory and each image (BMP/DIB or PNG), as the icon resources want them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drx::mkmedia {

struct IcoImage {
  // The directory entry as stored (0 in width or height means 256).
  uint8_t width = 0;
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint8_t reserved = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  bool png = false;
  std::vector<uint8_t> bytes;  // the image exactly as the file holds it

  // Pixel size for display: the PNG header's size for PNG images, else the directory's.
  uint32_t pixelWidth = 0;
  uint32_t pixelHeight = 0;
};

// Parses an .ico file: reserved 0, type 1 (2 is a cursor), at least one image, every image
// inside the file and either a PNG or a DIB with a BITMAPINFOHEADER. False with `error` naming
// the image otherwise.
bool readIcoFile(const std::vector<uint8_t>& file, std::vector<IcoImage>& images, std::string& error);

// The group icon resource (GRPICONDIR) for `images` whose icon resources get `ids` (same order).
std::vector<uint8_t> makeIconGroup(const std::vector<IcoImage>& images, const std::vector<uint16_t>& ids);

struct IconGroupEntry {
  uint32_t width = 0;  // 256 for a stored 0
  uint32_t height = 0;
  uint16_t bitCount = 0;
  uint16_t id = 0;
};

// Reads a group icon resource; false with `error` when it is malformed.
bool readIconGroup(const std::vector<uint8_t>& group, std::vector<IconGroupEntry>& entries,
                   std::string& error);

}  // namespace drx::mkmedia
