// The runtime stages this build does not carry yet: an included runtime archive is reported as
// unusable and the download flow leaves the dialog for the user to cancel.
#include "launcher/error_report.h"
#include "launcher/launcher_log.h"
#include "launcher/runtime/runtime_stages.h"

namespace drx::launcher {

void extractIncludedRuntime(HWND) {
  logErrorLine("Could not untar JRE");
  fatal("The bundled JRE is corrupted. If you downloaded the setup file please download it again.");
}

void useExtractedRuntime() {
  logErrorLine("Could not find another JRE.");
  fatal("Could not use bundled JRE. Please send this log file to your software vendor:");
}

void unpackIncludedFiles(HWND) {}

bool runDownloadFlow(HWND) { return false; }

}  // namespace drx::launcher
