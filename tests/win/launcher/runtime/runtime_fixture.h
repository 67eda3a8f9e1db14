// Shared pieces of the runtime stage tests: media files that carry a stand-in runtime as
// jre.tar.gz, the launcher's working directory after a run, and the stand-in's report.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "report_format.h"
#include "runtime_layout.h"
#include "tests/support/launcher_run/launcher_run.h"

namespace drx::test {

inline constexpr DWORD kRunTimeoutMs = 60000;

// A stand-in runtime laid out under a scratch folder and packed as a tar stream (entries under
// prefix: "" or "jre/").
std::string runtimeArchive(const ScratchDirectory& scratch, const standin::RuntimeSpec& plan,
                           const std::string& prefix);

// A launch whose stand-in report goes to report.txt beside the media file, with the kept log.
struct RuntimeLaunch {
  explicit RuntimeLaunch(const ScratchDirectory& scratch);
  standin::Report report() const;
  // The "lqo..._dir" directory the launcher extracted its files to (empty when there is none).
  std::wstring workingDirectory() const;
  bool workingFileExists(const std::wstring& name) const;
  std::string workingFile(const std::wstring& name) const;
  std::string log() const { return readLog(setup); }

  LaunchSetup setup;
  std::wstring reportPath;
};

bool contains(const std::string& text, const std::string& part);

}  // namespace drx::test
