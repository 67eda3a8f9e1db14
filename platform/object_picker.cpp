// Natives of the Java class ObjectPicker. The picker dialog is not built yet: the export
// answers null, as for a cancelled dialog.
#include <jni.h>

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_com_deployrix_runtime_installer_platform_win32_ObjectPicker_show0(JNIEnv*, jclass, jboolean /*multipleSelection*/,
                                                       jboolean /*groups*/, jboolean /*users*/,
                                                       jboolean /*wellKnownAccounts*/, jboolean /*computerOnly*/) {
  return nullptr;
}

}  // extern "C"
