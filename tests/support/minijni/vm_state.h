// Internal model of the mini JNI environment: objects, classes, references, per-thread environments.
#ifndef DRX_TESTS_MINIJNI_VM_STATE_H
#define DRX_TESTS_MINIJNI_VM_STATE_H

#include "mini_jni.h"

#include <cstdarg>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace minijni {

struct ClassInfo;
struct EnvState;

enum class Kind { Instance, Class, String, Array };

struct ObjectData {
  Kind kind = Kind::Instance;
  ClassInfo* cls = nullptr;
  // Instance fields by name; object values hold ObjectData* (see store/load).
  std::map<std::string, jvalue, std::less<>> fields;
  std::u16string text;   // strings
  char elementType = 0;  // arrays: 'Z','B',... or 'L'
  jsize length = 0;
  std::vector<unsigned char> primitives;  // primitive array storage
  std::vector<ObjectData*> elements;      // object array storage
  ClassInfo* elementClass = nullptr;      // object arrays
  ClassInfo* described = nullptr;         // class objects
};

struct MethodInfo {
  ClassInfo* owner = nullptr;
  std::string name;
  std::string signature;
  bool isStatic = false;
  std::string params;  // one type letter per parameter ('L' for objects and arrays)
  char returnType = 'V';
  Body body;
};

struct FieldInfo {
  ClassInfo* owner = nullptr;
  std::string name;
  std::string signature;
  bool isStatic = false;
  char type = 'I';       // 'L' for objects and arrays
  jvalue staticValue{};  // stored form (see VmState::store)
};

struct ClassInfo {
  std::string name;
  ClassInfo* super = nullptr;
  std::deque<MethodInfo> methods;
  std::deque<FieldInfo> fields;
  ObjectData* classObject = nullptr;
};

constexpr uint32_t kRefMagic = 0x6a52e7f1;
enum class RefKind { Local, Global };

struct Ref {
  uint32_t magic = kRefMagic;
  ObjectData* target = nullptr;
  RefKind kind = RefKind::Local;
  bool live = true;
  EnvState* owner = nullptr;
};

// The eight primitive types as (Name, C type, signature letter, jvalue member), so each family of
// typed JNI functions is written once and installed from the same list.
#define DRX_MINIJNI_PRIMITIVES(X) \
  X(Boolean, jboolean, 'Z', z)    \
  X(Byte, jbyte, 'B', b)          \
  X(Char, jchar, 'C', c)          \
  X(Short, jshort, 'S', s)        \
  X(Int, jint, 'I', i)            \
  X(Long, jlong, 'J', j)          \
  X(Float, jfloat, 'F', f)        \
  X(Double, jdouble, 'D', d)

enum class BufferKind { StringChars, StringUtf, StringCritical, ArrayElements, ArrayCritical };

struct Buffer {
  BufferKind kind;
  ObjectData* owner;
  char elementType;  // arrays
  std::unique_ptr<unsigned char[]> storage;
};

// What a JNIEnv* points at: the table pointer followed by our state.
struct EnvBlock {
  JNIEnv_ env;
  EnvState* state;
};

struct VmBlock {
  JavaVM_ vm;
  VmState* state;
};

// One JNIEnv per attached thread.
struct EnvState {
  EnvBlock block{};
  VmState* vm = nullptr;
  std::thread::id thread;
  std::deque<Ref> locals;           // never shrinks, so stale references stay detectable
  std::vector<size_t> frameStarts;  // index into `frame` where each local frame begins
  std::vector<Ref*> frame;          // live-or-dead local references, newest last
  ObjectData* pending = nullptr;
  bool attached = true;
};

struct VmState {
  explicit VmState(Jvm& owner);

  Jvm& jvm;
  VmBlock vmBlock{};
  std::mutex lock;
  std::deque<ObjectData> heap;  // objects live as long as the VM
  std::deque<ClassInfo> classes;
  std::map<std::string, ClassInfo*, std::less<>> classByName;
  std::deque<Ref> globals;
  std::deque<EnvState> envs;
  std::unordered_map<std::thread::id, EnvState*> envByThread;
  std::map<const void*, Buffer> buffers;
  std::vector<std::string> pendingCalls;
  bool logging = false;
  bool terminateStringChars = true;
  std::vector<std::string> log;
  std::function<void(const std::string&)> observer;
  std::map<std::string, int, std::less<>> allocationFailures;
  std::vector<std::function<void()>> destroyActions;
  bool destroyed = false;

  // All helpers below expect `lock` held.
  void record(std::string entry);  // call log and observer, when logging is on
  EnvState& envFor(std::thread::id thread);
  ObjectData* allocate(Kind kind, ClassInfo* cls);
  ClassInfo* findClass(std::string_view name);
  ClassInfo* defineClass(std::string name, ClassInfo* super);
  ObjectData* newString(std::u16string text);
  ObjectData* newArray(char elementType, ClassInfo* elementClass, jsize length);
  ObjectData* newThrowable(std::string_view className, std::u16string message);
  jobject newLocal(EnvState& env, ObjectData* target);
  jobject newGlobal(ObjectData* target);
  ObjectData* deref(jobject ref, const char* slot);  // null ref gives null; stale fails loudly
  bool isSubclass(ClassInfo* cls, ClassInfo* of);
  MethodInfo* findMethod(ClassInfo* cls, std::string_view name, std::string_view sig, bool isStatic);
  FieldInfo* findField(ClassInfo* cls, std::string_view name, bool isStatic);
  // Field values keep objects as ObjectData*, never as references that die with a frame.
  jvalue store(char type, jvalue value, const char* slot);
  jvalue load(EnvState& env, char type, jvalue stored);
  // Sets a pending exception on env; always returns null for `return vm.raise(...)`.
  std::nullptr_t raise(EnvState& env, std::string_view className, std::u16string message);
  // True when the nth-call failure set up by failAllocation fires (raises OutOfMemoryError).
  bool allocationFails(EnvState& env, std::string_view slot);
  // A copy of bytes handed out as what a Get...Chars/Elements function returns; like HotSpot,
  // always a copy (isCopy is set), and never a null pointer, even for no bytes.
  void* handOut(BufferKind kind, ObjectData* owner, char elementType, const void* data, size_t bytes,
                jboolean* isCopy);
  // The buffer the matching Get function handed out at pointer for owner ("string", "array" in
  // the message); a pointer from elsewhere fails loudly in slot.
  std::map<const void*, Buffer>::iterator handedOut(BufferKind kind, ObjectData* owner, const void* pointer,
                                                    const char* slot, const char* ownerKind);
};

// Entry bookkeeping of every JNI function: takes the lock, records the call and calls made with
// an exception pending.
class Entry {
 public:
  Entry(JNIEnv* env, const char* slot, std::string detail = {});
  // For the test-facing helpers of Jvm: not logged, not counted as calls with a pending exception.
  struct Helper {};
  Entry(Helper, VmState& vm, const char* what);
  VmState& vm;
  EnvState& env;
  std::unique_lock<std::mutex> guard;
  const char* slot;
};

EnvState& envState(JNIEnv* env);
// Invokes a test-written body outside the lock; returns the result with objects as new local
// references in the caller's frame. `guard` is released during the call and held again after.
jvalue invoke(Entry& entry, MethodInfo* method, ObjectData* self, ClassInfo* cls, std::vector<jvalue> args);
std::vector<jvalue> readArgs(const MethodInfo& method, va_list args);
std::vector<jvalue> readArgs(const MethodInfo& method, const jvalue* args);
size_t elementSize(char type);
std::string dottedName(std::string_view name);

void installObjectFunctions(JNINativeInterface_& table);
void installCallFunctions(JNINativeInterface_& table);
void installStringFunctions(JNINativeInterface_& table);
void installArrayFunctions(JNINativeInterface_& table);
void installExceptionAndReferenceFunctions(JNINativeInterface_& table);
const JNINativeInterface_& functionTable();
void fillWithUnimplementedSlots(JNINativeInterface_& table);
void installInvokeFunctions(JNIInvokeInterface_& table);
void defineBuiltinClasses(VmState& vm);

}  // namespace minijni

#endif
