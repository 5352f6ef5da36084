// Background level of a trace at a time from a background-correction record.
#include <functional>

#include "jessul32/jessul32.h"
#include "overlayctl/tests/control_fixture.h"

namespace {

using BackgroundTest = OPlotTest;

// A record of one group (0 to 100 minutes) with the given scan ranges.
STRUCT_FILE_BC* Record(std::initializer_list<std::pair<uint32_t, uint32_t>> ranges, double entryTimes[]) {
  const size_t size = sizeof(STRUCT_FILE_BC) + sizeof(STRUCT_FILE_BC_GROUP) + ranges.size() * sizeof(STRUCT_FILE_BC_ENTRY);
  auto* bc = static_cast<STRUCT_FILE_BC*>(AllocBlock(size));
  bc->format = BACKCORR_FORMAT;
  bc->groupCount = 1;
  auto* g = reinterpret_cast<STRUCT_FILE_BC_GROUP*>(bc + 1);
  g->startTime = 0;
  g->endTime = 100;
  g->entryCount = static_cast<uint16_t>(ranges.size());
  auto* e = reinterpret_cast<STRUCT_FILE_BC_ENTRY*>(g + 1);
  int k = 0;
  for (const auto& r : ranges) {
    e[k].firstScan = r.first;
    e[k].endScan = r.second;
    e[k].time = entryTimes[k];
    ++k;
  }
  return bc;
}

TEST_F(BackgroundTest, InterpolatesBetweenAndExtrapolatesBeyondTheRanges) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  SyntheticTrace tr;
  for (int i = 0; i < 300; ++i) {
    tr.times.push_back(2.0 + 0.01 * i);
    tr.values.push_back(1000.0 + 10.0 * i);  // value = 1000 + 1000 (t - 2)
  }
  FillSyntheticSlot(o, 0, tr, 0, 5000);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  const uint32_t s0 = o->slots[0].trace->points->firstScan;
  double times[2] = {2.145, 3.045};
  STRUCT_FILE_BC* bc = Record({{s0 + 10, s0 + 20}, {s0 + 100, s0 + 110}}, times);
  const struct {
    double time, expect;
  } cases[] = {{2.0, 1000}, {2.5, 1500}, {5.0, 4000}};
  for (const auto& k : cases) {
    double v = -1;
    ASSERT_EQ(c->GetBCValueForTime(0, bc, k.time, &v), 1) << k.time;
    EXPECT_NEAR(v, k.expect, 1e-6) << k.time;
  }
  double v = -1;
  EXPECT_EQ(c->GetBCValueForTime(0, bc, 150.0, &v), 0);  // in no range
  EXPECT_EQ(v, 0);
  EXPECT_EQ(c->GetBCValueForTime(1, bc, 2.5, &v), 0);  // a slot without data
  // A damaged entry count reaching past the record is refused.
  reinterpret_cast<STRUCT_FILE_BC_GROUP*>(bc + 1)->entryCount = 500;
  EXPECT_EQ(c->GetBCValueForTime(0, bc, 2.5, &v), 0);
  FreeBlock(bc);
  DestroyWindow(w);
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}


// A trace over two acquisition segments: 2.00 to 2.99 minutes in segment 1
// (scans from 1, two scan functions: two scans a point), then from 3.00 in
// segment 2 (scans from 1001, one function). Values rise 1000 a minute from
// 1000 at 2 minutes; a processed copy holds half of each.
class BackgroundSegmentsTest : public BackgroundTest {
 protected:
  void SetUp() override {
    BackgroundTest::SetUp();
    w = MakeControl();
    c = Control(w);
    o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    SyntheticTrace tr;
    for (int i = 0; i < 300; ++i) {
      tr.times.push_back(2.0 + 0.01 * i);
      tr.values.push_back(1000.0 + 10.0 * i);
      tr.processed.push_back(500.0 + 5.0 * i);
    }
    tr.segments = {{1.5, 2.995}, {2.995, 6.0}};
    FillSyntheticSlot(o, 0, tr, 0, 5000);
    STRUCT_WORK_FILE* wf = o->slots[0].workFile;
    wf->segmentBlocks[0].firstScan = 1;
    wf->segmentBlocks[0].functionCount = 2;
    wf->segmentBlocks[1].firstScan = 1001;
    wf->segmentBlocks[1].functionCount = 1;
    o->slots[0].trace->points->firstScan = 1;
    o->slots[0].trace->filtered->firstScan = 1;
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  }
  void TearDown() override {
    DestroyWindow(w);
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
    BackgroundTest::TearDown();
  }
  HWND w = nullptr;
  CCtlOPlot* c = nullptr;
  SVW_OVERLAY* o = nullptr;
};

// One scan range alone gives its points' average. The scan counter steps by
// the segment's scans a point (or by one for a single-scan mass list) and
// jumps to the next segment's first scan where the points pass into it.
TEST_F(BackgroundSegmentsTest, ScanCounterFollowsSegmentsAndScansAPoint) {
  struct Case {
    uint32_t massListKind;
    int16_t displayChoice;
    uint32_t first, end;
    int result;
    double value;
    const char* what;
  } cases[] = {
      {0, 0, 41, 61, 1, 1245, "two scans a point: points 20 to 29"},
      {2, 0, 41, 61, 1, 1495, "one scan a point: points 40 to 59"},
      {0, 0, 1011, 1021, 1, 2145, "segment 2 from scan 1001: points 110 to 119"},
      {2, 0, 1011, 1021, 1, 2145, "the jump to segment 2 is the same for one scan a point"},
      {0, 1, 41, 61, 1, 622.5, "display choice 1 averages the processed copy"},
      {0, 2, 41, 61, 1, 622.5, "display choice 2 too"},
      {0, 0, 200, 210, 0, 0, "scans between the segments' points"},
      {0, 0, 5000, 5010, 0, 0, "scans after the trace"},
      {0, 0, 61, 41, 0, 0, "a range ending before it starts"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    o->slots[0].massList.kind = k.massListKind;
    c->m_displayChoice = k.displayChoice;
    double times[1] = {3.0};
    STRUCT_FILE_BC* bc = Record({{k.first, k.end}}, times);
    double v = -1;
    EXPECT_EQ(c->GetBCValueForTime(0, bc, 2.5, &v), k.result);
    EXPECT_NEAR(v, k.value, 1e-6);
    FreeBlock(bc);
  }
  c->m_displayChoice = 0;
}

// Damaged or unusable requests fail with the value 0 and read nothing
// beyond the record.
TEST_F(BackgroundSegmentsTest, DamagedRecordsAndArgumentsFailWithValueZero) {
  double times[2] = {2.245, 3.145};
  struct Case {
    const char* what;
    std::function<void(STRUCT_FILE_BC*)> damage;
    short slot;
    double time;
  } cases[] = {
      {"more groups than the record holds, time in none", [](STRUCT_FILE_BC* bc) { bc->groupCount = 3; }, 0, 150.0},
      {"a group without entries", [](STRUCT_FILE_BC* bc) {
         reinterpret_cast<STRUCT_FILE_BC_GROUP*>(bc + 1)->entryCount = 0;
       }, 0, 2.5},
      {"entries beyond the record", [](STRUCT_FILE_BC* bc) {
         reinterpret_cast<STRUCT_FILE_BC_GROUP*>(bc + 1)->entryCount = 0xFFFF;
       }, 0, 2.5},
      {"a time of no number", nullptr, 0, NAN},
      {"a slot below the slots", nullptr, -1, 2.5},
      {"a slot past the slots", nullptr, 20, 2.5},
      {"a slot without data", nullptr, 7, 2.5},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    STRUCT_FILE_BC* bc = Record({{41, 61}, {1011, 1021}}, times);
    if (k.damage) k.damage(bc);
    double v = -1;
    EXPECT_EQ(c->GetBCValueForTime(k.slot, bc, k.time, &v), 0);
    EXPECT_EQ(v, 0);
    FreeBlock(bc);
  }
  // Without a record or an output.
  double v = -1;
  EXPECT_EQ(c->GetBCValueForTime(0, nullptr, 2.5, &v), 0);
  EXPECT_EQ(v, 0);
  STRUCT_FILE_BC* bc = Record({{41, 61}, {1011, 1021}}, times);
  EXPECT_EQ(c->GetBCValueForTime(0, bc, 2.5, nullptr), 0);
  // The intact record interpolates between the two ranges' averages.
  ASSERT_EQ(c->GetBCValueForTime(0, bc, 2.5, &v), 1);
  EXPECT_NEAR(v, 1500, 1e-6);
  FreeBlock(bc);
}

}  // namespace
