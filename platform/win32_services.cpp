// Natives of the Java class Win32Services. The service manager calls are not built yet:
// every export answers as if the service control manager could not be opened (5000).
#include <jni.h>

namespace {

constexpr jint kNoServiceManager = 5000;
constexpr wchar_t kNoServiceManagerText[] = L" 5000";

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_queryStatus0(JNIEnv*, jclass, jstring /*name*/) {
  return kNoServiceManager;
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_getServiceBinary0(JNIEnv* env, jclass, jstring /*name*/) {
  return env->NewString(reinterpret_cast<const jchar*>(kNoServiceManagerText), 5);
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_getStartType0(JNIEnv*, jclass, jstring /*name*/) {
  return kNoServiceManager;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_stopService0(JNIEnv*, jclass, jstring /*name*/) {
  return kNoServiceManager;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_startService0(JNIEnv*, jclass, jstring /*name*/) {
  return kNoServiceManager;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_uninstallService0(JNIEnv*, jclass, jstring /*name*/) {
  return kNoServiceManager;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_installService0(JNIEnv*, jclass, jstring /*name*/, jstring /*commandLine*/) {
  return kNoServiceManager;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_setRestartServiceConfig0(JNIEnv*, jclass, jstring /*name*/,
                                                                   jboolean /*restart*/, jint /*delayMillis*/) {
  return kNoServiceManager;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_changeServiceConfig0(JNIEnv*, jclass, jstring /*name*/,
                                                               jstring /*commandLine*/, jint /*serviceType*/,
                                                               jint /*startType*/, jstring /*dependencies*/,
                                                               jstring /*account*/, jstring /*password*/,
                                                               jstring /*description*/) {
  return kNoServiceManager;
}

}  // extern "C"
