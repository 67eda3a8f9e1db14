// The registry keys that OpenJDK vendors' own installers write, and the choice among their runtimes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// One vendor key under HKEY_LOCAL_MACHINE, read in the process's own registry view. Below it the
// installer writes one subkey per version, then (usually) one per JVM variant, then "MSI", whose
// value valueName names the installation directory:
//   <key>\<version>\<variant>\MSI   or   <key>\<version>\MSI
// A per-user installation writes the same keys under HKEY_CURRENT_USER. That hive's SOFTWARE key
// is one for both widths, so it could hand a 32-bit launcher a 64-bit runtime it cannot load: the
// search leaves it alone, as it does for the JavaSoft keys.
struct VendorLayout {
  const char* key;
  const char* valueName;
  bool runtimeOnly;  // a JRE: skipped when the installer requires a development kit
};

// In the order that breaks ties between runtimes of the same version.
inline constexpr VendorLayout kVendorLayouts[] = {
    {"SOFTWARE\\Eclipse Adoptium\\JDK", "Path", false},
    {"SOFTWARE\\Eclipse Adoptium\\JRE", "Path", true},
    {"SOFTWARE\\AdoptOpenJDK\\JDK", "Path", false},
    {"SOFTWARE\\AdoptOpenJDK\\JRE", "Path", true},
    {"SOFTWARE\\Eclipse Foundation\\JDK", "Path", false},
    {"SOFTWARE\\Eclipse Foundation\\JRE", "Path", true},
    {"SOFTWARE\\Microsoft\\JDK", "Path", false},
};

// The name of the key under a version or variant key that holds the installation directory.
inline constexpr char kVendorInstallationKey[] = "MSI";

// Compares two version texts number by number: the runs of digits in order, each as a whole
// number of any length, a missing number counting as 0. "17.0.10" > "17.0.9" > "8.0.392";
// "21" == "21.0". Everything between the digit runs is ignored. Negative, zero or positive.
int compareVersionNumbers(std::string_view a, std::string_view b);

// An accepted vendor runtime, in the order the search met it.
struct VendorRuntime {
  std::string path;
  std::string version;
  std::string key;
};

// The index of the runtime with the highest version; the earliest of equal versions. Nothing
// (the size of the list) for an empty list.
size_t highestVersionIndex(const std::vector<VendorRuntime>& runtimes);

// An installation directory as the installers write it, without its trailing backslashes.
std::string trimInstallationDirectory(std::string directory);

}  // namespace drx::launcher
