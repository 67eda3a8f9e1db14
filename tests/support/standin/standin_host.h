// Win32 services shared by the stand-in binaries: own location, scripting file, report appends.
#ifndef DRX_TESTS_STANDIN_HOST_H
#define DRX_TESTS_STANDIN_HOST_H

#include "standin_config.h"

#include <string>
#include <string_view>

namespace standin {

// Full path of the module (exe or DLL) that contains this code.
std::wstring ownModulePath();
std::wstring directoryOf(const std::wstring& path);

// standin.cfg beside the module or up to two directories above, else DRX_STANDIN_CONFIG.
const Config& config();

// Appends one record to the report (DRX_STANDIN_REPORT, else the config's "report"); no report
// configured means nothing is written. Each call opens, appends and closes, so records survive an
// abrupt ExitProcess and several processes can share one report.
void report(std::string_view key, std::u16string_view value);
void report(std::string_view key, std::string_view utf8Value);

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
bool readFile(const std::wstring& path, std::string& bytes);
bool writeFile(const std::wstring& path, std::string_view bytes);

}  // namespace standin

#endif
