// Error boxes and console errors with the log path, and the fatal stops of the launcher.
#include "launcher/error_report.h"

#include <cstdio>
#include <string>

#include "common/code_page_text.h"
#include "common/payload/property_ids.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/message_text.h"

namespace drx::launcher {
namespace {

using payload::kMsgErrorCaption;
using payload::kMsgInternalError;
using payload::kMsgWizardTitle;

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

}  // namespace

void useConsoleForErrors() {
  reporting().console = true;
}

bool errorsGoToConsole() {
  return reporting().console;
}

void setErrorBoxOwner(HWND owner) {
  reporting().owner = owner;
}

void showError(const char* text) {
  std::string shown(cutToBuffer(text ? text : "", kTextBufferSize));
  if (const char* logPath = handOutLogPath()) {
    shown += "\n\nLog: ";
    shown += longLogPath(logPath);
    shown.resize(cutToBuffer(shown, kJoinedTextBufferSize).size());
  }
  if (reporting().console) {
    fprintf(stderr, "%s\n", shown.c_str());
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
  char codeText[16];
  snprintf(codeText, sizeof codeText, "%d", code);
  fatalById(kMsgInternalError, codeText);
}

void exitLauncher(unsigned code) {
  fflush(nullptr);
  ExitProcess(code);
}

}  // namespace drx::launcher
