// mkmedia: builds media files from a launcher stub and a configuration, and inspects them.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mkmedia/command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "tools/mkmedia/text_encoding.h"

namespace {

// Output is UTF-8: let the console show it as such for the life of the program.
class Utf8Console {
 public:
  Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
  ~Utf8Console() {
    if (previous_ != 0) SetConsoleOutputCP(previous_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT previous_;
};

}  // namespace
#endif

namespace {

int run(const std::vector<std::string>& args) {
  drx::mkmedia::Command command;
  std::string error;
  if (!drx::mkmedia::parseCommandLine(args, command, error)) {
    std::fprintf(stderr, "mkmedia: %s\n%s", error.c_str(), drx::mkmedia::kUsage);
    return 1;
  }
  return drx::mkmedia::runCommand(command);
}

}  // namespace

#ifdef _WIN32
// Arguments arrive as UTF-16 and are handled as UTF-8 inside.
int wmain(int argc, wchar_t** argv) {
  Utf8Console console;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg(argv[i]);
    args.push_back(drx::mkmedia::utf16ToUtf8(std::u16string(arg.begin(), arg.end())));
  }
  return run(args);
}
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
