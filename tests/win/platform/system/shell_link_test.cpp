// ShellLink natives of the real DLL: links are read back through the shell's own link object.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <mini_jni.h>

#include <string>
#include <thread>
#include <vector>

#include "drxinst_library.h"
#include "tests/support/process_driver/process_driver.h"

namespace drxtest {
namespace {

using Create = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jbyteArray, jbyteArray, jbyteArray, jbyteArray,
                                  jbyteArray);
using CreateWide = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jstring, jstring, jstring);
using Notify = jboolean(JNICALL*)(JNIEnv*, jclass, jbyteArray, jbyteArray);
using Action = jboolean(JNICALL*)(JNIEnv*, jclass);

struct Natives {
  Create create = exportOf<Create>("ShellLink", "create0", 32);
  CreateWide createWide = exportOf<CreateWide>("ShellLink", "createWide0", 32);
  Notify changeNotify = exportOf<Notify>("ShellLink", "changeNotfiy0", 16);
  Action initialize = exportOf<Action>("ShellLink", "initialize", 8);
  Action uninitialize = exportOf<Action>("ShellLink", "uninitialize", 8);
};

struct LinkFields {
  bool loaded = false;
  std::wstring path, directory, icon, arguments, description;
  int iconIndex = -1;
};

LinkFields readLink(const std::wstring& file) {
  LinkFields fields;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return fields;
  }
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
      fields.loaded = true;
      wchar_t text[1024];
      text[0] = 0;
      link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
      fields.path = text;
      text[0] = 0;
      link->GetWorkingDirectory(text, 1024);
      fields.directory = text;
      text[0] = 0;
      link->GetIconLocation(text, 1024, &fields.iconIndex);
      fields.icon = text;
      text[0] = 0;
      link->GetArguments(text, 1024);
      fields.arguments = text;
      text[0] = 0;
      link->GetDescription(text, 1024);
      fields.description = text;
    }
    persist->Release();
  }
  link->Release();
  return fields;
}

std::u16string utf16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

class ShellLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env = vm.env();
    ASSERT_TRUE(natives.initialize(env, nullptr));
  }
  void TearDown() override {
    EXPECT_TRUE(natives.uninitialize(env, nullptr));
    EXPECT_EQ(vm.outstandingBuffers(), 0u);
  }

  jstring str(const std::wstring& text) { return vm.newString(utf16(text)); }
  // A NUL-terminated ANSI byte[] as the Java side hands it over.
  jbyteArray ansi(const std::string& text) {
    std::vector<jbyte> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return vm.newByteArray(bytes);
  }

  minijni::Jvm vm;
  JNIEnv* env = nullptr;
  Natives natives;
  drx::test::ScratchDirectory scratch{L"drxlnk"};
};

TEST_F(ShellLinkTest, WideLinkWithoutOptionalFieldsReadsBackEmpty) {
  const std::wstring file = scratch.file(L"plain.lnk");
  const std::wstring target = scratch.file(L"app.exe");
  ASSERT_TRUE(natives.createWide(env, nullptr, str(file), str(target), str(scratch.path()), nullptr, nullptr,
                                 nullptr));
  const LinkFields fields = readLink(file);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(_wcsicmp(fields.path.c_str(), target.c_str()), 0) << fields.path;
  EXPECT_EQ(_wcsicmp(fields.directory.c_str(), scratch.path().c_str()), 0) << fields.directory;
  EXPECT_EQ(fields.icon, L"");
  EXPECT_EQ(fields.arguments, L"");
  EXPECT_EQ(fields.description, L"");
}

TEST_F(ShellLinkTest, WideLinkCarriesEveryFieldAndReplacesAnExistingLink) {
  const std::wstring file = scratch.file(L"full.lnk");
  const std::wstring target = scratch.file(L"app.exe");
  ASSERT_TRUE(natives.createWide(env, nullptr, str(file), str(target), str(scratch.path()),
                                 str(L"C:\\first.ico"), str(L"-first"), str(L"First")));
  ASSERT_TRUE(natives.createWide(env, nullptr, str(file), str(target), str(scratch.path()),
                                 str(L"C:\\second.ico"), str(L"-q \u00e9t\u00e9 \u4e2d"),
                                 str(L"Second \u0416")));
  const LinkFields fields = readLink(file);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(fields.icon, L"C:\\second.ico");
  EXPECT_EQ(fields.iconIndex, 0);
  EXPECT_EQ(fields.arguments, L"-q \u00e9t\u00e9 \u4e2d");
  EXPECT_EQ(fields.description, L"Second \u0416");
}

TEST_F(ShellLinkTest, AnsiLinkIsSavedUnderItsUtf16Name) {
  // Cyrillic and CJK letters lie outside the ANSI code page of the test prefix (1252).
  const std::wstring file = scratch.file(L"\u044f\u0440\u043b\u044b\u043a \u4e2d.lnk");
  const std::string target = "C:\\Program Files\\Caf\xe9\\app.exe";  // e-acute in code page 1252
  ASSERT_TRUE(natives.create(env, nullptr, str(file), ansi(target), ansi("C:\\Program Files\\Caf\xe9"),
                             ansi("C:\\icon.ico"), ansi("-x"), ansi("Caf\xe9 link")));
  ASSERT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  const LinkFields fields = readLink(file);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(fields.path, L"C:\\Program Files\\Caf\u00e9\\app.exe");
  EXPECT_EQ(fields.directory, L"C:\\Program Files\\Caf\u00e9");
  EXPECT_EQ(fields.icon, L"C:\\icon.ico");
  EXPECT_EQ(fields.arguments, L"-x");
  EXPECT_EQ(fields.description, L"Caf\u00e9 link");
}

TEST_F(ShellLinkTest, AnsiTextWithoutTerminatorIsCutAtTheArrayEnd) {
  const std::wstring file = scratch.file(L"unterminated.lnk");
  const std::vector<jbyte> noTerminator = {'-', 'a', 'b'};
  ASSERT_TRUE(natives.create(env, nullptr, str(file), ansi("C:\\app.exe"), ansi("C:\\"), nullptr,
                             vm.newByteArray(noTerminator), nullptr));
  const LinkFields fields = readLink(file);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(fields.arguments, L"-ab");
  EXPECT_EQ(fields.icon, L"");
  EXPECT_EQ(fields.description, L"");
}

TEST_F(ShellLinkTest, LinkInAMissingFolderIsNotCreated) {
  const std::wstring file = scratch.file(L"missing\\x.lnk");
  EXPECT_FALSE(natives.createWide(env, nullptr, str(file), str(L"C:\\app.exe"), str(L"C:\\"), nullptr,
                                  nullptr, nullptr));
  EXPECT_FALSE(
      natives.create(env, nullptr, str(file), ansi("C:\\app.exe"), ansi("C:\\"), nullptr, nullptr, nullptr));
  EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ShellLinkTest, NotificationsAnswerTrueAlsoForPathsThatDoNotExist) {
  EXPECT_TRUE(
      natives.changeNotify(env, nullptr, ansi("C:\\no such folder\\x.lnk"), ansi("C:\\no such folder")));
  EXPECT_TRUE(natives.changeNotify(env, nullptr, ansi(std::string()), ansi(std::string())));
}

TEST(ShellLinkWithoutCom, CreationFailsOnAThreadThatDidNotInitialize) {
  Natives natives;
  drx::test::ScratchDirectory scratch(L"drxlnk");
  const std::wstring file = scratch.file(L"nocom.lnk");
  bool wide = true;
  bool narrow = true;
  minijni::Jvm vm;
  // A fresh thread: COM was never initialised on it.
  std::thread worker([&] {
    JNIEnv* env = vm.env();
    jstring name = vm.newString(utf16(file));
    wide = natives.createWide(env, nullptr, name, vm.newString(u"C:\\app.exe"), vm.newString(u"C:\\"),
                              nullptr, nullptr, nullptr);
    narrow = natives.create(env, nullptr, name, vm.newByteArray({'C', ':', '\\', 0}),
                            vm.newByteArray({'C', ':', 0}), nullptr, nullptr, nullptr);
  });
  worker.join();
  EXPECT_FALSE(wide);
  EXPECT_FALSE(narrow);
  EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace drxtest
