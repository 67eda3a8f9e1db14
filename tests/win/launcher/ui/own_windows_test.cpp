// Window counting for the start-up wait and raising another instance's windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/ui/own_windows.h"
#include "tests/support/process_driver/process_driver.h"

namespace drx::launcher {
namespace {

constexpr DWORD kTimeoutMs = 20000;

HWND makeWindow(bool visible) {
  HWND window = CreateWindowExW(0, L"STATIC", L"own window", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window && visible) ShowWindow(window, SW_SHOWNORMAL);
  return window;
}

// The launcher counts with its console present: a console of our own stands in for it.
class ConsoleOfOurOwn : public testing::Environment {
 public:
  void SetUp() override {
    FreeConsole();
    hasConsole_ = AllocConsole() != 0;
  }
  static bool hasConsole() { return hasConsole_; }

 private:
  static inline bool hasConsole_ = false;
};
const auto* const consoleEnvironment = testing::AddGlobalTestEnvironment(new ConsoleOfOurOwn);

TEST(OwnWindows, CountsVisibleTopLevelWindowsButNotHiddenOnesNorTheConsole) {
  const DWORD self = GetCurrentProcessId();
  ASSERT_TRUE(ConsoleOfOurOwn::hasConsole());
  EXPECT_EQ(countOwnWindows(self, true), 0) << "the console window never counts";

  HWND shown = makeWindow(true);
  HWND hidden = makeWindow(false);
  ASSERT_TRUE(shown && hidden);
  EXPECT_EQ(countOwnWindows(self, true), 1);
  HWND second = makeWindow(true);
  EXPECT_EQ(countOwnWindows(self, true), 2);
  ShowWindow(shown, SW_HIDE);
  EXPECT_EQ(countOwnWindows(self, true), 1);
  DestroyWindow(second);
  DestroyWindow(hidden);
  DestroyWindow(shown);
  EXPECT_EQ(countOwnWindows(self, true), 0);
}

TEST(OwnWindows, BringingToFrontRestoresAMinimisedWindowOfAnotherProcess) {
  test::ChildOptions options;
  options.commandLine = L"\"" DRX_WINDOW_PEER L"\"";
  test::ChildProcess peer(options);
  ASSERT_TRUE(peer.running());
  HWND window = test::waitForWindow(peer.id(), kTimeoutMs);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(test::waitUntil(kTimeoutMs, [&] { return IsIconic(window) != 0; }));

  bringWindowsToFront(peer.id(), true);
  EXPECT_TRUE(test::waitUntil(kTimeoutMs, [&] { return IsIconic(window) == 0; })) << "still minimised";
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST(OwnWindows, BringingToFrontAnUnknownProcessTouchesNothing) {
  HWND mine = makeWindow(true);
  ShowWindow(mine, SW_MINIMIZE);
  bringWindowsToFront(0, true);
  EXPECT_TRUE(IsIconic(mine));
  DestroyWindow(mine);
}

}  // namespace
}  // namespace drx::launcher
