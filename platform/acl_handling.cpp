// Natives of the Java class ACLHandling. Access-list editing is not built yet: the export
// answers with its failure value (false) and changes nothing.
#include <jni.h>

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ACLHandling_addACE(JNIEnv*, jclass, jstring /*path*/, jboolean /*registryKey*/,
                                                   jboolean /*read*/, jboolean /*write*/, jboolean /*execute*/,
                                                   jboolean /*all*/, jint /*principalCode*/, jstring /*account*/) {
  return JNI_FALSE;
}

}  // extern "C"
