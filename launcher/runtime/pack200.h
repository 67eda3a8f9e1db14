// Expanding pack200-compressed jars with a runtime's own unpack200.exe.
#pragma once

#include <windows.h>

#include <string>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// The runtime jars that may come packed, in the order they are unpacked.
inline constexpr const char* kPackedRuntimeJars[] = {
    "lib\\rt.jar",     "lib\\charsets.jar",        "lib\\plugin.jar",
    "lib\\deploy.jar", "lib\\ext\\localedata.jar", "lib\\jsse.jar",
};

// Runs runtimeDirectory\bin\unpack200.exe hidden on packedPath (the jar is packedPath without its
// ".pack") and waits for it. A missing packed file is skipped; an unpacker that cannot be started
// is internal error 20.
RunFailure unpackOneFile(const std::string& runtimeDirectory, const std::string& packedPath);

// Unpacks the runtime jars of a directory that holds "lib\rt.jar.pack" and no "lib\jsse.jar".
RunFailure unpackRuntimeDirectory(const std::string& runtimeDirectory);

// Moves the bar from 210 to 300 in ten steps paced by the extraction time, on a thread of its own,
// until the unpack-finished flag is set.
void startUnpackAnimation(HWND dialog);

}  // namespace drx::launcher
