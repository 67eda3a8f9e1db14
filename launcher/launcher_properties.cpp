// Storage and getters of the launcher property tables.
#include "launcher/launcher_properties.h"

#include <map>

#include "launcher/file_paths.h"
#include "launcher/portable/message_text.h"

namespace drx::launcher {
namespace {

// Filled on the main thread before other threads start; read-only afterwards, so lookups
// never insert (find only).
struct PropertyTables {
  std::map<int, std::string> narrow;
  std::map<int, std::wstring> wide;
  std::string mediaPath;
  bool mediaPathSet = false;
  int64_t includedFilesPosition = 0;
};

PropertyTables& tables() {
  static PropertyTables instance;
  return instance;
}

}  // namespace

const char* getProperty(int id) {
  const auto& narrow = tables().narrow;
  auto found = narrow.find(id);
  return found == narrow.end() ? "" : found->second.c_str();
}

int getIntProperty(int id) { return decimalValue(getProperty(id)); }

const wchar_t* getWideProperty(int id) {
  const auto& wide = tables().wide;
  auto found = wide.find(id);
  return found == wide.end() ? L"" : found->second.c_str();
}

void setProperty(int id, std::string value) {
  // A value is a C string: an embedded zero ends it. Callers copy values into buffers of
  // kTextBufferSize bytes, so longer values are cut here once.
  value.resize(cutToBuffer(value.c_str(), kTextBufferSize).size());
  tables().narrow[id] = std::move(value);
}

void setWideProperty(int id, std::wstring value) {
  size_t length = 0;
  while (length < value.size() && value[length] != L'\0') ++length;
  if (length > kTextBufferSize - 1) length = kTextBufferSize - 1;
  value.resize(length);
  tables().wide[id] = std::move(value);
}

void clearLauncherProperties() {
  tables().narrow.clear();
  tables().wide.clear();
  tables().includedFilesPosition = 0;
}

void setMediaPath(const char* path) {
  tables().mediaPath = path ? path : "";
  tables().mediaPathSet = path != nullptr;
}

const std::string& mediaPath() {
  PropertyTables& state = tables();
  if (!state.mediaPathSet) {
    state.mediaPath = launcherExecutablePath();
    state.mediaPathSet = true;
  }
  return state.mediaPath;
}

int64_t includedFilesPosition() { return tables().includedFilesPosition; }

void setIncludedFilesPosition(int64_t position) { tables().includedFilesPosition = position; }

}  // namespace drx::launcher
