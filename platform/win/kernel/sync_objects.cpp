// Events and the waits on events and threads.
#include <chrono>
#include <thread>
#include <vector>

#include "waitable.h"
#include "win_kernel.h"
#include "win_threads.h"

namespace win {

std::mutex& SyncMutex() {
  static std::mutex* m = new std::mutex();  // workers may outlive static destructors
  return *m;
}

std::condition_variable& SyncCondition() {
  static std::condition_variable* c = new std::condition_variable();
  return *c;
}

namespace {

class EventObject : public Waitable {
 public:
  bool manual = false;
  bool signalled = false;
  bool Ready() const override { return signalled; }
  void Take() override {
    if (!manual) signalled = false;
  }
};

std::shared_ptr<EventObject> EventOf(HANDLE h) {
  auto e = HandleTable::GetAs<EventObject>(h);
  if (!e) SetLastError(ERROR_INVALID_HANDLE);
  return e;
}

}  // namespace
}  // namespace win

using win::EventObject;
using win::SyncCondition;
using win::SyncMutex;

HANDLE CreateEventA(SECURITY_ATTRIBUTES*, BOOL manualReset, BOOL initialState, LPCSTR) {
  auto e = std::make_shared<EventObject>();
  e->manual = manualReset != FALSE;
  e->signalled = initialState != FALSE;
  return win::HandleTable::Add(e);
}

BOOL SetEvent(HANDLE event) {
  auto e = win::EventOf(event);
  if (!e) return FALSE;
  {
    std::lock_guard<std::mutex> lock(SyncMutex());
    e->signalled = true;
  }
  SyncCondition().notify_all();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto e = win::EventOf(event);
  if (!e) return FALSE;
  std::lock_guard<std::mutex> lock(SyncMutex());
  e->signalled = false;
  return TRUE;
}

// Lets the threads waiting now go (all of them for a manual event, one
// for an auto-reset one), then leaves the event reset.
BOOL PulseEvent(HANDLE event) {
  if (!SetEvent(event)) return FALSE;
  std::this_thread::yield();
  return ResetEvent(event);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !objects) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<win::Waitable>> list;
  for (DWORD i = 0; i < count; ++i) {
    auto w = win::HandleTable::GetAs<win::Waitable>(objects[i]);
    if (!w) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    list.push_back(std::move(w));
  }
  auto satisfied = [&](DWORD* which) {
    if (waitAll) {
      for (auto& w : list)
        if (!w->Ready()) return false;
      for (auto& w : list) w->Take();
      *which = WAIT_OBJECT_0;
      return true;
    }
    for (DWORD i = 0; i < count; ++i)
      if (list[i]->Ready()) {
        list[i]->Take();
        *which = WAIT_OBJECT_0 + i;
        return true;
      }
    return false;
  };
  DWORD which = WAIT_TIMEOUT;
  std::unique_lock<std::mutex> lock(SyncMutex());
  if (milliseconds == INFINITE) {
    SyncCondition().wait(lock, [&] { return satisfied(&which); });
    return which;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  return SyncCondition().wait_until(lock, deadline, [&] { return satisfied(&which); }) ? which : WAIT_TIMEOUT;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &object, FALSE, milliseconds);
}
