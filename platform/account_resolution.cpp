// Resolving account names and SID texts to SIDs, and SIDs back to text.
#include "platform/account_resolution.h"

#include <sddl.h>

#include "platform/optional_functions.h"

namespace drx::platform {

namespace {

constexpr DWORD kLookupBufferSize = 8192;

using ConvertStringSidToSidFn = BOOL(WINAPI*)(LPCWSTR, PSID*);
using ConvertSidToStringSidFn = BOOL(WINAPI*)(PSID, LPWSTR*);

}  // namespace

LocalMemory resolveAccountSid(const wchar_t* account) {
  auto convert = asFunction<ConvertStringSidToSidFn>(advapiFunction("ConvertStringSidToSidW"));
  if (convert == nullptr || account == nullptr) return LocalMemory();
  PSID sid = nullptr;
  if (convert(account, &sid)) return LocalMemory(sid);

  LocalMemory block(LocalAlloc(LPTR, kLookupBufferSize));
  if (!block) return block;
  DWORD sidSize = kLookupBufferSize;
  std::wstring domain(kLookupBufferSize, L'\0');
  DWORD domainSize = kLookupBufferSize;
  SID_NAME_USE use;
  if (!LookupAccountNameW(nullptr, account, block.get(), &sidSize, domain.data(), &domainSize, &use))
    block.reset();
  return block;
}

bool sidToText(PSID sid, std::wstring& text) {
  auto convert = asFunction<ConvertSidToStringSidFn>(advapiFunction("ConvertSidToStringSidW"));
  LPWSTR converted = nullptr;
  if (convert == nullptr || !convert(sid, &converted)) return false;
  LocalMemory owner(converted);
  text = converted;
  return true;
}

}  // namespace drx::platform
