// The painted control: pixels of the plots, the background-only paints,
// the frame, the arrow buttons, and the pixel/data conversions on the
// geometry of the last paint.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "framework/framework_gdi.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_gdi.h"

namespace {

using PaintTest = OPlotTest;

// Paints pending updates and answers the control's pixel at a client point.
COLORREF Pixel(HWND w, int x, int y) {
  win::script::PumpUntilIdle();
  return win::script::WindowPixel(w, x, y);
}

// Whether the arrow buttons draw their half filled: (id 20, id 21).
std::pair<bool, bool> ArrowMarks(HWND w) {
  return {ButtonMarked(w, OPLOT_ID_SCROLL_DOWN), ButtonMarked(w, OPLOT_ID_SCROLL_UP)};
}

TEST_F(PaintTest, TracesAreDrawnWhereTheConversionsPutThem) {
  auto [w, c, o] = ShowPlots(3);
  ASSERT_TRUE(c->m_bSizesValid);
  EXPECT_EQ(c->m_pPaintDC, nullptr);
  EXPECT_EQ(c->m_pMemDC, nullptr);

  // The apex of slot 1's peak (t = 6.0): the trace's colour must be at or next to the converted pixel.
  const int slot = 1;
  double apexTime = 6.0, apexValue = 0;
  ASSERT_TRUE(OPLOT_GetInterpolatedValueFromTime(o, slot, apexTime, &apexTime, &apexValue));
  long x = 0, y = 0;
  ASSERT_TRUE(c->GetXPixelFromTime(apexTime, slot, nullptr, &x, 0));
  ASSERT_TRUE(c->GetYPixelFromValue(slot, apexValue, 0, 0, nullptr, &y, 1));
  const COLORREF colour = c->m_prefs.colors.colors[CHRO_COLOR_PLOT0 + slot];
  bool found = false;
  for (int dy = -3; dy <= 3 && !found; ++dy)
    for (int dx = -2; dx <= 2 && !found; ++dx)
      found = Pixel(w, c->m_plotLeft + x + dx, c->m_plotTop + y + dy) == colour;
  EXPECT_TRUE(found) << "no trace colour near " << x << "," << y << " value " << apexValue;

  // Well above a trace in the chromatogram: the background colour.
  long yHigh = 0;
  double low = 0, high = 0;
  ASSERT_TRUE(OPLOT_GetVerticalScaleValues(o, &c->m_Sizes, 0, 0, &low, &high));
  ASSERT_TRUE(c->GetYPixelFromValue(0, low + 0.8 * (high - low), 0, 0, nullptr, &yHigh, 0));
  long xLeft = 0;
  ASSERT_TRUE(c->GetXPixelFromTime(o->tail.viewStart + 0.1 * (o->tail.viewEnd - o->tail.viewStart), 0, nullptr,
                                   &xLeft, 0));
  const COLORREF background = c->m_prefs.colors.colors[CHRO_COLOR_BACKGROUND];
  EXPECT_EQ(Pixel(w, c->m_plotLeft + xLeft, c->m_plotTop + yHigh), background);

  // The sunken frame: dark outer edge left and top, white outer edge right.
  EXPECT_EQ(Pixel(w, c->m_plotLeft - 4, c->m_plotTop + 20), COLORREF(0x404040));
  EXPECT_EQ(Pixel(w, c->m_plotLeft - 2, c->m_plotTop + 20), COLORREF(0x808080));
  EXPECT_EQ(Pixel(w, c->m_plotLeft + c->m_plotWidth + 3, c->m_plotTop + 20), COLORREF(0xFFFFFF));
}

TEST_F(PaintTest, WithoutPlotsOnlyTheBackgroundIsPainted) {
  struct Case {
    const char* what;
    int slots;
    int cx, cy;
    bool noRepaint;
  } cases[] = {
      {"no overlay", 0, 600, 400, false},
      {"plot area under 9 pixels", 2, 600, 16, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    HWND w = MakeControl(7, k.cx, k.cy);
    CCtlOPlot* c = Control(w);
    if (k.slots) {
      SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(MakeOverlay(k.slots)));
      win::script::PumpUntilIdle();
    }
    c->m_bSizesValid = 1;
    InvalidateRect(w, nullptr, FALSE);
    const COLORREF bg = c->m_prefs.colors.colors[CHRO_COLOR_BACKGROUND];
    const COLORREF p = Pixel(w, k.cx - 2, k.cy - 2);
    if (!c->m_prefs.colors.fadeOn) {
      EXPECT_EQ(p, bg);
    }
    EXPECT_EQ(c->m_bSizesValid, 0);
    EXPECT_EQ(c->m_pPaintDC, nullptr);
    DestroyWindow(w);
  }
}

TEST_F(PaintTest, AFadedBackgroundWithoutPlotsKeepsItsFrame) {
  // The solid fill covers the frame's place too; the faded one draws the frame over it.
  for (int16_t fade : {int16_t(0), int16_t(1)}) {
    SCOPED_TRACE(fade);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    c->m_prefs.colors.fadeOn = fade;
    c->m_prefs.colors.colors[CHRO_COLOR_BACKGROUND] = RGB(250, 250, 200);
    InvalidateRect(w, nullptr, FALSE);
    const COLORREF edge = Pixel(w, c->m_plotLeft - 4, c->m_plotTop + 20);
    const COLORREF inner = Pixel(w, c->m_plotLeft - 2, c->m_plotTop + 20);
    if (fade) {
      EXPECT_EQ(edge, COLORREF(0x404040));
      EXPECT_EQ(inner, COLORREF(0x808080));
    } else {
      EXPECT_EQ(edge, RGB(250, 250, 200));
      EXPECT_EQ(inner, RGB(250, 250, 200));
    }
    EXPECT_EQ(c->m_bSizesValid, 0);
    DestroyWindow(w);
  }
}

TEST_F(PaintTest, NoRepaintValidatesWithoutDrawingAndForgetsTheGeometry) {
  auto [w, c, o] = ShowPlots(2);
  ASSERT_TRUE(c->m_bSizesValid);
  const COLORREF before = Pixel(w, 300, 100);
  c->m_noRepaint = 1;
  Repaint(w);
  EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
  EXPECT_EQ(c->m_bSizesValid, 0);
  EXPECT_EQ(Pixel(w, 300, 100), before);
  double t = 0;
  EXPECT_EQ(c->GetTimeFromXPixel(300, &t, 0), 0);
}

// Paints that must not draw: each validates the window and leaves the
// picture; only a print job keeps the screen geometry, which it does not touch.
TEST_F(PaintTest, PaintsThatMayNotDrawValidateAndKeepTheGeometryOnlyForAPrintJob) {
  // Plain variables, not bindings: lambdas below capture them.
  const Shown shown = ShowPlots(2);
  [[maybe_unused]] HWND w = shown.w;
  [[maybe_unused]] CCtlOPlot* c = shown.c;
  [[maybe_unused]] SVW_OVERLAY* o = shown.o;
  // The time scale's labels: they move with the view.
  auto labels = [&] {
    std::vector<COLORREF> row;
    const int y = c->m_plotTop + c->m_plotHeight - c->m_Sizes.timeScaleHeight / 2;
    for (int x = 0; x < c->m_plotWidth; ++x) row.push_back(win::script::WindowPixel(w, c->m_plotLeft + x, y));
    return row;
  };
  enum Block { kNone, kNoRepaint, kUpdating, kPrintJob, kNoScrollBar };
  const struct {
    Block block;
    int16_t sizesValid;
  } cases[] = {{kNone, 1}, {kNoRepaint, 0}, {kUpdating, 0}, {kPrintJob, 1}, {kNoScrollBar, 0}};
  for (const auto& k : cases) {
    Pixel(w, 0, 0);  // a good paint first
    ASSERT_TRUE(c->m_bSizesValid);
    const std::vector<COLORREF> before = labels();
    CScrollBar* scroll = c->m_pHScroll;
    switch (k.block) {
      case kNone: break;
      case kNoRepaint: c->m_noRepaint = 1; break;
      case kUpdating: c->m_overlayUpdating = 1; break;
      case kPrintJob: c->m_printJobOpen = 1; break;
      case kNoScrollBar: c->m_pHScroll = nullptr; break;
    }
    const double start = o->tail.viewStart;
    o->tail.viewStart = start + 0.7;
    Repaint(w);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE)) << k.block;
    EXPECT_EQ(c->m_bSizesValid, k.sizesValid) << k.block;
    // Drawn only when nothing blocks the paint.
    EXPECT_EQ(labels() != before, k.block == kNone) << k.block;
    EXPECT_EQ(c->m_pPaintDC, nullptr);
    c->m_noRepaint = c->m_overlayUpdating = c->m_printJobOpen = 0;
    c->m_pHScroll = scroll;
    o->tail.viewStart = start;
    InvalidateRect(w, nullptr, FALSE);
  }
  DestroyWindow(w);
}

TEST_F(PaintTest, ConversionsRoundTripWithinAPixel) {
  for (int16_t mode : {int16_t(OVERLAY_MODE_STACKED), int16_t(1)}) {
    SCOPED_TRACE(mode);
    auto [w, c, o] = ShowPlots(3, [mode](SVW_OVERLAY* ov) {
      ov->head.displayMode = mode;
      OPLOT_SetVerticalFullScale(ov, 1, 1);
    });
    ASSERT_TRUE(c->m_bSizesValid);
    const int slot = mode == OVERLAY_MODE_STACKED ? 2 : 0;
    double low = 0, high = 0;
    ASSERT_TRUE(OPLOT_GetVerticalScaleValues(o, &c->m_Sizes, slot, 0, &low, &high));
    const double pixelTime = (o->tail.viewEnd - o->tail.viewStart) / c->m_Sizes.plotWidth;
    for (double f : {0.0, 0.137, 0.5, 0.91}) {
      const double time = o->tail.viewStart + f * (o->tail.viewEnd - o->tail.viewStart);
      const double value = low + f * (high - low);
      long x = 0, y = 0;
      ASSERT_TRUE(c->GetXPixelFromTime(time, slot, nullptr, &x, 0));
      ASSERT_TRUE(c->GetYPixelFromValue(slot, value, 0, 0, nullptr, &y, 0));
      double back = 0, backValue = 0;
      short backSlot = -1;
      ASSERT_TRUE(c->GetTimeFromXPixel(static_cast<short>(c->m_plotLeft + x), &back, 0));
      EXPECT_NEAR(back, time, pixelTime * 1.001);
      if (f > 0) {  // the low value's pixel is the band's end, which belongs to the next band
        ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + y), &backSlot, &backValue, 1));
        EXPECT_EQ(backSlot, slot);
        const int h = mode == OVERLAY_MODE_STACKED ? c->m_Sizes.plotHeights[slot] : c->m_Sizes.overlaidPlotHeight;
        EXPECT_NEAR(backValue, value, (high - low) / h * 1.001);
      }
    }
    // Left of the chromatogram: only unclipped.
    double t = 0;
    const short left = static_cast<short>(c->m_plotLeft + c->m_Sizes.leftScaleWidth);
    EXPECT_EQ(c->GetTimeFromXPixel(static_cast<short>(left - 5), &t, 0), 0);
    ASSERT_EQ(c->GetTimeFromXPixel(static_cast<short>(left - 5), &t, 1), 1);
    const double viewStart = o->tail.viewStart;
    EXPECT_LT(t, viewStart);
    DestroyWindow(w);
  }
}

TEST_F(PaintTest, BandEdgesAndClipRectangles) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* ov) {
    ov->head.shown[1] = 0;  // a hidden slot has no band
    ov->head.shownCount = 2;
  });
  ASSERT_TRUE(c->m_bSizesValid);
  const auto& s = c->m_Sizes;
  double low = 0, high = 0;
  ASSERT_TRUE(OPLOT_GetVerticalScaleValues(o, &s, 2, 0, &low, &high));
  const int h0 = s.plotHeights[0], h2 = s.plotHeights[2];
  ASSERT_GT(h0, 0);
  ASSERT_GT(h2, 0);
  short slot = -1;
  double v = 0;
  // First pixel of slot 2's band (below slot 0's): slot 2 at its high value.
  ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + h0), &slot, &v, 1));
  EXPECT_EQ(slot, 2);
  EXPECT_DOUBLE_EQ(v, high);
  ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + h0 + h2 - 1), &slot, &v, 1));
  EXPECT_NEAR(v, low + (high - low) / h2, 1e-9 * (high - low));

  CRect r;
  ASSERT_TRUE(c->GetIntersectClipRect(&r, 2, nullptr, 0, c->m_plotHeight, 0));
  EXPECT_EQ(r.top, h0);
  EXPECT_EQ(r.bottom, h0 + h2);
  EXPECT_EQ(r.left, s.leftScaleWidth);
  EXPECT_EQ(r.right, s.leftScaleWidth + s.plotWidth - 1);
  EXPECT_EQ(c->GetIntersectClipRect(&r, 1, nullptr, 0, c->m_plotHeight, 0), 0);
}

TEST_F(PaintTest, ArrowButtonsMarkWhenTheViewDoesNotReachTheDataEnds) {
  auto [w, c, o] = ShowPlots(2);
  struct Case {
    double start, end;
    bool down, up;  // ids 20 and 21 marked
  } cases[] = {
      {0.25, 0.5, true, true},
      {0.0, 0.5, true, false},
      {0.5, 1.0, false, true},
  };
  const double hs = o->tail.homeStart, span = o->tail.homeEnd - o->tail.homeStart;
  for (const Case& k : cases) {
    o->tail.viewStart = k.start == 0.0 ? o->tail.homeStart : hs + k.start * span;
    o->tail.viewEnd = k.end == 1.0 ? o->tail.homeEnd : hs + k.end * span;
    for (int id : {OPLOT_ID_SCROLL_DOWN, OPLOT_ID_SCROLL_UP}) {
      // The filled half: left for id 20, right for id 21; the other stays grey.
      const auto [left, right] = ArrowHalves(w, id);
      const bool black = (id == OPLOT_ID_SCROLL_DOWN ? left : right) == 0;
      EXPECT_EQ(black, id == OPLOT_ID_SCROLL_DOWN ? k.down : k.up) << "id " << id << " case " << k.start;
      EXPECT_EQ(id == OPLOT_ID_SCROLL_DOWN ? right : left, COLORREF(0xC0C0C0));
    }
  }
  (void)c;
}

// In segment mode the segment's window stands for the data ends; the window
// alone counts for the start button only.
TEST_F(PaintTest, ArrowButtonsInSegmentModeMeasureAgainstTheSegmentWindow) {
  auto [w, c, o] = ShowPlots(2);
  const double hs = o->tail.homeStart, he = o->tail.homeEnd, span = he - hs;
  const double a = hs + 0.2 * span, b = hs + 0.6 * span;
  const struct {
    int16_t requested, navigator, window;
    double start, end;
    bool down, up;
  } cases[] = {
      {1, 1, 0, a, b, false, false},   // the view is the segment's window
      {1, 1, 0, hs, he, true, true},   // the data ends are not the window's
      {1, 1, 1, a, he, true, false},
      {0, 0, 1, a, he, false, false},  // the window alone: the end button keeps the data end
      {0, 0, 1, a, b, true, false},
      {1, 0, 0, a, b, true, true},     // segment mode asked for but not on: the data ends
      {0, 1, 0, hs, he, false, false},
  };
  for (const auto& k : cases) {
    c->m_segModeRequested = k.requested;
    c->m_navEnabled = k.navigator;
    c->m_ownFullRange = k.window;
    c->m_ownFullStart = a;
    c->m_ownFullEnd = b;
    o->tail.viewStart = k.start;
    o->tail.viewEnd = k.end;
    const auto marks = ArrowMarks(w);
    EXPECT_EQ(marks.first, k.down) << k.requested << k.navigator << k.window << " " << k.start << ".." << k.end;
    EXPECT_EQ(marks.second, k.up) << k.requested << k.navigator << k.window << " " << k.start << ".." << k.end;
  }
  c->m_segModeRequested = c->m_navEnabled = c->m_ownFullRange = 0;
  // Without an overlay nothing is marked.
  SVW_OVERLAY* kept = c->m_pOverlay;
  c->m_pOverlay = nullptr;
  EXPECT_EQ(ArrowMarks(w), std::make_pair(false, false));
  c->m_pOverlay = kept;
}

// The sunken frame's eight bands in their drawing order (a later band wins
// at the corners), with and without the segment bar below the plots.
TEST_F(PaintTest, OutlineBandsAndCornersFollowTheirOrder) {
  HWND w = MakeControl(7, 500, 360);
  CCtlOPlot* c = Control(w);
  win::script::PumpUntilIdle();
  for (int16_t segments : {0, 1}) {
    c->m_segmentsShown = segments;
    const int x0 = c->m_plotLeft, y0 = c->m_plotTop;
    const int W = c->m_plotWidth + 8, H = c->m_plotHeight + 8 + (segments ? c->m_segmentBarHeight : 0);
    HDC h = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(w);
    HBITMAP bmp = CreateCompatibleBitmap(screen, x0 + W + 10, y0 + H + 10);
    ReleaseDC(w, screen);
    HGDIOBJ old = SelectObject(h, bmp);
    CDC dc;
    dc.Attach(h);
    c->DrawOutline(&dc);
    SetViewportOrgEx(h, 0, 0, nullptr);
    SetMapMode(h, MM_TEXT);
    const COLORREF dark = 0x404040, grey = 0x808080, silver = 0xC0C0C0, white = 0xFFFFFF;
    const struct {
      int x, y;  // frame coordinates: (0, 0) is 4 pixels left of and above the plot area
      COLORREF colour;
    } points[] = {
        {0, H / 2, dark},      {1, H / 2, dark},       {W / 2, 0, dark},       {W / 2, 1, dark},
        {2, H / 2, grey},      {3, H / 2, grey},       {W / 2, 2, grey},       {W / 2, 3, grey},
        {W - 1, H / 2, white}, {W - 2, H / 2, white},  {W / 2, H - 1, white},  {W / 2, H - 2, white},
        {W - 3, H / 2, silver}, {W - 4, H / 2, silver}, {W / 2, H - 3, silver}, {W / 2, H - 4, silver},
        {0, 0, dark},          {W - 1, 0, white},      {0, H - 1, white},      {W - 1, H - 1, white},
        {2, H - 4, silver},    {W - 4, 2, silver},     {2, 2, grey},
    };
    for (const auto& p : points)
      EXPECT_EQ(GetPixel(h, x0 - 4 + p.x, y0 - 4 + p.y), p.colour)
          << "segments " << segments << " at " << p.x << "," << p.y;
    // Nothing inside the frame is touched.
    EXPECT_EQ(GetPixel(h, x0 + 4, y0 + 4), GetPixel(h, x0 + W / 2, y0 + H / 2));
    dc.Detach();
    SelectObject(h, old);
    DeleteObject(bmp);
    DeleteDC(h);
  }
  c->m_segmentsShown = 0;
  DestroyWindow(w);
}

TEST(InterpolateLines, BisectsForTheCrossing) {
  double a = 0, b = 0;
  // A rises 0 -> 10, B falls 10 -> 0 over [0, 4]: they cross at x = 2, value 5.
  double x = KELT_InterpolateLines(1, 0, 0, 4, 10, 10, 0, &a, &b);
  EXPECT_NEAR(x, 2.0, 1e-4);
  EXPECT_NEAR(a, 5.0, 1e-3);
  EXPECT_NEAR(b, 5.0, 1e-3);
  // The same lines swapped: A falls through B.
  x = KELT_InterpolateLines(0, 0, 10, 4, 0, 0, 10, &a, &b);
  EXPECT_NEAR(x, 2.0, 1e-4);
  EXPECT_NEAR(a, 5.0, 1e-3);
  EXPECT_NEAR(b, 5.0, 1e-3);
  // Too narrow an interval: the start unchanged.
  EXPECT_EQ(KELT_InterpolateLines(0, 1.0, 3, 1.00001, 4, 7, 8, &a, &b), 1.0);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 7);
}

// The halving stops at the 20th step or once half the interval is below 1e-05.
TEST(InterpolateLines, ParallelLinesAndDegenerateIntervals) {
  const double step16 = std::ldexp(1.0, -16);  // the first half below 1e-05 is 2^-17
  const double nan = std::nan("");
  const struct {
    short direction;
    double x0, a0, x1, a1, b0, b1;
    double x, a, b;
  } cases[] = {
      {0, 0, 0, 1, 1, 5, 6, step16, step16, 5 + step16},            // A below B: towards the start
      {0, 0, 9, 1, 10, 5, 6, 1 - step16, 10 - step16, 6 - step16},  // A above B: towards the end
      {1, 0, 9, 1, 10, 5, 6, step16, 9 + step16, 5 + step16},
      {7, 0, 0, 1, 1, 5, 6, 1 - step16, 1 - step16, 6 - step16},    // any direction but 0 is 1
      {0, 4, 1, 2, 3, 5, 6, 4, 1, 5},                               // reversed interval: the start
      {0, 4, 1, nan, 3, 5, 6, 4, 1, 5},
      {1, 4, 1, 4, 3, 5, 6, 4, 1, 5},                               // empty interval
  };
  for (const auto& k : cases) {
    double a = -1, b = -1;
    EXPECT_DOUBLE_EQ(KELT_InterpolateLines(k.direction, k.x0, k.a0, k.x1, k.a1, k.b0, k.b1, &a, &b), k.x)
        << k.direction << " " << k.x0 << ".." << k.x1;
    EXPECT_DOUBLE_EQ(a, k.a);
    EXPECT_DOUBLE_EQ(b, k.b);
  }
  // A wide interval is cut at most 20 times; the outputs may be left out.
  const double x = KELT_InterpolateLines(1, 0, 0, 100, 100, 37.3, 37.3, nullptr, nullptr);
  EXPECT_NEAR(x, 37.3, 100 * std::ldexp(1.0, -20));
}

}  // namespace

namespace {

STRUCT_OPLOT_TEXT_FLAG Flag(int16_t slot, int16_t placement, COLORREF colour, double time, const char* text) {
  STRUCT_OPLOT_TEXT_FLAG f{};
  f.slot = slot;
  f.placement = placement;
  f.color = colour;
  f.time = time;
  std::snprintf(f.text, sizeof f.text, "%s", text);
  return f;
}

TEST_F(PaintTest, TextFlagsAreDrawnInsideTheDisplayedRangeAndAtMostTwentyHeld) {
  auto [w, c, o] = ShowPlots(2, 700, 500);
  ASSERT_TRUE(c->m_bSizesValid);
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const COLORREF magenta = RGB(255, 0, 255), cyan = RGB(0, 200, 200);
  // At the very start of the range (drawn), and outside it (not drawn).
  STRUCT_OPLOT_TEXT_FLAG atStart = Flag(0, 0, magenta, t0, "Inject");
  STRUCT_OPLOT_TEXT_FLAG after = Flag(1, 2, cyan, t1 + 0.5, "Late");
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&atStart));
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&after));
  Repaint(w);
  int32_t left = 0, bottom = 0, right = 0, top = 0;
  ASSERT_TRUE(OPLOT_GetChromatogramArea(o, &c->m_Sizes, 0, &left, &bottom, &right, &top));
  // The line runs from the plot's bottom up to its middle at x = left.
  EXPECT_EQ(Pixel(w, c->m_plotLeft + left, c->m_plotTop + bottom - 3), magenta);
  EXPECT_NE(Pixel(w, c->m_plotLeft + left, c->m_plotTop + top + 3), magenta);
  // Placement 0 at the left edge: the text is pushed inside the plot, so some magenta lies right of the line.
  const int midY = bottom - (bottom + 1 - top) / 2;
  int textPixels = 0;
  for (int y = midY - c->m_Sizes.params.charHeight; y < midY; ++y)
    for (int x = left + 1; x < left + 80; ++x) {
      // Smoothed glyph edges: anything clearly magenta.
      const COLORREF p = Pixel(w, c->m_plotLeft + x, c->m_plotTop + y);
      textPixels += GetRValue(p) > GetGValue(p) + 60 && GetBValue(p) > GetGValue(p) + 60;
    }
  EXPECT_GT(textPixels, 20);
  for (int x = 0; x < c->m_plotWidth; ++x) ASSERT_NE(Pixel(w, c->m_plotLeft + x, c->m_plotTop + bottom - 3), cyan);

  for (int i = 0; i < 25; ++i) SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&after));
  EXPECT_EQ(c->m_nTextFlags, 20);
  SendMessageA(w, OPM_CLEARALLTEXTFLAGS, 0, 0);
  EXPECT_EQ(c->m_nTextFlags, 0);
}

// Columns of the text row above a flag's middle that its drawing changed:
// the row is read before and after the flag is added.
struct TextSpan {
  int first = -1, last = -1;  // plot-area x, -1 when nothing changed
  int lineX = 0, left = 0, right = 0;
};

TextSpan PaintFlag(HWND w, CCtlOPlot* c, SVW_OVERLAY* o, const STRUCT_OPLOT_TEXT_FLAG& flag) {
  SendMessageA(w, OPM_CLEARALLTEXTFLAGS, 0, 0);
  // A flag of another plot keeps the drawing going when the tested one lies outside the range.
  STRUCT_OPLOT_TEXT_FLAG other = Flag(1, 2, RGB(0, 160, 0), (o->tail.viewStart + o->tail.viewEnd) / 2, "x");
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&other));
  Repaint(w);
  TextSpan span;
  int32_t bottom = 0, top = 0;
  EXPECT_TRUE(OPLOT_GetChromatogramArea(o, &c->m_Sizes, 0, &span.left, &bottom, &span.right, &top));
  const int midY = bottom - (bottom + 1 - top) / 2;
  const int rows = 2 * c->m_Sizes.params.charHeight;
  std::vector<COLORREF> before;
  for (int y = midY - rows; y < midY; ++y)
    for (int x = 0; x < c->m_plotWidth; ++x) before.push_back(Pixel(w, c->m_plotLeft + x, c->m_plotTop + y));
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&flag));
  Repaint(w);
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const double column = (flag.time - t0) * (c->m_Sizes.plotWidth / (t1 - t0));
  span.lineX = std::isfinite(column) && std::fabs(column) < 1e9 ? span.left + static_cast<int>(column) : -1;
  size_t k = 0;
  for (int y = midY - rows; y < midY; ++y)
    for (int x = 0; x < c->m_plotWidth; ++x, ++k) {
      if (x == span.lineX || Pixel(w, c->m_plotLeft + x, c->m_plotTop + y) == before[k]) continue;
      if (span.first < 0 || x < span.first) span.first = x;
      span.last = std::max(span.last, x);
    }
  return span;
}

// Where a flag's text goes for each placement, at the middle and at the ends of the range.
TEST_F(PaintTest, TextFlagTextIsPlacedByItsPlacementAndKeptInsideThePlot) {
  auto [w, c, o] = ShowPlots(2, 700, 500);
  ASSERT_TRUE(c->m_bSizesValid);
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  enum Where { kLeftOfLine, kRightOfLine, kAcross, kNone };
  const struct {
    double at;  // fraction of the range
    int16_t placement;
    Where where;
  } cases[] = {
      {0.5, 0, kLeftOfLine}, {0.5, 2, kRightOfLine}, {0.5, 1, kAcross}, {0.5, 3, kNone}, {0.5, -1, kNone},
      {1.0, 2, kLeftOfLine},  // pushed back inside at the right edge
      {1.0, 1, kLeftOfLine}, {0.0, 1, kRightOfLine}, {0.0, 0, kRightOfLine},
  };
  for (const auto& k : cases) {
    const TextSpan s = PaintFlag(w, c, o, Flag(0, k.placement, RGB(200, 0, 120), t0 + k.at * (t1 - t0), "Marker"));
    SCOPED_TRACE(testing::Message() << "at " << k.at << " placement " << k.placement);
    if (k.where == kNone) {
      EXPECT_EQ(s.first, -1);
      continue;
    }
    ASSERT_GE(s.first, 0);
    EXPECT_GE(s.first, s.left);
    EXPECT_LE(s.last, s.right);
    if (k.where == kLeftOfLine) {
      EXPECT_LT(s.last, s.lineX);
    }
    if (k.where == kRightOfLine) {
      EXPECT_GT(s.first, s.lineX);
    }
    if (k.where == kAcross) {
      EXPECT_LT(s.first, s.lineX);
      EXPECT_GT(s.last, s.lineX);
    }
  }
}

// Flags the host fills badly draw nothing of theirs and harm nothing else.
TEST_F(PaintTest, TextFlagsWithDamagedFieldsDrawNothing) {
  auto [w, c, o] = ShowPlots(2, 700, 500);
  const double mid = (o->tail.viewStart + o->tail.viewEnd) / 2;
  const STRUCT_OPLOT_TEXT_FLAG cases[] = {
      Flag(0, 0, RGB(200, 0, 120), std::nan(""), "NaN"),
      Flag(0, 2, RGB(200, 0, 120), -INFINITY, "Early"),
      Flag(0, 0, RGB(200, 0, 120), INFINITY, "Late"),
      Flag(20, 2, RGB(200, 0, 120), mid, "Slot 20"),
      Flag(-1, 2, RGB(200, 0, 120), mid, "Slot -1"),
      Flag(5, 2, RGB(200, 0, 120), mid, "Absent"),
  };
  for (const auto& flag : cases) {
    const TextSpan s = PaintFlag(w, c, o, flag);
    EXPECT_EQ(s.first, -1) << flag.text;
  }
  // A text that fills its 25 bytes with no terminator, from a record no longer than 43 bytes.
  std::vector<char> raw(sizeof(STRUCT_OPLOT_TEXT_FLAG));
  STRUCT_OPLOT_TEXT_FLAG full = Flag(0, 2, RGB(200, 0, 120), mid, "");
  std::memset(full.text, 'W', sizeof full.text);
  std::memcpy(raw.data(), &full, raw.size());
  SendMessageA(w, OPM_CLEARALLTEXTFLAGS, 0, 0);
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(raw.data()));
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, 0);  // no record: nothing held
  EXPECT_EQ(c->m_nTextFlags, 1);
  Repaint(w);
  EXPECT_TRUE(c->m_bSizesValid);
}

// On plots lower than four character heights flags are left out.
TEST_F(PaintTest, TextFlagsSkipPlotsTooLowForThem) {
  auto [w, c, o] = ShowPlots(12, 700, 300);
  ASSERT_TRUE(c->m_bSizesValid);
  int32_t left = 0, bottom = 0, right = 0, top = 0;
  ASSERT_TRUE(OPLOT_GetChromatogramArea(o, &c->m_Sizes, 0, &left, &bottom, &right, &top));
  ASSERT_LT(bottom + 1 - top, 4 * c->m_Sizes.params.charHeight);
  const double mid = (o->tail.viewStart + o->tail.viewEnd) / 2;
  const COLORREF colour = RGB(200, 0, 120);
  STRUCT_OPLOT_TEXT_FLAG flag = Flag(0, 2, colour, mid, "Low");
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&flag));
  Repaint(w);
  const int x = left + static_cast<int>((mid - o->tail.viewStart) * c->m_Sizes.plotWidth /
                                        (o->tail.viewEnd - o->tail.viewStart));
  for (int y = top; y <= bottom; ++y) ASSERT_NE(Pixel(w, c->m_plotLeft + x, c->m_plotTop + y), colour) << y;
}

TEST_F(PaintTest, AFontOfAnotherHeightLaysTheControlOutOnceMore) {
  auto [w, c, o] = ShowPlots(2);
  const int16_t before = c->m_charHeight;
  ASSERT_GT(before, 0);
  const int16_t topBefore = c->m_plotTop;
  c->m_prefs.ctrlFont.lfHeight = -2 * before;
  Repaint(w);
  EXPECT_GT(c->m_charHeight, before);
  EXPECT_EQ(c->m_nLastCharHeight, c->m_charHeight);
  EXPECT_TRUE(c->m_bSizesValid);
  EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));  // the second paint found equal heights and stopped
  (void)topBefore;
}

}  // namespace
