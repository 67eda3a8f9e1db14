// The robustness sweep's small media file and its damaged variants: every truncation point from the
// payload start on, and a single-byte change at every payload offset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drx::sweep {

// Wide text 20016 carried by the sweep's media: what the corrupted-installer box shows.
inline constexpr wchar_t kCorruptedInstallerText[] =
    L"The installation file is corrupted. If it is a download please try it again.";

struct SweepMedia {
  std::string bytes;  // the whole media file: the real launcher, the payload, a filler behind the region
  int64_t payloadStart = 0;
  int64_t regionStart = 0;  // the checksum region [regionStart, regionEnd)
  int64_t regionEnd = 0;
  // The property record of kCorruptedInstallerText (id, length, text): damage there changes the box text.
  int64_t corruptedTextRecordStart = 0;
  int64_t corruptedTextRecordEnd = 0;
  int64_t wideCountOffset = 0;  // a negative count there leaves every wide text empty
};

// Builds the media from the launcher of this build; false when the launcher cannot be read.
bool buildSweepMedia(SweepMedia& media);

enum class CaseKind { kTruncation, kHeaderByte, kRegionByte, kFillerByte };

struct SweepCase {
  CaseKind kind;
  int64_t offset;    // truncation: the new file size; otherwise the changed byte
  uint8_t mask = 0;  // the byte is XORed with it
};

// What a case may rightly do. Damage the check cannot see (bytes behind the region, a cut that
// removes only those, a changed verify flag) lets the launcher go on; everything else must fail.
enum class Expectation { kFails, kProceeds };

// Every truncation point in [payloadStart, size) and, for each mask, a change at every offset in
// [payloadStart, size): header, checksum region and filler.
std::vector<SweepCase> allCases(const SweepMedia& media, const std::vector<uint8_t>& masks);
// A deterministic subset of about count cases: the boundary cases, then an even stride over all.
std::vector<SweepCase> sampleCases(const SweepMedia& media, const std::vector<SweepCase>& all, size_t count);

std::string caseBytes(const SweepMedia& media, const SweepCase& damage);
Expectation expectationOf(const SweepMedia& media, const SweepCase& damage);
std::string describeCase(const SweepMedia& media, const SweepCase& damage);

}  // namespace drx::sweep
