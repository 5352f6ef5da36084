// The drawing pipeline and plot lines: what reaches the device, read back
// from a metafile, and pixels of a raster.
#include "plotengine/plot_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "holbrin/holbrin.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/tests/plot_fixture.h"
#include "plotengine/tests/recorded_calls.h"
#include "plotengine/tests/synthetic_overlay.h"

namespace {

// Synthetic traces in one overlaid area 1000 x 600 (plot area 60..1000 x 0..560).
class PlotLinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    o_ = NewOverlay();
    o_->head.displayMode = OVERLAY_MODE_OVERLAID;
    OPLOT_InitDrawChro(&d_, format_);
  }
  void Params(int16_t print = 0) {
    OPLOT_InitPlotParams(&p_, print, 0, 600, 1000, 0, 10, 20);
  }
  CallLog Draw(int16_t print = 0) {
    Params(print);
    return RecordCalls([&](HDC dc) { result_ = OPLOT_DrawPlots(dc, &d_, &p_, o_.get(), &sz_); });
  }
  // Polylines drawn with a slot's pen.
  std::vector<RecordedCall> Trace(const CallLog& log, int slot) const {
    std::vector<RecordedCall> out;
    for (const auto& c : log.Of(EMR_POLYLINE))
      if (c.penColor == PaperColor(p_.colors[CHRO_COLOR_PLOT0 + slot])) out.push_back(c);
    return out;
  }
  COLORREF PaperColor(COLORREF c) const {
    return p_.printFlag && (c == 0xFFFFFF || c == 0x00FFFF) ? 0 : c;
  }
  int32_t X(double t, int slot = 0) const {
    return static_cast<int32_t>(60 + std::trunc((t + (o_->tail.timeOffsetsOn ? o_->tail.timeOffsets[slot] : 0) -
                                                 o_->tail.viewStart) *
                                                sz_.xFactor));
  }
  int32_t Y(double v, double low = 0, double high = 1000) const {
    return static_cast<int32_t>(560 - std::trunc(v * 560.0 / (high - low)));
  }
  static SyntheticTrace Ramp(size_t n, double t0, double t1, double v0, double v1) {
    SyntheticTrace tr;
    for (size_t i = 0; i < n; ++i) {
      tr.times.push_back(t0 + (t1 - t0) * i / (n - 1));
      tr.values.push_back(v0 + (v1 - v0) * std::fmod(i * 0.37, 1.0));
    }
    return tr;
  }

  OverlayPtr o_;
  uint32_t format_[26] = {};
  STRUCT_OPLOT_DRAW_CHRO d_{};
  STRUCT_OPLOT_PLOT_PARAMS p_{};
  STRUCT_OVER_SIZES sz_{};
  int32_t result_ = -1;
};

TEST_F(PlotLinesTest, PointsCarryOffsetsAndRunsOffScaleAreCutAtTheBand) {
  SyntheticTrace tr;
  tr.times = {1.0, 2.0, 3.0, 4.0, 5.0};
  tr.values = {100, 250.5, 1e15, 400, -1e15};
  FillSyntheticSlot(o_.get(), 0, tr, 0, 1000);
  o_->tail.viewStart = 1.0;
  o_->tail.viewEnd = 6.0;
  o_->tail.timeOffsetsOn = 1;
  o_->tail.timeOffsets[0] = 0.5;
  o_->tail.verticalOffsetsOn = 1;
  o_->tail.verticalOffsets[0] = 100;
  const CallLog log = Draw();
  ASSERT_EQ(result_, 1);
  const auto runs = Trace(log, 0);
  ASSERT_EQ(runs.size(), 2u);
  const double xf = 940.0 / 5.0;
  auto x = [&](double t) { return static_cast<int32_t>(60 + std::trunc((t + 0.5 - 1.0) * xf)); };
  auto y = [&](double v) { return static_cast<int32_t>(560 - std::trunc((v + 100) * 0.56)); };
  // Up to the point far above the scale, which is cut at the top edge...
  ASSERT_EQ(runs[0].points.size(), 3u);
  EXPECT_EQ(runs[0].points[0].x, x(1.0));
  EXPECT_EQ(runs[0].points[0].y, y(100));
  EXPECT_EQ(runs[0].points[1].y, y(250.5));
  EXPECT_EQ(runs[0].points[2].y, 0);
  EXPECT_EQ(runs[0].points[2].x, x(2.0) + 1);  // the clamped point lies 2^31 away: nearly straight up
  // ...back in at the top, then out through the bottom: never wrapped round.
  ASSERT_EQ(runs[1].points.size(), 3u);
  EXPECT_EQ(runs[1].points[0].y, 0);
  EXPECT_EQ(runs[1].points[0].x, x(4.0));
  EXPECT_EQ(runs[1].points[1].x, x(4.0));
  EXPECT_EQ(runs[1].points[1].y, y(400));
  EXPECT_EQ(runs[1].points[2].y, 560);
  EXPECT_EQ(runs[1].points[2].x, x(4.0) + 1);
}

TEST_F(PlotLinesTest, LongTracesGoToTheDeviceInTenThousands) {
  FillSyntheticSlot(o_.get(), 0, Ramp(25000, 0.0, 25.0, 100, 900), 0, 1000);
  const auto runs = Trace(Draw(), 0);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].points.size(), 10000u);
  EXPECT_EQ(runs[1].points.size(), 10000u);
  EXPECT_EQ(runs[2].points.size(), 5000u);
}

TEST_F(PlotLinesTest, SegmentsOfMoreThan40000PointsAreBinnedToTheirMaxima) {
  SyntheticTrace tr = Ramp(50000, 0.0, 50.0, 100, 500);
  tr.values[12345] = 950;  // a spike: its bin shows it
  FillSyntheticSlot(o_.get(), 0, tr, 0, 1000);
  const auto runs = Trace(Draw(), 0);
  size_t total = 0;
  bool spike = false;
  for (const auto& r : runs) {
    EXPECT_LE(r.points.size(), 10000u);
    total += r.points.size();
    for (const auto& p : r.points) spike |= p.y == Y(950);
  }
  EXPECT_LE(total, 39999u);
  EXPECT_GT(total, 39000u);
  EXPECT_TRUE(spike);
}

TEST_F(PlotLinesTest, AdjacentSegmentsJoinAndSegmentsApartDoNot) {
  SyntheticTrace tr;
  for (int i = 0; i < 30; ++i) {
    if (i >= 10 && i < 20) continue;  // nothing acquired in the middle segment
    tr.times.push_back(i * 0.1);
    tr.values.push_back(100 + i * 10);
  }
  tr.times.push_back(3.05);
  tr.values.push_back(800);
  tr.segments = {{0.0, 0.95}, {1.0, 1.95}, {2.0, 2.95}, {3.0, 3.1}};
  FillSyntheticSlot(o_.get(), 0, tr, 0, 1000);
  const auto runs = Trace(Draw(), 0);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].points.size(), 10u);
  // The third segment follows an empty one: no join; the fourth joins the third.
  EXPECT_EQ(runs[1].points.size(), 10u);
  EXPECT_EQ(runs[1].points[0].x, X(2.0));
  ASSERT_EQ(runs[2].points.size(), 2u);
  EXPECT_EQ(runs[2].points[0].x, runs[1].points[9].x);
  EXPECT_EQ(runs[2].points[0].y, runs[1].points[9].y);
}

TEST_F(PlotLinesTest, PensPerTraceKind) {
  SyntheticTrace det = Ramp(50, 0, 10, 100, 900);
  det.detector = true;
  det.processed = det.values;
  FillSyntheticSlot(o_.get(), 0, det, 0, 1000);
  FillSyntheticSlot(o_.get(), 1, Ramp(50, 0, 10, 100, 900), 0, 1000);
  d_.drawRaw = 0;  // processed only asked: slot 1 has none and is drawn solid from its points
  CallLog log = Draw();
  auto d = Trace(log, 0);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].penStyle, PS_DOT);  // detector: primary dotted, processed solid
  EXPECT_EQ(d[1].penStyle, PS_SOLID);
  auto ms = Trace(log, 1);
  ASSERT_EQ(ms.size(), 1u);
  EXPECT_EQ(ms[0].penStyle, PS_SOLID);
  EXPECT_EQ(sz_.rawDrawn[1], 1);
  EXPECT_EQ(sz_.drawnProcessedOnly[1], 1);

  // MS data with a processed copy and both asked: dotted primary, solid processed.
  SyntheticTrace both = Ramp(50, 0, 10, 100, 900);
  both.processed = both.values;
  FillSyntheticSlot(o_.get(), 2, both, 0, 1000);
  d_.drawRaw = 1;
  log = Draw();
  auto b = Trace(log, 2);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].penStyle, PS_DOT);
  EXPECT_EQ(b[1].penStyle, PS_SOLID);
  EXPECT_EQ(sz_.processedDrawn[2], 1);
}

TEST_F(PlotLinesTest, PrintingDrawsWhiteAndYellowBlack) {
  FillSyntheticSlot(o_.get(), 0, Ramp(20, 0, 10, 100, 900), 0, 1000);
  FillSyntheticSlot(o_.get(), 1, Ramp(20, 0, 10, 100, 900), 0, 1000);
  FillSyntheticSlot(o_.get(), 2, Ramp(20, 0, 10, 100, 900), 0, 1000);
  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);
  Params(1);
  p_.colors[CHRO_COLOR_PLOT0] = 0xFFFFFF;
  p_.colors[CHRO_COLOR_PLOT0 + 1] = 0x00FFFF;
  p_.colors[CHRO_COLOR_PLOT0 + 2] = RGB(0, 0, 200);
  const CallLog log = RecordCalls([&](HDC dc) { result_ = OPLOT_DrawPlots(dc, &d_, &p_, o_.get(), &sz_); });
  std::vector<COLORREF> colours;
  for (const auto& c : log.Of(EMR_POLYLINE))
    if (c.points.size() == 20) colours.push_back(c.penColor);
  EXPECT_EQ(colours, (std::vector<COLORREF>{0, 0, RGB(0, 0, 200)}));
  for (const auto& c : log.Of(EMR_POLYLINE))
    if (c.points.size() == 20) {
      EXPECT_EQ(c.penWidth, +report.chroReport.penWidth);
    }
}

TEST_F(PlotLinesTest, EqualShownIndexesAndEmptyRangesDrawNothing) {
  FillSyntheticSlot(o_.get(), 0, Ramp(20, 0, 10, 100, 900), 0, 1000);
  FillSyntheticSlot(o_.get(), 1, Ramp(20, 0, 10, 100, 900), 0, 1000);
  o_->tail.lastShownIndex[0] = o_->tail.firstShownIndex[0];
  CallLog log = Draw();
  EXPECT_TRUE(Trace(log, 0).empty());
  EXPECT_EQ(sz_.rawDrawn[0], 0);
  EXPECT_EQ(Trace(log, 1).size(), 1u);
  // A zero view window or vertical range has no pixels: the traces are left out.
  o_->tail.viewEnd = o_->tail.viewStart;
  log = Draw();
  EXPECT_TRUE(Trace(log, 1).empty());
  EXPECT_EQ(result_, 1);
}

TEST_F(PlotLinesTest, EdgesInterpolatedToTheWindow) {
  SyntheticTrace tr;
  tr.times = {0.0, 1.0, 2.0, 3.0, 4.0};
  tr.values = {0, 200, 400, 600, 800};
  FillSyntheticSlot(o_.get(), 0, tr, 0, 1000);
  o_->tail.viewStart = 0.5;
  o_->tail.viewEnd = 3.5;
  o_->tail.firstShownIndex[0] = 1;
  o_->tail.lastShownIndex[0] = 3;
  o_->tail.firstShownTime[0] = 1.0;
  o_->tail.lastShownTime[0] = 3.0;
  const auto runs = Trace(Draw(), 0);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].points.size(), 3u);
  // From the left edge at the value at 0.5 (100) to the first point; from the last to the right edge at 700.
  EXPECT_EQ(runs[1].points[0].x, 60);
  EXPECT_EQ(runs[1].points[0].y, Y(100));
  EXPECT_EQ(runs[1].points[1].x, runs[0].points[0].x);
  EXPECT_EQ(runs[2].points[0].x, runs[0].points[2].x);
  EXPECT_EQ(runs[2].points[1].x, 1000);
  EXPECT_EQ(runs[2].points[1].y, Y(700));
}

TEST_F(PlotLinesTest, MarkersWhereTheTraceIsSparse) {
  SyntheticTrace tr;
  tr.times = {0.0, 1.0, 2.0, 3.0};
  tr.values = {100, 500, 2000, 300};
  tr.flags = {0, 1, 0, 0};
  FillSyntheticSlot(o_.get(), 0, tr, 0, 1000);
  format_[0] = 1u | (5u << 16);  // markers on, at most 5 per centimetre
  OPLOT_InitDrawChro(&d_, format_);
  CallLog log = Draw();
  // The point above the scale gets none.
  EXPECT_EQ(log.Of(EMR_ELLIPSE).size(), 3u);
  // Flag words count in files of kind 13: flagged points get filled marks in the axes colour.
  o_->slots[0].workFile->kind13 = 1;
  log = Draw();
  const auto marks = log.Of(EMR_ELLIPSE);
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_TRUE(marks[0].nullBrush);
  EXPECT_EQ(marks[0].penColor, +p_.colors[CHRO_COLOR_PLOT0]);
  EXPECT_FALSE(marks[1].nullBrush);  // the second point's flag word is set
  EXPECT_EQ(marks[1].penColor, +p_.colors[CHRO_COLOR_AXES]);
  EXPECT_EQ(marks[1].brush, +p_.colors[CHRO_COLOR_AXES]);
  // Too dense for the rule: none.
  format_[0] = 1u | (0u << 16);
  OPLOT_InitDrawChro(&d_, format_);
  log = Draw();
  EXPECT_TRUE(log.Of(EMR_ELLIPSE).empty());
}

// A detector point's y is truncated after the subtraction from the bottom,
// an MS point's before it: a fractional height puts them a pixel apart.
// Markers and the right-edge line follow the points.
TEST_F(PlotLinesTest, DetectorPointsAreTruncatedAfterTheSubtraction) {
  struct Case {
    bool detector;
    int32_t (*y)(double);
  } cases[] = {
      {true, [](double v) { return static_cast<int32_t>(std::trunc(560 - v * 0.56)); }},
      {false, [](double v) { return static_cast<int32_t>(560 - std::trunc(v * 0.56)); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.detector);
    o_ = NewOverlay();
    o_->head.displayMode = OVERLAY_MODE_OVERLAID;
    SyntheticTrace tr;
    tr.detector = k.detector;
    tr.times = {0.0, 1.0, 2.0, 3.0, 4.0};
    tr.values = {100.9, 250.3, 401.7, 333.3, 512.1};  // heights 56.504, 140.168 ...: never whole pixels
    FillSyntheticSlot(o_.get(), 0, tr, 0, 1000);
    o_->tail.viewStart = 0.0;
    o_->tail.viewEnd = 3.5;
    o_->tail.lastShownIndex[0] = 3;
    o_->tail.lastShownTime[0] = 3.0;
    format_[0] = 1u | (50u << 16);  // markers on
    OPLOT_InitDrawChro(&d_, format_);
    const CallLog log = Draw();
    ASSERT_EQ(result_, 1);
    const auto runs = Trace(log, 0);
    ASSERT_GE(runs.size(), 2u);
    ASSERT_EQ(runs[0].points.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(runs[0].points[i].y, k.y(tr.values[i])) << i;
    // The right edge at the value halfway between the last two points.
    ASSERT_EQ(runs.back().points.size(), 2u);
    EXPECT_EQ(runs.back().points[1].x, 1000);
    EXPECT_EQ(runs.back().points[1].y, k.y(0.5 * (333.3 + 512.1)));
    if (k.detector) {
      const auto marks = log.Of(EMR_ELLIPSE);
      ASSERT_EQ(marks.size(), 4u);
      for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ((marks[i].rect.top + marks[i].rect.bottom) / 2, k.y(tr.values[i])) << i;
    }
  }
}

TEST_F(PlotLinesTest, CentroidSticksStandOnTheZeroLine) {
  SyntheticTrace tr;
  tr.times = {1.0, 2.0, 3.0};
  tr.values = {100, 500, 300};
  FillSyntheticSlot(o_.get(), 0, tr, 0, 1000);
  o_->tail.viewStart = 0.0;
  o_->tail.viewEnd = 4.0;
  Params();
  const CallLog log = RecordCalls([&](HDC dc) { OPLOT_DrawPlots_Centroid(dc, &d_, &p_, o_.get(), &sz_); });
  int sticks = 0;
  bool zeroLine = false;
  for (const auto& c : log.Of(EMR_LINETO)) {
    if (c.penColor != +p_.colors[CHRO_COLOR_PLOT0]) continue;
    if (c.points[0].x == c.points[1].x && c.points[1].y == 560) ++sticks;
    if (c.points[0].x == 60 && c.points[1].x == 1000 && c.points[0].y == 560) zeroLine = true;
  }
  EXPECT_EQ(sticks, 3);
  EXPECT_TRUE(zeroLine);
}

class PipelineTest : public PlotRootTest {};

TEST_F(PipelineTest, TimeTaggedDetectorTracesTakeTheFileScaleFactor) {
  msfix::DetectorPlan plan;
  plan.timeTagged = true;
  ASSERT_TRUE(msfix::WriteDetectorFile(kDetPath, plan, &detTruth_));
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  ASSERT_EQ(AddDetector(o.get(), 0, kDetPath), 1);
  o->tail.scales.commonLow = 0;
  o->tail.scales.commonHigh = 1e6;
  uint32_t format[26] = {};
  STRUCT_OPLOT_DRAW_CHRO d;
  OPLOT_InitDrawChro(&d, format);
  STRUCT_OPLOT_PLOT_PARAMS p;
  OPLOT_InitPlotParams(&p, 0, 0, 600, 1000, 0, 10, 20);
  STRUCT_OVER_SIZES sz;
  auto firstY = [&] {
    const CallLog log = RecordCalls([&](HDC dc) { OPLOT_DrawPlots(dc, &d, &p, o.get(), &sz); });
    for (const auto& c : log.Of(EMR_POLYLINE))
      if (c.penColor == p.colors[CHRO_COLOR_PLOT0] && c.points.size() > 100) return c.points;
    return std::vector<POINT>{};
  };
  const auto plain = firstY();
  ASSERT_FALSE(plain.empty());
  const STRUCT_WORK_FILE* wf = o->slots[0].workFile;
  ASSERT_TRUE(SetDataScaleFactor(wf->filePath, wf->fileType, 1000.0f));
  const auto scaled = firstY();
  ASSERT_EQ(scaled.size(), plain.size());
  const double v = NePointValue(o->slots[0].trace->points, o->tail.firstShownIndex[0]);
  EXPECT_EQ(plain[0].y, static_cast<int32_t>(std::trunc(560 - v * 560.0 / 1e6)));
  EXPECT_EQ(scaled[0].y, static_cast<int32_t>(std::trunc(560 - static_cast<float>(v) * 1000.0f * 560.0 / 1e6)));
}

TEST_F(PipelineTest, CallOrderOnScreenAndOnPaper) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath), 1);
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  uint32_t format[26] = {};
  STRUCT_OPLOT_DRAW_CHRO d;
  OPLOT_InitDrawChro(&d, format);
  d.drawBackground = 1;
  STRUCT_OPLOT_PLOT_PARAMS p;
  OPLOT_InitPlotParams(&p, 0, 0, 600, 800, 0, 10, 20);
  p.deleteButtons = 1;
  STRUCT_OVER_SIZES sz;
  int32_t r = 0;
  CallLog log = RecordCalls([&](HDC dc) { r = OPLOT_DrawPlots(dc, &d, &p, o.get(), &sz); });
  ASSERT_EQ(r, 1);
  auto index = [&](auto pred) {
    for (size_t i = 0; i < log.calls.size(); ++i)
      if (pred(log.calls[i])) return static_cast<int>(i);
    return -1;
  };
  const int background = log.First(EMR_BITBLT);
  const int scale = index([](const RecordedCall& c) { return c.text == "minutes"; });
  const int trace = index([&](const RecordedCall& c) {
    return c.type == EMR_POLYLINE && c.points.size() > 100 && c.penColor == p.colors[CHRO_COLOR_PLOT0];
  });
  const int title = index([](const RecordedCall& c) { return c.text == "TIC"; });
  const int button = log.Last(EMR_LINETO);
  EXPECT_EQ(background, 0 + background);
  EXPECT_GE(background, 0);
  EXPECT_LT(background, scale);
  EXPECT_LT(scale, trace);
  EXPECT_LT(trace, title);
  EXPECT_LT(title, button);
  EXPECT_EQ(log.calls[button].penColor, +p.colors[CHRO_COLOR_PLOT0 + 1]);  // the last slot's delete box
  EXPECT_EQ(sz.rawDrawn[0], 1);

  // On paper: no background, the outline after the titles.
  OPLOT_InitPlotParams(&p, 1, 0, 6000, 8000, 0, 100, 200);
  log = RecordCalls([&](HDC dc) { r = OPLOT_DrawPlots(dc, &d, &p, o.get(), &sz); });
  EXPECT_EQ(log.First(EMR_BITBLT), -1);
  const int printedTitle = index([](const RecordedCall& c) { return c.text == "TIC"; });
  const auto last = log.Of(EMR_LINETO).back();
  EXPECT_EQ(last.points[1].x, 0);
  EXPECT_EQ(last.points[1].y, 6000);
  EXPECT_LT(printedTitle, log.Last(EMR_LINETO));
}

TEST_F(PipelineTest, RasterPixelsOfAGradientBackgroundAndATrace) {
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  SyntheticTrace tr;
  tr.times = {0.0, 10.0};
  tr.values = {500, 500};
  FillSyntheticSlot(o.get(), 0, tr, 0, 1000);
  uint32_t format[26] = {};
  STRUCT_OPLOT_DRAW_CHRO d;
  OPLOT_InitDrawChro(&d, format);
  d.drawBackground = 1;
  STRUCT_OPLOT_PLOT_PARAMS p;
  OPLOT_InitPlotParams(&p, 0, 0, 300, 400, 0, 10, 20);
  p.gradientBackground = 1;
  p.fadeFromWhite = 1;
  p.colors[CHRO_COLOR_BACKGROUND] = RGB(0, 0, 255);
  p.colors[CHRO_COLOR_PLOT0] = RGB(255, 0, 0);
  STRUCT_OVER_SIZES sz;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 400, 300);
  HGDIOBJ old = SelectObject(dc, bmp);
  ASSERT_EQ(OPLOT_DrawPlots(dc, &d, &p, o.get(), &sz), 1);
  const int32_t plotBottom = 300 - sz.timeScaleHeight;
  EXPECT_EQ(GetPixel(dc, 200, 0), RGB(255, 255, 255));                 // the fade starts white
  EXPECT_EQ(GetPixel(dc, 200, plotBottom - 1), RGB(0, 0, 255));        // and ends in the colour
  EXPECT_EQ(GetPixel(dc, 200, plotBottom - (plotBottom / 2)), RGB(255, 0, 0));  // the trace at half scale
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

}  // namespace
