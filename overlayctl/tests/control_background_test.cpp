// Background level of a trace at a time from a background-correction record.
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

}  // namespace
