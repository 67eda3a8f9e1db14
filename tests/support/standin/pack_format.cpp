// Writes and reads the stand-in's packed-jar format.
#include "pack_format.h"

#include <cstdint>

namespace standin {

namespace {
constexpr std::string_view kMagic = "DRX-PACK200\n";
constexpr unsigned char kMask = 0x5a;
}  // namespace

std::string packJar(std::string_view jar) {
  std::string packed(kMagic);
  uint64_t length = jar.size();
  for (int i = 0; i < 8; ++i) packed += static_cast<char>((length >> (8 * i)) & 0xff);
  for (char c : jar) packed += static_cast<char>(static_cast<unsigned char>(c) ^ kMask);
  return packed;
}

bool unpackJar(std::string_view packed, std::string& jar) {
  if (packed.substr(0, kMagic.size()) != kMagic || packed.size() < kMagic.size() + 8) return false;
  uint64_t length = 0;
  for (int i = 0; i < 8; ++i)
    length |= uint64_t(static_cast<unsigned char>(packed[kMagic.size() + i])) << (8 * i);
  std::string_view body = packed.substr(kMagic.size() + 8);
  if (body.size() != length) return false;
  jar.clear();
  for (char c : body) jar += static_cast<char>(static_cast<unsigned char>(c) ^ kMask);
  return true;
}

}  // namespace standin
