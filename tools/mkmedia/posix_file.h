// POSIX file access for mkmedia: an owned descriptor, a file byte source and a file byte sink.
#pragma once

#include <cstdint>
#include <string>

#include "common/payload/byte_source.h"

namespace drx::mkmedia {

// Owns a file descriptor; closes it on destruction.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release();
  void reset(int fd = -1);
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// A regular file opened for reading; its size is taken once at open.
class FileSource : public payload::ByteSource {
 public:
  // False with `error` (strerror text) if the file cannot be opened or is not a regular file.
  bool open(const std::string& path, std::string& error);
  int64_t size() const override { return size_; }
  int64_t readAt(int64_t offset, void* buffer, size_t count) override;

 private:
  FileDescriptor fd_;
  int64_t size_ = 0;
};

// A new file written front to back, with pwrite for the header patch.
class FileSink : public payload::ByteSink {
 public:
  // Creates `path` exclusively (mode 0755 so the media file is executable).
  bool create(const std::string& path, std::string& error);
  bool write(const void* data, size_t count) override;
  bool writeAt(int64_t offset, const void* data, size_t count) override;
  // Flushes and closes; false on a failure (a full disk may show only here).
  bool close(std::string& error);
  int lastErrno() const { return errno_; }

 private:
  FileDescriptor fd_;
  int errno_ = 0;
};

// Reads a small text file (the configuration) whole.
bool readTextFile(const std::string& path, std::string& text, std::string& error);

}  // namespace drx::mkmedia
