// Starting a thread with an owned handle, at a chosen priority.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace drx {

// Runs entry(argument) on a new thread. At a priority other than normal the thread starts
// suspended and runs only once its priority is set. The handle is empty when no thread could be
// made (GetLastError tells why); dropping it leaves the thread running.
inline KernelHandle startThread(LPTHREAD_START_ROUTINE entry, void* argument,
                                int priority = THREAD_PRIORITY_NORMAL) {
  const bool atOtherPriority = priority != THREAD_PRIORITY_NORMAL;
  KernelHandle thread(
      CreateThread(nullptr, 0, entry, argument, atOtherPriority ? CREATE_SUSPENDED : 0, nullptr));
  if (thread && atOtherPriority) {
    SetThreadPriority(thread.get(), priority);
    ResumeThread(thread.get());
  }
  return thread;
}

}  // namespace drx
