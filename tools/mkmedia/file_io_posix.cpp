// POSIX file access: descriptor ownership, pread/pwrite based byte source and sink.
#include "tools/mkmedia/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace drx::mkmedia {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

int FileDescriptor::release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

void FileDescriptor::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

bool FileSource::open(const std::string& path, std::string& error) {
  fd_.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd_) {
    error = std::strerror(errno);
    return false;
  }
  struct stat info;
  if (fstat(fd_.get(), &info) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "not a regular file";
    return false;
  }
  size_ = info.st_size;
  return true;
}

int64_t FileSource::readAt(int64_t offset, void* buffer, size_t count) {
  for (;;) {
    ssize_t n = ::pread(fd_.get(), buffer, count, offset);
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
}

bool FileSink::create(const std::string& path, std::string& error) {
  fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0755));
  if (!fd_) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool FileSink::write(const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = ::write(fd_.get(), p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = std::strerror(errno);
      return false;
    }
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool FileSink::writeAt(int64_t offset, const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = ::pwrite(fd_.get(), p, count, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = std::strerror(errno);
      return false;
    }
    p += n;
    offset += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool FileSink::close(std::string& error) {
  int fd = fd_.release();
  if (fd >= 0 && ::close(fd) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

bool replaceFile(const std::string& from, const std::string& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

}  // namespace drx::mkmedia
