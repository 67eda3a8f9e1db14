// Natives of the Java class Misc. Process, window and system functions are not built yet:
// every export answers with its failure value and changes nothing.
#include <jni.h>

extern "C" {

JNIEXPORT void JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_reboot0(JNIEnv*, jclass) {}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_terminateProcesses0(JNIEnv*, jclass, jintArray /*processIds*/, jboolean /*force*/,
                                                     jint /*timeoutMillis*/) {
  return 0;
}

JNIEXPORT jobjectArray JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getRunningModules0(JNIEnv*, jclass, jboolean /*keepDebugPrivilegeOff*/) {
  return nullptr;
}

JNIEXPORT jobjectArray JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getEnvVarPairs0(JNIEnv*, jclass) {
  return nullptr;
}

JNIEXPORT void JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_broadcastSettingChange0(JNIEnv*, jclass) {}

JNIEXPORT jlong JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getPhysicalMemory0(JNIEnv*, jclass) {
  return 0;
}

JNIEXPORT jlong JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getFreeDiskSpace0(JNIEnv*, jclass, jstring /*directory*/) {
  return -1;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_moveWithDelayUntilReboot0(JNIEnv*, jclass, jstring /*source*/,
                                                               jstring /*destination*/) {
  return JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_toFront0(JNIEnv*, jclass) {}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getWindowTitle0(JNIEnv* env, jclass, jint /*processId*/) {
  static const jchar kEmpty = 0;
  return env->NewString(&kEmpty, 0);
}

}  // extern "C"
