// The two registry views as a test program of either width sees them, and keys written, read and
// removed in one chosen view: what a 32-bit process on 64-bit Windows meets in HKLM\SOFTWARE.
#pragma once

#include <windows.h>

#include <string>

namespace drx::test {

// The view this program's own width uses by default, and the other one.
inline constexpr REGSAM kOwnRegistryView = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
inline constexpr REGSAM kOtherRegistryView = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// Creates key in view and, with a name, sets a string value there. False when the key could not
// be created.
inline bool setStringInView(HKEY root, const std::string& key, const char* name, const std::string& value,
                            REGSAM view) {
  HKEY opened = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &opened, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG status = ERROR_SUCCESS;
  if (name) {
    status = RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
  }
  RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

inline bool keyExistsInView(HKEY root, const std::string& key, REGSAM view) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

// Removes key and everything below it in one view.
inline void deleteTreeInView(HKEY root, const std::string& key, REGSAM view) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS | view, &opened) != ERROR_SUCCESS) return;
  RegDeleteTreeA(opened, nullptr);
  RegCloseKey(opened);
  RegDeleteKeyExA(root, key.c_str(), view, 0);
}

inline void deleteTreeInBothViews(HKEY root, const std::string& key) {
  deleteTreeInView(root, key, KEY_WOW64_32KEY);
  deleteTreeInView(root, key, KEY_WOW64_64KEY);
}

}  // namespace drx::test
