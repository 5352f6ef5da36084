// One plot of the reference-spectra control as a report page: a title, the
// data file's header block and the plot alone with its markers, segment bar
// and background-correction marks, stored in a reports file and shown.
#include <cstring>
#include <string>

#include "common/display_helpers.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "dialogs/reports_file_choice.h"
#include "orvik32/orvik32.h"
#include "overlayctl/plot_page_record.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_viewer.h"
#include "reportpages/single_file_header.h"
#include "specialctl/ref_spectra_control.h"

namespace {

constexpr int16_t kColumns = 80;
constexpr int16_t kLines = 60;
constexpr char kTitle[] = "Chromatogram Plot";

template <size_t N>
std::string Field(const char (&text)[N]) {
  return std::string(text, strnlen(text, N));
}

}  // namespace

int CCtlOPlot1::PrintOnePlotToReportsFile(short slot, char* path, int16_t temporary) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_bSizesValid || !o || !path || !OverlaySlotIndex(slot) || !o->tail.attached[slot]) return 0;
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  const bool landscape = prefs.spooler.orientation == 2;
  CMPage* page = MPM_InitMetaPageMaker(&prefs, kColumns, kLines, landscape ? 1 : 0);
  if (!page) return 0;
  if (!MPM_StartNewPage(page, 0)) {
    MPM_FreeMetaPageMaker(page);
    return 0;
  }
  // The plot alone: a copy of the overlay that shows only this slot. The
  // copy shares the slots' data, so it is freed as a block only.
  auto* single = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  if (!single) {
    MPM_FreeMetaPageMaker(page);
    return 0;
  }
  std::memcpy(single, o, sizeof *single);
  for (int i = 0; i < OVERLAY_SLOTS; ++i) single->head.shown[i] = i == slot ? 1 : 0;
  single->head.shownCount = 1;
  single->head.activePlot = slot;

  HCURSOR oldCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const int16_t wasBusy = m_busy;
  m_busy = 1;
  int16_t cw = 0, ch = 0;
  int16_t line = 1;
  double factor = 0;
  int16_t noTitle = 0;
  KELT_GetPlotReportOverrides(&factor, &noTitle);
  if (!noTitle) {
    MPM_SelectULargeFont(page, &cw, &ch);
    MPM_CLTextOut(page, 4, 1, kTitle);
    MPM_SelectNormalFont(page, &cw, &ch);
    line = 3;
    if (prefs.chroReport.flag0 && m_controlKind != 4) {
      const std::string name = Field(o->slots[slot].displayFileName);
      line = MPM_AddSingleFileHeader(page, line, 4, o->slots[slot].workFile, name.c_str(), m_controlKind == 3 ? 1 : 0);
    }
  }
  STRUCT_OPLOT_PRINT_PLOT record = kelt::overlay::PlotPageRecord(page, line, m_segmentsShown != 0);
  m_pOverlay = single;
  if (record.dc) SendMessage(OP1M_PRINT, 0, reinterpret_cast<LPARAM>(&record));
  m_pOverlay = o;
  FreeBlock(single);

  const int saved = kelt::overlay::SavePlotPage(page, temporary != 0, kTitle, path);
  m_busy = wasBusy;
  SetCursor(oldCursor);
  return saved ? 1 : 0;
}

void CCtlOPlot1::PrintOnePlotReport(short slot) {
  if (!m_bSizesValid || !m_pOverlay || m_busy) return;
  char path[MAX_PATH] = {};
  int16_t temporary = 0;
  if (!RPTS_GetReportsFile(path, &temporary)) return;
  if (!PrintOnePlotToReportsFile(slot, path, temporary)) return;
  if (m_controlKind == 3 || m_controlKind == 4) {
    ExportReportToQuibell(path, temporary);
    return;
  }
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  Dlg_ViewReports(path, temporary, &prefs, 0);
}
