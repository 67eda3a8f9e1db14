// The launcher's temporary area: where temporary names are made, and the directory files are extracted to.
#pragma once

#include <string>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// The directory temporary names are made in: the user's temporary path, or the first writable
// fallback when that path has characters outside the ANSI code page. Worked out once; message
// msgNoWritableTemp when none is writable.
RunFailure settleTemporaryPath(std::string& path);
// Whether a test directory can be made (and seen) inside directory.
bool isWritable(const std::string& directory);
// A new empty file "lqo<hex>.tmp" in the temporary path, or "lqo<rand>" when the system cannot make one.
// Ends the run with msgNoWritableTemp when there is no temporary path.
std::string temporaryFileName();
// The file name through which two launcher processes of one installation find each other.
RunFailure processCommunicationFileName(unsigned long processId, std::string& path);

// Creates "<temporary file name>_dir" and remembers it as temporaryDirectory(); internal error 7
// when that fails.
RunFailure createTemporaryDirectory();
// The directory created above (or set for a restart), empty before.
const std::string& temporaryDirectory();
void setTemporaryDirectory(const std::string& directory);

// Deletes the files and removes the empty subdirectories directly inside directory. Paths that
// are empty or begin with '.' are never touched.
void emptyDirectory(const std::string& directory);

}  // namespace drx::launcher
