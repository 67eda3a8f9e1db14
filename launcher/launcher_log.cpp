// The launcher log: one handle for the process, each line written whole under one lock, deleted at
// exit unless kept.
#include "launcher/launcher_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/format_text.h"
#include "launcher/portable/log_line_text.h"

namespace drx::launcher {
namespace {

constexpr size_t kPathLimit = 8192;
constexpr char kFallbackLogPath[] = "c:\\drx_nlog";

// Plain members only, so that the state needs no destructor: threads may still log while the C
// runtime runs its exit handlers. That is also why the file handle is a raw one, closed by
// closeLogFile.
struct LogState {
  SRWLOCK lock = SRWLOCK_INIT;
  char path[kPathLimit] = {};
  HANDLE file = nullptr;
  std::string* line = nullptr;  // reused for every line, never freed
  bool hasPath = false;
  bool initialised = false;
  bool kept = false;
  volatile bool handedOut = false;
  bool requested = false;
  bool removed = false;  // the file was deleted: later lines must not bring it back
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

// Append-only access: every write lands at the current end of the file, even when another program
// appends to it as well. Sharing read, write and delete leaves the file as free for others as a
// file that is closed between lines. The handle is not inherited by the programs the launcher
// starts.
HANDLE openLogFile(const char* path, DWORD disposition) {
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA | SYNCHRONIZE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void closeLogFile(LogState& state) {
  if (state.file) CloseHandle(state.file);
  state.file = nullptr;
}

// Closes before deleting: a file still open would, on older systems, keep its name until the
// process ends.
void deleteLogFile(LogState& state) {
  closeLogFile(state);
  DeleteFileA(state.path);
  state.removed = true;
}

void deleteUnlessHandedOut() {
  LogLock lock;
  LogState& state = logState();
  if (state.hasPath && !state.handedOut && !state.removed) deleteLogFile(state);
}

void setPath(const char* path) {
  LogState& state = logState();
  formatText(state.path, sizeof state.path, "%s", path);
  state.hasPath = true;
}

std::string& lineBuffer() {
  LogState& state = logState();
  if (!state.line) state.line = new std::string;
  state.line->clear();
  return *state.line;
}

// One WriteFile per line: a reader never sees part of a line, and a crash loses no written line.
void writeWhole(const std::string& bytes) {
  DWORD written = 0;
  WriteFile(logState().file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// First call of the process: decide about keeping, pick and create the file, write the first line.
void initialiseLog() {
  LogState& state = logState();
  state.initialised = true;
  state.kept = state.requested;
  if (environmentSaysYes("LANQO_LOG")) state.kept = true;
  if (environmentSaysYes("DEPLOYRIX_LOG")) state.kept = true;
  if (!state.kept) atexit(deleteUnlessHandedOut);

  // msvcrt takes the directory from TMP when that is set; the prefix may come back shortened.
  char* name = _tempnam("c:\\", "drx_nlog_");
  if (name && strlen(name) < kPathLimit) {
    setPath(name);
    state.file = openLogFile(state.path, CREATE_ALWAYS);
  }
  free(name);
  if (!state.file) {
    setPath(kFallbackLogPath);
    state.file = openLogFile(state.path, CREATE_ALWAYS);
  }
  if (!state.file) return;

  char executable[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, executable, sizeof executable - 1);
  time_t now = time(nullptr);
  const char* when = ctime(&now);
  std::string& line = lineBuffer();
  // ctime's text ends with a line feed of its own, so an empty line follows.
  appendFormatted(line, "Started executable %s at %s", executable, when ? when : "\n");
  finishTextModeLine(line);
  writeWhole(line);
}

void writeLine(bool error, const char* format, va_list arguments) {
  LogLock lock;
  LogState& state = logState();
  if (!state.initialised) {
    initialiseLog();
  } else if (!state.file && state.hasPath && !state.removed) {
    // The file could not be created at first: every line tries again to append to it.
    state.file = openLogFile(state.path, OPEN_ALWAYS);
  }
  if (!state.file) return;
  std::string& line = lineBuffer();
  if (error) line = kErrorLinePrefix;
  appendFormattedV(line, format, arguments);
  finishTextModeLine(line);
  writeWhole(line);
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
  deleteLogFile(state);
  state.hasPath = false;
}

}  // namespace drx::launcher
