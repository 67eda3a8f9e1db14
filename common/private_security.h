// A security descriptor that admits only the current user, SYSTEM and Administrators: for what a
// setup program, often elevated and in shared places, creates for itself (its extraction folder,
// the pipe to its companion process). Other local users get no entry at all.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace drx {

// Built in its own storage, without allocation: one access-allowed entry each for the token's
// user (the impersonated one on a thread that impersonates), LocalSystem and
// BUILTIN\Administrators, with FILE_ALL_ACCESS, in a protected DACL so that nothing of the
// parent is inherited. Not copyable: the descriptor points into the object.
class PrivateSecurity {
 public:
  // kToChildren: the entries are inherited by files and folders created inside (a directory).
  enum class Inheritance { kNone, kToChildren };

  explicit PrivateSecurity(Inheritance inheritance = Inheritance::kNone) { ok_ = build(inheritance); }
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;

  // False when the token or a SID could not be read; GetLastError tells why.
  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  // The attributes to create with; null when !ok(), so a caller never falls back to the default
  // security by accident (it must check ok() first).
  SECURITY_ATTRIBUTES* attributes() { return ok_ ? &attributes_ : nullptr; }

 private:
  bool build(Inheritance inheritance) {
    KernelHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put()) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
      return false;
    }
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, tokenUser_, sizeof tokenUser_, &size)) return false;
    const PSID user = reinterpret_cast<TOKEN_USER*>(tokenUser_)->User.Sid;
    if (!IsValidSid(user)) return false;

    DWORD systemSize = sizeof system_;
    DWORD administratorsSize = sizeof administrators_;
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize) ||
        !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_, &administratorsSize)) {
      return false;
    }
    // FILE_ALL_ACCESS rather than GENERIC_ALL: the entries then read back the same on every
    // system, whether or not it maps generic rights when it stores them.
    auto* acl = reinterpret_cast<PACL>(acl_);
    if (!InitializeAcl(acl, sizeof acl_, ACL_REVISION)) return false;
    const DWORD flags =
        inheritance == Inheritance::kToChildren ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
    const PSID members[] = {user, system_, administrators_};
    for (PSID sid : members) {
      if (!AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_ALL_ACCESS, sid)) return false;
    }
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
      return false;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    return true;
  }

  static constexpr DWORD kAceBytes = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SECURITY_MAX_SID_SIZE;

  alignas(8) BYTE tokenUser_[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  alignas(8) BYTE system_[SECURITY_MAX_SID_SIZE] = {};
  alignas(8) BYTE administrators_[SECURITY_MAX_SID_SIZE] = {};
  alignas(8) BYTE acl_[sizeof(ACL) + 3 * kAceBytes] = {};
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ok_ = false;
};

}  // namespace drx
