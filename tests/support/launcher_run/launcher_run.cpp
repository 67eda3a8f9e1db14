// Test support: starting the launcher on a media file of the test's own and reading its traces.
#include "tests/support/launcher_run/launcher_run.h"

#include <atomic>
#include <cstdio>

#include "common/unique_handle.h"

namespace drx::test {
namespace {

constexpr const char* kMarkerKey = "SOFTWARE\\morvenic\\lanqo";
constexpr const char* kPlainMarker = "InstallStarted";

std::string processMarkerName(DWORD processId) {
  return std::string(kPlainMarker) + "_" + std::to_string(processId);
}

bool isLogFileName(const std::wstring& name) {
  // The launcher's temporary directory and its placeholder file start with "lqo"; the log is the
  // C runtime's temporary name, whose prefix the runtime may shorten.
  return name.rfind(L"lqo", 0) != 0;
}

}  // namespace

MediaSpec basicMediaSpec() {
  MediaSpec plan;
  plan.narrow[1000] = "Error";
  plan.narrow[1005] = "The JVM could not be started.";
  plan.narrow[1007] = "Wrong Parameter Usage";
  plan.narrow[1009] = "An internal error occurred (error code: {0})";
  plan.narrow[2001] = "d";
  plan.wide[payload::kMsgPreparing] = L"Preparing the Test \u00c4pp wizard\u2026";
  plan.wide[payload::kTextCancelButton] = L"Stop \u00e9tape";
  plan.wide[payload::kMsgWizardTitle] = L"Test \u00c4pp Wizard";
  plan.wide[20014] = L"The Java VM could not be started.";
  plan.wide[payload::kMsgLastRunFailed] = L"The installer did not start up correctly on the last run.";
  plan.wide[20016] = L"The installation file is corrupted.";
  plan.wide[20018] = L"Not Enough Disk Space";
  return plan;
}

std::wstring launcherStubPath() { return DRX_LAUNCHER_STUB; }

std::wstring artefactPath(const std::wstring& name) {
  const std::wstring directory = DRX_TEST_ARTEFACT_DIR;
  CreateDirectoryW(directory.c_str(), nullptr);
  return directory + L"\\" + name;
}

LaunchSetup::LaunchSetup(const ScratchDirectory& scratch) {
  static std::atomic<int> counter{0};
  directory = scratch.file(L"run" + std::to_wstring(++counter));
  CreateDirectoryW(directory.c_str(), nullptr);
  mediaPath = directory + L"\\setup.exe";
  temporaryPath = directory + L"\\tmp";
  CreateDirectoryW(temporaryPath.c_str(), nullptr);
  stdoutPath = directory + L"\\stdout.txt";
  stderrPath = directory + L"\\stderr.txt";
}

ChildProcess startLauncher(LaunchSetup& setup) {
  ChildOptions options;
  const bool written = setup.prebuiltMedia.empty()
                           ? writeMediaFile(setup.media, setup.mediaPath)
                           : CopyFileW(setup.prebuiltMedia.c_str(), setup.mediaPath.c_str(), FALSE) != 0;
  if (written) {
    options.commandLine = L"\"" + setup.mediaPath + L"\"";
    if (!setup.arguments.empty()) options.commandLine += L" " + setup.arguments;
  } else {
    options.commandLine = L"\"" + setup.directory + L"\\no media file was written.exe\"";
  }
  options.workingDirectory = setup.directory;
  options.stdoutPath = setup.stdoutPath;
  options.stderrPath = setup.stderrPath;
  options.environment = {{L"TMP", setup.temporaryPath}, {L"TEMP", setup.temporaryPath}};
  options.unsetEnvironment = {L"LANQO_LOG", L"DEPLOYRIX_LOG", L"LANQO_JAVA_HOME", L"DEPLOYRIX_JAVA_HOME"};
  if (setup.keepLog) options.environment.emplace_back(L"LANQO_LOG", L"yes");
  for (const auto& variable : setup.environment) options.environment.push_back(variable);
  return ChildProcess(options);
}

LaunchResult runToEnd(LaunchSetup& setup, DWORD timeoutMs) {
  LaunchResult result;
  ChildProcess child = startLauncher(setup);
  if (!child.running()) return result;
  result.processId = child.id();
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!result.finished && GetTickCount64() < deadline) {
    for (HWND window : visibleWindowsOf(child.id())) {
      result.sawWindow = true;
      if (windowClassName(window) == L"#32770") result.sawMessageBox = true;
    }
    result.finished = child.waitForExit(20, result.exitCode);
  }
  if (!result.finished) child.waitForExit(0, result.exitCode);
  result.standardOutput = readFileBytes(setup.stdoutPath);
  result.standardError = readFileBytes(setup.stderrPath);
  return result;
}

std::vector<std::wstring> logFilesIn(const LaunchSetup& setup) {
  std::vector<std::wstring> logs;
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW((setup.temporaryPath + L"\\*").c_str(), &found));
  if (!search) return logs;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isLogFileName(found.cFileName))
      logs.push_back(setup.temporaryPath + L"\\" + found.cFileName);
  } while (FindNextFileW(search.get(), &found));
  return logs;
}

std::vector<std::wstring> temporaryLeftovers(const LaunchSetup& setup) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW((setup.temporaryPath + L"\\*").c_str(), &found));
  if (!search) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L".." && !isLogFileName(name)) names.push_back(name);
  } while (FindNextFileW(search.get(), &found));
  return names;
}

std::string readLog(const LaunchSetup& setup) {
  const std::vector<std::wstring> logs = logFilesIn(setup);
  return logs.empty() ? std::string() : readFileBytes(logs.front());
}

std::wstring dialogText(HWND dialog) {
  std::wstring text;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (windowClassName(child) != L"Static") continue;
    const std::wstring piece = windowText(child);
    if (piece.empty()) continue;
    if (!text.empty()) text += L"\n";
    text += piece;
  }
  return text;
}

long long readStartupMarker(bool withProcessId, DWORD processId) {
  const std::string name = withProcessId ? processMarkerName(processId) : kPlainMarker;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kMarkerKey, name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return -1;
  return value;
}

void setPlainStartupMarker(DWORD value) {
  RegKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) == ERROR_SUCCESS)
    RegSetValueExA(key.get(), kPlainMarker, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

void clearStartupMarkers() {
  RegKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
  std::vector<std::string> names;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (std::string(name).rfind(kPlainMarker, 0) == 0) names.emplace_back(name);
  }
  for (const std::string& value : names) RegDeleteValueA(key.get(), value.c_str());
}

}  // namespace drx::test
