// Label areas of the drawing per display mode.
#include "overlayctl/tests/control_fixture.h"

namespace {

using LabelAreasTest = OPlotTest;

const STRUCT_OPLOT_LABEL_AREA* Find(const CCtlOPlot* c, int id) {
  for (int i = 0; i < c->m_labelAreaCount; ++i)
    if (c->m_labelAreas[i].id == id) return &c->m_labelAreas[i];
  return nullptr;
}

TEST_F(LabelAreasTest, StackedPlotsGetAScaleAndAChromatogramAreaEach) {
  auto [w, c, o] = ShowPlots(3, nullptr, false);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  STRUCT_OVER_SIZES s = c->m_Sizes;
  const short l = c->m_plotLeft, t = c->m_plotTop;
  const short r = static_cast<short>(l + c->m_plotWidth), b = static_cast<short>(t + c->m_plotHeight);
  c->InitLabelAreas(0, l, b, r, t, &s);
  ASSERT_NE(Find(c, OPLOT_AREA_DRAWING), nullptr);
  EXPECT_EQ(Find(c, OPLOT_AREA_DRAWING)->hasData, 0);
  const STRUCT_OPLOT_LABEL_AREA* strip = Find(c, OPLOT_AREA_TIME_STRIP);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->y + strip->height, b);
  int y = t;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const STRUCT_OPLOT_LABEL_AREA* chro = Find(c, OPLOT_AREA_CHROMATOGRAM + i);
    const STRUCT_OPLOT_LABEL_AREA* scale = Find(c, OPLOT_AREA_LEFT_SCALE + i);
    ASSERT_NE(chro, nullptr);
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(chro->y, y);
    EXPECT_EQ(chro->height, s.plotHeights[i]);
    EXPECT_EQ(chro->x, l + s.leftScaleWidth);
    const double low = o->tail.scales.plotLow[i], high = o->tail.scales.plotHigh[i];
    EXPECT_EQ(chro->low, low);
    EXPECT_EQ(chro->high, high);
    y += s.plotHeights[i];
  }
  EXPECT_EQ(Find(c, OPLOT_AREA_UNSHIFTED), nullptr);  // no offsets in use
  EXPECT_EQ(Find(c, OPLOT_AREA_CHROMATOGRAM + 3), nullptr);
}

TEST_F(LabelAreasTest, DualScaleAddsTheRightChromatogramEvenWithoutARightScale) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(3);
  std::strcpy(o->slots[1].units, "mV");
  o->head.displayMode = OVERLAY_MODE_TWO_SCALES;
  o->tail.scales.leftAxisPlot = 0;
  o->tail.scales.rightAxisPlot = 1;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  STRUCT_OVER_SIZES s = c->m_Sizes;
  s.rightScaleWidth = 0;
  c->InitLabelAreas(0, 0, c->m_plotHeight, c->m_plotWidth, 0, &s);
  EXPECT_EQ(Find(c, OPLOT_AREA_RIGHT_SCALE), nullptr);
  ASSERT_NE(Find(c, OPLOT_AREA_RIGHT_CHROMATOGRAM), nullptr);
  ASSERT_NE(Find(c, OPLOT_AREA_CHROMATOGRAM), nullptr);
  EXPECT_EQ(c->m_rightHand[1], 1);
  EXPECT_EQ(c->m_rightHand[2], 0);  // "Counts", like the left slot
  s.rightScaleWidth = 40;
  c->InitLabelAreas(0, 0, c->m_plotHeight, c->m_plotWidth, 0, &s);
  ASSERT_NE(Find(c, OPLOT_AREA_RIGHT_SCALE), nullptr);
  EXPECT_EQ(Find(c, OPLOT_AREA_RIGHT_SCALE)->x, s.leftScaleWidth + s.plotWidth);

  // The label manager holds the same areas, the mode flags and the right-hand slots.
  const STRUCT_AREA_TABLE* t = c->m_pLabels->AreaTable();
  ASSERT_EQ(+t->areaCount, +c->m_labelAreaCount);
  for (int i = 0; i < t->areaCount; ++i) {
    const STRUCT_OPLOT_LABEL_AREA& a = c->m_labelAreas[i];
    const STRUCT_LABEL_AREA& m = t->areas[i];
    EXPECT_EQ(+m.id, +a.id);
    EXPECT_EQ(+m.left, +a.x);
    EXPECT_EQ(+m.top, +a.y);
    EXPECT_EQ(+m.width, +a.width);
    EXPECT_EQ(+m.height, +a.height);
    EXPECT_EQ(+m.lowTime, +a.t0);
    EXPECT_EQ(+m.highTime, +a.t1);
    EXPECT_EQ(+m.lowValue, +a.low);
    EXPECT_EQ(+m.highValue, +a.high);
  }
  EXPECT_EQ(+t->sharedAreas, 1);
  EXPECT_EQ(+t->singleStrip, 0);
  EXPECT_EQ(+t->orientation[1], 1);
  EXPECT_EQ(+t->orientation[2], 0);
}

TEST_F(LabelAreasTest, WithoutLabelsNoAreaIsSetUp) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(MakeOverlay(2)));
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_labelAreaCount, 0);
  AddTestLabel(c, LABEL_TYPE_AREA, 0);
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  EXPECT_GT(c->m_labelAreaCount, 3);
}

}  // namespace

namespace {

// Normalised plots get an area each in their own units; moved plots get
// an unshifted area: shifted in data units when stacked, in pixels when overlaid.
TEST_F(LabelAreasTest, NormalisedAndMovedPlotAreas) {
  struct Case {
    int16_t mode;
    bool offsets;
  } cases[] = {{OVERLAY_MODE_NORMALISED, false}, {OVERLAY_MODE_STACKED, true}, {OVERLAY_MODE_OVERLAID, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MakeOverlay(2);
    o->head.displayMode = k.mode;
    if (k.offsets) {
      o->tail.timeOffsetsOn = o->tail.verticalOffsetsOn = 1;
      o->tail.timeOffsets[1] = 0.37;
      o->tail.verticalOffsets[1] = 1234.5;
    }
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    win::script::PumpUntilIdle();
    ASSERT_TRUE(c->m_bSizesValid);
    STRUCT_OVER_SIZES s = c->m_Sizes;
    const short l = c->m_plotLeft, t = c->m_plotTop;
    const short r = static_cast<short>(l + c->m_plotWidth), b = static_cast<short>(t + c->m_plotHeight);
    c->InitLabelAreas(0, l, b, r, t, &s);
    const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
    const OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
    if (k.mode == OVERLAY_MODE_NORMALISED) {
      for (int i = 0; i < 2; ++i) {
        double mn = 0, mx = 0;
        ASSERT_TRUE(OPLOT_GetMinAndMaxForNorm(o, static_cast<int16_t>(i), 0, &mn, &mx));
        const STRUCT_OPLOT_LABEL_AREA* a = Find(c, OPLOT_AREA_CHROMATOGRAM + i);
        ASSERT_NE(a, nullptr);
        const double unit = (mx - mn) / 110.0;
        EXPECT_DOUBLE_EQ(a->low, mn + (sc.commonLow + 5.0) * unit);
        EXPECT_DOUBLE_EQ(a->high, mn + (sc.commonHigh + 5.0) * unit);
        EXPECT_EQ(a->y, t);
        EXPECT_EQ(a->height, s.overlaidPlotHeight);
      }
      EXPECT_EQ(Find(c, OPLOT_AREA_UNSHIFTED + 1), nullptr);
    } else {
      const STRUCT_OPLOT_LABEL_AREA* chro = Find(c, OPLOT_AREA_CHROMATOGRAM + (k.mode == OVERLAY_MODE_STACKED ? 1 : 0));
      const STRUCT_OPLOT_LABEL_AREA* moved = Find(c, OPLOT_AREA_UNSHIFTED + 1);
      ASSERT_NE(chro, nullptr);
      ASSERT_NE(moved, nullptr);
      if (k.mode == OVERLAY_MODE_STACKED) {
        EXPECT_EQ(moved->x, chro->x);
        EXPECT_EQ(moved->y, chro->y);
        EXPECT_DOUBLE_EQ(moved->t0, t0 - 0.37);
        EXPECT_DOUBLE_EQ(moved->high, chro->high - 1234.5);
      } else {
        const double low = sc.commonLow, high = sc.commonHigh;
        EXPECT_EQ(moved->x, chro->x + static_cast<int>(s.plotWidth * 0.37 / (t1 - t0)));
        EXPECT_EQ(moved->y, chro->y + static_cast<int>(s.overlaidPlotHeight * 1234.5 / (high - low)));
        EXPECT_EQ(moved->t0, t0);
        EXPECT_EQ(moved->low, low);
      }
    }
    DestroyWindow(w);
  }
}

}  // namespace

namespace {

// A moved plot's offsets come from the host's overlay: a damaged one (no
// number, or far beyond the scale) shifts its area by a bounded amount.
TEST_F(LabelAreasTest, DamagedOffsetsShiftTheMovedAreaByABoundedAmount) {
  struct Case {
    double timeOffset, valueOffset;
    int dxMin, dxMax, dyMin, dyMax;  // bounds of the shift in pixels
    const char* what;
  } cases[] = {
      {NAN, NAN, 0, 0, 0, 0, "offsets of no number"},
      {1e300, -1e300, 1, 1000000, -1000000, -1, "offsets far beyond the window"},
      {-INFINITY, INFINITY, 0, 0, 0, 0, "infinite offsets"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.timeOffset);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MakeOverlay(2);
    o->head.displayMode = OVERLAY_MODE_OVERLAID;
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    win::script::PumpUntilIdle();
    ASSERT_TRUE(c->m_bSizesValid);
    o->tail.timeOffsetsOn = o->tail.verticalOffsetsOn = 1;
    o->tail.timeOffsets[1] = k.timeOffset;
    o->tail.verticalOffsets[1] = k.valueOffset;
    STRUCT_OVER_SIZES s = c->m_Sizes;
    c->InitLabelAreas(0, 0, c->m_plotHeight, c->m_plotWidth, 0, &s);
    const STRUCT_OPLOT_LABEL_AREA* chro = Find(c, OPLOT_AREA_CHROMATOGRAM);
    const STRUCT_OPLOT_LABEL_AREA* moved = Find(c, OPLOT_AREA_UNSHIFTED + 1);
    ASSERT_NE(chro, nullptr);
    ASSERT_NE(moved, nullptr);
    EXPECT_GE(moved->x - chro->x, k.dxMin);
    EXPECT_LE(moved->x - chro->x, k.dxMax);
    EXPECT_GE(moved->y - chro->y, k.dyMin);
    EXPECT_LE(moved->y - chro->y, k.dyMax);
    DestroyWindow(w);
  }
}

}  // namespace
