// Data intake: which labels survive new data per slot, the plot type from
// the units, the control-made overlay fed by data files.
#include <filesystem>

#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32_controls.h"
#include "overlayctl/tests/control_fixture.h"
#include "plotengine/result_annotations.h"
#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_record.h"
#include "spectra/tests/spectrum_test_records.h"
#include "win/win_script.h"
#include "win/win_profile.h"

namespace {

using IntakeTest = OPlotTest;

TEST_F(IntakeTest, SlotIdentityDecidesWhichLabelsSurviveNewData) {
  auto [w, c, o] = ShowPlots(4, nullptr, false);
  for (int16_t s = 0; s < 4; ++s) {
    AddTestLabel(c, LABEL_TYPE_USER, s);
    AddTestLabel(c, LABEL_TYPE_VALUE, s);
    AddTestLabel(c, LABEL_TYPE_AREA, s);
    c->m_dhAnnotations[s] = CurrentAnnotations(o->slots[s].workFile, {{5.0 + s, 1e4}}, "A");
  }
  EXPECT_EQ(+c->m_identity[0].serial, 11);
  // Same overlay again: everything stays.
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 12);

  // Slot 1: another file; slot 2: same file, another title; slot 3: removed.
  o->slots[1].workFile->serialNumber = 99;
  o->slots[2].plotKind = DATA_TYPE_DETECTOR;  // the title changes with the kind
  std::strcpy(o->slots[2].units, "Counts");
  OPLOT_ClearPlotFromOverlayStructure(o, 3);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  struct Expect {
    int slot, user, noise, area;
    bool annotations;
  } expect[] = {{0, 1, 1, 1, true}, {1, 0, 0, 0, false}, {2, 1, 0, 0, false}, {3, 0, 0, 0, false}};
  for (const Expect& e : expect) {
    const auto s = static_cast<int16_t>(e.slot);
    EXPECT_EQ(CountLabels(c, s, LABEL_TYPE_USER), e.user) << e.slot;
    EXPECT_EQ(CountLabels(c, s, LABEL_TYPE_VALUE), e.noise) << e.slot;
    EXPECT_EQ(CountLabels(c, s, LABEL_TYPE_AREA), e.area) << e.slot;
    EXPECT_EQ(c->m_dhAnnotations[e.slot] != nullptr, e.annotations) << e.slot;
  }
  EXPECT_EQ(+c->m_identity[1].serial, 99);
  EXPECT_EQ(+c->m_identity[3].serial, 0);
  EXPECT_EQ(+c->m_identity[3].title[0], 0);
  DestroyWindow(w);
}

TEST_F(IntakeTest, NewPlotDataWithoutOverlayDoesNothingAndNoPlotDataForgetsIt) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  EXPECT_EQ(SendMessageA(w, OPM_NEWPLOTDATA, 0, 0), 0);
  EXPECT_EQ(c->m_hasData, 0);
  SVW_OVERLAY* o = MakeOverlay(1);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  EXPECT_EQ(c->m_pOverlay, o);
  SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
  EXPECT_EQ(c->m_pOverlay, nullptr);
  EXPECT_EQ(c->m_hasData, 0);
  EXPECT_FALSE(o->slots[0].workFile == nullptr);  // the host's overlay is untouched
  DestroyWindow(w);
}

TEST_F(IntakeTest, PlotTypeFollowsTheNumberOfUnitKinds) {
  auto [w, c, o] = ShowPlots(3, nullptr, false);
  struct Case {
    const char* units[3];
    int16_t from, to;
  } cases[] = {
      {{"Counts", "Counts", "Counts"}, OVERLAY_MODE_TWO_SCALES, OVERLAY_MODE_OVERLAID},
      {{"Counts", "Counts", "Counts"}, OVERLAY_MODE_NORMALISED, OVERLAY_MODE_NORMALISED},
      {{"Counts", "mV", "Counts"}, OVERLAY_MODE_OVERLAID, OVERLAY_MODE_TWO_SCALES},
      {{"Counts", "mV", "Counts"}, OVERLAY_MODE_NORMALISED, OVERLAY_MODE_TWO_SCALES},
      {{"Counts", "mV", "Counts"}, OVERLAY_MODE_STACKED, OVERLAY_MODE_STACKED},
      {{"Counts", "mV", "uA"}, OVERLAY_MODE_OVERLAID, OVERLAY_MODE_STACKED},
  };
  for (const Case& k : cases) {
    for (int s = 0; s < 3; ++s) std::strcpy(o->slots[s].units, k.units[s]);
    o->head.displayMode = k.from;
    c->UpdateOverlayPlotType();
    EXPECT_EQ(+o->head.displayMode, k.to) << k.units[1] << k.units[2] << " from " << k.from;
  }
  DestroyWindow(w);
}

TEST_F(IntakeTest, OverlaidToStackedKeepsTheCommonRangeAndNotifiesTheParent) {
  HWND w = MakeControl(9);
  SVW_OVERLAY* o = MakeOverlay(2);
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  o->tail.scales.commonLow = -5;
  o->tail.scales.commonHigh = 4321;
  int16_t type = OVERLAY_MODE_STACKED;
  Notices().clear();
  SendMessageA(w, OPM_NEWPLOTTYPE, 0, reinterpret_cast<LPARAM>(&type));
  EXPECT_EQ(+o->head.displayMode, OVERLAY_MODE_STACKED);
  for (int s = 0; s < 2; ++s) {
    EXPECT_DOUBLE_EQ(double{o->tail.scales.plotLow[s]}, -5);
    EXPECT_DOUBLE_EQ(double{o->tail.scales.plotHigh[s]}, 4321);
  }
  win::script::PumpUntilIdle();
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0].code, 10);
  EXPECT_EQ(Notices()[0].id, 9);
  DestroyWindow(w);
}

TEST_F(IntakeTest, DisplayedRangeAndValueRangeFollowTheZoom) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  c->UpdateOverlayDataInfo(4.0, 6.0);
  EXPECT_DOUBLE_EQ(double{o->tail.viewStart}, 4.0);
  EXPECT_DOUBLE_EQ(double{o->tail.viewEnd}, 6.0);
  const STRUCT_NE_POINT_BLOCK* b = o->slots[0].trace->points;
  const int32_t first = o->tail.firstShownIndex[0], last = o->tail.lastShownIndex[0];
  // One point before the range, the last point below its end.
  EXPECT_LT(double{NePointAt(b, static_cast<uint32_t>(first))->time}, 4.0);
  EXPECT_GE(double{NePointAt(b, static_cast<uint32_t>(first + 1))->time}, 4.0);
  EXPECT_LT(double{NePointAt(b, static_cast<uint32_t>(last))->time}, 6.0);
  EXPECT_GE(double{NePointAt(b, static_cast<uint32_t>(last + 1))->time}, 6.0);
  double lo = 1e300, hi = -1e300;
  for (int32_t k = first; k <= last; ++k) {
    lo = std::min(lo, NePointValue(b, static_cast<uint32_t>(k)));
    hi = std::max(hi, NePointValue(b, static_cast<uint32_t>(k)));
  }
  EXPECT_DOUBLE_EQ(double{o->tail.minInView[0]}, lo);
  EXPECT_DOUBLE_EQ(double{o->tail.maxInView[0]}, hi);
  EXPECT_GT(hi, 5e4);  // slot 0's peak at 5 minutes is inside
  // A range beyond the traces leaves the slots out of range.
  c->UpdateOverlayDataInfo(50.0, 60.0);
  EXPECT_EQ(+o->tail.inView[0], 0);
  EXPECT_EQ(+o->tail.inViewCount, 0);
  EXPECT_EQ(+o->head.shownCount, 2);
  DestroyWindow(w);
}

TEST_F(IntakeTest, SegmentModeShowsAPlotOnlyWhileTheNavigatorsSegmentIsInRange) {
  auto [w, c, o] = ShowPlots(1, nullptr, false);
  // Two acquisition segments: 2.0-5.3 and 5.3-12.0 minutes.
  STRUCT_WORK_FILE* wf = o->slots[0].workFile;
  wf->centroid = 1;
  wf->msInfo.segmentCount = 2;
  wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(2 * sizeof(MS_SEGMENT_BLOCK)));
  wf->segmentBlocks[0].startTime = 2.0;
  wf->segmentBlocks[0].endTime = 5.3;
  wf->segmentBlocks[1].startTime = 5.3;
  wf->segmentBlocks[1].endTime = 12.0;
  c->m_navEnabled = 1;
  c->m_segModeRequested = 1;
  const STRUCT_NE_POINT_BLOCK* b = o->slots[0].trace->points;
  const struct {
    int16_t segment;
    double start, end;
    bool inRange;
  } cases[] = {{1, 4.0, 5.0, true}, {2, 4.0, 5.0, false}, {2, 6.0, 7.5, true}, {3, 6.0, 7.5, false}};
  for (const auto& k : cases) {
    c->m_navSegCurrent = k.segment;
    c->UpdateOverlayDataInfo(k.start, k.end);
    EXPECT_EQ(o->tail.inView[0] != 0, k.inRange) << k.segment << " " << k.start;
    if (!k.inRange) continue;
    // No step back: the first shown point is the first inside the range.
    const int32_t first = o->tail.firstShownIndex[0];
    EXPECT_GE(double{NePointAt(b, static_cast<uint32_t>(first))->time}, k.start);
    EXPECT_LT(double{NePointAt(b, static_cast<uint32_t>(first - 1))->time}, k.start);
  }
  // Outside segment mode the plain rule steps back one point.
  c->m_segModeRequested = 0;
  c->UpdateOverlayDataInfo(6.0, 7.5);
  EXPECT_LT(double{NePointAt(b, static_cast<uint32_t>(o->tail.firstShownIndex[0]))->time}, 6.0);
  DestroyWindow(w);
}

class DisplayFileTest : public IntakeTest {
 protected:
  std::string WriteRun(const std::string& name, uint32_t seed) {
    const std::string path = "C:\\Data\\" + name;
    msfix::RunPlan plan;
    plan.seed = seed;
    plan.scans = 300;
    std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path)).parent_path());
    EXPECT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path), plan, nullptr));
    return path;
  }
  static LRESULT Display(HWND w, const std::string& path, int16_t slot) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.useFirstFreeSlot = slot < 0 ? 1 : 0;
    r.slot = slot < 0 ? 0 : slot;
    std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
    r.plotKind = DATA_TYPE_TIC;
    return SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
  }
};

TEST_F(DisplayFileTest, FilesFillTheControlsOwnOverlayAndSlotZeroIsToldFromFailure) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  const std::string a = WriteRun("a.kms", 3), b = WriteRun("b.kms", 4);
  EXPECT_EQ(Display(w, a, -1), 1);  // slot 0
  EXPECT_EQ(Display(w, b, -1), 2);  // slot 1
  EXPECT_EQ(Display(w, "C:\\Data\\missing.kms", -1), 0);
  ASSERT_EQ(c->m_ownOverlay, 1);
  SVW_OVERLAY* own = c->m_pOverlay;
  EXPECT_EQ(+own->head.activePlot, -1);
  EXPECT_EQ(+own->head.shownCount, 2);
  EXPECT_EQ(+own->tail.attached[1], 1);
  EXPECT_GT(+own->slots[0].trace->pointCount, 100u);
  EXPECT_NE(+c->m_identity[0].title[0], 0);
  // The host's overlay no longer replaces the control's.
  SVW_OVERLAY* hostOverlay = MakeOverlay(1);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(hostOverlay));
  EXPECT_EQ(c->m_pOverlay, own);
  // A given slot replaces what it held.
  EXPECT_EQ(Display(w, a, 1), 2);
  EXPECT_EQ(+own->head.shownCount, 2);
  // Switching and clearing.
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETONSTATUS, 1, 0), 1);
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETONSTATUS, 1, 0), 0);
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 0, 0);
  EXPECT_EQ(+own->tail.attached[0], 0);
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 25, 0);  // outside the slots: nothing
  DestroyWindow(w);  // the own overlay and its work files are freed (sanitizer)
}

TEST_F(DisplayFileTest, TheSendersSegmentPlotRecordStaysTheSenders) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  const std::string a = WriteRun("a.kms", 12);
  auto* plots = static_cast<STRUCT_SEG_PLOTS*>(AllocBlock(static_cast<uint32_t>(SegPlotsSize(2))));
  plots->count = 2;
  std::strcpy(plots->entries[1].title, "second");
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.useFirstFreeSlot = 1;
  std::strncpy(r.path, a.c_str(), sizeof r.path - 1);
  r.plotKind = DATA_TYPE_TIC;
  r.segPlots = plots;
  ASSERT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 1);
  STRUCT_SEG_PLOTS* kept = c->m_pOverlay->slots[0].segPlots;
  ASSERT_TRUE(kept != nullptr);
  EXPECT_TRUE(kept != plots);
  EXPECT_STREQ(kept->entries[1].title, "second");
  DestroyWindow(w);  // frees the copy
  EXPECT_EQ(+plots->count, 2);  // still the sender's, readable
  FreeBlock(plots);
}

TEST_F(DisplayFileTest, SecurityRefusesFilesTheUserMayNotView) {
  HWND w = MakeControl();
  const std::string a = WriteRun("a.kms", 5);
  WritePrivateProfileStringA("Security", "Enabled", "1", GetWorkstationIniPath());
  WritePrivateProfileStringA("Security", "UserName", "carl", GetWorkstationIniPath());
  EXPECT_EQ(Display(w, a, -1), 0);
  EXPECT_EQ(Control(w)->m_pOverlay, nullptr);
  WritePrivateProfileStringA("UserRights", "carl", "2", GetWorkstationIniPath());
  EXPECT_EQ(Display(w, a, -1), 1);
  DestroyWindow(w);
}

TEST_F(DisplayFileTest, ARefusedFileLeavesTheControlAsItWas) {
  const std::string a = WriteRun("a.kms", 15);
  struct Case {
    const char* what;
    std::string path;
    int16_t slot;
  } cases[] = {{"slot 20", a, 20}, {"slot -2", a, -2}, {"missing file", "C:\\Data\\none.kms", 0}};
  for (const Case& k : cases) {
    HWND w = MakeControl();
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.slot = k.slot;
    std::strncpy(r.path, k.path.c_str(), sizeof r.path - 1);
    r.plotKind = DATA_TYPE_TIC;
    EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 0) << k.what;
    EXPECT_EQ(Control(w)->m_pOverlay, nullptr) << k.what;
    EXPECT_EQ(Control(w)->m_ownOverlay, 0) << k.what;
    DestroyWindow(w);
  }
}

TEST_F(DisplayFileTest, ATwentyFirstFileReplacesSlotNineteen) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  const std::string a = WriteRun("a.kms", 6);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Display(w, a, -1), i + 1);
  const uint16_t serial19 = c->m_pOverlay->slots[19].workFile->serialNumber;
  EXPECT_EQ(Display(w, a, -1), 20);
  EXPECT_NE(+c->m_pOverlay->slots[19].workFile->serialNumber, serial19);
  EXPECT_EQ(+c->m_pOverlay->tail.attachedCount, 20);
  DestroyWindow(w);
}

}  // namespace

namespace {

class LiveFileTest : public DisplayFileTest {
 protected:
  static LRESULT DisplayLive(HWND w, const std::string& path) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.useFirstFreeSlot = 1;
    r.acquiring = 1;
    r.expectedEndTime = 12.0;
    std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
    r.plotKind = DATA_TYPE_TIC;
    return SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
  }
  static void SetRange(HWND w, double start, double end) {
    double range[2] = {start, end};
    SendMessageA(w, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(range));
  }
  static void Unreadable(STRUCT_WORK_FILE* wf) {
    wf->directHeader = wf->centroid = wf->profile = wf->sectioned = 0;
  }
  static bool SawBox(const std::string& text) {
    for (const auto& m : win::script::MessageBoxLog())
      if (m.text == text) return true;
    return false;
  }
};

TEST_F(LiveFileTest, AnUnreadableTraceStopsFollowingOnlyWhenNoAcquiringFileRemains) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  const std::string live = WriteRun("live.kms", 7), done = WriteRun("done.kms", 8);
  ASSERT_EQ(DisplayLive(w, live), 1);
  ASSERT_EQ(Display(w, done, -1), 2);
  SVW_OVERLAY* o = c->m_pOverlay;
  // A thinned trace is read again, and the read fails (no reader takes the file).
  o->slots[1].trace->step = 2.0;
  o->slots[1].trace->wholeFile = 0;
  Unreadable(o->slots[1].workFile);
  win::script::ResetLogs();
  SetRange(w, 3.0, 5.0);
  EXPECT_TRUE(SawBox("File may be missing."));
  EXPECT_EQ(+o->tail.attached[1], 0);
  EXPECT_EQ(+o->tail.attached[0], 1);
  EXPECT_TRUE(c->KillTimer(1));  // the acquiring file is still followed

  // With the acquiring file gone too, following stops.
  c->SetTimer(1, 4000);
  Unreadable(o->slots[0].workFile);
  SetRange(w, 3.5, 5.0);
  EXPECT_FALSE(c->KillTimer(1));
  DestroyWindow(w);
}

TEST_F(LiveFileTest, AnAcquiringFileKeepsItsPointsAndAddsOnlyLaterOnes) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  const std::string live = WriteRun("live.kms", 9);
  ASSERT_EQ(DisplayLive(w, live), 1);
  STRUCT_NE_DATA_POINTS* before = c->m_pOverlay->slots[0].trace;
  ASSERT_NE(before, nullptr);
  const uint32_t n = before->pointCount;
  NePointAt(before->points, 0)->value.d = -777.0;  // marks the kept points
  SetRange(c->m_hWnd, 0.0, 0.0);
  const STRUCT_NE_DATA_POINTS* after = c->m_pOverlay->slots[0].trace;
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(double{NePointAt(after->points, 0)->value.d}, -777.0);
  EXPECT_EQ(+after->pointCount, n);  // the file has not grown: nothing added
  for (uint32_t k = 1; k < after->pointCount; ++k)
    EXPECT_GT(double{NePointAt(after->points, k)->time}, double{NePointAt(after->points, k - 1)->time});
  DestroyWindow(w);
}

TEST_F(IntakeTest, PointsOutOfOrderAreReportedWithTheirCount) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  STRUCT_WORK_FILE wf{};
  std::strcpy(wf.displayName, "run7.kms");
  STRUCT_NE_DATA_POINTS dp{};
  dp.workFile = &wf;
  dp.timeReversals = 3;
  win::script::ResetLogs();
  c->TellUserTimeOutOfOrder(&dp);
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_EQ(win::script::MessageBoxLog()[0].text, "File has 3 point(s) out of time order.");
  EXPECT_EQ(win::script::MessageBoxLog()[0].caption, "run7.kms");
  DestroyWindow(w);
}

}  // namespace

namespace {

class DataInfoTest : public OPlotTest {
 protected:
  // An overlay of one slot whose filtered points reach past its main ones
  // (-50 and 900 against 100..119.8); the caller frees it.
  static SVW_OVERLAY* FilteredOverlay() {
    auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    SyntheticTrace tr;
    for (int i = 0; i < 50; ++i) {
      tr.times.push_back(1.0 + i * 0.1013);
      tr.values.push_back(100 + (i % 7) * 3.3);
      tr.processed.push_back(i == 20 ? -50.0 : (i == 30 ? 900.0 : 100.0));
    }
    FillSyntheticSlot(o, 0, tr, 0, 1000);
    return o;
  }
};

TEST_F(DataInfoTest, TheTimeRangeOfAllPlotsClipsTheRequestIntoTheirUnion) {
  auto [w, c, o] = ShowPlots(3, nullptr, false);
  o->slots[0].workFile->startTime = 2.0;
  o->slots[0].workFile->endTime = 10.0;
  o->slots[1].workFile->startTime = 4.0;
  o->slots[1].workFile->endTime = 12.0;
  o->slots[2].workFile->startTime = 0.5;  // switched off: not part of the union
  o->slots[2].workFile->endTime = 30.0;
  o->head.shown[2] = 0;
  o->head.shownCount = 2;
  struct Case {
    int16_t offsets;
    double start, end, outStart, outEnd;
  } cases[] = {
      {0, 3.0, 8.0, 3.0, 8.0},    {0, 0.0, 8.0, 2.0, 8.0},   {0, 3.0, 20.0, 3.0, 12.0},
      {0, 12.0, 14.0, 2.0, 12.0}, {0, 13.0, 14.0, 0.0, 0.0}, {0, 0.0, 1.0, 0.0, 0.0},
      {0, 0.0, 2.0, 2.0, 2.0},    {1, 3.0, 20.0, 3.0, 17.0}, {1, 1.0, 16.0, 2.0, 16.0},
  };
  o->tail.timeOffsets[1] = 5.0;
  for (const Case& k : cases) {
    o->tail.timeOffsetsOn = k.offsets;
    double s = -1, e = -1;
    c->UpdateOverlayTimeRange(k.start, k.end, &s, &e);
    EXPECT_EQ(s, k.outStart) << k.start << ".." << k.end << " offsets " << k.offsets;
    EXPECT_EQ(e, k.outEnd) << k.start << ".." << k.end << " offsets " << k.offsets;
  }
  // With no plot on there is no union.
  o->head.shown[0] = o->head.shown[1] = 0;
  double s = -1, e = -1;
  c->UpdateOverlayTimeRange(3.0, 8.0, &s, &e);
  EXPECT_EQ(s, 0.0);
  EXPECT_EQ(e, 0.0);
  DestroyWindow(w);
}

TEST_F(DataInfoTest, EmptyTracesLeaveTheRangeAndNothingTakingPartChangesNothing) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  // A whole-range update of a slot whose trace is empty.
  o->slots[1].trace->pointCount = 0;
  c->UpdateOverlayDataInfo(0.0, 0.0);
  EXPECT_EQ(+o->tail.inView[1], 0);
  EXPECT_EQ(+o->tail.inViewCount, 1);
  EXPECT_EQ(+o->head.shownCount, 2);

  // No slot both present and on: nothing moves.
  o->head.shown[0] = o->head.shown[1] = 0;
  o->head.shownCount = 0;
  o->tail.minInView[0] = 12345;
  const double viewStart = o->tail.viewStart, viewEnd = o->tail.viewEnd;
  c->UpdateOverlayDataInfo(3.0, 4.0);
  EXPECT_DOUBLE_EQ(double{o->tail.viewStart}, viewStart);
  EXPECT_DOUBLE_EQ(double{o->tail.viewEnd}, viewEnd);
  EXPECT_DOUBLE_EQ(double{o->tail.minInView[0]}, 12345);
  DestroyWindow(w);
}

TEST_F(DataInfoTest, WithAPlotMaximisedOnlyItsValueRangeIsRecomputed) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  o->head.maximised = 1;
  o->head.maximisedSlot = 1;
  o->tail.minInView[0] = o->tail.minInView[1] = -1;
  c->UpdateMinMaxInDataInfo();
  EXPECT_DOUBLE_EQ(double{o->tail.minInView[0]}, -1);  // the hidden plot keeps its range
  EXPECT_GT(double{o->tail.minInView[1]}, 0);
  o->head.maximised = 0;
  c->UpdateMinMaxInDataInfo();
  EXPECT_GT(double{o->tail.minInView[0]}, 0);
  DestroyWindow(w);
}

TEST_F(DataInfoTest, FilteringKindTwoTakesTheMainAndTheFilteredPoints) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = FilteredOverlay();
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  struct Case {
    int16_t kind;
    double lo, hi;
  } cases[] = {{0, 100.0, 119.8}, {1, -50.0, 900.0}, {2, -50.0, 900.0}};
  for (const Case& k : cases) {
    c->m_filtering[0] = k.kind;
    c->UpdateOverlayDataInfo(0.0, 0.0);
    EXPECT_NEAR(double{o->tail.minInView[0]}, k.lo, 1e-9) << k.kind;
    EXPECT_NEAR(double{o->tail.maxInView[0]}, k.hi, 1e-9) << k.kind;
  }
  DestroyWindow(w);
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}

TEST_F(DataInfoTest, FilteredPointsOnlyForFilteredKindsAndScaledTracesTimesTheirFactor) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = FilteredOverlay();
  STRUCT_WORK_FILE* wf = o->slots[0].workFile;
  std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(wf->filePath)).parent_path());
  ASSERT_TRUE(CreateSectionFileAtPath(wf->filePath, 1, 0, 0));
  wf->fileType = 3;
  ASSERT_TRUE(SetDataScaleFactor(wf->filePath, 3, 2.5f));
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  c->m_filtering[0] = 2;
  struct Case {
    const char* what;
    int16_t directHeader, sectioned, centroid, profile, scaled;
    uint16_t plotKind;
    double lo, hi;
  } cases[] = {
      {"centroid MS", 0, 1, 1, 0, 0, 0, -50.0, 900.0},
      {"profile MS", 0, 0, 0, 1, 0, 2, -50.0, 900.0},
      {"raw MS file", 1, 0, 0, 0, 0, 0, 100.0, 119.8},
      {"detector file", 0, 1, 0, 0, 0, 0, 100.0, 119.8},
      {"plot kind 4", 0, 1, 1, 0, 0, 4, 100.0, 119.8},
      {"scaled trace", 0, 1, 1, 0, 1, 0, 250.0, 299.5},
  };
  for (const Case& k : cases) {
    wf->directHeader = k.directHeader;
    wf->sectioned = k.sectioned;
    wf->centroid = k.centroid;
    wf->profile = k.profile;
    wf->timeTagged = k.scaled;
    o->slots[0].plotKind = k.plotKind;
    c->UpdateMinMaxInDataInfo();
    EXPECT_NEAR(double{o->tail.minInView[0]}, k.lo, 1e-9) << k.what;
    EXPECT_NEAR(double{o->tail.maxInView[0]}, k.hi, 1e-9) << k.what;
  }
  DestroyWindow(w);
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}

TEST_F(DataInfoTest, SwitchingASlotOnRescalesWhatTheChangeTouches) {
  HWND w = MakeControl();
  SVW_OVERLAY* o = MakeOverlay(2);
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  o->head.shown[1] = 0;
  o->head.shownCount = 1;
  SendMessageA(w, OPM_CHANGEONSTATUS, 1, reinterpret_cast<LPARAM>(o));
  const double lowOne = o->tail.scales.commonLow, highOne = o->tail.scales.commonHigh;
  o->head.shown[1] = 1;
  o->head.shownCount = 2;
  SendMessageA(w, OPM_CHANGEONSTATUS, 1, reinterpret_cast<LPARAM>(o));
  // The common range widens to take the slot in.
  EXPECT_LE(double{o->tail.scales.commonLow}, lowOne);
  EXPECT_GE(double{o->tail.scales.commonHigh}, highOne);
  EXPECT_EQ(SendMessageA(w, OPM_CHANGEONSTATUS, 1, 0), 0);  // no overlay: nothing
  DestroyWindow(w);
}

}  // namespace

namespace {

TEST_F(IntakeTest, NewTimeRangeRecomputesTheAnnotationValuesOfEverySlot) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  // A mark on a sample time and one between two samples of slot 1's trace.
  const STRUCT_NE_POINT_BLOCK* b = o->slots[1].trace->points;
  const double t0 = NePointAt(b, 100)->time, t1 = NePointAt(b, 101)->time;
  const double v0 = NePointValue(b, 100), v1 = NePointValue(b, 101);
  auto* a = static_cast<STRUCT_ANNOTATIONS*>(AllocBlock(sizeof(STRUCT_ANNOTATIONS)));
  a->count = 2;
  a->times = static_cast<double*>(AllocBlock(2 * sizeof(double)));
  a->values = static_cast<double*>(AllocBlock(2 * sizeof(double)));
  a->times[0] = t0;
  a->times[1] = (t0 + t1) / 2;
  a->plotKind = 0xFFFF;  // values made for another plot: stale
  c->m_tchroAnnotations[1] = a;
  SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  EXPECT_DOUBLE_EQ(a->values[0], v0);
  EXPECT_NEAR(a->values[1], (v0 + v1) / 2, 1e-6 * std::fabs(v0 + v1));
  EXPECT_EQ(a->plotKind, o->slots[1].plotKind);
  // A slot without annotations and a null overlay argument change nothing.
  a->values[0] = -1;
  EXPECT_EQ(SendMessageA(w, OPM_NEWTIMERANGE, 0, 0), 0);
  EXPECT_EQ(a->values[0], -1);
  c->m_tchroAnnotations[1] = nullptr;
  OPLOT_FreeAnnotationStrings(a);
  DestroyWindow(w);
}

}  // namespace

namespace {

// Slots 0 and 2 in millivolts, slot 1 in counts.
void MixedUnits(SVW_OVERLAY* o) {
  std::strcpy(o->slots[0].units, "mV");
  std::strcpy(o->slots[1].units, "Counts");
  std::strcpy(o->slots[2].units, "mV");
}

TEST_F(IntakeTest, SwitchingADualScaleSlotRescalesTheScaleOfItsUnits) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* ov) {
    MixedUnits(ov);
    ov->head.displayMode = OVERLAY_MODE_TWO_SCALES;
  }, false);
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  ASSERT_EQ(+s.leftAxisPlot, 1);   // counts on the left
  ASSERT_EQ(+s.rightAxisPlot, 0);  // the first plot of the other units
  // Slot 2 is not the right axis plot, but it is in millivolts: the right scale moves.
  s.commonLow = -7.0;
  s.commonHigh = 7.0;
  s.rightLow = -3.0;
  s.rightHigh = 3.0;
  SendMessageA(w, OPM_CHANGEONSTATUS, 2, reinterpret_cast<LPARAM>(o));
  EXPECT_EQ(double{s.commonLow}, -7.0);
  EXPECT_EQ(double{s.commonHigh}, 7.0);
  EXPECT_GT(double{s.rightHigh}, 5e4);  // slot 2's peak
  // Switching the counts plot moves the left scale only.
  s.rightLow = -3.0;
  s.rightHigh = 3.0;
  SendMessageA(w, OPM_CHANGEONSTATUS, 1, reinterpret_cast<LPARAM>(o));
  EXPECT_GT(double{s.commonHigh}, 5e4);
  EXPECT_EQ(double{s.rightHigh}, 3.0);
  DestroyWindow(w);
}

// A plot switched on or off in a unit group rescales that side from the
// whole group, the plots before it included.
TEST_F(IntakeTest, SwitchingADualScaleSlotRescalesItsWholeGroup) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* ov) {
    MixedUnits(ov);
    ov->head.displayMode = OVERLAY_MODE_TWO_SCALES;
    ov->tail.maxInView[0] = 2e5;  // the group's highest plot comes first
  }, false);
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  ASSERT_EQ(+s.rightAxisPlot, 0);
  for (int16_t on : {0, 1}) {
    SCOPED_TRACE(on);
    if (o->head.shown[2] != on) {
      o->head.shown[2] = on;
      o->head.shownCount = static_cast<int16_t>(o->head.shownCount + (on ? 1 : -1));
    }
    s.rightLow = -3.0;
    s.rightHigh = 3.0;
    SendMessageA(w, OPM_CHANGEONSTATUS, 2, reinterpret_cast<LPARAM>(o));
    double low = 0, high = 0;
    OPLOT_AutoScaleOneOfTwoVerts(o, 0, &low, &high);
    EXPECT_GT(high, 2e5);
    EXPECT_EQ(double{s.rightLow}, low);
    EXPECT_EQ(double{s.rightHigh}, high);
  }
  DestroyWindow(w);
}

TEST_F(IntakeTest, DualScaleIntakeRecomputesTheAxisPlots) {
  auto [w, c, o] = ShowPlots(3, MixedUnits, false);
  const int16_t dual = OVERLAY_MODE_TWO_SCALES;
  struct Route {
    const char* name;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  } routes[] = {
      {"new plot data", OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o)},
      {"new plot type", OPM_NEWPLOTTYPE, 0, reinterpret_cast<LPARAM>(&dual)},
      {"slot switched", OPM_CHANGEONSTATUS, 2, reinterpret_cast<LPARAM>(o)},
      {"repaint resumed", OPM_DISPLAYNOREPAINT, 0, 0},
  };
  for (const Route& r : routes) {
    o->head.displayMode = r.msg == OPM_NEWPLOTTYPE ? OVERLAY_MODE_OVERLAID : OVERLAY_MODE_TWO_SCALES;
    o->tail.scales.leftAxisPlot = 7;  // stale, from plots gone since
    o->tail.scales.rightAxisPlot = 8;
    SendMessageA(w, r.msg, r.wParam, r.lParam);
    EXPECT_EQ(o->tail.scales.leftAxisPlot, 1) << r.name;  // the counts plot leads
    EXPECT_EQ(o->tail.scales.rightAxisPlot, 0) << r.name;
  }
  // Other plot types leave the indexes alone.
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  o->tail.scales.leftAxisPlot = 7;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  EXPECT_EQ(o->tail.scales.leftAxisPlot, 7);
  DestroyWindow(w);
}

}  // namespace

namespace {

STRUCT_SPT_PLUS* TakenSpectrum(double time) {
  STRUCT_TOL_SPT* tol = spttest::Tol({{41.02, 120}, {43.05, 900}, {57.07, 333}});
  tol->header.time = time;
  STRUCT_SPT_PLUS* spt = spttest::NewRecord();
  PlusSpt_InitTolSpt(spt, tol, nullptr);
  return spt;
}

TEST_F(IntakeTest, DeletingAPlotDropsTheReviewSpectraTakenFromIt) {
  struct Case {
    const char* name;
    WPARAM layout;  // the data-review toolbar layout
    short notify;
    bool spectraGo;
  } cases[] = {{"review layout, notify", 1, 1, true}, {"no notify", 1, 0, false}, {"other layout", 0, 1, false}};
  for (const Case& k : cases) {
    auto [w, c, o] = ShowPlots(3, nullptr, false);
    CDataReviewManager drm(nullptr, nullptr, 0);
    drm.SetupEx(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0);
    // Window 0 A and window 2 B come from plot 1, window 1 B from plot 2.
    const struct {
      int16_t control, plot, slot;
    } taken[] = {{0, 0, 1}, {2, 1, 1}, {1, 1, 2}};
    for (const auto& t : taken) {
      STRUCT_SPT_MARKER m{};
      m.present = 1;
      m.chroPlotIndex = t.slot;
      drm.NewSpectrum(TakenSpectrum(4.0 + t.slot), t.control, t.plot, &m);
      c->m_SptMarkers[t.control][t.plot].set = 1;
      c->m_SptMarkers[t.control][t.plot].slot = t.slot;
    }
    SendMessageA(w, OPM_SETDATAREVIEWMANAGER, k.layout, reinterpret_cast<LPARAM>(&drm));
    Notices().clear();
    c->DeleteOnePlot(1, k.notify);
    win::script::PumpUntilIdle();
    for (const auto& t : taken) {
      const bool fromPlot = t.slot == 1;
      EXPECT_EQ(drm.HaveMarker(t.control, t.plot) >= 0, !fromPlot) << k.name << " " << t.control;
      EXPECT_EQ(c->m_SptMarkers[t.control][t.plot].set != 0, !fromPlot) << k.name << " " << t.control;
      EXPECT_EQ(drm.GetSpectrum(t.control, t.plot) != nullptr, !(fromPlot && k.spectraGo)) << k.name << " " << t.control;
    }
    int told = 0;
    for (const Notice& n : Notices()) told += n.code == 24;
    EXPECT_EQ(told, k.spectraGo ? 2 : 0) << k.name;
    SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, 0);
    DestroyWindow(w);
  }
}

}  // namespace

namespace {

// A control whose finishing of version files is seen.
class VersionWatchingControl : public CCtlOPlot {
 public:
  struct Finished {
    std::string dataFile, versionFile, displayName;
  };
  static std::vector<Finished>& Log() {
    static std::vector<Finished> log;
    return log;
  }
  void HandleTerminatingVersionTempFile(char* a, char* b, char* c) override { Log().push_back({a, b, c}); }
};

LRESULT CALLBACK VersionWatchingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* control = new VersionWatchingControl;
    SetPropA(hwnd, CCtlOPlot::kPropertyName, control);
    control->SubclassWindow(hwnd);
    return 1;
  }
  if (message == WM_NCDESTROY) {
    auto* control = static_cast<CCtlOPlot*>(GetPropA(hwnd, CCtlOPlot::kPropertyName));
    if (control && control->m_hWnd) control->UnsubclassWindow();
    RemovePropA(hwnd, CCtlOPlot::kPropertyName);
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class VersionFileTest : public DisplayFileTest {
 protected:
  void SetUp() override {
    DisplayFileTest::SetUp();
    static ATOM atom = [] {
      WNDCLASSA wc{};
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = VersionWatchingProc;
      wc.lpszClassName = "VersionWatchingOP";
      return RegisterClassA(&wc);
    }();
    ASSERT_NE(atom, 0);
    VersionWatchingControl::Log().clear();
    WritePrivateProfileStringA("Security", "Enabled", "1", GetWorkstationIniPath());
    WritePrivateProfileStringA("Security", "UserName", "dora", GetWorkstationIniPath());
    WritePrivateProfileStringA("UserRights", "dora", "2", GetWorkstationIniPath());
  }
  HWND MakeWatchingControl() {
    return CreateWindowExA(0, "VersionWatchingOP", "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 400, host,
                           reinterpret_cast<HMENU>(intptr_t{9}), nullptr, nullptr);
  }
  static LRESULT DisplayWithVersion(HWND w, const std::string& path, int16_t slot, const char* versionFile) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.slot = slot;
    std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
    r.plotKind = DATA_TYPE_TIC;
    std::strcpy(r.displayFileName, "Run of Monday");
    if (versionFile) {
      r.versionPending = 1;
      std::strcpy(r.versionFile, versionFile);
    }
    return SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
  }
  static std::vector<std::string> Listed(HWND w) {
    std::vector<std::string> names;
    HWND list = GetDlgItem(w, OPLOT_ID_LISTBOX);
    const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char text[300] = {};
      SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      names.emplace_back(text);
    }
    return names;
  }
};

TEST_F(DisplayFileTest, TheRecordsSlotFieldsReachTheOverlayAndTheSlotFileRecord) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  const std::string a = WriteRun("a.kms", 21);
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.slot = 3;
  std::strncpy(r.path, a.c_str(), sizeof r.path - 1);
  r.plotKind = DATA_TYPE_TIC;
  std::strcpy(r.labelText, "Sample 12");
  std::strcpy(r.displayFileName, "C:\\Archive\\a.kms");
  std::strcpy(r.plotText, "second text");
  r.versionNumber = 2;
  r.versionCount = 5;
  std::strcpy(r.altPath, "C:\\Data\\a-scans.kms");
  r.versionPending = 1;
  std::strcpy(r.versionFile, "C:\\TEMP\\a.v02");
  r.reference = 1;
  r.extractedVersion = 1;
  r.slotValue = 77;
  ASSERT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 4);
  const OVERLAY_SLOT& s = c->m_pOverlay->slots[3];
  EXPECT_STREQ(s.labelText, "Sample 12");
  EXPECT_STREQ(s.displayFileName, "C:\\Archive\\a.kms");
  EXPECT_STREQ(s.plotText, "second text");
  EXPECT_EQ(+s.versionNumber, 2);
  EXPECT_EQ(+s.versionCount, 5);
  EXPECT_EQ(+s.reference, 1);
  EXPECT_EQ(+s.reserved, 1);  // the extracted-version switch
  const STRUCT_OPLOT_SLOT_FILE& f = c->m_slotFiles[3];
  EXPECT_STREQ(f.altPath, "C:\\Data\\a-scans.kms");
  EXPECT_EQ(+f.versionPending, 1);
  EXPECT_STREQ(f.versionFile, "C:\\TEMP\\a.v02");
  EXPECT_EQ(+f.slotValue, 77);
  // The data file with a pending version file is named in the hidden list.
  HWND list = GetDlgItem(w, OPLOT_ID_LISTBOX);
  EXPECT_EQ(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(a.c_str())), 0);
  EXPECT_FALSE(IsWindowVisible(list));
  // Clearing the slot forgets what its record said.
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 3, 0);
  EXPECT_EQ(+c->m_slotFiles[3].versionPending, 0);
  EXPECT_EQ(c->m_slotFiles[3].altPath[0], 0);
  DestroyWindow(w);
}

TEST_F(VersionFileTest, APendingVersionFileGoesToAnotherSlotOfTheSameFileAndIsFinishedWithTheLast) {
  HWND w = MakeWatchingControl();
  ASSERT_NE(w, nullptr);
  auto* c = static_cast<VersionWatchingControl*>(Control(w));
  const std::string a = WriteRun("a.kms", 31), b = WriteRun("b.kms", 32), c3 = WriteRun("c.kms", 35);
  std::string upper = a;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  ASSERT_EQ(DisplayWithVersion(w, a, 0, "C:\\TEMP\\a.v03"), 1);
  ASSERT_EQ(DisplayWithVersion(w, upper, 1, nullptr), 2);  // the same file, named in capitals
  ASSERT_EQ(DisplayWithVersion(w, b, 2, "C:\\TEMP\\b.v01"), 3);
  ASSERT_EQ(DisplayWithVersion(w, c3, 3, nullptr), 4);
  EXPECT_EQ(Listed(w), (std::vector<std::string>{a, b}));

  // Slot 0 goes: slot 1 shows the same file and takes the version file on.
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 0, 0);
  EXPECT_TRUE(VersionWatchingControl::Log().empty());
  EXPECT_EQ(+c->m_slotFiles[1].versionPending, 1);
  EXPECT_STREQ(c->m_slotFiles[1].versionFile, "C:\\TEMP\\a.v03");
  EXPECT_EQ(Listed(w), (std::vector<std::string>{a, b}));

  // The last slot of the file goes: the version file is finished, the name leaves the list.
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 1, 0);
  ASSERT_EQ(VersionWatchingControl::Log().size(), 1u);
  EXPECT_EQ(VersionWatchingControl::Log()[0].dataFile, upper);
  EXPECT_EQ(VersionWatchingControl::Log()[0].versionFile, "C:\\TEMP\\a.v03");
  EXPECT_EQ(VersionWatchingControl::Log()[0].displayName, "Run of Monday");
  EXPECT_EQ(Listed(w), (std::vector<std::string>{b}));

  // Without security nothing is handed on or finished.
  WritePrivateProfileStringA("Security", "Enabled", "0", GetWorkstationIniPath());
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 2, 0);
  EXPECT_EQ(VersionWatchingControl::Log().size(), 1u);
  EXPECT_EQ(Listed(w), (std::vector<std::string>{b}));
  // With no plot left the slots and their list are gone.
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 3, 0);
  EXPECT_TRUE(Listed(w).empty());
  DestroyWindow(w);
}

TEST_F(VersionFileTest, ReplacingASlotFinishesItsVersionFileUnlessAnotherSlotCarriesItsOwn) {
  HWND w = MakeWatchingControl();
  auto* c = static_cast<VersionWatchingControl*>(Control(w));
  const std::string a = WriteRun("a.kms", 33), b = WriteRun("b.kms", 34);
  ASSERT_EQ(DisplayWithVersion(w, a, 0, "C:\\TEMP\\a.v01"), 1);
  ASSERT_EQ(DisplayWithVersion(w, a, 1, "C:\\TEMP\\a.v02"), 2);
  // Slot 1 already carries a version file of its own: slot 0's is finished, the name stays.
  ASSERT_EQ(DisplayWithVersion(w, b, 0, nullptr), 1);
  ASSERT_EQ(VersionWatchingControl::Log().size(), 1u);
  EXPECT_EQ(VersionWatchingControl::Log()[0].versionFile, "C:\\TEMP\\a.v01");
  EXPECT_STREQ(c->m_slotFiles[1].versionFile, "C:\\TEMP\\a.v02");
  EXPECT_EQ(Listed(w), (std::vector<std::string>{a}));
  DestroyWindow(w);
}

TEST_F(IntakeTest, ANewTimeRangeInitialisesOnlyTheScalesNotSet) {
  struct Case {
    int16_t mode;
  } cases[] = {{OVERLAY_MODE_STACKED}, {OVERLAY_MODE_OVERLAID}};
  for (const Case& k : cases) {
    HWND w = MakeControl();
    SVW_OVERLAY* o = MakeOverlay(2);
    o->head.displayMode = k.mode;
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    OVERLAY_SCALE_BLOCK& s = o->tail.scales;
    if (k.mode == OVERLAY_MODE_STACKED) {
      s.plotLow[0] = 100.0;
      s.plotHigh[0] = 9000.0;  // set by the user
      s.plotLow[1] = s.plotHigh[1] = 0.0;  // never set
    } else {
      s.commonLow = s.commonHigh = 0.0;
    }
    SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
    if (k.mode == OVERLAY_MODE_STACKED) {
      EXPECT_EQ(double{s.plotLow[0]}, 100.0);
      EXPECT_EQ(double{s.plotHigh[0]}, 9000.0);
      EXPECT_LT(double{s.plotLow[1]}, double{s.plotHigh[1]});
      EXPECT_GT(double{s.plotHigh[1]}, 5e4);  // slot 1's peak
    } else {
      EXPECT_LT(double{s.commonLow}, double{s.commonHigh});
      // A set common range stays on the next range.
      s.commonLow = -1.0;
      s.commonHigh = 1234.0;
      SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
      EXPECT_EQ(double{s.commonLow}, -1.0);
      EXPECT_EQ(double{s.commonHigh}, 1234.0);
    }
    DestroyWindow(w);
  }
}

TEST_F(IntakeTest, DeletingAPlotTakesOnlyItsTextFlags) {
  auto [w, c, o] = ShowPlots(3, nullptr, false);
  for (int16_t slot : {0, 1, 0, 2}) {
    STRUCT_OPLOT_TEXT_FLAG f{};
    f.slot = slot;
    f.time = 4.0 + slot;
    std::snprintf(f.text, sizeof f.text, "flag %d", slot);
    SendMessageA(w, OPM_ADDTEXTFLAG, 0, reinterpret_cast<LPARAM>(&f));
  }
  ASSERT_EQ(c->m_nTextFlags, 4);
  c->DeleteOnePlot(0, 0);
  ASSERT_EQ(c->m_nTextFlags, 2);
  EXPECT_EQ(+c->m_TextFlags[0].slot, 1);
  EXPECT_STREQ(c->m_TextFlags[0].text, "flag 1");
  EXPECT_EQ(+c->m_TextFlags[1].slot, 2);
  EXPECT_EQ(double{c->m_TextFlags[1].time}, 6.0);
  for (int k = 2; k < OPLOT_TEXT_FLAGS; ++k) EXPECT_EQ(c->m_TextFlags[k].text[0], 0) << k;
  DestroyWindow(w);
}

}  // namespace
