// Fuzz target: the command-line tokeniser on arbitrary narrow and 16-bit text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/portable/tokenise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  const bool complete = drx::launcher::tokenise<char>(text, arguments);
  // Arguments are pieces of the text without separators or the quotes themselves.
  size_t total = 0;
  for (const std::string& argument : arguments) total += argument.size();
  if (total > size) abort();
  // Without quotes the rule is plain splitting at spaces with empty pieces dropped.
  if (text.find('"') == std::string_view::npos && text.find('\'') == std::string_view::npos) {
    if (!complete) abort();
    std::vector<std::string> expected;
    std::string current;
    for (char c : text) {
      if (c == ' ') {
        if (!current.empty()) expected.push_back(current);
        current.clear();
      } else {
        current.push_back(c);
      }
    }
    if (!current.empty()) expected.push_back(current);
    if (expected != arguments) abort();
  }
  std::u16string wide(size / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  std::vector<std::u16string> wideArguments;
  drx::launcher::tokenise<char16_t>(wide, wideArguments);
  return 0;
}
