// The paint and the plot drawing fed what a careless host or a damaged
// overlay hands them: tiny windows, a bitmap that cannot be had, overlays
// whose flags and ranges disagree, owner-draw requests without a DC.
// Nothing may crash or leak, and every paint must end closed.
#include <cmath>
#include <functional>
#include <limits>

#include "overlayctl/tests/control_fixture.h"

namespace {

using DrawingDamageTest = OPlotTest;

// A paint leaves no DC, bitmap or tiled-text holder behind.
void ExpectPaintClosed(CCtlOPlot* c) {
  EXPECT_EQ(c->m_pPaintDC, nullptr);
  EXPECT_EQ(c->m_pMemDC, nullptr);
  EXPECT_EQ(c->m_pMemBitmap, nullptr);
  EXPECT_EQ(c->m_pOldMemBitmap, nullptr);
  for (void* holder : c->m_pTileTexts) EXPECT_EQ(holder, nullptr);
}

TEST_F(DrawingDamageTest, TinyWindowsPaintOnlyWhenThePlotAreaHasRoom) {
  const struct {
    int cx, cy;
  } sizes[] = {{1, 1}, {8, 8}, {20, 20}, {40, 30}, {70, 50}, {120, 25}, {25, 200}, {200, 70}, {300, 120}};
  SVW_OVERLAY* o = MakeOverlay(3);
  for (const auto& k : sizes) {
    SCOPED_TRACE(testing::Message() << k.cx << " x " << k.cy);
    HWND w = MakeControl(7, k.cx, k.cy);
    ASSERT_NE(w, nullptr);
    CCtlOPlot* c = Control(w);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    c->SetClickMarker((o->tail.viewStart + o->tail.viewEnd) / 2, 1);
    Repaint(w);
    ExpectPaintClosed(c);
    if (c->m_plotWidth < 9 || c->m_plotHeight < 9) {
      EXPECT_FALSE(c->m_bSizesValid);
    }
    // Conversions on whatever geometry there is answer without harm.
    long x = 0, y = 0;
    c->GetXPixelFromTime(o->tail.viewStart, 0, nullptr, &x, 0);
    c->GetYPixelFromValue(0, 1e4, 0, 0, nullptr, &y, 1);
    DestroyWindow(w);
  }
}

// A client too large for an off-screen bitmap: the paint closes itself and
// the next paint at a sensible size draws again.
TEST_F(DrawingDamageTest, ABitmapThatCannotBeMadeClosesThePaint) {
  HWND w = MakeControl(7, 20000, 20000);
  ASSERT_NE(w, nullptr);
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(3);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  Repaint(w);
  ASSERT_GE(c->m_plotWidth, 9);
  EXPECT_FALSE(c->m_bSizesValid);
  ExpectPaintClosed(c);
  MoveWindow(w, 0, 0, 600, 400, TRUE);
  Repaint(w);
  EXPECT_TRUE(c->m_bSizesValid);
  ExpectPaintClosed(c);
  DestroyWindow(w);
}

TEST_F(DrawingDamageTest, APaintOpenedTwiceDrawsOnceAndEndPaintAloneIsHarmless) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(MakeOverlay(2)));
  win::script::PumpUntilIdle();
  // Without a paint open every step finds its pointer null.
  c->EndPaintOP();
  ExpectPaintClosed(c);
  InvalidateRect(w, nullptr, FALSE);
  ASSERT_EQ(c->StartPaintOP(), 1);
  CPaintDC* open = c->m_pPaintDC;
  ASSERT_NE(open, nullptr);
  // A second paint while one is open draws nothing and leaves the first alone.
  EXPECT_EQ(c->StartPaintOP(), 0);
  EXPECT_EQ(c->m_pPaintDC, open);
  c->EndPaintOP();
  ExpectPaintClosed(c);
  EXPECT_TRUE(c->m_bSizesValid);
  DestroyWindow(w);
}

// The host owns the overlay and may leave it in any state between its
// messages; each damage is put in after a good paint and taken out again.
TEST_F(DrawingDamageTest, OverlaysWithInconsistentFieldsPaintWithoutHarm) {
  HWND w = MakeControl(7, 640, 420);
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(3);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const double mid = (o->tail.viewStart + o->tail.viewEnd) / 2;
  // Marks drawn on top of the plots, so that each damage reaches them too.
  STRUCT_OPLOT_TEXT_FLAG flag{};
  flag.slot = 1;
  flag.time = mid;
  std::snprintf(flag.text, sizeof flag.text, "Flag");
  SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&flag));
  c->m_highlightOn = 1;
  c->m_highlight = {1, mid, 2e4};

  const SVW_OVERLAY good = *o;
  auto restore = [o, &good] {
    // Pointers stay as the overlay made them; the fields are put back as they were.
    *o = good;
  };
  const struct {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"shown count without shown plots", [o] { o->head.shownCount = 5; for (auto& s : o->head.shown) s = 0; }},
      {"flags of an empty slot", [o] { o->head.shown[7] = o->tail.inView[7] = o->tail.attached[7] = 1; }},
      {"present slot without a trace", [o] { o->slots[1].trace = nullptr; }},
      {"present slot without a work file", [o] { o->slots[1].workFile = nullptr; }},
      {"display mode 9", [o] { o->head.displayMode = 9; }},
      {"display mode -3", [o] { o->head.displayMode = -3; }},
      {"active plot out of range", [o] { o->head.activePlot = 55; }},
      {"empty time range", [o] { o->tail.viewEnd = o->tail.viewStart; }},
      {"reversed time range", [o] {
         const double start = o->tail.viewStart;  // packed fields: no references
         o->tail.viewStart = o->tail.viewEnd;
         o->tail.viewEnd = start;
       }},
      {"time range not a number", [o, nan] { o->tail.viewStart = nan; }},
      {"infinite time range", [o, inf] { o->tail.viewStart = -inf; o->tail.viewEnd = inf; }},
      {"flat vertical scales", [o] {
         for (int i = 0; i < 3; ++i) o->tail.scales.plotLow[i] = o->tail.scales.plotHigh[i] = 5;
         o->tail.scales.commonLow = o->tail.scales.commonHigh = 5;
       }},
      {"overlaid with scales not a number", [o, nan] {
         o->head.displayMode = OVERLAY_MODE_OVERLAID;
         o->tail.scales.commonLow = nan;
       }},
      {"reversed vertical scales", [o] {
         for (int i = 0; i < 3; ++i) {
           const double low = o->tail.scales.plotLow[i];
           o->tail.scales.plotLow[i] = o->tail.scales.plotHigh[i];
           o->tail.scales.plotHigh[i] = low;
         }
       }},
      {"time offsets not numbers", [o, nan] {
         o->tail.timeOffsetsOn = 1;
         o->tail.timeOffsets[1] = nan;
         o->tail.verticalOffsetsOn = 1;
         o->tail.verticalOffsets[1] = nan;
       }},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    k.damage();
    c->SetClickMarker(mid, 1);
    Repaint(w);
    ExpectPaintClosed(c);
    restore();
    Repaint(w);
    EXPECT_TRUE(c->m_bSizesValid);
  }
  DestroyWindow(w);
}

// Owner-draw requests for the arrow buttons with missing or odd pieces.
TEST_F(DrawingDamageTest, ArrowButtonRequestsWithoutADCOrRoomDrawNothing) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(MakeOverlay(2)));
  win::script::PumpUntilIdle();
  (void)c;
  SendMessageA(w, WM_DRAWITEM, OPLOT_ID_SCROLL_DOWN, 0);
  SendMessageA(w, WM_MEASUREITEM, OPLOT_ID_SCROLL_UP, 0);
  DRAWITEMSTRUCT noDc{};
  noDc.CtlID = OPLOT_ID_SCROLL_DOWN;
  noDc.rcItem = {0, 0, 16, 16};
  SendMessageA(w, WM_DRAWITEM, OPLOT_ID_SCROLL_DOWN, reinterpret_cast<LPARAM>(&noDc));

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 32, 32);
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT rects[] = {{0, 0, 0, 0}, {0, 0, 1, 1}, {0, 0, 3, 2}, {0, 0, -5, -5}, {0, 0, 32, 32}};
  for (int id : {OPLOT_ID_SCROLL_DOWN, OPLOT_ID_SCROLL_UP})
    for (const RECT& r : rects) {
      DRAWITEMSTRUCT item{};
      item.CtlType = ODT_BUTTON;
      item.CtlID = static_cast<UINT>(id);
      item.hDC = dc;
      item.rcItem = r;
      SendMessageA(w, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
    }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);

  // Other ids are left alone.
  MEASUREITEMSTRUCT other{};
  other.CtlID = 22;
  other.itemWidth = 77;
  SendMessageA(w, WM_MEASUREITEM, 22, reinterpret_cast<LPARAM>(&other));
  EXPECT_EQ(other.itemWidth, 77u);
  EXPECT_EQ(other.CtlType, 0u);
  DestroyWindow(w);
}

}  // namespace
