// The preference sheets' shared frame: extra buttons, their layout, the
// live preview, help, and writing stored defaults safely.
#include "prefsheets/preference_sheet.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "overlayctl/overlay_messages.h"
#include "spectra/spectrum_managers.h"
#include "win/win_prsht.h"
#include "win/win_user.h"

namespace prefsheets {

RememberedPages& Remembered() {
  static RememberedPages pages;
  return pages;
}

void ResetRememberedPages() { Remembered() = RememberedPages{}; }

int OpeningPage(const int16_t* table, int count, int16_t remembered) {
  for (int i = 0; i < count; ++i)
    if (table[i] == remembered) return i;
  return 0;
}

bool WriteDefaultsOrSay(HWND owner, const char* what, void* current, size_t size, bool (*write)(const void* record),
                        const void* record) {
  std::string before(static_cast<const char*>(current), size);
  if (write(record)) return true;
  // The library keeps the defaults it had: a record that is not stored
  // must not stand in for the stored one.
  std::memcpy(current, before.data(), size);
  char text[512];
  std::snprintf(text, sizeof text,
                "The preferences could not be saved in\n%s.\n\nThe defaults in use stay as they were.",
                kelt::prefs::PreferencesIniPath().c_str());
  ::MessageBoxA(owner, text, what, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

}  // namespace prefsheets

CPrefSheet::CPrefSheet(Kind kind, const char* title, CWnd* parent, UINT startPage, uint32_t helpContext)
    : CPropertySheet(title, parent, startPage), m_kind(kind), m_help(helpContext) {}

CPrefSheet::~CPrefSheet() {
  delete m_resetAll;
  delete m_saveAll;
}

void CPrefSheet::RefreshActivePage(bool repaint) {
  auto* page = dynamic_cast<CPrefPage*>(GetActivePage());
  if (!page || !page->m_hWnd) return;
  page->UpdateControls();
  if (repaint) ::InvalidateRect(page->m_hWnd, nullptr, TRUE);
}

void CPrefSheet::LivePreview() {
  if (m_defaultsFlag || !m_live || !::IsWindow(m_live)) return;
  std::vector<uint8_t> record;
  if (!BuildRecord(&record)) return;
  // The control's local block: two words, then the record.
  alignas(8) uint8_t block[4096] = {};
  const bool spectra = m_kind == kSpectra;
  if (4 + record.size() > sizeof block) return;
  if (!::SendMessageA(m_live, spectra ? SPTM_GETLOCALPREFERENCES : OPM_GETLOCALPREFERENCES, 0,
                      reinterpret_cast<LPARAM>(block)))
    return;
  std::memcpy(block + 4, record.data(), record.size());
  ::SendMessageA(m_live, spectra ? SPTM_SETLOCALPREFERENCES : OPM_SETLOCALPREFERENCES, 0,
                 reinterpret_cast<LPARAM>(block));
}

void CPrefSheet::LayoutButtons() {
  if (m_laidOut) return;
  m_laidOut = 1;
  HWND apply = ::GetDlgItem(m_hWnd, ID_APPLY_NOW), ok = ::GetDlgItem(m_hWnd, IDOK),
       cancel = ::GetDlgItem(m_hWnd, IDCANCEL);
  if (!m_hWnd || !apply || !ok || !cancel) return;
  RECT r{}, a{};
  ::GetWindowRect(m_hWnd, &r);
  ::GetWindowRect(apply, &a);
  const int h = a.bottom + 1 - a.top;
  const int y = a.top - r.top - ::GetSystemMetrics(SM_CYSMCAPTION) - ::GetSystemMetrics(SM_CYDLGFRAME);
  const int g = ::GetSystemMetrics(SM_CXHTHUMB) >> 1;
  const int width = r.right + 1 - r.left;
  const int w = (width - 4 * g) >> 1;
  const int n = (w - g) >> 1;
  const int e = HasSaveAll() ? h + h / 4 : 0;
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + g + e,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(apply, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (HWND help = ::GetDlgItem(m_hWnd, IDHELP)) ::SetWindowPos(help, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
  ::MoveWindow(ok, w + 2 * g, y + e, n, h, TRUE);
  ::MoveWindow(cancel, w + 3 * g + n, y + e, n, h, TRUE);
  const WPARAM font = static_cast<WPARAM>(::SendMessageA(ok, WM_GETFONT, 0, 0));
  if (m_resetAll && m_resetAll->m_hWnd) {
    ::SendMessageA(m_resetAll->m_hWnd, WM_SETFONT, font, FALSE);
    if (e) ::MoveWindow(m_resetAll->m_hWnd, 2 * g + w, y, w, h, TRUE);
    else ::MoveWindow(m_resetAll->m_hWnd, g, y, w, h, TRUE);
  }
  if (m_saveAll && m_saveAll->m_hWnd) {
    ::SendMessageA(m_saveAll->m_hWnd, WM_SETFONT, font, FALSE);
    ::MoveWindow(m_saveAll->m_hWnd, g, y, w, h, TRUE);
  }
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CPrefSheet::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      const LRESULT r = CPropertySheet::WindowProc(msg, wParam, lParam);
      if (r == -1) return -1;
      const DWORD style = WS_CHILD | WS_TABSTOP;
      m_resetAll = new CButton();
      if (!m_resetAll->Create("Reset All to Defaults", style, CRect(0, 0, 0, 0), this, PREFS_ID_RESET_ALL)) return -1;
      m_resetAll->ShowWindow(SW_SHOW);
      if (HasSaveAll()) {
        m_saveAll = new CButton();
        if (!m_saveAll->Create("Save All as Defaults", style, CRect(0, 0, 0, 0), this, PREFS_ID_SAVE_ALL)) return -1;
        m_saveAll->ShowWindow(SW_SHOW);
      }
      ::PostMessageA(m_hWnd, PREFM_LAYOUTBUTTONS, 0, 0);
      return r;
    }
    case WM_DESTROY:
      for (CButton** b : {&m_resetAll, &m_saveAll}) {
        if (*b && (*b)->m_hWnd) (*b)->DestroyWindow();
        delete *b;
        *b = nullptr;
      }
      break;
    case PREFM_LAYOUTBUTTONS: LayoutButtons(); return 0;
    case PREFM_PAGECHANGED: LivePreview(); return 0;
    case WM_CONTEXTMENU: m_help.ContextMenu(this, lParam); return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == PREFS_ID_RESET_ALL && HIWORD(wParam) == BN_CLICKED) {
        ResetAll();
        return 0;
      }
      if (LOWORD(wParam) == PREFS_ID_SAVE_ALL && HIWORD(wParam) == BN_CLICKED) {
        SaveAll();
        return 0;
      }
      if (LOWORD(wParam) == KELT_WHATS_THIS_COMMAND) {
        m_help.WhatsThis(this);
        return 0;
      }
      break;
    default: break;
  }
  return CPropertySheet::WindowProc(msg, wParam, lParam);
}
