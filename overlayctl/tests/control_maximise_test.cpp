// Maximised plot, full time ranges and the widening of a trace to its whole run.
#include <cstring>
#include <filesystem>
#include <vector>

#include "fixtures/msfixtures.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

class MaximiseTest : public OPlotTest {
 protected:
  static std::vector<int> Codes() {
    std::vector<int> out;
    for (const Notice& n : Notices()) out.push_back(n.code);
    return out;
  }
  static bool Posted(int code) {
    for (const Notice& n : Notices())
      if (n.code == code) return true;
    return false;
  }
};

// Maximise, then cancel: the overlay head and scales come back byte for byte.
TEST_F(MaximiseTest, MaximiseAndRestoreRoundTripTheOverlayHeader) {
  auto [w, c, o] = ShowPlots(4);
  o->tail.timeOffsetsOn = 0;
  c->m_activePlot = 1;
  c->m_navSegCount = 5;
  c->m_navSegCurrent = 3;
  o->head.shown[3] = 0;  // a hidden plot stays hidden after the restore
  o->head.shownCount = 3;
  const OVERLAY_HEAD headBefore = o->head;
  const OVERLAY_SCALE_BLOCK scalesBefore = o->tail.scales;
  const double start = o->tail.viewStart, end = o->tail.viewEnd;
  Notices().clear();

  c->MaximizePlot(2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->head.maximised, 1);
  EXPECT_EQ(+o->head.maximisedSlot, 2);
  EXPECT_EQ(+o->head.shownCount, 1);
  for (int i = 0; i < OPLOT_SLOTS; ++i) EXPECT_EQ(o->head.shown[i], i == 2 ? 1 : 0) << i;
  EXPECT_EQ(c->m_activePlot, 2);
  EXPECT_EQ(c->GetActivePlotIndex(), 2);
  EXPECT_TRUE(Posted(11));
  // A second maximise changes nothing.
  c->MaximizePlot(0);
  EXPECT_EQ(+o->head.maximisedSlot, 2);

  // What the user does while maximised is undone by the restore.
  o->tail.scales.plotLow[2] = -1;
  o->tail.viewStart = start + 0.5;
  c->m_navSegCurrent = 1;
  Notices().clear();
  c->CancelMaximizePlot();
  win::script::PumpUntilIdle();
  EXPECT_TRUE(Posted(12));
  EXPECT_EQ(+o->head.maximised, 0);
  EXPECT_EQ(std::memcmp(o->head.shown, headBefore.shown, sizeof o->head.shown), 0);
  EXPECT_EQ(o->head.shownCount, headBefore.shownCount);
  EXPECT_EQ(o->head.displayMode, headBefore.displayMode);
  EXPECT_EQ(std::memcmp(&o->tail.scales, &scalesBefore, sizeof scalesBefore), 0);
  EXPECT_EQ(double{o->tail.viewStart}, start);
  EXPECT_EQ(double{o->tail.viewEnd}, end);
  EXPECT_EQ(c->m_activePlot, 1);
  EXPECT_EQ(c->m_navSegCount, 5);
  EXPECT_EQ(c->m_navSegCurrent, 3);
  // Cancelling when nothing is maximised does nothing.
  Notices().clear();
  c->CancelMaximizePlot();
  win::script::PumpUntilIdle();
  EXPECT_FALSE(Posted(12));
  DestroyWindow(w);
}

// In other display modes only the flag and the two notifications move.
TEST_F(MaximiseTest, OtherDisplayModesOnlyNotify) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* ov) { ov->head.displayMode = OVERLAY_MODE_OVERLAID; });
  const OVERLAY_HEAD before = o->head;
  Notices().clear();
  c->MaximizePlot(1);
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->head.maximised, 1);
  EXPECT_EQ(std::memcmp(o->head.shown, before.shown, sizeof before.shown), 0);
  EXPECT_EQ(Codes(), std::vector<int>{11});
  Notices().clear();
  c->RestorePlot(0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->head.maximised, 0);
  EXPECT_EQ(Codes(), std::vector<int>{12});
  DestroyWindow(w);
}

// The +99 and +533 ranges: setting one clears the other; the shown range asks for nothing.
TEST_F(MaximiseTest, FullRangeMessagesAskForDataOnlyForANewRange) {
  auto [w, c, o] = ShowPlots(2);
  double shown[2] = {o->tail.viewStart, o->tail.viewEnd};
  Notices().clear();
  SendMessageA(w, OPM_SPECIALDBLCLKFULLTIMERANGE, 1, reinterpret_cast<LPARAM>(shown));
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_ownFullRange, 1);
  EXPECT_FALSE(Posted(1));
  double other[2] = {3.0, 4.5};
  SendMessageA(w, OPM_LIMITEDDBLCLKFULLTIMERANGE, 1, reinterpret_cast<LPARAM>(other));
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_ownFullRange, 0);
  EXPECT_EQ(c->m_limitedRangeOn, 1);
  EXPECT_EQ(c->m_limitedFrom, 3.0);
  EXPECT_TRUE(Posted(1));
  SendMessageA(w, OPM_LIMITEDDBLCLKFULLTIMERANGE, 0, 0);
  EXPECT_EQ(c->m_limitedRangeOn, 0);
  DestroyWindow(w);
}

// A trace read for part of a run is widened to the whole run once; one
// that covers the run is not read again.
TEST_F(MaximiseTest, WholeTimeRangeAddsHeadAndTailOnce) {
  const std::string path = "C:\\Data\\whole.kms";
  msfix::RunPlan plan;
  plan.seed = 31;
  plan.scans = 500;
  std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path)).parent_path());
  ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path), plan, nullptr));
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.useFirstFreeSlot = 1;
  r.useGivenRange = 1;
  r.rangeStart = 5.0;
  r.rangeEnd = 7.0;
  std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
  r.plotKind = DATA_TYPE_TIC;
  ASSERT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 1);
  STRUCT_NE_DATA_POINTS* dp = c->m_pOverlay->slots[0].trace;
  const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
  ASSERT_GT(double{NePointAt(dp->points, 0)->time}, wf->startTime + 0.5);
  const uint32_t part = dp->pointCount;
  const double kept = NePointValue(dp->points, 0);
  c->GetDataForWholeTimeRange(0);
  dp = c->m_pOverlay->slots[0].trace;
  // The same as a trace read for the whole run at once.
  STRUCT_WORK_FILE* file = c->m_pOverlay->slots[0].workFile;
  STRUCT_NE_DATA_POINTS* whole = MakeDataPointsStruct(file, file->startTime, file->endTime, OVERLAY_MAX_POINTS,
                                                      DATA_TYPE_TIC, 0, &dp->chanList, &dp->massList);
  ASSERT_NE(whole, nullptr);
  EXPECT_GT(+dp->pointCount, part);
  ASSERT_EQ(+dp->pointCount, +whole->pointCount);
  for (uint32_t i = 0; i < dp->pointCount; ++i) {
    ASSERT_EQ(double{NePointAt(dp->points, i)->time}, double{NePointAt(whole->points, i)->time}) << i;
    ASSERT_EQ(NePointValue(dp->points, i), NePointValue(whole->points, i)) << i;
  }
  FreeDataPointsStruct(whole);
  for (uint32_t i = 1; i < dp->pointCount; ++i)
    ASSERT_GT(double{NePointAt(dp->points, i)->time}, double{NePointAt(dp->points, i - 1)->time}) << i;
  EXPECT_EQ(GetBlockSize(dp->points), NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * dp->pointCount);
  // The points it had are among them, unchanged.
  bool found = false;
  for (uint32_t i = 0; i < dp->pointCount && !found; ++i) found = NePointValue(dp->points, i) == kept;
  EXPECT_TRUE(found);
  const STRUCT_NE_POINT_BLOCK* block = dp->points;
  c->GetDataForWholeTimeRange(0);
  const STRUCT_NE_POINT_BLOCK* after = c->m_pOverlay->slots[0].trace->points;
  EXPECT_EQ(after, block);
  // Slots outside the table are refused.
  c->GetDataForWholeTimeRange(20);
  c->GetDataForWholeTimeRange(-1);
  DestroyWindow(w);
}

}  // namespace
