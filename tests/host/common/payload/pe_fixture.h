// Generator of small PE images with chosen section layouts, standing in for a launcher stub.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drx::testing {

struct FixtureSection {
  uint32_t rawDataOffset;
  uint32_t rawDataSize;
};

// An image with "MZ", e_lfanew 0x80, "PE\0\0", an AMD64 file header, an optional header of
// `optionalHeaderSize` bytes and the given section headers; the file is as long as the furthest
// raw data end (filled with a recognisable pattern) unless `fileSize` says otherwise.
std::string makePeImage(const std::vector<FixtureSection>& sections, uint16_t optionalHeaderSize = 0xF0,
                        int64_t fileSize = -1);

// A typical three-section stub (.text, .data, .rsrc) of about 3 KiB whose payload start is 0xC00.
std::string makeTypicalStub();

}  // namespace drx::testing
