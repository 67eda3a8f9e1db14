// Own location, scripting file and report appends for the stand-in binaries.
#include "standin_host.h"

#include "report_format.h"
#include "common/unique_handle.h"

#include <windows.h>

#include <algorithm>

namespace standin {

using drx::FileHandleTraits;
using drx::UniqueHandle;

std::wstring ownModulePath() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ownModulePath), &self);
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path;
}

std::wstring directoryOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                      nullptr);
  return utf8;
}

bool readFile(const std::wstring& path, std::string& bytes) {
  UniqueHandle<FileHandleTraits> file(CreateFileW(path.c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bytes.clear();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return true;
}

bool writeFile(const std::wstring& path, std::string_view bytes) {
  UniqueHandle<FileHandleTraits> file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return true;
}

namespace {

std::wstring environmentValue(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

Config loadConfig() {
  std::wstring dir = directoryOf(ownModulePath());
  std::string text;
  for (int level = 0; level < 3 && !dir.empty(); ++level) {
    if (readFile(dir + L"\\standin.cfg", text)) return Config::parse(text);
    dir = directoryOf(dir);
  }
  std::wstring named = environmentValue(L"DRX_STANDIN_CONFIG");
  if (!named.empty() && readFile(named, text)) return Config::parse(text);
  return Config::parse("");
}

}  // namespace

const Config& config() {
  static const Config loaded = loadConfig();
  return loaded;
}

void report(std::string_view key, std::u16string_view value) {
  std::wstring path = environmentValue(L"DRX_STANDIN_REPORT");
  if (path.empty()) path = widen(config().get("report"));
  if (path.empty()) return;
  std::string line = reportLine(key, value);
  // Several processes may append at once: retry while another holds the file.
  for (int attempt = 0; attempt < 200; ++attempt) {
    UniqueHandle<FileHandleTraits> file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      DWORD wrote = 0;
      WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
      return;
    }
    if (GetLastError() != ERROR_SHARING_VIOLATION) return;
    Sleep(10);
  }
}

void report(std::string_view key, std::string_view utf8Value) {
  std::wstring wide = widen(utf8Value);
  report(key, std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace standin
