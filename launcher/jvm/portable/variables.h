// Variable substitution: the launcher's own variables and every environment variable.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// The values the launcher variables stand for at the moment of expansion.
struct VariableValues {
  std::string launcherDirectory;   // absolute, ending with a backslash
  std::string temporaryDirectory;  // without a trailing backslash
  std::string runtimeHome;         // "<java exe dir>\.." or empty before a runtime is loaded
};

struct EnvironmentEntry {
  std::string name;
  std::string value;
};

// Called after each replacement with the pattern, the value and the whole text after it.
using ExpansionLog =
    std::function<void(std::string_view pattern, std::string_view value, const std::string& text)>;

// Splits a double-zero-terminated environment block into NAME=value entries in block order.
// The name ends at the first '=' after its first character, so the hidden per-drive entries
// ("=C:=C:\dir") keep their name "=C:". Entries without '=' are skipped.
std::vector<EnvironmentEntry> parseEnvironmentBlock(const char* block);

// Replaces every occurrence of pattern by value, left to right, never searching an inserted
// value again for the same pattern. The text never grows beyond kTextLimit characters.
void replaceVariable(std::string& text, std::string_view pattern, std::string_view value,
                     const ExpansionLog& log);

// The whole substitution: the variable table in its order, then "${NAME}" and its upper-cased
// form for every environment entry in order.
void expandVariables(std::string& text, const VariableValues& values,
                     const std::vector<EnvironmentEntry>& environment, const ExpansionLog& log);

// "<directory of the java executable>\.." : the runtime home for a runtime whose executable is
// javaExecutable; empty for an executable path without a directory.
std::string runtimeHomeForExecutable(std::string_view javaExecutable);

}  // namespace drx::launcher
