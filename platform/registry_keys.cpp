// Registry key helpers: root codes, the three ways of opening, recursive deletion, privileges.
#include "platform/registry_keys.h"

#include <string>
#include <vector>

#include "platform/jni_frame.h"
#include "platform/optional_functions.h"
#include "platform/platform_flags.h"

namespace drx::platform {

HKEY rootKeyOfCode(jint rootCode) {
  switch (rootCode) {
    case 1:
      return HKEY_CLASSES_ROOT;
    case 2:
      return HKEY_CURRENT_USER;
    case 3:
      return HKEY_LOCAL_MACHINE;
    case 4:
      return HKEY_USERS;
    case 5:
      return HKEY_CURRENT_CONFIG;
    default:
      return nullptr;
  }
}

RegKey openKey(JNIEnv* env, jint rootCode, jstring path, KeyAccess access, jint viewBits) {
  RegKey key;
  HKEY root = rootKeyOfCode(rootCode);
  if (root == nullptr) return key;
  JavaText keyPath(env, path);
  if (!keyPath.ok()) return key;
  const REGSAM view = static_cast<REGSAM>(viewBits);
  LSTATUS status;
  if (access == KeyAccess::kCreate) {
    status = RegCreateKeyExW(root, keyPath.get(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(),
                             nullptr);
  } else {
    const REGSAM mask = KEY_READ | view | (access == KeyAccess::kWrite ? KEY_SET_VALUE : 0);
    status = RegOpenKeyExW(root, keyPath.get(), 0, mask, key.put());
  }
  if (status != ERROR_SUCCESS) key.dropWithoutClosing();
  return key;
}

bool keyIsEmpty(HKEY key) {
  DWORD subKeys = 0;
  DWORD values = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subKeys == 0 && values == 0;
}

namespace {

using RegDeleteKeyExWFunction = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

constexpr DWORD kDeletionNameChars = 1024;

}  // namespace

void deleteKeyTree(HKEY parent, const wchar_t* name, REGSAM viewBits) {
  {
    RegKey key;
    if (RegOpenKeyExW(parent, name, 0, KEY_READ | viewBits, key.put()) != ERROR_SUCCESS) {
      key.dropWithoutClosing();
      return;
    }
    // All names first: deleting while enumerating would shift the indexes.
    std::vector<std::wstring> children;
    wchar_t child[kDeletionNameChars];
    for (DWORD index = 0;; ++index) {
      DWORD length = kDeletionNameChars;
      if (RegEnumKeyExW(key.get(), index, child, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      children.emplace_back(child, length);
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      deleteKeyTree(key.get(), it->c_str(), viewBits);
  }
  auto deleteKeyEx =
      viewBits != 0 ? asFunction<RegDeleteKeyExWFunction>(advapiFunction("RegDeleteKeyExW")) : nullptr;
  if (deleteKeyEx != nullptr) {
    deleteKeyEx(parent, name, viewBits, 0);
  } else {
    RegDeleteKeyW(parent, name);
  }
}

bool enablePrivilege(const wchar_t* name) {
  if (platformFlags().windows95) return true;
  KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    token.dropWithoutClosing();
    return false;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  // Success with ERROR_NOT_ALL_ASSIGNED means the token does not hold the privilege.
  SetLastError(ERROR_SUCCESS);
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  return GetLastError() == ERROR_SUCCESS;
}

}  // namespace drx::platform
