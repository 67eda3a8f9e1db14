// A small Java VM stand-in for tests: a real JNIEnv/JavaVM function table over classes, strings and arrays
// the test defines.
//
// Usage:
//   minijni::Jvm vm;
//   vm.defineClass("com/example/Box")
//       .field("value", "I")
//       .constructor("(I)V", [](minijni::Call& c) { c.setField("value", c.args[0]); return minijni::Void();
//       });
//   vm.defineClass("com/example/Tool")
//       .staticMethod("twice", "(I)I", [](minijni::Call& c) { return minijni::Int(c.args[0].i * 2); });
//   jstring s = vm.newString(u"text");
//   jobject r = someExport(vm.env(), nullptr, s);  // a JNI export found with GetProcAddress
//   EXPECT_EQ(vm.string(r), u"answer");
//   EXPECT_FALSE(vm.exceptionPending());
//
// Semantics follow a real virtual machine where tests can observe them: strings are UTF-16,
// Get*Chars / Get*ArrayElements hand out copies that Release copies back according to its mode,
// failed look-ups leave the Java exception pending and return null, local references die with
// their frame and any later use fails. A JNI slot this environment does not implement, a use a
// real VM would crash on (null string, wrong method kind, stale reference) or a release of a
// pointer never handed out ends the process with a message naming the slot: a test sees the
// unexpected use at once. Method bodies written by tests must not throw C++ exceptions.
// The environment is thread-safe; each thread gets its own JNIEnv (env()).
#ifndef DRX_TESTS_MINI_JNI_H
#define DRX_TESTS_MINI_JNI_H

#include <jni.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace minijni {

class Jvm;
struct VmState;

// One call of a method that a test implemented in C++.
struct Call {
  Jvm& vm;
  JNIEnv* env;
  jobject self;  // null for static methods
  jclass cls;    // the class the method was looked up in
  std::vector<jvalue> args;

  // Convenience for bodies: read string arguments, store fields of `self`, raise exceptions.
  std::u16string stringArg(size_t index) const;
  void setField(std::string_view name, jvalue value) const;
  jvalue field(std::string_view name) const;
  void throwNew(std::string_view className, std::string_view message) const;
};

using Body = std::function<jvalue(Call&)>;

inline jvalue Void() {
  jvalue v{};
  v.j = 0;
  return v;
}
inline jvalue Boolean(bool b) {
  jvalue v{};
  v.j = 0;
  v.z = b ? JNI_TRUE : JNI_FALSE;
  return v;
}
inline jvalue Int(jint i) {
  jvalue v{};
  v.j = 0;
  v.i = i;
  return v;
}
inline jvalue Long(jlong j) {
  jvalue v{};
  v.j = j;
  return v;
}
inline jvalue Double(jdouble d) {
  jvalue v{};
  v.d = d;
  return v;
}
inline jvalue Object(jobject l) {
  jvalue v{};
  v.j = 0;
  v.l = l;
  return v;
}

// Adds members to a class defined with Jvm::defineClass.
class ClassBuilder {
 public:
  ClassBuilder(VmState& state, void* classInfo) : state_(state), class_(classInfo) {}
  ClassBuilder& staticMethod(std::string name, std::string signature, Body body);
  ClassBuilder& method(std::string name, std::string signature, Body body);
  // A constructor without a body only allocates the object.
  ClassBuilder& constructor(std::string signature, Body body = {});
  ClassBuilder& field(std::string name, std::string signature);
  ClassBuilder& staticField(std::string name, std::string signature, jvalue initial = Void());

 private:
  ClassBuilder& addMethod(std::string name, std::string signature, bool isStatic, Body body);
  VmState& state_;
  void* class_;
};

class Jvm {
 public:
  Jvm();
  ~Jvm();
  Jvm(const Jvm&) = delete;
  Jvm& operator=(const Jvm&) = delete;

  // The calling thread's environment; the thread is attached on first use.
  JNIEnv* env();
  JavaVM* javaVm();
  static Jvm& from(JNIEnv* env);

  // Classes. Names use slashes ("com/example/Tool"). The super class must already exist.
  // java/lang/Object, String, Class, Integer (field value, (I)V, intValue()I), Throwable and the
  // usual exceptions and errors are predefined.
  ClassBuilder defineClass(std::string name, std::string superName = "java/lang/Object");
  bool hasClass(std::string_view name);

  // Values made in the calling thread's current local frame.
  jstring newString(std::u16string_view text);
  jstring newStringUtf8(std::string_view utf8);
  jbyteArray newByteArray(const std::vector<jbyte>& bytes);
  jintArray newIntArray(const std::vector<jint>& values);
  jobjectArray newObjectArray(std::string_view elementClass, const std::vector<jobject>& elements);
  jobjectArray newStringArray(const std::vector<std::u16string>& texts);
  jobject newObject(std::string_view className, std::string_view constructorSignature,
                    std::initializer_list<jvalue> args = {});

  // Reading values back; wrong kinds and stale references fail loudly.
  bool isNull(jobject ref);
  std::string className(jobject ref);
  std::u16string string(jobject ref);
  std::string stringUtf8(jobject ref);
  jsize arrayLength(jobject ref);
  std::vector<jbyte> bytes(jobject ref);
  std::vector<jint> ints(jobject ref);
  std::vector<jobject> elements(jobject ref);
  std::vector<std::u16string> strings(jobject ref);  // a null element fails loudly
  jvalue field(jobject ref, std::string_view name);
  jvalue staticField(std::string_view className, std::string_view name);
  bool sameObject(jobject a, jobject b);

  // The calling thread's pending exception.
  bool exceptionPending();
  std::string pendingExceptionClass();       // "" when none
  std::u16string pendingExceptionMessage();  // "" when none or no message
  void clearException();
  void throwNew(std::string_view className, std::string_view message);

  // Diagnostics for tests.
  // Get*Chars / Get*Elements / critical buffers handed out and not yet released (all threads).
  size_t outstandingBuffers();
  // Live local references of the calling thread.
  size_t liveLocalReferences();
  // JNI slots called while an exception was pending (a real VM leaves that undefined).
  std::vector<std::string> callsWithPendingException();
  // Each JNI call as "<slot>" or "<slot> <detail>", in order, when enabled.
  void setCallLogging(bool on);
  std::vector<std::string> callLog();
  // Also hands each logged entry to `observer` as it happens (under the VM's lock: the observer
  // must not call back into the VM).
  void setCallObserver(std::function<void(const std::string&)> observer);
  // Make the nth call from now of an allocating slot ("NewString", "NewObjectArray",
  // "NewByteArray", "NewObject", ...) fail as out of memory: null and a pending OutOfMemoryError.
  void failAllocation(std::string_view slot, int nth = 1);
  // GetStringChars copies end with a zero character by default, as HotSpot's do; the JNI contract
  // does not promise one. Off, each copy is followed by two U+FFFD characters before the zero, so
  // code that passes the copy on as a terminated string shows the stray characters in its result.
  void setStringCharsTerminated(bool terminated);
  // Runs inside DestroyJavaVM before it returns (the runtime stand-in waits for its threads there).
  void onDestroy(std::function<void()> action);
  bool destroyed();

 private:
  std::unique_ptr<VmState> state_;
};

// Ends the process with a message naming what went wrong. A handler set here runs first (the
// runtime stand-in writes the message into its report); it must not return normally.
[[noreturn]] void failLoudly(const std::string& message);
void setFailureHandler(void (*handler)(const std::string& message));

// UTF conversions used by tests and reports. Invalid input becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);  // lone surrogates become U+FFFD
std::string toModifiedUtf8(std::u16string_view utf16);
std::u16string fromModifiedUtf8(std::string_view bytes);

}  // namespace minijni

#endif
