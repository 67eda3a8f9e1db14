// A small service program for the service tests. Without arguments it stops when asked, going
// through two stop-pending checkpoints; with "stuck" it reports stop-pending once and then makes
// no progress (it ends itself after a minute so that nothing is left behind).
#include <windows.h>

#include <cstring>

namespace {

SERVICE_STATUS_HANDLE statusHandle;
SERVICE_STATUS status;
HANDLE stopRequested;
bool stuck = false;

void report(DWORD state, DWORD checkPoint, DWORD waitHint) {
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  status.dwWin32ExitCode = NO_ERROR;
  status.dwCheckPoint = checkPoint;
  status.dwWaitHint = waitHint;
  SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI handler(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP) {
    report(SERVICE_STOP_PENDING, 1, 1000);
    SetEvent(stopRequested);
  }
  return NO_ERROR;
}

void WINAPI serviceMain(DWORD, LPWSTR* arguments) {
  statusHandle = RegisterServiceCtrlHandlerExW(arguments[0], handler, nullptr);
  if (statusHandle == nullptr) return;
  report(SERVICE_START_PENDING, 1, 2000);
  report(SERVICE_RUNNING, 0, 0);
  WaitForSingleObject(stopRequested, INFINITE);
  if (stuck) {
    Sleep(60000);
    ExitProcess(3);
  }
  Sleep(200);
  report(SERVICE_STOP_PENDING, 2, 1000);
  Sleep(200);
  report(SERVICE_STOPPED, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  stuck = argc > 1 && strcmp(argv[1], "stuck") == 0;
  stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(L""), serviceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
