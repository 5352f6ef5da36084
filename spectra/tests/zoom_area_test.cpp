// Area and apex of a zoomed range: analytic shapes, a trace crossing the
// line many times, generated peaks checked against an independent sum, the
// labels put on the plot and the refusal of channel type ALL.
#include "spectra/zoom_area.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/preference_records.h"
#include "framework/framework_gdi.h"
#include "noise_fixture.h"
#include "plotengine/label_manager.h"
#include "win/win_crt.h"
#include "win/win_gdi.h"
#include "win/win_script.h"
#include "win/win_user.h"
#include "testing/raster.h"

namespace {

using noisetest::HandTrace;

// An overlay showing one trace in one slot, with label manager and preferences.
struct ZoomSetup {
  std::unique_ptr<SVW_OVERLAY> overlay = std::make_unique<SVW_OVERLAY>();
  std::unique_ptr<STRUCT_WORK_FILE> wf = std::make_unique<STRUCT_WORK_FILE>();
  std::unique_ptr<HandTrace> trace;
  CLabelManager labels{nullptr};
  STRUCT_CHRO_PREFS prefs{};
  int16_t filterMode = 0;
  int16_t plot = 3;

  ZoomSetup(const std::vector<double>& t, const std::vector<double>& v, bool integer = false) {
    std::strcpy(wf->filePath, "C:\\Data\\DET1.dat");
    std::strcpy(wf->displayName, "DET1");
    trace = std::make_unique<HandTrace>(wf.get(), t, v, integer);
    OVERLAY_SLOT& s = overlay->slots[plot];
    s.workFile = wf.get();
    s.trace = &trace->dp;
    s.plotKind = DATA_TYPE_TIC;
    KELT_ResetDefChroPrefs(&prefs);
  }
  // Init and the three measuring steps; the count of the last step that went on.
  int Measure(CZoomAreaCount* z, double t1, double t2, double v1, double v2, CLabelManager* mgr = nullptr) {
    if (!z->Init(overlay.get(), mgr, t1, t2, v1, v2, plot, 0, 0, &filterMode, &prefs)) return 0;
    if (!z->OrderRange()) return 1;
    if (!z->FindStretchesAboveLine()) return 2;
    if (!z->SumAreas()) return 3;
    return 4;
  }
};

// Exact crossing of the segment a-b with the line through (ls, lv0)-(le, lv1).
double ExactCrossing(double ta, double ya, double tb, double yb, double ls, double lv0, double le, double lv1) {
  const double slope = (lv1 - lv0) / (le - ls);
  const double da = ya - (lv0 + (ta - ls) * slope), db = yb - (lv0 + (tb - ls) * slope);
  return ta + (tb - ta) * da / (da - db);
}

// Area of max(0, trace - line) over [from, to], value x seconds, with every
// crossing solved exactly and the trace linear between its points.
double AreaAboveLine(const std::vector<double>& t, const std::vector<double>& v, double from, double to,
                     double lv0, double lv1) {
  const double slope = (lv1 - lv0) / (to - from);
  auto d = [&](double time, double value) { return value - (lv0 + (time - from) * slope); };
  auto valueAt = [&](size_t i, double time) { return v[i] + (v[i + 1] - v[i]) * (time - t[i]) / (t[i + 1] - t[i]); };
  long double sum = 0;
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    double a = std::max(t[i], from), b = std::min(t[i + 1], to);
    if (!(b > a)) continue;
    const double da = d(a, valueAt(i, a)), db = d(b, valueAt(i, b));
    if (da >= 0 && db >= 0) {
      sum += (da + db) * 0.5 * (b - a);
    } else if (da > 0 || db > 0) {
      const double c = a + (b - a) * da / (da - db);
      sum += da > 0 ? da * 0.5 * (c - a) : db * 0.5 * (b - c);
    }
  }
  return static_cast<double>(sum * 60);
}

std::string LabelText(const CLabelInfo* l) {
  if (!l || !l->m_text || !l->m_text->text) return {};
  return std::string(l->m_text->text, static_cast<size_t>(l->m_text->length));
}

// ---- Analytic shapes ------------------------------------------------------------

TEST(ZoomAreaTest, RectangleOneHighOverOneMinuteGivesSixty) {
  std::vector<double> t, v;
  for (int i = 0; i <= 10; ++i) t.push_back(0.1 * i), v.push_back(0);
  for (int i = 0; i <= 10; ++i) t.push_back(1.0 + 0.1 * i), v.push_back(1);
  for (int i = 0; i <= 10; ++i) t.push_back(2.0 + 0.1 * i), v.push_back(0);
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 2.55, 0.45, 0.0, 0.0), 4);
  ASSERT_EQ(c.StretchCount(), 1);
  const STRUCT_ZOOM_STRETCH* s = c.Stretch(0);
  EXPECT_DOUBLE_EQ(s->area, 60.0);
  EXPECT_DOUBLE_EQ(s->areaAboveLine, 60.0);
  EXPECT_DOUBLE_EQ(s->apexTime, 1.0);
  EXPECT_DOUBLE_EQ(s->apexValue, 1.0);
  EXPECT_EQ(c.LineStartTime(), 0.45);
  EXPECT_EQ(c.LineEndTime(), 2.55);
}

TEST(ZoomAreaTest, TriangleOnASlopingBaseline) {
  // Baseline 10 + 2t; a triangle 100 high from 2 to 4 minutes. Quarter-minute
  // points keep every value exact, so the baseline lies on the line.
  std::vector<double> t, v;
  for (int i = 0; i <= 24; ++i) {
    const double time = 0.25 * i;
    t.push_back(time);
    v.push_back(10 + 2 * time + std::max(0.0, 100 - 100 * std::fabs(time - 3)));
  }
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 1.0, 5.0, 12.0, 20.0), 4);
  ASSERT_EQ(c.StretchCount(), 1);
  const STRUCT_ZOOM_STRETCH* s = c.Stretch(0);
  EXPECT_DOUBLE_EQ(s->areaAboveLine, 0.5 * 2 * 100 * 60);  // 6000
  EXPECT_DOUBLE_EQ(s->area, (32 + 100) * 60.0);           // baseline 2..4 plus the triangle
  EXPECT_DOUBLE_EQ(s->apexTime, 3.0);
  EXPECT_DOUBLE_EQ(s->apexValue, 116.0);
  EXPECT_EQ(s->startCrossing, 0);
  EXPECT_EQ(s->endCrossing, 0);
}

TEST(ZoomAreaTest, DirectionWordsDecideWhichValueStartsTheLine) {
  std::vector<double> t{0, 1, 2, 3, 4}, v{5, 5, 5, 5, 5};
  ZoomSetup z(t, v);
  CZoomAreaCount same, swapped;
  ASSERT_TRUE(same.Init(z.overlay.get(), nullptr, 3.0, 1.0, 2.0, 4.0, z.plot, 7, 7, &z.filterMode, &z.prefs));
  ASSERT_TRUE(same.OrderRange());
  EXPECT_EQ(same.LineStartValue(), 2.0);
  EXPECT_EQ(same.LineEndValue(), 4.0);
  ASSERT_TRUE(swapped.Init(z.overlay.get(), nullptr, 3.0, 1.0, 2.0, 4.0, z.plot, 7, 8, &z.filterMode, &z.prefs));
  ASSERT_TRUE(swapped.OrderRange());
  EXPECT_EQ(swapped.LineStartValue(), 4.0);
  EXPECT_EQ(swapped.LineEndValue(), 2.0);
}

// ---- Crossings --------------------------------------------------------------------

TEST(ZoomAreaTest, TraceCrossingTheLineManyTimes) {
  // A wave about a sloping line, on an irregular time grid with noise.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> jitter(-0.004, 0.004), noise(-0.05, 0.05);
  std::vector<double> t, v;
  const double ls = 0.5, le = 9.5, lv0 = 100, lv1 = 130;
  for (int i = 0; i <= 1000; ++i) {
    const double time = 0.01 * i + 0.003 + jitter(rng);
    t.push_back(time);
    const double line = lv0 + (time - ls) * (lv1 - lv0) / (le - ls);
    v.push_back(line + 20 * std::sin(2 * M_PI * time / 1.5 + 0.4) + noise(rng));
  }
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, ls, le, lv0, lv1), 4);
  // Six periods in the box, which begins and ends in a half above the line.
  ASSERT_EQ(c.StretchCount(), 7);

  double total = 0;
  for (int16_t k = 0; k < c.StretchCount(); ++k) {
    const STRUCT_ZOOM_STRETCH* s = c.Stretch(k);
    total += s->areaAboveLine;
    for (int end = 0; end < 2; ++end) {
      const bool has = end == 0 ? s->startCrossing : s->endCrossing;
      if (!has) continue;
      const double found = end == 0 ? s->startCrossingTime : s->endCrossingTime;
      if (found == ls || found == le) continue;  // the box's own ends
      const size_t b = end == 0 ? static_cast<size_t>(s->firstIndex) : static_cast<size_t>(s->lastIndex) + 1;
      const size_t a = b - 1;
      const double exact = ExactCrossing(t[a], v[a], t[b], v[b], ls, lv0, le, lv1);
      // Five halvings leave a thirty-second of the step.
      EXPECT_NEAR(found, exact, (t[b] - t[a]) / 32 + 1e-12) << "stretch " << k << " end " << end;
      EXPECT_GE(found, t[a]);
      EXPECT_LE(found, t[b]);
    }
  }
  // A crossing a thirty-second of a step off moves its triangle's base by as
  // much, under a height of at most one step's change.
  double steepest = 0, step = 0;
  for (size_t i = 0; i + 1 < t.size(); ++i)
    steepest = std::max(steepest, std::fabs(v[i + 1] - v[i])), step = std::max(step, t[i + 1] - t[i]);
  const double slack = 2 * c.StretchCount() * 0.5 * (steepest + 4 * step) * (step / 32) * 60;
  EXPECT_NEAR(total, AreaAboveLine(t, v, ls, le, lv0, lv1), slack);
  EXPECT_LT(slack, 1e-3 * total);
}

TEST(ZoomAreaTest, CrossingTimeBisectsFiveTimesOrToTheTolerance) {
  // One segment from 1 below to 3 above a flat line: exact crossing at 0.25.
  std::vector<double> t{0, 1}, v{9, 13};
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_TRUE(c.Init(z.overlay.get(), nullptr, 0, 1, 10, 10, z.plot, 0, 0, &z.filterMode, &z.prefs));
  ASSERT_TRUE(c.OrderRange());
  // 0.5, 0.25 (value exactly on the line: the lower end moves), 0.375, 0.3125, 0.28125.
  EXPECT_DOUBLE_EQ(c.CrossingTime(true, 0, 1), 0.28125);

  // A step below the tolerance is not halved at all.
  std::vector<double> t2{0, 0.000015}, v2{9, 13};
  ZoomSetup z2(t2, v2);
  CZoomAreaCount c2;
  ASSERT_TRUE(c2.Init(z2.overlay.get(), nullptr, 0, 0.000015, 10, 10, z2.plot, 0, 0, &z2.filterMode, &z2.prefs));
  ASSERT_TRUE(c2.OrderRange());
  EXPECT_EQ(c2.CrossingTime(true, 0, 1), 0.0);
}

TEST(ZoomAreaTest, PointExactlyOnTheLineStartsAndEndsWithoutCrossing) {
  // Line 10; the peak starts on the line at 1.0 and its first point below
  // is at 3.0, after a point exactly on the line at 2.5... which is above.
  std::vector<double> t{0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5}, v{5, 5, 10, 30, 20, 10, 5, 5};
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 0.25, 3.25, 10, 10), 4);
  ASSERT_EQ(c.StretchCount(), 1);
  const STRUCT_ZOOM_STRETCH* s = c.Stretch(0);
  EXPECT_EQ(s->startCrossing, 0);
  EXPECT_EQ(s->firstIndex, 2);
  EXPECT_EQ(s->stretchStartTime, 1.0);
  EXPECT_EQ(s->lastIndex, 5);
  EXPECT_EQ(s->endCrossing, 1);
  // From 2.5 on the line to 3.0 below: the crossing bisects towards 2.5.
  EXPECT_NEAR(s->endCrossingTime, 2.5, 0.5 / 32);
  EXPECT_DOUBLE_EQ(s->areaAboveLine, (0.5 * 20 * 0.5 + (20 + 10) * 0.5 * 0.5 + 0.5 * 10 * 0.5) * 60);
}

TEST(ZoomAreaTest, PeakStillAboveTheLineAtTheBoxEnd) {
  // The point after the box end is below the line and its crossing lies
  // beyond the box: the stretch ends where the box does.
  std::vector<double> t{0, 1, 2, 3, 4}, v{0, 0.5, 50, 5, -1};
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 0.75, 3.5, 1, 1), 4);
  ASSERT_EQ(c.StretchCount(), 1);
  const STRUCT_ZOOM_STRETCH* s = c.Stretch(0);
  EXPECT_EQ(s->lastIndex, 3);
  EXPECT_EQ(s->endCrossing, 1);
  EXPECT_EQ(s->endCrossingTime, 3.5);
  EXPECT_DOUBLE_EQ(s->endCrossingValue, 2.0);
  // Only the rise's crossing is bisected: a thirty-second of a minute under 49 above the line.
  EXPECT_NEAR(s->areaAboveLine, AreaAboveLine(t, v, 0.75, 3.5, 1, 1), 0.5 * 49 * (1.0 / 32) * 60);

  // Inside the box, the fall at the last point closes the stretch at its crossing.
  CZoomAreaCount d;
  ASSERT_EQ(z.Measure(&d, 0.75, 3.9, 1, 1), 4);
  ASSERT_EQ(d.StretchCount(), 1);
  EXPECT_NEAR(d.Stretch(0)->endCrossingTime, 3 + 4.0 / 6, 1.0 / 32);
}

TEST(ZoomAreaTest, TraceEndingInsideTheBoxEndsTheStretchAtItsLastPoint) {
  // Nothing is extrapolated past the last point.
  std::vector<double> t{0, 1, 2, 3}, v{0, 5, 50, 40};
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 0, 4, 1, 1), 4);
  ASSERT_EQ(c.StretchCount(), 1);
  const STRUCT_ZOOM_STRETCH* s = c.Stretch(0);
  EXPECT_EQ(s->lastIndex, 3);
  EXPECT_EQ(s->endCrossing, 0);
  EXPECT_EQ(s->stretchEndTime, 3.0);
  EXPECT_NEAR(s->areaAboveLine, AreaAboveLine(t, v, 0, 3, 1, 1), 0.5 * 4 * (1.0 / 32) * 60);
}

TEST(ZoomAreaTest, OnlyTheFirstFortyStretchesAreMeasured) {
  std::vector<double> t, v;
  for (int i = 0; i < 200; ++i) t.push_back(0.1 * i + 0.05), v.push_back(i % 4 == 1 ? 10 : 0);
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 0.0, 20.0, 5, 5), 4);
  ASSERT_EQ(c.StretchCount(), ZOOM_AREA_MAX_STRETCHES);
  EXPECT_EQ(c.Stretch(39)->firstIndex, 157);
  EXPECT_EQ(c.Stretch(40), nullptr);
}

TEST(ZoomAreaTest, BoxesThatMeasureNothing) {
  std::vector<double> t{1, 2, 3, 4}, v{1, 9, 9, 1};
  struct Case {
    const char* what;
    double t1, t2;
  } cases[] = {
      {"both before the first point", 0.2, 0.8},
      {"both after the last point", 4.5, 5.5},
      {"zero width", 2.5, 2.5},
      {"zero width on a point", 2.0, 2.0},
  };
  for (const Case& k : cases) {
    ZoomSetup z(t, v);
    CZoomAreaCount c;
    ASSERT_TRUE(c.Init(z.overlay.get(), nullptr, k.t1, k.t2, 3, 3, z.plot, 0, 0, &z.filterMode, &z.prefs))
        << k.what;
    EXPECT_EQ(c.OrderRange(), 0) << k.what;
    EXPECT_TRUE(std::isfinite(c.LineStartValue())) << k.what;
  }
}

TEST(ZoomAreaTest, OffsetsOfTheOverlayAreTakenOffTheBox) {
  std::vector<double> t{0, 1, 2, 3, 4}, v{0, 0, 10, 0, 0};
  ZoomSetup z(t, v);
  z.overlay->tail.timeOffsetsOn = 1;
  z.overlay->tail.timeOffsets[z.plot] = 10;
  z.overlay->tail.verticalOffsetsOn = 1;
  z.overlay->tail.verticalOffsets[z.plot] = 100;
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 10.5, 13.5, 101, 101), 4);
  EXPECT_EQ(c.LineStartTime(), 0.5);
  EXPECT_EQ(c.LineEndTime(), 3.5);
  EXPECT_EQ(c.LineStartValue(), 1.0);
  ASSERT_EQ(c.StretchCount(), 1);
  EXPECT_EQ(c.Stretch(0)->apexTime, 2.0);
}

TEST(ZoomAreaTest, FilteredTraceWithFilterModesOneAndTwo) {
  std::vector<double> t{0, 1, 2, 3, 4}, raw{0, 0, 10, 0, 0}, smooth{0, 2, 6, 2, 0};
  for (int16_t mode : {0, 1, 2, 3}) {
    ZoomSetup z(t, raw);
    z.trace->SetFiltered(t, smooth);
    z.filterMode = mode;
    CZoomAreaCount c;
    ASSERT_EQ(z.Measure(&c, 0, 4, 0, 0), 4) << mode;
    const bool filtered = mode == 1 || mode == 2;
    EXPECT_EQ(c.Filtered(), filtered ? 1 : 0) << mode;
    EXPECT_EQ(c.Stretch(0)->apexValue, filtered ? 6.0 : 10.0) << mode;
  }
}

// ---- Labels -------------------------------------------------------------------------

TEST(ZoomAreaTest, LabelAtTheApexWithAreaText) {
  std::vector<double> t, v;
  for (int i = 0; i <= 24; ++i) {
    const double time = 0.25 * i;
    t.push_back(time);
    v.push_back(10 + 2 * time + std::max(0.0, 100 - 100 * std::fabs(time - 3)));
  }
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 1.0, 5.0, 12.0, 20.0, &z.labels), 4);
  ASSERT_EQ(c.AddApexAreaLabel(1), 1);
  ASSERT_EQ(z.labels.GetLabelCount(), 1);
  const CLabelInfo* l = z.labels.Label(0);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->m_type, LABEL_TYPE_AREA);
  EXPECT_EQ(LabelText(l), "Apex: 3.000 min.\n\rArea: 6000.0000");
  EXPECT_EQ(l->m_labelX, 3.0);
  EXPECT_EQ(l->m_labelY, 116.0);
  EXPECT_EQ(l->m_plot, z.plot);
  EXPECT_EQ(l->m_areaGroup, LABEL_AREA_GROUP_PLOT);
  EXPECT_EQ(l->m_moveable, 0);
  EXPECT_EQ(l->m_positionMode, 1);
  EXPECT_EQ(l->m_pointerMode, 1);
  EXPECT_EQ(std::string(l->m_params.font.lfFaceName), std::string(z.prefs.label.font.lfFaceName));

  const auto* rec = static_cast<const STRUCT_ZOOM_AREA*>(l->m_mark);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->plotColor, z.prefs.colors.colors[2 + z.plot]);
  EXPECT_EQ(rec->apexTime, 3.0);
  EXPECT_EQ(rec->area, 6000.0);
  EXPECT_EQ(rec->stretchStartTime, 1.0);  // the baseline lies on the line from the box start
  // Along the line: line start, the points, line end, then the closing copy.
  const STRUCT_ZOOM_STRETCH* s = c.Stretch(0);
  const uint32_t n = static_cast<uint32_t>(s->lastIndex - s->firstIndex + 1);
  ASSERT_EQ(rec->pointCount, n + 2);
  EXPECT_EQ(+rec->points[0].time, s->stretchStartTime);
  EXPECT_EQ(+rec->points[0].value.d, s->stretchStartLineValue);
  EXPECT_EQ(+rec->points[1].time, t[static_cast<size_t>(s->firstIndex)]);
  EXPECT_EQ(+rec->points[n + 1].time, s->stretchEndTime);
  EXPECT_EQ(+rec->points[n + 2].time, rec->points[0].time);
}

TEST(ZoomAreaTest, AreaTextOfATraceOfItsOwn) {
  // A detector trace: four decimals below 100000, an exponent from there on.
  struct Case {
    double height;
    const char* text;
  } cases[] = {
      {1.0, "Apex: 1.000 min.\n\rArea: 60.0000"},
      {1666.65, "Apex: 1.000 min.\n\rArea: 99999.0000"},
      {5000.0, "Apex: 1.000 min.\n\rArea: 3.000e+005"},
  };
  for (const Case& k : cases) {
    std::vector<double> t{0, 1, 1, 2, 2, 3}, v{0, 0, k.height, k.height, 0, 0};
    ZoomSetup z(t, v);
    CZoomAreaCount c;
    ASSERT_EQ(z.Measure(&c, 0.5, 2.5, 0, 0, &z.labels), 4);
    ASSERT_EQ(c.AddApexAreaLabel(1), 1);
    EXPECT_EQ(LabelText(z.labels.Label(0)), k.text) << k.height;
  }
}

TEST(ZoomAreaTest, ZeroCornerValueDrawsTheOutlineDownToZero) {
  std::vector<double> t{0, 1, 2, 3, 4}, v{3, 4, 60, 4, 3};
  ZoomSetup z(t, v, /*integer=*/true);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 0.5, 3.5, 0.0, 7.0, &z.labels), 4);
  EXPECT_EQ(c.LineStartValue(), 0.0);
  EXPECT_EQ(c.LineEndValue(), 0.0);
  ASSERT_EQ(c.AddApexAreaLabel(0), 1);
  const CLabelInfo* l = z.labels.Label(0);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->m_kind, 2);  // no text
  const auto* rec = static_cast<const STRUCT_ZOOM_AREA*>(l->m_mark);
  const STRUCT_ZOOM_STRETCH* s = c.Stretch(0);
  const uint32_t n = static_cast<uint32_t>(s->lastIndex - s->firstIndex + 1);
  ASSERT_EQ(rec->pointCount, n + 2);
  EXPECT_EQ(rec->valuesAreDouble, 0u);
  EXPECT_EQ(+rec->points[0].value.i, 0);
  EXPECT_EQ(+rec->points[0].time, t[static_cast<size_t>(s->firstIndex)]);
  EXPECT_EQ(+rec->points[n + 1].value.i, 0);
  EXPECT_EQ(+rec->points[n + 1].time, t[static_cast<size_t>(s->lastIndex)]);
  EXPECT_EQ(+rec->points[n + 2].time, rec->points[0].time);
}

TEST(ZoomAreaTest, IntegerTraceKeepsLineValuesAsIntegers) {
  std::vector<double> t{0, 1, 2, 3, 4}, v{3, 3, 60, 3, 3};
  ZoomSetup z(t, v, /*integer=*/true);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 0.5, 3.5, 5.5, 5.5, &z.labels), 4);
  ASSERT_EQ(c.AddApexAreaLabel(1), 1);
  const auto* rec = static_cast<const STRUCT_ZOOM_AREA*>(z.labels.Label(0)->m_mark);
  EXPECT_EQ(+rec->points[0].value.i, 5);  // 5.5 truncated
  EXPECT_EQ(+rec->points[1].value.i, 5);  // the start crossing on the line
}

TEST(ZoomAreaTest, NoLabelManagerAddsNothingAndGoesOn) {
  std::vector<double> t{0, 1, 2}, v{0, 5, 0};
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, 0, 2, 0, 0), 4);
  EXPECT_EQ(c.AddApexAreaLabel(1), 1);
  EXPECT_EQ(z.labels.GetLabelCount(), 0);
}

// ---- Channel type ALL --------------------------------------------------------------

TEST(ZoomAreaTest, ChannelTypeAllIsRefusedWithAMessage) {
  std::vector<double> t{0, 1, 2}, v{0, 5, 0};
  struct Case {
    uint16_t plotKind;
    uint32_t chanKind;
    int16_t functions;
    bool refused;
  } cases[] = {
      {DATA_TYPE_TIC, 2, 2, true},
      {DATA_TYPE_MASS_LIST, 2, 4, true},
      {DATA_TYPE_TIC, 0, 2, false},
      {DATA_TYPE_TIC, 1, 2, false},
      {DATA_TYPE_TIC, 2, 1, false},
      {DATA_TYPE_SEGMENT_PLOT, 2, 2, false},
      {DATA_TYPE_SCAN_FUN_PLOT, 2, 2, false},
      {DATA_TYPE_DETECTOR, 2, 2, false},
  };
  for (const Case& k : cases) {
    ZoomSetup z(t, v);
    z.wf->centroid = 1;
    z.wf->mostScanFunctions = k.functions;
    std::strcpy(z.wf->displayName, "mix12.kms");
    z.overlay->slots[z.plot].plotKind = k.plotKind;
    z.overlay->slots[z.plot].chanList.kind = k.chanKind;
    const size_t before = win::script::MessageBoxLog().size();
    if (k.refused) win::script::AnswerNextMessageBox(IDOK);
    CZoomAreaCount c;
    const int r = c.Init(z.overlay.get(), &z.labels, 0, 2, 0, 0, z.plot, 0, 0, &z.filterMode, &z.prefs);
    const auto log = win::script::MessageBoxLog();
    EXPECT_EQ(r, k.refused ? 0 : 1) << k.plotKind << " " << k.chanKind << " " << k.functions;
    ASSERT_EQ(log.size(), before + (k.refused ? 1 : 0));
    if (!k.refused) continue;
    EXPECT_EQ(log.back().text, "Area count is not calculated if the channel type is ALL.");
    EXPECT_EQ(log.back().caption, "mix12.kms");
    EXPECT_EQ(log.back().flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_TRUE(log.back().answered);
  }
}

TEST(ZoomAreaTest, NoTraceOrBadPlotStops) {
  std::vector<double> t{0, 1, 2}, v{0, 5, 0};
  ZoomSetup z(t, v);
  CZoomAreaCount c;
  EXPECT_EQ(c.Init(z.overlay.get(), nullptr, 0, 2, 0, 0, 0, 0, 0, &z.filterMode, &z.prefs), 0);  // empty slot
  EXPECT_EQ(c.Init(z.overlay.get(), nullptr, 0, 2, 0, 0, 20, 0, 0, &z.filterMode, &z.prefs), 0);
  EXPECT_EQ(c.Init(nullptr, nullptr, 0, 2, 0, 0, 3, 0, 0, &z.filterMode, &z.prefs), 0);
  // Steps called after a failed start do nothing.
  EXPECT_EQ(c.FindStretchesAboveLine(), 0);
  EXPECT_EQ(c.SumAreas(), 0);
}

// ---- Generated peaks ---------------------------------------------------------------

class ZoomAreaRunTest : public noisetest::NoiseTest {};

TEST_F(ZoomAreaRunTest, GeneratedPeaksAgainstAnIndependentSum) {
  MakeRun(1200, {{1.0, 1, ""}});
  auto trace = WholeTrace();
  ASSERT_TRUE(trace);
  std::vector<double> t, v;
  noisetest::Unpack(trace.get(), &t, &v);

  auto valueAt = [&](double time) {
    size_t i = 1;
    while (i + 1 < t.size() && t[i] < time) ++i;
    return v[i - 1] + (v[i] - v[i - 1]) * (time - t[i - 1]) / (t[i] - t[i - 1]);
  };

  int measured = 0;
  for (const msfix::CompoundTruth& k : truth_.compounds) {
    const double from = k.retentionTime - 4 * k.sigma, to = k.retentionTime + 4 * k.sigma + 6 * k.tau;
    if (from <= t.front() || to >= t.back()) continue;
    bool alone = true;
    for (const msfix::CompoundTruth& o : truth_.compounds)
      if (&o != &k && o.retentionTime > from - 6 * o.sigma - 6 * o.tau && o.retentionTime < to + 6 * o.sigma)
        alone = false;
    if (!alone) continue;

    auto overlay = std::make_unique<SVW_OVERLAY>();
    overlay->slots[0].workFile = wf_.get();
    overlay->slots[0].trace = trace.get();
    overlay->slots[0].plotKind = DATA_TYPE_TIC;
    STRUCT_CHRO_PREFS prefs{};
    KELT_ResetDefChroPrefs(&prefs);
    CLabelManager labels(nullptr);
    int16_t filterMode = 0;
    const double lv0 = valueAt(from), lv1 = valueAt(to);
    CZoomAreaCount c;
    ASSERT_TRUE(c.Init(overlay.get(), &labels, from, to, lv0, lv1, 0, 0, 0, &filterMode, &prefs));
    ASSERT_TRUE(c.OrderRange());
    ASSERT_TRUE(c.FindStretchesAboveLine());
    ASSERT_TRUE(c.SumAreas());

    double total = 0, biggest = 0, steepest = 0;
    const STRUCT_ZOOM_STRETCH* main = nullptr;
    for (int16_t i = 0; i < c.StretchCount(); ++i) {
      const STRUCT_ZOOM_STRETCH* s = c.Stretch(i);
      total += s->areaAboveLine;
      if (s->areaAboveLine > biggest) biggest = s->areaAboveLine, main = s;
    }
    for (size_t i = 0; i + 1 < t.size(); ++i) steepest = std::max(steepest, std::fabs(v[i + 1] - v[i]));
    const double step = (t.back() - t.front()) / static_cast<double>(t.size() - 1);
    // Each of at most 2 x 40 crossings is off by a thirty-second of a step.
    const double slack = 2 * c.StretchCount() * 0.5 * steepest * (step / 32) * 60 + 1e-6 * total;
    EXPECT_NEAR(total, AreaAboveLine(t, v, from, to, lv0, lv1), slack) << k.name;
    // The peak itself is most of what lies above the line (area in counts x minutes).
    ASSERT_NE(main, nullptr);
    EXPECT_NEAR(main->areaAboveLine, k.area * 60, 0.1 * k.area * 60) << k.name;
    EXPECT_NEAR(main->apexTime, k.retentionTime, 3 * step + k.tau) << k.name;

    ASSERT_EQ(c.AddApexAreaLabel(1), 1);
    bool found = false;
    for (short slot = 0; slot < labels.Capacity(); ++slot) {
      const CLabelInfo* l = labels.Label(slot);
      if (!l || l->m_labelX != main->apexTime) continue;
      char buffer[64];
      const std::string want = win::crt::FormatString("Apex: %.3f min.\n\rArea: %s", main->apexTime,
                                                      KELT_FormatAreaOrHeight(0, main->areaAboveLine, buffer));
      EXPECT_EQ(LabelText(l), want);
      found = true;
    }
    EXPECT_TRUE(found) << k.name;
    ++measured;
  }
  EXPECT_GE(measured, 2);
}

// ---- Picture -------------------------------------------------------------------------

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ZoomAreaPictureTest : public WorkstationRootTest {};

// Two peaks on a rising baseline, measured against the line between the box
// corners, their areas filled and labelled at the apexes. Kept byte for
// byte as spectra/tests/golden/zoom_area_labels.png.
TEST_F(ZoomAreaPictureTest, FilledAreasAndLabels) {
  std::vector<double> t, v;
  auto trace = [](double time) {
    return 100 + 20 * time + 600 * std::exp(-(time - 3.2) * (time - 3.2) / 0.08) +
           350 * std::exp(-(time - 6.5) * (time - 6.5) / 0.15) + 6 * std::sin(17 * time);
  };
  for (int i = 0; i <= 500; ++i) {
    const double time = 0.02 * i + 0.007;
    t.push_back(time);
    v.push_back(trace(time));
  }
  ZoomSetup z(t, v);
  z.prefs.label.font.lfHeight = -12;
  const double ls = 1.5, le = 8.5;
  const double lv0 = trace(ls) + 10, lv1 = trace(le) + 10;

  const int left = 40, top = 40, width = 440, height = 320;
  testing_support::Raster raster(520, 400);
  HDC hdc = raster.dc;
  CDC* dc = CDC::FromHandle(hdc);
  auto x = [&](double time) { return left + static_cast<int>(time * width / 10); };
  auto y = [&](double value) { return top + height - static_cast<int>(value * height / 1000); };

  Rectangle(hdc, left, top, left + width + 1, top + height + 1);
  z.labels.EmptyAreas(0, 0, 0);
  z.labels.AddArea(static_cast<short>(LABEL_AREA_GROUP_PLOT + z.plot), left, top, width, height, 0.0, 10.0, 0.0,
                   1000.0);
  z.labels.AddArea(LABEL_AREA_FRAME, 0, 0, 520, 400, 0, 0, 0, 0);
  CZoomAreaCount c;
  ASSERT_EQ(z.Measure(&c, ls, le, lv0, lv1, &z.labels), 4);
  ASSERT_EQ(c.AddApexAreaLabel(1), 1);
  z.labels.AdjustLabels();
  z.labels.DrawTokenLabels(dc, 0, z.plot, LABEL_TYPE_AREA, 0, 0, 0, 0, nullptr, nullptr);

  std::vector<POINT> line;
  for (size_t i = 0; i < t.size(); ++i) line.push_back({x(t[i]), y(v[i])});
  Polyline(hdc, line.data(), static_cast<int>(line.size()));
  MoveToEx(hdc, x(ls), y(lv0), nullptr);
  LineTo(hdc, x(le), y(lv1));

  // Under the first apex and above the line: the plot's colour; above the
  // trace and below the line: untouched.
  const COLORREF fill = z.prefs.colors.colors[2 + z.plot];
  EXPECT_EQ(GetPixel(hdc, x(3.2), y(trace(3.2) - 100)), fill);
  EXPECT_EQ(GetPixel(hdc, x(6.5), y(trace(6.5) - 60)), fill);
  EXPECT_EQ(GetPixel(hdc, x(3.2), y(trace(3.2) + 40)), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(hdc, x(5.0), y(lv0 + (5.0 - ls) * (lv1 - lv0) / (le - ls)) + 20), RGB(255, 255, 255));

  ASSERT_TRUE(win::gdi::SaveBitmapPng(hdc, "C:\\TEMP\\zoom_area_labels.png"));
  const std::string drawn = ReadBytes(Host("c/TEMP/zoom_area_labels.png"));
  ASSERT_FALSE(drawn.empty());
  const std::string golden = std::string(SPECTRA_GOLDEN_DIR) + "/zoom_area_labels.png";
  if (std::getenv("KELT_UPDATE_GOLDEN")) {
    std::ofstream(golden, std::ios::binary) << drawn;
    return;
  }
  if (drawn != ReadBytes(golden)) {
    const char* bin = std::getenv("KELT_BIN_DIR");
    const std::string where = std::string(bin ? bin : "/tmp") + "/zoom_area_labels.differs.png";
    std::ofstream(where, std::ios::binary) << drawn;
    FAIL() << "the drawing differs from " << golden << "; it is in " << where;
  }
}

}  // namespace
