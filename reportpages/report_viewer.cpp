// The report viewer.
#include "reportpages/report_viewer.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <cstring>
#include <new>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "dialogs/entry_range_dialog.h"
#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/dialog_help.h"
#include "reportpages/file_selection.h"
#include "reportpages/msr_functions.h"
#include "reportpages/page_export.h"
#include "reportpages/page_list_dialogs.h"
#include "reportpages/page_margins_dialog.h"
#include "reportpages/print_status_window.h"
#include "reportpages/report_status_dialog.h"
#include "reportpages/viewer_toolbar.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_menus.h"
#include "win/win_resources.h"
#include "win/win_stdio.h"
#include "win/win_threads.h"
#include "win/win_user.h"

namespace {

constexpr uint32_t kHelpContext = 131;
constexpr UINT kSystemMinimize = 61472;
constexpr int32_t kRangeWindow = 20;

// The window's place for the next viewer of the special entry point,
// client rectangle in screen coordinates; not saved anywhere.
RECT g_Remembered{0, 0, 0, 0};

using win::resources::MenuItemTemplate;

void EnsureResources() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (!FindDialog(module, VIEW_REPORTS_DIALOG)) {
    DialogTemplate t;
    t.caption = "View Reports File";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT;
    t.cx = 300;
    t.cy = 150;
    t.items = {{IDC_VIEW_PAGE, "Ctrl_VP", "", WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 300, 150}};
    AddDialog(module, VIEW_REPORTS_DIALOG, t);
  }
  for (int variant = 0; variant < 2; ++variant) {
    const int id = variant ? VIEW_REPORTS_MENU_SHORT : VIEW_REPORTS_MENU;
    if (FindMenu(module, id)) continue;
    const MenuItemTemplate sep{0, "", MF_SEPARATOR, {}};
    MenuItemTemplate file{0, "&File", 0, {}};
    file.items.push_back({ID_VR_LOAD_FILE, "&Load File...", 0, {}});
    file.items.push_back({ID_VR_VIEW_ALL, variant ? "&View File..." : "&View All Report Pages...", 0, {}});
    if (!variant) file.items.push_back({ID_VR_VIEW_FIRST, "V&iew First Pages of Reports...", 0, {}});
    file.items.push_back(sep);
    file.items.push_back({ID_VR_SAVE_AS, "Save &As...", 0, {}});
    file.items.push_back({ID_VR_DELETE_FILE, "&Delete File", 0, {}});
    file.items.push_back({ID_VR_COPY_FILE, "&Copy File", 0, {}});
    file.items.push_back(sep);
    file.items.push_back({ID_VR_PRINT_PAGE, "Print &Page...", 0, {}});
    file.items.push_back({ID_VR_PRINT_REPORT, "Print &Report...", 0, {}});
    file.items.push_back({ID_VR_PRINT_ALL, "Print All Reports...", 0, {}});
    file.items.push_back(sep);
    file.items.push_back({ID_VR_PRINTER_SETUP, "Printer &Setup...", 0, {}});
    file.items.push_back({ID_VR_PAGE_SETUP, "Page S&etup...", 0, {}});
    if (!variant) file.items.push_back({ID_VR_PREVIEW, "Preview Reports", 0, {}});
    file.items.push_back(sep);
    file.items.push_back({ID_VR_EXIT, "E&xit", 0, {}});
    MenuItemTemplate page{0, "&Page", 0, {}};
    page.items = {{ID_VR_NEXT, "&Next Page", 0, {}},         {ID_VR_PREVIOUS, "&Previous Page", 0, {}}, sep,
                  {ID_VR_DELETE_PAGE, "&Delete Page", 0, {}}, {ID_VR_DELETE_REPORT, "D&elete Report", 0, {}}, sep,
                  {ID_VR_COPY_PAGE, "&Copy Page", 0, {}},     {ID_VR_COPY_REPORT, "C&opy Report", 0, {}}};
    MenuItemTemplate view{0, "&View", 0, {}};
    view.items = {{ID_VR_COLOR, "&Color", 0, {}}, {ID_VR_MONOCHROME, "&Monochrome", 0, {}}, sep};
    if (!variant) view.items.push_back({ID_VR_BEST, "&Best", 0, {}});
    view.items.push_back({ID_VR_PORTRAIT, "Po&rtrait", 0, {}});
    view.items.push_back({ID_VR_LANDSCAPE, "&Landscape", 0, {}});
    MenuItemTemplate clip{0, "&To ClipBoard", 0, {}};
    clip.items = {{ID_VR_CLIP_BITMAP, "&Bitmap", 0, {}},
                  {ID_VR_CLIP_PICTURE, "&Picture", 0, {}},
                  {ID_VR_CLIP_TEXT, "&Text", 0, {}},
                  {ID_VR_CLIP_ALL, "&All", 0, {}}};
    MenuItemTemplate exp{0, "&Export", 0, {clip, {ID_VR_EXPORT_FILE, "To &File...", 0, {}}}};
    MenuTemplate m;
    m.items = {file, page, view, exp};
    AddMenu(module, id, m);
  }
}

bool Exists(const char* path) { return path && path[0] && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Whether two names lead to one file (full paths compared without case).
bool SameFile(const char* a, const char* b) {
  char fa[MAX_PATH] = {}, fb[MAX_PATH] = {};
  if (!GetFullPathNameA(a, sizeof fa, fa, nullptr) || !GetFullPathNameA(b, sizeof fb, fb, nullptr))
    return lstrcmpiA(a, b) == 0;
  return lstrcmpiA(fa, fb) == 0;
}

DWORD ViewerPrintThreadProc(LPVOID parameter) {
  auto* job = static_cast<ViewerPrintJob*>(parameter);
  job->result = MSR_PrintFile(job->statusWindow, PRINT_STATUS_PROGRESS_MESSAGE, 0, job->path, job->firstPage,
                              job->lastPage, job->prefs);
  SetEvent(job->doneEvent);
  return 0;
}

}  // namespace

CViewReportsDlg::CViewReportsDlg() : CDialog(VIEW_REPORTS_DIALOG, nullptr) {
  m_FilePath[0] = 0;
  m_DisplayName[0] = 0;
  RegisterPageViewClass();
  EnsureResources();
}

CViewReportsDlg::~CViewReportsDlg() { CleanUp(); }

HWND CViewReportsDlg::PageControl() const { return m_hWnd ? ::GetDlgItem(m_hWnd, IDC_VIEW_PAGE) : nullptr; }

STRUCT_REPORT_PREFS* CViewReportsDlg::PrintPrefs() {
  return m_UsesDefaults || !m_pPrefs ? &kelt::prefs::DefaultReportPrefs() : m_pPrefs;
}

void CViewReportsDlg::WriteDefaultsWhenFlagged() {
  if (m_UsesDefaults) KELT_WriteDefReportPrefs(&kelt::prefs::DefaultReportPrefs(), "KELTDefRptPrefs");
}

void CViewReportsDlg::EnableItem(UINT id, bool on) {
  if (m_pMenu) m_pMenu->EnableMenuItem(id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}
void CViewReportsDlg::CheckItem(UINT id, bool on) {
  if (m_pMenu) m_pMenu->CheckMenuItem(id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

BOOL CViewReportsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // 1. Whose preferences: the library's defaults when the caller's equal them.
  STRUCT_REPORT_PREFS& defaults = kelt::prefs::DefaultReportPrefs();
  m_UsesDefaults = !m_pPrefs || std::memcmp(m_pPrefs, &defaults, sizeof defaults) == 0 ? 1 : 0;
  m_pSpooler = m_UsesDefaults ? &defaults.spooler : &m_pPrefs->spooler;
  // 2. The print job, the events, the page buffer and the reports file.
  m_pJob = static_cast<ViewerPrintJob*>(AllocBlock(sizeof(ViewerPrintJob)));
  if (m_pJob) m_DoneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (m_DoneEvent) m_AbortEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (m_AbortEvent) m_PageBuffer = CreatePageBuffer(5, 0, 0, 0);
  if (m_PageBuffer) m_pFile = new (std::nothrow) CRptsFileHandler(nullptr);
  // 3. The menu.
  if (m_pFile) {
    m_pMenu = new (std::nothrow) CMenu;
    if (m_pMenu && m_pMenu->LoadMenu(m_MenuVariant ? VIEW_REPORTS_MENU_SHORT : VIEW_REPORTS_MENU)) {
      ::SetMenu(m_hWnd, m_pMenu->GetSafeHmenu());
      ::DrawMenuBar(m_hWnd);
    } else {
      delete m_pMenu;
      m_pMenu = nullptr;
    }
  }
  if (!m_pMenu) {
    CleanUp();
    EndDialog(0);
    return TRUE;
  }
  // 4. The size the template gives is the least.
  RECT wr{};
  ::GetWindowRect(m_hWnd, &wr);
  m_MinWidth = wr.right - wr.left;
  m_MinHeight = wr.bottom - wr.top;
  // 5. The toolbar frame; without it the viewer goes on without a toolbar.
  m_pToolFrame = new (std::nothrow) CWrapViewRptsToolBar;
  if (m_pToolFrame && m_pToolFrame->Create(nullptr, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                           CRect(0, 0, 0, 0), this)) {
    m_pToolBar = m_pToolFrame->m_pToolBar;
    if (m_pToolBar) m_pToolBar->GetToolBarCtrl().SetOwner(this);
  } else {
    delete m_pToolFrame;
    m_pToolFrame = nullptr;
  }
  // 6. Check marks.
  CheckItem(ID_VR_COLOR, m_pSpooler->colorPrinting != 0);
  CheckItem(ID_VR_MONOCHROME, m_pSpooler->colorPrinting == 0);
  CheckItem(ID_VR_PREVIEW, m_pSpooler->previewReports != 0);
  SetOrientationChecks();
  // 7. The file.
  if (!m_FilePath[0]) NoFileState();
  else LoadFile(1, 0);
  // 8. The window's place.
  Place();
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  Layout(rc.right, rc.bottom);
  return TRUE;
}

void CViewReportsDlg::Place() {
  if (!m_RememberedWindow) {
    HWND parent = ::GetParent(m_hWnd);
    RECT r{};
    if (parent && ::GetWindowRect(parent, &r))
      ::MoveWindow(m_hWnd, r.left, r.top, std::max<int>(r.right - r.left, m_MinWidth),
                   std::max<int>(r.bottom - r.top, m_MinHeight), TRUE);
    return;
  }
  ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | WS_MAXIMIZEBOX);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  const RECT& m = g_Remembered;
  if (m.right - m.left < 200 || m.bottom - m.top < 200) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    const int x = sw / 8, y = sh / 8;
    ::MoveWindow(m_hWnd, x, y, sw - 2 * x, sh - 2 * y, TRUE);
    return;
  }
  const int fx = ::GetSystemMetrics(SM_CXBORDER) + ::GetSystemMetrics(SM_CXDLGFRAME);
  const int fy = ::GetSystemMetrics(SM_CYBORDER) + ::GetSystemMetrics(SM_CYDLGFRAME);
  const int top = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYMENU);
  ::MoveWindow(m_hWnd, m.left - fx, m.top - fy - top, (m.right - m.left) + 2 * fx,
               (m.bottom - m.top) + 2 * fy + top, TRUE);
}

void CViewReportsDlg::Layout(int cx, int cy) {
  if (cx < 1 || cy < 1 || !m_pMenu) return;
  int frameHeight = 0;
  if (m_pToolFrame && m_pToolFrame->m_hWnd) {
    frameHeight = m_pToolFrame->m_ToolBarHeight + 12;
    m_pToolFrame->MoveWindow(0, 0, m_pToolFrame->m_ToolBarWidth + 23, frameHeight, TRUE);
  }
  if (HWND page = PageControl()) ::MoveWindow(page, 0, frameHeight, cx, std::max(0, cy - frameHeight), TRUE);
  if (m_RememberedWindow) {
    POINT origin{0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    g_Remembered = RECT{origin.x, origin.y, origin.x + cx, origin.y + cy};
  }
}

// ---- States --------------------------------------------------------------------

void CViewReportsDlg::ReleaseShownPage() {
  if (!m_PageBits) return;
  if (HWND page = PageControl()) ::SendMessageA(page, WM_USER + 13, 0, 0);
  ReleaseBufferPage(m_PageBuffer, 0, 1);
  m_PageBits = nullptr;
  m_PageSize = 0;
}

void CViewReportsDlg::NoFileState() {
  m_FilePath[0] = 0;
  m_Temporary = 0;
  m_PageCount = 0;
  m_CurrentPage = 0;
  SetWindowText("View Reports File");
  for (UINT id : {ID_VR_DELETE_FILE, ID_VR_COPY_FILE, ID_VR_SAVE_AS, ID_VR_VIEW_ALL, ID_VR_VIEW_FIRST})
    EnableItem(id, false);
  NoPagesState();
}

void CViewReportsDlg::NoPagesState() {
  ReleaseShownPage();
  for (UINT id : {ID_VR_SAVE_AS, ID_VR_DELETE_PAGE, ID_VR_PRINT_PAGE, ID_VR_PRINT_REPORT, ID_VR_PRINT_ALL, ID_VR_NEXT,
                  ID_VR_PREVIOUS, ID_VR_DELETE_REPORT, ID_VR_COPY_PAGE, ID_VR_COPY_REPORT, ID_VR_CLIP_BITMAP,
                  ID_VR_CLIP_PICTURE, ID_VR_CLIP_TEXT, ID_VR_CLIP_ALL, ID_VR_EXPORT_FILE})
    EnableItem(id, false);
  SetOrientationChecks();
  if (m_pToolFrame) m_pToolFrame->SetPageState(0, 0, 0);
  if (m_FilePath[0]) {
    char caption[400];
    std::snprintf(caption, sizeof caption, "No pages in %s", m_DisplayName);
    SetWindowText(caption);
  }
}

void CViewReportsDlg::SpoolerSuffix(char* text, size_t size) {
  if (m_pSpooler && m_pSpooler->spoolFile[0] && lstrcmpiA(m_FilePath, m_pSpooler->spoolFile) == 0) {
    const size_t n = std::strlen(text);
    std::snprintf(text + n, size - n, "  ( Active Spooler File )");
  }
}

void CViewReportsDlg::SetCaption(bool missing) {
  char caption[512];
  if (missing) {
    std::snprintf(caption, sizeof caption, "MISSING Page %ld of %ld in %s", long(m_CurrentPage) + 1,
                  long(m_PageCount), m_DisplayName);
    SpoolerSuffix(caption, sizeof caption);
  } else if (m_Temporary) {
    std::snprintf(caption, sizeof caption, "Page %ld of %ld of Report: %.81s", long(m_CurrentPage) + 1,
                  long(m_PageCount), m_PageRecord.title);
  } else {
    std::snprintf(caption, sizeof caption, "Page %ld of %ld in %s", long(m_CurrentPage) + 1, long(m_PageCount),
                  m_DisplayName);
    SpoolerSuffix(caption, sizeof caption);
  }
  SetWindowText(caption);
}

void CViewReportsDlg::SetOrientationChecks() {
  const int16_t p = m_pSpooler ? m_pSpooler->orientation : 0;
  CheckItem(ID_VR_PORTRAIT, p == 1);
  CheckItem(ID_VR_LANDSCAPE, p == 2);
  CheckItem(ID_VR_BEST, p != 1 && p != 2);
}

void CViewReportsDlg::ResolveOrientation() {
  const uint16_t stored = m_StoredOrientation;
  const int16_t pref = m_pSpooler ? m_pSpooler->orientation : 0;
  uint16_t shown = stored;
  if (stored == 2 || stored == 3) {
    if (pref == 1) shown = 2;
    else if (pref == 2) shown = 3;
  } else if (stored != 1) {
    shown = 0;  // an unknown word reads as fixed portrait
  }
  m_PageRecord.orientation = shown;
  m_Portrait = shown == 0 || shown == 2 ? 1 : 0;
}

void CViewReportsDlg::LoadFile(int mode, int32_t index) {
  ReleaseShownPage();
  if (!m_pFile || !m_pFile->UseThisExistingFile(m_FilePath)) {
    NoFileState();
    return;
  }
  FormatPathForDisplay(m_FilePath, m_DisplayName);
  m_CurrentPage = 0;
  m_PageCount = m_pFile->GetCountOfPages();
  if (m_PageCount <= 0) {
    m_PageCount = 0;
    NoPagesState();
  } else {
    if (mode == 2 && m_PageCount >= 2) m_CurrentPage = m_PageCount - 1;
    if (mode == 3 && index >= 0 && index < m_PageCount) m_CurrentPage = index;
    if (mode == 1 && m_PageCount >= 2) {
      // The first page of the last report.
      const int32_t last = m_PageCount - 1;
      m_CurrentPage = last;
      if (RptsPageRecord* r = m_pFile->GetSlotRange(last, last)) {
        const int32_t n = r->pageNumber;
        const uint32_t stamp = r->dateTime;
        FreeBlock(r);
        if (n >= 2) {
          const int32_t from = std::max<int32_t>(0, m_PageCount - n - 1);
          if (RptsPageRecord* rs = m_pFile->GetSlotRange(from, last - 1)) {
            for (int32_t i = from; i <= last - 1; ++i)
              if (rs[i - from].dateTime == stamp) {
                m_CurrentPage = i;
                break;
              }
            FreeBlock(rs);
          }
        }
      }
    }
    ShowCurrentPage();
  }
  EnableItem(ID_VR_DELETE_FILE, !m_Temporary);
  EnableItem(ID_VR_COPY_FILE, !m_Temporary);
  EnableItem(ID_VR_SAVE_AS, m_Temporary && m_PageCount > 0);
  EnableItem(ID_VR_VIEW_ALL, true);
  EnableItem(ID_VR_VIEW_FIRST, true);
}

void CViewReportsDlg::ShowCurrentPage() {
  ReleaseShownPage();
  RptsPageRecord record{};
  uint32_t size = 0;
  void* bits = m_pFile ? m_pFile->GetPage(m_CurrentPage, &record, &size) : nullptr;
  const bool hasNext = m_CurrentPage < m_PageCount - 1, hasPrevious = m_CurrentPage > 0;
  if (!bits) {
    std::memset(&m_PageRecord, 0, sizeof m_PageRecord);
    for (UINT id : {ID_VR_PRINT_PAGE, ID_VR_PRINT_REPORT, ID_VR_PRINT_ALL, ID_VR_COPY_PAGE, ID_VR_COPY_REPORT,
                    ID_VR_CLIP_BITMAP, ID_VR_CLIP_PICTURE, ID_VR_CLIP_TEXT, ID_VR_CLIP_ALL, ID_VR_EXPORT_FILE})
      EnableItem(id, false);
    EnableItem(ID_VR_DELETE_PAGE, true);
    EnableItem(ID_VR_DELETE_REPORT, true);
    EnableItem(ID_VR_NEXT, hasNext);
    EnableItem(ID_VR_PREVIOUS, hasPrevious);
    // The toolbar counts no page as shown: its print buttons go, delete stays.
    if (m_pToolFrame) m_pToolFrame->SetPageState(m_CurrentPage, m_PageCount, 0);
    SetCaption(true);
    return;
  }
  m_PageRecord = record;
  m_StoredOrientation = record.orientation;
  ResolveOrientation();
  if (!SetBufferPage(m_PageBuffer, 0, bits, int16_t(record.kind), 0, 2, int16_t(record.columns),
                     int16_t(record.lines), int16_t(m_PageRecord.orientation), int16_t(record.fontFlag),
                     int16_t(record.colorMode), int16_t(record.logicalWidth), int16_t(record.logicalHeight))) {
    FreeBlock(bits);
    NoPagesState();
    return;
  }
  m_PageBits = bits;
  m_PageSize = size;
  if (HWND page = PageControl()) {
    ::SendMessageA(page, WM_USER + 12, WPARAM(m_pSpooler->colorPrinting ? 1 : 0), 0);
    ::SendMessageA(page, WM_USER + 11, 0, LPARAM(m_PageBuffer));
  }
  for (UINT id : {ID_VR_PRINT_PAGE, ID_VR_PRINT_REPORT, ID_VR_PRINT_ALL, ID_VR_DELETE_PAGE, ID_VR_DELETE_REPORT,
                  ID_VR_COPY_PAGE, ID_VR_COPY_REPORT, ID_VR_CLIP_BITMAP, ID_VR_CLIP_PICTURE, ID_VR_CLIP_TEXT,
                  ID_VR_CLIP_ALL, ID_VR_EXPORT_FILE})
    EnableItem(id, true);
  EnableItem(ID_VR_NEXT, hasNext);
  EnableItem(ID_VR_PREVIOUS, hasPrevious);
  SetOrientationChecks();
  if (m_pToolFrame) m_pToolFrame->SetPageState(m_CurrentPage, m_PageCount, 1);
  SetCaption(false);
}

bool CViewReportsDlg::ReportRange(int32_t* first, int32_t* last) {
  const int32_t n = m_PageRecord.pageNumber;
  const int32_t start = n > 1 ? std::max<int32_t>(0, m_CurrentPage - (n - 1)) : m_CurrentPage;
  const int32_t end = m_PageCount - 1;
  *first = *last = m_CurrentPage;
  if (start >= end) {
    *first = *last = std::min(start, std::max(end, 0));
    return true;
  }
  const uint32_t stamp = m_PageRecord.dateTime;
  bool found = false;
  int32_t f = start, l = end;
  for (int32_t w = start; w <= end; w += kRangeWindow) {
    const int32_t to = std::min(end, w + kRangeWindow - 1);
    RptsPageRecord* r = m_pFile->GetSlotRange(w, to);
    if (!r) return false;  // the current page alone
    for (int32_t i = w; i <= to; ++i) {
      if (!found) {
        if (r[i - w].dateTime == stamp) {
          f = i;
          found = true;
        }
      } else if (r[i - w].dateTime != stamp) {
        FreeBlock(r);
        *first = f;
        *last = i - 1;
        return true;
      }
    }
    FreeBlock(r);
  }
  *first = f;
  *last = l;
  return true;
}

// ---- Commands -------------------------------------------------------------------

BOOL CViewReportsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1 || id == ID_VR_HELP)
    if (Command(id)) return TRUE;
  return CDialog::OnCommand(wParam, lParam);
}

bool CViewReportsDlg::Command(UINT id) {
  switch (id) {
    case ID_VR_LOAD_FILE: LoadFileCommand(); return true;
    case ID_VR_VIEW_ALL:
    case ID_VR_VIEW_FIRST: {
      int32_t page = m_CurrentPage;
      const int ok = id == ID_VR_VIEW_ALL ? Dlg_ViewReportsFile(m_pFile, m_CurrentPage, &page)
                                          : Dlg_ViewFirstPages(m_pFile, m_CurrentPage, &page);
      if (ok && page >= 0 && page < m_PageCount) {
        m_CurrentPage = page;
        ShowCurrentPage();
      }
      return true;
    }
    case ID_VR_SAVE_AS: SaveAs(); return true;
    case ID_VR_DELETE_FILE: DeleteFileCommand(); return true;
    case ID_VR_COPY_FILE: CopyFileCommand(); return true;
    case ID_VR_PRINT_PAGE: PrintPage(); return true;
    case ID_VR_PRINT_REPORT: {
      if (!m_PageBits || Printing()) {
        ::MessageBeep(MB_OK);
        return true;
      }
      int32_t first = m_CurrentPage, last = m_CurrentPage;
      ReportRange(&first, &last);
      StartThreadedPrint(first, last, last + 1 - first, 0);
      return true;
    }
    case ID_VR_PRINT_ALL: {
      if (!m_PageBits || Printing()) {
        ::MessageBeep(MB_OK);
        return true;
      }
      int32_t first = 0, last = 0;
      if (!Dlg_SelectFileEntryIndexRangeEx("Select Page Range", m_FilePath, m_PageCount, &first, &last, 0, 1,
                                           m_PageCount))
        return true;
      // The range comes back as typed; pages print in order.
      if (first > last) std::swap(first, last);
      // The bar counts the chosen pages, not the file's.
      StartThreadedPrint(first - 1, last - 1, last - first + 1, 1);
      return true;
    }
    case ID_VR_PRINTER_SETUP: PrinterSetupDialog(m_hWnd, 0); return true;
    case ID_VR_PAGE_SETUP: {
      uint16_t l = uint16_t(m_pSpooler->marginLeft), r = uint16_t(m_pSpooler->marginRight);
      uint16_t t = uint16_t(m_pSpooler->marginTop), b = uint16_t(m_pSpooler->marginBottom);
      if (Dlg_EditPageMargins(&l, &r, &t, &b)) {
        m_pSpooler->marginLeft = int16_t(l);
        m_pSpooler->marginRight = int16_t(r);
        m_pSpooler->marginTop = int16_t(t);
        m_pSpooler->marginBottom = int16_t(b);
        WriteDefaultsWhenFlagged();
      }
      return true;
    }
    case ID_VR_PREVIEW:
      m_pSpooler->previewReports = m_pSpooler->previewReports ? 0 : 1;
      WriteDefaultsWhenFlagged();
      CheckItem(ID_VR_PREVIEW, m_pSpooler->previewReports != 0);
      return true;
    case ID_VR_NEXT:
      if (m_CurrentPage + 1 < m_PageCount) {
        ++m_CurrentPage;
        ShowCurrentPage();
      }
      return true;
    case ID_VR_PREVIOUS:
      if (m_CurrentPage > 0) {
        --m_CurrentPage;
        ShowCurrentPage();
      }
      return true;
    case ID_VR_COLOR:
    case ID_VR_MONOCHROME: {
      const bool colour = id == ID_VR_COLOR;
      m_pSpooler->colorPrinting = colour ? 1 : 0;
      WriteDefaultsWhenFlagged();
      if (HWND page = PageControl()) ::SendMessageA(page, WM_USER + 12, colour ? 1 : 0, 0);
      CheckItem(ID_VR_COLOR, colour);
      CheckItem(ID_VR_MONOCHROME, !colour);
      return true;
    }
    case ID_VR_BEST: Orientation(0); return true;
    case ID_VR_PORTRAIT: Orientation(1); return true;
    case ID_VR_LANDSCAPE: Orientation(2); return true;
    case ID_VR_DELETE_PAGE: DeletePage(); return true;
    case ID_VR_DELETE_REPORT: DeleteReport(); return true;
    case ID_VR_COPY_PAGE: CopyPage(); return true;
    case ID_VR_COPY_REPORT: CopyReport(); return true;
    case ID_VR_CLIP_BITMAP:
    case ID_VR_CLIP_PICTURE:
    case ID_VR_CLIP_TEXT:
    case ID_VR_CLIP_ALL: {
      if (!m_PageBits) return true;
      const int16_t flags = id == ID_VR_CLIP_BITMAP ? 1 : id == ID_VR_CLIP_PICTURE ? 2 : id == ID_VR_CLIP_TEXT ? 4 : 7;
      const int16_t cols = int16_t(m_PageRecord.columns), lines = int16_t(m_PageRecord.lines);
      ExportBufferPage(PageControl(), flags, m_PageBuffer, 0, 1, m_pSpooler->colorPrinting, 0, cols, cols, 0, lines,
                       lines);
      return true;
    }
    case ID_VR_EXPORT_FILE: ExportToFile(); return true;
    case ID_VR_EXIT: EndDialog(1); return true;
    case ID_VR_HELP: KELT_ShowHelpTopic(kHelpContext, 1); return true;
    case 609: kelt::pages::WhatsThisHelp(this, m_ContextPoint, kHelpContext); return true;
    default: return false;
  }
}

void CViewReportsDlg::Orientation(uint16_t preference) {
  m_pSpooler->orientation = int16_t(preference);
  WriteDefaultsWhenFlagged();
  if (m_PageBits) {
    const uint16_t before = m_PageRecord.orientation;
    uint16_t shown = before;
    if (preference == 1 && before == 3) shown = 2;
    else if (preference == 2 && before == 2) shown = 3;
    else if (preference == 0 && before != m_StoredOrientation) shown = m_StoredOrientation;
    m_PageRecord.orientation = shown;
    if (preference == 0) ResolveOrientation();
    m_Portrait = m_PageRecord.orientation == 0 || m_PageRecord.orientation == 2 ? 1 : 0;
    if (m_PageRecord.orientation != before) {
      SetBufferPageAttribute(m_PageBuffer, 0, 2, int16_t(m_PageRecord.orientation));
      if (HWND page = PageControl()) ::SendMessageA(page, WM_USER + 11, 0, LPARAM(m_PageBuffer));
    }
  }
  SetOrientationChecks();
}

void CViewReportsDlg::LoadFileCommand() {
  char path[MAX_PATH] = {};
  int32_t page = 0;
  if (!m_Temporary) {
    std::snprintf(path, sizeof path, "%s", m_FilePath);
    page = m_CurrentPage;
  }
  if (!Dlg_SelectReportsFile(m_hWnd, path, 0, &page)) return;
  if (lstrcmpiA(path, m_FilePath) != 0) {
    ReleaseShownPage();
    if (m_Temporary && Exists(m_FilePath)) DeleteFileA(m_FilePath);
    std::snprintf(m_FilePath, sizeof m_FilePath, "%s", path);
    m_Temporary = 0;
  }
  LoadFile(3, page);
}

bool CViewReportsDlg::DeleteShownFile() {
  ReleaseShownPage();
  if (m_pFile) m_pFile->Close();
  const bool ok = !Exists(m_FilePath) || DeleteFileA(m_FilePath);
  NoFileState();
  return ok;
}

void CViewReportsDlg::DeleteFileCommand() {
  if (!m_FilePath[0] || m_Temporary) return;
  char text[400], caption[512] = {};
  std::snprintf(text, sizeof text, "Delete %s ?", m_DisplayName);
  ::GetWindowTextA(m_hWnd, caption, sizeof caption);
  if (::MessageBoxA(m_hWnd, text, caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  DeleteShownFile();
}

// Save As moves the shown (temporary) file to the chosen name and goes on
// showing it there. The shown file's own name is refused: the move would
// start by deleting the very file it moves.
void CViewReportsDlg::SaveAs() {
  if (!m_FilePath[0]) return;
  char name[MAX_PATH] = {};
  if (!Dlg_SelectSaveAsFile(m_hWnd, 11, name, 1, nullptr)) return;
  if (SameFile(name, m_FilePath)) {
    KELT_ShowDoneStatus(0);
    return;
  }
  ReleaseShownPage();
  if (m_pFile) m_pFile->Close();
  const bool moved = MoveFileExA(m_FilePath, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
  if (moved) {
    std::snprintf(m_FilePath, sizeof m_FilePath, "%s", name);
    m_Temporary = 0;
  }
  LoadFile(3, m_CurrentPage);
  KELT_ShowDoneStatus(moved ? 1 : 0);
}

void CViewReportsDlg::CopyFileCommand() {
  if (!m_FilePath[0] || m_Temporary) return;
  char name[MAX_PATH] = {};
  bool ok = false;
  if (Dlg_SelectSaveAsFile(m_hWnd, 11, name, 1, nullptr) && !SameFile(name, m_FilePath))
    ok = CopyFileA(m_FilePath, name, FALSE) != FALSE;
  KELT_ShowDoneStatus(ok ? 1 : 0);
}

void CViewReportsDlg::PrintPage() {
  if (!m_PageBits) return;
  HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  const int ok = MSR_PrintFile(nullptr, 0, 0, m_FilePath, m_CurrentPage, m_CurrentPage, PrintPrefs());
  ::SetCursor(old);
  KELT_ShowDoneStatus(ok ? 1 : 0);
}

void CViewReportsDlg::StartThreadedPrint(int32_t first, int32_t last, int32_t statusCount, int16_t printFile) {
  if (!m_pJob || Printing() || first < 0 || last < first) return;
  std::memset(m_pJob, 0, sizeof *m_pJob);
  ResetEvent(m_DoneEvent);
  ResetEvent(m_AbortEvent);
  HWND statusWindow = nullptr;
  if (statusCount > 1) {
    m_pJob->status = Dlg_OpenPrintReportsStatus(this, printFile, statusCount, m_AbortEvent, &statusWindow);
  } else {
    m_pJob->savedCursor = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    if (!m_pJob->savedCursor) m_pJob->savedCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  }
  m_pJob->statusWindow = statusWindow;
  std::snprintf(m_pJob->path, sizeof m_pJob->path, "%s", m_FilePath);
  m_pJob->pageCount = statusCount;
  m_pJob->firstPage = first;
  m_pJob->lastPage = last;
  m_pJob->prefs = PrintPrefs();
  m_pJob->doneEvent = m_DoneEvent;
  m_pJob->result = 0;
  m_Worker = CreateThread(nullptr, 0, ViewerPrintThreadProc, m_pJob, 0, nullptr);
  if (!m_Worker) {
    OnPrintDone();
    KELT_ShowDoneStatus(0);
    return;
  }
  SetTimer(VIEWER_PRINT_TIMER, 4, nullptr);
}

void CViewReportsDlg::OnTimerTick() {
  if (WaitForSingleObject(m_AbortEvent, 0) == WAIT_OBJECT_0) {
    KELT_AbortPrintReportsStatus(nullptr, -2);
    return;
  }
  if (WaitForSingleObject(m_DoneEvent, 0) == WAIT_OBJECT_0) {
    ::PostMessageA(m_hWnd, VIEWER_PRINT_DONE, 0, 0);
    KillTimer(VIEWER_PRINT_TIMER);
  }
}

void CViewReportsDlg::OnPrintDone() {
  if (m_Worker) {
    WaitForSingleObject(m_Worker, INFINITE);
    CloseHandle(m_Worker);
    m_Worker = nullptr;
    m_LastPrintResult = m_pJob ? m_pJob->result : 0;
  }
  if (!m_pJob) return;
  if (!m_pJob->savedCursor) {
    if (m_pJob->status) Dlg_ClosePrintReportsStatus(m_pJob->status);
  } else {
    ::SetCursor(m_pJob->savedCursor);
  }
  m_pJob->status = nullptr;
  m_pJob->statusWindow = nullptr;
  m_pJob->savedCursor = nullptr;
}

// Closing while a print runs: the print is stopped and its worker waited
// for, serving what it sends to the status window meanwhile, before the
// job, the events and the window go.
void CViewReportsDlg::WaitForWorker() {
  if (!m_Worker) return;
  for (;;) {
    KELT_AbortPrintReportsStatus(nullptr, -2);
    if (WaitForSingleObject(m_Worker, 5) != WAIT_TIMEOUT) break;
    MSG m;
    ::PeekMessageA(&m, nullptr, 0x7FFF, 0x7FFF, PM_NOREMOVE);  // serves sent messages only
  }
  if (m_hWnd) KillTimer(VIEWER_PRINT_TIMER);
  OnPrintDone();
}

void CViewReportsDlg::DeletePage() {
  if (m_PageCount <= 0) return;
  char caption[512] = {};
  ::GetWindowTextA(m_hWnd, caption, sizeof caption);
  if (::MessageBoxA(m_hWnd, "Delete this page?", caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  if (Printing()) {
    ::MessageBeep(MB_OK);
    return;
  }
  if (m_PageCount == 1) {
    DeleteShownFile();
    return;
  }
  if (!m_pFile->DeletePage(m_CurrentPage)) return;
  --m_PageCount;
  if (m_CurrentPage == m_PageCount) --m_CurrentPage;
  ShowCurrentPage();
}

void CViewReportsDlg::DeleteReport() {
  if (m_PageCount <= 0) return;
  char caption[512] = {};
  ::GetWindowTextA(m_hWnd, caption, sizeof caption);
  if (::MessageBoxA(m_hWnd, "Delete this report?", caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  if (Printing()) {
    ::MessageBeep(MB_OK);
    return;
  }
  int32_t first = m_CurrentPage, last = m_CurrentPage;
  ReportRange(&first, &last);
  if (first == 0 && last == m_PageCount - 1) {
    DeleteShownFile();
    return;
  }
  for (int32_t i = first; i <= last; ++i)
    if (!m_pFile->DeletePage(first)) {
      LoadFile(0, 0);
      return;
    }
  m_PageCount -= last - first + 1;
  m_CurrentPage = first < m_PageCount ? first : m_PageCount - 1;
  ShowCurrentPage();
}

void CViewReportsDlg::CopyPage() {
  CRptsFileHandler* source = new (std::nothrow) CRptsFileHandler(nullptr);
  if (!source) return;
  bool done = false;
  if (source->UseThisExistingFile(m_FilePath)) {
    RptsPageRecord r{};
    uint32_t size = 0;
    if (void* bits = source->GetPage(m_CurrentPage, &r, &size)) {
      CRptsFileHandler target(nullptr);
      if (target.LetUserSelectExistingFile()) {
        done = target.AddPageToFile(bits, size, r.kind, r.columns, r.lines, r.orientation, r.fontFlag, r.colorMode,
                                    r.logicalWidth, r.logicalHeight, r.pageNumber, r.dateTime, r.title) != 0;
        KELT_ShowDoneStatus(done ? 1 : 0);
      }
      FreeBlock(bits);
    }
  }
  delete source;
}

void CViewReportsDlg::CopyReport() {
  int32_t first = m_CurrentPage, last = m_CurrentPage;
  ReportRange(&first, &last);
  CRptsFileHandler target(nullptr);
  bool done = false;
  if (target.LetUserSelectExistingFile()) {
    done = true;
    for (int32_t i = first; i <= last && done; ++i) {
      RptsPageRecord r{};
      uint32_t size = 0;
      void* bits = m_pFile->GetPage(i, &r, &size);
      if (!bits) {
        done = false;
        break;
      }
      done = target.AddPageToFile(bits, size, r.kind, r.columns, r.lines, r.orientation, r.fontFlag, r.colorMode,
                                  r.logicalWidth, r.logicalHeight, r.pageNumber, r.dateTime, r.title) != 0;
      FreeBlock(bits);
    }
  }
  KELT_ShowDoneStatus(done ? 1 : 0);
}

void CViewReportsDlg::ExportToFile() {
  if (!m_PageBits) return;
  if (m_PageRecord.kind != 2) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, m_PageSize);
    if (!block) return;
    if (void* p = GlobalLock(block)) {
      std::memcpy(p, m_PageBits, m_PageSize);
      GlobalUnlock(block);
      SavePictureToFile(m_hWnd, block, int16_t(m_PageRecord.kind), m_pSpooler->colorPrinting,
                        int16_t(m_PageRecord.logicalWidth), int16_t(m_PageRecord.logicalHeight));
    }
    GlobalFree(block);
    return;
  }
  int32_t first = m_CurrentPage, last = m_CurrentPage;
  ReportRange(&first, &last);
  char name[MAX_PATH] = {};
  if (!Dlg_SelectSaveAsFileExEx(m_hWnd, 8, name, 1, 0, "-XXXXX", 0)) return;
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    KELT_ShowDoneStatus(0);
    return;
  }
  bool ok = true;
  for (int32_t i = first; i <= last && ok; ++i) {
    RptsPageRecord r{};
    uint32_t size = 0;
    void* bits = m_pFile->GetPage(i, &r, &size);
    if (!bits) continue;  // a page that cannot be read is left out
    void* text = nullptr;
    uint32_t length = 0;
    if (!PageToText(bits, int16_t(r.columns), int16_t(r.lines), "\r\n", 1, &text, &length) || !text) {
      ok = false;
    } else {
      DWORD written = 0;
      if (!WriteFile(file, text, length, &written, nullptr) || written != length) ok = false;
      FreeBlock(text);
    }
    FreeBlock(bits);
  }
  CloseHandle(file);
  KELT_ShowDoneStatus(ok ? 1 : 0);
}

// ---- Messages -------------------------------------------------------------------

void CViewReportsDlg::OnCancel() { EndDialog(IDCANCEL); }

BOOL CViewReportsDlg::PreTranslateMessage(MSG* msg) { return CWnd::PreTranslateMessage(msg); }

LRESULT CViewReportsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      if (LOWORD(lParam) >= 1 && HIWORD(lParam) >= 1) Layout(LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_MOVE:
      if (m_RememberedWindow && m_pMenu && m_pToolFrame && short(LOWORD(lParam)) >= 1 && short(HIWORD(lParam)) >= 1) {
        const int w = g_Remembered.right - g_Remembered.left, h = g_Remembered.bottom - g_Remembered.top;
        g_Remembered = RECT{short(LOWORD(lParam)), short(HIWORD(lParam)), short(LOWORD(lParam)) + w,
                            short(HIWORD(lParam)) + h};
      }
      break;
    case WM_TIMER:
      if (wParam == VIEWER_PRINT_TIMER) {
        OnTimerTick();
        return 0;
      }
      break;
    case VIEWER_PRINT_DONE: OnPrintDone(); return 0;
    case WM_INITMENUPOPUP: {
      if (HMENU system = ::GetSystemMenu(m_hWnd, FALSE))
        ::EnableMenuItem(system, kSystemMinimize, MF_BYCOMMAND | MF_GRAYED);
      // One print at a time: the threaded prints wait for the running one.
      if (Printing())
        for (UINT id : {ID_VR_PRINT_REPORT, ID_VR_PRINT_ALL, ID_VR_DELETE_PAGE, ID_VR_DELETE_REPORT})
          EnableItem(id, false);
      else if (m_PageBits)
        for (UINT id : {ID_VR_PRINT_REPORT, ID_VR_PRINT_ALL, ID_VR_DELETE_PAGE, ID_VR_DELETE_REPORT})
          EnableItem(id, true);
      break;
    }
    case WM_CONTEXTMENU: kelt::pages::TrackWhatsThisMenu(this, lParam, &m_ContextPoint); return 0;
    case WM_DESTROY: {
      WaitForWorker();
      ReleaseShownPage();
      if (m_Temporary && Exists(m_FilePath)) DeleteFileA(m_FilePath);
      if (m_pMenu) {
        ::SetMenu(m_hWnd, nullptr);
        m_pMenu->DestroyMenu();
        delete m_pMenu;
        m_pMenu = nullptr;
      }
      if (m_pToolFrame) {
        if (m_pToolFrame->m_hWnd) m_pToolFrame->DestroyWindow();
        delete m_pToolFrame;
        m_pToolFrame = nullptr;
        m_pToolBar = nullptr;
      }
      CleanUp();
      break;
    }
    default: break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

void CViewReportsDlg::CleanUp() {
  WaitForWorker();
  delete m_pFile;
  m_pFile = nullptr;
  if (m_PageBuffer) {
    RPTS_MarkAllBufferPages(m_PageBuffer);
    FreePageBuffer(m_PageBuffer);
    m_PageBuffer = nullptr;
    m_PageBits = nullptr;
  }
  if (m_pJob) FreeBlock(m_pJob);
  m_pJob = nullptr;
  if (m_DoneEvent) CloseHandle(m_DoneEvent);
  if (m_AbortEvent) CloseHandle(m_AbortEvent);
  m_DoneEvent = m_AbortEvent = nullptr;
  delete m_pMenu;
  m_pMenu = nullptr;
}

// ---- Entry points ---------------------------------------------------------------

void RPTS_MarkAllBufferPages(void* pageBuffer) {
  if (!pageBuffer) return;
  const int32_t n = CountBufferPages(pageBuffer, 2);
  for (int32_t i = 0; i < n; ++i) ReleaseBufferPage(pageBuffer, i, 1);
  ReleaseBufferPage(pageBuffer, -1, 0);
}

namespace {
int RunViewer(const char* path, int16_t temporary, const STRUCT_REPORT_PREFS* prefs, int16_t menuVariant,
              int16_t remembered) {
  try {
    STRUCT_REPORT_PREFS copy{};
    if (prefs) copy = *prefs;
    else KELT_GetCurrDefReportPrefs(&copy);
    CViewReportsDlg dlg;
    std::snprintf(dlg.m_FilePath, sizeof dlg.m_FilePath, "%s", path ? path : "");
    dlg.m_Temporary = temporary ? 1 : 0;
    dlg.m_pPrefs = &copy;
    dlg.m_MenuVariant = uint16_t(menuVariant);
    dlg.m_RememberedWindow = uint16_t(remembered);
    dlg.DoModal();
    return 1;
  } catch (...) {
    return 0;
  }
}
}  // namespace

int Dlg_ViewReportsAlways(const char* path, int16_t temporary, const STRUCT_REPORT_PREFS* prefs,
                          int16_t menuVariant) {
  return RunViewer(path, temporary, prefs, menuVariant, 0);
}
int Dlg_ViewReportsAlwaysSpecial(const char* path, int16_t temporary, const STRUCT_REPORT_PREFS* prefs,
                                 int16_t menuVariant) {
  return RunViewer(path, temporary, prefs, menuVariant, 1);
}
