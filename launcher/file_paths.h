// The launcher's own path and directory and the path utilities every stage shares.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// Texts are narrow in the code page of the file functions and at most kPathLimit - 1 bytes;
// longer results are cut.
inline constexpr size_t kPathLimit = 8192;

// The program file, in a form the narrow file functions can open (the 8.3 form when the long
// form has characters outside the code page). Cached.
const std::string& launcherExecutablePath();
// Absolute directory of the launcher, ending with a backslash. Cached.
const std::string& launcherDirectory();

bool isRelative(std::string_view path);
// Collapses doubled backslashes; leaves the path unchanged when it does not survive the code page.
std::string collapseBackslashes(std::string_view path);
// Relative paths are taken against the launcher directory; "." and ".." stay.
std::string makeAbsolute(std::string_view path);
// Absolute and full ("." and ".." resolved), lower-cased unless keepCase, backslashes collapsed.
std::string normalisePath(std::string_view path, bool keepCase = false);
// makeAbsolute for each non-empty piece of a ';'-separated list, joined with ';'.
std::string makeAbsoluteList(std::string_view list);
// Lower case through the wide functions; unchanged when the code page would lose characters.
std::string lowerCasePath(std::string_view path);

// Drive roots exist without a look at the disk; everything else must match something.
bool pathExists(const char* path);
// Whether anything matches path (wildcards allowed); its last write time when out is given.
bool fileTime(const char* path, FILETIME* lastWrite);
// Names (without directory) matching directory\*.extension, directories included, in enumeration order.
std::vector<std::string> listFiles(const char* directory, const char* extension);

// Narrow <-> wide in the code page of the file functions. toFileCodePage fails when a character
// has no representation there.
std::wstring fromFileCodePage(std::string_view text);
bool toFileCodePage(std::wstring_view text, std::string& out);

}  // namespace drx::launcher
