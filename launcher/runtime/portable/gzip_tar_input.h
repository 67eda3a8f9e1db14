// The tar loop's input over zlib's gzip file functions: the launcher's runtime archive reader,
// portable so the fuzz target drives exactly these calls.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>

#include "launcher/runtime/portable/tar_reader.h"

namespace drx::launcher {

// Owns the gzip stream; reads, skips and positions go through zlib unchanged, so its lazy seeks,
// transparent reads of data that is not gzip and end-of-stream rules reach the tar loop as they are.
class GzipTarInput final : public TarInput {
 public:
  explicit GzipTarInput(gzFile file) : file_(file) {}
  ~GzipTarInput() { gzclose_r(file_); }
  GzipTarInput(const GzipTarInput&) = delete;
  GzipTarInput& operator=(const GzipTarInput&) = delete;

  bool atEnd() override { return gzeof(file_) != 0; }
  int read(void* buffer, unsigned count) override { return gzread(file_, buffer, count); }
  bool skip(int64_t count) override { return gzseek(file_, static_cast<z_off_t>(count), SEEK_CUR) != -1; }
  int64_t position() override { return gztell(file_); }

 private:
  gzFile file_;
};

}  // namespace drx::launcher
