// The named-pipe natives of the real DLL between this process and a peer process.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <string>
#include <thread>
#include <vector>

#include "captured_stdout.h"
#include "drxinst_library.h"

namespace drxtest {
namespace {

using CreateListener = jstring(JNICALL*)(JNIEnv*, jclass);
using Action = void(JNICALL*)(JNIEnv*, jclass);
using Connect = jboolean(JNICALL*)(JNIEnv*, jclass, jstring);
using ReadBlock = jbyteArray(JNICALL*)(JNIEnv*, jclass);
using WriteBlock = jboolean(JNICALL*)(JNIEnv*, jclass, jbyteArray);
using ProcessId = jint(JNICALL*)(JNIEnv*, jclass);
using IsAlive = jboolean(JNICALL*)(JNIEnv*, jclass, jint);

constexpr char kClass[] = "Win32CommunicationBackend";
const size_t kBlockSizes[] = {0, 1, 65535, 65536, 70000};

struct Natives {
  CreateListener createListener = exportOf<CreateListener>(kClass, "createListener0", 8);
  Action closeListener = exportOf<Action>(kClass, "closeListener0", 8);
  Connect connect = exportOf<Connect>(kClass, "connect0", 12);
  Action disconnect = exportOf<Action>(kClass, "disconnect0", 8);
  ReadBlock readBlock = exportOf<ReadBlock>(kClass, "readDataBlock0", 8);
  WriteBlock writeBlock = exportOf<WriteBlock>(kClass, "writeDataBlock0", 12);
  ProcessId currentProcessId = exportOf<ProcessId>(kClass, "getCurrentProcessId0", 8);
  IsAlive isProcessAlive = exportOf<IsAlive>(kClass, "isProcessAlive0", 12);
};

std::wstring besideMe(const wchar_t* file) {
  wchar_t path[MAX_PATH];
  std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  full.resize(full.find_last_of(L'\\') + 1);
  return full + file;
}

// The peer program, ended and waited for when the test leaves.
class Peer {
 public:
  explicit Peer(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + besideMe(L"drxinst_pipe_peer.exe") + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
  }
  ~Peer() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 10000);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or STILL_ACTIVE when the peer did not end within the wait.
  DWORD exitCode(DWORD waitMillis = 30000) const {
    WaitForSingleObject(info_.hProcess, waitMillis);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

std::vector<jbyte> pattern(size_t size, unsigned seed) {
  std::vector<jbyte> bytes(size);
  unsigned state = seed;
  for (jbyte& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<jbyte>(state >> 16);
  }
  return bytes;
}

std::vector<jbyte> echoed(std::vector<jbyte> bytes) {
  for (jbyte& b : bytes) b = static_cast<jbyte>(b ^ 0x5A);
  return bytes;
}

class PipeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    natives.disconnect(env, nullptr);
    natives.closeListener(env, nullptr);
    EXPECT_EQ(vm.outstandingBuffers(), 0u);
  }

  // Sends each block size through the connection and expects the peer's echo back.
  void exchangeBlocks() {
    unsigned seed = 1;
    for (size_t size : kBlockSizes) {
      SCOPED_TRACE(size);
      const std::vector<jbyte> sent = pattern(size, seed++);
      ASSERT_TRUE(natives.writeBlock(env, nullptr, vm.newByteArray(sent)));
      jbyteArray back = natives.readBlock(env, nullptr);
      ASSERT_FALSE(vm.isNull(back));
      EXPECT_EQ(vm.bytes(back), echoed(sent));
    }
  }

  minijni::Jvm vm;
  JNIEnv* env = vm.env();
  Natives natives;
};

// Runs first, while this process has never connected.
TEST_F(PipeTest, BeforeAnyConnectReadWriteAndServerConnectFailQuietly) {
  CapturedStdout out;
  EXPECT_TRUE(vm.isNull(natives.readBlock(env, nullptr)));
  EXPECT_FALSE(natives.writeBlock(env, nullptr, vm.newByteArray({1, 2, 3})));
  EXPECT_FALSE(natives.connect(env, nullptr, nullptr)) << "no listener to wait on";
  natives.disconnect(env, nullptr);
  EXPECT_EQ(out.text(), "");
}

TEST_F(PipeTest, ListenerTakesTheFirstFreeInstance) {
  std::vector<HANDLE> taken;
  for (int i = 0; i < 5; ++i) {
    // One instance per name: a name already held elsewhere fails with 231 and is taken too.
    HANDLE h = CreateNamedPipeW((L"\\\\.\\pipe\\drxcomm" + std::to_wstring(i)).c_str(), PIPE_ACCESS_DUPLEX,
                                PIPE_REJECT_REMOTE_CLIENTS, 1, 65536, 65536, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) taken.push_back(h);
  }
  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  EXPECT_EQ(vm.string(name), u"\\\\.\\pipe\\drxcomm5");
  natives.closeListener(env, nullptr);
  for (HANDLE h : taken) CloseHandle(h);
}

TEST_F(PipeTest, BlocksCrossToAClientPeerAndBack) {
  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  const std::u16string pipe = vm.string(name);
  Peer peer(L"echo " + std::wstring(pipe.begin(), pipe.end()) + L" 5");
  ASSERT_TRUE(peer.started());
  ASSERT_TRUE(natives.connect(env, nullptr, nullptr));
  EXPECT_TRUE(natives.isProcessAlive(env, nullptr, static_cast<jint>(peer.id())));
  exchangeBlocks();
  EXPECT_EQ(peer.exitCode(), 0u);
  natives.disconnect(env, nullptr);
  natives.closeListener(env, nullptr);
}

TEST_F(PipeTest, ListenerServesTheNextClientAfterADisconnect) {
  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  const std::u16string pipe = vm.string(name);
  for (int client = 0; client < 2; ++client) {
    SCOPED_TRACE(client);
    Peer peer(L"echo " + std::wstring(pipe.begin(), pipe.end()) + L" 1");
    ASSERT_TRUE(natives.connect(env, nullptr, nullptr));
    const std::vector<jbyte> sent = pattern(1000, 50 + client);
    ASSERT_TRUE(natives.writeBlock(env, nullptr, vm.newByteArray(sent)));
    jbyteArray back = natives.readBlock(env, nullptr);
    ASSERT_FALSE(vm.isNull(back));
    EXPECT_EQ(vm.bytes(back), echoed(sent));
    EXPECT_EQ(peer.exitCode(), 0u);
    natives.disconnect(env, nullptr);
  }
}

TEST_F(PipeTest, ClientKeepsTryingUntilTheListenerExists) {
  const wchar_t* late = L"\\\\.\\pipe\\drxinst-test-late";
  std::thread listener([late] {
    Sleep(1200);
    HANDLE pipe = CreateNamedPipeW(late, PIPE_ACCESS_DUPLEX, PIPE_REJECT_REMOTE_CLIENTS, 1, 65536, 65536, 0, nullptr);
    ConnectNamedPipe(pipe, nullptr);
    const unsigned char block[] = {2, 0, 0, 0, 'o', 'k'};
    DWORD written = 0;
    WriteFile(pipe, block, sizeof block, &written, nullptr);
    FlushFileBuffers(pipe);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
  });
  const bool connected = natives.connect(env, nullptr, vm.newString(u"\\\\.\\pipe\\drxinst-test-late"));
  jbyteArray block = connected ? natives.readBlock(env, nullptr) : nullptr;
  listener.join();
  ASSERT_TRUE(connected);
  ASSERT_FALSE(vm.isNull(block));
  EXPECT_EQ(vm.bytes(block), (std::vector<jbyte>{'o', 'k'}));
}

TEST_F(PipeTest, BlocksCrossToAServerPeerAndBack) {
  wchar_t directory[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  const std::wstring nameFile = std::wstring(directory) + L"drxinst-pipe-name.txt";
  DeleteFileW(nameFile.c_str());
  Peer peer(L"serve \"" + nameFile + L"\" 5");
  ASSERT_TRUE(peer.started());
  std::u16string pipe;
  for (int i = 0; i < 400 && pipe.empty(); ++i) {
    if (FILE* f = _wfopen(nameFile.c_str(), L"rb")) {
      char16_t buffer[512];
      pipe.assign(buffer, fread(buffer, sizeof(char16_t), 512, f));
      fclose(f);
    } else {
      Sleep(50);
    }
  }
  DeleteFileW(nameFile.c_str());
  ASSERT_FALSE(pipe.empty()) << "the peer never named its pipe";
  ASSERT_TRUE(natives.connect(env, nullptr, vm.newString(pipe)));
  exchangeBlocks();
  EXPECT_EQ(peer.exitCode(), 0u);
}

TEST_F(PipeTest, PeerDyingInsideABlockFailsTheRead) {
  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  const std::u16string pipe = vm.string(name);
  Peer peer(L"partial " + std::wstring(pipe.begin(), pipe.end()));
  ASSERT_TRUE(natives.connect(env, nullptr, nullptr));
  CapturedStdout out;
  EXPECT_TRUE(vm.isNull(natives.readBlock(env, nullptr)));
  EXPECT_EQ(out.text(), "could not read file 100000 109\n");
  EXPECT_EQ(peer.exitCode(), 9u);
}

TEST_F(PipeTest, NegativeLengthFailsWithoutAllocating) {
  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  const std::u16string pipe = vm.string(name);
  Peer peer(L"negative " + std::wstring(pipe.begin(), pipe.end()));
  ASSERT_TRUE(natives.connect(env, nullptr, nullptr));
  vm.setCallLogging(true);
  CapturedStdout out;
  EXPECT_TRUE(vm.isNull(natives.readBlock(env, nullptr)));
  const std::string text = out.text();
  vm.setCallLogging(false);
  EXPECT_EQ(text.rfind("could not allocate array -1 ", 0), 0u) << text;
  for (const std::string& call : vm.callLog()) EXPECT_EQ(call.find("NewByteArray"), std::string::npos) << call;
}

TEST_F(PipeTest, ArrayThatCannotBeMadeFailsTheReadWithItsException) {
  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  const std::u16string pipe = vm.string(name);
  Peer peer(L"echo " + std::wstring(pipe.begin(), pipe.end()) + L" 1");
  ASSERT_TRUE(natives.connect(env, nullptr, nullptr));
  ASSERT_TRUE(natives.writeBlock(env, nullptr, vm.newByteArray(std::vector<jbyte>(10, 1))));
  vm.failAllocation("NewByteArray");
  CapturedStdout out;
  EXPECT_TRUE(vm.isNull(natives.readBlock(env, nullptr)));
  const std::string text = out.text();
  EXPECT_EQ(text.rfind("could not allocate array 10 ", 0), 0u) << text;
  EXPECT_EQ(vm.pendingExceptionClass(), "java/lang/OutOfMemoryError");
  EXPECT_TRUE(vm.callsWithPendingException().empty());
  vm.clearException();
}

TEST_F(PipeTest, ProcessQueries) {
  EXPECT_EQ(natives.currentProcessId(env, nullptr), static_cast<jint>(GetCurrentProcessId()));
  EXPECT_TRUE(natives.isProcessAlive(env, nullptr, static_cast<jint>(GetCurrentProcessId())));
  EXPECT_FALSE(natives.isProcessAlive(env, nullptr, 0x7FFFFFF0));
  // A peer that ended (bad usage: exit code 2) is not alive, even while a handle keeps its id.
  Peer ended(L"nonsense");
  ASSERT_TRUE(ended.started());
  ASSERT_EQ(ended.exitCode(), 2u);
  EXPECT_FALSE(natives.isProcessAlive(env, nullptr, static_cast<jint>(ended.id())));
}

}  // namespace
}  // namespace drxtest
