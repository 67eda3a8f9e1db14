// The token-function table of the account natives and the reading of the caller's token.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/unique_handle.h"

namespace drx::platform {

struct TokenFunctions {
  BOOL(WINAPI* allocateAndInitializeSid)
  (PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, PSID*) = nullptr;
  BOOL(WINAPI* equalSid)(PSID, PSID) = nullptr;
  BOOL(WINAPI* getTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD) = nullptr;
  BOOL(WINAPI* openProcessToken)(HANDLE, DWORD, PHANDLE) = nullptr;
  BOOL(WINAPI* openThreadToken)(HANDLE, DWORD, BOOL, PHANDLE) = nullptr;
  // Not looked up while the Windows NT flag is set: membership then comes from the group list.
  BOOL(WINAPI* checkTokenMembership)(HANDLE, PSID, PBOOL) = nullptr;
};

// Refills the process-wide table; null unless advapi32 and the first five functions exist.
const TokenFunctions* loadTokenFunctions();

// The thread's token, or the process's when the thread has none.
KernelHandle openCallerToken(const TokenFunctions& functions);

enum class TokenRead { Ok, SizeQueryFailed, ReadFailed };

// Sizes the information of the given class, then reads it into block.
TokenRead readTokenInformation(const TokenFunctions& functions, HANDLE token, TOKEN_INFORMATION_CLASS kind,
                               std::vector<uint8_t>& block);

// Releases SIDs made by AllocateAndInitializeSid.
struct AllocatedSidTraits {
  using pointer = PSID;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer sid) noexcept { FreeSid(sid); }
};
using AllocatedSid = UniqueHandle<AllocatedSidTraits>;

}  // namespace drx::platform
