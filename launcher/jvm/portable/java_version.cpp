// Version text extraction and comparison by the byte-string prefix rule (portable).
#include "launcher/jvm/portable/java_version.h"

#include <algorithm>
#include <cstring>

namespace drx::launcher {
namespace {

constexpr size_t kFirstLineLimit = 99;
constexpr std::string_view kVersionPrefixes[] = {"java version \"", "openjdk version \""};

// strncmp over string_views: bytes compared as unsigned char, a string that ends first (its
// terminating zero) compares smaller.
int compareBytes(std::string_view a, std::string_view b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const int ca = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const int cb = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    if (ca != cb) return ca - cb;
    if (ca == 0) return 0;
  }
  return 0;
}

}  // namespace

std::string firstOutputLine(std::string_view output) {
  size_t end = output.find('\n');
  end = end == std::string_view::npos ? output.size() : end + 1;
  std::string line(output.substr(0, std::min(end, kFirstLineLimit)));
  // The line is read as a C string: a zero byte ends it.
  const size_t zero = line.find('\0');
  if (zero != std::string::npos) line.resize(zero);
  return line;
}

std::optional<std::string> versionFromFirstLine(std::string_view line) {
  for (std::string_view prefix : kVersionPrefixes) {
    if (line.substr(0, prefix.size()) != prefix) continue;
    const std::string_view rest = line.substr(prefix.size());
    const size_t closing = rest.find('"');
    if (closing == std::string_view::npos || closing == 0) return std::nullopt;
    return std::string(rest.substr(0, closing));
  }
  return std::nullopt;
}

bool isPreReleaseVersion(std::string_view version) {
  return version.find("beta") != std::string_view::npos || version.find("ea") != std::string_view::npos ||
         version.find("rc") != std::string_view::npos;
}

VersionVerdict judgeVersion(std::string_view version, std::string_view min, std::string_view max,
                            bool betaAllowed) {
  if (!betaAllowed && isPreReleaseVersion(version)) return VersionVerdict::kPreReleaseRefused;
  if (!min.empty() && compareBytes(version, min, min.size()) < 0) return VersionVerdict::kOutOfRange;
  if (!max.empty() && compareBytes(version, max, max.size()) > 0) return VersionVerdict::kOutOfRange;
  return VersionVerdict::kAcceptable;
}

bool registryVersionInRange(std::string_view name, std::string_view min, std::string_view max) {
  if (compareBytes(name, min, std::min(min.size(), name.size())) < 0) return false;
  if (compareBytes(name, max, std::min(max.size(), name.size())) > 0) return false;
  return true;
}

}  // namespace drx::launcher
