// File access for mkmedia: a file byte source, a file byte sink and whole-file helpers (POSIX or Win32).
#pragma once

#include <cstdint>
#include <string>

#include "common/payload/byte_source.h"
#ifdef _WIN32
#include "common/unique_handle.h"
#endif

namespace drx::mkmedia {

#ifndef _WIN32
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
#endif

// Paths are UTF-8 on every system (converted to UTF-16 for Win32).

// A regular file opened for reading; its size is taken once at open.
class FileSource : public payload::ByteSource {
 public:
  // False with `error` (strerror text) if the file cannot be opened or is not a regular file.
  bool open(const std::string& path, std::string& error);
  int64_t size() const override { return size_; }
  int64_t readAt(int64_t offset, void* buffer, size_t count) override;

 private:
#ifdef _WIN32
  FileHandle file_;
#else
  FileDescriptor fd_;
#endif
  int64_t size_ = 0;
};

// A new file written front to back, with pwrite for the header patch.
class FileSink : public payload::ByteSink {
 public:
  // Creates `path` exclusively (on POSIX with mode 0755, so the media file is executable).
  bool create(const std::string& path, std::string& error);
  bool write(const void* data, size_t count) override;
  bool writeAt(int64_t offset, const void* data, size_t count) override;
  // Flushes and closes; false on a failure (a full disk may show only here).
  bool close(std::string& error);
  // Text of the last write failure.
  std::string lastError() const { return lastError_; }

 private:
#ifdef _WIN32
  FileHandle file_;
#else
  FileDescriptor fd_;
#endif
  std::string lastError_;
};

// Deletes a file if it exists (no error when it does not).
void removeFile(const std::string& path);
// Moves `from` over `to`, replacing it. False with `error` on failure.
bool replaceFile(const std::string& from, const std::string& to, std::string& error);

// Reads a small text file (the configuration) whole.
bool readTextFile(const std::string& path, std::string& text, std::string& error);

}  // namespace drx::mkmedia
