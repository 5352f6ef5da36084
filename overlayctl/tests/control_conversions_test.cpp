// Pixels to data and back in every display mode, on messy traces (times off
// the sampling grid, noise, a saturated peak) with a detector trace whose
// values carry its data scale factor; the nearest point of a plot; and the
// background level when only one of two scan ranges has points.
#include <cmath>
#include <filesystem>

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
