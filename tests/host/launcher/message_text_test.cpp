// Message and property text rules: the "{0}" argument, decimal values, buffer limits.
#include <gtest/gtest.h>

#include <string>

#include "launcher/portable/message_text.h"

namespace drx::launcher {
namespace {

TEST(MessageText, OnlyTheFirstPlaceholderTakesTheArgument) {
  const struct {
    const char* text;
    const char* argument;
    const char* shown;
  } cases[] = {
      {"An internal error occurred (error code: {0})", "34", "An internal error occurred (error code: 34)"},
      {"Wrong Parameter Usage", "ignored", "Wrong Parameter Usage"},
      {"{0} and {0}", "x", "x and {0}"},
      {"keep {0}", nullptr, "keep {0}"},
      {"{0}", "", ""},
      {"{0", "x", "{0"},
  };
  for (const auto& c : cases) EXPECT_EQ(insertArgument(c.text, c.argument), c.shown) << c.text;
}

TEST(MessageText, DecimalValuesReadLikeAtoi) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"5", 5},
      {"  42x", 42},
      {"-7", -7},
      {"+3", 3},
      {"1 2", 1},
      {"0x10", 0},
      {"99999999999", 2147483647},
      {"-99999999999", -2147483647 - 1},
      {nullptr, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(decimalValue(c.text), c.value) << (c.text ? c.text : "(null)");
}

TEST(MessageText, CutKeepsRoomForTheTerminator) {
  EXPECT_EQ(cutToBuffer("abcdef", 4), "abc");
  EXPECT_EQ(cutToBuffer("abc", 4), "abc");
  EXPECT_EQ(cutToBuffer("abc", 0), "");
}

}  // namespace
}  // namespace drx::launcher
