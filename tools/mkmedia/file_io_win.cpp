// Win32 file access: UTF-8 paths opened as UTF-16, positioned reads and writes through OVERLAPPED.
#include <windows.h>

#include <cstdio>

#include "tools/mkmedia/file_io.h"
#include "tools/mkmedia/text_encoding.h"

namespace drx::mkmedia {
namespace {

std::wstring widePath(const std::string& path) {
  std::u16string wide;
  std::string ignored;
  utf8ToUtf16(path, wide, ignored);
  return std::wstring(wide.begin(), wide.end());
}

std::string systemMessage(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  LocalMemory owner(text);
  if (n == 0 || !text) {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "system error %lu", static_cast<unsigned long>(code));
    return fallback;
  }
  while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L'.')) --n;
  return utf16ToUtf8(std::u16string(text, text + n));
}

OVERLAPPED at(int64_t offset) {
  OVERLAPPED position = {};
  position.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu);
  position.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  return position;
}

constexpr size_t kMaxIo = 1u << 30;

}  // namespace

bool FileSource::open(const std::string& path, std::string& error) {
  file_.reset(CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) {
    error = systemMessage(GetLastError());
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file_.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = "not a regular file";
    return false;
  }
  size_ = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
  return true;
}

int64_t FileSource::readAt(int64_t offset, void* buffer, size_t count) {
  OVERLAPPED position = at(offset);
  DWORD done = 0;
  if (!ReadFile(file_.get(), buffer, static_cast<DWORD>(count < kMaxIo ? count : kMaxIo), &done, &position)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return done;
}

bool FileSink::create(const std::string& path, std::string& error) {
  file_.reset(CreateFileW(widePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    error = systemMessage(GetLastError());
    return false;
  }
  return true;
}

bool FileSink::write(const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    DWORD done = 0;
    if (!WriteFile(file_.get(), p, static_cast<DWORD>(count < kMaxIo ? count : kMaxIo), &done, nullptr)) {
      lastError_ = systemMessage(GetLastError());
      return false;
    }
    p += done;
    count -= done;
  }
  return true;
}

bool FileSink::writeAt(int64_t offset, const void* data, size_t count) {
  // An OVERLAPPED position on a synchronous handle also moves the file pointer: put it back.
  LARGE_INTEGER zero = {}, end = {};
  if (!SetFilePointerEx(file_.get(), zero, &end, FILE_CURRENT)) {
    lastError_ = systemMessage(GetLastError());
    return false;
  }
  OVERLAPPED position = at(offset);
  DWORD done = 0;
  bool ok = WriteFile(file_.get(), data, static_cast<DWORD>(count), &done, &position) && done == count;
  if (!ok) lastError_ = systemMessage(GetLastError());
  SetFilePointerEx(file_.get(), end, nullptr, FILE_BEGIN);
  return ok;
}

bool FileSink::close(std::string& error) {
  HANDLE handle = file_.release();
  if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle)) {
    error = systemMessage(GetLastError());
    return false;
  }
  return true;
}

void removeFile(const std::string& path) { DeleteFileW(widePath(path).c_str()); }

bool replaceFile(const std::string& from, const std::string& to, std::string& error) {
  if (MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  error = systemMessage(GetLastError());
  return false;
}

}  // namespace drx::mkmedia
