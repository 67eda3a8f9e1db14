// Object heap, class table, references and method dispatch shared by every JNI function.
#include "vm_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace minijni {

namespace {
void (*gFailureHandler)(const std::string&) = nullptr;
}

void setFailureHandler(void (*handler)(const std::string&)) { gFailureHandler = handler; }

void failLoudly(const std::string& message) {
  std::string text = "mini JNI: " + message + "\n";
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
  if (gFailureHandler) gFailureHandler(text);
  // _Exit rather than abort: the C runtime's abort may show a message box in a GUI process.
  std::_Exit(86);
}

VmState::VmState(Jvm& owner) : jvm(owner) { vmBlock.state = this; }

EnvState& VmState::envFor(std::thread::id thread) {
  auto found = envByThread.find(thread);
  if (found != envByThread.end()) return *found->second;
  EnvState& env = envs.emplace_back();
  env.vm = this;
  env.thread = thread;
  env.block.state = &env;
  env.block.env.functions = &functionTable();
  env.frameStarts.push_back(0);
  envByThread[thread] = &env;
  return env;
}

void VmState::record(std::string entry) {
  if (!logging) return;
  log.push_back(std::move(entry));
  if (observer) observer(log.back());
}

ObjectData* VmState::allocate(Kind kind, ClassInfo* cls) {
  ObjectData& object = heap.emplace_back();
  object.kind = kind;
  object.cls = cls;
  return &object;
}

ClassInfo* VmState::findClass(std::string_view name) {
  auto found = classByName.find(name);
  return found == classByName.end() ? nullptr : found->second;
}

ClassInfo* VmState::defineClass(std::string name, ClassInfo* super) {
  if (findClass(name)) failLoudly("class " + name + " defined twice");
  ClassInfo& cls = classes.emplace_back();
  cls.name = std::move(name);
  cls.super = super;
  cls.classObject = allocate(Kind::Class, findClass("java/lang/Class"));
  cls.classObject->described = &cls;
  classByName[cls.name] = &cls;
  return &cls;
}

ObjectData* VmState::newString(std::u16string text) {
  ObjectData* object = allocate(Kind::String, findClass("java/lang/String"));
  object->text = std::move(text);
  return object;
}

size_t elementSize(char type) {
  switch (type) {
    case 'Z':
    case 'B':
      return 1;
    case 'C':
    case 'S':
      return 2;
    case 'I':
    case 'F':
      return 4;
    case 'J':
    case 'D':
      return 8;
  }
  failLoudly(std::string("no primitive element type '") + type + "'");
}

ObjectData* VmState::newArray(char elementType, ClassInfo* elementClass, jsize length) {
  std::string name = "[";
  name += elementType == 'L' ? "L" + elementClass->name + ";" : std::string(1, elementType);
  if (elementType == 'L' && elementClass->name.front() == '[') name = "[" + elementClass->name;
  ClassInfo* cls = findClass(name);
  if (!cls) cls = defineClass(name, findClass("java/lang/Object"));
  ObjectData* object = allocate(Kind::Array, cls);
  object->elementType = elementType;
  object->elementClass = elementClass;
  object->length = length;
  if (elementType == 'L') {
    object->elements.assign(static_cast<size_t>(length), nullptr);
  } else {
    object->primitives.assign(static_cast<size_t>(length) * elementSize(elementType), 0);
  }
  return object;
}

ObjectData* VmState::newThrowable(std::string_view className, std::u16string message) {
  ClassInfo* cls = findClass(className);
  if (!cls) failLoudly("exception class " + std::string(className) + " is not defined");
  ObjectData* object = allocate(Kind::Instance, cls);
  object->fields["message"] = Object(reinterpret_cast<jobject>(newString(std::move(message))));
  return object;
}

jobject VmState::newLocal(EnvState& env, ObjectData* target) {
  if (!target) return nullptr;
  Ref& ref = env.locals.emplace_back();
  ref.target = target;
  ref.owner = &env;
  env.frame.push_back(&ref);
  return reinterpret_cast<jobject>(&ref);
}

jobject VmState::newGlobal(ObjectData* target) {
  if (!target) return nullptr;
  Ref& ref = globals.emplace_back();
  ref.target = target;
  ref.kind = RefKind::Global;
  return reinterpret_cast<jobject>(&ref);
}

ObjectData* VmState::deref(jobject handle, const char* slot) {
  if (!handle) return nullptr;
  auto* ref = reinterpret_cast<Ref*>(handle);
  if (ref->magic != kRefMagic) failLoudly(std::string(slot) + ": argument is not a reference of this VM");
  if (!ref->live) failLoudly(std::string(slot) + ": use of a deleted or out-of-frame reference");
  if (ref->kind == RefKind::Local && ref->owner && ref->owner->thread != std::this_thread::get_id()) {
    failLoudly(std::string(slot) + ": local reference used on another thread");
  }
  return ref->target;
}

bool VmState::isSubclass(ClassInfo* cls, ClassInfo* of) {
  for (; cls; cls = cls->super) {
    if (cls == of) return true;
  }
  return false;
}

MethodInfo* VmState::findMethod(ClassInfo* cls, std::string_view name, std::string_view sig, bool isStatic) {
  for (ClassInfo* c = cls; c; c = c->super) {
    for (MethodInfo& m : c->methods) {
      if (m.isStatic == isStatic && m.name == name && m.signature == sig) return &m;
    }
    if (name == "<init>") break;  // constructors are not inherited
  }
  return nullptr;
}

FieldInfo* VmState::findField(ClassInfo* cls, std::string_view name, bool isStatic) {
  for (ClassInfo* c = cls; c; c = c->super) {
    for (FieldInfo& f : c->fields) {
      if (f.isStatic == isStatic && f.name == name) return &f;
    }
  }
  return nullptr;
}

void* VmState::handOut(BufferKind kind, ObjectData* owner, char elementType, const void* data, size_t bytes,
                       jboolean* isCopy) {
  std::unique_ptr<unsigned char[]> storage(new unsigned char[bytes == 0 ? 1 : bytes]);
  if (bytes) std::memcpy(storage.get(), data, bytes);
  void* pointer = storage.get();
  buffers[pointer] = Buffer{kind, owner, elementType, std::move(storage)};
  if (isCopy) *isCopy = JNI_TRUE;
  return pointer;
}

std::map<const void*, Buffer>::iterator VmState::handedOut(BufferKind kind, ObjectData* owner,
                                                           const void* pointer, const char* slot,
                                                           const char* ownerKind) {
  auto found = buffers.find(pointer);
  if (found == buffers.end() || found->second.kind != kind || found->second.owner != owner) {
    failLoudly(std::string(slot) + ": pointer was not handed out for this " + ownerKind +
               " by the matching Get function");
  }
  return found;
}

std::nullptr_t VmState::raise(EnvState& env, std::string_view className, std::u16string message) {
  env.pending = newThrowable(className, std::move(message));
  return nullptr;
}

bool VmState::allocationFails(EnvState& env, std::string_view slot) {
  auto found = allocationFailures.find(slot);
  if (found == allocationFailures.end()) return false;
  if (--found->second > 0) return false;
  allocationFailures.erase(found);
  raise(env, "java/lang/OutOfMemoryError", u"Java heap space");
  return true;
}

jvalue VmState::store(char type, jvalue value, const char* slot) {
  if (type == 'L') value.l = reinterpret_cast<jobject>(deref(value.l, slot));
  return value;
}

jvalue VmState::load(EnvState& env, char type, jvalue stored) {
  if (type == 'L') stored.l = newLocal(env, reinterpret_cast<ObjectData*>(stored.l));
  return stored;
}

std::string dottedName(std::string_view name) {
  std::string dotted(name);
  for (char& c : dotted) {
    if (c == '/') c = '.';
  }
  return dotted;
}

EnvState& envState(JNIEnv* env) {
  if (!env) failLoudly("JNI function called with a null JNIEnv");
  return *reinterpret_cast<EnvBlock*>(env)->state;
}

namespace {
bool allowedWithPendingException(const char* slot) {
  static const char* const kAllowed[] = {
      "ExceptionOccurred",  "ExceptionDescribe",     "ExceptionClear",        "ExceptionCheck",
      "ReleaseStringChars", "ReleaseStringUTFChars", "ReleaseStringCritical", "ReleasePrimitiveArrayCritical",
      "DeleteLocalRef",     "DeleteGlobalRef",       "DeleteWeakGlobalRef",   "MonitorExit",
      "PushLocalFrame",     "PopLocalFrame"};
  for (const char* allowed : kAllowed) {
    if (std::string_view(slot) == allowed) return true;
  }
  return std::string_view(slot).starts_with("Release") && std::string_view(slot).ends_with("ArrayElements");
}
}  // namespace

Entry::Entry(Helper, VmState& state, const char* what)
    : vm(state),
      env([&]() -> EnvState& {
        std::lock_guard<std::mutex> hold(state.lock);
        return state.envFor(std::this_thread::get_id());
      }()),
      guard(state.lock),
      slot(what) {
  if (vm.destroyed) failLoudly(std::string(slot) + " used after DestroyJavaVM");
  env.attached = true;
}

Entry::Entry(JNIEnv* jniEnv, const char* slotName, std::string detail)
    : vm(*envState(jniEnv).vm), env(envState(jniEnv)), guard(vm.lock), slot(slotName) {
  if (vm.destroyed) failLoudly(std::string(slot) + " called after DestroyJavaVM");
  if (env.thread != std::this_thread::get_id()) {
    failLoudly(std::string(slot) + ": JNIEnv used on a thread it does not belong to");
  }
  if (!env.attached) failLoudly(std::string(slot) + ": JNIEnv of a detached thread");
  if (env.pending && !allowedWithPendingException(slot)) vm.pendingCalls.emplace_back(slot);
  vm.record(detail.empty() ? std::string(slot) : std::string(slot) + " " + detail);
}

std::vector<jvalue> readArgs(const MethodInfo& method, va_list args) {
  std::vector<jvalue> out;
  for (char type : method.params) {
    jvalue v{};
    v.j = 0;
    switch (type) {
      case 'Z':
        v.z = static_cast<jboolean>(va_arg(args, int));
        break;
      case 'B':
        v.b = static_cast<jbyte>(va_arg(args, int));
        break;
      case 'C':
        v.c = static_cast<jchar>(va_arg(args, int));
        break;
      case 'S':
        v.s = static_cast<jshort>(va_arg(args, int));
        break;
      case 'I':
        v.i = va_arg(args, jint);
        break;
      case 'J':
        v.j = va_arg(args, jlong);
        break;
      case 'F':
        v.f = static_cast<jfloat>(va_arg(args, double));
        break;
      case 'D':
        v.d = va_arg(args, double);
        break;
      default:
        v.l = va_arg(args, jobject);
        break;
    }
    out.push_back(v);
  }
  return out;
}

std::vector<jvalue> readArgs(const MethodInfo& method, const jvalue* args) {
  std::vector<jvalue> out;
  if (!method.params.empty() && !args) failLoudly(method.name + ": null jvalue array for arguments");
  for (size_t i = 0; i < method.params.size(); ++i) out.push_back(args[i]);
  return out;
}

jvalue invoke(Entry& entry, MethodInfo* method, ObjectData* self, ClassInfo* cls, std::vector<jvalue> args) {
  VmState& vm = entry.vm;
  EnvState& env = entry.env;
  // Arguments that are objects stay valid: they are references of the caller's frame.
  env.frameStarts.push_back(env.frame.size());
  jobject selfRef = vm.newLocal(env, self);
  jobject clsRef = vm.newLocal(env, cls->classObject);
  Call call{vm.jvm, &env.block.env, selfRef, static_cast<jclass>(clsRef), std::move(args)};
  jvalue result = Void();
  if (method->body) {
    entry.guard.unlock();
    result = method->body(call);
    entry.guard.lock();
  }
  // The method's own frame ends here; an object result moves to the caller's frame.
  ObjectData* resultObject = nullptr;
  if (method->returnType == 'L' && result.l) resultObject = vm.deref(result.l, method->name.c_str());
  size_t start = env.frameStarts.back();
  env.frameStarts.pop_back();
  for (size_t i = start; i < env.frame.size(); ++i) env.frame[i]->live = false;
  env.frame.resize(start);
  if (method->returnType == 'L') result.l = vm.newLocal(env, resultObject);
  return result;
}

}  // namespace minijni
