// The spectrum control's report commands (a report of A, B or both, the
// MS/MS report), the general preferences, the select-ions-to-plot window
// and the hand-over of a spectrum to the library-comparison program.
#include <cstdio>
#include <cstring>

#include "dialogs/reports_file_choice.h"
#include "dialogs/click_select_ions_dialog.h"
#include "fandor/comparison_link.h"
#include "orvik32/orvik32.h"
#include "prefsheets/global_preference_sheet.h"
#include "reportmakers/spectrum_reports.h"
#include "reportpages/report_viewer.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/report_busy.h"
#include "spectrumctl/spectrum_control.h"

using sptctl::ReportBusy;

// A spectrum handed to the library-comparison program through the link, as
// one entry of the exchange file; 0 when there is nothing to hand over.
static BOOL SendSpectrumToComparison(void* link, const STRUCT_SPT_PLUS* spt, int32_t flag) {
  if (!link || !spt) return FALSE;
  auto* entry = static_cast<MSP_SPECTRUM*>(AllocBlock(sizeof(MSP_SPECTRUM)));
  if (!entry) return FALSE;
  const char* name = spt->name[0] ? spt->name : spt->mainTitle;
  std::snprintf(entry->name, sizeof entry->name, "%.*s", int(sizeof entry->name - 1), name);
  std::snprintf(entry->formula, sizeof entry->formula, "%.*s", int(SPT_TEXT_FORMULA_SIZE - 1), spt->formula);
  entry->molecularWeight = spt->molecularWeight;
  const int32_t count = PlusSpt_GetPairCount(spt);
  int16_t kept = 0;
  for (int32_t i = 0; i < count && kept < MSP_MOST_PEAKS; ++i) {
    double mass = 0, intensity = 0;
    if (!SptPairAt(spt, uint32_t(i), &mass, &intensity) || !(intensity > 0)) continue;
    entry->masses[kept] = float(mass);
    entry->intensities[kept] = float(intensity);
    ++kept;
  }
  entry->peakCount = kept;
  const BOOL sent = SubmitComparisonSpectrum(static_cast<COMPARISON_LINK*>(link), entry, flag);
  FreeBlock(entry);
  return sent;
}

void CCtlSpt::CreateLibraryComparisonLink() {
  FreeLibraryComparisonLink();
  COMPARISON_LINK* link = CreateComparisonLink();
  if (!link) return;
  link->parentObject = GetParent();
  link->parentWindow = ::GetParent(m_hWnd);
  m_pComparisonLink = link;
}

void CCtlSpt::FreeLibraryComparisonLink() {
  FreeComparisonLink(static_cast<COMPARISON_LINK*>(m_pComparisonLink));
  m_pComparisonLink = nullptr;
}

void CCtlSpt::DoPrintInfo(UINT id) {
  if (id < 8104 || id > 8106) return;
  const short which = static_cast<short>(id - 8104);
  // Smoothed spectra stand in for their profile spectra while smoothing is on.
  const bool smoothing = m_prefs.profile.smoothProfile != 0;
  STRUCT_SPT_PLUS* spt[2];
  for (int s = 0; s < 2; ++s) spt[s] = smoothing && m_smoothed[s] ? m_smoothed[s] : m_display[s];
  const bool both = which == 2 && spt[0] && spt[1];
  const short single = which < 2 ? which : (spt[0] ? 0 : 1);
  if (!both && !spt[single]) return;
  char file[MAX_PATH] = {};
  int16_t temporary = 0;
  if (!RPTS_GetReportsFile(file, &temporary)) return;
  if (temporary) file[0] = 0;  // the report makes the file and names it
  STRUCT_REPORT_PREFS prefs{};
  int32_t made = 0;
  {
    ReportBusy busy(&m_reportBusy);
    ReportPrefsForOutput(&prefs);
    const bool passSmoothed = smoothing || m_prefs.drawing.smoothedToReports;
    auto smoothedOf = [&](int s) { return passSmoothed && spt[s] != m_smoothed[s] ? m_smoothed[s] : nullptr; };
    if (m_live) {
      made = spt[0] ? RPTS_MakeRealTimeSpectrumFromCtl(file, &prefs, spt[0], this) : 0;
    } else if (!prefs.sptsReport.flags[0]) {
      made = both ? RPTS_MakeSptPlotsPageFromCtl(file, &prefs, spt[0], spt[1], this)
                  : RPTS_MakeSptPlotPageFromCtl(file, single, &prefs, spt[single], this);
    } else if (both) {
      made = RPTS_MakeSpectraReportFromCtlEx(file, &prefs, spt[0], m_centroid[0], smoothedOf(0), spt[1], m_centroid[1],
                                             smoothedOf(1), 0, this);
    } else {
      made = RPTS_MakeSpectrumReportFromCtlEx(file, single, &prefs, spt[single], m_centroid[single],
                                              smoothedOf(single), this);
    }
  }
  if (!made) return;
  if (m_live) ExportReportToQuibell(file, temporary);
  else Dlg_ViewReports(file, temporary, &prefs, 0);
}

void CCtlSpt::OnMSMSReport(short slot) {
  if (slot < 0 || slot > 1) return;
  STRUCT_SPT_PLUS* spt = m_display[slot];
  if (!spt || spt->kind != SPT_KIND_TOL || !spt->tolSpt) return;
  char file[MAX_PATH] = {};
  int16_t temporary = 0;
  if (!RPTS_GetReportsFile(file, &temporary)) return;
  if (temporary) file[0] = 0;
  STRUCT_REPORT_PREFS prefs{};
  int32_t made = 0;
  {
    ReportBusy busy(&m_reportBusy);
    ReportPrefsForOutput(&prefs);
    made = RPTS_MakeMSMSReport(file, &prefs, spt, m_massLow, m_massHigh, m_vertMin[0], m_vertMax[0]);
  }
  if (!made) return;
  if (m_live) ExportReportToQuibell(file, temporary);
  else Dlg_ViewReports(file, temporary, &prefs, 0);
}

void CCtlSpt::OnGlobalPrefs() {
  Dlg_EditGlobalPreferences(this);
  Invalidate(FALSE);
}

void CCtlSpt::OnTTSelectMassList() {
  if (m_pSelChroPlotDlg && ::IsWindow(m_pSelChroPlotDlg->m_hWnd)) return;
  if (!m_pManager || !m_pManager->m_hPlotCtrl) NotifyNow(SPTN_SELECT_MASS_LIST);
  // The window is made at once and deletes itself when it goes.
  auto* dlg = new CClickSelectIonsDlg(this, m_pManager, m_managerIndex);
  if (!::IsWindow(dlg->m_hWnd)) {
    delete dlg;
    return;
  }
  m_pSelChroPlotDlg = dlg;
  m_savedClickDragMode = m_clickDragMode;
  m_savedSingleClickMode = m_singleClickMode;
  m_clickDragMode = SPT_DRAG_CHROMATOGRAM;
  m_singleClickMode = SPT_CLICK_SELECT_MASS;
  UpdateToolBar();
}

void CCtlSpt::OnSendSpectrumToNIST(UINT id) {
  if (id < 8128 || id > 8131) return;
  const short slot = static_cast<short>((id - 8128) % 2);
  const int32_t flag = id < 8130 ? 1 : 0;
  if (m_pComparisonLink && m_display[slot]) SendSpectrumToComparison(m_pComparisonLink, m_display[slot], flag);
}

bool CCtlSpt::OnReportCommand(UINT id) {
  switch (id) {
    case 8104: case 8105: case 8106: DoPrintInfo(id); return true;
    case 8212: case 8213: OnMSMSReport(static_cast<short>(id - 8212)); return true;
    case 8207: OnGlobalPrefs(); return true;
    case 8031: OnTTSelectMassList(); return true;
    case 8128: case 8129: case 8130: case 8131: OnSendSpectrumToNIST(id); return true;
    default: return false;
  }
}
