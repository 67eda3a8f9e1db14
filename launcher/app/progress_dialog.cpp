// The progress dialog procedure, the work thread it starts and the start-up wait.
#include "launcher/app/progress_dialog.h"

#include "common/payload/property_ids.h"
#include "common/thread_start.h"
#include "launcher/app/work.h"
#include "launcher/error_report.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/portable/startup_wait.h"
#include "launcher/resources/resource_ids.h"
#include "launcher/run_end.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"
#include "launcher/ui/common_controls.h"
#include "launcher/ui/own_windows.h"
#include "launcher/ui/progress_bar.h"
#include "launcher/ui/wide_text.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

constexpr UINT kDialogClassStyle = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
constexpr DWORD kStartupWaitPollMs = 100;

void centreOverParent(HWND dialog) {
  HWND parent = GetParent(dialog);
  if (!parent) parent = GetDesktopWindow();
  RECT parentRect{};
  RECT dialogRect{};
  GetWindowRect(parent, &parentRect);
  GetWindowRect(dialog, &dialogRect);
  const int x =
      parentRect.left + ((parentRect.right - parentRect.left) - (dialogRect.right - dialogRect.left)) / 2;
  const int y =
      parentRect.top + ((parentRect.bottom - parentRect.top) - (dialogRect.bottom - dialogRect.top)) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

DWORD WINAPI workThread(LPVOID parameter) {
  HWND dialog = static_cast<HWND>(parameter);
  if (getIntProperty(kNoProgressDialog) != 0) {
    runDownloadWork(dialog);
  } else {
    runWork(dialog);
  }
  return 0;
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      centreOverParent(dialog);
      setErrorBoxOwner(dialog);
      setProgressRange(dialog, 0, 100);
      setDialogItemTextWide(dialog, IDC_MESSAGE, getWideProperty(kMsgPreparing));
      setWindowTitleWide(dialog, getWideProperty(kMsgWizardTitle));
      setDialogItemTextWide(dialog, IDCANCEL, getWideProperty(kTextCancelButton));
      startThread(workThread, dialog);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        logLine("Canceled installer");
        // The markers go once no start-up step is under way (a step could set them again).
        // Ending the dialog would return from the entry into the C runtime's exit, which
        // destroys static state the work thread may still be reading.
        ShowWindow(dialog, SW_HIDE);
        cancelRun();
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

class DialogStartupWait : public StartupWaitHost {
 public:
  explicit DialogStartupWait(HWND dialog)
      : dialog_(dialog),
        excludeConsole_(getIntProperty(kLauncherType) != 1),
        ownProcess_(GetCurrentProcessId()) {}
  int countOwnWindows() override { return drx::launcher::countOwnWindows(ownProcess_, excludeConsole_); }
  unsigned readProcessMarker() override { return readStartupMarker(true); }
  bool timeoutDisabled() override { return getIntProperty(kDisableStartTimeout) != 0; }
  void setProgressPosition(int position) override { drx::launcher::setProgressPosition(dialog_, position); }
  void timedOut() override {
    logLine("timeout");
    // This thread watches a work thread that sits inside the Java side's main: no one to hand to.
    fatalWideById(kMsgVmStartTimeout);
  }
  void sleepOneStep() override { Sleep(kStartupWaitPollMs); }

 private:
  HWND dialog_;
  bool excludeConsole_;
  DWORD ownProcess_;
};

DWORD WINAPI startupWaitThread(LPVOID parameter) {
  HWND dialog = static_cast<HWND>(parameter);
  DialogStartupWait host(dialog);
  runStartupWait(host, startupState().progressBase);
  setStartupMarkers(MarkerAction::remove, true, false);
  logLine("Java window visible");
  ShowWindow(dialog, SW_HIDE);
  return 0;
}

}  // namespace

void registerDialogClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = kDialogClassStyle;
  windowClass.lpfnWndProc = DefDlgProcA;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LAUNCHER));
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kDialogClassName;
  RegisterClassA(&windowClass);
}

void showProgressDialog(HINSTANCE instance) {
  ensureCommonControls();
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, progressDialogProc, 0);
}

void startStartupWaitThread(HWND dialog) {
  startThread(startupWaitThread, dialog, THREAD_PRIORITY_ABOVE_NORMAL);
}

}  // namespace drx::launcher
