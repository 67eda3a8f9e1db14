// Handle ownership under real Win32: close-once, moves, and the error code surviving cleanup.
#include <gtest/gtest.h>

#include <string>

#include "common/unique_handle.h"

namespace {

const wchar_t kTestKey[] = L"Software\\morvenic\\drx-tests\\unique_handle";

bool handleIsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueHandle, ClosesOnceAndMovesOwnership) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    drx::KernelHandle first(raw);
    drx::KernelHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
    EXPECT_EQ(second.get(), raw);
    drx::KernelHandle third;
    third = std::move(second);
    EXPECT_TRUE(handleIsOpen(raw));
  }
  EXPECT_FALSE(handleIsOpen(raw));
}

TEST(UniqueHandle, ReleaseHandsOverWithoutClosing) {
  drx::KernelHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE raw = owner.release();
  EXPECT_FALSE(owner);
  EXPECT_TRUE(handleIsOpen(raw));
  CloseHandle(raw);
}

TEST(UniqueHandle, ResetKeepsLastError) {
  drx::FileHandle file(CreateFileW(L"NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  SetLastError(ERROR_ACCESS_DENIED);
  file.reset();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(UniqueHandle, InvalidValuesArePerKind) {
  drx::FileHandle missing(
      CreateFileW(L"C:\\no\\such\\dir\\file.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);  // INVALID_HANDLE_VALUE, not null, means "none" for files
  drx::KernelHandle none;
  EXPECT_FALSE(none);
}

TEST(UniqueHandle, NullAndInvalidHandleValueAreNoHandleForEitherKernelKind) {
  // What CreateToolhelp32Snapshot and CreateFile return on failure, and what OpenProcess returns.
  const HANDLE failures[] = {nullptr, INVALID_HANDLE_VALUE};
  for (HANDLE failure : failures) {
    drx::KernelHandle kernel(failure);
    drx::FileHandle file(failure);
    EXPECT_FALSE(kernel) << failure;
    EXPECT_FALSE(file) << failure;
  }
}

TEST(UniqueHandle, DropWithoutClosingLeavesTheHandleAlone) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    drx::KernelHandle owner(raw);
    owner.dropWithoutClosing();
    EXPECT_FALSE(owner);
  }
  EXPECT_TRUE(handleIsOpen(raw));
  CloseHandle(raw);
}

TEST(RegistryUnderWine, RoundTripsValuesUnderCurrentUser) {
  drx::RegKey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                            nullptr),
            ERROR_SUCCESS);
  const std::wstring text = L"r\u00e9sum\u00e9 \u65e5\u672c";
  ASSERT_EQ(RegSetValueExW(key.get(), L"text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  const DWORD number = 0xE8E413D5;
  ASSERT_EQ(RegSetValueExW(key.get(), L"number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                           sizeof number),
            ERROR_SUCCESS);

  wchar_t buffer[64] = {};
  DWORD type = 0, size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExW(key.get(), L"text", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, (text.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(buffer), text);

  DWORD readBack = 0;
  size = sizeof readBack;
  ASSERT_EQ(RegQueryValueExW(key.get(), L"number", nullptr, &type, reinterpret_cast<BYTE*>(&readBack), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(readBack, number);

  key.reset();
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, key.put()), ERROR_FILE_NOT_FOUND);
}

}  // namespace
