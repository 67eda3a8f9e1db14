// Terminal progress line for long builds and checks.
#include "tools/mkmedia/progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define DRX_STDERR_IS_TERMINAL() (_isatty(_fileno(stderr)) != 0)
#else
#include <unistd.h>
#define DRX_STDERR_IS_TERMINAL() (isatty(STDERR_FILENO) != 0)
#endif

namespace drx::mkmedia {

Progress::Progress(std::string label, int64_t total)
    : label_(std::move(label)),
      total_(total),
      enabled_(total >= (int64_t{64} << 20) && DRX_STDERR_IS_TERMINAL()) {}

Progress::~Progress() {
  if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\r%s 100%%\n", label_.c_str());
}

void Progress::update(int64_t done) {
  done_ = done;
  if (!enabled_ || total_ <= 0) return;
  int percent = static_cast<int>(done_ * 100 / total_);
  if (percent == shown_) return;
  shown_ = percent;
  std::fprintf(stderr, "\r%s %3d%%", label_.c_str(), percent);
  std::fflush(stderr);
}

}  // namespace drx::mkmedia
