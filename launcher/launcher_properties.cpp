// Storage and getters of the launcher property tables.
#include "launcher/launcher_properties.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "launcher/file_paths.h"
#include "launcher/portable/message_text.h"

namespace drx::launcher {
namespace {

// Values by id, kept sorted. A sorted vector instead of std::map: the tables are written once, in
// id order, and a tree's node code would cost several KB of the launcher for nothing.
template <typename Text>
class IdTable {
 public:
  const Text* find(int id) const {
    auto at = lowerBound(id);
    return at != entries_.end() && at->first == id ? &at->second : nullptr;
  }
  void set(int id, Text value) {
    auto at = lowerBound(id);
    if (at != entries_.end() && at->first == id)
      at->second = std::move(value);
    else
      entries_.insert(at, {id, std::move(value)});
  }
  void clear() { entries_.clear(); }

 private:
  using Entry = std::pair<int, Text>;
  typename std::vector<Entry>::const_iterator lowerBound(int id) const {
    return std::lower_bound(entries_.begin(), entries_.end(), id,
                            [](const Entry& entry, int wanted) { return entry.first < wanted; });
  }
  typename std::vector<Entry>::iterator lowerBound(int id) {
    return std::lower_bound(entries_.begin(), entries_.end(), id,
                            [](const Entry& entry, int wanted) { return entry.first < wanted; });
  }
  std::vector<Entry> entries_;
};

// Filled on the main thread before other threads start; read-only afterwards, so lookups
// never insert (find only).
struct PropertyTables {
  IdTable<std::string> narrow;
  IdTable<std::wstring> wide;
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
  const std::string* value = tables().narrow.find(id);
  return value ? value->c_str() : "";
}

int getIntProperty(int id) { return decimalValue(getProperty(id)); }

const wchar_t* getWideProperty(int id) {
  const std::wstring* value = tables().wide.find(id);
  return value ? value->c_str() : L"";
}

void setProperty(int id, std::string value) {
  // A value is a C string: an embedded zero ends it. Callers copy values into buffers of
  // kTextBufferSize bytes, so longer values are cut here once.
  value.resize(cutToBuffer(value.c_str(), kTextBufferSize).size());
  tables().narrow.set(id, std::move(value));
}

void setWideProperty(int id, std::wstring value) {
  size_t length = 0;
  while (length < value.size() && value[length] != L'\0') ++length;
  if (length > kTextBufferSize - 1) length = kTextBufferSize - 1;
  value.resize(length);
  tables().wide.set(id, std::move(value));
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
