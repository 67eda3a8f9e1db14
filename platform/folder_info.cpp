// Natives of the Java class FolderInfo: special folders, Windows and system directories,
// folder settings in the registry, drive types and short path names.
#include <jni.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "common/system_library.h"
#include "common/unique_handle.h"
#include "platform/file_version_info.h"
#include "platform/jni_frame.h"

namespace {

using drx::platform::JavaText;
using drx::platform::newJavaString;

using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

std::wstring systemPath(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(directory, length) + L"\\" + name;
}

// Made once per process; the modules stay loaded. "_shfoldr.dll" is the name under which a
// newer redistributable folder module can sit beside an older "shfolder.dll". Both are taken
// from the system directory only: a setup runs from download folders, where anyone can drop a DLL.
GetFolderPath lookUpFolderFunction() {
  LoadLibraryW(L"shell32.dll");
  HMODULE module = nullptr;
  const int order = drx::platform::compareFileVersions(systemPath(L"_shfoldr.dll").c_str(),
                                                       systemPath(L"shfolder.dll").c_str());
  if (order == 1 || order == 3) module = drx::loadSystemLibrary(L"_shfoldr.dll");
  if (module == nullptr) module = drx::loadSystemLibrary(L"shfolder.dll");
  if (module == nullptr) return nullptr;
  return reinterpret_cast<GetFolderPath>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "SHGetFolderPathW")));
}

GetFolderPath folderFunction() {
  // A function-local static: the lookup is made once, also when two threads ask first.
  static const GetFolderPath function = lookUpFolderFunction();
  return function;
}

int folderId(jint type, bool allUsers) {
  struct Row {
    int perUser;
    int common;
  };
  static const Row kRows[] = {
      {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY},  // 1
      {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU},                // 2
      {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS},                  // 3
      {CSIDL_STARTUP, CSIDL_COMMON_STARTUP},                    // 4
      {CSIDL_SENDTO, CSIDL_SENDTO},                             // 5
      {CSIDL_FONTS, CSIDL_FONTS},                               // 6
      {CSIDL_APPDATA, CSIDL_COMMON_APPDATA},                    // 7
      {CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS},                 // 8
      {CSIDL_TEMPLATES, CSIDL_COMMON_TEMPLATES},                // 9
      {CSIDL_FAVORITES, CSIDL_COMMON_FAVORITES},                // 10
      {CSIDL_LOCAL_APPDATA, CSIDL_LOCAL_APPDATA},               // 11
  };
  if (type < 1 || type > static_cast<jint>(sizeof kRows / sizeof kRows[0])) return CSIDL_DESKTOP;
  const Row& row = kRows[type - 1];
  return allUsers ? row.common : row.perUser;
}

}  // namespace

extern "C" {

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getSpecialFolder0(
    JNIEnv* env, jclass, jint folderType, jboolean allUsers) {
  GetFolderPath getFolderPath = folderFunction();
  if (getFolderPath == nullptr) return nullptr;
  wchar_t path[MAX_PATH];
  path[0] = L'\0';
  // Only S_OK counts: S_FALSE means the folder does not exist, although CSIDL_FLAG_CREATE asked for it.
  if (getFolderPath(nullptr, folderId(folderType, allUsers != JNI_FALSE) | CSIDL_FLAG_CREATE, nullptr,
                    SHGFP_TYPE_CURRENT, path) != S_OK) {
    return nullptr;
  }
  path[MAX_PATH - 1] = L'\0';
  return newJavaString(env, path);
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getPathFromRegistry0(
    JNIEnv* env, jclass, jstring valueName) {
  drx::RegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE,
                    key.put()) != ERROR_SUCCESS) {
    return nullptr;
  }
  const JavaText name(env, valueName);
  // 260 bytes declared, one more unit of room so that data without a terminator still ends in one.
  wchar_t data[131] = {};
  DWORD size = 260;
  if (RegQueryValueExW(key.get(), name.get(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return newJavaString(env, data, wcsnlen(data, size / sizeof(wchar_t)));
}

JNIEXPORT jstring JNICALL
Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getWindowsDirectory0(JNIEnv* env, jclass) {
  wchar_t path[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return newJavaString(env, path, length);
}

JNIEXPORT jstring JNICALL
Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getSystemDirectory0(JNIEnv* env, jclass) {
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return newJavaString(env, path, length);
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getDriveType0(
    JNIEnv* env, jclass, jstring rootPath) {
  const JavaText path(env, rootPath);
  return static_cast<jint>(GetDriveTypeW(path.get()));
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getShortPathName0(
    JNIEnv* env, jclass, jstring path) {
  const JavaText longPath(env, path);
  if (longPath.get() == nullptr) return path;
  wchar_t shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameW(longPath.get(), shortPath, MAX_PATH);
  // 0 is a failure; a length of MAX_PATH or more is the size the result would need.
  if (length == 0 || length >= MAX_PATH) return path;
  return newJavaString(env, shortPath, length);
}

}  // extern "C"
