// The hand-laid payload: each field written out in the order of the layout table.
#include "tests/host/common/payload/golden_payload.h"

namespace drx::testing {

uint32_t bitwiseCrc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> goldenMedia() {
  std::vector<uint8_t> bytes = {
      // stand-in stub, 7 bytes
      'S',
      'T',
      'U',
      'B',
      0x00,
      0x01,
      0x02,
      // P+0 magic 0xE8E413D5
      0xD5,
      0x13,
      0xE4,
      0xE8,
      // P+4 verify flag 1
      0x01,
      0x00,
      0x00,
      0x00,
      // P+8 checksum (filled in below)
      0x00,
      0x00,
      0x00,
      0x00,
      // P+12 region length 67
      0x43,
      0x00,
      0x00,
      0x00,
      0x00,
      0x00,
      0x00,
      0x00,
      // P+20 narrow record count 3
      0x03,
      0x00,
      0x00,
      0x00,
      // id 122 (mainClass), length 4, "Main"
      0x7A,
      0x00,
      0x00,
      0x00,
      0x04,
      0x00,
      0x00,
      0x00,
      'M',
      'a',
      'i',
      'n',
      // id 2002 (includedFileCount), length 1, "1"
      0xD2,
      0x07,
      0x00,
      0x00,
      0x01,
      0x00,
      0x00,
      0x00,
      '1',
      // id 2003 (includedFileNames), length 5, "a.txt"
      0xD3,
      0x07,
      0x00,
      0x00,
      0x05,
      0x00,
      0x00,
      0x00,
      'a',
      '.',
      't',
      'x',
      't',
      // wide record count 1
      0x01,
      0x00,
      0x00,
      0x00,
      // id 20013 (msgWizardTitle), byte length 4, UTF-16LE "W" U+00E9
      0x2D,
      0x4E,
      0x00,
      0x00,
      0x04,
      0x00,
      0x00,
      0x00,
      0x57,
      0x00,
      0xE9,
      0x00,
      // F: included file size 3, then "abc" XOR 0x5E
      0x03,
      0x00,
      0x00,
      0x00,
      0x00,
      0x00,
      0x00,
      0x00,
      0x3F,
      0x3C,
      0x3D,
      // U: remaining data "RD"
      'R',
      'D',
  };
  uint32_t crc = bitwiseCrc32(bytes.data() + kGoldenStart + 20, bytes.size() - (kGoldenStart + 20));
  for (int i = 0; i < 4; ++i) bytes[kGoldenStart + 8 + i] = static_cast<uint8_t>(crc >> (8 * i));
  return bytes;
}

}  // namespace drx::testing
