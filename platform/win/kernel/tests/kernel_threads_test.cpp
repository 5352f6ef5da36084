// Threads, events, waits, critical sections and interlocked counts.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "win/win_kernel.h"
#include "win/win_threads.h"

namespace {

struct Shared {
  HANDLE go = nullptr;
  HANDLE stop = nullptr;
  CRITICAL_SECTION section{};
  long plain = 0;  // guarded by the section
  LONG counted = 0;
  DWORD seenId = 0;
};

DWORD CountingWorker(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  s->seenId = GetCurrentThreadId();
  WaitForSingleObject(s->go, INFINITE);
  for (int i = 0; i < 20000; ++i) {
    EnterCriticalSection(&s->section);
    EnterCriticalSection(&s->section);  // recursive
    ++s->plain;
    LeaveCriticalSection(&s->section);
    LeaveCriticalSection(&s->section);
    InterlockedIncrement(&s->counted);
  }
  return 7;
}

DWORD WaitForStop(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  while (WaitForSingleObject(s->stop, 0) == WAIT_TIMEOUT) Sleep(1);
  return 3;
}

}  // namespace

TEST(KernelThreads, WorkersCountUnderCriticalSectionAndEndWithTheirCode) {
  Shared s;
  InitializeCriticalSection(&s.section);
  s.go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<HANDLE> threads;
  DWORD firstId = 0;
  for (int i = 0; i < 4; ++i) {
    DWORD id = 0;
    threads.push_back(CreateThread(nullptr, 0, CountingWorker, &s, 0, &id));
    ASSERT_NE(threads.back(), nullptr);
    if (i == 0) firstId = id;
    EXPECT_NE(id, GetCurrentThreadId());
  }
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(threads[0], &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForMultipleObjects(4, threads.data(), TRUE, 20), WAIT_TIMEOUT);  // held at the gate
  SetEvent(s.go);
  EXPECT_EQ(WaitForMultipleObjects(4, threads.data(), TRUE, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(s.plain, 80000);
  EXPECT_EQ(s.counted, 80000);
  ASSERT_TRUE(GetExitCodeThread(threads[0], &code));
  EXPECT_EQ(code, 7u);
  (void)firstId;
  for (HANDLE h : threads) EXPECT_TRUE(CloseHandle(h));
  CloseHandle(s.go);
  DeleteCriticalSection(&s.section);
}

TEST(KernelThreads, AutoResetEventIsTakenByOneWaitManualStaysSet) {
  HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  // Any-of waits report the first signalled object.
  HANDLE both[] = {manual, automatic};
  SetEvent(automatic);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 10), WAIT_TIMEOUT);
  // An all-of wait takes nothing until every object is signalled.
  SetEvent(automatic);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  CloseHandle(automatic);
  CloseHandle(manual);
}

TEST(KernelThreads, StopEventEndsAWorkerAndSuspendedStartWaits) {
  Shared s;
  s.stop = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, WaitForStop, &s, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(SetThreadPriority(t, THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_EQ(WaitForSingleObject(t, 20), WAIT_TIMEOUT);
  EXPECT_EQ(ResumeThread(t), 1u);
  EXPECT_EQ(WaitForSingleObject(t, 20), WAIT_TIMEOUT);
  SetEvent(s.stop);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(t, &code);
  EXPECT_EQ(code, 3u);
  CloseHandle(t);
  CloseHandle(s.stop);
}

TEST(KernelThreads, BadHandlesAndArgumentsFail) {
  HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FF0));
  EXPECT_EQ(WaitForSingleObject(bogus, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(SetEvent(bogus));
  EXPECT_EQ(WaitForMultipleObjects(0, nullptr, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE pair[] = {e, bogus};
  EXPECT_EQ(WaitForMultipleObjects(2, pair, FALSE, 0), WAIT_FAILED);
  CloseHandle(e);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);  // closed
  DWORD code;
  EXPECT_FALSE(GetExitCodeThread(e, &code));
  EXPECT_FALSE(SetThreadPriority(bogus, THREAD_PRIORITY_NORMAL));
}

TEST(KernelThreads, InterlockedCallsReturnTheDocumentedValues) {
  LONG v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&v, 3), 9);
  EXPECT_EQ(v, 12);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 11), 12);  // no match: unchanged
  EXPECT_EQ(v, 12);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 12), 12);
  EXPECT_EQ(v, 1);
  int a = 0, b = 0;
  PVOID p = &a;
  EXPECT_EQ(InterlockedCompareExchangePointer(&p, &b, &a), &a);
  EXPECT_EQ(p, &b);
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);  // not held: ignored, the lock stays sound
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);
}
