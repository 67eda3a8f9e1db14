// Builds small PE images byte by byte for payload and builder tests.
#include "tests/host/common/payload/pe_fixture.h"

#include <algorithm>

namespace drx::testing {
namespace {

void put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string makePeImage(const std::vector<FixtureSection>& sections, uint16_t optionalHeaderSize,
                        int64_t fileSize) {
  const size_t pe = 0x80;
  const size_t table = pe + 24 + optionalHeaderSize;
  size_t headersEnd = table + 40 * sections.size();
  int64_t end = static_cast<int64_t>(headersEnd);
  for (const FixtureSection& s : sections)
    end = std::max<int64_t>(end, int64_t{s.rawDataOffset} + s.rawDataSize);
  if (fileSize >= 0) end = fileSize;
  std::string image(static_cast<size_t>(std::max<int64_t>(end, static_cast<int64_t>(headersEnd))), '\0');
  for (size_t i = headersEnd; i < image.size(); ++i) image[i] = static_cast<char>(0xA0 + i % 7);
  image[0] = 'M';
  image[1] = 'Z';
  put32(image, 60, pe);
  image.replace(pe, 4, std::string("PE\0\0", 4));
  put16(image, pe + 4, 0x8664);
  put16(image, pe + 6, static_cast<uint16_t>(sections.size()));
  put16(image, pe + 20, optionalHeaderSize);
  put16(image, pe + 22, 0x0022);
  // PE32+ optional header fields that signing tools look at; the rest stays zero.
  const size_t opt = pe + 24;
  if (optionalHeaderSize >= 240) {
    put16(image, opt, 0x020B);
    put32(image, opt + 32, 0x1000);                                                        // SectionAlignment
    put32(image, opt + 36, 0x200);                                                         // FileAlignment
    put32(image, opt + 56, 0x1000 * (1 + static_cast<uint32_t>(sections.size())));         // SizeOfImage
    put32(image, opt + 60, static_cast<uint32_t>((headersEnd + 0x1FF) & ~size_t{0x1FF}));  // SizeOfHeaders
    put16(image, opt + 68, 2);    // Subsystem: Windows GUI
    put32(image, opt + 108, 16);  // NumberOfRvaAndSizes
  }
  const char* names[] = {".text", ".data", ".rsrc", ".reloc", ".extra"};
  for (size_t i = 0; i < sections.size(); ++i) {
    size_t h = table + 40 * i;
    std::string name = names[std::min<size_t>(i, 4)];
    image.replace(h, name.size(), name);
    put32(image, h + 8, sections[i].rawDataSize);                   // VirtualSize
    put32(image, h + 12, 0x1000 * (1 + static_cast<uint32_t>(i)));  // VirtualAddress
    put32(image, h + 16, sections[i].rawDataSize);
    put32(image, h + 20, sections[i].rawDataOffset);
  }
  if (fileSize >= 0) image.resize(static_cast<size_t>(fileSize));
  return image;
}

std::string makeTypicalStub() { return makePeImage({{0x400, 0x600}, {0xA00, 0x100}, {0xB00, 0x100}}); }

}  // namespace drx::testing
