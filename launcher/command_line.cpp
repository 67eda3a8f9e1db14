// Wide and narrow command-line splitting over the portable tokeniser.
#include "launcher/command_line.h"

#include <windows.h>

#include "launcher/portable/message_text.h"
#include "launcher/portable/tokenise.h"

namespace drx::launcher {
namespace {

std::string toAnsi(const std::wstring& wide) {
  if (wide.empty()) return {};
  int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string narrow(length, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), length, nullptr, nullptr);
  return narrow;
}

}  // namespace

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
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length > 0) {
      wide.resize(length);
      MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
      wide.resize(length - 1);
      if (wide.size() > kTextBufferSize - 1) wide.resize(kTextBufferSize - 1);
    }
  }
  return tokeniseToNarrow(wide.c_str(), out);
}

}  // namespace drx::launcher
