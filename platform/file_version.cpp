// Natives of the Java class FileVersion. Version comparison is not built yet: the export
// answers 3, the result for versions that could not be read.
#include <jni.h>

extern "C" {

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_FileVersion_compare0(JNIEnv*, jclass, jstring /*first*/, jstring /*second*/) {
  return 3;
}

}  // extern "C"
