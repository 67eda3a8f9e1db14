// The hidden "-version" child process of a candidate runtime.
#include "launcher/jvm/version_run.h"

#include "common/unique_handle.h"
#include "launcher/jvm/portable/program_search.h"
#include "launcher/jvm/portable/text_limits.h"
#include "launcher/launcher_log.h"
#include "launcher/run_end.h"
#include "launcher/temp_directory.h"

namespace drx::launcher {
namespace {

// Enough for the first line and then some; the version needs only the first 99 characters.
constexpr DWORD kOutputReadLimit = 4096;
// A terminated runtime releases its files shortly after; wait for that before deleting them.
constexpr DWORD kTerminationWaitMs = 5000;

std::string commandLineFor(const std::string& javaExecutable) {
  char shortPath[kTextLimit + 1];
  const DWORD length = GetShortPathNameA(javaExecutable.c_str(), shortPath, sizeof shortPath);
  const bool haveShortForm = length > 0 && length < sizeof shortPath;
  return versionCommandLine(haveShortForm ? std::string(shortPath, length) : std::string(), javaExecutable);
}

std::string readStart(const std::string& fileName) {
  FileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes(kOutputReadLimit, '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), kOutputReadLimit, &read, nullptr)) read = 0;
  bytes.resize(read);
  return bytes;
}

}  // namespace

VersionRun runJavaVersion(const std::string& javaExecutable, DWORD timeoutMs) {
  VersionRun run;
  // The child works in the temporary directory: a Cancel ends it before the directory goes.
  CancelGuardedStep scope;
  std::string commandLine = commandLineFor(javaExecutable);
  const std::string outputName = temporaryFileName();

  KernelHandle inheritable;
  {
    FileHandle output(CreateFileA(outputName.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    HANDLE duplicate = nullptr;
    if (output && DuplicateHandle(GetCurrentProcess(), output.get(), GetCurrentProcess(), &duplicate, 0, TRUE,
                                  DUPLICATE_SAME_ACCESS)) {
      inheritable.reset(duplicate);
    }
  }

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdError = inheritable.get();
  PROCESS_INFORMATION process = {};
  if (!inheritable || !CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
    logLine("Could not create process %s > %s (error %d)", commandLine.c_str(), outputName.c_str(),
            static_cast<int>(GetLastError()));
    inheritable.reset();
    DeleteFileA(outputName.c_str());
    return run;
  }
  KernelHandle processHandle(process.hProcess);
  KernelHandle threadHandle(process.hThread);
  run.started = true;

  waitUnlessCancelled(processHandle.get(), timeoutMs);
  DWORD exitCode = 1;
  GetExitCodeProcess(processHandle.get(), &exitCode);
  run.exitCode = exitCode;
  if (exitCode == STILL_ACTIVE) {
    run.timedOut = true;
    TerminateProcess(processHandle.get(), 1);
    WaitForSingleObject(processHandle.get(), kTerminationWaitMs);
  }
  inheritable.reset();
  if (exitCode == 0) run.output = readStart(outputName);
  DeleteFileA(outputName.c_str());
  return run;
}

}  // namespace drx::launcher
