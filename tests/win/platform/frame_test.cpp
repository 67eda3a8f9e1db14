// The frame under the exports: optional system functions and JNI conversions.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <string>

#include "platform/jni_frame.h"
#include "platform/optional_functions.h"

namespace drx::platform {
namespace {

TEST(OptionalFunctions, AdvapiFunctionsAreFoundOrNull) {
  // The DLL imports advapi32, so it is always loaded there; this program has to load it.
  ASSERT_NE(LoadLibraryW(L"advapi32.dll"), nullptr);
  EXPECT_NE(advapiFunction("RegDeleteKeyExW"), nullptr);
  EXPECT_NE(advapiFunction("ConvertSidToStringSidW"), nullptr);
  EXPECT_EQ(advapiFunction("NoSuchFunctionInAdvapi"), nullptr);
}

TEST(OptionalFunctions, NetapiIsLoadedFromTheSystemDirectory) {
  ASSERT_EQ(GetModuleHandleW(L"netapi32.dll"), nullptr) << "this program must not import netapi32";
  EXPECT_NE(netapiFunction("NetApiBufferFree"), nullptr);
  HMODULE loaded = GetModuleHandleW(L"netapi32.dll");
  ASSERT_NE(loaded, nullptr);
  wchar_t modulePath[MAX_PATH];
  wchar_t systemDirectory[MAX_PATH];
  GetModuleFileNameW(loaded, modulePath, MAX_PATH);
  GetSystemDirectoryW(systemDirectory, MAX_PATH);
  EXPECT_EQ(_wcsicmp(modulePath, (std::wstring(systemDirectory) + L"\\netapi32.dll").c_str()), 0);
  EXPECT_EQ(netapiFunction("NoSuchFunctionInNetapi"), nullptr);
}

TEST(JavaText, GivesATerminatedCopyAndReleasesTheCharacters) {
  minijni::Jvm vm;
  JNIEnv* env = vm.env();
  {
    JavaText text(env, vm.newString(u"abc"));
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.length(), 3u);
    EXPECT_STREQ(text.get(), L"abc");
    EXPECT_EQ(vm.outstandingBuffers(), 0u);
  }
  JavaText none(env, nullptr);
  EXPECT_TRUE(none.isNull());
  EXPECT_FALSE(none.ok());
  EXPECT_EQ(none.get(), nullptr);
}

TEST(StringArrayBuilder, AFailedItemLeavesItsExceptionAndNoArray) {
  minijni::Jvm vm;
  JNIEnv* env = vm.env();
  StringArrayBuilder fine(env);
  fine.add(L"one", 3);
  fine.add(L"two", 3);
  EXPECT_EQ(vm.strings(fine.build()), (std::vector<std::u16string>{u"one", u"two"}));

  vm.failAllocation("NewString", 2);
  StringArrayBuilder failing(env);
  failing.add(L"one", 3);
  failing.add(L"two", 3);
  EXPECT_TRUE(vm.isNull(failing.build()));
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/OutOfMemoryError");
  EXPECT_TRUE(vm.callsWithPendingException().empty());
  vm.clearException();
}

TEST(NewJavaObject, MissingClassOrConstructorGivesNullWithTheException) {
  minijni::Jvm vm;
  JNIEnv* env = vm.env();
  jvalue argument;
  argument.i = 7;
  jobject seven = newJavaObject(env, "java/lang/Integer", "(I)V", &argument);
  ASSERT_FALSE(vm.isNull(seven));
  EXPECT_EQ(vm.field(seven, "value").i, 7);

  EXPECT_EQ(newJavaObject(env, "no/such/Class", "(I)V", &argument), nullptr);
  EXPECT_TRUE(vm.exceptionPending());
  vm.clearException();
  EXPECT_EQ(newJavaObject(env, "java/lang/Integer", "(J)V", &argument), nullptr);
  EXPECT_TRUE(vm.exceptionPending());
  vm.clearException();
  EXPECT_TRUE(vm.callsWithPendingException().empty());
}

}  // namespace
}  // namespace drx::platform
