// The registry search's last step: runtimes registered only under their vendor's own keys (portable).
#include <string>
#include <string_view>
#include <vector>

#include "launcher/jvm/portable/runtime_search.h"
#include "launcher/jvm/portable/text_limits.h"
#include "launcher/jvm/portable/vendor_runtimes.h"

namespace drx::launcher {
namespace {

constexpr size_t kInstallationPathLimit = kTextLimit + 1;

// Registry key names compare without regard to case.
bool sameKeyName(const std::string& name, std::string_view expected) {
  if (name.size() != expected.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(name[i]) != lower(expected[i])) return false;
  }
  return true;
}

// The keys below a version key that may hold an installation directory: "<version>\MSI" itself
// and "<version>\<variant>\MSI" for every JVM variant the vendor installed.
std::vector<std::string> installationKeys(SearchHost& host, const std::string& versionKey) {
  std::vector<std::string> keys;
  for (const std::string& name : host.registrySubkeys(Hive::kLocalMachine, versionKey)) {
    if (sameKeyName(name, kVendorInstallationKey)) {
      keys.push_back(versionKey + "\\" + name);
    } else {
      keys.push_back(versionKey + "\\" + name + "\\" + kVendorInstallationKey);
    }
  }
  return keys;
}

}  // namespace

std::optional<RuntimeSearch::Found> RuntimeSearch::vendorSearch() {
  std::vector<VendorRuntime> accepted;
  // One installation key: its directory, then the usual checks. False when it names no directory.
  const auto tryInstallationKey = [&](const VendorLayout& layout, const std::string& key) {
    std::optional<std::string> directory =
        host_.readRegistryString(Hive::kLocalMachine, key, layout.valueName, kInstallationPathLimit);
    if (directory) *directory = trimInstallationDirectory(*directory);
    if (!directory || directory->empty()) {
      logf("Vendor key %s has no %s", key.c_str(), layout.valueName);
      return false;
    }
    logf("Vendor key %s names %s", key.c_str(), directory->c_str());
    Candidate candidate = findJavaExecutable(*directory);
    std::string found;
    if (candidate.usable && checkJavaExecutable(candidate.path, false, true, &found)) {
      accepted.push_back({candidate.path, found, key});
    }
    return true;
  };
  const bool thirtyTwoBitView = host_.readsThirtyTwoBitView();
  for (const VendorLayout& layout : kVendorLayouts) {
    if (layout.runtimeOnly && settings_.requireJdk) continue;
    if (layout.thirtyTwoBitViewOnly && !thirtyTwoBitView) continue;
    for (const std::string& name : host_.registrySubkeys(Hive::kLocalMachine, layout.key)) {
      const std::string subkey = std::string(layout.key) + "\\" + name;
      if (layout.shape == VendorShape::kMsi) {
        for (const std::string& key : installationKeys(host_, subkey)) tryInstallationKey(layout, key);
        continue;
      }
      if (!isVendorProductKey(layout, name) || tryInstallationKey(layout, subkey)) continue;
      for (const std::string& below : host_.registrySubkeys(Hive::kLocalMachine, subkey)) {
        if (sameKeyName(below, kVendorInstallationKey)) {
          tryInstallationKey(layout, subkey + "\\" + below);
          break;
        }
      }
    }
  }
  const size_t best = highestVersionIndex(accepted);
  if (best == accepted.size()) return std::nullopt;
  const VendorRuntime& chosen = accepted[best];
  logf("found vendor %s %s", chosen.path.c_str(), chosen.version.c_str());
  logf("Vendor runtime registered under %s", chosen.key.c_str());
  return Found{chosen.path, chosen.version, chosen.key};
}

}  // namespace drx::launcher
