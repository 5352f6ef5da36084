// The preference sheets driven as a user would: pages, their rules, the
// extra buttons, live preview, remembered pages, and stored defaults that
// only change when they were written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/library_state.h"
#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "prefsheets/preference_sheets.h"
#include "testing/golden_png.h"
#include "win/win_commdlg.h"
#include "win/win_prsht.h"
#include "win/win_script.h"

namespace ws = win::script;

namespace {

// A stand-in for a plot control: answers the get message with its record
// and keeps what the set message brings.
struct FakeControl {
  bool spectra = false;
  std::vector<uint8_t> record;
  int sets = 0;
};
FakeControl* g_fake = nullptr;

LRESULT CALLBACK FakeProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  const UINT get = g_fake && g_fake->spectra ? WM_USER + 58 : WM_USER + 60;
  if (g_fake && l && msg == get) {
    std::memcpy(reinterpret_cast<uint8_t*>(l) + 4, g_fake->record.data(), g_fake->record.size());
    return 1;
  }
  if (g_fake && l && msg == get + 1) {
    std::memcpy(g_fake->record.data(), reinterpret_cast<uint8_t*>(l) + 4, g_fake->record.size());
    ++g_fake->sets;
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

HWND MakeFakeWindow() {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = FakeProc;
    wc.lpszClassName = "PrefsFakeControl";
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowExA(0, "PrefsFakeControl", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                         nullptr, nullptr, nullptr);
}

class PrefSheetsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    ws::ResetLogs();
    prefsheets::ResetRememberedPages();
    kelt::prefs::SetPreferencesIniPath("");
  }
  void TearDown() override {
    g_fake = nullptr;
    kelt::prefs::SetPreferencesIniPath("");
    KeltRootTest::TearDown();
  }
  static HWND Page(HWND sheet, const char* title) {
    EXPECT_TRUE(ws::PickSheetPageText(sheet, title)) << title;
    return ws::SheetPage(sheet);
  }
  static RECT ChildRect(HWND sheet, int id) {
    RECT r{};
    HWND c = GetDlgItem(sheet, id);
    GetWindowRect(c, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(sheet, &a);
    ScreenToClient(sheet, &b);
    return RECT{a.x, a.y, b.x, b.y};
  }
};

STRUCT_CHRO_PREFS FactoryChro() {
  STRUCT_CHRO_PREFS p{};
  KELT_ResetDefChroPrefs(&p);
  return p;
}

STRUCT_SPTS_PREFS FactorySpts() {
  STRUCT_SPTS_PREFS p{};
  KELT_ResetDefSptsPrefs(&p);
  return p;
}

bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

}  // namespace

// ---- The frame ---------------------------------------------------------------

TEST_F(PrefSheetsTest, ExtraButtonsAreLaidOutInOneOrTwoRows) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  RECT reset{}, ok{}, cancel{}, apply{}, save{};
  bool hasSave = true;
  ws::OnNextDialog([&](HWND sheet) {
    reset = ChildRect(sheet, PREFS_ID_RESET_ALL);
    ok = ChildRect(sheet, IDOK);
    cancel = ChildRect(sheet, IDCANCEL);
    apply = ChildRect(sheet, ID_APPLY_NOW);
    hasSave = GetDlgItem(sheet, PREFS_ID_SAVE_ALL) != nullptr;
    ws::PressButton(sheet, IDCANCEL);
  });
  EXPECT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 0);
  EXPECT_FALSE(hasSave);
  EXPECT_EQ(reset.top, ok.top);  // one row: Reset All, OK, Cancel
  EXPECT_LT(reset.right, ok.left);
  EXPECT_LT(ok.right, cancel.left);
  EXPECT_EQ(apply.right - apply.left, 0);

  FakeControl fake{false, std::vector<uint8_t>(sizeof p)};
  g_fake = &fake;
  HWND w = MakeFakeWindow();
  ws::OnNextDialog([&](HWND sheet) {
    reset = ChildRect(sheet, PREFS_ID_RESET_ALL);
    save = ChildRect(sheet, PREFS_ID_SAVE_ALL);
    ok = ChildRect(sheet, IDOK);
    cancel = ChildRect(sheet, IDCANCEL);
    ws::PressButton(sheet, IDCANCEL);
  });
  EXPECT_EQ(Dlg_EditChroPlotPreferences(CWnd::FromHandle(w), &p, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(save.top, reset.top);  // Save All and Reset All side by side ...
  EXPECT_LT(save.right, reset.left);
  EXPECT_GT(ok.top, reset.bottom);  // ... OK and Cancel under Reset All
  EXPECT_GE(ok.left, reset.left);
  EXPECT_LE(cancel.right, reset.right + 1);
  DestroyWindow(w);
}

// Every byte of the record comes back through the pages; only the time
// stamp is new, and in mode 5 the noise colour follows the text colour.
TEST_F(PrefSheetsTest, OkGivesBackEveryPageSlice) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  p.colors.colors[1] = RGB(10, 20, 30);
  p.axis1.minorDivision = 1;
  p.features.pointsToAverage = 5;
  p.titles.items[0] = 3;
  p.noise.signalNoiseMarker.angle = 900;
  for (short mode : {0, 5}) {
    STRUCT_CHRO_PREFS edit = p;
    uint16_t out = 0;
    ws::OnNextDialog([](HWND sheet) { ws::PressButton(sheet, IDOK); });
    ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &edit, 1, 1, &out, mode), 1);
    EXPECT_EQ(out, 1);
    EXPECT_NE(+edit.timeStamp, 0);
    STRUCT_CHRO_PREFS want = p;
    want.timeStamp = edit.timeStamp;
    if (mode == 5) std::memcpy(reinterpret_cast<uint8_t*>(&want) + 874, reinterpret_cast<uint8_t*>(&want) + 8, 4);
    EXPECT_EQ(std::memcmp(&want, &edit, sizeof want), 0) << mode;
  }
}

TEST_F(PrefSheetsTest, ChromatogramPageSetsTitlesAndRememberedPagesByMode) {
  struct Case {
    short mode;
    const char* title;
    std::vector<std::string> tabs;
  } cases[] = {
      {0, "Chromatogram Plot Preferences",
       {"Features", "Chromatogram Plot", "Plot Titles", "DH Annotations", "Markers", "TL Annotations",
        "AMDIS Annotations", "Noise", "Colors", "Labels", "Axes", "Font"}},
      {4, "Chromatogram Plot Preferences", {"Colors", "Labels", "Axes", "Font"}},
      {2, "Original Plot Preferences", {"Colors", "Axes", "Features"}},
      {3, "Deconvoluted Plot Preferences", {"Colors", "Axes", "Features"}},
      {5, "Optimization Plot Preferences", {"Optimization Data", "Markers", "Colors", "Axes"}},
      {6, "Chromatogram Plot Preferences", {}},
  };
  for (const Case& c : cases) {
    STRUCT_CHRO_PREFS p = FactoryChro();
    std::vector<std::string> tabs;
    std::string caption;
    ws::OnNextDialog([&](HWND sheet) {
      tabs = ws::SheetTabs(sheet);
      char text[128] = {};
      GetWindowTextA(sheet, text, sizeof text);
      caption = text;
      ws::PressButton(sheet, IDCANCEL);
    });
    Dlg_EditChroPlotPreferences(nullptr, &p, 0, 0, nullptr, c.mode);
    EXPECT_EQ(caption, c.title) << c.mode;
    EXPECT_EQ(tabs, c.tabs.empty() ? cases[0].tabs : c.tabs) << c.mode;
  }
  // Modes 2 and 3 remember their pages apart, and only at OK.
  auto open = [](short mode, const char* pick, bool ok) {
    STRUCT_CHRO_PREFS p = FactoryChro();
    ws::OnNextDialog([&](HWND sheet) {
      Page(sheet, pick);
      ws::PressButton(sheet, ok ? IDOK : IDCANCEL);
    });
    Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, mode);
  };
  auto opening = [](short mode) {
    STRUCT_CHRO_PREFS p = FactoryChro();
    std::string title;
    ws::OnNextDialog([&](HWND sheet) {
      const auto tabs = ws::SheetTabs(sheet);
      HWND page = ws::SheetPage(sheet);
      for (size_t i = 0; i < tabs.size(); ++i) {
        ws::PickSheetPage(sheet, static_cast<int>(i));
        if (ws::SheetPage(sheet) == page) title = tabs[i];
      }
      ws::PressButton(sheet, IDCANCEL);
    });
    Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, mode);
    return title;
  };
  open(2, "Features", true);
  open(3, "Axes", false);
  EXPECT_EQ(opening(2), "Features");
  EXPECT_EQ(opening(3), "Colors");  // cancelled: not remembered
  EXPECT_EQ(prefsheets::Remembered().chroMode3, 0);
}

// The live control sees every change at once; Cancel leaves the caller's record.
TEST_F(PrefSheetsTest, LivePreviewResetAllAndCancel) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  p.axis1.shown = 1;
  FakeControl fake{false, std::vector<uint8_t>(sizeof p)};
  std::memcpy(fake.record.data(), &p, sizeof p);
  g_fake = &fake;
  HWND w = MakeFakeWindow();
  STRUCT_CHRO_PREFS seen{};
  int setsAfterCheck = 0;
  ws::OnNextDialog([&](HWND sheet) {
    HWND axes = Page(sheet, "Axes");
    ws::SetCheck(axes, PREFS_CHECK + 0, false);  // horizontal axis off
    setsAfterCheck = fake.sets;
    std::memcpy(&seen, fake.record.data(), sizeof seen);
    ws::PressButton(sheet, PREFS_ID_RESET_ALL);
    ws::PressButton(sheet, IDCANCEL);
  });
  const STRUCT_CHRO_PREFS before = p;
  EXPECT_EQ(Dlg_EditChroPlotPreferences(CWnd::FromHandle(w), &p, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(setsAfterCheck, 1);
  EXPECT_EQ(+seen.axis1.shown, 0);
  EXPECT_EQ(fake.sets, 2);  // Reset All pushed the defaults
  STRUCT_CHRO_PREFS stored{};
  KELT_ReadDefChroPrefs(&stored, "KELTDefChroPrefs");
  EXPECT_EQ(std::memcmp(fake.record.data() + 4, reinterpret_cast<uint8_t*>(&stored) + 4, sizeof p - 4), 0);
  EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0);
  DestroyWindow(w);
}

// Save All makes what Reset All restores; a page's own reset keeps the
// values the sheet opened with. A failed write changes nothing and says so.
TEST_F(PrefSheetsTest, SaveAllAsDefaultsAndItsFailedWrite) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  FakeControl fake{false, std::vector<uint8_t>(sizeof p)};
  g_fake = &fake;
  HWND w = MakeFakeWindow();
  ws::OnNextDialog([&](HWND sheet) {
    HWND axes = Page(sheet, "Axes");
    ws::PressButton(axes, PREFS_RADIO + 20 + 3);  // vertical major ticks: cross
    ws::PressButton(sheet, PREFS_ID_SAVE_ALL);
    ws::PressButton(axes, PREFS_RADIO + 20 + 2);  // inside
    ws::PressButton(sheet, PREFS_ID_RESET_ALL);
    EXPECT_TRUE(ws::IsChecked(axes, PREFS_RADIO + 20 + 3));
    ws::PressButton(axes, PREFS_ID_PAGE_RESET);
    EXPECT_TRUE(ws::IsChecked(axes, PREFS_RADIO + 20 + 1));  // outside, as opened
    ws::PressButton(sheet, IDCANCEL);
  });
  Dlg_EditChroPlotPreferences(CWnd::FromHandle(w), &p, 0, 0, nullptr, 0);
  STRUCT_CHRO_PREFS stored{};
  KELT_ReadDefChroPrefs(&stored, "KELTDefChroPrefs");
  EXPECT_EQ(+stored.axis0.majorTickStyle, 3);
  EXPECT_EQ(+kelt::prefs::DefaultChroPrefs().axis0.majorTickStyle, 3);

  // The ini cannot be written: a folder stands where the file should be.
  WriteHostFile("c/BLOCKED/tolview3.ini/x", "");
  kelt::prefs::SetPreferencesIniPath("C:\\BLOCKED\\tolview3.ini");
  STRUCT_CHRO_PREFS current{};
  ws::AnswerNextMessageBox(IDOK);
  ws::OnNextDialog([&](HWND sheet) {
    current = kelt::prefs::DefaultChroPrefs();
    HWND axes = Page(sheet, "Axes");
    ws::PressButton(axes, PREFS_RADIO + 20 + 2);
    ws::PressButton(sheet, PREFS_ID_SAVE_ALL);
    ws::PressButton(axes, PREFS_RADIO + 20 + 0);
    ws::PressButton(sheet, PREFS_ID_RESET_ALL);  // back to the opened defaults, not the unsaved ones
    EXPECT_TRUE(ws::IsChecked(axes, PREFS_RADIO + 20 + 1));
    ws::PressButton(sheet, IDCANCEL);
  });
  Dlg_EditChroPlotPreferences(CWnd::FromHandle(w), &p, 0, 0, nullptr, 0);
  EXPECT_EQ(std::memcmp(&current, &kelt::prefs::DefaultChroPrefs(), sizeof current), 0);
  ASSERT_EQ(ws::MessageBoxLog().size(), 1u);
  EXPECT_NE(ws::MessageBoxLog()[0].text.find("could not be saved"), std::string::npos);
  DestroyWindow(w);
}

// ---- Spectra sheet -------------------------------------------------------------

TEST_F(PrefSheetsTest, SpectraSheetMergesTheDrawingBlockAndHidesOldTitles) {
  STRUCT_SPTS_PREFS p = FactorySpts();
  std::vector<std::string> tabs;
  ws::OnNextDialog([&](HWND sheet) {
    tabs = ws::SheetTabs(sheet);
    ws::PressButton(Page(sheet, "Scales"), PREFS_RADIO + 4);  // absolute values
    HWND labeling = Page(sheet, "Labeling and Comparisons");
    ws::SetCheck(labeling, PREFS_CHECK + 3, !p.drawing.showDifference);
    ws::SetField(labeling, PREFS_NUMBER, "33");
    ws::PressButton(Page(sheet, "Features"), PREFS_CHECK);
    ws::PressButton(sheet, IDOK);
  });
  const int16_t difference = p.drawing.showDifference;
  ASSERT_EQ(Dlg_EditSpectraPreferences(nullptr, &p, 1, 0, nullptr, 2), 1);
  EXPECT_EQ(tabs.size(), 9u);
  EXPECT_EQ(+p.drawing.keepAbsolute, 1);  // from the Scales page
  EXPECT_EQ(+p.drawing.showDifference, difference ? 0 : 1);  // from the Labeling page
  EXPECT_EQ(+p.drawing.value12, 33);
  // Mode 3 with the old titles: eight pages, and a remembered Plot Titles opens Features.
  ASSERT_EQ(kelt::lib::Settings().oldSptTitles, 1);
  prefsheets::Remembered().spectra = 8;
  std::string opened;
  ws::OnNextDialog([&](HWND sheet) {
    tabs = ws::SheetTabs(sheet);
    opened = ws::SheetPage(sheet) == Page(sheet, "Features") ? "Features" : "other";
    ws::PressButton(sheet, IDCANCEL);
  });
  Dlg_EditSpectraPreferences(nullptr, &p, 1, 0, nullptr, 3);
  EXPECT_EQ(tabs.size(), 8u);
  EXPECT_EQ(opened, "Features");
}

// ---- Colour and label pages ------------------------------------------------------------

TEST_F(PrefSheetsTest, SwatchesTakeTheChosenColourAndKeepItOnCancel) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  const COLORREF plot3 = p.colors.colors[4];
  ws::OnNextDialog([&](HWND sheet) {
    HWND colours = Page(sheet, "Colors");
    ws::OnNextDialog([](HWND chooser) {
      ws::PressButton(chooser, COLOR_BOX1 + 8);  // pure red
      ws::PressButton(chooser, IDOK);
    });
    ws::PressButton(colours, PREFS_SWATCH + 2);  // plot 1
    ws::OnNextDialog([](HWND chooser) {
      ws::PressButton(chooser, COLOR_BOX1 + 8);
      ws::PressButton(chooser, IDCANCEL);
    });
    ws::PressButton(colours, PREFS_SWATCH + 4);  // plot 3: cancelled
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 1);
  EXPECT_EQ(+p.colors.colors[2], RGB(255, 0, 0));
  EXPECT_EQ(+p.colors.colors[4], plot3);
  // The report blocks keep their unshown background through an edit.
  STRUCT_REPORT_PREFS r{};
  KELT_ReadDefReportPrefs(&r, "KELTDefRptPrefs");
  const COLORREF background = r.chroColors.colors[0];
  ws::OnNextDialog([&](HWND sheet) {
    HWND colours = Page(sheet, "Chro. Colors");
    EXPECT_EQ(GetDlgItem(colours, PREFS_SWATCH + 0), nullptr);
    ws::OnNextDialog([](HWND chooser) {
      ws::PressButton(chooser, COLOR_BOX1 + 28);
      ws::PressButton(chooser, IDOK);
    });
    ws::PressButton(colours, PREFS_SWATCH + 1);
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditReportPreferences(nullptr, 0, 0), 1);
  KELT_ReadDefReportPrefs(&r, "KELTDefRptPrefs");
  EXPECT_EQ(+r.chroColors.colors[1], RGB(0, 0, 255));
  EXPECT_EQ(+r.chroColors.colors[0], background);
}

TEST_F(PrefSheetsTest, LabelsPageAngleAnchorAndFont) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  p.label.positionMode = 1;
  p.label.pointerMode = 1;
  p.label.fontSource = 0;
  std::string afterBadAngle;
  ws::AnswerNextMessageBox(IDNO);
  ws::OnNextDialog([&](HWND sheet) {
    HWND labels = Page(sheet, "Labels");
    ws::SetField(labels, PREFS_NUMBER, "45");
    ws::PressButton(labels, PREFS_RADIO + 3);  // anchor to the frame
    EXPECT_FALSE(Enabled(labels, PREFS_CHECK + 1));
    ws::SetField(labels, PREFS_NUMBER, "400");
    ws::PressButton(labels, PREFS_CHECK);  // the focus leaves: refused, and not replaced
    ws::PressButton(labels, PREFS_CHECK);
    afterBadAngle = ws::GetField(labels, PREFS_NUMBER);
    ws::OnNextDialog([](HWND chooser) {
      ws::SetField(chooser, cmb1, "Courier New");
      ws::SetField(chooser, cmb3, "14");
      ws::PressButton(chooser, IDOK);
    });
    ws::PressButton(labels, PREFS_FONT);
    Page(sheet, "Axes");  // leaving the page drops the pointer
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 1);
  EXPECT_EQ(+p.label.angle, 450);
  EXPECT_EQ(afterBadAngle, "45");
  EXPECT_EQ(+p.label.positionMode, 2);
  EXPECT_EQ(+p.label.pointerMode, 0);
  EXPECT_STREQ(p.label.font.lfFaceName, "Courier New");
  EXPECT_EQ(+p.label.font.lfHeight, -19);  // the chooser's height, kept as it was given
  ASSERT_FALSE(ws::MessageBoxLog().empty());
  EXPECT_NE(ws::MessageBoxLog()[0].text.find("Font Angle"), std::string::npos);
}

// ---- Field lists -------------------------------------------------------------------

TEST_F(PrefSheetsTest, AnnotationListOperationsAndValidity) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  p.resultAnnotations.show = 1;
  p.resultAnnotations.itemCount = 4;
  const int16_t items[4] = {0, 1, 5, 42};  // 42 names no field
  std::memcpy(p.resultAnnotations.items, items, sizeof items);
  std::vector<std::string> selected, choose, afterRemove;
  bool addAll = true, insertAll = true;
  ws::OnNextDialog([&](HWND sheet) {
    HWND dh = Page(sheet, "DH Annotations");
    selected = ws::ListItems(dh, PREFS_SELECTED_LIST);
    // Remove "Name" and "Area" (positions 0 and 2): they go to the end, last first.
    ws::PickItem(dh, PREFS_SELECTED_LIST, 0);
    ws::PickItem(dh, PREFS_SELECTED_LIST, 2, true);
    ws::PressButton(dh, PREFS_REMOVE);
    afterRemove = ws::ListItems(dh, PREFS_CHOOSE_LIST);
    for (int k = 0; k < 20 && !ws::ListItems(dh, PREFS_CHOOSE_LIST).empty(); ++k) ws::PressButton(dh, PREFS_ADD);
    addAll = Enabled(dh, PREFS_ADD);
    insertAll = Enabled(dh, PREFS_INSERT);
    choose = ws::ListItems(dh, PREFS_CHOOSE_LIST);
    // Moving the last field up one place.
    ws::PickItem(dh, PREFS_SELECTED_LIST, 9);
    ws::PressButton(dh, PREFS_MOVE_UP);
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 1);
  EXPECT_EQ(selected, (std::vector<std::string>{"Name", "Ret. Time", "Area"}));
  ASSERT_GE(afterRemove.size(), 2u);
  EXPECT_EQ(afterRemove[afterRemove.size() - 2], "Area");
  EXPECT_EQ(afterRemove.back(), "Name");
  EXPECT_FALSE(addAll);
  EXPECT_FALSE(insertAll);
  EXPECT_TRUE(choose.empty());
  EXPECT_EQ(+p.resultAnnotations.itemCount, 10);
  EXPECT_EQ(+p.resultAnnotations.items[8], 0);  // "Name" moved up before "Area"
  EXPECT_EQ(+p.resultAnnotations.items[9], 5);

  // No peak kind left: leaving the page switches the annotations off.
  ws::OnNextDialog([&](HWND sheet) {
    HWND dh = Page(sheet, "DH Annotations");
    for (int k = 1; k <= 6; ++k) ws::SetCheck(dh, PREFS_CHECK + k, false);
    Page(sheet, "Markers");
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 1);
  EXPECT_EQ(+p.resultAnnotations.show, 0);

  // Each AMDIS kind keeps its own fields.
  p.amdisAnnotations.show = 1;
  p.amdisAnnotations.useELU = 0;
  std::vector<std::string> identified, component;
  ws::OnNextDialog([&](HWND sheet) {
    HWND amdis = Page(sheet, "AMDIS Annotations");
    identified = ws::ListItems(amdis, PREFS_SELECTED_LIST);
    ws::PressButton(amdis, PREFS_RADIO + 1);
    component = ws::ListItems(amdis, PREFS_SELECTED_LIST);
    ws::PressButton(sheet, IDCANCEL);
  });
  Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0);
  EXPECT_EQ(identified.size(), static_cast<size_t>(p.amdisAnnotations.itemCount2));
  EXPECT_EQ(component.size(), static_cast<size_t>(p.amdisAnnotations.itemCount1));
  EXPECT_NE(identified, component);
}

TEST_F(PrefSheetsTest, TitlePagesSortChoicesAndPurgeStoredIndexes) {
  STRUCT_CHRO_PREFS c = FactoryChro();
  c.titles.flags[0] = 1;
  c.titles.itemCount = 2;
  c.titles.items[0] = 0;  // Ions
  c.titles.items[1] = 2;  // File
  std::vector<std::string> choose;
  ws::OnNextDialog([&](HWND sheet) {
    HWND titles = Page(sheet, "Plot Titles");
    ws::PickItem(titles, PREFS_SELECTED_LIST, 0);
    ws::PressButton(titles, PREFS_REMOVE);
    choose = ws::ListItems(titles, PREFS_CHOOSE_LIST);
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &c, 1, 0, nullptr, 0), 1);
  EXPECT_TRUE(std::is_sorted(choose.begin(), choose.end()));
  EXPECT_NE(std::find(choose.begin(), choose.end(), "Ions"), choose.end());
  EXPECT_EQ(+c.titles.itemCount, 1);
  EXPECT_EQ(+c.titles.items[0], 2);

  STRUCT_SPTS_PREFS s = FactorySpts();
  s.titles.flags[0] = 1;
  s.titles.lists[0].count = 10;
  for (int i = 0; i < 10; ++i) s.titles.lists[0].items[i] = static_cast<int16_t>(i);
  s.titles.flags[1] = 1;
  s.titles.lists[1].count = 2;
  s.titles.lists[1].items[0] = 19;  // out of range
  s.titles.lists[1].items[1] = 25;
  bool add0 = true, add2 = false;
  ws::OnNextDialog([&](HWND sheet) {
    HWND titles = Page(sheet, "Plot Titles");
    add0 = Enabled(titles, PREFS_ADD);
    ws::PressButton(titles, PREFS_RADIO + 2);
    ws::SetCheck(titles, PREFS_CHECK + 2, true);
    add2 = Enabled(titles, PREFS_ADD);
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditSpectraPreferences(nullptr, &s, 1, 0, nullptr, 2), 1);
  EXPECT_FALSE(add0);
  EXPECT_TRUE(add2);
  EXPECT_EQ(+s.titles.lists[1].count, 0);
  EXPECT_EQ(+s.titles.flags[1], 0);
}

// ---- Feature and plot pages -----------------------------------------------------------

TEST_F(PrefSheetsTest, ChromatogramPlotRulesAndFeatureLists) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  p.plotData = {1, 1, 1, 0, 0, 5};
  p.features.clickDragMode = 7;  // a research mode, not offered here
  bool filteredOn = true, overlayOn = true, rawAfter = false;
  std::string drag;
  ws::OnNextDialog([&](HWND sheet) {
    drag = ws::GetField(Page(sheet, "Features"), PREFS_COMBO + 1);
    HWND plot = Page(sheet, "Chromatogram Plot");
    ws::SetCheck(plot, PREFS_CHECK + 0, false);  // smoothing off, no spikes: raw only
    filteredOn = Enabled(plot, PREFS_RADIO + 1);
    overlayOn = Enabled(plot, PREFS_RADIO + 2);
    rawAfter = ws::IsChecked(plot, PREFS_RADIO + 0);
    ws::SetCheck(plot, PREFS_CHECK + 1, true);  // spikes: filtered again
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 1);
  EXPECT_EQ(drag, "Zoom Chromatogram");
  EXPECT_FALSE(filteredOn);
  EXPECT_FALSE(overlayOn);
  EXPECT_TRUE(rawAfter);
  EXPECT_EQ(+p.plotData.filterKind, 1);
  EXPECT_EQ(+p.plotData.flag8, 1);
  // Savitzky-Golay over a 3-point code takes 5 points.
  p.plotData = {1, 1, 1, 0, 0, 5};
  ws::OnNextDialog([&](HWND sheet) {
    HWND plot = Page(sheet, "Chromatogram Plot");
    ws::PressButton(plot, PREFS_RADIO + 4);
    EXPECT_EQ(ws::ListItems(plot, PREFS_COMBO).front(), "5");
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 1);
  EXPECT_EQ(+p.plotData.value6, 1);
  EXPECT_EQ(+p.plotData.value4, 2);
}

TEST_F(PrefSheetsTest, SpectraFeaturesStoreTheCutOffInTenths) {
  STRUCT_SPTS_PREFS p = FactorySpts();
  ws::OnNextDialog([&](HWND sheet) {
    HWND f = Page(sheet, "Features");
    ws::SetField(f, PREFS_NUMBER, "12.34");
    ws::PressKey(VK_RETURN);  // swallowed: the sheet stays open
    EXPECT_TRUE(IsWindow(sheet));
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditSpectraPreferences(nullptr, &p, 1, 0, nullptr, 2), 1);
  EXPECT_EQ(+p.features.transform, 123);
  // Mode 3: no background correction, no action lists.
  p.features.backgroundCorrect = 1;
  bool lists = true, bc = true;
  ws::OnNextDialog([&](HWND sheet) {
    HWND f = Page(sheet, "Features");
    lists = Enabled(f, PREFS_COMBO + 0);
    bc = Enabled(f, PREFS_CHECK + 2);
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditSpectraPreferences(nullptr, &p, 1, 0, nullptr, 3), 1);
  EXPECT_FALSE(lists);
  EXPECT_FALSE(bc);
  EXPECT_EQ(+p.features.backgroundCorrect, 0);
}

// ---- Marker appearance -----------------------------------------------------------------

TEST_F(PrefSheetsTest, MarkerAppearanceByKind) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  p.noise.signalNoiseMarker.angle = 450;
  std::string caption, detail;
  bool angleOn = true;
  ws::OnNextDialog([&](HWND sheet) {
    HWND noise = Page(sheet, "Noise");
    ws::OnNextDialog([&](HWND dlg) {
      char text[128] = {};
      GetWindowTextA(dlg, text, sizeof text);
      caption = text;
      detail = ws::Text(GetDlgItem(dlg, PREFS_CHECK + 1));
      angleOn = Enabled(dlg, PREFS_NUMBER);
      ws::PressButton(dlg, PREFS_CHECK + 1);
      ws::PressButton(dlg, IDOK);
    });
    ws::PressButton(noise, PREFS_APPEARANCE);
    // Cancelled after a colour change: nothing taken.
    ws::OnNextDialog([&](HWND dlg) {
      ws::OnNextDialog([](HWND chooser) {
        ws::PressButton(chooser, COLOR_BOX1 + 8);
        ws::PressButton(chooser, IDOK);
      });
      ws::PressButton(dlg, PREFS_SWATCH + 1);
      ws::PressButton(dlg, IDCANCEL);
    });
    ws::PressButton(noise, PREFS_APPEARANCE);
    ws::PressButton(sheet, IDOK);
  });
  const COLORREF colour = p.noise.signalNoiseMarker.screenColor;
  const int16_t box = p.noise.signalNoiseMarker.peakBoxStyle;
  ASSERT_EQ(Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0), 1);
  EXPECT_EQ(caption, "Select Signal/Noise Marker Features");
  EXPECT_EQ(detail, "Draw Noise Boxes");
  EXPECT_FALSE(angleOn);
  EXPECT_EQ(+p.noise.signalNoiseMarker.angle, 450);
  EXPECT_EQ(+p.noise.signalNoiseMarker.peakBoxStyle, box ? 0 : 1);
  EXPECT_EQ(+p.noise.signalNoiseMarker.screenColor, colour);
}

// ---- Report and general sheets -------------------------------------------------------

TEST_F(PrefSheetsTest, ReportSheetOrdersAndAFailedWrite) {
  std::vector<std::string> spectraFirst, chroFirst;
  bool appearance = true;
  ws::OnNextDialog([&](HWND sheet) {
    spectraFirst = ws::SheetTabs(sheet);
    appearance = Enabled(Page(sheet, "Chro. Markers"), PREFS_APPEARANCE);
    ws::PressButton(sheet, IDCANCEL);
  });
  EXPECT_EQ(Dlg_EditReportPreferences(nullptr, 0, 1), 0);
  ws::OnNextDialog([&](HWND sheet) {
    chroFirst = ws::SheetTabs(sheet);
    ws::PressButton(sheet, IDCANCEL);
  });
  Dlg_EditReportPreferences(nullptr, 0, 0);
  ASSERT_EQ(spectraFirst.size(), 12u);
  EXPECT_EQ(spectraFirst[0], "Spectra Reports");
  EXPECT_EQ(chroFirst[0], "Chro. Reports");
  EXPECT_EQ(spectraFirst.back(), "Misc.");
  EXPECT_FALSE(appearance);

  // A write that fails after OK: 0, a message, and the library's copy as it was.
  WriteHostFile("c/BLOCKED/tolview3.ini/x", "");
  kelt::prefs::SetPreferencesIniPath("C:\\BLOCKED\\tolview3.ini");
  STRUCT_REPORT_PREFS current{};
  ws::AnswerNextMessageBox(IDOK);
  ws::OnNextDialog([&](HWND sheet) {
    current = kelt::prefs::DefaultReportPrefs();
    ws::SetCheck(Page(sheet, "Misc."), PREFS_CHECK, current.misc.flag == 0);
    ws::PressButton(sheet, IDOK);
  });
  EXPECT_EQ(Dlg_EditReportPreferences(nullptr, 0, 1), 0);
  EXPECT_EQ(std::memcmp(&current, &kelt::prefs::DefaultReportPrefs(), sizeof current), 0);
  EXPECT_EQ(ws::MessageBoxLog().size(), 1u);
}

TEST_F(PrefSheetsTest, ReportFontsAndSpoolerPages) {
  STRUCT_REPORT_PREFS before{};
  KELT_ReadDefReportPrefs(&before, "KELTDefRptPrefs");
  ws::OnNextDialog([&](HWND sheet) {
    EXPECT_EQ(ws::SheetTabs(sheet), std::vector<std::string>{"Fonts"});
    HWND fonts = ws::SheetPage(sheet);
    SendDlgItemMessageA(fonts, PREFS_TRACK + 1, TBM_SETPOS, TRUE, 400);
    ws::PressButton(sheet, IDOK);  // the page is left: the bar is read
  });
  ASSERT_EQ(Dlg_EditReportFontPreferences(nullptr), 1);
  STRUCT_REPORT_PREFS after{};
  KELT_ReadDefReportPrefs(&after, "KELTDefRptPrefs");
  EXPECT_EQ(+after.fonts.bodySize, 400);
  EXPECT_EQ(std::memcmp(&before.spooler, &after.spooler, sizeof before.spooler), 0);

  // Spooler: a cancelled file chooser keeps the path; margins come from the spin buttons.
  std::string shown;
  ws::OnNextDialog([&](HWND sheet) {
    HWND spooler = Page(sheet, "Spooler");
    shown = ws::Text(GetDlgItem(spooler, PREFS_CAPTION));
    ws::OnNextDialog([](HWND chooser) { ws::PressButton(chooser, IDCANCEL); });
    ws::PressButton(spooler, PREFS_SELECT_FILE);
    SendDlgItemMessageA(spooler, PREFS_SPIN + 0, UDM_SETPOS, 0, MAKELONG(12, 0));
    ws::PressButton(spooler, PREFS_RADIO + 4);  // landscape
    Page(sheet, "Misc.");
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditReportPreferences(nullptr, 0, 1), 1);
  KELT_ReadDefReportPrefs(&after, "KELTDefRptPrefs");
  EXPECT_EQ(shown, after.spooler.spoolFile[0] ? shown : "None Selected");
  EXPECT_STREQ(after.spooler.spoolFile, before.spooler.spoolFile);
  EXPECT_EQ(+after.spooler.marginLeft, 12);
  EXPECT_EQ(+after.spooler.orientation, 2);
}

TEST_F(PrefSheetsTest, GeneralSheetRemembersItsPageAndTheFontsOnlyForm) {
  ws::OnNextDialog([&](HWND sheet) {
    HWND notation = Page(sheet, "Scientific Notation");
    ws::SetCheck(notation, PREFS_CHECK, false);
    for (int k = 0; k < 6; ++k) EXPECT_FALSE(Enabled(notation, PREFS_RADIO + k));
    ws::PressButton(sheet, IDCANCEL);
  });
  EXPECT_EQ(Dlg_EditGlobalPreferences(nullptr), 0);
  HWND opened = nullptr, notation = nullptr;
  ws::OnNextDialog([&](HWND sheet) {
    opened = ws::SheetPage(sheet);
    notation = Page(sheet, "Scientific Notation");
    ws::PressButton(sheet, IDCANCEL);
  });
  Dlg_EditGlobalPreferences(nullptr);
  EXPECT_EQ(opened, notation);

  STRUCT_GLOBAL_PREFS before{};
  KELT_ReadDefGlobalPrefs(&before, "KELTDefGlobalPrefs");
  ws::OnNextDialog([&](HWND sheet) {
    EXPECT_EQ(ws::SheetTabs(sheet), std::vector<std::string>{"Information List Fonts"});
    ws::OnNextDialog([](HWND chooser) {
      ws::SetField(chooser, cmb1, "Times New Roman");
      ws::PressButton(chooser, IDOK);
    });
    ws::PressButton(ws::SheetPage(sheet), PREFS_FONT + 1);
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditGlobalFontPreferences(nullptr), 1);
  STRUCT_GLOBAL_PREFS after{};
  KELT_ReadDefGlobalPrefs(&after, "KELTDefGlobalPrefs");
  EXPECT_STREQ(after.fonts.proportionalFont.lfFaceName, "Times New Roman");
  EXPECT_EQ(std::memcmp(&before.features, &after.features, 20), 0);  // bytes 184-203 as stored

  // Miscellaneous: decimals and the mass offset, each validated.
  ws::AnswerNextMessageBox(IDYES);
  ws::OnNextDialog([&](HWND sheet) {
    HWND misc = Page(sheet, "Miscellaneous");
    ws::SetField(misc, PREFS_NUMBER + 0, "2");
    ws::SetField(misc, PREFS_NUMBER + 1, "0.7");  // beyond 0.4: the bound is offered and taken
    ws::PressButton(misc, PREFS_CHECK);
    ws::PressButton(sheet, IDOK);
  });
  ASSERT_EQ(Dlg_EditGlobalPreferences(nullptr), 1);
  KELT_ReadDefGlobalPrefs(&after, "KELTDefGlobalPrefs");
  EXPECT_EQ(+after.features.value2, 2);
  EXPECT_DOUBLE_EQ(+after.features.massOffset, 0.4);
}

// The chromatogram colour page of the default record, as drawn.
TEST_F(PrefSheetsTest, ChromatogramColourPagePicture) {
  STRUCT_CHRO_PREFS p = FactoryChro();
  WriteHostFile("c/TEMP/keep", "");
  std::string png;
  ws::OnNextDialog([&](HWND sheet) {
    Page(sheet, "Colors");
    ws::PumpUntilIdle();
    ASSERT_TRUE(ws::SaveWindowPng(sheet, "C:\\TEMP\\colours.png"));
    png = ReadHostFile("c/TEMP/colours.png");
    ws::PressButton(sheet, IDCANCEL);
  });
  Dlg_EditChroPlotPreferences(nullptr, &p, 1, 0, nullptr, 0);
  ASSERT_FALSE(png.empty());
  testing_support::ExpectPngAsStored(png, PREFSHEETS_GOLDEN_DIR, "chromatogram-colours-page");
}
