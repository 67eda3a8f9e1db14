// Loading system DLLs by their full path in the system directory, never by the search order:
// a setup program runs from download folders, where anyone can drop a DLL beside it.
#pragma once

#include <windows.h>

#include <string>

namespace drx {

// The DLL named `name` from the system directory, loaded once and kept for the process's life
// (callers cache the result); null when it cannot be loaded.
inline HMODULE loadSystemLibrary(const wchar_t* name) {
  if (HMODULE loaded = GetModuleHandleW(name)) {
    // Already mapped: a name without a path only matches modules that are loaded, so this is the
    // copy the process already trusts (for example one the system itself loaded from system32).
    return loaded;
  }
  wchar_t directory[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return nullptr;
  std::wstring path(directory, length);
  path += L'\\';
  path += name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// A function of a system DLL, looked up through loadSystemLibrary.
template <class Function>
Function systemFunction(const wchar_t* library, const char* function) {
  HMODULE module = loadSystemLibrary(library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, function))) : nullptr;
}

}  // namespace drx
