#pragma once
// Objects a thread can wait on (events, threads). Every waitable shares one
// lock and one condition: a wait for several objects must see their states
// together, and signals are rare enough that one condition serves all.
#include <condition_variable>
#include <mutex>

#include "kernel_object.h"

namespace win {

std::mutex& SyncMutex();
std::condition_variable& SyncCondition();

class Waitable : public KernelObject {
 public:
  // Both called with SyncMutex held.
  virtual bool Ready() const = 0;
  virtual void Take() {}  // an auto-reset event resets here
};

// Worker threads still running; the user part's pump waits for their posts
// while any is alive, and is told when one ends.
int LiveWorkerThreads();
void SetWorkerEndListener(void (*listener)());

}  // namespace win
