// Times drxinst exports against the Win32 calls they wrap, made directly in the same run:
// getValue0 on a small value, and 1 MB blocks through the pipe in both directions.
#include <jni.h>
#include <windows.h>

#include <mini_jni.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

#ifdef _WIN64
constexpr wchar_t kPlatformDll[] = L"drxinst64.dll";
#else
constexpr wchar_t kPlatformDll[] = L"drxinst.dll";
#endif
constexpr char kPrefix[] = "Java_com_deployrix_runtime_installer_platform_win32_";
constexpr wchar_t kBenchKey[] = L"Software\\morvenic\\drxinst-bench";
constexpr int kRegistryCalls = 100000;
constexpr DWORD kBlockBytes = 1 << 20;
constexpr int kBlockRounds = 20;

using GetValue = jobject(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using CreateListener = jstring(JNICALL*)(JNIEnv*, jclass);
using Action = void(JNICALL*)(JNIEnv*, jclass);
using Connect = jboolean(JNICALL*)(JNIEnv*, jclass, jstring);
using ReadBlock = jbyteArray(JNICALL*)(JNIEnv*, jclass);
using WriteBlock = jboolean(JNICALL*)(JNIEnv*, jclass, jbyteArray);

HMODULE g_dll;

template <class F>
F native(const char* name) {
  return reinterpret_cast<F>(
      reinterpret_cast<void (*)()>(GetProcAddress(g_dll, (std::string(kPrefix) + name).c_str())));
}

double seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void report(const char* what, double library, double direct, int calls) {
  printf("%-34s drxinst %9.3f ms  direct %9.3f ms  ratio %5.2f  (%.2f us per drxinst call)\n", what,
         library * 1e3, direct * 1e3, library / direct, library * 1e6 / calls);
}

void benchRegistry(minijni::Jvm& vm) {
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const wchar_t value[] = L"small value";
  RegSetValueExW(key, L"small", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
  RegCloseKey(key);

  JNIEnv* env = vm.env();
  auto getValue = native<GetValue>("Registry_getValue0");
  jstring path = vm.newString(u"Software\\morvenic\\drxinst-bench");
  jstring name = vm.newString(u"small");
  double start = seconds();
  for (int i = 0; i < kRegistryCalls; ++i) {
    env->PushLocalFrame(4);  // as a virtual machine frees a call's references when it returns
    if (getValue(env, nullptr, 2, path, name, 0) == nullptr) printf("getValue0 failed\n");
    env->PopLocalFrame(nullptr);
  }
  const double library = seconds() - start;

  start = seconds();
  for (int i = 0; i < kRegistryCalls; ++i) {
    HKEY k;
    wchar_t buffer[64];
    DWORD size = sizeof buffer;
    DWORD type;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kBenchKey, 0, KEY_READ, &k) == ERROR_SUCCESS) {
      RegQueryValueExW(k, L"small", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
      RegCloseKey(k);
    }
  }
  const double direct = seconds() - start;
  RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
  report("getValue0 x100000 (small REG_SZ)", library, direct, kRegistryCalls);
}

// The far end of a pipe, raw Win32: reads or writes kBlockRounds framed blocks.
void rawPeer(const std::wstring& name, bool reads) {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  while ((pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                             nullptr)) == INVALID_HANDLE_VALUE) {
    Sleep(1);
  }
  std::vector<char> buffer(kBlockBytes + 4);
  for (int round = 0; round < kBlockRounds; ++round) {
    if (reads) {
      DWORD total = 0;
      while (total < kBlockBytes + 4) {
        DWORD n = 0;
        if (!ReadFile(pipe, buffer.data() + total, kBlockBytes + 4 - total, &n, nullptr) || n == 0) break;
        total += n;
      }
    } else {
      const DWORD length = kBlockBytes;
      memcpy(buffer.data(), &length, 4);
      DWORD n = 0;
      WriteFile(pipe, buffer.data(), kBlockBytes + 4, &n, nullptr);
      FlushFileBuffers(pipe);
    }
  }
  CloseHandle(pipe);
}

HANDLE rawServer(const wchar_t* name) {
  return CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX, PIPE_REJECT_REMOTE_CLIENTS, 1, 65536, 65536, 0, nullptr);
}

double rawServerRounds(bool writes) {
  const std::wstring name = L"\\\\.\\pipe\\drxinst-bench-raw";
  HANDLE server = rawServer(name.c_str());
  std::thread peer(rawPeer, name, writes);
  ConnectNamedPipe(server, nullptr);
  std::vector<char> buffer(kBlockBytes + 4);
  const double start = seconds();
  for (int round = 0; round < kBlockRounds; ++round) {
    if (writes) {
      const DWORD length = kBlockBytes;
      DWORD n = 0;
      WriteFile(server, &length, 4, &n, nullptr);
      WriteFile(server, buffer.data(), kBlockBytes, &n, nullptr);
      FlushFileBuffers(server);
    } else {
      DWORD total = 0;
      while (total < kBlockBytes + 4) {
        DWORD n = 0;
        if (!ReadFile(server, buffer.data() + total, kBlockBytes + 4 - total, &n, nullptr) || n == 0) break;
        total += n;
      }
    }
  }
  const double elapsed = seconds() - start;
  peer.join();
  DisconnectNamedPipe(server);
  CloseHandle(server);
  return elapsed;
}

double libraryRounds(minijni::Jvm& vm, bool writes) {
  JNIEnv* env = vm.env();
  jstring name = native<CreateListener>("Win32CommunicationBackend_createListener0")(env, nullptr);
  const std::u16string text = vm.string(name);
  std::thread peer(rawPeer, std::wstring(text.begin(), text.end()), writes);
  native<Connect>("Win32CommunicationBackend_connect0")(env, nullptr, nullptr);
  auto writeBlock = native<WriteBlock>("Win32CommunicationBackend_writeDataBlock0");
  auto readBlock = native<ReadBlock>("Win32CommunicationBackend_readDataBlock0");
  jbyteArray block = vm.newByteArray(std::vector<jbyte>(kBlockBytes, 3));
  const double start = seconds();
  for (int round = 0; round < kBlockRounds; ++round) {
    env->PushLocalFrame(4);
    const bool ok = writes ? writeBlock(env, nullptr, block) : readBlock(env, nullptr) != nullptr;
    if (!ok) printf("block round %d failed\n", round);
    env->PopLocalFrame(nullptr);
  }
  const double elapsed = seconds() - start;
  peer.join();
  native<Action>("Win32CommunicationBackend_disconnect0")(env, nullptr);
  native<Action>("Win32CommunicationBackend_closeListener0")(env, nullptr);
  return elapsed;
}

// The array work a block export asks of the virtual machine, timed alone: the stand-in
// environment copies elements out and back, which a real runtime may do faster.
double arrayWorkRounds(minijni::Jvm& vm, bool writes) {
  JNIEnv* env = vm.env();
  jbyteArray block = vm.newByteArray(std::vector<jbyte>(kBlockBytes, 3));
  const double start = seconds();
  for (int round = 0; round < kBlockRounds; ++round) {
    env->PushLocalFrame(4);
    jbyteArray array = writes ? block : env->NewByteArray(kBlockBytes);
    jbyte* elements = env->GetByteArrayElements(array, nullptr);
    env->ReleaseByteArrayElements(array, elements, writes ? JNI_ABORT : 0);
    env->PopLocalFrame(nullptr);
  }
  return seconds() - start;
}

void reportBlocks(minijni::Jvm& vm, const char* what, bool writes) {
  const double library = libraryRounds(vm, writes);
  const double direct = rawServerRounds(writes);
  const double arrayWork = arrayWorkRounds(vm, writes);
  report(what, library, direct, kBlockRounds);
  printf("%-34s less the runtime's array work (%.3f ms): ratio %5.2f\n", "", arrayWork * 1e3,
         (library - arrayWork) / direct);
}

}  // namespace

int main() {
  wchar_t path[MAX_PATH];
  std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  full.resize(full.find_last_of(L'\\') + 1);
  g_dll = LoadLibraryW((full + kPlatformDll).c_str());
  if (g_dll == nullptr) {
    printf("could not load the platform DLL\n");
    return 1;
  }
  minijni::Jvm vm;
  benchRegistry(vm);
  reportBlocks(vm, "writeDataBlock0 20 x 1 MB", true);
  reportBlocks(vm, "readDataBlock0 20 x 1 MB", false);
  return 0;
}
