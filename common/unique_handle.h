// Move-only owner for Win32 handles: one template, one traits type per kind of resource.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <winsvc.h>

namespace drx {

// Owns one handle of the kind Traits describes. reset() keeps GetLastError intact,
// so the failure code of the call that made a cleanup necessary survives it. A traits type may
// name more than its empty value as invalid with valid(); such values are never closed.
template <class Traits>
class UniqueHandle {
 public:
  using pointer = typename Traits::pointer;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(pointer handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  pointer get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return valid(handle_); }

  // The caller takes over the handle: dropping the result would leak it.
  [[nodiscard]] pointer release() noexcept {
    pointer handle = handle_;
    handle_ = Traits::invalid();
    return handle;
  }

  // After a failed call through put(): forgets whatever the call left in the slot without
  // closing it, as it may not be a handle at all.
  void dropWithoutClosing() noexcept { handle_ = Traits::invalid(); }

  void reset(pointer handle = Traits::invalid()) noexcept {
    if (valid(handle_) && handle_ != handle) {
      const DWORD savedError = GetLastError();
      Traits::close(handle_);
      SetLastError(savedError);
    }
    handle_ = handle;
  }

  // For out-parameters: releases what is held and hands out the slot to fill.
  pointer* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  static bool valid(pointer handle) noexcept {
    if constexpr (requires { Traits::valid(handle); }) {
      return Traits::valid(handle);
    } else {
      return handle != Traits::invalid();
    }
  }

  pointer handle_ = Traits::invalid();
};

// Kernel objects: some functions report failure with null, others (CreateFile,
// CreateToolhelp32Snapshot, CreateNamedPipe) with INVALID_HANDLE_VALUE. Both mean "no handle" for
// every kernel handle, so a result kept in the other kind of owner is never taken for a handle.
// The pseudo-handle of the current process has the value of INVALID_HANDLE_VALUE and is never
// owned.
struct KernelObjectValidity {
  static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};

struct KernelHandleTraits : KernelObjectValidity {  // processes, threads, events, semaphores, mutexes
  using pointer = HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { CloseHandle(h); }
};

struct FileHandleTraits : KernelObjectValidity {  // CreateFile results: files and pipes
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { CloseHandle(h); }
};

struct RegKeyTraits {
  using pointer = HKEY;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { RegCloseKey(h); }
};

struct FindHandleTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { FindClose(h); }
};

struct ServiceHandleTraits {
  using pointer = SC_HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { CloseServiceHandle(h); }
};

struct ModuleTraits {
  using pointer = HMODULE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { FreeLibrary(h); }
};

struct LocalMemoryTraits {
  using pointer = HLOCAL;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { LocalFree(h); }
};

struct CoTaskMemoryTraits {
  using pointer = void*;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { CoTaskMemFree(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;
using ModuleHandle = UniqueHandle<ModuleTraits>;
using LocalMemory = UniqueHandle<LocalMemoryTraits>;
using CoTaskMemory = UniqueHandle<CoTaskMemoryTraits>;

// Releases a COM interface pointer when it leaves scope.
template <class Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  explicit ComPtr(Interface* p) noexcept : p_(p) {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  Interface* get() const noexcept { return p_; }
  Interface* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  Interface** put() noexcept {
    reset();
    return &p_;
  }
  void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  Interface* p_ = nullptr;
};

}  // namespace drx
