// Directories with a DACL of their own: the current user, SYSTEM and the Administrators only.
#include "launcher/private_directory.h"

#include "common/private_security.h"

namespace drx::launcher {

bool createPrivateDirectory(const std::string& path) {
  PrivateSecurity security(PrivateSecurity::Inheritance::kToChildren);
  if (!security) return false;
  return CreateDirectoryA(path.c_str(), security.attributes()) != FALSE;
}

}  // namespace drx::launcher
