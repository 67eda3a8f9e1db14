// ACLHandling.addACE on registry keys (wine keeps their lists while its server runs, so the
// entry is read back) and on directories (wine rebuilds file lists from the Unix mode, so only
// the call path is checked there).
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <mini_jni.h>

#include <string>
#include <vector>

#include "captured_stdout.h"
#include "drxinst_library.h"

namespace drxtest {
namespace {

using AddAce = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jboolean, jboolean, jboolean, jboolean, jboolean,
                                  jint, jstring);

struct Ace {
  std::wstring sid;
  DWORD mask;
  BYTE flags;
};

std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// The allow entries of an object's list, SIDs as text.
std::vector<Ace> allowEntries(const std::wstring& path, SE_OBJECT_TYPE kind) {
  std::vector<Ace> entries;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), kind, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                            &descriptor) != ERROR_SUCCESS) {
    return entries;
  }
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* raw;
    if (!GetAce(dacl, i, &raw)) continue;
    auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    LPWSTR text;
    if (!ConvertSidToStringSidW(&ace->SidStart, &text)) continue;
    entries.push_back({text, ace->Mask, ace->Header.AceFlags});
    LocalFree(text);
  }
  LocalFree(descriptor);
  return entries;
}

class AclTest : public testing::Test {
 protected:
  void SetUp() override {
    subKey_ = L"Software\\morvenic\\drxinst-acl-tests\\" + std::to_wstring(GetCurrentProcessId());
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    keyPath_ = L"CURRENT_USER\\" + subKey_;
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\morvenic\\drxinst-acl-tests"); }

  bool add(const std::wstring& path, bool registry, DWORD rights, jint principal,
           const char16_t* account = nullptr) {
    auto flag = [&](DWORD bit) { return (rights & bit) ? JNI_TRUE : JNI_FALSE; };
    return addAce_(vm_.env(), nullptr, vm_.newString(u16(path)), registry ? JNI_TRUE : JNI_FALSE,
                   flag(GENERIC_READ), flag(GENERIC_WRITE), flag(GENERIC_EXECUTE), flag(GENERIC_ALL),
                   principal, account != nullptr ? vm_.newString(account) : nullptr) != JNI_FALSE;
  }

  minijni::Jvm vm_;
  AddAce addAce_ = exportOf<AddAce>("ACLHandling", "addACE", 40);
  std::wstring subKey_;
  std::wstring keyPath_;
};

TEST_F(AclTest, RegistryKeyGetsOneInheritableEntryPerPrincipal) {
  struct Row {
    jint principal;
    const char16_t* account;
    DWORD rights;
    const wchar_t* sid;
  };
  const Row rows[] = {
      {1, nullptr, GENERIC_READ, L"S-1-5-11"},  // Authenticated Users
      {7, nullptr, GENERIC_WRITE, L"S-1-1-0"},  // any other code: Everyone
      {0, u"ignored", GENERIC_EXECUTE, L"S-1-1-0"},
      {3, u"S-1-5-32-545", GENERIC_READ | GENERIC_EXECUTE, L"S-1-5-32-545"},  // SID text as it is
      {3, u"Administrators", GENERIC_ALL, L"S-1-5-32-544"},                   // looked up by name
      {5, nullptr, GENERIC_READ, L"S-1-2-547"},  // authority 2 with the Power Users RID, kept as it was
  };
  int index = 0;
  for (const Row& r : rows) {
    // A key of its own per row: a grant for a SID that already has an entry merges into it.
    const std::wstring sub = subKey_ + L"\\row" + std::to_wstring(index++);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const std::wstring path = L"CURRENT_USER\\" + sub;
    CapturedStdout out;
    ASSERT_TRUE(add(path, true, r.rights, r.principal, r.account)) << r.principal;
    EXPECT_EQ(out.text(), "") << r.principal;
    bool found = false;
    for (const Ace& ace : allowEntries(path, SE_REGISTRY_KEY)) {
      found = found || (ace.sid == r.sid && ace.mask == r.rights &&
                        (ace.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERITED_ACE)) ==
                            (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
    }
    EXPECT_TRUE(found) << "no explicit inheritable entry for principal " << r.principal;
  }
}

TEST_F(AclTest, ExistingEntriesStay) {
  const size_t before = allowEntries(keyPath_, SE_REGISTRY_KEY).size();
  ASSERT_GT(before, 0u);
  ASSERT_TRUE(add(keyPath_, true, GENERIC_READ, 1));
  EXPECT_EQ(allowEntries(keyPath_, SE_REGISTRY_KEY).size(), before + 1);
}

TEST_F(AclTest, NoRightsStillSucceeds) {
  const size_t before = allowEntries(keyPath_, SE_REGISTRY_KEY).size();
  CapturedStdout out;
  EXPECT_TRUE(add(keyPath_, true, 0, 1));
  EXPECT_EQ(out.text(), "");
  bool emptyEntry = false;
  for (const Ace& ace : allowEntries(keyPath_, SE_REGISTRY_KEY))
    emptyEntry = emptyEntry || (ace.sid == L"S-1-5-11" && ace.mask == 0);
  EXPECT_TRUE(emptyEntry);
  EXPECT_EQ(allowEntries(keyPath_, SE_REGISTRY_KEY).size(), before + 1);
}

TEST_F(AclTest, DirectoryCallPathSucceeds) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring directory = std::wstring(temp) + L"drx-acl-" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(directory.c_str(), nullptr));
  CapturedStdout out;
  EXPECT_TRUE(add(directory, false, GENERIC_READ, 1));
  EXPECT_TRUE(add(directory, false, GENERIC_READ | GENERIC_WRITE, 3, u"S-1-5-32-545"));
  EXPECT_EQ(out.text(), "");
  RemoveDirectoryW(directory.c_str());
}

TEST_F(AclTest, FailuresReportAndLeaveNothing) {
  {
    CapturedStdout out;
    EXPECT_FALSE(add(keyPath_, true, GENERIC_READ, 3, u"drx-no-such-account-4711"));
    EXPECT_EQ(out.text(), "") << "an unknown account prints nothing";
  }
  {
    CapturedStdout out;
    EXPECT_FALSE(add(L"C:\\windows\\drx-missing-4711.txt", false, GENERIC_READ, 1));
    EXPECT_FALSE(add(L"C:\\drx-missing-4711\\file.txt", false, GENERIC_READ, 1));
    EXPECT_EQ(out.text(),
              "GetNamedSecurityInfo Error 2 C:\\windows\\drx-missing-4711.txt\n"
              "GetNamedSecurityInfo Error 3 C:\\drx-missing-4711\\file.txt\n");
  }
  {
    CapturedStdout out;
    EXPECT_FALSE(add(keyPath_ + L"\\missing", true, GENERIC_READ, 7));
    EXPECT_EQ(out.text(),
              "GetNamedSecurityInfo Error 2 " + minijni::utf16ToUtf8(u16(keyPath_)) + "\\missing\n");
  }
  {
    CapturedStdout out;
    EXPECT_FALSE(addAce_(vm_.env(), nullptr, nullptr, JNI_TRUE, JNI_TRUE, JNI_FALSE, JNI_FALSE, JNI_FALSE, 1,
                         nullptr));
    EXPECT_EQ(out.text(), "") << "a null path makes no call";
  }
}

}  // namespace
}  // namespace drxtest
