// Run-time binding of the six WinINet functions the download uses.
#include "launcher/runtime/wininet_binding.h"

#include "common/system_library.h"
#include "launcher/launcher_log.h"

namespace drx::launcher {
namespace {

WinInet bound;

template <class Function>
bool lookUp(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

}  // namespace

bool bindWinInet() {
  // Never by bare name: a setup program often runs from a downloads folder where anyone can
  // leave a wininet.dll beside it.
  HMODULE module = loadSystemLibrary(L"wininet.dll");
  if (!module) {
    logErrorLine("Could not load wininet.dll");
    return false;
  }
  WinInet functions;
  const bool complete = lookUp(module, "InternetOpenUrlA", functions.openUrl) &
                        lookUp(module, "InternetOpenA", functions.open) &
                        lookUp(module, "HttpQueryInfoA", functions.queryInfo) &
                        lookUp(module, "InternetAttemptConnect", functions.attemptConnect) &
                        lookUp(module, "InternetCloseHandle", functions.closeHandle) &
                        lookUp(module, "InternetReadFile", functions.readFile);
  if (!complete) {
    logErrorLine("Could not load wininet functions");
    return false;
  }
  bound = functions;
  return true;
}

const WinInet& winInet() { return bound; }

}  // namespace drx::launcher
