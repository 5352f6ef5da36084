// Entry points for reports, fonts and plot ranges.
#include "dialogs/report_entry_points.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/time_info_popup.h"
#include "dialogs/plot_range_dialogs.h"
#include "dialogs/print_reports_now.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/report_viewer.h"
#include "win/win_commdlg.h"
#include "win/win_user.h"

namespace {

std::string g_announcement;

void Announce(const std::string& text) {
  g_announcement = text;
  KELT_ModelessTimeInfoDialog(GetActiveWindow(), text.c_str(), 4000, -1, -1);
}

// Fonts get the OEM character set when the general preferences ask for it.
uint8_t CharSet() {
  int16_t oem = 0;
  std::memcpy(&oem, reinterpret_cast<const uint8_t*>(&kelt::prefs::DefaultGlobalPrefs()) + 188, sizeof oem);
  return oem > 0 ? 255 : 0;
}

BOOL EditFont(LOGFONTA* font, HWND parent, DWORD flags) {
  if (!font) return FALSE;
  LOGFONTA chosen = *font;
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = parent;
  cf.lpLogFont = &chosen;
  cf.Flags = flags;
  if (!ChooseFontA(&cf)) return FALSE;
  if (chosen.lfHeight < 0) chosen.lfHeight = -chosen.lfHeight;
  chosen.lfWidth = 0;
  chosen.lfCharSet = CharSet();
  *font = chosen;
  return TRUE;
}

}  // namespace

namespace kelt::dlg {

bool SpoolerInUse(const STRUCT_REPORT_PREFS& prefs) {
  return prefs.spooler.value0 == 1 || (prefs.spooler.spoolFile[0] && std::memchr(prefs.spooler.spoolFile, 0, 260));
}

const char* LastReportAnnouncement() { return g_announcement.c_str(); }

}  // namespace kelt::dlg

int Dlg_ViewReports(const char* path, int16_t temporary, const STRUCT_REPORT_PREFS* prefs, int16_t viewerOption) {
  const STRUCT_REPORT_PREFS& defaults = kelt::prefs::DefaultReportPrefs();
  try {
    if (defaults.spooler.previewReports) {
      Dlg_ViewReportsAlways(path, temporary, prefs, viewerOption);
      return 1;
    }
    if (kelt::dlg::SpoolerInUse(defaults)) {
      char text[320];
      std::snprintf(text, sizeof text, "Report sent to %.*s", 260,
                    defaults.spooler.spoolFile[0] ? defaults.spooler.spoolFile : "the spooler file");
      Announce(text);
      return 1;
    }
    const int32_t count = path && path[0] ? MSR_GetPageCount(path) : 0;
    if (count <= 0) return 1;  // nothing to print, nothing announced
    kelt::dlg::CPrintReportsStatusDlg dialog(nullptr);
    if (!dialog.Prepare()) return 1;
    dialog.m_pPrefs = const_cast<STRUCT_REPORT_PREFS*>(prefs ? prefs : &defaults);
    std::snprintf(dialog.m_FilePath, sizeof dialog.m_FilePath, "%s", path);
    dialog.m_FirstPage = 0;
    dialog.m_PageCount = count;
    dialog.m_LastPage = count - 1;
    dialog.m_Temporary = temporary;
    dialog.m_DeleteAfter = temporary ? 1 : 0;
    dialog.DoModal();
    char printer[104] = {};
    GetCurrentPrinterNames(printer, nullptr, nullptr);
    const std::string where = printer[0] ? printer : "Printer";
    // Only a print that ran to its end is announced as sent.
    if (dialog.m_PrintResult == 1) Announce("Report sent to " + where);
    else Announce("Report not printed on " + where);
  } catch (...) {
  }
  return 1;
}

BOOL Dlg_EditFixedFont(STRUCT_REPORT_PREFS* prefs, HWND parent) {
  return prefs ? EditFont(&prefs->fonts.fixedFont, parent, 0x1014041) : FALSE;
}

BOOL Dlg_EditVariableFont(STRUCT_REPORT_PREFS* prefs, HWND parent) {
  return prefs ? EditFont(&prefs->fonts.variableFont, parent, 0x1010041) : FALSE;
}

BOOL Dlg_EditOPlotsParams(int16_t plotMode, const SVW_OVERLAY* overlay, int16_t activePlot, double* start,
                          double* end, double* low0, double* high0, double* low1, double* high1) {
  if (!overlay) return FALSE;
  try {
    CPlotRangesDlg dialog(nullptr, plotMode == 3 ? PLOT_RANGES_DUAL_DIALOG_ID : PLOT_RANGES_DIALOG_ID, overlay,
                          activePlot);
    if (dialog.DoModal() != IDOK) return FALSE;
    if (start) *start = dialog.m_start;
    if (end) *end = dialog.m_end;
    if (low0) *low0 = dialog.m_low1;
    if (high0) *high0 = dialog.m_high1;
    if (low1) *low1 = dialog.m_low2;
    if (high1) *high1 = dialog.m_high2;
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
