// Feeding variable substitution with the launcher directory, temporary directory, runtime home and
// environment.
#include "launcher/jvm/launcher_variables.h"

#include <windows.h>

#include "common/code_page_text.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/portable/variables.h"
#include "launcher/launcher_log.h"
#include "launcher/temp_directory.h"

namespace drx::launcher {
namespace {

std::string& runtimeHomeValue() {
  static std::string home;
  return home;
}

// The environment block in the ANSI code page, as GetEnvironmentStringsA gives it (that name is
// not reachable in a UNICODE build, so the wide block is converted).
std::string ansiEnvironmentBlock() {
  LPWCH wide = GetEnvironmentStringsW();
  if (!wide) return std::string(2, '\0');
  size_t length = 0;
  while (wide[length] || wide[length + 1]) ++length;
  length += 2;
  std::string block = toAnsi(std::wstring_view(wide, length));
  FreeEnvironmentStringsW(wide);
  block.append(2, '\0');  // stays double-terminated whatever the conversion did
  return block;
}

}  // namespace

const std::string& runtimeHome() { return runtimeHomeValue(); }

void setRuntimeHome(std::string_view javaExecutable) {
  runtimeHomeValue() = runtimeHomeForExecutable(javaExecutable);
}

void expandVariables(std::string& text) {
  const VariableValues values{launcherDirectory(), temporaryDirectory(), runtimeHome()};
  const std::vector<EnvironmentEntry> environment = parseEnvironmentBlock(ansiEnvironmentBlock().c_str());
  expandVariables(text, values, environment,
                  [](std::string_view pattern, std::string_view value, const std::string& whole) {
                    const std::string patternText(pattern);
                    const std::string valueText(value);
                    logLine("expanding %s to %s in %s.", patternText.c_str(), valueText.c_str(),
                            whole.c_str());
                  });
}

}  // namespace drx::launcher
