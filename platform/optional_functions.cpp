// Run-time lookup of optional advapi32 and netapi32 functions.
#include "platform/optional_functions.h"

#include <string>

namespace drx::platform {

FARPROC advapiFunction(const char* name) {
  HMODULE module = GetModuleHandleW(L"advapi32.dll");
  return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

namespace {

HMODULE netapiModule() {
  if (HMODULE loaded = GetModuleHandleW(L"netapi32.dll")) return loaded;
  wchar_t directory[MAX_PATH];
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path(directory, length);
  path += L"\\netapi32.dll";
  return LoadLibraryW(path.c_str());
}

}  // namespace

FARPROC netapiFunction(const char* name) {
  HMODULE module = netapiModule();
  return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

}  // namespace drx::platform
