// Fuzz target: token blocks and SIDs from arbitrary bytes never read outside the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/portable/security_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace drx::platform;
  std::vector<TokenSidEntry> groups;
  for (unsigned width : {4u, 8u}) {
    // A fixed address for the block, so the input can hold pointers into itself.
    const uint64_t base = width == 4 ? 0x00120000ull : 0x7f0000120000ull;
    if (decodeTokenGroups(data, size, base, width, groups)) {
      for (const TokenSidEntry& g : groups) {
        if (g.sidOffset + g.sidLength > size) __builtin_trap();
      }
    }
    TokenSidEntry user;
    if (decodeTokenUser(data, size, base, width, user) && user.sidOffset + user.sidLength > size)
      __builtin_trap();
  }
  (void)sidByteLength(data, size);
  return 0;
}
