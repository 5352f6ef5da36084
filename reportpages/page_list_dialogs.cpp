// The two page list dialogs and their entry points.
#include "reportpages/page_list_dialogs.h"

#include <cstdio>
#include <cstring>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "orvik32/orvik32.h"
#include "reportpages/dialog_help.h"
#include "win/win_commctrl.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr int kTextSize = 100;
constexpr int32_t kDirectoryWindow = 50;

void EnsureTemplate(int id, const char* caption, int list, int status) {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, id)) return;
  DialogTemplate t;
  t.caption = caption;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 482;
  t.cy = 236;
  const DWORD listStyle = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_OWNERDATA |
                          WS_BORDER | WS_TABSTOP | WS_VISIBLE;
  t.items = {
      {list, WC_LISTVIEWA, "", listStyle, 0, 7, 7, 468, 196},
      {status, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 214, 280, 10},
      {3000, "Button", "&Help", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 313, 212, 50, 14},
      {IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 369, 212, 50, 14},
      {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 425, 212, 50, 14},
  };
  AddDialog(module, id, t);
}

}  // namespace

CViewAllPagesDlg::CViewAllPagesDlg(CWnd* parent)
    : CViewAllPagesDlg(VIEW_ALL_PAGES_DIALOG, parent, IDC_ALL_PAGES_LIST, IDC_ALL_PAGES_STATUS, 133) {}

CViewAllPagesDlg::CViewAllPagesDlg(UINT templateId, CWnd* parent, int listId, int statusId, uint32_t helpContext)
    : CDialog(templateId, parent), m_ListId(listId), m_StatusId(statusId), m_HelpContext(helpContext) {
  if (templateId == VIEW_ALL_PAGES_DIALOG)
    EnsureTemplate(VIEW_ALL_PAGES_DIALOG, "View All Pages of Report File", IDC_ALL_PAGES_LIST, IDC_ALL_PAGES_STATUS);
  else
    EnsureTemplate(VIEW_FIRST_PAGES_DIALOG, "View First Pages of Report File", IDC_FIRST_PAGES_LIST,
                   IDC_FIRST_PAGES_STATUS);
}

CViewAllPagesDlg::~CViewAllPagesDlg() { FreeAll(); }

void CViewAllPagesDlg::ReleaseRecord() {
  if (m_Record) FreeBlock(m_Record);
  m_Record = nullptr;
}

void CViewAllPagesDlg::FreeAll() {
  ReleaseRecord();
  if (m_Text) FreeBlock(m_Text);
  m_Text = nullptr;
}

bool CViewAllPagesDlg::SetUpList() {
  m_Text = static_cast<char*>(AllocBlock(kTextSize));
  if (!m_Text) return false;
  HWND list = ::GetDlgItem(m_hWnd, m_ListId);
  HWND help = ::GetDlgItem(m_hWnd, 3000);
  if (!list) return false;
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  RECT helpRc{}, listRc{};
  if (help) ::GetClientRect(help, &helpRc);
  ::GetClientRect(list, &listRc);
  const int unit = helpRc.right - helpRc.left;
  const int widths[3] = {unit / 2, unit * 2, int(listRc.right - listRc.left) - unit / 2 - unit * 2};
  const char* names[3] = {"Page", "Date", "Report Title"};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    c.fmt = LVCFMT_LEFT;
    c.cx = widths[i] > 0 ? widths[i] : 10;
    c.pszText = const_cast<char*>(names[i]);
    ::SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(i), LPARAM(&c));
  }
  return true;
}

void CViewAllPagesDlg::ShowRow(int32_t row) {
  HWND list = ::GetDlgItem(m_hWnd, m_ListId);
  if (!list || row < 0 || row >= RowCount()) return;
  LVITEMA it{};
  it.state = LVIS_SELECTED | LVIS_FOCUSED;
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), LPARAM(&it));
  ::SendMessageA(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
}

BOOL CViewAllPagesDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!SetUpList()) {
    EndDialog(0);
    return TRUE;
  }
  m_PageCount = m_File ? m_File->GetCountOfPages() : 0;
  if (m_PageCount < 0) m_PageCount = 0;
  SendDlgItemMessage(m_ListId, LVM_SETITEMCOUNT, WPARAM(m_PageCount), 0);
  char status[64];
  std::snprintf(status, sizeof status, "Report Pages: %ld", long(m_PageCount));
  SetDlgItemText(m_StatusId, status);
  ShowRow(m_PageIndex);
  return TRUE;
}

void CViewAllPagesDlg::OnGetDispInfo(NMHDR* hdr, LRESULT* result) {
  *result = 0;
  auto* di = reinterpret_cast<NMLVDISPINFOA*>(hdr);
  if (!(di->item.mask & LVIF_TEXT) || !di->item.pszText || di->item.cchTextMax <= 0 || !m_Text) return;
  m_Text[0] = 0;
  const int32_t row = di->item.iItem;
  switch (di->item.iSubItem) {
    case 0: {
      ReleaseRecord();
      const int32_t page = row >= 0 && row < RowCount() ? PageOfRow(row) : -1;
      if (page >= 0 && m_File) m_Record = m_File->GetSlotRange(page, page);
      if (m_Record) std::snprintf(m_Text, kTextSize, "%ld", long(page) + 1);
      break;
    }
    case 1:
      if (m_Record) {
        char date[40] = {}, time[40] = {};
        const time32_t stamp = time32_t(m_Record->dateTime);
        if (KELT_FormatDateTimeFromLong(&stamp, date, time)) std::snprintf(m_Text, kTextSize, "%s %s", date, time);
      }
      break;
    case 2:
      if (m_Record) {
        std::snprintf(m_Text, kTextSize, "%.80s", m_Record->title);
        ReleaseRecord();
      }
      break;
    default: break;
  }
  std::snprintf(di->item.pszText, size_t(di->item.cchTextMax), "%s", m_Text);
}

void CViewAllPagesDlg::OnItemChanged(NMHDR* hdr, LRESULT* result) {
  *result = 0;
  auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
  if (nm->iItem >= 0 && nm->iItem < RowCount() && nm->uNewState == (LVIS_SELECTED | LVIS_FOCUSED))
    Selected(nm->iItem);
}

void CViewAllPagesDlg::OnHelp() { KELT_ShowHelpTopic(m_HelpContext, 1); }
LRESULT CViewAllPagesDlg::OnContextMenu(WPARAM, LPARAM l) {
  kelt::pages::TrackWhatsThisMenu(this, l, &m_MenuPoint);
  return 0;
}
void CViewAllPagesDlg::OnWhatsThis() { kelt::pages::WhatsThisHelp(this, m_MenuPoint, m_HelpContext); }

LRESULT CViewAllPagesDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr && int(hdr->idFrom) == m_ListId) {
      LRESULT r = 0;
      if (hdr->code == LVN_GETDISPINFOA) {
        OnGetDispInfo(hdr, &r);
        return r;
      }
      if (hdr->code == LVN_ITEMCHANGED) {
        OnItemChanged(hdr, &r);
        return r;
      }
    }
  }
  if (msg == WM_DESTROY) FreeAll();
  return CDialog::WindowProc(msg, wParam, lParam);
}

BEGIN_MESSAGE_MAP(CViewAllPagesDlg, CDialog)
ON_COMMAND(3000, OnHelp)
ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
ON_COMMAND(609, OnWhatsThis)
END_MESSAGE_MAP()

CViewFirstPagesDlg::CViewFirstPagesDlg(CWnd* parent)
    : CViewAllPagesDlg(VIEW_FIRST_PAGES_DIALOG, parent, IDC_FIRST_PAGES_LIST, IDC_FIRST_PAGES_STATUS, 134) {}

CViewFirstPagesDlg::~CViewFirstPagesDlg() {
  if (m_FirstPages) FreeBlock(m_FirstPages);
}

int32_t CViewFirstPagesDlg::PageOfRow(int32_t row) const {
  return m_FirstPages && row >= 0 && row < m_ReportCount ? m_FirstPages[row] : -1;
}

BOOL CViewFirstPagesDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!SetUpList()) {
    EndDialog(0);
    return TRUE;
  }
  m_PageCount = m_File ? m_File->GetCountOfPages() : 0;
  if (m_PageCount <= 0) {
    EndDialog(0);
    return TRUE;
  }
  m_FirstPages = static_cast<int32_t*>(AllocBlock(uint32_t(m_PageCount) * 4 + 20));
  if (!m_FirstPages) {
    EndDialog(0);
    return TRUE;
  }
  m_ReportCount = 0;
  uint32_t previous = 0;
  for (int32_t first = 0; first < m_PageCount; first += kDirectoryWindow) {
    const int32_t last = first + kDirectoryWindow - 1 < m_PageCount ? first + kDirectoryWindow - 1 : m_PageCount - 1;
    RptsPageRecord* window = m_File->GetSlotRange(first, last);
    if (!window) {
      EndDialog(0);
      return TRUE;
    }
    for (int32_t i = first; i <= last; ++i) {
      const uint32_t stamp = window[i - first].dateTime;
      // The file's first page always starts a report, whatever its time.
      if (i == 0 || stamp != previous) m_FirstPages[m_ReportCount++] = i;
      previous = stamp;
      if (i == m_PageIndex) m_SelectedRow = m_ReportCount - 1;
    }
    FreeBlock(window);
  }
  SendDlgItemMessage(m_ListId, LVM_SETITEMCOUNT, WPARAM(m_ReportCount), 0);
  char status[80];
  std::snprintf(status, sizeof status, "Reports: %ld,  Pages: %ld", long(m_ReportCount), long(m_PageCount));
  SetDlgItemText(m_StatusId, status);
  ShowRow(m_SelectedRow);
  return TRUE;
}

void CViewFirstPagesDlg::OnOK() {
  const int32_t page = PageOfRow(m_SelectedRow);
  if (page >= 0) m_PageIndex = page;
  CDialog::OnOK();
}

namespace {
template <class Dialog>
int RunPageList(CRptsFileHandler* file, int32_t page, int32_t* pageOut) {
  if (!file || !file->IsOpen()) return 0;
  try {
    Dialog dlg;
    dlg.m_File = file;
    dlg.m_PageIndex = page;
    if (dlg.DoModal() != IDOK) return 0;
    if (pageOut) *pageOut = dlg.m_PageIndex;
    return 1;
  } catch (...) {
    return 0;
  }
}
}  // namespace

int Dlg_ViewReportsFile(CRptsFileHandler* file, int32_t page, int32_t* pageOut) {
  return RunPageList<CViewAllPagesDlg>(file, page, pageOut);
}
int Dlg_ViewFirstPages(CRptsFileHandler* file, int32_t page, int32_t* pageOut) {
  return RunPageList<CViewFirstPagesDlg>(file, page, pageOut);
}
