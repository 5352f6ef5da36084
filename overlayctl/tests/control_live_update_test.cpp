// Following a run while it is acquired: a writer thread grows a real data
// file scan by scan while the control's 4-second timer follows it.
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "fixtures/msfixtures.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

class LiveUpdateTest : public OPlotTest {
 protected:
  // Three segments, the middle one of two functions; acquisition under way.
  static msfix::RunPlan Plan(uint32_t seed) {
    msfix::RunPlan plan;
    plan.seed = seed;
    plan.scans = 480;
    plan.compounds = 8;
    plan.segments = {{1.0, 1, "Solvent delay"}, {1.5, 2, "Volatiles"}, {1.0, 1, "Late eluters"}};
    plan.live = true;
    return plan;
  }
  std::string host(const std::string& path) { return win::paths::ToHost(path); }
  std::string Start(const msfix::RunPlan& plan, uint32_t scans) {
    const std::string path = "C:\\Data\\live" + std::to_string(plan.seed) + ".kms";
    std::filesystem::create_directories(std::filesystem::path(host(path)).parent_path());
    EXPECT_TRUE(msfix::WriteMsDataFileSoFar(host(path), plan, scans, nullptr));
    return path;
  }
  static LRESULT Follow(HWND w, const std::string& path, double expectedEnd) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.useFirstFreeSlot = 1;
    r.acquiring = 1;
    r.expectedEndTime = expectedEnd;
    std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
    r.plotKind = DATA_TYPE_TIC;
    return SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
  }
  static void Tick() {
    win::script::AdvanceClock(4000);
    win::script::PumpUntilIdle();
  }
  static bool Following(CCtlOPlot* c) {
    const bool on = c->KillTimer(1);
    if (on) c->SetTimer(1, 4000);
    return on;
  }
  static double LastTime(const STRUCT_NE_DATA_POINTS* dp) {
    return dp && dp->pointCount ? double{NePointAt(dp->points, dp->pointCount - 1)->time} : 0.0;
  }
};

TEST_F(LiveUpdateTest, AGrowingRunIsFollowedUntilItsEndAndGainsItsSegments) {
  const msfix::RunPlan plan = Plan(41);
  msfix::RunTruth whole;
  std::vector<msfix::ScanData> scans;
  ASSERT_TRUE(msfix::MakeRun(plan, &whole, &scans));
  const std::string path = Start(plan, 40);  // within the first segment
  HWND w = MakeControl(7, 700, 400);
  CCtlOPlot* c = Control(w);
  ASSERT_EQ(Follow(w, path, whole.endTime), 1);
  win::script::PumpUntilIdle();
  SVW_OVERLAY* o = c->m_pOverlay;
  STRUCT_WORK_FILE* wf = o->slots[0].workFile;
  const uint16_t serial = wf->serialNumber;
  EXPECT_EQ(+wf->msInfo.segmentCount, 1u);
  EXPECT_TRUE(Following(c));

  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::thread writer([&] {
    for (uint32_t n = 60; n <= plan.scans; n += 20) {
      if (!msfix::WriteMsDataFileSoFar(host(path), plan, n, nullptr)) ++failures;
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    done = true;
  });
  double shownEnd = LastTime(o->slots[0].trace);
  int grew = 0, ticks = 0;
  uint32_t segments = 1;
  while (!done && ticks < 2000) {
    Tick();
    ++ticks;
    const STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
    ASSERT_NE(dp, nullptr) << "the slot was emptied";
    const double last = LastTime(dp);
    EXPECT_GE(last, shownEnd);  // points are only ever added
    grew += last > shownEnd;
    shownEnd = last;
    // The record the overlay points at stays the same one.
    const STRUCT_WORK_FILE* now = o->slots[0].workFile;
    ASSERT_EQ(now, wf);
    EXPECT_GE(+wf->msInfo.segmentCount, segments);
    segments = wf->msInfo.segmentCount;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  writer.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_GT(grew, 2);
  // The run has reached its expected end: one last read, then no more.
  for (int i = 0; i < 3 && Following(c); ++i) Tick();
  EXPECT_FALSE(Following(c));
  EXPECT_EQ(+wf->live, 0);
  EXPECT_EQ(+wf->msInfo.segmentCount, 3u);
  EXPECT_EQ(+wf->serialNumber, serial);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(double{wf->segmentBlocks[k].startTime}, whole.segments[static_cast<size_t>(k)].startTime, 1e-9) << k;
    EXPECT_EQ(+wf->segmentBlocks[k].lastScan, whole.segments[static_cast<size_t>(k)].lastScan) << k;
  }
  // The trace holds the whole run, as a fresh read of the finished file does.
  const STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
  STRUCT_NE_DATA_POINTS* fresh =
      MakeDataPointsStruct(wf, wf->startTime, wf->endTime, OVERLAY_MAX_POINTS, DATA_TYPE_TIC, 0, &dp->chanList, &dp->massList);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(+dp->pointCount, +fresh->pointCount);
  EXPECT_EQ(LastTime(dp), LastTime(fresh));
  for (uint32_t i = 1; i < dp->pointCount; ++i)
    ASSERT_GT(double{NePointAt(dp->points, i)->time}, double{NePointAt(dp->points, i - 1)->time});
  FreeDataPointsStruct(fresh);
  EXPECT_GE(double{o->tail.overallEnd}, LastTime(dp));
  DestroyWindow(w);
}

// A file that gains more segments than its record has room for gets its
// storage grown, not written past.
TEST_F(LiveUpdateTest, MoreSegmentsThanTheRecordHoldsGrowItsStorage) {
  const msfix::RunPlan plan = Plan(43);
  const std::string path = Start(plan, 60);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  ASSERT_EQ(Follow(w, path, 12.0), 1);
  STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
  // Room for one block only, as a record made for a one-segment file has.
  auto* small = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(sizeof(MS_SEGMENT_BLOCK)));
  std::memcpy(small, wf->segmentBlocks, sizeof *small);
  FreeBlock(wf->segmentBlocks);
  wf->segmentBlocks = small;
  ASSERT_TRUE(msfix::WriteMsDataFileSoFar(host(path), plan, 400, nullptr));
  Tick();
  EXPECT_EQ(+wf->msInfo.segmentCount, 3u);
  EXPECT_GE(GetBlockSize(wf->segmentBlocks), 3 * sizeof(MS_SEGMENT_BLOCK));
  EXPECT_GT(double{wf->segmentBlocks[2].startTime}, double{wf->segmentBlocks[1].startTime});
  DestroyWindow(w);
}

// Zoomed into an earlier part, the zoom stays; a display of the end grows
// with the file. A run that stops short of its end stays followed.
TEST_F(LiveUpdateTest, AnEarlierZoomStaysAndAStalledRunStaysFollowed) {
  const msfix::RunPlan plan = Plan(47);
  const std::string path = Start(plan, 200);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  ASSERT_EQ(Follow(w, path, 12.0), 1);
  win::script::PumpUntilIdle();
  SVW_OVERLAY* o = c->m_pOverlay;
  double range[2] = {3.0, 4.0};
  SendMessageA(w, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(range));
  ASSERT_TRUE(msfix::WriteMsDataFileSoFar(host(path), plan, 260, nullptr));
  Tick();
  EXPECT_EQ(double{o->tail.viewStart}, 3.0);
  EXPECT_EQ(double{o->tail.viewEnd}, 4.0);
  // Back to the whole run: the display follows the file.
  double all[2] = {0.0, 12.0};
  SendMessageA(w, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(all));
  const double before = LastTime(o->slots[0].trace);
  ASSERT_TRUE(msfix::WriteMsDataFileSoFar(host(path), plan, 320, nullptr));
  Tick();
  EXPECT_GT(LastTime(o->slots[0].trace), before);
  // Nothing more is written: the run is still followed, tick after tick.
  for (int i = 0; i < 3; ++i) {
    Tick();
    EXPECT_TRUE(Following(c)) << i;
  }
  EXPECT_EQ(+o->slots[0].workFile->live, 1);
  DestroyWindow(w);
}

}  // namespace
