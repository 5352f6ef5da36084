// The colour pages, and the labels, axes and font pages.
#include <cstdio>

#include "common/library_state.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "win/win_commdlg.h"
#include "win/win_resources.h"
#include "win/win_user.h"

using prefsheets::PageLayout;

namespace {

bool HaveTemplate(int id) { return win::resources::FindDialog(kelt::lib::ModuleHandle(), id) != nullptr; }

int16_t* LastOf(bool spectra) {
  auto& r = prefsheets::Remembered();
  return spectra ? &r.spectra : &r.chromatogram;
}

}  // namespace

// ---- Colour pages -----------------------------------------------------------

CColourPageBase::CColourPageBase(UINT templateId, const char* caption, size_t size, int16_t number, int16_t* last,
                                 uint32_t help, bool screen, std::vector<Swatch> swatches, std::vector<Box> boxes,
                                 int fadedOffset)
    : CPrefPage(templateId, caption, size, number, last, help), m_screen(screen), m_fadedOffset(fadedOffset) {
  m_focusFrames = true;
  for (const Swatch& s : swatches) BindSwatch(PREFS_SWATCH + s.index, 4 * s.index);
  for (size_t i = 0; i < boxes.size(); ++i) BindCheck(PREFS_CHECK + static_cast<int>(i), boxes[i].offset);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l(caption);
  const bool columns = swatches.size() > 12;
  int x = 10, y = 10, row = 0;
  for (size_t i = 0; i < swatches.size(); ++i) {
    const Swatch& s = swatches[i];
    if (columns) {
      // Background and text across the top, the plots in columns of seven.
      const bool plot = s.index >= 2 && s.index <= 21;
      if (plot) {
        const int k = s.index - 2;
        x = 10 + 90 * (k / 7);
        y = 34 + 14 * (k % 7);
      } else if (s.index == 22) {
        x = 10;
        y = 34 + 14 * 7 + 4;
      } else {
        x = 10 + 90 * row++;
        y = 12;
      }
    } else {
      y = 10 + 14 * static_cast<int>(i);
    }
    l.Swatch(PREFS_SWATCH + s.index, x, y);
    l.Text(s.label, x + 26, y + 1, columns && s.index != 22 ? 62 : 150);
  }
  int by = columns ? 34 + 14 * 8 + 8 : 14 + 14 * static_cast<int>(swatches.size());
  for (size_t i = 0; i < boxes.size(); ++i) {
    l.Check(PREFS_CHECK + static_cast<int>(i), boxes[i].label, columns ? 10 + 90 * static_cast<int>(i) : 10,
            columns ? by : by + 12 * static_cast<int>(i), 120);
  }
  l.Register(static_cast<int>(templateId));
}

void CColourPageBase::AfterChange(int id) {
  if (m_fadedOffset >= 0 && id == PREFS_CHECK && Word(m_fadedOffset) && kelt::lib::ColourDepth() <= 8) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "The computer is configured to display %d bit colors.\nFaded background may be dithered.\n"
                  "Are you sure you want it?",
                  static_cast<int>(kelt::lib::ColourDepth()));
    if (::MessageBoxA(m_hWnd, text, "Screen Colors", MB_YESNO | MB_ICONQUESTION) == IDNO) {
      SetWord(m_fadedOffset, 0);
      ShowCheck(PREFS_CHECK, false);
    }
  }
  if (m_screen) CPrefPage::AfterChange(id);
  else ApplyRules();
}

namespace {

const std::vector<CColourPageBase::Swatch> kSptsSwatches{
    {0, "Background"},        {1, "Text"},
    {4, "Spectrum A"},        {5, "Spectrum B"},
    {3, "Difference"},        {6, "Top 16 Peaks (Spectrum A)"},
    {7, "Top 16 Peaks (Spectrum B)"}, {8, "Chemical Structure Lines"},
    {9, "Chemical Structure Text"},   {2, "Acquired Ion Ranges"}};

std::vector<CColourPageBase::Swatch> ChroSwatches(bool background) {
  std::vector<CColourPageBase::Swatch> s;
  static char names[20][10];
  if (background) s.push_back({0, "Background"});
  s.push_back({1, "Text"});
  for (int k = 1; k <= 20; ++k) {
    std::snprintf(names[k - 1], sizeof names[k - 1], "Plot %d", k);
    s.push_back({k + 1, names[k - 1]});
  }
  s.push_back({22, "Background Correction"});
  return s;
}

}  // namespace

CColorsPage::CColorsPage()
    : CColourPageBase(PREFS_T_COLORS, "Colors", 46, 0, &prefsheets::Remembered().spectra, 149, true, kSptsSwatches,
                      {{40, "&Faded Background"}, {42, "&Color To White"}, {44, "&Display Top 16 Peaks"}}, 40) {}

CRptSptsColorsPage::CRptSptsColorsPage()
    : CColourPageBase(PREFS_T_RPT_SPTS_COLORS, "Spectra Colors", 42, 0, &prefsheets::Remembered().report, 150, false,
                      std::vector<Swatch>(kSptsSwatches.begin() + 1, kSptsSwatches.end()),
                      {{40, "&Display Top 16 Peaks"}}, -1) {}

CChroColorsPage::CChroColorsPage()
    : CColourPageBase(PREFS_T_CHRO_COLORS, "Colors", 96, 0, &prefsheets::Remembered().chromatogram, 151, true,
                      ChroSwatches(true), {{92, "&Faded Background"}, {94, "&Color To White"}}, 92) {}

CRptChroColorsPage::CRptChroColorsPage()
    : CColourPageBase(PREFS_T_RPT_CHRO_COLORS, "Chro. Colors", 92, 3, &prefsheets::Remembered().report, 152, false,
                      ChroSwatches(false), {}, -1) {}

// ---- Labels ------------------------------------------------------------------

CLabelsPage::CLabelsPage(int16_t defaultsFlag, int16_t spectra, UINT templateId)
    : CPrefPage(templateId, "Labels", 92, 1, LastOf(spectra != 0), 154) {
  m_defaultsFlag = defaultsFlag;
  BindCheck(PREFS_CHECK, 0);
  BindSwatch(PREFS_SWATCH + 0, 2);
  BindSwatch(PREFS_SWATCH + 1, 6);
  BindSwatch(PREFS_SWATCH + 2, 10);
  BindRadio(PREFS_RADIO + 0, 14, 1);
  BindRadio(PREFS_RADIO + 1, 14, 0);
  BindFont(PREFS_FONT, PREFS_SAMPLE, 16);
  BindNumber(PREFS_NUMBER, 76, 4, "Font Angle", 0, 360, 3, 10);
  BindRadio(PREFS_RADIO + 2, 80, 1);
  BindRadio(PREFS_RADIO + 3, 80, 2);
  BindCheck(PREFS_CHECK + 1, 82);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Labels");
  l.Group("Screen Colors", 6, 4, 130, 58);
  l.Check(PREFS_CHECK, "&Transparent", 12, 16, 110);
  l.Swatch(PREFS_SWATCH + 0, 12, 30);
  l.Text("&Background", 38, 31, 90);
  l.Swatch(PREFS_SWATCH + 1, 12, 44);
  l.Text("Te&xt", 38, 45, 90);
  l.Group("Report Color", 142, 4, 130, 30);
  l.Swatch(PREFS_SWATCH + 2, 148, 17);
  l.Text("Text", 174, 18, 90);
  l.Group("Font", 6, 66, 266, 56);
  l.Radio(PREFS_RADIO + 0, "Use Plot Font", 12, 78, 100, true);
  l.Radio(PREFS_RADIO + 1, "Use Special Font", 12, 90, 100);
  l.Push(PREFS_FONT, "&Select Special Font", 120, 80, 100);
  l.Text("", 12, 104, 250, PREFS_SAMPLE);
  l.Text("&Angle:", 142, 42, 30);
  l.Edit(PREFS_NUMBER, 174, 40, 30);
  l.Group("Position", 6, 126, 266, 36);
  l.Radio(PREFS_RADIO + 2, "Anchor to &Data", 12, 138, 100, true);
  l.Radio(PREFS_RADIO + 3, "Anchor to &Frame", 12, 150, 100);
  l.Check(PREFS_CHECK + 1, "Show Pointer", 142, 144, 100);
  l.Text("Changes apply to new labels.", 100, 166, 170);
  l.Register(static_cast<int>(templateId));
}

void CLabelsPage::ApplyRules() {
  Enable(PREFS_CHECK + 1, Word(80) != 2);
  Enable(PREFS_FONT, Word(14) == 0);
}

void CLabelsPage::OnDeactivate() {
  // A label anchored to the frame has nothing to point at.
  if (Word(80) == 2) SetWord(82, 0);
}

void CLabelsPage::FontChooserSetup(int, DWORD* flags, COLORREF* colour) {
  *flags = CF_SCREENFONTS | CF_EFFECTS;
  *colour = static_cast<COLORREF>(Long(6));
}

// ---- Axes ----------------------------------------------------------------------

CAxesPage::CAxesPage(int16_t defaultsFlag, int16_t spectra, int16_t report, UINT templateId)
    : CPrefPage(templateId, report ? (spectra ? "Spectra Axes" : "Chro. Axes") : "Axes", 68,
                report ? (spectra ? 1 : 4) : 2,
                report ? &prefsheets::Remembered().report : LastOf(spectra != 0), 153) {
  m_defaultsFlag = defaultsFlag;
  for (int b = 0; b < 2; ++b) {
    const int base = 34 * b, ids = 20 * b;
    BindCheck(PREFS_CHECK + b, base);
    const int16_t ticks[4] = {1, 0, 2, 3};  // None, Outside, Inside, Cross
    for (int k = 0; k < 4; ++k) {
      BindRadio(PREFS_RADIO + ids + k, base + 2, ticks[k]);
      BindRadio(PREFS_RADIO + ids + 4 + k, base + 4, ticks[k]);
    }
    BindRadio(PREFS_RADIO + ids + 8, base + 12, 1);
    BindRadio(PREFS_RADIO + ids + 9, base + 12, 0);
  }
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Axes");
  const char* tickNames[4] = {"None", "Outside", "Inside", "Cross"};
  for (int b = 0; b < 2; ++b) {
    const int x = 6 + 136 * b, ids = 20 * b;
    l.Group(b ? "Vertical Axis" : "Horizontal Axis", x, 4, 130, 166);
    l.Check(PREFS_CHECK + b, b ? "Show &Vert Axis" : "Show &Horz Axis", x + 6, 16, 110);
    l.Group("Major Ticks", x + 6, 30, 56, 60);
    l.Group("Minor Ticks", x + 68, 30, 56, 60);
    for (int k = 0; k < 4; ++k) l.Radio(PREFS_RADIO + ids + k, tickNames[k], x + 10, 42 + 11 * k, 48, k == 0);
    for (int k = 0; k < 4; ++k) l.Radio(PREFS_RADIO + ids + 4 + k, tickNames[k], x + 72, 42 + 11 * k, 48, k == 0);
    l.Group("Minor Tick Count", x + 6, 96, 118, 30);
    l.Radio(PREFS_RADIO + ids + 8, "4", x + 12, 109, 40, true);
    l.Radio(PREFS_RADIO + ids + 9, "9", x + 60, 109, 40);
  }
  l.Register(static_cast<int>(templateId));
}

// ---- Font ------------------------------------------------------------------------

CFontPage::CFontPage(int16_t defaultsFlag, int16_t chromatogram, UINT templateId)
    : CPrefPage(templateId, "Font", 60, chromatogram ? 7 : 5, LastOf(chromatogram == 0), 157),
      m_chromatogram(chromatogram) {
  m_defaultsFlag = defaultsFlag;
  BindFont(PREFS_FONT, PREFS_SAMPLE, 0);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Font");
  l.Group("", 6, 4, 266, 70);
  l.Text("", 12, 16, 250, PREFS_CAPTION);
  l.Push(PREFS_FONT, "Select &Plot Font", 12, 32, 110);
  l.Text("", 12, 52, 250, PREFS_SAMPLE);
  l.Register(static_cast<int>(templateId));
}

BOOL CFontPage::OnSetActive() {
  const BOOL r = CPrefPage::OnSetActive();
  ::SetDlgItemTextA(m_hWnd, PREFS_CAPTION,
                    m_chromatogram ? "Font for Chromatogram Plots on the Screen" : "Font for Spectra Plots on the Screen");
  return r;
}

// ---- Report fonts -------------------------------------------------------------------

CReportFontsPage::CReportFontsPage()
    : CPrefPage(PREFS_T_REPORT_FONTS, "Fonts", 126, 6, &prefsheets::Remembered().report, 158) {
  BindTrack(PREFS_TRACK + 0, 0, 164, 564);
  BindTrack(PREFS_TRACK + 1, 2, 264, 664);
  BindTrack(PREFS_TRACK + 2, 4, 464, 864);
  BindFont(PREFS_FONT + 0, PREFS_SAMPLE + 0, 6);
  BindFont(PREFS_FONT + 1, PREFS_SAMPLE + 1, 66);
  if (HaveTemplate(PREFS_T_REPORT_FONTS)) return;
  PageLayout l("Fonts");
  const char* names[3] = {"Plots", "Body", "Titles"};
  l.Group("Font Sizes", 6, 4, 266, 60);
  for (int k = 0; k < 3; ++k) {
    const int x = 12 + 86 * k;
    l.Text(names[k], x, 16, 60);
    l.Track(PREFS_TRACK + k, x, 26, 80);
    l.Add(PREFS_STRIP + k, "Button", "", BS_OWNERDRAW | WS_DISABLED, x, 44, 80, 10);
  }
  l.Group("Alignment", 6, 68, 266, 50);
  l.Text("Font used where decimal alignment is required", 12, 80, 250);
  l.Push(PREFS_FONT + 0, "Select Alignment Font", 12, 92, 110);
  l.Text("", 128, 94, 140, PREFS_SAMPLE + 0);
  l.Group("Report", 6, 122, 266, 50);
  l.Text("Font used where no decimal alignment is required", 12, 134, 250);
  l.Push(PREFS_FONT + 1, "Select Report Font", 12, 146, 110);
  l.Text("", 128, 148, 140, PREFS_SAMPLE + 1);
  l.Register(PREFS_T_REPORT_FONTS);
}

bool CReportFontsPage::DrawOwnItem(const DRAWITEMSTRUCT* d) {
  static const char* captions[3][3] = {{"8", "10", "12"}, {"12", "14", "16"}, {"16", "18", "20"}};
  const int k = static_cast<int>(d->CtlID) - PREFS_STRIP;
  if (k < 0 || k > 2) return false;
  DrawStripCaptions(d, captions[k][0], captions[k][1], captions[k][2]);
  return true;
}

// ---- List fonts -----------------------------------------------------------------------

CListFontsPage::CListFontsPage()
    : CPrefPage(PREFS_T_LIST_FONTS, "Information List Fonts", 180, 0, &prefsheets::Remembered().general, 159) {
  BindFont(PREFS_FONT + 0, PREFS_SAMPLE + 0, 0);
  BindFont(PREFS_FONT + 1, PREFS_SAMPLE + 1, 60);
  if (HaveTemplate(PREFS_T_LIST_FONTS)) return;
  PageLayout l("Information List Fonts");
  l.Group("Alignment Font", 6, 4, 266, 56);
  l.Text("Font used where decimal alignment is required", 12, 16, 250);
  l.Push(PREFS_FONT + 0, "Select Alignment Font", 12, 30, 110);
  l.Text("", 128, 32, 140, PREFS_SAMPLE + 0);
  l.Group("List Font", 6, 66, 266, 56);
  l.Text("Font used where no decimal alignment is required", 12, 78, 250);
  l.Push(PREFS_FONT + 1, "Select List Font", 12, 92, 110);
  l.Text("", 128, 94, 140, PREFS_SAMPLE + 1);
  l.Register(PREFS_T_LIST_FONTS);
}
