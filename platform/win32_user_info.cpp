// Natives of the Java class Win32UserInfo: the caller's SID and group membership, elevation,
// account names and LSA account rights. Local users and groups are in user_accounts.cpp.
#include <jni.h>
#include <windows.h>
#include <ntsecapi.h>
#include <shellapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/account_resolution.h"
#include "platform/jni_frame.h"
#include "platform/optional_functions.h"
#include "platform/platform_flags.h"
#include "platform/portable/security_rules.h"
#include "platform/token_functions.h"

using namespace drx::platform;

namespace {

constexpr DWORD kLookupBufferSize = 8192;

uint64_t addressOf(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }

jstring userSid(JNIEnv* env) {
  if (platformFlags().windows95) return nullptr;
  const TokenFunctions* functions = loadTokenFunctions();
  if (functions == nullptr || advapiFunction("ConvertSidToStringSidW") == nullptr) return nullptr;
  drx::KernelHandle token = openCallerToken(*functions);
  if (!token) return nullptr;
  std::vector<uint8_t> block;
  if (readTokenInformation(*functions, token.get(), TokenUser, block) != TokenRead::Ok) return nullptr;
  TokenSidEntry user;
  if (!decodeTokenUser(block.data(), block.size(), addressOf(block.data()), sizeof(void*), user))
    return nullptr;
  std::wstring text;
  if (!sidToText(block.data() + user.sidOffset, text)) return nullptr;
  return newJavaString(env, text.c_str(), text.size());
}

// Membership from the token's group list: an enabled, not deny-only entry for the group.
bool memberByGroupList(const TokenFunctions& functions, PSID group) {
  drx::KernelHandle token = openCallerToken(functions);
  if (!token) return true;
  std::vector<uint8_t> block;
  switch (readTokenInformation(functions, token.get(), TokenGroups, block)) {
    case TokenRead::SizeQueryFailed:
      return true;
    case TokenRead::ReadFailed:
      return false;
    case TokenRead::Ok:
      break;
  }
  std::vector<TokenSidEntry> groups;
  if (!decodeTokenGroups(block.data(), block.size(), addressOf(block.data()), sizeof(void*), groups))
    return false;
  for (const TokenSidEntry& entry : groups) {
    if (functions.equalSid(block.data() + entry.sidOffset, group) && groupGrantsMembership(entry.attributes))
      return true;
  }
  return false;
}

bool memberOfBuiltInGroup(jint rid) {
  if (platformFlags().windows95) return true;
  const TokenFunctions* functions = loadTokenFunctions();
  if (functions == nullptr) return true;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  AllocatedSid group;
  if (!functions->allocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, static_cast<DWORD>(rid), 0, 0,
                                           0, 0, 0, 0, group.put())) {
    group.dropWithoutClosing();
    return true;
  }
  if (functions->checkTokenMembership != nullptr) {
    BOOL member = FALSE;
    return functions->checkTokenMembership(nullptr, group.get(), &member) ? member != FALSE : true;
  }
  return memberByGroupList(*functions, group.get());
}

jint elevationType() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExW(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT ||
      version.dwMajorVersion <= 5)
    return 0;
  const TokenFunctions* functions = loadTokenFunctions();
  if (functions == nullptr) return 0;
  drx::KernelHandle token;
  if (!functions->openProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return 0;
  DWORD type = 0;
  DWORD returned = 0;
  if (!functions->getTokenInformation(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(18), &type,
                                      sizeof type, &returned)) {
    return 0;
  }
  return static_cast<jint>(type);
}

std::wstring accountName(const JavaText& sid) {
  if (GetModuleHandleW(L"advapi32.dll") == nullptr || !sid.ok()) return std::wstring();
  const std::wstring sidText(sid.get(), sid.length());
  if (const wchar_t* known = wellKnownAccountName(sidText)) return known;
  using ConvertFn = BOOL(WINAPI*)(LPCWSTR, PSID*);
  auto convert = asFunction<ConvertFn>(advapiFunction("ConvertStringSidToSidW"));
  if (convert == nullptr) return std::wstring();
  PSID raw = nullptr;
  if (!convert(sid.get(), &raw)) return accountErrorText(GetLastError());
  drx::LocalMemory owned(raw);
  std::wstring name(kLookupBufferSize, L'\0');
  std::wstring domain(kLookupBufferSize, L'\0');
  DWORD nameSize = kLookupBufferSize;
  DWORD domainSize = kLookupBufferSize;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, raw, name.data(), &nameSize, domain.data(), &domainSize, &use)) {
    return accountErrorText(GetLastError());
  }
  name.resize(wcsnlen(name.c_str(), kLookupBufferSize));
  domain.resize(wcsnlen(domain.c_str(), kLookupBufferSize));
  return accountNameText(sidText, domain, name);
}

bool setAccountRight(const JavaText& account, const JavaText& right, bool add) {
  using OpenPolicyFn =
      NTSTATUS(NTAPI*)(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE);
  using AddRightsFn = NTSTATUS(NTAPI*)(LSA_HANDLE, PSID, PLSA_UNICODE_STRING, ULONG);
  using RemoveRightsFn = NTSTATUS(NTAPI*)(LSA_HANDLE, PSID, BOOLEAN, PLSA_UNICODE_STRING, ULONG);
  using CloseFn = NTSTATUS(NTAPI*)(LSA_HANDLE);
  auto openPolicy = asFunction<OpenPolicyFn>(advapiFunction("LsaOpenPolicy"));
  auto addRights = asFunction<AddRightsFn>(advapiFunction("LsaAddAccountRights"));
  auto removeRights = asFunction<RemoveRightsFn>(advapiFunction("LsaRemoveAccountRights"));
  auto close = asFunction<CloseFn>(advapiFunction("LsaClose"));
  if (!openPolicy || !addRights || !removeRights || !close) return false;

  drx::LocalMemory sid = resolveAccountSid(account.get());
  if (!sid) return false;
  // A right whose characters could not be had is not taken for a null right (which would
  // remove every right of the account).
  if (!right.isNull() && !right.ok()) return false;
  const LsaRightRequest request = lsaRightRequest(right.isNull(), right.length(), add);
  if (!request.ok) return false;

  LSA_OBJECT_ATTRIBUTES attributes = {};
  LSA_HANDLE policy = nullptr;
  if (openPolicy(nullptr, &attributes, POLICY_CREATE_ACCOUNT | POLICY_LOOKUP_NAMES, &policy) != 0)
    return false;
  static wchar_t empty[1] = {0};
  LSA_UNICODE_STRING text;
  text.Buffer = right.isNull() ? empty : const_cast<wchar_t*>(right.get());
  text.Length = request.length;
  text.MaximumLength = request.maximumLength;
  const NTSTATUS status = add ? addRights(policy, sid.get(), &text, 1)
                              : removeRights(policy, sid.get(), request.allRights ? TRUE : FALSE, &text, 1);
  close(policy);
  return status == 0;
}

}  // namespace

extern "C" {

JNIEXPORT jstring JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_getUserSid0(JNIEnv* env, jclass) {
  return userSid(env);
}

// Membership that cannot be decided counts as membership.
JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_isMemberOfGroup0(
    JNIEnv*, jclass, jint groupRid) {
  return memberOfBuiltInGroup(groupRid) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_executeElevated0(
    JNIEnv* env, jclass, jstring file, jstring parameters, jstring directory) {
  JavaText fileText(env, file);
  JavaText parameterText(env, parameters);
  JavaText directoryText(env, directory);
  if (!fileText.ok()) return JNI_FALSE;
  HINSTANCE result = ShellExecuteW(nullptr, L"runas", fileText.get(), parameterText.get(),
                                   directoryText.get(), SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32 ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jint JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_getElevationType0(JNIEnv*, jclass) {
  return elevationType();
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_getAccountName0(
    JNIEnv* env, jclass, jstring sid) {
  JavaText sidText(env, sid);
  const std::wstring text = capAccountText(accountName(sidText));
  return newJavaString(env, text.c_str(), text.size());
}

JNIEXPORT jboolean JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_setLsaAccountRight0(JNIEnv* env, jclass,
                                                                                      jstring account,
                                                                                      jstring right,
                                                                                      jboolean add) {
  JavaText accountText(env, account);
  JavaText rightText(env, right);
  return setAccountRight(accountText, rightText, (add & 0xFF) != 0) ? JNI_TRUE : JNI_FALSE;
}

}  // extern "C"
