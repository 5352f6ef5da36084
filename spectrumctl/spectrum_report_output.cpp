// The spectrum control's report output: the printed plot page and the
// hand-over of a finished reports file to the viewer or to the live viewer
// program.
#include <cstdio>
#include <cstring>

#include "common/number_format.h"
#include "dialogs/reports_file_choice.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_viewer.h"
#include "spectrumctl/report_busy.h"
#include "spectrumctl/spectrum_control.h"

using sptctl::ReportBusy;

void CCtlSpt::ReportPrefsForOutput(STRUCT_REPORT_PREFS* prefs) const {
  KELT_GetCurrDefReportPrefs(prefs);
  if (m_printColorsSet) prefs->sptsColors = m_printColors;
  if (m_printScalesSet) {
    prefs->sptsAxis0 = m_printScales[0];
    prefs->sptsAxis1 = m_printScales[1];
  }
}

void CCtlSpt::OnTTPrint() {
  char file[MAX_PATH] = {};
  int16_t temporary = 0;
  if (!RPTS_GetReportsFile(file, &temporary)) return;
  STRUCT_REPORT_PREFS prefs{};
  bool made = false;
  {
    ReportBusy busy(&m_reportBusy);
    ReportPrefsForOutput(&prefs);
    made = MakePlotPage(&prefs, file, temporary);
  }
  if (!made) return;
  if (m_live) ExportReportToQuibell(file, temporary);
  else Dlg_ViewReports(file, temporary, &prefs, 0);
}

bool CCtlSpt::MakePlotPage(STRUCT_REPORT_PREFS* prefs, char* file, int16_t temporary) {
  const bool landscape = prefs->spooler.orientation == 2;
  const int16_t lines = landscape ? 60 : 72;
  CMPage* page = MPM_InitMetaPageMaker(prefs, landscape ? 140 : 80, lines, landscape ? 1 : 0);
  if (!page) return false;
  if (!MPM_StartNewPage(page, 0)) {
    MPM_FreeMetaPageMaker(page);
    return false;
  }
  const int32_t now = GetCurrentDateTime();
  const time32_t when = now;
  char date[32] = {}, time[32] = {};
  KELT_FormatDateTimeFromLong(&when, date, time);
  char title[160];
  std::snprintf(title, sizeof title, ShownCount() == 1 ? "Spectrum Plot - %s %s" : "Spectra Plots - %s %s", date,
                time);
  double factor = 0;
  int16_t overridden = 0;
  KELT_GetPlotReportOverrides(&factor, &overridden);
  int16_t firstLine = 1;
  int16_t cw = 0, ch = 0;
  if (!overridden) {
    MPM_SelectLargeFont(page, &cw, &ch);
    MPM_CLTextOut(page, 4, 1, title);
    firstLine = 3;
  }
  MPM_SelectSmallFont(page, &cw, &ch);
  STRUCT_CCSPT_PRINT request{};
  request.dc = MPM_GetCMetaFileDC(page);
  // Page lines run down the page: the plot's upper edge is its first line.
  request.left = MPM_ColumnToX(page, 4);
  request.top = MPM_LineToY(page, firstLine);
  request.right = MPM_ColumnToX(page, 76);
  request.bottom = MPM_LineToY(page, 58);
  request.charWidth = cw;
  request.charHeight = ch;
  SendMessage(SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&request));
  const int saved = temporary ? MPM_SavePageInNewMSRTempFile(page, 1, static_cast<uint32_t>(now), title, file)
                              : MPM_SavePageInMSRFile(page, file, 1, static_cast<uint32_t>(now), title);
  MPM_FreeMetaPageMaker(page);
  return saved != 0;
}

void CCtlSpt::ExportReportToQuibell(char* file, short temporary) {
  if (!file) return;
  char line[MAX_PATH + 16];
  std::snprintf(line, sizeof line, temporary ? "\"%s\"  \"-3\"" : "\"%s\"", file);
  char folder[MAX_PATH] = {};
  if (!GetProgramDirectory(folder)) folder[0] = 0;
  char program[MAX_PATH + 16];
  std::snprintf(program, sizeof program, "%s%squib5.exe", folder, folder[0] ? "\\" : "");
  LaunchProgram(program, line, 3);
}
