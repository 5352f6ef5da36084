// Moving a plot, cursors per region, double clicks on the scales, typed
// time ranges and files that grow while they are shown.
#include <cctype>
#include <cstring>
#include <string>

#include "dialogs/plot_range_dialogs.h"
#include "overlayctl/tests/control_fixture.h"
#include "testing/golden_window.h"

namespace {

class PlotMovingTest : public OPlotTest {
 protected:
  static int CountCode(int code) {
    int n = 0;
    for (const Notice& k : Notices()) n += k.code == code;
    return n;
  }
  static std::string CursorAt(HWND w, int x, int y) {
    win::script::MouseMove(w, x, y);
    return win::script::CurrentCursorName();
  }
};

// A drag in the move mode hands the owner the plot's offsets once: the time
// and value moved, plus the offsets the plot already had.
TEST_F(PlotMovingTest, AMovedPlotsOffsetsAreFetchedOnce) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) {
    o->head.displayMode = OVERLAY_MODE_OVERLAID;
    o->tail.timeOffsetsOn = 1;
    o->tail.timeOffsets[0] = 0.125;
  });
  c->m_toolbarLayout = 1;
  c->m_clickDragMode = OPLOT_DRAG_MOVE;
  c->m_activePlot = 0;
  Notices().clear();
  const auto a = c->GetPlotArea();
  const POINT from{a.left + 100, a.top + 150}, to{a.left + 160, a.top + 110};
  double t0 = 0, t1 = 0, v0 = 0, v1 = 0;
  short s = 0;
  ASSERT_TRUE(c->GetTimeFromXPixel(static_cast<short>(from.x), &t0, 0));
  ASSERT_TRUE(c->GetTimeFromXPixel(static_cast<short>(to.x), &t1, 0));
  ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(from.y), &s, &v0, 0));
  ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(to.y), &s, &v1, 0));
  EXPECT_EQ(CursorAt(w, from.x, from.y), "MOVE_CURSOR");
  win::script::Drag(w, from, to);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountCode(4), 1);
  STRUCT_OPLOT_TIME_VALUE_OFFSET off{};
  ASSERT_EQ(SendMessageA(w, OPM_GETTIMEVALUEOFFSET, 0, reinterpret_cast<LPARAM>(&off)), 1);
  EXPECT_EQ(off.plot, 0);
  EXPECT_NEAR(off.timeOffset, t1 - t0 + 0.125, 1e-9);
  EXPECT_NEAR(off.valueOffset, v1 - v0, 1e-6 * std::fabs(v1 - v0) + 1e-9);
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMEVALUEOFFSET, 0, reinterpret_cast<LPARAM>(&off)), 0);
}

// Escape during a move restores the screen and leaves no offset.
TEST_F(PlotMovingTest, EscapeDuringAMoveDiscardsIt) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  c->m_toolbarLayout = 1;
  c->m_clickDragMode = OPLOT_DRAG_MOVE;
  Notices().clear();
  const auto a = c->GetPlotArea();
  int top = 0, h = 0;
  for (int y = a.top; y <= a.bottom && c->StackedBandAt(y, &top, &h) != 0; ++y) {
  }
  const COLORREF before = win::script::WindowPixel(w, a.left + 200, top + h / 2);
  win::script::MouseDown(w, a.left + 150, top + h / 2);
  win::script::MouseMove(w, a.left + 200, top + h / 3);
  win::script::MouseMove(w, a.left + 260, top + h / 4);
  EXPECT_EQ(c->m_moving.drawn, 1);
  EXPECT_EQ(win::script::CurrentCursorName(), "HOLD_CURSOR");
  win::script::PressKey(VK_ESCAPE);
  SendMessageA(w, WM_CHAR, 27, 0);
  win::script::MouseUp(w, a.left + 260, top + h / 4);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_moving.drawn, 0);
  EXPECT_EQ(CountCode(4), 0);
  STRUCT_OPLOT_TIME_VALUE_OFFSET off{};
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMEVALUEOFFSET, 0, reinterpret_cast<LPARAM>(&off)), 0);
  EXPECT_EQ(win::script::WindowPixel(w, a.left + 200, top + h / 2), before);
}

// The cursor names each region: scale bands, the time scale, its corner.
TEST_F(PlotMovingTest, CursorsNameTheRegionUnderThem) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  c->m_toolbarShown = 1;
  const auto a = c->GetPlotArea();
  EXPECT_EQ(CursorAt(w, a.left - 3, (a.top + a.bottom) / 2), "SIDE");
  EXPECT_EQ(CursorAt(w, (a.left + a.right) / 2, a.bottom + 3), "BOTTOM");
  EXPECT_EQ(CursorAt(w, a.left - 3, a.bottom + 3), "CORNER");
  EXPECT_EQ(CursorAt(w, (a.left + a.right) / 2, (a.top + a.bottom) / 2), "IDC_ARROW");
  c->m_toolbarLayout = 1;
  c->m_clickDragMode = OPLOT_DRAG_NOISE;
  EXPECT_EQ(CursorAt(w, (a.left + a.right) / 2, (a.top + a.bottom) / 2), "ZOOM_NOISE_CURSOR");
  // The plot buttons, where the drawing put them.
  SendMessageA(w, OPM_ENABLEHIDEDELETE, 1, 0);
  Repaint(w);
  int buttons = 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (!c->m_Sizes.buttonY[i]) continue;
    const int y = c->m_plotTop + c->m_Sizes.buttonY[i] + c->m_Sizes.charHeight / 2 - 1;
    if (c->m_Sizes.deleteButtonShown[i]) {
      EXPECT_EQ(CursorAt(w, c->m_plotLeft + c->m_Sizes.deleteButtonX + c->m_Sizes.charWidth / 2, y), "CROSS_CURSOR");
      ++buttons;
    }
    if (c->m_Sizes.maximiseButtonShown[i]) {
      EXPECT_EQ(CursorAt(w, c->m_plotLeft + c->m_Sizes.maximiseButtonX + c->m_Sizes.charWidth / 2, y), "MAX_CURSOR");
      ++buttons;
    }
  }
  EXPECT_GT(buttons, 0);
  c->m_busy = 1;
  EXPECT_EQ(CursorAt(w, (a.left + a.right) / 2, (a.top + a.bottom) / 2), "IDC_WAIT");
}

// Double clicks: on the time scale with the full range on view nothing
// happens; zoomed, the full range is asked for; on a stacked plot's scale
// that plot alone is scaled to its data.
TEST_F(PlotMovingTest, DoubleClicksOnTheScales) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  double fullStart = 0, fullEnd = 0;
  c->ScrollFullRange(&fullStart, &fullEnd);
  o->tail.viewStart = fullStart;
  o->tail.viewEnd = fullEnd;
  Repaint(w);
  Notices().clear();
  const auto a = c->GetPlotArea();
  win::script::DoubleClick(w, (a.left + a.right) / 2, a.bottom + 3);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountCode(1), 0);

  o->tail.viewStart = fullStart + 1;
  Repaint(w);
  win::script::DoubleClick(w, (a.left + a.right) / 2, a.bottom + 3);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountCode(1), 1);
  double pending[3] = {};
  ASSERT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending)), 1);
  EXPECT_EQ(pending[0], 0);
  EXPECT_EQ(pending[1], 0);

  // Plot 2's scale squeezed; a double click on its band's scale restores it alone.
  o->tail.scales.plotHigh[1] = o->tail.scales.plotLow[1] + 10;
  const double high0 = o->tail.scales.plotHigh[0];
  Repaint(w);
  int top = 0, h = 0;
  for (int y = a.top; y <= a.bottom && c->StackedBandAt(y, &top, &h) != 1; ++y) {
  }
  win::script::DoubleClick(w, a.left - 3, top + h / 2);
  EXPECT_GT(double{o->tail.scales.plotHigh[1]}, double{o->tail.maxInView[1]});
  EXPECT_DOUBLE_EQ(double{o->tail.scales.plotHigh[0]}, high0);
}

// A file still being acquired grows: the shown end follows when the new
// end lies beyond it; a file no slot shows, or the same end, changes nothing.
TEST_F(PlotMovingTest, NewEndTimeWidensTheShownRangeOfAGrowingFile) {
  auto [w, c, o] = ShowPlots(2);
  STRUCT_WORK_FILE* wf = o->slots[1].workFile;
  wf->live = 1;
  STRUCT_OPLOT_NEW_END_TIME record{};
  std::strncpy(record.path, "C:\\Nowhere\\other.kms", sizeof record.path);
  record.endTime = 99;
  const double end = wf->endTime, otherEnd = o->slots[0].workFile->endTime;
  SendMessageA(w, OPM_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&record));
  EXPECT_EQ(double{wf->endTime}, end);

  std::memcpy(record.path, wf->filePath, sizeof record.path);
  for (char& ch : record.path) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  record.endTime = end;
  SendMessageA(w, OPM_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&record));
  EXPECT_EQ(double{wf->endTime}, end);

  // A path filling its whole room, without an end: read no further than the room.
  std::memset(record.path, 'C', sizeof record.path);
  SendMessageA(w, OPM_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&record));
  EXPECT_EQ(double{wf->endTime}, end);
  SendMessageA(w, OPM_NEWENDTIME, 0, 0);

  std::memcpy(record.path, wf->filePath, sizeof record.path);
  record.endTime = o->tail.viewEnd + 2.5;
  const double start = o->tail.viewStart;
  SendMessageA(w, OPM_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&record));
  EXPECT_EQ(double{wf->endTime}, double{record.endTime});
  EXPECT_EQ(double{o->slots[0].workFile->endTime}, otherEnd);  // not being acquired: it stays
  EXPECT_DOUBLE_EQ(double{o->tail.viewStart}, start);
  EXPECT_DOUBLE_EQ(double{o->tail.viewEnd}, double{record.endTime});
}

// The typed time range becomes the pending range, turned round when typed
// backwards.
TEST_F(PlotMovingTest, TheUserTypesTheTimeRange) {
  auto [w, c, o] = ShowPlots(2);
  Notices().clear();
  win::script::ResetLogs();
  win::script::OnNextDialog([](HWND d) {
    win::script::SetField(d, 1001, "8.5");
    win::script::SetField(d, 1002, "6");
    win::script::PressButton(d, RANGE_OK_ID);
  });
  SendMessageA(w, OPM_LETUSERSETTIMERANGE, 0, 0);
  win::script::PumpUntilIdle();
  for (const auto& b : win::script::MessageBoxLog()) ADD_FAILURE() << b.text;  // nothing out of range
  double pending[3] = {};
  ASSERT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending)), 1);
  EXPECT_DOUBLE_EQ(pending[0], 6);
  EXPECT_DOUBLE_EQ(pending[1], 8.5);
  EXPECT_EQ(CountCode(1), 1);
}

}  // namespace

namespace {

// The picture after a label typed through the context menu on plot 1 and
// plot 2 dragged right and up, its offsets applied as the owner does.
TEST_F(PlotMovingTest, LabelledAndMovedPlotsAsStored) {
  const Shown shown = ShowPlots(2, 500, 360, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  HWND w = shown.w;
  CCtlOPlot* c = shown.c;
  SVW_OVERLAY* o = shown.o;
  const auto a = c->GetPlotArea();
  auto bandMiddle = [&](int slot) {
    int top = 0, h = 0;
    for (int y = a.top; y <= a.bottom; ++y)
      if (c->StackedBandAt(y, &top, &h) == slot) break;
    return top + h / 2;
  };
  win::script::OnNextDialog([](HWND d) {
    win::script::SetField(d, 1001, "Peak of plot 1");
    win::script::PressButton(d, IDOK);
  });
  win::script::ChooseNextMenuText("New Label for Plot 1...");
  win::script::Click(w, a.left + 160, bandMiddle(0) - 20, win::script::Button::Right);

  c->m_toolbarLayout = 1;
  c->m_clickDragMode = OPLOT_DRAG_MOVE;
  Notices().clear();
  win::script::Drag(w, {a.left + 200, bandMiddle(1)}, {a.left + 260, bandMiddle(1) - 25});
  win::script::PumpUntilIdle();
  ASSERT_EQ(CountCode(4), 1);
  SendMessageA(w, OPM_NOTIFICATIONSTOSELF, 4, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(o->tail.timeOffsetsOn, 1);
  EXPECT_GT(double{o->tail.timeOffsets[1]}, 0.0);
  Repaint(w);
  testing_support::ExpectWindowAsStored(w, OVERLAYCTL_GOLDEN_DIR, "control-moved-labelled.png");
}

}  // namespace

namespace {

// A move started with M held in another mode ends as soon as M is let go;
// a mode change drops an offset the owner has not fetched.
TEST_F(PlotMovingTest, AMoveWithMEndsWhenTheKeyIsReleased) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  c->m_toolbarLayout = 1;
  c->m_clickDragMode = OPLOT_DRAG_ZOOM;
  Notices().clear();
  const auto a = c->GetPlotArea();
  int top = 0, h = 0;
  for (int y = a.top; y <= a.bottom && c->StackedBandAt(y, &top, &h) != 0; ++y) {
  }
  win::script::KeyDown('M');
  win::script::MouseDown(w, a.left + 100, top + h / 2);
  win::script::MouseMove(w, a.left + 140, top + h / 2);
  EXPECT_EQ(c->m_moving.drawn, 1);
  win::script::KeyUp('M');
  win::script::MouseMove(w, a.left + 150, top + h / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_moving.moving, 0);
  EXPECT_EQ(CountCode(4), 1);
  EXPECT_EQ(c->m_offsetPending, 1);
  win::script::MouseUp(w, a.left + 150, top + h / 2);
  SendMessageA(w, OPM_CLICKDRAGAVERAGESPECTRUMMODE, 0, 0);
  STRUCT_OPLOT_TIME_VALUE_OFFSET off{};
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMEVALUEOFFSET, 0, reinterpret_cast<LPARAM>(&off)), 0);
}

}  // namespace

namespace {

// A double click on a user label opens its editor instead of acting on the scales.
TEST_F(PlotMovingTest, ADoubleClickOnALabelEditsIt) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* o) { o->head.displayMode = OVERLAY_MODE_STACKED; });
  const short index = AddTestLabel(c, LABEL_TYPE_USER, 0, "Old", 6.0, 3e4);
  ASSERT_GE(index, 0);
  Repaint(w);
  const CLabelInfo* l = c->m_pLabels->Label(index);
  ASSERT_EQ(l->m_labelShown, 1);
  win::script::OnNextDialog([](HWND d) {
    win::script::SetField(d, 1001, "New text");
    win::script::PressButton(d, IDOK);
  });
  Notices().clear();
  win::script::DoubleClick(w, (l->m_cornerX[0] + l->m_cornerX[2]) / 2, (l->m_cornerY[0] + l->m_cornerY[2]) / 2);
  win::script::PumpUntilIdle();
  l = c->m_pLabels->Label(index);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(std::string(l->m_text->text, static_cast<size_t>(l->m_text->length)), "New text");
  EXPECT_EQ(CountCode(1), 0);
}

}  // namespace
