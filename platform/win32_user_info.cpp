// Natives of the Java class Win32UserInfo. Accounts, groups and elevation are not built yet:
// every export answers with the value it gives when the system functions are missing.
#include <jni.h>

extern "C" {

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_getUserSid0(JNIEnv*, jclass) {
  return nullptr;
}

// Membership that cannot be decided counts as membership.
JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_isMemberOfGroup0(JNIEnv*, jclass, jint /*groupRid*/) {
  return JNI_TRUE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_executeElevated0(JNIEnv*, jclass, jstring /*file*/,
                                                               jstring /*parameters*/, jstring /*directory*/) {
  return JNI_FALSE;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_getElevationType0(JNIEnv*, jclass) {
  return 0;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_deleteUser0(JNIEnv*, jclass, jstring /*server*/, jstring /*user*/) {
  return -1;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_deleteLocalGroup0(JNIEnv*, jclass, jstring /*server*/, jstring /*group*/) {
  return -1;
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_addUser0(JNIEnv*, jclass, jstring /*user*/, jstring /*password*/,
                                                      jstring /*comment*/, jstring /*group*/,
                                                      jstring /*groupComment*/, jboolean /*createGroup*/,
                                                      jboolean /*failIfGroupExists*/) {
  return nullptr;
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_getAccountName0(JNIEnv* env, jclass, jstring /*sid*/) {
  static const jchar kEmpty = 0;
  return env->NewString(&kEmpty, 0);
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_setLsaAccountRight0(JNIEnv*, jclass, jstring /*account*/,
                                                                  jstring /*right*/, jboolean /*add*/) {
  return JNI_FALSE;
}

}  // extern "C"
