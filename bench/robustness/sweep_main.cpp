// The complete truncation and corruption sweep: runs every case and prints the figures.
//   robustness_sweep [--sample N] [--timeout MS]
// Exit code 0 when every case did what it may rightly do, 1 otherwise.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/launcher_run/launcher_run.h"
#include "tests/win/robustness/sweep/sweep_runner.h"

using namespace drx::sweep;

int main(int argc, char** argv) {
  size_t sample = 0;
  RunSettings settings;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--sample") == 0) sample = strtoul(argv[i + 1], nullptr, 10);
    if (strcmp(argv[i], "--timeout") == 0) settings.timeoutMs = strtoul(argv[i + 1], nullptr, 10);
  }
  SweepMedia media;
  if (!buildSweepMedia(media)) {
    fprintf(stderr, "could not build the media file from %ls\n", drx::test::launcherStubPath().c_str());
    return 1;
  }
  std::vector<SweepCase> cases = allCases(media, {0xFF, 0x01});
  if (sample) cases = sampleCases(media, cases, sample);
  drx::test::ScratchDirectory scratch(L"sweep");
  settings.workDirectory = scratch.path();

  const ULONGLONG start = GetTickCount64();
  size_t done = 0;
  const std::vector<CaseOutcome> outcomes = runCases(media, cases, settings, [&](const CaseOutcome& outcome) {
    ++done;
    if (!outcome.acceptable) {
      printf("NOT AS EXPECTED: %s: %s [%s]\n", describeCase(media, outcome.damage).c_str(),
             outcome.kind.c_str(), outcome.message.c_str());
      for (const std::string& entry : outcome.stray) printf("  stray: %s\n", entry.c_str());
    }
    if (done % 100 == 0) {
      fprintf(stderr, "%zu of %zu cases\n", done, cases.size());
      fflush(stderr);
    }
    fflush(stdout);
  });
  drx::test::clearStartupMarkers();
  const SweepFigures figures = summarise(outcomes);
  printf("%s", figuresText(media, figures).c_str());
  printf("%zu runs, at most %zu at a time, %.1f s\n", outcomes.size(), settings.parallel,
         (GetTickCount64() - start) / 1000.0);
  const int result = figures.unacceptable == 0 && figures.crashes == 0 && figures.hangs == 0 ? 0 : 1;
  fflush(stdout);
  // Inside a wine virtual desktop explorer does not pass the exit code on; the runner reads this file.
  if (const char* exitCodeFile = getenv("DRX_EXIT_CODE_FILE")) {
    if (FILE* file = fopen(exitCodeFile, "w")) {
      fprintf(file, "%d\n", result);
      fclose(file);
    }
  }
  return result;
}
