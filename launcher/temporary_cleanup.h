// Removing what a run wrote into the temporary area when it ends before the Java side takes over.
#pragma once

#include <string>

namespace drx::launcher {

// Deletes directory with everything below it. Reparse points are removed, never followed.
// Paths that are empty or begin with '.' are never touched. True when the directory is gone.
bool removeDirectoryTree(const std::string& directory);

// Removes the temporary directory of this run, with the empty file beside it that its name was
// made from, after leaving it as the current directory. Does nothing in a language restart,
// whose directory belongs to an earlier run.
void removeTemporaryArea();

}  // namespace drx::launcher
