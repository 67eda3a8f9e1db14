// Version order and directory texts of the runtimes found under the vendors' keys (portable).
#include "launcher/jvm/vendor_runtimes.h"

namespace drx::launcher {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The next run of digits from at on, without its leading zeros; empty once the text is used up
// (and for a run of zeros, which is the number 0 all the same).
std::string_view nextNumber(std::string_view text, size_t& at) {
  while (at < text.size() && !isDigit(text[at])) ++at;
  while (at < text.size() && text[at] == '0') ++at;
  const size_t start = at;
  while (at < text.size() && isDigit(text[at])) ++at;
  return text.substr(start, at - start);
}

bool moreNumbers(std::string_view text, size_t at) {
  for (; at < text.size(); ++at) {
    if (isDigit(text[at])) return true;
  }
  return false;
}

}  // namespace

int compareVersionNumbers(std::string_view a, std::string_view b) {
  size_t atA = 0;
  size_t atB = 0;
  while (moreNumbers(a, atA) || moreNumbers(b, atB)) {
    const std::string_view x = nextNumber(a, atA);
    const std::string_view y = nextNumber(b, atB);
    // Without leading zeros the longer run is the greater number; equal lengths compare by digits,
    // so no version text can overflow an integer here.
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    const int digits = x.compare(y);
    if (digits != 0) return digits < 0 ? -1 : 1;
  }
  return 0;
}

size_t highestVersionIndex(const std::vector<VendorRuntime>& runtimes) {
  size_t best = runtimes.size();
  for (size_t i = 0; i < runtimes.size(); ++i) {
    if (best == runtimes.size() || compareVersionNumbers(runtimes[i].version, runtimes[best].version) > 0) best = i;
  }
  return best;
}

std::string trimInstallationDirectory(std::string directory) {
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  return directory;
}

}  // namespace drx::launcher
