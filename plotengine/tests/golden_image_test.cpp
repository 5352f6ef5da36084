// The engine's marks and scales over a stacked overlay, as a picture kept
// byte for byte: plotengine/tests/golden/marks_and_scales.png. With
// KELT_UPDATE_GOLDEN set the picture is written anew; a picture that
// differs is left beside the test programs for a look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fixtures/event_mark_fixture.h"
#include "golden_png.h"
#include "plot_fixture.h"
#include "plotengine/event_marks.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/scales.h"
#include "testing/raster.h"

namespace {

using GoldenImageTest = PlotRootTest;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The trace as a plain polyline, only to show where the marks sit.
void TraceLine(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* s, int16_t slot) {
  const STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
  std::vector<POINT> pts;
  for (uint32_t i = 0; i < dp->pointCount; ++i) {
    int32_t x = 0, y = 0;
    OPLOT_GetXPixelFromTime(NePointAt(dp->points, i)->time, o, s, 1, &x);
    OPLOT_GetYPixelFromValue(NePointValue(dp->points, i), slot, o, s, 1, &y);
    pts.push_back({x, y});
  }
  Polyline(dc, pts.data(), static_cast<int>(pts.size()));
}

TEST_F(GoldenImageTest, MarksAndScales) {
  WriteMsRun();
  ASSERT_TRUE(msfix::WriteEventMarkLog(kMsPath, 61, 2, 1, {{3.25, "Valve 2 on"}, {5.0, "Oven ready"}, {3.25, "Pulse"}}));
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath), 1);
  OPLOT_ReadSystemEventMarks(o.get());
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);

  testing_support::Raster raster(900, 600);
  HDC dc = raster.dc;
  SIZE cell{};
  GetTextExtentPoint32A(dc, "X", 1, &cell);
  STRUCT_OPLOT_PLOT_PARAMS p{};
  OPLOT_InitPlotParams(&p, 0, 0, 600, 900, 0, static_cast<int16_t>(cell.cx), static_cast<int16_t>(cell.cy));
  p.colors[CHRO_COLOR_AXES] = RGB(0, 0, 0);
  p.colors[CHRO_COLOR_BASELINES] = RGB(0, 0, 200);
  p.verticalAxis.minorDivision = 1;
  p.horizontalAxis.minorDivision = 1;
  STRUCT_OVER_SIZES s{};
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);

  OPLOT_DrawScales(dc, o.get(), &s, 1, 1, 1, 0, 0);
  TraceLine(dc, o.get(), &s, 0);
  TraceLine(dc, o.get(), &s, 1);
  LOGFONTA font{};
  font.lfHeight = 12;
  std::strcpy(font.lfFaceName, "Arial");
  OPLOT_DrawSystemEventMarks(dc, o.get(), &s, &font);
  STRUCT_OPLOT_SPECIAL_MARKER markers[2] = {};
  markers[0].time = 7.0;
  std::strcpy(markers[0].text, "ERT");
  markers[0].slot = 1;
  markers[0].colour = RGB(220, 0, 0);
  markers[1].time = 9.0;
  markers[1].slot = 1;
  markers[1].colour = RGB(0, 150, 0);
  OPLOT_DrawSpecialMarkers(dc, o.get(), &s, &font, markers, 2);
  OPLOT_DrawSearchAndIntegrationWindows(dc, o.get(), &s, 1, 6.0, 400, 150, &font);
  OPLOT_DrawTargetBCPoints(dc, o.get(), &s, 0, 8.0, 10.0);
  double t = 0, v = 0;
  ASSERT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, 4.0, &t, &v), 1);
  const STRUCT_OPLOT_HIGHLIGHT h{0, 4.0, v};
  OPLOT_DrawHighlightRange(dc, o.get(), &s, &h);

  ASSERT_TRUE(win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\marks_and_scales.png"));
  const std::string drawn = ReadBytes(Host("c/TEMP/marks_and_scales.png"));
  ASSERT_FALSE(drawn.empty());
  CheckGoldenPng(drawn, "marks_and_scales");
}

}  // namespace
