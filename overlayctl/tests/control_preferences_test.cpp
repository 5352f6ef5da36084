// The overlay plot control's own preferences: the record a named control
// keeps in "tolview3.ini", the local-preference messages and the local
// preference sheet with its Cancel.
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "control_fixture.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheets.h"
#include "win/win_profile.h"

namespace {

class PreferencesTest : public OPlotTest {
 protected:
  PreferencesTest() { withToolbar = true; }
  // Whether a slot's trace holds a filtered copy (the record is packed).
  static bool Filtered(const SVW_OVERLAY* o, int slot) {
    STRUCT_NE_POINT_BLOCK* f = nullptr;
    std::memcpy(&f, reinterpret_cast<const char*>(o->slots[slot].trace) + offsetof(STRUCT_NE_DATA_POINTS, filtered),
                sizeof f);
    return f != nullptr;
  }
  static std::string Ini() { return kelt::prefs::PreferencesIniPath(); }
  static bool ReadRecord(const char* name, STRUCT_OPLOT_KEPT_PREFS* r) {
    return GetPrivateProfileStructA(name, "Params", r, sizeof *r, Ini().c_str()) != 0;
  }
  static bool WriteRecord(const char* name, const STRUCT_OPLOT_KEPT_PREFS& r) {
    return WritePrivateProfileStructA(name, "Params", &r, sizeof r, Ini().c_str()) != 0;
  }
  static std::string RawValue(const char* name) {
    char text[4096] = {};
    GetPrivateProfileStringA(name, "Params", "", text, sizeof text, Ini().c_str());
    return text;
  }
  static STRUCT_OPLOT_KEPT_PREFS Record(int16_t loaded, int16_t points, int16_t drag) {
    STRUCT_OPLOT_KEPT_PREFS r{};
    r.keep = 1;
    r.loaded = loaded;
    KELT_ResetDefChroPrefs(&r.prefs);
    r.prefs.features.pointsToAverage = points;
    r.prefs.features.clickDragMode = drag;
    r.realTimeUpdateOff = 0;
    return r;
  }
};

TEST_F(PreferencesTest, RecordLayouts) {
  EXPECT_EQ(sizeof(STRUCT_OPLOT_KEPT_PREFS), 966u);
  EXPECT_EQ(offsetof(STRUCT_OPLOT_KEPT_PREFS, prefs), 4u);
  EXPECT_EQ(sizeof(STRUCT_OPLOT_LOCAL_PREFS), 1128u);
  EXPECT_EQ(offsetof(STRUCT_OPLOT_LOCAL_PREFS, metaColorsSet), 1056u);
  EXPECT_EQ(offsetof(STRUCT_OPLOT_LOCAL_PREFS, metaScaleSet), 1126u);
}

// A stored record is taken over by the control that names it, with the
// settings derived from it; a change made afterwards is written back.
TEST_F(PreferencesTest, ANamedControlLoadsAndKeepsItsRecord) {
  ASSERT_TRUE(WriteRecord("PlotA", Record(1, 5, OPLOT_DRAG_NOISE)));
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("PlotA"));
  EXPECT_EQ(c->m_keepFlag, 1);
  EXPECT_EQ(c->m_loadedFlag, 1);
  EXPECT_EQ(SendMessageA(w, OPM_GETNUMBERSPECTRATOAVERAGE, 0, 0), 5);
  EXPECT_EQ(c->m_clickDragMode, OPLOT_DRAG_NOISE);
  EXPECT_EQ(c->m_realTimeUpdateOff, 0);

  // Exponent scales off: the record follows, byte for byte what the control holds.
  SendMessageA(w, OPM_SHOWEXPSCALES, 0, 0);
  STRUCT_OPLOT_KEPT_PREFS back{};
  ASSERT_TRUE(ReadRecord("PlotA", &back));
  EXPECT_EQ(back.keep, 1);
  EXPECT_EQ(back.loaded, 1);
  EXPECT_EQ(back.prefs.features.showExponentScales, 0);
  EXPECT_EQ(std::memcmp(&back.prefs, &c->m_prefs, sizeof back.prefs), 0);
  // Stored as hexadecimal text with a checksum byte.
  EXPECT_EQ(RawValue("PlotA").size(), 2u * (966u + 1u));

  // A second name keeps its own record; stopping ends the writing.
  HWND w2 = MakeControl(8);
  SendMessageA(w2, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("PlotB"));
  SendMessageA(w2, OPM_SHOWEXPSCALES, 1, 0);
  ASSERT_TRUE(ReadRecord("PlotB", &back));
  EXPECT_EQ(back.prefs.features.showExponentScales, 1);
  ASSERT_TRUE(ReadRecord("PlotA", &back));
  EXPECT_EQ(back.prefs.features.showExponentScales, 0);
  SendMessageA(w, OPM_KEEPPREFERENCES, 0, 0);
  EXPECT_EQ(c->m_keepFlag, 0);
  SendMessageA(w, OPM_SHOWEXPSCALES, 1, 0);
  ASSERT_TRUE(ReadRecord("PlotA", &back));
  EXPECT_EQ(back.prefs.features.showExponentScales, 0);
  DestroyWindow(w);
  DestroyWindow(w2);
}

TEST_F(PreferencesTest, AControlWithoutANameNeverWrites) {
  HWND w = MakeControl();
  SendMessageA(w, OPM_SHOWEXPSCALES, 0, 0);
  SendMessageA(w, WM_COMMAND, 2741, 0);
  EXPECT_EQ(RawValue(""), "");
  char sections[256] = {};
  GetPrivateProfileSectionNamesA(sections, sizeof sections, Ini().c_str());
  EXPECT_EQ(sections[0], 0);
  DestroyWindow(w);
}

// A record written while its loaded flag was 0 is not taken over; damaged
// or short records neither; the control keeps its defaults.
TEST_F(PreferencesTest, RecordsNotToBeTakenOverLeaveTheDefaults) {
  ASSERT_TRUE(WriteRecord("Unloaded", Record(0, 7, OPLOT_DRAG_MOVE)));
  char shortRecord[100] = {1};
  ASSERT_TRUE(WritePrivateProfileStructA("Short", "Params", shortRecord, sizeof shortRecord, Ini().c_str()));
  WritePrivateProfileStringA("Damaged", "Params", "0100010000FF", Ini().c_str());
  for (const char* name : {"Unloaded", "Short", "Damaged", "Missing"}) {
    SCOPED_TRACE(name);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    STRUCT_CHRO_PREFS defaults = c->m_prefs;
    SendMessageA(w, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>(name));
    EXPECT_EQ(c->m_keepFlag, 1);
    EXPECT_EQ(c->m_loadedFlag, 0);
    EXPECT_EQ(std::memcmp(&defaults, &c->m_prefs, sizeof defaults), 0);
    EXPECT_EQ(SendMessageA(w, OPM_GETNUMBERSPECTRATOAVERAGE, 0, 0), defaults.features.pointsToAverage);
    DestroyWindow(w);
  }
}

// A named control whose record was missing stores its changes so that
// they are taken over on the next start (the record is not marked unloaded).
TEST_F(PreferencesTest, ChangesOfAControlWithoutARecordAreRestoredNextTime) {
  HWND w = MakeControl();
  SendMessageA(w, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Fresh"));
  SendMessageA(w, OPM_SHOWEXPSCALES, 0, 0);
  DestroyWindow(w);
  HWND again = MakeControl();
  SendMessageA(again, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Fresh"));
  EXPECT_EQ(Control(again)->m_loadedFlag, 1);
  EXPECT_EQ(Control(again)->m_prefs.features.showExponentScales, 0);
  DestroyWindow(again);
}

// Values out of range in a stored record are repaired and written back.
TEST_F(PreferencesTest, ARepairedRecordIsWrittenBack) {
  ASSERT_TRUE(WriteRecord("Bad", Record(1, 4, OPLOT_DRAG_ZOOM)));
  HWND w = MakeControl();
  SendMessageA(w, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Bad"));
  STRUCT_OPLOT_KEPT_PREFS back{};
  ASSERT_TRUE(ReadRecord("Bad", &back));
  EXPECT_FALSE(KELT_ValidateChroPrefs(&back.prefs));
  EXPECT_EQ(SendMessageA(w, OPM_GETNUMBERSPECTRATOAVERAGE, 0, 0), back.prefs.features.pointsToAverage);
  // A name longer than 35 characters is cut.
  SendMessageA(w, OPM_KEEPPREFERENCES, 1,
               reinterpret_cast<LPARAM>("A name that is much longer than thirty-five characters"));
  EXPECT_EQ(std::strlen(Control(w)->m_iniSection), 35u);
  DestroyWindow(w);
}

// The local preferences round trip, and only a filter change refilters.
TEST_F(PreferencesTest, LocalPreferencesRoundTripAndRefilterOnlyForAFilterChange) {
  // Plots holding a filtered copy: a refilter replaces it (these traces of
  // doubles get none back), a change of colours leaves it.
  Shown s = ShowPlots(2, 700, 400, [](SVW_OVERLAY* o) {
    for (int i = 0; i < 2; ++i) {
      o->slots[i].trace->filtered = SyntheticBlock({2.0, 2.5, 3.0}, {10.0, 12.0, 11.0}, {});
      o->slots[i].trace->filteredCount = 3;
    }
  });
  EXPECT_EQ(SendMessageA(s.w, OPM_GETLOCALPREFERENCES, 0, 0), 0);
  STRUCT_OPLOT_LOCAL_PREFS p{};
  ASSERT_EQ(SendMessageA(s.w, OPM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p)), 1);
  EXPECT_EQ(std::memcmp(&p.prefs, &s.c->m_prefs, sizeof p.prefs), 0);
  ASSERT_EQ(p.prefs.plotData.filterKind, 0);

  // Colours only: the filtered copies stay.
  p.prefs.colors.colors[1] = RGB(10, 20, 30);
  p.metaColors[3] = RGB(1, 2, 3);
  p.metaColorsSet = 1;
  SendMessageA(s.w, OPM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  EXPECT_TRUE(Filtered(s.o, 0));
  STRUCT_OPLOT_LOCAL_PREFS back{};
  SendMessageA(s.w, OPM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(std::memcmp(&back, &p, sizeof p), 0);

  // A filter: every plot with data is filtered again.
  p.prefs.plotData.filterKind = 1;
  SendMessageA(s.w, OPM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  EXPECT_FALSE(Filtered(s.o, 0));
  EXPECT_FALSE(Filtered(s.o, 1));
  EXPECT_EQ(s.c->m_filtering[0], 1);

  // wParam 1 keeps the control's modes; 0 takes them from the record.
  SendMessageA(s.w, WM_COMMAND, 2773, 0);
  p.prefs.features.clickDragMode = OPLOT_DRAG_ZOOM;
  SendMessageA(s.w, OPM_SETLOCALPREFERENCES, 1, reinterpret_cast<LPARAM>(&p));
  EXPECT_EQ(s.c->m_clickDragMode, OPLOT_DRAG_NOISE);
  SendMessageA(s.w, OPM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  EXPECT_EQ(s.c->m_clickDragMode, OPLOT_DRAG_ZOOM);

  // Metafile colours back to the library's defaults.
  SendMessageA(s.w, OPM_SETMETAPLOTCOLORS, 0, 0);
  EXPECT_EQ(s.c->m_ownColors, 0);
  EXPECT_NE(s.c->m_printColors[3], RGB(1, 2, 3));
  DestroyWindow(s.w);
}

// The segment bar follows the preferences' switch both ways.
TEST_F(PreferencesTest, TheSegmentBarComesAndGoesWithItsSwitch) {
  Shown s = ShowPlots(2, 700, 400);
  STRUCT_OPLOT_LOCAL_PREFS p{};
  ASSERT_EQ(SendMessageA(s.w, OPM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p)), 1);
  for (int16_t show : {0, 1, 1, 0}) {
    p.prefs.features.showSegments = show;
    SendMessageA(s.w, OPM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
    EXPECT_EQ(s.c->m_pSegments != nullptr, show == 1) << show;
    EXPECT_EQ(GetDlgItem(s.w, OPLOT_ID_SEGMENTS) != nullptr, show == 1) << show;
  }
  DestroyWindow(s.w);
}

// Cancel leaves preferences, modes, toolbar and filtering exactly as they
// were; OK takes the edits and writes the record.
TEST_F(PreferencesTest, TheSheetRestoresEverythingOnCancelAndKeepsOnOk) {
  Shown s = ShowPlots(2, 700, 400);
  CCtlOPlot* c = s.c;
  SendMessageA(s.w, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Sheet"));
  SendMessageA(s.w, WM_COMMAND, 2772, 0);   // a mode of the toolbar's own
  SendMessageA(s.w, WM_COMMAND, 2716, 0);
  const STRUCT_CHRO_PREFS before = c->m_prefs;
  const int16_t drag = c->m_clickDragMode, points = c->m_pointsToAverage;
  CWnd* toolbar = c->m_pToolBar;

  // The sheet previews into the control while it is open.
  int16_t toolbarWhileOpen = -1;
  win::script::OnNextDialog([&](HWND sheet) {
    EXPECT_TRUE(win::script::PickSheetPageText(sheet, "Features"));
    HWND page = win::script::SheetPage(sheet);
    win::script::SetCheck(page, PREFS_CHECK + 2, false);
    win::script::PickItemText(page, PREFS_COMBO + 0, "7 Point Spectrum Average");
    toolbarWhileOpen = c->m_showToolbar;
    EXPECT_TRUE(win::script::PickSheetPageText(sheet, "Chromatogram Plot"));
    page = win::script::SheetPage(sheet);
    win::script::SetCheck(page, PREFS_CHECK + 0, true);
    win::script::PressButton(page, PREFS_RADIO + 2);
    win::script::PressButton(sheet, IDCANCEL);
  });
  SendMessageA(s.w, WM_COMMAND, 2707, 0);
  EXPECT_EQ(toolbarWhileOpen, 0);
  EXPECT_EQ(std::memcmp(&before, &c->m_prefs, sizeof before), 0);
  EXPECT_EQ(c->m_clickDragMode, drag);
  EXPECT_EQ(c->m_pointsToAverage, points);
  EXPECT_EQ(c->m_pToolBar, toolbar);
  EXPECT_FALSE(Filtered(s.o, 0));
  EXPECT_EQ(RawValue("Sheet"), "");

  // A spike threshold beyond its range is offered its bound; OK keeps the edits.
  win::script::AnswerNextMessageBox(IDNO);
  win::script::OnNextDialog([](HWND sheet) {
    EXPECT_TRUE(win::script::PickSheetPageText(sheet, "Chromatogram Plot"));
    HWND page = win::script::SheetPage(sheet);
    win::script::SetCheck(page, PREFS_CHECK + 1, true);
    win::script::SetField(page, PREFS_NUMBER, "25");
    EXPECT_TRUE(win::script::PickSheetPageText(sheet, "Features"));
    page = win::script::SheetPage(sheet);
    win::script::PickItemText(page, PREFS_COMBO + 0, "3 Point Spectrum Average");
    win::script::SetCheck(page, PREFS_CHECK + 2, false);
    win::script::PressButton(sheet, IDOK);
  });
  SendMessageA(s.w, WM_COMMAND, 2707, 0);
  EXPECT_EQ(c->m_pointsToAverage, 3);
  EXPECT_EQ(c->m_showToolbar, 0);
  EXPECT_EQ(c->m_toolbarShown, 0);
  STRUCT_OPLOT_KEPT_PREFS back{};
  ASSERT_TRUE(ReadRecord("Sheet", &back));
  EXPECT_EQ(back.loaded, 1);
  EXPECT_EQ(back.prefs.features.pointsToAverage, 3);
  EXPECT_EQ(back.prefs.features.showToolbar, 0);
  EXPECT_EQ(back.prefs.plotData.flag8, 1);
  EXPECT_NE(back.prefs.plotData.value10, 25);
  ASSERT_FALSE(win::script::MessageBoxLog().empty());
  EXPECT_NE(win::script::MessageBoxLog().back().text.find("Spike Threshold"), std::string::npos);
  DestroyWindow(s.w);
}

}  // namespace
