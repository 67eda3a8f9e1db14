// The version resource (VS_VERSIONINFO): fixed file info, the strings of its first string table
// and the translations, read from and written to resource bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace drx::mkmedia {

struct VersionInfo {
  bool hasFixed = false;
  std::array<uint32_t, 13> fixed{};  // VS_FIXEDFILEINFO, field by field
  std::u16string tableKey = u"040904b0";
  std::vector<std::pair<std::u16string, std::u16string>> strings;  // in order
  std::vector<uint32_t> translations;                              // language | code page << 16

  // Sets a string, replacing one of the same key or appending it.
  void set(const std::u16string& key, const std::u16string& value);
  const std::u16string* find(const std::u16string& key) const;
};

// Indexes into VersionInfo::fixed.
inline constexpr size_t kFixedSignature = 0;
inline constexpr size_t kFixedStructVersion = 1;
inline constexpr size_t kFixedFileVersionMs = 2;
inline constexpr size_t kFixedFileVersionLs = 3;
inline constexpr size_t kFixedProductVersionMs = 4;
inline constexpr size_t kFixedProductVersionLs = 5;
inline constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;

// False with `error` when the bytes are not a version resource whose blocks nest within each other.
bool readVersionInfo(const std::vector<uint8_t>& bytes, VersionInfo& info, std::string& error);

// A resource with the fixed info (when present), one string table and the translations.
std::vector<uint8_t> writeVersionInfo(const VersionInfo& info);

// "1.2.3.4" from two fixed-info words.
std::string formatFixedVersion(uint32_t ms, uint32_t ls);

}  // namespace drx::mkmedia
