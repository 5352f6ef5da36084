// Peak and time events drawn over a plot, read back from a metafile, with
// the positions written back into the records.
#include "plotengine/peak_event_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "holbrin/holbrin.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/tests/plot_fixture.h"
#include "plotengine/tests/recorded_calls.h"

namespace {

class PeakDrawingTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    WriteMsRun();
    o_ = NewOverlay();
    o_->head.displayMode = OVERLAY_MODE_OVERLAID;
    ASSERT_EQ(AddTic(o_.get(), 0, kMsPath), 1);
    OPLOT_UpdateOverlayPlots(o_.get(), 4.0, 8.0);
    OPLOT_InitPlotParams(&p_, 0, 0, 620, 860, 0, 12, 20);
    p_.extraLinesUnderTimeAxis = 4;  // room for both strips
    o_->tail.scales.commonLow = 0;
    o_->tail.scales.commonHigh = 1000;
    OPLOT_CalculateSizes(o_.get(), &p_, &sz_, 0, -1, -1);
    ASSERT_TRUE(OPLOT_GetChromatogramArea(o_.get(), &sz_, 0, &left_, &bottom_, &right_, &top_));
    rec_.plot = 0;
    rec_.hasEvents = 1;
  }
  int32_t X(double t) const {
    int32_t x = 0;
    EXPECT_TRUE(OPLOT_GetXPixelFromTime(t, o_.get(), &sz_, 1, &x));
    return x;
  }
  int32_t Y(double v) const {
    int32_t y = 0;
    EXPECT_TRUE(OPLOT_GetYPixelFromValue(v, 0, o_.get(), &sz_, 1, &y));
    return y;
  }
  static STRUCT_OPLOT_PEAK_EVENT Event(double time, float value, uint32_t code) {
    STRUCT_OPLOT_PEAK_EVENT e{};
    e.rawTime = e.readRawTime = DHMinutesToRaw(time);
    e.time = DHRawToMinutes(e.rawTime);
    e.value = e.readValue = value;
    e.code = code;
    return e;
  }
  void Attach() {
    rec_.events = events_.data();
    rec_.eventCount = static_cast<int16_t>(events_.size());
    rec_.peaks = peaks_.data();
    rec_.peakCount = static_cast<int16_t>(peaks_.size());
    rec_.baselines = baselines_.data();
    rec_.baselineCount = static_cast<int16_t>(baselines_.size());
    rec_.valleys = valleys_.data();
    rec_.valleyCount = static_cast<int16_t>(valleys_.size());
  }
  CallLog DrawAll(STRUCT_OPLOT_TIME_EVENT* te = nullptr, int16_t n = 0, int16_t selected = -1) {
    Attach();
    return RecordCalls([&](HDC dc) { OPLOT_DrawAllPeakEvents(dc, o_.get(), &sz_, 7, 9, nullptr, &rec_, te, n, selected); });
  }
  static bool HasPoly(const CallLog& log, DWORD type, std::vector<POINT> pts) {
    for (const auto& c : log.Of(type)) {
      if (c.points.size() < pts.size()) continue;
      bool same = true;
      for (size_t i = 0; i < pts.size() && same; ++i) same = c.points[i].x == pts[i].x && c.points[i].y == pts[i].y;
      if (same) return true;
    }
    return false;
  }
  static bool HasLine(const CallLog& log, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    for (const auto& c : log.Of(EMR_LINETO))
      if (c.points[0].x == x0 && c.points[0].y == y0 && c.points[1].x == x1 && c.points[1].y == y1) return true;
    return false;
  }

  OverlayPtr o_;
  STRUCT_OPLOT_PLOT_PARAMS p_{};
  STRUCT_OVER_SIZES sz_{};
  int32_t left_ = 0, bottom_ = 0, right_ = 0, top_ = 0;
  STRUCT_OPLOT_DRAW_EVENTS rec_{};
  std::vector<STRUCT_OPLOT_PEAK_EVENT> events_;
  std::vector<STRUCT_OPLOT_PEAK_MARK> peaks_;
  std::vector<STRUCT_OPLOT_BASELINE> baselines_;
  std::vector<STRUCT_OPLOT_VALLEY> valleys_;
  const int32_t w_ = (12 >> 2) * 3, h_ = 20 / 3;
};

STRUCT_OPLOT_PEAK_MARK Peak(double t, float v, float area) {
  STRUCT_OPLOT_PEAK_MARK p{};
  p.apexRawTime = DHMinutesToRaw(t);
  p.apexTime = DHRawToMinutes(p.apexRawTime);
  p.apexValue = v;
  p.area = area;
  p.drawn = p.x = p.y = 77;  // cleared by the drawing
  return p;
}

TEST_F(PeakDrawingTest, ApexMarksAndThresholdMarksWithPositionsWrittenBack) {
  peaks_ = {Peak(5.0, 500, 100), Peak(6.0, 1000, 5000), Peak(6.5, 300, 10), Peak(9.0, 300, 5000)};
  rec_.selectedApexValid = 1;
  rec_.selectedApexRaw = peaks_[2].apexRawTime;
  rec_.markEnabled = 1;
  rec_.markMode = 0;           // threshold B counts, A is ignored
  rec_.markThresholdA = 1e9f;
  rec_.markThresholdB = 1000;
  const CallLog log = DrawAll();
  // At the top of the scale (strict test) and outside the window: not drawn.
  EXPECT_EQ(peaks_[1].drawn, 0);
  EXPECT_EQ(peaks_[1].x, 0);
  EXPECT_EQ(peaks_[3].drawn, 0);
  ASSERT_EQ(peaks_[0].drawn, 1);
  EXPECT_EQ(peaks_[0].x, X(5.0));
  EXPECT_EQ(peaks_[0].y, Y(500));
  EXPECT_EQ(peaks_[2].selected, 1);
  const int32_t x0 = X(5.0), y0 = Y(500), x2 = X(6.5), y2 = Y(300);
  // Outline down triangle over the first; the selected one is filled and gets the up mark.
  EXPECT_TRUE(HasPoly(log, EMR_POLYLINE, {{x0, y0}, {x0 - w_, y0 - 2 * h_}, {x0 + w_, y0 - 2 * h_}, {x0, y0}}));
  EXPECT_TRUE(HasPoly(log, EMR_POLYGON, {{x2, y2}, {x2 - w_, y2 - 2 * h_}, {x2 + w_, y2 - 2 * h_}}));
  // Selected: the up mark whatever its area.
  EXPECT_TRUE(HasPoly(log, EMR_POLYLINE, {{x2, y2}, {x2 + w_, y2 + 4 * h_}, {x2 - w_, y2 + 4 * h_}}));
  // Area 100 is under threshold B: no up mark.
  EXPECT_FALSE(HasPoly(log, EMR_POLYLINE, {{x0, y0}, {x0 + w_, y0 + 4 * h_}}));
  for (const auto& c : log.Of(EMR_POLYGON)) EXPECT_EQ(c.brush, +p_.colors[CHRO_COLOR_AXES]);
}

TEST_F(PeakDrawingTest, AreaLabelsStayInsideTheArea) {
  peaks_ = {Peak(5.0, 500, 1234), Peak(6.0, 995, 2000), Peak(7.0, 995, 3000)};
  rec_.showAreaLabels = 1;
  rec_.selectedApexValid = 1;
  rec_.selectedApexRaw = peaks_[2].apexRawTime;
  const CallLog log = DrawAll();
  const auto texts = log.Of(EMR_EXTTEXTOUTA);
  ASSERT_GE(texts.size(), 3u);
  // Centred over the first apex, half a line above it.
  EXPECT_LT(texts[0].points[0].x, X(5.0));
  EXPECT_LT(texts[0].points[0].y, Y(500) - 10);
  // Near the top: others go one mark height below the top, the selected one beside its mark.
  EXPECT_EQ(texts[1].points[0].y, top_ + h_);
  EXPECT_EQ(texts[2].points[0].x, X(7.0) + 12);
  EXPECT_EQ(texts[2].points[0].y, Y(995));
}

TEST_F(PeakDrawingTest, ValleysDropLinesAndBaselines) {
  events_ = {Event(4.5, 100, 2), Event(5.5, 2000, 0x10), Event(6.5, 300, 2), Event(7.0, 500, 4)};
  events_[1].originalRawTime = DHMinutesToRaw(5.4);  // moved by an earlier edit
  events_[1].originalValue = 200;
  STRUCT_OPLOT_BASELINE b{};
  b.startEvent = 0;
  b.endEvent = 2;
  b.altStartEvent = b.altEndEvent = -1;
  b.startTime = events_[0].time;
  b.startValue = 100;
  b.endTime = events_[2].time;
  b.endValue = 300;
  STRUCT_OPLOT_BASELINE early = b;  // ends exactly at the window's start: segment drawn, no end mark
  early.startTime = 3.0;
  early.endTime = 4.0;
  early.startValue = 0;
  early.endValue = 400;
  baselines_ = {b, early};
  STRUCT_OPLOT_VALLEY v{};
  v.time = events_[1].time;
  v.value = 2000;  // above the scale
  v.event = 1;
  v.baseline = 0;
  v.spanStartEvent = 0;
  v.spanEndEvent = 2;
  valleys_ = {v};
  const CallLog log = DrawAll();
  const int32_t xv = X(v.time);
  // No mark; the drop line starts at the top and ends on the baseline.
  EXPECT_EQ(valleys_[0].handle.drawn, 0);
  const double vb = 100 + (v.time - b.startTime) / (b.endTime - b.startTime) * 200;
  EXPECT_TRUE(HasLine(log, xv, top_, xv, Y(vb)));
  // The baseline and its start mark (at its original place: outline).
  const int32_t xs = X(b.startTime), ys = Y(100);
  EXPECT_TRUE(HasLine(log, xs, ys, X(b.endTime), Y(300)));
  EXPECT_EQ(baselines_[0].startHandle.drawn, 1);
  EXPECT_EQ(baselines_[0].startHandle.x, xs);
  EXPECT_TRUE(HasPoly(log, EMR_POLYLINE, {{xs, ys}, {xs + w_, ys + 2 * h_}}));
  EXPECT_TRUE(HasLine(log, left_, Y(400), left_, Y(400)));
  EXPECT_EQ(baselines_[1].endHandle.drawn, 0);
  // The moved valley event's original place gets the crossed triangle.
  const int32_t xo = X(DHRawToMinutes(events_[1].originalRawTime)), yo = Y(200);
  EXPECT_TRUE(HasLine(log, xo - w_, yo, xo + w_, yo + 3 * h_));
  // The apex event (code 4) with no integrated peak: an outline up triangle, written back.
  EXPECT_EQ(events_[3].drawn, 1);
  EXPECT_EQ(events_[3].x, X(7.0));
  EXPECT_EQ(events_[0].drawn, 0);
}

TEST_F(PeakDrawingTest, NonApexEventAtTheWindowEdgeIsDrawn) {
  events_ = {Event(4.0, 500, 4)};
  o_->tail.viewStart = events_[0].time;
  DrawAll();
  EXPECT_EQ(events_[0].drawn, 1);
  EXPECT_EQ(events_[0].x, left_);
}

TEST_F(PeakDrawingTest, GroupMarkerWithBrackets) {
  o_->tail.scales.commonHigh = 1e9;  // the trace's value at the focus is on scale
  OPLOT_CalculateSizes(o_.get(), &p_, &sz_, 0, -1, -1);
  rec_.groupValid = 1;
  rec_.focusTime = 6.0;
  rec_.groupStart = 3.0;  // before the window: no tick at its start
  rec_.groupEnd = 7.0;
  const CallLog log = DrawAll();
  double t = 0, v = 0;
  ASSERT_TRUE(OPLOT_GetInterpolatedValueFromTime(o_.get(), 0, 6.0, &t, &v));
  const int32_t x = X(t), y = Y(v), xe = X(7.0);
  EXPECT_TRUE(HasLine(log, left_, y, x, y));
  EXPECT_TRUE(HasLine(log, xe, y, x, y));
  EXPECT_TRUE(HasLine(log, xe, y - 20, xe, y + 20));
  EXPECT_FALSE(HasLine(log, left_, y - 20, left_, y + 20));
  EXPECT_TRUE(log.Text("Group"));
}

TEST_F(PeakDrawingTest, StripAreasUnderTheTimeAxis) {
  const int32_t plotBottom = 620 - sz_.timeScaleHeight;
  int32_t l, b, r, t;
  EXPECT_EQ(OPLOT_GetPeakEventsArea(&sz_, 1, 0, 1, &l, &b, &r, &t), 0);
  ASSERT_EQ(OPLOT_GetPeakEventsArea(&sz_, 1, 1, 1, &l, &b, &r, &t), 1);
  EXPECT_EQ(l, left_);
  EXPECT_EQ(r, right_ - 1);
  EXPECT_EQ(t, plotBottom + 40);
  EXPECT_EQ(b, plotBottom + 40 + 40 - 10);
  ASSERT_EQ(OPLOT_GetWinTimeEventsArea(&sz_, 1, o_.get(), 0, 100, 200, 1, 1, &l, &b, &r, &t), 1);
  EXPECT_EQ(t, plotBottom + 40 + 30 + 2 + 200);
  EXPECT_EQ(b, plotBottom + 40 + 30 + 50 - 2 + 200);
  EXPECT_EQ(l, left_ + 100);
  // A view window past the file's end ends the time strip at the file's end.
  o_->tail.viewEnd = 14.0;
  OPLOT_CalculateSizes(o_.get(), &p_, &sz_, 0, -1, -1);
  ASSERT_EQ(OPLOT_GetTimeEventsArea(&sz_, 1, o_.get(), 0, 0, 1, &l, &b, &r, &t), 1);
  EXPECT_EQ(r, X(o_->slots[0].workFile->endTime) - 1);
}

TEST_F(PeakDrawingTest, TimeEventsStripMarksAndTheInvertedSelection) {
  rec_.showPeakStrip = 1;
  rec_.showTimeStrip = 1;
  STRUCT_OPLOT_TIME_EVENT te[4] = {};
  te[0].time = 30000;  // inhibit integrate 3.0 .. 5.0: starts before the window
  te[0].type = 1;
  te[0].endTime = 50000;
  te[1].time = 60000;  // a split-peak event at 6.0
  te[1].type = 6;
  te[2].time = 70000;
  te[2].type = 99;  // no such type
  te[3].time = 70000;  // solvent reject 7.0 .. 9.0: ends after the window
  te[3].type = 2;
  te[3].endTime = 90000;
  const CallLog log = DrawAll(te, 4, 0);
  int32_t l, b, r, t;
  ASSERT_EQ(OPLOT_GetTimeEventsArea(&sz_, 1, o_.get(), 0, 1, 1, &l, &b, &r, &t), 1);
  const RecordedCall* hint = log.Text("Right Click to Add/Edit Time Events.  Count: 4");
  ASSERT_TRUE(hint);
  EXPECT_TRUE(log.Text("Peak"));
  ASSERT_TRUE(log.Text("II"));
  // The range line crosses the hint's own corner: it goes to the abbreviations' row, after them.
  EXPECT_EQ(hint->points[0].y, log.Text("II")->points[0].y);
  EXPECT_GT(hint->points[0].x, log.Text("II")->points[0].x);
  EXPECT_TRUE(log.Text("SP"));
  // The range shows its line and end mark only; positions carry the window offsets (7, 9).
  EXPECT_EQ(te[0].startMark.drawn, 0);
  EXPECT_EQ(te[0].endMark.drawn, 1);
  EXPECT_EQ(te[0].rangeMark.x1, left_ + 7);
  EXPECT_EQ(te[0].endMark.x, X(5.0) + 7);
  const int32_t lineY = te[0].rangeMark.y - 9;
  EXPECT_GT(lineY, t);
  EXPECT_TRUE(HasLine(log, left_, lineY, X(5.0), lineY));
  EXPECT_EQ(te[1].startMark.drawn, 1);
  EXPECT_EQ(te[1].startMark.x, X(6.0) + 7);
  EXPECT_EQ(te[2].startMark.drawn, 0);
  EXPECT_EQ(te[3].startMark.drawn, 1);
  EXPECT_EQ(te[3].endMark.drawn, 0);
  EXPECT_EQ(te[3].rangeMark.x2, right_ + 7);
  // The selected range is inverted over the plot's full height.
  const auto blits = log.Of(EMR_BITBLT);
  ASSERT_FALSE(blits.empty());
  EXPECT_EQ(blits.back().rop, DSTINVERT);
  EXPECT_EQ(blits.back().rect.left, left_);
  EXPECT_EQ(blits.back().rect.right, X(5.0));
  EXPECT_EQ(blits.back().rect.top, top_);
  EXPECT_EQ(blits.back().rect.bottom, bottom_);
}

TEST_F(PeakDrawingTest, SelectionOutsideTheEventsInvertsNothing) {
  rec_.showTimeStrip = 1;
  STRUCT_OPLOT_TIME_EVENT te[1] = {};
  te[0].time = 60000;
  te[0].type = 6;
  const CallLog log = DrawAll(te, 1, 5);
  EXPECT_EQ(log.First(EMR_SETROP2), -1);
  // No array: the hint counts 0.
  const CallLog none = DrawAll(nullptr, 4, 2);
  const RecordedCall* hint = none.Text("Right Click to Add/Edit Time Events.  Count: 0");
  ASSERT_TRUE(hint);
  int32_t l, b, r, t;
  ASSERT_EQ(OPLOT_GetTimeEventsArea(&sz_, 1, o_.get(), 0, 0, 1, &l, &b, &r, &t), 1);
  EXPECT_EQ(hint->points[0].x, l + 2);  // nothing in its way: its own corner
  EXPECT_EQ(hint->points[0].y, t + 2);
  EXPECT_EQ(none.First(EMR_SETROP2), -1);
}

TEST_F(PeakDrawingTest, NothingForAPlotNotInView) {
  peaks_ = {Peak(5.0, 500, 100)};
  sz_.plotInView[0] = 0;
  EXPECT_TRUE(DrawAll().Of(EMR_POLYLINE).empty());
  EXPECT_EQ(peaks_[0].drawn, 77);
}

}  // namespace
