// Fuzz target: decodes arbitrary bytes as registry text, multi-string and number data.
#include <cstdlib>

#include "platform/portable/registry_value_codec.h"

using namespace drx::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t length = textLength(data, size);
  if (length > size / 2) std::abort();
  for (const UnitRun& run : multiStringItems(data, size)) {
    if (2 * (run.offset + run.length) > size) std::abort();
    for (size_t i = 0; i < run.length; ++i) (void)unitAt(data, run.offset + i);
  }
  (void)dwordValue(data, size);
  return 0;
}
