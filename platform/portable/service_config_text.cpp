// Account rewrite and dependency list encoding for service configuration changes.
#include "platform/portable/service_config_text.h"

namespace drx::platform {

std::u16string_view serviceAccountName(std::u16string_view account) {
  if (account == u"NT AUTHORITY\\System" || account == u"NT AUTHORITY\\LocalSystem") return u"LocalSystem";
  return account;
}

bool encodeDependencyList(std::u16string_view text, std::u16string& list) {
  // A NUL inside the text would end the list early for the service manager: the text ends there.
  text = text.substr(0, text.find(u'\0'));
  std::u16string encoded;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u',', start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) {
      // The piece, its NUL and the list's final NUL must still fit.
      if (encoded.size() + (end - start) + 2 > kDependencyListUnits) return false;
      encoded.append(text.substr(start, end - start));
      encoded.push_back(u'\0');
    }
    start = end + 1;
  }
  encoded.push_back(u'\0');
  list = std::move(encoded);
  return true;
}

}  // namespace drx::platform
