// Global operator new and delete on malloc, without the exception machinery behind bad_alloc.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// The standard loop: try, let an installed new-handler free memory, try again. With no handler
// left, the throwing forms end the process (nothing in these binaries could catch bad_alloc, so
// the library's version ended it too) and the nothrow forms return null for the caller to report.
void* allocate(std::size_t size, bool endProcessOnFailure) {
  if (size == 0) size = 1;
  for (;;) {
    if (void* memory = std::malloc(size)) return memory;
    std::new_handler handler = std::get_new_handler();
    if (!handler) {
      if (endProcessOnFailure) std::abort();
      return nullptr;
    }
    handler();
  }
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size, true); }
void* operator new[](std::size_t size) { return allocate(size, true); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, false); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, false); }

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
