// A planted DLL (comctl32.dll, version.dll, wininet.dll, dnsapi.dll, which netapi32.dll imports, or
// jvmaux.dll, a runtime's own helper beside its jvm.dll) that records why it was loaded and who
// calls it.
//
// Each event is one line appended to the file named by DRX_PLANTED_RECORD:
//   load <dll> <system|program> <cause>[;<cause>...]
//   call <dll> <system|program> <caller> <function>
// The cause of a load is every loaded module whose import or delay-import table names this DLL
// (a load that resolves imports), else the first module on the stack that is not the loader
// (a LoadLibrary call). "program" means some cause lies outside the system directory: code of
// ours (or the stand-in runtime) searched for the DLL by name. "system" means only system DLLs
// did. On Windows those are known DLLs whose own imports come from the system directory; wine's
// builtin DLLs search the program's directory like any other module (its user32.dll imports
// version.dll at start-up and calls GetFileVersionInfoSizeW; its comdlg32.dll and compstui.dll
// import comctl32.dll), so under wine the planted copies do get loaded, but not for our code.
//
// Calls are recorded as well: under wine a planted version.dll is in the process before our code
// runs, so a load by name from our code would get it without a second load, but would call it.
//
// The exported functions forward to the real DLL in the system directory, so that system DLLs
// bound to a planted copy keep working.
#include <windows.h>
// Kernel32 form of the module list (K32EnumProcessModules), no psapi.dll import.
#define PSAPI_VERSION 2
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#ifndef DRX_PLANTED_STEM
#error \
    "DRX_PLANTED_STEM must name the DLL this build stands in for (comctl32, version, wininet, dnsapi or jvmaux)"
#endif
#define DRX_TEXT(x) #x
#define DRX_STEM_TEXT(x) DRX_TEXT(x)
#define DRX_PLANTED_NAME_A DRX_STEM_TEXT(DRX_PLANTED_STEM) ".dll"
#define DRX_PLANTED_NAME L"" DRX_PLANTED_NAME_A

namespace {

HMODULE self = nullptr;

std::wstring moduleFile(HMODULE module) {
  wchar_t file[1024];
  const DWORD length = GetModuleFileNameW(module, file, 1024);
  return length > 0 && length < 1024 ? std::wstring(file, length) : std::wstring(L"?");
}

std::wstring systemDirectory() {
  wchar_t directory[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH + 1);
  return length > 0 && length <= MAX_PATH ? std::wstring(directory, length) : std::wstring();
}

bool isSystemFile(const std::wstring& path) {
  const std::wstring directory = systemDirectory() + L'\\';
  return path.size() > directory.size() && _wcsnicmp(path.c_str(), directory.c_str(), directory.size()) == 0;
}

HMODULE moduleAt(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(address), &module);
  return module;
}

void append(const std::wstring& line) {
  wchar_t target[1024];
  const DWORD length = GetEnvironmentVariableW(L"DRX_PLANTED_RECORD", target, 1024);
  if (length == 0 || length >= 1024) return;
  const std::wstring text = line + L"\r\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                      nullptr);
  HANDLE file = CreateFileW(target, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void note(const wchar_t* event, const std::vector<std::wstring>& causes, const std::wstring& tail) {
  bool program = false;
  std::wstring joined;
  for (const std::wstring& cause : causes) {
    program = program || !isSystemFile(cause);
    joined += (joined.empty() ? L"" : L";") + cause;
  }
  append(std::wstring(event) + L" " DRX_PLANTED_NAME L" " + (program ? L"program " : L"system ") +
         (joined.empty() ? L"-" : joined) + tail);
}

// True when the mapped image imports this DLL's name, directly or delay-loaded.
bool importsUs(HMODULE module) {
  auto* base = reinterpret_cast<const BYTE*>(module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY* directories = nt->OptionalHeader.DataDirectory;
  auto named = [&](DWORD nameRva) {
    return nameRva != 0 && lstrcmpiA(reinterpret_cast<const char*>(base + nameRva), DRX_PLANTED_NAME_A) == 0;
  };
  if (const DWORD rva = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress) {
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + rva); entry->Name; ++entry) {
      if (named(entry->Name)) return true;
    }
  }
  if (const DWORD rva = directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress) {
    for (auto* entry = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(base + rva); entry->DllNameRVA;
         ++entry) {
      if (named(entry->DllNameRVA)) return true;
    }
  }
  return false;
}

std::vector<std::wstring> importers() {
  std::vector<std::wstring> found;
  std::vector<HMODULE> modules(1024);
  DWORD needed = 0;
  if (!K32EnumProcessModules(GetCurrentProcess(), modules.data(),
                             static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed))
    return found;
  modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
  for (HMODULE module : modules) {
    if (module != self && importsUs(module)) found.push_back(moduleFile(module));
  }
  return found;
}

// The first module on the stack that is neither this DLL nor the loader.
std::vector<std::wstring> loadingCaller() {
  void* frames[62];
  const USHORT count = RtlCaptureStackBackTrace(0, 62, frames, nullptr);
  for (USHORT i = 0; i < count; ++i) {
    HMODULE module = moduleAt(frames[i]);
    if (!module || module == self) continue;
    const std::wstring file = moduleFile(module);
    const std::wstring name = file.substr(file.find_last_of(L'\\') + 1);
    if (lstrcmpiW(name.c_str(), L"ntdll.dll") == 0 || lstrcmpiW(name.c_str(), L"kernel32.dll") == 0 ||
        lstrcmpiW(name.c_str(), L"kernelbase.dll") == 0)
      continue;
    return {file};
  }
  return {};
}

void noteLoad() {
  std::vector<std::wstring> causes = importers();
  if (causes.empty()) causes = loadingCaller();
  note(L"load", causes, std::wstring());
}

// The real DLL, loaded by full path on first use (never from DllMain).
FARPROC realFunction(const char* function) {
  static HMODULE real = LoadLibraryExW((systemDirectory() + L"\\" DRX_PLANTED_NAME).c_str(), nullptr, 0);
  return real ? GetProcAddress(real, function) : nullptr;
}

template <class Function>
Function forward(const char* function, const void* returnAddress) {
  const std::wstring caller = moduleFile(moduleAt(returnAddress));
  std::wstring name(function, function + lstrlenA(function));
  note(L"call", {caller}, L" " + name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(realFunction(function)));
}

}  // namespace

#define DRX_FORWARD(result, failure, name, parameters, arguments)                        \
  extern "C" __declspec(dllexport) result WINAPI name parameters {                       \
    auto real = forward<result(WINAPI*) parameters>(#name, __builtin_return_address(0)); \
    return real ? real arguments : failure;                                              \
  }

#if defined(DRX_PLANTED_COMCTL32)
DRX_FORWARD(BOOL, FALSE, InitCommonControlsEx, (const void* controls), (controls))
extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {
  auto real = forward<void(WINAPI*)()>("InitCommonControls", __builtin_return_address(0));
  if (real) real();
}
#elif defined(DRX_PLANTED_VERSION)
DRX_FORWARD(DWORD, 0, GetFileVersionInfoSizeW, (LPCWSTR file, LPDWORD handle), (file, handle))
DRX_FORWARD(DWORD, 0, GetFileVersionInfoSizeA, (LPCSTR file, LPDWORD handle), (file, handle))
DRX_FORWARD(DWORD, 0, GetFileVersionInfoSizeExW, (DWORD flags, LPCWSTR file, LPDWORD handle),
            (flags, file, handle))
DRX_FORWARD(BOOL, FALSE, GetFileVersionInfoW, (LPCWSTR file, DWORD handle, DWORD size, LPVOID data),
            (file, handle, size, data))
DRX_FORWARD(BOOL, FALSE, GetFileVersionInfoA, (LPCSTR file, DWORD handle, DWORD size, LPVOID data),
            (file, handle, size, data))
DRX_FORWARD(BOOL, FALSE, GetFileVersionInfoExW,
            (DWORD flags, LPCWSTR file, DWORD handle, DWORD size, LPVOID data),
            (flags, file, handle, size, data))
DRX_FORWARD(BOOL, FALSE, VerQueryValueW, (LPCVOID block, LPCWSTR sub, LPVOID* buffer, PUINT length),
            (block, sub, buffer, length))
DRX_FORWARD(BOOL, FALSE, VerQueryValueA, (LPCVOID block, LPCSTR sub, LPVOID* buffer, PUINT length),
            (block, sub, buffer, length))
#elif defined(DRX_PLANTED_DNSAPI)
// What netapi32.dll imports from dnsapi.dll.
DRX_FORWARD(LONG, 9501, DnsQuery_W,
            (LPCWSTR name, WORD type, DWORD options, PVOID extra, PVOID* results, PVOID* reserved),
            (name, type, options, extra, results, reserved))
extern "C" __declspec(dllexport) void WINAPI DnsRecordListFree(PVOID records, int freeType) {
  auto real = forward<void(WINAPI*)(PVOID, int)>("DnsRecordListFree", __builtin_return_address(0));
  if (real) real(records, freeType);
}
#elif defined(DRX_PLANTED_JVMAUX)
// The look-alike of a runtime's own helper DLL: answers 2 where the real one answers 1.
extern "C" __declspec(dllexport) int drxJvmAuxiliary() { return 2; }
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    self = instance;
    noteLoad();
  }
  return TRUE;
}
