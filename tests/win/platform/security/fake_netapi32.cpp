// A fake netapi32.dll: answers the user and group calls with scripted statuses and records
// what it was asked, so every result row of the account natives can be reached under wine.
#include <windows.h>
#include <lm.h>

#include <cstdio>
#include <string>

#include "fake_netapi32.h"

namespace {

FakeNetScript script;
std::wstring calls;
LONG outstanding = 0;

std::wstring show(LPCWSTR text) { return text != nullptr ? std::wstring(text) : std::wstring(L"-"); }

void record(const std::wstring& line) {
  calls += line;
  calls += L'\n';
}

LPBYTE allocate(size_t size) {
  ++outstanding;
  return static_cast<LPBYTE>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
}

}  // namespace

extern "C" {

__declspec(dllexport) void WINAPI fakeNetSetScript(const FakeNetScript* next) {
  script = *next;
  calls.clear();
}

__declspec(dllexport) const wchar_t* WINAPI fakeNetCalls() { return calls.c_str(); }

__declspec(dllexport) LONG WINAPI fakeNetOutstanding() { return outstanding; }

__declspec(dllexport) NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
  if (buffer == nullptr) return NERR_Success;
  --outstanding;
  HeapFree(GetProcessHeap(), 0, buffer);
  return NERR_Success;
}

__declspec(dllexport) NET_API_STATUS WINAPI
    NetLocalGroupAdd(LPCWSTR server, DWORD level, LPBYTE buffer, LPDWORD error) {
  const auto* info = reinterpret_cast<const LOCALGROUP_INFO_1*>(buffer);
  record(L"NetLocalGroupAdd server=" + show(server) + L" level=" + std::to_wstring(level) + L" name=" +
         show(info->lgrpi1_name) + L" comment=" + show(info->lgrpi1_comment) + (error ? L" error=set" : L""));
  return script.groupAdd;
}

__declspec(dllexport) NET_API_STATUS WINAPI
    NetLocalGroupGetInfo(LPCWSTR server, LPCWSTR group, DWORD level, LPBYTE* buffer) {
  record(L"NetLocalGroupGetInfo server=" + show(server) + L" name=" + show(group) + L" level=" +
         std::to_wstring(level));
  *buffer = nullptr;
  if (script.groupGetInfo != NERR_Success) return script.groupGetInfo;
  *buffer = allocate(sizeof(LOCALGROUP_INFO_1));
  return NERR_Success;
}

__declspec(dllexport) NET_API_STATUS WINAPI
    NetUserAdd(LPCWSTR server, DWORD level, LPBYTE buffer, LPDWORD parameterIndex) {
  const auto* user = reinterpret_cast<const USER_INFO_1*>(buffer);
  record(L"NetUserAdd server=" + show(server) + L" level=" + std::to_wstring(level) + L" name=" +
         show(user->usri1_name) + L" password=" + show(user->usri1_password) + L" priv=" +
         std::to_wstring(user->usri1_priv) + L" flags=" + std::to_wstring(user->usri1_flags) + L" comment=" +
         show(user->usri1_comment) + L" home=" + show(user->usri1_home_dir) + L" script=" +
         show(user->usri1_script_path));
  if (parameterIndex != nullptr) *parameterIndex = script.userAddParameterIndex;
  return script.userAdd;
}

__declspec(dllexport) NET_API_STATUS WINAPI
    NetUserGetInfo(LPCWSTR server, LPCWSTR user, DWORD level, LPBYTE* buffer) {
  record(L"NetUserGetInfo server=" + show(server) + L" name=" + show(user) + L" level=" +
         std::to_wstring(level));
  *buffer = nullptr;
  if (script.userGetInfo != NERR_Success) return script.userGetInfo;
  // One block: the record, then S-1-5-21-1-2-3-1001 that it points to.
  static const BYTE kSid[] = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0,    0, 1, 0,
                              0, 0, 2, 0, 0, 0, 3, 0, 0,  0, 0xE9, 3, 0, 0};
  LPBYTE block = allocate(sizeof(USER_INFO_23) + sizeof kSid);
  auto* info = reinterpret_cast<USER_INFO_23*>(block);
  memcpy(block + sizeof(USER_INFO_23), kSid, sizeof kSid);
  info->usri23_user_sid = script.nullUserSid ? nullptr : block + sizeof(USER_INFO_23);
  *buffer = block;
  return NERR_Success;
}

__declspec(dllexport) NET_API_STATUS WINAPI
    NetLocalGroupAddMembers(LPCWSTR server, LPCWSTR group, DWORD level, LPBYTE buffer, DWORD count) {
  const auto* member = reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_0*>(buffer);
  const BYTE* sid = static_cast<const BYTE*>(member->lgrmi0_sid);
  // The member's SID is checked by its last sub-authority (1001 for the fake user).
  const DWORD rid = sid != nullptr ? *reinterpret_cast<const DWORD*>(sid + 8 + 4 * (sid[1] - 1)) : 0;
  record(L"NetLocalGroupAddMembers server=" + show(server) + L" name=" + show(group) + L" level=" +
         std::to_wstring(level) + L" count=" + std::to_wstring(count) + L" rid=" + std::to_wstring(rid));
  return script.addMembers;
}

__declspec(dllexport) NET_API_STATUS WINAPI NetUserDel(LPCWSTR server, LPCWSTR user) {
  record(L"NetUserDel server=" + show(server) + L" name=" + show(user));
  return script.userDel;
}

__declspec(dllexport) NET_API_STATUS WINAPI NetLocalGroupDel(LPCWSTR server, LPCWSTR group) {
  record(L"NetLocalGroupDel server=" + show(server) + L" name=" + show(group));
  return script.groupDel;
}

}  // extern "C"
