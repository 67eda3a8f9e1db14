// Text rules of launcher properties and messages (portable).
#include "launcher/portable/message_text.h"

#include <climits>

namespace drx::launcher {

int decimalValue(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    ++text;
  }
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

std::string insertArgument(std::string_view text, const char* argument) {
  std::string result(text);
  if (!argument) return result;
  const size_t at = result.find("{0}");
  if (at != std::string::npos) result.replace(at, 3, argument);
  return result;
}

std::string_view cutToBuffer(std::string_view text, size_t bufferSize) {
  if (bufferSize == 0) return {};
  return text.size() < bufferSize ? text : text.substr(0, bufferSize - 1);
}

}  // namespace drx::launcher
