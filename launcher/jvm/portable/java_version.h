// Java version texts: reading them from "-version" output and the byte-string range checks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace drx::launcher {

// The first line of a runtime's "-version" output as the launcher reads it: up to and including
// the first line feed, at most 99 characters.
std::string firstOutputLine(std::string_view output);

// The version text of a first line: `java version "1.6.0_21"` and `openjdk version "17.0.9" 2023-10-17`
// give the text between the two double quotes. Anything else, an unclosed quote or an empty
// version gives nothing.
std::optional<std::string> versionFromFirstLine(std::string_view line);

// Whether the version text names a pre-release build ("beta", "ea" or "rc" anywhere).
bool isPreReleaseVersion(std::string_view version);

enum class VersionVerdict { kAcceptable, kPreReleaseRefused, kOutOfRange };

// The range check: the first strlen(bound) bytes of version compared with strncmp against each
// non-empty bound. A pre-release version is refused unless betaAllowed.
VersionVerdict judgeVersion(std::string_view version, std::string_view min, std::string_view max,
                            bool betaAllowed);

// The range check for a registry key name: each comparison covers only the shorter of the two
// lengths, so a family key such as "1.6" lies in range for min "1.5.0_10" and max "1.6.0_21".
bool registryVersionInRange(std::string_view name, std::string_view min, std::string_view max);

}  // namespace drx::launcher
