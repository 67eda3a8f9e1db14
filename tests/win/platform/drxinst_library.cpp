// Loading of the platform DLL under test and export lookup by plain and decorated name.
#include "drxinst_library.h"

#include <gtest/gtest.h>

namespace drxtest {

HMODULE platformLibrary() {
  static HMODULE library = [] {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path, length);
    full.resize(full.find_last_of(L'\\') + 1);
    full += kPlatformDll;
    return LoadLibraryW(full.c_str());
  }();
  return library;
}

std::string exportName(const char* className, const char* method) {
  return std::string(kExportPrefix) + className + "_" + method;
}

FARPROC findExport(const char* className, const char* method, int argumentBytes) {
  HMODULE library = platformLibrary();
  EXPECT_NE(library, nullptr) << "could not load the platform DLL";
  if (library == nullptr) return nullptr;
  const std::string plain = exportName(className, method);
  FARPROC address = GetProcAddress(library, plain.c_str());
  EXPECT_NE(address, nullptr) << plain;
#ifndef _WIN64
  const std::string decorated = plain + "@" + std::to_string(argumentBytes);
  FARPROC decoratedAddress = GetProcAddress(library, decorated.c_str());
  EXPECT_NE(decoratedAddress, nullptr) << decorated;
  EXPECT_EQ(address, decoratedAddress) << decorated;
  if (decoratedAddress != address) return nullptr;
#else
  (void)argumentBytes;
#endif
  return address;
}

}  // namespace drxtest
