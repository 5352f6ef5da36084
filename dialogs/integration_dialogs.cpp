// The integration window of the plot controls and the filtering editor.
// The integration window shows which plots it integrates and the filter
// and settings it was given (a settings change of the control reaches it
// with WM_USER+23); it tells its owner when it goes.
#include "dialogs/integration_dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "common/work_file.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

using win::resources::DialogItem;
using win::resources::DialogTemplate;

void Item(DialogTemplate& dlg, int id, const char* cls, const char* text, DWORD style, short x, short y, short cx,
          short cy) {
  DialogItem it;
  it.id = id;
  it.className = cls;
  it.text = text;
  it.style = WS_VISIBLE | style;
  it.x = x;
  it.y = y;
  it.cx = cx;
  it.cy = cy;
  dlg.items.push_back(it);
}

const char* const kFieldNames[TRANSIENT_FILTER_VALUES] = {"filter kind",     "spike factor",         "spike width",
                                                          "spike filter switch", "smoothing half width", "smoothing kind"};

void EnsureTemplates() {
  const HMODULE module = kelt::lib::ModuleHandle();
  if (!win::resources::FindDialog(module, QUICK_INTEGRATION_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = "Edit Integration Parameters";
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.cx = 220;
    t.cy = 60;
    Item(t, QUICK_INTEGRATION_PLOTS_ID, "Static", "", 0, 8, 8, 150, 10);
    Item(t, QUICK_INTEGRATION_FILTER_ID, "Static", "", 0, 8, 22, 150, 10);
    Item(t, IDCANCEL, "Button", "Close", BS_PUSHBUTTON | WS_TABSTOP, 164, 8, 48, 14);
    win::resources::AddDialog(module, QUICK_INTEGRATION_DIALOG_ID, t);
  }
  if (!win::resources::FindDialog(module, FILTERING_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = "Filtering";
    t.cx = 200;
    t.cy = 110;
    static const char* const kLabels[TRANSIENT_FILTER_VALUES] = {
        "Filter (0 none, 1, 2):", "Spike factor (0, 1):",   "Spike width (1 to 5):",
        "Spike filter (0, 1):",  "Smoothing width (0, 1):", "Smoothing kind (2 to 20):"};
    for (int i = 0; i < TRANSIENT_FILTER_VALUES; ++i) {
      const short y = static_cast<short>(8 + 16 * i);
      Item(t, -1, "Static", kLabels[i], 0, 6, static_cast<short>(y + 2), 84, 10);
      Item(t, FILTERING_FIRST_FIELD_ID + i, "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 92, y, 40, 12);
    }
    Item(t, IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 144, 8, 48, 14);
    Item(t, IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 144, 26, 48, 14);
    win::resources::AddDialog(module, FILTERING_DIALOG_ID, t);
  }
}

struct FilterSession {
  int16_t values[TRANSIENT_FILTER_VALUES];
};

INT_PTR CALLBACK FilterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<FilterSession*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      s = reinterpret_cast<FilterSession*>(lParam);
      for (int i = 0; i < TRANSIENT_FILTER_VALUES; ++i)
        SetDlgItemTextA(hwnd, FILTERING_FIRST_FIELD_ID + i, std::to_string(s->values[i]).c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        int16_t typed[TRANSIENT_FILTER_VALUES] = {};
        for (int i = 0; i < TRANSIENT_FILTER_VALUES; ++i) {
          char text[32] = {};
          GetDlgItemTextA(hwnd, FILTERING_FIRST_FIELD_ID + i, text, sizeof text);
          char* end = nullptr;
          const long v = std::strtol(text, &end, 10);
          while (end && *end == ' ') ++end;
          if (!*text || !end || *end || v < -32768 || v > 32767) {
            const std::string why = std::string("The ") + kFieldNames[i] + " is not a whole number.";
            MessageBoxA(hwnd, why.c_str(), "Filtering", MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          typed[i] = static_cast<int16_t>(v);
        }
        if (const char* why = KELT_CheckTransientFilter(typed)) {
          MessageBoxA(hwnd, why, "Filtering", MB_OK | MB_ICONEXCLAMATION);
          return TRUE;
        }
        std::memcpy(s->values, typed, sizeof typed);
        EndDialog(hwnd, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

const char* KELT_CheckTransientFilter(const int16_t* f) {
  if (!f) return "No filter was given.";
  if (f[0] < 0 || f[0] > 2) return "The filter kind must be 0, 1 or 2.";
  if (f[1] < 0 || f[1] > 1) return "The spike factor must be 0 or 1.";
  if (f[3] < 0 || f[3] > 1) return "The spike filter switch must be 0 or 1.";
  if (f[2] < (f[3] == 1 ? 2 : 1) || f[2] > 5)
    return f[3] == 1 ? "The spike width must lie from 2 to 5." : "The spike width must lie from 1 to 5.";
  if (f[4] < 0 || f[4] > 1) return "The smoothing half width must be 0 or 1.";
  if (f[5] < 2 || f[5] > 20) return "The smoothing kind must lie from 2 to 20.";
  return nullptr;
}

int CFilteringParamsDlg::DoModal() {
  if (!m_filter) return IDCANCEL;
  EnsureTemplates();
  FilterSession s{};
  std::memcpy(s.values, m_filter, sizeof s.values);
  const INT_PTR r = DialogBoxParamA(kelt::lib::ModuleHandle(), MAKEINTRESOURCEA(FILTERING_DIALOG_ID),
                                    m_control ? m_control->GetSafeHwnd() : nullptr, FilterProc,
                                    reinterpret_cast<LPARAM>(&s));
  if (r != IDOK) return IDCANCEL;
  std::memcpy(m_filter, s.values, sizeof s.values);
  return IDOK;
}

BEGIN_MESSAGE_MAP(CQuickIntegrationDlg, CDialog)
ON_WM_DESTROY()
ON_MESSAGE(QUICK_INTEGRATION_UPDATE, OnUpdateSettings)
END_MESSAGE_MAP()

CQuickIntegrationDlg::CQuickIntegrationDlg(CWnd* parent, short slot, SVW_OVERLAY* overlay, CWnd* owner,
                                           int16_t headerCode, SVW_OVERLAY* dataOverlay, int16_t filterFlag,
                                           const int16_t* filter, const void* settings, UINT closeMessage,
                                           short option)
    : CDialog(QUICK_INTEGRATION_DIALOG_ID, parent),
      m_slot(slot),
      m_option(option),
      m_headerCode(headerCode),
      m_filterFlag(filterFlag),
      m_pOverlay(dataOverlay ? dataOverlay : overlay),
      m_owner(owner ? owner->GetSafeHwnd() : nullptr),
      m_closeMessage(closeMessage) {
  if (filter) std::memcpy(m_filter, filter, sizeof m_filter);
  if (settings) std::memcpy(m_settings, settings, sizeof m_settings);
}

BOOL CQuickIntegrationDlg::CreateWindowed() {
  EnsureTemplates();
  return Create(QUICK_INTEGRATION_DIALOG_ID, m_pParentWnd);
}

BOOL CQuickIntegrationDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ShowTexts();
  return TRUE;
}

void CQuickIntegrationDlg::ShowTexts() {
  // The plots it integrates: its own slot, or for all plots those whose
  // files share the header code.
  std::string plots = "Plots:";
  const SVW_OVERLAY* o = m_pOverlay;
  for (int i = 0; o && i < OVERLAY_SLOTS; ++i) {
    const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    const bool taken = m_slot == OVERLAY_SLOTS ? wf && o->slots[i].trace && wf->fileType == m_headerCode : i == m_slot;
    if (taken) plots += " " + std::to_string(i + 1);
  }
  SetDlgItemText(QUICK_INTEGRATION_PLOTS_ID, plots.c_str());
  char filter[64];
  if (m_filterFlag)
    std::snprintf(filter, sizeof filter, "Filter: kind %d, spike width %d, smoothing %d", m_filter[0], m_filter[2], m_filter[5]);
  else
    std::snprintf(filter, sizeof filter, "Filter: none");
  SetDlgItemText(QUICK_INTEGRATION_FILTER_ID, filter);
}

LRESULT CQuickIntegrationDlg::OnUpdateSettings(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(lParam);
  std::memcpy(&m_filterFlag, bytes, 2);
  std::memcpy(m_filter, bytes + 2, sizeof m_filter);
  std::memcpy(m_settings, bytes + 2 + sizeof m_filter, sizeof m_settings);
  ShowTexts();
  return 0;
}

void CQuickIntegrationDlg::OnOK() { DestroyWindow(); }
void CQuickIntegrationDlg::OnCancel() { DestroyWindow(); }

void CQuickIntegrationDlg::OnDestroy() {
  // By window: the owner may be going away itself.
  if (m_owner && ::IsWindow(m_owner)) ::SendMessageA(m_owner, m_closeMessage, static_cast<WPARAM>(m_slot), 0);
  Default();
}

void CQuickIntegrationDlg::PostNcDestroy() { delete this; }
