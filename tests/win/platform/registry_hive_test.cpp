// saveKey0 / restoreKey0 of the real DLL: privilege enabling, hive round trip, the Windows 95 flag.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <string>

#include "drxinst_library.h"

namespace drxtest {
namespace {

using FileOp = jboolean(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using SetFlag = void(JNICALL*)(JNIEnv*, jclass, jboolean);

constexpr jint kCurrentUser = 2;
constexpr wchar_t kSavedKey[] = L"Software\\morvenic\\drxinst-hive-test";
constexpr wchar_t kLoadedHive[] = L"drxinst-loaded-hive";

// Sets a privilege of this process's token on or off; false when the token refused.
bool setPrivilege(const wchar_t* name, bool enable) {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  bool ok = LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
            GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return ok;
}

bool privilegeEnabled(const wchar_t* name) {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  PRIVILEGE_SET set{};
  set.PrivilegeCount = 1;
  set.Control = PRIVILEGE_SET_ALL_NECESSARY;
  BOOL enabled = FALSE;
  const bool ok =
      LookupPrivilegeValueW(nullptr, name, &set.Privilege[0].Luid) && PrivilegeCheck(token, &set, &enabled);
  CloseHandle(token);
  return ok && enabled;
}

std::wstring tempFile(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  std::wstring path = std::wstring(directory) + name;
  DeleteFileW(path.c_str());
  return path;
}

class RegistryHiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSavedKey);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kSavedKey) + L"\\inner").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 1234;
    RegSetValueExW(key, L"number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegCloseKey(key);
    ASSERT_TRUE(setPrivilege(SE_BACKUP_NAME, false));
    ASSERT_TRUE(setPrivilege(SE_RESTORE_NAME, false));
    env = vm.env();
  }

  void TearDown() override {
    setWindows95(env, nullptr, JNI_FALSE);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSavedKey);
    EXPECT_EQ(vm.outstandingBuffers(), 0u);
  }

  jstring str(const std::wstring& text) { return vm.newString(std::u16string(text.begin(), text.end())); }

  minijni::Jvm vm;
  JNIEnv* env = nullptr;
  FileOp saveKey = exportOf<FileOp>("Registry", "saveKey0", 24);
  FileOp restoreKey = exportOf<FileOp>("Registry", "restoreKey0", 24);
  SetFlag setWindows95 = exportOf<SetFlag>("Common", "setWindows95", 12);
};

TEST_F(RegistryHiveTest, SavingNeedsTheBackupPrivilege) {
  // Without the privilege the system refuses the save, as Windows does.
  const std::wstring direct = tempFile(L"drxinst-direct.hive");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSavedKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegSaveKeyW(key, direct.c_str(), nullptr), ERROR_PRIVILEGE_NOT_HELD);
  RegCloseKey(key);

  // With the Windows 95 flag the library enables nothing, so the save fails the same way.
  const std::wstring file = tempFile(L"drxinst-saved.hive");
  setWindows95(env, nullptr, JNI_TRUE);
  EXPECT_FALSE(saveKey(env, nullptr, kCurrentUser, str(kSavedKey), str(file), 0));
  EXPECT_FALSE(privilegeEnabled(SE_BACKUP_NAME));

  setWindows95(env, nullptr, JNI_FALSE);
  ASSERT_TRUE(saveKey(env, nullptr, kCurrentUser, str(kSavedKey), str(file), 0));
  EXPECT_TRUE(privilegeEnabled(SE_BACKUP_NAME));
  EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(file.c_str());
}

TEST_F(RegistryHiveTest, SavedHiveLoadsBackWithItsTree) {
  const std::wstring file = tempFile(L"drxinst-roundtrip.hive");
  ASSERT_TRUE(saveKey(env, nullptr, kCurrentUser, str(kSavedKey), str(file), 0));
  ASSERT_TRUE(setPrivilege(SE_RESTORE_NAME, true));
  RegUnLoadKeyW(HKEY_USERS, kLoadedHive);
  ASSERT_EQ(RegLoadKeyW(HKEY_USERS, kLoadedHive, file.c_str()), ERROR_SUCCESS);
  HKEY inner;
  LSTATUS status =
      RegOpenKeyExW(HKEY_USERS, (std::wstring(kLoadedHive) + L"\\inner").c_str(), 0, KEY_READ, &inner);
  DWORD number = 0;
  DWORD size = sizeof number;
  if (status == ERROR_SUCCESS) {
    status = RegQueryValueExW(inner, L"number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
    RegCloseKey(inner);
  }
  RegUnLoadKeyW(HKEY_USERS, kLoadedHive);
  DeleteFileW(file.c_str());
  EXPECT_EQ(status, ERROR_SUCCESS);
  EXPECT_EQ(number, 1234u);
}

TEST_F(RegistryHiveTest, SaveOfAMissingKeyOrUnknownRootFails) {
  const std::wstring file = tempFile(L"drxinst-missing.hive");
  EXPECT_FALSE(saveKey(env, nullptr, kCurrentUser, str(std::wstring(kSavedKey) + L"\\absent"), str(file), 0));
  EXPECT_FALSE(saveKey(env, nullptr, 0, str(kSavedKey), str(file), 0));
  EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

// wine's RegRestoreKeyW restores nothing and reports success, so what can be seen is the
// call path: both privileges enabled first, then the key opened or created.
TEST_F(RegistryHiveTest, RestoreEnablesBothPrivilegesAndCreatesTheKey) {
  const std::wstring file = tempFile(L"drxinst-restore.hive");
  ASSERT_TRUE(setPrivilege(SE_BACKUP_NAME, true));
  ASSERT_TRUE(saveKey(env, nullptr, kCurrentUser, str(kSavedKey), str(file), 0));
  ASSERT_TRUE(setPrivilege(SE_BACKUP_NAME, false));

  const std::wstring target = std::wstring(kSavedKey) + L"\\restored";
  EXPECT_TRUE(restoreKey(env, nullptr, kCurrentUser, str(target), str(file), 0));
  EXPECT_TRUE(privilegeEnabled(SE_BACKUP_NAME));
  EXPECT_TRUE(privilegeEnabled(SE_RESTORE_NAME));
  HKEY key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, target.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_FALSE(restoreKey(env, nullptr, 6, str(target), str(file), 0));
  DeleteFileW(file.c_str());
}

TEST_F(RegistryHiveTest, Windows95FlagSkipsThePrivilegesOfRestore) {
  setWindows95(env, nullptr, JNI_TRUE);
  const std::wstring file = tempFile(L"drxinst-restore95.hive");
  restoreKey(env, nullptr, kCurrentUser, str(std::wstring(kSavedKey) + L"\\r95"), str(file), 0);
  EXPECT_FALSE(privilegeEnabled(SE_BACKUP_NAME));
  EXPECT_FALSE(privilegeEnabled(SE_RESTORE_NAME));
}

}  // namespace
}  // namespace drxtest
