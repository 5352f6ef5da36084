// Pixels to data and back in every display mode, on messy traces (times off
// the sampling grid, noise, a saturated peak) with a detector trace whose
// values carry its data scale factor; the nearest point of a plot; and the
// background level when only one of two scan ranges has points.
#include <cmath>
#include <filesystem>
#include <functional>

#include "holbrin/holbrin.h"
#include "jessul32/jessul32.h"
#include "fixtures/msfixtures.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_paths.h"

namespace {

constexpr char kDetector[] = "C:\\Data\\fid.dat";
constexpr uint16_t kDetectorType = 12, kDetectorModule = 3;
constexpr float kFactor = 0.25f;

class ConversionsTest : public OPlotTest {
 protected:
  // Slot 0: a detector trace in mV whose file scales its values by 0.25;
  // slots 1 and 2: ion counts with a peak that saturates the detector.
  SVW_OVERLAY* MessyOverlay(int16_t mode) {
    auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    owned_.push_back(o);
    for (int s = 0; s < 3; ++s) {
      SyntheticTrace tr;
      tr.detector = s == 0;
      uint32_t seed = 91u + static_cast<uint32_t>(s);
      for (int i = 0; i < 700; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double jitter = ((seed >> 9) % 2001) / 1000.0 - 1.0;
        const double t = 1.013 + i * 0.01377 + jitter * 0.003;
        double v = s == 0 ? 40.0 + 3.0 * t + 900.0 * std::exp(-0.5 * std::pow((t - 4.1) / 0.05, 2))
                          : 1500.0 + 2e5 * std::exp(-0.5 * std::pow((t - 3.0 - s) / 0.06, 2));
        v += (s == 0 ? 0.7 : 60.0) * jitter;
        if (s > 0) v = std::min(v, 1.6e5);  // the saturated top
        tr.times.push_back(t);
        tr.values.push_back(v);
      }
      FillSyntheticSlot(o, s, tr, 0, 1);
      o->slots[s].workFile->serialNumber = static_cast<uint16_t>(40 + s);
    }
    STRUCT_WORK_FILE* wf = o->slots[0].workFile;
    std::strcpy(wf->filePath, kDetector);
    wf->timeTagged = 1;
    wf->fileType = kDetectorType;
    wf->module = kDetectorModule;
    o->head.displayMode = mode;
    return o;
  }
  void SetUp() override {
    OPlotTest::SetUp();
    msfix::DetectorPlan plan;
    plan.timeTagged = true;
    plan.fileType = kDetectorType;
    plan.module = kDetectorModule;
    const std::string host = win::paths::ToHost(kDetector);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    ASSERT_TRUE(msfix::WriteDetectorFile(host, plan, nullptr));
    // The factor is kept under the detector's file type word, as every reader asks.
    ASSERT_TRUE(SetDataScaleFactor(kDetector, kDetectorType, kFactor));
  }
  void TearDown() override {
    for (SVW_OVERLAY* o : owned_) {
      OPLOT_ClearOverlayStructure(o);
      FreeBlock(o);
    }
    OPlotTest::TearDown();
  }
  std::vector<SVW_OVERLAY*> owned_;
};

// The raw values of a slot's displayed points.
void RawExtent(const SVW_OVERLAY* o, int slot, double* lo, double* hi) {
  const STRUCT_NE_POINT_BLOCK* b = o->slots[slot].trace->points;
  *lo = *hi = NePointValue(b, 0);
  for (uint32_t k = 0; k < o->slots[slot].trace->pointCount; ++k) {
    *lo = std::min(*lo, NePointValue(b, k));
    *hi = std::max(*hi, NePointValue(b, k));
  }
}

TEST_F(ConversionsTest, DetectorExtremesAndNearestPointCarryTheScaleFactor) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MessyOverlay(OVERLAY_MODE_STACKED);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  c->UpdateOverlayDataInfo(0, 0);
  for (int s : {0, 1}) {
    SCOPED_TRACE(s);
    double lo = 0, hi = 0;
    RawExtent(o, s, &lo, &hi);
    const double f = s == 0 ? kFactor : 1.0;
    EXPECT_DOUBLE_EQ(o->tail.minInView[s], lo * f);
    EXPECT_DOUBLE_EQ(o->tail.maxInView[s], hi * f);
  }
  // The point nearest 4.1 minutes is the detector peak's, in scaled units.
  const STRUCT_NE_POINT_BLOCK* b = o->slots[0].trace->points;
  uint32_t near = 0;
  for (uint32_t k = 0; k < o->slots[0].trace->pointCount; ++k)
    if (std::fabs(NePointAt(b, k)->time - 4.1) < std::fabs(NePointAt(b, near)->time - 4.1)) near = k;
  double t = 0, v = 0;
  ASSERT_EQ(c->GetTimeAndValue(0, 4.1, 1, &t, &v), 1);
  const double nearTime = NePointAt(b, near)->time;
  EXPECT_EQ(t, nearTime);
  EXPECT_DOUBLE_EQ(v, NePointValue(b, near) * kFactor);
  // Slot 1 has no factor.
  ASSERT_EQ(c->GetTimeAndValue(1, 4.1, 1, &t, &v), 1);
  EXPECT_GT(v, 1000.0);
  DestroyWindow(w);
}

TEST_F(ConversionsTest, PixelsRoundTripWithinAPixelInEveryDisplayMode) {
  struct Case {
    int16_t mode;
    int slot;
    const char* what;
  } cases[] = {
      {OVERLAY_MODE_STACKED, 0, "stacked, scaled detector"},
      {OVERLAY_MODE_STACKED, 2, "stacked, last band"},
      {OVERLAY_MODE_OVERLAID, 0, "overlaid"},
      {OVERLAY_MODE_NORMALISED, 0, "normalised, scaled detector"},
      {OVERLAY_MODE_NORMALISED, 1, "normalised, counts"},
      {OVERLAY_MODE_TWO_SCALES, 1, "dual, left scale"},
      {OVERLAY_MODE_TWO_SCALES, 0, "dual, right scale"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    HWND w = MakeControl(7, 640, 420);
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MessyOverlay(k.mode);
    c->UpdateOverlayDataInfo(0, 0);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    win::script::PumpUntilIdle();
    ASSERT_TRUE(c->m_bSizesValid);
    const OVERLAY_SCALE_BLOCK& s = o->tail.scales;
    double low = 0, high = 0;  // the range the slot is drawn in, in its units
    ASSERT_TRUE(OPLOT_GetVerticalScaleValues(o, &c->m_Sizes, static_cast<int16_t>(k.slot), 0, &low, &high));
    const int h = k.mode == OVERLAY_MODE_STACKED ? c->m_Sizes.plotHeights[k.slot] : c->m_Sizes.overlaidPlotHeight;
    ASSERT_GT(h, 10);
    const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
    for (double f : {0.013, 0.37, 0.5, 0.988}) {
      const double time = t0 + f * (t1 - t0), value = low + f * (high - low);
      long x = 0, y = 0;
      ASSERT_TRUE(c->GetXPixelFromTime(time, static_cast<short>(k.slot), nullptr, &x, 0));
      ASSERT_TRUE(c->GetYPixelFromValue(static_cast<short>(k.slot), value, 0, 0, nullptr, &y, 0));
      double backTime = 0, back = 0;
      short backSlot = -1;
      ASSERT_TRUE(c->GetTimeFromXPixel(static_cast<short>(c->m_plotLeft + x), &backTime, 0));
      EXPECT_NEAR(backTime, time, (t1 - t0) / c->m_Sizes.plotWidth * 1.001);
      ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + y), &backSlot, &back, 1));
      EXPECT_EQ(backSlot, k.mode == OVERLAY_MODE_STACKED ? k.slot : 0);
      // The one-band modes answer on the common (left) scale: bring it to the slot's range.
      if (k.mode != OVERLAY_MODE_STACKED)
        back = low + (back - s.commonLow) * (high - low) / (s.commonHigh - s.commonLow);
      EXPECT_NEAR(back, value, (high - low) / h * 1.001) << f;
    }
    DestroyWindow(w);
  }
}

TEST_F(ConversionsTest, OneBandModesReadTheCommonScale) {
  // Normalised plots read back in percent; a dual-scale slot 0 on the right
  // scale still reads the left one.
  for (int16_t mode : {int16_t(OVERLAY_MODE_NORMALISED), int16_t(OVERLAY_MODE_TWO_SCALES)}) {
    SCOPED_TRACE(mode);
    HWND w = MakeControl(7, 640, 420);
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MessyOverlay(mode);
    c->UpdateOverlayDataInfo(0, 0);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    win::script::PumpUntilIdle();
    ASSERT_TRUE(c->m_bSizesValid);
    if (mode == OVERLAY_MODE_TWO_SCALES) {
      ASSERT_EQ(o->tail.scales.rightAxisPlot, 0);
    }
    const double low = o->tail.scales.commonLow, high = o->tail.scales.commonHigh;
    if (mode == OVERLAY_MODE_NORMALISED) {
      EXPECT_EQ(low, -5);
      EXPECT_EQ(high, 105);
    }
    int32_t top = 0, bottom = 0;
    ASSERT_TRUE(OPLOT_GetChromatogramArea(o, &c->m_Sizes, 0, nullptr, &bottom, nullptr, &top));
    const int h = c->m_Sizes.overlaidPlotHeight;
    short slot = -1;
    double v = 0;
    ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + bottom - h / 2), &slot, &v, 0));
    EXPECT_EQ(slot, 0);
    EXPECT_NEAR(v, (low + high) / 2, (high - low) / h * 1.001);
    DestroyWindow(w);
  }
}

TEST_F(ConversionsTest, BackgroundFromTheSecondRangeWhenOnlyItHasPoints) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MessyOverlay(OVERLAY_MODE_STACKED);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  const STRUCT_NE_POINT_BLOCK* b = o->slots[1].trace->points;
  const uint32_t s0 = b->firstScan;
  // The first range lies before the trace's scans; the second covers points 200..209.
  const size_t size = sizeof(STRUCT_FILE_BC) + sizeof(STRUCT_FILE_BC_GROUP) + 2 * sizeof(STRUCT_FILE_BC_ENTRY);
  auto* bc = static_cast<STRUCT_FILE_BC*>(AllocBlock(size));
  bc->format = BACKCORR_FORMAT;
  bc->groupCount = 1;
  auto* g = reinterpret_cast<STRUCT_FILE_BC_GROUP*>(bc + 1);
  g->startTime = 0;
  g->endTime = 100;
  g->entryCount = 2;
  auto* e = reinterpret_cast<STRUCT_FILE_BC_ENTRY*>(g + 1);
  e[0] = {};
  e[0].firstScan = s0 + 100000;
  e[0].endScan = s0 + 100010;
  e[0].time = 2.0;
  e[1] = {};
  e[1].firstScan = s0 + 200;
  e[1].endScan = s0 + 210;
  e[1].time = 3.8;
  double sum = 0;
  for (uint32_t k = 200; k < 210; ++k) sum += NePointValue(b, k);
  double v = -1;
  ASSERT_EQ(c->GetBCValueForTime(1, bc, 3.0, &v), 1);
  EXPECT_NEAR(v, sum / 10, 1e-9 * sum);
  FreeBlock(bc);
  DestroyWindow(w);
}

}  // namespace

namespace {

// A control showing the messy overlay in a mode, drawn, its geometry valid.
struct Drawn {
  HWND w;
  CCtlOPlot* c;
  SVW_OVERLAY* o;
};

class ConversionEdgesTest : public ConversionsTest {
 protected:
  Drawn Draw(int16_t mode, const std::function<void(SVW_OVERLAY*)>& prepare = nullptr) {
    HWND w = MakeControl(7, 640, 420);
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MessyOverlay(mode);
    // The extremes full scale is taken from: the points, the detector's scaled.
    for (int s = 0; s < 3; ++s) {
      double lo = 0, hi = 0;
      RawExtent(o, s, &lo, &hi);
      const double f = s == 0 ? kFactor : 1.0;
      o->tail.minInView[s] = lo * f;
      o->tail.maxInView[s] = hi * f;
    }
    if (prepare) prepare(o);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    win::script::PumpUntilIdle();
    EXPECT_TRUE(c->m_bSizesValid);
    return {w, c, o};
  }
};

// In the stacked mode a band owns its first pixel: there the value is the
// slot's high, and at its last pixel low + (high - low) / h.
TEST_F(ConversionEdgesTest, StackedBandsOwnTheirFirstPixel) {
  auto [w, c, o] = Draw(OVERLAY_MODE_STACKED);
  int t = c->m_plotTop + c->m_Sizes.params.top;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const int h = c->m_Sizes.plotHeights[i];
    ASSERT_GT(h, 10);
    const double low = o->tail.scales.plotLow[i], high = o->tail.scales.plotHigh[i];
    ASSERT_LT(low, high);
    struct Pixel {
      int y;
      double value;
    } pixels[] = {{t, high}, {t + 1, high - (high - low) / h}, {t + h - 1, low + (high - low) / h}};
    for (const Pixel& p : pixels) {
      short slot = -1;
      double v = 0;
      ASSERT_EQ(c->GetValueFromYPixel(static_cast<short>(p.y), &slot, &v, 0), 1) << p.y;
      EXPECT_EQ(slot, i);
      EXPECT_NEAR(v, p.value, 1e-9 * (std::fabs(high) + std::fabs(low)));
    }
    t += h;
  }
  // Above the first band and below the plots nothing is read.
  short slot = 9;
  double v = 7;
  const int top = c->m_plotTop + c->m_Sizes.params.top;
  const int bottom = c->m_plotTop + c->m_plotHeight - c->m_Sizes.timeScaleHeight - 1;
  EXPECT_EQ(c->GetValueFromYPixel(static_cast<short>(top - 1), &slot, &v, 1), 0);
  EXPECT_EQ(c->GetValueFromYPixel(static_cast<short>(bottom + 1), &slot, &v, 1), 0);
  EXPECT_EQ(slot, 9);
  EXPECT_EQ(v, 7);
  DestroyWindow(w);
}

// A band whose plot has no data in view answers only when any slot is
// asked for, and then on that slot's own scale.
TEST_F(ConversionEdgesTest, ABandWithoutDataAnswersOnlyForAnySlot) {
  auto [w, c, o] = Draw(OVERLAY_MODE_STACKED);
  o->tail.inView[1] = 0;  // the plot's data lie outside the window now
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  const int h0 = c->m_Sizes.plotHeights[0], h1 = c->m_Sizes.plotHeights[1];
  ASSERT_GT(h1, 0);
  ASSERT_EQ(c->m_Sizes.plotInView[1], 0);
  const short y = static_cast<short>(c->m_plotTop + c->m_Sizes.params.top + h0);  // band 1's first pixel
  short slot = -1;
  double v = -1;
  EXPECT_EQ(c->GetValueFromYPixel(y, &slot, &v, 0), 0);
  EXPECT_EQ(slot, -1);
  ASSERT_EQ(c->GetValueFromYPixel(y, &slot, &v, 1), 1);
  EXPECT_EQ(slot, 1);
  const double high = o->tail.scales.plotHigh[1];
  EXPECT_EQ(v, high);
  DestroyWindow(w);
}

// Pixels left of the chromatogram are times before t0 only when unclipped;
// the chromatogram's last pixel is the last one converted when clipped.
TEST_F(ConversionEdgesTest, TimeFromPixelOutsideTheChromatogram) {
  auto [w, c, o] = Draw(OVERLAY_MODE_OVERLAID);
  const int left = c->m_plotLeft + c->m_Sizes.params.left + c->m_Sizes.leftScaleWidth;
  const int width = c->m_Sizes.plotWidth;
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  struct Case {
    int x;
    short unclipped;
    int result;
  } cases[] = {{left - 10, 0, 0},       {left - 10, 1, 1}, {left, 0, 1},
               {left + width - 1, 0, 1}, {left + width, 0, 0}, {left + width + 5, 1, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.x - left);
    double time = -99;
    ASSERT_EQ(c->GetTimeFromXPixel(static_cast<short>(k.x), &time, k.unclipped), k.result);
    if (k.result)
      EXPECT_DOUBLE_EQ(time, t0 + (t1 - t0) * (k.x - left) / width);
    else
      EXPECT_EQ(time, -99);
  }
  double time = 0;
  ASSERT_EQ(c->GetTimeFromXPixel(static_cast<short>(left - 10), &time, 1), 1);
  EXPECT_LT(time, t0);
  DestroyWindow(w);
}

// The overlaid band reads on the drawn band also when slot 0 shows nothing.
TEST_F(ConversionEdgesTest, OverlaidBandWithAnEmptyFirstSlotRoundTrips) {
  auto [w, c, o] = Draw(OVERLAY_MODE_OVERLAID, [](SVW_OVERLAY* ov) { ov->tail.inView[0] = 0; });
  const double low = o->tail.scales.commonLow, high = o->tail.scales.commonHigh;
  const int h = c->m_Sizes.overlaidPlotHeight;
  for (double f : {0.02, 0.5, 0.97}) {
    long y = 0;
    ASSERT_TRUE(c->GetYPixelFromValue(1, low + f * (high - low), 0, 0, nullptr, &y, 0));
    short slot = -1;
    double v = 0;
    ASSERT_EQ(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + y), &slot, &v, 0), 1);
    EXPECT_EQ(slot, 0);
    EXPECT_NEAR(v, low + f * (high - low), (high - low) / h * 1.001) << f;
  }
  DestroyWindow(w);
}

// The clip rectangle of a slot: its band in the stacked mode, the one band
// for slot 0 otherwise; a slot not shown, or another slot outside the
// stacked mode, has none.
TEST_F(ConversionEdgesTest, ClipRectangleOfASlot) {
  struct Case {
    int16_t mode;
    short slot;
    int result;
  } cases[] = {{OVERLAY_MODE_STACKED, 0, 1},  {OVERLAY_MODE_STACKED, 2, 1},   {OVERLAY_MODE_STACKED, 5, 0},
               {OVERLAY_MODE_STACKED, -1, 0}, {OVERLAY_MODE_STACKED, 20, 0},  {OVERLAY_MODE_OVERLAID, 0, 1},
               {OVERLAY_MODE_OVERLAID, 1, 0}, {OVERLAY_MODE_NORMALISED, 2, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode * 100 + k.slot);
    auto [w, c, o] = Draw(k.mode);
    const STRUCT_OVER_SIZES& s = c->m_Sizes;
    const short left = 3, top = 11, bottom = 300;
    CRect r(-1, -1, -1, -1);
    ASSERT_EQ(c->GetIntersectClipRect(&r, k.slot, nullptr, left, bottom, top), k.result);
    if (!k.result) {
      EXPECT_EQ(r, CRect(-1, -1, -1, -1));
    } else {
      int t = top, b = bottom - s.timeScaleHeight;
      if (k.mode == OVERLAY_MODE_STACKED) {
        for (int i = 0; i < k.slot; ++i) t += s.plotHeights[i];
        b = t + s.plotHeights[k.slot];
      }
      EXPECT_EQ(r, CRect(left + s.leftScaleWidth, t, left + s.leftScaleWidth + s.plotWidth - 1, b));
    }
    (void)o;
    DestroyWindow(w);
  }
}

// Without an overlay, before a drawing or with no output, every
// conversion answers 0 and leaves its outputs as they were.
TEST_F(ConversionEdgesTest, ConversionsFailCleanlyWithoutOverlayGeometryOrOutput) {
  enum State { kNoGeometry, kNoOverlay, kNoOutput };
  for (State state : {kNoGeometry, kNoOverlay, kNoOutput}) {
    SCOPED_TRACE(state);
    auto [w, c, o] = Draw(OVERLAY_MODE_STACKED);
    const int xl = c->m_plotLeft + c->m_Sizes.params.left + c->m_Sizes.leftScaleWidth + 5;
    const int ym = c->m_plotTop + c->m_Sizes.params.top + 3;
    if (state == kNoGeometry) c->m_bSizesValid = 0;
    if (state == kNoOverlay) SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
    const bool out = state != kNoOutput;
    long x = 77, y = 77;
    double time = 77, value = 77;
    short slot = 77;
    CRect r(7, 7, 7, 7);
    const double t = o->tail.viewStart + 0.01;
    EXPECT_EQ(c->GetXPixelFromTime(t, 0, nullptr, out ? &x : nullptr, 0), 0);
    EXPECT_EQ(c->GetYPixelFromValue(0, o->tail.scales.plotHigh[0], 0, 0, nullptr, out ? &y : nullptr, 0), 0);
    EXPECT_EQ(c->GetTimeFromXPixel(static_cast<short>(xl), out ? &time : nullptr, 0), 0);
    EXPECT_EQ(c->GetValueFromYPixel(static_cast<short>(ym), &slot, out ? &value : nullptr, 1), 0);
    EXPECT_EQ(c->GetIntersectClipRect(out ? &r : nullptr, 0, nullptr, 0, 300, 0), 0);
    EXPECT_EQ(x, 77);
    EXPECT_EQ(y, 77);
    EXPECT_EQ(time, 77);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(slot, 77);
    EXPECT_EQ(r, CRect(7, 7, 7, 7));
    DestroyWindow(w);
  }
  // A slot outside the slots has no y, drawn or not.
  auto [w, c, o] = Draw(OVERLAY_MODE_STACKED);
  for (short slot : {short(-1), short(20), short(32767)}) {
    long y = 77;
    EXPECT_EQ(c->GetYPixelFromValue(slot, o->tail.scales.plotHigh[0], 0, 0, nullptr, &y, 1), 0) << slot;
    EXPECT_EQ(y, 77);
  }
  // Without a slot output the value is still read.
  double v = 0;
  EXPECT_EQ(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + c->m_Sizes.params.top + 2), nullptr, &v, 0), 1);
  DestroyWindow(w);
}

}  // namespace

namespace {

// Very small windows: the drawing, its labels and every conversion cope
// with plots of no width or height, answering 0 or a finite value.
TEST_F(ConversionsTest, VerySmallWindowsConvertNothingOfNoNumber) {
  struct Size {
    int cx, cy;
  } sizes[] = {{1, 1}, {8, 8}, {40, 30}, {200, 12}, {12, 200}};
  for (int16_t mode : {int16_t(OVERLAY_MODE_STACKED), int16_t(OVERLAY_MODE_OVERLAID), int16_t(OVERLAY_MODE_TWO_SCALES)}) {
    for (const Size& z : sizes) {
      SCOPED_TRACE(std::to_string(mode) + ": " + std::to_string(z.cx) + "x" + std::to_string(z.cy));
      HWND w = MakeControl(7, z.cx, z.cy);
      CCtlOPlot* c = Control(w);
      SVW_OVERLAY* o = MessyOverlay(mode);
      SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
      AddTestLabel(c, LABEL_TYPE_AREA, 0);
      AddTestLabel(c, LABEL_TYPE_VALUE, 1);
      InvalidateRect(w, nullptr, FALSE);
      win::script::PumpUntilIdle();
      for (int y = -2; y < z.cy + 2; y += 3) {
        short slot = -1;
        double v = 0;
        if (c->GetValueFromYPixel(static_cast<short>(y), &slot, &v, 1)) {
          EXPECT_TRUE(std::isfinite(v)) << y;
          EXPECT_TRUE(OverlaySlotIndex(slot)) << y;
        }
      }
      for (int x = -2; x < z.cx + 2; x += 3) {
        double t = 0;
        if (c->GetTimeFromXPixel(static_cast<short>(x), &t, 1)) {
          EXPECT_TRUE(std::isfinite(t)) << x;
        }
      }
      long px = 0;
      c->GetXPixelFromTime(o->tail.viewStart, 0, nullptr, &px, 0);
      CRect r;
      for (short s = 0; s < 3; ++s) c->GetIntersectClipRect(&r, s, nullptr, 0, static_cast<short>(z.cy), 0);
      DestroyWindow(w);
    }
  }
}

}  // namespace
