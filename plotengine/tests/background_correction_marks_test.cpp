// Background-correction marks: ticks, sample marks and correction lines
// read back from a metafile, and the slots they are drawn on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <iterator>
#include <string>
#include <cstring>
#include <vector>

#include "jessul32/background_marks.h"
#include "plotengine/background_correction_marks.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/tests/plot_fixture.h"
#include "plotengine/tests/recorded_calls.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "testing/raster.h"

namespace {

struct Seg {
  int32_t x0, y0, x1, y1;
  bool operator==(const Seg& o) const { return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1; }
};

std::vector<Seg> Lines(const CallLog& log) {
  std::vector<Seg> out;
  for (const auto& c : log.Of(EMR_LINETO)) out.push_back({c.points[0].x, c.points[0].y, c.points[1].x, c.points[1].y});
  return out;
}

// A correction and its reference spectra, made by hand.
struct HandPoint {
  double time, value;
  std::vector<std::pair<double, double>> samples;
  int16_t segment = 0;
};
struct HandRange {
  double start, end;
  std::vector<HandPoint> points;
};

STRUCT_BC_DRAW_INFO* NewDrawInfo(int16_t segment, double time, double value,
                                 const std::vector<std::pair<double, double>>& pairs) {
  auto* info = static_cast<STRUCT_BC_DRAW_INFO*>(AllocBlock(static_cast<uint32_t>(38 + 16 * pairs.size())));
  STRUCT_BC_DRAW_INFO head{};
  head.segment = segment;
  head.scansPerCycle = 1;
  head.scanCount = static_cast<uint16_t>(pairs.size());
  head.time = time;
  head.meanValue = value;
  std::memcpy(info, &head, sizeof head);
  for (size_t k = 0; k < pairs.size(); ++k) {
    const double pair[2] = {pairs[k].first, pairs[k].second};
    std::memcpy(reinterpret_cast<uint8_t*>(info) + 38 + 16 * k, pair, 16);
  }
  return info;
}

struct HandCorrection {
  STRUCT_FILE_BC* correction = nullptr;
  std::vector<STRUCT_BC_DRAW_INFO*> spectra;
  explicit HandCorrection(const std::vector<HandRange>& ranges) {
    size_t bytes = sizeof(STRUCT_FILE_BC);
    for (const HandRange& r : ranges) bytes += sizeof(STRUCT_FILE_BC_GROUP) + r.points.size() * sizeof(STRUCT_FILE_BC_ENTRY);
    auto* block = static_cast<uint8_t*>(AllocBlock(static_cast<uint32_t>(bytes)));
    STRUCT_FILE_BC head{};
    head.format = BACKCORR_FORMAT;
    head.groupCount = static_cast<uint16_t>(ranges.size());
    std::memcpy(block, &head, sizeof head);
    size_t at = sizeof head;
    uint16_t segment = 1;
    for (const HandRange& r : ranges) {
      STRUCT_FILE_BC_GROUP g{};
      g.startTime = r.start;
      g.endTime = r.end;
      g.segment = segment++;
      g.entryCount = static_cast<uint16_t>(r.points.size());
      std::memcpy(block + at, &g, sizeof g);
      at += sizeof g + r.points.size() * sizeof(STRUCT_FILE_BC_ENTRY);
      for (const HandPoint& p : r.points) spectra.push_back(NewDrawInfo(p.segment, p.time, p.value, p.samples));
    }
    correction = reinterpret_cast<STRUCT_FILE_BC*>(block);
  }
  ~HandCorrection() {
    for (auto* p : spectra) FreeBlock(p);
    FreeBlock(correction);
  }
  int16_t Count() const { return static_cast<int16_t>(spectra.size()); }
};

// The background spectra of a data file's correction, one per background
// range, from the correction library's view of it.
struct FileSpectra {
  std::vector<STRUCT_BC_DRAW_INFO*> spectra;
  explicit FileSpectra(const STRUCT_BC_MARKS* m) {
    for (uint32_t i = 0; i < m->pointCount; ++i) {
      const STRUCT_BC_MARK_POINT p = BcMarkPoints(m)[i];
      std::vector<std::pair<double, double>> pairs;
      for (uint32_t k = 0; k < p.sampleCount; ++k) {
        const STRUCT_BC_MARK_SAMPLE sm = BcMarkSamples(m)[p.firstSample + k];
        pairs.push_back({sm.time, sm.value});
      }
      spectra.push_back(NewDrawInfo(p.segment, p.time, p.value, pairs));
    }
  }
  ~FileSpectra() {
    for (auto* p : spectra) FreeBlock(p);
  }
};

struct GeometryCase {
  const char* name;
  double viewStart, viewEnd;
  std::vector<HandRange> ranges;
  std::vector<Seg> expected;  // exactly these lines, in any order
};

// Rectangle 100..600 x 100..300, values 0..100, ticks 20 high, sample marks 5 either side.
TEST(BackgroundCorrectionMarks, TicksSamplesAndLinesCutToTheRectangle) {
  const GeometryCase cases[] = {
      {"two points: ticks, samples, joined, carried to the range ends, cut at the bottom",
       0, 10,
       {{1, 9, {{3, 50, {{2.5, 48}, {3.5, 52}}}, {6, 20, {{5.5, 150}, {6.5, 20}}}}}},
       {{250, 200, 250, 180}, {220, 204, 230, 204}, {270, 196, 280, 196},  // x = 100 + 50 t, y = 300 - 2 v
        {400, 260, 400, 240}, {420, 260, 430, 260},                        // the sample above 100 is left out
        {150, 160, 250, 200}, {250, 200, 400, 260}, {400, 260, 500, 300}}},
      {"one point: horizontal over its range", 0, 10, {{0.5, 2, {{1, 30, {}}}}},
       {{150, 240, 150, 220}, {125, 240, 200, 240}}},
      {"range running out of the window: continued to the window edge; no tick outside it",
       4, 9,
       {{1, 9, {{2, 80, {{2, 80}}}, {5, 50, {}}, {7, 20, {}}}}},
       {{200, 200, 200, 180}, {400, 260, 400, 240},  // x = 100 + 100 (t - 4)
        {100, 180, 200, 200}, {200, 200, 400, 260}, {400, 260, 533, 300}}},
      {"a point after the last range is not drawn", 0, 10,
       {{1, 2, {{1.5, 10, {}}}}, {5, 6, {{5.5, 10, {}}, {7.5, 10, {}}}}},
       {{175, 280, 175, 260}, {150, 280, 200, 280}, {375, 280, 375, 260}, {350, 280, 400, 280}}},
  };
  for (const auto& c : cases) {
    OverlayPtr o = NewOverlay();
    o->head.displayMode = OVERLAY_MODE_OVERLAID;
    SyntheticTrace tr;
    tr.detector = true;
    for (int i = 0; i <= 100; ++i) {
      tr.times.push_back(i * 0.1);
      tr.values.push_back(40 + 10 * (i % 3));
    }
    FillSyntheticSlot(o.get(), 0, tr, 0, 100);
    std::strcpy(o->slots[0].units, "Counts");
    o->tail.viewStart = c.viewStart;
    o->tail.viewEnd = c.viewEnd;
    STRUCT_OPLOT_PLOT_PARAMS params{};
    OPLOT_InitPlotParams(&params, 0, 0, 400, 700, 0, 10, 20);
    STRUCT_OVER_SIZES sizes{};
    OPLOT_CalculateSizes(o.get(), &params, &sizes, 0, -1, -1);
    double low = -1, high = -1;
    ASSERT_TRUE(OPLOT_GetVerticalScaleValues(o.get(), &sizes, 0, 0, &low, &high)) << c.name;
    ASSERT_EQ(low, 0) << c.name;
    ASSERT_EQ(high, 100) << c.name;
    HandCorrection hc(c.ranges);
    const CallLog log = RecordCalls([&](HDC dc) {
      OPLOT_OnePlotDrawBackgroundCorrection(dc, 100, 300, 600, 100, 10, 20, low, high, c.viewStart, c.viewEnd, 0, 0,
                                            o->slots[0].trace, hc.correction, hc.Count(), hc.spectra.data());
    });
    std::vector<Seg> got = Lines(log);
    for (const Seg& e : c.expected)
      EXPECT_NE(std::find(got.begin(), got.end(), e), got.end())
          << c.name << ": missing " << e.x0 << "," << e.y0 << " " << e.x1 << "," << e.y1;
    EXPECT_EQ(got.size(), c.expected.size()) << c.name;
    for (const Seg& g : got) {
      EXPECT_TRUE(g.x0 >= 100 && g.x0 <= 600 && g.x1 >= 100 && g.x1 <= 600) << c.name;
      EXPECT_TRUE(g.y0 >= 100 && g.y0 <= 300 && g.y1 >= 100 && g.y1 <= 300) << c.name;
    }
  }
}

TEST(BackgroundCorrectionMarks, EmptyTraceDamagedCorrectionAndShortRecords) {
  OverlayPtr o = NewOverlay();
  SyntheticTrace tr;
  tr.detector = true;
  tr.times = {0, 5, 10};
  tr.values = {1, 2, 3};
  FillSyntheticSlot(o.get(), 0, tr, 0, 100);
  HandCorrection hc({{1, 9, {{3, 50, {{2.5, 48}}}, {6, 20, {}}}}});
  auto draw = [&](const STRUCT_NE_DATA_POINTS* trace) {
    return Lines(RecordCalls([&](HDC dc) {
      OPLOT_OnePlotDrawBackgroundCorrection(dc, 100, 300, 600, 100, 10, 20, 0, 100, 0, 10, 0, 0, trace, hc.correction,
                                            hc.Count(), hc.spectra.data());
    }));
  };
  // Two ticks, a sample, the joining line carried on at both ends.
  EXPECT_EQ(draw(o->slots[0].trace).size(), 6u);
  // A record claiming more pairs than it holds: only those it holds are drawn.
  STRUCT_BC_DRAW_INFO* first = hc.spectra[0];
  const uint16_t claimed = 500;
  std::memcpy(reinterpret_cast<uint8_t*>(first) + offsetof(STRUCT_BC_DRAW_INFO, scanCount), &claimed, 2);
  EXPECT_EQ(draw(o->slots[0].trace).size(), 6u);
  STRUCT_NE_DATA_POINTS empty{};
  EXPECT_TRUE(draw(&empty).empty());
  EXPECT_TRUE(draw(nullptr).empty());
  const uint16_t groups = 40;  // more groups than the block holds
  std::memcpy(reinterpret_cast<uint8_t*>(hc.correction) + offsetof(STRUCT_FILE_BC, groupCount), &groups, 2);
  EXPECT_TRUE(draw(o->slots[0].trace).empty());
}

// Marks drawn by the whole call over fixture runs: which slots get them.
class BackgroundCorrectionDrawing : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    WriteMsRun();
    bc_ = NewBackCorr(kMsPath);
    ASSERT_NE(bc_, nullptr);
    // One window early in segment 1, two in segment 2.
    const auto& s1 = msTruth_.segments[0];
    const auto& s2 = msTruth_.segments[1];
    for (auto w : {std::pair<uint32_t, uint32_t>{s1.firstScan + 20, 4}, {s2.firstScan + 30, 3},
                   {s2.lastScan - 40, 5}}) {
      STRUCT_FILE_BC* grown = AddBackCorrRange(bc_, w.first, 0, w.first + w.second, 0);
      ASSERT_NE(grown, nullptr);
      bc_ = grown;
    }
    marks_ = GetBackCorrMarks(bc_, kMsPath);
    ASSERT_NE(marks_, nullptr);
    ASSERT_EQ(+marks_->pointCount, 3u);
    spectra_ = std::make_unique<FileSpectra>(marks_);
    for (auto& e : slots_) e = {3, spectra_->spectra.data(), bc_};
  }
  void TearDown() override {
    spectra_.reset();
    FreeBackCorrMarks(marks_);
    FreeBackCorr(bc_);
    PlotRootTest::TearDown();
  }
  // Slots 0..n-1 get the run's TIC, each 0.1 minutes later than the one before.
  void Build(int mode, int n, const char* otherUnits = nullptr, int otherSlot = -1) {
    o_ = NewOverlay();
    o_->head.displayMode = static_cast<int16_t>(mode);
    for (int k = 0; k < n; ++k)
      ASSERT_EQ(AddTic(o_.get(), static_cast<int16_t>(k), kMsPath, 0, 0,
                       k == otherSlot && otherUnits ? otherUnits : "Counts"),
                1);
    o_->tail.timeOffsetsOn = 1;
    for (int k = 0; k < n; ++k) o_->tail.timeOffsets[k] = 0.1 * k;
    o_->tail.viewStart = 1.5;
    o_->tail.viewEnd = 12.5;
    OPLOT_SetVerticalFullScale(o_.get(), 1, 1);
    OPLOT_InitPlotParams(&params_, 0, 0, 500, 900, 0, 10, 20);
    params_.colors[CHRO_COLOR_BASELINES] = RGB(200, 0, 0);
    OPLOT_CalculateSizes(o_.get(), &params_, &sizes_, 0, -1, -1);
  }
  // Slots whose ticks were drawn: a vertical line one character high
  // starting at a correction point's x and y.
  std::vector<int> SlotsWithTicks(const CallLog& log) {
    std::vector<int> out;
    const std::vector<Seg> lines = Lines(log);
    for (int k = 0; k < OVERLAY_SLOTS; ++k) {
      if (!o_->tail.attached[k]) continue;
      int found = 0;
      for (uint32_t i = 0; i < marks_->pointCount; ++i) {
        const STRUCT_BC_MARK_POINT p = BcMarkPoints(marks_)[i];
        int32_t x = 0, y = 0;
        if (!OPLOT_GetXPixelFromTime(p.time + 0.1 * k, o_.get(), &sizes_, 0, &x) ||
            !OPLOT_GetYPixelFromValue(p.value, static_cast<int16_t>(k), o_.get(), &sizes_, 0, &y))
          continue;
        for (const Seg& l : lines)
          if (l.x0 == l.x1 && std::abs(l.x0 - x) <= 1 && std::abs(l.y0 - y) <= 1 && l.y0 - l.y1 == sizes_.charHeight)
            ++found;
      }
      if (found) out.push_back(k);
    }
    return out;
  }
  STRUCT_FILE_BC* bc_ = nullptr;
  STRUCT_BC_MARKS* marks_ = nullptr;
  std::unique_ptr<FileSpectra> spectra_;
  STRUCT_OPLOT_BC_SLOT slots_[OVERLAY_SLOTS] = {};
  OverlayPtr o_;
  STRUCT_OPLOT_PLOT_PARAMS params_{};
  STRUCT_OVER_SIZES sizes_{};
};

TEST_F(BackgroundCorrectionDrawing, SlotsDrawnByModeUnitsAndSlotsAB) {
  struct Case {
    const char* name;
    int mode, slots;
    int otherSlot;  // gets "Area" units
    int16_t a, b;
    std::vector<int> drawn;
  } cases[] = {
      {"stacked: every Counts slot", OVERLAY_MODE_STACKED, 3, -1, 0, 0, {0, 1, 2}},
      {"stacked: a slot of other units is left out", OVERLAY_MODE_STACKED, 3, 1, 0, 0, {0, 2}},
      {"overlaid: slots a and b only", OVERLAY_MODE_OVERLAID, 4, -1, 3, 1, {1, 3}},
      {"two scales: a in other units, b only", OVERLAY_MODE_TWO_SCALES, 3, 2, 2, 0, {0}},
      {"normalised: a and b the same slot", OVERLAY_MODE_NORMALISED, 3, -1, 2, 2, {2}},
  };
  for (const auto& c : cases) {
    Build(c.mode, c.slots, "Area", c.otherSlot);
    const CallLog log = RecordCalls([&](HDC dc) { OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, slots_, c.a, c.b); });
    EXPECT_EQ(SlotsWithTicks(log), c.drawn) << c.name;
    for (const auto& l : log.Of(EMR_LINETO)) {
      EXPECT_EQ(l.penColor, RGB(200, 0, 0)) << c.name;
      EXPECT_EQ(l.penWidth, 0) << c.name;
    }
  }
}

TEST_F(BackgroundCorrectionDrawing, NothingWithoutSpectraOrDataFlagAndPrintPenOnPaper) {
  Build(OVERLAY_MODE_OVERLAID, 1);
  // An entry without spectra or without a correction draws nothing.
  STRUCT_OPLOT_BC_SLOT none[OVERLAY_SLOTS] = {};
  none[0] = {0, spectra_->spectra.data(), bc_};
  EXPECT_TRUE(RecordCalls([&](HDC dc) { OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, none, 0, 0); })
                  .Of(EMR_LINETO)
                  .empty());
  none[0] = {3, spectra_->spectra.data(), nullptr};
  EXPECT_TRUE(RecordCalls([&](HDC dc) { OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, none, 0, 0); })
                  .Of(EMR_LINETO)
                  .empty());
  EXPECT_TRUE(RecordCalls([&](HDC dc) { OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, nullptr, 0, 0); })
                  .Of(EMR_LINETO)
                  .empty());
  sizes_.plotInView[0] = 0;
  EXPECT_TRUE(RecordCalls([&](HDC dc) { OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, slots_, 0, 0); })
                  .Of(EMR_LINETO)
                  .empty());

  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);
  OPLOT_InitPlotParams(&params_, 1, 0, 5000, 9000, 0, 100, 200);
  OPLOT_CalculateSizes(o_.get(), &params_, &sizes_, 0, -1, -1);
  const CallLog log = RecordCalls([&](HDC dc) { OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, slots_, 0, 0); });
  const auto lines = log.Of(EMR_LINETO);
  ASSERT_FALSE(lines.empty());
  for (const auto& l : lines) EXPECT_EQ(l.penWidth, report.chroReport.penWidth);
  int ticks = 0;
  for (const auto& l : lines) ticks += l.points[0].x == l.points[1].x && l.points[0].y - l.points[1].y == 664;
  EXPECT_EQ(ticks, 3);
}

TEST_F(BackgroundCorrectionDrawing, PointsOnlyWhereTheTraceHasPoints) {
  // The trace covers segment 1 only; the view still shows the whole run.
  o_ = NewOverlay();
  o_->head.displayMode = OVERLAY_MODE_OVERLAID;
  ASSERT_EQ(AddTic(o_.get(), 0, kMsPath, msTruth_.startTime, msTruth_.segments[0].endTime - 0.2), 1);
  o_->tail.viewStart = 1.5;
  o_->tail.viewEnd = 12.5;
  OPLOT_SetVerticalFullScale(o_.get(), 1, 1);
  OPLOT_InitPlotParams(&params_, 0, 0, 500, 900, 0, 10, 20);
  OPLOT_CalculateSizes(o_.get(), &params_, &sizes_, 0, -1, -1);
  const CallLog log = RecordCalls([&](HDC dc) { OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, slots_, 0, 0); });
  int ticks = 0, rightmost = 0;
  for (const Seg& l : Lines(log)) {
    ticks += l.x0 == l.x1 && l.y0 - l.y1 == sizes_.charHeight;
    rightmost = std::max({rightmost, l.x0, l.x1});
  }
  EXPECT_EQ(ticks, 1);
  int32_t segmentEnd = 0;
  ASSERT_TRUE(OPLOT_GetXPixelFromTime(msTruth_.segments[0].endTime, o_.get(), &sizes_, 0, &segmentEnd));
  EXPECT_LE(rightmost, segmentEnd + 1);
}

TEST_F(BackgroundCorrectionDrawing, Picture) {
  Build(OVERLAY_MODE_OVERLAID, 1);
  o_->tail.viewStart = 2.0;
  o_->tail.viewEnd = 12.0;
  // Zoomed in on the baseline, where the correction runs.
  double top = 0;
  for (uint32_t i = 0; i < marks_->sampleCount; ++i) top = std::max(top, +BcMarkSamples(marks_)[i].value);
  o_->tail.scales.commonLow = 0;
  o_->tail.scales.commonHigh = 3 * top;
  params_.colors[CHRO_COLOR_BACKGROUND] = RGB(255, 255, 255);
  params_.colors[CHRO_COLOR_AXES] = RGB(0, 0, 0);
  params_.colors[CHRO_COLOR_PLOT0] = RGB(0, 0, 220);
  OPLOT_CalculateSizes(o_.get(), &params_, &sizes_, 0, -1, -1);
  STRUCT_OPLOT_DRAW_CHRO draw{};
  uint32_t format[26] = {};
  OPLOT_InitDrawChro(&draw, format);
  testing_support::Raster raster(900, 500);
  HDC dc = raster.dc;
  OPLOT_DrawPlots(dc, &draw, &params_, o_.get(), &sizes_);
  OPLOT_DrawBackgroundCorrection(dc, o_.get(), &sizes_, slots_, 0, 0);
  // A tick's middle is in colour 22.
  const STRUCT_BC_MARK_POINT p = BcMarkPoints(marks_)[1];
  int32_t x = 0, y = 0;
  ASSERT_TRUE(OPLOT_GetXPixelFromTime(p.time, o_.get(), &sizes_, 0, &x));
  ASSERT_TRUE(OPLOT_GetYPixelFromValue(p.value, 0, o_.get(), &sizes_, 0, &y));
  EXPECT_EQ(GetPixel(dc, x, y - sizes_.charHeight / 2), RGB(200, 0, 0));
  ASSERT_TRUE(win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\background_correction_marks.png"));
  // Kept byte for byte; KELT_UPDATE_GOLDEN writes it anew.
  std::ifstream in(Host("c/TEMP/background_correction_marks.png"), std::ios::binary);
  const std::string drawn((std::istreambuf_iterator<char>(in)), {});
  ASSERT_FALSE(drawn.empty());
  const std::string golden = std::string(PLOTENGINE_GOLDEN_DIR) + "/background_correction_marks.png";
  if (std::getenv("KELT_UPDATE_GOLDEN")) {
    std::ofstream(golden, std::ios::binary) << drawn;
    return;
  }
  std::ifstream kept(golden, std::ios::binary);
  if (drawn != std::string((std::istreambuf_iterator<char>(kept)), {})) {
    const char* bin = std::getenv("KELT_BIN_DIR");
    const std::string where = std::string(bin ? bin : "/tmp") + "/background_correction_marks.differs.png";
    std::ofstream(where, std::ios::binary) << drawn;
    FAIL() << "the drawing differs from " << golden << "; it is in " << where;
  }
}

}  // namespace
