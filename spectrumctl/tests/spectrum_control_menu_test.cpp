// The spectrum control's context menu, cursors and toolbar corner, and the
// information rows and windows.
#include <algorithm>
#include <string>

#include "spectra/other_spectra.h"
#include "spectra/spectrum_titles.h"
#include "spectrumctl/tests/spt_control_fixture.h"

namespace {

std::vector<std::string> Texts(const win::script::MenuRecord& m) {
  std::vector<std::string> out;
  for (const auto& i : m.items) out.push_back(std::string(i.depth, '>') + (i.separator ? "-" : i.text));
  return out;
}

bool Has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

TEST_F(SptControlTest, TheContextMenuOffersTheItemsOfTheSlotUnderTheCursor) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(40), b = Messy(41);
  SendPair(w, a.get(), b.get(), 0, 0, 0);
  SendMessageA(w, SPTM_SHOWSPECTRUM, 1, 0);  // B hidden: "Show All" appears
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_scalesValid, 1);
  const int x = c->m_plotLeft + 4 + c->m_vertScaleWidth + c->m_drawnPlotWidth / 2;
  const int yA = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  const int yDiff = c->m_plotTop + 4 + c->m_paneHeight[0] + c->m_paneHeight[1] + c->m_paneHeight[2] / 2;
  win::script::DismissNextMenu();
  win::script::Click(w, x, yA, win::script::Button::Right);
  auto log = win::script::MenuLog();
  ASSERT_FALSE(log.empty());
  auto items = Texts(log.back());
  EXPECT_TRUE(Has(items, "New Label for Spectrum A..."));
  EXPECT_TRUE(Has(items, "Delete Labels"));
  EXPECT_TRUE(Has(items, ">All Spectra"));
  EXPECT_TRUE(Has(items, "Hide Spectrum A"));
  EXPECT_FALSE(Has(items, "Hide Spectrum B"));
  EXPECT_TRUE(Has(items, "Show All"));
  EXPECT_TRUE(Has(items, ">Spectrum A..."));
  EXPECT_TRUE(Has(items, ">>NIST Program..."));
  EXPECT_TRUE(Has(items, ">>Clipboard"));
  EXPECT_TRUE(Has(items, "Spectra Plot Preferences..."));
  // No manager: no library search, no new windows.
  EXPECT_FALSE(Has(items, "Library Search Spectrum A"));
  EXPECT_FALSE(Has(items, "New Spectrum Window (Spectrum A)"));
  EXPECT_NEAR(c->m_rightClickMass, (c->m_massLow + c->m_massHigh) / 2, (c->m_massHigh - c->m_massLow) / 50);

  // Choosing an item runs its command: hiding the difference from its pane.
  win::script::ChooseNextMenuItem(8109);
  win::script::Click(w, x, yDiff, win::script::Button::Right);
  win::script::PumpUntilIdle();
  items = Texts(win::script::MenuLog().back());
  EXPECT_TRUE(Has(items, "Hide Difference"));
  EXPECT_TRUE(Has(items, "New Label for Difference Spectrum..."));
  EXPECT_EQ(c->m_shown[2], 0);
  EXPECT_EQ(CountNotices(SPTN_HIDDEN_DIFF), 1);
  // Show All brings both back.
  SendMessageA(w, WM_COMMAND, SPT_CMD_SHOW_ALL, 0);
  EXPECT_EQ(c->m_shown[1], 1);
  EXPECT_EQ(c->m_shown[2], 1);
}

TEST_F(SptControlTest, ARightClickOnTheOverlaidPlotOffersAAndB) {
  HWND w = MakeControl();
  ShowDifferences(w, 1);
  sptfix::Spt a = Messy(42), b = Messy(43);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_overlaid, 1);
  win::script::DismissNextMenu();
  win::script::Click(w, c->m_plotLeft + 4 + c->m_vertScaleWidth + 50, c->m_plotTop + 4 + c->m_paneHeight[0] / 2,
                     win::script::Button::Right);
  const auto items = Texts(win::script::MenuLog().back());
  EXPECT_TRUE(Has(items, "Hide Spectrum A"));
  EXPECT_TRUE(Has(items, "Hide Spectrum B"));
  EXPECT_TRUE(Has(items, ">Spectrum B..."));
}

TEST_F(SptControlTest, TheCursorNamesTheAreaUnderIt) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(44);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_scalesValid, 1);
  const int left = c->m_plotLeft + 4, top = c->m_plotTop + 4;
  const struct {
    int x, y;
    const char* cursor;
  } cases[] = {
      {left + c->m_vertScaleWidth / 2, top + c->m_totalPlotHeight / 2, "SIDE"},
      {left + c->m_vertScaleWidth / 2, top + c->m_totalPlotHeight + 2, "CORNER"},
      {left + c->m_vertScaleWidth + 40, top + c->m_totalPlotHeight + 2, "BOTTOM"},
      {(c->m_deleteRect[0].left + c->m_deleteRect[0].right) / 2, (c->m_deleteRect[0].top + c->m_deleteRect[0].bottom) / 2,
       "CROSS_CURSOR"},
      {left + c->m_vertScaleWidth + 40, top + c->m_paneHeight[0] / 2, "IDC_ARROW"},
  };
  for (const auto& t : cases) {
    win::script::MouseMove(w, t.x, t.y);
    SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(win::script::CurrentCursorName(), t.cursor) << t.x << "," << t.y;
  }
  c->m_busy = 1;
  SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(win::script::CurrentCursorName(), "IDC_WAIT");
}

TEST_F(SptControlTest, AClickInTheToolbarCornerShowsTheToolbar) {
  HWND w = MakeControl();
  SendMessageA(w, SPTM_SHOWTOOLBAR, 0, 0);
  sptfix::Spt a = Messy(45);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_toolbarShown, 0);
  win::script::Click(w, 3, 3);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_toolbarShown, 1);
  EXPECT_GT(c->m_plotTop, 0);
  EXPECT_FALSE(IsEmpty(ChildRect(w, SPT_ID_TOOLBAR)));
}

// ---- Information rows --------------------------------------------------------

std::vector<std::string> Labels(const std::vector<kelt::sptinfo::Row>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.label);
  return out;
}

TEST(SpectraInfoRows, RowsFollowTheKindsOfTheSpectra) {
  sptfix::Spt ms = sptfix::Precise(sptfix::MessyCentroid(3, 12, 50, 200), false);
  ms->tolSpt->header.scanNumber = 10;
  ms->tolSpt->header.time = 4.25;
  ms->tolSpt->firstScan = 10;
  ms->tolSpt->lastScan = 12;
  ms->tolSpt->scansAveraged = 3;
  ms->tolSpt->firstTime = 4.2;
  ms->tolSpt->lastTime = 4.3;
  sptfix::Spt lib = sptfix::Library("Toluene", {{91, 999}, {92, 620}});
  sptfix::Spt d1 = sptfix::Difference({{91, 12.5}, {92, -3}});
  sptfix::Spt d2 = sptfix::Difference({{50, 1}});
  sptfix::Titles(d1.get(), "A - B", "first", "second");

  ms->tolSpt->fileBlock.module = 2;
  auto rows = kelt::sptinfo::InfoRows(ms.get(), lib.get());
  auto labels = Labels(rows);
  EXPECT_EQ(labels.front(), "Spectrum");
  EXPECT_EQ(rows[0].a, "Quadrupole MS Data File");
  EXPECT_EQ(rows[0].b, "Library");
  EXPECT_TRUE(Has(labels, "Time (min)"));
  for (const auto& r : rows) {
    if (r.label == "Points Averaged") {
      EXPECT_EQ(r.a, "3 (Scans: 10 - 12, Time: 4.200 - 4.300)");
      EXPECT_EQ(r.b, "");
    }
    if (r.label == "Index / Scan No") {
      EXPECT_EQ(r.a, "10");
      EXPECT_EQ(r.b, "1207");
    }
  }
  EXPECT_FALSE(Has(labels, "Differences"));

  // One scan: "1".
  ms->tolSpt->scansAveraged = 1;
  ms->tolSpt->lastScan = 10;
  for (const auto& r : kelt::sptinfo::InfoRows(ms.get(), nullptr)) {
    if (r.label == "Points Averaged") {
      EXPECT_EQ(r.a, "1");
    }
  }

  // Two differences: no file rows, the three difference lines, then rows 9 to 14.
  rows = kelt::sptinfo::InfoRows(d1.get(), d2.get());
  labels = Labels(rows);
  const std::vector<std::string> expected = {"Spectrum", "Differences", "", "", "Name", "Comment", "Formula",
                                             "Molecular Weight", "CAS No.", "Pair Count", "Acquired Range"};
  EXPECT_EQ(labels, expected);
  EXPECT_EQ(rows[1].a, "A - B");
  EXPECT_EQ(rows[2].a, "first");

  // The count is the fill's, kind by kind.
  const STRUCT_SPT_PLUS* all[] = {ms.get(), lib.get(), d1.get(), nullptr};
  for (const STRUCT_SPT_PLUS* x : all)
    for (const STRUCT_SPT_PLUS* y : all) {
      if (!x) continue;
      EXPECT_EQ(KELT_CountSpectraInfoRows(const_cast<STRUCT_SPT_PLUS*>(x), const_cast<STRUCT_SPT_PLUS*>(y)),
                static_cast<int16_t>(kelt::sptinfo::InfoRows(x, y).size()));
    }
}

TEST(SpectraInfoRows, IonListsMergeInMassOrder) {
  sptfix::Spt a = sptfix::Integer({{50, 10}, {70, 30}});
  sptfix::Spt b = sptfix::Integer({{60, 5}, {80, 7}});
  const auto rows = kelt::sptinfo::MergeIons(a.get(), b.get());
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].a, 1u);
  EXPECT_EQ(rows[1].b, 1u);
  EXPECT_EQ(rows[2].a, 2u);
  EXPECT_EQ(rows[3].b, 2u);
  sptfix::Spt c = sptfix::Integer({{50, 1}, {80, 2}});
  const auto shared = kelt::sptinfo::MergeIons(a.get(), c.get());
  ASSERT_EQ(shared.size(), 3u);
  EXPECT_EQ(shared[0].a, 1u);
  EXPECT_EQ(shared[0].b, 1u);
}

// ---- Information windows ------------------------------------------------------

TEST_F(SptControlTest, TheSpectrumInformationWindowShowsOneSpectrumAndItsIons) {
  auto* wnd = new CWrapSpectrumInfo;
  ASSERT_TRUE(wnd->CWnd::Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), CWnd::FromHandle(host), 77));
  HWND w = wnd->m_hWnd;
  // Precise masses with five decimals: every row keeps its pair.
  sptfix::Spt a = sptfix::Precise({{91.05423, 400}, {65.03912, 90}, {92.05761, 250}}, false);
  PlusSpt_UpdateBasePeak(a.get());
  SendMessageA(w, WM_USER + 22, 0, 0);  // nothing to show
  EXPECT_EQ(wnd->m_spectrum, nullptr);
  SendMessageA(w, WM_USER + 22, 0, reinterpret_cast<LPARAM>(a.get()));  // B alone is shown
  EXPECT_EQ(wnd->m_spectrum, a.get());
  ASSERT_EQ(wnd->m_pRight->SendMessage(LVM_GETITEMCOUNT, 0, 0), 3);
  SendMessageA(w, WM_USER + 23, 1, 0);  // by intensity, descending
  char text[64] = {};
  wnd->m_pRight->GetItemText(0, 1, text, sizeof text);
  EXPECT_STREQ(text, "400");
  wnd->m_pRight->GetItemText(2, 2, text, sizeof text);
  EXPECT_STREQ(text, "22.50");
  EXPECT_GT(wnd->m_pLeft->SendMessage(LVM_GETITEMCOUNT, 0, 0), 5);
  DestroyWindow(w);
  delete wnd;
}

TEST_F(SptControlTest, TheControlWindowPassesDeleteAndHideNoticesToItsTarget) {
  auto* wrap = new CWrapCtlSpt;
  ASSERT_TRUE(wrap->CWnd::Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 400), CWnd::FromHandle(host), 88));
  ASSERT_EQ(wrap->CreateControl(), 1);
  wrap->MoveWindow(0, 0, 610, 410, TRUE);
  HWND control = wrap->m_pControl->m_hWnd;
  sptfix::Spt a = Messy(46), b = Messy(47);
  SendPair(control, a.get(), b.get());
  // No target yet: nothing passes on.
  SendMessageA(control, WM_COMMAND, SPT_CMD_HIDE_A, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_HIDDEN_A), 0);
  SendMessageA(wrap->m_hWnd, WM_USER + 20, 4321, reinterpret_cast<LPARAM>(host));
  SendMessageA(control, WM_COMMAND, SPT_CMD_HIDE_A + 1, 0);
  win::script::PumpUntilIdle();
  ASSERT_EQ(CountNotices(SPTN_HIDDEN_B), 1);
  EXPECT_EQ(Notices().back().id, 4321);
  // New spectra (17) are not passed on.
  SendPair(control, b.get(), a.get());
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_NEW_SPECTRA), 0);
  // The control fills the window.
  RECT r{};
  GetClientRect(control, &r);
  EXPECT_EQ(r.right, 610);
  EXPECT_EQ(r.bottom, 410);
  DestroyWindow(wrap->m_hWnd);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(control));
  delete wrap;
}

}  // namespace

namespace {

TEST_F(SptControlTest, AHeaderClickSortsTheIonPage) {
  HWND w = MakeControl();
  sptfix::Spt a = sptfix::Precise({{50.1, 300}, {60.2, 9000}, {70.3, 1200}}, false);
  sptfix::Spt b = sptfix::Precise({{55.1, 50}, {60.2, 800}}, false);
  PlusSpt_UpdateBasePeak(a.get());
  PlusSpt_UpdateBasePeak(b.get());
  SendPair(w, a.get(), b.get());
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 1, 0);
  win::script::PumpUntilIdle();
  CWrapCtlSptInfo* info = Control(w)->m_pInfo;
  ASSERT_EQ(info->RowCount(), 4);
  EXPECT_EQ(info->Cell(0, 0), "50.1");
  auto click = [&](int column) {
    NMLISTVIEW n{};
    n.hdr.hwndFrom = info->m_pList->m_hWnd;
    n.hdr.idFrom = 1;
    n.hdr.code = LVN_COLUMNCLICK;
    n.iItem = -1;
    n.iSubItem = column;
    SendMessageA(info->m_hWnd, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&n));
    win::script::PumpUntilIdle();
  };
  click(1);  // A's intensity, largest first; rows without A last
  EXPECT_EQ(info->Cell(0, 0), "60.2");
  EXPECT_EQ(info->Cell(1, 0), "70.3");
  EXPECT_EQ(info->Cell(3, 0), "55.1");
  EXPECT_EQ(info->Cell(0, 4), "100.0");
  click(1);  // the column already sorted: nothing changes
  EXPECT_EQ(info->Cell(0, 0), "60.2");
  click(9);  // no such column
  EXPECT_EQ(info->m_sortColumn, 1);
}

}  // namespace

namespace {

TEST_F(SptControlTest, ModeMenusCheckTheCurrentModeAndSetTheChosenOne) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  const struct {
    UINT menu;
    UINT choice;
    std::vector<std::string> texts;
  } cases[] = {
      {8012, 8014, {"Zoom Spectrum\t+Z", "Create New Chromatogram using Mass Range\t+P", "Export to Clipboard\t+B"}},
      {8016, 8017, {"Acquired", "Fixed", "Maximum (of current and previous)"}},
      {8020, 8022, {"Auto Scale", "Fixed"}},
      {8006, 8011,
       {"Library Search Spectrum\t+L", "Target List Search Spectrum\t+J",
        "Export Spectrum to Active Spectrum List (none active)\t+E", "Create New Chromatogram using Mass\t+P",
        "No Action"}},
  };
  for (const auto& t : cases) {
    win::script::ChooseNextMenuItem(t.choice);
    SendMessageA(w, WM_COMMAND, t.menu, 0);
    win::script::PumpUntilIdle();
    const auto log = win::script::MenuLog();
    ASSERT_FALSE(log.empty());
    const auto& m = log.back();
    std::vector<std::string> texts;
    int checked = 0;
    for (const auto& i : m.items) texts.push_back(i.text), checked += i.checked;
    EXPECT_EQ(texts, t.texts) << t.menu;
    EXPECT_EQ(checked, 1) << t.menu;
  }
  EXPECT_EQ(c->m_clickDragMode, SPT_DRAG_CHROMATOGRAM);
  EXPECT_EQ(c->m_horzMode, SPT_HORZ_AUTOSCALE);
  EXPECT_EQ(c->m_vertMode, SPT_VERT_FIXED);
  EXPECT_EQ(c->m_singleClickMode, SPT_CLICK_NO_ACTION);
}

}  // namespace
