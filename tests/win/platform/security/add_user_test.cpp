// Local users and groups through a fake netapi32.dll that the test loads first (with
// WINEDLLOVERRIDES netapi32=n), so every row of addUser0's results can be produced.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <string>

#include "drxinst_library.h"
#include "fake_netapi32.h"

namespace drxtest {
namespace {

using AddUser = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jstring, jstring, jboolean,
                                  jboolean);
using Delete = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring);

std::wstring besideProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path, length);
  full.resize(full.find_last_of(L'\\') + 1);
  return full + name;
}

class FakeNetapi : public testing::Test {
 protected:
  static void SetUpTestSuite() { fake_ = LoadLibraryW(besideProgram(L"netapi32.dll").c_str()); }

  void SetUp() override {
    ASSERT_NE(fake_, nullptr);
    // drxinst must find this module, not wine's builtin, when it asks for netapi32.dll.
    ASSERT_EQ(GetModuleHandleW(L"netapi32.dll"), fake_);
    ASSERT_NE(GetProcAddress(fake_, "fakeNetSetScript"), nullptr) << "the builtin netapi32 was loaded";
    setScript_ = fakeFunction<FakeNetSetScript>("fakeNetSetScript");
    calls_ = fakeFunction<FakeNetCalls>("fakeNetCalls");
    outstanding_ = fakeFunction<FakeNetOutstanding>("fakeNetOutstanding");
  }

  template <class Function>
  static Function fakeFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(fake_, name)));
  }
  void script(const FakeNetScript& s) { setScript_(&s); }
  std::wstring calls() { return calls_(); }

  jstring text(const char16_t* s) { return s != nullptr ? vm_.newString(s) : nullptr; }

  // addUser0("alice", "pw", comment, group, "members", createGroup, failIfExists); "<null>" for null.
  std::u16string addUser(const char16_t* group, bool create, bool failIfExists,
                         const char16_t* comment = u"c") {
    jstring result =
        addUser_(vm_.env(), nullptr, text(u"alice"), text(u"pw"), text(comment), text(group),
                 text(u"members"), create ? JNI_TRUE : JNI_FALSE, failIfExists ? JNI_TRUE : JNI_FALSE);
    return result == nullptr ? u"<null>" : vm_.string(result);
  }

  static HMODULE fake_;
  FakeNetSetScript setScript_ = nullptr;
  FakeNetCalls calls_ = nullptr;
  FakeNetOutstanding outstanding_ = nullptr;
  minijni::Jvm vm_;
  AddUser addUser_ = exportOf<AddUser>("Win32UserInfo", "addUser0", 36);
};

HMODULE FakeNetapi::fake_ = nullptr;

constexpr wchar_t kUserAdd[] =
    L"NetUserAdd server=- level=1 name=alice password=pw priv=1 flags=1 comment=c home=- script=-\n"
    L"NetUserGetInfo server=- name=alice level=23\n";

TEST_F(FakeNetapi, EveryResultRow) {
  struct Row {
    const char* what;
    FakeNetScript script;
    const char16_t* group;
    bool create, failIfExists;
    const char16_t* result;
    std::wstring calls;
  };
  const std::wstring groupAdd = L"NetLocalGroupAdd server=- level=1 name=Users comment=members\n";
  const std::wstring groupInfo = L"NetLocalGroupGetInfo server=- name=Users level=1\n";
  const std::wstring addMember = L"NetLocalGroupAddMembers server=- name=Users level=0 count=1 rid=1001\n";
  const Row rows[] = {
      {"no group", {}, nullptr, false, false, u"S-1-5-21-1-2-3-1001", kUserAdd},
      {"group created",
       {},
       u"Users",
       true,
       false,
       u"S-1-5-21-1-2-3-1001 S-1-5-32-545 true",
       groupAdd + kUserAdd + addMember},
      {"group exists, used",
       {2223},
       u"Users",
       true,
       false,
       u"S-1-5-21-1-2-3-1001 S-1-5-32-545 false",
       groupAdd + kUserAdd + addMember},
      {"alias exists, used",
       {1379},
       u"Users",
       true,
       false,
       u"S-1-5-21-1-2-3-1001 S-1-5-32-545 false",
       groupAdd + kUserAdd + addMember},
      {"group exists, refused", {2223}, u"Users", true, true, u"1 2223", groupAdd},
      {"alias exists, refused", {1379}, u"Users", true, true, u"1 1379", groupAdd},
      {"group creation denied", {5}, u"Users", true, false, u"1 5", groupAdd},
      {"existing group checked",
       {},
       u"Users",
       false,
       false,
       u"S-1-5-21-1-2-3-1001 S-1-5-32-545 false",
       groupInfo + kUserAdd + addMember},
      {"group missing", {0, 2220}, u"Users", false, false, u"6 2220", groupInfo},
      {"user exists",
       {0, 0, 2224, 1},
       nullptr,
       false,
       false,
       u"2 2224 1",
       L"NetUserAdd server=- level=1 name=alice password=pw priv=1 flags=1 comment=c home=- script=-\n"},
      {"user read back fails", {0, 0, 0, 0, 2221}, nullptr, false, false, u"3 2221", kUserAdd},
      {"membership fails",
       {0, 0, 0, 0, 0, 1387},
       u"Users",
       true,
       false,
       u"4 1387",
       groupAdd + kUserAdd + addMember},
      {"already a member",
       {0, 0, 0, 0, 0, 1378},
       u"Users",
       true,
       false,
       u"S-1-5-21-1-2-3-1001 S-1-5-32-545 true",
       groupAdd + kUserAdd + addMember},
      {"no SID to convert", {0, 0, 0, 0, 0, 0, 0, 0, TRUE}, nullptr, false, false, u"5", kUserAdd},
  };
  for (const Row& r : rows) {
    script(r.script);
    EXPECT_EQ(addUser(r.group, r.create, r.failIfExists), r.result) << r.what;
    EXPECT_EQ(calls(), r.calls) << r.what;
    EXPECT_EQ(outstanding_(), 0) << r.what << ": a netapi32 buffer was not freed";
  }
}

TEST_F(FakeNetapi, GroupThatCannotBeLookedUpAddsOnlyTheUserSid) {
  script({});
  EXPECT_EQ(addUser(u"drx-no-such-group-4711", true, false), u"S-1-5-21-1-2-3-1001");
}

TEST_F(FakeNetapi, NullCommentReachesTheSystemAsNull) {
  script({});
  EXPECT_EQ(addUser(nullptr, false, false, nullptr), u"S-1-5-21-1-2-3-1001");
  EXPECT_NE(calls().find(L" comment=- "), std::wstring::npos) << calls();
}

TEST_F(FakeNetapi, DeletesPassServerNameAndStatus) {
  auto deleteUser = exportOf<Delete>("Win32UserInfo", "deleteUser0", 16);
  auto deleteGroup = exportOf<Delete>("Win32UserInfo", "deleteLocalGroup0", 16);
  FakeNetScript s = {};
  s.userDel = 2221;
  s.groupDel = 2220;
  script(s);
  EXPECT_EQ(deleteUser(vm_.env(), nullptr, nullptr, text(u"alice")), 2221);
  EXPECT_EQ(deleteGroup(vm_.env(), nullptr, text(u"\\\\server"), text(u"crew")), 2220);
  EXPECT_EQ(calls(), L"NetUserDel server=- name=alice\nNetLocalGroupDel server=\\\\server name=crew\n");
  script({});
  EXPECT_EQ(deleteUser(vm_.env(), nullptr, nullptr, text(u"alice")), 0);
}

}  // namespace
}  // namespace drxtest
