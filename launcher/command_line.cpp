// Wide and narrow command-line splitting over the portable tokeniser.
#include "launcher/command_line.h"

#include <windows.h>

#include "common/code_page_text.h"
#include "launcher/portable/message_text.h"
#include "launcher/portable/tokenise.h"

namespace drx::launcher {

bool tokeniseWide(const wchar_t* text, std::vector<std::wstring>& out) {
  return tokenise<wchar_t>(text ? std::wstring_view(text) : std::wstring_view(), out);
}

bool tokeniseToNarrow(const wchar_t* text, std::vector<std::string>& out) {
  std::vector<std::wstring> wide;
  const bool complete = tokeniseWide(text, wide);
  for (const std::wstring& argument : wide) out.push_back(toAnsi(argument));
  return complete;
}

bool tokeniseNarrow(const char* text, std::vector<std::string>& out) {
  std::wstring wide;
  if (text && *text) {
    // The conversion buffer holds kTextBufferSize characters with the terminator: longer texts are cut.
    wide = toWide(text);
    if (wide.size() > kTextBufferSize - 1) wide.resize(kTextBufferSize - 1);
  }
  return tokeniseToNarrow(wide.c_str(), out);
}

}  // namespace drx::launcher
