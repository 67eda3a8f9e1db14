// Media files for the reader tests: a small PE header whose last section ends at a known offset,
// followed by a payload from the payload writer (or hand-made bytes for broken payloads).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/payload/payload_writer.h"

namespace drx::test {

// PE header at 128, 3 sections, optional header 240 bytes, last section raw data 0x400 + 0x200:
// the payload starts at 0x600.
constexpr int64_t kStubPayloadStart = 0x600;
std::string syntheticStub();

struct IncludedFile {
  std::string name;
  std::string content;
};

struct MediaLayout {
  bool verify = true;
  std::vector<payload::NarrowProperty> narrow;
  std::vector<payload::WideProperty> wide;
  std::vector<IncludedFile> files;  // content sizes; names go into includedFileNames by the test
  std::string remaining;            // data behind the included files
  std::string filler;               // bytes behind the checksum region
};

struct BuiltMedia {
  std::string bytes;
  int64_t includedFilesOffset = 0;
  int64_t unextractedOffset = 0;
  int64_t regionEnd = 0;
  std::vector<int64_t> fileContentOffsets;
};

BuiltMedia buildMedia(const MediaLayout& layout);

// The narrow properties a typical installer payload carries for these tests.
std::vector<payload::NarrowProperty> typicalNarrow(int32_t launcherType);
std::vector<payload::WideProperty> typicalWide();

}  // namespace drx::test
