// The owned-data control driven by a host following a growing file: the
// plot opened, points and end times fed, the oldest points dropped when a
// slot is full, clicks snapped to the nearest point, the real-time switch.
#include "specialctl/owned_data_control.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "specialctl/tests/host_window.h"
#include "win/win_script.h"

namespace {

class OwnedDataControlTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    host = std::make_unique<HostWindow>();
    w = CreateWindowExA(0, "KELT_OP3", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 400, host->hwnd,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(9)), nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    c = static_cast<CCtlOPlot3*>(static_cast<CCtlOPlot*>(GetPropA(w, "X")));
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->m_pOverlay, nullptr);
  }
  void TearDown() override {
    if (IsWindow(w)) DestroyWindow(w);
    host.reset();
    win::script::PumpUntilIdle();
    KeltRootTest::TearDown();
  }
  void Open(double start, double end) {
    STRUCT_OP3_NEW_PLOT r{};
    r.startTime = start;
    r.endTime = end;
    std::strcpy(r.path, "C:\\Data\\GROWING.KMS");
    r.module = 7;
    SendMessageA(w, OP3M_NEWPLOT, 0, reinterpret_cast<LPARAM>(&r));
  }
  void Point(double t, int64_t v, WPARAM mode = 0) {
    STRUCT_NE_POINT p{};
    p.time = t;
    p.value.i = v;
    SendMessageA(w, OP3M_NEWPOINT, mode, reinterpret_cast<LPARAM>(&p));
  }
  STRUCT_NE_DATA_POINTS* Trace(int slot = 0) const { return c->m_pOverlay->slots[slot].trace; }
  std::vector<int> Codes() {
    win::script::PumpUntilIdle();
    std::vector<int> codes;
    for (const HostCommand& h : HostWindow::Commands())
      if (h.id == 9) codes.push_back(h.code);
    HostWindow::Commands().clear();
    return codes;
  }

  std::unique_ptr<HostWindow> host;
  HWND w = nullptr;
  CCtlOPlot3* c = nullptr;
};

TEST_F(OwnedDataControlTest, AnOpenedPlotTakesPointsAndGrows) {
  Open(0.0, 5.0);
  const SVW_OVERLAY* o = c->m_pOverlay;
  ASSERT_NE(+Trace(), nullptr);
  EXPECT_STREQ(+o->slots[0].workFile->filePath, "C:\\Data\\GROWING.KMS");
  EXPECT_STREQ(+o->slots[0].workFile->displayName, "GROWING.KMS");
  EXPECT_EQ(+o->slots[0].workFile->fileType, 7);
  EXPECT_STREQ(+o->slots[0].units, "Counts");
  EXPECT_EQ(+Trace()->points->isDouble, 0u);
  EXPECT_EQ(+o->head.shownCount, 1);
  EXPECT_EQ(+o->tail.attachedCount, 1);
  EXPECT_EQ(+o->tail.inViewCount, 0);
  EXPECT_EQ(c->m_hasData, 0);
  for (int i = 0; i < 2001; ++i) Point(0.5 + i * 0.001, 1000 + (i % 50) * 10, 1);
  ASSERT_EQ(+Trace()->pointCount, 2001u);
  EXPECT_EQ(c->Capacity(0), 4000u);
  EXPECT_EQ(+NePointAt(+Trace()->points, 2000)->value.i, 1000 + (2000 % 50) * 10);
  EXPECT_EQ(c->m_hasData, 1);
  EXPECT_EQ(+o->tail.inViewCount, 1);
  // The full range follows the points; the displayed range is the plot's.
  EXPECT_DOUBLE_EQ(+o->tail.homeStart, 0.5);
  EXPECT_DOUBLE_EQ(+o->tail.homeEnd, 0.5 + 2000 * 0.001);
  EXPECT_DOUBLE_EQ(+o->tail.viewStart, 0.0);
  EXPECT_DOUBLE_EQ(+o->tail.viewEnd, 5.0);
  EXPECT_EQ(+o->tail.lastShownIndex[0], 2000);
  EXPECT_DOUBLE_EQ(+o->tail.maxInView[0], 1490.0);
}

TEST_F(OwnedDataControlTest, AFullSlotDropsItsOldestPoints) {
  Open(0.0, 100.0);
  Point(0.0, 1);
  // Fill the slot to its limit directly: a million messages would only be slow.
  STRUCT_NE_DATA_POINTS* dp = Trace();
  ASSERT_NE(dp, nullptr);
  void* grown = ReallocBlock(dp->points, NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * (OP3_MOST_POINTS + 100));
  ASSERT_NE(grown, nullptr);
  dp->points = static_cast<STRUCT_NE_POINT_BLOCK*>(grown);
  c->m_capacity[0] = OP3_MOST_POINTS + 100;
  for (uint32_t i = 0; i < OP3_MOST_POINTS; ++i) {
    NePointAt(dp->points, i)->time = i * 0.0001;
    NePointAt(dp->points, i)->value.i = i;
  }
  dp->pointCount = OP3_MOST_POINTS;
  Point(OP3_MOST_POINTS * 0.0001, 77);
  dp = Trace();
  ASSERT_EQ(+dp->pointCount, 990001u);
  EXPECT_EQ(+NePointAt(+dp->points, 0)->value.i, int64_t{OP3_TRIM_POINTS});
  EXPECT_DOUBLE_EQ(+dp->startTime, OP3_TRIM_POINTS * 0.0001);
  EXPECT_DOUBLE_EQ(c->m_startTime, OP3_TRIM_POINTS * 0.0001);
  EXPECT_EQ(+NePointAt(+dp->points, 990000)->value.i, 77);
}

TEST_F(OwnedDataControlTest, ClicksSnapToTheNearerPoint) {
  Open(0.0, 5.0);
  for (double t : {1.0, 2.0, 3.0, 4.0}) Point(t, 100);
  Codes();
  struct Case {
    double click;
    bool snaps;
    double marker;
  } cases[] = {
      {0.5, true, 0.5},    // before the first point: the click itself
      {1.4, true, 1.0},
      {1.5, true, 1.0},    // exactly between: the earlier
      {1.6, true, 2.0},
      {3.7, true, 4.0},    // between the last two points
      {4.0, true, 4.0},
      {4.5, false, 0.0},   // after the last point: the marker stays
  };
  for (const Case& k : cases) {
    c->m_markerSet = 0;
    c->m_timeClick = k.click;
    SendMessageA(w, OPM_NOTIFICATIONSTOSELF, 100, 0);
    EXPECT_EQ(c->m_markerSet, k.snaps ? 1 : 0) << k.click;
    if (k.snaps) {
      EXPECT_DOUBLE_EQ(c->m_markerTime, k.marker) << k.click;
    }
    const std::vector<int> codes = Codes();
    EXPECT_EQ(codes.size(), k.snaps ? 1u : 0u) << k.click;
    if (k.snaps && !codes.empty()) {
      EXPECT_EQ(codes[0], OP3N_TIME_SNAPPED);
    }
  }
  // While updating in real time a click is not snapped.
  SendMessageA(w, WM_COMMAND, OP3_CMD_REAL_TIME_UPDATE, 0);
  EXPECT_EQ(SendMessageA(w, OP3M_GETREALTIME, 0, 0), 1);
  EXPECT_EQ(Codes(), std::vector<int>{OP3N_REAL_TIME_ON});
  c->m_markerSet = 0;
  c->m_timeClick = 1.4;
  SendMessageA(w, OPM_NOTIFICATIONSTOSELF, 100, 0);
  EXPECT_EQ(c->m_markerSet, 0);
  SendMessageA(w, WM_COMMAND, OP3_CMD_REAL_TIME_UPDATE, 0);
  EXPECT_EQ(SendMessageA(w, OP3M_GETREALTIME, 0, 0), 0);
  EXPECT_EQ(Codes(), std::vector<int>{OP3N_REAL_TIME_OFF});
  SendMessageA(w, WM_COMMAND, OP3_CMD_NOTIFY, 0);
  SendMessageA(w, WM_COMMAND, OP3_CMD_CLEAR_PLOT, 0);
  EXPECT_EQ(Codes(), (std::vector<int>{OP3N_COMMAND_2708, OP3N_CLEAR_PLOT}));
}

TEST_F(OwnedDataControlTest, EndTimesSlotsAndClearing) {
  Open(0.0, 5.0);
  for (int i = 0; i < 20; ++i) Point(i * 0.2, 10 * i);
  // A new end time reloads the display when not zoomed.
  double end = 6.0;
  SendMessageA(w, OP3M_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&end));
  EXPECT_DOUBLE_EQ(+Trace()->endTime, 6.0);
  EXPECT_DOUBLE_EQ(c->m_endTime, +c->m_pOverlay->tail.viewEnd);
  // Zoomed: the records take the end time, the display does not.
  c->m_pOverlay->tail.viewStart = c->m_startTime + 1.0;
  const double viewEnd = c->m_pOverlay->tail.viewEnd;
  end = 9.0;
  SendMessageA(w, OP3M_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&end));
  EXPECT_DOUBLE_EQ(+Trace()->endTime, 9.0);
  EXPECT_DOUBLE_EQ(+c->m_pOverlay->slots[0].workFile->endTime, 9.0);
  EXPECT_DOUBLE_EQ(+c->m_pOverlay->tail.viewEnd, viewEnd);

  // A second plot in a slot of its own; slots outside 0..19 are refused.
  STRUCT_OP3_NEW_SLOT_PLOT r{};
  r.slot = 25;
  std::memset(r.path, 'P', sizeof r.path);  // not terminated: cut, not overrun
  SendMessageA(w, OP3M_NEWSLOTPLOT, 0, reinterpret_cast<LPARAM>(&r));
  // A slot plot joins the plots already open in the display they have.
  c->m_pOverlay->head.displayMode = OVERLAY_MODE_STACKED;
  r.slot = 2;
  r.dataKind = 1;
  r.massList.count = 1;
  SendMessageA(w, OP3M_NEWSLOTPLOT, 0, reinterpret_cast<LPARAM>(&r));
  ASSERT_NE(+Trace(2), nullptr);
  EXPECT_EQ(std::strlen(+c->m_pOverlay->slots[2].workFile->filePath), 259u);
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 2);
  EXPECT_EQ(+c->m_pOverlay->head.displayMode, OVERLAY_MODE_STACKED);
  EXPECT_EQ(+c->m_pOverlay->slots[2].massList.count, 1);
  STRUCT_OP3_SLOT_POINT p{};
  p.slot = 2;
  p.point.time = 12.5;
  p.point.value.i = 5;
  p.extendEnd = 1;
  SendMessageA(w, OP3M_NEWSLOTPOINT, 0, reinterpret_cast<LPARAM>(&p));
  EXPECT_DOUBLE_EQ(+Trace(2)->endTime, 12.5);
  EXPECT_DOUBLE_EQ(+c->m_pOverlay->slots[2].workFile->endTime, 12.5);
  p.slot = -3;
  SendMessageA(w, OP3M_NEWSLOTPOINT, 0, reinterpret_cast<LPARAM>(&p));

  // 21 does nothing; a slot clears that slot; 20 clears every slot.
  SendMessageA(w, OP3M_CLEARPLOT, 21, 0);
  EXPECT_NE(+Trace(2), nullptr);
  SendMessageA(w, OP3M_CLEARPLOT, 2, 0);
  EXPECT_EQ(+Trace(2), nullptr);
  EXPECT_NE(+Trace(0), nullptr);
  c->m_markerSet = 1;
  SendMessageA(w, OP3M_CLEARPLOT, 20, 0);
  EXPECT_EQ(+Trace(0), nullptr);
  EXPECT_EQ(c->m_markerSet, 0);
  EXPECT_EQ(c->m_hasData, 0);
  EXPECT_EQ(c->Capacity(0), 0u);
}

}  // namespace
