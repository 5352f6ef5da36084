// Result annotations held by the control are painted as tiled texts beside
// their peaks, and only on the plots they belong to.
#include <cstring>
#include <string>

#include "overlayctl/tests/control_fixture.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/result_annotations.h"
#include "testing/golden_window.h"
#include "win/win_gdi.h"

namespace {

using TileTextsTest = OPlotTest;

const COLORREF kTextColour = RGB(0, 150, 60);

// Pixels of a colour in a client rectangle of the window.
int CountColour(HWND w, int left, int top, int right, int bottom, COLORREF colour) {
  win::script::PumpUntilIdle();
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += win::script::WindowPixel(w, x, y) == colour;
  return n;
}

// A sectioned MS file shows annotations only inside a segment with scans.
void GiveOneSegment(STRUCT_WORK_FILE* wf) {
  wf->msInfo.segmentCount = 1;
  wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(sizeof(MS_SEGMENT_BLOCK)));
  MS_SEGMENT_BLOCK& b = wf->segmentBlocks[0];
  b.number = 1;
  b.startTime = wf->startTime;
  b.endTime = wf->endTime + 0.001;
  b.firstScan = 1;
  b.lastScan = 400;
  b.functionCount = 1;
}

void ShowAnnotations(CCtlOPlot* c) {
  STRUCT_MARKER_PARAMS& m = c->m_prefs.resultAnnotations.marker;
  m.transparent = 1;
  m.screenColor = kTextColour;
  m.fontSource = 1;
  m.angle = 0;
  c->m_prefs.resultAnnotations.show = 1;
}

TEST_F(TileTextsTest, AnnotationTextIsPaintedAboveItsPeak) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(2);
  for (int s = 0; s < 2; ++s) GiveOneSegment(o->slots[s].workFile);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);

  // Slot 1's apex at t = 6.0 carries the text; slot 0's apex at t = 5.0 none.
  double apexTime = 6.0, apexValue = 0;
  ASSERT_TRUE(OPLOT_GetInterpolatedValueFromTime(o, 1, apexTime, &apexTime, &apexValue));
  ShowAnnotations(c);
  c->m_dhAnnotations[1] = CurrentAnnotations(o->slots[1].workFile, {{apexTime, apexValue}}, "Benzene");
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  for (void* tile : c->m_pTileTexts) EXPECT_EQ(tile, nullptr);  // freed at the end of the paint

  long x = 0, y = 0;
  ASSERT_TRUE(c->GetXPixelFromTime(apexTime, 1, nullptr, &x, 0));
  ASSERT_TRUE(c->GetYPixelFromValue(1, apexValue, 0, 0, nullptr, &y, 1));
  const int cx = c->m_plotLeft + static_cast<int>(x), cy = c->m_plotTop + static_cast<int>(y);
  const int textW = 8 * c->m_charWidth, textH = 2 * c->m_charHeight;
  const int near = CountColour(w, cx - textW, cy - 2 * textH, cx + textW, cy + textH / 2, kTextColour);
  EXPECT_GT(near, 15) << "no annotation text near " << cx << "," << cy;

  // Slot 0's peak is bare.
  long x0 = 0, y0 = 0;
  double t0 = 5.0, v0 = 0;
  ASSERT_TRUE(OPLOT_GetInterpolatedValueFromTime(o, 0, t0, &t0, &v0));
  ASSERT_TRUE(c->GetXPixelFromTime(t0, 0, nullptr, &x0, 0));
  ASSERT_TRUE(c->GetYPixelFromValue(0, v0, 0, 0, nullptr, &y0, 1));
  const int bx = c->m_plotLeft + static_cast<int>(x0), by = c->m_plotTop + static_cast<int>(y0);
  EXPECT_EQ(CountColour(w, bx - textW, by - 2 * textH, bx + textW, by + textH / 2, kTextColour), 0);
  testing_support::ExpectWindowAsStored(w, OVERLAYCTL_GOLDEN_DIR, "control-annotations.png");

  // Switched off: the text goes.
  c->m_prefs.resultAnnotations.show = 0;
  InvalidateRect(w, nullptr, FALSE);
  EXPECT_EQ(CountColour(w, cx - textW, cy - 2 * textH, cx + textW, cy + textH / 2, kTextColour), 0);
  // The control frees the record on destruction (checked by the leak sanitizer).
}

// Text pixels in a band of the plot area round a time, over its full height.
int TextPixelsAround(HWND w, CCtlOPlot* c, double time) {
  long x = 0;
  if (!c->GetXPixelFromTime(time, 0, nullptr, &x, 0)) return -1;
  const int cx = c->m_plotLeft + static_cast<int>(x);
  return CountColour(w, cx - 4, c->m_plotTop, cx + 6 * c->m_charWidth, c->m_plotTop + c->m_plotHeight, kTextColour);
}

TEST_F(TileTextsTest, OutsideStackedDisplayOnlyTheActivePlotIsAnnotated) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(2);
  for (int s = 0; s < 2; ++s) GiveOneSegment(o->slots[s].workFile);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ShowAnnotations(c);
  for (int s = 0; s < 2; ++s) {
    double t = 5.0 + s, v = 0;
    ASSERT_TRUE(OPLOT_GetInterpolatedValueFromTime(o, s, t, &t, &v));
    c->m_dhAnnotations[s] = CurrentAnnotations(o->slots[s].workFile, {{t, v}}, s ? "Xylene" : "A");  // short: clear of the next peak
  }
  InvalidateRect(w, nullptr, FALSE);
  EXPECT_GT(TextPixelsAround(w, c, 5.0), 15);
  EXPECT_GT(TextPixelsAround(w, c, 6.0), 15);

  o->head.displayMode = 1;
  c->m_activePlot = 0;  // the control hands its active plot to the overlay when drawing
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  EXPECT_GT(TextPixelsAround(w, c, 5.0), 15);
  EXPECT_EQ(TextPixelsAround(w, c, 6.0), 0);
}

}  // namespace
