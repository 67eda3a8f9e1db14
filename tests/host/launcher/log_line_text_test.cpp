// One log line in memory: formatting of any length and the text-mode line ends the file had.
#include <gtest/gtest.h>

#include <string>

#include "launcher/portable/log_line_text.h"

namespace drx::launcher {
namespace {

TEST(LogLineText, EveryLineFeedBecomesCrLfAndTheLineEndsWithOne) {
  const struct {
    const char* text;
    const char* written;
  } cases[] = {
      {"", "\r\n"},
      {"Init done", "Init done\r\n"},
      // Reader lines that carry a line feed of their own leave an empty line behind.
      {"error 5\n", "error 5\r\n\r\n"},
      {"\n\n", "\r\n\r\n\r\n"},
      {"a\nb", "a\r\nb\r\n"},
      // Text mode adds a CR before every LF, even after a CR that is already there.
      {"a\r\nb", "a\r\r\nb\r\n"},
      {"lone\rcr", "lone\rcr\r\n"},
  };
  for (const auto& c : cases) {
    std::string line = c.text;
    finishTextModeLine(line);
    EXPECT_EQ(line, c.written) << c.text;
  }
}

TEST(LogLineText, FormatsWholeLinesOfAnyLengthBehindWhatIsThere) {
  for (size_t length : {0u, 1u, 239u, 240u, 241u, 5000u, 70000u}) {
    const std::string path(length, 'p');
    std::string line = kErrorLinePrefix;
    appendFormatted(line, "Could not open %s (%d)", path.c_str(), 5);
    EXPECT_EQ(line, "ERROR: Could not open " + path + " (5)") << length;
  }
}

}  // namespace
}  // namespace drx::launcher
