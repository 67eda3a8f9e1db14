// The two operating-system flags the Java side sets; read by the registry and account code.
#pragma once

namespace drx::platform {

struct PlatformFlags {
  bool windows95 = false;  // privileges count as enabled, no token is read
  bool windowsNT = false;  // group membership comes from the token's group list
};

// Process-wide; written only by Common.setWindows95 / setWindowsNT.
PlatformFlags& platformFlags();

}  // namespace drx::platform
