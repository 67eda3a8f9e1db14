// A deterministic sample of the truncation and corruption sweep: every damaged media file ends the
// quiet launcher with exit code 1 and its message, except damage the check cannot see.
#include <gtest/gtest.h>

#include "tests/support/launcher_run/launcher_run.h"
#include "tests/win/robustness/sweep/sweep_runner.h"

namespace drx::sweep {
namespace {

constexpr size_t kSampleSize = 40;

bool fileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

const CaseOutcome* outcomeOf(const std::vector<CaseOutcome>& outcomes, CaseKind kind, int64_t offset,
                             uint8_t mask) {
  for (const CaseOutcome& outcome : outcomes) {
    if (outcome.damage.kind == kind && outcome.damage.offset == offset && outcome.damage.mask == mask)
      return &outcome;
  }
  return nullptr;
}

TEST(RobustnessSweep, SampledDamageFailsCleanlyOrGoesOnWhereTheCheckCannotSee) {
  test::clearStartupMarkers();
  SweepMedia media;
  ASSERT_TRUE(buildSweepMedia(media));
  const std::vector<SweepCase> sample = sampleCases(media, allCases(media, {0xFF, 0x01}), kSampleSize);
  ASSERT_GE(sample.size(), kSampleSize);
  test::ScratchDirectory scratch(L"sweep");
  RunSettings settings;
  settings.workDirectory = scratch.path();
  const bool fallbackLogBefore = fileExists(L"C:\\drx_nlog");

  const std::vector<CaseOutcome> outcomes = runCases(media, sample, settings);
  test::clearStartupMarkers();

  ASSERT_EQ(outcomes.size(), sample.size());
  for (const CaseOutcome& outcome : outcomes) {
    std::string stray;
    for (const std::string& entry : outcome.stray) stray += entry + " ";
    EXPECT_TRUE(outcome.acceptable) << describeCase(media, outcome.damage) << ": " << outcome.kind
                                    << (outcome.message.empty() ? "" : " [" + outcome.message + "]")
                                    << (stray.empty() ? "" : " stray: " + stray);
  }
  const SweepFigures figures = summarise(outcomes);
  EXPECT_EQ(figures.crashes, 0u);
  EXPECT_EQ(figures.hangs, 0u);
  EXPECT_EQ(figures.strayFiles, 0u);
  EXPECT_TRUE(fallbackLogBefore || !fileExists(L"C:\\drx_nlog")) << "a run wrote its log into C:\\";

  // The edge cases, by what the launcher must show. Before the switches are read errors go to
  // message boxes, so a cut in the property tables is reported in a box even with -q; the checksum
  // box shows in every mode; a read failure of the check comes after -q, on standard error. The
  // verify flag is outside the region: a changed flag either skips the check or passes it, and the
  // quiet run goes on to the runtime search (none here: 83).
  const int64_t p = media.payloadStart;
  const struct {
    CaseKind kind;
    int64_t offset;
    uint8_t mask;
    const char* kind_;
  } edges[] = {
      {CaseKind::kTruncation, p, 0, "exit 1, box: Internal Error: readInt"},
      {CaseKind::kTruncation, media.regionEnd - 1, 0,
       "exit 1, stderr: An internal error occurred (error code: 34)"},
      {CaseKind::kHeaderByte, p + 8, 0xFF, "exit 1, box: installation file is corrupted (20016)"},
      {CaseKind::kRegionByte, media.wideCountOffset + 3, 0xFF,
       "exit 1, box: installation file is corrupted (20016), shown empty: the damaged wide count dropped "
       "every text"},
      {CaseKind::kHeaderByte, p + 4, 0x01, "exit 83, stdout: no jre found (past the checks)"},
      {CaseKind::kHeaderByte, p + 7, 0xFF, "exit 83, stdout: no jre found (past the checks)"},
      {CaseKind::kTruncation, media.regionEnd, 0, "exit 83, stdout: no jre found (past the checks)"},
      {CaseKind::kFillerByte, media.regionEnd + 2, 0xFF, "exit 83, stdout: no jre found (past the checks)"},
  };
  for (const auto& edge : edges) {
    const CaseOutcome* outcome = outcomeOf(outcomes, edge.kind, edge.offset, edge.mask);
    ASSERT_NE(outcome, nullptr);
    EXPECT_EQ(outcome->kind, edge.kind_) << describeCase(media, outcome->damage);
  }
  printf("%s", figuresText(media, figures).c_str());
}

}  // namespace
}  // namespace drx::sweep
