// Path utilities over the real file system: launcher directory, absolute and normal forms, existence,
// listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "launcher/file_paths.h"
#include "launcher/temp_directory.h"
#include "tests/win/launcher/child_process.h"

namespace drx::launcher {
namespace {

using test::fileExists;
using test::makeScratchDirectory;
using test::writeFile;

std::string testDirectory() {
  char path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path, length);
  return text.substr(0, text.rfind('\\') + 1);
}

TEST(FilePaths, LauncherDirectoryIsTheProgramFolderWithBackslash) {
  EXPECT_EQ(launcherDirectory(), testDirectory());
  EXPECT_EQ(launcherExecutablePath().substr(0, launcherDirectory().size()), launcherDirectory());
}

TEST(FilePaths, MakeAbsoluteResolvesAgainstLauncherDirectoryAndCollapses) {
  const std::string base = launcherDirectory();
  const struct {
    const char* path;
    std::string expected;
  } cases[] = {
      {"x\\y.txt", base + "x\\y.txt"},
      {"a\\..\\b", base + "a\\..\\b"},
      {"sub\\\\\\\\file", base + "sub\\file"},
      {"c:\\a\\\\b", "c:\\a\\b"},
      {"\\\\server\\\\share", "\\\\server\\share"},
      {"\"c:\\quoted", "\"c:\\quoted"},
  };
  for (const auto& c : cases) EXPECT_EQ(makeAbsolute(c.path), c.expected) << c.path;
}

TEST(FilePaths, NormaliseResolvesDotsAndLowerCasesUnlessKeepingCase) {
  const std::string base = launcherDirectory();
  std::string lowerBase = base;
  std::transform(lowerBase.begin(), lowerBase.end(), lowerBase.begin(),
                 [](unsigned char c) { return tolower(c); });
  EXPECT_EQ(normalisePath("Sub\\..\\File.TXT"), lowerBase + "file.txt");
  EXPECT_EQ(normalisePath("Sub\\.\\File.TXT", true), base + "Sub\\File.TXT");
  EXPECT_EQ(normalisePath("C:\\Dir\\\\X\\..\\Y"), "c:\\dir\\y");
}

TEST(FilePaths, MakeAbsoluteListDropsEmptyPieces) {
  const std::string base = launcherDirectory();
  EXPECT_EQ(makeAbsoluteList("a;;c:\\b;"), base + "a;c:\\b");
  EXPECT_EQ(makeAbsoluteList(";;"), "");
}

TEST(FilePaths, LowerCaseChangesAsciiLettersAndKeepsOtherCharacters) {
  // _wcslwr in the C runtime's default locale lowers A-Z only; the cp1252 A-umlaut survives both ways.
  EXPECT_EQ(lowerCasePath("C:\\\xC4RGER\\X"), "c:\\\xC4rger\\x");
}

TEST(FilePaths, DriveRootsExistWithoutLookingAtTheDisk) {
  const struct {
    const char* path;
    bool exists;
  } cases[] = {
      {"q:\\", true}, {"q:\\.", true}, {"q:\\.\\.", true}, {"q:\\x", false}, {"q:", false}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(pathExists(c.path), c.exists) << c.path;
}

TEST(FilePaths, ExistsAndFileTimeMatchWildcardsAndListFilesFindsDirectoriesToo) {
  const std::string directory = makeScratchDirectory("list");
  writeFile(directory + "\\a.txt", "a");
  writeFile(directory + "\\b.txt", "bb");
  writeFile(directory + "\\c.log", "c");
  CreateDirectoryA((directory + "\\d.txt").c_str(), nullptr);

  EXPECT_TRUE(pathExists((directory + "\\a.txt").c_str()));
  EXPECT_TRUE(pathExists((directory + "\\*.log").c_str()));
  EXPECT_FALSE(pathExists((directory + "\\*.bin").c_str()));
  FILETIME written{};
  EXPECT_TRUE(fileTime((directory + "\\b.txt").c_str(), &written));
  EXPECT_NE(written.dwLowDateTime | written.dwHighDateTime, 0u);

  std::vector<std::string> text = listFiles(directory.c_str(), "txt");
  std::sort(text.begin(), text.end());
  EXPECT_EQ(text, (std::vector<std::string>{"a.txt", "b.txt", "d.txt"}));
  EXPECT_EQ(listFiles(directory.c_str(), ".log"), std::vector<std::string>{"c.log"});
  EXPECT_TRUE(listFiles(directory.c_str(), "bin").empty());
  test::removeTree(directory);
}

TEST(FilePaths, EmptyDirectoryDeletesFilesAndEmptySubdirectoriesOnly) {
  const std::string directory = makeScratchDirectory("empty");
  writeFile(directory + "\\one.bin", "1");
  writeFile(directory + "\\two.bin", "2");
  CreateDirectoryA((directory + "\\hollow").c_str(), nullptr);
  CreateDirectoryA((directory + "\\full").c_str(), nullptr);
  writeFile(directory + "\\full\\inner.bin", "3");

  emptyDirectory(directory + "\\");
  EXPECT_FALSE(fileExists(directory + "\\one.bin"));
  EXPECT_FALSE(fileExists(directory + "\\two.bin"));
  EXPECT_FALSE(fileExists(directory + "\\hollow"));
  EXPECT_TRUE(fileExists(directory + "\\full\\inner.bin"));
  test::removeTree(directory);
}

TEST(FilePaths, EmptyDirectoryNeverTouchesPathsStartingWithDot) {
  const std::string directory = makeScratchDirectory("dot");
  writeFile(directory + "\\keep.bin", "k");
  char previous[MAX_PATH * 2];
  GetCurrentDirectoryA(sizeof previous, previous);
  SetCurrentDirectoryA(directory.c_str());
  emptyDirectory(".");
  emptyDirectory(".\\");
  emptyDirectory("");
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(fileExists(directory + "\\keep.bin"));
  test::removeTree(directory);
}

TEST(FilePaths, WritableNeedsToCreateTheTestDirectory) {
  const std::string directory = makeScratchDirectory("writable");
  EXPECT_TRUE(isWritable(directory));
  EXPECT_FALSE(fileExists(directory + "\\lqo_w_testdir"));
  EXPECT_FALSE(isWritable(directory + "\\missing"));
  writeFile(directory + "\\lqo_w_testdir", "a file in the way");
  EXPECT_FALSE(isWritable(directory));
  test::removeTree(directory);
}

}  // namespace
}  // namespace drx::launcher
