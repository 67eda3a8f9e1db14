// The media file while the launcher runs: another process can read it (the Java side reads the
// remaining data by name) but can neither rename, replace, write nor delete it.
#include <gtest/gtest.h>

#include "standin_host.h"
#include "tests/win/launcher/runtime/runtime_fixture.h"

namespace drx::test {
namespace {

constexpr int32_t kIncludedJreSizeId = 151;

class MediaLock : public testing::Test {
 protected:
  void SetUp() override { clearStartupMarkers(); }
  void TearDown() override { clearStartupMarkers(); }
  ScratchDirectory scratch_{L"mlock"};
};

TEST_F(MediaLock, RunningLauncherKeepsItsMediaFileFromBeingSwapped) {
  RuntimeLaunch launch(scratch_);
  const std::wstring go = launch.setup.directory + L"\\go";
  standin::RuntimeSpec runtime;
  runtime.config = "jvm.main.action=await " + standin::narrow(go) + "\n";
  const std::string archive = runtimeArchive(scratch_, runtime, "");
  launch.setup.media.files.emplace_back("jre.tar.gz", archive);
  launch.setup.media.narrow[kIncludedJreSizeId] = std::to_string(archive.size());
  launch.setup.arguments = L"-q";

  ChildProcess child = startLauncher(launch.setup);
  ASSERT_TRUE(child.running());
  // main runs: every phase that reads the media file (properties, check, extraction) is over.
  ASSERT_TRUE(waitUntil(kRunTimeoutMs, [&] { return launch.report().count("jvm.action") > 0; }));

  const std::wstring& media = launch.setup.mediaPath;
  const std::wstring moved = media + L".old";
  struct Attempt {
    const char* what;
    bool succeeded;
    DWORD error;
  };
  auto attempt = [](const char* what, bool succeeded) { return Attempt{what, succeeded, GetLastError()}; };
  auto open = [&](DWORD access, DWORD sharing) {
    HANDLE file =
        CreateFileW(media.c_str(), access, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    SetLastError(error);
    return file != INVALID_HANDLE_VALUE;
  };
  const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  auto rename = [&] {
    const bool renamed = MoveFileExW(media.c_str(), moved.c_str(), 0) != FALSE;
    const DWORD error = GetLastError();
    if (renamed) MoveFileExW(moved.c_str(), media.c_str(), 0);  // so the attempts below see the file
    SetLastError(error);
    return renamed;
  };
  const Attempt refused[] = {
      attempt("rename", rename()),
      attempt("open for writing", open(GENERIC_WRITE, shareAll)),
      attempt("open for deleting", open(DELETE, shareAll)),
      attempt("delete", DeleteFileW(media.c_str()) != FALSE),
  };
  for (const Attempt& a : refused) {
    EXPECT_FALSE(a.succeeded) << a.what;
    EXPECT_EQ(a.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << a.what;
  }
  // What the Java side does: read the file by name, sharing reading only, or reading and writing.
  EXPECT_TRUE(open(GENERIC_READ, FILE_SHARE_READ)) << GetLastError();
  EXPECT_TRUE(open(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE)) << GetLastError();

  ASSERT_TRUE(CreateDirectoryW(go.c_str(), nullptr));
  DWORD exitCode = 1;
  ASSERT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 0u) << launch.log();
  EXPECT_EQ(launch.report().utf8Values("jvm.awaited"), std::vector<std::string>{"1"});
  EXPECT_EQ(launch.report().count("jvm.main"), 1u);
}

}  // namespace
}  // namespace drx::test
