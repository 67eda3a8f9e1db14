// Scripted behaviour inside the stand-in's main: windows, registry marker, sleeps, threads, export calls,
// exit.
#include "main_actions.h"

#include "standin_config.h"
#include "standin_host.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace standin {

namespace {

struct StartedThreads {
  std::mutex lock;
  std::vector<std::thread> threads;
  int total = 0;
};

// Never destroyed: when a scripted action ends the process while a thread still runs, the
// destructor of a joinable std::thread at DLL detach would abort the process instead.
StartedThreads& started() {
  static StartedThreads* threads = new StartedThreads;
  return *threads;
}

template <class Function>
void startThread(Function function) {
  std::lock_guard<std::mutex> hold(started().lock);
  started().threads.emplace_back(std::move(function));
  ++started().total;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A visible top-level window of its own thread, like the Java installer's first frame.
void showWindow(unsigned milliseconds, std::wstring title) {
  static const wchar_t kClass[] = L"DrxStandinInstallerWindow";
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassW(&windowClass);  // a second registration fails harmlessly
  HWND window = CreateWindowExW(0, kClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 200,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) {
    report("jvm.windowFailed", std::to_string(GetLastError()));
    return;
  }
  report("jvm.windowShown", narrow(title));
  SetTimer(window, 1, milliseconds, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The process marker the launcher's start-up wait thread watches: the Java side writes 2.
void writeMarker() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\morvenic\\lanqo\\", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    report("jvm.markerFailed", "open");
    return;
  }
  char name[64];
  std::snprintf(name, sizeof name, "InstallStarted_%lu", GetCurrentProcessId());
  DWORD two = 2;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), sizeof two);
  RegCloseKey(key);
  report("jvm.marker", name);
}

template <class R>
R callExport(FARPROC function, JNIEnv* env, jclass cls, const std::vector<intptr_t>& a) {
  auto* f = reinterpret_cast<void*>(function);
  using I = intptr_t;
  // Exactly as many arguments as given: a 32-bit __stdcall callee pops what it takes.
  switch (a.size()) {
    case 0:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass)>(f)(env, cls);
    case 1:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I)>(f)(env, cls, a[0]);
    case 2:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I, I)>(f)(env, cls, a[0], a[1]);
    case 3:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I, I, I)>(f)(env, cls, a[0], a[1], a[2]);
    case 4:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I, I, I, I)>(f)(env, cls, a[0], a[1], a[2], a[3]);
    case 5:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I, I, I, I, I)>(f)(env, cls, a[0], a[1], a[2],
                                                                              a[3], a[4]);
    case 6:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I, I, I, I, I, I)>(f)(env, cls, a[0], a[1], a[2],
                                                                                 a[3], a[4], a[5]);
    case 7:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I, I, I, I, I, I, I)>(f)(
          env, cls, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    default:
      return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, I, I, I, I, I, I, I, I)>(f)(
          env, cls, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
  }
}

#if defined(__i386__)
// Calls a __stdcall function with `count` 32-bit words, as a 32-bit VM calls a native by its
// decorated name "...@N" (N = 4 * count), and stores how far the stack pointer moved across the
// call: 0 when the callee popped exactly N bytes. Returns EDX:EAX.
extern "C" uint64_t drxStandinCallStdcall(FARPROC function, const uint32_t* words, uint32_t count,
                                          int32_t* moved);
__asm__(
    ".text\n"
    ".globl _drxStandinCallStdcall\n"
    "_drxStandinCallStdcall:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  pushl %ebx\n"
    "  movl 12(%ebp), %esi\n"
    "  movl 16(%ebp), %ecx\n"
    "  movl %esp, %edi\n"
    "1:\n"
    "  testl %ecx, %ecx\n"
    "  jz 2f\n"
    "  pushl -4(%esi,%ecx,4)\n"
    "  decl %ecx\n"
    "  jmp 1b\n"
    "2:\n"
    "  call *8(%ebp)\n"
    "  movl %esp, %ebx\n"
    "  subl %edi, %ebx\n"
    "  movl 20(%ebp), %ecx\n"
    "  movl %ebx, (%ecx)\n"
    "  movl %edi, %esp\n"
    "  popl %ebx\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");
#endif

// The N of a decorated export name "name@N", or -1 for a plain name.
int decoratedArgumentBytes(const std::string& name) {
  const size_t at = name.rfind('@');
  if (at == std::string::npos || at + 1 == name.size()) return -1;
  return std::atoi(name.c_str() + at + 1);
}

std::vector<jbyte> bytesOf(const std::string& text) { return std::vector<jbyte>(text.begin(), text.end()); }

std::vector<jint> intsOf(const std::string& list) {
  std::vector<jint> values;
  for (const std::string& item : splitAt(list, ',')) {
    if (!item.empty()) values.push_back(static_cast<jint>(std::strtol(item.c_str(), nullptr, 0)));
  }
  return values;
}

// "call <dll>|<export>|<result>|<arg>|..." through this VM's environment on the launching thread.
// Arguments: int:N, bool:N, str:TEXT, bytes:TEXT (a byte[] of the text), ints:A,B (an int[]),
// null. A decorated export name ("...@N") is called, on 32-bit, with exactly N bytes of arguments
// (the missing ones null) and the stack pointer is checked across the call.
void callAction(minijni::Jvm& vm, const std::string& plan) {
  std::vector<std::string> parts = splitAt(plan, '|');
  if (parts.size() < 3 || parts.size() > 11) {
    report("jvm.actionError", "call needs <dll>|<export>|<result>[|args], at most eight arguments");
    return;
  }
  HMODULE module = LoadLibraryW(widen(parts[0]).c_str());
  FARPROC function = module ? GetProcAddress(module, parts[1].c_str()) : nullptr;
  if (!function) {
    report("jvm.call.result", parts[1] + " unavailable " + std::to_string(GetLastError()));
    return;
  }
  JNIEnv* env = vm.env();
  // A VM runs a library's JNI_OnLoad when it loads it; once per module.
  static std::vector<HMODULE> initialised;
  FARPROC onLoad = GetProcAddress(module, "JNI_OnLoad");
  if (!onLoad) onLoad = GetProcAddress(module, "JNI_OnLoad@8");
  if (onLoad && std::find(initialised.begin(), initialised.end(), module) == initialised.end()) {
    initialised.push_back(module);
    auto load = reinterpret_cast<jint(JNICALL*)(JavaVM*, void*)>(reinterpret_cast<void*>(onLoad));
    report("jvm.onLoad", parts[0] + " " + std::to_string(load(vm.javaVm(), nullptr)));
  }
  std::vector<intptr_t> args;
  for (size_t i = 3; i < parts.size(); ++i) {
    const std::string& arg = parts[i];
    if (arg.rfind("int:", 0) == 0 || arg.rfind("bool:", 0) == 0) {
      args.push_back(static_cast<intptr_t>(std::strtol(arg.c_str() + arg.find(':') + 1, nullptr, 0)));
    } else if (arg.rfind("str:", 0) == 0) {
      args.push_back(reinterpret_cast<intptr_t>(vm.newStringUtf8(arg.substr(4))));
    } else if (arg.rfind("bytes:", 0) == 0) {
      args.push_back(reinterpret_cast<intptr_t>(vm.newByteArray(bytesOf(arg.substr(6)))));
    } else if (arg.rfind("ints:", 0) == 0) {
      args.push_back(reinterpret_cast<intptr_t>(vm.newIntArray(intsOf(arg.substr(5)))));
    } else {
      args.push_back(0);  // "null"
    }
  }
  jclass cls = env->FindClass("java/lang/Object");
  const std::string& kind = parts[2];
  intptr_t result = 0;
  jlong longResult = 0;
  const int argumentBytes = decoratedArgumentBytes(parts[1]);
#if defined(__i386__)
  if (argumentBytes >= 8 && argumentBytes % 4 == 0) {
    std::vector<uint32_t> words = {reinterpret_cast<uint32_t>(env), reinterpret_cast<uint32_t>(cls)};
    for (intptr_t arg : args) words.push_back(static_cast<uint32_t>(arg));
    words.resize(static_cast<size_t>(argumentBytes / 4), 0);
    int32_t moved = 0;
    const uint64_t pair =
        drxStandinCallStdcall(function, words.data(), static_cast<uint32_t>(words.size()), &moved);
    report("jvm.call.stack", parts[1] + (moved == 0 ? " balanced" : " moved " + std::to_string(moved)));
    result = static_cast<intptr_t>(static_cast<uint32_t>(pair));
    longResult = static_cast<jlong>(pair);
  } else
#endif
  {
    (void)argumentBytes;
    if (kind == "long") {
      longResult = callExport<jlong>(function, env, cls, args);
    } else {
      result = callExport<intptr_t>(function, env, cls, args);
    }
  }
  auto object = reinterpret_cast<jobject>(result);
  std::string value;
  if (kind == "long") {
    value = std::to_string(longResult);
  } else if (kind == "void") {
    value = "void";
  } else if (kind == "int") {
    value = std::to_string(static_cast<jint>(result));
  } else if (kind == "bool") {
    value = (result & 0xff) ? "true" : "false";
  } else if (kind == "string") {
    value = vm.isNull(object) ? "null" : "\"" + vm.stringUtf8(object) + "\"";
  } else {
    value = vm.isNull(object) ? "null" : vm.className(object);
  }
  report("jvm.call.result", parts[1] + " " + value);
  if (vm.exceptionPending()) {
    report("jvm.call.exception", vm.pendingExceptionClass());
    vm.clearException();
  }
}

}  // namespace

void runAction(minijni::Jvm& vm, const std::string& action) {
  report("jvm.action", action);
  std::string verb = action.substr(0, action.find(' '));
  std::string rest =
      action.find(' ') == std::string::npos ? std::string() : action.substr(action.find(' ') + 1);
  unsigned number = static_cast<unsigned>(std::strtoul(rest.c_str(), nullptr, 10));
  if (verb == "window") {
    std::string title =
        rest.find(' ') == std::string::npos ? "Stand-in installer" : rest.substr(rest.find(' ') + 1);
    startThread([number, title] { showWindow(number, widen(title)); });
  } else if (verb == "marker") {
    writeMarker();
  } else if (verb == "sleep") {
    Sleep(number);
  } else if (verb == "thread") {
    startThread([number] {
      Sleep(number);
      report("jvm.threadEnd", std::to_string(number));
    });
  } else if (verb == "call") {
    callAction(vm, rest);
  } else if (verb == "exit") {
    ExitProcess(static_cast<UINT>(std::strtol(rest.c_str(), nullptr, 0)));
  } else if (verb == "await") {
    const std::wstring path = widen(rest);
    bool seen = false;
    for (int waited = 0; waited < 60000 && !seen; waited += 20) {
      seen = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
      if (!seen) Sleep(20);
    }
    report("jvm.awaited", seen ? "1" : "0");
  } else if (verb == "env") {
    // The process environment as the Java side (and every program it starts) inherits it.
    std::wstring name = widen(rest);
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    std::u16string value(size, u'\0');
    DWORD length =
        size ? GetEnvironmentVariableW(name.c_str(), reinterpret_cast<wchar_t*>(value.data()), size) : 0;
    value.resize(length < size ? length : 0);
    report("jvm.env", std::u16string(name.begin(), name.end()) + u"=" + value);
  } else if (verb == "stderr") {
    std::string line = rest + "\r\n";
    DWORD wrote = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
  } else {
    report("jvm.actionError", "unknown action " + action);
  }
}

int joinStartedThreads() {
  // Threads may start threads; take them in batches until none is left.
  while (true) {
    std::vector<std::thread> batch;
    {
      std::lock_guard<std::mutex> hold(started().lock);
      batch.swap(started().threads);
    }
    if (batch.empty()) break;
    for (auto& thread : batch) thread.join();
  }
  std::lock_guard<std::mutex> hold(started().lock);
  return started().total;
}

}  // namespace standin
