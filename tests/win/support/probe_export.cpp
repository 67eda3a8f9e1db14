// A tiny JNI library for the stand-in's "call" action: echoes a string through GetStringChars/NewString.
#include <jni.h>

extern "C" JNIEXPORT jstring JNICALL Java_probe_Probe_echo(JNIEnv* env, jclass, jstring text, jint repeat) {
  const jchar* chars = env->GetStringChars(text, nullptr);
  jsize length = env->GetStringLength(text);
  jchar buffer[256];
  jsize used = 0;
  for (jint r = 0; r < repeat; ++r) {
    for (jsize i = 0; i < length && used < 256; ++i) buffer[used++] = chars[i];
  }
  env->ReleaseStringChars(text, chars);
  return env->NewString(buffer, used);
}

// Uses a JNI function the mini environment does not implement.
extern "C" JNIEXPORT void JNICALL Java_probe_Probe_lock(JNIEnv* env, jclass cls) { env->MonitorEnter(cls); }

// Reports which version asked for, as a library's load hook does.
extern "C" JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM*, void*) { return JNI_VERSION_1_4; }
