// Fuzz target: the tar loop reading through zlib's gzip file functions, as the launcher does,
// over an in-memory file that is either the input itself or the input gzip-compressed.
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "launcher/runtime/gzip_tar_input.h"
#include "tar_gz_writer.h"
#include "tests/host/launcher_runtime/memory_tar.h"

namespace {

using namespace drx::launcher;

// One memory-backed file for the whole run, rewritten for each input.
int memoryFile() {
  static const int fd = memfd_create("fuzz_tar_gzip", 0);
  return fd;
}

}  // namespace

// The first byte picks the form: odd compresses the rest (so mutations reach the tar loop),
// even hands the rest to gzdopen as the file (so they reach the gzip layer).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string file = (data[0] & 1) ? standin::gzip(rest, 1 + data[0] % 9) : std::string(rest);
  const int fd = memoryFile();
  if (fd < 0 || ftruncate(fd, 0) != 0) __builtin_trap();
  if (!file.empty() && pwrite(fd, file.data(), file.size(), 0) != static_cast<ssize_t>(file.size())) __builtin_trap();
  if (lseek(fd, 0, SEEK_SET) != 0) __builtin_trap();
  const int own = dup(fd);
  gzFile gz = gzdopen(own, "rb");
  if (!gz) {
    close(own);
    return 0;
  }
  GzipTarInput input(gz);
  test::MemoryTree tree;
  tree.tickStep = 150;
  untarEntries(input, tree, true, static_cast<int64_t>(file.size()));
  for (const auto& entry : tree.files) {
    std::string path;
    if (!tarEntryPath(entry.first, path) || path != entry.first) __builtin_trap();
  }
  for (int position : tree.positions) {
    if (position < 100 || position > 200) __builtin_trap();
  }
  return 0;
}
