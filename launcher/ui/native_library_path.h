// Putting the configured native library directories in front of PATH.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace drx::launcher {

// The whole PATH limit, terminator included; longer values are cut.
inline constexpr size_t kPathValueLimit = 16384;

// Builds the new PATH value: the ';'-separated directories (empty pieces dropped), each made
// absolute by makeAbsolute, joined with ';', a ';' after them, then currentPath. With no
// directories the result is currentPath unchanged. A result beyond kPathValueLimit - 1 characters
// is cut after its last whole entry.
std::string buildNativeLibraryPath(std::string_view directories, std::string_view currentPath,
                                   const std::function<std::string(std::string_view)>& makeAbsolute);

// Reads the configured directories, expands them with expand, makes them absolute against the
// launcher directory and sets PATH in both the process and the C runtime environment.
void prependNativeLibraryDirectories(const std::function<void(std::string&)>& expand);

}  // namespace drx::launcher
