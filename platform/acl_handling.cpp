// Natives of the Java class ACLHandling: one inheritable allow entry merged into the
// discretionary access list of a file, directory or registry key.
#include <jni.h>
#include <windows.h>
#include <aclapi.h>

#include "common/unique_handle.h"
#include "platform/account_resolution.h"
#include "platform/jni_frame.h"
#include "platform/portable/security_rules.h"
#include "platform/token_functions.h"

using namespace drx::platform;

namespace {

// The principal's SID: LocalFree'd for a resolved account, FreeSid'd when allocated here.
struct PrincipalSid {
  drx::LocalMemory resolved;
  AllocatedSid allocated;
  PSID get() const { return resolved ? resolved.get() : allocated.get(); }
};

bool makePrincipalSid(jint code, const JavaText& account, PrincipalSid& sid) {
  const PrincipalKind kind = principalKind(code);
  if (kind == PrincipalKind::NamedAccount) {
    if (GetModuleHandleW(L"advapi32.dll") == nullptr) return false;
    sid.resolved = resolveAccountSid(account.get());
    return static_cast<bool>(sid.resolved);
  }
  const SidRecipe recipe = sidRecipe(kind);
  SID_IDENTIFIER_AUTHORITY authority;
  for (int i = 0; i < 6; ++i) authority.Value[i] = recipe.authority[i];
  if (!AllocateAndInitializeSid(&authority, 1, recipe.subAuthority, 0, 0, 0, 0, 0, 0, 0,
                                sid.allocated.put())) {
    sid.allocated.dropWithoutClosing();
    return false;
  }
  return true;
}

// Reads the list, merges the entry and writes the list back; 0 or the failing call's error.
DWORD applyEntry(const wchar_t* path, SE_OBJECT_TYPE kind, EXPLICIT_ACCESS_W& entry) {
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  PACL oldDacl = nullptr;
  PSECURITY_DESCRIPTOR rawDescriptor = nullptr;
  DWORD error = GetNamedSecurityInfoW(path, kind, DACL_SECURITY_INFORMATION, nullptr, nullptr, &oldDacl,
                                      nullptr, &rawDescriptor);
  drx::LocalMemory descriptor(rawDescriptor);
  if (error != ERROR_SUCCESS) {
    diagnostic("GetNamedSecurityInfo Error %u %S\n", static_cast<unsigned>(error), path);
    return error;
  }
  PACL rawNewDacl = nullptr;
  error = SetEntriesInAclW(1, &entry, oldDacl, &rawNewDacl);
  drx::LocalMemory newDacl(rawNewDacl);
  if (error != ERROR_SUCCESS) {
    diagnostic("SetEntriesInAcl Error %u\n", static_cast<unsigned>(error));
    return error;
  }
  error = SetNamedSecurityInfoW(const_cast<LPWSTR>(path), kind, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                rawNewDacl, nullptr);
  if (error != ERROR_SUCCESS) diagnostic("SetNamedSecurityInfo Error %u\n", static_cast<unsigned>(error));
  return error;
}

}  // namespace

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ACLHandling_addACE(
    JNIEnv* env, jclass, jstring path, jboolean registryKey, jboolean read, jboolean write, jboolean execute,
    jboolean all, jint principalCode, jstring account) {
  const DWORD mask =
      rightsMask((read & 0xFF) != 0, (write & 0xFF) != 0, (execute & 0xFF) != 0, (all & 0xFF) != 0);
  PrincipalSid sid;
  {
    JavaText accountText(env,
                         principalKind(principalCode) == PrincipalKind::NamedAccount ? account : nullptr);
    if (!makePrincipalSid(principalCode, accountText, sid)) return JNI_FALSE;
  }
  EXPLICIT_ACCESS_W entry = {};
  entry.grfAccessPermissions = mask;
  entry.grfAccessMode = GRANT_ACCESS;
  entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(sid.get());
  JavaText pathText(env, path);
  const SE_OBJECT_TYPE kind = (registryKey & 0xFF) != 0 ? SE_REGISTRY_KEY : SE_FILE_OBJECT;
  return applyEntry(pathText.get(), kind, entry) == ERROR_SUCCESS ? JNI_TRUE : JNI_FALSE;
}

}  // extern "C"
