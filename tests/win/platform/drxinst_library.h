// Loads the real drxinst DLL beside the test program and finds its exports by both names.
#pragma once

#include <jni.h>
#include <windows.h>

#include <string>

namespace drxtest {

#ifdef _WIN64
inline constexpr wchar_t kPlatformDll[] = L"drxinst64.dll";
#else
inline constexpr wchar_t kPlatformDll[] = L"drxinst.dll";
#endif

inline constexpr char kExportPrefix[] = "Java_com_deployrix_runtime_installer_platform_win32_";

// The DLL, loaded once per process from the test program's own directory.
HMODULE platformLibrary();

// The plain export name of Class.method.
std::string exportName(const char* className, const char* method);

// The address of Class.method. On 32-bit it is looked up under the plain name and under
// the name with "@argumentBytes"; both must exist and agree, or the test fails and null
// comes back. On 64-bit only the plain name exists.
FARPROC findExport(const char* className, const char* method, int argumentBytes);

// A file in the test program's own directory (where the DLL copy and helper programs are).
inline std::wstring besideTestProgram(const std::wstring& file) {
  wchar_t path[MAX_PATH];
  std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  full.resize(full.find_last_of(L'\\') + 1);
  return full + file;
}

template <class Function>
Function exportOf(const char* className, const char* method, int argumentBytes) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(findExport(className, method, argumentBytes)));
}

}  // namespace drxtest
