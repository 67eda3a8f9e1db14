// Variable substitution over a given set of values and environment entries (portable).
#include "launcher/jvm/portable/variables.h"

#include <cstring>

#include "launcher/jvm/portable/text_limits.h"

namespace drx::launcher {
namespace {

enum class Value { kExeDir, kTempDir, kSeparator, kJvmHome };

struct Variable {
  const char* pattern;
  Value value;
};

// Order matters: each pattern is replaced everywhere before the next one is looked for.
constexpr Variable kVariableTable[] = {
    {"%LANQO_EXEDIR%", Value::kExeDir},
    {"%DEPLOYRIX_EXEDIR%", Value::kExeDir},
    {"%LANQO_TEMPDIR%", Value::kTempDir},
    {"%DEPLOYRIX_TEMPDIR%", Value::kTempDir},
    {"%LANQO_PATHLIST_SEPARATOR%", Value::kSeparator},
    {"%DEPLOYRIX_PATHLIST_SEPARATOR%", Value::kSeparator},
    {"%LANQO_JVM_HOME%", Value::kJvmHome},
    {"%DEPLOYRIX_JVM_HOME%", Value::kJvmHome},
    {"${LANQO_EXEDIR}", Value::kExeDir},
    {"${DEPLOYRIX_EXEDIR}", Value::kExeDir},
    {"${LANQO_TEMPDIR}", Value::kTempDir},
    {"${DEPLOYRIX_TEMPDIR}", Value::kTempDir},
    {"${LANQO_PATHLIST_SEPARATOR}", Value::kSeparator},
    {"${DEPLOYRIX_PATHLIST_SEPARATOR}", Value::kSeparator},
    {"${LANQO_JVM_HOME}", Value::kJvmHome},
    {"${DEPLOYRIX_JVM_HOME}", Value::kJvmHome},
    {"${launcher:sys.launcherDirectory}", Value::kExeDir},
    {"${launcher:sys.launcherTempDirectory}", Value::kTempDir},
    {"${launcher:sys.pathlistSeparator}", Value::kSeparator},
    {"${launcher:sys.jvmHome}", Value::kJvmHome},
};

std::string_view valueOf(Value value, const VariableValues& values) {
  switch (value) {
    case Value::kExeDir:
      return values.launcherDirectory;
    case Value::kTempDir:
      return values.temporaryDirectory;
    case Value::kSeparator:
      return ";";
    case Value::kJvmHome:
      return values.runtimeHome;
  }
  return {};
}

// _strupr in the C locale: ASCII letters only.
std::string upperCased(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::vector<EnvironmentEntry> parseEnvironmentBlock(const char* block) {
  std::vector<EnvironmentEntry> entries;
  if (!block) return entries;
  for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
    const char* equals = std::strchr(entry + 1, '=');
    if (!equals) continue;
    entries.push_back({std::string(entry, equals), std::string(equals + 1)});
  }
  return entries;
}

void replaceVariable(std::string& text, std::string_view pattern, std::string_view value,
                     const ExpansionLog& log) {
  if (pattern.empty()) return;
  size_t position = text.find(pattern);
  while (position != std::string::npos) {
    text.replace(position, pattern.size(), value);
    position += value.size();
    cutToLimit(text);
    if (log) log(pattern, value, text);
    if (position >= text.size()) break;
    position = text.find(pattern, position);
  }
}

void expandVariables(std::string& text, const VariableValues& values,
                     const std::vector<EnvironmentEntry>& environment, const ExpansionLog& log) {
  cutToLimit(text);
  for (const Variable& variable : kVariableTable) {
    replaceVariable(text, variable.pattern, valueOf(variable.value, values), log);
  }
  for (const EnvironmentEntry& entry : environment) {
    const std::string pattern = "${" + entry.name + "}";
    replaceVariable(text, pattern, entry.value, log);
    // An already upper-case name would only search its own inserted values a second time.
    const std::string upper = upperCased(pattern);
    if (upper != pattern) replaceVariable(text, upper, entry.value, log);
  }
}

std::string runtimeHomeForExecutable(std::string_view javaExecutable) {
  const size_t slash = javaExecutable.find_last_of('\\');
  if (slash == std::string_view::npos) return {};
  return std::string(javaExecutable.substr(0, slash + 1)) + "..";
}

}  // namespace drx::launcher
