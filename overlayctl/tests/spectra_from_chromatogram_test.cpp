// Spectra from the chromatogram: a click and a dragged range on a
// generated run hand spectra to a data review manager, checked against
// spectra made directly from the same file; stepping the active spectrum;
// the scan range of the next spectrum on segments of their own.
#include <cstdio>
#include <filesystem>

#include "common/data_points.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "overlayctl/overlay_noise_labels.h"
#include "overlayctl/tests/control_fixture.h"
#include "spectra/rms_noise.h"
#include "spectra/segment_checks.h"
#include "spectra/spectrum_managers.h"
#include "spectra/tol_spectra.h"
#include "testing/golden_window.h"
#include "win/win_paths.h"

namespace {

int32_t CentreOf(const STRUCT_TOL_SPT* tol) {
  int32_t c = 0;
  std::memcpy(&c, tol->overlayBytes, sizeof c);
  return c;
}

class SpectraTest : public OPlotTest {
 protected:
  void SetUp() override {
    OPlotTest::SetUp();
    plan_.seed = 31;
    plan_.scans = 400;
    plan_.noise = 50;
    plan_.compounds = 6;
    plan_.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    path_ = "C:\\Data\\spectra.kms";
    std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path_)).parent_path());
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path_), plan_, &truth_));
  }
  void TearDown() override {
    if (w_ && IsWindow(w_)) DestroyWindow(w_);
    if (o_) {
      OPLOT_ClearOverlayStructure(o_);
      FreeBlock(o_);
    }
    OPlotTest::TearDown();
  }
  // The run's TIC in a painted control with the manager attached; the
  // control runs its own notifications, as the derived controls do.
  CCtlOPlot* Show(int16_t mode = OVERLAY_MODE_STACKED) {
    o_ = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    o_->head.displayMode = mode;
    EXPECT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(o_, 0, path_.c_str(), DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr,
                                                   nullptr, "Counts", "", 0, 0));
    OPLOT_UpdateOverlayPlots(o_, o_->tail.homeStart, o_->tail.homeEnd);
    w_ = MakeControl(7, 700, 420);
    CCtlOPlot* c = Control(w_);
    c->m_handlesOwnNotifications = 1;
    SendMessageA(w_, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o_));
    drm_.SetPlotInfo(host, w_);
    SendMessageA(w_, OPM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(&drm_));
    c->m_toolbarLayout = 1;
    win::script::PumpUntilIdle();
    Notices().clear();
    return c;
  }
  int XOf(const CCtlOPlot* c, double time) const {
    const auto a = c->GetPlotArea();
    const double t0 = o_->tail.viewStart, t1 = o_->tail.viewEnd;
    return a.left + static_cast<int>(std::ceil((time - t0) / (t1 - t0) * c->m_Sizes.plotWidth));
  }
  double TimeOfX(const CCtlOPlot* c, int x) const {
    const auto a = c->GetPlotArea();
    return o_->tail.viewStart + (x - a.left) * (o_->tail.viewEnd - o_->tail.viewStart) / c->m_Sizes.plotWidth;
  }
  static std::vector<int> Codes() {
    std::vector<int> codes;
    for (const Notice& n : Notices()) codes.push_back(n.code);
    return codes;
  }

  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
  std::string path_;
  CDataReviewManager drm_{nullptr, nullptr, 0};
  SVW_OVERLAY* o_ = nullptr;
  HWND w_ = nullptr;
};

// A click at a peak's apex: the spectrum at that time goes to the manager's
// active place with its marker, the control marks it and tells its parent
// (code 8); the spectrum equals one made directly at that time.
TEST_F(SpectraTest, AClickHandsTheSpectrumAtItsTimeToTheManager) {
  CCtlOPlot* c = Show();
  SendMessageA(w_, WM_COMMAND, 2715, 0);  // 3 Point Average
  drm_.SetActiveSptControlIndex(1);
  drm_.SetActiveSptPlotIndex(1);
  const double apex = truth_.compounds[0].retentionTime;
  const int x = XOf(c, apex);
  const auto a = c->GetPlotArea();
  win::script::Click(w_, x, (a.top + a.bottom) / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<int>{8});
  const STRUCT_SPT_PLUS* got = drm_.GetSpectrum(1, 1);
  ASSERT_NE(got, nullptr);
  const STRUCT_TOL_SPT* gotTol = got->tolSpt;
  ASSERT_NE(gotTol, nullptr);
  STRUCT_WORK_FILE* wf = o_->slots[0].workFile;
  const double time = TimeOfX(c, x);
  STRUCT_SPT_PLUS* direct = TOL_MakeBCAndAvgPlusSptFromTimeEx(wf, &o_->slots[0].chanList, nullptr,
                                                              TOL_GetSegmentTime(wf, time), 3, nullptr, 0);
  ASSERT_NE(direct, nullptr);
  const STRUCT_TOL_SPT& g = *gotTol;
  const STRUCT_TOL_SPT* directTol = direct->tolSpt;
  const STRUCT_TOL_SPT& d = *directTol;
  EXPECT_EQ(+g.firstScan, +d.firstScan);
  EXPECT_EQ(+g.lastScan, +d.lastScan);
  EXPECT_EQ(g.lastScan - g.firstScan, 2u);
  EXPECT_EQ(+g.scansAveraged, 3);
  ASSERT_EQ(+g.pairCount, +d.pairCount);
  for (uint32_t i = 0; i < g.pairCount; ++i) EXPECT_EQ(std::memcmp(&g.pairs[i], &d.pairs[i], sizeof g.pairs[i]), 0);
  EXPECT_EQ(CentreOf(&g), static_cast<int32_t>(g.firstScan + 1));
  PlusSpt_Free(direct);
  // The manager's marker and the control's own.
  STRUCT_SPT_MARKER m{};
  ASSERT_TRUE(drm_.GetMarker(1, 1, &m));
  EXPECT_EQ(+m.present, 1);
  EXPECT_EQ(+m.centreScan, static_cast<int32_t>(g.firstScan + 1));
  EXPECT_EQ(+m.firstScan, +g.firstScan);
  EXPECT_EQ(+m.lastScan, +g.lastScan);
  EXPECT_EQ(+m.plotFlag, 0);
  EXPECT_EQ(c->m_SptMarkers[1][1].set, 1);
  EXPECT_EQ(c->m_SptMarkers[1][1].pointCount, 3);
  // What the host reads back.
  STRUCT_NEW_SPT_INFO info{};
  ASSERT_EQ(SendMessageA(w_, OPM_GETNEWSPECTRUMINFORMATION, 0, reinterpret_cast<LPARAM>(&info)), 1);
  const STRUCT_SPT_PLUS* infoSpt = info.spt;
  EXPECT_EQ(infoSpt, got);
  EXPECT_EQ(+info.control, 1);
  EXPECT_EQ(SendMessageA(w_, OPM_GETNEWSPECTRUMINFORMATION, 0, 0), 0);
}

// A zoom box dragged around a compound, then a click at its apex: the
// zoomed plot with the spectrum's flag on its stem and its five scans shaded.
TEST_F(SpectraTest, AZoomAndAnApexClickAsStored) {
  CCtlOPlot* c = Show();
  SendMessageA(w_, WM_COMMAND, 2716, 0);  // 5 Point Average
  // The second compound's apex: the trace's highest point near its time.
  const STRUCT_NE_DATA_POINTS* dp = o_->slots[0].trace;
  double apex = truth_.compounds[1].retentionTime, best = -1;
  for (uint32_t k = 0; k < dp->pointCount; ++k) {
    const double t = NePointAt(dp->points, k)->time, v = NePointValue(dp->points, k);
    if (std::fabs(t - truth_.compounds[1].retentionTime) < 0.05 && v > best) {
      best = v;
      apex = t;
    }
  }
  // A box from half again the peak's height down to the plot's bottom.
  int top = 0, height = 0;
  const auto a = c->GetPlotArea();
  ASSERT_EQ(c->StackedBandAt(a.top + 1, &top, &height), 0);
  const double low = o_->tail.scales.plotLow[0], high = o_->tail.scales.plotHigh[0];
  const int y0 = top + height - static_cast<int>((1.5 * best - low) / (high - low) * height);
  win::script::Drag(w_, {XOf(c, apex - 0.3), std::max(y0, top)}, {XOf(c, apex + 0.3), top + height - 1});
  win::script::PumpUntilIdle();
  ASSERT_NEAR(o_->tail.viewEnd - o_->tail.viewStart, 0.6, 0.03);
  win::script::Click(w_, XOf(c, apex), top + height / 2);
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_SptMarkers[0][0].set, 1);
  ASSERT_EQ(c->m_SptMarkers[0][0].pointCount, 5);
  InvalidateRect(w_, nullptr, FALSE);
  win::script::PumpUntilIdle();
  if (const char* keep = std::getenv("KELT_KEEP_PICTURES")) {
    ASSERT_TRUE(win::script::SaveWindowPng(w_, "C:\\TEMP\\clicked.png"));
    std::filesystem::copy_file(win::paths::ToHost("C:\\TEMP\\clicked.png"),
                               std::filesystem::path(keep) / "control-clicked.png",
                               std::filesystem::copy_options::overwrite_existing);
  }
  testing_support::ExpectWindowAsStored(w_, OVERLAYCTL_GOLDEN_DIR, "control-clicked.png");
}

// A range dragged in the average mode: the scans of its two ends, averaged;
// no centre in the record, the halfway scan in the marker.
TEST_F(SpectraTest, ADraggedRangeAveragesItsScans) {
  CCtlOPlot* c = Show();
  c->m_clickDragMode = OPLOT_DRAG_AVERAGE;
  const double apex = truth_.compounds[1].retentionTime;
  const int x0 = XOf(c, apex - 0.05), x1 = XOf(c, apex + 0.05);
  const auto a = c->GetPlotArea();
  const int y = (a.top + a.bottom) / 2;
  win::script::Drag(w_, {x0, y}, {x1, y + 20});
  win::script::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<int>{8});
  const STRUCT_SPT_PLUS* got = drm_.GetSpectrum(0, 0);
  ASSERT_NE(got, nullptr);
  STRUCT_WORK_FILE* wf = o_->slots[0].workFile;
  uint32_t p0 = 0, p1 = 0;
  double t = 0;
  ASSERT_TRUE(GetPointFromATime(wf, c->m_lineStart, &p0, &t, 0));
  ASSERT_TRUE(GetPointFromATime(wf, c->m_lineEnd, &p1, &t, 0));
  const uint32_t first = p0 + wf->msInfo.firstScan, last = p1 + wf->msInfo.firstScan;
  EXPECT_GT(last, first + 3);
  STRUCT_SPT_PLUS* direct = TOL_MakeBCAndAvgPlusSptFromScanRange(wf, &o_->slots[0].chanList, first, last);
  ASSERT_NE(direct, nullptr);
  const STRUCT_TOL_SPT* g = got->tolSpt;
  const STRUCT_TOL_SPT* d = direct->tolSpt;
  EXPECT_EQ(+g->firstScan, first);
  EXPECT_EQ(+g->lastScan, last);
  ASSERT_EQ(+g->pairCount, +d->pairCount);
  EXPECT_EQ(std::memcmp(g->pairs, d->pairs, sizeof(XTOL_PAIR) * d->pairCount), 0);
  PlusSpt_Free(direct);
  EXPECT_EQ(CentreOf(g), -1);
  STRUCT_SPT_MARKER m{};
  ASSERT_TRUE(drm_.GetMarker(0, 0, &m));
  EXPECT_EQ(+m.centreScan, static_cast<int32_t>(first + (last - first) / 2));
  EXPECT_EQ(+m.plotFlag, 1);
}

// Stepping the active spectrum moves its scans by one cycle each way and
// keeps the spectrum unchanged past the last scan.
TEST_F(SpectraTest, SteppingTheActiveSpectrumMovesItsScans) {
  CCtlOPlot* c = Show();
  SendMessageA(w_, WM_COMMAND, 2717, 0);  // 7 Point Average
  const int x = XOf(c, truth_.compounds[0].retentionTime);
  const auto a = c->GetPlotArea();
  win::script::Click(w_, x, (a.top + a.bottom) / 2);
  win::script::PumpUntilIdle();
  STRUCT_SPT_MARKER before{};
  ASSERT_TRUE(drm_.GetMarker(0, 0, &before));
  ASSERT_EQ(before.lastScan - before.firstScan, 6u);
  SendMessageA(w_, WM_COMMAND, OPLOT_CMD_NEXT_SPECTRUM, 0);
  STRUCT_SPT_MARKER m{};
  ASSERT_TRUE(drm_.GetMarker(0, 0, &m));
  EXPECT_EQ(+m.centreScan, before.centreScan + 1);
  EXPECT_EQ(+m.firstScan, before.firstScan + 1);
  EXPECT_EQ(+m.lastScan, before.lastScan + 1);
  const STRUCT_TOL_SPT* stepped = drm_.GetSpectrum(0, 0)->tolSpt;
  EXPECT_EQ(+stepped->firstScan, before.firstScan + 1);
  SendMessageA(w_, WM_COMMAND, OPLOT_CMD_PREVIOUS_SPECTRUM, 0);
  SendMessageA(w_, WM_COMMAND, OPLOT_CMD_PREVIOUS_SPECTRUM, 0);
  ASSERT_TRUE(drm_.GetMarker(0, 0, &m));
  EXPECT_EQ(+m.centreScan, before.centreScan - 1);
  EXPECT_EQ(c->m_SptMarkers[0][0].set, 1);
}

// The next spectrum's scans on segments made for the purpose: scans 1-100
// one function, 101-300 two functions, 301-400 of another kind.
TEST_F(SpectraTest, ScanRangeOfTheNextSpectrum) {
  CCtlOPlot* c = Show();
  auto* wf = static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)));
  wf->msInfo.segmentCount = 3;
  wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(3 * sizeof(MS_SEGMENT_BLOCK)));
  const struct {
    uint32_t first, last;
    uint8_t functions;
    double continuity;
  } segs[] = {{1, 100, 1, 0.5}, {101, 300, 2, 0.5}, {301, 400, 1, 0.7}};
  for (int i = 0; i < 3; ++i) {
    wf->segmentBlocks[i].firstScan = segs[i].first;
    wf->segmentBlocks[i].lastScan = segs[i].last;
    wf->segmentBlocks[i].functionCount = segs[i].functions;
    wf->segmentBlocks[i].functions[0].massWidth = segs[i].continuity;
  }
  struct Case {
    const char* name;
    uint32_t first, last, centre;
    short direction, points, range;
    int ok;
    uint32_t f, l, c;
  } cases[] = {
      {"forward inside", 47, 53, 50, 1, 7, 0, 1, 48, 54, 51},
      {"back inside", 47, 53, 50, 0, 7, 0, 1, 46, 52, 49},
      {"a range keeps its width", 40, 60, 50, 1, 3, 1, 1, 41, 61, 51},
      {"into the next segment", 96, 102, 99, 1, 7, 0, 1, 97, 105, 100},
      {"two functions step by two", 141, 153, 147, 1, 7, 0, 1, 143, 155, 149},
      {"past the last of its kind", 293, 299, 299, 1, 7, 0, 0, 0, 0, 0},
      {"before the first scan", 1, 4, 1, 0, 7, 0, 0, 0, 0, 0},
      {"centre in no segment", 500, 502, 501, 1, 3, 0, 0, 0, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    uint32_t f = 0, l = 0, ce = 0;
    ASSERT_EQ(c->GetNextSpectrumScanRange(wf, nullptr, nullptr, nullptr, 0, k.first, k.last, k.centre, k.direction,
                                          k.points, k.range, &f, &l, &ce),
              k.ok);
    if (!k.ok) continue;
    EXPECT_EQ(f, k.f);
    EXPECT_EQ(l, k.l);
    EXPECT_EQ(ce, k.c);
  }
  // Scan functions without their information: no range.
  uint32_t f = 0, l = 0, ce = 0;
  EXPECT_EQ(c->GetNextSpectrumScanRange(wf, nullptr, reinterpret_cast<const STRUCT_SCAN_FUN_ARRAY*>(wf), nullptr, 0,
                                        47, 53, 50, 1, 7, 0, &f, &l, &ce),
            0);
  FreeBlock(wf->segmentBlocks);
  FreeBlock(wf);
}

// A profile file whose scans differ in point density gets the message once.
TEST_F(SpectraTest, ProfileScansOfDifferentDensitiesAreRefusedWithAMessage) {
  CCtlOPlot* c = Show();
  auto* wf = static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)));
  std::strcpy(wf->displayName, "run 7");
  wf->profile = 1;
  wf->msInfo.segmentCount = 2;
  wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(2 * sizeof(MS_SEGMENT_BLOCK)));
  wf->segmentBlocks[0] = {};
  wf->segmentBlocks[0].startTime = 1;
  wf->segmentBlocks[0].endTime = 5;
  wf->segmentBlocks[0].functionCount = 1;
  wf->segmentBlocks[0].functions[0].massWidth = 0.1;
  wf->segmentBlocks[1].startTime = 5;
  wf->segmentBlocks[1].endTime = 9;
  wf->segmentBlocks[1].functionCount = 2;
  wf->segmentBlocks[1].functions[0].massWidth = 0.1;
  wf->segmentBlocks[1].functions[1].massWidth = 0.05;
  struct Case {
    double start, end;
    bool message;
  } cases[] = {{3, 3, false}, {6, 6, true}, {2, 4, false}, {4, 6, true}};
  for (const Case& k : cases) {
    const size_t before = win::script::MessageBoxLog().size();
    c->CheckProfileDensities(wf, k.start, k.end);
    const auto log = win::script::MessageBoxLog();
    ASSERT_EQ(log.size(), before + (k.message ? 1 : 0)) << k.start << ".." << k.end;
    if (k.message) {
      EXPECT_EQ(log.back().caption, "run 7");
      EXPECT_EQ(log.back().text.rfind("Quibell cannot display combined Profile scans when\n", 0), 0u);
    }
  }
  FreeBlock(wf->segmentBlocks);
  FreeBlock(wf);
}

// A range one of whose ends becomes no scan makes no spectrum, whichever end it is.
TEST_F(SpectraTest, ARangeWithAnEndWithoutScanMakesNoSpectrum) {
  CCtlOPlot* c = Show();
  const double t = truth_.compounds[0].retentionTime;
  c->m_lineSlot = 0;
  for (bool first : {true, false}) {
    SCOPED_TRACE(first);
    c->m_lineStart = first ? std::nan("") : t - 0.05;
    c->m_lineEnd = first ? t + 0.05 : std::nan("");
    EXPECT_EQ(c->GetSpectrumFromZoom(), 0);
    EXPECT_EQ(drm_.GetSpectrum(0, 0), nullptr);
  }
  c->m_lineStart = t - 0.05;
  c->m_lineEnd = t + 0.05;
  EXPECT_EQ(c->GetSpectrumFromZoom(), 1);
  EXPECT_NE(drm_.GetSpectrum(0, 0), nullptr);
}

// Without a manager no spectrum is made and nothing is told; the
// right-click choice needs a record to fill.
TEST_F(SpectraTest, NoManagerMakesNoSpectrum) {
  CCtlOPlot* c = Show();
  SendMessageA(w_, OPM_SETDATAREVIEWMANAGER, 0, 0);
  EXPECT_EQ(c->GetSpectrumFromTime(truth_.compounds[0].retentionTime, 0, 0, 0), 0);
  c->m_lineSlot = 0;
  c->m_lineStart = truth_.compounds[0].retentionTime - 0.05;
  c->m_lineEnd = truth_.compounds[0].retentionTime + 0.05;
  EXPECT_EQ(c->GetSpectrumFromZoom(), 0);
  EXPECT_EQ(drm_.HaveSpectrum(0, 0), 0);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(Codes().empty());
  STRUCT_RIGHT_CLICK_SPT_INFO info{};
  EXPECT_EQ(SendMessageA(w_, OPM_GETRIGHTCLICKSPECTRUMINFO, 0, 0), 0);
  EXPECT_EQ(SendMessageA(w_, OPM_GETRIGHTCLICKSPECTRUMINFO, 0, reinterpret_cast<LPARAM>(&info)), 1);
}

// A detector plot has no scans of its own: with the alternate MS file of
// WM_USER+57 for its slot, its clicks, dragged ranges, steps, spectrum
// markers and noise labels all come from that file; without it, none.
class AlternateFileTest : public SpectraTest {
 protected:
  void SetUp() override {
    SpectraTest::SetUp();
    msfix::DetectorPlan plan;
    plan.startTime = plan_.startTime;
    plan.endTime = plan_.endTime;
    plan.points = 1500;
    ASSERT_TRUE(msfix::WriteDetectorFile(win::paths::ToHost(kDetector), plan, nullptr));
  }
  CCtlOPlot* ShowDetector() {
    o_ = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    EXPECT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(o_, 0, kDetector, DATA_TYPE_DETECTOR, 0, nullptr, nullptr,
                                                   nullptr, nullptr, "mV", "FID", 0, 0));
    OPLOT_UpdateOverlayPlots(o_, o_->tail.homeStart, o_->tail.homeEnd);
    w_ = MakeControl(7, 700, 420);
    CCtlOPlot* c = Control(w_);
    c->m_handlesOwnNotifications = 1;
    SendMessageA(w_, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o_));
    drm_.SetPlotInfo(host, w_);
    SendMessageA(w_, OPM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(&drm_));
    win::script::PumpUntilIdle();
    Notices().clear();
    return c;
  }
  void SetAlternate(const char* path, int16_t slot = 0) {
    STRUCT_SPECIAL_SN_FILE r{};
    r.slot = slot;
    r.dataType = DATA_TYPE_TIC;
    std::snprintf(r.path, sizeof r.path, "%s", path);
    SendMessageA(w_, OPM_SPECIALSIGNALTONOISEFILE, 0, reinterpret_cast<LPARAM>(&r));
  }
  void ClickAt(const CCtlOPlot* c, double time) {
    const auto a = c->GetPlotArea();
    win::script::Click(w_, XOf(c, time), (a.top + a.bottom) / 2);
    win::script::PumpUntilIdle();
  }
  static constexpr const char* kDetector = "C:\\Data\\fid.dat";
};

TEST_F(AlternateFileTest, ADetectorPlotTakesSpectraMarkersAndNoiseFromTheAlternateFile) {
  CCtlOPlot* c = ShowDetector();
  ASSERT_TRUE(o_->slots[0].trace);
  SendMessageA(w_, WM_COMMAND, 2715, 0);  // 3 Point Average
  const double apex = truth_.compounds[1].retentionTime;

  // No alternate file, or one for another slot: no spectrum.
  ClickAt(c, apex);
  SetAlternate(path_.c_str(), 1);
  ClickAt(c, apex);
  EXPECT_TRUE(Codes().empty());
  EXPECT_EQ(drm_.GetSpectrum(0, 0), nullptr);

  SetAlternate(path_.c_str());
  ClickAt(c, apex);
  EXPECT_EQ(Codes(), std::vector<int>{8});
  const STRUCT_SPT_PLUS* got = drm_.GetSpectrum(0, 0);
  ASSERT_NE(got, nullptr);
  const STRUCT_TOL_SPT* gotTol = got->tolSpt;
  ASSERT_NE(gotTol, nullptr);
  STRUCT_WORK_FILE* ms = MakeWorkFileStruct(path_.c_str(), 0);
  ASSERT_NE(ms, nullptr);
  const STRUCT_CHAN_LIST none{};
  const double time = TimeOfX(c, XOf(c, apex));
  STRUCT_SPT_PLUS* direct =
      TOL_MakeBCAndAvgPlusSptFromTimeEx(ms, &none, nullptr, TOL_GetSegmentTime(ms, time), 3, nullptr, 0);
  ASSERT_NE(direct, nullptr);
  const STRUCT_TOL_SPT& g = *gotTol;
  const STRUCT_TOL_SPT* directTol = direct->tolSpt;
  const STRUCT_TOL_SPT& d = *directTol;
  EXPECT_EQ(+g.firstScan, +d.firstScan);
  EXPECT_EQ(+g.lastScan, +d.lastScan);
  ASSERT_EQ(+g.pairCount, +d.pairCount);
  for (uint32_t i = 0; i < g.pairCount; ++i) EXPECT_EQ(std::memcmp(&g.pairs[i], &d.pairs[i], sizeof g.pairs[i]), 0);
  PlusSpt_Free(direct);
  // The record names the plot's own file; its marker has the detector's points.
  EXPECT_STREQ(g.dataFilePath, o_->slots[0].workFile->filePath);
  EXPECT_EQ(c->m_SptMarkers[0][0].set, 1);
  EXPECT_EQ(c->m_SptMarkers[0][0].pointCount, 3);
  EXPECT_GT(c->m_SptMarkers[0][0].markerValue, 0.0);

  // Stepping moves through the alternate file's scans.
  STRUCT_SPT_MARKER before{};
  ASSERT_TRUE(drm_.GetMarker(0, 0, &before));
  SendMessageA(w_, WM_COMMAND, OPLOT_CMD_NEXT_SPECTRUM, 0);
  STRUCT_SPT_MARKER m{};
  ASSERT_TRUE(drm_.GetMarker(0, 0, &m));
  EXPECT_EQ(+m.firstScan, before.firstScan + 1);

  // A dragged range averages the alternate file's scans of its two ends.
  win::script::PumpUntilIdle();
  Notices().clear();
  c->m_clickDragMode = OPLOT_DRAG_AVERAGE;
  const auto a = c->GetPlotArea();
  const int y = (a.top + a.bottom) / 2;
  win::script::Drag(w_, {XOf(c, apex - 0.05), y}, {XOf(c, apex + 0.05), y + 20});
  win::script::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<int>{8});
  uint32_t p0 = 0, p1 = 0;
  double t = 0;
  ASSERT_TRUE(GetPointFromATime(ms, c->m_lineStart, &p0, &t, 0));
  ASSERT_TRUE(GetPointFromATime(ms, c->m_lineEnd, &p1, &t, 0));
  const STRUCT_SPT_PLUS* rangedPlus = drm_.GetSpectrum(0, 0);
  ASSERT_NE(rangedPlus, nullptr);
  const STRUCT_TOL_SPT* ranged = rangedPlus->tolSpt;
  EXPECT_EQ(+ranged->firstScan, p0 + ms->msInfo.firstScan);
  EXPECT_EQ(+ranged->lastScan, p1 + ms->msInfo.firstScan);

  // The noise of the label is the alternate file's, measured with the record's data type.
  c->m_rightClickTime = apex;
  c->CalRMSNoise(0, 1);
  const CLabelInfo* label = nullptr;
  for (short i = 0; i < c->m_pLabels->Capacity(); ++i)
    if (const CLabelInfo* l = c->m_pLabels->Label(i); l && l->m_areaGroup == OPLOT_LABEL_KIND_NOISE) label = l;
  ASSERT_NE(label, nullptr);
  ASSERT_NE(label->m_text, nullptr);
  const auto* mark = static_cast<const STRUCT_NOISE_LABEL_DATA*>(label->m_mark);
  ASSERT_NE(mark, nullptr);
  STRUCT_CHRO_PREFS prefs = c->m_prefs;
  STRUCT_RMS_NOISE r{};
  const STRUCT_MASS_LIST masses{};
  ASSERT_TRUE(KELT_CalRMSNoiseForDisplay(ms, mark->signalTime, DATA_TYPE_TIC, &masses, &none,
                                         o_->slots[0].trace->detectorChannel, 0, 0, 0, &prefs, &r));
  char noise[40];
  std::snprintf(noise, sizeof noise, "\r\nN: %.3g mV", r.noise);
  EXPECT_NE(std::string(label->m_text->text).find(noise), std::string::npos) << label->m_text->text;
  FreeWorkFileStruct(ms);

  // A null record clears the file: no spectrum again.
  SendMessageA(w_, OPM_SPECIALSIGNALTONOISEFILE, 0, 0);
  EXPECT_EQ(c->m_SpecialSNFile.path[0], 0);
  EXPECT_EQ(c->GetSpectrumFromTime(apex, 0, 1, 0), 0);
  // A file that cannot be opened makes nothing and keeps the marker as it was.
  SetAlternate("C:\\Data\\missing.kms");
  EXPECT_EQ(c->GetSpectrumFromTime(apex, 0, 1, 0), 0);
  EXPECT_EQ(c->m_SptMarkers[0][0].set, 1);
}

}  // namespace
