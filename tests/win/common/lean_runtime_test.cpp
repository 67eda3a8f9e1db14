// The runtime pieces the shipped binaries carry instead of libstdc++'s: static guards,
// thread_local storage and the allocation functions, under real Win32 threads.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

extern "C" int __cxa_guard_acquire(long long* guard);
extern "C" void __cxa_guard_release(long long* guard);
extern "C" void __cxa_guard_abort(long long* guard);

namespace {

// The control object the compiler emits for each thread_local (size, alignment, index, image).
struct ThreadVariable {
  uintptr_t size;
  uintptr_t align;
  uintptr_t index;
  const void* initialImage;
};

}  // namespace

extern "C" void* __emutls_get_address(ThreadVariable* variable);

namespace {

// Runs `body` on `count` threads that start together; returns once all have ended.
template <typename Body>
struct ThreadStart {
  Body* body;
  HANDLE go;
  static DWORD WINAPI entry(void* parameter) {
    auto* start = static_cast<ThreadStart*>(parameter);
    WaitForSingleObject(start->go, INFINITE);
    (*start->body)();
    return 0;
  }
};

template <typename Body>
void onThreads(int count, Body body) {
  ThreadStart<Body> start{&body, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::vector<HANDLE> threads;
  for (int i = 0; i < count; ++i) {
    threads.push_back(CreateThread(nullptr, 0, ThreadStart<Body>::entry, &start, 0, nullptr));
  }
  SetEvent(start.go);
  for (HANDLE thread : threads) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  CloseHandle(start.go);
}

LONG initialiserRuns = 0;

int slowlyInitialised() {
  InterlockedIncrement(&initialiserRuns);
  Sleep(50);  // long enough for the other threads to arrive while it runs
  return 42;
}

int& sharedStatic() {
  static int value = slowlyInitialised();
  return value;
}

TEST(StaticGuard, ConcurrentFirstCallsRunTheInitialiserOnceAndAllSeeItsValue) {
  LONG sawValue = 0;
  onThreads(8, [&] {
    if (sharedStatic() == 42) InterlockedIncrement(&sawValue);
  });
  EXPECT_EQ(initialiserRuns, 1);
  EXPECT_EQ(sawValue, 8);
}

int innerStatic() {
  static int inner = 7;
  return inner;
}

int outerStatic() {
  static int outer = innerStatic() * 6;  // a static whose initialiser starts another
  return outer;
}

TEST(StaticGuard, NestedInitialisationOnOneThreadCompletes) { EXPECT_EQ(outerStatic(), 42); }

int attempts = 0;

int failsOnce() {
  if (++attempts == 1) throw 1;
  return attempts;
}

int retriedStatic() {
  static int value = failsOnce();
  return value;
}

TEST(StaticGuard, AnInitialiserThatThrowsRunsAgainOnTheNextCall) {
  EXPECT_THROW(retriedStatic(), int);
  EXPECT_EQ(retriedStatic(), 2);
  EXPECT_EQ(retriedStatic(), 2);
}

DWORD WINAPI acquireOnThread(void* guard) {
  return static_cast<DWORD>(__cxa_guard_acquire(static_cast<long long*>(guard)));
}

TEST(StaticGuard, SecondAcquireWaitsForReleaseThenSkips) {
  long long guard = 0;
  ASSERT_EQ(__cxa_guard_acquire(&guard), 1);
  HANDLE waiter = CreateThread(nullptr, 0, acquireOnThread, &guard, 0, nullptr);
  ASSERT_NE(waiter, nullptr);
  // Still initialising: the second caller must not get its own turn.
  EXPECT_EQ(WaitForSingleObject(waiter, 100), static_cast<DWORD>(WAIT_TIMEOUT));
  __cxa_guard_release(&guard);
  ASSERT_EQ(WaitForSingleObject(waiter, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD answer = 99;
  GetExitCodeThread(waiter, &answer);
  CloseHandle(waiter);
  EXPECT_EQ(answer, 0u);
  EXPECT_NE(*reinterpret_cast<unsigned char*>(&guard), 0);
  EXPECT_EQ(__cxa_guard_acquire(&guard), 0);
}

TEST(StaticGuard, AbortHandsTheNextCallerTheInitialisation) {
  long long guard = 0;
  ASSERT_EQ(__cxa_guard_acquire(&guard), 1);
  __cxa_guard_abort(&guard);
  EXPECT_EQ(*reinterpret_cast<unsigned char*>(&guard), 0);
  EXPECT_EQ(__cxa_guard_acquire(&guard), 1);
  __cxa_guard_release(&guard);
}

thread_local int counter = 5;
thread_local char zeroed[100];
alignas(64) thread_local unsigned char aligned[3] = {1, 2, 3};

TEST(ThreadStorage, EachThreadStartsFromTheInitialValueAndKeepsItsOwnCopy) {
  counter = 50;
  LONG good = 0;
  onThreads(4, [&] {
    bool ok = counter == 5;
    for (char c : zeroed) ok = ok && c == 0;
    ok = ok && reinterpret_cast<uintptr_t>(aligned) % 64 == 0 && aligned[0] == 1 && aligned[2] == 3;
    counter += 1;
    zeroed[0] = 'x';
    for (int i = 0; i < 10; ++i) ok = ok && counter == 6 && zeroed[0] == 'x';
    if (ok) InterlockedIncrement(&good);
  });
  EXPECT_EQ(good, 4);
  EXPECT_EQ(counter, 50);
  EXPECT_EQ(zeroed[0], 0);
}

TEST(ThreadStorage, ControlObjectsAreNumberedOnFirstUseAndCopiesFollowTheirLayout) {
  const uint32_t image = 0xA1B2C3D4u;
  std::vector<ThreadVariable> variables = {
      {sizeof image, alignof(uint32_t), 0, &image},
      {24, 8, 0, nullptr},
      {5, 32, 0, nullptr},
  };
  // More variables than the first table holds, so the per-thread table has to grow.
  for (int i = 0; i < 40; ++i) variables.push_back({4, 4, 0, &image});
  std::vector<void*> here;
  for (ThreadVariable& v : variables) here.push_back(__emutls_get_address(&v));
  for (size_t i = 0; i < variables.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(variables[i].index, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(here[i]) % variables[i].align, 0u);
    EXPECT_EQ(__emutls_get_address(&variables[i]), here[i]);
    if (variables[i].initialImage) {
      EXPECT_EQ(std::memcmp(here[i], &image, sizeof image), 0);
    } else {
      EXPECT_EQ(std::memcmp(here[i], std::vector<char>(variables[i].size).data(), variables[i].size), 0);
    }
  }
  void* there = nullptr;
  onThreads(1, [&] { there = __emutls_get_address(&variables[0]); });
  EXPECT_NE(there, here[0]);
}

TEST(Allocation, NothrowFormsReturnNullWhenMemoryCannotBeHad) {
  const size_t tooMuch = SIZE_MAX / 2;
  EXPECT_EQ(::operator new(tooMuch, std::nothrow), nullptr);
  EXPECT_EQ(::operator new[](tooMuch, std::nothrow), nullptr);
  void* some = ::operator new(16, std::nothrow);
  ASSERT_NE(some, nullptr);
  ::operator delete(some);
  void* none = ::operator new(0);  // a zero-byte request still gets a distinct block
  EXPECT_NE(none, nullptr);
  ::operator delete(none);
}

}  // namespace
