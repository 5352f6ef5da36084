// Mouse and keys: scripted press-drag-release sequences per mode, the
// pending zoom, line results, clicks and the notifications they post.
#include "overlayctl/tests/control_fixture.h"
#include "win/win_clipboard.h"

namespace {

class MouseTest : public OPlotTest {
 protected:
  // A painted control of three noisy plots; the host listens to its notifications.
  Shown Plots(int16_t mode, int16_t layout = 1) {
    Shown s = ShowPlots(3, [&](SVW_OVERLAY* o) { o->head.displayMode = mode; });
    s.c->m_toolbarLayout = layout;
    Notices().clear();
    return s;
  }
  static std::vector<int> Codes() {
    std::vector<int> codes;
    for (const Notice& n : Notices()) codes.push_back(n.code);
    return codes;
  }
  static double TimeAt(const CCtlOPlot* c, const SVW_OVERLAY* o, int x) {
    const auto a = c->GetPlotArea();
    return o->tail.viewStart + (x - a.left) * (o->tail.viewEnd - o->tail.viewStart) / c->m_Sizes.plotWidth;
  }
  static void DragWith(HWND w, POINT from, POINT to, const std::vector<int>& keys = {}) {
    for (int k : keys) win::script::KeyDown(k);
    win::script::Drag(w, from, to);
    for (int k : keys) win::script::KeyUp(k);
    win::script::PumpUntilIdle();
  }
};

// Each drag mode in a data-review layout, and keys held for one gesture:
// a zoom sets the pending time range (code 1), the measuring modes a line
// result (code 6), both through route 0 to the listening host.
TEST_F(MouseTest, DragModesAndKeysChooseZoomOrLineResult) {
  struct Case {
    const char* name;
    int16_t layout, mode;
    std::vector<int> keys;
    int code;  // 1 zoom, 6 line result
  } cases[] = {
      {"zoom", 1, OPLOT_DRAG_ZOOM, {}, 1},
      {"average", 1, OPLOT_DRAG_AVERAGE, {}, 6},
      {"noise", 1, OPLOT_DRAG_NOISE, {}, 6},
      {"integrate", 1, OPLOT_DRAG_INTEGRATE, {}, 6},
      {"time range", 1, OPLOT_DRAG_TIME_RANGE, {}, 6},
      {"N held over zoom", 1, OPLOT_DRAG_ZOOM, {'N'}, 6},
      {"Z held over noise", 1, OPLOT_DRAG_NOISE, {'Z'}, 1},
      {"Z and N held: the mode stays", 1, OPLOT_DRAG_NOISE, {'Z', 'N'}, 6},
      {"plain layout always zooms", 0, OPLOT_DRAG_NOISE, {'N'}, 1},
      {"layout 2 integrates", 2, OPLOT_DRAG_INTEGRATE, {}, 6},
      {"layout 2 has no noise", 2, OPLOT_DRAG_NOISE, {'N'}, -1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto [w, c, o] = Plots(OVERLAY_MODE_OVERLAID, k.layout);
    c->m_clickDragMode = k.mode;
    const auto a = c->GetPlotArea();
    const int x0 = a.left + 100, x1 = a.left + 300, y = (a.top + a.bottom) / 2;
    DragWith(w, {x0, y}, {x1, y + 2}, k.keys);
    EXPECT_EQ(c->m_tracking, 0);
    const double perPixel = (o->tail.viewEnd - o->tail.viewStart) / c->m_Sizes.plotWidth;
    const double start = o->tail.viewStart - 1e-10 + 100 * perPixel;
    const double end = o->tail.viewStart + 1e-10 + 301 * perPixel;
    if (k.code == 1) {
      EXPECT_EQ(Codes(), std::vector<int>{1});
      double range[3] = {};
      ASSERT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(range)), 1);
      EXPECT_DOUBLE_EQ(range[0], start);
      EXPECT_DOUBLE_EQ(range[1], end);
      EXPECT_EQ(range[2], OVERLAY_MODE_OVERLAID);
      EXPECT_EQ(c->m_lineResultSet, 0);
    } else if (k.code == 6) {
      EXPECT_EQ(Codes(), std::vector<int>{6});
      EXPECT_EQ(c->m_lineResultSet, 1);
      EXPECT_DOUBLE_EQ(c->m_lineStart, start);
      EXPECT_DOUBLE_EQ(c->m_lineEnd, end);
      EXPECT_EQ(c->m_lineSlot, c->GetActivePlotIndex());
      EXPECT_EQ(c->m_zoomPending, 0);
    } else {
      EXPECT_TRUE(Codes().empty());
    }
    DestroyWindow(w);
  }
}

// A band of 4 pixels either way is a click, never a zoom; 5 pixels across
// zoom the time only, 5 down the values only.
TEST_F(MouseTest, FivePixelsMakeADragAndZoomOnlyTheirAxis) {
  auto [w, c, o] = Plots(OVERLAY_MODE_OVERLAID, 0);
  const auto a = c->GetPlotArea();
  const int x = a.left + 200, y = (a.top + a.bottom) / 2;
  const double low = o->tail.scales.commonLow, high = o->tail.scales.commonHigh;
  c->m_singleClickMode = OPLOT_CLICK_NONE;  // layout 0 displays all the same
  DragWith(w, {x, y}, {x + 4, y + 4});
  EXPECT_EQ(Codes(), std::vector<int>{100});  // a click
  EXPECT_EQ(c->m_zoomPending, 0);
  Notices().clear();
  DragWith(w, {x, y}, {x + 5, y + 2});
  EXPECT_EQ(Codes(), std::vector<int>{1});
  EXPECT_EQ(double{o->tail.scales.commonLow}, low);
  EXPECT_EQ(double{o->tail.scales.commonHigh}, high);
  Notices().clear();
  c->m_zoomPending = 0;
  DragWith(w, {x, y - 60}, {x + 2, y + 40});
  EXPECT_TRUE(Codes().empty());
  EXPECT_EQ(c->m_zoomPending, 0);
  const int h = c->m_Sizes.overlaidPlotHeight;
  const int y1 = y - 60 - a.top, y2 = y + 40 - a.top;
  EXPECT_DOUBLE_EQ(double{o->tail.scales.commonLow}, low + (h - y2) * (high - low) / h);
  EXPECT_DOUBLE_EQ(double{o->tail.scales.commonHigh}, low + (h - y1) * (high - low) / h);
  // Flatter than 5 counts: refused.
  const double zoomedLow = o->tail.scales.commonLow;
  o->tail.scales.commonLow = 0;
  o->tail.scales.commonHigh = 20;
  DragWith(w, {x, y - 5}, {x + 2, y + 5});
  EXPECT_EQ(double{o->tail.scales.commonHigh}, 20.0);
  EXPECT_NE(zoomedLow, 0.0);
  DestroyWindow(w);
}

// A band pressed in a scale band zooms only the values, one pressed in the
// time strip only the time; in the dual-scale display the left band zooms
// the left pair, the right band the right pair, the plot area both.
TEST_F(MouseTest, BandsPressedOnTheScalesZoomOneAxis) {
  struct Case {
    const char* name;
    int16_t mode;
    int where;  // 0 left scale, 1 time strip, 2 right scale, 3 plot area
    bool time, left, right;
  } cases[] = {
      {"left scale", OVERLAY_MODE_OVERLAID, 0, false, true, false},
      {"time strip", OVERLAY_MODE_OVERLAID, 1, true, false, false},
      {"dual, left scale", OVERLAY_MODE_TWO_SCALES, 0, false, true, false},
      {"dual, right scale", OVERLAY_MODE_TWO_SCALES, 2, false, false, true},
      {"dual, plot area", OVERLAY_MODE_TWO_SCALES, 3, true, true, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Shown s = ShowPlots(3, [&](SVW_OVERLAY* o) {
      o->head.displayMode = k.mode;
      std::strcpy(o->slots[1].units, "mV");
    });
    auto [w, c, o] = s;
    Notices().clear();
    const auto a = c->GetPlotArea();
    ASSERT_TRUE(k.mode != OVERLAY_MODE_TWO_SCALES || c->m_Sizes.rightScaleWidth > 0);
    // The dual-scale drawing rescales both sides: the zoom is read before a repaint.
    SendMessageA(w, OPM_DISPLAYNOREPAINT, 1, 0);
    const OVERLAY_SCALE_BLOCK before = o->tail.scales;
    const int mid = (a.top + a.bottom) / 2;
    POINT from{}, to{};
    switch (k.where) {
      case 0: from = {a.left - 10, mid - 60}, to = {a.left + 150, mid + 60}; break;
      case 1: from = {a.left + 50, a.bottom + 4}, to = {a.left + 250, a.top + 10}; break;
      case 2: from = {a.right + 10, mid - 60}, to = {a.left + 150, mid + 60}; break;
      default: from = {a.left + 50, mid - 60}, to = {a.left + 250, mid + 60}; break;
    }
    DragWith(w, from, to);
    EXPECT_EQ(Codes() == std::vector<int>{1}, k.time);
    const OVERLAY_SCALE_BLOCK& after = o->tail.scales;
    EXPECT_EQ(double{after.commonHigh} != double{before.commonHigh}, k.left);
    EXPECT_EQ(double{after.rightHigh} != double{before.rightHigh}, k.right);
    DestroyWindow(w);
  }
}

// Clicks per single-click mode and keys: the code, its route and what the
// owner reads back.
TEST_F(MouseTest, ClicksPostTheirCodesWithTheTimeOrThePosition) {
  struct Case {
    const char* name;
    int16_t mode, layout, clickMode;
    std::vector<int> keys;
    int code;  // without the slot
    bool position;
  } cases[] = {
      {"stacked display", OVERLAY_MODE_STACKED, 1, OPLOT_CLICK_DISPLAY, {}, 100, false},
      {"overlaid display", OVERLAY_MODE_OVERLAID, 1, OPLOT_CLICK_DISPLAY, {}, 100, false},
      {"apex by A", OVERLAY_MODE_STACKED, 1, OPLOT_CLICK_DISPLAY, {'A'}, 320, false},
      {"library search", OVERLAY_MODE_STACKED, 1, OPLOT_CLICK_LIBRARY_SEARCH, {}, 180, true},
      {"target list by J", OVERLAY_MODE_STACKED, 1, OPLOT_CLICK_DISPLAY, {'J'}, 200, true},
      {"export, apex", OVERLAY_MODE_OVERLAID, 4, OPLOT_CLICK_EXPORT, {'A'}, 400, true},
      {"no action", OVERLAY_MODE_STACKED, 1, OPLOT_CLICK_NONE, {}, -1, false},
      {"no action, other layout", OVERLAY_MODE_STACKED, 0, OPLOT_CLICK_NONE, {}, 100, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto [w, c, o] = Plots(k.mode, k.layout);
    c->m_singleClickMode = k.clickMode;
    const auto a = c->GetPlotArea();
    // The second plot's band in the stacked display; anywhere otherwise.
    int top = 0, height = 0;
    int y = (a.top + a.bottom) / 2;
    if (k.mode == OVERLAY_MODE_STACKED) {
      for (int yy = a.top; yy <= a.bottom; ++yy)
        if (c->StackedBandAt(yy, &top, &height) == 1) break;
      y = top + height / 2;
    }
    const int x = a.left + 250;
    for (int key : k.keys) win::script::KeyDown(key);
    win::script::Click(w, x, y);
    for (int key : k.keys) win::script::KeyUp(key);
    win::script::PumpUntilIdle();
    if (k.code < 0) {
      EXPECT_TRUE(Codes().empty());
      DestroyWindow(w);
      continue;
    }
    const bool stacked = k.mode == OVERLAY_MODE_STACKED;
    const int slot = stacked ? 1 : c->GetActivePlotIndex();
    const int expect = k.code + (stacked || (k.code != 100 && k.code != 320) ? slot : 0);
    EXPECT_EQ(Codes(), std::vector<int>{expect});
    const double time = TimeAt(c, o, x);
    if (k.position) {
      int32_t xy[2] = {};
      double t = 0;
      ASSERT_EQ(SendMessageA(w, OPM_GETRIGHTCLICKPOS, reinterpret_cast<WPARAM>(&t), reinterpret_cast<LPARAM>(xy)), 1);
      EXPECT_EQ(xy[0], x);
      EXPECT_EQ(xy[1], y);
      EXPECT_DOUBLE_EQ(t, time);
      EXPECT_EQ(SendMessageA(w, OPM_GETRIGHTCLICKPOS, 0, reinterpret_cast<LPARAM>(xy)), 0);  // handed out once
    } else {
      double t = 0;
      ASSERT_EQ(SendMessageA(w, OPM_GETTIMECLICK, 0, reinterpret_cast<LPARAM>(&t)), 1);
      EXPECT_DOUBLE_EQ(t, time);
    }
    DestroyWindow(w);
  }
}

// A click on an MS plot at a time in no segment beeps and asks for nothing.
TEST_F(MouseTest, AClickOutsideEverySegmentBeeps) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  SyntheticTrace tr;
  for (int i = 0; i <= 400; ++i) {
    tr.times.push_back(2.0 + i * 0.02);
    tr.values.push_back(1000.0 + 37.0 * (i % 11));
  }
  tr.segments = {{2.0, 5.0}, {6.0, 10.0}};
  FillSyntheticSlot(o, 0, tr, 0, 2000);
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  o->slots[0].workFile->segmentBlocks[0].lastScan = 150;
  o->slots[0].workFile->segmentBlocks[1].firstScan = 200;
  o->slots[0].workFile->segmentBlocks[1].lastScan = 400;
  o->slots[0].workFile->segmentBlocks[0].functionCount = o->slots[0].workFile->segmentBlocks[1].functionCount = 1;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  Notices().clear();
  const auto a = c->GetPlotArea();
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const int gap = a.left + static_cast<int>((5.5 - t0) / (t1 - t0) * c->m_Sizes.plotWidth);
  const size_t beeps = win::script::BeepLog().size();
  win::script::Click(w, gap, (a.top + a.bottom) / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(win::script::BeepLog().size(), beeps + 1);
  EXPECT_TRUE(Codes().empty());
  const int inside = a.left + static_cast<int>((3.0 - t0) / (t1 - t0) * c->m_Sizes.plotWidth);
  win::script::Click(w, inside, (a.top + a.bottom) / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<int>{100});
  DestroyWindow(w);
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}

// Escape (WM_USER+36 or the key) ends a band without acting on it.
TEST_F(MouseTest, EscapeEndsABandWithoutAction) {
  for (bool key : {false, true}) {
    SCOPED_TRACE(key);
    auto [w, c, o] = Plots(OVERLAY_MODE_OVERLAID, 1);
    const auto a = c->GetPlotArea();
    const int y = (a.top + a.bottom) / 2;
    win::script::MouseDown(w, a.left + 50, y);
    win::script::MouseMove(w, a.left + 250, y + 30);
    ASSERT_EQ(c->m_tracking, 1);
    if (key) {
      SendMessageA(w, WM_CHAR, 27, 0);
    } else {
      EXPECT_EQ(SendMessageA(w, OPM_ESCAPETRACKING, 0, 0), 1);
    }
    EXPECT_EQ(c->m_tracking, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    win::script::MouseUp(w, a.left + 250, y + 30);
    win::script::PumpUntilIdle();
    EXPECT_TRUE(Codes().empty());
    EXPECT_EQ(c->m_zoomPending, 0);
    EXPECT_EQ(SendMessageA(w, OPM_ESCAPETRACKING, 0, 0), 0);
    DestroyWindow(w);
  }
}

// The clipboard mode copies a band of at least 24 by 24 pixels; a smaller
// one copies nothing.
TEST_F(MouseTest, ClipboardBandsBelow24PixelsCopyNothing) {
  auto [w, c, o] = Plots(OVERLAY_MODE_OVERLAID, 1);
  c->m_clickDragMode = OPLOT_DRAG_CLIPBOARD;
  const auto a = c->GetPlotArea();
  const int x = a.left + 40, y = a.top + 20;
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  DragWith(w, {x, y}, {x + 22, y + 39});  // 23 x 40
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  DragWith(w, {x, y}, {x + 23, y + 39});  // 24 x 40
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_TRUE(Codes().empty());
  DestroyWindow(w);
}

// The mode messages set the drag mode; each cancels a band in progress
// except moving.
TEST_F(MouseTest, ModeMessagesSetTheDragMode) {
  auto [w, c, o] = Plots(OVERLAY_MODE_OVERLAID, 1);
  struct Case {
    UINT message;
    int16_t mode;
  } cases[] = {{OPM_CLICKDRAGAVERAGESPECTRUMMODE, OPLOT_DRAG_AVERAGE},
               {OPM_CLICKDRAGSIGNAL2NOISEMODE, OPLOT_DRAG_NOISE},
               {OPM_CLICKDRAGINTEGRATEPLOT, OPLOT_DRAG_INTEGRATE},
               {OPM_CLICKDRAGOFFSETPLOTMODE, OPLOT_DRAG_MOVE},
               {OPM_CLICKDRAGZOOMPLOTMODE, OPLOT_DRAG_ZOOM}};
  const auto a = c->GetPlotArea();
  for (const Case& k : cases) {
    win::script::MouseDown(w, a.left + 50, a.top + 50);
    EXPECT_EQ(SendMessageA(w, k.message, 0, 0), 0);
    EXPECT_EQ(c->m_clickDragMode, k.mode);
    EXPECT_EQ(c->m_tracking, k.mode == OPLOT_DRAG_MOVE ? 1 : 0) << k.mode;
    win::script::MouseUp(w, a.left + 50, a.top + 50);
    SendMessageA(w, OPM_ESCAPETRACKING, 0, 0);
  }
  DestroyWindow(w);
}

}  // namespace
