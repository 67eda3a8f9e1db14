// Version order and directory texts of the runtimes found under the vendors' keys (portable).
#include "launcher/jvm/portable/vendor_runtimes.h"

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

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Registry key names compare without regard to case.
bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
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
    if (best == runtimes.size() || compareVersionNumbers(runtimes[i].version, runtimes[best].version) > 0)
      best = i;
  }
  return best;
}

bool isVendorProductKey(const VendorLayout& layout, std::string_view name) {
  const std::string_view prefix = layout.namePrefix;
  const std::string_view suffix = layout.nameSuffix;
  if (name.size() <= prefix.size() + suffix.size()) return false;
  if (!sameText(name.substr(0, prefix.size()), prefix)) return false;
  if (!sameText(name.substr(name.size() - suffix.size()), suffix)) return false;
  // "zulu-17-jre" is no development kit: its version part "17-jre" is more than digits and dots.
  const std::string_view version = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (!isDigit(version.front())) return false;
  for (char c : version) {
    if (!isDigit(c) && c != '.') return false;
  }
  return true;
}

std::string trimInstallationDirectory(std::string directory) {
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  return directory;
}

}  // namespace drx::launcher
