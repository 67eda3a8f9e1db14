// The runtime choice dialog and picking java.exe by hand.
#include "launcher/runtime/choice_dialog.h"

#include <commdlg.h>

#include <string>

#include "common/code_page_text.h"
#include "common/payload/property_ids.h"
#include "common/system_library.h"
#include "launcher/error_report.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/java_vm_launcher.h"
#include "launcher/jvm/jvm_registry.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/resources/resource_ids.h"
#include "launcher/runtime/portable/dialog_text.h"
#include "launcher/startup_markers.h"
#include "launcher/startup_state.h"
#include "launcher/ui/common_controls.h"
#include "launcher/ui/wide_text.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

#ifdef _WIN64
constexpr const wchar_t* kProcessorWidth = L"64";
#else
constexpr const wchar_t* kProcessorWidth = L"32";
#endif
constexpr size_t kFileBufferSize = 8192;

void centreOverOwner(HWND dialog) {
  HWND owner = GetParent(dialog);
  if (!owner) owner = GetDesktopWindow();
  RECT ownerRect{};
  RECT dialogRect{};
  GetWindowRect(owner, &ownerRect);
  GetWindowRect(dialog, &dialogRect);
  const int x =
      ownerRect.left + ((ownerRect.right - ownerRect.left) - (dialogRect.right - dialogRect.left)) / 2;
  const int y =
      ownerRect.top + ((ownerRect.bottom - ownerRect.top) - (dialogRect.bottom - dialogRect.top)) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void initialise(HWND dialog, bool downloadOffered) {
  centreOverOwner(dialog);
  setWindowTitleWide(dialog, getWideProperty(kMsgWizardTitle));
  setDialogItemTextWide(dialog, IDCANCEL, getWideProperty(kTextCancelButton));
  setDialogItemTextWide(dialog, IDC_LOCATE, getWideProperty(kTextLocateButton));
  setDialogItemTextWide(dialog, IDC_DOWNLOAD, getWideProperty(kTextDownloadButton));
  std::wstring text = withProcessorWidth(
      getWideProperty(downloadOffered ? kTextChoiceWithDownload : kTextChoiceWithoutDownload),
      kProcessorWidth);
  if (!downloadOffered) ShowWindow(GetDlgItem(dialog, IDC_DOWNLOAD), SW_HIDE);
  text = withVersionRange(std::move(text), getWideProperty(kTextMinimumVersionLabel),
                          fromFileCodePage(getProperty(kMinJavaVersion)),
                          getWideProperty(kTextMaximumVersionLabel),
                          fromFileCodePage(getProperty(kMaxJavaVersion)));
  setDialogItemTextWide(dialog, IDC_MESSAGE, text.c_str());
}

INT_PTR CALLBACK choiceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog, lParam != 0);
      return TRUE;
    case WM_COMMAND: {
      const int command = LOWORD(wParam);
      if (command == IDC_LOCATE) {
        if (locateRuntime(dialog)) EndDialog(dialog, IDC_LOCATE);
      } else if (command == IDCANCEL) {
        // The run ends while the choice is still on screen, before the dialog could close.
        setStartupMarkers(MarkerAction::remove, true, true);
        exitLauncher(1);
      } else {
        EndDialog(dialog, command);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR showChoiceDialog(HWND owner, bool downloadOffered) {
  ensureCommonControls();
  return DialogBoxParamA(startupState().instance, MAKEINTRESOURCEA(IDD_RUNTIME_CHOICE), owner,
                         choiceDialogProc, downloadOffered ? 1 : 0);
}

bool locateRuntime(HWND owner) {
  using OpenFileName = BOOL(WINAPI*)(LPOPENFILENAMEA);
  static const OpenFileName openFileName = systemFunction<OpenFileName>(L"comdlg32.dll", "GetOpenFileNameA");
  if (!openFileName) return false;

  std::string file(kFileBufferSize, '\0');
  const std::string title = toAnsi(getWideProperty(kTextLocateJavaTitle));
  static const char kFilter[] = "Java EXE\0java.exe\0";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST;
  if (!openFileName(&dialog)) return false;
  file.resize(file.find('\0'));

  if (!prepareRuntime(true, file, true)) return false;
  registerLocatedRuntime(file);
  return true;
}

}  // namespace drx::launcher
