// Variable substitution with the launcher's live values and the process environment.
#pragma once

#include <string>
#include <string_view>

namespace drx::launcher {

// Replaces the launcher variables and every "${NAME}" of the environment in text, logging each
// replacement as "expanding %s to %s in %s.".
void expandVariables(std::string& text);

// The runtime home the JVM_HOME variables stand for: "<directory of javaExecutable>\..".
// Empty until a runtime has been loaded.
const std::string& runtimeHome();
void setRuntimeHome(std::string_view javaExecutable);

}  // namespace drx::launcher
