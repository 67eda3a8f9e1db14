// An in-memory machine for the runtime search: runtimes and their "-version" answers, files,
// environment, registry and version cache, with what the search logged and ran.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "launcher/jvm/portable/runtime_search.h"

namespace drx::launcher::testing {

inline std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class FakeSearchHost : public SearchHost {
 public:
  struct Runtime {
    std::string output;
    unsigned long exitCode = 0;
    bool hangs = false;
    uint64_t time = 1000;
  };
  std::map<std::string, Runtime> runtimes;  // by normalised java executable path
  std::set<std::string> files;              // other files, normalised
  std::map<std::string, int> runs;
  std::map<std::string, std::pair<uint64_t, std::string>> cache;
  std::map<std::string, std::string> environment;
  std::optional<std::string> onSearchPath;
  std::map<std::string, std::string> textFiles;
  std::map<std::string, std::string> registry;  // "hive|key|value" -> data; keys exist through their values
  std::vector<std::string> registryReads;
  std::vector<std::string> logLines;
  std::optional<bool> thirtyTwoBitView;  // unset: what this build's width reads

  // "C:\\rt\\bin\\java.exe" with its first "-version" line.
  void addRuntime(const std::string& javaExe, const std::string& version, const char* form = "java version") {
    runtimes[normalise(javaExe)].output = std::string(form) + " \"" + version + "\"\nruntime banner\n";
  }
  // A runtime at home answering like a current OpenJDK build.
  void addRuntimeHome(const std::string& home, const std::string& version) {
    runtimes[normalise(home + "\\bin\\java.exe")].output = "openjdk version \"" + version + "\" 2023-10-17\n";
  }
  void setValue(Hive hive, const std::string& key, const std::string& value, const std::string& data) {
    registry[hiveName(hive) + "|" + key + "|" + value] = data;
  }
  // A vendor installation key "<root>\<rest>\MSI" with its Path value.
  void addVendorKey(const std::string& key, const std::string& path, const std::string& value = "Path") {
    setValue(Hive::kLocalMachine, key, value, path);
  }
  bool logged(const std::string& line) const {
    return std::find(logLines.begin(), logLines.end(), line) != logLines.end();
  }
  int totalRuns() const {
    int total = 0;
    for (const auto& [path, count] : runs) total += count;
    return total;
  }
  std::vector<std::string> linesStartingWith(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : logLines) {
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  void log(const std::string& line) override { logLines.push_back(line); }
  void expand(std::string& text) override {
    const std::string pattern = "%LANQO_EXEDIR%";
    const size_t at = text.find(pattern);
    if (at != std::string::npos) text.replace(at, pattern.size(), "C:\\app\\");
  }
  std::string normalise(const std::string& path) override {
    std::string full = path;
    if (!(full.size() >= 2 && (full[1] == ':' || full.rfind("\\\\", 0) == 0))) full = "C:\\app\\" + full;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
      size_t end = full.find('\\', start);
      if (end == std::string::npos) end = full.size();
      const std::string part = full.substr(start, end - start);
      if (part == "..") {
        if (parts.size() > 1) parts.pop_back();
      } else if (part != "." && !part.empty()) {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += (result.empty() ? "" : "\\") + part;
    return lower(result);
  }
  bool exists(const std::string& path) override {
    const std::string p = normalise(path);
    return files.count(p) > 0 || runtimes.count(p) > 0;
  }
  bool fileTime(const std::string& path, uint64_t& time) override {
    auto it = runtimes.find(normalise(path));
    if (it != runtimes.end()) {
      time = it->second.time;
      return true;
    }
    time = 1;
    return files.count(normalise(path)) > 0;
  }
  VersionRun runVersion(const std::string& javaExecutable) override {
    ++runs[javaExecutable];
    auto it = runtimes.find(javaExecutable);
    if (it == runtimes.end()) return {};
    VersionRun run;
    run.started = true;
    run.timedOut = it->second.hangs;
    run.exitCode = it->second.hangs ? 259 : it->second.exitCode;
    if (run.exitCode == 0) run.output = it->second.output;
    return run;
  }
  std::optional<std::string> cachedVersion(const std::string& path, uint64_t time) override {
    auto it = cache.find(path);
    if (it == cache.end() || it->second.first != time) return std::nullopt;
    return it->second.second;
  }
  void storeCachedVersion(const std::string& path, uint64_t time, const std::string& version) override {
    cache[path] = {time, version};
  }
  std::optional<std::string> environmentVariable(const std::string& name) override {
    auto it = environment.find(name);
    if (it == environment.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> searchExecutablePath(const char*) override { return onSearchPath; }
  std::optional<std::string> readFirstLine(const std::string& path) override {
    auto it = textFiles.find(path);
    if (it == textFiles.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> readRegistryString(Hive hive, const std::string& key, const char* value,
                                                size_t maxBytes) override {
    registryReads.push_back(key);
    auto it = registry.find(hiveName(hive) + "|" + key + "|" + value);
    if (it == registry.end() || it->second.size() + 1 > maxBytes) return std::nullopt;
    return it->second;
  }
  std::vector<std::string> registrySubkeys(Hive hive, const std::string& key) override {
    std::set<std::string> names;
    const std::string prefix = hiveName(hive) + "|" + key + "\\";
    for (const auto& [name, data] : registry) {
      if (name.rfind(prefix, 0) != 0) continue;
      const std::string rest = name.substr(prefix.size());
      names.insert(rest.substr(0, rest.find_first_of("\\|")));
    }
    return {names.begin(), names.end()};
  }
  void preparePackedRuntime(const std::string&) override {}
  bool readsThirtyTwoBitView() override {
    return thirtyTwoBitView.has_value() ? *thirtyTwoBitView : SearchHost::readsThirtyTwoBitView();
  }

 private:
  static std::string hiveName(Hive hive) { return hive == Hive::kCurrentUser ? "HKCU" : "HKLM"; }
};

}  // namespace drx::launcher::testing
