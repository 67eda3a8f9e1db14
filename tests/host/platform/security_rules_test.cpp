// Rights masks, principal SIDs, addUser0 and getAccountName0 texts, LSA counted strings and
// the picker's filters.
#include "platform/portable/security_rules.h"

#include <gtest/gtest.h>

#include <array>

namespace drx::platform {
namespace {

TEST(RightsMask, EachArgumentSetsItsGenericRight) {
  struct Row {
    bool read, write, execute, all;
    uint32_t mask;
  };
  const Row rows[] = {
      {false, false, false, false, 0},          {true, false, false, false, 0x80000000u},
      {false, true, false, false, 0x40000000u}, {false, false, true, false, 0x20000000u},
      {false, false, false, true, 0x10000000u}, {true, false, true, false, 0xA0000000u},
      {true, true, true, true, 0xF0000000u},
  };
  for (const Row& r : rows) EXPECT_EQ(rightsMask(r.read, r.write, r.execute, r.all), r.mask);
}

TEST(Principals, CodesMapToTheirSids) {
  struct Row {
    int32_t code;
    PrincipalKind kind;
    uint8_t authority;
    uint32_t sub;
  };
  const Row rows[] = {
      {1, PrincipalKind::AuthenticatedUsers, 5, 11},  // S-1-5-11
      {5, PrincipalKind::Code5, 2, 547},              // S-1-2-547, not the Power Users alias
      {7, PrincipalKind::Everyone, 1, 0},             // S-1-1-0
      {0, PrincipalKind::Everyone, 1, 0},
      {2, PrincipalKind::Everyone, 1, 0},
      {-1, PrincipalKind::Everyone, 1, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(principalKind(r.code), r.kind) << r.code;
    const SidRecipe recipe = sidRecipe(r.kind);
    EXPECT_EQ(recipe.authority[5], r.authority) << r.code;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(recipe.authority[i], 0) << r.code;
    EXPECT_EQ(recipe.subAuthority, r.sub) << r.code;
  }
  EXPECT_EQ(principalKind(3), PrincipalKind::NamedAccount);
}

TEST(AddUserTexts, EveryFailureRow) {
  struct Row {
    AddUserFailure failure;
    uint32_t status;
    uint32_t index;
    const wchar_t* text;
  };
  const Row rows[] = {
      {AddUserFailure::CreateGroup, 2223, 0, L"1 2223"},
      {AddUserFailure::CreateGroup, 5, 0, L"1 5"},
      {AddUserFailure::CreateUser, 2224, 1, L"2 2224 1"},
      {AddUserFailure::CreateUser, 2245, 3, L"2 2245 3"},
      {AddUserFailure::ReadUser, 2221, 0, L"3 2221"},
      {AddUserFailure::AddMember, 1387, 0, L"4 1387"},
      {AddUserFailure::SidText, 0, 0, L"5"},
      {AddUserFailure::NoGroup, 2220, 0, L"6 2220"},
      {AddUserFailure::ReadUser, 0xFFFFFFFFu, 0, L"3 -1"},  // statuses print signed (%d)
  };
  for (const Row& r : rows) EXPECT_EQ(addUserFailureText(r.failure, r.status, r.index), r.text);
}

TEST(AddUserTexts, SuccessWithAndWithoutGroup) {
  const std::wstring user = L"S-1-5-21-1-2-3-1001";
  const std::wstring group = L"S-1-5-32-545";
  EXPECT_EQ(addUserSuccessText(user, nullptr, true), user);
  EXPECT_EQ(addUserSuccessText(user, &group, true), L"S-1-5-21-1-2-3-1001 S-1-5-32-545 true");
  EXPECT_EQ(addUserSuccessText(user, &group, false), L"S-1-5-21-1-2-3-1001 S-1-5-32-545 false");
  EXPECT_TRUE(groupAlreadyExists(2223));
  EXPECT_TRUE(groupAlreadyExists(1379));
  EXPECT_FALSE(groupAlreadyExists(1378));
  EXPECT_FALSE(groupAlreadyExists(0));
}

TEST(AccountNames, WellKnownBuiltInAndDomainForms) {
  EXPECT_STREQ(wellKnownAccountName(L"S-1-5-18"), L"NT AUTHORITY\\System");
  EXPECT_STREQ(wellKnownAccountName(L"S-1-5-19"), L"NT AUTHORITY\\LocalService");
  EXPECT_STREQ(wellKnownAccountName(L"S-1-5-20"), L"NT AUTHORITY\\NetworkService");
  EXPECT_EQ(wellKnownAccountName(L"S-1-5-18-1"), nullptr);
  EXPECT_EQ(wellKnownAccountName(L"S-1-5-1"), nullptr);

  struct Row {
    const wchar_t* sid;
    const wchar_t* domain;
    const wchar_t* name;
    const wchar_t* text;
  };
  const Row rows[] = {
      {L"S-1-5-32-544", L"BUILTIN", L"Administrators", L".\\Administrators"},
      {L"S-1-1-0", L"", L"Everyone", L".\\Everyone"},
      {L"S-1-5-21-0-0-0-1000", L"VM", L"root", L"VM\\root"},
      {L"S-1-5-32", L"NT AUTHORITY", L"BUILTIN", L"NT AUTHORITY\\BUILTIN"},  // the prefix needs its dash
  };
  for (const Row& r : rows) EXPECT_EQ(accountNameText(r.sid, r.domain, r.name), r.text) << r.sid;
  EXPECT_EQ(accountErrorText(1337), L" 1337");
  EXPECT_EQ(accountErrorText(1332), L" 1332");
}

TEST(AccountNames, LongTextsAreCutToTheBuffer) {
  const std::wstring name(9000, L'n');
  const std::wstring text = accountNameText(L"S-1-5-21-1", L"D", name);
  EXPECT_EQ(text.size(), kAccountTextLimit - 1);
  EXPECT_EQ(text.substr(0, 3), L"D\\n");
  const std::wstring sid(8190, L'1');
  const std::wstring group = L"S-1-5-32-545";
  EXPECT_EQ(addUserSuccessText(sid, &group, true).size(), kAccountTextLimit - 1);
}

TEST(LsaRights, CountedStringAndAllRights) {
  struct Row {
    bool isNull;
    size_t chars;
    bool add;
    bool ok;
    uint16_t length, maximum;
    bool allRights;
  };
  const Row rows[] = {
      {false, 18, true, true, 36, 38, false},   // "SeServiceLogonRight" style
      {false, 18, false, true, 36, 38, false},  // revoking one right
      {true, 99, false, true, 0, 2, true},      // null right: empty string, every right goes
      {true, 0, true, true, 0, 2, false},       // adding with no right names no right
      {false, 0, false, true, 0, 2, false},     // an empty (not null) right is not "all"
      {false, 32766, true, true, 65532, 65534, false},
      {false, 32767, true, false, 0, 0, false},  // would wrap the 16-bit lengths
  };
  for (const Row& r : rows) {
    const LsaRightRequest request = lsaRightRequest(r.isNull, r.chars, r.add);
    EXPECT_EQ(request.ok, r.ok) << r.chars;
    if (!r.ok) continue;
    EXPECT_EQ(request.length, r.length) << r.chars;
    EXPECT_EQ(request.maximumLength, r.maximum) << r.chars;
    EXPECT_EQ(request.allRights, r.allRights) << r.chars;
  }
}

TEST(PickerFilters, AllThirtyTwoCombinations) {
  // Per (groups, users, wellKnown): the uplevel filter of both modes and the downlevel filter.
  struct Expected {
    uint32_t uplevel, downlevel;
  };
  const Expected byKinds[2][2][2] = {
      // groups false
      {{/*users false*/ {0x0, 0x0}, /*well-known*/ {0x8, 0x800C4000}},
       {/*users*/ {0x2, 0x80000001}, /*users + well-known*/ {0xA, 0x800C4001}}},
      // groups true
      {{{0x3F4, 0x80000006}, {0x3FC, 0x80020006}}, {{0x3F6, 0x80000007}, {0x3FE, 0x80020007}}},
  };
  for (int bits = 0; bits < 32; ++bits) {
    const bool multiple = bits & 1, groups = bits & 2, users = bits & 4, wellKnown = bits & 8,
               computer = bits & 16;
    const PickerFilters f = pickerFilters(groups, users, wellKnown, computer);
    const Expected& e = byKinds[groups][users][wellKnown];
    EXPECT_EQ(f.uplevelBothModes, e.uplevel) << bits;
    EXPECT_EQ(f.downlevel, e.downlevel) << bits;
    EXPECT_EQ(f.scopeTypes, computer ? 0x1u : 0x36Fu) << bits;
    EXPECT_EQ(f.scopeFlags, 0xC0u) << bits;
    EXPECT_EQ(pickerOptions(multiple), multiple ? 1u : 0u) << bits;
  }
}

}  // namespace
}  // namespace drx::platform
