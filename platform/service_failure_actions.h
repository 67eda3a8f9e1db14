// The failure-actions record that sets or clears a service's restart-on-failure action.
#pragma once

#include <windows.h>
#include <winsvc.h>

namespace drx::platform {

// Owns the one restart action the record points at, so the record stays valid while it lives.
struct RestartFailureActions {
  SC_ACTION action{};
  SERVICE_FAILURE_ACTIONSW record{};

  // With restart false the record holds no actions, which removes the service's failure actions.
  RestartFailureActions(bool restart, DWORD delayMillis) {
    action.Type = SC_ACTION_RESTART;
    action.Delay = delayMillis;
    record.dwResetPeriod = 0;
    record.lpRebootMsg = nullptr;
    record.lpCommand = nullptr;
    record.cActions = restart ? 1 : 0;
    record.lpsaActions = &action;
  }
  RestartFailureActions(const RestartFailureActions&) = delete;
  RestartFailureActions& operator=(const RestartFailureActions&) = delete;
};

}  // namespace drx::platform
