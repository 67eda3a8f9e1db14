// Shared fixture of the launch tests: a media file whose search finds one stand-in runtime.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime_layout.h"
#include "report_format.h"
#include "tests/support/launcher_run/launcher_run.h"
#include "tests/support/process_driver/process_driver.h"

namespace drx::test {

constexpr DWORD kRunTimeoutMs = 60000;
constexpr int32_t kLauncherType = 107;
constexpr int32_t kMainClass = 122;
constexpr int32_t kProgramArguments = 124;
constexpr int32_t kJvmArgumentPassthrough = 125;
constexpr int32_t kMinJavaVersion = 126;
constexpr int32_t kJreSearchSequence = 128;
constexpr int32_t kPreferredVmType = 152;
constexpr int32_t kApplicationDirectory = 10003;
constexpr int32_t kLauncherFlavour = 2001;

inline std::u16string u16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

class LauncherLaunch : public testing::Test {
 public:
  void SetUp() override {
    clearStartupMarkers();
    ASSERT_FALSE(scratch_.path().empty());
  }
  void TearDown() override { clearStartupMarkers(); }

  // A media file whose search sequence names one stand-in runtime, and a report file for it.
  LaunchSetup setupWithRuntime(const std::wstring& arguments, const standin::RuntimeSpec& runtime) {
    // A start that reached Java leaves the plain marker for the Java side to clear; without this
    // the next start would ask whether the last run failed.
    clearStartupMarkers();
    LaunchSetup launch(scratch_);
    launch.arguments = arguments;
    const std::wstring root = launch.directory + L"\\runtime";
    EXPECT_TRUE(standin::layOutRuntime(root, runtime));
    reportPath_ = launch.directory + L"\\report.txt";
    launch.environment.emplace_back(L"DRX_STANDIN_REPORT", reportPath_);
    launch.media.narrow[kMainClass] = "com.example.Main";
    launch.media.narrow[kMinJavaVersion] = "1.5";
    launch.media.narrow[kJreSearchSequence] = "B" + narrow(root) + ";";
    launch.media.narrow[payload::kNoProgressDialog] = "1";  // the work runs on the main thread
    return launch;
  }

  standin::Report report() const { return standin::Report::parse(readFileBytes(reportPath_)); }

  static std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

  ScratchDirectory scratch_{L"launch"};

 protected:
  std::wstring reportPath_;
};

}  // namespace drx::test
