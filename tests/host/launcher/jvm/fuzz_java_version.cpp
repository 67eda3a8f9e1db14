// Fuzz target: a runtime's "-version" output and the version bounds through the version rules.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "launcher/jvm/portable/java_version.h"
#include "launcher/jvm/portable/runtime_search.h"
#include "launcher/jvm/portable/vendor_runtimes.h"

using namespace drx::launcher;

// Input: output \x01 min \x01 max; a missing piece is empty.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string_view pieces[3];
  for (int i = 0; i < 3; ++i) {
    const size_t cut = i < 2 ? text.find('\x01') : std::string_view::npos;
    pieces[i] = text.substr(0, cut);
    text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
  }
  const std::string_view output = pieces[0], min = pieces[1], max = pieces[2];

  const std::string line = firstOutputLine(output);
  // At most 99 bytes, a C string, and a line feed only as its last byte.
  if (line.size() > 99 || line.find('\0') != std::string::npos) __builtin_trap();
  const size_t feed = line.find('\n');
  if (feed != std::string::npos && feed + 1 != line.size()) __builtin_trap();
  if (output.substr(0, line.size()) != line) __builtin_trap();

  const std::optional<std::string> version = versionFromFirstLine(line);
  if (version) {
    if (version->empty() || version->find('"') != std::string::npos || version->size() >= line.size())
      __builtin_trap();
    // A version lies within bounds equal to itself, and a permitted pre-release is never refused.
    if (judgeVersion(*version, *version, *version, true) != VersionVerdict::kAcceptable) __builtin_trap();
    if (!registryVersionInRange(*version, *version, *version)) __builtin_trap();
    const VersionVerdict verdict = judgeVersion(*version, min, max, false);
    if (verdict == VersionVerdict::kPreReleaseRefused && !isPreReleaseVersion(*version)) __builtin_trap();
    if (judgeVersion(*version, min, max, true) == VersionVerdict::kPreReleaseRefused) __builtin_trap();
  }
  // Registry key names and cached values are outside input too.
  registryVersionInRange(output, min, max);
  const std::string cached = registryText(output.data(), output.size());
  if (cached.size() > output.size() || cached.find('\0') != std::string::npos) __builtin_trap();
  uint64_t time = 0;
  if (output.size() >= 8) std::memcpy(&time, output.data(), 8);
  if (output.size() == 8 &&
      !cachedTimeMatches(reinterpret_cast<const unsigned char*>(output.data()), 8, time)) {
    __builtin_trap();  // little-endian host: the bytes are the FILETIME layout
  }
  // The number-by-number order among vendor runtimes: antisymmetric and reflexive on any texts.
  if (compareVersionNumbers(min, max) != -compareVersionNumbers(max, min)) __builtin_trap();
  if (compareVersionNumbers(output, output) != 0) __builtin_trap();
  return 0;
}
