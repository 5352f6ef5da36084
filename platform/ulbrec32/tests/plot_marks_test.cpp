// Point markers and plot frames on a raster.
#include "ulbrec32/plot_marks.h"

#include <gtest/gtest.h>

#include "testing/raster.h"
#include "win/win_gdi.h"

namespace {

struct Raster : testing_support::Raster {
  Raster() : testing_support::Raster(40, 40) {}
};

TEST(PlotMarks, MarkersAreHollowOrFilledAroundThePoint) {
  Raster r;
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ oldBrush = SelectObject(r.dc, red);
  DrawPointMarker(r.dc, 10, 10, 4, 4, 0);
  DrawPointMarker(r.dc, 30, 30, 4, 4, 1);
  EXPECT_EQ(GetPixel(r.dc, 10, 10), RGB(255, 255, 255));  // hollow
  EXPECT_EQ(GetPixel(r.dc, 10, 6), RGB(0, 0, 0));         // its outline
  EXPECT_EQ(GetPixel(r.dc, 30, 30), RGB(255, 0, 0));      // filled
  EXPECT_EQ(GetCurrentObject(r.dc, OBJ_BRUSH), red);      // the brush is given back
  SelectObject(r.dc, oldBrush);
  DeleteObject(red);
}

TEST(PlotMarks, FrameOutlinesTheRectangle) {
  Raster r;
  FramePlotRect(r.dc, 5, 30, 35, 10);
  EXPECT_EQ(GetPixel(r.dc, 5, 20), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(r.dc, 20, 10), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(r.dc, 35, 20), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(r.dc, 20, 30), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(r.dc, 20, 20), RGB(255, 255, 255));
}

}  // namespace
