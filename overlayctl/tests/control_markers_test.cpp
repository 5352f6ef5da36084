// Spectrum markers and the click marker: the scans a marker copies from a
// generated run's trace, its background level and trace value, what a
// painted control shows of it, and the marker messages.
#include <filesystem>
#include <functional>
#include <numeric>
#include <tuple>
#include <vector>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "jessul32/background_subtraction.h"
#include "overlayctl/tests/control_fixture.h"
#include "spectra/spectrum_managers.h"
#include "spectra/tol_spectra.h"
#include "testing/golden_window.h"
#include "win/win_paths.h"

namespace {

COLORREF Pixel(HWND w, int x, int y) { return win::script::WindowPixel(w, x, y); }

class MarkersTest : public OPlotTest {
 protected:
  void SetUp() override {
    OPlotTest::SetUp();
    plan_.seed = 23;
    plan_.scans = 400;
    plan_.noise = 60;
    plan_.compounds = 6;
    plan_.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    path_ = "C:\\Data\\markers.kms";
    std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path_)).parent_path());
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path_), plan_, &truth_));
    msfix::MakeRun(plan_, nullptr, &scans_);
  }
  void TearDown() override {
    for (HWND w : shown_)
      if (IsWindow(w)) DestroyWindow(w);
    for (STRUCT_TOL_SPT* s : spectra_) TOL_Free(s);
    for (SVW_OVERLAY* o : own_) {
      OPLOT_ClearOverlayStructure(o);
      FreeBlock(o);
    }
    OPlotTest::TearDown();
  }

  // The run's TIC in slot 0 (and a second run's in slot 1 when asked),
  // read for start..end (0, 0: all of it).
  SVW_OVERLAY* Overlay(int16_t mode = OVERLAY_MODE_STACKED, double start = 0, double end = 0,
                       const std::string& second = "") {
    auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    own_.push_back(o);
    o->head.displayMode = mode;
    EXPECT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(o, 0, path_.c_str(), DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr,
                                                   nullptr, "Counts", "", 0, 0));
    if (!second.empty()) {
      EXPECT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(o, 1, second.c_str(), DATA_TYPE_TIC, 0, nullptr, nullptr,
                                                     nullptr, nullptr, "Counts", "", 0, 0));
    }
    if (start == 0 && end == 0) {
      start = o->tail.homeStart;
      end = o->tail.homeEnd;
    }
    OPLOT_UpdateOverlayPlots(o, start, end);
    OPLOT_SetVerticalFullScale(o, 1, 1);
    return o;
  }
  // A spectrum of count scans around a time, averaged from the run.
  STRUCT_TOL_SPT* Spectrum(SVW_OVERLAY* o, double time, uint16_t count, bool corrected = false, int slot = 0) {
    STRUCT_TOL_SPT* s = TOL_MakeAvgSptFromTime(o->slots[slot].workFile, &o->slots[slot].chanList, time, count);
    if (s) {
      s->bgCorrected = corrected ? 1 : 0;
      spectra_.push_back(s);
    }
    return s;
  }
  // Total ion of a scan, summed from the generated peaks.
  double Tic(uint32_t scan) const {
    const auto& peaks = scans_.at(scan - truth_.firstScan).peaks;
    return std::accumulate(peaks.begin(), peaks.end(), 0.0,
                           [](double a, const std::pair<double, uint32_t>& p) { return a + p.second; });
  }
  double TimeOf(uint32_t scan) const { return truth_.scanTimes.at(scan - truth_.firstScan); }
  // Apex of the n-th compound of a segment (1-based).
  double Apex(int segment, size_t n = 0) const {
    for (const auto& c : truth_.compounds)
      if (c.segment == segment && n-- == 0) return c.retentionTime;
    ADD_FAILURE() << "no such compound";
    return 0;
  }
  static LRESULT SetMarker(HWND w, int16_t control, int16_t spectrum, int16_t slot, STRUCT_TOL_SPT* spt) {
    STRUCT_SPT_MARKER_INFO info{control, spectrum, slot, spt};
    return SendMessageA(w, OPM_SETMARKERINFO, 0, reinterpret_cast<LPARAM>(&info));
  }
  // Paints the control now.
  static void Paint(HWND w) {
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    win::script::PumpUntilIdle();
  }
  // Paints the control now; whether its sizes came out valid.
  static bool Painted(HWND w) {
    Paint(w);
    return Control(w)->m_bSizesValid;
  }

  // A control of a size given the run's TIC for start..end (and a second
  // run's in slot 1 when named).
  Shown Show(int cx = 600, int cy = 400, double start = 0, double end = 0, const std::string& second = "") {
    HWND w = MakeControl(7, cx, cy);
    shown_.push_back(w);
    SVW_OVERLAY* o = Overlay(OVERLAY_MODE_STACKED, start, end, second);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    return {w, Control(w), o};
  }
  // A marker from count scans around a time on slot 0; the spectrum it was
  // set from, null when none came.
  STRUCT_TOL_SPT* Mark(HWND w, int16_t control, int16_t spectrum, double time, uint16_t count) {
    STRUCT_TOL_SPT* spt = Spectrum(Control(w)->m_pOverlay, time, count);
    if (spt) SetMarker(w, control, spectrum, 0, spt);
    return spt;
  }
  // The default colour of a spectrum window's markers.
  static COLORREF MarkerColour(int window) {
    STRUCT_SPTS_PREFS prefs{};
    KELT_GetCurrDefSptsPrefs(&prefs);
    return prefs.colors.colors[window];
  }
  // A slot's plot area in the painted control.
  struct Area {
    int32_t left = 0, bottom = 0, right = 0, top = 0;
  };
  static bool PlotArea(CCtlOPlot* c, int16_t slot, Area* a) {
    return OPLOT_GetChromatogramArea(c->m_pOverlay, &c->m_Sizes, slot, &a->left, &a->bottom, &a->right, &a->top);
  }
  // A pixel of the plot, at plot coordinates.
  static COLORREF PlotPixel(HWND w, long x, long y) {
    const CCtlOPlot* c = Control(w);
    return Pixel(w, c->m_plotLeft + static_cast<int>(x), c->m_plotTop + static_cast<int>(y));
  }

  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
  std::vector<msfix::ScanData> scans_;
  std::string path_;
  std::vector<STRUCT_TOL_SPT*> spectra_;
  std::vector<SVW_OVERLAY*> own_;
  std::vector<HWND> shown_;  // destroyed before the spectra and overlays they hold
};

TEST_F(MarkersTest, CopiesTheAveragedScansAndInterpolatesTheMarkerValue) {
  auto [w, c, o] = Show();
  // Apexes of compounds in the single-function segment, and one scan alone.
  const struct {
    double time;
    uint16_t count;
  } cases[] = {{Apex(1), 5}, {truth_.segments[0].startTime + 2.013, 3}, {truth_.segments[0].startTime + 0.5, 1}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.time);
    STRUCT_TOL_SPT* spt = Spectrum(o, k.time, k.count);
    ASSERT_NE(spt, nullptr);
    ASSERT_EQ(+spt->segmentIndex, 0);
    SetMarker(w, 1, 1, 0, spt);
    const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[1][1];
    ASSERT_EQ(m.set, 1);
    EXPECT_DOUBLE_EQ(m.time, +spt->header.time);
    EXPECT_NE(m.spectrum, spt);  // a copy of its own
    ASSERT_EQ(m.pointCount, k.count);
    EXPECT_EQ(m.backgroundValues, nullptr);
    for (int i = 0; i < k.count; ++i) {
      EXPECT_NEAR(m.times[i], TimeOf(spt->firstScan + i), 1e-9) << i;
      EXPECT_NEAR(m.values[i], Tic(spt->firstScan + i), 1e-6 * Tic(spt->firstScan + i)) << i;
    }
    EXPECT_NEAR(m.times[k.count - 1], +spt->lastTime, 1e-9);
    // The value at the spectrum's time, between the scans around it.
    double expect = Tic(spt->lastScan);
    for (uint32_t s = spt->firstScan; s < spt->lastScan; ++s)
      if (TimeOf(s) <= spt->header.time && spt->header.time <= TimeOf(s + 1)) {
        const double f = (spt->header.time - TimeOf(s)) / (TimeOf(s + 1) - TimeOf(s));
        expect = Tic(s) + f * (Tic(s + 1) - Tic(s));
        break;
      }
    EXPECT_NEAR(m.markerValue, expect, 1e-6 * expect);
  }
  DestroyWindow(w);  // the marker's copies and arrays are freed (sanitizer)
}

TEST_F(MarkersTest, BackgroundLevelOfACorrectedSpectrumFollowsTheStoredCorrection) {
  // Two background ranges in the first segment, around the first compound.
  const uint32_t s0 = truth_.segments[0].firstScan;
  const uint32_t a = s0 + 10, b = s0 + 150;
  STRUCT_FILE_BC* bc = NewBackCorr(path_.c_str());
  bc = AddBackCorrRange(bc, a, TimeOf(a), a + 4, TimeOf(a + 3));
  bc = AddBackCorrRange(bc, b, TimeOf(b), b + 3, TimeOf(b + 2));
  ASSERT_NE(bc, nullptr);
  ASSERT_EQ(SaveBackCorr(path_.c_str(), bc), 1);
  FreeBackCorr(bc);

  auto [w, c, o] = Show();
  STRUCT_TOL_SPT* spt = Spectrum(o, TimeOf(s0 + 80), 7, true);
  ASSERT_NE(spt, nullptr);
  SendMessageA(w, OPM_SETMARKERLFROMSPT, 0, reinterpret_cast<LPARAM>(spt));
  const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[0][0];
  ASSERT_EQ(m.pointCount, 7);
  ASSERT_NE(m.background, nullptr);
  ASSERT_NE(m.backgroundValues, nullptr);
  // Each range stands at the mean time and mean total ion of its scans;
  // between them the level is a straight line.
  auto mean = [&](uint32_t first, uint32_t end, bool time) {
    double sum = 0;
    for (uint32_t s = first; s < end; ++s) sum += time ? TimeOf(s) : Tic(s);
    return sum / (end - first);
  };
  const double ta = mean(a, a + 4, true), va = mean(a, a + 4, false);
  const double tb = mean(b, b + 3, true), vb = mean(b, b + 3, false);
  for (int k = 0; k < m.pointCount; ++k) {
    const double expect = va + (vb - va) * (m.times[k] - ta) / (tb - ta);
    EXPECT_NEAR(m.backgroundValues[k], expect, 1e-6 * expect) << k;
  }
  // An uncorrected spectrum takes no background.
  SendMessageA(w, OPM_SETMARKERLFROMSPT, 0, reinterpret_cast<LPARAM>(Spectrum(o, TimeOf(s0 + 80), 7, false)));
  EXPECT_EQ(m.background, nullptr);
  EXPECT_EQ(m.backgroundValues, nullptr);
}

TEST_F(MarkersTest, MarkersAreRecomputedWhenNewDataArrive) {
  auto [w, c, o] = Show();
  ASSERT_EQ(c->m_pOverlay, o);
  const double apex = truth_.compounds[0].retentionTime;
  STRUCT_TOL_SPT* spt = Mark(w, 2, 0, apex, 5);
  ASSERT_NE(spt, nullptr);
  const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[2][0];
  ASSERT_EQ(m.pointCount, 5);
  const std::vector<double> before(m.values, m.values + 5);

  // Data of the same segment that no longer hold the spectrum's scans: they are read around it.
  STRUCT_NE_DATA_POINTS* later = MakeDataPointsStruct(o->slots[0].workFile, apex - 1.5, apex - 0.5, 40000,
                                                      DATA_TYPE_TIC, 0, &o->slots[0].chanList, &o->slots[0].massList);
  ASSERT_NE(later, nullptr);
  ASSERT_LT(+later->endTime, +spt->firstTime);
  FreeDataPointsStruct(o->slots[0].trace);
  o->slots[0].trace = later;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  ASSERT_EQ(m.pointCount, 5);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(m.values[k], before[k], 1e-9 * before[k]) << k;

  // A slot without data leaves the marker set but with nothing to draw.
  auto* empty = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  own_.push_back(empty);
  SyntheticTrace tr;
  tr.times = {2, 3, 4};
  tr.values = {1, 2, 3};
  FillSyntheticSlot(empty, 1, tr, 0, 5);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(empty));
  EXPECT_EQ(m.set, 1);
  EXPECT_EQ(m.pointCount, 0);
  EXPECT_EQ(m.times, nullptr);
  EXPECT_EQ(m.markerValue, 0);
}

TEST_F(MarkersTest, IndexesOutsideTheTableAndTheSlotsChangeNothing) {
  // Plain variables, not bindings: lambdas below capture them.
  const Shown shown = Show();
  [[maybe_unused]] HWND w = shown.w;
  [[maybe_unused]] CCtlOPlot* c = shown.c;
  [[maybe_unused]] SVW_OVERLAY* o = shown.o;
  STRUCT_TOL_SPT* spt = Mark(w, 3, 1, truth_.compounds[0].retentionTime, 3);
  ASSERT_NE(spt, nullptr);
  ASSERT_EQ(c->m_SptMarkers[3][1].set, 1);
  auto count = [c] {
    int n = 0;
    for (auto& row : c->m_SptMarkers)
      for (auto& m : row) n += m.set;
    return n;
  };
  const struct {
    int16_t control, spectrum, slot;
  } sets[] = {{4, 0, 0}, {-1, 0, 0}, {0, 2, 0}, {0, -1, 0}, {0, 0, 20}, {0, 0, -1}, {3, 1, 25}};
  for (const auto& k : sets) {
    EXPECT_EQ(SetMarker(w, k.control, k.spectrum, k.slot, spt), 0);
    EXPECT_EQ(count(), 1) << k.control << "," << k.spectrum << "," << k.slot;
    EXPECT_EQ(c->m_SptMarkers[3][1].set, 1);
  }
  EXPECT_EQ(SetMarker(w, 4, 1, 0, nullptr), 0);
  EXPECT_EQ(SendMessageA(w, OPM_SETMARKERINFO, 0, 0), 0);
  SendMessageA(w, OPM_SETMARKERLFROMSPT, 20, reinterpret_cast<LPARAM>(spt));
  SendMessageA(w, OPM_SETMARKERRFROMSPT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(spt));
  SendMessageA(w, OPM_SETMARKERRFROMSPT, 0x10000, reinterpret_cast<LPARAM>(spt));
  const std::pair<WPARAM, LPARAM> clears[] = {
      {4, 1}, {3, 2}, {static_cast<WPARAM>(-1), 1}, {3, -1}, {(WPARAM{1} << 32) + 3, 1}, {3, (LPARAM{1} << 32) + 1}};
  for (const auto& k : clears) SendMessageA(w, OPM_CLEARMARKERINFO, k.first, k.second);
  EXPECT_EQ(count(), 1);
  SendMessageA(w, OPM_CLEARMARKERINFO, 3, 1);
  EXPECT_EQ(count(), 0);
  SetMarker(w, 3, 1, 0, spt);
  SetMarker(w, 3, 1, 25, nullptr);  // no spectrum: cleared, whatever the slot
  EXPECT_EQ(count(), 0);
  // The left and right markers of the first window.
  SendMessageA(w, OPM_SETMARKERLFROMSPT, 0, reinterpret_cast<LPARAM>(spt));
  SendMessageA(w, OPM_SETMARKERRFROMSPT, 0, reinterpret_cast<LPARAM>(spt));
  EXPECT_EQ(c->m_SptMarkers[0][0].set + c->m_SptMarkers[0][1].set, 2);
  SendMessageA(w, OPM_CLEARMARKERL, 0, 0);
  EXPECT_EQ(c->m_SptMarkers[0][0].set, 0);
  SendMessageA(w, OPM_SETMARKERRFROMSPT, 0, 0);  // no spectrum: cleared
  EXPECT_EQ(count(), 0);
}

TEST_F(MarkersTest, AManagerThatNoLongerHoldsAMarkerClearsIt) {
  auto [w, c, o] = Show();
  STRUCT_TOL_SPT* spt = Spectrum(o, truth_.compounds[0].retentionTime, 3);
  SetMarker(w, 0, 0, 0, spt);
  SetMarker(w, 1, 1, 0, spt);
  CDataReviewManager manager(nullptr, nullptr, 0);
  STRUCT_SPT_MARKER held{1, 0, 0, 0, 0, 0};
  manager.SetMarker(1, 1, &held);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, reinterpret_cast<LPARAM>(&manager));
  EXPECT_EQ(c->m_SptMarkers[0][0].set, 0);
  EXPECT_EQ(c->m_SptMarkers[1][1].set, 1);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, 0);
}

// Where on the screen a marker stands: its stem above the trace, the
// averaged scans shaded down to the baseline, nothing outside them.
TEST_F(MarkersTest, PaintedMarkerShowsItsStemAndShadesItsScans) {
  const double apex = truth_.compounds[0].retentionTime;
  auto [w, c, o] = Show(700, 450, apex - 0.4, apex + 0.4);
  STRUCT_TOL_SPT* spt = Spectrum(o, apex, 7);
  ASSERT_NE(spt, nullptr);
  SendMessageA(w, OPM_SETMARKERLFROMSPT, 0, reinterpret_cast<LPARAM>(spt));
  ASSERT_TRUE(Painted(w));
  const COLORREF colour = MarkerColour(4);
  const COLORREF background = c->m_prefs.colors.colors[CHRO_COLOR_BACKGROUND];
  const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[0][0];
  Area a;
  ASSERT_TRUE(PlotArea(c, 0, &a));

  long x = 0, y = 0;
  ASSERT_TRUE(c->GetXPixelFromTime(m.time, 0, nullptr, &x, 0));
  ASSERT_TRUE(c->GetYPixelFromValue(0, m.markerValue, 0, 0, nullptr, &y, 1));
  const int half = (a.bottom - a.top) / 2;
  ASSERT_GT(y - half / 2, a.top);
  // The stem, with nothing beside it above the trace.
  for (int dy : {3, half / 3, half / 2}) {
    EXPECT_EQ(PlotPixel(w, x, y - dy), colour) << dy;
    EXPECT_EQ(PlotPixel(w, x + 5, y - dy), background) << dy;
  }
  // Below the trace inside the averaged scans: shaded; outside them: not.
  long xs = 0, ys = 0, xo = 0;
  const double mid = (m.times[4] + m.times[5]) / 2;
  ASSERT_TRUE(c->GetXPixelFromTime(mid, 0, nullptr, &xs, 0));
  ASSERT_TRUE(c->GetYPixelFromValue(0, std::min(m.values[4], m.values[5]) / 2, 0, 0, nullptr, &ys, 1));
  EXPECT_EQ(PlotPixel(w, xs, ys), colour);
  ASSERT_TRUE(c->GetXPixelFromTime(m.times[0] - 0.1, 0, nullptr, &xo, 0));
  EXPECT_EQ(PlotPixel(w, xo, a.bottom - 3), background);
}

// Pixels of a colour inside one slot's band, and those of them above the
// trace's highest point in view (only the stem, flag and label lie there).
struct MarkerPixels {
  int total = 0, aboveTrace = 0;
};
MarkerPixels CountMarkerPixels(HWND w, CCtlOPlot* c, int slot, COLORREF colour) {
  MarkerPixels n;
  SVW_OVERLAY* o = c->m_pOverlay;
  int32_t left = 0, bottom = 0, right = 0, top = 0;
  if (!OPLOT_GetChromatogramArea(o, &c->m_Sizes, static_cast<int16_t>(slot), &left, &bottom, &right, &top)) return n;
  const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[0][0];
  long highest = bottom;
  for (int k = 0; k < m.pointCount; ++k) {
    long y = 0;
    if (m.times[k] >= o->tail.viewStart && m.times[k] <= o->tail.viewEnd &&
        c->GetYPixelFromValue(static_cast<short>(slot), m.values[k], 0, 0, nullptr, &y, 1))
      highest = std::min(highest, y);
  }
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x < right; ++x) {
      if (Pixel(w, c->m_plotLeft + x, c->m_plotTop + y) != colour) continue;
      ++n.total;
      n.aboveTrace += y < highest - 2;
    }
  return n;
}

// What of a marker shows: all of it; with its time left of the window only
// the scans inside it; on a hidden plot nothing.
TEST_F(MarkersTest, MarkerPartlyOutsideTheWindowOrOnAHiddenPlot) {
  const double apex = truth_.compounds[1].retentionTime;
  auto [w, c, o] = Show(640, 420, 0, 0, path_);
  STRUCT_TOL_SPT* spt = Spectrum(o, apex + 0.1, 7);
  ASSERT_NE(spt, nullptr);
  SendMessageA(w, OPM_SETMARKERLFROMSPT, 0, reinterpret_cast<LPARAM>(spt));
  const double time = c->m_SptMarkers[0][0].time;
  const COLORREF colour = MarkerColour(4);
  const struct {
    const char* name;
    double start, end;
    bool hidden;
    bool stem, scans;
  } cases[] = {{"whole", apex - 1, apex + 1, false, true, true},
               {"time left of the window", time + 0.01, time + 1, false, false, true},
               {"window starts at the time", time, time + 1, false, true, true},
               {"hidden", apex - 1, apex + 1, true, false, false}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    o->head.shown[0] = k.hidden ? 0 : 1;
    o->head.shownCount = k.hidden ? 1 : 2;
    OPLOT_UpdateOverlayPlots(o, k.start, k.end);
    SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
    ASSERT_TRUE(Painted(w));
    if (k.hidden) {
      int seen = 0;
      for (int y = 0; y < c->m_plotHeight; y += 2)
        for (int x = 0; x < c->m_plotWidth; x += 2) seen += PlotPixel(w, x, y) == colour;
      EXPECT_EQ(seen, 0);
      continue;
    }
    const MarkerPixels n = CountMarkerPixels(w, c, 0, colour);
    EXPECT_EQ(n.aboveTrace > 0, k.stem);
    EXPECT_EQ(n.total - n.aboveTrace > 20, k.scans);
  }
}

// With a data review manager the markers take the colours of its spectrum
// windows, are labelled, and the active one has a filled flag.
TEST_F(MarkersTest, ActiveMarkerOfTheManagerHasAFilledFlagInItsWindowsColour) {
  const double apex = truth_.compounds[1].retentionTime;
  auto [w, c, o] = Show(640, 420, apex - 0.6, apex + 0.6);
  CDataReviewManager manager(nullptr, nullptr, 0);
  STRUCT_SPTS_PREFS prefs{};
  KELT_GetCurrDefSptsPrefs(&prefs);
  prefs.colors.colors[4] = 0x00A0FF;
  manager.SetSptsPrefs(&prefs, 0);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, reinterpret_cast<LPARAM>(&manager));
  STRUCT_TOL_SPT* spt = Mark(w, 0, 0, apex + 0.15, 3);
  ASSERT_NE(spt, nullptr);
  const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[0][0];
  Area a;
  long x = 0, y = 0;
  Paint(w);
  ASSERT_TRUE(PlotArea(c, 0, &a));
  ASSERT_TRUE(c->GetXPixelFromTime(m.time, 0, nullptr, &x, 0));
  ASSERT_TRUE(c->GetYPixelFromValue(0, m.markerValue, 0, 0, nullptr, &y, 1));
  const int half = (a.bottom - a.top) / 2, e = std::max<int>(static_cast<int>(y) - half, a.top);
  const int f = 2 * c->m_charHeight <= half ? c->m_charHeight / 2 : half / 4;
  ASSERT_GE(e - c->m_charHeight, a.top);  // the label stands above the stem
  const struct {
    int16_t active;
    bool filled;
  } cases[] = {{0, true}, {1, false}};
  for (const auto& k : cases) {
    manager.SetActiveSptControlIndex(k.active);
    Paint(w);
    EXPECT_EQ(PlotPixel(w, x, y - 2), COLORREF(0x00A0FF));                   // the stem
    EXPECT_EQ(PlotPixel(w, x - c->m_charWidth / 2, e + f) == 0x00A0FF, k.filled);  // inside the flag
  }
  // The label "1A" left of the stem above its end.
  int label = 0;
  for (int dy = 1; dy <= c->m_charHeight; ++dy)
    for (int dx = -c->m_charWidth; dx < c->m_charWidth; ++dx) label += PlotPixel(w, x + dx, e - dy) == 0x00A0FF;
  EXPECT_GT(label, 6);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, 0);
}

TEST_F(MarkersTest, ClickMarkerStandsAtItsTimeOnlyInsideTheWindow) {
  auto [w, c, o] = Show(700, 450, 3.0, 5.0);
  ASSERT_TRUE(Painted(w));
  const COLORREF plot = c->m_Sizes.params.colors[CHRO_COLOR_PLOT0];
  Area a;
  ASSERT_TRUE(PlotArea(c, 0, &a));
  const int ny = a.top + 4;  // above the trace
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const struct {
    double time;
    short slot;
    bool drawn;
  } cases[] = {{t0 + 0.37 * (t1 - t0), 0, true}, {t0, 0, false}, {t1, 0, false}, {t0 + 0.5 * (t1 - t0), 4, false}};
  for (const auto& k : cases) {
    c->SetClickMarker(k.time, k.slot);
    Paint(w);
    int32_t x = 0;
    OPLOT_GetXPixelFromTime(k.time, o, &c->m_Sizes, 1, &x);
    if (x >= a.right) x = a.right - 1;
    EXPECT_EQ(PlotPixel(w, x, ny) == plot, k.drawn) << k.time;
    EXPECT_EQ(PlotPixel(w, x, (a.top + a.bottom) / 2) == plot, k.drawn) << k.time;
    c->ClearClickMarker();
    EXPECT_EQ(c->m_clickMarkerOn, 0);
    Paint(w);
    EXPECT_NE(PlotPixel(w, x, ny), plot) << k.time;
  }
}

// A printed drawing places the click marker with its own geometry, not the screen's.
TEST_F(MarkersTest, PrintedClickMarkerUsesThePageGeometry) {
  // Plain variables, not bindings: lambdas below capture them.
  const Shown shown = Show(500, 300, 3.0, 5.0);
  [[maybe_unused]] HWND w = shown.w;
  [[maybe_unused]] CCtlOPlot* c = shown.c;
  [[maybe_unused]] SVW_OVERLAY* o = shown.o;
  ASSERT_TRUE(Painted(w));
  const double t = 3.0 + 0.8 * 2.0;
  int32_t screenX = 0;
  ASSERT_TRUE(OPLOT_GetXPixelFromTime(t, o, &c->m_Sizes, 0, &screenX));

  constexpr int kWidth = 1400, kHeight = 900;
  HDC screen = GetDC(nullptr);
  CDC page;
  ASSERT_TRUE(page.CreateCompatibleDC(nullptr));
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(page.GetSafeHdc(), bitmap);
  // The page drawn without and with the click marker: what differs is the marker.
  auto draw = [&](bool marker) {
    if (marker)
      c->SetClickMarker(t, 0);
    else
      c->ClearClickMarker();
    RECT all{0, 0, kWidth, kHeight};
    HBRUSH white = CreateSolidBrush(0xFFFFFF);
    FillRect(page.GetSafeHdc(), &all, white);
    DeleteObject(white);
    c->DrawPlot(&page, 1, nullptr, 0, kHeight, kWidth, 0, 10, 20);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) pixels.push_back(GetPixel(page.GetSafeHdc(), x, y));
    return pixels;
  };
  const std::vector<COLORREF> without = draw(false), with = draw(true);
  EXPECT_EQ(c->m_pDrawnSizes, nullptr);
  int lowX = kWidth, highX = -1, lowY = kHeight, highY = -1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (with[y * kWidth + x] != without[y * kWidth + x]) {
        lowX = std::min(lowX, x), highX = std::max(highX, x);
        lowY = std::min(lowY, y), highY = std::max(highY, y);
      }
  // One vertical line down most of the page, 80% across its plot, far right
  // of where the marker stands on the screen.
  // The line has the report preferences' pen width.
  STRUCT_REPORT_PREFS report{};
  KELT_GetCurrDefReportPrefs(&report);
  ASSERT_GE(highX, 0);
  EXPECT_NEAR(highX - lowX + 1, std::max<int>(1, report.chroReport.penWidth), 2);
  EXPECT_GT(highY - lowY, kHeight / 2);
  EXPECT_GT(lowX, kWidth * 6 / 10);
  EXPECT_GT(lowX, screenX + 300);
  SelectObject(page.GetSafeHdc(), old);
  DeleteObject(bitmap);
}

// Two markers on two plots, labelled with their windows, and a click marker.
TEST_F(MarkersTest, TwoMarkersAndAClickMarkerAsStored) {
  msfix::RunPlan other = plan_;
  other.seed = 41;
  const std::string second = "C:\\Data\\markers2.kms";
  ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(second), other, nullptr));
  const double apex = truth_.compounds[1].retentionTime;
  auto [w, c, o] = Show(640, 400, apex - 0.6, apex + 0.6, second);
  STRUCT_TOL_SPT* a = Spectrum(o, apex + 0.12, 7);
  STRUCT_TOL_SPT* b = Spectrum(o, apex + 0.3, 3, false, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  SetMarker(w, 0, 0, 0, a);
  SetMarker(w, 1, 1, 1, b);
  c->SetClickMarker(apex - 0.35, 1);
  Paint(w);
  ASSERT_TRUE(win::script::SaveWindowPng(w, "C:\\TEMP\\markers.png"));
  if (const char* keep = std::getenv("KELT_KEEP_PICTURES"))
    std::filesystem::copy_file(win::paths::ToHost("C:\\TEMP\\markers.png"),
                               std::filesystem::path(keep) / "control-markers.png",
                               std::filesystem::copy_options::overwrite_existing);
  testing_support::ExpectWindowAsStored(w, OVERLAYCTL_GOLDEN_DIR, "control-markers.png");
}

// Spectrum records the host damaged: each marker keeps at most its scans'
// worth of points and the paint draws what it can without harm.
TEST_F(MarkersTest, DamagedSpectrumRecordsGiveMarkersWithoutHarm) {
  const double apex = truth_.compounds[0].retentionTime;
  auto [w, c, o] = Show(640, 400, apex - 0.5, apex + 0.5);
  STRUCT_TOL_SPT* good = Spectrum(o, apex, 5);
  ASSERT_NE(good, nullptr);
  const double nan = std::nan(""), inf = INFINITY;
  const struct {
    const char* what;
    void (*damage)(STRUCT_TOL_SPT&, double, double);
  } cases[] = {
      {"no scans", [](STRUCT_TOL_SPT& s, double, double) { s.scansAveraged = 0; }},
      {"negative scans", [](STRUCT_TOL_SPT& s, double, double) { s.scansAveraged = -3; }},
      {"most scans", [](STRUCT_TOL_SPT& s, double, double) { s.scansAveraged = 32767; }},
      {"start not a number", [](STRUCT_TOL_SPT& s, double n, double) { s.firstTime = n; }},
      {"times not numbers", [](STRUCT_TOL_SPT& s, double n, double) {
         s.firstTime = s.lastTime = s.header.time = n;
       }},
      {"infinite range", [](STRUCT_TOL_SPT& s, double, double i) {
         s.firstTime = -i;
         s.lastTime = i;
       }},
      {"reversed range", [](STRUCT_TOL_SPT& s, double, double) {
         const double first = s.firstTime;
         s.firstTime = s.lastTime;
         s.lastTime = first;
       }},
      {"scan outside every segment", [](STRUCT_TOL_SPT& s, double, double) { s.firstScan = 0x7FFFFFF0u; }},
      {"time long after the run", [](STRUCT_TOL_SPT& s, double, double) {
         s.header.time += 500;
         s.firstTime += 500;
         s.lastTime += 500;
       }},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    // Spectra are blocks of the common allocator; the marker keeps its own copy.
    STRUCT_TOL_SPT* copy = TOL_CopySpectrum(good);
    ASSERT_NE(copy, nullptr);
    spectra_.push_back(copy);
    STRUCT_TOL_SPT& damaged = *copy;
    k.damage(damaged, nan, inf);
    SetMarker(w, 1, 0, 0, &damaged);
    const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[1][0];
    EXPECT_LE(m.pointCount, std::max<int>(0, damaged.scansAveraged));
    EXPECT_GE(m.pointCount, 0);
    if (m.pointCount == 0) {
      EXPECT_EQ(m.markerValue, 0);
    }
    Paint(w);
    EXPECT_TRUE(c->m_bSizesValid);
    EXPECT_EQ(c->m_pMemDC, nullptr);
  }
  // Click markers at places that are no places, and on slots that do not exist.
  const struct {
    double time;
    short slot;
    int16_t set;
  } clicks[] = {{nan, 0, 1}, {inf, 0, 1}, {-inf, 0, 1}, {apex, 20, 0}, {apex, -1, 0}, {apex, 7, 1}};
  for (const auto& k : clicks) {
    c->ClearClickMarker();
    c->SetClickMarker(k.time, k.slot);
    EXPECT_EQ(c->m_clickMarkerOn, k.set) << k.time << " " << k.slot;
    Paint(w);
  }
}

// A trace with one value everywhere, and scales without height: the
// marker's values stay sound and nothing without a pixel is drawn.
TEST_F(MarkersTest, MarkersOnFlatScalesDrawNothingWithoutAPixel) {
  const double apex = truth_.compounds[0].retentionTime;
  auto [w, c, o] = Show(640, 400, apex - 0.5, apex + 0.5);
  STRUCT_TOL_SPT* spt = Mark(w, 0, 0, apex, 5);
  ASSERT_NE(spt, nullptr);
  SetMarker(w, 0, 1, 0, spt);
  ASSERT_GT(c->m_SptMarkers[0][0].pointCount, 1);
  ASSERT_TRUE(Painted(w));
  for (auto mode : {OVERLAY_MODE_STACKED, OVERLAY_MODE_OVERLAID}) {
    o->head.displayMode = mode;
    o->tail.scales.plotLow[0] = o->tail.scales.plotHigh[0] = 1e5;
    o->tail.scales.commonLow = o->tail.scales.commonHigh = 1e5;
    SCOPED_TRACE(mode);
    Area a;
    if (!Painted(w) || !PlotArea(c, 0, &a)) continue;
    int32_t y = 0;
    EXPECT_FALSE(OPLOT_GetYPixelFromValue(1e5, 0, o, &c->m_Sizes, 1, &y));
    // No marker colour anywhere in the plot.
    for (int yy = a.top; yy <= a.bottom; yy += 3)
      for (int xx = a.left; xx <= a.right; xx += 2) {
        const COLORREF p = PlotPixel(w, xx, yy);
        ASSERT_TRUE(p != MarkerColour(4) && p != MarkerColour(5)) << xx << "," << yy;
      }
  }
}

// Markers and a click marker over an overlay the host left inconsistent.
TEST_F(MarkersTest, MarkersOverADamagedOverlayPaintWithoutHarm) {
  const double apex = truth_.compounds[0].retentionTime;
  // Plain variables, not bindings: lambdas below capture them.
  const Shown shown = Show(640, 400, apex - 0.5, apex + 0.5);
  [[maybe_unused]] HWND w = shown.w;
  [[maybe_unused]] CCtlOPlot* c = shown.c;
  [[maybe_unused]] SVW_OVERLAY* o = shown.o;
  STRUCT_TOL_SPT* one = Spectrum(o, apex, 1);
  STRUCT_TOL_SPT* seven = Spectrum(o, apex + 0.05, 7, true);
  ASSERT_NE(one, nullptr);
  ASSERT_NE(seven, nullptr);
  SetMarker(w, 0, 0, 0, seven);
  SetMarker(w, 2, 1, 0, one);
  c->SetClickMarker(apex, 0);
  ASSERT_TRUE(Painted(w));
  const double nan = std::nan("");
  const SVW_OVERLAY good = *o;
  const struct {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"slot without its trace", [o] { o->slots[0].trace = nullptr; }},
      {"slot without its work file", [o] { o->slots[0].workFile = nullptr; }},
      {"display mode 9", [o] { o->head.displayMode = 9; }},
      {"overlaid", [o] { o->head.displayMode = OVERLAY_MODE_OVERLAID; }},
      {"dual scales", [o] { o->head.displayMode = 3; }},
      {"range not a number", [o, nan] { o->tail.viewEnd = nan; }},
      {"range of no width", [o] { o->tail.viewEnd = o->tail.viewStart; }},
      {"range narrower than anything", [o] { o->tail.viewEnd = o->tail.viewStart + 1e-300; }},
      {"offsets not numbers", [o, nan] {
         o->tail.timeOffsetsOn = o->tail.verticalOffsetsOn = 1;
         o->tail.timeOffsets[0] = nan;
         o->tail.verticalOffsets[0] = nan;
       }},
      {"huge offsets", [o] {
         o->tail.timeOffsetsOn = o->tail.verticalOffsetsOn = 1;
         o->tail.timeOffsets[0] = -1e300;
         o->tail.verticalOffsets[0] = 1e300;
       }},
      {"huge value offset", [o] {
         o->tail.verticalOffsetsOn = 1;
         o->tail.verticalOffsets[0] = 1e300;
       }},
      {"huge negative value offset", [o] {
         o->tail.verticalOffsetsOn = 1;
         o->tail.verticalOffsets[0] = -1e300;
       }},
      {"value offset far above", [o] {
         o->tail.verticalOffsetsOn = 1;
         o->tail.verticalOffsets[0] = 3e9;
       }},
      {"flat scale", [o] { o->tail.scales.plotLow[0] = o->tail.scales.plotHigh[0]; }},
      {"reversed scale", [o] {
         const double low = o->tail.scales.plotLow[0];
         o->tail.scales.plotLow[0] = o->tail.scales.plotHigh[0];
         o->tail.scales.plotHigh[0] = low;
       }},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    k.damage();
    Paint(w);
    EXPECT_EQ(c->m_pMemDC, nullptr);
    EXPECT_EQ(c->m_pPaintDC, nullptr);
    // New plot data recompute the markers from what is there.
    for (short m = 0; m < OPLOT_SPT_WINDOWS; ++m) c->GetOneSpectrumMarkerValues(m, 0);
    *o = good;
    for (short m = 0; m < OPLOT_SPT_WINDOWS; ++m) c->GetOneSpectrumMarkerValues(m, 0);
    Paint(w);
    EXPECT_TRUE(c->m_bSizesValid);
  }
  EXPECT_GT(c->m_SptMarkers[0][0].pointCount, 1);
}

// A spectrum of one scan: a line from the zero line up to the trace at the
// scan, under the stem, and the label of its window ("3B").
TEST_F(MarkersTest, OneScanMarkerIsALineFromTheZeroLineToTheTrace) {
  const double apex = truth_.compounds[0].retentionTime;
  auto [w, c, o] = Show(700, 450, apex - 0.4, apex + 0.4);
  STRUCT_TOL_SPT* spt = Mark(w, 2, 1, apex - 0.05, 1);
  ASSERT_NE(spt, nullptr);
  const STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[2][1];
  ASSERT_EQ(m.pointCount, 1);
  ASSERT_TRUE(Painted(w));
  const COLORREF colour = MarkerColour(5);
  Area a;
  ASSERT_TRUE(PlotArea(c, 0, &a));
  long x = 0, y = 0, zero = 0;
  ASSERT_TRUE(c->GetXPixelFromTime(m.times[0], 0, nullptr, &x, 0));
  ASSERT_TRUE(c->GetYPixelFromValue(0, m.values[0], 0, 0, nullptr, &y, 1));
  ASSERT_TRUE(c->GetYPixelFromValue(0, 0.0, 0, 0, nullptr, &zero, 1));
  const long base = std::min<long>(zero, a.bottom);
  ASSERT_GT(base - y, 20);
  for (long yy : {y + 3, (y + base) / 2, base - 3}) EXPECT_EQ(PlotPixel(w, x, yy), colour) << yy;
  // Beside the line below the trace: not shaded.
  EXPECT_NE(PlotPixel(w, x + 4, (y + base) / 2), colour);
  // The label of window 3, spectrum B, starts left of the line above the trace (smoothed glyphs: near the colour).
  int labelPixels = 0;
  for (long yy = a.top; yy < y; ++yy)
    for (long xx = x - 2 * c->m_charWidth; xx < x; ++xx) {
      const COLORREF p = PlotPixel(w, xx, yy);
      labelPixels += std::abs(GetRValue(p) - GetRValue(colour)) + std::abs(GetGValue(p) - GetGValue(colour)) +
                         std::abs(GetBValue(p) - GetBValue(colour)) <
                     150;
    }
  EXPECT_GT(labelPixels, 10);
  if (const char* keep = std::getenv("KELT_KEEP_PICTURES")) {
    win::script::SaveWindowPng(w, "C:\\TEMP\\one-scan.png");
    std::filesystem::copy_file(win::paths::ToHost("C:\\TEMP\\one-scan.png"),
                               std::filesystem::path(keep) / "control-one-scan-marker.png",
                               std::filesystem::copy_options::overwrite_existing);
  }
}

// Between two points where the trace passes the background level, only the
// part where the trace lies above it is shaded, from the crossing on.
TEST_F(MarkersTest, ShadingStopsWhereTheTraceCrossesTheBackground) {
  const double apex = truth_.compounds[0].retentionTime;
  auto [w, c, o] = Show(700, 450, apex - 0.4, apex + 0.4);
  STRUCT_TOL_SPT* spt = Mark(w, 0, 0, apex, 3);
  ASSERT_NE(spt, nullptr);
  ASSERT_TRUE(Painted(w));
  double low = 0, high = 0;
  ASSERT_TRUE(OPLOT_GetVerticalScaleValues(o, &c->m_Sizes, 0, 0, &low, &high));
  auto value = [&](double f) { return low + f * (high - low); };
  const COLORREF colour = MarkerColour(4);
  const double ta = apex - 0.2, tb = apex + 0.2;
  const struct {
    double v1, v2, b1, b2;
    // (fraction along the pair, fraction of the scale, shaded)
    std::vector<std::tuple<double, double, bool>> probes;
  } cases[] = {
      // Rising through the level: shaded right of the crossing only.
      {0.2, 0.8, 0.5, 0.5, {{0.75, 0.57, true}, {0.25, 0.42, false}, {0.25, 0.28, false}, {0.75, 0.4, false}}},
      // Falling through it: shaded left of the crossing only.
      {0.8, 0.2, 0.5, 0.5, {{0.25, 0.57, true}, {0.75, 0.42, false}, {0.75, 0.28, false}}},
      // Above at both ends: the whole band between them.
      {0.6, 0.8, 0.3, 0.4, {{0.1, 0.45, true}, {0.9, 0.6, true}, {0.5, 0.2, false}}},
      // Below at both ends: nothing.
      {0.2, 0.3, 0.5, 0.6, {{0.5, 0.4, false}, {0.5, 0.2, false}}},
  };
  STRUCT_OPLOT_SPT_MARKER& m = c->m_SptMarkers[0][0];
  for (const auto& k : cases) {
    FreeBlock(m.times);
    FreeBlock(m.values);
    FreeBlock(m.backgroundValues);
    m.times = static_cast<double*>(AllocBlock(2 * sizeof(double)));
    m.values = static_cast<double*>(AllocBlock(2 * sizeof(double)));
    m.backgroundValues = static_cast<double*>(AllocBlock(2 * sizeof(double)));
    m.times[0] = ta;
    m.times[1] = tb;
    m.values[0] = value(k.v1);
    m.values[1] = value(k.v2);
    m.backgroundValues[0] = value(k.b1);
    m.backgroundValues[1] = value(k.b2);
    m.pointCount = 2;
    m.time = o->tail.viewStart - 1;  // no stem in the way
    Paint(w);
    for (const auto& [along, level, shaded] : k.probes) {
      long x = 0, y = 0;
      ASSERT_TRUE(c->GetXPixelFromTime(ta + along * (tb - ta), 0, nullptr, &x, 0));
      ASSERT_TRUE(c->GetYPixelFromValue(0, value(level), 0, 0, nullptr, &y, 1));
      EXPECT_EQ(PlotPixel(w, x, y) == colour, shaded)
          << k.v1 << "->" << k.v2 << " over " << k.b1 << "->" << k.b2 << " at " << along << ", " << level;
    }
  }
}

}  // namespace
