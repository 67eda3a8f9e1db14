// Natives of the Java class Common: the platform flags the Java side decides on.
#include <jni.h>

#include "platform/platform_flags.h"

using drx::platform::platformFlags;

extern "C" {

JNIEXPORT void JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Common_setWindows95(JNIEnv*, jclass, jboolean flag) {
  platformFlags().windows95 = (flag & 0xFF) != 0;
}

JNIEXPORT void JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Common_setWindowsNT(JNIEnv*, jclass, jboolean flag) {
  platformFlags().windowsNT = (flag & 0xFF) != 0;
}

}  // extern "C"
