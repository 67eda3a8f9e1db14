// Replay driver for the configuration fuzz entry: files given as arguments, or built-in seeds and
// every prefix of them (cuts inside escapes, continuations and multi-byte characters).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void runOne(const std::string& text) {
  std::string copy(text);
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(copy.data()), copy.size());
}

const char* const kSeeds[] = {
    "# c\nmainClass = a\\tb\\u00e9\\ud83d\\ude00\nmsgWizardTitle: \xCE\xA9 x \\\n   y\n",
    "1016 = {0} \\\n\nwide.30000 = \\u12\nnarrow.20013 = \xE2\x82\xAC\n",
    "launcherFlavour = l\nincludedFileCount = 9\n! note\r\nvmParameters=-Xmx1g\\\r\n  -Da=b\r\n",
    "stdoutFile = \\\\\\=\\:\\#\\!\\ \nx\n=\n\\u\n",
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
    runOne(std::string(std::istreambuf_iterator<char>(in), {}));
  }
  if (argc > 1) return 0;
  size_t runs = 0;
  for (const char* seed : kSeeds) {
    std::string text(seed);
    for (size_t cut = 0; cut <= text.size(); ++cut, ++runs) runOne(text.substr(0, cut));
  }
  std::printf("replayed %zu inputs\n", runs);
  return 0;
}
