// The background-correction tool window.
#include "dialogs/background_correction_dialog.h"

#include <cstdio>

#include "common/library_state.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

int16_t g_lastMode = 1;  // add, until a dialog chooses otherwise

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, BACKGROUND_CORRECTION_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Background Correction";
  t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 218;
  t.cy = 104;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD radio = WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
  t.items = {
      {-1, "Button", "Averaging", WS_VISIBLE | BS_GROUPBOX, 0, 6, 4, 90, 30},
      {BC_AVERAGE_1, "Button", "1", radio | WS_GROUP, 0, 12, 17, 18, 10},
      {BC_AVERAGE_1 + 1, "Button", "3", radio, 0, 32, 17, 18, 10},
      {BC_AVERAGE_1 + 2, "Button", "5", radio, 0, 52, 17, 18, 10},
      {BC_AVERAGE_1 + 3, "Button", "7", radio, 0, 72, 17, 18, 10},
      {-1, "Button", "Selection", WS_VISIBLE | BS_GROUPBOX, 0, 102, 4, 110, 30},
      {BC_ADD, "Button", "&Add", radio | WS_GROUP, 0, 108, 17, 30, 10},
      {-1, "Static", "or move", WS_VISIBLE | SS_CENTER, 0, 139, 18, 30, 9},
      {BC_DELETE, "Button", "&Delete", radio, 0, 172, 17, 36, 10},
      {BC_COUNT, "Static", "", WS_VISIBLE | SS_LEFT, 0, 6, 40, 206, 9},
      {BC_AUTO, "Button", "Auto &Background Correction", push, 0, 6, 54, 206, 14},
      {BC_DELETE_ALL, "Button", "Delete A&ll", push, 0, 6, 84, 60, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 79, 84, 60, 14},
      {IDCANCEL, "Button", "D&one", push, 0, 152, 84, 60, 14},
  };
  AddDialog(module, BACKGROUND_CORRECTION_DIALOG_ID, t);
}

}  // namespace

int16_t CBackgroundCorrectionDlg::LastSelectionMode() { return g_lastMode; }

CBackgroundCorrectionDlg::CBackgroundCorrectionDlg(CWnd* owner, int16_t plotIndex, int16_t averaging,
                                                   int16_t spectraCount)
    : CDialog(BACKGROUND_CORRECTION_DIALOG_ID, owner),
      m_owner(owner ? owner->GetSafeHwnd() : nullptr),
      m_averaging(averaging),
      m_selectionMode(g_lastMode),
      m_spectraCount(spectraCount),
      m_plotIndex(plotIndex) {
  AddTemplate();
  Create(BACKGROUND_CORRECTION_DIALOG_ID, owner);
}

LRESULT CBackgroundCorrectionDlg::Tell(UINT msg, WPARAM wParam) {
  return m_owner && ::IsWindow(m_owner) ? ::SendMessageA(m_owner, msg, wParam, 0) : 0;
}

void CBackgroundCorrectionDlg::SetTitle() {
  char title[64];
  std::snprintf(title, sizeof title, "Background Correction for Plot %d", m_plotIndex + 1);
  SetWindowText(title);
}

BOOL CBackgroundCorrectionDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const int button = m_averaging == 1 ? 0 : m_averaging == 3 ? 1 : m_averaging == 5 ? 2 : 3;
  for (int i = 0; i < 4; ++i) CheckDlgButton(BC_AVERAGE_1 + i, i == button ? BST_CHECKED : BST_UNCHECKED);
  SetTitle();
  Tell(m_selectionMode == 1 ? BCM_OWNER_ADDMODE : BCM_OWNER_DELETEMODE, 0);
  UpdateControls();
  PositionDialog(m_hWnd, m_owner);
  return TRUE;
}

void CBackgroundCorrectionDlg::UpdateControls() {
  if (!m_hWnd) return;
  char text[80];
  std::snprintf(text, sizeof text, "Background Correction Spectra Count = %d", m_spectraCount);
  SetDlgItemText(BC_COUNT, text);
  auto enable = [&](int id, bool on) { ::EnableWindow(::GetDlgItem(m_hWnd, id), on ? TRUE : FALSE); };
  if (m_spectraCount > 0) {
    enable(BC_DELETE, true);
    enable(BC_DELETE_ALL, true);
    enable(BC_ADD, true);
    CheckDlgButton(BC_DELETE, m_selectionMode <= 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(BC_ADD, m_selectionMode == 1 ? BST_CHECKED : BST_UNCHECKED);
  } else {
    if (m_selectionMode != 1) {
      m_selectionMode = 1;
      Tell(BCM_OWNER_ADDMODE, 0);
    }
    enable(BC_DELETE, false);
    enable(BC_DELETE_ALL, false);
    CheckDlgButton(BC_DELETE, BST_UNCHECKED);
    enable(BC_ADD, true);
    CheckDlgButton(BC_ADD, BST_CHECKED);
  }
}

void CBackgroundCorrectionDlg::SetMode(int16_t mode) {
  m_selectionMode = mode;
  g_lastMode = mode;
  UpdateControls();
  Tell(mode == 1 ? BCM_OWNER_ADDMODE : BCM_OWNER_DELETEMODE, 0);
}

BOOL CBackgroundCorrectionDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (HIWORD(wParam) == BN_CLICKED) {
    if (id >= BC_AVERAGE_1 && id < BC_AVERAGE_1 + 4) {
      m_averaging = static_cast<int16_t>(1 + 2 * (id - BC_AVERAGE_1));
      Tell(BCM_OWNER_AVERAGING, static_cast<WPARAM>(m_averaging));
      return TRUE;
    }
    if (id == BC_ADD) {
      SetMode(1);
      return TRUE;
    }
    if (id == BC_DELETE) {
      SetMode(0);
      return TRUE;
    }
    if (id == BC_DELETE_ALL) {
      Tell(BCM_OWNER_DELETEALL, 1);
      m_spectraCount = 0;
      UpdateControls();
      return TRUE;
    }
    if (id == BC_AUTO) {
      HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
      Tell(BCM_OWNER_AUTO, 0);
      // The owner reports the spectra it made while the message runs.
      if (m_spectraCount != 0) SetMode(0);
      ::SetCursor(old);
      return TRUE;
    }
  }
  return CDialog::OnCommand(wParam, lParam);
}

LRESULT CBackgroundCorrectionDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case BCM_SETSPECTRACOUNT:
      m_spectraCount = static_cast<int16_t>(wParam);
      UpdateControls();
      return 0;
    case BCM_SETPLOTINDEX:
      m_plotIndex = static_cast<int16_t>(wParam);
      SetTitle();
      return 0;
    case WM_CLOSE:
      OnCancel();
      return 0;
    case WM_DESTROY:
      // Told exactly once, however the window goes.
      if (!m_closed) {
        m_closed = true;
        Tell(BCM_OWNER_CLOSED, 0);
      }
      break;
    default:
      if (m_help.Handle(this, msg, wParam, lParam)) return 0;
      break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

void CBackgroundCorrectionDlg::OnOK() {}
void CBackgroundCorrectionDlg::OnCancel() { DestroyWindow(); }
void CBackgroundCorrectionDlg::PostNcDestroy() { delete this; }
