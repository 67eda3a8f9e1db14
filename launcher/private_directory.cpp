// Directories with a DACL of their own: the current user, SYSTEM and the Administrators only.
#include "launcher/private_directory.h"

#include "common/unique_handle.h"

namespace drx::launcher {
namespace {

std::vector<BYTE> currentUserSid() {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return {};
  }
  KernelHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD));
  if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  if (!IsValidSid(sid)) return {};
  const auto* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

}  // namespace

PrivateSecurity::PrivateSecurity() {
  user_ = currentUserSid();
  DWORD systemSize = sizeof system_;
  DWORD administratorsSize = sizeof administrators_;
  if (user_.empty() || !CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize) ||
      !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_, &administratorsSize)) {
    return;
  }
  PSID sids[] = {user_.data(), system_, administrators_};
  DWORD aclSize = sizeof(ACL);
  for (PSID sid : sids) aclSize += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
  acl_.assign((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  auto* acl = reinterpret_cast<PACL>(acl_.data());
  if (!InitializeAcl(acl, aclSize, ACL_REVISION)) return;
  for (PSID sid : sids) {
    if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS, sid)) {
      return;
    }
  }
  if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
      !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  ready_ = true;
}

bool createPrivateDirectory(const std::string& path) {
  PrivateSecurity security;
  if (!security) return false;
  return CreateDirectoryA(path.c_str(), security.attributes()) != FALSE;
}

}  // namespace drx::launcher
