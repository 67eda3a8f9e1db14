// The kept-log question and the Explorer window that selects the log file.
#include "launcher/log_prompt.h"

#include <windows.h>

#include "common/format_text.h"
#include "common/unique_handle.h"
#include "launcher/launcher_log.h"
#include "launcher/portable/message_text.h"

namespace drx::launcher {

void logPrompt(const char* productTitle) {
  if (!keptLogRequested()) return;
  const char* logPath = handOutLogPath();
  char text[kJoinedTextBufferSize];
  formatText(text, sizeof text,
             "The following log file will be created:\n\n%s\n\nDo you want to open an Explorer window?",
             logPath ? logPath : "");
  if (MessageBoxA(nullptr, text, productTitle, MB_YESNO) != IDYES) return;

  char shortPath[MAX_PATH] = {};
  DWORD length = logPath ? GetShortPathNameA(logPath, shortPath, sizeof shortPath) : 0;
  if (length == 0 || length >= sizeof shortPath) shortPath[0] = '\0';
  char windowsDirectory[MAX_PATH] = {};
  length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
  if (length == 0 || length >= sizeof windowsDirectory) windowsDirectory[0] = '\0';

  char command[2 * MAX_PATH + 64];
  formatText(command, sizeof command, "%s\\explorer.exe /select,%s", windowsDirectory, shortPath);
  logLine("calling %s", command);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &process)) {
    logLine("could not open explorer window %d", static_cast<int>(GetLastError()));
    return;
  }
  KernelHandle processHandle(process.hProcess);
  KernelHandle threadHandle(process.hThread);
}

}  // namespace drx::launcher
