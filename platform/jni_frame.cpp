// Java string, array and object conversions and the diagnostic output of drxinst.
#include "platform/jni_frame.h"

#include <cstdarg>
#include <cstdio>

namespace drx::platform {

JavaText::JavaText(JNIEnv* env, jstring text) {
  if (text == nullptr) return;
  isNull_ = false;
  const jsize length = env->GetStringLength(text);
  const jchar* chars = env->GetStringChars(text, nullptr);
  if (chars == nullptr || length < 0) return;
  text_.assign(reinterpret_cast<const wchar_t*>(chars), static_cast<size_t>(length));
  env->ReleaseStringChars(text, chars);
  ok_ = true;
}

jstring newJavaString(JNIEnv* env, const wchar_t* text, size_t length) {
  return env->NewString(reinterpret_cast<const jchar*>(text), static_cast<jsize>(length));
}

jstring newJavaString(JNIEnv* env, const wchar_t* text) { return newJavaString(env, text, wcslen(text)); }

void StringArrayBuilder::add(const wchar_t* text, size_t length) { add(newJavaString(env_, text, length)); }

jobjectArray StringArrayBuilder::build() {
  // A string that could not be made left its exception pending; no further JNI call may
  // run over it, so the array is not made.
  if (env_->ExceptionCheck()) return nullptr;
  jclass stringClass = env_->FindClass("java/lang/String");
  if (stringClass == nullptr) return nullptr;
  jobjectArray array = env_->NewObjectArray(static_cast<jsize>(items_.size()), stringClass, nullptr);
  if (array == nullptr) return nullptr;
  for (size_t i = 0; i < items_.size(); ++i)
    env_->SetObjectArrayElement(array, static_cast<jsize>(i), items_[i]);
  return array;
}

jobject newJavaObject(JNIEnv* env, const char* className, const char* signature, const jvalue* arguments) {
  jclass cls = env->FindClass(className);
  if (cls == nullptr) return nullptr;
  jmethodID constructor = env->GetMethodID(cls, "<init>", signature);
  if (constructor == nullptr) return nullptr;
  return env->NewObjectA(cls, constructor, arguments);
}

JavaBytes::JavaBytes(JNIEnv* env, jbyteArray array) : env_(env), array_(array) {
  if (array == nullptr) return;
  length_ = env->GetArrayLength(array);
  elements_ = env->GetByteArrayElements(array, nullptr);
}

JavaBytes::~JavaBytes() {
  if (elements_ != nullptr) env_->ReleaseByteArrayElements(array_, elements_, mode_);
}

void diagnostic(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vprintf(format, arguments);
  va_end(arguments);
  fflush(stdout);
}

}  // namespace drx::platform
