// Natives of the Java class Misc: reboot, ending other processes, the process list, the
// environment, memory and disk figures, moves at the next restart and window handling.
#include <jni.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "platform/jni_frame.h"
#include "platform/process_privilege.h"
#include "platform/running_modules.h"

namespace {

using drx::KernelHandle;
using drx::platform::JavaText;

constexpr jint kAllEnded = 1;
constexpr jint kNotClosed = 0;
constexpr jint kCannotWait = 2;
constexpr jint kTimedOut = 3;
constexpr int kTitleUnits = 4096;

// The working values of one polite termination; on the caller's stack, so two calls on two
// threads do not share them.
struct CloseRequest {
  const jint* ids;
  jsize count;
  std::vector<bool> windowFound;
  jint status;
};

BOOL CALLBACK closeWindowsOfListedProcesses(HWND window, LPARAM parameter) {
  auto& request = *reinterpret_cast<CloseRequest*>(parameter);
  if (!IsWindowVisible(window)) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  for (jsize i = 0; i < request.count; ++i) {
    if (static_cast<DWORD>(request.ids[i]) != owner) continue;
    request.windowFound[i] = true;
    if (!PostMessageW(window, WM_CLOSE, 0, 0)) request.status = kNotClosed;
  }
  return TRUE;
}

jint terminate(const jint* ids, jsize count, bool force, DWORD timeoutMillis) {
  jint status = kAllEnded;
  if (force) {
    for (jsize i = 0; i < count; ++i) {
      KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(ids[i])));
      if (!process || !TerminateProcess(process.get(), 0)) status = kNotClosed;
    }
    return status;
  }

  CloseRequest request{ids, count, std::vector<bool>(static_cast<size_t>(count), false), kAllEnded};
  EnumWindows(closeWindowsOfListedProcesses, reinterpret_cast<LPARAM>(&request));
  status = request.status;
  // A process without a visible window was not asked and is never waited for.
  for (jsize i = 0; i < count; ++i) {
    if (!request.windowFound[i]) status = kNotClosed;
  }
  if (status != kAllEnded) return status;

  std::vector<KernelHandle> processes;
  std::vector<HANDLE> handles;
  for (jsize i = 0; i < count; ++i) {
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(ids[i])));
    if (!process) {
      status = kCannotWait;
      continue;
    }
    handles.push_back(process.get());
    processes.push_back(std::move(process));
  }
  if (status != kAllEnded) return status;
  // More handles than one wait can take cannot be waited for together.
  if (handles.size() > MAXIMUM_WAIT_OBJECTS) return kCannotWait;
  if (handles.empty()) return status;
  const DWORD waited =
      WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, timeoutMillis);
  if (waited == WAIT_TIMEOUT) return kTimedOut;
  if (waited != WAIT_OBJECT_0) return kCannotWait;
  return status;
}

// The working values of one title search, on the caller's stack.
struct TitleSearch {
  DWORD processId;
  std::wstring title;
};

BOOL CALLBACK findTitle(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<TitleSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.processId) return TRUE;
  std::vector<wchar_t> text(kTitleUnits + 1);
  const int length = GetWindowTextW(window, text.data(), kTitleUnits);
  if (length <= 0) return TRUE;
  search.title.assign(text.data(), static_cast<size_t>(length));
  return IsWindowVisible(window) ? FALSE : TRUE;
}

BOOL CALLBACK bringOwnWindowToFront(HWND window, LPARAM) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == GetCurrentProcessId() && IsWindowVisible(window)) {
    SetForegroundWindow(window);
    SetForegroundWindow(GetLastActivePopup(window));
  }
  return TRUE;
}

using MoveFileExFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_reboot0(JNIEnv*, jclass) {
  if (drx::platform::switchProcessPrivilege(SE_SHUTDOWN_NAME, true)) ExitWindowsEx(EWX_REBOOT, 0);
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_terminateProcesses0(
    JNIEnv* env, jclass, jintArray processIds, jboolean force, jint timeoutMillis) {
  if (processIds == nullptr) return kNotClosed;
  const jsize count = env->GetArrayLength(processIds);
  jint* ids = env->GetIntArrayElements(processIds, nullptr);
  if (ids == nullptr) return kNotClosed;
  const jint status = terminate(ids, count, force != JNI_FALSE, static_cast<DWORD>(timeoutMillis));
  env->ReleaseIntArrayElements(processIds, ids, JNI_ABORT);
  return status;
}

JNIEXPORT jobjectArray JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getRunningModules0(
    JNIEnv* env, jclass, jboolean keepDebugPrivilegeOff) {
  OSVERSIONINFOW version;
  if (!drx::platform::windowsVersion(version)) return nullptr;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 4) return nullptr;
  drx::platform::switchProcessPrivilege(SE_DEBUG_NAME, keepDebugPrivilegeOff == JNI_FALSE);
  const std::vector<std::wstring> entries = drx::platform::runningModules();
  if (entries.empty()) return nullptr;
  drx::platform::StringArrayBuilder array(env);
  for (const std::wstring& entry : entries) array.add(entry.c_str(), entry.size());
  return array.build();
}

JNIEXPORT jobjectArray JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Misc_getEnvVarPairs0(JNIEnv* env, jclass) {
  drx::platform::StringArrayBuilder array(env);
  if (wchar_t* block = GetEnvironmentStringsW()) {
    // Entries follow one another, each NUL-terminated; an empty entry ends the block.
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1)
      array.add(entry, wcslen(entry));
    FreeEnvironmentStringsW(block);
  }
  return array.build();
}

JNIEXPORT void JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Misc_broadcastSettingChange0(JNIEnv*, jclass) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                      SMTO_ABORTIFHUNG, 5000, &result);
}

JNIEXPORT jlong JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getPhysicalMemory0(JNIEnv*,
                                                                                                    jclass) {
  using StatusEx = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto statusEx = kernel ? reinterpret_cast<StatusEx>(
                               reinterpret_cast<void (*)()>(GetProcAddress(kernel, "GlobalMemoryStatusEx")))
                         : nullptr;
  if (statusEx != nullptr) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (statusEx(&status)) return static_cast<jlong>(status.ullTotalPhys);
    drx::platform::diagnostic("error %d\n", static_cast<int>(GetLastError()));
  }
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  return static_cast<jlong>(status.dwTotalPhys);
}

JNIEXPORT jlong JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getFreeDiskSpace0(
    JNIEnv* env, jclass, jstring directory) {
  const JavaText path(env, directory);
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExW(path.get(), &available, &total, &free)) return -1;
  return static_cast<jlong>(available.QuadPart);
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_moveWithDelayUntilReboot0(
    JNIEnv* env, jclass, jstring source, jstring destination) {
  // Looked up until found; once found it stays.
  static MoveFileExFunction moveFileEx = nullptr;
  if (moveFileEx == nullptr) {
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
      moveFileEx = reinterpret_cast<MoveFileExFunction>(
          reinterpret_cast<void (*)()>(GetProcAddress(kernel, "MoveFileExW")));
    }
  }
  if (moveFileEx == nullptr) return JNI_FALSE;
  const JavaText from(env, source);
  const JavaText to(env, destination);
  // A null destination schedules the source's deletion.
  return moveFileEx(from.get(), to.isNull() ? nullptr : to.get(), MOVEFILE_DELAY_UNTIL_REBOOT) ? JNI_TRUE
                                                                                               : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_toFront0(JNIEnv*, jclass) {
  EnumWindows(bringOwnWindowToFront, 0);
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Misc_getWindowTitle0(
    JNIEnv* env, jclass, jint processId) {
  TitleSearch search{static_cast<DWORD>(processId), std::wstring()};
  EnumWindows(findTitle, reinterpret_cast<LPARAM>(&search));
  return drx::platform::newJavaString(env, search.title.c_str(), search.title.size());
}

}  // extern "C"
