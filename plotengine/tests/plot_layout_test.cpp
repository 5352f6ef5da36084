// Plot parameters and the layout of one drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plot_fixture.h"
#include "plotengine/plot_layout.h"

namespace {

// An overlay whose slots are only flags: enough for the layout.
SVW_OVERLAY* FlagOverlay(int mode, std::initializer_list<int> shown) {
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  o->head.displayMode = static_cast<int16_t>(mode);
  for (int i : shown) {
    o->head.shown[i] = 1;
    ++o->head.shownCount;
    o->tail.inView[i] = 1;
    ++o->tail.inViewCount;
    o->tail.attached[i] = 1;
  }
  o->tail.viewStart = 2.0;
  o->tail.viewEnd = 12.0;
  return o;
}
using FlagOverlayPtr = std::unique_ptr<SVW_OVERLAY, decltype(&FreeBlock)>;

STRUCT_OPLOT_PLOT_PARAMS Params(int16_t print, int16_t left, int16_t bottom, int16_t right, int16_t top) {
  STRUCT_OPLOT_PLOT_PARAMS p{};
  OPLOT_InitPlotParams(&p, print, left, bottom, right, top, 10, 20);
  return p;
}

TEST(PlotParams, ScreenAndPrintTakeTheirOwnPreferences) {
  STRUCT_CHRO_PREFS chro;
  KELT_GetCurrDefChroPrefs(&chro);
  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);
  STRUCT_OPLOT_PLOT_PARAMS p{};
  std::memset(&p, 0x5A, sizeof p);
  EXPECT_EQ(OPLOT_InitPlotParams(&p, 0, -5, 300, 400, 10, 8, 16), &p);
  EXPECT_EQ(+p.left, -5);  // widened with its sign
  EXPECT_EQ(+p.bottom, 300);
  EXPECT_EQ(+p.charHeight, 16);
  EXPECT_EQ(std::memcmp(&p.verticalAxis, &chro.axis0, sizeof p.verticalAxis), 0);
  EXPECT_EQ(std::memcmp(&p.horizontalAxis, &chro.axis1, sizeof p.horizontalAxis), 0);
  EXPECT_EQ(std::memcmp(p.colors, chro.colors.colors, sizeof p.colors), 0);
  EXPECT_EQ(+p.gradientBackground, static_cast<uint16_t>(chro.colors.fadeOn));
  EXPECT_EQ(+p.fadeFromWhite, static_cast<uint16_t>(chro.colors.fadeKind));
  EXPECT_EQ(+p.carried60, 60);
  EXPECT_EQ(+p.carried2, 2);
  EXPECT_EQ(+p.extraLinesUnderTimeAxis, 0);
  EXPECT_EQ(+p.deleteButtons, 0);
  EXPECT_EQ(+p.keepFirstPlotB, 0);
  OPLOT_InitPlotParams(&p, 1, 0, 3000, 4000, 0, 80, 160);
  EXPECT_EQ(std::memcmp(&p.verticalAxis, &report.chroAxis0, sizeof p.verticalAxis), 0);
  EXPECT_EQ(std::memcmp(&p.horizontalAxis, &report.chroAxis1, sizeof p.horizontalAxis), 0);
  EXPECT_EQ(std::memcmp(p.colors, report.chroColors.colors, sizeof p.colors), 0);
  EXPECT_EQ(+p.fadeFromWhite, static_cast<uint16_t>(chro.colors.fadeKind));
}

TEST(PlotParams, DrawRecordDefaults) {
  uint32_t format[26];
  for (int i = 0; i < 26; ++i) format[i] = 100u + i;
  STRUCT_OPLOT_DRAW_CHRO d;
  std::memset(&d, 0x77, sizeof d);
  OPLOT_InitDrawChro(&d, format);
  EXPECT_EQ(+d.drawBackground, 0);
  EXPECT_EQ(+d.verticalScaleWidth, -1);
  EXPECT_EQ(+d.horizontalScaleHeight, -1);
  EXPECT_EQ(+d.drawProcessed, 1);
  EXPECT_EQ(+d.drawRaw, 1);
  EXPECT_EQ(std::memcmp(d.format, format, sizeof format), 0);
  EXPECT_EQ(+d.callerTitlePresent, 0);
}

TEST(PlotLayout, StackedStripsShareTheRemainderInSlotOrder) {
  FlagOverlayPtr o(FlagOverlay(0, {1, 4, 7}), FreeBlock);
  o->tail.inView[4] = 0;
  o->tail.inViewCount = 2;
  auto p = Params(0, 0, 302, 600, 0);
  STRUCT_OVER_SIZES s{};
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, 30);
  EXPECT_EQ(+s.timeScaleHeight, 30);
  EXPECT_EQ(+s.plotHeights[1], 91);
  EXPECT_EQ(+s.plotHeights[4], 91);
  EXPECT_EQ(+s.plotHeights[7], 90);
  EXPECT_EQ(+s.plotHeights[0], 0);
  EXPECT_EQ(+s.plotsShown, 3);
  EXPECT_EQ(+s.plotsInView, 2);
  EXPECT_EQ(+s.plotInView[4], 0);
  EXPECT_EQ(+s.leftScaleWidth, 60);  // 6 characters on screen
  EXPECT_EQ(+s.rightScaleWidth, 0);
  EXPECT_EQ(+s.plotWidth, 540);
  EXPECT_EQ(+s.overlaidPlotHeight, 0);
  EXPECT_DOUBLE_EQ(+s.xFactor, 54.0);
}

struct ScaleCase {
  const char* name;
  int mode;
  int16_t print;
  int32_t width;
  int16_t askWidth;
  int16_t left, right, plot;
};

TEST(PlotLayout, VerticalScaleWidths) {
  const ScaleCase cases[] = {
      {"screen automatic", 1, 0, 600, -1, 60, 0, 540},
      {"print automatic", 1, 1, 600, -1, 70, 0, 530},
      {"two scales", 3, 0, 600, -1, 60, 60, 480},
      {"narrower than twice the scale", 1, 0, 119, -1, 0, 0, 119},
      {"two scales need three widths", 3, 0, 179, -1, 0, 0, 179},
      {"no scale asked", 1, 0, 600, 0, 0, 0, 600},
      {"fixed width", 0, 0, 600, 45, 45, 0, 555},
  };
  for (const auto& c : cases) {
    FlagOverlayPtr o(FlagOverlay(c.mode, {0}), FreeBlock);
    auto p = Params(c.print, 100, 400, static_cast<int16_t>(100 + c.width), 0);
    STRUCT_OVER_SIZES s{};
    OPLOT_CalculateSizes(o.get(), &p, &s, 0, c.askWidth, -1);
    EXPECT_EQ(+s.leftScaleWidth, c.left) << c.name;
    EXPECT_EQ(+s.rightScaleWidth, c.right) << c.name;
    EXPECT_EQ(+s.plotWidth, c.plot) << c.name;
  }
  // A hidden vertical axis takes no room whatever was asked.
  FlagOverlayPtr o(FlagOverlay(1, {0}), FreeBlock);
  auto p = Params(0, 0, 400, 600, 0);
  p.verticalAxis.shown = 0;
  p.horizontalAxis.shown = 0;
  STRUCT_OVER_SIZES s{};
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_EQ(+s.leftScaleWidth, 0);
  EXPECT_EQ(+s.timeScaleHeight, 0);
  EXPECT_EQ(+s.overlaidPlotHeight, 400);
}

TEST(PlotLayout, TimeScaleHeights) {
  FlagOverlayPtr o(FlagOverlay(0, {0, 1}), FreeBlock);
  auto p = Params(0, 0, 100, 600, 0);
  p.extraLinesUnderTimeAxis = 2;
  STRUCT_OVER_SIZES s{};
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_EQ(+s.timeScaleHeight, 80);  // 2 lines + 2 extra lines of 20
  EXPECT_EQ(+s.plotHeights[0], 10);
  // Taller than the room: the scale takes the whole height, no strip is shown.
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, 99);
  EXPECT_EQ(+s.timeScaleHeight, 100);
  EXPECT_EQ(+s.plotsShown, 0);
  EXPECT_EQ(+s.plotHeights[0], 0);
  // Overlaid modes need two units of plot height.
  o->head.displayMode = 1;
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, 99);
  EXPECT_EQ(+s.overlaidPlotHeight, 0);
  EXPECT_EQ(+s.plotsShown, 0);
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, 98);
  EXPECT_EQ(+s.overlaidPlotHeight, 2);
  EXPECT_EQ(+s.plotsShown, 2);
}

TEST(PlotLayout, NothingShownAndEmptyRangesGiveNoFactors) {
  FlagOverlayPtr o(FlagOverlay(0, {}), FreeBlock);
  o->tail.viewStart = o->tail.viewEnd = 5.0;
  auto p = Params(0, 0, 400, 600, 0);
  STRUCT_OVER_SIZES s{};
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_EQ(+s.plotsShown, 0);
  EXPECT_DOUBLE_EQ(+s.xFactor, 0.0);
  o->head.displayMode = 1;
  o->head.shown[2] = 1;
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_DOUBLE_EQ(+s.yFactor, 0.0);  // common range 0..0
  o->head.displayMode = 0;
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_DOUBLE_EQ(+s.plotYFactors[2], 0.0);
}

TEST(PlotLayout, FactorsOfTheModes) {
  FlagOverlayPtr o(FlagOverlay(3, {0, 2}), FreeBlock);
  OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
  sc.commonLow = -100;
  sc.commonHigh = 300;
  sc.rightLow = 0;
  sc.rightHigh = 50;
  sc.plotLow[2] = 10;
  sc.plotHigh[2] = 30;
  auto p = Params(0, 0, 440, 640, 0);
  STRUCT_OVER_SIZES s{};
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_EQ(+s.overlaidPlotHeight, 400);
  EXPECT_DOUBLE_EQ(+s.yFactor, 1.0);
  EXPECT_DOUBLE_EQ(+s.secondYFactor, 8.0);
  EXPECT_DOUBLE_EQ(+s.plotYFactors[2], 0.0);
  EXPECT_DOUBLE_EQ(+s.xFactor, 520.0 / 10.0);  // two scales of 60
  o->head.displayMode = 0;
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_DOUBLE_EQ(+s.yFactor, 0.0);
  EXPECT_DOUBLE_EQ(+s.plotYFactors[2], 200.0 / 20.0);
}

class NormalisedLayoutTest : public PlotRootTest {};

TEST_F(NormalisedLayoutTest, PercentRangeSpansTheSlotsMinimumToMaximum) {
  WriteMsRun();
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_NORMALISED;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  double mn = 0, mx = 0;
  ASSERT_EQ(OPLOT_GetMinAndMaxForNorm(o.get(), 0, 0, &mn, &mx), 1);
  auto p = Params(0, 0, 440, 640, 0);
  STRUCT_OVER_SIZES s{};
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_NEAR(+s.plotYFactors[0], 400.0 / (mx - mn), 1e-12);
  double lo = 0, hi = 0;
  ASSERT_EQ(OPLOT_GetVerticalScaleValues(o.get(), &s, 0, 0, &lo, &hi), 1);
  EXPECT_NEAR(lo, mn, 1e-6);
  EXPECT_NEAR(hi, mx, 1e-6);
}

TEST(PlotLayout, ButtonsOfStackedStrips) {
  FlagOverlayPtr o(FlagOverlay(0, {0, 1, 2}), FreeBlock);
  auto p = Params(0, 0, 340, 600, 0);
  p.deleteButtons = 1;
  p.maximiseButtons = 1;
  p.keepFirstPlotB = 1;
  STRUCT_OVER_SIZES s{};
  // Strips of 100, 100 and 100 under a 40-unit time scale.
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_EQ(+s.deleteButtonX, 60 + 0 + 540 - 10 - 1);
  EXPECT_EQ(+s.maximiseButtonX, 60 + 540 - 10 - 1 - 10);
  EXPECT_EQ(+s.deleteButtonShown[0], 0);  // kept first plot
  EXPECT_EQ(+s.maximiseButtonShown[0], 1);
  EXPECT_EQ(+s.deleteButtonShown[1], 1);
  EXPECT_EQ(+s.buttonY[0], 5);
  EXPECT_EQ(+s.buttonY[1], 105);
  EXPECT_EQ(+s.buttonY[2], 205);
  // Strips lower than one character get no buttons, the rows keep their places.
  auto low = Params(0, 0, 70, 600, 0);
  low.deleteButtons = 1;
  OPLOT_CalculateSizes(o.get(), &low, &s, 0, -1, 40);
  EXPECT_EQ(+s.plotHeights[0], 10);
  EXPECT_EQ(+s.deleteButtonShown[0], 0);
  EXPECT_EQ(+s.deleteButtonShown[2], 0);
  EXPECT_EQ(+s.maximiseButtonShown[1], 0);
  // Overlaid: every shown slot gets its buttons; the rows come with the titles.
  o->head.displayMode = 1;
  OPLOT_CalculateSizes(o.get(), &p, &s, 0, -1, -1);
  EXPECT_EQ(+s.deleteButtonShown[2], 1);
  EXPECT_EQ(+s.maximiseButtonShown[0], 1);
  EXPECT_EQ(+s.buttonY[1], 0);
}

}  // namespace
