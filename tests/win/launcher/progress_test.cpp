// The integrity check drives control 1001 of the dialog it is given: rising percentages, or 101 of 100..400.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "launcher/launcher_properties.h"
#include "launcher/media_reader.h"
#include "launcher/resources/resource_ids.h"
#include "tests/win/launcher/child_process.h"
#include "tests/win/launcher/media_fixture.h"

namespace drx::test {
namespace {

struct Recorded {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Recorded> recorded;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PBM_SETPOS || message == PBM_SETRANGE) recorded.push_back({message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

class CheckProgress : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "lc_recording_bar";
    RegisterClassA(&windowClass);
    parent_ = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    bar_ = parent_ ? CreateWindowA("lc_recording_bar", "", WS_CHILD, 0, 0, 10, 10, parent_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS_BAR)), nullptr,
                                   nullptr)
                   : nullptr;
    if (!bar_) GTEST_SKIP() << "no windows here";
    scratch_ = makeScratchDirectory("progress");
    recorded.clear();
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
    if (!scratch_.empty()) removeTree(scratch_);
  }
  std::string writeMedia(bool verify) {
    MediaLayout layout;
    layout.verify = verify;
    layout.remaining = std::string(10u << 20, 'r');
    // A new name each time: the launcher keeps a media file it has read open, shared for reading only.
    const std::string path = scratch_ + "\\media" + std::to_string(++written_) + ".exe";
    writeFile(path, buildMedia(layout).bytes);
    return path;
  }
  HWND parent_ = nullptr;
  HWND bar_ = nullptr;
  int written_ = 0;
  std::string scratch_;
};

TEST_F(CheckProgress, PercentagesRiseToOneHundred) {
  launcher::setMediaPath(writeMedia(true).c_str());
  EXPECT_FALSE(launcher::verifyIntegrity(parent_, true));
  ASSERT_FALSE(recorded.empty());
  WPARAM last = 0;
  for (const Recorded& r : recorded) {
    EXPECT_EQ(r.message, static_cast<UINT>(PBM_SETPOS));
    EXPECT_GT(r.wParam, last);
    last = r.wParam;
  }
  EXPECT_EQ(last, 100u);
}

TEST_F(CheckProgress, SkippedCheckShows101Of100To400) {
  for (bool verifyFlag : {true, false}) {
    recorded.clear();
    launcher::setMediaPath(writeMedia(verifyFlag).c_str());
    EXPECT_FALSE(launcher::verifyIntegrity(parent_, !verifyFlag ? true : false));
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].message, static_cast<UINT>(PBM_SETRANGE));
    EXPECT_EQ(recorded[0].lParam, MAKELPARAM(100, 400));
    EXPECT_EQ(recorded[1].message, static_cast<UINT>(PBM_SETPOS));
    EXPECT_EQ(recorded[1].wParam, 101u);
  }
}

}  // namespace
}  // namespace drx::test
