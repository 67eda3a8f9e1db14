// FolderInfo natives of the real DLL, checked against the system's own answers.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <mini_jni.h>

#include <string>

#include "drxinst_library.h"
#include "test_paths.h"
#include "tests/support/process_driver/process_driver.h"

namespace drxtest {
namespace {

using SpecialFolder = jstring(JNICALL*)(JNIEnv*, jclass, jint, jboolean);
using ByName = jstring(JNICALL*)(JNIEnv*, jclass, jstring);
using NoArgument = jstring(JNICALL*)(JNIEnv*, jclass);
using DriveType = jint(JNICALL*)(JNIEnv*, jclass, jstring);

struct Natives {
  SpecialFolder specialFolder = exportOf<SpecialFolder>("FolderInfo", "getSpecialFolder0", 16);
  ByName pathFromRegistry = exportOf<ByName>("FolderInfo", "getPathFromRegistry0", 12);
  NoArgument windowsDirectory = exportOf<NoArgument>("FolderInfo", "getWindowsDirectory0", 8);
  NoArgument systemDirectory = exportOf<NoArgument>("FolderInfo", "getSystemDirectory0", 8);
  DriveType driveType = exportOf<DriveType>("FolderInfo", "getDriveType0", 12);
  ByName shortPathName = exportOf<ByName>("FolderInfo", "getShortPathName0", 12);
};

constexpr wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

std::wstring systemFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
    return L"?";
  return path;
}

class FolderInfoTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(vm.outstandingBuffers(), 0u); }
  std::wstring text(jobject value) { return vm.isNull(value) ? L"<null>" : wide(vm.string(value)); }
  jstring str(const std::wstring& value) { return vm.newString(utf16(value)); }

  minijni::Jvm vm;
  JNIEnv* env = vm.env();
  Natives natives;
};

TEST_F(FolderInfoTest, FolderTypesSelectTheirFolderPerUserAndForAllUsers) {
  struct Row {
    jint type;
    int perUser;
    int allUsers;
  } rows[] = {
      {1, 16, 25}, {2, 11, 22}, {3, 2, 23},  {4, 7, 24},   {5, 9, 9},  {6, 20, 20}, {7, 26, 35},
      {8, 5, 46},  {9, 21, 45}, {10, 6, 31}, {11, 28, 28}, {12, 0, 0}, {0, 0, 0},   {-1, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    EXPECT_EQ(text(natives.specialFolder(env, nullptr, row.type, JNI_FALSE)), systemFolder(row.perUser));
    EXPECT_EQ(text(natives.specialFolder(env, nullptr, row.type, JNI_TRUE)), systemFolder(row.allUsers));
  }
  // The all-users documents folder is not the user's own.
  EXPECT_NE(text(natives.specialFolder(env, nullptr, 8, JNI_TRUE)),
            text(natives.specialFolder(env, nullptr, 8, JNI_FALSE)));
}

TEST_F(FolderInfoTest, WindowsAndSystemDirectoriesAreTheSystemsOwn) {
  wchar_t windows[MAX_PATH];
  wchar_t system[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(text(natives.windowsDirectory(env, nullptr)), windows);
  EXPECT_EQ(text(natives.systemDirectory(env, nullptr)), system);
}

TEST_F(FolderInfoTest, DriveTypesPassThrough) {
  EXPECT_EQ(natives.driveType(env, nullptr, str(L"C:\\")), DRIVE_FIXED);
  // A letter no drive is mapped to (the test prefix maps C: and Z: only).
  wchar_t unmapped[] = L"Q:\\";
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    unmapped[0] = letter;
    if (GetDriveTypeW(unmapped) == DRIVE_NO_ROOT_DIR) break;
  }
  EXPECT_EQ(natives.driveType(env, nullptr, str(unmapped)), DRIVE_NO_ROOT_DIR);
}

TEST_F(FolderInfoTest, ShortPathOfAMissingPathIsTheArgumentItself) {
  jstring missing = str(L"C:\\no such folder\\no such file.txt");
  jstring answer = natives.shortPathName(env, nullptr, missing);
  EXPECT_TRUE(vm.sameObject(answer, missing));

  drx::test::ScratchDirectory scratch(L"drxshort");
  const std::wstring longName = scratch.file(L"a rather long file name.text");
  CloseHandle(CreateFileW(longName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  jstring argument = str(longName);
  jstring shortName = natives.shortPathName(env, nullptr, argument);
  ASSERT_FALSE(vm.sameObject(shortName, argument));
  const std::wstring shortText = wide(vm.string(shortName));
  EXPECT_EQ(shortText.find(L' '), std::wstring::npos) << shortText;
  wchar_t roundTrip[MAX_PATH];
  ASSERT_NE(GetLongPathNameW(shortText.c_str(), roundTrip, MAX_PATH), 0u);
  EXPECT_EQ(_wcsicmp(roundTrip, longName.c_str()), 0);
}

class RegistryValue {
 public:
  RegistryValue(const wchar_t* name, const std::wstring& data) : name_(name) {
    HKEY key;
    ok_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersion, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS;
    if (!ok_) return;
    ok_ = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  ~RegistryValue() { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, name_); }
  bool ok() const { return ok_; }

 private:
  const wchar_t* name_;
  bool ok_ = false;
};

TEST_F(FolderInfoTest, RegistryPathsFitIn260Bytes) {
  const std::wstring fits(129, L'p');  // 129 characters and the terminator: 260 bytes
  const std::wstring tooLong(130, L'q');
  RegistryValue fitting(L"drx test fits", fits);
  RegistryValue longer(L"drx test too long", tooLong);
  ASSERT_TRUE(fitting.ok());
  ASSERT_TRUE(longer.ok());
  EXPECT_EQ(text(natives.pathFromRegistry(env, nullptr, str(L"drx test fits"))), fits);
  EXPECT_EQ(text(natives.pathFromRegistry(env, nullptr, str(L"drx test too long"))), L"<null>");
  EXPECT_EQ(text(natives.pathFromRegistry(env, nullptr, str(L"drx test missing"))), L"<null>");

  wchar_t programFiles[MAX_PATH];
  DWORD size = sizeof programFiles;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, L"ProgramFilesDir", RRF_RT_REG_SZ, nullptr,
                         programFiles, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(text(natives.pathFromRegistry(env, nullptr, str(L"ProgramFilesDir"))), programFiles);
}

}  // namespace
}  // namespace drxtest
