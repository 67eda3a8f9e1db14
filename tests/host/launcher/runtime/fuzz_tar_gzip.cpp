// Fuzz target: the tar loop reading through zlib's gzip file functions, as the launcher does,
// over an in-memory file that is either the input itself or the input gzip-compressed.
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "launcher/runtime/portable/gzip_tar_input.h"
#include "tests/host/launcher/runtime/memory_tar.h"

namespace {

using namespace drx::launcher;

// One memory-backed file for the whole run, rewritten for each input.
int memoryFile() {
  static const int fd = memfd_create("fuzz_tar_gzip", 0);
  return fd;
}

// One deflate stream for the whole run, reset for each input: setting up a stream (about 270 KB
// of state, zeroed and poisoned by the sanitizer) cost more than the tar loop it feeds. A reset
// stream given its level before any data writes the same bytes as a new one of that level.
class Compressor {
 public:
  Compressor() {
    if (deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      __builtin_trap();
  }
  std::string_view gzip(std::string_view data, int level) {
    if (deflateReset(&stream_) != Z_OK || deflateParams(&stream_, level, Z_DEFAULT_STRATEGY) != Z_OK)
      __builtin_trap();
    out_.resize(deflateBound(&stream_, static_cast<uLong>(data.size())) + 64);
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream_.avail_in = static_cast<uInt>(data.size());
    stream_.next_out = reinterpret_cast<Bytef*>(out_.data());
    stream_.avail_out = static_cast<uInt>(out_.size());
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) __builtin_trap();
    return std::string_view(out_.data(), stream_.total_out);
  }

 private:
  z_stream stream_{};
  std::string out_;
};

Compressor& compressor() {
  static Compressor* instance = new Compressor;
  return *instance;
}

}  // namespace

// The first byte picks the form: odd compresses the rest (so mutations reach the tar loop),
// even hands the rest to gzdopen as the file (so they reach the gzip layer).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string_view file = (data[0] & 1) ? compressor().gzip(rest, 1 + data[0] % 9) : rest;
  const int fd = memoryFile();
  if (fd < 0 || ftruncate(fd, 0) != 0) __builtin_trap();
  if (!file.empty() && pwrite(fd, file.data(), file.size(), 0) != static_cast<ssize_t>(file.size()))
    __builtin_trap();
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
