// Driver modes that read a media file (the reader side of the launcher).
#pragma once

#include <string>

// Returns the process exit code, or 2 for an unknown mode.
int runMediaMode(const std::string& mode, int argc, char** argv);
