// Putting the configured native library directories in front of PATH.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace drx::launcher {

// The largest environment value Windows keeps, terminator included.
inline constexpr size_t kPathValueLimit = 32767;

// Builds the new PATH value: the ';'-separated directories (empty pieces dropped), each made
// absolute by makeAbsolute, joined with ';', a ';' after them, then currentPath. With no
// directories the result is currentPath unchanged. currentPath is never shortened: directories
// that would take the result beyond kPathValueLimit - 1 characters are left out, last first.
std::string buildNativeLibraryPath(std::string_view directories, std::string_view currentPath,
                                   const std::function<std::string(std::string_view)>& makeAbsolute);

// The longest start of the ';'-separated list that has at most limit characters and ends at an
// entry boundary (never inside a directory name); the whole list when it fits.
std::string_view wholeEntriesWithin(std::string_view list, size_t limit);

// Reads the configured directories, expands them with expand, makes them absolute against the
// launcher directory and sets PATH in both the process and the C runtime environment.
void prependNativeLibraryDirectories(const std::function<void(std::string&)>& expand);

// The process's PATH at its full length; empty when it is not set.
std::string readPathVariable();

}  // namespace drx::launcher
