// Script and record of the fake netapi32.dll that stands in for wine's stubs in the account tests.
#pragma once

#include <windows.h>

// Statuses the fake answers with; all zero means success everywhere.
struct FakeNetScript {
  DWORD groupAdd = 0;
  DWORD groupGetInfo = 0;
  DWORD userAdd = 0;
  DWORD userAddParameterIndex = 0;
  DWORD userGetInfo = 0;
  DWORD addMembers = 0;
  DWORD userDel = 0;
  DWORD groupDel = 0;
  BOOL nullUserSid = FALSE;  // NetUserGetInfo(23) hands back a record without a SID
};

// The user SID the fake reports for level 23.
#define FAKE_NET_USER_SID L"S-1-5-21-1-2-3-1001"

using FakeNetSetScript = void(WINAPI*)(const FakeNetScript*);
// Each call as one line, e.g. "NetUserAdd level=1 name=alice priv=1 flags=1 comment=c home=- script=-".
using FakeNetCalls = const wchar_t*(WINAPI*)();
// Buffers handed out and not yet given back through NetApiBufferFree.
using FakeNetOutstanding = LONG(WINAPI*)();
