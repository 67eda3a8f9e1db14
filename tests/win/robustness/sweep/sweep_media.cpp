// The sweep's media file, built from the real launcher, and the damaged variants of it.
#include "tests/win/robustness/sweep/sweep_media.h"

#include <cstdio>
#include <cstring>

#include "common/payload/payload_writer.h"
#include "tests/support/launcher_run/launcher_run.h"

namespace drx::sweep {
namespace {

// Zero bytes behind the checksum region, as a builder may leave them; the launcher never reads them.
constexpr size_t kFillerSize = 8;

std::string littleEndianText(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

const char* kindName(CaseKind kind) {
  switch (kind) {
    case CaseKind::kTruncation:
      return "truncation";
    case CaseKind::kHeaderByte:
      return "header byte";
    case CaseKind::kRegionByte:
      return "region byte";
    case CaseKind::kFillerByte:
      return "filler byte";
  }
  return "?";
}

}  // namespace

bool buildSweepMedia(SweepMedia& media) {
  const std::string stub = test::readFileBytes(test::launcherStubPath());
  if (stub.empty()) return false;
  const std::u16string corrupted(kCorruptedInstallerText,
                                 kCorruptedInstallerText + wcslen(kCorruptedInstallerText));
  const std::vector<payload::NarrowProperty> narrow = {
      {1000, "Error"},
      {1009, "An internal error occurred (error code: {0})"},
      {122, "com.example.Main"},
      {126, "1.6"},
      {2001, "d"},
      {2002, "2"},
      {2003, "readme.txt;data\\app.cfg"},
  };
  const std::vector<payload::WideProperty> wide = {{20013, u"Sweep Setup"}, {20016, corrupted}};
  const std::string files[] = {"Read me before you install.\r\n", "mode=quiet\r\n"};
  const std::string remaining = "for the Java side";

  payload::VectorSink sink;
  if (!sink.write(stub.data(), stub.size())) return false;
  payload::PayloadWriter writer(sink, static_cast<int64_t>(stub.size()));
  if (writer.writeHeaderAndProperties(true, narrow, wide) != payload::Error::kNone) return false;
  for (const std::string& content : files) {
    if (writer.beginIncludedFile(static_cast<int64_t>(content.size())) != payload::Error::kNone ||
        writer.writeIncludedFileData(content.data(), content.size()) != payload::Error::kNone)
      return false;
  }
  if (writer.writeRemainingData(remaining.data(), remaining.size()) != payload::Error::kNone ||
      writer.finish() != payload::Error::kNone)
    return false;

  media.bytes.assign(sink.bytes().begin(), sink.bytes().end());
  media.payloadStart = static_cast<int64_t>(stub.size());
  media.regionStart = media.payloadStart + payload::kHeaderSize;
  media.regionEnd = media.regionStart + writer.regionLength();
  if (media.regionEnd != static_cast<int64_t>(media.bytes.size())) return false;
  media.bytes.append(kFillerSize, '\0');

  // Behind the narrow count and records (id, length, text each).
  media.wideCountOffset = media.regionStart + 4;
  for (const payload::NarrowProperty& property : narrow)
    media.wideCountOffset += 8 + static_cast<int64_t>(property.value.size());

  const size_t text = media.bytes.find(littleEndianText(corrupted), static_cast<size_t>(media.payloadStart));
  if (text == std::string::npos) return false;
  media.corruptedTextRecordStart = static_cast<int64_t>(text) - 8;
  media.corruptedTextRecordEnd = static_cast<int64_t>(text + 2 * corrupted.size());
  return true;
}

std::vector<SweepCase> allCases(const SweepMedia& media, const std::vector<uint8_t>& masks) {
  std::vector<SweepCase> cases;
  const int64_t size = static_cast<int64_t>(media.bytes.size());
  for (int64_t cut = media.payloadStart; cut < size; ++cut) cases.push_back({CaseKind::kTruncation, cut});
  for (uint8_t mask : masks) {
    for (int64_t offset = media.payloadStart; offset < size; ++offset) {
      const CaseKind kind = offset < media.regionStart ? CaseKind::kHeaderByte
                            : offset < media.regionEnd ? CaseKind::kRegionByte
                                                       : CaseKind::kFillerByte;
      cases.push_back({kind, offset, mask});
    }
  }
  return cases;
}

std::vector<SweepCase> sampleCases(const SweepMedia& media, const std::vector<SweepCase>& all, size_t count) {
  // The cases at the edges: the first cut, the last cut inside the region, the cut that removes only
  // the filler, the verify flag switched off and changed to another value, a header checksum byte,
  // the wide count turned negative, and a filler byte.
  std::vector<SweepCase> sample = {
      {CaseKind::kTruncation, media.payloadStart},
      {CaseKind::kTruncation, media.regionEnd - 1},
      {CaseKind::kTruncation, media.regionEnd},
      {CaseKind::kHeaderByte, media.payloadStart + 4, 0x01},
      {CaseKind::kHeaderByte, media.payloadStart + 7, 0xFF},
      {CaseKind::kHeaderByte, media.payloadStart + 8, 0xFF},
      {CaseKind::kRegionByte, media.wideCountOffset + 3, 0xFF},
      {CaseKind::kFillerByte, media.regionEnd + 2, 0xFF},
  };
  if (count <= sample.size() || all.empty()) return sample;
  // The middle of each of `wanted` equal slices of the full list.
  const size_t wanted = count - sample.size();
  for (size_t k = 0; k < wanted; ++k) sample.push_back(all[(2 * k + 1) * all.size() / (2 * wanted)]);
  return sample;
}

std::string caseBytes(const SweepMedia& media, const SweepCase& damage) {
  if (damage.kind == CaseKind::kTruncation) return media.bytes.substr(0, static_cast<size_t>(damage.offset));
  std::string bytes = media.bytes;
  bytes[static_cast<size_t>(damage.offset)] =
      static_cast<char>(bytes[static_cast<size_t>(damage.offset)] ^ damage.mask);
  return bytes;
}

Expectation expectationOf(const SweepMedia& media, const SweepCase& damage) {
  switch (damage.kind) {
    case CaseKind::kTruncation:
      return damage.offset >= media.regionEnd ? Expectation::kProceeds : Expectation::kFails;
    case CaseKind::kFillerByte:
      return Expectation::kProceeds;
    case CaseKind::kRegionByte:
      return Expectation::kFails;
    case CaseKind::kHeaderByte:
      break;
  }
  // The verify flag lies outside the region it guards: changed to 0 it turns the check off, changed
  // to any other value the check still runs over an intact region and passes.
  const int64_t headerByte = damage.offset - media.payloadStart;
  const bool flagChanged = headerByte >= payload::kVerifyFlagOffset && headerByte < payload::kChecksumOffset;
  return flagChanged ? Expectation::kProceeds : Expectation::kFails;
}

std::string describeCase(const SweepMedia& media, const SweepCase& damage) {
  char text[96];
  if (damage.kind == CaseKind::kTruncation) {
    snprintf(text, sizeof text, "%s at P+%lld", kindName(damage.kind),
             static_cast<long long>(damage.offset - media.payloadStart));
  } else {
    snprintf(text, sizeof text, "%s P+%lld ^ 0x%02X", kindName(damage.kind),
             static_cast<long long>(damage.offset - media.payloadStart), damage.mask);
  }
  return text;
}

}  // namespace drx::sweep
