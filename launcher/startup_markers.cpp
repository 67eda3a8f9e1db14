// Start-up markers under the current user's key.
#include "launcher/startup_markers.h"

#include "common/format_text.h"
#include "common/unique_handle.h"
#include "launcher/run_end.h"
#include "launcher/startup_state.h"

namespace drx::launcher {
namespace {

void processMarkerName(char (&name)[64]) {
  formatText(name, sizeof name, kProcessMarkerFormat, kPlainMarker, static_cast<int>(GetCurrentProcessId()));
}

void applyToValue(MarkerAction action, const char* valueName) {
  RegKey key;
  if (action == MarkerAction::set) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
      return;
    const DWORD one = 1;
    RegSetValueExA(key.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  } else {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueA(key.get(), valueName);
  }
}

void applyToMarkers(MarkerAction action, bool withProcessId, bool plain) {
  if (withProcessId) {
    char name[64];
    processMarkerName(name);
    applyToValue(action, name);
  }
  if (plain) applyToValue(action, kPlainMarker);
}

}  // namespace

void setStartupMarkers(MarkerAction action, bool withProcessId, bool plain) {
  if (startupState().languageRestart) return;
  // A Cancel removes both markers: setting them must not overlap it or follow it.
  if (action == MarkerAction::set) {
    CancelGuardedStep step;
    applyToMarkers(action, withProcessId, plain);
  } else {
    applyToMarkers(action, withProcessId, plain);
  }
}

DWORD readStartupMarker(bool withProcessId) {
  char name[64];
  if (withProcessId) {
    processMarkerName(name);
  } else {
    formatText(name, sizeof name, "%s", kPlainMarker);
  }
  RegKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return 0;
  DWORD value = 0;
  DWORD type = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    return 0;
  // Anything but a full DWORD is not a marker this launcher or the Java side wrote.
  if (type != REG_DWORD || size != sizeof value) return 0;
  return value;
}

}  // namespace drx::launcher
