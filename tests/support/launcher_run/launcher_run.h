// Test support: build a media file from the real launcher, start it with a private temporary
// folder and environment, and look at what it left behind (exit code, output, log, markers).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/payload/property_ids.h"
#include "tests/support/process_driver/process_driver.h"

namespace drx::test {

struct MediaSpec {
  std::map<int32_t, std::string> narrow;  // ANSI bytes
  std::map<int32_t, std::wstring> wide;
  std::vector<std::pair<std::string, std::string>> files;  // name, content
  bool verify = true;
  std::wstring stub;  // the launcher the payload is appended to; empty: launcherStubPath()
};

// Texts of every message the start-up shows, each recognisable, some outside ASCII.
MediaSpec basicMediaSpec();

// The launcher of this build (mediastub.exe or mediastub64.exe).
std::wstring launcherStubPath();

// Writes the launcher followed by the payload of plan; false on any failure.
bool writeMediaFile(const MediaSpec& plan, const std::wstring& outPath);

// Where a test keeps files worth looking at after the run (screenshots).
std::wstring artefactPath(const std::wstring& name);

struct LaunchSetup {
  explicit LaunchSetup(const ScratchDirectory& scratch);

  MediaSpec media = basicMediaSpec();
  std::wstring prebuiltMedia;  // a finished media file copied to mediaPath instead of writing `media`
  std::wstring arguments;      // the command-line tail
  bool keepLog = false;        // LANQO_LOG=yes
  std::vector<std::pair<std::wstring, std::wstring>> environment;

  std::wstring directory;  // holds the media file, output files and the private TMP
  std::wstring mediaPath;
  std::wstring temporaryPath;  // TMP and TEMP of the child
  std::wstring stdoutPath;
  std::wstring stderrPath;
};

// Writes the media file and starts it; the returned child is not running when that failed.
ChildProcess startLauncher(LaunchSetup& setup);

struct LaunchResult {
  bool finished = false;
  DWORD exitCode = 0;
  DWORD processId = 0;
  bool sawWindow = false;      // any visible top-level window at any poll
  bool sawMessageBox = false;  // a visible "#32770" window at any poll
  std::string standardOutput;
  std::string standardError;
};

// Starts the launcher and watches its windows until it ends or timeoutMs passes (then it is
// terminated and finished is false).
LaunchResult runToEnd(LaunchSetup& setup, DWORD timeoutMs);

// Log files the launcher left in its private temporary folder.
std::vector<std::wstring> logFilesIn(const LaunchSetup& setup);
// The text of the first of them; empty when there is none.
std::string readLog(const LaunchSetup& setup);
// Everything else in the private temporary folder: the launcher's "lqo..." directory and file.
std::vector<std::wstring> temporaryLeftovers(const LaunchSetup& setup);

// The whole text of a dialog's static controls, joined by new lines (message boxes).
std::wstring dialogText(HWND dialog);

// Start-up markers under HKCU\SOFTWARE\morvenic\lanqo: -1 when the value is missing.
long long readStartupMarker(bool withProcessId, DWORD processId = 0);
void setPlainStartupMarker(DWORD value);
// Removes the plain marker and every process marker.
void clearStartupMarkers();

}  // namespace drx::test
