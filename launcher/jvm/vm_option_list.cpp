// The Win32 side of the option assembly: properties, files, directories and environment of this process.
#include "launcher/jvm/vm_option_list.h"

#include <windows.h>

#include "common/code_page_text.h"
#include "common/payload/property_ids.h"
#include "launcher/command_line.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/launcher_variables.h"
#include "launcher/jvm/options_file.h"
#include "launcher/jvm/portable/text_limits.h"
#include "launcher/jvm/portable/vm_options.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/temp_directory.h"

namespace drx::launcher {
namespace {

class SystemVmOptionsHost final : public VmOptionsHost {
 public:
  void expand(std::string& text) override { expandVariables(text); }
  void log(const std::string& line) override { logLine("%s", line.c_str()); }
  void logError(const std::string& line) override { logErrorLine("%s", line.c_str()); }
  OpenedOptionsFile openDefaultOptionsFile() override {
    return openLauncherOptionsFile(launcherExecutablePath());
  }
  OpenedOptionsFile openOptionsFile(const std::string& name) override { return openOptionsFileNamed(name); }
  std::string makeAbsolute(const std::string& path) override { return drx::launcher::makeAbsolute(path); }
  bool exists(const std::string& path) override { return pathExists(path.c_str()); }
  std::vector<std::string> listFiles(const std::string& directory, const char* extension) override {
    return drx::launcher::listFiles(directory.c_str(), extension);
  }
  std::optional<std::string> environmentVariable(const std::string& name) override {
    std::string value(kTextLimit + 1, '\0');
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      // 0 is also the length of a variable that is set but empty.
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (length >= value.size()) {
      // Longer than the buffer: read it whole, the assembly cuts it.
      value.assign(length, '\0');
      length = GetEnvironmentVariableA(name.c_str(), value.data(), length);
      if (length >= value.size()) length = 0;
    }
    value.resize(length);
    return value;
  }
};

}  // namespace

RunFailure buildVmOptionList(const std::vector<std::string>& systemProperties,
                             const std::vector<std::wstring>& commandLine,
                             std::vector<std::string>& options) {
  VmOptionsInput input;
  input.systemProperties = systemProperties;
  std::string parameters = getProperty(payload::kVmParameters);
  expandVariables(parameters);
  if (!tokeniseNarrow(parameters.c_str(), input.vmParameterElements)) {
    return messageFailure(payload::kMsgWrongParameterUsage);
  }
  for (const std::wstring& argument : commandLine) input.commandLine.push_back(toAnsi(argument));
  input.jvmArgumentPassthrough = getIntProperty(payload::kJvmArgumentPassthrough) != 0;
  input.classPath = getProperty(payload::kClassPath);
  input.temporaryDirectory = temporaryDirectory();

  SystemVmOptionsHost host;
  VmOptionsResult result = drx::launcher::buildVmOptionList(input, host);
  if (result.failure) return messageFailure(result.failure->messageId, std::move(result.failure->argument));
  options = std::move(result.options);
  return {};
}

}  // namespace drx::launcher
