// The fixed file version of a file's version resource, shared by FileVersion and the folder lookup.
#pragma once

#include <windows.h>

#include <cstdint>

namespace drx::platform {

// The file version (dwFileVersionMS in the high half, dwFileVersionLS in the low half); false
// when the path is longer than MAX_PATH - 1 or the file has no readable version resource.
bool readFileVersion(const wchar_t* path, uint64_t& version);

// 0 same version, 1 first newer, 2 first older, 3 a version could not be read.
int compareFileVersions(const wchar_t* first, const wchar_t* second);

}  // namespace drx::platform
