// "Print All Plots": one report page with a title, the data file's header
// (or a numbered list of the plots' files) and every shown plot, stored in
// the current reports file and then shown in the report viewer, or handed
// to the data review program by the controls that belong to it.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "dialogs/reports_file_choice.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "overlayctl/overlay_plot_control.h"
#include "overlayctl/plot_page_record.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_viewer.h"
#include "reportpages/single_file_header.h"
#include "win/win_crt.h"

namespace {

// The page of a print-all: 80 columns by 60 lines.
constexpr int16_t kColumns = 80;
constexpr int16_t kLines = 60;

// Holds the control's printing flag and the wait cursor while a page is drawn.
class PrintingScope {
 public:
  explicit PrintingScope(int16_t* busy) : busy_(busy), cursor_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {
    *busy_ = 1;
  }
  ~PrintingScope() {
    SetCursor(cursor_);
    *busy_ = 0;
  }
  PrintingScope(const PrintingScope&) = delete;
  PrintingScope& operator=(const PrintingScope&) = delete;

 private:
  int16_t* busy_;
  HCURSOR cursor_;
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

template <size_t N>
std::string Field(const char (&text)[N]) {
  return std::string(text, strnlen(text, N));
}

}  // namespace

UINT CCtlOPlot::PrintMessageForKind() const {
  if (m_controlKind == 1) return OPM_PRINTPLOT_KIND1;
  if (m_controlKind == 2) return OPM_PRINTPLOT_KIND2;
  return OPM_PRINTPLOT;
}

const char* CCtlOPlot::PrintAllTitle() const {
  const SVW_OVERLAY* o = m_pOverlay;
  int present = 0;
  for (int i = 0; o && i < OPLOT_SLOTS; ++i) present += OverlaySlotPresent(o, i) ? 1 : 0;
  if (m_titleOn && m_titleText[0]) return present > 1 ? "Plots" : "Plot";
  if (present >= 2 && o && o->head.displayMode == OVERLAY_MODE_OVERLAID) return "Overlaid Chromatogram Plots";
  return present > 1 ? "Chromatogram Plots" : "Chromatogram Plot";
}

int CCtlOPlot::PrintAllToReportsFile(char* path, int16_t temporary) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !path) return 0;
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);

  // One file when every present plot shows the same data file.
  int first = -1, present = 0;
  bool singleFile = true;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (!OverlaySlotPresent(o, i)) continue;
    ++present;
    const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    if (first < 0) {
      first = i;
    } else {
      const STRUCT_WORK_FILE* wf0 = o->slots[first].workFile;
      if (!wf || !wf0 || _strnicmp(wf->filePath, wf0->filePath, sizeof wf->filePath) != 0) singleFile = false;
    }
  }
  if (first < 0) return 0;
  const bool strip = singleFile && m_segmentsShown;

  const bool landscape = prefs.spooler.orientation == 2;
  CMPage* page = MPM_InitMetaPageMaker(&prefs, kColumns, kLines, landscape ? 1 : 0);
  if (!page) return 0;
  if (!MPM_StartNewPage(page, 0)) {
    MPM_FreeMetaPageMaker(page);
    return 0;
  }
  int saved = 0;
  const std::string title = PrintAllTitle();
  {
    PrintingScope scope(&m_busy);
    int16_t cw = 0, ch = 0;
    int16_t line = 1;
    double factor = 0;
    int16_t overridden = 0;
    KELT_GetPlotReportOverrides(&factor, &overridden);
    if (!overridden) {
      MPM_SelectULargeFont(page, &cw, &ch);
      MPM_CLTextOut(page, 4, 1, title.c_str());
      MPM_SelectNormalFont(page, &cw, &ch);
      line = 3;
      if (singleFile) {
        if (prefs.chroReport.flag0 && m_controlKind != 4) {
          const std::string name = Field(o->slots[first].displayFileName);
          line = MPM_AddSingleFileHeader(page, line, 4, o->slots[first].workFile, name.c_str(),
                                         m_controlKind == 3 ? 1 : 0);
        }
      } else if (prefs.chroReport.flag2) {
        int number = 0;
        for (int i = 0; i < OPLOT_SLOTS && line < kLines - 6; ++i) {
          if (!OverlaySlotPresent(o, i)) continue;
          std::string name = Field(o->slots[i].displayFileName);
          if (name.empty() && o->slots[i].workFile) name = Field(o->slots[i].workFile->filePath);
          char shortName[64] = {};
          KELT_TruncateFileString(name.c_str(), 48, shortName);
          char text[320];
          std::snprintf(text, sizeof text, "Plot %d:  %s  %s", ++number, Lower(shortName).c_str(),
                        Field(o->slots[i].title).c_str());
          MPM_CLTextOut(page, 4, line++, text);
        }
      }
      ++line;
    }

    STRUCT_OPLOT_PRINT_PLOT record = kelt::overlay::PlotPageRecord(page, line, strip);
    if (record.dc) SendMessage(PrintMessageForKind(), 0, reinterpret_cast<LPARAM>(&record));
    saved = kelt::overlay::SavePlotPage(page, temporary != 0, title.c_str(), path);
  }
  return saved ? 1 : 0;
}

void CCtlOPlot::OnPrintAll() {
  if (!m_pOverlay || m_busy) return;
  char path[MAX_PATH] = {};
  int16_t temporary = 0;
  if (!RPTS_GetReportsFile(path, &temporary)) return;
  if (!PrintAllToReportsFile(path, temporary)) return;
  if (m_controlKind == 3 || m_controlKind == 4) {
    ExportReportToQuibell(path, temporary);
    return;
  }
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  Dlg_ViewReports(path, temporary, &prefs, 0);
}

int CCtlOPlot::HandReportToQuibell(const char* path, short temporary) {
  if (!path || !path[0]) return 0;
  char folder[MAX_PATH] = {};
  if (!GetProgramDirectory(folder)) folder[0] = 0;
  std::string program = folder;
  if (!program.empty() && program.back() != '\\') program += '\\';
  program += "quib5.exe";
  // The path goes over as one argument, whatever characters it holds.
  const char* args[3] = {path, temporary ? "-3" : nullptr, nullptr};
  return LaunchProgramWithArguments(program.c_str(), args, 3) ? 1 : 0;
}

void CCtlOPlot::ExportReportToQuibell(char* path, short temporary) {
  // A program that cannot be started is told, instead of passing in silence.
  if (!HandReportToQuibell(path, temporary)) KELT_ShowDoneStatus(0);
}
