// Natives of the Java class Win32CommunicationBackend: a named-pipe block channel between
// two installer processes, and two process queries.
#include <jni.h>
#include <windows.h>

#include "common/private_security.h"
#include "common/unique_handle.h"
#include "platform/jni_frame.h"
#include "platform/portable/pipe_block.h"

namespace drx::platform {
namespace {

constexpr int kPipeInstances = 200;
constexpr int kPipeNameChars = 512;
constexpr DWORD kPipeBufferBytes = 65536;
constexpr int kConnectRetries = 600;
constexpr DWORD kConnectRetryMillis = 500;

bool isValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// One channel per process: the server end (kept across clients) and the client's file.
// The connection is the one of the two that blocks travel through.
struct PipeState {
  FileHandle listener;
  FileHandle clientFile;
  HANDLE connection = INVALID_HANDLE_VALUE;
};

PipeState& pipeState() {
  static PipeState state;
  return state;
}

// ReadFile/WriteFile on the connection; keeps the error of the call that failed, because
// JNI calls made before the diagnostic line may change the thread's last error.
class PipeChannel : public ByteChannel {
 public:
  explicit PipeChannel(HANDLE handle) : handle_(handle) {}

  bool readSome(uint8_t* into, uint32_t count, uint32_t& got) override {
    DWORD n = 0;
    const BOOL ok = ReadFile(handle_, into, count, &n, nullptr);
    got = n;
    return record(ok, n);
  }

  bool writeSome(const uint8_t* from, uint32_t count, uint32_t& put) override {
    DWORD n = 0;
    const BOOL ok = WriteFile(handle_, from, count, &n, nullptr);
    put = n;
    return record(ok, n);
  }

  DWORD lastError() const { return lastError_; }

 private:
  bool record(BOOL ok, DWORD moved) {
    if (!ok) {
      lastError_ = GetLastError();
    } else if (moved == 0) {
      // Success without data: the framing treats it as a failure; name it end of data.
      lastError_ = ERROR_HANDLE_EOF;
    }
    return ok != FALSE;
  }

  HANDLE handle_;
  DWORD lastError_ = ERROR_SUCCESS;
};

// The block lands directly in the Java array's elements, with no buffer in between.
class JavaArraySink : public BlockSink {
 public:
  explicit JavaArraySink(JNIEnv* env) : env_(env) {}

  uint8_t* allocate(int32_t length) override {
    array_ = env_->NewByteArray(length);
    if (array_ == nullptr) return nullptr;
    if (length == 0) return &empty_;
    elements_ = env_->GetByteArrayElements(array_, nullptr);
    return reinterpret_cast<uint8_t*>(elements_);
  }

  void finish(bool complete) override {
    if (elements_ != nullptr) env_->ReleaseByteArrayElements(array_, elements_, complete ? 0 : JNI_ABORT);
    elements_ = nullptr;
  }

  jbyteArray array() const { return array_; }

 private:
  JNIEnv* env_;
  jbyteArray array_ = nullptr;
  jbyte* elements_ = nullptr;
  uint8_t empty_ = 0;
};

bool openClient(const wchar_t* name, FileHandle& file) {
  // Whoever holds the server end may be a process that took the name first: it may learn who
  // we are, but never act as us (no impersonation of a possibly elevated client).
  file.reset(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
  return static_cast<bool>(file);
}

// A new pipe of our own, or an invalid handle when the name is taken. FILE_FLAG_FIRST_PIPE_INSTANCE
// refuses a name that another process created first (it would otherwise get a listening instance
// beside ours and the clients meant for us). wine ignores that flag while the other pipe has room
// for more instances, so the pipe's own limit is checked as well: a pipe limited to one instance
// in which we hold one is ours alone.
FileHandle createPrivatePipe(const wchar_t* name, PrivateSecurity& security) {
  FileHandle pipe(CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                   PIPE_REJECT_REMOTE_CLIENTS | PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                   kPipeBufferBytes, kPipeBufferBytes, 0, security.attributes()));
  DWORD maxInstances = 0;
  if (pipe &&
      (!GetNamedPipeInfo(pipe.get(), nullptr, nullptr, nullptr, &maxInstances) || maxInstances != 1)) {
    pipe.reset();
  }
  return pipe;
}

jboolean connectAsClient(JNIEnv* env, jstring pipeName) {
  JavaText name(env, pipeName);
  if (!name.ok()) return JNI_FALSE;
  PipeState& state = pipeState();
  FileHandle file;
  int retries = 0;
  while (!openClient(name.get(), file)) {
    if (retries++ == kConnectRetries) {
      diagnostic("could not open file %d %ls\n", static_cast<int>(GetLastError()), name.get());
      return JNI_FALSE;
    }
    Sleep(kConnectRetryMillis);
  }
  state.clientFile = std::move(file);
  state.connection = state.clientFile.get();
  return JNI_TRUE;
}

jboolean connectAsServer() {
  PipeState& state = pipeState();
  if (!isValid(state.listener.get())) return JNI_FALSE;
  int retries = 0;
  while (!ConnectNamedPipe(state.listener.get(), nullptr)) {
    // The client may have connected between creation and this call.
    if (GetLastError() == ERROR_PIPE_CONNECTED) break;
    if (retries++ == kConnectRetries) {
      diagnostic("could not connect named pipe %d\n", static_cast<int>(GetLastError()));
      return JNI_FALSE;
    }
    Sleep(kConnectRetryMillis);
  }
  state.connection = state.listener.get();
  return JNI_TRUE;
}

}  // namespace
}  // namespace drx::platform

using namespace drx::platform;
using drx::FileHandle;
using drx::KernelHandle;
using drx::PrivateSecurity;

extern "C" {

JNIEXPORT jstring JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_createListener0(JNIEnv* env,
                                                                                              jclass) {
  PipeState& state = pipeState();
  // Only one listener per process: one left open would otherwise leak with its pipe name.
  if (state.connection == state.listener.get()) state.connection = INVALID_HANDLE_VALUE;
  state.listener.reset();
  // Only the user, SYSTEM and Administrators may open the pipe: the default descriptor lets
  // everyone read, so any local process could connect first and read the blocks. An elevated
  // companion of another administrator still gets in through Administrators.
  PrivateSecurity security;
  if (!security.ok()) return nullptr;
  wchar_t name[kPipeNameChars];
  for (int instance = 0; instance < kPipeInstances; ++instance) {
    wsprintfW(name, L"\\\\.\\pipe\\drxcomm%d", instance);
    FileHandle pipe = createPrivatePipe(name, security);
    if (pipe) {
      state.listener = std::move(pipe);
      return newJavaString(env, name);
    }
  }
  return nullptr;
}

JNIEXPORT void JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_closeListener0(JNIEnv*,
                                                                                             jclass) {
  PipeState& state = pipeState();
  if (state.connection == state.listener.get()) state.connection = INVALID_HANDLE_VALUE;
  state.listener.reset();
}

JNIEXPORT jboolean JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_connect0(JNIEnv* env, jclass,
                                                                                       jstring pipeName) {
  return pipeName != nullptr ? connectAsClient(env, pipeName) : connectAsServer();
}

JNIEXPORT void JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_disconnect0(JNIEnv*, jclass) {
  PipeState& state = pipeState();
  if (!isValid(state.connection)) return;
  if (state.connection == state.listener.get()) {
    DisconnectNamedPipe(state.listener.get());  // the pipe stays for the next client
  } else if (state.connection == state.clientFile.get()) {
    state.clientFile.reset();
  }
  state.connection = INVALID_HANDLE_VALUE;
}

JNIEXPORT jbyteArray JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_readDataBlock0(JNIEnv* env,
                                                                                             jclass) {
  PipeState& state = pipeState();
  if (!isValid(state.connection)) return nullptr;
  PipeChannel channel(state.connection);
  JavaArraySink sink(env);
  int32_t length = 0;
  switch (readBlock(channel, sink, length)) {
    case ReadBlockStatus::kOk:
      return sink.array();
    case ReadBlockStatus::kNoLength:
      diagnostic("could not read data size %d\n", static_cast<int>(channel.lastError()));
      return nullptr;
    case ReadBlockStatus::kBadLength:
    case ReadBlockStatus::kNoMemory:
      diagnostic("could not allocate array %d %d\n", static_cast<int>(length),
                 static_cast<int>(GetLastError()));
      return nullptr;
    case ReadBlockStatus::kTruncated:
      diagnostic("could not read file %d %d\n", static_cast<int>(length),
                 static_cast<int>(channel.lastError()));
      return nullptr;
  }
  return nullptr;
}

JNIEXPORT jboolean JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_writeDataBlock0(
    JNIEnv* env, jclass, jbyteArray data) {
  PipeState& state = pipeState();
  if (!isValid(state.connection) || data == nullptr) return JNI_FALSE;
  // The elements are taken before the length goes out, so a failure here leaves the
  // stream in step.
  JavaBytes bytes(env, data);
  if (bytes.get() == nullptr && bytes.length() != 0) return JNI_FALSE;
  PipeChannel channel(state.connection);
  switch (writeBlock(channel, reinterpret_cast<const uint8_t*>(bytes.get()), bytes.length())) {
    case WriteBlockStatus::kOk:
      break;
    case WriteBlockStatus::kNoLength:
      diagnostic("could not write size %d\n", static_cast<int>(channel.lastError()));
      return JNI_FALSE;
    case WriteBlockStatus::kTruncated:
      diagnostic("could not write data %d %d\n", static_cast<int>(channel.lastError()),
                 static_cast<int>(bytes.length()));
      return JNI_FALSE;
  }
  // Waits until the other side has read the block.
  FlushFileBuffers(state.connection);
  return JNI_TRUE;
}

JNIEXPORT jint JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_getCurrentProcessId0(JNIEnv*,
                                                                                                   jclass) {
  return static_cast<jint>(GetCurrentProcessId());
}

JNIEXPORT jboolean JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_isProcessAlive0(
    JNIEnv*, jclass, jint processId) {
  KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId)));
  // A protected process exists but refuses the handle.
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED ? JNI_TRUE : JNI_FALSE;
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.get(), &exitCode)) return JNI_FALSE;
  return exitCode == STILL_ACTIVE ? JNI_TRUE : JNI_FALSE;
}

}  // extern "C"
