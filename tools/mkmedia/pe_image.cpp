// PE header parsing and the PE checksum, on an image in memory.
#include "tools/mkmedia/pe_image.h"

#include <algorithm>

namespace drx::mkmedia {

uint16_t loadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t loadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
void storeLe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}
void storeLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

namespace {

bool powerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

bool parsePeHeaders(const std::vector<uint8_t>& image, PeHeaders& h, std::string& error) {
  h = PeHeaders{};
  const size_t size = image.size();
  auto fail = [&](const char* text) {
    error = text;
    return false;
  };
  if (size < 64 || image[0] != 'M' || image[1] != 'Z') return fail("not a PE file (no MZ header)");
  const uint32_t pe = loadLe32(&image[60]);
  if (pe > size || size - pe < 24 || loadLe32(&image[pe]) != 0x00004550u)
    return fail("not a PE file (no PE signature)");
  // The checksum is summed in 16-bit words; an odd header offset would split its field.
  if (pe % 2 != 0) return fail("the PE header lies at an odd offset");
  h.peOffset = pe;
  const uint16_t sectionCount = loadLe16(&image[pe + 6]);
  h.pointerToSymbolTable = loadLe32(&image[pe + 12]);
  const uint16_t optionalSize = loadLe16(&image[pe + 20]);
  h.optionalHeaderOffset = pe + 24;
  const size_t opt = h.optionalHeaderOffset;
  if (size - opt < optionalSize || optionalSize < 96) return fail("the optional header is cut short");
  const uint16_t magic = loadLe16(&image[opt]);
  if (magic == 0x20B) {
    h.pe32Plus = true;
  } else if (magic != 0x10B) {
    return fail("unknown optional header kind");
  }
  const size_t directoriesAt = h.pe32Plus ? 112 : 96;
  if (optionalSize < directoriesAt) return fail("the optional header is cut short");
  h.sectionAlignment = loadLe32(&image[opt + 32]);
  h.fileAlignment = loadLe32(&image[opt + 36]);
  h.sizeOfImage = loadLe32(&image[opt + 56]);
  h.sizeOfHeaders = loadLe32(&image[opt + 60]);
  if (!powerOfTwo(h.sectionAlignment) || !powerOfTwo(h.fileAlignment) ||
      h.fileAlignment > h.sectionAlignment) {
    return fail("section or file alignment is not a power of two");
  }
  uint32_t directoryCount = loadLe32(&image[opt + directoriesAt - 4]);
  if (directoryCount > 16) directoryCount = 16;
  if ((optionalSize - directoriesAt) / 8 < directoryCount)
    return fail("the data directories do not fit the optional header");
  for (uint32_t i = 0; i < directoryCount; ++i) {
    const uint8_t* d = &image[opt + directoriesAt + 8 * i];
    h.directories.push_back({loadLe32(d), loadLe32(d + 4)});
  }
  const size_t table = opt + optionalSize;
  if (sectionCount == 0) return fail("the image has no sections");
  if ((size - table) / 40 < sectionCount) return fail("the section table is cut short");
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint8_t* s = &image[table + 40 * size_t{i}];
    PeSection section;
    size_t nameLength = 0;
    while (nameLength < 8 && s[nameLength] != 0) ++nameLength;
    section.name.assign(reinterpret_cast<const char*>(s), nameLength);
    section.virtualSize = loadLe32(s + 8);
    section.virtualAddress = loadLe32(s + 12);
    section.rawSize = loadLe32(s + 16);
    section.rawOffset = loadLe32(s + 20);
    section.headerOffset = table + 40 * size_t{i};
    if (section.rawSize != 0 && (section.rawOffset > size || size - section.rawOffset < section.rawSize)) {
      return fail("a section's raw data lies outside the file");
    }
    h.sections.push_back(section);
  }
  return true;
}

uint64_t addPeChecksumBytes(uint64_t sum, const uint8_t* data, size_t count, uint64_t offset) {
  // Folding the carries once at the end gives the same value as after every word: both are the
  // one's-complement sum. Words are below 2^16, so 64 bits hold far more than a 2 GiB file.
  size_t i = 0;
  if (count > 0 && (offset & 1)) sum += uint64_t{data[i++]} << 8;
  for (; i + 1 < count; i += 2) sum += uint64_t{data[i]} | (uint64_t{data[i + 1]} << 8);
  if (i < count) sum += data[i];
  return sum;
}

uint32_t finishPeChecksum(uint64_t sum, uint64_t fileSize) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + fileSize);
}

uint32_t peChecksum(const std::vector<uint8_t>& image, size_t checksumOffset) {
  const size_t size = image.size();
  const size_t fieldEnd = checksumOffset < size ? std::min(size, checksumOffset + 4) : size;
  uint64_t sum = addPeChecksumBytes(0, image.data(), std::min(checksumOffset, size), 0);
  sum = addPeChecksumBytes(sum, image.data() + fieldEnd, size - fieldEnd, fieldEnd);
  return finishPeChecksum(sum, size);
}

}  // namespace drx::mkmedia
