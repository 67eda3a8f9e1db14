// Driver for the launcher-core tests: runs one module behaviour in a process of its own, since the
// log's exit handler and the fatal stops act on the whole process.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/payload/property_ids.h"
#include "common/unique_handle.h"
#include "launcher/command_line.h"
#include "launcher/error_report.h"
#include "launcher/file_paths.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/log_prompt.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"
#include "tests/win/launcher/driver_modes.h"

using namespace drx::launcher;

namespace {

// The message texts of a typical payload.
void installTypicalMessages() {
  setProperty(1000, "Error");
  setProperty(1005, "The JVM could not be started.");
  setProperty(1006, "File or directory {0} not found or empty\n");
  setProperty(1007, "Wrong Parameter Usage");
  setProperty(1009, "An internal error occurred (error code: {0})");
  setProperty(1015, "You must be at least Poweruser to run this program.");
  setWideProperty(20013, L"deployrix Wizard");
  setWideProperty(20016, L"The installation file is corrupted. If it is a download please try it again.");
}

std::string settledTemporaryPath() {
  std::string path;
  if (RunFailure failure = settleTemporaryPath(path)) endWithFailure(failure);
  return path;
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

// Logs in steps, each ended by setting event NAME-ready and begun by waiting for NAME-go, so that
// the test can look at the file, and move or delete it, while this process keeps it open.
int logInSteps(const char* eventName) {
  const std::string name = eventName;
  drx::KernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "-ready").c_str()));
  drx::KernelHandle go(OpenEventA(SYNCHRONIZE, FALSE, (name + "-go").c_str()));
  if (!ready || !go) return 3;
  const char* const steps[] = {"after the rename", "after the delete"};
  logLine("held line %d", 1);
  logErrorLine("held line %d", 2);
  for (const char* step : steps) {
    SetEvent(ready.get());
    if (WaitForSingleObject(go.get(), 60000) != WAIT_OBJECT_0) return 4;
    logLine("%s", step);
  }
  SetEvent(ready.get());
  printLogPath();
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
      threads[i] = CreateThread(nullptr, 0, writeLogLines, reinterpret_cast<void*>(static_cast<INT_PTR>(i)),
                                0, nullptr);
    }
    WaitForMultipleObjects(4, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    printLogPath();
    return 0;
  }
  if (mode == "log-steps" && argc >= 3) return logInSteps(argv[2]);
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
  if (mode == "failure" && argc >= 8) {  // failure kind code argument|- systemError position quiet|normal
    useConsoleForErrors();
    startupState().quiet = strcmp(argv[7], "quiet") == 0;
    logLine("before the failure");
    printLogPath();
    const bool hasArgument = strcmp(argv[4], "-") != 0;
    endWithFailure(RunFailure{static_cast<FailureKind>(atoi(argv[2])),
                              static_cast<uint32_t>(strtoul(argv[5], nullptr, 10)), atoll(argv[6]),
                              atoi(argv[3]), hasArgument, hasArgument ? argv[4] : ""});
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
    if (!tokeniseNarrow(argv[2], arguments))
      endWithFailure(messageFailure(drx::payload::kMsgWrongParameterUsage));
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
    printf("%s\n", settledTemporaryPath().c_str());
    printLogPath();
    return 0;
  }
  if (mode == "temppath2" && argc >= 3) {  // temppath2 dir: the path, the comm file, the path after TMP=dir
    useConsoleForErrors();
    std::string communicationFile;
    if (RunFailure failure = processCommunicationFileName(4242, communicationFile)) endWithFailure(failure);
    printf("%s\n%s\n", settledTemporaryPath().c_str(), communicationFile.c_str());
    SetEnvironmentVariableA("TMP", argv[2]);
    SetEnvironmentVariableA("TEMP", argv[2]);
    printf("%s\n", settledTemporaryPath().c_str());
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
    if (RunFailure failure = createTemporaryDirectory()) endWithFailure(failure);
    printf("%s\n", temporaryDirectory().c_str());
    return 0;
  }
  if (mode == "exepath") {
    printf("%s\n%s\n", launcherExecutablePath().c_str(), launcherDirectory().c_str());
    return 0;
  }
  return runMediaMode(mode, argc, argv);
}
