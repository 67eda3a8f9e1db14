/* Machine-dependent JNI types for Windows, used with the JDK's portable jni.h. */
#ifndef DRX_JNI_MD_H
#define DRX_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
