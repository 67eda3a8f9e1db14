// Token-function table, caller's token and token information reads.
#include "platform/token_functions.h"

#include "platform/optional_functions.h"
#include "platform/platform_flags.h"

namespace drx::platform {

const TokenFunctions* loadTokenFunctions() {
  static TokenFunctions table;
  if (GetModuleHandleW(L"advapi32.dll") == nullptr) return nullptr;
  table.allocateAndInitializeSid =
      asFunction<decltype(table.allocateAndInitializeSid)>(advapiFunction("AllocateAndInitializeSid"));
  table.equalSid = asFunction<decltype(table.equalSid)>(advapiFunction("EqualSid"));
  table.getTokenInformation =
      asFunction<decltype(table.getTokenInformation)>(advapiFunction("GetTokenInformation"));
  table.openProcessToken = asFunction<decltype(table.openProcessToken)>(advapiFunction("OpenProcessToken"));
  table.openThreadToken = asFunction<decltype(table.openThreadToken)>(advapiFunction("OpenThreadToken"));
  table.checkTokenMembership =
      platformFlags().windowsNT
          ? nullptr
          : asFunction<decltype(table.checkTokenMembership)>(advapiFunction("CheckTokenMembership"));
  const bool complete = table.allocateAndInitializeSid && table.equalSid && table.getTokenInformation &&
                        table.openProcessToken && table.openThreadToken;
  return complete ? &table : nullptr;
}

KernelHandle openCallerToken(const TokenFunctions& functions) {
  KernelHandle token;
  if (!functions.openThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
    token.dropWithoutClosing();
    if (!functions.openProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
      token.dropWithoutClosing();
  }
  return token;
}

TokenRead readTokenInformation(const TokenFunctions& functions, HANDLE token, TOKEN_INFORMATION_CLASS kind,
                               std::vector<uint8_t>& block) {
  DWORD size = 0;
  if (!functions.getTokenInformation(token, kind, nullptr, 0, &size) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return TokenRead::SizeQueryFailed;
  }
  if (size == 0) return TokenRead::SizeQueryFailed;
  block.assign(size, 0);
  if (!functions.getTokenInformation(token, kind, block.data(), size, &size)) return TokenRead::ReadFailed;
  block.resize(size < block.size() ? size : block.size());
  return TokenRead::Ok;
}

}  // namespace drx::platform
