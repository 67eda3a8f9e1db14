// The launcher's own command-line splitting rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/portable/tokenise.h"

namespace drx::launcher {
namespace {

struct TokeniseCase {
  const char* text;
  std::vector<std::string> arguments;
};

TEST(Tokenise, SplitsAtSpacesAndJoinsQuotedText) {
  const TokeniseCase cases[] = {
      {"", {}},
      {"   ", {}},
      {"a", {"a"}},
      {"a   b  ", {"a", "b"}},
      {"\"a b\"c", {"a b", "c"}},
      {"-Dx=\"a b\" y", {"-Dx=a b", "y"}},
      {"'say \"hi\"' x", {"say \"hi\"", "x"}},
      {"\"it's\" x", {"it's", "x"}},
      {"\"\"", {""}},
      {"a \"\" b", {"a", "", "b"}},
      {"''", {""}},
      {"a\tb c", {"a\tb", "c"}},
      {"\"a\"\"b\"", {"a", "b"}},
      {"x\"a b\"  y", {"xa b", "y"}},
      {"pre'q r'post", {"preq r", "post"}},
      {"a\\\"b c\"", {"a\\b c"}},
      {"\"a\"'b'", {"a", "b"}},
  };
  for (const TokeniseCase& c : cases) {
    std::vector<std::string> arguments;
    EXPECT_TRUE(tokenise<char>(c.text, arguments)) << c.text;
    EXPECT_EQ(arguments, c.arguments) << c.text;
  }
}

TEST(Tokenise, UnterminatedQuoteFails) {
  const char* cases[] = {"\"", "a 'b", "x \"a b", "'a\" b", "ok \"open 'inner'"};
  for (const char* text : cases) {
    std::vector<std::string> arguments;
    EXPECT_FALSE(tokenise<char>(text, arguments)) << text;
  }
}

TEST(Tokenise, AppendsToExistingList) {
  std::vector<std::string> arguments{"first"};
  ASSERT_TRUE(tokenise<char>("second", arguments));
  EXPECT_EQ(arguments, (std::vector<std::string>{"first", "second"}));
}

TEST(Tokenise, WideTextFollowsTheSameRules) {
  std::vector<std::u16string> arguments;
  ASSERT_TRUE(tokenise<char16_t>(u"-Dx=\"\u00e4 b\" y", arguments));
  EXPECT_EQ(arguments, (std::vector<std::u16string>{u"-Dx=\u00e4 b", u"y"}));
}

}  // namespace
}  // namespace drx::launcher
