// The other installer process of the pipe tests: loads drxinst and echoes blocks through
// its natives, or misbehaves on purpose as a broken peer would.
//
//   drxinst_pipe_peer echo PIPE COUNT       connect as client, echo COUNT blocks (bytes ^ 0x5A)
//   drxinst_pipe_peer serve NAMEFILE COUNT  listen, write the pipe name to NAMEFILE, echo COUNT blocks
//   drxinst_pipe_peer partial PIPE          send a 100,000-byte prefix and 1,000 bytes, then die
//   drxinst_pipe_peer negative PIPE         send a negative length prefix, then wait to be ended
//   drxinst_pipe_peer squat NAMEFILE        as another local user's program would: take the first free
//                                           drxcomm name with room for any number of instances, write it
//                                           to NAMEFILE and wait for a client; exit 4 when one connects
// Exit code 0 when every step worked; 2 for bad usage; 3 for a failed step.
#include <jni.h>
#include <windows.h>

#include <mini_jni.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

#ifdef _WIN64
constexpr wchar_t kPlatformDll[] = L"drxinst64.dll";
#else
constexpr wchar_t kPlatformDll[] = L"drxinst.dll";
#endif

using NoArgs = jstring(JNICALL*)(JNIEnv*, jclass);
using Action = void(JNICALL*)(JNIEnv*, jclass);
using Connect = jboolean(JNICALL*)(JNIEnv*, jclass, jstring);
using ReadBlock = jbyteArray(JNICALL*)(JNIEnv*, jclass);
using WriteBlock = jboolean(JNICALL*)(JNIEnv*, jclass, jbyteArray);

HMODULE library() {
  wchar_t path[MAX_PATH];
  std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  full.resize(full.find_last_of(L'\\') + 1);
  return LoadLibraryW((full + kPlatformDll).c_str());
}

template <class F>
F native(HMODULE dll, const char* method) {
  const std::string name =
      std::string("Java_com_deployrix_runtime_installer_platform_win32_Win32CommunicationBackend_") + method;
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name.c_str())));
}

int fail(const char* what) {
  fprintf(stderr, "pipe peer: %s failed\n", what);
  return 3;
}

int echoBlocks(minijni::Jvm& vm, HMODULE dll, int count) {
  auto readBlock = native<ReadBlock>(dll, "readDataBlock0");
  auto writeBlock = native<WriteBlock>(dll, "writeDataBlock0");
  for (int i = 0; i < count; ++i) {
    jbyteArray block = readBlock(vm.env(), nullptr);
    if (block == nullptr) return fail("readDataBlock0");
    std::vector<jbyte> bytes = vm.bytes(block);
    for (jbyte& b : bytes) b = static_cast<jbyte>(b ^ 0x5A);
    if (!writeBlock(vm.env(), nullptr, vm.newByteArray(bytes))) return fail("writeDataBlock0");
  }
  native<Action>(dll, "disconnect0")(vm.env(), nullptr);
  return 0;
}

// Written under a temporary name and renamed, so the test never reads half a name.
bool writeNameFile(const std::wstring& target, const std::u16string& text) {
  const std::wstring partial = target + L".part";
  FILE* f = _wfopen(partial.c_str(), L"wb");
  if (f == nullptr) return false;
  fwrite(text.data(), sizeof(char16_t), text.size(), f);
  fclose(f);
  return MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

int squat(const std::wstring& nameFile) {
  for (int instance = 0; instance < 200; ++instance) {
    const std::wstring name = L"\\\\.\\pipe\\drxcomm" + std::to_wstring(instance);
    HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                   PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) continue;
    // Only a name nobody held: joining another squatter's pipe would prove nothing.
    DWORD instances = 0;
    if (!GetNamedPipeHandleStateW(pipe, nullptr, &instances, nullptr, nullptr, nullptr, 0) ||
        instances != 1) {
      CloseHandle(pipe);
      continue;
    }
    if (!writeNameFile(nameFile, std::u16string(name.begin(), name.end()))) return fail("name file");
    if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) return 4;
    return fail("ConnectNamedPipe");
  }
  return fail("no free name");
}

HANDLE openRaw(const wchar_t* pipe) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE h = CreateFileW(pipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    Sleep(50);
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring mode = argv[1];
  if (mode == L"partial" || mode == L"negative") {
    HANDLE pipe = openRaw(argv[2]);
    if (pipe == INVALID_HANDLE_VALUE) return fail("CreateFileW");
    std::vector<unsigned char> bytes(mode == L"partial" ? 1004 : 4, 0xEE);
    const int length = mode == L"partial" ? 100000 : -1;
    for (int i = 0; i < 4; ++i)
      bytes[i] = static_cast<unsigned char>(static_cast<unsigned>(length) >> (8 * i));
    DWORD written = 0;
    if (!WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      return fail("WriteFile");
    if (mode == L"partial") TerminateProcess(GetCurrentProcess(), 9);  // dies in the middle of the block
    Sleep(INFINITE);
  }
  if (mode == L"squat") return squat(argv[2]);

  HMODULE dll = library();
  if (dll == nullptr) return fail("LoadLibrary");
  minijni::Jvm vm;
  if (mode == L"echo" && argc == 4) {
    const std::wstring pipe = argv[2];
    if (!native<Connect>(dll, "connect0")(vm.env(), nullptr,
                                          vm.newString(std::u16string(pipe.begin(), pipe.end())))) {
      return fail("connect0");
    }
    return echoBlocks(vm, dll, _wtoi(argv[3]));
  }
  if (mode == L"serve" && argc == 4) {
    jstring name = native<NoArgs>(dll, "createListener0")(vm.env(), nullptr);
    if (name == nullptr) return fail("createListener0");
    if (!writeNameFile(argv[2], vm.string(name))) return fail("name file");
    if (!native<Connect>(dll, "connect0")(vm.env(), nullptr, nullptr)) return fail("connect0(null)");
    const int result = echoBlocks(vm, dll, _wtoi(argv[3]));
    native<Action>(dll, "closeListener0")(vm.env(), nullptr);
    return result;
  }
  return 2;
}
