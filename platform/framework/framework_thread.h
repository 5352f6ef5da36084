#pragma once
// Worker threads started through the framework. The thread object deletes
// itself when the thread ends unless m_bAutoDelete is cleared first (start
// suspended to clear it safely).
#include "framework_export.h"
#include "win/win_threads.h"

typedef UINT (*FRAMEWORK_THREADPROC)(LPVOID);

class FRAMEWORK_CLASS CWinThread {
 public:
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;
  virtual ~CWinThread();
  DWORD ResumeThread();
  BOOL SetThreadPriority(int priority);
  int GetThreadPriority() const;

 private:
  friend FRAMEWORK_CLASS CWinThread* FrameworkBeginThread(FRAMEWORK_THREADPROC, LPVOID, int, UINT, DWORD,
                                                          SECURITY_ATTRIBUTES*);
  FRAMEWORK_THREADPROC m_pfn = nullptr;
  LPVOID m_pParam = nullptr;
  static DWORD Run(LPVOID self);
};

// Starts proc(param) on a new thread at the given priority; the stack size
// is the default whatever is asked. Null on failure.
FRAMEWORK_CLASS CWinThread* FrameworkBeginThread(FRAMEWORK_THREADPROC proc, LPVOID param,
                                                 int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                                                 DWORD flags = 0, SECURITY_ATTRIBUTES* security = nullptr);
