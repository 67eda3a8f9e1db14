// Account rewrite and double-NUL dependency lists for service configuration changes.
#include <gtest/gtest.h>

#include <string>

#include "platform/portable/service_config_text.h"

namespace drx::platform {
namespace {

using namespace std::string_literals;

TEST(ServiceAccountName, OnlyTheExactSystemNamesBecomeLocalSystem) {
  struct Case {
    std::u16string account, expected;
  } cases[] = {
      {u"NT AUTHORITY\\System", u"LocalSystem"},
      {u"NT AUTHORITY\\LocalSystem", u"LocalSystem"},
      {u"nt authority\\system", u"nt authority\\system"},
      {u"NT AUTHORITY\\SYSTEM", u"NT AUTHORITY\\SYSTEM"},
      {u"NT AUTHORITY\\System ", u"NT AUTHORITY\\System "},
      {u"NT AUTHORITY\\LocalService", u"NT AUTHORITY\\LocalService"},
      {u".\\user", u".\\user"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(std::u16string(serviceAccountName(c.account)), c.expected);
}

TEST(DependencyList, CommaSeparatedPiecesBecomeADoubleNulList) {
  struct Case {
    std::u16string text, list;
  } cases[] = {
      {u"A,,B", u"A\0B\0\0"s},
      {u"Tcpip", u"Tcpip\0\0"s},
      {u",A,", u"A\0\0"s},
      {u",,,", u"\0"s},
      {u"+Group,Svc", u"+Group\0Svc\0\0"s},
      {u"a b, c", u"a b\0 c\0\0"s},
      {u"A,B\0\0C"s, u"A\0B\0\0"s},  // the text ends at a NUL
  };
  for (const Case& c : cases) {
    std::u16string list = u"untouched";
    ASSERT_TRUE(encodeDependencyList(c.text, list));
    EXPECT_EQ(list, c.list);
  }
}

TEST(DependencyList, ListsLongerThanTheBufferAreRefusedUntouched) {
  struct Case {
    std::u16string text;
    bool fits;
  } cases[] = {
      {std::u16string(8190, u'x'), true},   // piece, NUL, final NUL: 8,192 units
      {std::u16string(8191, u'x'), false},  // one unit too many
      {std::u16string(4094, u'x') + u"," + std::u16string(4094, u'y'), true},
      {std::u16string(4094, u'x') + u"," + std::u16string(4095, u'y'), true},  // exactly 8,192
      {std::u16string(4095, u'x') + u"," + std::u16string(4095, u'y'), false},
      {std::u16string(20000, u','), true},  // separators alone take no room
      {std::u16string(100000, u'z'), false},
  };
  for (const Case& c : cases) {
    std::u16string list = u"untouched";
    EXPECT_EQ(encodeDependencyList(c.text, list), c.fits) << c.text.size();
    if (c.fits) {
      EXPECT_LE(list.size(), kDependencyListUnits);
    } else {
      EXPECT_EQ(list, u"untouched");
    }
  }
}

}  // namespace
}  // namespace drx::platform
