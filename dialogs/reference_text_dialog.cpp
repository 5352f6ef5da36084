// The reference-text dialog and list printing.
#include "dialogs/reference_text_dialog.h"

#include <cstdio>
#include <cstring>

#include "common/library_state.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "common/result_codes.h"
#include "dialogs/dialog_frame.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_viewer.h"
#include "reportpages/single_file_header.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

const std::string kRule(71, '-');

std::vector<std::string> StatusErrors() {
  std::vector<std::string> l = {kRule,
                                "Results View Study Pane",
                                "    Compounds",
                                "        S - Internal Standard Peak",
                                "        R - Reference Peak",
                                "        T - Relative Retention Peak",
                                "        NA - Not Active",
                                "",
                                "    Data Files",
                                "        IMF - Number of Identified, Missing, and Failed compounds",
                                "        TUD - Number of Tentatively Identified, Unknown, and Duplicate",
                                "              unknown peaks",
                                "",
                                kRule,
                                "Result Codes"};
  for (int bit = 0; bit < 23; ++bit) l.push_back(std::string("     ") + ResultCode_StringFromFlag(1u << bit));
  l.push_back(" ");
  l.push_back(kRule);
  l.push_back("Separation Codes");
  const char* const separations[][2] = {{"BV", "Baseline to Valley"},
                                        {"BB", "Baseline to baseline"},
                                        {"MB", "Mended end to baseline"},
                                        {"VB", "Valley to baseline"},
                                        {"VV", "Valley to valley"},
                                        {"MM", "Mended end to mended end"},
                                        {"MV", "Mended end to valley"},
                                        {"TS", "Separated tangent peaks"},
                                        {"TF", "Fused tangent peaks"},
                                        {"GR", "Group peak, post run calculation function"},
                                        {"BM", "Baseline to mended end"},
                                        {"VM", "Valley to mended end"},
                                        {"HF", "Horizontal forward"},
                                        {"HB", "Horizontal backward"},
                                        {"HM", "Horizontal minimum"}};
  for (const auto& s : separations) l.push_back(std::string("     ") + s[0] + " : " + s[1]);
  return l;
}

std::vector<std::string> HotKeys() {
  return {kRule,
          "Data Files Pane",
          "        Mouse Click - Select a Data File",
          "        Ctrl + Click - Add a Data File to the Selection",
          "        F5 - Refresh the Data Files",
          kRule,
          "Plot Descriptors Pane",
          "        Mouse Click - Plot the Descriptor",
          "        Ctrl + Click - Add the Descriptor to the Plots",
          "        Shift + Click - Add a Range of Descriptors",
          "        Alt + Click - Replace the Active Plot",
          kRule,
          "Chromatogram Plot Control",
          "    Single-Click Actions",
          "        s - Display Spectrum",
          "        Ctrl + s - Display Background-Subtracted Spectrum",
          "        l - Library Search",
          "        j - List Search",
          "        e - Export Spectrum",
          "    Left-Click/Right-Click Point/Spectrum Selection Override",
          "        a - Apex Spectrum of the Peak",
          "        t - Spectrum at the Time Clicked",
          "    Click-And-Drag Actions",
          "        z - Zoom Chromatogram",
          "        w - Average Spectra in the Range",
          "        n - Noise in the Range",
          "        r - Range for Background Subtraction",
          "        m - Move a Label",
          "        i - Integrate the Range",
          "        b - Copy the Area as a Bitmap",
          "    Double-Click Override",
          "        u - Undo the Last Zoom",
          "    Keyboard Actions",
          "        Left Arrow - Previous Scan",
          "        Down Arrow - Next Plot",
          "        Right Arrow - Next Scan",
          "        Up Arrow - Previous Plot",
          kRule,
          "Spectra Plot Control",
          "    Single-Click-Actions",
          "        l - Library Search",
          "        j - List Search",
          "        e - Export Spectrum",
          "        p - Create New Chromatogram using Mass",
          "    Click-And-Drag Actions",
          "        z - Zoom Spectrum",
          "        p - Create New Chromatogram using Mass Range",
          "        b - Copy the Area as a Bitmap",
          kRule,
          "Window Arrangement",
          "        c - Cascade Windows",
          "        h - Tile Windows Horizontally",
          "        v - Tile Windows Vertically",
          kRule,
          "Miscellaneous",
          "    F1 - Help"};
}

std::vector<std::string> ResultColumns() {
  const char* const columns[][2] = {
      {"Acquisition Date", "The date and time the data file was acquired."},
      {"Amount", "The calculated amount of the compound."},
      {"Amount Reject", "Whether the amount lies outside the compound's reject limits."},
      {"Amount Units", "The units of the amount."},
      {"Amount/RF", "The amount divided by the response factor."},
      {"Area", "The area of the peak."},
      {"Baseline Code (Separation Code)", "How the peak's baseline was drawn (see Separation Codes)."},
      {"Calculation Date", "The date and time the results were calculated."},
      {"Cali. Curve Calculations", "The calculations used for the calibration curve."},
      {"Calibration Amount", "The amount of the compound in the calibration standard."},
      {"Calibration Date", "The date and time of the last calibration."},
      {"Calibration Equation", "The equation of the calibration curve."},
      {"CAS Number", "The compound's Chemical Abstracts Service registry number."},
      {"Channels", "The scan channels the compound is quantitated on."},
      {"Corr. Coef. (Coefficient of Determination)", "How well the calibration curve fits its points."},
      {"Data File", "The name of the data file."},
      {"Delta RT (min)", "The difference between the found and the expected retention time."},
      {"Divisor", "The sample divisor applied to the amount."},
      {"Error", "The error of the result, when it could not be calculated."},
      {"Expected RT (min)", "The retention time the method expects."},
      {"F. Match", "The forward match of the library search."},
      {"Group Name", "The group the compound belongs to."},
      {"Height", "The height of the peak."},
      {"In Lib Prob.", "The probability that the compound is in the library."},
      {"Ion Ratios", "The ratios of the qualifier ions to the quantitation ion."},
      {"Ion Time (usec)", "The dwell time of the ion."},
      {"IS Amount", "The amount of the internal standard."},
      {"IS Area", "The area of the internal standard's peak."},
      {"IS Deviation", "The deviation of the internal standard's response."},
      {"IS Factor", "The response factor of the internal standard."},
      {"IS Height", "The height of the internal standard's peak."},
      {"IS Peak Name", "The name of the internal standard."},
      {"IS RT (min)", "The retention time of the internal standard."},
      {"Lbr. #", "The entry number in the library."},
      {"Library", "The library the match was found in."},
      {"Match Prob", "The probability of the library match."},
      {"Match Result", "The result of the library match."},
      {"Match Type (Search Type)", "The kind of library search."},
      {"Multiplier", "The sample multiplier applied to the amount."},
      {"Peak Name", "The name of the compound."},
      {"Peak Reject", "Whether the peak failed the compound's reject criteria."},
      {"Peak Type", "The kind of peak: target, internal standard, reference."},
      {"Peak Width", "The width of the peak."},
      {"Method Peak Width", "The peak width given in the method."},
      {"Quan Ions", "The ions used to quantitate the compound."},
      {"R. Match", "The reverse match of the library search."},
      {"Result #", "The number of the result."},
      {"Result Type", "The kind of result."},
      {"RF Used", "The response factor used for the amount."},
      {"RF/RRF", "The response factor or relative response factor."},
      {"RRT", "The relative retention time."},
      {"RRT % Deviation", "The deviation of the relative retention time, in percent."},
      {"RSD", "The relative standard deviation of the response factors."},
      {"RSD", "The relative standard deviation of the calibration levels."},
      {"RT (min)", "The retention time of the peak."},
      {"RT. Window", "The retention time window searched for the peak."},
      {"S/N Ratio", "The signal-to-noise ratio of the peak."},
      {"S/N Reject", "Whether the signal-to-noise ratio is below the threshold."},
      {"Sample Name", "The name of the sample."},
      {"Sample Notes", "The notes of the sample."},
      {"Sample Type", "The kind of sample."},
      {"Scan Descriptor", "The scan function of the spectrum."},
      {"Scan Number", "The scan number of the peak's apex."},
      {"Search Type", "The kind of library search."},
      {"Slope Sensitivity (S/N)", "The slope sensitivity of the peak detection."},
      {"Status", "The status codes of the result (see Result Codes)."},
      {"Tangent %", "The tangent skim percentage."},
      {"Threshold", "The threshold of the peak detection."},
      {"Top Match", "The best library match."},
      {"Top 2 Matches", "The two best library matches."},
      {"Top 3 Matches", "The three best library matches."}};
  std::vector<std::string> l;
  for (const auto& c : columns) {
    l.push_back("");
    l.push_back(std::string(c[0]) + " - " + c[1]);
  }
  return l;
}

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, INFO_TEXT_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Information";
  t.cx = 340;
  t.cy = 220;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items = {
      {IDC_INFO_LIST, "ListBox", "", WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, 0, 6, 6, 328, 186},
      {IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 150, 200, 56, 14},
      {IDC_INFO_PRINT, "Button", "Print", push, 0, 214, 200, 56, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 278, 200, 56, 14},
  };
  AddDialog(module, INFO_TEXT_DIALOG_ID, t);
}

class CInfoTextDlg : public CDialog {
 public:
  std::vector<std::string> m_lines;
  std::string m_title;
  uint32_t m_context = 0;

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_help.SetContext(m_context);
    RECT r{};
    ::GetClientRect(::GetDlgItem(m_hWnd, IDC_INFO_LIST), &r);
    SendDlgItemMessage(IDC_INFO_LIST, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(2 * (r.right - r.left)), 0);
    // The texts line up in columns: a fixed font.
    m_font = ::CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New");
    if (m_font) SendDlgItemMessage(IDC_INFO_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    SetWindowText(m_title.c_str());
    for (const std::string& line : m_lines)
      SendDlgItemMessage(IDC_INFO_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    PositionDialog(m_hWnd, nullptr);
    return TRUE;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == IDC_INFO_PRINT) {
      std::string path;
      if (kelt::dlg::PrintLinesAsReportPages(m_lines, m_title, &path) > 0) {
        STRUCT_REPORT_PREFS prefs{};
        KELT_ReadDefReportPrefs(&prefs, nullptr);
        Dlg_ViewReports(path.c_str(), 1, &prefs, 0);
      }
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_DESTROY && m_font) {
      ::DeleteObject(m_font);
      m_font = nullptr;
    }
    if (m_help.Handle(this, msg, wParam, lParam)) return 0;
    return CDialog::WindowProc(msg, wParam, lParam);
  }

 private:
  HFONT m_font = nullptr;
  kelt::dlg::DialogHelp m_help;
};

void Show(kelt::dlg::ReferenceText which, const char* title, uint32_t context) {
  AddTemplate();
  CInfoTextDlg dlg;
  if (!kelt::dlg::InitModalFromLibrary(&dlg, INFO_TEXT_DIALOG_ID, nullptr)) return;
  dlg.m_lines = kelt::dlg::ReferenceTextLines(which);
  dlg.m_title = title;
  dlg.m_context = context;
  dlg.DoModal();
}

}  // namespace

namespace kelt::dlg {

std::vector<std::string> ReferenceTextLines(ReferenceText which) {
  switch (which) {
    case ReferenceText::StatusErrors: return StatusErrors();
    case ReferenceText::HotKeys: return HotKeys();
    case ReferenceText::ResultColumns: return ResultColumns();
  }
  return {};
}

int PrintLinesAsReportPages(const std::vector<std::string>& lines, const std::string& title, std::string* reportsPath,
                            const STRUCT_WORK_FILE* headerFile) {
  if (lines.empty()) return 0;
  HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  STRUCT_REPORT_PREFS prefs{};
  KELT_ReadDefReportPrefs(&prefs, nullptr);
  const bool landscape = prefs.spooler.orientation == 2;
  CMPage* page = MPM_InitMetaPageMaker(&prefs, landscape ? 140 : 80, landscape ? 60 : 72, 0);
  if (!page) {
    ::SetCursor(old);
    return 0;
  }
  const uint32_t now = static_cast<uint32_t>(GetCurrentDateTime());
  const time32_t stamp = static_cast<time32_t>(now);
  char date[40] = {}, time[40] = {};
  KELT_FormatDateTimeFromLong(&stamp, date, time);
  char path[260] = {};
  int pages = 0, line = 0, first = 4;
  bool open = false;
  auto store = [&] {
    const bool ok = pages == 0 ? MPM_SavePageInNewMSRTempFile(page, static_cast<int16_t>(pages + 1), now, title.c_str(), path)
                               : MPM_SavePageInMSRFile(page, path, static_cast<int16_t>(pages + 1), now, title.c_str());
    if (ok) ++pages;
    open = false;
  };
  for (const std::string& text : lines) {
    if (text.size() >= 280) continue;  // too long for any page
    if (!open) {
      MPM_StartNewPage(page, 0);
      open = true;
      int16_t w = 0, h = 0;
      MPM_SelectNormalFont(page, &w, &h);
      char head[120];
      std::snprintf(head, sizeof head, "%s - %s, Page - %d", date, time, pages + 1);
      MPM_CLTextOut(page, 40, 1, head);
      MPM_SelectLargeFont(page, &w, &h);
      MPM_CLTextOut(page, 4, 2, title.c_str());
      line = 4;
      if (headerFile) {
        MPM_SelectNormalFont(page, &w, &h);
        line = MPM_AddSingleFileHeader(page, 4, 4, headerFile, nullptr, pages > 0 ? 1 : 0) + 1;
      }
      MPM_SelectFixedFont(page, &w, &h);
      first = line;
    }
    MPM_CLTextOut(page, 4, static_cast<int16_t>(line), text.c_str());
    if (++line >= 59) store();
  }
  if (open && line > first) store();
  else if (open) MPM_CancelPage(page);
  MPM_FreeMetaPageMaker(page);
  ::SetCursor(old);
  if (reportsPath) *reportsPath = path;
  return pages;
}

}  // namespace kelt::dlg

void Dlg_ViewStatusErrorInfo() { Show(kelt::dlg::ReferenceText::StatusErrors, "Status/Error Codes", 206); }
void Dlg_ViewHotKeysInfo() { Show(kelt::dlg::ReferenceText::HotKeys, "Hot Keys", 202); }
void Dlg_ViewResultsColInfo() { Show(kelt::dlg::ReferenceText::ResultColumns, "Results List Columns", 214); }
