// An in-memory launcher for the VM option assembly: files, directories, environment, log.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/jvm/portable/variables.h"
#include "launcher/jvm/portable/vm_options.h"

namespace drx::launcher::testing {

class FakeVmOptionsHost : public VmOptionsHost {
 public:
  std::map<std::string, std::string> files;                  // options files by name
  std::string defaultFile;                                   // name of the file beside the launcher
  std::set<std::string> existing;                            // paths that exist
  std::map<std::string, std::vector<std::string>> listings;  // "dir|ext" -> names
  std::map<std::string, std::string> environment;
  VariableValues values{"C:\\app\\", "C:\\tmp\\lqo1.tmp_dir", ""};
  std::vector<std::string> logLines;
  std::vector<std::string> errorLines;

  void expand(std::string& text) override {
    std::vector<EnvironmentEntry> entries;
    for (const auto& [name, value] : environment) entries.push_back({name, value});
    expandVariables(text, values, entries, nullptr);
  }
  void log(const std::string& line) override { logLines.push_back(line); }
  void logError(const std::string& line) override { errorLines.push_back(line); }
  OpenedOptionsFile openDefaultOptionsFile() override {
    if (defaultFile.empty()) return {};
    return openOptionsFile(defaultFile);
  }
  OpenedOptionsFile openOptionsFile(const std::string& name) override {
    auto it = files.find(name);
    if (it == files.end()) return {};
    return {std::make_unique<TextOptionsSource>(it->second), name, &it->second};
  }
  std::string makeAbsolute(const std::string& path) override {
    if (path.size() >= 2 && (path[1] == ':' || path.rfind("\\\\", 0) == 0)) return path;
    return values.launcherDirectory + path;
  }
  bool exists(const std::string& path) override { return existing.count(path) > 0; }
  std::vector<std::string> listFiles(const std::string& directory, const char* extension) override {
    auto it = listings.find(directory + "|" + extension);
    return it == listings.end() ? std::vector<std::string>{} : it->second;
  }
  std::optional<std::string> environmentVariable(const std::string& name) override {
    auto it = environment.find(name);
    if (it == environment.end()) return std::nullopt;
    return it->second;
  }
};

}  // namespace drx::launcher::testing
