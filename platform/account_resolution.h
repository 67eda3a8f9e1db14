// Account and SID helpers shared by the account natives and the access-list native.
#pragma once

#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace drx::platform {

// A SID text is taken as it is (ConvertStringSidToSidW); anything else is looked up as an
// account name. Empty when neither gives a SID. The SID is freed with LocalFree.
LocalMemory resolveAccountSid(const wchar_t* account);

// The SID in its "S-1-..." form through advapi32's ConvertSidToStringSidW; false when the
// function is missing or the conversion fails.
bool sidToText(PSID sid, std::wstring& text);

}  // namespace drx::platform
