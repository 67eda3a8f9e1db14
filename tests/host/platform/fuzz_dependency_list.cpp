// Fuzz target: any UTF-16 text encodes to a well-formed double-NUL list within its buffer, or is refused.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/portable/service_config_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text(size / 2, u'\0');
  if (!text.empty()) memcpy(text.data(), data, text.size() * 2);
  std::u16string list;
  if (!drx::platform::encodeDependencyList(text, list)) return 0;
  // Ends in its final NUL, fits the buffer, holds no commas and no empty piece before the end.
  if (list.empty() || list.back() != u'\0' || list.size() > drx::platform::kDependencyListUnits) abort();
  if (list.find(u',') != std::u16string::npos) abort();
  const size_t firstEmpty = list.find(std::u16string(2, u'\0'));
  if (list.size() > 1 && firstEmpty != list.size() - 2) abort();
  if (list.size() == 1 && list != std::u16string(1, u'\0')) abort();
  return 0;
}
