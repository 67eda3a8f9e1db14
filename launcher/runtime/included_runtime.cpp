// The included runtime: the gzip layer and file system under the tar loop, extraction into "jre"
// and handing the extracted runtime to the virtual machine loader.
#include "launcher/runtime/included_runtime.h"

#include <zlib.h>

#include <cstdio>
#include <string>

#include "common/payload/property_ids.h"
#include "common/unique_handle.h"
#include "launcher/jvm/java_vm_launcher.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/runtime/pack200.h"
#include "launcher/runtime/portable/gzip_tar_input.h"
#include "launcher/runtime/portable/tar_reader.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/startup_state.h"
#include "launcher/ui/progress_bar.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

constexpr const char* kUnusableRuntime =
    "Could not use bundled JRE. Please send this log file to your software vendor:";

// Entries are written with the system's file calls: under wine the C runtime's stream layer adds
// a measurable cost per file, and the chunks are large enough to need no buffering of their own.
class SystemFile final : public TarOutputFile {
 public:
  explicit SystemFile(HANDLE file) : file_(file) {}

  size_t write(const void* data, size_t count) override {
    DWORD written = 0;
    if (!WriteFile(file_.get(), data, static_cast<DWORD>(count), &written, nullptr)) failed_ = true;
    return written;
  }
  bool failed() override { return failed_; }

 private:
  FileHandle file_;
  bool failed_ = false;
};

class DirectoryTarget final : public TarTarget {
 public:
  explicit DirectoryTarget(HWND dialog) : dialog_(dialog) {}

  void createDirectory(const std::string& name) override { CreateDirectoryA(name.c_str(), nullptr); }

  std::unique_ptr<TarOutputFile> createFile(const std::string& name) override {
    HANDLE file =
        CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::unique_ptr<TarOutputFile>(new SystemFile(file));
  }

  void log(bool error, const std::string& line) override {
    if (error) {
      logErrorLine("%s", line.c_str());
    } else {
      logLine("%s", line.c_str());
    }
  }

  uint32_t ticks() override { return GetTickCount(); }
  void setProgress(int position) override { setProgressPosition(dialog_, position); }

 private:
  HWND dialog_;
};

std::string fullPath(const char* name) {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetFullPathNameA(name, sizeof path, path, nullptr);
  if (length == 0 || length >= sizeof path) return name;
  return path;
}

}  // namespace

RunFailure untarRuntime(const char* archive, const char* targetDirectory, HWND dialog, int64_t total) {
  char saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof saved, saved);
  gzFile file = gzopen(archive, "rb");
  if (!file) {
    logErrorLine("Could not open gz-file");
    return failureOf(FailureKind::kRuntimeCorrupted);
  }
  GzipTarInput input(file);
  // Extracting anywhere else than the target would scatter the runtime over the working directory.
  if (!SetCurrentDirectoryA(targetDirectory)) {
    logErrorLine("Could not change working dir to %s", targetDirectory);
    return failureOf(FailureKind::kRuntimeCorrupted);
  }
  DirectoryTarget target(dialog);
  const UntarOutcome outcome = untarEntries(input, target, dialog != nullptr, total);
  SetCurrentDirectoryA(saved);
  if (outcome.result == UntarResult::kFileNotCreated)
    return textFailure("Could not open file " + outcome.fileName);
  return outcome.result == UntarResult::kSuccess ? RunFailure{} : failureOf(FailureKind::kRuntimeCorrupted);
}

RunFailure extractIncludedRuntime(HWND dialog) {
  StartupState& state = startupState();
  const DWORD start = GetTickCount();
  logLine("extracting JRE");
  if (!CreateDirectoryA(kRuntimeDirectoryName, nullptr)) logErrorLine("Could not create JRE dir");
  if (RunFailure failure = untarRuntime(kRuntimeArchiveName, kRuntimeDirectoryName, dialog,
                                        getIntProperty(kIncludedJreSize))) {
    if (failure.kind == FailureKind::kRuntimeCorrupted) logErrorLine("Could not untar JRE");
    return failure;
  }
  DeleteFileA(kRuntimeArchiveName);
  state.extractionTimeMs = GetTickCount() - start;

  if (getIntProperty(kJrePacked) != 0) {
    logLine("JRE is packed");
    if (dialog) startUnpackAnimation(dialog);
    if (RunFailure failure = unpackRuntimeDirectory("jre")) return failure;
    if (RunFailure failure = unpackRuntimeDirectory("jre\\jre")) return failure;
    InterlockedExchange(&state.unpackFinished, 1);
  }
  return useExtractedRuntime();
}

RunFailure useExtractedRuntime() {
  const std::string directory = fullPath(kRuntimeDirectoryName);
  logLine("JRE dir: %s", directory.c_str());
  if (prepareRuntime(false, directory, false)) return {};
  logErrorLine("Could not load bundled JRE. Trying to find another JRE.");
  if (prepareRuntime(false, std::string(), false)) return {};
  logErrorLine("Could not find another JRE.");
  return textFailure(kUnusableRuntime);
}

}  // namespace drx::launcher
