// Driver modes over a media file; filled in with the payload reader.
#include "tests/win/launcher_core/driver_modes.h"

int runMediaMode(const std::string&, int, char**) {
  return 2;
}
