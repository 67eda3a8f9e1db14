// Setting PATH for the runtime that will be loaded into this process.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "launcher/file_paths.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/ui/portable/native_library_path.h"

namespace drx::launcher {
namespace {

constexpr int kNativeLibraryDirectories = 10004;

}  // namespace

std::string readPathVariable() {
  std::string value(1024, '\0');
  for (;;) {
    const DWORD length = GetEnvironmentVariableA("PATH", value.data(), static_cast<DWORD>(value.size()));
    // A buffer that is too small gets the size needed, terminator included; PATH may grow
    // between the two calls, so ask again until it fits.
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

void prependNativeLibraryDirectories(const std::function<void(std::string&)>& expand) {
  std::string directories = getProperty(kNativeLibraryDirectories);
  logLine("native lib dir is %s", directories.c_str());
  if (expand) expand(directories);

  const std::string path = buildNativeLibraryPath(directories, readPathVariable(),
                                                  [](std::string_view entry) { return makeAbsolute(entry); });

  if (SetEnvironmentVariableA("PATH", path.c_str())) {
    logLine("Setting PATH (native libs) %s", path.c_str());
  } else {
    logLine("Setting PATH (native libs) %s failed with error %d", path.c_str(),
            static_cast<int>(GetLastError()));
  }
  // The C runtime keeps its own copy of the environment; code using getenv must see the same PATH.
  std::string assignment = "PATH=" + path;
  _putenv(assignment.c_str());
}

}  // namespace drx::launcher
