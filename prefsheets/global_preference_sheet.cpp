// The general preference sheet over the stored general record.
#include "prefsheets/global_preference_sheet.h"

#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"

namespace {

bool WriteGlobal(const void* r) {
  return KELT_WriteDefGlobalPrefs(static_cast<const STRUCT_GLOBAL_PREFS*>(r), kelt::prefs::kGlobalSection) != 0;
}

class CGlobalPrefsSheet : public CPrefSheet {
 public:
  CGlobalPrefsSheet(CWnd* parent, UINT start) : CPrefSheet(kGeneral, "General Preferences", parent, start, 165) {}
  CMiscellaneousPage misc;
  CSciNotationPage notation;
  CListFontsPage fonts;

  void ResetAll() override {
    STRUCT_GLOBAL_PREFS factory{};
    KELT_ResetDefGlobalPrefs(&factory);
    misc.TakeSlice(&factory, 184);
    notation.TakeSlice(&factory, 200);
    fonts.TakeSlice(&factory, 4);
    RefreshActivePage(false);
  }
};

int32_t Run(CWnd* parent, bool fontsOnly) {
  STRUCT_GLOBAL_PREFS record{}, factory{};
  KELT_ReadDefGlobalPrefs(&record, kelt::prefs::kGlobalSection);
  KELT_ResetDefGlobalPrefs(&factory);
  const int16_t remembered = prefsheets::Remembered().general;
  const UINT start = fontsOnly ? 0 : remembered == 2 ? 1 : remembered == 0 ? 2 : 0;
  kelt::dlg::EnsureWhatsThisMenu();
  CGlobalPrefsSheet sheet(parent, start);
  sheet.m_defaultsFlag = 1;
  sheet.misc.TakeSlice(&record, 184);
  sheet.notation.TakeSlice(&record, 200);
  sheet.fonts.TakeSlice(&record, 4);
  sheet.misc.TakeDefault(&factory, 184);
  sheet.notation.TakeDefault(&factory, 200);
  sheet.fonts.TakeDefault(&factory, 4);
  if (!fontsOnly) {
    sheet.AddPage(&sheet.misc);
    sheet.AddPage(&sheet.notation);
  }
  sheet.AddPage(&sheet.fonts);
  if (sheet.DoModal() != IDOK) return 0;
  record.timeStamp = GetCurrentDateTime();
  sheet.fonts.GiveSlice(&record, 4);
  if (!fontsOnly) {
    sheet.misc.GiveSlice(&record, 184);
    sheet.notation.GiveSlice(&record, 200);
  }
  return prefsheets::WriteDefaultsOrSay(parent ? parent->m_hWnd : nullptr, "General Preferences",
                                        &kelt::prefs::DefaultGlobalPrefs(), sizeof record, WriteGlobal, &record)
             ? 1
             : 0;
}

}  // namespace

int32_t Dlg_EditGlobalPreferences(CWnd* parent) { return Run(parent, false); }
int32_t Dlg_EditGlobalFontPreferences(CWnd* parent) { return Run(parent, true); }
