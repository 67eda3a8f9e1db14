// Corpus replay for the payload fuzz entry where libFuzzer is not available: runs each file given
// on the command line, or, without arguments, the hand-laid payload, every truncation of it and
// every single-bit flip of it.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/host/common/payload/golden_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Runs on an exact-size heap copy, so sanitizers see any read past the end.
void runOne(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> copy(bytes);
  LLVMFuzzerTestOneInput(copy.data(), copy.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    for (int i = 1; i < argc; ++i) {
      std::ifstream in(argv[i], std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[i]);
        return 1;
      }
      runOne(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    }
    return 0;
  }
  const std::vector<uint8_t> golden = drx::testing::goldenMedia();
  size_t runs = 0;
  for (size_t cut = 0; cut <= golden.size(); ++cut, ++runs) runOne({golden.begin(), golden.begin() + cut});
  for (size_t bit = 0; bit < golden.size() * 8; ++bit, ++runs) {
    std::vector<uint8_t> flipped = golden;
    flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    // Both as a bare payload (offset 0 reads garbage) and shifted so the payload starts at 0.
    runOne(flipped);
    runOne({flipped.begin() + drx::testing::kGoldenStart, flipped.end()});
  }
  std::printf("replayed %zu inputs\n", runs);
  return 0;
}
