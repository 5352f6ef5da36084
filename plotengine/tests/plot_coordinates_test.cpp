// Rectangles, pixel conversions, clipping, apex searches and point marks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "plot_fixture.h"
#include "plotengine/plot_coordinates.h"
#include "testing/raster.h"

namespace {

// A trace made of given (time, value) pairs, owned by the slot it is put in.
void PutTrace(SVW_OVERLAY* o, int slot, const std::vector<std::pair<double, double>>& points) {
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  const uint32_t n = static_cast<uint32_t>(points.size());
  dp->points = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + n * NE_POINT_SIZE));
  dp->points->isDouble = 1;
  dp->pointCount = n;
  dp->step = 1.0;
  for (uint32_t i = 0; i < n; ++i) {
    NePointAt(dp->points, i)->time = points[i].first;
    NePointAt(dp->points, i)->value.d = points[i].second;
  }
  dp->startTime = points.front().first;
  dp->endTime = points.back().first;
  o->slots[slot].trace = dp;
  o->slots[slot].dataPresent = 1;
}

// Overlay of flags and ranges only, laid out in a 600 x 400 rectangle at (100, 50).
struct Layout {
  OverlayPtr o = NewOverlay();
  STRUCT_OPLOT_PLOT_PARAMS params{};
  STRUCT_OVER_SIZES sizes{};
  explicit Layout(int mode, std::initializer_list<int> shown) {
    o->head.displayMode = static_cast<int16_t>(mode);
    for (int i : shown) {
      o->head.shown[i] = o->tail.inView[i] = o->tail.attached[i] = 1;
      ++o->head.shownCount;
    }
    o->tail.viewStart = 2.0;
    o->tail.viewEnd = 12.0;
    OPLOT_InitPlotParams(&params, 0, 100, 450, 700, 50, 10, 20);
  }
  void Size() { OPLOT_CalculateSizes(o.get(), &params, &sizes, 0, 60, 40); }
};

struct ClipCase {
  const char* name;
  double x1, y1, x2, y2;
  int32_t result;
  int32_t out[4];
};

TEST(Clipper, CohenSutherlandCases) {
  // Rectangle x 0..20, y 0..10.
  const ClipCase cases[] = {
      {"left end outside", -10, 5, 10, 5, 1, {0, 5, 10, 5}},
      {"inside", 2, 3, 7, 9, 1, {2, 3, 7, 9}},
      {"wholly above", 2, -5, 15, -1, 0, {-1, -1, -1, -1}},
      {"wholly right", 25, 0, 30, 10, 0, {-1, -1, -1, -1}},
      {"through two edges", -10, -5, 30, 15, 1, {0, 0, 20, 10}},
      {"direction kept", 30, 5, -10, 5, 1, {20, 5, 0, 5}},
      {"truncated toward zero", 0.9, 1.9, 19.99, 9.99, 1, {0, 1, 19, 9}},
      {"corner crossing outside", -5, 6, 6, 16, 0, {-1, -1, -1, -1}},
  };
  for (const auto& c : cases) {
    int32_t out[4] = {-1, -1, -1, -1};
    EXPECT_EQ(KELT_Clipper(out, c.x1, c.y1, c.x2, c.y2, 0, 10, 20, 0), c.result) << c.name;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(out[k], c.out[k]) << c.name << " " << k;
  }
  int32_t out[4];
  EXPECT_EQ(KELT_Clipper(out, NAN, 1, 2, 3, 0, 10, 20, 0), 0);
}

TEST(Coordinates, AreaOfStackedAndOverlaidSlots) {
  Layout l(0, {0, 2, 5});
  l.Size();
  int32_t left, bottom, right, top;
  ASSERT_EQ(OPLOT_GetChromatogramArea(l.o.get(), &l.sizes, 2, &left, &bottom, &right, &top), 1);
  // 360 units of strips: 120 each.
  EXPECT_EQ(left, 160);
  EXPECT_EQ(right, 700);
  EXPECT_EQ(top, 50 + 120);
  EXPECT_EQ(bottom, 50 + 240);
  ASSERT_EQ(OPLOT_GetWinChromatogramArea(l.o.get(), &l.sizes, 2, -100, 7, &left, &bottom, &right, &top), 1);
  EXPECT_EQ(left, 60);
  EXPECT_EQ(top, 177);
  l.o->tail.inView[5] = 0;
  EXPECT_EQ(OPLOT_GetChromatogramArea(l.o.get(), &l.sizes, 5, &left, &bottom, &right, &top), 0);
  EXPECT_EQ(OPLOT_GetChromatogramArea(l.o.get(), &l.sizes, 20, &left, &bottom, &right, &top), 0);
  l.o->head.displayMode = 1;
  l.Size();
  ASSERT_EQ(OPLOT_GetChromatogramArea(l.o.get(), &l.sizes, 2, &left, &bottom, &right, &top), 1);
  EXPECT_EQ(top, 50);
  EXPECT_EQ(bottom, 50 + 360);
}

TEST(Coordinates, TimeToX) {
  Layout l(1, {0});
  l.Size();
  int32_t x = -1;
  ASSERT_EQ(OPLOT_GetXPixelFromTime(2.0, l.o.get(), &l.sizes, 0, &x), 1);
  EXPECT_EQ(x, 100 + 60);
  ASSERT_EQ(OPLOT_GetXPixelFromTime(7.0, l.o.get(), &l.sizes, 0, &x), 1);
  EXPECT_EQ(x, 160 + 270);
  EXPECT_EQ(OPLOT_GetXPixelFromTime(1.999, l.o.get(), &l.sizes, 0, &x), 0);
  ASSERT_EQ(OPLOT_GetXPixelFromTime(1.9, l.o.get(), &l.sizes, 1, &x), 1);
  EXPECT_EQ(x, 160 - 5);  // truncated toward zero
  l.o->tail.viewEnd = 2.0;  // an empty window gives no x
  EXPECT_EQ(OPLOT_GetXPixelFromTime(2.0, l.o.get(), &l.sizes, 1, &x), 0);
}

TEST(Coordinates, ValueToYUsesTheSlotsRange) {
  Layout l(0, {0, 1});
  l.o->tail.scales.plotLow[1] = 100;
  l.o->tail.scales.plotHigh[1] = 300;
  l.Size();  // strips of 180
  int32_t y = -1;
  ASSERT_EQ(OPLOT_GetYPixelFromValue(200, 1, l.o.get(), &l.sizes, 0, &y), 1);
  EXPECT_EQ(y, 50 + 360 - 90);
  EXPECT_EQ(OPLOT_GetYPixelFromValue(301, 1, l.o.get(), &l.sizes, 0, &y), 0);
  ASSERT_EQ(OPLOT_GetYPixelFromValue(1e30, 1, l.o.get(), &l.sizes, 1, &y), 1);
  EXPECT_EQ(y, -2147483647);  // held inside 32 bits, never wrapped
  EXPECT_EQ(OPLOT_GetYPixelFromValue(200, 0, l.o.get(), &l.sizes, 1, &y), 0);  // empty range

  // Two scales: units other than the left-axis plot's (letter case too) use the right range.
  Layout m(3, {0, 1});
  std::strcpy(m.o->slots[0].units, "Counts");
  std::strcpy(m.o->slots[1].units, "mV");
  m.o->tail.scales.leftAxisPlot = 0;
  m.o->tail.scales.rightAxisPlot = 1;
  m.o->tail.scales.commonLow = 0;
  m.o->tail.scales.commonHigh = 1000;
  m.o->tail.scales.rightLow = 0;
  m.o->tail.scales.rightHigh = 10;
  m.Size();
  ASSERT_EQ(OPLOT_GetYPixelFromValue(5, 1, m.o.get(), &m.sizes, 0, &y), 1);
  EXPECT_EQ(y, 410 - 180);
  ASSERT_EQ(OPLOT_GetYPixelFromValue(500, 0, m.o.get(), &m.sizes, 0, &y), 1);
  EXPECT_EQ(y, 410 - 180);
}

TEST(Coordinates, ClosestApexIsTheHighestStrictMaximum) {
  Layout l(1, {0, 1, 2});
  PutTrace(l.o.get(), 0, {{4.8, 1}, {4.9, 5}, {4.95, 3}, {5.0, 9}, {5.05, 2}, {5.1, 9}, {5.15, 1}, {5.3, 20}, {5.4, 1}});
  PutTrace(l.o.get(), 1, {{4.9, 1}, {5.0, 7}, {5.05, 7}, {5.1, 1}});  // plateau
  PutTrace(l.o.get(), 2, {{4.9, 1}, {5.0, 2}, {5.1, 3}, {5.2, 4}});
  double t = 0;
  ASSERT_EQ(OPLOT_FindClosestApexInTimeRange(l.o.get(), 0, 0, 4.85, 5.12, &t), 1);
  EXPECT_DOUBLE_EQ(t, 5.0);  // two equal maxima: the earlier
  EXPECT_EQ(OPLOT_FindClosestApexInTimeRange(l.o.get(), 1, 0, 4.85, 5.2, &t), 0);
  EXPECT_EQ(OPLOT_FindClosestApexInTimeRange(l.o.get(), 2, 0, 4.85, 5.3, &t), 0);
  // Width 0.2 at 5.2 searches 5.1..5.3: the point after 5.3 ends the run.
  OPLOT_SetSearchWindowForClosestApex(0.2);
  ASSERT_EQ(OPLOT_FindClosestApex(l.o.get(), 0, 0, 5.2, &t), 1);
  EXPECT_DOUBLE_EQ(t, 5.3);
  ASSERT_EQ(OPLOT_FindClosestApex(l.o.get(), 0, 0, 5.0, &t), 1);  // 4.9..5.1
  EXPECT_DOUBLE_EQ(t, 5.0);
  OPLOT_SetSearchWindowForClosestApex(OPLOT_DEFAULT_APEX_SEARCH_WIDTH);
  EXPECT_EQ(OPLOT_FindClosestApexInTimeRange(l.o.get(), 7, 0, 4.0, 6.0, &t), 0);  // no trace
}

class PointMarksTest : public PlotRootTest {};

TEST_F(PointMarksTest, TargetTicksAndHighlightTriangle) {
  WriteMsRun();
  auto o = NewOverlay();
  o->head.displayMode = 1;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  STRUCT_OPLOT_PLOT_PARAMS params{};
  OPLOT_InitPlotParams(&params, 0, 0, 400, 600, 0, 10, 21);
  params.colors[CHRO_COLOR_BASELINES] = RGB(255, 0, 0);
  params.colors[CHRO_COLOR_PLOT0] = RGB(0, 0, 255);
  STRUCT_OVER_SIZES sizes{};
  OPLOT_CalculateSizes(o.get(), &params, &sizes, 0, -1, -1);

  testing_support::Raster raster(600, 400);
  HDC dc = raster.dc;

  OPLOT_DrawTargetBCPoints(dc, o.get(), &sizes, 0, 5.0, 20.0);  // the second time is outside
  double at = 0, v = 0;
  int32_t x = 0, y = 0;
  ASSERT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, 5.0, &at, &v), 1);
  ASSERT_EQ(OPLOT_GetXPixelFromTime(5.0, o.get(), &sizes, 0, &x), 1);
  ASSERT_EQ(OPLOT_GetYPixelFromValue(v, 0, o.get(), &sizes, 1, &y), 1);
  EXPECT_EQ(GetPixel(dc, x, y + 10), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, x, y + 30), RGB(255, 255, 255));  // one character high

  STRUCT_OPLOT_HIGHLIGHT h{0, 8.0, v};
  OPLOT_DrawHighlightRange(dc, o.get(), &sizes, &h);
  ASSERT_EQ(OPLOT_GetXPixelFromTime(8.0, o.get(), &sizes, 0, &x), 1);
  EXPECT_EQ(GetPixel(dc, x, y - 3), RGB(0, 0, 255));    // inside the filled triangle
  EXPECT_EQ(GetPixel(dc, x, y + 3), RGB(255, 255, 255));  // below its tip
  h.time = 2.0;  // at the window's edge: nothing
  h.value = v;
  OPLOT_DrawHighlightRange(dc, o.get(), &sizes, &h);
  win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\point_marks.png");
}

}  // namespace
