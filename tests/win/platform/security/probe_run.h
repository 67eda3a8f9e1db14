// Runs drxinst_sec_probe.exe (beside the test program) as a child and returns its output.
#pragma once

#include <windows.h>

#include <string>

namespace drxtest {

// Output with line ends as "\n"; "<did not run>" or "<exit N>" appended when it failed.
std::string runProbe(const wchar_t* command, DWORD creationFlags);

}  // namespace drxtest
