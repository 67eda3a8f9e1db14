// Runs the sweep's cases under the real launcher in quiet mode, at most a few at a time, each in an
// empty directory of its own, and tells what each run did.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/win/robustness/sweep/sweep_media.h"

namespace drx::sweep {

struct RunSettings {
  std::wstring workDirectory;  // the case directories go below it and are removed after each run
  DWORD timeoutMs = 30000;     // a run still going then counts as a hang and is ended
  size_t parallel = 2;
};

enum class Channel { kNone, kStandardError, kMessageBox };

struct CaseOutcome {
  SweepCase damage{};
  Expectation expected = Expectation::kFails;
  bool started = false;
  bool finished = false;  // false: a hang
  DWORD exitCode = 0;
  Channel channel = Channel::kNone;
  std::string message;             // shown text without the appended "Log: <path>" (UTF-8)
  std::vector<std::string> stray;  // entries the run left outside its temporary folder, or odd ones in it
  std::string kind;                // the outcome's class, e.g. "exit 1, box: Internal Error: readString"
  bool crashed = false;            // ended with an exit code the launcher never uses
  bool acceptable = false;         // what the case may rightly do
};

// Runs every case; report (optional) sees each outcome as it comes.
std::vector<CaseOutcome> runCases(const SweepMedia& media, const std::vector<SweepCase>& cases,
                                  const RunSettings& settings,
                                  const std::function<void(const CaseOutcome&)>& report = {});

struct SweepFigures {
  size_t cases = 0, truncations = 0, byteChanges = 0;
  size_t crashes = 0, hangs = 0, strayFiles = 0, unacceptable = 0;
  std::map<std::string, size_t> byKind;
};

SweepFigures summarise(const std::vector<CaseOutcome>& outcomes);
std::string figuresText(const SweepMedia& media, const SweepFigures& figures);

}  // namespace drx::sweep
