// The context menu: the items offered for the place and the state of the
// control, and what the menu's own commands do.
#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/plot_range_dialogs.h"
#include "overlayctl/tests/control_fixture.h"
#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_record.h"
#include "spectra/tests/spectrum_test_records.h"

namespace {

class ContextMenuTest : public OPlotTest {
 protected:
  // The items of the last tracked menu, pop-up items prefixed by ">" per level.
  static std::vector<std::string> LastMenu() {
    const auto log = win::script::MenuLog();
    std::vector<std::string> out;
    if (log.empty()) return out;
    for (const auto& i : log.back().items) {
      std::string t = std::string(i.depth, '>') + (i.separator ? "-" : i.text);
      if (i.checked) t += " [x]";
      out.push_back(t);
    }
    return out;
  }
  static bool Has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  }
  // A right click in the middle of a slot's band (stacked), or of the plots.
  static POINT PlotPoint(CCtlOPlot* c, int slot) {
    const auto a = c->GetPlotArea();
    for (int y = a.top; y <= a.bottom; ++y) {
      int top = 0, h = 0;
      if (c->StackedBandAt(y, &top, &h) == slot) return {(a.left + a.right) / 2, top + h / 2};
    }
    return {(a.left + a.right) / 2, (a.top + a.bottom) / 2};
  }
  static std::vector<std::string> RightClick(HWND w, POINT p) {
    win::script::DismissNextMenu();
    win::script::Click(w, p.x, p.y, win::script::Button::Right);
    return LastMenu();
  }
  static int CountCode(int code) {
    return static_cast<int>(std::count_if(Notices().begin(), Notices().end(), [&](const Notice& n) { return n.code == code; }));
  }
};

// Stacked plots of a plain control: the label, hide, print and export groups
// of the plot under the cursor, separated, then the preferences.
TEST_F(ContextMenuTest, StackedPlotOffersItsOwnGroups) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  SendMessageA(w, OPM_ENABLEHIDEDELETE, 1, 0);
  ASSERT_EQ(c->m_bSizesValid, 1);
  const std::vector<std::string> expected = {
      "New Label for Plot 2...", "Delete Labels", ">Plot 2", ">>Noise", ">>User", ">>All", ">All Plots", ">>Noise",
      ">>User", ">>All", "-", "Hide Plot 2", "-", "Print All Plots...", "Export", ">Plot 2", ">>ASCII File...",
      ">Chromatogram Pane", ">>Clipboard", ">>Picture File...", "-", "Chromatogram Plot Preferences..."};
  EXPECT_EQ(RightClick(w, PlotPoint(c, 1)), expected);
  EXPECT_EQ(c->m_rightClickSlot, 1);
  EXPECT_EQ(c->m_rightClickPending, 0);  // the menu's click is not handed to the owner

  // Printing one plot belongs to the derived kind 1; the plain control offers no item that does nothing.
  c->m_controlKind = 1;
  EXPECT_TRUE(Has(RightClick(w, PlotPoint(c, 0)), "Print Plot 1..."));
}

// In the overlaid display the plot items name the active plot, and hiding
// offers each shown plot.
TEST_F(ContextMenuTest, OverlaidPlotItemsReferToTheActivePlot) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_OVERLAID; });
  SendMessageA(w, OPM_ENABLEHIDEDELETE, 1, 0);
  c->m_activePlot = 2;
  const auto items = RightClick(w, PlotPoint(c, 0));
  EXPECT_EQ(c->m_rightClickSlot, OPLOT_SLOTS);
  EXPECT_TRUE(Has(items, "New Label for Plot 3..."));
  EXPECT_TRUE(Has(items, ">Plot 3"));
  EXPECT_TRUE(Has(items, "Hide Plot"));
  EXPECT_TRUE(Has(items, ">Hide Plot 1"));
  EXPECT_TRUE(Has(items, ">Hide Plot 3"));
  // Normalized: no new labels.
  o->head.displayMode = OVERLAY_MODE_NORMALISED;
  Repaint(w);
  EXPECT_FALSE(Has(RightClick(w, PlotPoint(c, 0)), "New Label for Plot 3..."));
}

// Outside the plots only the preferences, the display types of kinds 3 and
// 4 (the current one checked) and their extra preference items.
TEST_F(ContextMenuTest, OutsideThePlotsOnlyPreferencesAndDisplayTypes) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_OVERLAID; });
  const auto a = c->GetPlotArea();
  const POINT outside{a.left - 2, a.top + 5};  // on the scale
  EXPECT_EQ(RightClick(w, outside), (std::vector<std::string>{"Chromatogram Plot Preferences..."}));
  EXPECT_EQ(c->m_rightClickSlot, -1);
  c->m_controlKind = 3;
  EXPECT_EQ(RightClick(w, outside),
            (std::vector<std::string>{"Stacked Plots", "Overlaid Plots [x]", "Normalized Plots", "-",
                                      "Chromatogram Plot Preferences...", "Report Preferences...",
                                      "General Preferences..."}));
  c->m_controlKind = 4;
  c->m_kind4PlotKind = 2;
  EXPECT_EQ(RightClick(w, outside).back(), "Deconvoluted Plot Preferences...");
  c->m_kind4PlotKind = 0;
  EXPECT_EQ(RightClick(w, outside).back(), "Optimization Plot Preferences...");
  EXPECT_TRUE(Has(RightClick(w, PlotPoint(c, 0)), ">>Max"));
}

// One hidden plot is shown directly; two or more in a pop-up ending in
// "Show All". When every plot is hidden only the show part is offered.
TEST_F(ContextMenuTest, ShowItemsFollowTheNumberOfHiddenPlots) {
  auto [w, c, o] = ShowPlots(4, [](SVW_OVERLAY* o) {
    o->head.displayMode = OVERLAY_MODE_STACKED;
    o->head.shown[3] = 0;
    o->head.shownCount = 3;
  });
  SendMessageA(w, OPM_ENABLEHIDEDELETE, 1, 0);
  Repaint(w);
  auto items = RightClick(w, PlotPoint(c, 0));
  EXPECT_TRUE(Has(items, "Show Plot 4"));
  EXPECT_FALSE(Has(items, "Show Plot"));

  o->head.shown[2] = 0;
  o->head.shownCount = 2;
  Repaint(w);
  items = RightClick(w, PlotPoint(c, 0));
  const auto at = std::find(items.begin(), items.end(), "Show Plot");
  ASSERT_NE(at, items.end());
  EXPECT_EQ(std::vector<std::string>(at, at + 4),
            (std::vector<std::string>{"Show Plot", ">Plot 3", ">Plot 4", ">Show All"}));

  for (int i = 0; i < 4; ++i) o->head.shown[i] = 0;
  o->head.shownCount = 0;
  Repaint(w);
  const auto a = c->GetPlotArea();
  items = RightClick(w, {(a.left + a.right) / 2, (a.top + a.bottom) / 2});
  EXPECT_EQ(items, (std::vector<std::string>{"Show Plot", ">Plot 1", ">Plot 2", ">Plot 3", ">Plot 4", ">Show All",
                                             "-", "Chromatogram Plot Preferences..."}));
}

// Choosing items: hiding posts 120 + slot to the listening host, showing
// 160 + slot; the search commands post their codes to the parent.
TEST_F(ContextMenuTest, ChosenItemsPostTheirNotifications) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* o) {
    o->head.displayMode = OVERLAY_MODE_STACKED;
    o->head.shown[2] = 0;
    o->head.shownCount = 2;
  });
  SendMessageA(w, OPM_ENABLEHIDEDELETE, 1, 0);
  Repaint(w);
  Notices().clear();
  const POINT p = PlotPoint(c, 1);
  win::script::ChooseNextMenuText("Hide Plot 2");
  win::script::Click(w, p.x, p.y, win::script::Button::Right);
  win::script::ChooseNextMenuText("Show Plot 3");
  win::script::Click(w, p.x, p.y, win::script::Button::Right);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountCode(121), 1);
  EXPECT_EQ(CountCode(162), 1);
  // The first plot's hide follows the last plot's scales in the ids.
  const size_t dialogs = win::script::DialogLog().size();
  SendMessageA(w, WM_COMMAND, 2920, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountCode(120), 1);
  EXPECT_EQ(win::script::DialogLog().size(), dialogs);
  struct Case {
    UINT id;
    int code;
  } cases[] = {{3041, 181}, {3062, 202}, {3080, 220}, {3121, 241}};
  for (const Case& k : cases) {
    Notices().clear();
    SendMessageA(w, WM_COMMAND, k.id, 0);
    win::script::PumpUntilIdle();
    EXPECT_EQ(CountCode(k.code), 1) << k.id;
  }
  // A control that runs its own notifications hides and shows the plot itself.
  c->m_handlesOwnNotifications = 1;
  SendMessageA(w, WM_COMMAND, 2921, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(o->head.shown[1], 0);
  EXPECT_EQ(o->head.shownCount, 1);
  SendMessageA(w, WM_COMMAND, 2942, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(o->head.shown[2], 1);
  EXPECT_EQ(o->head.shownCount, 2);
  c->m_handlesOwnNotifications = 0;

  // The apex selection held by A.
  Notices().clear();
  c->m_toolbarLayout = 1;
  win::script::KeyDown('A');
  SendMessageA(w, WM_COMMAND, 3041, 0);
  win::script::KeyUp('A');
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountCode(341), 1);
}

// A right press on a label offers that label's commands only; "Delete
// Label" removes it.
TEST_F(ContextMenuTest, ALabelUnderTheCursorGetsItsOwnMenu) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  const short index = AddTestLabel(c, LABEL_TYPE_USER, 0, "Peak", 6.0, 3e4);
  ASSERT_GE(index, 0);
  Repaint(w);
  const CLabelInfo* l = c->m_pLabels->Label(index);
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->m_labelShown, 1);
  const POINT on{(l->m_cornerX[0] + l->m_cornerX[2]) / 2, (l->m_cornerY[0] + l->m_cornerY[2]) / 2};
  EXPECT_EQ(RightClick(w, on), (std::vector<std::string>{"Delete Label", "-", "Properties..."}));
  c->m_pLabels->Label(index)->m_type = LABEL_TYPE_VALUE;
  EXPECT_EQ(RightClick(w, on), (std::vector<std::string>{"Delete Label"}));
  win::script::ChooseNextMenuText("Delete Label");
  win::script::Click(w, on.x, on.y, win::script::Button::Right);
  EXPECT_EQ(c->m_pLabels->Label(index), nullptr);
}

// Each delete command takes its own family of one plot or of all plots.
TEST_F(ContextMenuTest, DeleteCommandsTakeTheirFamilyOnly) {
  struct Case {
    UINT id;
    int noise0, area0, user0, noise1;  // labels left
  } cases[] = {
      {3300, 0, 1, 1, 1},  // noise of plot 1: area and user labels stay
      {3220, 1, 0, 1, 1},
      {3020, 1, 1, 0, 1},
      {3320, 0, 0, 0, 1},
      {2819, 0, 1, 1, 0},  // noise of all plots
      {2821, 0, 0, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.id);
    auto [w, c, o] = ShowPlots(2);
    AddTestLabel(c, LABEL_TYPE_VALUE, 0);
    AddTestLabel(c, LABEL_TYPE_AREA, 0);
    const short user = AddTestLabel(c, LABEL_TYPE_USER, 0, "U", 5.5);
    c->m_pLabels->Label(user)->m_positionMode = 1;  // a user label at a plot value
    AddTestLabel(c, LABEL_TYPE_VALUE, 1);
    SendMessageA(w, WM_COMMAND, k.id, 0);
    EXPECT_EQ(CountLabels(c, 0, LABEL_TYPE_VALUE), k.noise0);
    EXPECT_EQ(CountLabels(c, 0, LABEL_TYPE_AREA), k.area0);
    EXPECT_EQ(CountLabels(c, 0, LABEL_TYPE_USER), k.user0);
    EXPECT_EQ(CountLabels(c, 1, LABEL_TYPE_VALUE), k.noise1);
    DestroyWindow(w);
  }
}

// "New Label for Plot %d...": the label stands at the clicked time and
// value once the user accepts the "Edit Label" dialog; Cancel leaves none.
TEST_F(ContextMenuTest, NewLabelAtTheRightClickAfterTheEditDialog) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  const POINT p = PlotPoint(c, 1);
  win::script::OnNextDialog([](HWND d) { win::script::PressButton(d, IDCANCEL); });
  win::script::ChooseNextMenuText("New Label for Plot 2...");
  win::script::Click(w, p.x, p.y, win::script::Button::Right);
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 0);

  win::script::OnNextDialog([](HWND d) {
    win::script::SetField(d, 1001, "Ethylbenzene");
    win::script::PressButton(d, IDOK);
  });
  win::script::ChooseNextMenuText("New Label for Plot 2...");
  win::script::Click(w, p.x, p.y, win::script::Button::Right);
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  const CLabelInfo* l = nullptr;
  for (short i = 0; i < c->m_pLabels->Capacity() && !l; ++i) l = c->m_pLabels->Label(i);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->m_plot, 1);
  EXPECT_EQ(std::string(l->m_text->text, static_cast<size_t>(l->m_text->length)), "Ethylbenzene");
  EXPECT_DOUBLE_EQ(l->m_labelX, c->m_rightClickTime);
  EXPECT_DOUBLE_EQ(l->m_labelY, c->m_rightClickValue);
}

// A label anchored to the frame stands at fractions of the shown range and
// of the click plot's scale.
TEST_F(ContextMenuTest, AFrameLabelTakesFractionsOfRangeAndScale) {
  const Shown shown = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  HWND w = shown.w;
  CCtlOPlot* c = shown.c;
  SVW_OVERLAY* o = shown.o;
  c->m_prefs.label.positionMode = 2;
  const POINT p = PlotPoint(c, 1);
  auto addAt = [&]() {
    win::script::OnNextDialog([](HWND d) { win::script::PressButton(d, IDOK); });
    win::script::ChooseNextMenuText("New Label for Plot 2...");
    win::script::MouseDown(w, p.x, p.y, win::script::Button::Right);
    win::script::MouseUp(w, p.x, p.y, win::script::Button::Right);
    const CLabelInfo* l = nullptr;
    for (short i = 0; i < c->m_pLabels->Capacity() && !l; ++i) l = c->m_pLabels->Label(i);
    return l;
  };
  const CLabelInfo* l = addAt();
  ASSERT_NE(l, nullptr);
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const double low = o->tail.scales.plotLow[1], high = o->tail.scales.plotHigh[1];
  EXPECT_NEAR(l->m_labelX, (c->m_rightClickTime - t0) / (t1 - t0), 1e-9);
  EXPECT_NEAR(l->m_labelY, 1.0 - (c->m_rightClickValue - low) / (high - low), 1e-9);
  EXPECT_GT(l->m_labelX, 0.3);
  EXPECT_LT(l->m_labelX, 0.7);

  // A flat scale gives the label a place, not a division by zero.
  c->m_pLabels->DeleteLabelsForPlot(1);
  o->tail.scales.plotLow[1] = o->tail.scales.plotHigh[1] = 2.5e4;
  l = addAt();
  ASSERT_NE(l, nullptr);
  EXPECT_TRUE(std::isfinite(l->m_labelY));
  EXPECT_GE(l->m_labelY, 0.0);
  EXPECT_LE(l->m_labelY, 1.0);
}

// The owner who asks for right clicks gets code 5 and no menu.
TEST_F(ContextMenuTest, TheOwnerCanTakeRightClicks) {
  auto [w, c, o] = ShowPlots(2);
  SendMessageA(w, OPM_GIVEPARENTRIGHTCLICK, 1, 0);
  const size_t menus = win::script::MenuLog().size();
  Notices().clear();
  const POINT p = PlotPoint(c, 0);
  win::script::Click(w, p.x, p.y, win::script::Button::Right);
  win::script::PumpUntilIdle();
  EXPECT_EQ(win::script::MenuLog().size(), menus);
  EXPECT_EQ(CountCode(5), 1);
  int32_t xy[2] = {};
  EXPECT_EQ(SendMessageA(w, OPM_GETRIGHTCLICKPOS, 0, reinterpret_cast<LPARAM>(xy)), 1);
  EXPECT_EQ(xy[0], p.x);
  EXPECT_EQ(xy[1], p.y);
}

// "Edit Scales" of a plot: the typed ranges become the pending time range
// and the plot's scale; a field that is no number shows its stored value
// again when left.
TEST_F(ContextMenuTest, EditScalesTakesTheTypedRanges) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  Notices().clear();
  win::script::ResetLogs();
  std::string endShown, endAfter;
  win::script::OnNextDialog([&](HWND d) {
    endShown = win::script::GetField(d, 1002);
    win::script::SetField(d, 1001, "4.5");
    win::script::SetField(d, 1002, "abc");
    win::script::SetField(d, 1001, "4.5");  // leaving the end field
    endAfter = win::script::GetField(d, 1002);
    win::script::SetField(d, 1002, "7.25");
    win::script::SetField(d, 1003, "100");
    win::script::SetField(d, 1004, "9000");
    win::script::PressButton(d, RANGE_OK_ID);
  });
  SendMessageA(w, WM_COMMAND, 2901, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(endAfter, endShown);
  for (const auto& b : win::script::MessageBoxLog()) ADD_FAILURE() << b.text;  // nothing out of range
  double pending[3] = {};
  ASSERT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending)), 1);
  EXPECT_DOUBLE_EQ(pending[0], 4.5);
  EXPECT_DOUBLE_EQ(pending[1], 7.25);
  EXPECT_EQ(CountCode(1), 1);
  EXPECT_DOUBLE_EQ(double{o->tail.scales.plotLow[1]}, 100);
  EXPECT_DOUBLE_EQ(double{o->tail.scales.plotHigh[1]}, 9000);

  // Cancel changes nothing; slot 20 is refused in the stacked display.
  const double low = o->tail.scales.plotLow[0];
  win::script::OnNextDialog([](HWND d) { win::script::PressButton(d, IDOK); });
  SendMessageA(w, WM_COMMAND, 2900, 0);
  EXPECT_DOUBLE_EQ(double{o->tail.scales.plotLow[0]}, low);
  const size_t dialogs = win::script::DialogLog().size();
  SendMessageA(w, WM_COMMAND, 2900 + OPLOT_SLOTS, 0);
  EXPECT_EQ(win::script::DialogLog().size(), dialogs);
}

}  // namespace

namespace {

// With a data review manager and the data-review layout: spectra of the
// clicked time, signal to noise and integration. All four spectrum windows
// in use: no new window, and each window's A and B to update.
TEST_F(ContextMenuTest, DataReviewGroupsFollowTheManagersWindows) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* o) {
    o->head.displayMode = OVERLAY_MODE_STACKED;
    for (int i = 0; i < 3; ++i) o->slots[i].workFile->directHeader = 1;
  });
  CDataReviewManager drm(nullptr, nullptr, 0);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, reinterpret_cast<LPARAM>(&drm));
  c->m_toolbarLayout = 1;
  const POINT p = PlotPoint(c, 0);
  auto items = RightClick(w, p);
  EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + 8),
            (std::vector<std::string>{"Library Search Spectrum", "New Spectrum Window", "-", "Calculate S/N (Plot 1)",
                                      "Integrate", ">Plot 1", ">All Plots...", "-"}));
  EXPECT_TRUE(Has(items, ">>Integration"));

  // Spectrum windows that say they show what they are asked about.
  static ATOM shows = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      return m >= WM_USER ? 1 : DefWindowProcA(h, m, wp, lp);
    };
    wc.lpszClassName = "OPlotTestSpectra";
    return RegisterClassA(&wc);
  }();
  (void)shows;
  for (int k = 0; k < 4; ++k)
    drm.m_hSptCtrls[k] = CreateWindowExA(0, "OPlotTestSpectra", "", WS_CHILD, 0, 0, 10, 10, host, nullptr, nullptr,
                                         nullptr);
  STRUCT_SPT_PLUS* spt = spttest::NewRecord();
  PlusSpt_InitRefSpt(spt, spttest::Ref(4), nullptr);
  for (int16_t k = 0; k < 4; ++k) drm.ReplaceSpectrum(spt, k, k == 2 ? 1 : 0);
  PlusSpt_Free(spt);
  items = RightClick(w, p);
  EXPECT_FALSE(Has(items, "New Spectrum Window"));
  const auto at = std::find(items.begin(), items.end(), "Update Spectrum Plot");
  ASSERT_NE(at, items.end());
  EXPECT_EQ(std::vector<std::string>(at + 1, at + 9),
            (std::vector<std::string>{">1A", ">1B", ">2A", ">2B", ">3A", ">3B", ">4A", ">4B"}));

  // A file still being acquired is not integrated; with one file left "All Plots..." goes.
  o->slots[1].workFile->live = 1;
  o->slots[2].workFile->live = 1;
  items = RightClick(w, p);
  EXPECT_TRUE(Has(items, ">Plot 1"));
  EXPECT_FALSE(Has(items, ">All Plots..."));
  o->slots[0].workFile->live = 1;
  items = RightClick(w, p);
  EXPECT_FALSE(Has(items, "Integrate"));

  // The plain layout has none of these groups.
  c->m_toolbarLayout = 0;
  items = RightClick(w, p);
  EXPECT_FALSE(Has(items, "Library Search Spectrum"));
  EXPECT_FALSE(Has(items, "Calculate S/N (Plot 1)"));
  EXPECT_FALSE(Has(items, ">>Integration"));
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, 0);
}

// WM_USER+43: a new label on the active plot whose editor opens at once;
// cancelling the editor deletes it.
TEST_F(ContextMenuTest, NewUserLabelByMessageOpensItsEditor) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_OVERLAID; });
  c->m_activePlot = 1;
  win::script::OnNextDialog([](HWND d) { win::script::PressButton(d, IDCANCEL); });
  SendMessageA(w, OPM_NEWUSERLABEL, 0, 0);
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 0);
  win::script::OnNextDialog([](HWND d) {
    win::script::SetField(d, 1001, "Toluene");
    win::script::PressButton(d, IDOK);
  });
  SendMessageA(w, OPM_NEWUSERLABEL, 0, 0);
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  EXPECT_EQ(CountLabels(c, 1, LABEL_TYPE_USER), 1);
}

// WM_USER+50 takes the result-annotation settings (not from null or 1);
// WM_USER+65 switches them without rebuilding anything.
TEST_F(ContextMenuTest, AnnotationSettingsByMessage) {
  auto [w, c, o] = ShowPlots(1);
  STRUCT_RESULT_ANNOTATIONS settings = c->m_prefs.resultAnnotations;
  settings.show = 0;
  settings.textSize = 333;
  const STRUCT_RESULT_ANNOTATIONS before = c->m_prefs.resultAnnotations;
  SendMessageA(w, OPM_SETANNOTATIONS, 0, 1);
  SendMessageA(w, OPM_SETANNOTATIONS, 0, 0);
  EXPECT_EQ(std::memcmp(&c->m_prefs.resultAnnotations, &before, sizeof before), 0);
  SendMessageA(w, OPM_SETANNOTATIONS, 0, reinterpret_cast<LPARAM>(&settings));
  EXPECT_EQ(c->m_prefs.resultAnnotations.textSize, 333);
  EXPECT_EQ(c->m_dhAnnotations[0], nullptr);
  SendMessageA(w, OPM_SHOWRESULTANNOTATIONS, 1, 0);
  EXPECT_EQ(c->m_prefs.resultAnnotations.show, 1);
  EXPECT_EQ(c->m_dhAnnotations[0], nullptr);  // no rebuild
}

// Twenty text flags are held; the 21st is dropped until they are cleared.
TEST_F(ContextMenuTest, TheTwentyFirstTextFlagIsDropped) {
  auto [w, c, o] = ShowPlots(1);
  STRUCT_OPLOT_TEXT_FLAG flag{};
  for (int k = 0; k < 21; ++k) {
    flag.time = 3.0 + 0.1 * k;
    SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&flag));
  }
  EXPECT_EQ(c->m_nTextFlags, 20);
  EXPECT_DOUBLE_EQ(double{c->m_TextFlags[19].time}, 3.0 + 0.1 * 19);
  SendMessageA(w, OPM_CLEARALLTEXTFLAGS, 0, 0);
  EXPECT_EQ(c->m_nTextFlags, 0);
  EXPECT_EQ(c->m_TextFlags[0].time, 0.0);
  for (int k = 0; k < 20; ++k) SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&flag));
  EXPECT_EQ(c->m_nTextFlags, 20);
}

}  // namespace
