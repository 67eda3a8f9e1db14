// Command line of mkmedia: `build` and `inspect` with their options.
#pragma once

#include <string>
#include <vector>

#include "tools/mkmedia/build_media.h"

namespace drx::mkmedia {

struct Command {
  enum Kind { kBuild, kInspect, kHelp } kind = kHelp;
  BuildOptions build;       // kBuild
  std::string inspectPath;  // kInspect
  bool json = false;        // kInspect
  int codePage = 1252;      // both
};

extern const char kUsage[];

// False with `error` on a malformed command line.
bool parseCommandLine(const std::vector<std::string>& args, Command& command, std::string& error);

// Runs the command, writing results to stdout and a one-line error to stderr.
// Exit codes: 0 success, 1 failure, 2 inspect found a CRC mismatch.
int runCommand(const Command& command);

}  // namespace drx::mkmedia
