// Natives of the Java class FileVersion, and reading the fixed version of a file's version resource.
#include <jni.h>

#include <cstring>
#include <vector>

#include "common/system_library.h"
#include "platform/file_version_info.h"
#include "platform/jni_frame.h"

namespace drx::platform {

namespace {

using GetSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetInfo = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryValue = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

struct VersionFunctions {
  GetSize getSize = systemFunction<GetSize>(L"version.dll", "GetFileVersionInfoSizeW");
  GetInfo getInfo = systemFunction<GetInfo>(L"version.dll", "GetFileVersionInfoW");
  QueryValue queryValue = systemFunction<QueryValue>(L"version.dll", "VerQueryValueW");
};

const VersionFunctions& versionFunctions() {
  static const VersionFunctions functions;
  return functions;
}

}  // namespace

bool readFileVersion(const wchar_t* path, uint64_t& version) {
  const VersionFunctions& f = versionFunctions();
  if (path == nullptr || f.getSize == nullptr || f.getInfo == nullptr || f.queryValue == nullptr)
    return false;
  if (wcslen(path) >= MAX_PATH) return false;
  DWORD ignored = 0;
  const DWORD size = f.getSize(path, &ignored);
  if (size == 0) return false;
  // Twice the reported size: the ANSI conversion of the block on older systems needs room.
  std::vector<unsigned char> block(static_cast<size_t>(size) * 2);
  if (!f.getInfo(path, 0, static_cast<DWORD>(block.size()), block.data())) return false;
  void* fixed = nullptr;
  UINT fixedLength = 0;
  if (!f.queryValue(block.data(), L"\\", &fixed, &fixedLength) || fixed == nullptr ||
      fixedLength < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  VS_FIXEDFILEINFO info;
  memcpy(&info, fixed, sizeof info);
  version = (static_cast<uint64_t>(info.dwFileVersionMS) << 32) | info.dwFileVersionLS;
  return true;
}

int compareFileVersions(const wchar_t* first, const wchar_t* second) {
  uint64_t a = 0;
  uint64_t b = 0;
  if (!readFileVersion(first, a) || !readFileVersion(second, b)) return 3;
  if (a == b) return 0;
  return a > b ? 1 : 2;
}

}  // namespace drx::platform

extern "C" {

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_FileVersion_compare0(
    JNIEnv* env, jclass, jstring first, jstring second) {
  const drx::platform::JavaText firstPath(env, first);
  const drx::platform::JavaText secondPath(env, second);
  return drx::platform::compareFileVersions(firstPath.get(), secondPath.get());
}

}  // extern "C"
