// Forked children for cross-process tests.
#include "win_child.h"

#include <poll.h>
#include <pthread.h>
#include <cerrno>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace win::child {

Child Start(const std::function<int(const std::function<void()>& ready)>& body) {
  Child c;
  int fds[2];
  if (pipe(fds) != 0) return c;
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return c;
  }
  if (pid == 0) {
    close(fds[0]);
    int writeFd = fds[1];
    auto ready = [writeFd] {
      char b = 1;
      ssize_t n = write(writeFd, &b, 1);
      (void)n;
    };
    int code = 1;
    try {
      code = body(ready);
    } catch (...) {
      code = 2;
    }
    _exit(code);
  }
  close(fds[1]);
  c.pid = pid;
  c.readyFd = fds[0];
  return c;
}

bool WaitReady(const Child& child, int timeoutMs) {
  if (child.readyFd < 0) return false;
  pollfd p{child.readyFd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return false;
  char b = 0;
  return read(child.readyFd, &b, 1) == 1;
}

void KillHard(const Child& child) {
  if (child.pid > 0) kill(child.pid, SIGKILL);
}

int Wait(Child& child) {
  if (child.pid <= 0) return -1;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(child.pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  child.pid = -1;
  if (child.readyFd >= 0) close(child.readyFd);
  child.readyFd = -1;
  if (r < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

int CurrentProcessId() { return static_cast<int>(getpid()); }

void AtFork(void (*prepare)(), void (*parent)(), void (*child)()) { pthread_atfork(prepare, parent, child); }

}  // namespace win::child
