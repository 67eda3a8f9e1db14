// Path text rules: relative paths, doubled backslashes, lists, drive roots, safe included names.
#include <gtest/gtest.h>

#include <string>

#include "launcher/portable/path_text.h"

namespace drx::launcher {
namespace {

TEST(PathText, RelativeUnlessDriveOrNetworkForm) {
  const struct {
    const char* path;
    bool relative;
  } cases[] = {
      {"x", true},         {"c:", true},          {"ab", true},     {"c:\\", false},
      {"c:\\dir", false},  {"\\\\server", false}, {"\\\\s", false}, {"\"c:\\dir", false},
      {"\"c:", true},      {"\"c:\\", false},     {"c:/dir", true}, {"\\dir", true},
      {"dir\\file", true}, {"\"\\\\srv", false},  {"..\\x", true},  {"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(isRelativePath(c.path), c.relative) << c.path;
}

TEST(PathText, CollapsesDoubledBackslashesButKeepsLeadingPair) {
  const struct {
    const char* path;
    const char* collapsed;
  } cases[] = {
      {"a\\\\\\\\b", "a\\b"}, {"\\\\server\\\\share\\\\x", "\\\\server\\share\\x"},
      {"\\\\\\\\x", "\\\\x"}, {"c:\\\\a\\b\\\\", "c:\\a\\b\\"},
      {"\\", "\\"},           {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(collapsedBackslashes<char>(c.path), c.collapsed) << c.path;
}

TEST(PathText, SplitListDropsEmptyPieces) {
  using Pieces = std::vector<std::string_view>;
  EXPECT_EQ(splitList("a;b", ';'), (Pieces{"a", "b"}));
  EXPECT_EQ(splitList(";;a;;b;", ';'), (Pieces{"a", "b"}));
  EXPECT_EQ(splitList("", ';'), Pieces{});
  EXPECT_EQ(splitList(";", ';'), Pieces{});
}

TEST(PathText, DriveRootsInThreeForms) {
  const struct {
    const char* path;
    bool root;
  } cases[] = {
      {"c:\\", true},    {"c:\\.", true},  {"c:\\.\\.", true}, {"c:", false},
      {"c:\\..", false}, {"c:\\x", false}, {"c", false},       {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isDriveRoot(c.path), c.root) << c.path;
}

TEST(PathText, JoinAddsOneBackslash) {
  EXPECT_EQ(joinPath("c:\\d", "f"), "c:\\d\\f");
  EXPECT_EQ(joinPath("c:\\d\\", "f"), "c:\\d\\f");
  EXPECT_EQ(joinPath("", "f"), "\\f");
}

TEST(PathText, IncludedNamesMustStayInsideTheDirectory) {
  const struct {
    const char* name;
    bool safe;
  } cases[] = {
      {"file.jar", true},  {"dir\\file.jar", true},   {"a\\b\\c", true},
      {"..\\evil", false}, {"dir\\..\\..\\x", false}, {"c:\\windows\\x", false},
      {"c:x", false},      {"\\rooted", false},       {"\\\\server\\x", false},
      {"a/b", false},      {"dir\\\\x", false},       {".", false},
      {"dir\\.", false},   {".. \\x", false},         {"...", false},
      {"", false},         {".hidden", true},         {"dir\\", false},
      {"x..y", true},
  };
  for (const auto& c : cases) EXPECT_EQ(isSafeIncludedName(c.name), c.safe) << c.name;
}

TEST(PathText, ExeSuffixIgnoresCase) {
  EXPECT_TRUE(endsWithIgnoringCase("C:\\X\\SETUP.EXE", ".exe"));
  EXPECT_TRUE(endsWithIgnoringCase(".exe", ".exe"));
  EXPECT_FALSE(endsWithIgnoringCase("exe", ".exe"));
  EXPECT_FALSE(endsWithIgnoringCase("setup.exe.bak", ".exe"));
}

}  // namespace
}  // namespace drx::launcher
