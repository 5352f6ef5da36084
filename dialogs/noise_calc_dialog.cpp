// The noise calculation window: file, time range, plot, the simple and the
// drift-corrected noise of the zoomed stretch and the points they used.
#include "dialogs/noise_calc_dialog.h"

#include <cstdio>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "orvik32/orvik32_dialogs.h"
#include "prefsheets/sheet_template_items.h"
#include "spectra/rms_noise.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void AddTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, NOISE_CALC_DIALOG_ID)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = "RMS Noise Calculation";
  dlg.cx = 260;
  dlg.cy = 112;
  for (int k = 0; k < 6; ++k)
    prefsheets::Item(dlg, NOISE_CALC_LINE1_ID + k, "Static", "", 0, 8, static_cast<short>(8 + 12 * k), 244, 10);
  prefsheets::Item(dlg, NOISE_CALC_HELP_ID, "Button", "Help", BS_PUSHBUTTON | WS_TABSTOP, 146, 90, 50, 14);
  prefsheets::Item(dlg, IDCANCEL, "Button", "Exit", BS_DEFPUSHBUTTON | WS_TABSTOP, 202, 90, 50, 14);
  win::resources::AddDialog(module, NOISE_CALC_DIALOG_ID, dlg);
}

std::string Format(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

INT_PTR CALLBACK NoiseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* dlg = reinterpret_cast<CNoiseCalcDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    dlg = reinterpret_cast<CNoiseCalcDlg*>(lParam);
    SetWindowTextA(hwnd, dlg->m_caption.c_str());
    for (int k = 0; k < 6; ++k) SetDlgItemTextA(hwnd, NOISE_CALC_LINE1_ID + k, dlg->m_lines[k].c_str());
    PositionDialog(hwnd, GetParent(hwnd));
    return TRUE;
  }
  if (msg != WM_COMMAND || !dlg) return FALSE;
  switch (LOWORD(wParam)) {
    case NOISE_CALC_HELP_ID:
      KELT_ShowHelpTopic(NOISE_CALC_HELP_CONTEXT, 0);
      return TRUE;
    case IDOK:
    case IDCANCEL:
      EndDialog(hwnd, 1);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

CNoiseCalcDlg::CNoiseCalcDlg(const OVERLAY_SLOT* slot, const STRUCT_CHRO_PREFS* prefs, double start, double end,
                             int16_t plotIndex, CWnd* parent)
    : m_pSlot(slot),
      m_plotMode(prefs ? prefs->plotData.filterKind : 0),
      m_rms(prefs ? prefs->noise.flag0 : 1),
      m_start(start),
      m_end(end),
      m_plotIndex(plotIndex),
      m_parent(parent) {}

bool CNoiseCalcDlg::Compute() {
  const OVERLAY_SLOT* s = m_pSlot;
  if (!s || !s->workFile || !s->trace) return false;
  const STRUCT_WORK_FILE* wf = s->workFile;
  const STRUCT_NE_DATA_POINTS* dp = s->trace;
  char text[320];
  char shortName[64] = {};
  KELT_TruncateFilenameString(s->displayFileName[0] ? s->displayFileName : wf->filePath, 50, shortName);
  std::snprintf(text, sizeof text, "File: %s", shortName);
  m_lines[0] = text;
  const bool filtered = (m_plotMode == 1 || m_plotMode == 2) && dp->filtered && dp->filteredCount > 0;
  m_caption = m_rms ? "RMS Noise Calculation" : "Peak to Peak Noise Calculation";

  const bool ms = wf->centroid || wf->profile;
  std::snprintf(text, sizeof text, "Plot: %d, %s%s", m_plotIndex + 1, m_description.c_str(),
                ms ? (filtered ? " (Filtered)" : " (Raw)") : "");
  std::string plot = text;
  if (plot.size() > 50) plot = plot.substr(0, 50) + "...";
  m_lines[2] = plot;

  struct Result {
    BOOL ok = 0;
    double noise = 0, first = 0, last = 0;
    uint32_t points = 0;
  } simple, drift;
  auto run = [&](Result& r, int16_t fit) {
    r.ok = m_rms ? KELT_CalRMSNoise(0, m_start, m_end, dp, filtered ? 1 : 0, fit, &r.noise, &r.points, &r.first,
                                    &r.last)
                 : KELT_CalPPNoise(0, m_start, m_end, dp, filtered ? 1 : 0, fit, &r.noise, &r.points, &r.first,
                                   &r.last);
  };
  run(simple, 0);
  run(drift, 1);
  // Detector data are real values; MS counts are whole.
  const bool realValues = wf->sectioned && !wf->centroid && !wf->profile && !wf->timeTagged;
  auto value = [&](const Result& r) -> std::string {
    if (!r.ok) return "Not Calculated";
    if (realValues) return Format("%.4f", r.noise);
    return Format(r.noise >= 1000000.0 ? "%.3e" : "%.0f", r.noise);
  };
  const char* kind = m_rms ? "RMS" : "PP";
  m_lines[3] = std::string(kind) + " Noise (Simple): " + value(simple);
  m_lines[4] = std::string(kind) + " Noise (Drift Corrected): " + value(drift);

  const Result* used = simple.ok ? &simple : drift.ok ? &drift : nullptr;
  std::snprintf(text, sizeof text, "Time Range:  %.3f to %.3f minutes", used ? used->first : m_start,
                used ? used->last : m_end);
  m_lines[1] = text;
  m_lines[5].clear();
  if (simple.ok && drift.ok && simple.points != drift.points)
    std::snprintf(text, sizeof text, "Drift Points = %u, Simple Points = %u", drift.points, simple.points);
  else if (used)
    std::snprintf(text, sizeof text, "Points:  %u", used->points);
  if (used) m_lines[5] = text;
  return true;
}

int CNoiseCalcDlg::DoModal() {
  if (!Compute()) return 0;
  const HMODULE module = kelt::lib::ModuleHandle();
  AddTemplate(module);
  DialogBoxParamA(module, MAKEINTRESOURCEA(NOISE_CALC_DIALOG_ID), m_parent ? m_parent->GetSafeHwnd() : nullptr,
                  NoiseProc, reinterpret_cast<LPARAM>(this));
  return 1;
}
