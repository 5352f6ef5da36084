// Button frames on a raster.
#include "ulbrec32/button_frames.h"

#include <gtest/gtest.h>

#include "win/win_gdi.h"

namespace {

TEST(ButtonFrames, FrameIncludesBothCornersAndLeavesTheInside) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 20, 20);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, 20, 20};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawButtonFrame(dc, 2, 3, 12, 15);
  const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
  for (POINT p : {POINT{2, 3}, POINT{12, 3}, POINT{12, 15}, POINT{2, 15}, POINT{7, 3}, POINT{12, 9}, POINT{7, 15},
                  POINT{2, 9}})
    EXPECT_EQ(GetPixel(dc, p.x, p.y), black) << p.x << "," << p.y;
  for (POINT p : {POINT{7, 9}, POINT{13, 9}, POINT{7, 16}, POINT{1, 9}, POINT{7, 2}})
    EXPECT_EQ(GetPixel(dc, p.x, p.y), white) << p.x << "," << p.y;
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

}  // namespace
