// Directories only the current user, SYSTEM and the Administrators can reach.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace drx::launcher {

// A security descriptor whose DACL grants full access to the current user, SYSTEM and the
// Administrators group, inherited by everything created below (object and container
// inheritance), and protected, so that no entry of the parent is inherited.
class PrivateSecurity {
 public:
  PrivateSecurity();
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;

  // False when the user's SID or the ACL could not be had.
  explicit operator bool() const { return ready_; }
  SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  bool ready_ = false;
  std::vector<BYTE> user_;
  BYTE system_[SECURITY_MAX_SID_SIZE] = {};
  BYTE administrators_[SECURITY_MAX_SID_SIZE] = {};
  std::vector<DWORD> acl_;  // DWORD elements: an ACL must be DWORD-aligned
  SECURITY_DESCRIPTOR descriptor_ = {};
  SECURITY_ATTRIBUTES attributes_ = {};
};

// CreateDirectoryA with the descriptor above. A directory in a shared place (C:\Windows\Temp,
// c:\temp) would otherwise inherit entries that let other users add or replace files in it.
// Fails, creating nothing, when the descriptor cannot be built.
bool createPrivateDirectory(const std::string& path);

}  // namespace drx::launcher
