// Tick steps, unit prefixes, the scale painters and the scales of an overlay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "plot_fixture.h"
#include "plotengine/scales.h"
#include "recorded_drawing.h"

namespace {

using Strings = std::vector<std::string>;

struct StepCase {
  double low, high;
  const char* format;
  double step, first;
};

TEST(TickStep, PowersOfTenThenHalving) {
  const StepCase cases[] = {
      {0, 10, "%.0f", 1, 1},           // 10 per unit is not above 10; labels start one step up
      {0, 1.5, "%.2f", 0.25, 0.25},
      {0, 1000, "%.0f", 100, 100},
      {2.3, 2.7, "%.1f", 0.1, 2.4},
      {-3, 7, "%.0f", 1, -3},          // below zero: at or above low
      {-0.35, 0.05, "%.2f", 0.05, -0.35},
      {100, 100.3, "%.2f", 0.05, 100.05},
      {5, 5, "%f", 0, 5},              // no range
      {6, 5, "%f", 0, 5},
  };
  for (const auto& c : cases) {
    char format[SCALE_FORMAT_SIZE];
    double step = -1, first = -1;
    CalculateTickStep(c.low, c.high, format, &step, &first);
    EXPECT_STREQ(format, c.format) << c.low << ".." << c.high;
    EXPECT_NEAR(step, c.step, 1e-12) << c.low << ".." << c.high;
    EXPECT_NEAR(first, c.first, 1e-9) << c.low << ".." << c.high;
  }
}

TEST(UnitValues, TinyValuesTakeNoPart) {
  double v[] = {0.0, 0.002, 0.004};
  char unit[SCALE_TEXT_SIZE] = "Counts";
  ASSERT_EQ(KELT_AdjustUnitValuesUserTraceRules(v, 3, unit), 1);
  EXPECT_STREQ(unit, "mCounts");
  EXPECT_DOUBLE_EQ(v[0], 0.0);
  EXPECT_NEAR(v[1], 2.0, 1e-12);
  EXPECT_NEAR(v[2], 4.0, 1e-12);
  double big[] = {2e6, 5e6};
  char counts[SCALE_TEXT_SIZE] = "Counts";
  ASSERT_EQ(KELT_AdjustUnitValuesUserTraceRules(big, 2, counts), 1);
  EXPECT_STREQ(counts, "M Counts");
  EXPECT_NEAR(big[1], 5.0, 1e-12);
  double tiny[] = {1e-9, -1e-10};
  char mv[SCALE_TEXT_SIZE] = "mV";
  EXPECT_EQ(KELT_AdjustUnitValues(tiny, 2, mv), 0);
  EXPECT_STREQ(mv, "mV");
  double mass[] = {5e6};
  char massUnit[SCALE_TEXT_SIZE] = "Mass";
  ASSERT_EQ(KELT_AdjustUnitValuesUserTraceRules(mass, 1, massUnit), 1);
  EXPECT_STREQ(massUnit, "M Mass");  // "Mass" was not read as the prefix M
  // The standard rule goes through the page library and agrees on the ladder.
  double same[] = {0.002, 0.004};
  char c2[SCALE_TEXT_SIZE] = "Counts";
  ASSERT_EQ(KELT_AdjustUnitValues(same, 2, c2), 1);
  EXPECT_STREQ(c2, "mCounts");
}

// Only the user-trace rule needs a positive million before it brings values down.
TEST(UnitValues, NegativeMillionsMoveOnlyTheStandardRule) {
  double user[] = {-2e6, 5};
  char userUnit[SCALE_TEXT_SIZE] = "Counts";
  EXPECT_EQ(KELT_AdjustUnitValuesUserTraceRules(user, 2, userUnit), 0);
  EXPECT_STREQ(userUnit, "Counts");
  EXPECT_EQ(user[0], -2e6);
  double standard[] = {-2e6, 5};
  char standardUnit[SCALE_TEXT_SIZE] = "Counts";
  ASSERT_EQ(KELT_AdjustUnitValues(standard, 2, standardUnit), 1);
  EXPECT_STREQ(standardUnit, "kCounts");
  EXPECT_NEAR(standard[0], -2000.0, 1e-9);
}

STRUCT_AXIS_PARAMS Axis() {
  STRUCT_AXIS_PARAMS a{};
  a.shown = 1;
  a.majorTickLength = 6;
  a.minorTickLength = 3;
  a.minorTickStyle = SCALE_TICKS_NONE;
  return a;
}

STRUCT_VERT_SCALE Vertical(double low, double high) {
  STRUCT_VERT_SCALE v{};
  v.axis = Axis();
  v.scaleLeftOfPlot = 1;
  v.keepUnits = 1;
  v.low = low;
  v.high = high;
  v.left = 0;
  v.right = 60;
  v.top = 100;
  v.bottom = 400;
  v.farAxisX = -1;
  return v;
}

TEST(VerticalScale, LabelsOfEachMode) {
  struct ModeCase {
    int16_t mode;
    Strings labels;
  };
  const ModeCase cases[] = {
      {0, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
      {1, {"9", "10"}},  // a tick on the top end: the one before reaches it too
      {2, {"1"}},
      {3, {"1", "8"}},
  };
  for (const auto& c : cases) {
    STRUCT_VERT_SCALE v = Vertical(0, 10);
    v.axis.labelMode = c.mode;
    SIZE cell{};
    const Drawing d = Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); }, &cell);
    EXPECT_EQ(d.Texts(), c.labels) << "mode " << c.mode;
    if (c.mode == 0) {
      // Right-aligned against the axis, centred on the tick, the top one held at the top.
      const DrawnText* five = d.FindText("5");
      ASSERT_TRUE(five);
      EXPECT_EQ(five->y, 400 - 150 - cell.cy / 2);
      SIZE w{};
      HDC m = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
      GetTextExtentPoint32A(m, "5", 1, &w);
      DeleteEnhMetaFile(CloseEnhMetaFile(m));
      EXPECT_EQ(five->x, 60 - w.cx - cell.cx / 2 - 3);
      EXPECT_EQ(d.FindText("10")->y, 100);
      EXPECT_TRUE(d.HasLine(60, 100, 60, 400));      // the axis on the plot side
      EXPECT_TRUE(d.HasLine(54, 400 - 150, 60, 400 - 150));  // a major tick on the label side
    }
  }
}

TEST(VerticalScale, TickStylesAndFarAxis) {
  struct StyleCase {
    int16_t style;
    int32_t x0, x1;
  };
  for (const auto& c : {StyleCase{0, 54, 60}, StyleCase{2, 60, 66}, StyleCase{3, 54, 66}}) {
    STRUCT_VERT_SCALE v = Vertical(0, 10);
    v.axis.majorTickStyle = c.style;
    v.farAxisX = 500;
    const Drawing d = Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); });
    EXPECT_TRUE(d.HasLine(c.x0, 220, c.x1, 220)) << c.style;  // the tick of 6
    EXPECT_TRUE(d.HasLine(500, 220, 494, 220)) << c.style;    // repeated into the plot
    EXPECT_TRUE(d.HasLine(500, 100, 500, 400));
  }
  STRUCT_VERT_SCALE right = Vertical(0, 10);
  right.scaleLeftOfPlot = 0;
  const Drawing d = Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &right); });
  EXPECT_TRUE(d.HasLine(0, 100, 0, 400));
  EXPECT_TRUE(d.HasLine(0, 220, 6, 220));
  STRUCT_VERT_SCALE none = Vertical(0, 10);
  none.axis.majorTickStyle = SCALE_TICKS_NONE;
  EXPECT_EQ(Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &none); }).lines.size(), 1u);
}

TEST(VerticalScale, MinorTicksInEveryInterval) {
  STRUCT_VERT_SCALE v = Vertical(0, 10);
  v.axis.minorTickStyle = 0;
  v.axis.minorDivision = 1;  // fifths
  auto minorLines = [](const Drawing& d) {
    int n = 0;
    for (const auto& l : d.lines) n += l.y0 == l.y1 && l.x1 - l.x0 == 3;
    return n;
  };
  // 30 units a step: four minors in each of the 10 intervals below the top tick and the one below the first.
  EXPECT_EQ(minorLines(Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); })), 40);
  v.axis.minMinorSpacing = 7;  // 6 units apart is too close for fifths
  EXPECT_EQ(minorLines(Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); })), 0);
  v.axis.minMinorSpacing = 0;
  v.axis.fixedMinorStep = 0.5;  // above the automatic 0.2: one minor per interval
  EXPECT_EQ(minorLines(Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); })), 10);
  v.axis.fixedMinorStep = 1.0;  // not below the major step: none
  EXPECT_EQ(minorLines(Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); })), 0);
}

TEST(VerticalScale, FixedIntegerStepsReversedAndEmpty) {
  STRUCT_VERT_SCALE v = Vertical(0, 1.5);
  v.axis.fixedMajorStep = 1.0;
  v.axis.integerSteps = 1;
  EXPECT_EQ(Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); }).Texts(), (Strings{"0", "1"}));
  v.axis.integerSteps = 0;
  v.axis.fixedMajorStep = 0.5;
  EXPECT_EQ(Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); }).Texts(), (Strings{"0.00", "0.50", "1.00", "1.50"}));

  STRUCT_VERT_SCALE r = Vertical(10, 0);  // 10 at the bottom, 0 at the top
  const Drawing d = Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &r); });
  ASSERT_FALSE(d.texts.empty());
  EXPECT_EQ(d.texts.front().text, "9");
  EXPECT_EQ(d.texts.back().text, "0");
  EXPECT_GT(d.FindText("9")->y, d.FindText("1")->y);

  for (auto [low, high, top, bottom] : {std::tuple{0.0, 10.0, 100, 100}, std::tuple{5.0, 5.0, 100, 400},
                                        std::tuple{0.0, 10.0, 400, 100}}) {
    STRUCT_VERT_SCALE e = Vertical(low, high);
    e.top = top;
    e.bottom = bottom;
    const Drawing none = Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &e); });
    EXPECT_TRUE(none.lines.empty());
    EXPECT_TRUE(none.texts.empty());
  }
}

TEST(VerticalScale, UnitsAdjustedAndShown) {
  STRUCT_VERT_SCALE v = Vertical(0, 2e6);
  v.keepUnits = 0;
  v.userTraceRules = 1;
  v.unitAtTop = 1;
  std::strcpy(v.unitText, "Counts");
  SIZE cell{};
  const Drawing d = Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); }, &cell);
  ASSERT_TRUE(d.FindText("M Counts"));
  EXPECT_EQ(d.FindText("M Counts")->y, 100 + cell.cy / 4);
  EXPECT_TRUE(d.FindText("1.0"));
  EXPECT_FALSE(d.FindText("2.0"));  // under the unit text at the top
  EXPECT_STREQ(v.unitText, "Counts");  // the caller's descriptor is left alone
}

int32_t TextWidth(const std::string& s) {
  SIZE w{};
  HDC m = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  GetTextExtentPoint32A(m, s.c_str(), static_cast<int>(s.size()), &w);
  DeleteEnhMetaFile(CloseEnhMetaFile(m));
  return w.cx;
}

STRUCT_HORZ_SCALE Horizontal(double low, double high, int32_t left, int32_t right) {
  STRUCT_HORZ_SCALE h{};
  h.axis = Axis();
  h.scaleBelowAxis = 1;
  h.keepUnits = 1;
  h.low = low;
  h.high = high;
  h.left = left;
  h.right = right;
  h.top = 300;
  h.bottom = 340;
  return h;
}

TEST(HorizontalScale, CentredLabelsAndTicks) {
  STRUCT_HORZ_SCALE h = Horizontal(0, 10, 100, 600);
  std::strcpy(h.unitText, "minutes");
  h.unitAtRight = 1;
  SIZE cell{};
  const Drawing d = Record([&](HDC dc) { KELT_DrawHorizontalScale(dc, &h); }, &cell);
  // "10" would run past the right end of the label area; the text cell of
  // "9" would lie over the unit's.
  EXPECT_EQ(d.Texts(), (Strings{"1", "2", "3", "4", "5", "6", "7", "8", "minutes"}));
  SIZE w{};
  HDC m = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  GetTextExtentPoint32A(m, "5", 1, &w);
  DeleteEnhMetaFile(CloseEnhMetaFile(m));
  EXPECT_EQ(d.FindText("5")->x, 350 - w.cx / 2);
  EXPECT_EQ(d.FindText("5")->y, 300 + 2 * (cell.cy / 5));
  EXPECT_TRUE(d.HasLine(100, 300, 600, 300));  // axis on the top edge
  EXPECT_TRUE(d.HasLine(350, 300, 350, 306));  // tick hanging below
  EXPECT_TRUE(d.HasLine(100, 300, 100, 306));  // and one at each end
  EXPECT_TRUE(d.HasLine(600, 300, 600, 306));
  EXPECT_EQ(d.FindText("minutes")->y, 300 + cell.cy);
}

TEST(HorizontalScale, NarrowScalesDoubleTheStepAndSkipCollisions) {
  STRUCT_HORZ_SCALE h = Horizontal(0, 100, 0, 100);
  SIZE cell{};
  const Drawing d = Record([&](HDC dc) { KELT_DrawHorizontalScale(dc, &h); }, &cell);
  // Ticks of 10 units are too close for three-digit labels: the step doubles to 40.
  EXPECT_EQ(d.Texts(), (Strings{"10", "50"}));
  EXPECT_EQ(d.texts[0].x, cell.cx / 4);  // pushed inside the label area
  for (const auto& t : d.texts) EXPECT_LE(t.x + TextWidth(t.text), 100 - cell.cx / 4);
  // No width: nothing, and no endless doubling.
  STRUCT_HORZ_SCALE empty = Horizontal(0, 100, 50, 50);
  EXPECT_TRUE(Record([&](HDC dc) { KELT_DrawHorizontalScale(dc, &empty); }).lines.empty());
}

// A page's ticks are long against its text: the label row keeps its stated
// place whatever the ticks' style and length (a tick is no text).
TEST(HorizontalScale, LabelsKeepTheirStatedRowWhateverTheTicks) {
  struct TickCase {
    int16_t major, minor;
    int16_t majorLength, minorLength;
  };
  const TickCase cases[] = {
      {SCALE_TICKS_LABEL_SIDE, SCALE_TICKS_NONE, 30, 10},
      {SCALE_TICKS_CROSSING, SCALE_TICKS_NONE, 30, 10},
      {SCALE_TICKS_INTO_PLOT, SCALE_TICKS_LABEL_SIDE, 30, 25},
      {SCALE_TICKS_INTO_PLOT, SCALE_TICKS_NONE, 30, 10},
      {SCALE_TICKS_LABEL_SIDE, SCALE_TICKS_NONE, 2, 1},
  };
  for (const auto& c : cases) {
    for (const bool below : {true, false}) {
      STRUCT_HORZ_SCALE h = Horizontal(0, 10, 100, 600);
      h.scaleBelowAxis = below ? 1 : 0;
      h.axis.majorTickStyle = c.major;
      h.axis.minorTickStyle = c.minor;
      h.axis.minorDivision = 1;
      h.axis.majorTickLength = c.majorLength;
      h.axis.minorTickLength = c.minorLength;
      h.bottom = 400;
      SIZE cell{};
      const Drawing d = Record([&](HDC dc) { KELT_DrawHorizontalScale(dc, &h); }, &cell);
      const DrawnText* five = d.FindText("5");
      ASSERT_TRUE(five) << c.major;
      const bool close = c.major == SCALE_TICKS_LABEL_SIDE || c.major == SCALE_TICKS_CROSSING;
      const int32_t gap = close ? 2 * (cell.cy / 5) : cell.cy / 5;
      EXPECT_EQ(five->y, below ? 300 + gap : 400 - cell.cy - gap) << c.major << "/" << c.minor << " " << below;
    }
  }
}

// The unit text and the last label: a label is left out only where its text
// cell would lie over the unit's; one that ends just before it stays.
TEST(HorizontalScale, OnlyALabelOverTheUnitIsLeftOut) {
  STRUCT_HORZ_SCALE h = Horizontal(0, 10, 100, 600);
  std::strcpy(h.unitText, "minutes");
  h.unitAtRight = 1;
  SIZE cell{};
  Record([&](HDC) {}, &cell);
  const int32_t nineEnd = 550 - TextWidth("9") / 2 + TextWidth("9");
  // The unit ends cw / 2 before the label area's right end.
  auto limitForUnitAt = [&](int32_t unitX) { return unitX + TextWidth("minutes") + cell.cx / 2; };
  struct Case {
    const char* name;
    int32_t unitX;
    bool nineShown;
  } cases[] = {
      {"a pixel apart", nineEnd + 1, true},
      {"touching", nineEnd, true},
      {"a pixel over", nineEnd - 1, false},
  };
  for (const Case& k : cases) {
    h.labelRightLimit = limitForUnitAt(k.unitX);
    const Drawing d = Record([&](HDC dc) { KELT_DrawHorizontalScale(dc, &h); });
    const DrawnText* unit = d.FindText("minutes");
    ASSERT_TRUE(unit) << k.name;
    EXPECT_EQ(unit->x, k.unitX) << k.name;
    EXPECT_EQ(d.FindText("9") != nullptr, k.nineShown) << k.name;
    EXPECT_TRUE(d.FindText("8")) << k.name;
    // Whatever is shown keeps out of the unit's cell.
    for (const auto& t : d.texts) {
      if (&t == unit) continue;
      const bool apart = t.x + TextWidth(t.text) <= unit->x || t.x >= unit->x + TextWidth(unit->text) ||
                         t.y + cell.cy <= unit->y || t.y >= unit->y + cell.cy;
      EXPECT_TRUE(apart) << t.text << " lies over the unit (" << k.name << ")";
    }
  }
}

// Labels stand half a character and the minor length off the axis, on
// either side of the plot, however long the ticks.
TEST(VerticalScale, LabelsKeepTheirStatedPlaceWhateverTheTicks) {
  struct TickCase {
    int16_t style;
    int16_t majorLength;
    bool leftOfPlot;
  };
  for (const auto& c : {TickCase{SCALE_TICKS_LABEL_SIDE, 40, true}, TickCase{SCALE_TICKS_CROSSING, 40, true},
                        TickCase{SCALE_TICKS_LABEL_SIDE, 40, false}, TickCase{SCALE_TICKS_LABEL_SIDE, 6, true},
                        TickCase{SCALE_TICKS_INTO_PLOT, 40, false}}) {
    STRUCT_VERT_SCALE v = Vertical(0, 10);
    v.axis.majorTickStyle = c.style;
    v.axis.majorTickLength = c.majorLength;
    v.scaleLeftOfPlot = c.leftOfPlot ? 1 : 0;
    v.left = 0;
    v.right = 120;
    SIZE cell{};
    const Drawing d = Record([&](HDC dc) { KELT_DrawVerticalScale(dc, &v); }, &cell);
    ASSERT_FALSE(d.texts.empty());
    const int32_t minor = v.axis.minorTickLength;
    for (const auto& t : d.texts) {
      const int32_t stated = c.leftOfPlot ? 120 - TextWidth(t.text) - cell.cx / 2 - minor : cell.cx / 2 + minor;
      EXPECT_EQ(t.x, stated) << t.text << " style " << c.style << " length " << c.majorLength;
    }
  }
}

class OverlayScalesTest : public PlotRootTest {};

TEST_F(OverlayScalesTest, StackedStripsGetScalesAndSeparators) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath), 1);
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  STRUCT_OPLOT_PLOT_PARAMS p{};
  OPLOT_InitPlotParams(&p, 0, 0, 600, 800, 0, 10, 20);
  STRUCT_OVER_SIZES sz{};
  OPLOT_CalculateSizes(o.get(), &p, &sz, 0, -1, -1);
  const Drawing d = Record([&](HDC dc) { OPLOT_DrawScales(dc, o.get(), &sz, 1, 1, 1, 0, 0); });
  EXPECT_TRUE(d.HasLine(0, 280, 800, 280));  // the separator under the first strip
  EXPECT_TRUE(d.FindText("minutes"));
  int counts = 0;
  for (const auto& t : d.texts) counts += t.text.find("Counts") != std::string::npos;
  EXPECT_EQ(counts, 2);
}

TEST_F(OverlayScalesTest, EmptyRangesAreWidenedWithoutTouchingTheOverlay) {
  WriteMsRun();
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_TWO_SCALES;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(OPLOT_AddAnyPlotToOverlayStructure(o.get(), 1, kMsPath, 0, 0, nullptr, nullptr, nullptr, nullptr, "mV",
                                               "second", 0, 0),
            1);
  o->tail.viewStart = o->tail.viewEnd = 5.0;
  o->tail.scales.leftAxisPlot = 0;
  o->tail.scales.rightAxisPlot = 1;
  o->tail.scales.commonLow = o->tail.scales.commonHigh = 100.0;
  o->tail.scales.rightLow = o->tail.scales.rightHigh = 3.0;
  STRUCT_OPLOT_PLOT_PARAMS p{};
  OPLOT_InitPlotParams(&p, 0, 0, 600, 800, 0, 10, 20);
  STRUCT_OVER_SIZES sz{};
  OPLOT_CalculateSizes(o.get(), &p, &sz, 0, -1, -1);
  std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(o.get()), reinterpret_cast<uint8_t*>(o.get()) + sizeof(SVW_OVERLAY));
  const Drawing d = Record([&](HDC dc) { OPLOT_DrawScales(dc, o.get(), &sz, 1, 1, 1, 0, 0); });
  EXPECT_EQ(std::memcmp(before.data(), o.get(), sizeof(SVW_OVERLAY)), 0);
  EXPECT_TRUE(d.FindText("mV"));      // the right scale, in its slot's units
  EXPECT_TRUE(d.FindText("Counts"));  // the left one
  EXPECT_TRUE(d.FindText("minutes"));
}

}  // namespace

