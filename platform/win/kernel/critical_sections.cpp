// Critical sections (recursive, as the original's) and the interlocked calls.
#include <mutex>

#include "win_threads.h"

namespace {
std::recursive_mutex* LockOf(LPCRITICAL_SECTION s) { return static_cast<std::recursive_mutex*>(s->impl); }
}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  if (!section) return;
  *section = CRITICAL_SECTION{};
  section->impl = new std::recursive_mutex();
  section->LockCount = -1;
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount) {
  if (!section) return FALSE;
  InitializeCriticalSection(section);
  section->SpinCount = spinCount;
  return TRUE;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  if (!section || !section->impl) return;
  delete LockOf(section);
  section->impl = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  if (!section || !section->impl) return;
  LockOf(section)->lock();
  section->OwningThread = GetCurrentThreadId();
  ++section->RecursionCount;
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  if (!section || !section->impl || !LockOf(section)->try_lock()) return FALSE;
  section->OwningThread = GetCurrentThreadId();
  ++section->RecursionCount;
  return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  if (!section || !section->impl || section->RecursionCount <= 0 || section->OwningThread != GetCurrentThreadId())
    return;  // leaving a section this thread does not hold would break the lock
  if (--section->RecursionCount == 0) section->OwningThread = 0;
  LockOf(section)->unlock();
}

LONG InterlockedIncrement(LONG volatile* v) { return __atomic_add_fetch(v, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(LONG volatile* v) { return __atomic_sub_fetch(v, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedExchange(LONG volatile* t, LONG v) { return __atomic_exchange_n(t, v, __ATOMIC_SEQ_CST); }
LONG InterlockedExchangeAdd(LONG volatile* t, LONG v) { return __atomic_fetch_add(t, v, __ATOMIC_SEQ_CST); }
LONG InterlockedCompareExchange(LONG volatile* t, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(t, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
PVOID InterlockedExchangePointer(PVOID volatile* t, PVOID v) { return __atomic_exchange_n(t, v, __ATOMIC_SEQ_CST); }
PVOID InterlockedCompareExchangePointer(PVOID volatile* t, PVOID exchange, PVOID comparand) {
  __atomic_compare_exchange_n(t, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
