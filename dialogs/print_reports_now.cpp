// The "Printing Now" dialog of a whole reports file.
#include "dialogs/print_reports_now.h"

#include <cstdio>
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/msr_functions.h"
#include "reportpages/print_status_window.h"
#include "reportpages/report_status_dialog.h"
#include "win/win_kernel.h"
#include "win/win_threads.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, PRINT_REPORTS_NOW_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Printing Now";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 120;
  t.cy = 30;
  t.items = {{-1, "Static", "Left", WS_VISIBLE | SS_LEFT, 0, 8, 10, 100, 10}};
  AddDialog(module, PRINT_REPORTS_NOW_DIALOG, t);
}

}  // namespace

DWORD CALLBACK PrintReportsThreadProc(void* parameter) {
  auto* job = static_cast<STRUCT_PRINT_REPORTS_JOB*>(parameter);
  job->result = 0;
  if (job->path[0]) {
    job->result = MSR_PrintFile(job->statusWindow, PRINT_STATUS_PROGRESS_MESSAGE, 0, job->path, job->firstPage,
                                job->lastPage, job->prefs) ? 1 : 0;
    // A temporary reports file goes once it is printed; one that failed or
    // was cancelled is kept, so the pages are not lost.
    if (job->deleteAfter && job->result && FileExists(job->path)) DeleteFileA(job->path);
  }
  SetEvent(job->doneEvent);
  return 0;
}

namespace kelt::dlg {

CPrintReportsStatusDlg::CPrintReportsStatusDlg(CWnd* parent) : m_pPrefs(&kelt::prefs::DefaultReportPrefs()) {
  m_FilePath[0] = 0;
  m_pParentWnd = parent;
}

CPrintReportsStatusDlg::~CPrintReportsStatusDlg() { Release(); }

bool CPrintReportsStatusDlg::Prepare() {
  AddTemplate();
  return InitModalFromLibrary(this, PRINT_REPORTS_NOW_DIALOG, m_pParentWnd);
}

BOOL CPrintReportsStatusDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pJob = static_cast<STRUCT_PRINT_REPORTS_JOB*>(AllocBlock(sizeof(STRUCT_PRINT_REPORTS_JOB)));
  if (m_pJob) m_DoneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (m_DoneEvent) m_AbortEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!m_AbortEvent) {
    Release();
    m_Done = true;
    EndDialog(0);
    return FALSE;
  }
  ::PostMessageA(m_hWnd, PSDM_STARTPRINT, 0, 0);
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
  return TRUE;
}

void CPrintReportsStatusDlg::StartPrint() {
  STRUCT_PRINT_REPORTS_JOB* j = m_pJob;
  if (!j || m_Worker) return;
  std::memset(j, 0, sizeof *j);
  j->prefs = m_pPrefs;
  std::snprintf(j->path, sizeof j->path, "%s", m_FilePath);
  j->firstPage = m_FirstPage;
  j->lastPage = m_LastPage;
  j->temporary = m_Temporary;
  j->pageCount = m_PageCount;
  j->deleteAfter = m_DeleteAfter;
  j->doneEvent = m_DoneEvent;
  ResetEvent(m_DoneEvent);
  ResetEvent(m_AbortEvent);
  HWND statusWindow = nullptr;
  j->status = Dlg_OpenPrintReportsStatus(this, 1, m_PageCount, m_AbortEvent, &statusWindow);
  if (!j->status) {
    j->savedCursor = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    if (!j->savedCursor) j->savedCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  }
  j->statusWindow = statusWindow;
  m_Started = true;
  m_Worker = CreateThread(nullptr, 0, PrintReportsThreadProc, j, 0, nullptr);
  if (!m_Worker) {
    j->result = 0;
    SetEvent(m_DoneEvent);
  }
  SetTimer(PRINT_REPORTS_NOW_TIMER, 4, nullptr);
}

void CPrintReportsStatusDlg::Tick() {
  if (m_AbortEvent && WaitForSingleObject(m_AbortEvent, 0) == WAIT_OBJECT_0) {
    KELT_AbortPrintReportsStatus(nullptr, -2);
    return;
  }
  if (m_DoneEvent && WaitForSingleObject(m_DoneEvent, 0) == WAIT_OBJECT_0) {
    KillTimer(PRINT_REPORTS_NOW_TIMER);
    ::PostMessageA(m_hWnd, PSDM_PRINTDONE, 0, 0);
  }
}

void CPrintReportsStatusDlg::PrintDone() {
  // The worker has signalled; it is joined before anything it used goes.
  if (m_Worker) {
    WaitForSingleObject(m_Worker, INFINITE);
    CloseHandle(m_Worker);
    m_Worker = nullptr;
  }
  if (m_pJob) {
    m_PrintResult = m_pJob->result;
    if (!m_pJob->savedCursor) {
      if (m_pJob->status) Dlg_ClosePrintReportsStatus(m_pJob->status);
    } else {
      ::SetCursor(m_pJob->savedCursor);
    }
    m_pJob->status = nullptr;
    m_pJob->statusWindow = nullptr;
    m_pJob->savedCursor = nullptr;
  }
  m_Done = true;
  EndDialog(1);
}

// Esc, the close box and Enter wait for the print: the worker still uses
// the job and the events.
void CPrintReportsStatusDlg::OnCancel() {
  if (m_Done || !m_Worker) {
    if (!m_Worker) CDialog::OnCancel();
    return;
  }
  ::MessageBeep(MB_OK);
}
void CPrintReportsStatusDlg::OnOK() { OnCancel(); }

void CPrintReportsStatusDlg::Release() {
  if (m_Worker) {
    // Never the case through the dialog; a forced end still waits for it.
    KELT_AbortPrintReportsStatus(nullptr, -2);
    WaitForSingleObject(m_Worker, INFINITE);
    CloseHandle(m_Worker);
    m_Worker = nullptr;
  }
  if (m_pJob) {
    // A dialog ended from outside (a headless one nobody answers) still
    // tells how the print went.
    if (m_Started && m_PrintResult < 0) m_PrintResult = m_pJob->result;
    if (m_pJob->status) Dlg_ClosePrintReportsStatus(m_pJob->status);
    FreeBlock(m_pJob);
  }
  m_pJob = nullptr;
  if (m_DoneEvent) CloseHandle(m_DoneEvent);
  if (m_AbortEvent) CloseHandle(m_AbortEvent);
  m_DoneEvent = m_AbortEvent = nullptr;
}

LRESULT CPrintReportsStatusDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case PSDM_STARTPRINT: StartPrint(); return 0;
    case PSDM_PRINTDONE: PrintDone(); return 0;
    case WM_TIMER: Tick(); return 0;
    case WM_DESTROY: {
      const LRESULT r = CDialog::WindowProc(msg, wParam, lParam);
      Release();
      return r;
    }
    default: break;
  }
  if (m_help.Handle(this, msg, wParam, lParam, false)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

}  // namespace kelt::dlg
