// The debug window and the debug text file.
#include "dialogs/debug_window.h"

#include <cstring>
#include <string>

#include "common/library_state.h"
#include "dialogs/dialog_layout.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

CDebugWindowDlg* g_window = nullptr;

const KELT_LAYOUT_RULE kLayout[4] = {
    {IDC_DBG_LIST, 0, 0, 1, 8},
    {IDC_DBG_CLEAR, 1, 8, 1, 0},
    {IDC_DBG_STARS, 1, 8, 1, 0},
    {IDC_DBG_PAUSE, 1, 8, 1, 0},
};

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, DEBUG_WINDOW_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "KELT Debug Window";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE | DS_SETFONT;
  t.cx = 260;
  t.cy = 160;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items = {
      {IDC_DBG_LIST, "ListBox", "", WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, 0, 4, 4, 252, 130},
      {IDC_DBG_STARS, "Button", "*****", push, 0, 4, 140, 60, 14},
      {IDC_DBG_CLEAR, "Button", "Clear", push, 0, 70, 140, 60, 14},
      {IDC_DBG_PAUSE, "Button", "&Pause", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 140, 142, 60, 10},
  };
  AddDialog(module, DEBUG_WINDOW_DIALOG_ID, t);
}

// The window, made when there is none; null when it cannot be made.
CDebugWindowDlg* Window() {
  if (g_window) return g_window;
  AddTemplate();
  auto* w = new CDebugWindowDlg;
  if (!w->Create(DEBUG_WINDOW_DIALOG_ID, nullptr)) {
    delete w;
    return nullptr;
  }
  g_window = w;
  return g_window;
}

const std::string kStars(62, '*');

}  // namespace

CDebugWindowDlg::CDebugWindowDlg() = default;

CDebugWindowDlg* CDebugWindowDlg::Current() { return g_window; }

BOOL CDebugWindowDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  RECT w{};
  ::GetWindowRect(m_hWnd, &w);
  m_initialWidth = int16_t(w.right - w.left);
  m_initialHeight = int16_t(w.bottom - w.top);
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
  ::GetClientRect(m_hWnd, &m_previousClient);
  m_layoutReady = 1;
  return TRUE;
}

void CDebugWindowDlg::OnCancel() { DestroyWindow(); }

void CDebugWindowDlg::PostNcDestroy() {
  if (g_window == this) g_window = nullptr;
  delete this;
}

void CDebugWindowDlg::AddLine(const char* text) {
  const LRESULT i = SendDlgItemMessage(IDC_DBG_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  if (i >= 0) SendDlgItemMessage(IDC_DBG_LIST, LB_SETCURSEL, WPARAM(i), 0);
}

BOOL CDebugWindowDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDC_DBG_CLEAR:
      SendDlgItemMessage(IDC_DBG_LIST, LB_RESETCONTENT, 0, 0);
      return TRUE;
    case IDC_DBG_STARS:
      AddLine(kStars.c_str());
      return TRUE;
    case IDC_DBG_PAUSE:
      m_paused = ::IsDlgButtonChecked(m_hWnd, IDC_DBG_PAUSE) == BST_CHECKED ? 1 : 0;
      return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CDebugWindowDlg::OnSized() {
  RECT w{}, c{};
  ::GetWindowRect(m_hWnd, &w);
  ::GetClientRect(m_hWnd, &c);
  if (w.right - w.left >= m_initialWidth && w.bottom - w.top >= m_initialHeight) {
    auto* rules = static_cast<KELT_LAYOUT_RULE*>(AllocBlock(sizeof kLayout));
    if (rules) {
      std::memcpy(rules, kLayout, sizeof kLayout);
      KELT_SizeDialog(this, rules, 4, m_previousClient, w, c);
      FreeBlock(rules);
    }
    m_previousClient = c;
  } else {
    // Never smaller than the template.
    m_layoutReady = 0;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_initialWidth, m_initialHeight, SWP_NOMOVE | SWP_NOZORDER);
    m_layoutReady = 1;
    ::GetClientRect(m_hWnd, &m_previousClient);
  }
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CDebugWindowDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case DBGWM_ADDSTRING:
      if (!m_paused && lParam) AddLine(reinterpret_cast<const char*>(lParam));
      return 0;
    case DBGWM_CLEARSTRINGS:
      if (!m_paused) SendDlgItemMessage(IDC_DBG_LIST, LB_RESETCONTENT, 0, 0);
      return 0;
    case DBGWM_ADDASTERISKLINE:
      if (!m_paused) AddLine(kStars.c_str());
      return 0;
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_SIZE: {
      const LRESULT r = CDialog::WindowProc(msg, wParam, lParam);
      if (m_layoutReady) OnSized();
      return r;
    }
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

void KELT_DebugWindow_AddString(const char* text) {
  if (CDebugWindowDlg* w = Window()) w->SendMessage(DBGWM_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void KELT_DebugWindow_ClearStrings() {
  if (CDebugWindowDlg* w = Window()) w->SendMessage(DBGWM_CLEARSTRINGS, 0, 0);
}

void KELT_DebugWindow_AddStarLine() {
  if (CDebugWindowDlg* w = Window()) w->SendMessage(DBGWM_ADDASTERISKLINE, 0, 0);
}

void KELT_AAA_AddString(const char* text) {
  // The user's own temporary folder, not the root of a shared drive.
  char folder[MAX_PATH] = "";
  if (!GetTempPathA(sizeof folder, folder) || !folder[0]) return;
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  path += DEBUG_TEXT_FILE_NAME;
  std::string line(text ? text : "", text ? strnlen(text, DEBUG_TEXT_MOST) : 0);
  line += '\n';
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (SetFilePointer(f, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
    WriteFile(f, line.data(), DWORD(line.size()), &written, nullptr);
  CloseHandle(f);
}
