// `mkmedia inspect`: what a media file carries, as text or JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/payload/byte_source.h"
#include "tools/mkmedia/setup_file.h"

namespace drx::mkmedia {

struct InspectedProperty {
  int32_t id;
  bool wide;
  std::string value;  // UTF-8 for display (narrow texts decoded from the code page)
};

struct InspectedFile {
  std::string name;
  int64_t size;    // as stored
  int64_t offset;  // of the first content byte
};

struct MediaReport {
  int64_t payloadStart = 0;
  int32_t verifyFlag = 0;
  uint32_t storedCrc = 0;
  uint32_t computedCrc = 0;
  bool crcComplete = false;  // false: the region runs past the end of the file
  int64_t regionLength = 0;
  std::vector<InspectedProperty> properties;  // in file order, narrow first
  int64_t includedFilesOffset = 0;
  std::vector<InspectedFile> files;
  int64_t unextractedPosition = 0;  // as the launcher computes it: 0 for an included file count of 0
  int64_t remainingDataSize = 0;    // from U (or F) to the end of the checksum region
  int64_t trailingSize = 0;         // bytes behind the checksum region (signatures, filler)
  // With a checksum mismatch the report is kept as far as it could be read; this says what could
  // not be read after that (empty when everything was).
  std::string unreadable;
  SetupFileReport setupFile;  // icon, version resource and execution level of the image
  bool crcOk() const { return crcComplete && storedCrc == computedCrc; }
};

// Reads everything the launcher would; false with a one-line `error` on input it cannot use. The
// CRC is checked right after the header: when it does not match, damage further on is reported
// in `unreadable` and the result is still true (a MISMATCH report).
bool inspectMedia(payload::ByteSource& source, int codePage, MediaReport& report, std::string& error,
                  const std::string& progressLabel = std::string());

std::string formatReportText(const MediaReport& report);
std::string formatReportJson(const MediaReport& report);

}  // namespace drx::mkmedia
