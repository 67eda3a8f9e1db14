// The Call*Method families (static, virtual, nonvirtual; variadic, V and A forms) and NewObject.
#include "vm_state.h"

namespace minijni {

namespace {

struct ArgSource {
  va_list* list = nullptr;
  const jvalue* array = nullptr;
};

std::vector<jvalue> read(const MethodInfo& m, ArgSource source) {
  if (source.list) return readArgs(m, *source.list);
  return readArgs(m, source.array);
}

std::string methodDetail(jmethodID id) {
  return id ? reinterpret_cast<MethodInfo*>(id)->name : std::string("<null method>");
}

MethodInfo* checkMethod(Entry& e, jmethodID id, bool wantStatic, char wantReturn) {
  if (!id) failLoudly(std::string(e.slot) + ": null method ID");
  auto* m = reinterpret_cast<MethodInfo*>(id);
  std::string what = std::string(e.slot) + ": " + m->owner->name + "." + m->name + m->signature;
  if (m->isStatic != wantStatic) failLoudly(what + (m->isStatic ? " is static" : " is not static"));
  if (m->name == "<init>") failLoudly(what + " is a constructor (use NewObject)");
  if (m->returnType != wantReturn) failLoudly(what + " has another return type");
  return m;
}

ClassInfo* classOf(Entry& e, jclass clazz) {
  ObjectData* object = e.vm.deref(clazz, e.slot);
  if (!object) failLoudly(std::string(e.slot) + ": null class");
  if (object->kind != Kind::Class) failLoudly(std::string(e.slot) + ": argument is not a class");
  return object->described;
}

jvalue staticCall(JNIEnv* env, const char* slot, jclass clazz, jmethodID id, char want, ArgSource source) {
  Entry e(env, slot, methodDetail(id));
  ClassInfo* cls = classOf(e, clazz);
  MethodInfo* m = checkMethod(e, id, true, want);
  if (!e.vm.isSubclass(cls, m->owner)) {
    failLoudly(std::string(slot) + ": method " + m->name + " does not belong to class " + cls->name);
  }
  return invoke(e, m, nullptr, cls, read(*m, source));
}

jvalue instanceCall(JNIEnv* env, const char* slot, jobject obj, jclass clazz, jmethodID id, char want,
                    ArgSource source) {
  Entry e(env, slot, methodDetail(id));
  ObjectData* self = e.vm.deref(obj, slot);
  // A real VM crashes here; the test should see the null at once.
  if (!self) failLoudly(std::string(slot) + ": null object");
  MethodInfo* m = checkMethod(e, id, false, want);
  if (!e.vm.isSubclass(self->cls, m->owner)) {
    failLoudly(std::string(slot) + ": object of " + self->cls->name + " has no method " + m->owner->name +
               "." + m->name);
  }
  ClassInfo* cls = self->cls;
  if (clazz) {
    cls = classOf(e, clazz);  // nonvirtual: the given class's method
  } else if (MethodInfo* override = e.vm.findMethod(self->cls, m->name, m->signature, false)) {
    m = override;
  }
  return invoke(e, m, self, cls, read(*m, source));
}

jobject newObject(JNIEnv* env, const char* slot, jclass clazz, jmethodID id, ArgSource source) {
  Entry e(env, slot, id ? reinterpret_cast<MethodInfo*>(id)->owner->name : std::string());
  ClassInfo* cls = classOf(e, clazz);
  if (!id) failLoudly(std::string(slot) + ": null method ID");
  auto* m = reinterpret_cast<MethodInfo*>(id);
  if (m->name != "<init>" || m->owner != cls) {
    failLoudly(std::string(slot) + ": " + m->owner->name + "." + m->name + " is not a constructor of " +
               cls->name);
  }
  if (e.vm.allocationFails(e.env, slot)) return nullptr;
  ObjectData* object = e.vm.allocate(Kind::Instance, cls);
  invoke(e, m, object, cls, read(*m, source));
  // A constructor that throws leaves no object behind.
  if (e.env.pending) return nullptr;
  return e.vm.newLocal(e.env, object);
}

jobject JNICALL newObjectVariadic(JNIEnv* env, jclass clazz, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  jobject result = newObject(env, "NewObject", clazz, id, ArgSource{&args, nullptr});
  va_end(args);
  return result;
}

jobject JNICALL newObjectV(JNIEnv* env, jclass clazz, jmethodID id, va_list args) {
  va_list copy;
  va_copy(copy, args);
  jobject result = newObject(env, "NewObjectV", clazz, id, ArgSource{&copy, nullptr});
  va_end(copy);
  return result;
}

jobject JNICALL newObjectA(JNIEnv* env, jclass clazz, jmethodID id, const jvalue* args) {
  return newObject(env, "NewObjectA", clazz, id, ArgSource{nullptr, args});
}

jobject JNICALL allocObject(JNIEnv* env, jclass clazz) {
  Entry e(env, "AllocObject");
  ClassInfo* cls = classOf(e, clazz);
  if (e.vm.allocationFails(e.env, "AllocObject")) return nullptr;
  return e.vm.newLocal(e.env, e.vm.allocate(Kind::Instance, cls));
}

// One family per return type: Call<T>Method, CallNonvirtual<T>Method, CallStatic<T>Method, each
// variadic, V and A.
#define DRX_CALL_FAMILY(Type, jtype, letter, RETURN)                                                        \
  jtype JNICALL call##Type(JNIEnv* env, jobject obj, jmethodID id, ...) {                                   \
    va_list args;                                                                                           \
    va_start(args, id);                                                                                     \
    jvalue r =                                                                                              \
        instanceCall(env, "Call" #Type "Method", obj, nullptr, id, letter, ArgSource{&args, nullptr});      \
    va_end(args);                                                                                           \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL call##Type##V(JNIEnv* env, jobject obj, jmethodID id, va_list args) {                       \
    va_list copy;                                                                                           \
    va_copy(copy, args);                                                                                    \
    jvalue r =                                                                                              \
        instanceCall(env, "Call" #Type "MethodV", obj, nullptr, id, letter, ArgSource{&copy, nullptr});     \
    va_end(copy);                                                                                           \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL call##Type##A(JNIEnv* env, jobject obj, jmethodID id, const jvalue* args) {                 \
    jvalue r =                                                                                              \
        instanceCall(env, "Call" #Type "MethodA", obj, nullptr, id, letter, ArgSource{nullptr, args});      \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL callNonvirtual##Type(JNIEnv* env, jobject obj, jclass clazz, jmethodID id, ...) {           \
    va_list args;                                                                                           \
    va_start(args, id);                                                                                     \
    jvalue r = instanceCall(env, "CallNonvirtual" #Type "Method", obj, clazz, id, letter,                   \
                            ArgSource{&args, nullptr});                                                     \
    va_end(args);                                                                                           \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL callNonvirtual##Type##V(JNIEnv* env, jobject obj, jclass clazz, jmethodID id,               \
                                        va_list args) {                                                     \
    va_list copy;                                                                                           \
    va_copy(copy, args);                                                                                    \
    jvalue r = instanceCall(env, "CallNonvirtual" #Type "MethodV", obj, clazz, id, letter,                  \
                            ArgSource{&copy, nullptr});                                                     \
    va_end(copy);                                                                                           \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL callNonvirtual##Type##A(JNIEnv* env, jobject obj, jclass clazz, jmethodID id,               \
                                        const jvalue* args) {                                               \
    jvalue r = instanceCall(env, "CallNonvirtual" #Type "MethodA", obj, clazz, id, letter,                  \
                            ArgSource{nullptr, args});                                                      \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL callStatic##Type(JNIEnv* env, jclass clazz, jmethodID id, ...) {                            \
    va_list args;                                                                                           \
    va_start(args, id);                                                                                     \
    jvalue r = staticCall(env, "CallStatic" #Type "Method", clazz, id, letter, ArgSource{&args, nullptr});  \
    va_end(args);                                                                                           \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL callStatic##Type##V(JNIEnv* env, jclass clazz, jmethodID id, va_list args) {                \
    va_list copy;                                                                                           \
    va_copy(copy, args);                                                                                    \
    jvalue r = staticCall(env, "CallStatic" #Type "MethodV", clazz, id, letter, ArgSource{&copy, nullptr}); \
    va_end(copy);                                                                                           \
    RETURN;                                                                                                 \
  }                                                                                                         \
  jtype JNICALL callStatic##Type##A(JNIEnv* env, jclass clazz, jmethodID id, const jvalue* args) {          \
    jvalue r = staticCall(env, "CallStatic" #Type "MethodA", clazz, id, letter, ArgSource{nullptr, args});  \
    RETURN;                                                                                                 \
  }

DRX_CALL_FAMILY(Object, jobject, 'L', return r.l)
#define DRX_CALL_PRIMITIVE(Type, jtype, letter, member) DRX_CALL_FAMILY(Type, jtype, letter, return r.member)
DRX_MINIJNI_PRIMITIVES(DRX_CALL_PRIMITIVE)
#undef DRX_CALL_PRIMITIVE
DRX_CALL_FAMILY(Void, void, 'V', (void)r)

#undef DRX_CALL_FAMILY

}  // namespace

void installCallFunctions(JNINativeInterface_& t) {
  t.AllocObject = allocObject;
  t.NewObject = newObjectVariadic;
  t.NewObjectV = newObjectV;
  t.NewObjectA = newObjectA;
#define DRX_INSTALL(Type, ...)                               \
  t.Call##Type##Method = call##Type;                         \
  t.Call##Type##MethodV = call##Type##V;                     \
  t.Call##Type##MethodA = call##Type##A;                     \
  t.CallNonvirtual##Type##Method = callNonvirtual##Type;     \
  t.CallNonvirtual##Type##MethodV = callNonvirtual##Type##V; \
  t.CallNonvirtual##Type##MethodA = callNonvirtual##Type##A; \
  t.CallStatic##Type##Method = callStatic##Type;             \
  t.CallStatic##Type##MethodV = callStatic##Type##V;         \
  t.CallStatic##Type##MethodA = callStatic##Type##A;
  DRX_INSTALL(Object)
  DRX_MINIJNI_PRIMITIVES(DRX_INSTALL)
  DRX_INSTALL(Void)
#undef DRX_INSTALL
}

}  // namespace minijni
