// Starting the probe program with its output in a temporary file.
#include "probe_run.h"

#include <cstdio>

namespace drxtest {

std::string runProbe(const wchar_t* command, DWORD creationFlags) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring probe(self, length);
  probe.resize(probe.find_last_of(L'\\') + 1);
  probe += L"drxinst_sec_probe.exe";
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring output =
      std::wstring(temp) + L"drx-probe-" + std::to_wstring(GetCurrentProcessId()) + L".txt";

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE file =
      CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<did not run>";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION started = {};
  std::wstring commandLine = L"\"" + probe + L"\" " + command;
  const BOOL ok = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, creationFlags, nullptr,
                                 nullptr, &startup, &started);
  CloseHandle(file);
  if (!ok) return "<did not run>";
  DWORD exitCode = 1;
  if (WaitForSingleObject(started.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(started.hProcess, 1);
  GetExitCodeProcess(started.hProcess, &exitCode);
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);

  std::string lines;
  if (FILE* f = _wfopen(output.c_str(), L"rb")) {
    for (int c; (c = fgetc(f)) != EOF;) {
      if (c != '\r') lines += static_cast<char>(c);
    }
    fclose(f);
  }
  DeleteFileW(output.c_str());
  if (exitCode != 0) lines += "<exit " + std::to_string(exitCode) + ">";
  return lines;
}

}  // namespace drxtest
