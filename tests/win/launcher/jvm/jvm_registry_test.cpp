// The version cache and located-runtime keys in the registry of a real (wine) system.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "launcher/jvm/jvm_registry.h"
#include "tests/support/registry_views/registry_views.h"

namespace {

using drx::launcher::lookupCachedVersion;
using drx::launcher::storeCachedVersion;

constexpr char kPath[] = "c:\\drx test\\jre\\bin\\java.exe";
constexpr char kKey[] = "SOFTWARE\\morvenic\\lanqo\\jvms\\c:/drx test/jre/bin/java.exe";

class JvmRegistry : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

  static void setRaw(const char* value, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    RegSetValueExA(key, value, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
};

TEST_F(JvmRegistry, CacheRoundTripStoresTheLayoutOtherLaunchersRead) {
  const uint64_t time = 0x01d9f00012345678ULL;
  EXPECT_FALSE(lookupCachedVersion(kPath, time).has_value());
  storeCachedVersion(kPath, time, "1.6.0_21");
  EXPECT_EQ(lookupCachedVersion(kPath, time).value_or("(miss)"), "1.6.0_21");
  EXPECT_FALSE(lookupCachedVersion(kPath, time + 1).has_value());

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), 0);
  unsigned char bytes[16] = {};
  DWORD size = sizeof bytes;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "LastWriteTime", nullptr, &type, bytes, &size), 0);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(size, 8u);
  FILETIME expected{0x12345678, 0x01d9f000};
  EXPECT_EQ(memcmp(bytes, &expected, 8), 0);
  char version[32] = {};
  size = sizeof version;
  EXPECT_EQ(RegQueryValueExA(key, "Version", nullptr, &type, reinterpret_cast<BYTE*>(version), &size), 0);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // Written without its terminating zero byte; wine's ANSI registry layer adds one on the way in,
  // Windows keeps the 8 bytes. Either way the text is exactly the version.
  EXPECT_TRUE(size == 8u || (size == 9u && version[8] == '\0')) << size;
  EXPECT_EQ(std::string(version, 8), "1.6.0_21");
  RegCloseKey(key);
}

TEST_F(JvmRegistry, MalformedCacheEntriesAreMisses) {
  const uint64_t time = 42;
  const unsigned char eightBytes[8] = {42, 0, 0, 0, 0, 0, 0, 0};
  const unsigned char nineBytes[9] = {42, 0, 0, 0, 0, 0, 0, 0, 0};
  setRaw("LastWriteTime", REG_BINARY, nineBytes, sizeof nineBytes);
  setRaw("Version", REG_SZ, "1.6.0", 5);
  EXPECT_FALSE(lookupCachedVersion(kPath, time).has_value());
  setRaw("LastWriteTime", REG_BINARY, eightBytes, sizeof eightBytes);
  EXPECT_EQ(lookupCachedVersion(kPath, time).value_or("(miss)"), "1.6.0");
  setRaw("Version", REG_DWORD, eightBytes, 4);
  EXPECT_FALSE(lookupCachedVersion(kPath, time).has_value());
  setRaw("Version", REG_SZ, "", 0);
  EXPECT_FALSE(lookupCachedVersion(kPath, time).has_value());
}

TEST_F(JvmRegistry, LocatedRuntimeKeyGoesToTheMachineHive) {
  const char* located = "SOFTWARE\\morvenic\\lanqo\\locatedjvms\\C:/Picked/bin/java.exe";
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, located);
  drx::launcher::registerLocatedRuntime("C:\\Picked\\bin\\java.exe");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, located, 0, KEY_READ, &key), 0);
  if (key) RegCloseKey(key);
  EXPECT_EQ(drx::launcher::registrySubkeyNames(HKEY_LOCAL_MACHINE, "SOFTWARE\\morvenic\\lanqo\\locatedjvms")
                    .size() >= 1,
            true);
  // In the process's own view of HKLM\SOFTWARE: a 32-bit launcher records it where 32-bit
  // launchers look, and a 64-bit one never sees a runtime it could not load.
  EXPECT_TRUE(drx::test::keyExistsInView(HKEY_LOCAL_MACHINE, located, drx::test::kOwnRegistryView));
  EXPECT_FALSE(drx::test::keyExistsInView(HKEY_LOCAL_MACHINE, located, drx::test::kOtherRegistryView));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, located);
}

TEST_F(JvmRegistry, StringsReadBackWithoutTerminatorAndWithinTheirLimit) {
  setRaw("JavaHome", REG_SZ, "C:\\jre", 6);
  setRaw("Long", REG_SZ, std::string(200, 'x').c_str(), 201);
  setRaw("Number", REG_DWORD, "\1\0\0\0", 4);
  EXPECT_EQ(drx::launcher::readRegistryString(HKEY_CURRENT_USER, kKey, "JavaHome", 100).value_or("(none)"),
            "C:\\jre");
  EXPECT_FALSE(drx::launcher::readRegistryString(HKEY_CURRENT_USER, kKey, "Long", 100).has_value());
  EXPECT_FALSE(drx::launcher::readRegistryString(HKEY_CURRENT_USER, kKey, "Number", 100).has_value());
  EXPECT_FALSE(drx::launcher::readRegistryString(HKEY_CURRENT_USER, kKey, "Missing", 100).has_value());
}

}  // namespace
