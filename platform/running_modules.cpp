// Listing running processes with their executable paths: process-status functions first,
// tool-help snapshots as the fallback.
#include "platform/running_modules.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

#include "common/code_page_text.h"
#include "common/system_library.h"
#include "common/unique_handle.h"
#include "platform/jni_frame.h"
#include "platform/process_privilege.h"

namespace drx::platform {

namespace {

using EnumProcessesFunction = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using ModuleFileNameFunction = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
using FullImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
using SnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFunction = BOOL(WINAPI*)(HANDLE, tagPROCESSENTRY32*);  // the 8-bit entry
using ModuleFirstFunction = BOOL(WINAPI*)(HANDLE, MODULEENTRY32W*);

constexpr DWORD kProcessIdSlots = 8196;
constexpr DWORD kTextUnits = 4096;

template <class Function>
Function functionOf(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                : nullptr;
}

std::wstring idText(DWORD id) {
  wchar_t text[16];
  swprintf(text, sizeof text / sizeof text[0], L"%d ", static_cast<int>(id));
  return text;
}

}  // namespace

void processStatusPass(std::vector<std::wstring>& entries) {
  // From the system directory only, and kept loaded for later calls.
  HMODULE psapi = loadSystemLibrary(L"psapi.dll");
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto enumProcesses = functionOf<EnumProcessesFunction>(psapi, "EnumProcesses");
  auto moduleFileName = functionOf<ModuleFileNameFunction>(psapi, "GetModuleFileNameExW");
  auto fullImageName = functionOf<FullImageNameFunction>(kernel, "QueryFullProcessImageNameW");
  if (enumProcesses == nullptr || (moduleFileName == nullptr && fullImageName == nullptr)) return;

  std::vector<DWORD> ids(kProcessIdSlots);
  DWORD bytes = 0;
  if (!enumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return;
  const DWORD count = bytes / sizeof(DWORD);
  std::vector<wchar_t> path(kTextUnits);
  for (DWORD i = 0; i < count && i < ids.size(); ++i) {
    const DWORD id = ids[i];
    if (id == 0) continue;
    const DWORD access =
        fullImageName != nullptr ? PROCESS_QUERY_INFORMATION : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
    KernelHandle process(OpenProcess(access, FALSE, id));
    if (!process) continue;
    std::wstring text = idText(id);
    // The path shares the text's 4096 units with the id.
    const DWORD room = static_cast<DWORD>(kTextUnits - text.size());
    DWORD length = room;
    bool found = false;
    if (fullImageName != nullptr) {
      found = fullImageName(process.get(), 0, path.data(), &length) != FALSE;
    } else {
      length = moduleFileName(process.get(), nullptr, path.data(), room);
      found = length != 0;
    }
    if (!found) continue;
    std::wstring image(path.data(), wcsnlen(path.data(), room));
    // A program started from a ".tmp" copy reports the copy; its main module names the real file.
    if (fullImageName != nullptr && moduleFileName != nullptr && image.size() > 4 &&
        image.compare(image.size() - 4, 4, L".tmp") == 0) {
      process.reset(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
      if (process) {
        path[0] = L'\0';
        length = moduleFileName(process.get(), nullptr, path.data(), room);
        if (length != 0) image.assign(path.data(), wcsnlen(path.data(), room));
      }
    }
    entries.push_back(text + image);
  }
}

void toolHelpPass(std::vector<std::wstring>& entries) {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto snapshot = functionOf<SnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
  auto processFirst = functionOf<ProcessWalkFunction>(kernel, "Process32First");
  auto processNext = functionOf<ProcessWalkFunction>(kernel, "Process32Next");
  auto moduleFirst = functionOf<ModuleFirstFunction>(kernel, "Module32FirstW");
  if (snapshot == nullptr || processFirst == nullptr || processNext == nullptr) {
    diagnostic("could not load functions %p %p %p %p %p %d\n", reinterpret_cast<void*>(snapshot),
               reinterpret_cast<void*>(processFirst), reinterpret_cast<void*>(processNext),
               reinterpret_cast<void*>(moduleFirst), static_cast<void*>(kernel),
               static_cast<int>(GetLastError()));
    return;
  }
  OSVERSIONINFOW version;
  const bool nt = windowsVersion(version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  FileHandle processes(snapshot(TH32CS_SNAPALL, GetCurrentProcessId()));
  if (!processes) return;
  tagPROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = processFirst(processes.get(), &entry); more; more = processNext(processes.get(), &entry)) {
    const DWORD id = entry.th32ProcessID;
    if (id == 0) continue;
    std::wstring text = idText(id);
    if (nt && moduleFirst != nullptr) {
      FileHandle modules(snapshot(TH32CS_SNAPMODULE, id));
      if (!modules) continue;
      MODULEENTRY32W module{};
      module.dwSize = sizeof module;
      if (!moduleFirst(modules.get(), &module)) continue;
      text += std::wstring(module.szExePath, wcsnlen(module.szExePath, MAX_PATH));
    } else {
      // The 8-bit executable name, in the ANSI code page.
      text += toWide(std::string_view(entry.szExeFile, strnlen(entry.szExeFile, MAX_PATH)));
    }
    entries.push_back(std::move(text));
    entry.dwSize = sizeof entry;
  }
}

std::vector<std::wstring> runningModules() {
  std::vector<std::wstring> entries;
  processStatusPass(entries);
  if (entries.empty()) toolHelpPass(entries);
  return entries;
}

}  // namespace drx::platform
