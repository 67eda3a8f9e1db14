// The named-pipe natives of drxinst (Win32CommunicationBackend), looked up by both names.
#pragma once

#include <jni.h>

#include "drxinst_library.h"

namespace drxtest {

using CreateListener = jstring(JNICALL*)(JNIEnv*, jclass);
using Action = void(JNICALL*)(JNIEnv*, jclass);
using Connect = jboolean(JNICALL*)(JNIEnv*, jclass, jstring);
using ReadBlock = jbyteArray(JNICALL*)(JNIEnv*, jclass);
using WriteBlock = jboolean(JNICALL*)(JNIEnv*, jclass, jbyteArray);
using ProcessId = jint(JNICALL*)(JNIEnv*, jclass);
using IsAlive = jboolean(JNICALL*)(JNIEnv*, jclass, jint);

inline constexpr char kPipeClass[] = "Win32CommunicationBackend";

struct PipeNatives {
  CreateListener createListener = exportOf<CreateListener>(kPipeClass, "createListener0", 8);
  Action closeListener = exportOf<Action>(kPipeClass, "closeListener0", 8);
  Connect connect = exportOf<Connect>(kPipeClass, "connect0", 12);
  Action disconnect = exportOf<Action>(kPipeClass, "disconnect0", 8);
  ReadBlock readBlock = exportOf<ReadBlock>(kPipeClass, "readDataBlock0", 8);
  WriteBlock writeBlock = exportOf<WriteBlock>(kPipeClass, "writeDataBlock0", 12);
  ProcessId currentProcessId = exportOf<ProcessId>(kPipeClass, "getCurrentProcessId0", 8);
  IsAlive isProcessAlive = exportOf<IsAlive>(kPipeClass, "isProcessAlive0", 12);
};

}  // namespace drxtest
