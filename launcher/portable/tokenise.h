// The launcher's own command-line splitting: spaces separate, '"' and '\'' quote, no escapes (portable).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// Appends the arguments of text to out. A quote starts at the first quote character when that
// comes before the next space; the argument is the text before the quote plus the quoted text.
// Returns false when a quote is never closed (the arguments appended so far are not to be used).
// Only spaces separate arguments; tabs are ordinary characters.
template <class Char>
bool tokenise(std::basic_string_view<Char> text, std::vector<std::basic_string<Char>>& out) {
  using View = std::basic_string_view<Char>;
  constexpr Char kSpace = Char(' ');
  constexpr Char kDoubleQuote = Char('"');
  constexpr Char kApostrophe = Char('\'');
  while (!text.empty()) {
    if (text.front() == kSpace) {
      text.remove_prefix(1);
      continue;
    }
    const size_t space = text.find(kSpace);
    const size_t doubleQuote = text.find(kDoubleQuote);
    const size_t apostrophe = text.find(kApostrophe);
    if (space != View::npos && space < doubleQuote && space < apostrophe) {
      out.emplace_back(text.substr(0, space));
      text.remove_prefix(space + 1);
      continue;
    }
    if (doubleQuote == View::npos && apostrophe == View::npos) {
      out.emplace_back(text);
      break;
    }
    const bool useDoubleQuote = doubleQuote < apostrophe;
    const size_t open = useDoubleQuote ? doubleQuote : apostrophe;
    const size_t close = text.find(useDoubleQuote ? kDoubleQuote : kApostrophe, open + 1);
    if (close == View::npos) return false;
    std::basic_string<Char> argument(text.substr(0, open));
    argument.append(text.substr(open + 1, close - open - 1));
    out.push_back(std::move(argument));
    text.remove_prefix(close + 1);
    if (!text.empty() && text.front() == kSpace) text.remove_prefix(1);
  }
  return true;
}

}  // namespace drx::launcher
