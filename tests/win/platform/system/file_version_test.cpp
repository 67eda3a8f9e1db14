// FileVersion.compare0 of the real DLL against probe programs with windres version resources.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <string>

#include "drxinst_library.h"
#include "test_paths.h"
#include "tests/support/process_driver/process_driver.h"

namespace drxtest {
namespace {

using Compare = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring);

TEST(FileVersionTest, ComparesFileVersionsMostSignificantWordFirst) {
  const Compare compare = exportOf<Compare>("FileVersion", "compare0", 16);
  ASSERT_NE(compare, nullptr);
  minijni::Jvm vm;
  drx::test::ScratchDirectory scratch(L"drxver");
  const std::wstring text = scratch.file(L"plain.txt");
  HANDLE file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "no version", 10, &written, nullptr);
  CloseHandle(file);

  const std::wstring v2000 = besideTestProgram(L"version_probe_v2000.exe");
  const std::wstring v1999 = besideTestProgram(L"version_probe_v1999.exe");
  const std::wstring v1998 = besideTestProgram(L"version_probe_v1998.exe");
  const std::wstring none = besideTestProgram(L"version_probe_none.exe");
  const std::wstring tooLong = L"C:\\" + std::wstring(MAX_PATH, L'a') + L".exe";
  struct Case {
    std::wstring first, second;
    jint expected;
  } cases[] = {
      {v2000, v2000, 0},
      {v2000, v1999, 1},
      {v1999, v2000, 2},
      {v1999, v1998, 1},  // only the least significant word differs
      {v1998, v1999, 2},
      {none, text, 3},
      {v2000, none, 3},
      {none, v2000, 3},
      {v2000, scratch.file(L"missing.exe"), 3},
      {tooLong, v2000, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first.begin(), c.first.end()) + " vs " +
                 std::string(c.second.begin(), c.second.end()));
    EXPECT_EQ(compare(vm.env(), nullptr, vm.newString(utf16(c.first)), vm.newString(utf16(c.second))),
              c.expected);
  }
  EXPECT_EQ(vm.outstandingBuffers(), 0u);
}

}  // namespace
}  // namespace drxtest
