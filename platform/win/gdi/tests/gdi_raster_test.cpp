// Raster drawing checked through pixels at chosen points.
#include <climits>
#include <vector>

#include "gdi_test_support.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

class GdiRasterTest : public GdiTest {};

TEST_F(GdiRasterTest, FillRectCoversLeftTopButNotRightBottom) {
  RasterCanvas c(20, 20);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT r{2, 3, 8, 9};
  EXPECT_EQ(FillRect(c.dc, &r, red), 1);
  EXPECT_EQ(c.At(2, 3), kRed);
  EXPECT_EQ(c.At(7, 8), kRed);
  EXPECT_EQ(c.At(8, 8), kWhite);
  EXPECT_EQ(c.At(7, 9), kWhite);
  EXPECT_EQ(c.At(1, 3), kWhite);
  EXPECT_TRUE(DeleteObject(red));
}

// Runs of every length, short and long, of a colour whose bytes differ and
// of one whose bytes are alike: each covers its pixels and no others.
TEST_F(GdiRasterTest, FilledRunsOfEveryLengthStayInTheirPixels) {
  for (COLORREF colour : {RGB(0x12, 0x34, 0x56), kBlack, kRed}) {
    RasterCanvas c(80, 4);
    HBRUSH brush = CreateSolidBrush(colour);
    for (int width = 0; width <= 75; ++width) {
      RECT all{0, 0, 80, 4};
      FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      RECT run{3, 1, 3 + width, 3};
      FillRect(c.dc, &run, brush);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 80; ++x) {
          const bool inside = y >= 1 && y < 3 && x >= 3 && x < 3 + width;
          ASSERT_EQ(c.At(x, y), inside ? colour : kWhite) << "width " << width << " at " << x << "," << y;
        }
    }
    DeleteObject(brush);
  }
}

TEST_F(GdiRasterTest, RectangleDrawsOutlineAndInterior) {
  RasterCanvas c(20, 20);
  HBRUSH red = CreateSolidBrush(kRed);
  HGDIOBJ oldBrush = SelectObject(c.dc, red);
  Rectangle(c.dc, 0, 0, 10, 10);
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(9, 5), kBlack);
  EXPECT_EQ(c.At(5, 9), kBlack);
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(10, 5), kWhite);
  SelectObject(c.dc, oldBrush);
  DeleteObject(red);
}

TEST_F(GdiRasterTest, LineExcludesItsEndPoint) {
  RasterCanvas c(20, 20);
  MoveToEx(c.dc, 1, 1, nullptr);
  LineTo(c.dc, 10, 1);
  EXPECT_EQ(c.At(1, 1), kBlack);
  EXPECT_EQ(c.At(9, 1), kBlack);
  EXPECT_EQ(c.At(10, 1), kWhite);
  POINT p;
  GetCurrentPositionEx(c.dc, &p);
  EXPECT_EQ(p.x, 10);
}

TEST_F(GdiRasterTest, RopModesOnPixels) {
  struct Case { int rop; COLORREF pen; COLORREF dest; COLORREF expect; };
  const Case cases[] = {
      {R2_COPYPEN, kRed, kWhite, kRed},
      {R2_NOT, kRed, kWhite, kBlack},
      {R2_XORPEN, RGB(255, 255, 0), kWhite, RGB(0, 0, 255)},
      {R2_NOTXORPEN, RGB(255, 255, 0), kWhite, RGB(255, 255, 0)},
      {R2_BLACK, kRed, kWhite, kBlack},
      {R2_WHITE, kRed, kBlack, kWhite},
      {R2_NOP, kRed, kWhite, kWhite},
      {R2_MASKPEN, kRed, RGB(255, 255, 0), kRed},
      {R2_MERGEPEN, kRed, RGB(0, 0, 255), RGB(255, 0, 255)},
  };
  for (const auto& k : cases) {
    RasterCanvas c(8, 8);
    HBRUSH dest = CreateSolidBrush(k.dest);
    RECT all{0, 0, 8, 8};
    FillRect(c.dc, &all, dest);
    HPEN pen = CreatePen(PS_SOLID, 0, k.pen);
    HGDIOBJ old = SelectObject(c.dc, pen);
    SetROP2(c.dc, k.rop);
    MoveToEx(c.dc, 0, 4, nullptr);
    LineTo(c.dc, 8, 4);
    EXPECT_EQ(c.At(3, 4), k.expect) << "rop " << k.rop;
    EXPECT_EQ(c.At(3, 3), k.dest) << "rop " << k.rop;
    SelectObject(c.dc, old);
    DeleteObject(pen);
    DeleteObject(dest);
  }
}

TEST_F(GdiRasterTest, XorDrawnTwiceRestoresEveryPixel) {
  RasterCanvas c(60, 40);
  HBRUSH blue = CreateSolidBrush(RGB(10, 20, 200));
  RECT part{5, 5, 30, 30};
  FillRect(c.dc, &part, blue);
  std::vector<COLORREF> before;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) before.push_back(c.At(x, y));
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(200, 100, 50));
  SelectObject(c.dc, pen);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  SetROP2(c.dc, R2_XORPEN);
  POINT zig[] = {{2, 2}, {50, 30}, {10, 35}, {55, 3}, {2, 2}};
  for (int pass = 0; pass < 2; ++pass) {
    Polyline(c.dc, zig, 5);
    Rectangle(c.dc, 8, 8, 40, 25);
  }
  SetROP2(c.dc, R2_NOT);
  for (int pass = 0; pass < 2; ++pass) Ellipse(c.dc, 3, 3, 50, 30);
  size_t i = 0, changed = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) changed += c.At(x, y) != before[i++];
  EXPECT_EQ(changed, 0u);
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
  DeleteObject(blue);
}

TEST_F(GdiRasterTest, WidePenCoversItsWidth) {
  RasterCanvas c(40, 40);
  HPEN pen = CreatePen(PS_SOLID, 5, kRed);
  SelectObject(c.dc, pen);
  MoveToEx(c.dc, 5, 20, nullptr);
  LineTo(c.dc, 35, 20);
  EXPECT_EQ(c.At(20, 18), kRed);
  EXPECT_EQ(c.At(20, 22), kRed);
  EXPECT_EQ(c.At(20, 25), kWhite);
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

TEST_F(GdiRasterTest, DashedAndDottedPensLeaveGaps) {
  for (int style : {PS_DASH, PS_DOT}) {
    RasterCanvas c(100, 4);
    HPEN pen = CreatePen(style, 0, kBlack);
    SelectObject(c.dc, pen);
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 100, 1);
    int on = 0;
    for (int x = 0; x < 100; ++x) on += c.At(x, 1) == kBlack;
    EXPECT_GT(on, 20) << style;
    EXPECT_LT(on, 90) << style;
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

TEST_F(GdiRasterTest, ClipRectLimitsDrawingAndRestoreDCUndoesIt) {
  RasterCanvas c(20, 20);
  HBRUSH red = CreateSolidBrush(kRed);
  int saved = SaveDC(c.dc);
  EXPECT_EQ(IntersectClipRect(c.dc, 5, 5, 10, 10), SIMPLEREGION);
  RECT all{0, 0, 20, 20};
  FillRect(c.dc, &all, red);
  EXPECT_EQ(c.At(4, 4), CLR_INVALID);  // outside the clip
  EXPECT_TRUE(RestoreDC(c.dc, saved));
  EXPECT_EQ(c.At(4, 4), kWhite);
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(9, 9), kRed);
  EXPECT_EQ(c.At(10, 10), kWhite);
  FillRect(c.dc, &all, red);
  EXPECT_EQ(c.At(0, 0), kRed);
  DeleteObject(red);
}

TEST_F(GdiRasterTest, PolygonRegionWindingAndAlternate) {
  // A five-pointed star: its centre is inside with winding, outside with alternate.
  POINT star[] = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
  HRGN wind = CreatePolygonRgn(star, 5, WINDING);
  HRGN alt = CreatePolygonRgn(star, 5, ALTERNATE);
  EXPECT_TRUE(PtInRegion(wind, 50, 50));
  EXPECT_FALSE(PtInRegion(alt, 50, 50));
  EXPECT_TRUE(PtInRegion(alt, 50, 10));
  EXPECT_FALSE(PtInRegion(wind, 5, 80));
  RECT inside{45, 45, 55, 55}, outside{0, 95, 10, 100};
  EXPECT_TRUE(RectInRegion(wind, &inside));
  EXPECT_FALSE(RectInRegion(wind, &outside));
  DeleteObject(wind);
  DeleteObject(alt);
}

TEST_F(GdiRasterTest, CombineAndSelectClipRegion) {
  RasterCanvas c(30, 30);
  HRGN a = CreateRectRgn(0, 0, 20, 20);
  HRGN b = CreateRectRgn(10, 10, 30, 30);
  HRGN both = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(both, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(both, 15, 15));
  EXPECT_TRUE(PtInRegion(both, 5, 5));
  EXPECT_EQ(SelectClipRgn(c.dc, both), COMPLEXREGION);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{0, 0, 30, 30};
  FillRect(c.dc, &all, red);
  SelectClipRgn(c.dc, nullptr);
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(15, 15), kWhite);
  EXPECT_EQ(c.At(25, 25), kRed);
  for (HGDIOBJ h : {(HGDIOBJ)a, (HGDIOBJ)b, (HGDIOBJ)both, (HGDIOBJ)red}) DeleteObject(h);
}

TEST_F(GdiRasterTest, AnisotropicMappingAndConversions) {
  RasterCanvas c(100, 50);
  SetMapMode(c.dc, MM_ANISOTROPIC);
  SetWindowExtEx(c.dc, 1000, 1000, nullptr);
  SetViewportExtEx(c.dc, 100, 50, nullptr);
  EXPECT_FALSE(SetWindowExtEx(c.dc, 0, 10, nullptr));
  POINT p[2] = {{500, 500}, {1000, 1000}};
  LPtoDP(c.dc, p, 2);
  EXPECT_EQ(p[0].x, 50);
  EXPECT_EQ(p[0].y, 25);
  EXPECT_EQ(p[1].x, 100);
  DPtoLP(c.dc, p, 1);
  EXPECT_EQ(p[0].x, 500);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT r{0, 0, 500, 500};
  FillRect(c.dc, &r, red);
  SetMapMode(c.dc, MM_TEXT);
  EXPECT_EQ(c.At(49, 24), kRed);
  EXPECT_EQ(c.At(50, 24), kWhite);
  DeleteObject(red);
}

TEST_F(GdiRasterTest, MetricModesScaleAndFlip) {
  struct Case { int mode; int units; int pixels; };
  // 96 pixels per inch on the display.
  const Case cases[] = {{MM_LOENGLISH, 100, 96}, {MM_HIENGLISH, 1000, 96}, {MM_TWIPS, 1440, 96},
                        {MM_LOMETRIC, 254, 96}, {MM_HIMETRIC, 2540, 96}};
  for (const auto& k : cases) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetMapMode(dc, k.mode);
    POINT p{k.units, k.units};
    LPtoDP(dc, &p, 1);
    EXPECT_EQ(p.x, k.pixels) << k.mode;
    EXPECT_EQ(p.y, -k.pixels) << k.mode;
    DeleteDC(dc);
  }
}

TEST_F(GdiRasterTest, IsotropicKeepsAspect) {
  HDC dc = CreateCompatibleDC(nullptr);
  SetMapMode(dc, MM_ISOTROPIC);
  SetWindowExtEx(dc, 100, 100, nullptr);
  SetViewportExtEx(dc, 400, 200, nullptr);
  SIZE vp;
  GetViewportExtEx(dc, &vp);
  EXPECT_EQ(vp.cx, 200);
  EXPECT_EQ(vp.cy, 200);
  DeleteDC(dc);
}

TEST_F(GdiRasterTest, BitBltCopiesAndInverts) {
  RasterCanvas src(10, 10), dst(10, 10);
  SetPixel(src.dc, 2, 3, kRed);
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 10, 10, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(2, 3), kRed);
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 10, 10, src.dc, 0, 0, SRCINVERT));
  EXPECT_EQ(dst.At(2, 3), kBlack);
  EXPECT_EQ(dst.At(0, 0), kBlack);
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 10, 10, nullptr, 0, 0, DSTINVERT));
  EXPECT_EQ(dst.At(0, 0), kWhite);
  EXPECT_TRUE(PatBlt(dst.dc, 0, 0, 5, 5, BLACKNESS));
  EXPECT_EQ(dst.At(4, 4), kBlack);
  EXPECT_EQ(dst.At(5, 5), kWhite);
  // Stretch 2x: one source pixel becomes four.
  RasterCanvas big(20, 20);
  EXPECT_TRUE(StretchBlt(big.dc, 0, 0, 20, 20, src.dc, 0, 0, 10, 10, SRCCOPY));
  EXPECT_EQ(big.At(4, 6), kRed);
  EXPECT_EQ(big.At(5, 7), kRed);
  EXPECT_EQ(big.At(6, 6), kWhite);
}

TEST_F(GdiRasterTest, DibSectionBitsAreThePixels) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  ASSERT_NE(bits, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  SetPixel(dc, 1, 2, RGB(1, 2, 3));
  EXPECT_EQ(static_cast<uint32_t*>(bits)[2 * 4 + 1], 0x00010203u);
  BITMAP info{};
  EXPECT_EQ(GetObject(bmp, sizeof(info), &info), int(sizeof(info)));
  EXPECT_EQ(info.bmWidth, 4);
  EXPECT_EQ(info.bmHeight, 3);
  EXPECT_FALSE(DeleteObject(bmp));  // still selected
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(bmp));
}

TEST_F(GdiRasterTest, BadHandlesAndHugeCoordinatesDoNotCrash) {
  RasterCanvas c(20, 20);
  HPEN pen = CreatePen(PS_SOLID, 0, kRed);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(c.dc, pen), nullptr);
  EXPECT_EQ(SelectObject(c.dc, reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
  EXPECT_FALSE(LineTo(reinterpret_cast<HDC>(0x5678), 1, 1));
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
  EXPECT_EQ(FillRect(c.dc, nullptr, nullptr), 0);
  EXPECT_FALSE(Polyline(c.dc, nullptr, 5));
  EXPECT_FALSE(DeleteDC(nullptr));
  MoveToEx(c.dc, INT_MIN, INT_MIN, nullptr);
  LineTo(c.dc, INT_MAX, INT_MAX);
  Rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  Ellipse(c.dc, -2147483647, 5, 2147483647, 6);
  POINT pts[] = {{INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, {0, INT_MAX}};
  Polygon(c.dc, pts, 3);
  SetMapMode(c.dc, MM_ANISOTROPIC);
  SetWindowExtEx(c.dc, 1, 1, nullptr);
  SetViewportExtEx(c.dc, INT_MAX, INT_MAX, nullptr);
  LineTo(c.dc, INT_MAX, 3);
  POINT p{INT_MAX, INT_MIN};
  EXPECT_TRUE(LPtoDP(c.dc, &p, 1));
  HRGN r = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_TRUE(PtInRegion(r, 0, 0));
  OffsetRgn(r, INT_MAX, INT_MAX);
  DeleteObject(r);
  EXPECT_EQ(c.At(0, 0), c.At(0, 0));
  EXPECT_EQ(win::gdi::LiveObjectCount(), 2u);  // the canvas's bitmap and DC
}

TEST_F(GdiRasterTest, DisplayInformationContext) {
  HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(ic, nullptr);
  EXPECT_EQ(GetDeviceCaps(ic, BITSPIXEL) * GetDeviceCaps(ic, PLANES), 32);
  EXPECT_EQ(GetDeviceCaps(ic, HORZRES), 1280);
  EXPECT_EQ(GetDeviceCaps(ic, VERTRES), 1024);
  EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(ic, TECHNOLOGY), DT_RASDISPLAY);
  EXPECT_TRUE(DeleteDC(ic));
  EXPECT_EQ(GetDeviceCaps(ic, HORZRES), 0);
}

}  // namespace

namespace {
TEST_F(GdiRasterTest, SurfaceDCDrawsInsideItsVisibleRegion) {
  // A 40x30 surface; a child at (10, 5) that sees only (10,5)-(30,25).
  RasterCanvas surface(40, 30);
  HRGN visible = CreateRectRgn(10, 5, 30, 25);
  HDC child = win::gdi::CreateSurfaceDC(surface.bitmap, POINT{10, 5}, visible);
  ASSERT_NE(child, nullptr);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{-100, -100, 100, 100};
  FillRect(child, &all, red);
  EXPECT_EQ(surface.At(10, 5), kRed);
  EXPECT_EQ(surface.At(29, 24), kRed);
  EXPECT_EQ(surface.At(9, 5), kWhite);
  EXPECT_EQ(surface.At(30, 24), kWhite);
  // Child coordinates start at its origin; its own clip cannot widen the view.
  EXPECT_EQ(GetPixel(child, 0, 0), kRed);
  SelectClipRgn(child, nullptr);
  HRGN own = CreateRectRgn(0, 0, 5, 5);
  SelectClipRgn(child, own);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(child, &all, blue);
  EXPECT_EQ(surface.At(14, 9), RGB(0, 0, 255));
  EXPECT_EQ(surface.At(15, 10), kRed);
  RECT box;
  EXPECT_EQ(GetClipBox(child, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 5);
  // The shared bitmap remains selected in its own DC and deletable after.
  EXPECT_TRUE(DeleteDC(child));
  for (HGDIOBJ h : {(HGDIOBJ)visible, (HGDIOBJ)own, (HGDIOBJ)red, (HGDIOBJ)blue}) DeleteObject(h);
}
}  // namespace

namespace {

// Pixels of a dc's w x h raster, row by row.
std::vector<COLORREF> Pixels(HDC dc, int w, int h) {
  std::vector<COLORREF> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(GetPixel(dc, x, y));
  return out;
}

// A white 32-bit raster of w x h (bottom-up for a positive heightSign)
// selected into a memory dc, given back at the end of the scope.
struct WhiteRaster {
  WhiteRaster(int w, int h, int heightSign) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, heightSign * h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bmp);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
  }
  ~WhiteRaster() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  HBITMAP bmp = nullptr;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;
};

}  // namespace

// Thin solid lines wholly inside the surface and its clip are stepped
// through memory, and a polyline of whole points skips floating point;
// they must set exactly the pixels the checked walk sets. The same
// polyline is drawn with no clip, a rectangle clip and a clip of the same
// area that is not one rectangle (so every pixel is checked), and segment
// by segment, on top-down and bottom-up rasters, copying and xor-ing.
TEST_F(GdiRasterTest, ThinLinesSetTheSamePixelsCheckedOrNot) {
  constexpr int w = 64, h = 48;
  std::vector<POINT> zig;
  uint32_t seed = 7;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1664525u + 1013904223u;
    // Mostly on the surface, now and then off it on any side.
    zig.push_back({LONG(seed >> 8) % (w + 20) - 10, LONG(seed >> 16) % (h + 16) - 8});
  }
  // Moved by whole units, and not moved at all (the points go to the device as they are).
  for (const POINT org : {POINT{3, -2}, POINT{0, 0}}) {
    for (int heightSign : {-1, 1}) {
      for (int rop : {R2_COPYPEN, R2_XORPEN}) {
        for (bool clipped : {false, true}) {
          const POINT odd = clipped ? POINT{0, 0} : POINT{w - 1, h - 1};
          // 0: a polyline of whole points through the simple clip; 1: the
          // same through the clip of two pieces; 2: segment by segment, as
          // device points in floating point.
          std::vector<COLORREF> drawn[3];
          for (int checked = 0; checked < 3; ++checked) {
            WhiteRaster raster(w, h, heightSign);
            ASSERT_NE(raster.bmp, nullptr);
            HDC dc = raster.dc;
            SetViewportOrgEx(dc, org.x, org.y, nullptr);  // whole units: points stay whole
            // area: device units, as regions are given; clip rectangles are logical.
            RECT area = clipped ? RECT{9, 5, 50, 40} : RECT{0, 0, w, h};
            if (checked == 1) {
              // The same area give or take one pixel, so never one rectangle.
              HRGN a = CreateRectRgn(area.left, area.top, area.right, area.bottom);
              HRGN pixel = CreateRectRgn(odd.x, odd.y, odd.x + 1, odd.y + 1);
              EXPECT_EQ(CombineRgn(a, a, pixel, clipped ? RGN_OR : RGN_DIFF), COMPLEXREGION);
              SelectClipRgn(dc, a);
              DeleteObject(a);
              DeleteObject(pixel);
            } else if (clipped) {
              IntersectClipRect(dc, area.left - org.x, area.top - org.y, area.right - org.x, area.bottom - org.y);
            }
            HPEN pen = CreatePen(PS_SOLID, 0, RGB(200, 60, 20));
            HGDIOBJ oldPen = SelectObject(dc, pen);
            SetROP2(dc, rop);
            if (checked < 2) {
              Polyline(dc, zig.data(), int(zig.size()));
            } else {
              for (size_t k = 0; k + 1 < zig.size(); ++k) {
                MoveToEx(dc, zig[k].x, zig[k].y, nullptr);
                LineTo(dc, zig[k + 1].x, zig[k + 1].y);
              }
            }
            SelectClipRgn(dc, nullptr);
            SetViewportOrgEx(dc, 0, 0, nullptr);
            drawn[checked] = Pixels(dc, w, h);
            drawn[checked][size_t(odd.y) * w + size_t(odd.x)] = 0;  // the pixel the clips differ in
            SelectObject(dc, oldPen);
            DeleteObject(pen);
          }
          size_t set = 0;
          for (COLORREF c : drawn[0]) set += c != RGB(255, 255, 255);
          EXPECT_GT(set, 200u) << org.x << " " << heightSign << " " << rop << " " << clipped;
          EXPECT_EQ(drawn[0], drawn[1]) << org.x << " " << heightSign << " " << rop << " " << clipped;
          EXPECT_EQ(drawn[0], drawn[2]) << org.x << " " << heightSign << " " << rop << " " << clipped;
        }
      }
    }
  }
}

// Many polylines in one call must set exactly the pixels the same
// polylines set one call each, whatever the pen, raster operation, clip or
// origin: sticks up and down, slanted and crossing ones, some off the
// surface. Bad counts draw nothing.
TEST_F(GdiRasterTest, PolyPolylineDrawsAsItsPolylinesOneByOne) {
  constexpr int w = 60, h = 40;
  std::vector<POINT> pts;
  std::vector<DWORD> counts;
  uint32_t seed = 11;
  auto next = [&](int span, int off) {
    seed = seed * 1664525u + 1013904223u;
    return LONG((seed >> 8) % uint32_t(span)) - off;
  };
  for (int i = 0; i < 120; ++i) {
    const LONG x = next(w + 10, 5);
    if (i % 5 == 4) {  // now and then a bent line of three or four points
      const DWORD n = 3 + DWORD(i % 2);
      for (DWORD k = 0; k < n; ++k) pts.push_back({next(w + 10, 5), next(h + 10, 5)});
      counts.push_back(n);
    } else {
      pts.push_back({x, next(h + 10, 5)});
      pts.push_back({x, next(h + 10, 5)});
      counts.push_back(2);
    }
  }
  struct Case {
    const char* name;
    int style, width, rop;
    int clip;  // 0 none, 1 rectangle, 2 two rectangles
    POINT org;
  };
  const Case cases[] = {
      {"solid copy", PS_SOLID, 0, R2_COPYPEN, 0, {0, 0}},
      {"solid xor", PS_SOLID, 1, R2_XORPEN, 0, {0, 0}},
      {"solid clipped", PS_SOLID, 0, R2_COPYPEN, 1, {0, 0}},
      {"solid two-piece clip", PS_SOLID, 0, R2_COPYPEN, 2, {0, 0}},
      {"solid moved", PS_SOLID, 0, R2_NOTXORPEN, 1, {4, -3}},
      {"dashed", PS_DASH, 0, R2_COPYPEN, 0, {0, 0}},
      {"dotted moved", PS_DOT, 0, R2_COPYPEN, 2, {-2, 5}},
      {"wide", PS_SOLID, 3, R2_COPYPEN, 1, {0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<COLORREF> drawn[2];
    for (int batched = 0; batched < 2; ++batched) {
      RasterCanvas canvas(w, h);
      HDC dc = canvas.dc;
      SetViewportOrgEx(dc, c.org.x, c.org.y, nullptr);
      if (c.clip == 1) {
        IntersectClipRect(dc, 7 - c.org.x, 4 - c.org.y, 50 - c.org.x, 33 - c.org.y);
      } else if (c.clip == 2) {
        HRGN a = CreateRectRgn(0, 0, 30, 20), b = CreateRectRgn(25, 15, 55, 38);
        CombineRgn(a, a, b, RGN_OR);
        SelectClipRgn(dc, a);
        DeleteObject(a);
        DeleteObject(b);
      }
      HPEN pen = CreatePen(c.style, c.width, RGB(30, 90, 200));
      HGDIOBJ oldPen = SelectObject(dc, pen);
      SetROP2(dc, c.rop);
      if (batched) {
        EXPECT_TRUE(PolyPolyline(dc, pts.data(), counts.data(), DWORD(counts.size()))) << c.name;
      } else {
        const POINT* p = pts.data();
        for (DWORD n : counts) {
          Polyline(dc, p, int(n));
          p += n;
        }
      }
      SelectObject(dc, oldPen);
      DeleteObject(pen);
      SelectClipRgn(dc, nullptr);
      SetViewportOrgEx(dc, 0, 0, nullptr);
      drawn[batched] = Pixels(dc, w, h);
    }
    size_t set = 0;
    for (COLORREF px : drawn[0]) set += px != RGB(255, 255, 255);
    EXPECT_GT(set, 100u) << c.name;
    EXPECT_EQ(drawn[0], drawn[1]) << c.name;
  }

  RasterCanvas canvas(w, h);
  const DWORD bad[] = {2, 1, 2};
  EXPECT_FALSE(PolyPolyline(canvas.dc, pts.data(), bad, 3));
  EXPECT_FALSE(PolyPolyline(canvas.dc, pts.data(), counts.data(), 0));
  EXPECT_FALSE(PolyPolyline(canvas.dc, nullptr, counts.data(), 1));
  EXPECT_FALSE(PolyPolyline(nullptr, pts.data(), counts.data(), 1));
  EXPECT_EQ(canvas.Count(0, 0, w, h, RGB(255, 255, 255)), w * h);
}

// Level and upright lines that leave the surface or a clip rectangle set
// the pixels of the segment inside it, its end point excluded, in either
// direction, copying and xor-ing, on top-down and bottom-up rasters.
TEST_F(GdiRasterTest, LevelAndUprightLinesLeavingTheSurfaceKeepTheirPixels) {
  constexpr int w = 40, h = 30;
  struct Seg {
    POINT a, b;
  };
  const Seg segs[] = {
      {{5, 10}, {40, 10}},    {{39, 12}, {-3, 12}},   {{-100, 0}, {100, 0}},   {{20, -5}, {20, 30}},
      {{21, 29}, {21, -1}},   {{0, 29}, {41, 29}},    {{39, 100000}, {39, -100000}}, {{-1, 5}, {-1, 25}},
      {{10, 30}, {30, 30}},   {{3, 3}, {3, 3}},       {{8, 7}, {8, 60}},        {{60, 8}, {7, 8}},
  };
  for (int heightSign : {-1, 1}) {
    for (int rop : {R2_COPYPEN, R2_XORPEN}) {
      for (bool clipped : {false, true}) {
        const RECT area = clipped ? RECT{6, 4, 33, 26} : RECT{0, 0, w, h};
        for (const Seg& s : segs) {
          WhiteRaster raster(w, h, heightSign);
          ASSERT_NE(raster.bmp, nullptr);
          HDC dc = raster.dc;
          if (clipped) IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
          HPEN pen = CreatePen(PS_SOLID, 0, RGB(200, 60, 20));
          HGDIOBJ oldPen = SelectObject(dc, pen);
          SetROP2(dc, rop);
          const POINT pts[2] = {s.a, s.b};
          Polyline(dc, pts, 2);
          SelectClipRgn(dc, nullptr);
          const COLORREF ink = rop == R2_COPYPEN ? RGB(200, 60, 20) : RGB(255 ^ 200, 255 ^ 60, 255 ^ 20);
          const LONG dx = s.b.x > s.a.x ? 1 : s.b.x < s.a.x ? -1 : 0, dy = s.b.y > s.a.y ? 1 : s.b.y < s.a.y ? -1 : 0;
          for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
              // On the segment from a toward b, short of b.
              const bool along = dx ? (y == s.a.y && (x - s.a.x) * dx >= 0 && (s.b.x - x) * dx > 0)
                                    : (x == s.a.x && dy && (y - s.a.y) * dy >= 0 && (s.b.y - y) * dy > 0);
              const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
              ASSERT_EQ(GetPixel(dc, x, y), along && inside ? ink : RGB(255, 255, 255))
                  << x << "," << y << " of " << s.a.x << "," << s.a.y << " to " << s.b.x << "," << s.b.y << " rop "
                  << rop << " clipped " << clipped << " height " << heightSign;
            }
          }
          SelectObject(dc, oldPen);
          DeleteObject(pen);
        }
      }
    }
  }
}
