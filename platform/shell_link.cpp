// Natives of the Java class ShellLink. Shell links are not built yet: every export answers
// with its failure value (false) and touches neither COM nor the file system.
#include <jni.h>

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_create0(JNIEnv*, jclass, jstring /*linkFile*/, jbyteArray /*target*/,
                                                  jbyteArray /*workingDirectory*/, jbyteArray /*iconFile*/,
                                                  jbyteArray /*arguments*/, jbyteArray /*description*/) {
  return JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_createWide0(JNIEnv*, jclass, jstring /*linkFile*/, jstring /*target*/,
                                                      jstring /*workingDirectory*/, jstring /*iconFile*/,
                                                      jstring /*arguments*/, jstring /*description*/) {
  return JNI_FALSE;
}

// The Java side spells this method "changeNotfiy0"; the export must match it.
JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_changeNotfiy0(JNIEnv*, jclass, jbyteArray /*createdItem*/,
                                                        jbyteArray /*changedFolder*/) {
  return JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_initialize(JNIEnv*, jclass) {
  return JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_uninitialize(JNIEnv*, jclass) {
  return JNI_FALSE;
}

}  // extern "C"
