// System DLLs loaded by full path from the system directory: under a 32-bit process on 64-bit
// Windows that path is redirected to the 32-bit copies, and what comes back must be one this
// process can use, never the native 64-bit file and never a look-alike found by name.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/system_library.h"

namespace {

constexpr WORD kOwnMachine = sizeof(void*) == 4 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;

WORD machineOfImage(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew)->FileHeader.Machine;
}

// The COFF machine of a file on disk, read through the file system as this process sees it.
WORD machineOfFile(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return 0;
  unsigned char header[4096] = {};
  const size_t got = fread(header, 1, sizeof header, file);
  fclose(file);
  if (got < 0x40 || header[0] != 'M' || header[1] != 'Z') return 0;
  DWORD peOffset = 0;
  memcpy(&peOffset, header + 0x3C, sizeof peOffset);
  if (peOffset + 6 > got) return 0;
  WORD machine = 0;
  memcpy(&machine, header + peOffset + 4, sizeof machine);
  return machine;
}

std::wstring systemDirectory() {
  wchar_t directory[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH + 1);
  return std::wstring(directory, length);
}

// The DLLs the launcher and drxinst load at run time by full path.
TEST(SystemLibrary, LoadsTheCopyOfThisProcessWidthFromTheSystemDirectory) {
  const std::wstring system = systemDirectory();
  ASSERT_FALSE(system.empty());
  for (const wchar_t* name :
       {L"comctl32.dll", L"wininet.dll", L"version.dll", L"netapi32.dll", L"bcrypt.dll"}) {
    SCOPED_TRACE(std::string(name, name + wcslen(name)));
    // The path the loader builds names the system directory; reading the file behind it goes
    // through the same redirection as loading it.
    EXPECT_EQ(machineOfFile(system + L"\\" + name), kOwnMachine);
    HMODULE module = drx::loadSystemLibrary(name);
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(machineOfImage(module), kOwnMachine);
    EXPECT_TRUE(drx::isModuleIn(module, system));
    EXPECT_EQ(drx::loadSystemLibrary(name), module) << "the system's copy, once loaded, is reused";
  }
}

#ifndef _WIN64
// A 32-bit process that asks for the native directory by its alias gets the 64-bit files: the
// redirection is real, so the check above would catch a loader that disabled it.
TEST(SystemLibrary, NativeAliasOfTheSystemDirectoryHoldsTheOtherWidth) {
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  if (!wow64) GTEST_SKIP() << "a 32-bit system: there is no other width";
  wchar_t windows[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH + 1);
  ASSERT_GT(length, 0u);
  const std::wstring native = std::wstring(windows, length) + L"\\Sysnative\\version.dll";
  EXPECT_EQ(machineOfFile(native), IMAGE_FILE_MACHINE_AMD64);
}
#endif

}  // namespace
