// The report preference sheet over the stored default report record.
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "prefsheets/preference_sheets.h"

namespace {

bool WriteReport(const void* r) {
  return KELT_WriteDefReportPrefs(static_cast<const STRUCT_REPORT_PREFS*>(r), kelt::prefs::kReportSection) != 0;
}

class CReportPrefsSheet : public CPrefSheet {
 public:
  CReportPrefsSheet(CWnd* parent, UINT start)
      : CPrefSheet(kReport, "Report Preferences", parent, start, 164),
        sptsAxes(1, 1, 1),
        markers(1, 0, 1, -1),
        chroAxes(1, 0, 1) {}

  CSpectraReportsPage spectraReports;
  CRptSpectraPlotsPage spectraPlots;
  CRptSptsColorsPage sptsColors;
  CAxesPage sptsAxes;
  CChroReportsPage chroReports;
  CMarkersPage markers;
  CRptChroColorsPage chroColors;
  CAxesPage chroAxes;
  CCalCurvesPage calCurves;
  CReportFontsPage fonts;
  CSpoolerPage spooler;
  CMiscReportPage misc;

  void Take(const STRUCT_REPORT_PREFS& r, bool defaults) {
    const void* p = &r;
    auto take = [&](CPrefPage& page, size_t offset) {
      if (defaults) page.TakeDefault(p, offset);
      else page.TakeSlice(p, offset);
    };
    take(spectraReports, 274);
    take(spectraPlots, 290);
    take(sptsColors, 4);
    sptsAxes.TakePart(p, 172, 0, 34, defaults);
    sptsAxes.TakePart(p, 138, 34, 34, defaults);
    take(chroReports, 812);
    take(markers, 708);
    take(chroColors, 46);
    chroAxes.TakePart(p, 240, 0, 34, defaults);
    chroAxes.TakePart(p, 206, 34, 34, defaults);
    take(calCurves, 836);
    take(fonts, 306);
    take(spooler, 432);
    take(misc, 878);
  }

  void Give(STRUCT_REPORT_PREFS* r) const {
    void* p = r;
    spectraReports.GiveSlice(p, 274);
    spectraPlots.GiveSlice(p, 290);
    sptsColors.GiveSlice(p, 4);
    sptsAxes.GivePart(p, 172, 0, 34);
    sptsAxes.GivePart(p, 138, 34, 34);
    chroReports.GiveSlice(p, 812);
    markers.GiveSlice(p, 708);
    chroColors.GiveSlice(p, 46);
    chroAxes.GivePart(p, 240, 0, 34);
    chroAxes.GivePart(p, 206, 34, 34);
    calCurves.GiveSlice(p, 836);
    fonts.GiveSlice(p, 306);
    spooler.GiveSlice(p, 432);
    misc.GiveSlice(p, 878);
  }

  void ResetAll() override {
    STRUCT_REPORT_PREFS factory{};
    KELT_ResetDefReportPrefs(&factory);
    Take(factory, false);
    auto* active = GetActivePage();
    RefreshActivePage(active == &sptsColors || active == &chroColors);
  }
};

// The sheet's stored record written at OK; the library keeps its copy
// unless the write succeeded.
int32_t Store(CWnd* parent, const STRUCT_REPORT_PREFS& record) {
  return prefsheets::WriteDefaultsOrSay(parent ? parent->m_hWnd : nullptr, "Report Preferences",
                                        &kelt::prefs::DefaultReportPrefs(), sizeof record, WriteReport, &record)
             ? 1
             : 0;
}

}  // namespace

int32_t Dlg_EditReportPreferences(CWnd* parent, int32_t, int16_t spectraFirst) {
  STRUCT_REPORT_PREFS record{}, factory{};
  KELT_ReadDefReportPrefs(&record, kelt::prefs::kReportSection);
  KELT_ResetDefReportPrefs(&factory);
  static const int16_t kSpectraFirst[12] = {2, 8, 0, 1, 9, 5, 3, 4, 10, 6, 7, 11};
  static const int16_t kChroFirst[12] = {9, 5, 3, 4, 2, 8, 0, 1, 10, 6, 7, 11};
  auto& remembered = prefsheets::Remembered();
  int16_t* orderPage = spectraFirst ? &remembered.reportSpectraFirst : &remembered.reportChroFirst;
  const int start = prefsheets::OpeningPage(spectraFirst ? kSpectraFirst : kChroFirst, 12, *orderPage);
  kelt::dlg::EnsureWhatsThisMenu();
  CReportPrefsSheet sheet(parent, static_cast<UINT>(start));
  sheet.m_defaultsFlag = 1;
  sheet.Take(record, false);
  sheet.Take(factory, true);
  CPrefPage* spectra[4] = {&sheet.spectraReports, &sheet.spectraPlots, &sheet.sptsColors, &sheet.sptsAxes};
  CPrefPage* chro[4] = {&sheet.chroReports, &sheet.markers, &sheet.chroColors, &sheet.chroAxes};
  for (CPrefPage* p : spectraFirst ? spectra : chro) sheet.AddPage(p);
  for (CPrefPage* p : spectraFirst ? chro : spectra) sheet.AddPage(p);
  for (CPrefPage* p : {static_cast<CPrefPage*>(&sheet.calCurves), static_cast<CPrefPage*>(&sheet.fonts),
                       static_cast<CPrefPage*>(&sheet.spooler), static_cast<CPrefPage*>(&sheet.misc)})
    sheet.AddPage(p);
  remembered.report = *orderPage;
  if (sheet.DoModal() != IDOK) return 0;
  *orderPage = remembered.report;
  record.timeStamp = GetCurrentDateTime();
  sheet.Give(&record);
  return Store(parent, record);
}

int32_t Dlg_EditReportFontPreferences(CWnd* parent) {
  STRUCT_REPORT_PREFS record{}, factory{};
  KELT_ReadDefReportPrefs(&record, kelt::prefs::kReportSection);
  KELT_ResetDefReportPrefs(&factory);
  kelt::dlg::EnsureWhatsThisMenu();
  CReportPrefsSheet sheet(parent, 0);
  sheet.m_defaultsFlag = 1;
  sheet.Take(record, false);
  sheet.Take(factory, true);
  sheet.AddPage(&sheet.fonts);
  if (sheet.DoModal() != IDOK) return 0;
  record.timeStamp = GetCurrentDateTime();
  sheet.fonts.GiveSlice(&record, 306);
  return Store(parent, record);
}
