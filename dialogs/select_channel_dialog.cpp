// The channel picker of the multiple-files dialog.
#include "dialogs/select_channel_dialog.h"

#include <cstdio>
#include <cstring>

#include "common/library_state.h"
#include "common/display_helpers.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_commctrl.h"
#include "win/win_gdi.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, SELECT_CHANNEL_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Select Channel";
  t.cx = 220;
  t.cy = 150;
  t.items = {
      {IDC_SCH_CURRENT, "Static", "", WS_VISIBLE | SS_CENTER, 0, 6, 6, 148, 10},
      {IDC_SCH_LIST, "SysListView32", "",
       WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA |
           LVS_NOSORTHEADER,
       0, 6, 20, 148, 124},
      {IDOK, "Button", "OK", kPush | BS_DEFPUSHBUTTON, 0, 160, 6, 54, 14},
      {IDCANCEL, "Button", "Cancel", kPush, 0, 160, 24, 54, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", kPush, 0, 160, 42, 54, 14},
  };
  AddDialog(module, SELECT_CHANNEL_DIALOG_ID, t);
}

}  // namespace

CSelectChannelDlg::CSelectChannelDlg() = default;

CSelectChannelDlg::~CSelectChannelDlg() {
  if (m_font) DeleteObject(m_font);
  if (m_workFile) FreeWorkFileStruct(m_workFile);
  if (m_text) FreeBlock(m_text);
}

INT_PTR CSelectChannelDlg::Run() {
  AddTemplate();
  if (!kelt::dlg::InitModalFromLibrary(this, SELECT_CHANNEL_DIALOG_ID, nullptr)) return IDCANCEL;
  return DoModal();
}

int CSelectChannelDlg::ChannelCount() const {
  return m_workFile && m_workFile->channelTable ? m_workFile->channelTable->channelCount : 0;
}

void CSelectChannelDlg::ShowCurrent() {
  char line[100] = "";
  if (m_channel >= 0 && m_channel < ChannelCount())
    std::snprintf(line, sizeof line, "Current Channel: %.20s",
                  DetectorChannelAt(m_workFile->channelTable, m_channel)->name);
  SetDlgItemText(IDC_SCH_CURRENT, line);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), m_channel >= 0 && m_channel < ChannelCount() ? TRUE : FALSE);
}

BOOL CSelectChannelDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_text = static_cast<char*>(AllocBlock(500));
  if (m_path[0]) m_workFile = MakeWorkFileStruct(m_path, 0);
  if (!m_workFile) {
    ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), FALSE);
    return TRUE;
  }
  HWND list = ::GetDlgItem(m_hWnd, IDC_SCH_LIST);
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  RECT r{};
  ::GetClientRect(list, &r);
  const int half = (r.right - r.left - GetSystemMetrics(SM_CXVSCROLL)) / 2;
  LVCOLUMNA c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH;
  c.cx = half;
  c.pszText = const_cast<char*>("Index");
  ::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&c));
  c.cx = r.right - r.left - half;
  c.pszText = const_cast<char*>("Name");
  ::SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&c));
  m_font = KELT_CreateGlobalFont();
  if (m_font) ::SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
  ::SendMessageA(list, LVM_SETITEMCOUNT, WPARAM(ChannelCount()), 0);
  if (m_channel >= 0 && m_channel < ChannelCount()) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, WPARAM(m_channel), reinterpret_cast<LPARAM>(&item));
    ::SendMessageA(list, LVM_ENSUREVISIBLE, WPARAM(m_channel), FALSE);
  }
  ShowCurrent();
  PositionDialog(m_hWnd, nullptr);
  return TRUE;
}

BOOL CSelectChannelDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
  if (hdr && hdr->idFrom == IDC_SCH_LIST) {
    if (hdr->code == LVN_GETDISPINFOA) {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
      const int i = info->item.iItem;
      if ((info->item.mask & LVIF_TEXT) && m_text && i >= 0 && i < ChannelCount()) {
        if (info->item.iSubItem == 0) std::snprintf(m_text, 500, "%d", i + 1);
        else std::snprintf(m_text, 500, "%.20s", DetectorChannelAt(m_workFile->channelTable, i)->name);
        info->item.pszText = m_text;
      }
      return TRUE;
    }
    if (hdr->code == LVN_ITEMCHANGED) {
      const auto* lv = reinterpret_cast<const NMLISTVIEW*>(lParam);
      if (lv->uNewState == (LVIS_SELECTED | LVIS_FOCUSED) && lv->iItem >= 0 && lv->iItem < ChannelCount()) {
        m_channel = int16_t(lv->iItem);
        ShowCurrent();
      }
      return TRUE;
    }
  }
  return CDialog::OnNotify(wParam, lParam, result);
}

LRESULT CSelectChannelDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  if (msg == WM_NOTIFY) {
    LRESULT result = 0;
    if (OnNotify(wParam, lParam, &result)) return result;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}
