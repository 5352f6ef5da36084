// The chromatogram preference sheet.
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "prefsheets/preference_sheets.h"

namespace {

constexpr size_t kPlotData = 828;

bool WriteChro(const void* r) {
  return KELT_WriteDefChroPrefs(static_cast<const STRUCT_CHRO_PREFS*>(r), kelt::prefs::kChroSection) != 0;
}

class CChroPrefsSheet : public CPrefSheet {
 public:
  CChroPrefsSheet(const char* title, CWnd* parent, UINT start, int16_t mode, int16_t defaultsFlag)
      : CPrefSheet(kChromatogram, title, parent, start, 163),
        labels(defaultsFlag, 0),
        axes(defaultsFlag, 0, 0),
        font(defaultsFlag, 1),
        dh(defaultsFlag),
        amdis(defaultsFlag),
        tl(defaultsFlag),
        markers(defaultsFlag, mode == 5 ? 1 : 0, 0, mode),
        features(defaultsFlag, mode),
        plot(defaultsFlag),
        optimization(defaultsFlag),
        titles(defaultsFlag),
        noise(defaultsFlag) {
    m_mode = mode;
  }

  CChroColorsPage colors;
  CLabelsPage labels;
  CAxesPage axes;
  CFontPage font;
  CDHAnnotationsPage dh;
  CAMDISAnnotationsPage amdis;
  CTLAnnotationsPage tl;
  CMarkersPage markers;
  CChroFeaturesPage features;
  CChroPlotPage plot;
  COptimizationDataPage optimization;
  CChroTitlesPage titles;
  CNoisePage noise;
  STRUCT_CHRO_PREFS m_defaults{};

  std::vector<CPrefPage*> All() {
    return {&colors, &labels, &axes, &font, &dh, &amdis, &tl, &markers, &features, &plot, &optimization, &titles,
            &noise};
  }

  void Take(const STRUCT_CHRO_PREFS& r, bool defaults) {
    const void* p = &r;
    auto take = [&](CPrefPage& page, size_t offset) {
      if (defaults) page.TakeDefault(p, offset);
      else page.TakeSlice(p, offset);
    };
    take(colors, 4);
    take(labels, 100);
    axes.TakePart(p, 226, 0, 34, defaults);
    axes.TakePart(p, 192, 34, 34, defaults);
    take(font, 260);
    take(dh, 320);
    take(amdis, 450);
    take(tl, 598);
    take(markers, 712);
    take(features, 816);
    take(plot, kPlotData);
    take(optimization, kPlotData);
    take(titles, 840);
    take(noise, 866);
  }

  void Give(STRUCT_CHRO_PREFS* r) const {
    void* p = r;
    colors.GiveSlice(p, 4);
    labels.GiveSlice(p, 100);
    axes.GivePart(p, 226, 0, 34);
    axes.GivePart(p, 192, 34, 34);
    font.GiveSlice(p, 260);
    dh.GiveSlice(p, 320);
    amdis.GiveSlice(p, 450);
    tl.GiveSlice(p, 598);
    markers.GiveSlice(p, 712);
    features.GiveSlice(p, 816);
    (m_mode == 5 ? static_cast<const CPrefPage&>(optimization) : plot).GiveSlice(p, kPlotData);
    titles.GiveSlice(p, 840);
    noise.GiveSlice(p, 866);
  }

  bool BuildRecord(std::vector<uint8_t>* out) override {
    STRUCT_CHRO_PREFS r = m_defaults;
    Give(&r);
    out->assign(reinterpret_cast<const uint8_t*>(&r), reinterpret_cast<const uint8_t*>(&r) + sizeof r);
    return true;
  }

  void ResetAll() override {
    STRUCT_CHRO_PREFS source = m_defaults;
    if (m_defaultsFlag) KELT_ResetDefChroPrefs(&source);
    // Bytes 828-839 go back on the one page of the two that the mode uses.
    STRUCT_CHRO_PREFS otherPlot{};
    Give(&otherPlot);
    Take(source, false);
    CPrefPage& unused = m_mode == 5 ? static_cast<CPrefPage&>(plot) : optimization;
    unused.TakeSlice(&otherPlot, kPlotData);
    auto* active = GetActivePage();
    RefreshActivePage(active == &colors || active == &labels);
    if (!m_defaultsFlag) LivePreview();
  }

  void SaveAll() override {
    STRUCT_CHRO_PREFS r = m_defaults;
    Give(&r);
    r.timeStamp = GetCurrentDateTime();
    if (prefsheets::WriteDefaultsOrSay(m_hWnd, "Chromatogram Plot Preferences", &kelt::prefs::DefaultChroPrefs(),
                                       sizeof r, WriteChro, &r))
      m_defaults = r;
  }
};

struct ModePages {
  std::vector<int> pages;  // indexes into All()
  std::vector<int16_t> numbers;
  int16_t* remembered;
};

ModePages PagesOf(int16_t mode) {
  auto& r = prefsheets::Remembered();
  // All(): 0 colors, 1 labels, 2 axes, 3 font, 4 dh, 5 amdis, 6 tl, 7 markers, 8 features, 9 plot,
  // 10 optimization, 11 titles, 12 noise.
  switch (mode) {
    case 4: return {{0, 1, 2, 3}, {0, 1, 2, 7}, &r.chroMode4};
    case 2: return {{0, 2, 8}, {0, 2, 8}, &r.chroMode2};
    case 3: return {{0, 2, 8}, {0, 2, 8}, &r.chroMode3};
    case 5: return {{10, 7, 0, 2}, {9, 3, 0, 2}, &r.chroMode5};
    default:
      return {{8, 9, 11, 4, 7, 6, 5, 12, 0, 1, 2, 3}, {8, 9, 10, 5, 3, 4, 6, 11, 0, 1, 2, 7}, &r.chroGeneral};
  }
}

const char* TitleOf(int16_t mode, uint16_t defaultsFlag) {
  switch (mode) {
    case 2: return "Original Plot Preferences";
    case 3: return "Deconvoluted Plot Preferences";
    case 5: return "Optimization Plot Preferences";
    default: return defaultsFlag ? "Default Chromatogram Plot Preferences" : "Chromatogram Plot Preferences";
  }
}

}  // namespace

int32_t Dlg_EditChroPlotPreferences(CWnd* parent, STRUCT_CHRO_PREFS* prefs, uint16_t defaultsFlag, uint16_t outFlag,
                                    uint16_t* outWord, int16_t mode) {
  if (!prefs) return 0;
  STRUCT_CHRO_PREFS defaults{};
  if (defaultsFlag) KELT_ResetDefChroPrefs(&defaults);
  else KELT_ReadDefChroPrefs(&defaults, kelt::prefs::kChroSection);
  const ModePages set = PagesOf(mode);
  const int start =
      prefsheets::OpeningPage(set.numbers.data(), static_cast<int>(set.numbers.size()), *set.remembered);
  kelt::dlg::EnsureWhatsThisMenu();
  CChroPrefsSheet sheet(TitleOf(mode, defaultsFlag), parent, static_cast<UINT>(start), mode,
                        static_cast<int16_t>(defaultsFlag));
  const bool live = !defaultsFlag && parent && parent->m_hWnd;
  sheet.Take(*prefs, false);
  sheet.Take(defaults, true);
  const std::vector<CPrefPage*> all = sheet.All();
  for (CPrefPage* page : all)
    if (live) page->m_sheet = &sheet;
  sheet.m_defaultsFlag = static_cast<int16_t>(defaultsFlag);
  sheet.m_defaults = defaults;
  sheet.m_live = live ? parent->m_hWnd : nullptr;
  for (int i : set.pages) sheet.AddPage(all[static_cast<size_t>(i)]);
  // The pages write the page last activated; the mode keeps it only at OK.
  prefsheets::Remembered().chromatogram = *set.remembered;
  if (sheet.DoModal() != IDOK) return 0;
  *set.remembered = prefsheets::Remembered().chromatogram;
  prefs->timeStamp = GetCurrentDateTime();
  sheet.Give(prefs);
  if (mode == 5) std::memcpy(reinterpret_cast<uint8_t*>(prefs) + 874, reinterpret_cast<uint8_t*>(prefs) + 8, 4);
  if (outFlag && outWord) *outWord = 1;
  return 1;
}

int32_t Dlg_EditGlobalChroPlotPreferences(CWnd* parent) {
  STRUCT_CHRO_PREFS record{};
  KELT_ReadDefChroPrefs(&record, kelt::prefs::kChroSection);
  if (!Dlg_EditChroPlotPreferences(parent, &record, 1, 0, nullptr, 0)) return 0;
  return prefsheets::WriteDefaultsOrSay(parent ? parent->m_hWnd : nullptr, "Default Chromatogram Plot Preferences",
                                       &kelt::prefs::DefaultChroPrefs(), sizeof record, WriteChro, &record)
             ? 1
             : 0;
}
