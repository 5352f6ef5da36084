// The feature, scale, plot and report pages, and the spooler,
// miscellaneous and scientific-notation pages.
#include <cstdio>
#include <cstring>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "reportpages/msr_functions.h"
#include "win/win_resources.h"
#include "win/win_user.h"

using prefsheets::Choice;
using prefsheets::PageLayout;

namespace {

bool HaveTemplate(int id) { return win::resources::FindDialog(kelt::lib::ModuleHandle(), id) != nullptr; }
bool Research() { return kelt::lib::Settings().canShowHalfHeights != 0; }
prefsheets::RememberedPages& R() { return prefsheets::Remembered(); }

// A track bar for line thickness with "Narrow" and "Thick" under it.
void ThicknessBar(PageLayout& l, int x, int y) {
  l.Group("Thick Line", x, y, 130, 46);
  l.Track(PREFS_TRACK, x + 6, y + 12, 118);
  l.Add(PREFS_STRIP, "Button", "", BS_OWNERDRAW | WS_DISABLED, x + 6, y + 30, 118, 10);
}

bool DrawThickness(const DRAWITEMSTRUCT* d, void (*draw)(const DRAWITEMSTRUCT*, const char*, const char*, const char*)) {
  if (static_cast<int>(d->CtlID) != PREFS_STRIP) return false;
  draw(d, "Narrow", nullptr, "Thick");
  return true;
}

}  // namespace

// ---- Spectra features ---------------------------------------------------------------

CSptsFeaturesPage::CSptsFeaturesPage(int16_t mode, UINT templateId)
    : CPrefPage(templateId, "Features", 14, 6, &R().spectra, 169), m_mode(mode) {
  const bool lists = mode == 0 || mode == 1;
  BindCheck(PREFS_CHECK + 0, 0);
  BindNumber(PREFS_NUMBER, 2, 2, "Percent of Base Line below which Masses are NOT Shown", 0.0, 99.0, 6, 10, "%.1f");
  BindCheck(PREFS_CHECK + 1, 4);
  BindCombo(PREFS_COMBO + 0, 6,
            lists ? std::vector<Choice>{{0, "Zoom Spectrum"},
                                        {1, "Create New Chromatogram Plot using Mass Range"},
                                        {2, "Export Bitmap to Clipboard"}}
                  : std::vector<Choice>{});
  BindCombo(PREFS_COMBO + 1, 8,
            lists ? std::vector<Choice>{{0, "Library Search Selected Spectrum"},
                                        {1, "Target List Search Selected Spectrum"},
                                        {2, "Export Selected Spectrum to Active Spectrum List"},
                                        {3, "Create New Chromatogram Plot using Mass"},
                                        {4, "No Action"}}
                  : std::vector<Choice>{});
  BindCombo(PREFS_COMBO + 2, 10, {{0, "Plot"}, {1, "Ion/Intensity List"}, {2, "Summary Information"}});
  BindCheck(PREFS_CHECK + 2, 12);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Features");
  l.Check(PREFS_CHECK + 0, "Show &Gain Controls", 10, 8);
  l.Check(PREFS_CHECK + 1, "Show &Toolbar", 10, 20);
  l.Check(PREFS_CHECK + 2, "Background Correct Spectra", 10, 32);
  l.Text("Do not show masses below", 10, 50, 100);
  l.Edit(PREFS_NUMBER, 112, 48, 34);
  l.Text("% of the base peak.", 150, 50, 100);
  l.Text("Click and Drag Action:", 10, 70, 200);
  l.Combo(PREFS_COMBO + 0, 10, 80, 240);
  l.Text("Single Click Action:", 10, 100, 200);
  l.Combo(PREFS_COMBO + 1, 10, 110, 240);
  l.Text("Display Format:", 10, 130, 200);
  l.Combo(PREFS_COMBO + 2, 10, 140, 240);
  l.Register(static_cast<int>(templateId));
}

void CSptsFeaturesPage::ApplyRules() {
  const bool lists = m_mode == 0 || m_mode == 1;
  Enable(PREFS_COMBO + 0, lists);
  Enable(PREFS_COMBO + 1, lists);
  if (m_mode == 3) {
    SetWord(12, 0);
    ShowCheck(PREFS_CHECK + 2, false);
  }
  Enable(PREFS_CHECK + 2, m_mode != 3);
}

// ---- Chromatogram features ------------------------------------------------------------

CChroFeaturesPage::CChroFeaturesPage(int16_t defaultsFlag, int16_t mode, UINT templateId)
    : CPrefPage(templateId, "Features", 12, 8, &R().chromatogram, 170), m_mode(mode) {
  m_defaultsFlag = defaultsFlag;
  const bool lists = mode == 0 || mode == 1;
  BindCheck(PREFS_CHECK + 0, 0);
  BindCheck(PREFS_CHECK + 1, 2);
  BindCheck(PREFS_CHECK + 2, 4);
  BindCombo(PREFS_COMBO + 0, 6,
            lists ? std::vector<Choice>{{1, "1 Point Spectrum"},
                                        {3, "3 Point Spectrum Average"},
                                        {5, "5 Point Spectrum Average"},
                                        {7, "7 Point Spectrum Average"}}
                  : std::vector<Choice>{});
  std::vector<Choice> drag;
  if (lists) {
    drag = {{0, "Zoom Chromatogram"},      {1, "Average Selected Spectra"}, {2, "Calculate Noise"},
            {6, "Calculate Time Range"},   {3, "Move Chromatogram"},        {4, "Integrate Area"},
            {5, "Export Bitmap to Clipboard"}};
    if (Research()) drag.push_back({7, "Linearity Report"});
  }
  BindCombo(PREFS_COMBO + 1, 8, drag);
  BindCombo(PREFS_COMBO + 2, 10,
            lists ? std::vector<Choice>{{0, "Display Spectrum"},
                                        {1, "Library Search Selected Scan"},
                                        {2, "Target List Search Selected Scan"},
                                        {3, "Export Selected Scan to Active Spectrum List"},
                                        {4, "No Action"}}
                  : std::vector<Choice>{});
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Features");
  l.Check(PREFS_CHECK + 0, "Show &Gain Controls", 10, 8);
  l.Check(PREFS_CHECK + 1, "Show &Acquisition Segments", 10, 20);
  l.Check(PREFS_CHECK + 2, "Show &Toolbar", 10, 32);
  l.Group("Spectra Export Features", 6, 48, 266, 36);
  l.Text("Number of Spectra to Average:", 12, 60, 124);
  l.Combo(PREFS_COMBO + 0, 140, 58, 124);
  l.Text("Click and Drag Action:", 10, 92, 200);
  l.Combo(PREFS_COMBO + 1, 10, 102, 240);
  l.Text("Single Click Action:", 10, 122, 200);
  l.Combo(PREFS_COMBO + 2, 10, 132, 240);
  l.Register(static_cast<int>(templateId));
}

void CChroFeaturesPage::ApplyRules() {
  const bool lists = m_mode == 0 || m_mode == 1;
  for (int k = 0; k < 3; ++k) Enable(PREFS_COMBO + k, lists);
  const bool segments = !(m_mode == 2 || m_mode == 3 || m_mode == 4);
  if (!segments) {
    SetWord(2, 0);
    ShowCheck(PREFS_CHECK + 1, false);
  }
  Enable(PREFS_CHECK + 1, segments);
}

// ---- Scales ------------------------------------------------------------------------------

CScalesPage::CScalesPage(UINT templateId) : CPrefPage(templateId, "Scales", 42, 3, &R().spectra, 155) {
  BindRadio(PREFS_RADIO + 0, 16, 2);
  BindRadio(PREFS_RADIO + 1, 16, 1);
  BindRadio(PREFS_RADIO + 2, 16, 0);
  BindRadio(PREFS_RADIO + 3, 18, 0);
  BindRadio(PREFS_RADIO + 4, 18, 1);
  BindRadio(PREFS_RADIO + 5, 20, 0);
  BindRadio(PREFS_RADIO + 6, 20, 1);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Scales");
  l.Group("New Spectrum m/z Range", 6, 4, 266, 48);
  l.Radio(PREFS_RADIO + 0, "&Acquired", 12, 16, 200, true);
  l.Radio(PREFS_RADIO + 1, "&Fixed", 12, 27, 200);
  l.Radio(PREFS_RADIO + 2, "&Maximum (of current and previous)", 12, 38, 200);
  l.Group("Vertical Scale Values", 6, 56, 266, 36);
  l.Radio(PREFS_RADIO + 3, "&Percent", 12, 68, 100, true);
  l.Radio(PREFS_RADIO + 4, "&Absolute", 12, 79, 100);
  l.Group("New Spectrum Vertical Scale", 6, 96, 266, 36);
  l.Radio(PREFS_RADIO + 5, "Auto Scale", 12, 108, 100, true);
  l.Radio(PREFS_RADIO + 6, "Fixed Scale", 12, 119, 100);
  l.Register(static_cast<int>(templateId));
}

// ---- Labeling and comparisons ----------------------------------------------------------------

CLabelingPage::CLabelingPage(int16_t mode, UINT templateId)
    : CPrefPage(templateId, "Labeling and Comparisons", 42, 4, &R().spectra, 167), m_mode(mode) {
  const int offsets[6] = {0, 2, 4, 6, 8, 10};
  for (int k = 0; k < 6; ++k) BindCheck(PREFS_CHECK + k, offsets[k]);
  BindNumber(PREFS_NUMBER, 12, 2, "Lower Percent of Plot without Labels", 0, 95, 2);
  BindCheck(PREFS_CHECK + 6, 14);
  BindCheck(PREFS_CHECK + 7, 22);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Labeling and Comparisons");
  const char* texts[6] = {"Show &Chemical Structures", "Show &Spectra Comparison", "&Overlay Spectra A and B",
                          "Show &Difference Spectrum", "Show &Ion Labels",        "Show &Amplitude Labels"};
  for (int k = 0; k < 6; ++k) l.Check(PREFS_CHECK + k, texts[k], 10, 8 + 12 * k, 200);
  l.Text("Peak Label Threshold:", 10, 84, 86);
  l.Edit(PREFS_NUMBER, 98, 82, 22);
  l.Text("% of Plot", 124, 84, 60);
  l.Check(PREFS_CHECK + 6, "Overlay Smoothed, Profile, Centroid Spectra", 10, 100, 220);
  l.Check(PREFS_CHECK + 7, "Show &Half Height Labels", 10, 112, 200);
  l.Register(static_cast<int>(templateId));
}

void CLabelingPage::ApplyRules() {
  if (!Research()) Shrink(PREFS_CHECK + 7);
  if (m_mode != 3) return;
  const int forced[5] = {0, 2, 4, 6, 14};
  const int ids[5] = {PREFS_CHECK + 0, PREFS_CHECK + 1, PREFS_CHECK + 2, PREFS_CHECK + 3, PREFS_CHECK + 6};
  for (int k = 0; k < 5; ++k) {
    SetWord(forced[k], 0);
    ShowCheck(ids[k], false);
    Enable(ids[k], false);
  }
}

// ---- Profile plots ------------------------------------------------------------------------------

CProfilePlotsPage::CProfilePlotsPage(UINT templateId)
    : CPrefPage(templateId, "Profile Plots", 48, 7, &R().spectra, 211) {
  BindCheck(PREFS_CHECK + 0, 0);
  BindCheck(PREFS_CHECK + 1, 2);
  static char texts[26][4];
  std::vector<Choice> points;
  for (int k = 0; k < 26; ++k) {
    std::snprintf(texts[k], sizeof texts[k], "%d", 2 * k + 1);
    points.push_back({static_cast<int16_t>(2 * k + 1), texts[k]});
  }
  BindCombo(PREFS_COMBO, 4, points);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Profile Plots");
  l.Check(PREFS_CHECK + 0, "&Smooth Profile Spectra", 10, 8, 200);
  l.Check(PREFS_CHECK + 1, "Show both &Raw and Smooth", 20, 20, 200);
  l.Combo(PREFS_COMBO, 20, 34, 40);
  l.Text("Point Smooth", 64, 36, 80);
  l.Register(static_cast<int>(templateId));
}

void CProfilePlotsPage::ApplyRules() {
  Enable(PREFS_CHECK + 1, Word(0) != 0);
  Enable(PREFS_COMBO, Word(0) != 0);
}

// ---- Markers ---------------------------------------------------------------------------------------

CMarkersPage::CMarkersPage(int16_t defaultsFlag, int16_t optimization, int16_t report, int16_t mode, UINT templateId)
    : CPrefPage(templateId, report ? "Chro. Markers" : "Markers", 104, report ? 5 : 3,
                report ? &R().report : &R().chromatogram, 168),
      m_optimization(optimization),
      m_report(report),
      m_mode(report ? -1 : mode) {
  m_defaultsFlag = defaultsFlag;
  BindCheck(PREFS_CHECK + 0, 0);
  BindNumber(PREFS_NUMBER + 0, 2, 2, "Maximum Markers Per Centimeter", 1, 10, 3);
  BindCheck(PREFS_CHECK + 1, 96);
  BindCheck(PREFS_CHECK + 2, 98);
  BindCheck(PREFS_CHECK + 3, 100);
  BindNumber(PREFS_NUMBER + 1, 102, 2, "Approximate Number of Characters per Line", 10, 120, 3);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Markers");
  l.Group("Data Point Markers", 6, 4, 266, 44);
  l.Check(PREFS_CHECK + 0, "Enable &Markers", 12, 16, 150);
  l.Text("Maximum Markers Per Centimeter:", 12, 32, 130);
  l.Edit(PREFS_NUMBER + 0, 144, 30, 26);
  l.Group("Integration Area Markers", 6, 52, 266, 30);
  l.Push(PREFS_APPEARANCE, "Edit color and Font", 12, 62, 90);
  l.Check(PREFS_CHECK + 1, "Show Background Correction Markers", 10, 90, 200);
  l.Check(PREFS_CHECK + 2, "Show System Event Markers", 10, 102, 200);
  l.Group("Annotation Markers", 6, 118, 266, 44);
  l.Check(PREFS_CHECK + 3, "Name on Own Line", 12, 130, 150);
  l.Text("Approximate Number of Characters per Line:", 12, 146, 160);
  l.Edit(PREFS_NUMBER + 1, 174, 144, 26);
  l.Register(static_cast<int>(templateId));
}

void CMarkersPage::ApplyRules() {
  ::SetDlgItemTextA(m_hWnd, PREFS_CHECK, m_optimization ? "Show Markers and Lines" : "Enable &Markers");
  Enable(PREFS_NUMBER + 0, Word(0) != 0);
  auto force = [&](int id, int offset) {
    SetWord(offset, 0);
    ShowCheck(id, false);
    Enable(id, false);
  };
  if (m_mode == 4) force(PREFS_CHECK + 1, 96);
  if (m_mode != 0 && m_mode != 1 && m_mode != -1) force(PREFS_CHECK + 2, 98);
  const bool appearance = !(m_mode == 4 || m_mode == -1 || m_optimization);
  Enable(PREFS_APPEARANCE, appearance);
  if (m_report) {
    Enable(PREFS_CHECK + 3, false);
    Enable(PREFS_NUMBER + 1, false);
  }
  if (m_optimization) {
    for (int id : {PREFS_CHECK + 1, PREFS_CHECK + 2, PREFS_CHECK + 3, PREFS_NUMBER + 1}) Enable(id, false);
  }
}

bool CMarkersPage::OnPageCommand(int id, int code) {
  if (id != PREFS_APPEARANCE || code != BN_CLICKED) return false;
  EditAppearance(4, 4);
  return true;
}

// ---- Noise --------------------------------------------------------------------------------------------

CNoisePage::CNoisePage(int16_t defaultsFlag, UINT templateId)
    : CPrefPage(templateId, "Noise", 94, 11, &R().chromatogram, 191) {
  m_defaultsFlag = defaultsFlag;
  BindRadio(PREFS_RADIO + 0, 0, 0);
  BindRadio(PREFS_RADIO + 1, 0, 1);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Noise");
  l.Group("Noise Calculation", 6, 4, 266, 36);
  l.Radio(PREFS_RADIO + 0, "Peak to Peak", 12, 16, 100, true);
  l.Radio(PREFS_RADIO + 1, "RMS", 12, 27, 100);
  l.Group("Signal/Noise Markers", 6, 44, 266, 30);
  l.Push(PREFS_APPEARANCE, "Edit Color and Font", 12, 54, 90);
  l.Register(static_cast<int>(templateId));
}

bool CNoisePage::OnPageCommand(int id, int code) {
  if (id != PREFS_APPEARANCE || code != BN_CLICKED) return false;
  EditAppearance(2, 1);
  return true;
}

// ---- Chromatogram plot ----------------------------------------------------------------------------------

CChroPlotPage::CChroPlotPage(int16_t defaultsFlag, UINT templateId)
    : CPrefPage(templateId, "Chromatogram Plot", 12, 9, &R().chromatogram, 174) {
  m_defaultsFlag = defaultsFlag;
  BindRadio(PREFS_RADIO + 0, 0, 0);
  BindRadio(PREFS_RADIO + 1, 0, 1);
  BindRadio(PREFS_RADIO + 2, 0, 2);
  BindCheck(PREFS_CHECK + 0, 2);
  BindCombo(PREFS_COMBO, 4, {{1, "3"}, {2, "5"}, {3, "7"}, {4, "9"}, {5, "11"}});
  BindRadio(PREFS_RADIO + 3, 6, 0);
  BindRadio(PREFS_RADIO + 4, 6, 1);
  BindCheck(PREFS_CHECK + 1, 8);
  BindNumber(PREFS_NUMBER, 10, 2, "Spike Threshold", 2, 20, 6);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Chromatogram Plot");
  l.Group("Plot", 6, 4, 266, 48);
  l.Radio(PREFS_RADIO + 0, "&Raw Data Only", 12, 16, 200, true);
  l.Radio(PREFS_RADIO + 1, "&Filtered Data Only", 12, 27, 200);
  l.Radio(PREFS_RADIO + 2, "&Overlay Filtered/Raw Data", 12, 38, 200);
  l.Group("Filtering", 6, 56, 266, 96);
  l.Check(PREFS_CHECK + 0, "&Smooth Data", 12, 68, 100);
  l.Combo(PREFS_COMBO, 24, 82, 34);
  l.Text("Point Smooth", 62, 84, 60);
  l.Radio(PREFS_RADIO + 3, "&Mean", 130, 70, 100, true);
  l.Radio(PREFS_RADIO + 4, "Savitsky &Golay", 130, 82, 100);
  l.Check(PREFS_CHECK + 1, "Remove Spi&kes", 12, 104, 100);
  l.Text("Spike &Threshold Factor", 24, 120, 90);
  l.Edit(PREFS_NUMBER, 116, 118, 34);
  l.Register(static_cast<int>(templateId));
}

void CChroPlotPage::FillPoints() {
  Binding* b = FindMutable(PREFS_COMBO);
  const int16_t method = Word(6);
  if (!b || method == m_listedMethod) return;
  m_listedMethod = method;
  ::SendDlgItemMessageA(m_hWnd, PREFS_COMBO, CB_RESETCONTENT, 0, 0);
  for (const Choice& c : b->choices) {
    if (method == 1 && c.value == 1) continue;  // Savitzky-Golay needs five points at least
    const LRESULT at = ::SendDlgItemMessageA(m_hWnd, PREFS_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.text));
    ::SendDlgItemMessageA(m_hWnd, PREFS_COMBO, CB_SETITEMDATA, static_cast<WPARAM>(at), c.value);
  }
  const LRESULT count = ::SendDlgItemMessageA(m_hWnd, PREFS_COMBO, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i)
    if (::SendDlgItemMessageA(m_hWnd, PREFS_COMBO, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == Word(4))
      ::SendDlgItemMessageA(m_hWnd, PREFS_COMBO, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

void CChroPlotPage::ApplyRules() {
  const bool smooth = Word(2) != 0, spikes = Word(8) != 0;
  if (Word(6) == 1 && Word(4) == 1) SetWord(4, 2);
  m_listedMethod = -1;  // the base refill at activation lists every entry
  FillPoints();
  Enable(PREFS_COMBO, smooth);
  Enable(PREFS_RADIO + 3, smooth);
  Enable(PREFS_RADIO + 4, smooth);
  Enable(PREFS_NUMBER, spikes);
  if (!smooth && !spikes) {
    SetWord(0, 0);
    ShowCheck(PREFS_RADIO + 0, true);
    ShowCheck(PREFS_RADIO + 1, false);
    ShowCheck(PREFS_RADIO + 2, false);
  }
  Enable(PREFS_RADIO + 1, smooth || spikes);
  Enable(PREFS_RADIO + 2, smooth || spikes);
}

void CChroPlotPage::AfterChange(int id) {
  // Filtering switched on over a raw plot shows the filtered data.
  if ((id == PREFS_CHECK + 0 || id == PREFS_CHECK + 1) && Word(id == PREFS_CHECK ? 2 : 8) && Word(0) == 0) {
    SetWord(0, 1);
    ShowCheck(PREFS_RADIO + 0, false);
    ShowCheck(PREFS_RADIO + 1, true);
  }
  CPrefPage::AfterChange(id);
}

// ---- Optimization data ------------------------------------------------------------------------------------

COptimizationDataPage::COptimizationDataPage(int16_t defaultsFlag, UINT templateId)
    : CPrefPage(templateId, "Optimization Data", 12, 9, &R().chromatogram, 0) {
  m_defaultsFlag = defaultsFlag;
  BindRadio(PREFS_RADIO + 0, 0, 0);
  BindRadio(PREFS_RADIO + 1, 0, 1);
  BindRadio(PREFS_RADIO + 2, 0, 2);
  BindCheck(PREFS_CHECK + 0, 2);
  BindCombo(PREFS_COMBO, 4, {{1, "Low"}, {2, "Medium-low"}, {3, "Medium"}, {4, "Medium-high"}, {5, "High"}});
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Optimization Data");
  l.Group("Plot", 6, 4, 266, 48);
  l.Radio(PREFS_RADIO + 0, "&Raw Data Only", 12, 16, 200, true);
  l.Radio(PREFS_RADIO + 1, "&Filtered Data Only", 12, 27, 200);
  l.Radio(PREFS_RADIO + 2, "&Overlay Filtered/Raw Data", 12, 38, 200);
  l.Check(PREFS_CHECK + 0, "S&mooth Data", 12, 60, 100);
  l.Text("Filter &Strength:", 24, 76, 70);
  l.Combo(PREFS_COMBO, 96, 74, 90);
  l.Register(static_cast<int>(templateId), true);
}

void COptimizationDataPage::ApplyRules() {
  const bool filtering = Word(2) != 0 || Word(8) != 0;
  Enable(PREFS_COMBO, Word(2) != 0);
  if (!filtering) {
    SetWord(0, 0);
    ShowCheck(PREFS_RADIO + 0, true);
    ShowCheck(PREFS_RADIO + 1, false);
    ShowCheck(PREFS_RADIO + 2, false);
  }
  Enable(PREFS_RADIO + 1, filtering);
  Enable(PREFS_RADIO + 2, filtering);
}

void COptimizationDataPage::AfterChange(int id) {
  if (id == PREFS_CHECK && Word(2) && Word(0) == 0) {
    SetWord(0, 1);
    ShowCheck(PREFS_RADIO + 0, false);
    ShowCheck(PREFS_RADIO + 1, true);
  }
  CPrefPage::AfterChange(id);
}

// ---- Report pages ------------------------------------------------------------------------------------------

CSpectraReportsPage::CSpectraReportsPage(UINT templateId)
    : CPrefPage(templateId, "Spectra Reports", 16, 2, &R().report, 156) {
  for (int k = 0; k < 5; ++k) BindCheck(PREFS_CHECK + k, 2 * k);
  BindTrack(PREFS_TRACK, 10, 0, 120);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Spectra Reports");
  const char* texts[4] = {"Show Spectrum &Ion Intensity Pairs", "Show &Spectra Comparison",
                          "Show &Difference Spectrum", "Show Difference Ion Intensity &Pairs"};
  for (int k = 0; k < 4; ++k) l.Check(PREFS_CHECK + k, texts[k], 10, 8 + 12 * k, 200);
  l.Group("Report Header", 6, 58, 266, 26);
  l.Check(PREFS_CHECK + 4, "Show Spectra Header", 12, 70, 150);
  ThicknessBar(l, 6, 90);
  l.Register(static_cast<int>(templateId));
}

bool CSpectraReportsPage::DrawOwnItem(const DRAWITEMSTRUCT* d) { return DrawThickness(d, DrawStripCaptions); }

CRptSpectraPlotsPage::CRptSpectraPlotsPage(UINT templateId)
    : CPrefPage(templateId, "Spectra Plots", 16, 8, &R().report, 182) {
  BindCheck(PREFS_CHECK + 0, 0);
  BindCheck(PREFS_CHECK + 1, 2);
  BindCheck(PREFS_CHECK + 2, 4);
  BindNumber(PREFS_NUMBER, 6, 2, "Lower Percent of Plot without Labels", 0, 95, 2);
  BindCheck(PREFS_CHECK + 3, 8);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Spectra Plots");
  l.Check(PREFS_CHECK + 0, "Show &Chemical Structures", 10, 8, 200);
  l.Check(PREFS_CHECK + 1, "Show &Ion Labels", 10, 20, 200);
  l.Check(PREFS_CHECK + 2, "Show &Amplitude Labels", 10, 32, 200);
  l.Text("Peak Label Threshold:", 10, 50, 86);
  l.Edit(PREFS_NUMBER, 98, 48, 22);
  l.Text("% of Plot", 124, 50, 60);
  l.Check(PREFS_CHECK + 3, "Show &Half Height Labels", 10, 66, 200);
  l.Register(static_cast<int>(templateId));
}

void CRptSpectraPlotsPage::ApplyRules() {
  if (!Research()) Shrink(PREFS_CHECK + 3);
}

CChroReportsPage::CChroReportsPage(UINT templateId)
    : CPrefPage(templateId, "Chro. Reports", 24, 9, &R().report, 190) {
  BindCheck(PREFS_CHECK + 0, 0);
  BindCheck(PREFS_CHECK + 1, 2);
  BindTrack(PREFS_TRACK, 4, 0, 120);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Chro. Reports");
  l.Group("Report Header", 6, 4, 266, 38);
  l.Check(PREFS_CHECK + 0, "Show Single File Header", 12, 16, 150);
  l.Check(PREFS_CHECK + 1, "Show Multiple File Header", 12, 28, 150);
  ThicknessBar(l, 6, 48);
  l.Register(static_cast<int>(templateId));
}

bool CChroReportsPage::DrawOwnItem(const DRAWITEMSTRUCT* d) { return DrawThickness(d, DrawStripCaptions); }

CCalCurvesPage::CCalCurvesPage(UINT templateId) : CPrefPage(templateId, "Cal. Curves", 42, 10, &R().report, 212) {
  BindTrack(PREFS_TRACK, 0, 0, 120);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Cal. Curves");
  ThicknessBar(l, 6, 6);
  l.Register(static_cast<int>(templateId));
}

bool CCalCurvesPage::DrawOwnItem(const DRAWITEMSTRUCT* d) { return DrawThickness(d, DrawStripCaptions); }

// ---- Spooler ----------------------------------------------------------------------------------------------

CSpoolerPage::CSpoolerPage(UINT templateId) : CPrefPage(templateId, "Spooler", 276, 7, &R().report, 160) {
  BindCheck(PREFS_CHECK + 0, 0);
  BindCheck(PREFS_CHECK + 1, 262);
  for (int k = 0; k < 4; ++k) BindSpin(PREFS_SPIN + k, PREFS_NUMBER + k, 264 + 2 * k, 0, 45);
  BindRadio(PREFS_RADIO + 0, 272, 1);
  BindRadio(PREFS_RADIO + 1, 272, 0);
  BindRadio(PREFS_RADIO + 2, 274, 0);
  BindRadio(PREFS_RADIO + 3, 274, 1);
  BindRadio(PREFS_RADIO + 4, 274, 2);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Spooler");
  l.Group("Spooler File", 6, 4, 266, 56);
  l.Check(PREFS_CHECK + 0, "&Use Spooler File", 12, 16, 120);
  l.Text("None Selected", 12, 30, 254, PREFS_CAPTION);
  l.Push(PREFS_SELECT_FILE, "&Select File", 12, 42, 70);
  l.Push(PREFS_CREATE_FILE, "&Create File", 88, 42, 70);
  l.Check(PREFS_CHECK + 1, "&Preview Reports", 10, 66, 120);
  l.Group("Margins (% of page)", 6, 80, 130, 72);
  const char* sides[4] = {"Left", "Right", "Top", "Bottom"};
  for (int k = 0; k < 4; ++k) {
    l.Text(sides[k], 12, 94 + 14 * k, 40);
    l.Spin(PREFS_NUMBER + k, PREFS_SPIN + k, 60, 92 + 14 * k);
  }
  l.Group("Color", 142, 80, 130, 34);
  l.Radio(PREFS_RADIO + 0, "&Color", 148, 92, 60, true);
  l.Radio(PREFS_RADIO + 1, "&Monochrome", 148, 102, 80);
  l.Group("Orientation", 142, 116, 130, 46);
  l.Radio(PREFS_RADIO + 2, "&Best", 148, 126, 60, true);
  l.Radio(PREFS_RADIO + 3, "&Portrait", 148, 137, 60);
  l.Radio(PREFS_RADIO + 4, "&Landscape", 148, 148, 60);
  l.Register(static_cast<int>(templateId));
}

void CSpoolerPage::UpdateControls() {
  CPrefPage::UpdateControls();
  if (!m_hWnd) return;
  char path[261] = {};
  std::memcpy(path, Slice() + 2, 260);
  if (!path[0]) {
    ::SetDlgItemTextA(m_hWnd, PREFS_CAPTION, "None Selected");
    return;
  }
  char shown[64] = {};
  KELT_TruncateFileString(path, 48, shown);
  ::SetDlgItemTextA(m_hWnd, PREFS_CAPTION, shown);
}

bool CSpoolerPage::OnPageCommand(int id, int code) {
  if (code != BN_CLICKED || (id != PREFS_SELECT_FILE && id != PREFS_CREATE_FILE)) return false;
  char path[MAX_PATH + 1] = {};
  std::memcpy(path, Slice() + 2, 260);
  const int chosen = id == PREFS_SELECT_FILE ? MSR_SelectOldFile(path) : MSR_SelectNewFile(path);
  if (!chosen) return true;  // the earlier path stays
  path[259] = 0;
  std::memset(Slice() + 2, 0, 260);
  std::memcpy(Slice() + 2, path, std::strlen(path));
  UpdateControls();
  return true;
}

CMiscReportPage::CMiscReportPage(UINT templateId) : CPrefPage(templateId, "Misc.", 2, 11, &R().report, 216) {
  BindCheck(PREFS_CHECK, 0);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Misc.");
  l.Group("Print Date", 6, 4, 266, 26);
  l.Check(PREFS_CHECK, "Suppress Print Date", 12, 16, 150);
  l.Register(static_cast<int>(templateId));
}

CMiscellaneousPage::CMiscellaneousPage(UINT templateId)
    : CPrefPage(templateId, "Miscellaneous", 16, 1, &R().general, 161) {
  BindCheck(PREFS_CHECK + 0, 0);
  BindNumber(PREFS_NUMBER + 0, 2, 2, "Number of Decimals", 0, 4, 1);
  BindCheck(PREFS_CHECK + 1, 4);
  BindNumber(PREFS_NUMBER + 1, 8, 8, "Mass to Integer Rounding Shift", 0.0, 0.4, 8, 1, "%.1f");
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Miscellaneous");
  l.Group("Plots in Chromatogram Window", 6, 4, 266, 26);
  l.Check(PREFS_CHECK + 0, "&Auto Select Scan Functions", 12, 16, 150);
  l.Group("Decimal Digits for File Data Display", 6, 34, 266, 28);
  l.Text("&Number of Ion Decimal Digits", 12, 47, 120);
  l.Edit(PREFS_NUMBER + 0, 136, 45, 20);
  l.Group("Greek Characters in NIST Names", 6, 66, 266, 48);
  l.Check(PREFS_CHECK + 1, "&Use Greek Characters", 12, 78, 150);
  l.Text("Otherwise, they are spelled (.alpha.).", 24, 90, 240);
  l.Text("(Requires a List Font that contains them.)", 24, 100, 240);
  l.Group("Integer Mass Offset", 6, 118, 266, 28);
  l.Edit(PREFS_NUMBER + 1, 12, 129, 40);
  l.Text("daltons   (0 to 0.4)", 56, 131, 120);
  l.Register(static_cast<int>(templateId));
}

CSciNotationPage::CSciNotationPage(UINT templateId)
    : CPrefPage(templateId, "Scientific Notation", 4, 2, &R().general, 213) {
  BindCheck(PREFS_CHECK, 0);
  for (int k = 0; k < 6; ++k) BindRadio(PREFS_RADIO + k, 2, static_cast<int16_t>(k));
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Scientific Notation");
  l.Group("Amount, Area, and Height Numbers", 6, 4, 266, 120);
  l.Check(PREFS_CHECK, "&Use Scientific Notation", 12, 16, 120);
  l.Text("(Otherwise, display all digits)", 136, 17, 130);
  l.Group("Start Using Scientific Notation at", 12, 32, 254, 86);
  const char* texts[6] = {"10000  (10 e 4)",     "100000  (10 e 5)",     "1000000  (10 e 6)",
                          "10000000  (10 e 7)", "100000000  (10 e 8)", "1000000000  (10 e 9)"};
  for (int k = 0; k < 6; ++k) l.Radio(PREFS_RADIO + k, texts[k], 20, 44 + 12 * k, 150, k == 0);
  l.Register(static_cast<int>(templateId));
}

void CSciNotationPage::ApplyRules() {
  for (int k = 0; k < 6; ++k) Enable(PREFS_RADIO + k, Word(0) != 0);
}
