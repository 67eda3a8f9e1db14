// Natives of the Java class Win32Services: install, configure, start, stop, query and remove
// services through the service control manager, one manager connection per call.
#include <jni.h>
#include <windows.h>
#include <winsvc.h>

#include <cstdio>
#include <string>

#include "common/unique_handle.h"
#include "platform/jni_frame.h"
#include "platform/optional_functions.h"
#include "platform/portable/service_config_text.h"
#include "platform/portable/service_stop_wait.h"
#include "platform/service_failure_actions.h"

namespace {

using drx::ServiceHandle;
using drx::platform::JavaText;

constexpr jint kNoServiceManager = 5000;
constexpr jint kStopNotSeen = 5001;
constexpr DWORD kConfigBufferBytes = 8192;

using ChangeConfig2 = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);

ChangeConfig2 changeConfig2() {
  return drx::platform::asFunction<ChangeConfig2>(drx::platform::advapiFunction("ChangeServiceConfig2W"));
}

// The frame every call shares: the manager on the local machine's default database, then the
// named service; job(service) gives the result. 5000 when the manager cannot be opened, the
// error of OpenServiceW when the service cannot be. Handles close in reverse order on every path.
template <class Job>
jint withService(JNIEnv* env, jstring name, DWORD managerAccess, DWORD serviceAccess, Job job) {
  ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, managerAccess));
  if (!manager) return kNoServiceManager;
  const JavaText serviceName(env, name);
  ServiceHandle service(OpenServiceW(manager.get(), serviceName.get(), serviceAccess));
  if (!service) return static_cast<jint>(GetLastError());
  return job(service.get());
}

// The configuration in its fixed 8,192-byte buffer; null with GetLastError set on failure.
struct ServiceConfig {
  alignas(QUERY_SERVICE_CONFIGW) unsigned char bytes[kConfigBufferBytes];
  const QUERY_SERVICE_CONFIGW* read(SC_HANDLE service) {
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(bytes);
    return QueryServiceConfigW(service, config, sizeof bytes, &needed) ? config : nullptr;
  }
};

class ServiceStopSource final : public drx::platform::StopWaitSource {
 public:
  explicit ServiceStopSource(SC_HANDLE service) : service_(service) {}
  bool query(drx::platform::ServiceProgress& progress) override {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service_, &status)) return false;
    progress.state = status.dwCurrentState;
    progress.checkPoint = status.dwCheckPoint;
    progress.waitHint = status.dwWaitHint;
    return true;
  }
  void sleep(uint32_t millis) override { Sleep(millis); }
  uint32_t ticks() override { return GetTickCount(); }

 private:
  SC_HANDLE service_;
};

const wchar_t* orNull(const JavaText& text) { return text.isNull() ? nullptr : text.get(); }

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_queryStatus0(
    JNIEnv* env, jclass, jstring name) {
  return withService(env, name, SC_MANAGER_CONNECT, SERVICE_QUERY_STATUS, [](SC_HANDLE service) -> jint {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return static_cast<jint>(GetLastError());
    return -static_cast<jint>(status.dwCurrentState);
  });
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_getServiceBinary0(
    JNIEnv* env, jclass, jstring name) {
  std::wstring binary;
  const jint error =
      withService(env, name, SC_MANAGER_CONNECT, SERVICE_QUERY_CONFIG, [&](SC_HANDLE service) -> jint {
        ServiceConfig config;
        const QUERY_SERVICE_CONFIGW* read = config.read(service);
        if (read == nullptr) return static_cast<jint>(GetLastError());
        if (read->lpBinaryPathName != nullptr) binary = read->lpBinaryPathName;
        return 0;
      });
  if (error != 0) {
    // A space and the decimal error: a text no command line can start with.
    wchar_t text[16];
    swprintf(text, sizeof text / sizeof text[0], L" %d", static_cast<int>(error));
    return drx::platform::newJavaString(env, text);
  }
  return drx::platform::newJavaString(env, binary.c_str(), binary.size());
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_getStartType0(
    JNIEnv* env, jclass, jstring name) {
  return withService(env, name, SC_MANAGER_CONNECT, SERVICE_QUERY_CONFIG, [](SC_HANDLE service) -> jint {
    ServiceConfig config;
    const QUERY_SERVICE_CONFIGW* read = config.read(service);
    if (read == nullptr) return static_cast<jint>(GetLastError());
    return -static_cast<jint>(read->dwStartType);
  });
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_stopService0(
    JNIEnv* env, jclass, jstring name) {
  return withService(env, name, SC_MANAGER_CONNECT, SERVICE_STOP | SERVICE_QUERY_STATUS,
                     [](SC_HANDLE service) -> jint {
                       SERVICE_STATUS status{};
                       if (!ControlService(service, SERVICE_CONTROL_STOP, &status))
                         return static_cast<jint>(GetLastError());
                       ServiceStopSource source(service);
                       return drx::platform::waitForServiceStop(source) ? 0 : kStopNotSeen;
                     });
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_startService0(
    JNIEnv* env, jclass, jstring name) {
  return withService(env, name, SC_MANAGER_CONNECT, SERVICE_START, [](SC_HANDLE service) -> jint {
    return StartServiceW(service, 0, nullptr) ? 0 : static_cast<jint>(GetLastError());
  });
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_uninstallService0(
    JNIEnv* env, jclass, jstring name) {
  return withService(env, name, SC_MANAGER_ALL_ACCESS, DELETE, [](SC_HANDLE service) -> jint {
    return DeleteService(service) ? 0 : static_cast<jint>(GetLastError());
  });
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_installService0(
    JNIEnv* env, jclass, jstring name, jstring commandLine) {
  ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return kNoServiceManager;
  const JavaText serviceName(env, name);
  const JavaText binary(env, commandLine);
  // The display name is the service name; no group, tag or dependencies; runs as LocalSystem.
  ServiceHandle created(CreateServiceW(
      manager.get(), serviceName.get(), serviceName.get(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
      SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, binary.get(), nullptr, nullptr, nullptr, nullptr, nullptr));
  return created ? 0 : static_cast<jint>(GetLastError());
}

JNIEXPORT jint JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Win32Services_setRestartServiceConfig0(
    JNIEnv* env, jclass, jstring name, jboolean restart, jint delayMillis) {
  return withService(env, name, SC_MANAGER_ALL_ACCESS, SERVICE_CHANGE_CONFIG | SERVICE_START,
                     [&](SC_HANDLE service) -> jint {
                       ChangeConfig2 change = changeConfig2();
                       if (change == nullptr) return 1;
                       drx::platform::RestartFailureActions actions(restart != JNI_FALSE,
                                                                    static_cast<DWORD>(delayMillis));
                       return change(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions.record)
                                  ? 0
                                  : static_cast<jint>(GetLastError());
                     });
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32Services_changeServiceConfig0(
    JNIEnv* env, jclass, jstring name, jstring commandLine, jint serviceType, jint startType,
    jstring dependencies, jstring account, jstring password, jstring description) {
  const JavaText binary(env, commandLine);
  const JavaText dependencyText(env, dependencies);
  const JavaText accountText(env, account);
  const JavaText passwordText(env, password);
  const JavaText descriptionText(env, description);
  return withService(env, name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS, [&](SC_HANDLE service) -> jint {
    std::wstring accountName;
    if (accountText.get() != nullptr) {
      const std::u16string_view rewritten = drx::platform::serviceAccountName(
          std::u16string_view(reinterpret_cast<const char16_t*>(accountText.get()), accountText.length()));
      accountName.assign(rewritten.begin(), rewritten.end());
    }
    std::u16string dependencyList;
    const bool hasDependencies = dependencyText.get() != nullptr && dependencyText.length() > 0;
    if (hasDependencies && !drx::platform::encodeDependencyList(
                               std::u16string_view(reinterpret_cast<const char16_t*>(dependencyText.get()),
                                                   dependencyText.length()),
                               dependencyList)) {
      // Longer than the list's buffer: refused before anything is changed.
      return ERROR_INSUFFICIENT_BUFFER;
    }
    if (!ChangeServiceConfigW(
            service, static_cast<DWORD>(serviceType), static_cast<DWORD>(startType), SERVICE_NO_CHANGE,
            orNull(binary), nullptr, nullptr,
            hasDependencies ? reinterpret_cast<const wchar_t*>(dependencyList.c_str()) : nullptr,
            accountText.get() != nullptr ? accountName.c_str() : nullptr, orNull(passwordText), nullptr)) {
      return static_cast<jint>(GetLastError());
    }
    if (!descriptionText.isNull()) {
      if (ChangeConfig2 change = changeConfig2()) {
        SERVICE_DESCRIPTIONW text{const_cast<wchar_t*>(descriptionText.get())};
        change(service, SERVICE_CONFIG_DESCRIPTION, &text);  // its outcome is not reported
      }
    }
    return 0;
  });
}

}  // extern "C"
