// Single-instance control with a named semaphore kept open for the life of the first instance.
#include "launcher/jvm/single_instance.h"

#include <windows.h>

#include "common/payload/property_ids.h"
#include "common/unique_handle.h"
#include "launcher/file_paths.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/ui/own_windows.h"

namespace drx::launcher {
namespace {

struct InstanceState {
  std::string semaphoreName;
  // Held until the process ends: the name exists exactly as long as the first instance runs.
  KernelHandle semaphore;
};

InstanceState& instanceState() {
  static InstanceState state;
  return state;
}

DWORD registeredProcessId(const std::string& instanceKey) {
  RegKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProcessIdsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), instanceKey.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS ||
      size != sizeof value) {
    return 0;
  }
  return value;
}

void registerProcessId(const std::string& instanceKey) {
  RegKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProcessIdsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  const DWORD processId = GetCurrentProcessId();
  RegSetValueExA(key.get(), instanceKey.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId),
                 sizeof processId);
}

}  // namespace

std::string instanceSemaphoreName(const std::string& instanceKey, bool global) {
  std::string name = global ? kGlobalSemaphorePrefix : "";
  for (char c : instanceKey) name += c == '\\' ? '_' : c;
  return name;
}

bool checkSingleInstance() {
  InstanceState& state = instanceState();
  const std::string instanceKey = normalisePath(launcherExecutablePath(), false);
  state.semaphoreName = instanceSemaphoreName(instanceKey, getIntProperty(payload::kGlobalSemaphore) != 0);
  logLine("single instance mode");

  KernelHandle semaphore(CreateSemaphoreA(nullptr, 1, 1, state.semaphoreName.c_str()));
  const DWORD code = GetLastError();
  logLine("semaphore name %s, code %d, value %p", state.semaphoreName.c_str(), static_cast<int>(code),
          static_cast<void*>(semaphore.get()));
  if (code == ERROR_ALREADY_EXISTS) {
    semaphore.reset();
    const DWORD otherProcess = registeredProcessId(instanceKey);
    logLine("other pid %d", static_cast<int>(otherProcess));
    bringWindowsToFront(otherProcess, true);
    logLine("exiting");
    return false;
  }
  // A semaphore that could not be created at all still lets this process go on as the first.
  state.semaphore = std::move(semaphore);
  registerProcessId(instanceKey);
  return true;
}

const std::string& semaphoreName() { return instanceState().semaphoreName; }

}  // namespace drx::launcher
