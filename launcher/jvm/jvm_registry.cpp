// Registry reads and writes of the runtime search, all in the process's own registry view.
#include "launcher/jvm/jvm_registry.h"

#include "common/unique_handle.h"
#include "launcher/jvm/portable/runtime_search.h"
#include "launcher/jvm/portable/text_limits.h"

namespace drx::launcher {
namespace {

constexpr size_t kCachedVersionLimit = kTextLimit + 1;

RegKey openKey(HKEY root, const std::string& key, REGSAM access = KEY_READ) {
  RegKey opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, access, opened.put()) != ERROR_SUCCESS) opened.dropWithoutClosing();
  return opened;
}

RegKey createKey(HKEY root, const std::string& key) {
  RegKey created;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      created.put(), nullptr) != ERROR_SUCCESS) {
    created.dropWithoutClosing();
  }
  return created;
}

// The raw bytes of a value, with its type; nothing when missing or larger than maxBytes.
std::optional<std::string> readValue(HKEY key, const char* value, size_t maxBytes, DWORD& type) {
  std::string data(maxBytes, '\0');
  DWORD size = static_cast<DWORD>(data.size());
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return data;
}

}  // namespace

std::optional<std::string> readRegistryString(HKEY root, const std::string& key, const char* value,
                                              size_t maxBytes) {
  RegKey opened = openKey(root, key);
  if (!opened) return std::nullopt;
  DWORD type = 0;
  std::optional<std::string> data = readValue(opened.get(), value, maxBytes, type);
  if (!data || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  // Stored strings may lack their terminator.
  return registryText(data->data(), data->size());
}

std::vector<std::string> registrySubkeyNames(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  RegKey opened = openKey(root, key);
  if (!opened) return names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    const LONG status = RegEnumKeyExA(opened.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // longer than any key name can be: skip it
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::optional<std::string> lookupCachedVersion(const std::string& normalisedPath, uint64_t lastWriteTime) {
  RegKey key = openKey(HKEY_CURRENT_USER, versionCacheKeyName(normalisedPath));
  if (!key) return std::nullopt;
  DWORD type = 0;
  std::optional<std::string> time = readValue(key.get(), "LastWriteTime", 16, type);
  if (!time || type != REG_BINARY ||
      !cachedTimeMatches(reinterpret_cast<const unsigned char*>(time->data()), time->size(), lastWriteTime)) {
    return std::nullopt;
  }
  std::optional<std::string> version = readValue(key.get(), "Version", kCachedVersionLimit, type);
  if (!version || type != REG_SZ) return std::nullopt;
  std::string text = registryText(version->data(), version->size());
  if (text.empty()) return std::nullopt;
  return text;
}

void storeCachedVersion(const std::string& normalisedPath, uint64_t lastWriteTime,
                        const std::string& version) {
  RegKey key = createKey(HKEY_CURRENT_USER, versionCacheKeyName(normalisedPath));
  if (!key) return;
  unsigned char time[8];
  encodeFileTime(lastWriteTime, time);
  RegSetValueExA(key.get(), "LastWriteTime", 0, REG_BINARY, time, sizeof time);
  // Stored without its terminating zero byte, as earlier launchers wrote it.
  RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.data()),
                 static_cast<DWORD>(version.size()));
}

void registerLocatedRuntime(const std::string& javaExecutable) {
  const std::string name = locatedRuntimeKeyName(javaExecutable);
  if (createKey(HKEY_LOCAL_MACHINE, name)) return;
  createKey(HKEY_CURRENT_USER, name);
}

}  // namespace drx::launcher
