// .ico reader and the group icon resource format.
#include "tools/mkmedia/ico_file.h"

#include <cstring>

#include "tools/mkmedia/pe_image.h"

namespace drx::mkmedia {
namespace {

constexpr size_t kIcoHeaderSize = 6;
constexpr size_t kIcoEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t loadBe32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

bool readIcoFile(const std::vector<uint8_t>& file, std::vector<IcoImage>& images, std::string& error) {
  images.clear();
  if (file.size() < kIcoHeaderSize || loadLe16(&file[0]) != 0) {
    error = "not an .ico file";
    return false;
  }
  const uint16_t type = loadLe16(&file[2]);
  if (type != 1) {
    error = type == 2 ? "a cursor file, not an icon" : "not an .ico file";
    return false;
  }
  const size_t count = loadLe16(&file[4]);
  if (count == 0) {
    error = "the icon file holds no images";
    return false;
  }
  if ((file.size() - kIcoHeaderSize) / kIcoEntrySize < count) {
    error = "the icon directory is cut short";
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = &file[kIcoHeaderSize + kIcoEntrySize * i];
    const std::string which = "image " + std::to_string(i + 1) + ": ";
    IcoImage image;
    image.width = entry[0];
    image.height = entry[1];
    image.colorCount = entry[2];
    image.reserved = entry[3];
    image.planes = loadLe16(entry + 4);
    image.bitCount = loadLe16(entry + 6);
    const uint32_t size = loadLe32(entry + 8);
    const uint32_t offset = loadLe32(entry + 12);
    if (offset > file.size() || file.size() - offset < size) {
      error = which + "lies outside the file";
      return false;
    }
    const uint8_t* data = file.data() + offset;
    image.pixelWidth = image.width ? image.width : 256;
    image.pixelHeight = image.height ? image.height : 256;
    if (size >= 24 && std::memcmp(data, kPngSignature, 8) == 0) {
      // The IHDR chunk comes first: length, "IHDR", width, height (big-endian).
      if (std::memcmp(data + 12, "IHDR", 4) != 0) {
        error = which + "PNG without an IHDR chunk";
        return false;
      }
      image.png = true;
      image.pixelWidth = loadBe32(data + 16);
      image.pixelHeight = loadBe32(data + 20);
    } else if (size < 40 || loadLe32(data) < 40) {
      error = which + "neither a PNG nor a bitmap with a BITMAPINFOHEADER";
      return false;
    }
    image.bytes.assign(data, data + size);
    images.push_back(std::move(image));
  }
  return true;
}

std::vector<uint8_t> makeIconGroup(const std::vector<IcoImage>& images, const std::vector<uint16_t>& ids) {
  std::vector<uint8_t> group(kIcoHeaderSize + kGroupEntrySize * images.size(), 0);
  storeLe16(&group[2], 1);
  storeLe16(&group[4], static_cast<uint16_t>(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    uint8_t* entry = &group[kIcoHeaderSize + kGroupEntrySize * i];
    const IcoImage& image = images[i];
    entry[0] = image.width;
    entry[1] = image.height;
    entry[2] = image.colorCount;
    entry[3] = image.reserved;
    storeLe16(entry + 4, image.planes);
    storeLe16(entry + 6, image.bitCount);
    storeLe32(entry + 8, static_cast<uint32_t>(image.bytes.size()));
    storeLe16(entry + 12, ids[i]);
  }
  return group;
}

bool readIconGroup(const std::vector<uint8_t>& group, std::vector<IconGroupEntry>& entries,
                   std::string& error) {
  entries.clear();
  if (group.size() < kIcoHeaderSize || loadLe16(&group[2]) != 1) {
    error = "malformed icon group";
    return false;
  }
  const size_t count = loadLe16(&group[4]);
  if ((group.size() - kIcoHeaderSize) / kGroupEntrySize < count) {
    error = "icon group cut short";
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = &group[kIcoHeaderSize + kGroupEntrySize * i];
    entries.push_back(
        {entry[0] ? entry[0] : 256u, entry[1] ? entry[1] : 256u, loadLe16(entry + 6), loadLe16(entry + 12)});
  }
  return true;
}

}  // namespace drx::mkmedia
