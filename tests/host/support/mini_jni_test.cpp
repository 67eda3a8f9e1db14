// Tests of the mini JNI environment through its real function table, as a JNI export would use it.
#include "mini_jni.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

using minijni::Call;
using minijni::Jvm;

TEST(MiniJniStrings, Utf16OutsideTheBmpRoundTrips) {
  Jvm vm;
  JNIEnv* env = vm.env();
  // A surrogate pair, a Latin-1 letter and an embedded NUL.
  const std::u16string withNul(u"a\U0001F600\u00e9\0z", 6);
  jstring s =
      env->NewString(reinterpret_cast<const jchar*>(withNul.data()), static_cast<jsize>(withNul.size()));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(env->GetStringLength(s), 6);
  jboolean isCopy = JNI_FALSE;
  const jchar* chars = env->GetStringChars(s, &isCopy);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(chars), 6), withNul);
  EXPECT_EQ(chars[6], 0) << "copies are zero-terminated like HotSpot's";
  env->ReleaseStringChars(s, chars);
  EXPECT_EQ(vm.outstandingBuffers(), 0u);
  vm.setStringCharsTerminated(false);
  chars = env->GetStringChars(s, nullptr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(chars + 6)), u"\ufffd\ufffd");
  env->ReleaseStringChars(s, chars);

  // JNI's modified UTF-8: each surrogate on its own in three bytes, NUL as C0 80.
  const char* utf = env->GetStringUTFChars(s, nullptr);
  EXPECT_STREQ(utf, "a\xed\xa0\xbd\xed\xb8\x80\xc3\xa9\xc0\x80z");
  EXPECT_EQ(env->GetStringUTFLength(s), 12);
  jstring back = env->NewStringUTF(utf);
  env->ReleaseStringUTFChars(s, utf);
  EXPECT_EQ(vm.string(back), withNul);

  // Standard UTF-8 with a four-byte sequence reads as the same pair.
  EXPECT_EQ(vm.string(env->NewStringUTF("\xf0\x9f\x98\x80")), u"\U0001F600");
  jchar region[2] = {};
  env->GetStringRegion(s, 1, 2, region);
  EXPECT_EQ(region[0], 0xd83d);
  EXPECT_EQ(region[1], 0xde00);
  env->GetStringRegion(s, 5, 2, region);
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/StringIndexOutOfBoundsException");
}

TEST(MiniJniStrings, ConversionHelpers) {
  struct Row {
    std::string utf8;
    std::u16string utf16;
  } rows[] = {
      {"", u""},
      {"plain", u"plain"},
      {"\xd0\x96\xe2\x82\xac", u"\u0416\u20ac"},
      {"\xf0\x90\x80\x81", u"\U00010001"},
      {"\xff", u"\ufffd"},          // not UTF-8
      {"\xc0\xaf", u"\ufffd"},      // overlong
      {"\xed\xa0\x80", u"\ufffd"},  // encoded surrogate is not standard UTF-8
  };
  for (const Row& row : rows) {
    EXPECT_EQ(minijni::utf8ToUtf16(row.utf8), row.utf16) << row.utf8;
  }
  EXPECT_EQ(minijni::utf16ToUtf8(u"\U0001F600"), "\xf0\x9f\x98\x80");
  EXPECT_EQ(minijni::utf16ToUtf8(std::u16string(1, u'\xd800')), "\xef\xbf\xbd");
}

TEST(MiniJniArrays, ReleaseModesCopyBackOrNot) {
  struct Row {
    jint mode;
    jbyte expectedAfterRelease;
    size_t outstandingAfterRelease;
  } rows[] = {{0, 7, 0}, {JNI_COMMIT, 7, 1}, {JNI_ABORT, 1, 0}};
  for (const Row& row : rows) {
    Jvm vm;
    JNIEnv* env = vm.env();
    jbyteArray array = vm.newByteArray({1, 2, 3});
    jboolean isCopy = JNI_FALSE;
    jbyte* elements = env->GetByteArrayElements(array, &isCopy);
    EXPECT_TRUE(isCopy);
    elements[0] = 7;
    EXPECT_EQ(vm.bytes(array)[0], 1) << "the copy is not the array";
    env->ReleaseByteArrayElements(array, elements, row.mode);
    EXPECT_EQ(vm.bytes(array)[0], row.expectedAfterRelease) << "mode " << row.mode;
    EXPECT_EQ(vm.outstandingBuffers(), row.outstandingAfterRelease) << "mode " << row.mode;
    if (row.mode == JNI_COMMIT) {
      elements[1] = 9;  // still ours after a commit; an abort now drops this change
      env->ReleaseByteArrayElements(array, elements, JNI_ABORT);
      EXPECT_EQ(vm.bytes(array), (std::vector<jbyte>{7, 2, 3}));
      EXPECT_EQ(vm.outstandingBuffers(), 0u);
    }
  }
}

TEST(MiniJniArrays, IntRegionsAndBounds) {
  Jvm vm;
  JNIEnv* env = vm.env();
  jintArray array = env->NewIntArray(4);
  const jint values[] = {-1, 65536};
  env->SetIntArrayRegion(array, 1, 2, values);
  EXPECT_EQ(vm.ints(array), (std::vector<jint>{0, -1, 65536, 0}));
  jint out[3] = {};
  env->GetIntArrayRegion(array, 2, 3, out);
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/ArrayIndexOutOfBoundsException");
  vm.clearException();
  EXPECT_EQ(env->NewIntArray(-1), nullptr);
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/NegativeArraySizeException");
}

TEST(MiniJniArrays, ObjectArraysCheckIndexAndType) {
  Jvm vm;
  JNIEnv* env = vm.env();
  jclass stringClass = env->FindClass("java/lang/String");
  jobjectArray array = env->NewObjectArray(2, stringClass, nullptr);
  env->SetObjectArrayElement(array, 1, env->NewStringUTF("x"));
  EXPECT_TRUE(vm.isNull(env->GetObjectArrayElement(array, 0)));
  EXPECT_EQ(vm.string(env->GetObjectArrayElement(array, 1)), u"x");

  env->SetObjectArrayElement(array, 2, nullptr);
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/ArrayIndexOutOfBoundsException");
  EXPECT_EQ(vm.pendingExceptionMessage(), u"Index 2 out of bounds for length 2");
  vm.clearException();
  env->SetObjectArrayElement(array, 0, vm.newIntArray({1}));
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/ArrayStoreException");
  vm.clearException();
  EXPECT_EQ(vm.strings(vm.newStringArray({u"p", u"\U0001F600"})),
            (std::vector<std::u16string>{u"p", u"\U0001F600"}));
}

TEST(MiniJniExceptions, PendingUntilCleared) {
  Jvm vm;
  JNIEnv* env = vm.env();
  EXPECT_EQ(env->FindClass("com/example/Missing"), nullptr);
  for (int look = 0; look < 2; ++look) {
    EXPECT_TRUE(env->ExceptionCheck());
    jthrowable pending = env->ExceptionOccurred();
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(vm.className(pending), "java/lang/NoClassDefFoundError");
  }
  EXPECT_EQ(vm.pendingExceptionMessage(), u"com/example/Missing");
  env->FindClass("java/lang/String");
  EXPECT_EQ(vm.callsWithPendingException(), std::vector<std::string>{"FindClass"});
  env->ExceptionClear();
  EXPECT_FALSE(env->ExceptionCheck());
  EXPECT_EQ(env->ExceptionOccurred(), nullptr);

  // Dotted names are a caller's mistake, not a synonym.
  EXPECT_EQ(env->FindClass("java.lang.String"), nullptr);
  env->ExceptionClear();

  // ExceptionDescribe prints and clears, as a VM does.
  env->ThrowNew(env->FindClass("java/lang/IllegalStateException"), "boom");
  testing::internal::CaptureStderr();
  env->ExceptionDescribe();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Exception in thread \"main\" java.lang.IllegalStateException: boom\n");
  EXPECT_FALSE(vm.exceptionPending());
}

TEST(MiniJniExceptions, PendingExceptionsBelongToTheirThread) {
  Jvm vm;
  vm.throwNew("java/lang/RuntimeException", "here");
  bool seenElsewhere = true;
  std::thread other([&] {
    JNIEnv* env = vm.env();
    seenElsewhere = env->ExceptionCheck();
  });
  other.join();
  EXPECT_FALSE(seenElsewhere);
  EXPECT_TRUE(vm.exceptionPending());
}

TEST(MiniJniClasses, AllCallFormsPassArgumentsOfEveryWidth) {
  Jvm vm;
  std::vector<jvalue> seen;
  vm.defineClass("com/example/Tool").staticMethod("mix", "(ZBCSIJFDLjava/lang/String;)J", [&](Call& c) {
    seen = c.args;
    return minijni::Long(c.args[5].j + c.args[4].i);
  });
  JNIEnv* env = vm.env();
  jclass tool = env->FindClass("com/example/Tool");
  jmethodID mix = env->GetStaticMethodID(tool, "mix", "(ZBCSIJFDLjava/lang/String;)J");
  ASSERT_NE(mix, nullptr);
  jstring text = vm.newString(u"t");
  const jlong big = 0x123456789aLL;
  auto check = [&](jlong result, const char* form) {
    EXPECT_EQ(result, big + -5) << form;
    ASSERT_EQ(seen.size(), 9u) << form;
    EXPECT_EQ(seen[0].z, JNI_TRUE) << form;
    EXPECT_EQ(seen[1].b, -2) << form;
    EXPECT_EQ(seen[2].c, 0xd83d) << form;
    EXPECT_EQ(seen[3].s, -300) << form;
    EXPECT_EQ(seen[6].f, 1.5f) << form;
    EXPECT_EQ(seen[7].d, -2.25) << form;
    EXPECT_TRUE(vm.sameObject(seen[8].l, text)) << form;
  };
  check(env->CallStaticLongMethod(tool, mix, JNI_TRUE, jbyte(-2), jchar(0xd83d), jshort(-300), jint(-5), big,
                                  1.5f, -2.25, text),
        "variadic");
  jvalue args[9];
  args[0].z = JNI_TRUE;
  args[1].b = -2;
  args[2].c = 0xd83d;
  args[3].s = -300;
  args[4].i = -5;
  args[5].j = big;
  args[6].f = 1.5f;
  args[7].d = -2.25;
  args[8].l = text;
  check(env->CallStaticLongMethodA(tool, mix, args), "A");
  EXPECT_FALSE(vm.exceptionPending());
}

TEST(MiniJniClasses, ConstructorsFieldsAndVirtualDispatch) {
  Jvm vm;
  vm.defineClass("com/example/Base")
      .field("name", "Ljava/lang/String;")
      .constructor("(Ljava/lang/String;)V",
                   [](Call& c) {
                     c.setField("name", c.args[0]);
                     return minijni::Void();
                   })
      .method("kind", "()I", [](Call&) { return minijni::Int(1); });
  vm.defineClass("com/example/Derived", "com/example/Base")
      .constructor("(Ljava/lang/String;)V",
                   [](Call& c) {
                     c.setField("name", c.args[0]);
                     return minijni::Void();
                   })
      .method("kind", "()I", [](Call&) { return minijni::Int(2); });
  JNIEnv* env = vm.env();
  jclass base = env->FindClass("com/example/Base");
  jclass derived = env->FindClass("com/example/Derived");
  jmethodID ctor = env->GetMethodID(derived, "<init>", "(Ljava/lang/String;)V");
  jobject object = env->NewObject(derived, ctor, env->NewStringUTF("d"));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(vm.string(vm.field(object, "name").l), u"d");
  jmethodID kind = env->GetMethodID(base, "kind", "()I");
  EXPECT_EQ(env->CallIntMethod(object, kind), 2) << "virtual call reaches the override";
  EXPECT_EQ(env->CallNonvirtualIntMethod(object, base, kind), 1);
  EXPECT_TRUE(env->IsInstanceOf(object, base));
  EXPECT_EQ(env->GetMethodID(base, "kind", "()J"), nullptr);
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/NoSuchMethodError");
  vm.clearException();

  jobject boxed = vm.newObject("java/lang/Integer", "(I)V", {minijni::Int(42)});
  EXPECT_EQ(
      env->CallIntMethod(boxed, env->GetMethodID(env->FindClass("java/lang/Integer"), "intValue", "()I")),
      42);
}

TEST(MiniJniClasses, ExceptionFromABodyAndConstructor) {
  Jvm vm;
  vm.defineClass("com/example/Failing")
      .constructor("()V",
                   [](Call& c) {
                     c.throwNew("java/lang/IllegalArgumentException", "no");
                     return minijni::Void();
                   })
      .staticMethod("run", "()Z", [](Call& c) {
        c.throwNew("java/lang/RuntimeException", "late");
        return minijni::Boolean(true);
      });
  JNIEnv* env = vm.env();
  jclass cls = env->FindClass("com/example/Failing");
  EXPECT_EQ(env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V")), nullptr);
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/IllegalArgumentException");
  env->ExceptionClear();
  env->CallStaticBooleanMethod(cls, env->GetStaticMethodID(cls, "run", "()Z"));
  EXPECT_EQ(vm.pendingExceptionMessage(), u"late");
}

TEST(MiniJniReferences, FramesEndTheirReferences) {
  Jvm vm;
  JNIEnv* env = vm.env();
  size_t before = vm.liveLocalReferences();
  ASSERT_EQ(env->PushLocalFrame(4), 0);
  jstring inner = env->NewStringUTF("kept");
  env->NewStringUTF("dropped");
  jobject kept = env->PopLocalFrame(inner);
  EXPECT_EQ(vm.liveLocalReferences(), before + 1);
  EXPECT_EQ(vm.string(kept), u"kept");
  EXPECT_EQ(env->GetObjectRefType(inner), JNIInvalidRefType);
  jobject global = env->NewGlobalRef(kept);
  env->DeleteLocalRef(kept);
  EXPECT_EQ(env->GetObjectRefType(global), JNIGlobalRefType);
  EXPECT_EQ(vm.string(global), u"kept");
}

TEST(MiniJniReferences, AllocationFailureInjection) {
  Jvm vm;
  JNIEnv* env = vm.env();
  vm.failAllocation("NewString", 2);
  const jchar a = 'a';
  EXPECT_NE(env->NewString(&a, 1), nullptr);
  EXPECT_EQ(env->NewString(&a, 1), nullptr);
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/OutOfMemoryError");
  env->ExceptionClear();
  EXPECT_NE(env->NewString(&a, 1), nullptr);
}

TEST(MiniJniInvocation, EnvironmentsPerThreadAndDestroy) {
  Jvm vm;
  JavaVM* javaVm = vm.javaVm();
  void* fromOtherThread = reinterpret_cast<void*>(1);
  jint detachedResult = 0;
  JNIEnv* attached = nullptr;
  std::thread other([&] {
    detachedResult = javaVm->GetEnv(&fromOtherThread, JNI_VERSION_1_2);
    javaVm->AttachCurrentThread(reinterpret_cast<void**>(&attached), nullptr);
    attached->NewStringUTF("t");
    javaVm->DetachCurrentThread();
  });
  other.join();
  EXPECT_EQ(detachedResult, JNI_EDETACHED);
  EXPECT_EQ(fromOtherThread, nullptr);
  ASSERT_NE(attached, nullptr);
  EXPECT_NE(attached, vm.env());

  JNIEnv* env = nullptr;
  EXPECT_EQ(javaVm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2), JNI_OK);
  EXPECT_EQ(env, vm.env());
  JavaVM* viaEnv = nullptr;
  env->GetJavaVM(&viaEnv);
  EXPECT_EQ(viaEnv, javaVm);

  vm.setCallLogging(true);
  env->FindClass("java/lang/String");
  bool destroyActionRan = false;
  vm.onDestroy([&] { destroyActionRan = true; });
  EXPECT_EQ(javaVm->DestroyJavaVM(), JNI_OK);
  EXPECT_TRUE(destroyActionRan);
  EXPECT_EQ(vm.callLog(), (std::vector<std::string>{"FindClass java/lang/String", "DestroyJavaVM"}));
}

TEST(MiniJniThreads, BodiesRunConcurrentlyAndCallBackIntoJni) {
  Jvm vm;
  vm.defineClass("com/example/Echo")
      .staticMethod("echo", "(Ljava/lang/String;I)Ljava/lang/String;", [](Call& c) {
        // Objects made inside the body belong to its frame; only the result survives the call.
        jstring scratch = c.env->NewStringUTF("scratch");
        (void)scratch;
        std::u16string text = c.stringArg(0) + u"#" + minijni::utf8ToUtf16(std::to_string(c.args[1].i));
        return minijni::Object(
            c.env->NewString(reinterpret_cast<const jchar*>(text.data()), static_cast<jsize>(text.size())));
      });
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&vm, &failures, t] {
      JNIEnv* env = vm.env();
      jclass cls = env->FindClass("com/example/Echo");
      jmethodID echo = env->GetStaticMethodID(cls, "echo", "(Ljava/lang/String;I)Ljava/lang/String;");
      for (int i = 0; i < 300; ++i) {
        size_t before = vm.liveLocalReferences();
        jstring in = env->NewStringUTF(("t" + std::to_string(t)).c_str());
        auto out = static_cast<jstring>(env->CallStaticObjectMethod(cls, echo, in, jint(i)));
        const jchar* chars = env->GetStringChars(out, nullptr);
        std::u16string got(reinterpret_cast<const char16_t*>(chars),
                           static_cast<size_t>(env->GetStringLength(out)));
        env->ReleaseStringChars(out, chars);
        if (got != minijni::utf8ToUtf16("t" + std::to_string(t) + "#" + std::to_string(i))) ++failures[t];
        if (vm.liveLocalReferences() != before + 2) ++failures[t];
        env->DeleteLocalRef(in);
        env->DeleteLocalRef(out);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
  EXPECT_EQ(vm.outstandingBuffers(), 0u);
}

// Uses a real VM would crash on, or that this environment does not know, end the process naming the cause.
TEST(MiniJniDeathTest, UnexpectedUsesFailLoudly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto exits = testing::ExitedWithCode(86);
  EXPECT_EXIT(
      {
        Jvm vm;
        vm.env()->functions->GetDirectBufferAddress(vm.env(), nullptr);
      },
      exits, "JNI function GetDirectBufferAddress is not implemented");
  EXPECT_EXIT(
      {
        Jvm vm;
        vm.env()->GetStringLength(nullptr);
      },
      exits, "GetStringLength: null string");
  EXPECT_EXIT(
      {
        Jvm vm;
        JNIEnv* env = vm.env();
        jbyteArray array = vm.newByteArray({1});
        jbyte other = 0;
        env->ReleaseByteArrayElements(array, &other, 0);
      },
      exits, "ReleaseByteArrayElements: pointer was not handed out");
  EXPECT_EXIT(
      {
        Jvm vm;
        JNIEnv* env = vm.env();
        env->PushLocalFrame(1);
        jstring s = env->NewStringUTF("x");
        env->PopLocalFrame(nullptr);
        env->GetStringLength(s);
      },
      exits, "GetStringLength: use of a deleted or out-of-frame reference");
  EXPECT_EXIT(
      {
        Jvm vm;
        vm.defineClass("com/example/V").staticMethod("v", "()V", {});
        JNIEnv* env = vm.env();
        jclass cls = env->FindClass("com/example/V");
        env->CallStaticIntMethod(cls, env->GetStaticMethodID(cls, "v", "()V"));
      },
      exits, "CallStaticIntMethodV?: com/example/V.v\\(\\)V has another return type");
}

}  // namespace
