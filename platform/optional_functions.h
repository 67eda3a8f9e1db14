// System functions that older Windows versions lack, looked up at run time on every use.
#pragma once

#include <windows.h>

namespace drx::platform {

// From the already loaded advapi32.dll; null when the module or the function is missing.
FARPROC advapiFunction(const char* name);

// From netapi32.dll, loaded from the system directory by full path when it is not loaded
// yet (never by bare name: the search path could hand us a planted copy). It stays loaded.
FARPROC netapiFunction(const char* name);

// Typed view of a looked-up function; null stays null.
template <class Function>
Function asFunction(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace drx::platform
