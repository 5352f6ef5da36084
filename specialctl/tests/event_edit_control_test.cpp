// The integration-event editing control driven as a user drives it: a
// processed run's peak events and its method's time events loaded by
// message, valleys and time events dragged, added, deleted and restored
// with the mouse and the context menu, and the edits saved into the files
// (also when the save is killed part way or refused).
#include "specialctl/event_edit_control.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_messages.h"
#include "reportmakers/text_only_pages.h"
#include "reportpages/msr_functions.h"
#include "specialctl/information_windows.h"
#include "specialctl/tests/host_window.h"
#include "testing/golden_window.h"
#include "win/win_faults.h"
#include "win/win_kernel.h"
#include "win/win_script.h"

namespace {

constexpr char kRun[] = "C:\\Data\\WATER.KMS";
constexpr char kMethod[] = "C:\\Data\\WATER.MTH";

std::vector<DH_PEAK_EVENT> StoredEvents(uint16_t id, uint16_t address) {
  std::vector<DH_PEAK_EVENT> out;
  HDHTABLE t = OpenDHEventListReadOnly(kRun, id, address, "1");
  if (!t) return out;
  out.resize(size_t(std::max<int16_t>(CountDHEvents(t), 0)));
  for (size_t i = 0; i < out.size(); ++i) ReadDHEvent(t, int16_t(i), &out[i], 1, 1.0f);
  CloseSection(t);
  return out;
}

std::vector<DH_BASELINE> StoredBaselines(uint16_t id, uint16_t address) {
  std::vector<DH_BASELINE> out;
  HDHTABLE t = OpenDHBaselineList(kRun, id, address, "1");
  if (!t) return out;
  out.resize(size_t(std::max<int16_t>(CountDHBaselines(t), 0)));
  for (size_t i = 0; i < out.size(); ++i) ReadDHBaseline(t, int16_t(i), &out[i], 1);
  CloseSection(t);
  return out;
}

class EventEditControlTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\Data", nullptr);
    ASSERT_TRUE(msfix::WriteProcessedDataFile(kRun, kMethod, msfix::DHPlan{}, &truth));
    ASSERT_TRUE(BuildDHSectionName(section, "TimeEvents", truth.moduleId, truth.moduleAddress, "1"));
    host = std::make_unique<HostWindow>();
    w = CreateWindowExA(0, "KELT_OP2", "", WS_CHILD | WS_VISIBLE, 0, 0, 900, 520, host->hwnd,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(7)), nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    c = static_cast<CCtlOPlot2*>(static_cast<CCtlOPlot*>(GetPropA(w, "X")));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->m_controlKind, 2);
    STRUCT_OPLOT_DISPLAY_FILE r{};
    std::strcpy(r.path, kRun);
    ASSERT_EQ(SendMessageA(w, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 1);
    ASSERT_EQ(LoadPeakEvents(), 1);
    ASSERT_GT(SendMessageA(w, OP2M_LOADTIMEEVENTS, reinterpret_cast<WPARAM>(section),
                           reinterpret_cast<LPARAM>(kMethod)),
              0);
    SetMode(2);
  }
  void TearDown() override {
    if (IsWindow(w)) DestroyWindow(w);
    host.reset();
    win::script::PumpUntilIdle();
    KeltRootTest::TearDown();
  }
  LRESULT LoadPeakEvents() {
    STRUCT_OP2_READ_REQUEST q{};
    std::strcpy(q.path, kRun);
    q.slot = 0;
    return SendMessageA(w, OP2M_LOADPEAKEVENTS, 0, reinterpret_cast<LPARAM>(&q));
  }
  void SetMode(int mode) {
    ASSERT_EQ(SendMessageA(w, OP2M_SETEDITMODE, 0, mode), 1);
    Paint();
  }
  void Paint() {
    InvalidateRect(w, nullptr, FALSE);
    win::script::PumpUntilIdle();
    ASSERT_TRUE(c->m_bSizesValid);
  }
  STRUCT_OPLOT_DRAW_EVENTS* Events() const { return c->SlotEvents(0); }
  // The client point of a time in the middle of a strip.
  POINT StripPoint(double time, bool timeStrip) const {
    RECT r{};
    EXPECT_TRUE(timeStrip ? c->TimeStripRect(&r) : c->PeakStripRect(&r));
    int32_t x = 0;
    EXPECT_TRUE(OPLOT_GetXPixelFromTime(time, c->m_pOverlay, &c->m_Sizes, 0, &x));
    return {x + c->m_plotLeft, (r.top + r.bottom) / 2};
  }
  // The valley drawn on the plot with a moveable neighbourhood, or -1.
  int DrawnValley() const {
    const STRUCT_OPLOT_DRAW_EVENTS* r = Events();
    for (int v = 0; v < r->valleyCount; ++v)
      if (r->valleys[v].handle.drawn) return v;
    return -1;
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const HostCommand& h : HostWindow::Commands())
      if (h.from == w) codes.push_back(h.code);
    return codes;
  }
  int16_t StoredTimeEventCount() const {
    HSECTION s = OpenDHSection(kMethod, truth.moduleId, truth.moduleAddress, "1");
    const int16_t n = s ? CountDHItems(s) : -1;
    if (s) CloseSection(s);
    return n;
  }
  void RightClickAndChoose(POINT p, UINT id) {
    win::script::ChooseNextMenuItem(id);
    win::script::Click(w, p.x, p.y, win::script::Button::Right);
    win::script::PumpUntilIdle();
  }

  msfix::DHTruth truth;
  char section[80] = {};
  std::unique_ptr<HostWindow> host;
  HWND w = nullptr;
  CCtlOPlot2* c = nullptr;
};

TEST_F(EventEditControlTest, LoadsTheRunsEventsAndKeepsRoomForTheStripsOfEachMode) {
  const STRUCT_OPLOT_DRAW_EVENTS* r = Events();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(size_t(+r->eventCount), truth.events.size());
  EXPECT_EQ(size_t(+r->baselineCount), truth.baselines.size());
  EXPECT_EQ(size_t(c->m_timeEventCount), truth.timeEvents.size());
  STRUCT_OP2_APEX_LIST apexes{};
  EXPECT_EQ(SendMessageA(w, OP2M_GETAPEXLIST, 0, reinterpret_cast<LPARAM>(&apexes)), 1);
  EXPECT_EQ(apexes.count, +r->peakCount);
  EXPECT_EQ(SendMessageA(w, OP2M_GETAPEXLIST, 1, reinterpret_cast<LPARAM>(&apexes)), 0);

  struct Case {
    int mode;
    int lines;
    bool peakStrip, timeStrip;
  } cases[] = {{0, 0, false, false}, {1, 2, true, false}, {2, 4, true, true}, {3, 3, false, true}, {4, 3, false, true}};
  for (const Case& k : cases) {
    SetMode(k.mode);
    RECT strip{};
    EXPECT_EQ(c->m_eventStripLines, k.lines) << k.mode;
    EXPECT_EQ(c->PeakStripRect(&strip), k.peakStrip) << k.mode;
    EXPECT_EQ(c->TimeStripRect(&strip), k.timeStrip) << k.mode;
  }
  EXPECT_EQ(SendMessageA(w, OP2M_SETEDITMODE, 0, 5), 0);
  EXPECT_EQ(SendMessageA(w, OP2M_SETEDITMODE, 20, 1), 0);
}

TEST_F(EventEditControlTest, HostMessagesRefuseWhatDoesNotFit) {
  // Slots outside 0..19 and slots without events.
  for (WPARAM slot : {WPARAM(1), WPARAM(19), WPARAM(20), WPARAM(65535)}) {
    EXPECT_EQ(SendMessageA(w, OP2M_HIDEPEAKEVENTS, slot, 0), 0) << slot;
    EXPECT_EQ(SendMessageA(w, OP2M_SETDRAWOPTION, slot, 1), 0) << slot;
    EXPECT_EQ(SendMessageA(w, OP2M_SAVEPEAKEVENTS, slot, 0), 0) << slot;
  }
  // Names longer than their fields are refused, and the loaded events stay.
  const std::string longSection(40, 'S'), longPath(260, 'p');
  EXPECT_EQ(SendMessageA(w, OP2M_LOADTIMEEVENTS, reinterpret_cast<WPARAM>(longSection.c_str()),
                         reinterpret_cast<LPARAM>(kMethod)),
            0);
  EXPECT_EQ(SendMessageA(w, OP2M_LOADTIMEEVENTS, reinterpret_cast<WPARAM>(section),
                         reinterpret_cast<LPARAM>(longPath.c_str())),
            0);
  EXPECT_STREQ(c->m_timeEventFile, kMethod);
  // Four quantitation marks, no fifth.
  STRUCT_OP2_QUANT_MARK_REQUEST q{};
  q.time = truth.compounds[0].retentionTime;
  std::strcpy(q.label, "Q");
  for (int i = 0; i < OP2_QUANT_MARKS; ++i) EXPECT_EQ(SendMessageA(w, OP2M_ADDQUANTMARK, 0, LPARAM(&q)), 1);
  EXPECT_EQ(SendMessageA(w, OP2M_ADDQUANTMARK, 0, LPARAM(&q)), 0);
  EXPECT_EQ(c->m_quantMarkCount, OP2_QUANT_MARKS);
  Paint();
  // A damaged request path is read as a path that ends in its field.
  STRUCT_OP2_READ_REQUEST bad{};
  std::memset(bad.path, 'x', sizeof bad.path);
  EXPECT_EQ(SendMessageA(w, OP2M_LOADPEAKEVENTS, 0, reinterpret_cast<LPARAM>(&bad)), 0);
  EXPECT_EQ(Events(), nullptr);
}

TEST_F(EventEditControlTest, ADraggedValleyIsSavedWithItsOriginalPlaceAndRestoredBack) {
  SetMode(1);
  const int v = DrawnValley();
  ASSERT_GE(v, 0);
  STRUCT_OPLOT_DRAW_EVENTS* r = Events();
  const int16_t event = r->valleys[v].event;
  const uint32_t before = r->events[event].rawTime;
  const POINT from = StripPoint(r->valleys[v].time, false);
  HostWindow::Commands().clear();
  win::script::Drag(w, from, {from.x + 3, from.y}, 3);
  win::script::PumpUntilIdle();
  r = Events();
  EXPECT_TRUE(+r->events[event].moved);
  EXPECT_NE(+r->events[event].rawTime, before);
  EXPECT_LE(+r->valleys[v].time, +r->valleys[v].handle.maxTime);
  EXPECT_GE(+r->valleys[v].time, +r->valleys[v].handle.minTime);
  EXPECT_EQ(Codes(), std::vector<int>{OP2N_PEAKEVENTSCHANGED});
  const uint32_t moved = r->events[event].rawTime;

  ASSERT_EQ(SendMessageA(w, OP2M_SAVEPEAKEVENTS, 0, 0), 1);
  std::vector<DH_PEAK_EVENT> stored = StoredEvents(truth.moduleId, truth.moduleAddress);
  ASSERT_EQ(stored.size(), truth.events.size());
  EXPECT_EQ(+stored[size_t(event)].rawTime, moved);
  EXPECT_EQ(+stored[size_t(event)].edited, 1);
  EXPECT_EQ(+stored[size_t(event)].originalRawTime, before);

  // Restore from the context menu on the moved valley, then save: the file forgets the edit.
  Paint();
  r = Events();
  const STRUCT_OPLOT_VALLEY& val = r->valleys[v];
  ASSERT_TRUE(+val.handle.drawn);
  RightClickAndChoose({val.handle.x + c->m_plotLeft, val.handle.y + c->m_plotTop}, OP2_CMD_RESTORE);
  const auto menus = win::script::MenuLog();
  ASSERT_FALSE(menus.empty());
  ASSERT_EQ(menus.back().items.size(), 1u);
  EXPECT_EQ(menus.back().items[0].text, "Restore Valley");
  EXPECT_EQ(+Events()->events[event].rawTime, before);
  ASSERT_EQ(SendMessageA(w, OP2M_SAVEPEAKEVENTS, 0, 0), 1);
  stored = StoredEvents(truth.moduleId, truth.moduleAddress);
  EXPECT_EQ(+stored[size_t(event)].rawTime, before);
  EXPECT_EQ(+stored[size_t(event)].edited, 0);
  EXPECT_EQ(+stored[size_t(event)].originalRawTime, 0u);
}

TEST_F(EventEditControlTest, AnAddedValleyIsInsertedInTimeOrderAndThePeakTableRenumbered) {
  SetMode(1);
  STRUCT_OPLOT_DRAW_EVENTS* r = Events();
  ASSERT_GT(+r->baselineCount, 0);
  // Inside the last peak, half way between its start and its apex.
  const int b = r->baselineCount - 1;
  const double t = r->baselines[b].startTime + 0.3 * (r->baselines[b].endTime - r->baselines[b].startTime);
  const std::vector<DH_BASELINE> oldTable = StoredBaselines(truth.moduleId, truth.moduleAddress);
  HostWindow::Commands().clear();
  RightClickAndChoose(StripPoint(t, false), OP2_CMD_ADD_VALLEY);
  r = Events();
  ASSERT_EQ(size_t(+r->eventCount), truth.events.size() + 1);
  EXPECT_EQ(+r->events[r->eventCount - 1].controlFlag, 1);
  EXPECT_EQ(Codes(), std::vector<int>{OP2N_PEAKEVENTSCHANGED});

  ASSERT_EQ(SendMessageA(w, OP2M_SAVEPEAKEVENTS, 0, 0), 1);
  const std::vector<DH_PEAK_EVENT> stored = StoredEvents(truth.moduleId, truth.moduleAddress);
  ASSERT_EQ(stored.size(), truth.events.size() + 1);
  for (size_t i = 1; i < stored.size(); ++i) EXPECT_LE(+stored[i - 1].rawTime, +stored[i].rawTime) << i;
  size_t at = 0;
  while (at < stored.size() && stored[at].code != OP2_EVENT_VALLEY) ++at;
  int added = 0;
  for (const DH_PEAK_EVENT& e : stored) added += e.edited == 1 && e.code == OP2_EVENT_VALLEY ? 1 : 0;
  EXPECT_EQ(added, 1);
  // Entries before the new event keep their numbers; those at or after it move up by one.
  const std::vector<DH_BASELINE> table = StoredBaselines(truth.moduleId, truth.moduleAddress);
  ASSERT_EQ(table.size(), oldTable.size());
  const int16_t inserted = [&] {
    for (size_t i = 0; i < stored.size(); ++i)
      if (stored[i].edited == 1 && stored[i].originalRawTime == stored[i].rawTime) return int16_t(i + 1);
    return int16_t(0);
  }();
  ASSERT_GT(inserted, 0);
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(+table[i].startEvent, +oldTable[i].startEvent + (+oldTable[i].startEvent >= inserted ? 1 : 0)) << i;
    EXPECT_EQ(+table[i].endEvent, +oldTable[i].endEvent + (+oldTable[i].endEvent >= inserted ? 1 : 0)) << i;
  }
  // The control reads the file again: nothing is pending, a second save adds nothing.
  ASSERT_EQ(SendMessageA(w, OP2M_SAVEPEAKEVENTS, 0, 0), 1);
  EXPECT_EQ(StoredEvents(truth.moduleId, truth.moduleAddress).size(), truth.events.size() + 1);
}

TEST_F(EventEditControlTest, DeletingAValleyKeepsTheOtherValleysAndTheLastPeak) {
  STRUCT_OPLOT_DRAW_EVENTS* r = Events();
  ASSERT_GE(+r->baselineCount, 2);
  // A valley that ends a peak in the middle merges it with the next one.
  const int16_t middle = r->baselines[0].endEvent;
  const int16_t before = r->baselineCount;
  const double lastEnd = r->baselines[before - 1].endTime;
  c->m_menuValleyEvent = middle;
  SendMessageA(w, WM_COMMAND, OP2_CMD_DELETE_VALLEY, 0);
  r = Events();
  EXPECT_TRUE(+r->events[middle].hidden);
  EXPECT_EQ(+r->baselineCount, before - 1);
  EXPECT_EQ(+r->baselines[r->baselineCount - 1].endTime, lastEnd);
  for (int v = 0; v < r->valleyCount; ++v) {
    const STRUCT_OPLOT_VALLEY& val = r->valleys[v];
    ASSERT_LT(+val.baseline, +r->baselineCount) << v;
    if (val.event != middle) {
      EXPECT_FALSE(+r->events[val.event].hidden) << v;
    }
  }
  // The valley ending the last peak: the peak stays.
  c->m_menuValleyEvent = r->baselines[r->baselineCount - 1].endEvent;
  SendMessageA(w, WM_COMMAND, OP2_CMD_DELETE_VALLEY, 0);
  EXPECT_EQ(+Events()->baselineCount, before - 1);
  int hidden = 0;
  for (int i = 0; i < Events()->eventCount; ++i) hidden += Events()->events[i].hidden ? 1 : 0;
  EXPECT_EQ(hidden, 2);
}

TEST_F(EventEditControlTest, PeakChoiceCommandsSetTheSelectionAndTellTheHost) {
  struct Case {
    UINT id;
    int16_t selected, rejected;
    int code;
  } cases[] = {{OP2_CMD_SELECT_PEAK, 1, 0, OP2N_SELECTPEAK},
               {OP2_CMD_USE_ORIGINAL_PEAK, 0, 0, OP2N_USEORIGINALPEAK},
               {OP2_CMD_REJECT_PEAK, 0, 1, OP2N_REJECTPEAK},
               // Back to the method's integration: neither chosen nor rejected.
               {OP2_CMD_RESTORE_METHOD, 0, 0, OP2N_RESTOREMETHODINTEGRATION}};
  for (const Case& k : cases) {
    c->m_peakSelected = 1;
    c->m_peakRejected = 1;
    c->m_menuPeak = 0;
    HostWindow::Commands().clear();
    SendMessageA(w, WM_COMMAND, k.id, 0);
    win::script::PumpUntilIdle();
    EXPECT_EQ(c->m_peakSelected, k.selected) << k.id;
    EXPECT_EQ(c->m_peakRejected, k.rejected) << k.id;
    EXPECT_EQ(Codes(), std::vector<int>{k.code}) << k.id;
  }
  double t = 0;
  c->m_peakSelected = 0;
  EXPECT_EQ(SendMessageA(w, OP2M_GETSELECTEDPEAKTIME, 0, reinterpret_cast<LPARAM>(&t)), 0);
  SendMessageA(w, WM_COMMAND, OP2_CMD_SELECT_PEAK, 0);
  EXPECT_EQ(SendMessageA(w, OP2M_GETSELECTEDPEAKTIME, 0, reinterpret_cast<LPARAM>(&t)), 1);
  EXPECT_DOUBLE_EQ(t, +Events()->peaks[0].apexTime);
}

TEST_F(EventEditControlTest, TimeEventsAddedDraggedAndDeletedAreSaved) {
  RECT strip{};
  ASSERT_TRUE(c->TimeStripRect(&strip));
  const int16_t stored = StoredTimeEventCount();
  ASSERT_EQ(size_t(stored), truth.timeEvents.size());
  // A right click away from every event offers the thirteen add items, a separator and the editor.
  const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
  const double t = wf->startTime + 0.13 * (wf->endTime - wf->startTime);
  HostWindow::Commands().clear();
  RightClickAndChoose(StripPoint(t, true), OP2_CMD_ADD_TIME_EVENT0 + 11);  // tangent percent
  const auto menu = win::script::MenuLog().back();
  ASSERT_EQ(menu.items.size(), 15u);
  EXPECT_EQ(menu.items[0].text, "WI: Add Width");
  EXPECT_TRUE(menu.items[13].separator);
  EXPECT_EQ(menu.items[14].text, "Edit Time Events");
  ASSERT_EQ(c->m_timeEventCount, stored + 1);
  STRUCT_OPLOT_TIME_EVENT& added = c->m_timeEvents[stored];
  EXPECT_EQ(+added.type, 11);
  EXPECT_EQ(+added.endTime, 10);
  EXPECT_TRUE(TimeEventNew(added));
  EXPECT_EQ(Codes(), std::vector<int>{OP2N_TIMEEVENTSCHANGED});
  EXPECT_EQ(c->m_timeEventWaitingForButtons, 1);

  // Dragging its marker to the right moves its time.
  Paint();
  ASSERT_TRUE(+c->m_timeEvents[stored].startMark.drawn);
  const POINT from{c->m_timeEvents[stored].startMark.x, c->m_timeEvents[stored].startMark.y + 1};
  const int32_t was = c->m_timeEvents[stored].time;
  win::script::Drag(w, from, {from.x + 20, from.y}, 4);
  win::script::PumpUntilIdle();
  EXPECT_GT(+c->m_timeEvents[stored].time, was);
  const int32_t dragged = c->m_timeEvents[stored].time;

  ASSERT_EQ(SendMessageA(w, OP2M_SAVETIMEEVENTS, 0, 0), 1);
  EXPECT_EQ(StoredTimeEventCount(), stored + 1);
  bool found = false;
  for (int i = 0; i < c->m_timeEventCount; ++i) {
    EXPECT_FALSE(TimeEventNew(c->m_timeEvents[i]) || TimeEventMoved(c->m_timeEvents[i]));
    found = found || (c->m_timeEvents[i].type == 11 && c->m_timeEvents[i].time == dragged);
  }
  EXPECT_TRUE(found);

  // Deleted from its own menu, then saved: the section holds the method's events again.
  Paint();
  int idx = -1;
  for (int i = 0; i < c->m_timeEventCount; ++i)
    if (c->m_timeEvents[i].type == 11 && c->m_timeEvents[i].time == dragged) idx = i;
  ASSERT_GE(idx, 0);
  RightClickAndChoose({c->m_timeEvents[idx].startMark.x, c->m_timeEvents[idx].startMark.y + 1},
                      OP2_CMD_DELETE_TIME_EVENT);
  EXPECT_TRUE(TimeEventDeleted(c->m_timeEvents[idx]));
  ASSERT_EQ(SendMessageA(w, OP2M_SAVETIMEEVENTS, 0, 0), 1);
  EXPECT_EQ(StoredTimeEventCount(), stored);
  EXPECT_EQ(c->m_timeEventCount, stored);
}

TEST_F(EventEditControlTest, AnEventAddedAtTheRunsEndStartsBeforeItEndsAndSaves) {
  const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
  const double nearEnd = wf->endTime - 0.005;
  c->m_menuX = StripPoint(std::min(nearEnd, c->m_pOverlay->tail.viewEnd - 0.001), true).x;
  SendMessageA(w, WM_COMMAND, OP2_CMD_ADD_TIME_EVENT0 + 1, 0);  // inhibit integrate
  ASSERT_EQ(c->m_timeEventCount, int16_t(truth.timeEvents.size() + 1));
  const STRUCT_OPLOT_TIME_EVENT& e = c->m_timeEvents[c->m_timeEventCount - 1];
  EXPECT_LT(+e.time, +e.endTime);
  EXPECT_EQ(+e.endTime, TimeEventUnits(wf->endTime - 0.01));
  EXPECT_EQ(SendMessageA(w, OP2M_SAVETIMEEVENTS, 0, 0), 1);
  EXPECT_EQ(size_t(StoredTimeEventCount()), truth.timeEvents.size() + 1);
}

TEST_F(EventEditControlTest, AFaultyTimeEventSetIsShownAndTheFileKeepsItsEvents) {
  // The same event twice is a duplicate: the errors dialog comes, the section stays.
  c->m_menuX = StripPoint(c->m_pOverlay->slots[0].workFile->startTime + 1.0, true).x;
  SendMessageA(w, WM_COMMAND, OP2_CMD_ADD_TIME_EVENT0 + 10, 0);
  SendMessageA(w, WM_COMMAND, OP2_CMD_ADD_TIME_EVENT0 + 10, 0);
  bool shown = false;
  win::script::OnNextDialog([&](HWND dialog) {
    shown = true;
    win::script::PressButton(dialog, IDOK);
  });
  win::script::PumpUntilIdle();
  HostWindow::Commands().clear();
  EXPECT_EQ(SendMessageA(w, OP2M_SAVETIMEEVENTS, 0, 0), 0);
  EXPECT_TRUE(shown);
  EXPECT_EQ(size_t(StoredTimeEventCount()), truth.timeEvents.size());
  EXPECT_EQ(size_t(c->m_timeEventCount), truth.timeEvents.size());
  EXPECT_EQ(Codes(), std::vector<int>{OP2N_TIMEEVENTSRESTORED});
}

TEST_F(EventEditControlTest, AKilledSaveLeavesTheOldOrTheNewEventsWhole) {
  // Pending edits of both kinds: a valley added, an event moved, a time event added.
  STRUCT_OPLOT_DRAW_EVENTS* r = Events();
  const int b = r->baselineCount - 1;
  c->m_menuX = StripPoint(r->baselines[b].startTime + 0.3 * (r->baselines[b].endTime - r->baselines[b].startTime),
                          false).x;
  SendMessageA(w, WM_COMMAND, OP2_CMD_ADD_VALLEY, 0);
  r = Events();
  r->events[1].rawTime += 600;
  r->events[1].moved = 1;
  c->m_menuX = StripPoint(c->m_pOverlay->slots[0].workFile->startTime + 1.0, true).x;
  SendMessageA(w, WM_COMMAND, OP2_CMD_ADD_TIME_EVENT0 + 12, 0);
  const size_t oldEvents = truth.events.size(), oldTimes = truth.timeEvents.size();
  auto state = [&] {
    const auto events = StoredEvents(truth.moduleId, truth.moduleAddress);
    const auto table = StoredBaselines(truth.moduleId, truth.moduleAddress);
    bool tableFits = true;
    for (const DH_BASELINE& bl : table)
      tableFits = tableFits && bl.startEvent >= 1 && bl.endEvent <= int16_t(events.size());
    return std::make_tuple(events.size(), size_t(StoredTimeEventCount()), tableFits);
  };
  ASSERT_TRUE(CopyFileA(kRun, "C:\\Data\\RUN.BAK", FALSE));
  ASSERT_TRUE(CopyFileA(kMethod, "C:\\Data\\MTH.BAK", FALSE));
  auto putBack = [] {
    return CopyFileA("C:\\Data\\RUN.BAK", kRun, FALSE) && CopyFileA("C:\\Data\\MTH.BAK", kMethod, FALSE);
  };
  for (int which = 0; which < 2; ++which) {
    win::faults::Plan(0, 0);
    const pid_t probe = fork();
    ASSERT_GE(probe, 0);
    if (probe == 0) {
      win::faults::Plan(0, 0);
      const int saved = which == 0 ? c->SavePeakEvents(0) : c->SaveTimeEvents();
      _exit(saved ? int(std::min<int64_t>(win::faults::CountsSoFar().fileCalls, 250)) : 0);
    }
    int status = 0;
    waitpid(probe, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    const int calls = WEXITSTATUS(status);
    ASSERT_GT(calls, 0) << "the save did not succeed";
    bool sawOld = false, sawNew = false;
    for (int k = 1; k <= calls + 1; ++k) {
      ASSERT_TRUE(putBack());
      const pid_t pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        win::faults::Plan(k, 0);
        which == 0 ? c->SavePeakEvents(0) : c->SaveTimeEvents();
        _exit(0);
      }
      waitpid(pid, &status, 0);
      const auto [events, times, fits] = state();
      EXPECT_TRUE(fits) << "killed at file call " << k;
      const size_t got = which == 0 ? events : times;
      const size_t old = which == 0 ? oldEvents : oldTimes;
      ASSERT_TRUE(got == old || got == old + 1) << "killed at file call " << k << ": " << got;
      EXPECT_EQ(which == 0 ? times : events, which == 0 ? oldTimes : oldEvents) << k;
      sawOld = sawOld || got == old;
      sawNew = sawNew || got == old + 1;
    }
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(sawNew);
  }
  ASSERT_TRUE(putBack());
}

TEST_F(EventEditControlTest, PopupTextsDescribeEventsAndTheirValues) {
  char lines[INFO_LINES][INFO_LINE_SIZE] = {};
  struct Case {
    int16_t type;
    int32_t value;
    const char* last;
  } cases[] = {{0, 1, "Value: 0.5 sec"},      {0, 4, "Value: 2 sec"},           {11, 10, "Value: 10 %"},
               {12, 1000, "Value: 1000 count"}, {1, 21000, "End Time: 2.100 min"}, {6, 0, "split peak event"}};
  for (const Case& k : cases) {
    STRUCT_OPLOT_TIME_EVENT e{};
    e.time = 20000;
    e.type = k.type;
    e.endTime = k.value;
    const int n = c->BuildTimeEventLines(e, -1, lines);
    ASSERT_GE(n, 2);
    EXPECT_STREQ(lines[0], "Time: 2.000 min");
    EXPECT_STREQ(lines[n - 1], k.last) << k.type << " " << k.value;
  }
  // Peak events: four lines each, at most four events; combined flags have no name.
  STRUCT_OPLOT_DRAW_EVENTS* r = Events();
  const uint32_t keep = r->events[0].code;
  r->events[0].code = 0x2 | 0x4;
  const int16_t five[5] = {0, 1, 2, 3, 4};
  EXPECT_EQ(c->BuildPeakEventLines(five, 5, lines), 16);
  EXPECT_STREQ(lines[2], "Type: ");
  EXPECT_STREQ(lines[3], "Code: ");
  r->events[0].code = keep;
  const int16_t one[1] = {0};
  c->BuildPeakEventLines(one, 1, lines);
  EXPECT_EQ(std::string(lines[3]).rfind("Code: ", 0), 0u);
}

TEST_F(EventEditControlTest, HoveringAnEventOpensTheEventWindowOnTheScreen) {
  SetMode(1);
  const int v = DrawnValley();
  ASSERT_GE(v, 0);
  const POINT p = StripPoint(Events()->valleys[v].time, false);
  win::script::MouseMove(w, p.x, p.y);
  win::script::PumpUntilIdle();
  ASSERT_NE(c->m_eventPopup, nullptr);
  const STRUCT_INFO_TEXT* text = GetInfoWindowText(c->m_eventPopup);
  ASSERT_NE(text, nullptr);
  EXPECT_GE(text->lineCount, 4);
  EXPECT_STREQ(text->lines[2], "Type: Valley Point");
  RECT r{};
  GetWindowRect(c->m_eventPopup, &r);
  EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LE(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  SendMessageA(w, OP2M_ENABLEINFOPOPUPS, 0, 0);
  EXPECT_EQ(c->m_eventPopup, nullptr);
}

}  // namespace

namespace {

bool PageHolds(const std::string& page, const std::string& text) {
  if (page.find(text) != std::string::npos) return true;
  std::string wide;
  for (char ch : text) {
    wide += ch;
    wide += '\0';
  }
  return page.find(wide) != std::string::npos;
}

TEST_F(EventEditControlTest, AReportFromTheControlHoldsItsEventsBelowTheHeader) {
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  char reports[260] = "C:\\Data\\controls.msr";
  ASSERT_EQ(RPTS_MakeUNIDReportFromControls(reports, &prefs, kRun, -1, w, nullptr, nullptr, 0, 0), 1);
  ASSERT_EQ(MSR_GetPageCount(reports), 1);
  CRptsFileHandler* h = MSR_InitRptsFileHandler(reports, "Events");
  ASSERT_NE(h, nullptr);
  RptsPageRecord record{};
  uint32_t size = 0;
  void* bits = MSR_GetPage(h, 0, &record, &size);
  ASSERT_NE(bits, nullptr);
  const std::string page(static_cast<const char*>(bits), size);
  MSR_FreePage(bits);
  MSR_FreeRptsFileHandler(h);
  // The time-events strip of the edited plot was drawn into the page.
  EXPECT_TRUE(PageHolds(page, "Right Click to Add/Edit Time Events."));
  // The control's own positions are the screen's again: a drag still finds its valley.
  SetMode(1);
  EXPECT_GE(DrawnValley(), 0);
}

}  // namespace

namespace {

TEST_F(EventEditControlTest, EditedEventsLookAsStored) {
  // The whole control in view.
  MoveWindow(host->hwnd, 0, 0, 940, 580, TRUE);
  Paint();
  // A valley dragged in the peak-events strip and a split peak added in the time-events strip.
  const int v = DrawnValley();
  ASSERT_GE(v, 0);
  const POINT from = StripPoint(Events()->valleys[v].time, false);
  win::script::Drag(w, from, {from.x + 4, from.y}, 2);
  const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
  RightClickAndChoose(StripPoint(wf->startTime + 0.6 * (wf->endTime - wf->startTime), true),
                      OP2_CMD_ADD_TIME_EVENT0 + 6);
  Paint();
  win::script::MouseMove(w, 2, 2);
  win::script::PumpUntilIdle();
  CreateDirectoryA("C:\\TEMP", nullptr);
  testing_support::ExpectWindowAsStored(w, SPECIALCTL_GOLDEN_DIR, "event-editing.png");
}

}  // namespace

namespace {

TEST_F(EventEditControlTest, AManualIntegrationInTheEventsSetsTheManualPeak) {
  // Manual start, manual end and the forced apex between them, at three of the run's own event times.
  struct Case {
    std::vector<uint32_t> codes;
    bool manual;
  } cases[] = {{{OP2_EVENT_MANUAL_START, OP2_EVENT_MANUAL_APEX, OP2_EVENT_MANUAL_END}, true},
               {{OP2_EVENT_MANUAL_START, 0x4, OP2_EVENT_MANUAL_END}, false},
               {{OP2_EVENT_MANUAL_APEX, OP2_EVENT_MANUAL_START, OP2_EVENT_MANUAL_END}, false}};
  const std::vector<DH_PEAK_EVENT> original = StoredEvents(truth.moduleId, truth.moduleAddress);
  ASSERT_GE(original.size(), 3u);
  for (const Case& k : cases) {
    std::vector<DH_PEAK_EVENT> events(original.begin(), original.begin() + 3);
    for (size_t i = 0; i < 3; ++i) events[i].code = k.codes[i];
    HDHTABLE t = CreateDHEventList(kRun, truth.moduleId, truth.moduleAddress, "1");
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(WriteDHEvent(t, 0, events.data(), 3, 1.0f));
    CloseSection(t);
    ASSERT_EQ(LoadPeakEvents(), 1);
    EXPECT_EQ(c->m_manualPeak != 0, k.manual);
    if (k.manual) {
      EXPECT_NEAR(c->m_manualPeakTime, DHRawToMinutes(events[1].rawTime), 1e-9);
    }
  }
}

}  // namespace
