// Command-line splitting on Windows: code-page conversion, the length cut, the fatal unterminated quote.
#include <gtest/gtest.h>

#include <string>

#include "launcher/command_line.h"
#include "tests/win/launcher/child_process.h"

namespace drx::launcher {
namespace {

TEST(CommandLine, WideArgumentsBecomeAnsiText) {
  std::vector<std::string> arguments;
  ASSERT_TRUE(tokeniseToNarrow(L"\x00e9t\x00e9 'a \"b\"' x", arguments));
  EXPECT_EQ(arguments, (std::vector<std::string>{"\xe9t\xe9", "a \"b\"", "x"}));
}

TEST(CommandLine, NarrowTextIsCutAtTheConversionBuffer) {
  std::vector<std::string> arguments;
  const std::string longArgument(9000, 'a');
  ASSERT_TRUE(tokeniseNarrow((longArgument + " tail").c_str(), arguments));
  ASSERT_EQ(arguments.size(), 1u);
  EXPECT_EQ(arguments[0].size(), 8191u);
}

TEST(CommandLine, ReportsUnterminatedQuoteAndKeepsEarlierArguments) {
  std::vector<std::wstring> arguments;
  EXPECT_FALSE(tokeniseWide(L"a \"b c", arguments));
  EXPECT_EQ(arguments, std::vector<std::wstring>{L"a"});
}

TEST(CommandLine, UnterminatedQuoteStopsWithMessage1007) {
  test::ChildResult result = test::runDriver(L"tokenise \"x 'open\"");
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(result.err, "Wrong Parameter Usage\r\n");
  test::ChildResult good = test::runDriver(L"tokenise \"-Dx='a b' y\"");
  EXPECT_EQ(good.exitCode, 0u);
  EXPECT_EQ(good.out, "[-Dx=a b]\r\n[y]\r\n");
}

TEST(ExecutablePath, NonAnsiFolderGivesAShortPathThatOpens) {
  const std::string scratch = test::makeScratchDirectory("exe");
  std::wstring folder(scratch.begin(), scratch.end());
  folder += L"\\\x043f\x0430\x043f\x043a\x0430";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring copy = folder + L"\\driver.exe";
  ASSERT_TRUE(CopyFileW(test::driverProgram().c_str(), copy.c_str(), FALSE));
  test::ChildResult result = test::runProgram(copy, L"exepath");
  std::vector<std::string> output = test::lines(result.out);
  ASSERT_EQ(output.size(), 2u) << result.err;
  EXPECT_EQ(output[0].find('?'), std::string::npos) << output[0];
  EXPECT_TRUE(test::fileExists(output[0])) << output[0];
  EXPECT_EQ(output[0].substr(output[0].size() - 4), ".exe");
  EXPECT_EQ(output[1], output[0].substr(0, output[0].rfind('\\') + 1));
  test::removeTree(scratch);
}

}  // namespace
}  // namespace drx::launcher
