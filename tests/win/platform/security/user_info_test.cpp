// Win32UserInfo natives against wine's own token, account and LSA functions.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <mini_jni.h>

#include <string>
#include <vector>

#include "drxinst_library.h"
#include "probe_run.h"

namespace drxtest {
namespace {

using NoArgString = jstring(JNICALL*)(JNIEnv*, jclass);
using IsMember = jboolean(JNICALL*)(JNIEnv*, jclass, jint);
using ExecuteElevated = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring);
using NoArgInt = jint(JNICALL*)(JNIEnv*, jclass);
using Delete = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring);
using AccountName = jstring(JNICALL*)(JNIEnv*, jclass, jstring);
using SetRight = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jboolean);
using AddUser = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jstring, jstring, jboolean,
                                  jboolean);
using SetFlag = void(JNICALL*)(JNIEnv*, jclass, jboolean);

std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring processUserSid() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  BYTE buffer[512];
  DWORD size = 0;
  std::wstring text;
  LPWSTR converted;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &converted)) {
    text = converted;
    LocalFree(converted);
  }
  CloseHandle(token);
  return text;
}

// domain and name as LookupAccountSidW gives them.
std::pair<std::wstring, std::wstring> lookup(const wchar_t* sidText) {
  PSID sid;
  if (!ConvertStringSidToSidW(sidText, &sid)) return {};
  wchar_t name[256], domain[256];
  DWORD nameSize = 256, domainSize = 256;
  SID_NAME_USE use;
  std::pair<std::wstring, std::wstring> result;
  if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) result = {domain, name};
  LocalFree(sid);
  return result;
}

class UserInfo : public testing::Test {
 protected:
  void TearDown() override {
    setWindows95_(vm_.env(), nullptr, JNI_FALSE);
    setWindowsNT_(vm_.env(), nullptr, JNI_FALSE);
  }
  jstring text(const char16_t* s) { return s != nullptr ? vm_.newString(s) : nullptr; }
  std::u16string accountName(const std::u16string& sid) {
    jstring result = accountName_(vm_.env(), nullptr, vm_.newString(sid));
    return result == nullptr ? u"<null>" : vm_.string(result);
  }

  minijni::Jvm vm_;
  SetFlag setWindows95_ = exportOf<SetFlag>("Common", "setWindows95", 12);
  SetFlag setWindowsNT_ = exportOf<SetFlag>("Common", "setWindowsNT", 12);
  NoArgString userSid_ = exportOf<NoArgString>("Win32UserInfo", "getUserSid0", 8);
  IsMember isMember_ = exportOf<IsMember>("Win32UserInfo", "isMemberOfGroup0", 12);
  AccountName accountName_ = exportOf<AccountName>("Win32UserInfo", "getAccountName0", 12);
  SetRight setRight_ = exportOf<SetRight>("Win32UserInfo", "setLsaAccountRight0", 20);
};

TEST_F(UserInfo, UserSidIsTheTokenUser) {
  const std::wstring expected = processUserSid();
  ASSERT_FALSE(expected.empty());
  jstring sid = userSid_(vm_.env(), nullptr);
  ASSERT_NE(sid, nullptr);
  EXPECT_EQ(vm_.string(sid), u16(expected));
}

TEST_F(UserInfo, MembershipByEachRoute) {
  // wine's token: an administrator and a user, never SYSTEM-like groups such as Power Users.
  struct Row {
    bool windows95, windowsNT;
    jint rid;
    bool member;
  };
  const Row rows[] = {
      {false, false, 544, true}, {false, false, 545, true}, {false, false, 547, false},
      {false, true, 544, true},  {false, true, 545, true},  {false, true, 547, false},
      {false, true, 18, false},  // S-1-5-32-18 is no group of the token
      {true, false, 547, true},  // undecidable on Windows 95: counts as member
      {true, true, 18, true},
  };
  for (const Row& r : rows) {
    setWindows95_(vm_.env(), nullptr, r.windows95 ? JNI_TRUE : JNI_FALSE);
    setWindowsNT_(vm_.env(), nullptr, r.windowsNT ? JNI_TRUE : JNI_FALSE);
    EXPECT_EQ(isMember_(vm_.env(), nullptr, r.rid) != JNI_FALSE, r.member)
        << "95=" << r.windows95 << " NT=" << r.windowsNT << " rid=" << r.rid;
  }
}

// The group-list route reads the thread's token first and skips deny-only entries.
TEST_F(UserInfo, GroupListSkipsDenyOnlyAdministrators) {
  HANDLE process;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process));
  PSID admins;
  ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-32-544", &admins));
  SID_AND_ATTRIBUTES disable = {admins, 0};
  HANDLE restricted = nullptr, impersonation = nullptr;
  ASSERT_TRUE(CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted))
      << GetLastError();
  ASSERT_TRUE(DuplicateToken(restricted, SecurityImpersonation, &impersonation));
  // What the token itself says about the administrators entry.
  std::vector<BYTE> groups(4096);
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(impersonation, TokenGroups, groups.data(),
                                  static_cast<DWORD>(groups.size()), &size));
  const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
  DWORD attributes = 0;
  for (DWORD i = 0; i < list->GroupCount; ++i) {
    if (EqualSid(list->Groups[i].Sid, admins)) attributes = list->Groups[i].Attributes;
  }
  EXPECT_EQ(attributes & SE_GROUP_USE_FOR_DENY_ONLY, static_cast<DWORD>(SE_GROUP_USE_FOR_DENY_ONLY));
  ASSERT_TRUE(SetThreadToken(nullptr, impersonation));
  setWindowsNT_(vm_.env(), nullptr, JNI_TRUE);
  const bool member = isMember_(vm_.env(), nullptr, 544) != JNI_FALSE;
  const bool user = isMember_(vm_.env(), nullptr, 545) != JNI_FALSE;
  RevertToSelf();
  EXPECT_FALSE(member);
  EXPECT_TRUE(user);
  LocalFree(admins);
  CloseHandle(impersonation);
  CloseHandle(restricted);
  CloseHandle(process);
}

TEST_F(UserInfo, Windows95HasNoUserSid) {
  setWindows95_(vm_.env(), nullptr, JNI_TRUE);
  EXPECT_EQ(userSid_(vm_.env(), nullptr), nullptr);
  // Only the low byte of the flag counts.
  setWindows95_(vm_.env(), nullptr, static_cast<jboolean>(0x100 & 0xFF));
  EXPECT_NE(userSid_(vm_.env(), nullptr), nullptr);
}

TEST_F(UserInfo, AccountNames) {
  const auto admins = lookup(L"S-1-5-32-544");
  ASSERT_FALSE(admins.second.empty());
  const std::wstring self = processUserSid();
  const auto user = lookup(self.c_str());
  ASSERT_FALSE(user.first.empty());
  struct Row {
    std::u16string sid, name;
  };
  const Row rows[] = {
      // Fixed names, not the lookup's "NT AUTHORITY\SYSTEM".
      {u"S-1-5-18", u"NT AUTHORITY\\System"},
      {u"S-1-5-19", u"NT AUTHORITY\\LocalService"},
      {u"S-1-5-20", u"NT AUTHORITY\\NetworkService"},
      {u"S-1-5-32-544", u".\\" + u16(admins.second)},
      {u"S-1-1-0", u".\\Everyone"},  // empty domain
      {u16(self), u16(user.first + L"\\" + user.second)},
      {u"garbage", u" 1337"},
      {u"S-1-5-32-abc", u" 1337"},
      {u"S-1-5-21-1-2-3-4", u" 1332"},  // no such account
  };
  for (const Row& r : rows) EXPECT_EQ(accountName(r.sid), r.name) << minijni::utf16ToUtf8(r.sid);
}

TEST_F(UserInfo, ElevationTypeIsWinesFullToken) {
  EXPECT_EQ(exportOf<NoArgInt>("Win32UserInfo", "getElevationType0", 8)(vm_.env(), nullptr), 2);
}

// Systems of major version 5 have no elevation: wine reports Windows XP to the probe.
TEST(ElevationOnXp, IsZero) {
  HKEY key;
  const wchar_t* path = L"Software\\Wine\\AppDefaults\\drxinst_sec_probe.exe";
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t version[] = L"winxp64";
  RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof version);
  RegCloseKey(key);
  const std::string output = runProbe(L"elevation", 0);
  RegDeleteTreeW(HKEY_CURRENT_USER, path);
  EXPECT_EQ(output, "major=5 elevation=0\n");
}

TEST_F(UserInfo, ExecuteElevatedStartsTheProgram) {
  auto execute = exportOf<ExecuteElevated>("Win32UserInfo", "executeElevated0", 20);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring marker =
      std::wstring(temp) + L"drx-elevated-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  DeleteFileW(marker.c_str());
  const std::wstring parameters = L"/c echo started> \"" + marker + L"\"";
  EXPECT_TRUE(execute(vm_.env(), nullptr, text(u"cmd.exe"), vm_.newString(u16(parameters)), nullptr));
  bool appeared = false;
  for (int i = 0; i < 200 && !appeared; ++i) {
    appeared = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!appeared) Sleep(50);
  }
  EXPECT_TRUE(appeared) << "the program did not run";
  DeleteFileW(marker.c_str());
  EXPECT_FALSE(execute(vm_.env(), nullptr, text(u"C:\\drx-missing\\nothing.exe"), text(u""), text(u"C:\\")));
}

TEST_F(UserInfo, NetworkCallsReachWinesNetapi) {
  auto deleteUser = exportOf<Delete>("Win32UserInfo", "deleteUser0", 16);
  EXPECT_EQ(deleteUser(vm_.env(), nullptr, nullptr, text(u"drx-nobody-4711")), 2221);  // NERR_UserNotFound
  // wine keeps users in the process and cannot give the level-23 record: "3 2140".
  auto addUser = exportOf<AddUser>("Win32UserInfo", "addUser0", 36);
  jstring result = addUser(vm_.env(), nullptr, text(u"drx-user-4711"), text(u"pw"), nullptr, nullptr, nullptr,
                           JNI_FALSE, JNI_FALSE);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(vm_.string(result), u"3 2140");
  EXPECT_EQ(deleteUser(vm_.env(), nullptr, nullptr, text(u"drx-user-4711")), 0);
}

TEST_F(UserInfo, LsaRights) {
  struct Row {
    const char16_t* account;
    const char16_t* right;
    bool add;
    bool result;
  };
  const Row rows[] = {
      {u"S-1-5-32-545", u"SeServiceLogonRight", true, true},  // SID text taken as it is
      {u"Users", u"SeServiceLogonRight", true, true},         // looked up by name
      {u"S-1-5-32-545", u"SeServiceLogonRight", false, true},
      {u"S-1-5-32-545", nullptr, false, true},  // every right removed
      {u"drx-no-such-account-4711", u"SeServiceLogonRight", true, false},
      {nullptr, u"SeServiceLogonRight", true, false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(setRight_(vm_.env(), nullptr, text(r.account), text(r.right), r.add ? JNI_TRUE : JNI_FALSE) !=
                  JNI_FALSE,
              r.result)
        << (r.account ? minijni::utf16ToUtf8(r.account) : "null") << " add=" << r.add;
  }
  // A right too long for LSA's 16-bit counted string is refused, not wrapped.
  const std::u16string longRight(40000, u'R');
  EXPECT_FALSE(setRight_(vm_.env(), nullptr, text(u"S-1-5-32-545"), vm_.newString(longRight), JNI_TRUE));
}

}  // namespace
}  // namespace drxtest
