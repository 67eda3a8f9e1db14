// The DLL's export table is its whole boundary with the Java side: exactly these names.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "drxinst_library.h"

namespace drxtest {
namespace {

struct ExportRow {
  const char* className;
  const char* method;
  int argumentBytes;
};

// Written from the export table of the library's Java boundary, row for row.
constexpr ExportRow kExports[] = {
    {"ACLHandling", "addACE", 40},
    {"Common", "setWindows95", 12},
    {"Common", "setWindowsNT", 12},
    {"Registry", "keyExists0", 20},
    {"Registry", "createKey0", 20},
    {"Registry", "saveKey0", 24},
    {"Registry", "restoreKey0", 24},
    {"Registry", "getValue0", 24},
    {"Registry", "setValue0", 32},
    {"Registry", "deleteValue0", 24},
    {"Registry", "deleteKey0", 24},
    {"Registry", "enumSubKeys0", 20},
    {"Registry", "enumValues0", 20},
    {"Registry", "changeNotifyAssociations0", 8},
    {"Win32CommunicationBackend", "createListener0", 8},
    {"Win32CommunicationBackend", "closeListener0", 8},
    {"Win32CommunicationBackend", "connect0", 12},
    {"Win32CommunicationBackend", "disconnect0", 8},
    {"Win32CommunicationBackend", "readDataBlock0", 8},
    {"Win32CommunicationBackend", "writeDataBlock0", 12},
    {"Win32CommunicationBackend", "getCurrentProcessId0", 8},
    {"Win32CommunicationBackend", "isProcessAlive0", 12},
    {"ShellLink", "create0", 32},
    {"ShellLink", "createWide0", 32},
    {"ShellLink", "changeNotfiy0", 16},
    {"ShellLink", "initialize", 8},
    {"ShellLink", "uninitialize", 8},
    {"Win32Services", "queryStatus0", 12},
    {"Win32Services", "getServiceBinary0", 12},
    {"Win32Services", "getStartType0", 12},
    {"Win32Services", "stopService0", 12},
    {"Win32Services", "startService0", 12},
    {"Win32Services", "uninstallService0", 12},
    {"Win32Services", "installService0", 16},
    {"Win32Services", "setRestartServiceConfig0", 20},
    {"Win32Services", "changeServiceConfig0", 40},
    {"Win32UserInfo", "getUserSid0", 8},
    {"Win32UserInfo", "isMemberOfGroup0", 12},
    {"Win32UserInfo", "executeElevated0", 20},
    {"Win32UserInfo", "getElevationType0", 8},
    {"Win32UserInfo", "deleteUser0", 16},
    {"Win32UserInfo", "deleteLocalGroup0", 16},
    {"Win32UserInfo", "addUser0", 36},
    {"Win32UserInfo", "getAccountName0", 12},
    {"Win32UserInfo", "setLsaAccountRight0", 20},
    {"FileVersion", "compare0", 16},
    {"FolderInfo", "getSpecialFolder0", 16},
    {"FolderInfo", "getPathFromRegistry0", 12},
    {"FolderInfo", "getWindowsDirectory0", 8},
    {"FolderInfo", "getSystemDirectory0", 8},
    {"FolderInfo", "getDriveType0", 12},
    {"FolderInfo", "getShortPathName0", 12},
    {"Misc", "reboot0", 8},
    {"Misc", "terminateProcesses0", 20},
    {"Misc", "getRunningModules0", 12},
    {"Misc", "getEnvVarPairs0", 8},
    {"Misc", "broadcastSettingChange0", 8},
    {"Misc", "getPhysicalMemory0", 8},
    {"Misc", "getFreeDiskSpace0", 12},
    {"Misc", "moveWithDelayUntilReboot0", 16},
    {"Misc", "toFront0", 8},
    {"Misc", "getWindowTitle0", 12},
    {"ObjectPicker", "show0", 28},
};

std::set<std::string> expectedNames() {
  std::set<std::string> names;
  for (const ExportRow& row : kExports) {
    const std::string plain = exportName(row.className, row.method);
    names.insert(plain);
#ifndef _WIN64
    names.insert(plain + "@" + std::to_string(row.argumentBytes));
#endif
  }
  return names;
}

// Every name in the loaded image's export directory.
std::set<std::string> exportedNames(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::set<std::string> names;
  if (entry.VirtualAddress == 0) return names;
  const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* nameRvas = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
  for (DWORD i = 0; i < directory->NumberOfNames; ++i)
    names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
  return names;
}

TEST(ExportTable, HoldsExactlyTheBoundaryNames) {
  ASSERT_EQ(std::size(kExports), 63u);
  HMODULE library = platformLibrary();
  ASSERT_NE(library, nullptr);
  const std::set<std::string> expected = expectedNames();
#ifdef _WIN64
  ASSERT_EQ(expected.size(), 63u);
#else
  ASSERT_EQ(expected.size(), 126u);
#endif
  const std::set<std::string> actual = exportedNames(library);
  for (const std::string& name : expected) EXPECT_TRUE(actual.count(name)) << "missing export " << name;
  for (const std::string& name : actual) EXPECT_TRUE(expected.count(name)) << "unexpected export " << name;
}

TEST(ExportTable, EveryFunctionIsFoundUnderBothNames) {
  for (const ExportRow& row : kExports) {
    EXPECT_NE(findExport(row.className, row.method, row.argumentBytes), nullptr)
        << row.className << "." << row.method;
  }
}

}  // namespace
}  // namespace drxtest
