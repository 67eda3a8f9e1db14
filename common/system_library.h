// Loading system DLLs by their full path in the system directory, never by the search order:
// a setup program runs from download folders, where anyone can drop a DLL beside it.
#pragma once

#include <windows.h>

#include <string>
#include <wchar.h>

namespace drx {

// True when module's file lies directly in directory (which has no trailing backslash).
inline bool isModuleIn(HMODULE module, const std::wstring& directory) {
  wchar_t file[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameW(module, file, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH || length <= directory.size() + 1) return false;
  const std::wstring path(file, length);
  return _wcsnicmp(path.c_str(), directory.c_str(), directory.size()) == 0 &&
         path[directory.size()] == L'\\' && path.find(L'\\', directory.size() + 1) == std::wstring::npos;
}

// The DLL named `name` from the system directory, loaded once and kept for the process's life
// (callers cache the result); null when it cannot be loaded.
inline HMODULE loadSystemLibrary(const wchar_t* name) {
  wchar_t directory[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return nullptr;
  const std::wstring systemDirectory(directory, length);
  // A module of that name that is already loaded is reused only when it is the system's copy:
  // another module of the process (a native library found through PATH, say) may have loaded a
  // planted one by name, and a name without a path would hand us that one.
  if (HMODULE loaded = GetModuleHandleW(name); loaded && isModuleIn(loaded, systemDirectory)) return loaded;
  const std::wstring path = systemDirectory + L'\\' + name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// A function of a system DLL, looked up through loadSystemLibrary.
template <class Function>
Function systemFunction(const wchar_t* library, const char* function) {
  HMODULE module = loadSystemLibrary(library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, function)))
                : nullptr;
}

}  // namespace drx
