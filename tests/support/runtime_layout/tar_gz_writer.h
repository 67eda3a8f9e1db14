// Writes ustar archives and gzip streams for tests of the launcher's bundled-runtime extraction.
#ifndef DRX_TESTS_RUNTIME_LAYOUT_TAR_GZ_WRITER_H
#define DRX_TESTS_RUNTIME_LAYOUT_TAR_GZ_WRITER_H

#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct TarEntry {
  std::string path;  // '/'-separated; directories may end in '/'
  std::string data;  // file contents (ignored for directories)
  char type = '0';   // '0' file, '5' directory, or any other flag for edge cases ('2', 'L', ...)
};

inline TarEntry tarFile(std::string path, std::string data) {
  return TarEntry{std::move(path), std::move(data), '0'};
}
inline TarEntry tarDirectory(std::string path) { return TarEntry{std::move(path), {}, '5'}; }

// A ustar archive: a 512-byte header per entry (name, mode, size and mtime in octal, checksum,
// type flag, magic "ustar" and version "00"), the data padded to 512 bytes, and two zero blocks.
// Paths longer than 100 bytes are split into the prefix field at a '/', as ustar does (the
// launcher ignores that field); a path that cannot be split is cut at 100 bytes.
std::string makeTar(const std::vector<TarEntry>& entries);

// A gzip stream (RFC 1952, zlib's deflate) of the data.
std::string gzip(std::string_view data, int level = 6);

}  // namespace standin

#endif
