// The launcher property tables: numbered settings and message texts from the payload, read by id.
#pragma once

#include <cstdint>
#include <string>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// Reads both property tables from the media file (the launcher's own file unless setMediaPath
// chose another), remembers where the included files start and picks the error reporting mode.
// A payload that cannot be read gives the failure of the reader concerned.
RunFailure loadLauncherProperties();

// The narrow value of id, or "" when no record carries it. Never null; stays valid until exit.
const char* getProperty(int id);
// The narrow value read as a decimal number; absent or non-numeric values give 0.
int getIntProperty(int id);
// The wide value of id, or L"" when absent.
const wchar_t* getWideProperty(int id);

// The file that holds the payload; defaults to the launcher executable.
void setMediaPath(const char* path);
const std::string& mediaPath();

// Table storage, used by the loader and by tests that install tables directly. A later value for
// the same id replaces the earlier one. Values are kept as the launcher's fixed buffers would hold them.
void setProperty(int id, std::string value);
void setWideProperty(int id, std::wstring value);
void clearLauncherProperties();

// Offset of the first included file in the media file, known once the properties are loaded.
int64_t includedFilesPosition();
void setIncludedFilesPosition(int64_t position);

}  // namespace drx::launcher
