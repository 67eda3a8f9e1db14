// mkmedia: builds media files from a launcher stub and a configuration, and inspects them.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mkmedia/command_line.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  drx::mkmedia::Command command;
  std::string error;
  if (!drx::mkmedia::parseCommandLine(args, command, error)) {
    std::fprintf(stderr, "mkmedia: %s\n%s", error.c_str(), drx::mkmedia::kUsage);
    return 1;
  }
  return drx::mkmedia::runCommand(command);
}
