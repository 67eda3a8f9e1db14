// Test doubles for the tar loop: an archive in memory that ends like a gzip stream, and a target
// directory tree in memory that records log lines and bar positions.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/runtime/portable/tar_reader.h"

namespace drx::launcher::test {

// End of stream is reported, as by gzeof, only once a read asked for more than was left.
class MemoryInput final : public TarInput {
 public:
  explicit MemoryInput(std::string data) : data_(std::move(data)) {}
  bool atEnd() override { return ended_; }
  int read(void* buffer, unsigned count) override {
    if (failAt_ >= 0 && position_ >= static_cast<size_t>(failAt_)) return -1;
    const size_t left = data_.size() - position_;
    const size_t taken = count < left ? count : left;
    std::memcpy(buffer, data_.data() + position_, taken);
    position_ += taken;
    if (taken < count) ended_ = true;
    return static_cast<int>(taken);
  }
  bool skip(int64_t count) override {
    // A forward seek in a gzip stream is lazy: past the end it succeeds and the next read ends.
    position_ = std::min(data_.size(), position_ + static_cast<size_t>(count));
    return true;
  }
  int64_t position() override { return static_cast<int64_t>(position_); }
  void failReadsFrom(long offset) { failAt_ = offset; }

 private:
  std::string data_;
  size_t position_ = 0;
  bool ended_ = false;
  long failAt_ = -1;
};

class MemoryTree final : public TarTarget {
 public:
  class File final : public TarOutputFile {
   public:
    explicit File(std::string& content) : content_(content) {}
    size_t write(const void* data, size_t count) override {
      content_.append(static_cast<const char*>(data), count);
      return count;
    }
    bool failed() override { return false; }

   private:
    std::string& content_;
  };

  // Like the file system: a file can only be made in a directory that exists already.
  void createDirectory(const std::string& name) override {
    std::string trimmed = name;
    while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    directories.insert(trimmed);
  }
  std::unique_ptr<TarOutputFile> createFile(const std::string& name) override {
    const size_t slash = name.rfind('\\');
    if (slash != std::string::npos && !directories.count(name.substr(0, slash))) return nullptr;
    files[name].clear();
    return std::unique_ptr<TarOutputFile>(new File(files[name]));
  }
  void log(bool error, const std::string& line) override { lines.push_back((error ? "ERROR: " : "") + line); }
  uint32_t ticks() override { return now += tickStep; }
  void setProgress(int position) override { positions.push_back(position); }

  bool logged(const std::string& line) const {
    for (const std::string& each : lines) {
      if (each == line) return true;
    }
    return false;
  }

  std::set<std::string> directories{"."};
  std::map<std::string, std::string> files;
  std::vector<std::string> lines;
  std::vector<int> positions;
  uint32_t now = 1000;
  uint32_t tickStep = 0;
};

}  // namespace drx::launcher::test
