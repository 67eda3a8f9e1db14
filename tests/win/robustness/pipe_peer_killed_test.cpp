// The drxinst pipe when the other process is killed from outside in the middle of a block: the
// blocked read or write comes back with its failure value instead of waiting forever.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <atomic>
#include <string>
#include <thread>

#include "captured_stdout.h"
#include "drxinst_library.h"
#include "pipe_natives.h"

namespace drxtest {
namespace {

constexpr DWORD kPeerReadyMs = 30000;
// The read or write must come back within this after the kill, or the test gives up on the process.
constexpr DWORD kAfterKillMs = 30000;

// Starts the raw peer, waits until it wrote its bytes, then kills it after a pause in which the
// test's own call is already blocked. A call that never returns ends the test process.
class KilledPeer {
 public:
  KilledPeer(const std::u16string& pipe, int prefixBytes, int dataBytes) {
    const std::wstring eventName = L"drx_raw_peer_" + std::to_wstring(GetCurrentProcessId());
    written_ = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    std::wstring commandLine = L"\"" + besideTestProgram(L"raw_pipe_peer.exe") + L"\" " +
                               std::wstring(pipe.begin(), pipe.end()) + L" " + eventName + L" " +
                               std::to_wstring(prefixBytes) + L" " + std::to_wstring(dataBytes);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_);
  }
  ~KilledPeer() {
    if (killer_.joinable()) killer_.join();
    if (started_) {
      TerminateProcess(info_.hProcess, 1);
      CloseHandle(info_.hThread);
      CloseHandle(info_.hProcess);
    }
    if (written_) CloseHandle(written_);
  }
  bool started() const { return started_ != 0; }

  // From another thread: once the peer wrote its bytes and a moment passed, kill it; then watch
  // that the caller's call comes back.
  void killWhileBlocked() {
    killer_ = std::thread([this] {
      if (WaitForSingleObject(written_, kPeerReadyMs) != WAIT_OBJECT_0) fprintf(stderr, "peer never wrote\n");
      Sleep(500);
      TerminateProcess(info_.hProcess, 9);
      const ULONGLONG deadline = GetTickCount64() + kAfterKillMs;
      while (!returned_ && GetTickCount64() < deadline) Sleep(20);
      if (!returned_) {
        fprintf(stderr, "the pipe call still blocks %lu ms after the peer was killed\n", kAfterKillMs);
        fflush(stderr);
        ExitProcess(3);
      }
    });
  }
  void callReturned() { returned_ = true; }

 private:
  PROCESS_INFORMATION info_{};
  BOOL started_ = FALSE;
  HANDLE written_ = nullptr;
  std::thread killer_;
  std::atomic<bool> returned_{false};
};

class PipePeerKilled : public ::testing::Test, public PipeNatives {
 protected:
  void TearDown() override {
    disconnect(env, nullptr);
    closeListener(env, nullptr);
  }

  std::u16string listen() {
    jstring name = createListener(env, nullptr);
    return vm.isNull(name) ? std::u16string() : vm.string(name);
  }

  minijni::Jvm vm;
  JNIEnv* env = vm.env();
};

TEST_F(PipePeerKilled, ReadFailsWhenThePeerIsKilledInsideABlock) {
  const struct {
    const char* name;
    int prefixBytes;
    int dataBytes;
    const char* printed;  // how the failure line starts
  } cases[] = {
      {"inside the length prefix", 2, 0, "could not read data size "},
      {"before any content", 4, 0, "could not read file 100000 "},
      {"inside the content", 4, 1000, "could not read file 100000 "},
      {"after a full pipe buffer of content", 4, 65536, "could not read file 100000 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string pipe = listen();
    ASSERT_FALSE(pipe.empty());
    KilledPeer peer(pipe, c.prefixBytes, c.dataBytes);
    ASSERT_TRUE(peer.started());
    ASSERT_TRUE(connect(env, nullptr, nullptr));
    peer.killWhileBlocked();
    CapturedStdout out;
    jbyteArray block = readBlock(env, nullptr);
    peer.callReturned();
    EXPECT_TRUE(vm.isNull(block));
    const std::string printed = out.text();
    EXPECT_EQ(printed.rfind(c.printed, 0), 0u) << printed;
    disconnect(env, nullptr);
    closeListener(env, nullptr);
  }
  EXPECT_EQ(vm.outstandingBuffers(), 0u);
}

TEST_F(PipePeerKilled, WriteFailsWhenThePeerIsKilledWithoutReading) {
  const std::u16string pipe = listen();
  ASSERT_FALSE(pipe.empty());
  KilledPeer peer(pipe, 0, 0);
  ASSERT_TRUE(peer.started());
  ASSERT_TRUE(connect(env, nullptr, nullptr));
  peer.killWhileBlocked();
  // More than the pipe's buffer: the write blocks until the peer reads, which it never does.
  const jboolean sent = writeBlock(env, nullptr, vm.newByteArray(std::vector<jbyte>(200000, 7)));
  peer.callReturned();
  EXPECT_FALSE(sent);
  EXPECT_EQ(vm.outstandingBuffers(), 0u);
}

}  // namespace
}  // namespace drxtest
