// Registry access of the runtime search: version cache, located runtimes, JavaSoft and installation keys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drx::launcher {

// A string value of root\key, at most maxBytes including any terminator; nothing when the key or
// value is missing, is not a string, or is larger. Opened with KEY_READ in the process's own view.
std::optional<std::string> readRegistryString(HKEY root, const std::string& key, const char* value,
                                              size_t maxBytes);
// Names of the direct subkeys of root\key, in enumeration order.
std::vector<std::string> registrySubkeyNames(HKEY root, const std::string& key);

// The version cache under HKEY_CURRENT_USER, keyed by the normalised executable path.
std::optional<std::string> lookupCachedVersion(const std::string& normalisedPath, uint64_t lastWriteTime);
void storeCachedVersion(const std::string& normalisedPath, uint64_t lastWriteTime,
                        const std::string& version);

// Remembers a java executable the user picked: a key under HKEY_LOCAL_MACHINE, or under
// HKEY_CURRENT_USER when the machine's key cannot be written.
void registerLocatedRuntime(const std::string& javaExecutable);

}  // namespace drx::launcher
