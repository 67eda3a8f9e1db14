// A minimal launcher for tests: loads a jvm.dll, creates the VM and calls main, so process-ending behaviour
// can be observed. usage: standin_vm_driver <jvm.dll> <class> [arguments for main...]
#include <jni.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int main() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv || count < 3) return 2;
  HMODULE jvm = LoadLibraryW(argv[1]);
  auto create = reinterpret_cast<jint(JNICALL*)(JavaVM**, void**, void*)>(
      reinterpret_cast<void*>(jvm ? GetProcAddress(jvm, "JNI_CreateJavaVM") : nullptr));
  if (!create) return 3;
  char option[] = "-Ddriver=1";
  JavaVMOption options[] = {{option, nullptr}};
  JavaVMInitArgs args{JNI_VERSION_1_2, 1, options, JNI_TRUE};
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  if (create(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) return 4;
  char className[512];
  WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, className, sizeof className, nullptr, nullptr);
  jclass cls = env->FindClass(className);
  jmethodID main = cls ? env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V") : nullptr;
  if (!main) return 5;
  jobjectArray array = env->NewObjectArray(count - 3, env->FindClass("java/lang/String"), nullptr);
  for (int i = 3; i < count; ++i) {
    env->SetObjectArrayElement(
        array, i - 3,
        env->NewString(reinterpret_cast<const jchar*>(argv[i]), static_cast<jsize>(wcslen(argv[i]))));
  }
  env->CallStaticVoidMethod(cls, main, array);
  int code = 0;
  if (env->ExceptionOccurred()) {
    env->ExceptionDescribe();
    code = 1;
  }
  vm->DestroyJavaVM();
  LocalFree(argv);
  return code;
}
