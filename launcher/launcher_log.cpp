// The launcher log: open, append and close per line under one lock, deleted at exit unless kept.
#include "launcher/launcher_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace drx::launcher {
namespace {

constexpr size_t kPathLimit = 8192;
constexpr char kFallbackLogPath[] = "c:\\drx_nlog";

struct LogState {
  SRWLOCK lock = SRWLOCK_INIT;
  char path[kPathLimit] = {};
  bool hasPath = false;
  bool initialised = false;
  bool kept = false;
  volatile bool handedOut = false;
  bool requested = false;
};

LogState& logState() {
  static LogState state;
  return state;
}

class LogLock {
 public:
  LogLock() { AcquireSRWLockExclusive(&logState().lock); }
  ~LogLock() { ReleaseSRWLockExclusive(&logState().lock); }
  LogLock(const LogLock&) = delete;
  LogLock& operator=(const LogLock&) = delete;
};

bool environmentSaysYes(const char* name) {
  char value[kPathLimit];
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value && strcmp(value, "yes") == 0;
}

void deleteUnlessHandedOut() {
  LogState& state = logState();
  if (state.hasPath && !state.handedOut) DeleteFileA(state.path);
}

void setPath(const char* path) {
  LogState& state = logState();
  snprintf(state.path, sizeof state.path, "%s", path);
  state.hasPath = true;
}

// First call of the process: decide about keeping, pick the file and write the first line.
FILE* initialiseLog() {
  LogState& state = logState();
  state.initialised = true;
  state.kept = state.requested;
  if (environmentSaysYes("LANQO_LOG")) state.kept = true;
  if (environmentSaysYes("DEPLOYRIX_LOG")) state.kept = true;
  if (!state.kept) atexit(deleteUnlessHandedOut);

  FILE* stream = nullptr;
  // msvcrt takes the directory from TMP when that is set; the prefix may come back shortened.
  char* name = _tempnam("c:\\", "drx_nlog_");
  if (name && strlen(name) < kPathLimit) {
    setPath(name);
    stream = fopen(state.path, "w");
  }
  free(name);
  if (!stream) {
    setPath(kFallbackLogPath);
    stream = fopen(state.path, "w");
  }
  if (!stream) return nullptr;

  char executable[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, executable, sizeof executable - 1);
  time_t now = time(nullptr);
  const char* when = ctime(&now);
  fprintf(stream, "Started executable %s at %s\n", executable, when ? when : "\n");
  fflush(stream);
  return stream;
}

void writeLine(bool error, const char* format, va_list arguments) {
  LogLock lock;
  LogState& state = logState();
  FILE* stream = nullptr;
  if (state.hasPath) stream = fopen(state.path, "a");
  if (!state.initialised) stream = initialiseLog();
  if (!stream) return;
  if (error) fputs("ERROR: ", stream);
  vfprintf(stream, format, arguments);
  fputs("\n", stream);
  fclose(stream);
}

}  // namespace

void logLine(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  writeLine(false, format, arguments);
  va_end(arguments);
}

void logErrorLine(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  writeLine(true, format, arguments);
  va_end(arguments);
}

void requestKeptLog() {
  LogLock lock;
  logState().requested = true;
}

bool keptLogRequested() {
  LogLock lock;
  return logState().requested;
}

const char* handOutLogPath() {
  LogLock lock;
  LogState& state = logState();
  if (!state.hasPath) return nullptr;
  state.handedOut = true;
  return state.path;
}

std::string currentLogPath() {
  LogLock lock;
  LogState& state = logState();
  return state.hasPath ? std::string(state.path) : std::string();
}

void removeLogUnlessKept() {
  LogLock lock;
  LogState& state = logState();
  if (state.kept || !state.hasPath || state.handedOut) return;
  DeleteFileA(state.path);
  // Other threads still running until the process ends must not write the file anew.
  state.hasPath = false;
}

}  // namespace drx::launcher
