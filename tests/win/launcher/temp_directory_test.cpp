// The temporary area: directory naming, the fallbacks for an unusable temporary path, the random name.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/win/launcher/child_process.h"

namespace drx::test {
namespace {

std::string firstLine(const ChildResult& result) {
  std::vector<std::string> all = lines(result.out);
  return all.empty() ? std::string() : all[0];
}

std::string windowsDirectory() {
  char buffer[MAX_PATH];
  UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  return std::string(buffer, length);
}

TEST(TemporaryDirectory, IsNamedAfterAnEmptyTemporaryFileWithDirSuffix) {
  ChildResult result = runDriver(L"tempdir");
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  const std::string directory = firstLine(result);
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  EXPECT_TRUE(std::regex_match(directory,
                               std::regex(std::regex_replace(std::string(temp), std::regex("\\\\"), "\\\\") +
                                          "lqo[0-9A-Fa-f]+\\.tmp_dir")))
      << directory;
  DWORD attributes = GetFileAttributesA(directory.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  const std::string file = directory.substr(0, directory.size() - 4);
  ASSERT_TRUE(fileExists(file));
  EXPECT_EQ(readFile(file), "");
  RemoveDirectoryA(directory.c_str());
  DeleteFileA(file.c_str());
}

// A temporary path whose long form has characters outside the ANSI code page, set through TMP
// and TEMP as its 8.3 form (which the narrow functions can name).
class UnrepresentableTemp : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = makeScratchDirectory("cyr");
    std::wstring wide(scratch_.begin(), scratch_.end());
    wide += L"\\\x0442\x0435\x043c\x043f";
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
    longPath_ = wide;
    wchar_t shortPath[MAX_PATH];
    DWORD length = GetShortPathNameW(wide.c_str(), shortPath, MAX_PATH);
    ASSERT_GT(length, 0u);
    shortPath_.assign(shortPath, length);
  }
  void TearDown() override {
    for (const std::string& blocker : blockers_) DeleteFileA(blocker.c_str());
    for (const std::string& made : made_) RemoveDirectoryA(made.c_str());
    removeTree(scratch_);
  }
  ChildResult runFull() {
    EnvironmentGuard environment({{L"TMP", shortPath_}, {L"TEMP", shortPath_}});
    return runDriver(L"temppath");
  }
  std::string run() { return firstLine(runFull()); }
  // A file named like the writability test directory makes a directory look read-only.
  void block(const std::string& directory) {
    blockers_.push_back(directory + "\\lqo_w_testdir");
    writeFile(blockers_.back(), "x");
  }
  void makeDirectory(const std::string& directory) {
    if (CreateDirectoryA(directory.c_str(), nullptr)) made_.push_back(directory);
  }
  std::string scratch_;
  std::wstring shortPath_;
  std::wstring longPath_;
  std::vector<std::string> blockers_;
  std::vector<std::string> made_;
};

TEST_F(UnrepresentableTemp, FallsBackInOrder) {
  if (fileExists("c:\\temp") || fileExists("c:\\tmp")) GTEST_SKIP() << "c:\\temp or c:\\tmp exists already";
  const std::string windows = windowsDirectory();
  // The user's own folder in its short form first; the shared places only when it is not writable.
  const std::string shortPath(shortPath_.begin(), shortPath_.end());
  EXPECT_EQ(run(), shortPath + "\\");
  block(shortPath);
  EXPECT_EQ(run(), windows + "\\temp");

  block(windows + "\\temp");
  makeDirectory("c:\\temp");
  EXPECT_EQ(run(), "c:\\temp");

  block("c:\\temp");
  makeDirectory("c:\\tmp");
  EXPECT_EQ(run(), "c:\\tmp");
  block("c:\\tmp");
  EXPECT_EQ(run(), windows);
  DeleteFileA("c:\\tmp\\lqo_w_testdir");
  blockers_.pop_back();
  RemoveDirectoryA("c:\\tmp");
  made_.pop_back();

  // Last resort: c:\ is writable, so c:\tmp is made and used.
  block(windows);
  EXPECT_EQ(run(), "c:\\tmp");
  EXPECT_TRUE(fileExists("c:\\tmp"));
  made_.push_back("c:\\tmp");
}

// The user's temporary path given in its long form, which GetTempPathA can only hand out with '?'
// for the Cyrillic letters: the short form of that same folder is used, not a shared place.
TEST_F(UnrepresentableTemp, LongFormGivesTheShortFormOfTheSameFolder) {
  const std::string shortPath(shortPath_.begin(), shortPath_.end());
  EnvironmentGuard environment({{L"TMP", longPath_}, {L"TEMP", longPath_}});
  EXPECT_EQ(firstLine(runDriver(L"temppath")), shortPath + "\\");
}

// The fallbacks carry no trailing backslash, the system's temporary path does; both join the
// communication file with exactly one. The path is worked out once: a later TMP changes nothing.
TEST_F(UnrepresentableTemp, CommunicationFileHasASeparatorAndThePathStaysForTheProcess) {
  if (fileExists("c:\\temp") || fileExists("c:\\tmp")) GTEST_SKIP() << "c:\\temp or c:\\tmp exists already";
  const std::string windowsTemp = windowsDirectory() + "\\temp";
  const std::string plain = scratch_ + "\\plain";
  ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr));
  // The short form of the user's own folder would come first; make it unusable so the first case
  // lands in a fallback, which has no trailing backslash.
  block(std::string(shortPath_.begin(), shortPath_.end()));
  const struct {
    std::wstring tmp;
    std::string path;
    std::string communicationFile;
  } cases[] = {{shortPath_, windowsTemp, windowsTemp + "\\lqo_p4242.tmp"},
               {std::wstring(plain.begin(), plain.end()), plain + "\\", plain + "\\lqo_p4242.tmp"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EnvironmentGuard environment({{L"TMP", c.tmp}, {L"TEMP", c.tmp}});
    std::vector<std::string> out =
        lines(runDriver(L"temppath2 " + std::wstring(scratch_.begin(), scratch_.end())).out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], c.path);
    EXPECT_EQ(out[1], c.communicationFile);
    EXPECT_EQ(out[2], c.path);
  }
}

TEST_F(UnrepresentableTemp, NothingWritableIsFatal1015) {
  if (fileExists("c:\\temp") || fileExists("c:\\tmp")) GTEST_SKIP() << "c:\\temp or c:\\tmp exists already";
  const std::string windows = windowsDirectory();
  block(std::string(shortPath_.begin(), shortPath_.end()));
  block(windows + "\\temp");
  block(windows);
  block("c:");
  ChildResult result = runFull();
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(lines(result.err).at(0), "You must be at least Poweruser to run this program.");
  EXPECT_FALSE(fileExists("c:\\tmp"));
}

TEST(TemporaryDirectory, UncreatableDirectoryIsInternalError7) {
  EnvironmentGuard environment(
      {{L"TMP", L"C:\\lc_missing_dir\\below"}, {L"TEMP", L"C:\\lc_missing_dir\\below"}});
  ChildResult result = runDriver(L"tempdir");
  EXPECT_EQ(result.exitCode, 1u);
  // No temporary name for the log either: it is c:\drx_nlog, shown and therefore kept.
  EXPECT_EQ(result.err, "An internal error occurred (error code: 7)\r\n\r\nLog: c:\\drx_nlog\r\n");
  DeleteFileA("c:\\drx_nlog");
}

TEST(TemporaryFileName, RandomFallbackIsTheSameWithinOneSecond) {
  EnvironmentGuard environment(
      {{L"TMP", L"C:\\lc_missing_dir\\below"}, {L"TEMP", L"C:\\lc_missing_dir\\below"}});
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::vector<std::string> result = lines(runDriver(L"tempfile2").out);
    ASSERT_GE(result.size(), 2u);
    EXPECT_TRUE(std::regex_match(result[0], std::regex("C:\\\\lc_missing_dir\\\\below\\\\lqo[0-9]+")))
        << result[0];
    if (result.size() >= 3 && result[2] == "same-second") {
      EXPECT_EQ(result[0], result[1]);
      return;
    }
  }
  ADD_FAILURE() << "never two names within one second";
}

}  // namespace
}  // namespace drx::test
