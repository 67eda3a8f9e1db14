// Registry natives of the real DLL, called through the mini JNI environment.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "captured_stdout.h"
#include "drxinst_library.h"

namespace drxtest {
namespace {

using KeyOp = jboolean(JNICALL*)(JNIEnv*, jclass, jint, jstring, jint);
using FileOp = jboolean(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using GetValue = jobject(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using SetValue = jboolean(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jobject, jint, jint);
using DeleteValue = void(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using DeleteKey = void(JNICALL*)(JNIEnv*, jclass, jint, jstring, jboolean, jint);
using EnumNames = jobjectArray(JNICALL*)(JNIEnv*, jclass, jint, jstring, jint);
using SetFlag = void(JNICALL*)(JNIEnv*, jclass, jboolean);

constexpr jint kCurrentUser = 2;
constexpr jint kLocalMachine = 3;
constexpr jint kView64 = KEY_WOW64_64KEY;
constexpr jint kView32 = KEY_WOW64_32KEY;
constexpr wchar_t kTestKey[] = L"Software\\morvenic\\drxinst-tests";
constexpr char kExpandStringClass[] = "com/deployrix/api/windows/WinRegistry$ExpandString";

struct Natives {
  KeyOp keyExists = exportOf<KeyOp>("Registry", "keyExists0", 20);
  KeyOp createKey = exportOf<KeyOp>("Registry", "createKey0", 20);
  FileOp saveKey = exportOf<FileOp>("Registry", "saveKey0", 24);
  FileOp restoreKey = exportOf<FileOp>("Registry", "restoreKey0", 24);
  GetValue getValue = exportOf<GetValue>("Registry", "getValue0", 24);
  SetValue setValue = exportOf<SetValue>("Registry", "setValue0", 32);
  DeleteValue deleteValue = exportOf<DeleteValue>("Registry", "deleteValue0", 24);
  DeleteKey deleteKey = exportOf<DeleteKey>("Registry", "deleteKey0", 24);
  EnumNames enumSubKeys = exportOf<EnumNames>("Registry", "enumSubKeys0", 20);
  EnumNames enumValues = exportOf<EnumNames>("Registry", "enumValues0", 20);
  SetFlag setWindows95 = exportOf<SetFlag>("Common", "setWindows95", 12);
};

std::u16string utf16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

struct RawValue {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

RawValue readRaw(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view = 0) {
  RawValue value;
  HKEY key;
  value.status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key);
  if (value.status != ERROR_SUCCESS) return value;
  DWORD size = 0;
  value.status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  if (value.status == ERROR_SUCCESS) {
    value.data.resize(size);
    value.status = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  return value;
}

void writeRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
              const std::vector<BYTE>& data) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
  RegCloseKey(key);
}

bool rawKeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// UTF-16LE bytes of ASCII text; '|' stands for a NUL unit.
std::vector<BYTE> utf16Bytes(const std::string& text) {
  std::vector<BYTE> bytes;
  for (char c : text) {
    bytes.push_back(c == '|' ? 0 : static_cast<BYTE>(c));
    bytes.push_back(0);
  }
  return bytes;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    vm.defineClass(kExpandStringClass)
        .field("text", "Ljava/lang/String;")
        .constructor("(Ljava/lang/String;)V", [](minijni::Call& c) {
          c.setField("text", c.args[0]);
          return minijni::Void();
        });
    env = vm.env();
  }

  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    // Every GetStringChars / Get*Elements was given back, and no JNI call ran over an exception.
    EXPECT_EQ(vm.outstandingBuffers(), 0u);
    EXPECT_TRUE(vm.callsWithPendingException().empty());
  }

  jstring str(const std::wstring& text) { return vm.newString(utf16(text)); }
  jstring path(const std::wstring& below = L"") { return str(below.empty() ? kTestKey : fullPath(below)); }
  static std::wstring fullPath(const std::wstring& below) { return std::wstring(kTestKey) + L"\\" + below; }

  minijni::Jvm vm;
  JNIEnv* env = nullptr;
  Natives natives;
};

TEST_F(RegistryTest, UnknownRootCodesOpenNothing) {
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"v", REG_SZ, utf16Bytes("x|"));
  const jint roots[] = {0, 6, -1, static_cast<jint>(0x80000001)};
  for (jint root : roots) {
    SCOPED_TRACE(root);
    EXPECT_FALSE(natives.keyExists(env, nullptr, root, path(), 0));
    EXPECT_FALSE(natives.createKey(env, nullptr, root, path(), 0));
    EXPECT_TRUE(vm.isNull(natives.getValue(env, nullptr, root, path(), str(L"v"), 0)));
    EXPECT_TRUE(vm.isNull(natives.enumSubKeys(env, nullptr, root, path(), 0)));
    EXPECT_TRUE(vm.isNull(natives.enumValues(env, nullptr, root, path(), 0)));
    EXPECT_FALSE(natives.setValue(env, nullptr, root, path(), str(L"w"), str(L"y"), 1, 0));
  }
  EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kTestKey, L"w").status, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, EveryKindIsWrittenAsItsTypeAndReadBack) {
  struct Case {
    const char* name;
    jobject value;
    jint kind;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {"string", str(L"text"), 1, REG_SZ, utf16Bytes("text|")},
      {"expand string", str(L"%SystemRoot%\\x"), 5, REG_EXPAND_SZ, utf16Bytes("%SystemRoot%\\x|")},
      {"integer",
       vm.newObject("java/lang/Integer", "(I)V", {minijni::Int(-5)}),
       2,
       REG_DWORD,
       {0xFB, 0xFF, 0xFF, 0xFF}},
      {"string array", vm.newStringArray({u"a", u"bc"}), 3, REG_MULTI_SZ, utf16Bytes("a|bc||")},
      {"bytes", vm.newByteArray({1, 2, 3, 0, -1}), 4, REG_BINARY, {1, 2, 3, 0, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name(c.name, c.name + strlen(c.name));
    ASSERT_TRUE(natives.setValue(env, nullptr, kCurrentUser, path(), str(name), c.value, c.kind, 0));
    const RawValue raw = readRaw(HKEY_CURRENT_USER, kTestKey, name.c_str());
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, c.type);
    EXPECT_EQ(raw.data, c.data);
  }

  auto get = [&](const wchar_t* name) {
    return natives.getValue(env, nullptr, kCurrentUser, path(), str(name), 0);
  };
  jobject text = get(L"string");
  EXPECT_EQ(vm.className(text), "java/lang/String");
  EXPECT_EQ(vm.string(text), u"text");
  jobject expand = get(L"expand string");
  ASSERT_EQ(vm.className(expand), kExpandStringClass);
  EXPECT_EQ(vm.string(vm.field(expand, "text").l), u"%SystemRoot%\\x") << "the text is not expanded";
  jobject integer = get(L"integer");
  ASSERT_EQ(vm.className(integer), "java/lang/Integer");
  EXPECT_EQ(vm.field(integer, "value").i, -5);
  EXPECT_EQ(vm.strings(get(L"string array")), (std::vector<std::u16string>{u"a", u"bc"}));
  EXPECT_EQ(vm.bytes(get(L"bytes")), (std::vector<jbyte>{1, 2, 3, 0, -1}));
}

TEST_F(RegistryTest, ValuesThatCannotBeConvertedReadAsNull) {
  struct Case {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {"qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
      {"short dword", REG_DWORD, {1, 2, 3}},
      {"empty dword", REG_DWORD, {}},
      {"larger than the value buffer", REG_BINARY, std::vector<BYTE>(100001, 7)},
      {"none", REG_NONE, {1}},
  };
  for (const Case& c : cases) {
    const std::wstring name(c.name, c.name + strlen(c.name));
    writeRaw(HKEY_CURRENT_USER, kTestKey, name.c_str(), c.type, c.data);
    EXPECT_TRUE(vm.isNull(natives.getValue(env, nullptr, kCurrentUser, path(), str(name), 0))) << c.name;
  }
  EXPECT_TRUE(vm.isNull(natives.getValue(env, nullptr, kCurrentUser, path(), str(L"missing"), 0)));
  EXPECT_TRUE(
      vm.isNull(natives.getValue(env, nullptr, kCurrentUser, path(L"no such key"), str(L"qword"), 0)));
}

TEST_F(RegistryTest, RawDataIsReadWithinItsSize) {
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"unterminated", REG_SZ, utf16Bytes("abc"));
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"unterminated expand", REG_EXPAND_SZ, utf16Bytes("%x%"));
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"inner nul", REG_SZ, utf16Bytes("ab|cd|"));
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"multi", REG_MULTI_SZ, utf16Bytes("a||b||"));
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"empty multi", REG_MULTI_SZ, utf16Bytes("|"));
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"exact binary", REG_BINARY, std::vector<BYTE>(100000, 9));
  auto get = [&](const wchar_t* name) {
    return natives.getValue(env, nullptr, kCurrentUser, path(), str(name), 0);
  };
  EXPECT_EQ(vm.string(get(L"unterminated")), u"abc");
  EXPECT_EQ(vm.string(vm.field(get(L"unterminated expand"), "text").l), u"%x%");
  EXPECT_EQ(vm.string(get(L"inner nul")), u"ab");
  EXPECT_EQ(vm.strings(get(L"multi")), (std::vector<std::u16string>{u"a", u"", u"b"}));
  jobject empty = get(L"empty multi");
  ASSERT_FALSE(vm.isNull(empty));
  EXPECT_EQ(vm.arrayLength(empty), 0);
  EXPECT_EQ(vm.arrayLength(get(L"exact binary")), 100000);
}

TEST_F(RegistryTest, MultiStringWritesFollowTheListRules) {
  // An empty item would end the list early: the whole write fails and nothing is stored.
  EXPECT_FALSE(natives.setValue(env, nullptr, kCurrentUser, path(), str(L"holey"),
                                vm.newStringArray({u"a", u"", u"b"}), 3, 0));
  EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kTestKey, L"holey").status, ERROR_FILE_NOT_FOUND);

  ASSERT_TRUE(
      natives.setValue(env, nullptr, kCurrentUser, path(), str(L"none"), vm.newStringArray({}), 3, 0));
  const RawValue none = readRaw(HKEY_CURRENT_USER, kTestKey, L"none");
  EXPECT_EQ(none.type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(none.data, (std::vector<BYTE>{0, 0}));

  // Items, their NULs and the closing NUL must fit 50,000 units: 24,998 + 1 + 24,999 + 1 + 1
  // fill the buffer exactly, one more character is one too many.
  const std::u16string first(24998, u'f');
  const std::u16string exact(24999, u's');
  const std::u16string over(25000, u'o');
  EXPECT_FALSE(natives.setValue(env, nullptr, kCurrentUser, path(), str(L"long"),
                                vm.newStringArray({first, over}), 3, 0));
  EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kTestKey, L"long").status, ERROR_FILE_NOT_FOUND);
  ASSERT_TRUE(natives.setValue(env, nullptr, kCurrentUser, path(), str(L"long"),
                               vm.newStringArray({first, exact}), 3, 0));
  EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kTestKey, L"long").data.size(), 100000u);
  EXPECT_EQ(vm.strings(natives.getValue(env, nullptr, kCurrentUser, path(), str(L"long"), 0)),
            (std::vector<std::u16string>{first, exact}));
}

TEST_F(RegistryTest, LongValuesAreCutToTheBuffer) {
  std::u16string text(60000, u'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(u'a' + i % 26);
  ASSERT_TRUE(natives.setValue(env, nullptr, kCurrentUser, path(), str(L"text"), vm.newString(text), 1, 0));
  const RawValue raw = readRaw(HKEY_CURRENT_USER, kTestKey, L"text");
  ASSERT_EQ(raw.data.size(), 100000u);
  const std::u16string stored(reinterpret_cast<const char16_t*>(raw.data.data()), 49999);
  EXPECT_EQ(stored, text.substr(0, 49999));
  EXPECT_EQ(raw.data[99998], 0);
  EXPECT_EQ(raw.data[99999], 0);

  std::vector<jbyte> bytes(150000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<jbyte>(i * 7);
  ASSERT_TRUE(
      natives.setValue(env, nullptr, kCurrentUser, path(), str(L"bytes"), vm.newByteArray(bytes), 4, 0));
  const RawValue binary = readRaw(HKEY_CURRENT_USER, kTestKey, L"bytes");
  ASSERT_EQ(binary.data.size(), 100000u);
  EXPECT_TRUE(
      std::equal(binary.data.begin(), binary.data.end(), reinterpret_cast<const BYTE*>(bytes.data())));
}

TEST_F(RegistryTest, UnusableValuesWriteNothingAndCreateNoKey) {
  struct Case {
    const char* name;
    jobject value;
    jint kind;
  } cases[] = {
      {"unknown kind 0", str(L"x"), 0},
      {"unknown kind 6", str(L"x"), 6},
      {"null string", nullptr, 1},
      {"null integer", nullptr, 2},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(natives.setValue(env, nullptr, kCurrentUser, path(L"fresh"), str(L"v"), c.value, c.kind, 0))
        << c.name;
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, fullPath(L"fresh"))) << c.name;
  }
}

TEST_F(RegistryTest, FailedWriteSaysNoSuccessWithTheError) {
  // Value names are limited to 16,383 characters; the write itself fails with 87.
  const std::wstring tooLong(20000, L'n');
  CapturedStdout out;
  EXPECT_FALSE(natives.setValue(env, nullptr, kCurrentUser, path(), str(tooLong), str(L"x"), 1, 0));
  EXPECT_EQ(out.text(), "no success 87\n");
}

TEST_F(RegistryTest, DeleteKeyHonoursOnlyIfEmpty) {
  writeRaw(HKEY_CURRENT_USER, fullPath(L"valued"), L"v", REG_SZ, utf16Bytes("x|"));
  ASSERT_TRUE(natives.createKey(env, nullptr, kCurrentUser, path(L"parent\\child"), 0));
  ASSERT_TRUE(natives.createKey(env, nullptr, kCurrentUser, path(L"empty"), 0));

  natives.deleteKey(env, nullptr, kCurrentUser, path(L"valued"), JNI_TRUE, 0);
  natives.deleteKey(env, nullptr, kCurrentUser, path(L"parent"), JNI_TRUE, 0);
  natives.deleteKey(env, nullptr, kCurrentUser, path(L"empty"), JNI_TRUE, 0);
  EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, fullPath(L"valued")));
  EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, fullPath(L"parent\\child")));
  EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, fullPath(L"empty")));

  natives.deleteKey(env, nullptr, kCurrentUser, path(L"valued"), JNI_FALSE, 0);
  EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, fullPath(L"valued")));
  EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, kTestKey));
}

TEST_F(RegistryTest, DeleteKeyRemovesADeepTree) {
  const wchar_t* keys[] = {L"tree\\a\\b\\c\\d\\e", L"tree\\a\\x", L"tree\\a\\b\\y", L"tree\\z",
                           L"tree\\a\\b\\c\\w"};
  for (const wchar_t* key : keys) writeRaw(HKEY_CURRENT_USER, fullPath(key), L"v", REG_DWORD, {1, 0, 0, 0});
  writeRaw(HKEY_CURRENT_USER, fullPath(L"treetop"), L"v", REG_DWORD, {1, 0, 0, 0});
  natives.deleteKey(env, nullptr, kCurrentUser, path(L"tree"), JNI_FALSE, 0);
  EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, fullPath(L"tree")));
  EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, fullPath(L"treetop"))) << "a sibling with a longer name stays";
}

TEST_F(RegistryTest, DeleteKeyRefusesToEmptyAWholeRoot) {
  // The predefined key is pointed at a scratch key for this process, so a fault here
  // empties the scratch key and not the test user's registry.
  writeRaw(HKEY_CURRENT_USER, fullPath(L"scratch\\keep"), L"v", REG_DWORD, {1, 0, 0, 0});
  HKEY scratch;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, fullPath(L"scratch").c_str(), 0, KEY_ALL_ACCESS, &scratch),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), ERROR_SUCCESS);
  natives.deleteKey(env, nullptr, kCurrentUser, str(L""), JNI_FALSE, 0);
  natives.deleteKey(env, nullptr, kCurrentUser, str(L"\\"), JNI_FALSE, 0);
  const bool kept = rawKeyExists(HKEY_CURRENT_USER, L"keep");
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(scratch);
  EXPECT_TRUE(kept);
}

TEST_F(RegistryTest, EnumerationListsNamesAndAnEmptyKeyGivesAnEmptyArray) {
  ASSERT_TRUE(natives.createKey(env, nullptr, kCurrentUser, path(L"plain"), 0));
  jobject none = natives.enumValues(env, nullptr, kCurrentUser, path(L"plain"), 0);
  ASSERT_FALSE(vm.isNull(none));
  EXPECT_EQ(vm.arrayLength(none), 0);
  jobject noKeys = natives.enumSubKeys(env, nullptr, kCurrentUser, path(L"plain"), 0);
  ASSERT_FALSE(vm.isNull(noKeys));
  EXPECT_EQ(vm.arrayLength(noKeys), 0);

  writeRaw(HKEY_CURRENT_USER, fullPath(L"full"), L"beta", REG_DWORD, {1, 0, 0, 0});
  writeRaw(HKEY_CURRENT_USER, fullPath(L"full"), L"alpha", REG_SZ, utf16Bytes("x|"));
  writeRaw(HKEY_CURRENT_USER, fullPath(L"full"), nullptr, REG_SZ, utf16Bytes("default|"));
  for (const wchar_t* sub : {L"full\\one", L"full\\two"})
    writeRaw(HKEY_CURRENT_USER, fullPath(sub), L"v", REG_SZ, {0, 0});
  std::vector<std::u16string> values =
      vm.strings(natives.enumValues(env, nullptr, kCurrentUser, path(L"full"), 0));
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (std::vector<std::u16string>{u"", u"alpha", u"beta"}))
      << "the default value has an empty name";
  std::vector<std::u16string> keys =
      vm.strings(natives.enumSubKeys(env, nullptr, kCurrentUser, path(L"full"), 0));
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"one", u"two"}));

  EXPECT_TRUE(vm.isNull(natives.enumValues(env, nullptr, kCurrentUser, path(L"missing"), 0)));
}

TEST_F(RegistryTest, ViewBitsChooseTheRegistryView) {
  const std::wstring key = L"Software\\morvenic\\drxinst-view-test";
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
  ASSERT_TRUE(natives.setValue(env, nullptr, kLocalMachine, str(key), str(L"v"), str(L"32"), 1, kView32));
  jobject found = natives.getValue(env, nullptr, kLocalMachine, str(key), str(L"v"), kView32);
  ASSERT_FALSE(vm.isNull(found));
  EXPECT_EQ(vm.string(found), u"32");
  EXPECT_TRUE(vm.isNull(natives.getValue(env, nullptr, kLocalMachine, str(key), str(L"v"), kView64)));
  EXPECT_FALSE(natives.keyExists(env, nullptr, kLocalMachine, str(key), kView64));
  EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));

  // Deleting with the 64-bit view leaves the 32-bit key alone; the 32-bit view removes it.
  natives.deleteKey(env, nullptr, kLocalMachine, str(key), JNI_FALSE, kView64);
  EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
  natives.deleteKey(env, nullptr, kLocalMachine, str(key), JNI_FALSE, kView32);
  EXPECT_FALSE(rawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
}

// Without view bits a call works in the library's own view: the 32-bit DLL inside a 32-bit runtime
// on 64-bit Windows reads and writes HKLM\SOFTWARE\Wow6432Node, the 64-bit one the native key.
// HKCU\SOFTWARE is one key for both.
TEST_F(RegistryTest, NoViewBitsMeansTheLibraryOwnView) {
  constexpr REGSAM kOwn = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  constexpr REGSAM kOther = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  const std::wstring key = L"Software\\morvenic\\drxinst-own-view-test";
  for (REGSAM view : {kOwn, kOther}) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), view, 0);

  ASSERT_TRUE(natives.setValue(env, nullptr, kLocalMachine, str(key), str(L"v"), str(L"own"), 1, 0));
  EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, key, kOwn));
  EXPECT_FALSE(rawKeyExists(HKEY_LOCAL_MACHINE, key, kOther));
  EXPECT_TRUE(natives.keyExists(env, nullptr, kLocalMachine, str(key), static_cast<jint>(kOwn)));
  EXPECT_FALSE(natives.keyExists(env, nullptr, kLocalMachine, str(key), static_cast<jint>(kOther)));

  // A value written through the other view is invisible to a call without view bits.
  ASSERT_TRUE(natives.setValue(env, nullptr, kLocalMachine, str(key), str(L"w"), str(L"other"), 1,
                               static_cast<jint>(kOther)));
  EXPECT_TRUE(vm.isNull(natives.getValue(env, nullptr, kLocalMachine, str(key), str(L"w"), 0)));
  jobject own = natives.getValue(env, nullptr, kLocalMachine, str(key), str(L"v"), 0);
  ASSERT_FALSE(vm.isNull(own));
  EXPECT_EQ(vm.string(own), u"own");

  // Deleting without view bits removes the own-view key only.
  natives.deleteKey(env, nullptr, kLocalMachine, str(key), JNI_FALSE, 0);
  EXPECT_FALSE(rawKeyExists(HKEY_LOCAL_MACHINE, key, kOwn));
  EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, key, kOther));
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), kOther, 0);

  const std::wstring shared = std::wstring(kTestKey) + L"\\shared";
  ASSERT_TRUE(natives.setValue(env, nullptr, kCurrentUser, str(shared), str(L"s"), str(L"both"), 1, 0));
  EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, shared, kOwn));
  EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, shared, kOther));
}

TEST_F(RegistryTest, DeleteValueRemovesOneValue) {
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"gone", REG_SZ, utf16Bytes("x|"));
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"kept", REG_SZ, utf16Bytes("x|"));
  natives.deleteValue(env, nullptr, kCurrentUser, path(), str(L"gone"), 0);
  EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kTestKey, L"gone").status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kTestKey, L"kept").status, ERROR_SUCCESS);
}

TEST_F(RegistryTest, MissingExpandStringClassLeavesItsExceptionPending) {
  minijni::Jvm bare;  // no ExpandString class defined
  JNIEnv* bareEnv = bare.env();
  writeRaw(HKEY_CURRENT_USER, kTestKey, L"e", REG_EXPAND_SZ, utf16Bytes("%x%|"));
  jobject result = natives.getValue(bareEnv, nullptr, kCurrentUser, bare.newString(utf16(kTestKey)),
                                    bare.newString(u"e"), 0);
  EXPECT_TRUE(bare.isNull(result));
  EXPECT_TRUE(bare.exceptionPending());
  EXPECT_TRUE(bare.callsWithPendingException().empty());
  bare.clearException();
}

}  // namespace
}  // namespace drxtest
