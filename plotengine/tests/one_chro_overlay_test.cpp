// The one-chromatogram overlay and the annotations it hands to tiled texts.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plot_fixture.h"
#include "plotengine/one_chro_overlay.h"

namespace {

struct WorkFileDeleter {
  void operator()(STRUCT_WORK_FILE* w) const { FreeWorkFileStruct(w); }
};
using WorkFilePtr = std::unique_ptr<STRUCT_WORK_FILE, WorkFileDeleter>;

using OneChroTest = PlotRootTest;

// A one-slot overlay over hand-made points.
STRUCT_NE_DATA_POINTS* Points(const std::vector<double>& t, const std::vector<double>& v) {
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  dp->points = static_cast<STRUCT_NE_POINT_BLOCK*>(
      AllocBlock(static_cast<uint32_t>(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * t.size())));
  dp->points->isDouble = 1;
  dp->pointCount = static_cast<uint32_t>(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    NePointAt(dp->points, static_cast<uint32_t>(i))->time = t[i];
    NePointAt(dp->points, static_cast<uint32_t>(i))->value.d = v[i];
  }
  return dp;
}

}  // namespace

TEST_F(OneChroTest, WholeTraceOfTheCallersWorkFile) {
  WriteMsRun();
  WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 0));
  ASSERT_NE(wf, nullptr);
  auto o = NewOverlay();
  ASSERT_EQ(OPLOT_OneChro_Init(o.get(), wf.get(), 0, 0, DATA_TYPE_TIC, 0, nullptr, nullptr, "Counts", "TIC"), 1);
  const STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
  ASSERT_NE(dp, nullptr);
  EXPECT_EQ(+o->head.shownCount, 1);
  EXPECT_EQ(+o->tail.inViewCount, 1);
  EXPECT_EQ(o->slots[0].filePresent, 0);
  EXPECT_STREQ(o->slots[0].units, "Counts");
  const uint32_t n = dp->pointCount;
  EXPECT_EQ(+o->tail.firstShownIndex[0], 0);
  EXPECT_EQ(+o->tail.lastShownIndex[0], static_cast<int32_t>(n - 1));
  EXPECT_DOUBLE_EQ(+o->tail.viewStart, +NePointAt(dp->points, 0)->time);
  double mn = 1e300, mx = -1e300;
  for (uint32_t i = 0; i < n; ++i) mn = std::min(mn, NePointValue(dp->points, i)), mx = std::max(mx, NePointValue(dp->points, i));
  EXPECT_DOUBLE_EQ(+o->tail.scales.plotLow[0], mn - (mx - mn) / 20);
  EXPECT_DOUBLE_EQ(+o->tail.scales.plotHigh[0], mx + (mx - mn) / 20);
  // A window: the first point at or after its start, the last at or before its end.
  OPLOT_OneChro_SetData(o.get(), 5.0, 7.0);
  const int32_t lo = o->tail.firstShownIndex[0], hi = o->tail.lastShownIndex[0];
  EXPECT_GE(+NePointAt(dp->points, static_cast<uint32_t>(lo))->time, 5.0);
  EXPECT_LT(+NePointAt(dp->points, static_cast<uint32_t>(lo - 1))->time, 5.0);
  EXPECT_LE(+NePointAt(dp->points, static_cast<uint32_t>(hi))->time, 7.0);
  EXPECT_GT(+NePointAt(dp->points, static_cast<uint32_t>(hi + 1))->time, 7.0);
  // Clearing the overlay leaves the caller's work file alone (freed below).
  OPLOT_ClearOverlayStructure(o.get());
}

TEST_F(OneChroTest, NoPointsLeaveTheOverlayUntouched) {
  WriteMsRun();
  WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 0));
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  std::vector<uint8_t> before(sizeof(SVW_OVERLAY));
  std::memcpy(before.data(), o.get(), before.size());
  EXPECT_EQ(OPLOT_OneChro_Init(o.get(), wf.get(), 50.0, 60.0, DATA_TYPE_TIC, 0, nullptr, nullptr, "Counts", "TIC"), 0);
  EXPECT_EQ(std::memcmp(before.data(), o.get(), before.size()), 0);
}

TEST_F(OneChroTest, FlatTracesGetTheFloorMargins) {
  for (const bool ms : {true, false}) {
    STRUCT_WORK_FILE wf{};
    wf.centroid = ms ? 1 : 0;
    auto o = NewOverlay();
    o->slots[0].workFile = &wf;
    o->slots[0].trace = Points({1.0, 1.5, 2.0}, {7.0, 7.0, 7.0});
    OPLOT_OneChro_SetData(o.get(), 0, 0);
    const double floor = ms ? 2.5 : 5e-8;
    EXPECT_DOUBLE_EQ(+o->tail.scales.plotLow[0], 7.0 - floor);
    EXPECT_DOUBLE_EQ(+o->tail.scales.plotHigh[0], 7.0 + floor);
    FreeDataPointsStruct(o->slots[0].trace);
    o->slots[0].trace = nullptr;
    o->slots[0].workFile = nullptr;
  }
}

TEST_F(OneChroTest, AnnotationsInTheViewGoToTheHolder) {
  msfix::DHPlan plan;
  msfix::DHTruth truth;
  ASSERT_TRUE(msfix::WriteProcessedDataFile("C:\\Data\\PROC01.KMS", "C:\\Data\\PROC01.MTH", plan, &truth));
  WorkFilePtr wf(MakeWorkFileStruct("C:\\Data\\PROC01.KMS", 0));
  auto o = NewOverlay();
  ASSERT_EQ(OPLOT_OneChro_Init(o.get(), wf.get(), 0, 0, DATA_TYPE_TIC, 0, nullptr, nullptr, "Counts", "TIC"), 1);
  STRUCT_RESULT_ANNOTATIONS prefs{};
  prefs.show = 1;
  for (int k = 0; k < 5; ++k) prefs.kindFlags[k] = 1;
  prefs.itemCount = 1;
  prefs.items[0] = 0;
  prefs.textSize = 300;
  STRUCT_ANNOTATIONS* all[OVERLAY_SLOTS] = {};
  all[0] = OPLOT_CreateDHAnnotationStrings(o.get(), 0, 0, &prefs, 20, 1);
  ASSERT_NE(all[0], nullptr);
  // A window holding the second and third compounds only.
  const double from = (truth.compounds[0].retentionTime + truth.compounds[1].retentionTime) / 2;
  const double to = (truth.compounds[2].retentionTime + truth.compounds[3].retentionTime) / 2;
  OPLOT_OneChro_SetData(o.get(), from, to);
  CTileTextOnPlot holder;
  ASSERT_EQ(holder.InitHolder(), 1);
  STRUCT_MARKER_PARAMS marker{};
  marker.screenColor = RGB(0, 120, 0);
  marker.angle = 900;
  OPLOT_AddAnnotationsToTileTextClass(&holder, 0, o.get(), nullptr, nullptr, &marker, all, 1, 0);
  ASSERT_EQ(holder.Count(), 2);
  EXPECT_STREQ(holder.Text(0)->text, truth.compounds[1].name.c_str());
  EXPECT_STREQ(holder.Text(1)->text, truth.compounds[2].name.c_str());
  const STRUCT_TILE_DRAW d = holder.Text(0)->draw;
  EXPECT_EQ(+d.keepInPlot, 1);
  EXPECT_EQ(+d.markStyle, 2);
  EXPECT_EQ(+d.color, RGB(0, 120, 0));
  EXPECT_EQ(+d.rotation, 900);
  // Another slot, or a slot without annotations, adds nothing.
  OPLOT_AddAnnotationsToTileTextClass(&holder, 1, o.get(), nullptr, nullptr, &marker, all, 1, 0);
  EXPECT_EQ(holder.Count(), 2);
  OPLOT_FreeAllAnnotations(all);
  OPLOT_ClearOverlayStructure(o.get());
}
