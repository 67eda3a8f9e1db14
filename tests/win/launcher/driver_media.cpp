// Driver modes over a media file: load the tables, verify, extract, as the launcher's work does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "launcher/error_report.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/media_reader.h"
#include "launcher/temp_directory.h"
#include "tests/win/launcher/driver_modes.h"

using namespace drx::launcher;

namespace {

void printProperties(int argc, char** argv, int first) {
  for (int i = first; i < argc; ++i) {
    const int id = atoi(argv[i]);
    if (id >= 20000) {
      printf("%d=", id);
      for (const wchar_t* c = getWideProperty(id); *c; ++c) printf(*c < 128 ? "%c" : "\\u%04x", *c);
      printf("\n");
    } else {
      printf("%d=%s|%d\n", id, getProperty(id), getIntProperty(id));
    }
  }
}

void loadOrEnd() {
  if (RunFailure failure = loadLauncherProperties()) endWithFailure(failure);
}

// The extraction's result as the tests read it: 0, 1 (unreadable payload) or 2 (disk full); any
// other failure ends the process as the work sequence would.
int extractionResult(const RunFailure& failure) {
  if (!failure) return 0;
  if (failure.kind == FailureKind::kExtractionCorrupted) return 1;
  if (failure.kind == FailureKind::kExtractionDiskFull) return 2;
  endWithFailure(failure);
}

}  // namespace

// load MEDIA [ids...] | start MEDIA quiet nocheck | verify MEDIA nocheck | extract MEDIA | self [ids...]
int runMediaMode(const std::string& mode, int argc, char** argv) {
  if (mode == "self") {
    loadOrEnd();
    printf("F=%lld\n", static_cast<long long>(includedFilesPosition()));
    printProperties(argc, argv, 2);
    return 0;
  }
  if (argc < 3) return 2;
  setMediaPath(argv[2]);
  if (mode == "load" || mode == "loadq") {
    // loadq: errors on the console from the start, so tests read fatal texts without a display.
    if (mode == "loadq") useConsoleForErrors();
    loadOrEnd();
    printf("F=%lld\nconsole=%d\n", static_cast<long long>(includedFilesPosition()),
           errorsGoToConsole() ? 1 : 0);
    printf("log=%s\n", currentLogPath().c_str());
    printProperties(argc, argv, 3);
    return 0;
  }
  if (mode == "verify" && argc >= 4) {  // the check alone, without loading first
    useConsoleForErrors();
    logLine("verify only");
    printf("log=%s\n", currentLogPath().c_str());
    fflush(stdout);
    if (RunFailure failure = verifyIntegrity(nullptr, strcmp(argv[3], "nocheck") != 0))
      endWithFailure(failure);
    printf("verified\n");
    return 0;
  }
  if (mode == "start" && argc >= 5) {  // load, switches, verify, temporary directory, extract
    // Quiet here covers loading too, so the fatal texts of the readers reach standard error.
    if (strcmp(argv[3], "quiet") == 0) useConsoleForErrors();
    loadOrEnd();
    printf("log=%s\n", currentLogPath().c_str());
    fflush(stdout);
    if (RunFailure failure = verifyIntegrity(nullptr, strcmp(argv[4], "nocheck") != 0))
      endWithFailure(failure);
    printf("verified\n");
    if (RunFailure failure = createTemporaryDirectory()) endWithFailure(failure);
    const std::string& directory = temporaryDirectory();
    const int result = extractionResult(extractIncludedFiles(nullptr));
    printf("dir=%s\nresult=%d\nU=%lld\n", directory.c_str(), result,
           static_cast<long long>(unextractedPosition()));
    return 0;
  }
  return 2;
}
