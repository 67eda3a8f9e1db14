// libFuzzer target: options-file text through the whole option assembly, includes included.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fake_vm_options_host.h"

namespace {

// The fixed part of the launcher is made once: building its maps and strings for every input,
// each allocation recorded by the sanitizer, cost as much as the assembly under test.
class FuzzHost final : public drx::launcher::testing::FakeVmOptionsHost {
 public:
  FuzzHost() {
    defaultFile = "a";
    environment = {{"X", "${X}${X}"}, {"Path", "-include-options b"}};
    for (const auto& [name, value] : environment) entries_.push_back({name, value});
    existing = {"C:\\app\\lib"};
    listings["C:\\app\\lib|jar"] = {"x.jar"};
  }
  void expand(std::string& text) override { drx::launcher::expandVariables(text, values, entries_, nullptr); }
  void prepare(const std::string& text) {
    // The input is split into two files that may include each other and themselves.
    const size_t split = text.find('\x01');
    files["a"] = text.substr(0, split);
    files["b"] = split == std::string::npos ? "-include-options a\n" : text.substr(split + 1);
  }
  // Whatever one input allocated is freed before it ends: libFuzzer counts mallocs against frees
  // per input and answers every difference with a leak scan of the whole heap, which cost a fifth
  // of the run while the texts and log lines were only freed by the next input.
  void release() {
    std::string().swap(files["a"]);
    std::string().swap(files["b"]);
    std::vector<std::string>().swap(logLines);
    std::vector<std::string>().swap(errorLines);
  }

 private:
  std::vector<drx::launcher::EnvironmentEntry> entries_;
};

FuzzHost& host() {
  static FuzzHost* instance = new FuzzHost;
  return *instance;
}

const drx::launcher::VmOptionsInput& input() {
  static const drx::launcher::VmOptionsInput* instance = [] {
    auto* made = new drx::launcher::VmOptionsInput;
    made->vmParameterElements = {"-include-options", "b"};
    made->commandLine = {"setup.exe", "-J-include-options a"};
    made->jvmArgumentPassthrough = true;
    made->classPath = "S1lib;E0X;A0${Path}";
    made->temporaryDirectory = "C:\\tmp";
    return made;
  }();
  return *instance;
}

}  // namespace

// AddressSanitizer's defaults suit a program, not a loop that runs thousands of inputs a second:
// every fresh allocation came from a 256 MB quarantine of cold pages and had its first 4 KB filled
// with a pattern: more than half of the run. With 16 MB a freed chunk still stays poisoned for the
// next 16 MB of frees, so a use after free soon after the free, as within one input, is caught.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=16:thread_local_quarantine_size_kb=64:max_malloc_fill_size=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host().prepare(std::string(reinterpret_cast<const char*>(data), size));
  drx::launcher::buildVmOptionList(input(), host());
  host().release();
  return 0;
}
