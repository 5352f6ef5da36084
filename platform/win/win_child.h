#pragma once
// Child processes for tests that must prove behaviour across processes:
// a forked child runs a function and can tell the parent it reached a
// point; the parent can wait for that, kill it hard, and reap it.
#include <functional>
#include "win_export.h"

namespace win::child {
struct WIN_CLASS Child {
  int pid = -1;
  int readyFd = -1;
};
// Forks; the child runs body(ready) and ends with its result as exit code,
// skipping every exit handler. ready() tells the parent "reached".
WIN_CLASS Child Start(const std::function<int(const std::function<void()>& ready)>& body);
// Waits up to timeoutMs for the child's ready signal.
WIN_CLASS bool WaitReady(const Child& child, int timeoutMs);
// Kills the child at once (no clean-up possible in the child).
WIN_CLASS void KillHard(const Child& child);
// Reaps the child: its exit code, or 128 + signal when a signal ended it.
WIN_CLASS int Wait(Child& child);
// This process's id; a forked child has its own.
WIN_CLASS int CurrentProcessId();
// Handlers run around every fork of this process: a library whose own
// thread holds locks brings that thread to rest before the fork, so the
// child never inherits a lock held by a thread it does not have.
WIN_CLASS void AtFork(void (*prepare)(), void (*parent)(), void (*child)());
}  // namespace win::child
