// The spectrum control's own preferences: the record a named control keeps
// in "tolview3.ini", the exchange record, the sheet, and what a change redoes.
#include <cstring>

#include "prefsheets/preference_pages.h"
#include "prefsheets/spectra_preference_sheet.h"
#include "spectrumctl/spectrum_preferences.h"
#include "spectrumctl/tests/spt_control_fixture.h"
#include "win/win_profile.h"

namespace {

class SptPreferencesTest : public SptControlTest {
 protected:
  static std::string Ini() { return kelt::prefs::PreferencesIniPath(); }
  static bool ReadRecord(const char* name, STRUCT_CCSPT_KEPT_PREFS* r) {
    return GetPrivateProfileStructA(name, "Params", r, sizeof *r, Ini().c_str()) != 0;
  }
  static bool WriteRecord(const char* name, const STRUCT_CCSPT_KEPT_PREFS& r) {
    return WritePrivateProfileStructA(name, "Params", &r, sizeof r, Ini().c_str()) != 0;
  }
  static STRUCT_CCSPT_KEPT_PREFS Record(uint16_t stored) {
    STRUCT_CCSPT_KEPT_PREFS r{};
    r.keep = 1;
    r.stored = stored;
    KELT_ResetDefSptsPrefs(&r.prefs);
    r.prefs.features.showToolbar = 0;
    r.prefs.features.singleClickMode = SPT_CLICK_NO_ACTION;
    r.prefs.drawing.showDifference = 1;
    return r;
  }
};

// A named control takes a stored record whose local flag is set, with its
// settings, and makes the difference the record asks for.
TEST_F(SptPreferencesTest, NamedControlTakesItsStoredRecord) {
  ASSERT_TRUE(WriteRecord("Review 1", Record(1)));
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = Messy(11), b = Messy(12);
  SendPair(w, a.get(), b.get());
  ASSERT_EQ(c->m_display[2], nullptr);
  win::script::PumpUntilIdle();
  Notices().clear();
  SendMessageA(w, SPTM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Review 1"));
  EXPECT_EQ(c->m_keep, 1);
  EXPECT_EQ(c->m_stored, 1);
  EXPECT_EQ(c->m_singleClickMode, SPT_CLICK_NO_ACTION);
  EXPECT_EQ(c->m_showToolbar, 0);
  EXPECT_EQ(c->m_pToolBar, nullptr);
  EXPECT_NE(c->m_display[2], nullptr);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_PREFS_CHANGED), 1);
  STRUCT_CCSPT_LOCAL_PREFS back{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&back)), 1);
  EXPECT_EQ(int(back.keep), 1);
  EXPECT_EQ(int(back.stored), 1);
  EXPECT_EQ(int(back.prefs.drawing.showDifference), 1);
  // Any other first argument forgets the name: later changes are not stored.
  SendMessageA(w, SPTM_KEEPPREFERENCES, 0, 0);
  EXPECT_EQ(c->m_keep, 0);
  EXPECT_EQ(c->m_stored, 0);
  EXPECT_EQ(c->m_iniSection[0], 0);
  DestroyWindow(w);
}

// A record whose local flag is 0 is not used; the next accepted sheet writes the section.
TEST_F(SptPreferencesTest, RecordNotLocalIsIgnoredThenOverwritten) {
  ASSERT_TRUE(WriteRecord("Review 2", Record(0)));
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  const STRUCT_SPTS_PREFS before = c->m_prefs;
  SendMessageA(w, SPTM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Review 2"));
  EXPECT_EQ(c->m_keep, 1);
  EXPECT_EQ(c->m_stored, 0);
  EXPECT_EQ(std::memcmp(&before, &c->m_prefs, sizeof before), 0);
  win::script::OnNextDialog([](HWND dlg) {
    EXPECT_TRUE(win::script::PickSheetPageText(dlg, "Labeling and Comparisons"));
    win::script::SetCheck(win::script::SheetPage(dlg), PREFS_CHECK + 3, true);
    win::script::PressButton(dlg, IDOK);
  });
  SendMessageA(w, WM_COMMAND, 8033, 0);
  EXPECT_EQ(c->m_stored, 1);
  STRUCT_CCSPT_KEPT_PREFS r{};
  ASSERT_TRUE(ReadRecord("Review 2", &r));
  // The stored bytes: the two flags, then the control's record whole.
  const uint8_t head[4] = {1, 0, 1, 0};
  EXPECT_EQ(std::memcmp(&r, head, sizeof head), 0);
  EXPECT_EQ(std::memcmp(&r.prefs, &c->m_prefs, sizeof r.prefs), 0);
  EXPECT_EQ(int(r.prefs.drawing.showDifference), 1);
  DestroyWindow(w);
}

// A stored record with a field out of range is reset to the defaults and written back.
TEST_F(SptPreferencesTest, DamagedRecordIsResetAndWrittenBack) {
  STRUCT_CCSPT_KEPT_PREFS bad = Record(1);
  bad.prefs.features.pageMode = 77;
  bad.prefs.profile.searchPoints = 4;  // must be odd
  ASSERT_TRUE(WriteRecord("Review 3", bad));
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  SendMessageA(w, SPTM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Review 3"));
  STRUCT_SPTS_PREFS defaults{};
  KELT_ResetDefSptsPrefs(&defaults);
  EXPECT_EQ(std::memcmp(&defaults, &c->m_prefs, sizeof defaults), 0);
  STRUCT_CCSPT_KEPT_PREFS r{};
  ASSERT_TRUE(ReadRecord("Review 3", &r));
  EXPECT_EQ(std::memcmp(&r.prefs, &defaults, sizeof defaults), 0);
  EXPECT_EQ(int(r.stored), 1);
  DestroyWindow(w);
}

// Cancel keeps the old preferences and every setting the toolbar had changed.
TEST_F(SptPreferencesTest, CancelKeepsTheOldPreferences) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  SendMessageA(w, SPTM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Review 4"));
  SendMessageA(w, WM_COMMAND, SPT_CMD_SET_DRAG_BITMAP, 0);  // a mode of the toolbar's own
  const STRUCT_SPTS_PREFS before = c->m_prefs;
  CWnd* toolbar = c->m_pToolBar;
  win::script::OnNextDialog([](HWND dlg) {
    EXPECT_TRUE(win::script::PickSheetPageText(dlg, "Features"));
    win::script::SetCheck(win::script::SheetPage(dlg), PREFS_CHECK + 1, false);
    EXPECT_TRUE(win::script::PickSheetPageText(dlg, "Labeling and Comparisons"));
    win::script::SetCheck(win::script::SheetPage(dlg), PREFS_CHECK + 3, true);
    win::script::PressButton(dlg, IDCANCEL);
  });
  SendMessageA(w, WM_COMMAND, 8113, 0);
  EXPECT_EQ(std::memcmp(&before, &c->m_prefs, sizeof before), 0);
  EXPECT_EQ(c->m_clickDragMode, SPT_DRAG_BITMAP);
  // The toolbar the sheet's preview took away is back.
  EXPECT_NE(c->m_pToolBar, nullptr);
  (void)toolbar;
  EXPECT_EQ(c->m_stored, 0);
  STRUCT_CCSPT_KEPT_PREFS r{};
  EXPECT_FALSE(ReadRecord("Review 4", &r));
  // Accepted: the settings go back to the preference defaults.
  win::script::OnNextDialog([](HWND dlg) {
    EXPECT_TRUE(win::script::PickSheetPageText(dlg, "Features"));
    win::script::SetCheck(win::script::SheetPage(dlg), PREFS_CHECK + 1, false);
    win::script::PressButton(dlg, IDOK);
  });
  SendMessageA(w, SPTM_LETUSEREDITSPECTRAPREFERENCES, 0, 0);
  EXPECT_EQ(int(c->m_prefs.features.showToolbar), 0);
  EXPECT_EQ(c->m_pToolBar, nullptr);
  EXPECT_EQ(c->m_clickDragMode, int(c->m_prefs.features.clickDragMode));
  EXPECT_TRUE(ReadRecord("Review 4", &r));
  DestroyWindow(w);
}

// Preferences equal to the current ones change nothing and tell no one;
// a record out of range is refused whole.
TEST_F(SptPreferencesTest, SamePreferencesPostNothing) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  win::script::PumpUntilIdle();
  Notices().clear();
  STRUCT_CCSPT_LOCAL_PREFS p{};
  EXPECT_EQ(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, 0), 0);
  ASSERT_EQ(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p)), 1);
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_PREFS_CHANGED), 0);
  STRUCT_CCSPT_LOCAL_PREFS bad = p;
  bad.prefs.features.singleClickMode = 9;
  bad.prefs.drawing.overlayAB = 1;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 1, reinterpret_cast<LPARAM>(&bad));
  EXPECT_EQ(std::memcmp(&p.prefs, &c->m_prefs, sizeof p.prefs), 0);
  // A host's record with the store flag is written under the control's name.
  SendMessageA(w, SPTM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Review 5"));
  p.prefs.drawing.overlayAB = 1;
  p.keep = 1;  // the flags come with the record
  p.stored = 1;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 1, reinterpret_cast<LPARAM>(&p));
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_PREFS_CHANGED), 1);
  STRUCT_CCSPT_KEPT_PREFS r{};
  ASSERT_TRUE(ReadRecord("Review 5", &r));
  const int16_t overlay = r.prefs.drawing.overlayAB;
  EXPECT_EQ(overlay, 1);
  DestroyWindow(w);
}

// A smoothing change re-makes the smoothed copy of a profile spectrum.
TEST_F(SptPreferencesTest, SmoothingChangeRemakesTheSmoothedSpectrum) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt profile = sptfix::Precise(sptfix::MessyProfile(31, 3000, 40, 0.1), true);
  SendPair(w, profile.get(), nullptr);
  STRUCT_CCSPT_LOCAL_PREFS p{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p)), 1);
  p.prefs.profile.smoothProfile = 0;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  EXPECT_EQ(c->m_smoothed[0], nullptr);
  p.prefs.profile.smoothProfile = 1;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  EXPECT_NE(c->m_smoothed[0], nullptr);
  DestroyWindow(w);
}

// A short name of 10 or more characters is ignored; the index is taken.
TEST_F(SptPreferencesTest, LongShortNameIsIgnored) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  SendMessageA(w, SPTM_SETNAMEOFCONTROL, 2, reinterpret_cast<LPARAM>("3"));
  EXPECT_STREQ(c->m_name, "3");
  SendMessageA(w, SPTM_SETNAMEOFCONTROL, 3, reinterpret_cast<LPARAM>("0123456789"));
  EXPECT_STREQ(c->m_name, "3");
  EXPECT_EQ(c->m_reviewIndex, 3);
  DestroyWindow(w);
}

}  // namespace
