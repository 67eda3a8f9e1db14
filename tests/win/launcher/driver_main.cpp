// Driver for the launcher-core tests: runs one module behaviour in a process of its own, since the
// log's exit handler and the fatal stops act on the whole process.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "launcher/command_line.h"
#include "launcher/error_report.h"
#include "launcher/file_paths.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/log_prompt.h"
#include "launcher/temp_directory.h"
#include "tests/win/launcher/driver_modes.h"

using namespace drx::launcher;

namespace {

// The message texts of a typical payload.
void installTypicalMessages() {
  setProperty(1000, "Error");
  setProperty(1006, "File or directory {0} not found or empty\n");
  setProperty(1007, "Wrong Parameter Usage");
  setProperty(1009, "An internal error occurred (error code: {0})");
  setProperty(1015, "You must be at least Poweruser to run this program.");
  setWideProperty(20013, L"deployrix Wizard");
  setWideProperty(20016, L"The installation file is corrupted. If it is a download please try it again.");
}

void printLogPath() {
  printf("log=%s\n", currentLogPath().c_str());
  fflush(stdout);
}

}  // namespace

// A thread entry of its own: a lambda would lack the stdcall convention 32-bit Windows needs.
DWORD WINAPI writeLogLines(void* parameter) {
  const int thread = static_cast<int>(reinterpret_cast<INT_PTR>(parameter));
  for (int line = 0; line < 200; ++line) logLine("thread %d line %d %s", thread, line, "payload-text");
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string mode = argv[1];
  installTypicalMessages();
  if (mode == "log" || mode == "log-request") {
    if (mode == "log-request") requestKeptLog();
    logLine("first line %d", 1);
    logErrorLine("second line %s", "x");
    printLogPath();
    return 0;
  }
  if (mode == "log-threads") {  // four threads, 200 lines each, at the same time
    HANDLE threads[4];
    for (int i = 0; i < 4; ++i) {
      threads[i] = CreateThread(nullptr, 0, writeLogLines, reinterpret_cast<void*>(static_cast<INT_PTR>(i)), 0, nullptr);
    }
    WaitForMultipleObjects(4, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    printLogPath();
    return 0;
  }
  if (mode == "fatal" && argc >= 4) {  // fatal console|box text
    if (strcmp(argv[2], "console") == 0) useConsoleForErrors();
    logLine("before the error");
    printLogPath();
    fatal(argv[3]);
  }
  if (mode == "fatal-nolog" && argc >= 3) {
    useConsoleForErrors();
    fatal(argv[2]);
  }
  if (mode == "fatal-id" && argc >= 4) {  // fatal-id id argument|-
    useConsoleForErrors();
    fatalById(atoi(argv[2]), strcmp(argv[3], "-") == 0 ? nullptr : argv[3]);
  }
  if (mode == "internal" && argc >= 3) {
    useConsoleForErrors();
    internalError(atoi(argv[2]));
  }
  if (mode == "wide-fatal") {
    useConsoleForErrors();
    logLine("before the error");
    printLogPath();
    fatalWideById(20016);
  }
  if (mode == "tokenise" && argc >= 3) {  // tokenise text: one argument per line, or fatal 1007
    useConsoleForErrors();
    std::vector<std::string> arguments;
    if (!tokeniseNarrow(argv[2], arguments)) failUnterminatedQuote();
    for (const std::string& argument : arguments) printf("[%s]\n", argument.c_str());
    return 0;
  }
  if (mode == "prompt" && argc >= 3) {  // prompt request|plain
    if (strcmp(argv[2], "request") == 0) requestKeptLog();
    logLine("before the prompt");
    printLogPath();
    logPrompt("deployrix");
    return 0;
  }
  if (mode == "temppath") {
    useConsoleForErrors();
    printf("%s\n", temporaryPath().c_str());
    printLogPath();
    return 0;
  }
  if (mode == "temppath2" && argc >= 3) {  // temppath2 dir: the path, the comm file, the path after TMP=dir
    useConsoleForErrors();
    printf("%s\n%s\n", temporaryPath().c_str(), processCommunicationFileName(4242).c_str());
    SetEnvironmentVariableA("TMP", argv[2]);
    SetEnvironmentVariableA("TEMP", argv[2]);
    printf("%s\n", temporaryPath().c_str());
    return 0;
  }
  if (mode == "tempfile2") {  // two fallback names in one second, or a retry hint
    time_t before = time(nullptr);
    std::string first = temporaryFileName();
    std::string second = temporaryFileName();
    printf("%s\n%s\n%s\n", first.c_str(), second.c_str(), time(nullptr) == before ? "same-second" : "");
    return 0;
  }
  if (mode == "tempdir") {
    useConsoleForErrors();
    printf("%s\n", createTemporaryDirectory().c_str());
    return 0;
  }
  if (mode == "exepath") {
    printf("%s\n%s\n", launcherExecutablePath().c_str(), launcherDirectory().c_str());
    return 0;
  }
  return runMediaMode(mode, argc, argv);
}
