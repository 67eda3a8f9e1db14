// Stand-in unpack200.exe: "-r <packed> <target>" writes the jar packed by the test helpers and removes the
// packed file.
#include "pack_format.h"
#include "standin_host.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

int finish(const char* result, int code) {
  standin::report("unpack200.result", result);
  return code;
}

}  // namespace

int main() {
  std::wstring commandLine = GetCommandLineW();
  standin::report("unpack200.run", standin::narrow(commandLine));
  const standin::Config& config = standin::config();
  if (config.get("unpack200.fail") == "1") return finish("scripted-failure", 1);

  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &count);
  if (!argv) return finish("usage", 2);
  std::wstring option = count > 1 ? argv[1] : L"";
  std::wstring packed = count > 2 ? argv[2] : L"";
  std::wstring target = count > 3 ? argv[3] : L"";
  LocalFree(argv);
  if (count != 4 || option != L"-r") return finish("usage", 2);

  std::string data;
  if (!standin::readFile(packed, data)) return finish("missing", 1);
  std::string jar;
  if (!standin::unpackJar(data, jar)) return finish("not-packed", 1);
  if (!standin::writeFile(target, jar)) return finish("write-failed", 1);
  DeleteFileW(packed.c_str());
  return finish("ok", static_cast<int>(config.getInt("unpack200.exitCode", 0)));
}
