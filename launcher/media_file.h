// The media file (the launcher with its payload) as a byte source, and the failures of its reads.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/payload/byte_source.h"
#include "common/payload/pe_layout.h"
#include "common/unique_handle.h"
#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// The media file, opened on first use and kept open for the process, shared for reading only
// (neither written, renamed nor deleted while the launcher runs). Null, with the failure logged,
// when the file cannot be opened.
HANDLE mediaFileHandle();

// Read-only access to the media file with 64-bit positions, through mediaFileHandle, starting at
// offset 0. One reader at a time: they share the handle's file pointer. A reader checks
// openFailure() before it reads.
class MediaFile : public payload::ByteSource {
 public:
  MediaFile();
  MediaFile(const MediaFile&) = delete;
  MediaFile& operator=(const MediaFile&) = delete;

  int64_t size() const override { return size_; }
  int64_t readAt(int64_t offset, void* buffer, size_t count) override;
  DWORD lastError() const { return lastError_; }
  RunFailure openFailure() const { return file_ ? RunFailure{} : failureOf(FailureKind::kMediaNotOpened); }

  // Sequential read at the current position (one ReadFile, as the copy loops need it).
  bool readNext(void* buffer, DWORD count, DWORD& read);
  bool seek(int64_t position);
  int64_t position() const { return position_; }

 private:
  HANDLE file_;
  int64_t size_ = 0;
  int64_t position_ = 0;
  DWORD lastError_ = 0;
};

// The end of the last section's raw data, with the launcher's log lines; a short read is the
// failure of the reader concerned. payloadStart is -1 for headers that do not describe a section
// (callers treat that as a missing payload).
RunFailure findPayloadStart(MediaFile& media, int64_t& payloadStart);

// For a read of `count` bytes at `offset` that came up short: the bytes that were there.
int64_t bytesAvailable(const MediaFile& media, int64_t offset, int64_t count);

}  // namespace drx::launcher
