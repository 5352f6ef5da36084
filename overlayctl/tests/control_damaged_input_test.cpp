// Damaged input through the control's public doors: overlays whose flags
// disagree, message arguments outside their tables, file-display records
// with broken fields, flat and empty traces and windows too small to hold
// anything. Nothing may crash; refused input leaves the control as it was.
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>

#include "fandor/target_list_results.h"
#include "fixtures/msfixtures.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

class DamagedInputTest : public OPlotTest {
 protected:
  // The control's private messages.
  static std::vector<UINT> PrivateMessages() {
    std::vector<UINT> messages;
    for (UINT m = WM_USER + 20; m <= WM_USER + 99; ++m) messages.push_back(m);
    for (UINT m = WM_USER + 500; m <= WM_USER + 533; ++m) messages.push_back(m);
    return messages;
  }
  // A control given an overlay of three plots when asked; the overlay, or null.
  SVW_OVERLAY* MaybeShow(HWND w, bool withData) {
    SVW_OVERLAY* o = withData ? MakeOverlay(3) : nullptr;
    if (o) SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    return o;
  }
};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Every door a host or the control itself uses on an overlay, then a paint.
void Exercise(HWND w) {
  CCtlOPlot* c = static_cast<CCtlOPlot*>(GetPropA(w, "X"));
  const LPARAM overlay = reinterpret_cast<LPARAM>(c->m_pOverlay);
  SendMessageA(w, OPM_NEWTIMERANGE, 1, overlay);
  for (WPARAM slot : {WPARAM{0}, WPARAM{5}, WPARAM{19}, WPARAM{20}, WPARAM{0xFFFF}})
    SendMessageA(w, OPM_CHANGEONSTATUS, slot, overlay);
  double range[3] = {};
  SendMessageA(w, OPM_GETTIMERANGE, 1, reinterpret_cast<LPARAM>(range));
  uint32_t words[89] = {};
  SendMessageA(w, OPM_GETOVERDRAW, 0, reinterpret_cast<LPARAM>(words));
  for (int16_t type : {int16_t{1}, int16_t{0}, int16_t{3}, int16_t{2}}) {
    SendMessageA(w, OPM_NEWPLOTTYPE, 0, reinterpret_cast<LPARAM>(&type));
    UpdateWindow(w);
  }
  for (auto [cx, cy] : {std::pair{600, 400}, std::pair{3, 3}, std::pair{600, 12}, std::pair{20, 400}}) {
    SetWindowPos(w, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(w);
  }
  c->m_zoomPending = 1;
  c->m_zoomStart = 3.0;
  c->m_zoomEnd = 4.0;
  for (unsigned code : {1u, 2u, 4u, 6u, 7u, 41u, 100u, 125u, 165u})
    SendMessageA(w, OPM_NOTIFICATIONSTOSELF, code, 0);
  win::script::PumpUntilIdle();
}

TEST_F(DamagedInputTest, OverlaysWhoseFlagsDisagreeAreShownWithoutHarm) {
  struct Case {
    const char* what;
    std::function<void(SVW_OVERLAY*)> damage;
  } cases[] = {
      {"shown without being present", [](SVW_OVERLAY* o) { o->head.shown[7] = 1; }},
      {"present without work file or trace", [](SVW_OVERLAY* o) {
         o->tail.attached[8] = 1;
         o->head.shown[8] = 1;
         o->tail.inView[8] = 1;
       }},
      {"count of plots on too high", [](SVW_OVERLAY* o) { o->head.shownCount = 17; }},
      {"count of plots on negative", [](SVW_OVERLAY* o) { o->head.shownCount = -3; }},
      {"plot type unknown", [](SVW_OVERLAY* o) { o->head.displayMode = 9; }},
      {"plot type negative", [](SVW_OVERLAY* o) { o->head.displayMode = -1; }},
      {"maximized slot outside the table", [](SVW_OVERLAY* o) {
         o->head.maximised = 1;
         o->head.maximisedSlot = 55;
       }},
      {"active plot outside the table", [](SVW_OVERLAY* o) { o->head.activePlot = 40; }},
      {"shown indexes outside the trace", [](SVW_OVERLAY* o) {
         o->tail.firstShownIndex[0] = -100;
         o->tail.lastShownIndex[0] = 1000000;
         o->tail.firstShownIndex[1] = 390;
         o->tail.lastShownIndex[1] = 5;
       }},
      {"axis plots outside the table", [](SVW_OVERLAY* o) {
         o->tail.scales.leftAxisPlot = 99;
         o->tail.scales.rightAxisPlot = -7;
       }},
      {"reversed and empty displayed ranges", [](SVW_OVERLAY* o) {
         o->tail.viewStart = 9.0;
         o->tail.viewEnd = 3.0;
         o->tail.homeStart = o->tail.homeEnd = 4.0;
       }},
      {"offsets that are not numbers", [](SVW_OVERLAY* o) {
         o->tail.timeOffsetsOn = 1;
         o->tail.timeOffsets[0] = kNaN;
         o->tail.timeOffsets[1] = kInf;
         o->tail.verticalOffsetsOn = 1;
         o->tail.verticalOffsets[2] = kNaN;
       }},
      {"flat vertical ranges", [](SVW_OVERLAY* o) {
         for (int i = 0; i < OVERLAY_SLOTS; ++i) o->tail.scales.plotLow[i] = o->tail.scales.plotHigh[i] = 5.0;
         o->tail.scales.commonLow = o->tail.scales.commonHigh = 5.0;
       }},
      {"in-range count disagrees", [](SVW_OVERLAY* o) { o->tail.inViewCount = 250; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    HWND w = MakeControl();
    ASSERT_NE(w, nullptr);
    SVW_OVERLAY* o = MakeOverlay(4);
    k.damage(o);
    EXPECT_EQ(SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o)), 0);
    UpdateWindow(w);
    Exercise(w);
    EXPECT_EQ(SendMessageA(w, OPM_NOPLOTDATA, 0, 0), 0);
    UpdateWindow(w);
    DestroyWindow(w);
  }
}

// Traces that are flat, a single point, or empty.
TEST_F(DamagedInputTest, FlatSinglePointAndEmptyTracesAreShownWithoutHarm) {
  struct Case {
    const char* what;
    std::vector<double> times, values;
  } cases[] = {
      {"flat", {1.0, 1.5, 2.0, 2.5, 3.0}, {7.0, 7.0, 7.0, 7.0, 7.0}},
      {"one point", {2.0}, {10.0}},
      {"zero values", {1.0, 2.0, 3.0}, {0.0, 0.0, 0.0}},
      {"equal times", {2.0, 2.0, 2.0}, {1.0, 5.0, 3.0}},
      {"times out of order", {3.0, 1.0, 2.0, 0.5}, {1.0, 5.0, 3.0, 2.0}},
  };
  for (const Case& k : cases) {
    for (int16_t type : {int16_t{0}, int16_t{1}, int16_t{2}}) {
      SCOPED_TRACE(std::string(k.what) + " type " + std::to_string(type));
      HWND w = MakeControl();
      SVW_OVERLAY* o = MakeOverlay(1);
      SyntheticTrace tr;
      tr.times = k.times;
      tr.values = k.values;
      FillSyntheticSlot(o, 1, tr, 7.0, 7.0);
      o->tail.minInView[1] = o->tail.maxInView[1] = k.values[0];
      o->head.displayMode = type;
      SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
      UpdateWindow(w);
      CCtlOPlot* c = Control(w);
      c->UpdateOverlayDataInfo(0.0, 0.0);
      c->UpdateOverlayDataInfo(1.9, 2.1);
      c->UpdateOverlayDataInfo(5.0, 6.0);
      Exercise(w);
      DestroyWindow(w);
    }
  }
  // An empty trace in a slot that is on.
  HWND w = MakeControl();
  SVW_OVERLAY* o = MakeOverlay(2);
  o->slots[1].trace->pointCount = 0;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  UpdateWindow(w);
  Exercise(w);
  DestroyWindow(w);
}

// Sizes from none to beyond the 16-bit range the control keeps them in.
TEST_F(DamagedInputTest, WindowsOfAnySizeAreLaidOutWithoutHarm) {
  for (int16_t type : {int16_t{0}, int16_t{1}}) {
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MakeOverlay(20);
    o->head.displayMode = type;
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    c->m_navEnabled = 1;
    c->m_editIonsOn = 1;
    for (auto [cx, cy] : {std::pair{1, 1}, std::pair{1, 600}, std::pair{600, 1}, std::pair{13, 13},
                          std::pair{90, 90}, std::pair{0, 0}, std::pair{40000, 300}, std::pair{300, 70000}}) {
      SCOPED_TRACE(std::to_string(cx) + "x" + std::to_string(cy) + " type " + std::to_string(type));
      SendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, cy));
      // Kept as 16-bit values that are never negative.
      EXPECT_GE(c->m_cx, 0);
      EXPECT_GE(c->m_cy, 0);
      EXPECT_GE(c->m_plotWidth, 0);
      EXPECT_GE(c->m_plotHeight, 0);
      for (int id : {20, 21, 22, 112}) {
        const RECT r = ChildRect(w, id);
        EXPECT_GE(r.right, r.left) << id;
        EXPECT_GE(r.bottom, r.top) << id;
      }
    }
    SetWindowPos(w, nullptr, 0, 0, 5, 5, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(w);
    DestroyWindow(w);
  }
}

// Message arguments outside their tables change nothing and crash nothing.
TEST_F(DamagedInputTest, MessageArgumentsOutsideTheirTablesAreRefused) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* ov) { ov->head.displayMode = OVERLAY_MODE_STACKED; });
  const std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(&o->head),
                                    reinterpret_cast<uint8_t*>(&o->head) + sizeof o->head);
  // Unknown plot types are refused: the drawing knows four.
  for (int16_t type : {int16_t{4}, int16_t{-1}, int16_t{0x7FFF}}) {
    SendMessageA(w, OPM_NEWPLOTTYPE, 0, reinterpret_cast<LPARAM>(&type));
    EXPECT_EQ(SendMessageA(w, OPM_GETPLOTTYPE, 0, 0), OVERLAY_MODE_STACKED) << type;
  }
  const WPARAM bad[] = {WPARAM{20}, WPARAM{0xFFFF}, static_cast<WPARAM>(-1), WPARAM{0x7FFFFFFF},
                        (WPARAM{1} << 32) + 3};
  for (WPARAM b : bad) {
    SendMessageA(w, OPM_CHANGEONSTATUS, b, reinterpret_cast<LPARAM>(o));
    SendMessageA(w, OPM_DISPLAYSETONSTATUS, b, 1);
    SendMessageA(w, OPM_DISPLAYCLEARFILE, b, 0);
    SendMessageA(w, OPM_CLEARMARKERINFO, b, b);
    SendMessageA(w, OPM_NOTIFICATIONSTOSELF, b, 0);
  }
  EXPECT_EQ(std::memcmp(before.data(), &o->head, before.size()), 0);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(o->slots[i].workFile != nullptr) << i;

  // A quick-integration index is read whole: a high word does not wrap to a dialog.
  void* dialog = &c->m_activePlot;
  c->m_pQuickInt[3] = dialog;
  SendMessageA(w, OPM_CLOSEQUICKINTEGRATIONDIALOG, (WPARAM{1} << 32) + 3, 0);
  EXPECT_EQ(c->m_pQuickInt[3], dialog);
  SendMessageA(w, OPM_CLOSEQUICKINTEGRATIONDIALOG, 3, 0);
  EXPECT_EQ(c->m_pQuickInt[3], nullptr);

  // The pen keeps its width for a width that is not one.
  SendMessageA(w, OPM_SETTHICKPENWIDTH, static_cast<WPARAM>(-4), 0);
  EXPECT_EQ(c->m_thickPenWidth, 2);
  EXPECT_EQ(c->m_thickPenValue, 60);
  DestroyWindow(w);
}

// The control owns match results from the moment it gets them; one object
// handed to two slots is still released once.
TEST_F(DamagedInputTest, MatchResultsHandedToTwoSlotsAreReleasedOnce) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  void* results = NewTargetListResults(3);
  SendMessageA(w, OPM_SETTCHRORESULTS, 2, reinterpret_cast<LPARAM>(results));
  SendMessageA(w, OPM_SETTCHRORESULTS, 5, reinterpret_cast<LPARAM>(results));
  EXPECT_EQ(c->m_tchroResults[5], results);
  EXPECT_EQ(c->m_tchroResults[2], nullptr);
  // Handing the same object to its own slot again keeps it.
  SendMessageA(w, OPM_SETTCHRORESULTS, 5, reinterpret_cast<LPARAM>(results));
  EXPECT_EQ(c->m_tchroResults[5], results);
  DestroyWindow(w);  // one release: no double free under the sanitizer
}

class DamagedRecordTest : public DamagedInputTest {
 protected:
  std::string WriteRun(const std::string& name, uint32_t seed) {
    const std::string path = "C:\\Data\\" + name;
    msfix::RunPlan plan;
    plan.seed = seed;
    plan.scans = 200;
    std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path)).parent_path());
    EXPECT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path), plan, nullptr));
    return path;
  }
  static STRUCT_OPLOT_DISPLAY_FILE Record(const std::string& path) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.useFirstFreeSlot = 1;
    std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
    r.plotKind = DATA_TYPE_TIC;
    return r;
  }
  // Shows a file in the first free slot; the message's answer.
  static LRESULT Display(HWND w, const std::string& path) {
    STRUCT_OPLOT_DISPLAY_FILE r = Record(path);
    return SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
  }
};

// Records whose fields cannot be used are refused before anything changes.
TEST_F(DamagedRecordTest, RecordsWithRangesThatAreNotTimesAreRefused) {
  const std::string a = WriteRun("a.kms", 21);
  struct Case {
    const char* what;
    std::function<void(STRUCT_OPLOT_DISPLAY_FILE*)> damage;
  } cases[] = {
      {"range start not a number", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->useGivenRange = 1;
         r->rangeStart = kNaN;
         r->rangeEnd = 5;
       }},
      {"range end infinite", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->useGivenRange = 1;
         r->rangeStart = 1;
         r->rangeEnd = kInf;
       }},
      {"range reversed", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->useGivenRange = 1;
         r->rangeStart = 6;
         r->rangeEnd = 2;
       }},
      {"acquisition end not a number", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->acquiring = 1;
         r->expectedEndTime = kNaN;
       }},
      {"acquisition end negative", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->acquiring = 1;
         r->expectedEndTime = -5;
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    // A host overlay first: a refused record must not take the control over.
    SVW_OVERLAY* hostOverlay = MakeOverlay(2);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(hostOverlay));
    STRUCT_OPLOT_DISPLAY_FILE r = Record(a);
    k.damage(&r);
    EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 0);
    EXPECT_EQ(c->m_ownOverlay, 0);
    EXPECT_EQ(c->m_pOverlay, hostOverlay);
    EXPECT_EQ(+hostOverlay->head.shownCount, 2);
    DestroyWindow(w);
  }
}

// Text fields without their terminating zero, counts beyond their arrays and
// unknown plot kinds: the record is read within its bounds.
TEST_F(DamagedRecordTest, UnterminatedTextsAndCountsBeyondTheirArraysStayInBounds) {
  const std::string a = WriteRun("a.kms", 22);
  struct Case {
    const char* what;
    std::function<void(STRUCT_OPLOT_DISPLAY_FILE*)> damage;
  } cases[] = {
      {"texts without end", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->unitsGiven = 1;
         std::memset(r->units, 'u', sizeof r->units);
         std::memset(r->labelText, 'l', sizeof r->labelText);
         std::memset(r->displayFileName, 'd', sizeof r->displayFileName);
         std::memset(r->plotText, 'p', sizeof r->plotText);
         std::memset(r->altPath, 'a', sizeof r->altPath);
         r->versionPending = 1;
         std::memset(r->versionFile, 'v', sizeof r->versionFile);
       }},
      {"mass list count beyond its ranges", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->plotKind = DATA_TYPE_MASS_LIST;
         r->massList.kind = MASS_LIST_RANGES;
         r->massList.count = 0xFFFF;
         for (MASS_RANGE& m : r->massList.ranges) m = {0, 50.0, 300.0};
       }},
      {"channel list count beyond its entries", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->chanList.kind = CHAN_LIST_LISTED;
         r->chanList.count = 0xFFFF;
         for (CHAN_RANGE& e : r->chanList.entries) e = {0, 0, 0xFFFF};
       }},
      {"unknown plot kind", [](STRUCT_OPLOT_DISPLAY_FILE* r) { r->plotKind = 9999; }},
      {"negative plot kind", [](STRUCT_OPLOT_DISPLAY_FILE* r) { r->plotKind = -5; }},
      {"mass ranges that are not numbers", [](STRUCT_OPLOT_DISPLAY_FILE* r) {
         r->plotKind = DATA_TYPE_MASS_LIST;
         r->massList.kind = MASS_LIST_RANGES;
         r->massList.count = 2;
         r->massList.ranges[0] = {0, kNaN, kInf};
         r->massList.ranges[1] = {0, 400.0, 50.0};
         r->massList.window = kNaN;
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    HWND w = MakeControl();
    STRUCT_OPLOT_DISPLAY_FILE r = Record(a);
    std::memset(r.path + a.size() + 1, 'x', sizeof r.path - a.size() - 1);  // rubbish after the name
    k.damage(&r);
    const LRESULT slot = SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_TRUE(slot == 0 || slot == 1) << slot;
    UpdateWindow(w);
    Exercise(w);
    DestroyWindow(w);
  }
  // A path that fills its field without an end is not a file.
  HWND w = MakeControl();
  STRUCT_OPLOT_DISPLAY_FILE r = Record(a);
  std::memset(r.path, 'C', sizeof r.path);
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 0);
  EXPECT_EQ(Control(w)->m_pOverlay, nullptr);
  DestroyWindow(w);
}

// A file with nothing to show in the asked range fails without taking the
// control over and without leaving the display behind.
TEST_F(DamagedRecordTest, AFileWithNoPointsInItsRangeFailsWithoutTakingTheControlOver) {
  const std::string a = WriteRun("a.kms", 23);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  STRUCT_OPLOT_DISPLAY_FILE r = Record(a);
  r.useGivenRange = 1;
  r.rangeStart = 500.0;  // long after the run ends
  r.rangeEnd = 501.0;
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 0);
  EXPECT_EQ(c->m_ownOverlay, 0);
  EXPECT_EQ(c->m_pOverlay, nullptr);
  // Host overlays are still taken.
  SVW_OVERLAY* hostOverlay = MakeOverlay(1);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(hostOverlay));
  EXPECT_EQ(c->m_pOverlay, hostOverlay);
  SendMessageA(w, OPM_NOPLOTDATA, 0, 0);

  // With files shown, a failed replacement of slot 1 leaves the display
  // as after that slot was cleared.
  ASSERT_EQ(Display(w, a), 1);
  ASSERT_EQ(Display(w, a), 2);
  SVW_OVERLAY* own = c->m_pOverlay;
  r.useFirstFreeSlot = 0;
  r.slot = 1;
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 0);
  EXPECT_EQ(c->m_pOverlay, own);
  EXPECT_EQ(+own->tail.attached[0], 1);
  EXPECT_EQ(+own->tail.attached[1], 0);
  EXPECT_EQ(+own->head.shownCount, 1);
  EXPECT_EQ(+c->m_identity[1].serial, 0);
  EXPECT_EQ(c->m_waitingForData, 0);
  UpdateWindow(w);
  DestroyWindow(w);
}

// Ranges sent to the control-made overlay that are not times.
TEST_F(DamagedRecordTest, DisplayRangesThatAreNotTimesAreRefused) {
  const std::string a = WriteRun("a.kms", 24);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  ASSERT_EQ(Display(w, a), 1);
  SVW_OVERLAY* own = c->m_pOverlay;
  const double viewStart = own->tail.viewStart, viewEnd = own->tail.viewEnd;
  const double bad[][2] = {{kNaN, 3.0}, {1.0, kInf}, {-kInf, 2.0}, {6.0, 2.0}};
  for (const auto& range : bad) {
    EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(range)), 0)
        << range[0] << ".." << range[1];
    EXPECT_EQ(double{own->tail.viewStart}, viewStart);
    EXPECT_EQ(double{own->tail.viewEnd}, viewEnd);
    EXPECT_EQ(+own->tail.inView[0], 1);
  }
  const double good[2] = {viewStart + 0.5, viewEnd - 0.5};
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(good)), 1);
  EXPECT_DOUBLE_EQ(double{own->tail.viewStart}, good[0]);
  // Unknown plot types are refused here too.
  for (WPARAM type : {WPARAM{4}, WPARAM{0xFFFF}, WPARAM{99}}) {
    EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETPLOTTYPE, type, 0), 0) << type;
    EXPECT_EQ(SendMessageA(w, OPM_GETPLOTTYPE, 0, 0), OVERLAY_MODE_STACKED);
  }
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETPLOTTYPE, OVERLAY_MODE_OVERLAID, 0), 1);
  DestroyWindow(w);
}

}  // namespace

namespace {

using WholeRangeTest = OPlotTest;

// "Whole data" (start equal to end) is the union of the plots, also where a
// moved plot starts before time 0.
TEST_F(WholeRangeTest, TheWholeRangeReachesPlotsMovedBeforeTimeZero) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  o->tail.timeOffsetsOn = 1;
  o->tail.timeOffsets[1] = -3.0;
  const double first = o->slots[1].workFile->startTime - 3.0, last = o->slots[0].workFile->endTime;
  ASSERT_LT(first, 0.0);
  c->UpdateOverlayPlotData(0.0, 0.0, o->head.displayMode);
  EXPECT_DOUBLE_EQ(double{o->tail.viewStart}, first);
  EXPECT_DOUBLE_EQ(double{o->tail.viewEnd}, last);
  EXPECT_EQ(+o->tail.firstShownIndex[1], 0);
  DestroyWindow(w);
}

}  // namespace

namespace {

// A slot that holds no plot is not switched on: the count of plots on
// stays the number of plots that can be drawn.
TEST_F(DamagedRecordTest, ASlotWithoutAPlotIsNotSwitchedOn) {
  const std::string a = WriteRun("a.kms", 25);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  ASSERT_EQ(Display(w, a), 1);
  SVW_OVERLAY* own = c->m_pOverlay;
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETONSTATUS, 5, 1), 0);
  EXPECT_EQ(+own->head.shown[5], 0);
  EXPECT_EQ(+own->head.shownCount, 1);
  // Nor by the control's own "show plot" notification.
  SendMessageA(w, OPM_NOTIFICATIONSTOSELF, 160 + 6, 0);
  EXPECT_EQ(+own->head.shown[6], 0);
  EXPECT_EQ(+own->head.shownCount, 1);
  // A slot with a plot still is.
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETONSTATUS, 0, 0), 1);
  EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETONSTATUS, 0, 1), 1);
  EXPECT_EQ(+own->head.shownCount, 1);
  DestroyWindow(w);
}

}  // namespace

namespace {

// Every private message with a null record, with and without data, and with
// wParam values in and out of range: nothing crashes, and a getter that
// has nothing to fill answers 0.
TEST_F(DamagedInputTest, EveryPrivateMessageWithANullRecord) {
  const std::vector<UINT> messages = PrivateMessages();
  for (bool withData : {false, true}) {
    HWND w = MakeControl();
    MaybeShow(w, withData);
    for (UINT m : messages) {
      if (m == OPM_NOPLOTDATA) continue;  // sent last
      for (WPARAM wp : {WPARAM{0}, WPARAM{1}, WPARAM{25}, WPARAM{0xFFFF}}) {
        const LRESULT r = SendMessageA(w, m, wp, 0);
        if (m == OPM_GETTIMERANGE || m == OPM_GETTIMECLICK || m == OPM_GETOVERDRAW || m == OPM_PRINTPLOT ||
            m == OPM_GETTIMEVALUEOFFSET || m == OPM_DISPLAYSETFILE || m == OPM_DISPLAYSETTIMERANGE) {
          EXPECT_EQ(r, 0) << "WM_USER+" << m - WM_USER << " wParam " << wp;
        }
      }
      win::script::PumpUntilIdle();
    }
    UpdateWindow(w);
    SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
    DestroyWindow(w);
  }
}

}  // namespace

namespace {

// A segment-plot record whose count says more than its block holds is copied
// only as far as the block goes.
TEST_F(DamagedRecordTest, ASegmentPlotRecordIsReadNoFurtherThanItsBlock) {
  const std::string a = WriteRun("a.kms", 26);
  struct Case {
    uint16_t count;
    size_t entries;  // what the block holds
    uint16_t kept;
  } cases[] = {{0xFFFF, 2, 2}, {5, 1, 1}, {0, 0, 0}, {3, 3, 3}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.count);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    auto* plots = static_cast<STRUCT_SEG_PLOTS*>(AllocBlock(static_cast<uint32_t>(SegPlotsSize(k.entries))));
    plots->count = k.count;
    if (k.entries) std::strcpy(plots->entries[k.entries - 1].title, "last");
    STRUCT_OPLOT_DISPLAY_FILE r = Record(a);
    r.segPlots = plots;
    ASSERT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 1);
    const STRUCT_SEG_PLOTS* kept = c->m_pOverlay->slots[0].segPlots;
    ASSERT_TRUE(kept != nullptr);
    EXPECT_EQ(+kept->count, k.kept);
    if (k.entries) {
      EXPECT_STREQ(kept->entries[k.entries - 1].title, "last");
    }
    UpdateWindow(w);
    DestroyWindow(w);
    FreeBlock(plots);
  }
}

}  // namespace

namespace {

// Every private message with a record of zeros and with a record of
// rubbish (for records that hold no pointers): nothing is read or written
// outside the record, and nothing crashes.
TEST_F(DamagedInputTest, EveryPrivateMessageWithARecordOfZerosOrRubbish) {
  const std::vector<UINT> messages = PrivateMessages();
  // Objects handed over by address: the control keeps or owns them.
  const std::vector<UINT> objects = {OPM_SETDATAREVIEWMANAGER, OPM_SETTCHRORESULTS, OPM_NOPLOTDATA};
  // Records that hold pointers: rubbish there is no record at all.
  const std::vector<UINT> pointers = {OPM_NEWPLOTDATA,      OPM_NEWTIMERANGE,      OPM_CHANGEONSTATUS,
                                      OPM_PRINTPLOT,        OPM_DISPLAYSETFILE,    OPM_SETMARKERINFO,
                                      OPM_SETMARKERLFROMSPT, OPM_SETMARKERRFROMSPT};
  // Messages whose wParam is a record's address as well.
  const std::vector<UINT> addressWParam = {OPM_SETSCREENSCALEPARAMS, OPM_SETMETASCALEPARAMS};
  auto in = [](const std::vector<UINT>& v, UINT m) { return std::find(v.begin(), v.end(), m) != v.end(); };
  // As large as the largest record, an overlay; from the common allocator,
  // as every block that crosses the library's boundary.
  const uint32_t bytes = sizeof(SVW_OVERLAY) + 16384;
  std::unique_ptr<void, void (*)(void*)> record(AllocBlock(bytes), FreeBlock);
  for (int fill : {0x00, 0x41, 0xFF}) {
    for (bool withData : {false, true}) {
      SCOPED_TRACE(std::to_string(fill) + (withData ? " with data" : " without data"));
      HWND w = MakeControl();
      SVW_OVERLAY* o = MaybeShow(w, withData);
      for (UINT m : messages) {
        if (in(objects, m) || (fill && in(pointers, m))) continue;
        for (WPARAM wp : {WPARAM{0}, WPARAM{3}, WPARAM{25}}) {
          std::memset(record.get(), fill, bytes);
          SendMessageA(w, m, in(addressWParam, m) ? reinterpret_cast<WPARAM>(record.get()) : wp,
                       reinterpret_cast<LPARAM>(record.get()));
          win::script::PumpUntilIdle();
        }
      }
      UpdateWindow(w);
      if (o) SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
      UpdateWindow(w);
      DestroyWindow(w);
    }
  }
}

}  // namespace

namespace {

// The control-made overlay's counts and flags after every step of a long
// random run of the file-display messages, with good and bad arguments mixed.
void ExpectOverlayConsistent(const SVW_OVERLAY* o, int step) {
  int shown = 0, attached = 0, inView = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    shown += o->head.shown[i] != 0;
    attached += o->tail.attached[i] != 0;
    inView += o->tail.inView[i] != 0;
    EXPECT_TRUE(!o->head.shown[i] || o->tail.attached[i]) << "step " << step << " slot " << i;
    EXPECT_EQ(o->tail.attached[i] != 0, o->slots[i].workFile != nullptr) << "step " << step << " slot " << i;
    const STRUCT_NE_DATA_POINTS* dp = o->slots[i].trace;
    if (o->tail.inView[i] && o->head.shown[i] && dp && dp->pointCount) {
      EXPECT_LE(0, +o->tail.firstShownIndex[i]) << "step " << step << " slot " << i;
      EXPECT_LE(+o->tail.firstShownIndex[i], +o->tail.lastShownIndex[i]) << "step " << step << " slot " << i;
      EXPECT_LT(+o->tail.lastShownIndex[i], static_cast<int32_t>(dp->pointCount)) << "step " << step << " slot " << i;
    }
  }
  EXPECT_EQ(+o->head.shownCount, shown) << "step " << step;
  EXPECT_EQ(+o->tail.attachedCount, attached) << "step " << step;
  EXPECT_EQ(+o->tail.inViewCount, inView) << "step " << step;
  EXPECT_TRUE(o->head.displayMode >= 0 && o->head.displayMode <= 3) << "step " << step;
}

TEST_F(DamagedRecordTest, ALongRunOfDisplayMessagesKeepsTheOverlayConsistent) {
  const std::string files[] = {WriteRun("a.kms", 31), WriteRun("b.kms", 32)};
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  uint32_t seed = 12345;
  int shownFiles = 0, mostPlots = 0;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int step = 0; step < 1500; ++step) {
    switch (next(9)) {
      case 0:
      case 1: {
        STRUCT_OPLOT_DISPLAY_FILE r = Record(files[next(2)]);
        r.useFirstFreeSlot = next(2) ? 1 : 0;
        r.slot = static_cast<int16_t>(static_cast<int>(next(24)) - 2);
        r.useDisplayedRange = next(2) ? 1 : 0;
        if (next(4) == 0) {
          r.useGivenRange = 1;
          r.rangeStart = next(20) * 0.5;
          r.rangeEnd = next(20) * 0.5;
        }
        shownFiles += SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)) != 0;
        break;
      }
      case 2:
        SendMessageA(w, OPM_DISPLAYCLEARFILE, next(22), 0);
        break;
      case 3: {
        const double range[2] = {next(24) * 0.5 - 1.0, next(24) * 0.5 - 1.0};
        SendMessageA(w, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(range));
        break;
      }
      case 4:
        SendMessageA(w, OPM_DISPLAYSETPLOTTYPE, static_cast<WPARAM>(static_cast<int>(next(7)) - 1), 0);
        break;
      case 5:
        SendMessageA(w, OPM_DISPLAYSETONSTATUS, next(22), next(2));
        break;
      case 6:
        SendMessageA(w, OPM_DISPLAYNOREPAINT, next(3) == 0 ? 1 : 0, 0);
        break;
      case 7: {
        const unsigned codes[] = {1, 2, 4, 6, 41, 120 + next(20), 140 + next(20), 160 + next(20)};
        c->m_zoomPending = 1;
        c->m_zoomStart = next(20) * 0.5;
        c->m_zoomEnd = c->m_zoomStart + 1.0;
        SendMessageA(w, OPM_NOTIFICATIONSTOSELF, codes[next(8)], 0);
        break;
      }
      default:
        if (next(6) == 0) SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
        UpdateWindow(w);
        break;
    }
    if (c->m_pOverlay) {
      ExpectOverlayConsistent(c->m_pOverlay, step);
      mostPlots = std::max(mostPlots, +c->m_pOverlay->tail.attachedCount);
    }
    if (HasFailure()) break;
  }
  // The run did show files, several at once.
  EXPECT_GT(shownFiles, 40);
  EXPECT_GE(mostPlots, 4);
  SendMessageA(w, OPM_DISPLAYNOREPAINT, 0, 0);
  UpdateWindow(w);
  DestroyWindow(w);
}

}  // namespace
