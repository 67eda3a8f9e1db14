// One log line in memory: printf-style formatting of any length and text-mode line ends.
#include "launcher/portable/log_line_text.h"

#include "common/format_text.h"

namespace drx::launcher {
namespace {

// Most lines fit at the first try; a longer one is formatted once more at its full size.
constexpr size_t kFirstTry = 240;

}  // namespace

void appendFormattedV(std::string& out, const char* format, va_list arguments) {
  const size_t start = out.size();
  va_list again;
  va_copy(again, arguments);
  out.resize(start + kFirstTry);
  // Writing the terminator at out[size()] is allowed: it is the string's own terminator slot.
  const int length = formatTextV(&out[start], kFirstTry + 1, format, arguments);
  if (length < 0) {
    out.resize(start);
  } else if (static_cast<size_t>(length) <= kFirstTry) {
    out.resize(start + static_cast<size_t>(length));
  } else {
    out.resize(start + static_cast<size_t>(length));
    formatTextV(&out[start], static_cast<size_t>(length) + 1, format, again);
  }
  va_end(again);
}

void appendFormatted(std::string& out, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  appendFormattedV(out, format, arguments);
  va_end(arguments);
}

void finishTextModeLine(std::string& line) {
  size_t lineFeeds = 0;
  for (char c : line) lineFeeds += c == '\n';
  size_t from = line.size();
  line.resize(line.size() + lineFeeds + 2);
  size_t to = line.size();
  line[--to] = '\n';
  line[--to] = '\r';
  // From the back, so that every byte moves once and nothing is overwritten before it moved.
  while (from > 0) {
    const char c = line[--from];
    line[--to] = c;
    if (c == '\n') line[--to] = '\r';
  }
}

}  // namespace drx::launcher
