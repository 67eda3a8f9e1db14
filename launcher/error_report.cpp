// Error boxes and console errors with the log path, and the fatal stops of the launcher.
#include "launcher/error_report.h"

#include <string>

#include "common/code_page_text.h"
#include "common/format_text.h"
#include "common/payload/property_ids.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/portable/message_text.h"
#include "launcher/startup_state.h"

namespace drx::launcher {
namespace {

using payload::kMsgCorruptedInstaller;
using payload::kMsgDiskFull;
using payload::kMsgErrorCaption;
using payload::kMsgInternalError;
using payload::kMsgWizardTitle;

constexpr const char* kCorruptedRuntimeText =
    "The bundled JRE is corrupted. If you downloaded the setup file please download it again.";
constexpr const char* kMediaNotOpenedText =
    "Error opening media file. Please move this file to an ascii-only path like c:\\";

struct ErrorReporting {
  volatile bool console = false;
  volatile HWND owner = nullptr;
};

ErrorReporting& reporting() {
  static ErrorReporting state;
  return state;
}

// The log path as the user should see it: its long form, or unchanged when that fails.
std::string longLogPath(const char* path) {
  char longPath[kTextBufferSize];
  DWORD length = GetLongPathNameA(path, longPath, sizeof longPath);
  if (length == 0 || length >= sizeof longPath) return path;
  return longPath;
}

// The box of the check and the extraction: always a message box, whatever the console mode.
void showInstallerBox(HWND owner, int textId) {
  MessageBoxW(owner, getWideProperty(textId), getWideProperty(kMsgWizardTitle), MB_ICONERROR);
}

void showInternalError(int code) {
  char codeText[16];
  formatText(codeText, sizeof codeText, "%d", code);
  showErrorById(kMsgInternalError, codeText);
}

void reportFailedRead(const RunFailure& failure) {
  const int error = static_cast<int>(failure.systemError);
  switch (failure.kind) {
    case FailureKind::kReadLong:
      logLine("error %d\n", error);
      showError("Internal Error: readLong");
      return;
    case FailureKind::kReadShort:
      logLine("error %d\n", error);
      showError("Internal Error: readShort");
      return;
    case FailureKind::kReadString:
      showError("Internal Error: readString");
      return;
    case FailureKind::kReadWideString:
      showError("Internal Error: readWString");
      return;
    default:
      logLine("error %d %d\n", error, static_cast<int>(failure.position));
      showError("Internal Error: readInt");
      return;
  }
}

}  // namespace

void useConsoleForErrors() { reporting().console = true; }

bool errorsGoToConsole() { return reporting().console; }

void setErrorBoxOwner(HWND owner) { reporting().owner = owner; }

void showError(const char* text) {
  std::string shown(cutToBuffer(text ? text : "", kTextBufferSize));
  if (const char* logPath = handOutLogPath()) {
    shown += "\n\nLog: ";
    shown += longLogPath(logPath);
    shown.resize(cutToBuffer(shown, kJoinedTextBufferSize).size());
  }
  if (reporting().console) {
    fputs(shown.c_str(), stderr);
    fputc('\n', stderr);
    fflush(stderr);
  } else {
    MessageBoxA(reporting().owner, shown.c_str(), getProperty(kMsgErrorCaption), MB_ICONERROR);
  }
}

void showWideError(const wchar_t* text) {
  std::wstring shown(text ? text : L"");
  if (shown.size() > kTextBufferSize - 1) shown.resize(kTextBufferSize - 1);
  if (const char* logPath = handOutLogPath()) {
    shown += L"\n\nLog: ";
    shown += toWide(longLogPath(logPath));
    if (shown.size() > kJoinedTextBufferSize - 1) shown.resize(kJoinedTextBufferSize - 1);
  }
  if (reporting().console) {
    fputws(shown.c_str(), stderr);
    fputws(L"\n", stderr);
    fflush(stderr);
  } else {
    MessageBoxW(reporting().owner, shown.c_str(), getWideProperty(kMsgWizardTitle), MB_ICONERROR);
  }
}

void showErrorById(int messageId, const char* argument) {
  std::string text = insertArgument(cutToBuffer(getProperty(messageId), kTextBufferSize), argument);
  showError(std::string(cutToBuffer(text, kTextBufferSize)).c_str());
}

void fatal(const char* text) {
  showError(text);
  exitLauncher(1);
}

void fatalById(int messageId, const char* argument) {
  showErrorById(messageId, argument);
  exitLauncher(1);
}

void fatalWideById(int textId) {
  showWideError(getWideProperty(textId));
  exitLauncher(1);
}

void internalError(int code) {
  showInternalError(code);
  exitLauncher(1);
}

void reportFailure(const RunFailure& failure, HWND dialog) {
  switch (failure.kind) {
    case FailureKind::kNone:
      return;
    case FailureKind::kBadMagic:
      showError("Internal Error: magic");
      return;
    case FailureKind::kMediaNotOpened:
      showError(kMediaNotOpenedText);
      return;
    case FailureKind::kCorruptedInstaller:
      showInstallerBox(dialog, kMsgCorruptedInstaller);
      return;
    case FailureKind::kExtractionCorrupted:
    case FailureKind::kExtractionDiskFull:
      if (startupState().quiet) return;
      showInstallerBox(
          dialog, failure.kind == FailureKind::kExtractionDiskFull ? kMsgDiskFull : kMsgCorruptedInstaller);
      return;
    case FailureKind::kInternal:
      showInternalError(failure.code);
      return;
    case FailureKind::kMessage:
      showErrorById(failure.code, failure.hasArgument ? failure.argument.c_str() : nullptr);
      return;
    case FailureKind::kText:
      showError(failure.argument.c_str());
      return;
    case FailureKind::kWideMessage:
      showWideError(getWideProperty(failure.code));
      return;
    case FailureKind::kRuntimeCorrupted:
      showError(kCorruptedRuntimeText);
      return;
    case FailureKind::kNoRuntime:
      return;
    case FailureKind::kJavaNotStarted:
      logErrorLine("Could not start JVM");
      showErrorById(payload::kMsgCouldNotStartJvm);
      return;
    default:
      reportFailedRead(failure);
      return;
  }
}

void endWithFailure(const RunFailure& failure, HWND dialog) {
  reportFailure(failure, dialog);
  exitLauncher(failure.exitCode());
}

void exitLauncher(unsigned code) {
  fflush(nullptr);
  ExitProcess(code);
}

}  // namespace drx::launcher
