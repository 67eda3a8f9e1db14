// The pack200 step: the runtime's unpacker run once per packed jar, the runtime jar list, packed
// included files and the progress animation meanwhile.
#include "launcher/runtime/pack200.h"

#include <cstdio>
#include <string_view>

#include "common/payload/property_ids.h"
#include "common/thread_start.h"
#include "common/unique_handle.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/launcher_variables.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/runtime/portable/included_file_names.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"
#include "launcher/ui/progress_bar.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

constexpr size_t kPackSuffixLength = 5;  // ".pack"
constexpr int kAnimationStart = 200;
constexpr int kAnimationEnd = 300;
constexpr int kAnimationStep = 10;

DWORD WINAPI unpackAnimation(LPVOID parameter) {
  HWND dialog = static_cast<HWND>(parameter);
  const StartupState& state = startupState();
  const DWORD pause = state.extractionTimeMs / 10;
  for (int position = kAnimationStart;
       InterlockedCompareExchange(const_cast<LONG*>(&state.unpackFinished), 0, 0) == 0;) {
    Sleep(pause);
    position += kAnimationStep;
    setProgressPosition(dialog, position);
    if (position >= kAnimationEnd) break;
  }
  return 0;
}

}  // namespace

RunFailure unpackOneFile(const std::string& runtimeDirectory, const std::string& packedPath) {
  if (packedPath.size() < kPackSuffixLength) return {};
  const std::string target = packedPath.substr(0, packedPath.size() - kPackSuffixLength);
  if (!pathExists(packedPath.c_str())) {
    logLine("pack path doesn't exists");
    return {};
  }
  // The program path is quoted too: unquoted, a runtime below a folder with spaces would make
  // CreateProcess try "C:\Documents.exe" and the like first.
  std::string commandLine =
      "\"" + runtimeDirectory + "\\bin\\unpack200.exe\" -r \"" + packedPath + "\" \"" + target + "\"";
  logLine("%s", commandLine.c_str());

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &started)) {
    logLine("could not create unpack process");
    return internalFailure(InternalErrorCode::kUnpackerNotStarted);
  }
  KernelHandle process(started.hProcess);
  KernelHandle thread(started.hThread);
  logLine("waiting for unpack200 to finish");
  WaitForSingleObject(process.get(), INFINITE);
  logLine("unpack done");
  return {};
}

RunFailure unpackRuntimeDirectory(const std::string& runtimeDirectory) {
  const std::string packedRuntime = runtimeDirectory + "\\lib\\rt.jar.pack";
  const std::string lastJar = runtimeDirectory + "\\lib\\jsse.jar";
  if (!pathExists(packedRuntime.c_str()) || pathExists(lastJar.c_str())) return {};
  logLine("Unpacking JRE");
  fputs("Preparing JRE ...\n", stdout);
  fflush(stdout);
  for (const char* jar : kPackedRuntimeJars) {
    if (RunFailure failure = unpackOneFile(runtimeDirectory, runtimeDirectory + "\\" + jar + ".pack"))
      return failure;
  }
  logLine("Unpacking JRE done");
  return {};
}

RunFailure unpackIncludedFiles(HWND) {
  const std::vector<std::string> names =
      includedFileNames(getProperty(kIncludedFileNames), getIntProperty(kIncludedFileCount));
  for (const std::string& name : names) {
    if (!isPackedFileName(name)) continue;
    logLine("unpacking %s", name.c_str());
    if (RunFailure failure = unpackOneFile(runtimeHome(), temporaryDirectory() + "\\" + name)) return failure;
  }
  return {};
}

void startUnpackAnimation(HWND dialog) { startThread(unpackAnimation, dialog, THREAD_PRIORITY_ABOVE_NORMAL); }

}  // namespace drx::launcher
