// thread_local variables on Win32 fiber-local storage instead of libgcc's winpthread keys.
//
// mingw's GCC emulates thread_local: each variable is described by a control object, and every
// access calls __emutls_get_address with it. The layout of that object is the compiler's: size,
// alignment, an index (0 until first use, then numbered from 1) and the initial image (null for
// zero-initialised variables). Each thread keeps one array of its copies, found through one FLS
// slot whose callback frees the copies when the thread ends.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct ThreadVariable {
  uintptr_t size;
  uintptr_t align;
  uintptr_t index;
  const void* initialImage;
};

struct ThreadCopies {
  uintptr_t count;
  void* copies[1];  // `count` entries
};

SRWLOCK indexLock = SRWLOCK_INIT;
uintptr_t variablesNumbered = 0;
INIT_ONCE slotOnce = INIT_ONCE_STATIC_INIT;
DWORD slot = FLS_OUT_OF_INDEXES;

void freeCopy(void* copy) {
  if (copy) std::free(static_cast<void**>(copy)[-1]);
}

void WINAPI freeThreadCopies(void* data) {
  auto* table = static_cast<ThreadCopies*>(data);
  if (!table) return;
  for (uintptr_t i = 0; i < table->count; ++i) freeCopy(table->copies[i]);
  std::free(table);
}

BOOL CALLBACK allocateSlot(INIT_ONCE*, void*, void**) {
  slot = FlsAlloc(freeThreadCopies);
  return TRUE;
}

// Out of memory or FLS slots there is no copy to hand back, and the caller has no way to fail.
[[noreturn]] void outOfStorage() { std::abort(); }

uintptr_t indexOf(ThreadVariable* variable) {
  uintptr_t index = __atomic_load_n(&variable->index, __ATOMIC_ACQUIRE);
  if (index != 0) return index;
  AcquireSRWLockExclusive(&indexLock);
  index = variable->index;
  if (index == 0) {
    index = ++variablesNumbered;
    __atomic_store_n(&variable->index, index, __ATOMIC_RELEASE);
  }
  ReleaseSRWLockExclusive(&indexLock);
  return index;
}

ThreadCopies* tableWithRoomFor(uintptr_t index) {
  auto* table = static_cast<ThreadCopies*>(FlsGetValue(slot));
  if (table && index <= table->count) return table;
  const uintptr_t oldCount = table ? table->count : 0;
  const uintptr_t newCount = index + 16;
  auto* grown =
      static_cast<ThreadCopies*>(std::realloc(table, sizeof(ThreadCopies) + (newCount - 1) * sizeof(void*)));
  if (!grown) outOfStorage();
  std::memset(grown->copies + oldCount, 0, (newCount - oldCount) * sizeof(void*));
  grown->count = newCount;
  if (!FlsSetValue(slot, grown)) outOfStorage();
  return grown;
}

// The block's start is kept in the word before the copy, so any alignment frees the same way.
void* newCopy(const ThreadVariable* variable) {
  const uintptr_t align = variable->align > sizeof(void*) ? variable->align : sizeof(void*);
  void* block = std::malloc(variable->size + sizeof(void*) + align - 1);
  if (!block) outOfStorage();
  const uintptr_t first = reinterpret_cast<uintptr_t>(block) + sizeof(void*);
  void* copy = reinterpret_cast<void*>((first + align - 1) & ~(align - 1));
  static_cast<void**>(copy)[-1] = block;
  if (variable->initialImage) {
    std::memcpy(copy, variable->initialImage, variable->size);
  } else {
    std::memset(copy, 0, variable->size);
  }
  return copy;
}

}  // namespace

extern "C" void* __emutls_get_address(ThreadVariable* variable) {
  const uintptr_t index = indexOf(variable);
  InitOnceExecuteOnce(&slotOnce, allocateSlot, nullptr, nullptr);
  if (slot == FLS_OUT_OF_INDEXES) outOfStorage();
  ThreadCopies* table = tableWithRoomFor(index);
  void*& copy = table->copies[index - 1];
  if (!copy) copy = newCopy(variable);
  return copy;
}
