// Percentage progress on standard error, shown only when it is a terminal and the work is large.
#pragma once

#include <cstdint>
#include <string>

namespace drx::mkmedia {

class Progress {
 public:
  // `label` precedes the percentage; nothing is shown for totals under 64 MiB or off a terminal.
  Progress(std::string label, int64_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  void advance(int64_t bytes) { update(done_ + bytes); }
  void update(int64_t done);

 private:
  std::string label_;
  int64_t total_;
  int64_t done_ = 0;
  int shown_ = -1;
  bool enabled_;
};

}  // namespace drx::mkmedia
