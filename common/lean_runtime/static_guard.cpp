// Thread-safe initialisation of function-local statics on Win32 locks instead of winpthread.
//
// The compiler guards every function-local static with a 64-bit word: it skips the call below
// once the first byte is non-zero (read with acquire order), otherwise it calls acquire, runs the
// initialiser if acquire returned 1, then release (or abort if the initialiser threw). The
// second byte marks an initialisation in progress, so other threads wait for it rather than run
// it twice; the lock is held only to change or test those bytes, never while an initialiser
// runs, so statics initialised on different threads cannot deadlock each other through it.
#include <windows.h>

namespace {

SRWLOCK lock = SRWLOCK_INIT;
CONDITION_VARIABLE finished = CONDITION_VARIABLE_INIT;

unsigned char* doneByte(long long* guard) { return reinterpret_cast<unsigned char*>(guard); }
unsigned char* busyByte(long long* guard) { return reinterpret_cast<unsigned char*>(guard) + 1; }

}  // namespace

extern "C" {

int __cxa_guard_acquire(long long* guard) {
  if (__atomic_load_n(doneByte(guard), __ATOMIC_ACQUIRE)) return 0;
  AcquireSRWLockExclusive(&lock);
  for (;;) {
    if (__atomic_load_n(doneByte(guard), __ATOMIC_ACQUIRE)) {
      ReleaseSRWLockExclusive(&lock);
      return 0;
    }
    if (!*busyByte(guard)) {
      *busyByte(guard) = 1;
      ReleaseSRWLockExclusive(&lock);
      return 1;
    }
    SleepConditionVariableSRW(&finished, &lock, INFINITE, 0);
  }
}

void __cxa_guard_release(long long* guard) {
  AcquireSRWLockExclusive(&lock);
  *busyByte(guard) = 0;
  __atomic_store_n(doneByte(guard), 1, __ATOMIC_RELEASE);
  ReleaseSRWLockExclusive(&lock);
  WakeAllConditionVariable(&finished);
}

// The initialiser did not finish: the next caller runs it again.
void __cxa_guard_abort(long long* guard) {
  AcquireSRWLockExclusive(&lock);
  *busyByte(guard) = 0;
  ReleaseSRWLockExclusive(&lock);
  WakeAllConditionVariable(&finished);
}

}  // extern "C"
