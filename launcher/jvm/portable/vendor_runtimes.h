// The registry keys that OpenJDK vendors' own installers write, and the choice among their runtimes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// How a vendor's installer lays out its keys below the vendor key.
enum class VendorShape {
  // One subkey per version, then (usually) one per JVM variant, then "MSI", whose value names the
  // installation directory:  <key>\<version>\<variant>\MSI   or   <key>\<version>\MSI
  kMsi,
  // One subkey per product and feature release, named <namePrefix><version><nameSuffix> with a
  // version of digits and dots only ("zulu-17", "zulu-17-jre", "jdk-21"), whose own value names the
  // installation directory; where that value is missing, the same value of its "MSI" subkey.
  kProduct,
};

// One vendor key under HKEY_LOCAL_MACHINE, read in the process's own registry view.
// A per-user installation writes the same keys under HKEY_CURRENT_USER. That hive's SOFTWARE key
// is one for both widths, so it could hand a 32-bit launcher a 64-bit runtime it cannot load: the
// search leaves it alone, as it does for the JavaSoft keys.
struct VendorLayout {
  const char* key;
  const char* valueName;
  bool runtimeOnly;  // a JRE: skipped when the installer requires a development kit
  VendorShape shape = VendorShape::kMsi;
  const char* namePrefix = "";  // kProduct only
  const char* nameSuffix = "";  // kProduct only
  // Written only by the vendor's 32-bit installer, so read only in the 32-bit registry view.
  bool thirtyTwoBitViewOnly = false;
};

// In the order that breaks ties between runtimes of the same version. Amazon Corretto has no row:
// its installer registers under the JavaSoft keys, which the search reads before these.
inline constexpr VendorLayout kVendorLayouts[] = {
    {"SOFTWARE\\Eclipse Adoptium\\JDK", "Path", false},
    {"SOFTWARE\\Eclipse Adoptium\\JRE", "Path", true},
    {"SOFTWARE\\AdoptOpenJDK\\JDK", "Path", false},
    {"SOFTWARE\\AdoptOpenJDK\\JRE", "Path", true},
    {"SOFTWARE\\Eclipse Foundation\\JDK", "Path", false},
    {"SOFTWARE\\Eclipse Foundation\\JRE", "Path", true},
    {"SOFTWARE\\Azul Systems\\Zulu", "InstallationPath", false, VendorShape::kProduct, "zulu-", ""},
    {"SOFTWARE\\Azul Systems\\Zulu", "InstallationPath", true, VendorShape::kProduct, "zulu-", "-jre"},
    // The 32-bit installer's own vendor key on a 64-bit system.
    {"SOFTWARE\\Azul Systems\\Zulu 32-bit", "InstallationPath", false, VendorShape::kProduct, "zulu-", "",
     true},
    {"SOFTWARE\\Azul Systems\\Zulu 32-bit", "InstallationPath", true, VendorShape::kProduct, "zulu-", "-jre",
     true},
    {"SOFTWARE\\Microsoft\\JDK", "Path", false},
    {"SOFTWARE\\BellSoft\\Liberica", "InstallationPath", false, VendorShape::kProduct, "jdk-", ""},
    {"SOFTWARE\\BellSoft\\Liberica", "InstallationPath", true, VendorShape::kProduct, "jre-", ""},
    {"SOFTWARE\\Semeru\\JDK", "Path", false},
    {"SOFTWARE\\Semeru\\JRE", "Path", true},
};

// The name of the key under a version or variant key that holds the installation directory.
inline constexpr char kVendorInstallationKey[] = "MSI";

// Whether a subkey of a kProduct layout's key is one of its products: the layout's prefix and
// suffix (without regard to case) around a version of digits and dots that starts with a digit.
bool isVendorProductKey(const VendorLayout& layout, std::string_view name);

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
