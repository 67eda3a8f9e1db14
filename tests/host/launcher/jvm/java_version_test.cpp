// Version text extraction and the byte-string range rules.
#include <gtest/gtest.h>

#include "launcher/jvm/portable/java_version.h"

namespace {

using drx::launcher::judgeVersion;
using drx::launcher::VersionVerdict;

TEST(JavaVersion, RangeUsesTheBytePrefixRule) {
  struct Case {
    const char* version;
    const char* min;
    const char* max;
    bool acceptable;
  } cases[] = {
      {"1.5.0", "1.5", "", true},    {"1.6.0_21", "1.5", "", true},
      {"1.7.0", "1.5", "", true},    {"1.4.2_19", "1.5", "", false},
      {"1.10.0", "1.5", "", false},  // bytes, not numbers: "1.1" sorts below "1.5"
      {"1.6.0_45", "", "1.6", true}, {"1.7.0", "", "1.6", false},
      {"1.6", "", "1.6.0_21", true},  // shorter than the bound and matching it: smaller
      {"1.5", "1.5.0", "", false},   {"anything", "", "", true},
      {"17.0.9", "1.5", "", true},   {"17.0.9", "1.5", "1.8", false},
  };
  for (const Case& c : cases) {
    const bool acceptable = judgeVersion(c.version, c.min, c.max, false) == VersionVerdict::kAcceptable;
    EXPECT_EQ(acceptable, c.acceptable) << c.version << " in [" << c.min << ", " << c.max << "]";
  }
}

TEST(JavaVersion, PreReleaseVersionsNeedPermission) {
  for (const char* version : {"1.7.0-ea", "1.6.0-rc", "1.6.0_10-beta", "1.7.0-ea-b12"}) {
    EXPECT_EQ(judgeVersion(version, "1.5", "", false), VersionVerdict::kPreReleaseRefused) << version;
    EXPECT_EQ(judgeVersion(version, "1.5", "", true), VersionVerdict::kAcceptable) << version;
  }
  // The range still applies to a permitted pre-release.
  EXPECT_EQ(judgeVersion("1.4.2-beta", "1.5", "", true), VersionVerdict::kOutOfRange);
}

TEST(JavaVersion, RegistryNamesCompareOverTheShorterLength) {
  struct Case {
    const char* name;
    const char* min;
    const char* max;
    bool inRange;
  } cases[] = {
      {"1.6", "1.5.0_10", "1.6.0_21", true},
      {"1.6.0_20", "1.5.0_10", "1.6.0_21", true},
      {"1.6.0_22", "1.5.0_10", "1.6.0_21", false},
      {"1.4", "1.5", "", false},
      {"1.7", "", "1.6.0_21", false},
      {"1.5", "1.5.0_10", "", true},
      {"17", "1.5", "", true},
      {"", "1.5", "1.6", true},  // an empty name compares equal over zero bytes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(drx::launcher::registryVersionInRange(c.name, c.min, c.max), c.inRange)
        << c.name << " in [" << c.min << ", " << c.max << "]";
  }
}

TEST(JavaVersion, VersionComesFromTheQuotedTextOfTheFirstLine) {
  struct Case {
    const char* line;
    const char* version;  // null: no version
  } cases[] = {
      {"java version \"1.6.0_21\"\n", "1.6.0_21"},
      {"java version \"1.6.0_21\"\r\n", "1.6.0_21"},
      {"java version \"1.6.0_21\"", "1.6.0_21"},  // last line without a line feed
      {"openjdk version \"17.0.9\" 2023-10-17\n", "17.0.9"},
      {"java version \"21.0.1\" 2023-10-17 LTS\n", "21.0.1"},
      {"java version \"1.7.0-ea\"\n", "1.7.0-ea"},
      {"Error: could not open `C:\\jre\\lib\\amd64\\jvm.cfg'\n", nullptr},
      {"Picked up _JAVA_OPTIONS: -Xmx1g\n", nullptr},
      {"Java version \"1.6.0\"\n", nullptr},
      {"java  version \"1.6.0\"\n", nullptr},
      {"java version 1.6.0\n", nullptr},
      {"java version \"\"\n", nullptr},
      {"java version \"1.6.0_21\n", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    const auto version = drx::launcher::versionFromFirstLine(c.line);
    if (c.version) {
      ASSERT_TRUE(version.has_value()) << c.line;
      EXPECT_EQ(*version, c.version);
    } else {
      EXPECT_FALSE(version.has_value()) << c.line << " gave " << version.value_or("");
    }
  }
}

TEST(JavaVersion, FirstLineIsCutAtItsLineFeedAnd99Characters) {
  EXPECT_EQ(drx::launcher::firstOutputLine("java version \"1.6.0\"\nJava(TM) SE Runtime\n"),
            "java version \"1.6.0\"\n");
  EXPECT_EQ(drx::launcher::firstOutputLine(std::string(150, 'x')), std::string(99, 'x'));
  EXPECT_EQ(drx::launcher::firstOutputLine(std::string("java\0version", 12)), "java");
}

}  // namespace
