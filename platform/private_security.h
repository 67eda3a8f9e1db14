// A security descriptor that admits only the current user, SYSTEM and Administrators, for the
// objects drxinst makes to talk to its own (possibly elevated) companion process.
#pragma once

#include <windows.h>

namespace drx::platform {

// Builds the descriptor in its own storage (no allocation): one access-allowed entry each for
// the process token's user, LocalSystem and BUILTIN\Administrators, with full file access, and
// a protected DACL so nothing is inherited. Not copyable: the descriptor points into itself.
class PrivateSecurity {
 public:
  PrivateSecurity();
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;

  // False when the token or a SID could not be read; GetLastError tells why.
  bool ok() const { return ok_; }
  // The attributes to create with; null when !ok(), so a caller never falls back to defaults
  // by accident (it must check ok() first).
  SECURITY_ATTRIBUTES* attributes() { return ok_ ? &attributes_ : nullptr; }

 private:
  bool build();

  static constexpr DWORD kAceBytes = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SECURITY_MAX_SID_SIZE;

  alignas(8) BYTE tokenUser_[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  alignas(8) BYTE system_[SECURITY_MAX_SID_SIZE];
  alignas(8) BYTE administrators_[SECURITY_MAX_SID_SIZE];
  alignas(8) BYTE acl_[sizeof(ACL) + 3 * kAceBytes];
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ok_ = false;
};

}  // namespace drx::platform
