// The "Select Ions to Plot" window of the spectrum control.
#include "dialogs/select_ions_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/library_state.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void EnsureTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, SELECT_IONS_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Select Ions to Plot";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
  t.cx = 200;
  t.cy = 150;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items = {
      {-1, "Static", "Click or drag on a spectrum to add its ions:", WS_VISIBLE | SS_LEFT, 0, 6, 4, 188, 8},
      {SELECT_IONS_LIST, "ListBox", "", WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 0, 6, 16, 188,
       106},
      {SELECT_IONS_REMOVE, "Button", "Remove", push, 0, 6, 128, 56, 14},
      {SELECT_IONS_CLEAR, "Button", "Clear", push, 0, 72, 128, 56, 14},
      {IDCANCEL, "Button", "Close", push, 0, 138, 128, 56, 14},
  };
  AddDialog(module, SELECT_IONS_DIALOG, t);
}

}  // namespace

CSelChroPlotDlg::CSelChroPlotDlg(CWnd* control, CDataReviewManager* manager, int16_t index)
    : CDialog(SELECT_IONS_DIALOG, nullptr), m_control(control), m_controlWnd(control ? control->m_hWnd : nullptr),
      m_manager(manager), m_index(index) {}

BOOL CSelChroPlotDlg::Create() {
  EnsureTemplate();
  return CDialog::Create(SELECT_IONS_DIALOG, m_control);
}

BOOL CSelChroPlotDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Fill();
  return TRUE;
}

void CSelChroPlotDlg::OnOK() {}

void CSelChroPlotDlg::OnCancel() { DestroyWindow(); }

void CSelChroPlotDlg::PostNcDestroy() {
  // The control forgets the window and takes back its mouse modes.
  if (m_controlWnd && ::IsWindow(m_controlWnd)) ::SendMessageA(m_controlWnd, SELECT_IONS_CLOSED, 0, 0);
  delete this;
}

bool CSelChroPlotDlg::Add(const SELECTED_ION_RANGE& range) {
  if (!std::isfinite(range.lowMass) || !std::isfinite(range.highMass)) return false;
  for (int i = 0; i < m_count; ++i)
    if (m_ranges[i].lowMass == range.lowMass && m_ranges[i].highMass == range.highMass &&
        _stricmp(m_ranges[i].dataFile, range.dataFile) == 0)
      return false;
  if (m_count >= SELECT_IONS_MOST) return false;
  m_ranges[m_count++] = range;
  return true;
}

void CSelChroPlotDlg::Fill() {
  SendDlgItemMessage(SELECT_IONS_LIST, LB_RESETCONTENT);
  for (int i = 0; i < m_count; ++i) {
    const SELECTED_ION_RANGE& r = m_ranges[i];
    char text[96];
    const char* which = r.pane == 0 ? "A" : "B";
    if (r.lowMass == r.highMass) std::snprintf(text, sizeof text, "m/z %.2f (Spectrum %s)", r.lowMass, which);
    else std::snprintf(text, sizeof text, "m/z %.2f - %.2f (Spectrum %s)", r.lowMass, r.highMass, which);
    SendDlgItemMessage(SELECT_IONS_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
}

BOOL CSelChroPlotDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case SELECT_IONS_REMOVE: {
      const LRESULT at = SendDlgItemMessage(SELECT_IONS_LIST, LB_GETCURSEL);
      if (at >= 0 && at < m_count) {
        std::memmove(&m_ranges[at], &m_ranges[at + 1], sizeof m_ranges[0] * size_t(m_count - at - 1));
        --m_count;
        Fill();
      }
      return TRUE;
    }
    case SELECT_IONS_CLEAR:
      m_count = 0;
      Fill();
      return TRUE;
    default:
      return CDialog::OnCommand(wParam, lParam);
  }
}

LRESULT CSelChroPlotDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SELECT_IONS_REQUEST) {
    const auto* request = reinterpret_cast<const STRUCT_CCSPT_CHRO_REQUEST*>(lParam);
    if (!request) return 0;
    SELECTED_ION_RANGE range{};
    std::memcpy(range.dataFile, request->dataFile, sizeof range.dataFile - 1);
    range.lowMass = std::fmin(request->lowMass, request->highMass);
    range.highMass = std::fmax(request->lowMass, request->highMass);
    range.pane = request->pane;
    if (!Add(range)) return 0;
    Fill();
    return 1;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

CSelChroPlotDlg* OpenSelChroPlotDialog(CWnd* control, CDataReviewManager* manager, int16_t index) {
  auto* dlg = new (std::nothrow) CSelChroPlotDlg(control, manager, index);
  if (!dlg) return nullptr;
  if (!dlg->Create()) {
    delete dlg;
    return nullptr;
  }
  dlg->ShowWindow(SW_SHOW);
  return dlg;
}
