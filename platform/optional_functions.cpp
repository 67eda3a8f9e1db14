// Run-time lookup of optional advapi32 and netapi32 functions.
#include "platform/optional_functions.h"

#include "common/system_library.h"

namespace drx::platform {

FARPROC advapiFunction(const char* name) {
  HMODULE module = GetModuleHandleW(L"advapi32.dll");
  return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

namespace {

// A copy that is already loaded is used as it is (the account tests put their fake there);
// otherwise the system's copy, whose own imports must not come from the setup program's folder.
HMODULE netapiModule() {
  if (HMODULE loaded = GetModuleHandleW(L"netapi32.dll")) return loaded;
  return loadSystemLibrary(L"netapi32.dll");
}

}  // namespace

FARPROC netapiFunction(const char* name) {
  HMODULE module = netapiModule();
  return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

}  // namespace drx::platform
