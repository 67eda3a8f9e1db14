// Test support: child processes, their windows, screenshots and scratch directories.
#include "tests/support/process_driver/process_driver.h"

#include <cwctype>
#include <cstdio>

namespace drx::test {
namespace {

bool sameVariableName(const std::wstring& entry, const std::wstring& name) {
  if (entry.size() <= name.size() || entry[name.size()] != L'=') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (std::towupper(entry[i]) != std::towupper(name[i])) return false;
  }
  return true;
}

std::vector<wchar_t> environmentBlock(const ChildOptions& options) {
  std::vector<std::wstring> entries;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) entries.emplace_back(entry);
    FreeEnvironmentStringsW(strings);
  }
  auto removeName = [&entries](const std::wstring& name) {
    std::erase_if(entries, [&name](const std::wstring& entry) { return sameVariableName(entry, name); });
  };
  for (const std::wstring& name : options.unsetEnvironment) removeName(name);
  for (const auto& [name, value] : options.environment) {
    removeName(name);
    entries.push_back(name + L"=" + value);
  }
  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries)
    block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
  block.push_back(L'\0');
  return block;
}

FileHandle openOutputFile(const std::wstring& path) {
  if (path.empty()) return FileHandle();
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  return FileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle openInputFile(const std::wstring& path) {
  if (path.empty()) return FileHandle();
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                OPEN_EXISTING, 0, nullptr));
}

}  // namespace

void removeTree(const std::wstring& directory) {
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW((directory + L"\\*").c_str(), &found));
  if (search) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = directory + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search.get(), &found));
  }
  search.reset();
  RemoveDirectoryW(directory.c_str());
}

ChildProcess::ChildProcess(const ChildOptions& options) {
  FileHandle standardOutput = openOutputFile(options.stdoutPath);
  FileHandle standardError = openOutputFile(options.stderrPath);
  FileHandle standardInput = openInputFile(options.stdinPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (standardOutput || standardError || standardInput) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = standardInput ? standardInput.get() : INVALID_HANDLE_VALUE;
    startup.hStdOutput = standardOutput ? standardOutput.get() : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = standardError ? standardError.get() : GetStdHandle(STD_ERROR_HANDLE);
  }
  std::vector<wchar_t> environment = environmentBlock(options);
  std::wstring commandLine = options.commandLine;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                     environment.data(),
                     options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
                     &started)) {
    CloseHandle(started.hThread);
    process_.reset(started.hProcess);
    id_ = started.dwProcessId;
  }
}

ChildProcess::~ChildProcess() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool ChildProcess::waitForExit(DWORD timeoutMs, DWORD& exitCode) {
  if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_.get(), &exitCode) != 0;
}

namespace {

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> windows;
};

// A named CALLBACK function: a lambda would not have the stdcall convention 32-bit Windows needs.
BOOL CALLBACK collectVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->windows.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> visibleWindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(collectVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

bool waitUntil(DWORD timeoutMs, const std::function<bool()>& condition) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
}

HWND waitForWindow(DWORD processId, DWORD timeoutMs, const std::function<bool(HWND)>& accept) {
  HWND result = nullptr;
  waitUntil(timeoutMs, [&] {
    for (HWND window : visibleWindowsOf(processId)) {
      if (!accept || accept(window)) {
        result = window;
        return true;
      }
    }
    return false;
  });
  return result;
}

std::wstring windowText(HWND window) {
  wchar_t text[4096] = {};
  GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

std::wstring windowClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return name;
}

std::wstring dialogItemText(HWND dialog, int controlId) {
  wchar_t text[4096] = {};
  GetDlgItemTextW(dialog, controlId, text, static_cast<int>(std::size(text)));
  return text;
}

void pressDialogButton(HWND dialog, int controlId) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
}

bool saveWindowScreenshot(HWND window, const std::wstring& bmpPath) {
  RECT bounds{};
  if (!GetWindowRect(window, &bounds)) return false;
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY) != 0;
  SelectObject(memory, previous);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<BYTE> pixels(static_cast<size_t>(rowBytes) * height);
  const bool read = copied && GetDIBits(memory, bitmap, 0, height, pixels.data(),
                                        reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!read) return false;

  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  FileHandle file(
      CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), &header, sizeof header, &written, nullptr) &&
         WriteFile(file.get(), &info, sizeof info, &written, nullptr) &&
         WriteFile(file.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr) &&
         written == pixels.size();
}

std::string readFileBytes(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::wstring makeTemporaryDirectory(const std::wstring& prefix) {
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    wchar_t candidate[MAX_PATH + 64];
    swprintf(candidate, std::size(candidate), L"%ls%ls%lu_%u", base, prefix.c_str(), GetCurrentProcessId(),
             static_cast<unsigned>(GetTickCount64() % 100000) + attempt);
    if (CreateDirectoryW(candidate, nullptr)) return candidate;
  }
  return {};
}

ScratchDirectory::ScratchDirectory(const wchar_t* prefix) : path_(makeTemporaryDirectory(prefix)) {}

ScratchDirectory::~ScratchDirectory() {
  if (!path_.empty()) removeTree(path_);
}

}  // namespace drx::test
