// Class look-up, method and field IDs, field access and object identity functions.
#include "vm_state.h"

namespace minijni {

namespace {

ClassInfo* classArg(Entry& e, jclass clazz) {
  ObjectData* object = e.vm.deref(clazz, e.slot);
  if (!object) failLoudly(std::string(e.slot) + ": null class");
  if (object->kind != Kind::Class) failLoudly(std::string(e.slot) + ": argument is not a class");
  return object->described;
}

const char* nonNullText(Entry& e, const char* text, const char* what) {
  if (!text) failLoudly(std::string(e.slot) + ": null " + what);
  return text;
}

jint JNICALL getVersion(JNIEnv* env) {
  Entry e(env, "GetVersion");
  return JNI_VERSION_1_8;
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
  Entry e(env, "FindClass", name ? name : "<null>");
  nonNullText(e, name, "class name");
  // A dotted name is a caller fault that a real VM answers with NoClassDefFoundError too.
  ClassInfo* cls =
      std::string_view(name).find('.') == std::string_view::npos ? e.vm.findClass(name) : nullptr;
  if (!cls)
    return static_cast<jclass>(e.vm.raise(e.env, "java/lang/NoClassDefFoundError", utf8ToUtf16(name)));
  return static_cast<jclass>(e.vm.newLocal(e.env, cls->classObject));
}

jclass JNICALL getSuperclass(JNIEnv* env, jclass clazz) {
  Entry e(env, "GetSuperclass");
  ClassInfo* cls = classArg(e, clazz);
  return static_cast<jclass>(cls->super ? e.vm.newLocal(e.env, cls->super->classObject) : nullptr);
}

jboolean JNICALL isAssignableFrom(JNIEnv* env, jclass sub, jclass sup) {
  Entry e(env, "IsAssignableFrom");
  ClassInfo* from = classArg(e, sub);
  ClassInfo* to = classArg(e, sup);
  return e.vm.isSubclass(from, to) ? JNI_TRUE : JNI_FALSE;
}

jclass JNICALL getObjectClass(JNIEnv* env, jobject obj) {
  Entry e(env, "GetObjectClass");
  ObjectData* object = e.vm.deref(obj, e.slot);
  if (!object) failLoudly("GetObjectClass: null object");
  return static_cast<jclass>(e.vm.newLocal(e.env, object->cls->classObject));
}

jboolean JNICALL isInstanceOf(JNIEnv* env, jobject obj, jclass clazz) {
  Entry e(env, "IsInstanceOf");
  ObjectData* object = e.vm.deref(obj, e.slot);
  ClassInfo* cls = classArg(e, clazz);
  // null is an instance of every class in JNI's terms.
  return !object || e.vm.isSubclass(object->cls, cls) ? JNI_TRUE : JNI_FALSE;
}

jmethodID methodId(JNIEnv* env, const char* slot, jclass clazz, const char* name, const char* sig,
                   bool isStatic) {
  Entry e(env, slot, std::string(name ? name : "<null>") + " " + (sig ? sig : "<null>"));
  ClassInfo* cls = classArg(e, clazz);
  nonNullText(e, name, "method name");
  nonNullText(e, sig, "signature");
  MethodInfo* m = e.vm.findMethod(cls, name, sig, isStatic);
  if (!m) {
    return static_cast<jmethodID>(e.vm.raise(e.env, "java/lang/NoSuchMethodError", utf8ToUtf16(name)));
  }
  return reinterpret_cast<jmethodID>(m);
}

jmethodID JNICALL getMethodId(JNIEnv* env, jclass clazz, const char* name, const char* sig) {
  return methodId(env, "GetMethodID", clazz, name, sig, false);
}

jmethodID JNICALL getStaticMethodId(JNIEnv* env, jclass clazz, const char* name, const char* sig) {
  return methodId(env, "GetStaticMethodID", clazz, name, sig, true);
}

jfieldID fieldId(JNIEnv* env, const char* slot, jclass clazz, const char* name, const char* sig,
                 bool isStatic) {
  Entry e(env, slot, std::string(name ? name : "<null>"));
  ClassInfo* cls = classArg(e, clazz);
  nonNullText(e, name, "field name");
  nonNullText(e, sig, "signature");
  FieldInfo* f = e.vm.findField(cls, name, isStatic);
  if (!f || f->signature != sig) {
    return static_cast<jfieldID>(e.vm.raise(e.env, "java/lang/NoSuchFieldError", utf8ToUtf16(name)));
  }
  return reinterpret_cast<jfieldID>(f);
}

jfieldID JNICALL getFieldId(JNIEnv* env, jclass clazz, const char* name, const char* sig) {
  return fieldId(env, "GetFieldID", clazz, name, sig, false);
}

jfieldID JNICALL getStaticFieldId(JNIEnv* env, jclass clazz, const char* name, const char* sig) {
  return fieldId(env, "GetStaticFieldID", clazz, name, sig, true);
}

FieldInfo* checkField(Entry& e, jfieldID id, bool isStatic, char type) {
  if (!id) failLoudly(std::string(e.slot) + ": null field ID");
  auto* f = reinterpret_cast<FieldInfo*>(id);
  if (f->isStatic != isStatic || f->type != type) {
    failLoudly(std::string(e.slot) + ": field " + f->owner->name + "." + f->name +
               " has another kind or type");
  }
  return f;
}

ObjectData* instanceArg(Entry& e, jobject obj, FieldInfo* f) {
  ObjectData* object = e.vm.deref(obj, e.slot);
  if (!object) failLoudly(std::string(e.slot) + ": null object");
  if (!e.vm.isSubclass(object->cls, f->owner)) {
    failLoudly(std::string(e.slot) + ": object of " + object->cls->name + " has no field " + f->name);
  }
  return object;
}

jvalue getField(JNIEnv* env, const char* slot, jobject obj, jfieldID id, char type) {
  Entry e(env, slot);
  FieldInfo* f = checkField(e, id, false, type);
  ObjectData* object = instanceArg(e, obj, f);
  auto found = object->fields.find(f->name);
  jvalue stored = found == object->fields.end() ? Void() : found->second;
  return e.vm.load(e.env, type, stored);
}

void setField(JNIEnv* env, const char* slot, jobject obj, jfieldID id, char type, jvalue value) {
  Entry e(env, slot);
  FieldInfo* f = checkField(e, id, false, type);
  ObjectData* object = instanceArg(e, obj, f);
  object->fields[f->name] = e.vm.store(type, value, slot);
}

jvalue getStaticField(JNIEnv* env, const char* slot, jfieldID id, char type) {
  Entry e(env, slot);
  FieldInfo* f = checkField(e, id, true, type);
  return e.vm.load(e.env, type, f->staticValue);
}

void setStaticField(JNIEnv* env, const char* slot, jfieldID id, char type, jvalue value) {
  Entry e(env, slot);
  FieldInfo* f = checkField(e, id, true, type);
  f->staticValue = e.vm.store(type, value, slot);
}

#define DRX_FIELD_FAMILY(Type, jtype, letter, member)                                  \
  jtype JNICALL get##Type##Field(JNIEnv* env, jobject obj, jfieldID id) {              \
    return getField(env, "Get" #Type "Field", obj, id, letter).member;                 \
  }                                                                                    \
  void JNICALL set##Type##Field(JNIEnv* env, jobject obj, jfieldID id, jtype value) {  \
    jvalue v = Void();                                                                 \
    v.member = value;                                                                  \
    setField(env, "Set" #Type "Field", obj, id, letter, v);                            \
  }                                                                                    \
  jtype JNICALL getStatic##Type##Field(JNIEnv* env, jclass, jfieldID id) {             \
    return getStaticField(env, "GetStatic" #Type "Field", id, letter).member;          \
  }                                                                                    \
  void JNICALL setStatic##Type##Field(JNIEnv* env, jclass, jfieldID id, jtype value) { \
    jvalue v = Void();                                                                 \
    v.member = value;                                                                  \
    setStaticField(env, "SetStatic" #Type "Field", id, letter, v);                     \
  }

DRX_FIELD_FAMILY(Object, jobject, 'L', l)
DRX_MINIJNI_PRIMITIVES(DRX_FIELD_FAMILY)

#undef DRX_FIELD_FAMILY

jint JNICALL getJavaVm(JNIEnv* env, JavaVM** vm) {
  Entry e(env, "GetJavaVM");
  if (!vm) failLoudly("GetJavaVM: null result pointer");
  *vm = &e.vm.vmBlock.vm;
  return JNI_OK;
}

}  // namespace

void installObjectFunctions(JNINativeInterface_& t) {
  t.GetVersion = getVersion;
  t.FindClass = findClass;
  t.GetSuperclass = getSuperclass;
  t.IsAssignableFrom = isAssignableFrom;
  t.GetObjectClass = getObjectClass;
  t.IsInstanceOf = isInstanceOf;
  t.GetMethodID = getMethodId;
  t.GetStaticMethodID = getStaticMethodId;
  t.GetFieldID = getFieldId;
  t.GetStaticFieldID = getStaticFieldId;
  t.GetJavaVM = getJavaVm;
#define DRX_INSTALL(Type, ...)                       \
  t.Get##Type##Field = get##Type##Field;             \
  t.Set##Type##Field = set##Type##Field;             \
  t.GetStatic##Type##Field = getStatic##Type##Field; \
  t.SetStatic##Type##Field = setStatic##Type##Field;
  DRX_INSTALL(Object)
  DRX_MINIJNI_PRIMITIVES(DRX_INSTALL)
#undef DRX_INSTALL
}

}  // namespace minijni
