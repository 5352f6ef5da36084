// Framework worker threads.
#include "framework_thread.h"

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }
BOOL CWinThread::SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }
int CWinThread::GetThreadPriority() const { return ::GetThreadPriority(m_hThread); }

DWORD CWinThread::Run(LPVOID self) {
  auto* t = static_cast<CWinThread*>(self);
  UINT code = t->m_pfn(t->m_pParam);
  if (t->m_bAutoDelete) delete t;
  return code;
}

CWinThread* FrameworkBeginThread(FRAMEWORK_THREADPROC proc, LPVOID param, int priority, UINT, DWORD flags,
                                 SECURITY_ATTRIBUTES* security) {
  if (!proc) return nullptr;
  auto* t = new CWinThread();
  t->m_pfn = proc;
  t->m_pParam = param;
  t->m_hThread = CreateThread(security, 0, &CWinThread::Run, t, CREATE_SUSPENDED, &t->m_nThreadID);
  if (!t->m_hThread) {
    delete t;
    return nullptr;
  }
  ::SetThreadPriority(t->m_hThread, priority);
  if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(t->m_hThread);
  return t;
}
