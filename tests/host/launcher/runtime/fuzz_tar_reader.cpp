// Fuzz target: the runtime archive's tar loop over arbitrary decompressed bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/host/launcher/runtime/memory_tar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace drx::launcher;
  test::MemoryInput input(std::string(reinterpret_cast<const char*>(data), size));
  test::MemoryTree tree;
  tree.tickStep = 150;
  const UntarOutcome outcome = untarEntries(input, tree, true, static_cast<int64_t>(size));
  for (const auto& file : tree.files) {
    // Whatever the bytes, nothing may be named outside the target.
    std::string path;
    if (!tarEntryPath(file.first, path) || path != file.first) __builtin_trap();
  }
  for (int position : tree.positions) {
    if (position < 100 || position > 200) __builtin_trap();
  }
  (void)outcome;
  return 0;
}
