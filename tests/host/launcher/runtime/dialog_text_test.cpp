// Host tests of the choice dialog text, the download status line and the included file list.
#include <gtest/gtest.h>

#include "launcher/runtime/portable/dialog_text.h"
#include "launcher/runtime/portable/included_file_names.h"

namespace drx::launcher {
namespace {

TEST(DialogText, ProcessorWidthFillsEveryPercentCapitalS) {
  EXPECT_EQ(withProcessorWidth(L"No %S-bit Java found.", L"64"), L"No 64-bit Java found.");
  EXPECT_EQ(withProcessorWidth(L"%S/%S 100%% sure %s %d %", L"32"), L"32/32 100% sure %s %d %");
}

TEST(DialogText, VersionRangeSuffix) {
  struct Case {
    const wchar_t* min;
    const wchar_t* max;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"1.5", L"", L"Text (Minimum: 1.5)"},
      {L"", L"1.6", L"Text (Maximum: 1.6)"},
      {L"1.5", L"1.6", L"Text (Minimum: 1.5, Maximum: 1.6)"},
      {L"", L"", L"Text"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(withVersionRange(L"Text", L"Minimum:", c.min, L"Maximum:", c.max), c.expected) << c.expected;
  }
}

TEST(DialogText, StatusLineTakesOnlyFloatingPointConversions) {
  const double values[4] = {1.5, 3.0, 50.0, 12.34};
  EXPECT_EQ(formatStatusLine(L"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s", values),
            L"1.50 MB of 3.00 MB (50.0%) at 12.3 kb/s");
  EXPECT_EQ(formatStatusLine(L"%6.1f|%-6.1f|%e", values), L"   1.5|3.0   |5.000000e+01");
  // Conversions that would read strings or write memory stay as text; a fifth value does not exist.
  EXPECT_EQ(formatStatusLine(L"%s %n %d %p %.0f%.0f%.0f%.0f%.0f %", values), L"%s %n %d %p 235012%.0f %");
  EXPECT_EQ(formatStatusLine(L"%999999.99999f", values), L"%999999.99999f");
}

TEST(IncludedFiles, NamesAreTakenUpToTheCountWithRunsOfSeparatorsAsOne) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(includedFileNames("a.jar;;b.jar.pack;c.txt", 3), (Names{"a.jar", "b.jar.pack", "c.txt"}));
  EXPECT_EQ(includedFileNames(";a;;;b;", 5), (Names{"a", "b"}));
  EXPECT_EQ(includedFileNames("a;b;c", 2), (Names{"a", "b"}));
  EXPECT_EQ(includedFileNames("a;b", 0), Names{});
  EXPECT_EQ(includedFileNames("", 3), Names{});

  EXPECT_TRUE(isPackedFileName("lib.jar.pack"));
  EXPECT_FALSE(isPackedFileName("lib.jar.PACK"));
  EXPECT_FALSE(isPackedFileName("lib.jar.pack.txt"));
  EXPECT_FALSE(isPackedFileName(".pack"));
}

}  // namespace
}  // namespace drx::launcher
