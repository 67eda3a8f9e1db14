// Pending exceptions and local/global references.
#include "vm_state.h"

#include <cstdio>

namespace minijni {

namespace {

ClassInfo* throwableClass(VmState& vm) { return vm.findClass("java/lang/Throwable"); }

jint JNICALL throwObject(JNIEnv* env, jthrowable obj) {
  Entry e(env, "Throw");
  ObjectData* object = e.vm.deref(obj, e.slot);
  if (!object || !e.vm.isSubclass(object->cls, throwableClass(e.vm)))
    failLoudly("Throw: argument is not a Throwable");
  e.env.pending = object;
  return JNI_OK;
}

jint JNICALL throwNew(JNIEnv* env, jclass clazz, const char* message) {
  Entry e(env, "ThrowNew", message ? message : "");
  ObjectData* cls = e.vm.deref(clazz, e.slot);
  if (!cls || cls->kind != Kind::Class || !e.vm.isSubclass(cls->described, throwableClass(e.vm))) {
    failLoudly("ThrowNew: class is null or not a Throwable");
  }
  e.vm.raise(e.env, cls->described->name, message ? utf8ToUtf16(message) : u"");
  if (!message) e.env.pending->fields["message"] = Object(nullptr);
  return JNI_OK;
}

jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
  Entry e(env, "ExceptionOccurred");
  return static_cast<jthrowable>(e.vm.newLocal(e.env, e.env.pending));
}

jboolean JNICALL exceptionCheck(JNIEnv* env) {
  Entry e(env, "ExceptionCheck");
  return e.env.pending ? JNI_TRUE : JNI_FALSE;
}

// Prints like a VM without stack frames, and clears the exception as a real ExceptionDescribe does.
void JNICALL exceptionDescribe(JNIEnv* env) {
  Entry e(env, "ExceptionDescribe");
  ObjectData* pending = e.env.pending;
  if (!pending) return;
  e.env.pending = nullptr;
  std::string line = "Exception in thread \"";
  line += &e.env == &e.vm.envs.front() ? std::string("main")
                                       : "Thread-" + std::to_string(&e.env - &e.vm.envs.front());
  line += "\" " + dottedName(pending->cls->name);
  auto message = pending->fields.find("message");
  if (message != pending->fields.end() && message->second.l) {
    line += ": " + utf16ToUtf8(reinterpret_cast<ObjectData*>(message->second.l)->text);
  }
  line += "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

void JNICALL exceptionClear(JNIEnv* env) {
  Entry e(env, "ExceptionClear");
  e.env.pending = nullptr;
}

void JNICALL fatalError(JNIEnv* env, const char* message) {
  Entry e(env, "FatalError");
  failLoudly(std::string("FatalError: ") + (message ? message : ""));
}

jint JNICALL pushLocalFrame(JNIEnv* env, jint capacity) {
  Entry e(env, "PushLocalFrame", std::to_string(capacity));
  if (capacity < 0) failLoudly("PushLocalFrame: negative capacity");
  e.env.frameStarts.push_back(e.env.frame.size());
  return JNI_OK;
}

jobject JNICALL popLocalFrame(JNIEnv* env, jobject result) {
  Entry e(env, "PopLocalFrame");
  if (e.env.frameStarts.size() < 2) failLoudly("PopLocalFrame without a matching PushLocalFrame");
  ObjectData* kept = e.vm.deref(result, e.slot);
  size_t start = e.env.frameStarts.back();
  e.env.frameStarts.pop_back();
  for (size_t i = start; i < e.env.frame.size(); ++i) e.env.frame[i]->live = false;
  e.env.frame.resize(start);
  return e.vm.newLocal(e.env, kept);
}

jint JNICALL ensureLocalCapacity(JNIEnv* env, jint capacity) {
  Entry e(env, "EnsureLocalCapacity", std::to_string(capacity));
  return capacity < 0 ? JNI_ERR : JNI_OK;
}

jobject JNICALL newGlobalRef(JNIEnv* env, jobject obj) {
  Entry e(env, "NewGlobalRef");
  return e.vm.newGlobal(e.vm.deref(obj, e.slot));
}

jobject JNICALL newLocalRef(JNIEnv* env, jobject obj) {
  Entry e(env, "NewLocalRef");
  return e.vm.newLocal(e.env, e.vm.deref(obj, e.slot));
}

void deleteRef(Entry& e, jobject obj, RefKind kind) {
  if (!obj) return;
  e.vm.deref(obj, e.slot);  // stale or foreign references fail here, so a double delete is loud
  auto* ref = reinterpret_cast<Ref*>(obj);
  if (ref->kind != kind) failLoudly(std::string(e.slot) + ": reference of the other kind");
  ref->live = false;
}

void JNICALL deleteLocalRef(JNIEnv* env, jobject obj) {
  Entry e(env, "DeleteLocalRef");
  deleteRef(e, obj, RefKind::Local);
}

void JNICALL deleteGlobalRef(JNIEnv* env, jobject obj) {
  Entry e(env, "DeleteGlobalRef");
  deleteRef(e, obj, RefKind::Global);
}

jboolean JNICALL isSameObject(JNIEnv* env, jobject a, jobject b) {
  Entry e(env, "IsSameObject");
  return e.vm.deref(a, e.slot) == e.vm.deref(b, e.slot) ? JNI_TRUE : JNI_FALSE;
}

jobjectRefType JNICALL getObjectRefType(JNIEnv* env, jobject obj) {
  Entry e(env, "GetObjectRefType");
  if (!obj) return JNIInvalidRefType;
  auto* ref = reinterpret_cast<Ref*>(obj);
  if (ref->magic != kRefMagic || !ref->live) return JNIInvalidRefType;
  return ref->kind == RefKind::Local ? JNILocalRefType : JNIGlobalRefType;
}

}  // namespace

void installExceptionAndReferenceFunctions(JNINativeInterface_& t) {
  t.Throw = throwObject;
  t.ThrowNew = throwNew;
  t.ExceptionOccurred = exceptionOccurred;
  t.ExceptionCheck = exceptionCheck;
  t.ExceptionDescribe = exceptionDescribe;
  t.ExceptionClear = exceptionClear;
  t.FatalError = fatalError;
  t.PushLocalFrame = pushLocalFrame;
  t.PopLocalFrame = popLocalFrame;
  t.EnsureLocalCapacity = ensureLocalCapacity;
  t.NewGlobalRef = newGlobalRef;
  t.NewLocalRef = newLocalRef;
  t.DeleteLocalRef = deleteLocalRef;
  t.DeleteGlobalRef = deleteGlobalRef;
  t.IsSameObject = isSameObject;
  t.GetObjectRefType = getObjectRefType;
}

}  // namespace minijni
