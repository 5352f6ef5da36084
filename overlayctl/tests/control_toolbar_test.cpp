// The toolbar frames and the toolbar commands of the overlay plot control:
// the buttons of every layout, the height rule, tooltips that follow the
// modes, the drop-down menus and what their commands change.
#include <string>
#include <vector>

#include "control_fixture.h"
#include "common/library_state.h"
#include "overlayctl/wrapping_toolbar.h"
#include "spectra/spectrum_managers.h"
#include "testing/golden_window.h"
#include "win/win_commctrl.h"
#include "win/win_resources.h"

namespace {

class ToolbarTest : public OPlotTest {
 protected:
  ToolbarTest() { withToolbar = true; }
  static CWrapOPToolBar* Frame(CCtlOPlot* c) { return static_cast<CWrapOPToolBar*>(c->m_pToolBar); }
  static HWND Bar(CCtlOPlot* c) {
    return Frame(c) && Frame(c)->ToolBar() ? Frame(c)->ToolBar()->m_hWnd : nullptr;
  }
  static void UseLayout(CCtlOPlot* c, int16_t layout) {
    c->m_toolbarLayout = layout;
    c->DestroyToolBar();
    c->CreateToolBar();
    c->SizeControls();
  }
  static std::vector<TBBUTTON> Buttons(HWND bar) {
    std::vector<TBBUTTON> out(static_cast<size_t>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0)));
    for (size_t i = 0; i < out.size(); ++i)
      SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&out[i]));
    return out;
  }
  // The text the tooltip control holds for a button.
  static std::string Tip(CCtlOPlot* c, int id) {
    CToolTipCtrl* tips = Frame(c)->ToolTip();
    char text[128] = {};
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = Bar(c);
    ti.uId = static_cast<UINT_PTR>(id);
    ti.lpszText = text;
    SendMessageA(tips->m_hWnd, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
  }
  // Presses the arrow part of a drop-down button.
  static void PressArrow(CCtlOPlot* c, int id) {
    RECT r{};
    HWND bar = Bar(c);
    SendMessageA(bar, TB_GETITEMRECT, SendMessageA(bar, TB_COMMANDTOINDEX, id, 0), reinterpret_cast<LPARAM>(&r));
    win::script::Click(bar, r.right - 3, (r.top + r.bottom) / 2);
  }
  static std::vector<std::string> LastMenuTexts() {
    std::vector<std::string> texts;
    const auto log = win::script::MenuLog();
    if (!log.empty())
      for (const auto& item : log.back().items) texts.push_back(item.text);
    return texts;
  }
};

// Every layout's buttons: separators where the table has them, images in
// order, arrows on the drop-down buttons, all enabled and wrapped.
TEST_F(ToolbarTest, EveryLayoutHoldsItsButtonsInTableOrder) {
  struct Case {
    int16_t layout;
    int entries;
    std::vector<int> ids;
  };
  const std::vector<Case> cases = {
      {0, 7, {2701, 0, 2702, 2705, 0, 2707, 2738}},
      {1, 28, {2701, 0, 2702, 2705, 0, 2723, 0, 2740, 2739, 0, 2711, 2712, 2724, 0,
               2725, 0, 2770, 0, 2713, 0, 2718, 0, 2710, 2737, 2775, 0, 2707, 2738}},
      {2, 12, {2701, 0, 2702, 2705, 0, 2706, 0, 2718, 0, 2709, 0, 2708}},
      {3, 16, {2701, 0, 2702, 2705, 0, 2740, 2739, 0, 2770, 0, 2718, 0, 2710, 0, 2759, 2760}},
      {4, 19, {2701, 0, 2702, 2705, 0, 2740, 2739, 0, 2725, 0, 2770, 0, 2756, 2713, 0, 2718, 0, 2711, 2710}},
      {5, 10, {2701, 0, 2702, 2705, 0, 2706, 0, 2718, 0, 2755}},
      {6, 8, {2701, 0, 2702, 2705, 0, 2707, 2719, 2721}},
      {9, 7, {2701, 0, 2702, 2705, 0, 2707, 2738}},  // unknown: layout 0
  };
  HWND w = MakeControl(7, 900, 500);
  CCtlOPlot* c = Control(w);
  for (const Case& k : cases) {
    SCOPED_TRACE("layout " + std::to_string(k.layout));
    UseLayout(c, k.layout);
    HWND bar = Bar(c);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetDlgCtrlID(bar), WTB_OVERLAY_BAR_ID);
    const std::vector<TBBUTTON> b = Buttons(bar);
    ASSERT_EQ(static_cast<int>(b.size()), k.entries);
    int image = 0;
    for (size_t i = 0; i < b.size(); ++i) {
      if (k.ids[i] == 0) {
        EXPECT_TRUE(b[i].fsStyle & TBSTYLE_SEP) << i;
        continue;
      }
      EXPECT_EQ(b[i].idCommand, k.ids[i]);
      EXPECT_EQ(b[i].iBitmap, image++);
      const bool dropDown = k.ids[i] == 2706 || k.ids[i] == 2713 || k.ids[i] == 2718 || k.ids[i] == 2725 ||
                            k.ids[i] == 2770;
      EXPECT_EQ((b[i].fsStyle & TBSTYLE_DROPDOWN) != 0, dropDown) << k.ids[i];
    }
    // One image for each button in the layout's bitmap.
    const auto* bmp = win::resources::FindBitmap(kelt::lib::ModuleHandle(), kelt::toolbar::OverlayLayout(k.layout).bitmap);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->width, 16 * image);
    EXPECT_EQ(bmp->height, 16);
    // Arrows are drawn in layouts 1 to 6 only.
    const DWORD ex = static_cast<DWORD>(SendMessageA(bar, TB_GETEXTENDEDSTYLE, 0, 0));
    EXPECT_EQ((ex & TBSTYLE_EX_DRAWDDARROWS) != 0, k.layout >= 1 && k.layout <= 6);
  }
  DestroyWindow(w);
}

TEST_F(ToolbarTest, SpectrumLayoutsAndTableTexts) {
  const int entries[] = {12, 17, 12, 14};
  for (int l = 0; l < 4; ++l) EXPECT_EQ(kelt::toolbar::SpectrumLayout(l).count, entries[l]);
  EXPECT_EQ(kelt::toolbar::SpectrumLayout(7).bitmap, 682);
  EXPECT_STREQ(kelt::toolbar::SpectrumButtonText(8031), "Select Masses for Chromatogram Plot");
  EXPECT_STREQ(kelt::toolbar::OverlayButtonText(2762), "Normalized Plots");
  EXPECT_EQ(kelt::toolbar::OverlayButtonText(2714), nullptr);
  EXPECT_TRUE(kelt::toolbar::IsDropDownButton(8029));
  EXPECT_FALSE(kelt::toolbar::IsDropDownButton(8030));
}

// A wide control keeps one row; a narrow one wraps onto more rows while
// they take at most half of its height, and is held to one row otherwise.
TEST_F(ToolbarTest, RowsFollowTheWidthButNeverTakeMoreThanHalfTheControl) {
  HWND w = MakeControl(7, 900, 500);
  CCtlOPlot* c = Control(w);
  UseLayout(c, 1);
  CWrapOPToolBar* f = Frame(c);
  const int row = f->LargestSize().cy, edge = f->EdgeAllowance();
  EXPECT_GE(row, 22);  // the button height and the bar's own rims
  EXPECT_EQ(c->m_toolbarHeight, edge + row);
  // 28 entries need about 560 pixels: at 200 they take three or more rows.
  MoveWindow(w, 0, 0, 200, 500, TRUE);
  EXPECT_GT(c->m_toolbarHeight, edge + 2 * row);
  EXPECT_LE(2 * c->m_toolbarHeight, 500);
  EXPECT_EQ(c->m_plotTop, c->m_toolbarHeight + 4);
  // In a control 100 pixels high those rows are more than half: one row.
  MoveWindow(w, 0, 0, 200, 100, TRUE);
  EXPECT_EQ(c->m_toolbarHeight, edge + row);
  DestroyWindow(w);
}

// Tooltips name the present mode and change with it, without a new toolbar.
TEST_F(ToolbarTest, TooltipsFollowTheModes) {
  Shown s = ShowPlots(2, 900, 500);
  CCtlOPlot* c = s.c;
  UseLayout(c, 4);
  c->UpdateToolBar();
  EXPECT_EQ(Tip(c, 2725), "Set Single Click Action - Display Spectrum");
  EXPECT_EQ(Tip(c, 2770), "Set Click and Drag Action - Zoom Chromatogram");
  EXPECT_EQ(Tip(c, 2756), "Set Point/Spectrum Selection - Nearest Point");
  EXPECT_EQ(Tip(c, 2713), "Set Spectra to Average - 1");
  EXPECT_EQ(Tip(c, 2718), "Set Chromatogram Display - Stacked");
  const HWND bar = Bar(c);
  SendMessageA(s.w, WM_COMMAND, 2728, 0);
  SendMessageA(s.w, WM_COMMAND, 2779, 0);
  SendMessageA(s.w, WM_COMMAND, 2756, 0);
  SendMessageA(s.w, WM_COMMAND, 2717, 0);
  SendMessageA(s.w, WM_COMMAND, 2720, 0);
  c->UpdateToolBar();
  EXPECT_EQ(Bar(c), bar);
  EXPECT_EQ(Tip(c, 2725), "Set Single Click Action - Library Search");
  EXPECT_EQ(Tip(c, 2770), "Set Click and Drag Action - Calculate Time Range");
  EXPECT_EQ(Tip(c, 2756), "Set Point/Spectrum Selection - Apex");
  EXPECT_EQ(Tip(c, 2713), "Set Spectra to Average - 7");
  EXPECT_EQ(Tip(c, 2718), "Set Chromatogram Display - Overlaid");
  EXPECT_EQ(SendMessageA(s.w, OPM_GETNUMBERSPECTRATOAVERAGE, 0, 0), 7);
  DestroyWindow(s.w);
}

// Two controls, one in layout 6 and one in layout 1, name 2707 differently.
TEST_F(ToolbarTest, OptimisationLayoutNamesItsPreferenceButton) {
  Shown a = ShowPlots(1, 700, 400);
  Shown b = ShowPlots(1, 700, 400);
  UseLayout(a.c, 6);
  UseLayout(b.c, 1);
  a.c->UpdateToolTips();
  b.c->UpdateToolTips();
  EXPECT_EQ(Tip(a.c, 2707), "Optimization Plot Preferences");
  EXPECT_EQ(Tip(b.c, 2707), "Local Chromatogram Plot Preferences");
  DestroyWindow(a.w);
  DestroyWindow(b.w);
}

// The arrows open their menus; an item chosen there sets the mode.
TEST_F(ToolbarTest, DropDownArrowsOpenTheirMenus) {
  Shown s = ShowPlots(2, 900, 500);
  UseLayout(s.c, 4);
  win::script::ResetLogs();
  win::script::ChooseNextMenuItem(2729);
  PressArrow(s.c, 2725);
  ASSERT_EQ(win::script::MenuLog().size(), 1u);
  const std::vector<std::string> click = {"Display Spectrum\t+S", "Library Search Spectrum\t+L",
                                          "Target List Search Spectrum\t+J",
                                          "Export Spectrum to Active Spectrum List (none active)\t+E", "No Action"};
  EXPECT_EQ(LastMenuTexts(), click);
  EXPECT_TRUE(win::script::MenuLog().back().items[0].checked);
  EXPECT_EQ(s.c->m_singleClickMode, OPLOT_CLICK_TARGET_LIST_SEARCH);

  win::script::ChooseNextMenuItem(2773);
  PressArrow(s.c, 2770);
  const std::vector<std::string> drag = {"Zoom Chromatogram\t+Z",   "Average Selected Spectra\t+W",
                                         "Calculate Noise\t+N",     "Calculate Time Range\t+R",
                                         "Move Chromatogram\t+M",   "Integrate Area\t+I",
                                         "Export to Clipboard\t+B"};
  EXPECT_EQ(LastMenuTexts(), drag);
  EXPECT_EQ(s.c->m_clickDragMode, OPLOT_DRAG_NOISE);

  win::script::ChooseNextMenuItem(2716);
  PressArrow(s.c, 2713);
  EXPECT_EQ(LastMenuTexts(), (std::vector<std::string>{"1 Point Spectrum", "3 Point Average", "5 Point Average",
                                                        "7 Point Average"}));
  EXPECT_EQ(SendMessageA(s.w, OPM_GETNUMBERSPECTRATOAVERAGE, 0, 0), 5);
  // The menu opens under the toolbar.
  RECT wr{};
  GetWindowRect(s.w, &wr);
  EXPECT_EQ(win::script::MenuLog().back().at.y, wr.top + s.c->m_toolbarHeight);

  // Outside layouts 1 and 4 the drag menu has no moving or area entries.
  UseLayout(s.c, 2);
  win::script::DismissNextMenu();
  SendMessageA(s.w, WM_COMMAND, 2770, 0);
  EXPECT_EQ(LastMenuTexts().size(), 5u);
  // The module-window scale menu: auto first, checked after creation.
  win::script::ChooseNextMenuItem(2741);
  PressArrow(s.c, 2706);
  EXPECT_EQ(LastMenuTexts(), (std::vector<std::string>{"Auto Scale", "Fixed"}));
  EXPECT_TRUE(win::script::MenuLog().back().items[0].checked);
  EXPECT_EQ(s.c->m_moduleScaleMode, 0);
  DestroyWindow(s.w);
}

// The display menu offers what the units of the shown plots allow.
TEST_F(ToolbarTest, DisplayMenuFollowsTheUnits) {
  struct Case {
    std::vector<const char*> units;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {{"Counts", "Counts", "Counts"}, {"Stacked", "Overlaid", "Normalized"}},
      {{"Counts", "mV", "mV"}, {"Stacked", "Dual Scale"}},
      {{"Counts", "mV", "uA"}, {"Stacked"}},
  };
  for (const Case& k : cases) {
    Shown s = ShowPlots(3, 900, 500, [&](SVW_OVERLAY* o) {
      for (int i = 0; i < 3; ++i) std::strcpy(o->slots[i].units, k.units[static_cast<size_t>(i)]);
    });
    win::script::DismissNextMenu();
    SendMessageA(s.w, WM_COMMAND, 2718, 0);
    EXPECT_EQ(LastMenuTexts(), k.items);
    DestroyWindow(s.w);
  }
}

// Normalized puts every moved plot back; Restore all Plot Positions too.
TEST_F(ToolbarTest, NormalizedAndRestoreRemoveThePlotOffsets) {
  for (UINT command : {2721u, 2775u}) {
    Shown s = ShowPlots(3, 900, 500);
    SVW_OVERLAY* o = s.o;
    o->tail.timeOffsetsOn = 1;
    o->tail.verticalOffsetsOn = 1;
    o->tail.timeOffsets[1] = 0.37;
    o->tail.verticalOffsets[2] = -812.5;
    SendMessageA(s.w, WM_COMMAND, command, 0);
    EXPECT_EQ(+o->tail.timeOffsetsOn, 0);
    EXPECT_EQ(+o->tail.verticalOffsetsOn, 0);
    const double moved = o->tail.timeOffsets[1], raised = o->tail.verticalOffsets[2];
    EXPECT_EQ(moved, 0.0);
    EXPECT_EQ(raised, 0.0);
    if (command == 2721) {
      EXPECT_EQ(+o->head.displayMode, OVERLAY_MODE_NORMALISED);
    }
    DestroyWindow(s.w);
  }
}

TEST_F(ToolbarTest, CommandsChangeTheirSettingsAndTellTheOwner) {
  Shown s = ShowPlots(3, 900, 500);
  CCtlOPlot* c = s.c;
  // The markers toggle, but stay on while their dialog is open.
  const int16_t before = c->m_showBCMarkers;
  SendMessageA(s.w, WM_COMMAND, 2710, 0);
  EXPECT_NE(c->m_showBCMarkers, before);
  if (!c->m_showBCMarkers) SendMessageA(s.w, WM_COMMAND, 2710, 0);
  CWnd dialog;
  c->m_pBackCorrDlg = &dialog;
  SendMessageA(s.w, WM_COMMAND, 2710, 0);
  EXPECT_EQ(c->m_showBCMarkers, 1);
  c->m_pBackCorrDlg = nullptr;

  // Apex and nearest point are told to the owner.
  Notices().clear();
  SendMessageA(s.w, WM_COMMAND, 2756, 0);
  SendMessageA(s.w, WM_COMMAND, 2756, 0);
  win::script::PumpUntilIdle();
  std::vector<int> codes;
  for (const Notice& n : Notices()) codes.push_back(n.code);
  EXPECT_EQ(codes, (std::vector<int>{35, 34}));

  // Auto scale of module windows asks the owner for the whole range.
  Notices().clear();
  SendMessageA(s.w, WM_COMMAND, 2741, 0);
  EXPECT_EQ(c->m_moduleScaleMode, 0);
  SendMessageA(s.w, WM_COMMAND, 2742, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_moduleScaleMode, 1);
  ASSERT_FALSE(Notices().empty());
  EXPECT_EQ(Notices().back().code, 1);

  // Show all Plots brings back a hidden plot.
  s.o->head.shown[1] = 0;
  --s.o->head.shownCount;
  SendMessageA(s.w, WM_COMMAND, 2737, 0);
  EXPECT_EQ(+s.o->head.shown[1], 1);
  EXPECT_EQ(+s.o->head.shownCount, 3);

  // Target list search of the active plot: only for a searchable file.
  win::script::PumpUntilIdle();
  SendMessageA(s.w, WM_COMMAND, 2724, 0);
  s.o->slots[0].workFile->searchData = 1;
  SendMessageA(s.w, WM_COMMAND, 2724, 0);
  DestroyWindow(s.w);
}

// The buttons' enabled and checked states follow the control.
TEST_F(ToolbarTest, ButtonStatesFollowTheControl) {
  Shown s = ShowPlots(2, 900, 500);
  CCtlOPlot* c = s.c;
  UseLayout(c, 1);
  c->UpdateToolBar();
  HWND bar = Bar(c);
  auto enabled = [&](int id) { return SendMessageA(bar, TB_ISBUTTONENABLED, id, 0) != 0; };
  auto checked = [&](int id) { return SendMessageA(bar, TB_ISBUTTONCHECKED, id, 0) != 0; };
  EXPECT_TRUE(enabled(2702));
  EXPECT_FALSE(enabled(2737));  // nothing hidden
  EXPECT_FALSE(enabled(2724));  // no searchable file
  EXPECT_FALSE(enabled(2739));  // no data review manager
  s.o->head.shown[1] = 0;
  --s.o->head.shownCount;
  c->UpdateToolBar();
  EXPECT_TRUE(enabled(2737));
  SendMessageA(s.w, WM_COMMAND, 2710, 0);
  c->UpdateToolBar();
  EXPECT_EQ(checked(2710), c->m_showBCMarkers != 0);
  // A shown plot whose file blocks editing disables the local preferences.
  EXPECT_TRUE(enabled(2707));
  s.o->slots[0].workFile->editBlock = 1;
  c->UpdateToolBar();
  EXPECT_FALSE(enabled(2707));
  DestroyWindow(s.w);
}

// Hiding by button, showing by message, and the module-window toolbar.
TEST_F(ToolbarTest, HideShowAndTheModuleWindowToolbar) {
  Shown s = ShowPlots(2, 900, 500);
  CCtlOPlot* c = s.c;
  ASSERT_NE(c->m_pToolBar, nullptr);
  const int16_t plotTop = c->m_plotTop;
  EXPECT_GT(plotTop, 20);
  SendMessageA(s.w, WM_COMMAND, 2701, 0);
  EXPECT_EQ(c->m_pToolBar, nullptr);
  EXPECT_EQ(c->m_showToolbar, 0);
  EXPECT_EQ(c->m_plotTop, 4);
  SendMessageA(s.w, OPM_SHOWTOOLBAR, 1, 0);
  ASSERT_NE(c->m_pToolBar, nullptr);
  EXPECT_EQ(c->m_plotTop, plotTop);
  SendMessageA(s.w, OPM_SETPMTOOLBAR, 0, 0);
  EXPECT_EQ(c->m_toolbarLayout, 3);
  EXPECT_EQ(Buttons(Bar(c)).size(), 16u);
  // Clicking a button sends its command to the control.
  RECT r{};
  SendMessageA(Bar(c), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  win::script::Click(Bar(c), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_pToolBar, nullptr);
  DestroyWindow(s.w);
}

// The toolbar strip as drawn: the data-review layout in one row and
// wrapped onto rows in a narrow control, with disabled and checked buttons.
TEST_F(ToolbarTest, ToolbarStripsAsStored) {
  struct Case {
    int cx;
    const char* name;
  };
  for (const Case& k : {Case{700, "toolbar-review-row.png"}, Case{260, "toolbar-review-wrapped.png"}}) {
    Shown s = ShowPlots(2, k.cx, 400);
    UseLayout(s.c, 1);
    SendMessageA(s.w, WM_COMMAND, 2710, 0);
    s.c->UpdateToolBar();
    win::script::PumpUntilIdle();
    testing_support::ExpectWindowAsStored(s.c->m_pToolBar->m_hWnd, OVERLAYCTL_GOLDEN_DIR, k.name);
    DestroyWindow(s.w);
  }
}

}  // namespace
