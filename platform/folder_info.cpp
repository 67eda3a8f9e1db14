// Natives of the Java class FolderInfo. Folder and drive queries are not built yet: every
// export answers with its failure value (null, DRIVE_UNKNOWN, or the path passed in).
#include <jni.h>

extern "C" {

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getSpecialFolder0(JNIEnv*, jclass, jint /*folderType*/,
                                                            jboolean /*allUsers*/) {
  return nullptr;
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getPathFromRegistry0(JNIEnv*, jclass, jstring /*valueName*/) {
  return nullptr;
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getWindowsDirectory0(JNIEnv*, jclass) {
  return nullptr;
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getSystemDirectory0(JNIEnv*, jclass) {
  return nullptr;
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getDriveType0(JNIEnv*, jclass, jstring /*rootPath*/) {
  return 0;
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_FolderInfo_getShortPathName0(JNIEnv*, jclass, jstring path) {
  return path;
}

}  // extern "C"
