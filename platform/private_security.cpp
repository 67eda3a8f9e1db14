// The descriptor of drxinst's private objects: the current user, SYSTEM and Administrators only.
#include "platform/private_security.h"

#include "common/unique_handle.h"

namespace drx::platform {

PrivateSecurity::PrivateSecurity() { ok_ = build(); }

bool PrivateSecurity::build() {
  KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenUser, tokenUser_, sizeof tokenUser_, &size)) return false;
  const PSID user = reinterpret_cast<TOKEN_USER*>(tokenUser_)->User.Sid;

  DWORD systemSize = sizeof system_;
  DWORD administratorsSize = sizeof administrators_;
  if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize) ||
      !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_, &administratorsSize)) {
    return false;
  }
  // FILE_ALL_ACCESS rather than GENERIC_ALL: the entries then read back the same on every system,
  // whether or not it maps generic rights when it stores them.
  if (!InitializeAcl(reinterpret_cast<PACL>(acl_), sizeof acl_, ACL_REVISION)) return false;
  const PSID members[] = {user, system_, administrators_};
  for (PSID sid : members) {
    if (!AddAccessAllowedAce(reinterpret_cast<PACL>(acl_), ACL_REVISION, FILE_ALL_ACCESS, sid)) return false;
  }
  if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(acl_), FALSE) ||
      !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return false;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  return true;
}

}  // namespace drx::platform
