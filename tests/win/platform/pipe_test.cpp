// The named-pipe natives of the real DLL between this process and a peer process.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <mini_jni.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "captured_stdout.h"
#include "drxinst_library.h"
#include "pipe_natives.h"

namespace drxtest {
namespace {

const size_t kBlockSizes[] = {0, 1, 65535, 65536, 70000};

using Natives = PipeNatives;

std::wstring tempFile(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  return std::wstring(directory) + name;
}

// The pipe name a peer writes into nameFile, or an empty text when none came within 20 s.
std::u16string waitForNameFile(const std::wstring& nameFile) {
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
  return pipe;
}

std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// The peer program, ended and waited for when the test leaves.
class Peer {
 public:
  explicit Peer(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + besideTestProgram(L"drxinst_pipe_peer.exe") + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_);
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
    HANDLE pipe =
        CreateNamedPipeW(late, PIPE_ACCESS_DUPLEX, PIPE_REJECT_REMOTE_CLIENTS, 1, 65536, 65536, 0, nullptr);
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
  const std::wstring nameFile = tempFile(L"drxinst-pipe-name.txt");
  DeleteFileW(nameFile.c_str());
  Peer peer(L"serve \"" + nameFile + L"\" 5");
  ASSERT_TRUE(peer.started());
  const std::u16string pipe = waitForNameFile(nameFile);
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
  for (const std::string& call : vm.callLog())
    EXPECT_EQ(call.find("NewByteArray"), std::string::npos) << call;
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

// Another local program takes a pipe name first, with room for more instances, and waits for
// clients: the listener must not become a second instance of that pipe, where the companion's
// connection could land with the squatter.
TEST_F(PipeTest, ListenerNeverJoinsAPipeAnotherProcessMadeFirst) {
  const std::wstring nameFile = tempFile(L"drxinst-squatted-name.txt");
  DeleteFileW(nameFile.c_str());
  Peer squatter(L"squat \"" + nameFile + L"\"");
  ASSERT_TRUE(squatter.started());
  const std::u16string squatted = waitForNameFile(nameFile);
  ASSERT_FALSE(squatted.empty()) << "the squatter never named its pipe";

  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  const std::u16string pipe = vm.string(name);
  ASSERT_NE(pipe, squatted) << "the listener joined the squatter's pipe";
  Peer companion(L"echo " + wide(pipe) + L" 5");
  ASSERT_TRUE(natives.connect(env, nullptr, nullptr));
  exchangeBlocks();
  EXPECT_EQ(companion.exitCode(), 0u);
  EXPECT_EQ(squatter.exitCode(0), static_cast<DWORD>(STILL_ACTIVE)) << "a client reached the squatter";
}

struct AccessEntry {
  BYTE type;
  BYTE flags;
  ACCESS_MASK mask;
  std::wstring sid;
  bool operator<(const AccessEntry& o) const { return sid < o.sid; }
  bool operator==(const AccessEntry& o) const {
    return type == o.type && flags == o.flags && mask == o.mask && sid == o.sid;
  }
};

std::wstring sidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return L"?";
  std::wstring result(text);
  LocalFree(text);
  return result;
}

std::wstring currentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"?";
  BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const BOOL ok = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
  CloseHandle(token);
  return ok ? sidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) : L"?";
}

// The descriptor read back from the pipe itself (through a client handle, the only one this
// process can have): the user, SYSTEM and Administrators with full access, nothing inherited,
// nobody else. The default descriptor would let everyone read.
TEST_F(PipeTest, ListenerAdmitsOnlyTheUserSystemAndAdministrators) {
  jstring name = natives.createListener(env, nullptr);
  ASSERT_FALSE(vm.isNull(name));
  HANDLE client = CreateFileW(wide(vm.string(name)).c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(client, INVALID_HANDLE_VALUE) << GetLastError();
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetSecurityInfo(client, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                            nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  std::vector<AccessEntry> entries;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, &ace));
    const auto* header = static_cast<ACE_HEADER*>(ace);
    // Every type this test can meet starts mask and SID like the allowed entry.
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    entries.push_back(
        {header->AceType, header->AceFlags, allowed->Mask, sidText(const_cast<DWORD*>(&allowed->SidStart))});
  }
  const bool hasDacl = dacl != nullptr;
  LocalFree(descriptor);

  // The other half of the flow still works through the same client: a block in, read by drxinst.
  ASSERT_TRUE(natives.connect(env, nullptr, nullptr));
  const unsigned char block[] = {3, 0, 0, 0, 'a', 'b', 'c'};
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(client, block, sizeof block, &written, nullptr));
  jbyteArray read = natives.readBlock(env, nullptr);
  CloseHandle(client);
  ASSERT_FALSE(vm.isNull(read));
  EXPECT_EQ(vm.bytes(read), (std::vector<jbyte>{'a', 'b', 'c'}));

  ASSERT_TRUE(hasDacl) << "no DACL: everyone may open the pipe";
  EXPECT_NE(control & SE_DACL_PROTECTED, 0) << "the DACL may take inherited entries";
  std::vector<AccessEntry> expected = {
      {ACCESS_ALLOWED_ACE_TYPE, 0, FILE_ALL_ACCESS, currentUserSid()},
      {ACCESS_ALLOWED_ACE_TYPE, 0, FILE_ALL_ACCESS, L"S-1-5-18"},
      {ACCESS_ALLOWED_ACE_TYPE, 0, FILE_ALL_ACCESS, L"S-1-5-32-544"},
  };
  std::sort(entries.begin(), entries.end());
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].sid, expected[i].sid);
    EXPECT_EQ(entries[i].type, expected[i].type);
    EXPECT_EQ(entries[i].flags, expected[i].flags);
    EXPECT_EQ(entries[i].mask, expected[i].mask) << std::hex << entries[i].mask;
  }
}

// Records the flags drxinst hands to CreateFileW, by replacing that entry of its import table.
// wine accepts the quality-of-service flags of a pipe client but lets the server impersonate it
// fully all the same, so what the client asks for is observed where it leaves drxinst.
class CreateFileRecorder {
 public:
  CreateFileRecorder() {
    slot_ = importSlot(platformLibrary(), "kernel32.dll", "CreateFileW");
    if (slot_ == nullptr) return;
    original_ = reinterpret_cast<CreateFileFunction>(*slot_);
    write(reinterpret_cast<void*>(&recorder));
  }
  ~CreateFileRecorder() {
    if (slot_ != nullptr) write(reinterpret_cast<void*>(original_));
  }
  bool installed() const { return slot_ != nullptr; }
  static DWORD lastFlags() { return flags_; }

 private:
  using CreateFileFunction = decltype(&CreateFileW);

  static HANDLE WINAPI recorder(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                                DWORD disposition, DWORD flags, HANDLE templateFile) {
    flags_ = flags;
    return original_(name, access, share, attributes, disposition, flags, templateFile);
  }

  static void** importSlot(HMODULE module, const char* library, const char* function) {
    if (module == nullptr) return nullptr;
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return nullptr;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
      if (_stricmp(reinterpret_cast<char*>(base + entry->Name), library) != 0) continue;
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
          return reinterpret_cast<void**>(&slots->u1.Function);
        }
      }
    }
    return nullptr;
  }

  void write(void* value) {
    DWORD previous = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &previous);
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, previous, &previous);
  }

  void** slot_ = nullptr;
  static inline CreateFileFunction original_ = nullptr;
  static inline std::atomic<DWORD> flags_{0};
};

TEST_F(PipeTest, ClientAllowsTheServerToIdentifyButNotToImpersonateIt) {
  CreateFileRecorder recorder;
  ASSERT_TRUE(recorder.installed()) << "drxinst does not import CreateFileW from kernel32";
  const wchar_t* pipeName = L"\\\\.\\pipe\\drxinst-test-identify";
  HANDLE pipe =
      CreateNamedPipeW(pipeName, PIPE_ACCESS_DUPLEX, PIPE_REJECT_REMOTE_CLIENTS, 1, 65536, 65536, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  std::thread server([pipe] {
    ConnectNamedPipe(pipe, nullptr);
    const unsigned char block[] = {2, 0, 0, 0, 'o', 'k'};
    DWORD written = 0;
    WriteFile(pipe, block, sizeof block, &written, nullptr);
    FlushFileBuffers(pipe);
  });
  const bool connected = natives.connect(env, nullptr, vm.newString(u"\\\\.\\pipe\\drxinst-test-identify"));
  jbyteArray block = connected ? natives.readBlock(env, nullptr) : nullptr;
  server.join();
  CloseHandle(pipe);
  ASSERT_TRUE(connected);
  ASSERT_FALSE(vm.isNull(block));
  EXPECT_EQ(vm.bytes(block), (std::vector<jbyte>{'o', 'k'}));
  const DWORD qualityOfService =
      CreateFileRecorder::lastFlags() & (SECURITY_SQOS_PRESENT | SECURITY_VALID_SQOS_FLAGS);
  EXPECT_EQ(qualityOfService, static_cast<DWORD>(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION))
      << std::hex << qualityOfService;
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
