// Code-page conversions and thread start under real Win32.
#include <gtest/gtest.h>

#include <string>

#include "common/code_page_text.h"
#include "common/thread_start.h"

namespace {

// Windows-1252 bytes of "résumé €" and the same text in UTF-16.
const char kCp1252Text[] = "r\xe9sum\xe9 \x80";
const wchar_t kWideText[] = L"r\u00e9sum\u00e9 \u20ac";

TEST(CodePageText, ConvertsBothWaysInAGivenCodePage) {
  EXPECT_EQ(drx::toWide(kCp1252Text, 1252), kWideText);
  EXPECT_EQ(drx::toNarrow(kWideText, 1252), kCp1252Text);
  std::string exact;
  EXPECT_TRUE(drx::toNarrowExact(kWideText, 1252, exact));
  EXPECT_EQ(exact, kCp1252Text);
  EXPECT_EQ(drx::toWide("", 1252), L"");
  EXPECT_EQ(drx::toNarrow(L"", 1252), "");
}

TEST(CodePageText, EmbeddedZerosAreText) {
  const std::wstring block(L"A=1\0B=2\0\0", 9);
  EXPECT_EQ(drx::toNarrow(block, 1252), std::string("A=1\0B=2\0\0", 9));
}

TEST(CodePageText, ACharacterTheCodePageLacksIsReplacedAndReported) {
  const std::wstring text = L"x\u65e5y";
  EXPECT_EQ(drx::toNarrow(text, 1252, "?"), "x?y");
  std::string exact;
  EXPECT_FALSE(drx::toNarrowExact(text, 1252, exact));
  EXPECT_EQ(exact, "x?y");
}

DWORD WINAPI reportPriority(void* slot) {
  *static_cast<int*>(slot) = GetThreadPriority(GetCurrentThread());
  return 0;
}

TEST(ThreadStart, RunsTheEntryAtTheAskedPriority) {
  const int priorities[] = {THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL,
                            THREAD_PRIORITY_BELOW_NORMAL};
  for (int priority : priorities) {
    int seen = THREAD_PRIORITY_ERROR_RETURN;
    drx::KernelHandle thread = drx::startThread(reportPriority, &seen, priority);
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(seen, priority);
  }
}

}  // namespace
