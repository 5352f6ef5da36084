#pragma once
// Threads and synchronisation: threads, events, waits with time-outs,
// critical sections and the interlocked calls.
//
// Windows stay with the thread that runs the user part (the first to use
// it). A worker may post to them; a worker's SendMessage waits until that
// thread's pump has handled the message.
#include "win_export.h"
#include "win_kernel.h"
#include "win_types.h"

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64
#define STILL_ACTIVE 259u
#define CREATE_SUSPENDED 0x00000004u

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

// A critical section keeps its lock outside the record.
struct CRITICAL_SECTION {
  void* impl;
  LONG LockCount;
  LONG RecursionCount;
  DWORD OwningThread;
  DWORD SpinCount;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

// Threads. The stack size is ignored; CREATE_SUSPENDED waits for ResumeThread.
WINAPI_EXPORT HANDLE CreateThread(SECURITY_ATTRIBUTES* attributes, size_t stackSize, LPTHREAD_START_ROUTINE start,
                                  LPVOID parameter, DWORD flags, LPDWORD threadId);
WINAPI_EXPORT DWORD ResumeThread(HANDLE thread);
WINAPI_EXPORT BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
WINAPI_EXPORT BOOL SetThreadPriority(HANDLE thread, int priority);
WINAPI_EXPORT int GetThreadPriority(HANDLE thread);
WINAPI_EXPORT DWORD GetCurrentThreadId();
WINAPI_EXPORT DWORD GetCurrentProcessId();

// Events. Names are not shared: each call makes a new object.
WINAPI_EXPORT HANDLE CreateEventA(SECURITY_ATTRIBUTES* attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
WINAPI_EXPORT BOOL SetEvent(HANDLE event);
WINAPI_EXPORT BOOL ResetEvent(HANDLE event);
WINAPI_EXPORT BOOL PulseEvent(HANDLE event);

// Waits on events and threads; a signalled auto-reset event is taken by
// the wait that sees it. Time-outs are real milliseconds (INFINITE: none).
WINAPI_EXPORT DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
WINAPI_EXPORT DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds);

// Critical sections
WINAPI_EXPORT void InitializeCriticalSection(LPCRITICAL_SECTION section);
WINAPI_EXPORT BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
WINAPI_EXPORT void DeleteCriticalSection(LPCRITICAL_SECTION section);
WINAPI_EXPORT void EnterCriticalSection(LPCRITICAL_SECTION section);
WINAPI_EXPORT BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
WINAPI_EXPORT void LeaveCriticalSection(LPCRITICAL_SECTION section);

// Interlocked calls (full barriers)
WINAPI_EXPORT LONG InterlockedIncrement(LONG volatile* value);
WINAPI_EXPORT LONG InterlockedDecrement(LONG volatile* value);
WINAPI_EXPORT LONG InterlockedExchange(LONG volatile* target, LONG value);
WINAPI_EXPORT LONG InterlockedExchangeAdd(LONG volatile* target, LONG value);
WINAPI_EXPORT LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);
WINAPI_EXPORT PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value);
WINAPI_EXPORT PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand);

inline HANDLE CreateEvent(SECURITY_ATTRIBUTES* a, BOOL m, BOOL i, LPCSTR n) { return CreateEventA(a, m, i, n); }
