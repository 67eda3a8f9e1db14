// libFuzzer target: options-file text through the whole option assembly, includes included.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fake_vm_options_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input is split into two files that may include each other and themselves.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const size_t split = text.find('\x01');
  drx::launcher::testing::FakeVmOptionsHost host;
  host.defaultFile = "a";
  host.files["a"] = text.substr(0, split);
  host.files["b"] = split == std::string::npos ? "-include-options a\n" : text.substr(split + 1);
  host.environment = {{"X", "${X}${X}"}, {"Path", "-include-options b"}};
  host.existing = {"C:\\app\\lib"};
  host.listings["C:\\app\\lib|jar"] = {"x.jar"};
  drx::launcher::VmOptionsInput input;
  input.vmParameterElements = {"-include-options", "b"};
  input.commandLine = {"setup.exe", "-J-include-options a"};
  input.jvmArgumentPassthrough = true;
  input.classPath = "S1lib;E0X;A0${Path}";
  input.temporaryDirectory = "C:\\tmp";
  drx::launcher::buildVmOptionList(input, host);
  return 0;
}
