// The spectra preference sheet.
#include "prefsheets/spectra_preference_sheet.h"

#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"

namespace {

constexpr size_t kDrawing = 210;
const int16_t kNumbers[9] = {6, 4, 3, 0, 1, 2, 5, 7, 8};

bool WriteSpts(const void* r) {
  return KELT_WriteDefSptsPrefs(static_cast<const STRUCT_SPTS_PREFS*>(r), kelt::prefs::kSptsSection) != 0;
}

class CSptsPrefsSheet : public CPrefSheet {
 public:
  CSptsPrefsSheet(const char* title, CWnd* parent, UINT start, int16_t mode)
      : CPrefSheet(kSpectra, title, parent, start, 162),
        features(mode),
        labeling(mode),
        labels(0, 1),
        axes(0, 1, 0),
        font(0, 0) {}

  CSptsFeaturesPage features;
  CLabelingPage labeling;
  CScalesPage scales;
  CColorsPage colors;
  CLabelsPage labels;
  CAxesPage axes;
  CFontPage font;
  CProfilePlotsPage profile;
  CSptsTitlesPage titles;
  STRUCT_SPTS_PREFS m_defaults{};

  CPrefPage* Pages(int i) {
    CPrefPage* all[9] = {&features, &labeling, &scales, &colors, &labels, &axes, &font, &profile, &titles};
    return all[i];
  }

  // Record bytes to and from the pages.
  void Take(const STRUCT_SPTS_PREFS& r, bool defaults) {
    const void* p = &r;
    auto take = [&](CPrefPage& page, size_t offset) {
      if (defaults) page.TakeDefault(p, offset);
      else page.TakeSlice(p, offset);
    };
    take(features, 312);
    take(labeling, kDrawing);
    take(scales, kDrawing);
    take(colors, 4);
    take(labels, 50);
    axes.TakePart(p, 176, 0, 34, defaults);
    axes.TakePart(p, 142, 34, 34, defaults);
    take(font, 252);
    take(profile, 430);
    take(titles, 326);
  }

  void Give(STRUCT_SPTS_PREFS* r) const {
    void* p = r;
    features.GiveSlice(p, 312);
    // The drawing block: the Scales page's copy, then the Labeling page's fields over it.
    scales.GiveSlice(p, kDrawing);
    labeling.GivePart(p, kDrawing, 0, 16);
    labeling.GivePart(p, kDrawing + 22, 22, 2);
    colors.GiveSlice(p, 4);
    labels.GiveSlice(p, 50);
    axes.GivePart(p, 176, 0, 34);
    axes.GivePart(p, 142, 34, 34);
    font.GiveSlice(p, 252);
    profile.GiveSlice(p, 430);
    titles.GiveSlice(p, 326);
  }

  bool BuildRecord(std::vector<uint8_t>* out) override {
    STRUCT_SPTS_PREFS r = m_defaults;
    Give(&r);
    out->assign(reinterpret_cast<const uint8_t*>(&r), reinterpret_cast<const uint8_t*>(&r) + sizeof r);
    return true;
  }

  void ResetAll() override {
    STRUCT_SPTS_PREFS source = m_defaults;
    if (m_defaultsFlag) KELT_ResetDefSptsPrefs(&source);
    Take(source, false);
    auto* active = GetActivePage();
    RefreshActivePage(active == &colors || active == &labels);
    if (!m_defaultsFlag) LivePreview();
  }

  void SaveAll() override {
    STRUCT_SPTS_PREFS r = m_defaults;
    Give(&r);
    r.timeStamp = GetCurrentDateTime();
    // Only a record that was stored becomes what "Reset All" restores.
    if (prefsheets::WriteDefaultsOrSay(m_hWnd, "Spectra Plot Preferences", &kelt::prefs::DefaultSptsPrefs(),
                                       sizeof r, WriteSpts, &r))
      m_defaults = r;
  }
};

}  // namespace

int32_t Dlg_EditSpectraPreferences(CWnd* parent, STRUCT_SPTS_PREFS* prefs, uint16_t defaultsFlag, uint16_t outFlag,
                                   uint16_t* outWord, uint16_t mode) {
  if (!prefs) return 0;
  STRUCT_SPTS_PREFS defaults{};
  if (defaultsFlag) KELT_ResetDefSptsPrefs(&defaults);
  else KELT_ReadDefSptsPrefs(&defaults, kelt::prefs::kSptsSection);
  const bool titles = !(mode == 3 && kelt::lib::Settings().oldSptTitles == 1);
  auto& remembered = prefsheets::Remembered();
  const int start = prefsheets::OpeningPage(kNumbers, titles ? 9 : 8, remembered.spectra);
  kelt::dlg::EnsureWhatsThisMenu();
  CSptsPrefsSheet sheet(defaultsFlag ? "Default Spectra Plot Preferences" : "Spectra Plot Preferences", parent,
                        static_cast<UINT>(start), static_cast<int16_t>(mode));
  const bool live = !defaultsFlag && parent && parent->m_hWnd;
  sheet.Take(*prefs, false);
  sheet.Take(defaults, true);
  for (int i = 0; i < 9; ++i) {
    sheet.Pages(i)->m_defaultsFlag = static_cast<int16_t>(defaultsFlag);
    if (live) sheet.Pages(i)->m_sheet = &sheet;
  }
  sheet.m_defaultsFlag = static_cast<int16_t>(defaultsFlag);
  sheet.m_mode = static_cast<int16_t>(mode);
  sheet.m_defaults = defaults;
  sheet.m_live = live ? parent->m_hWnd : nullptr;
  for (int i = 0; i < (titles ? 9 : 8); ++i) sheet.AddPage(sheet.Pages(i));
  if (sheet.DoModal() != IDOK) return 0;
  prefs->timeStamp = GetCurrentDateTime();
  sheet.Give(prefs);
  if (outFlag && outWord) *outWord = 1;
  return 1;
}

int32_t Dlg_EditGlobalSpectraPreferences(CWnd* parent) {
  STRUCT_SPTS_PREFS record{};
  KELT_ReadDefSptsPrefs(&record, kelt::prefs::kSptsSection);
  if (!Dlg_EditSpectraPreferences(parent, &record, 1, 0, nullptr, 0)) return 0;
  return prefsheets::WriteDefaultsOrSay(parent ? parent->m_hWnd : nullptr, "Default Spectra Plot Preferences",
                                       &kelt::prefs::DefaultSptsPrefs(), sizeof record, WriteSpts, &record)
             ? 1
             : 0;
}
