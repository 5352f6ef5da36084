// Threads started through CreateThread: each is a detached host thread that
// holds its object until it ends, so closing the handle early is safe.
#include <unistd.h>

#include <atomic>
#include <thread>

#include "waitable.h"
#include "win_kernel.h"
#include "win_threads.h"

namespace win {
namespace {

std::atomic<DWORD> g_nextThreadId{0x1000};
std::atomic<int> g_liveWorkers{0};
std::atomic<void (*)()> g_workerEndListener{nullptr};

DWORD& ThisThreadId() {
  thread_local DWORD id = 0;
  return id;
}

class ThreadObject : public Waitable {
 public:
  DWORD id = 0;
  int priority = THREAD_PRIORITY_NORMAL;
  bool suspended = false;
  bool done = false;
  DWORD exitCode = STILL_ACTIVE;
  bool Ready() const override { return done; }
};

}  // namespace

int LiveWorkerThreads() { return g_liveWorkers.load(); }
void SetWorkerEndListener(void (*listener)()) { g_workerEndListener.store(listener); }

}  // namespace win

using win::SyncCondition;
using win::SyncMutex;
using win::ThreadObject;

DWORD GetCurrentThreadId() {
  DWORD& id = win::ThisThreadId();
  if (!id) id = win::g_nextThreadId.fetch_add(4);
  return id;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

HANDLE CreateThread(SECURITY_ATTRIBUTES*, size_t, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_shared<ThreadObject>();
  object->id = win::g_nextThreadId.fetch_add(4);
  object->suspended = (flags & CREATE_SUSPENDED) != 0;
  HANDLE handle = win::HandleTable::Add(object);
  win::g_liveWorkers.fetch_add(1);
  try {
    std::thread([object, start, parameter] {
      win::ThisThreadId() = object->id;
      {
        std::unique_lock<std::mutex> lock(SyncMutex());
        SyncCondition().wait(lock, [&] { return !object->suspended; });
      }
      DWORD code = start(parameter);
      {
        std::lock_guard<std::mutex> lock(SyncMutex());
        object->exitCode = code;
        object->done = true;
      }
      SyncCondition().notify_all();
      win::g_liveWorkers.fetch_sub(1);
      if (auto listener = win::g_workerEndListener.load()) listener();
    }).detach();
  } catch (...) {
    win::g_liveWorkers.fetch_sub(1);
    win::HandleTable::Remove(handle);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId) *threadId = object->id;
  return handle;
}

DWORD ResumeThread(HANDLE thread) {
  auto object = win::HandleTable::GetAs<ThreadObject>(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  DWORD previous;
  {
    std::lock_guard<std::mutex> lock(SyncMutex());
    previous = object->suspended ? 1 : 0;
    object->suspended = false;
  }
  SyncCondition().notify_all();
  return previous;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  auto object = win::HandleTable::GetAs<ThreadObject>(thread);
  if (!object || !exitCode) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(SyncMutex());
  *exitCode = object->exitCode;
  return TRUE;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  auto object = win::HandleTable::GetAs<ThreadObject>(thread);
  bool valid = (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST) ||
               priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL;
  if (!object || !valid) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(SyncMutex());
  object->priority = priority;  // recorded; the host scheduler is left alone
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  auto object = win::HandleTable::GetAs<ThreadObject>(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  std::lock_guard<std::mutex> lock(SyncMutex());
  return object->priority;
}
