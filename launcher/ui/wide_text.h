// Wide (UTF-16) texts on dialog controls and window titles, with the narrow fallback.
#pragma once

#include <windows.h>

namespace drx::launcher {

void setDialogItemTextWide(HWND dialog, int controlId, const wchar_t* text);
void setWindowTitleWide(HWND window, const wchar_t* text);

}  // namespace drx::launcher
