// PE headers of a launcher image held in memory: sections, data directories and the checksum.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drx::mkmedia {

struct PeSection {
  std::string name;  // up to 8 characters
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  size_t headerOffset = 0;  // of this section's 40-byte header in the image
};

struct PeDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
};

struct PeHeaders {
  size_t peOffset = 0;              // "PE\0\0"
  size_t optionalHeaderOffset = 0;  // peOffset + 24
  bool pe32Plus = false;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  uint32_t sizeOfImage = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t pointerToSymbolTable = 0;
  std::vector<PeDirectory> directories;  // NumberOfRvaAndSizes entries (at most 16)
  std::vector<PeSection> sections;

  size_t checksumOffset() const { return optionalHeaderOffset + 64; }
  size_t sizeOfImageOffset() const { return optionalHeaderOffset + 56; }
  size_t sizeOfInitializedDataOffset() const { return optionalHeaderOffset + 8; }
  size_t directoryOffset(size_t index) const {
    return optionalHeaderOffset + (pe32Plus ? 112 : 96) + 8 * index;
  }
};

inline constexpr size_t kResourceDirectory = 2;
inline constexpr size_t kSecurityDirectory = 4;
inline constexpr size_t kBaseRelocationDirectory = 5;

// Reads and checks the headers: MZ and PE signatures, a PE32 or PE32+ optional header, alignments
// that are powers of two, every section header and the data directories inside the image. False
// with `error` otherwise.
bool parsePeHeaders(const std::vector<uint8_t>& image, PeHeaders& headers, std::string& error);

// The PE checksum (the 16-bit one's-complement sum with carries folded, plus the file length)
// of `image`, reading the checksum field at `checksumOffset` as zero.
uint32_t peChecksum(const std::vector<uint8_t>& image, size_t checksumOffset);

// The same sum built up piece by piece: bytes at file offset `offset` (little-endian 16-bit
// words start at even offsets), any order; finishPeChecksum folds it and adds the file length.
uint64_t addPeChecksumBytes(uint64_t sum, const uint8_t* data, size_t count, uint64_t offset);
uint32_t finishPeChecksum(uint64_t sum, uint64_t fileSize);

uint16_t loadLe16(const uint8_t* p);
uint32_t loadLe32(const uint8_t* p);
void storeLe16(uint8_t* p, uint16_t value);
void storeLe32(uint8_t* p, uint32_t value);

}  // namespace drx::mkmedia
