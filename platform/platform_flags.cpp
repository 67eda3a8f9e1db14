// Storage of the two platform flags.
#include "platform/platform_flags.h"

namespace drx::platform {

PlatformFlags& platformFlags() {
  static PlatformFlags flags;
  return flags;
}

}  // namespace drx::platform
