// Peak and time event records read from processed files and from lists
// written for the case.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "plot_fixture.h"
#include "plotengine/peak_events.h"

namespace {

constexpr char kProcessed[] = "C:\\Data\\processed.kms";
constexpr char kMethod[] = "C:\\Data\\method.mth";

class PeakEventsTest : public PlotRootTest {
 protected:
  void WriteProcessed() { ASSERT_TRUE(msfix::WriteProcessedDataFile(kProcessed, kMethod, msfix::DHPlan{}, &truth_)); }
  // A plain run with integration lists of the case's own.
  void WriteLists(const std::vector<DH_PEAK_EVENT>& events, const std::vector<DH_BASELINE>& baselines,
                  const std::vector<DH_PEAK>& peaks) {
    WriteMsRun();
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kMsPath, 0);
    ASSERT_TRUE(wf);
    const uint16_t id = wf->fileType, address = wf->module;
    FreeWorkFileStruct(wf);
    HDHTABLE h = CreateDHEventList(kMsPath, id, address, "1");
    ASSERT_TRUE(h && (events.empty() || WriteDHEvent(h, 0, events.data(), int16_t(events.size()), 1.0f)));
    FreeDHRecordSet(h);
    h = CreateDHBaselineList(kMsPath, id, address, "1");
    ASSERT_TRUE(h && (baselines.empty() || WriteDHBaseline(h, 0, baselines.data(), int16_t(baselines.size()))));
    FreeDHRecordSet(h);
    h = CreateDHPeakList(kMsPath, id, address, "1");
    ASSERT_TRUE(h && (peaks.empty() || WriteDHPeak(h, 0, peaks.data(), int16_t(peaks.size()))));
    FreeDHRecordSet(h);
  }
  static DH_PEAK_EVENT Event(double minutes, uint32_t code, float value = 100.0f) {
    DH_PEAK_EVENT e{};
    e.rawTime = DHMinutesToRaw(minutes);
    e.value = value;
    e.code = code;
    return e;
  }
  static DH_PEAK Peak(double minutes, float area) {
    DH_PEAK p{};
    p.retentionTime = static_cast<float>(minutes);
    p.area = area;
    return p;
  }
  msfix::DHTruth truth_;
};

TEST_F(PeakEventsTest, ProcessedFileGivesItsEventsBaselinesAndPeaks) {
  WriteProcessed();
  STRUCT_OPLOT_DRAW_EVENTS r;
  ASSERT_EQ(OPLOT_ReadDrawEvents(kProcessed, 3, &r), 1);
  EXPECT_EQ(r.plot, 3);
  EXPECT_STREQ(r.path, kProcessed);
  EXPECT_EQ(r.hasEvents, 1);
  ASSERT_EQ(r.eventCount, static_cast<int16_t>(truth_.events.size()));
  for (int i = 0; i < r.eventCount; ++i) {
    const auto& e = r.events[i];
    EXPECT_EQ(+e.rawTime, truth_.events[i].rawTime);
    EXPECT_EQ(+e.readRawTime, truth_.events[i].rawTime);
    EXPECT_EQ(+e.code, truth_.events[i].code);
    EXPECT_FLOAT_EQ(+e.value, static_cast<float>(truth_.events[i].value));
    EXPECT_DOUBLE_EQ(+e.time, DHRawToMinutes(truth_.events[i].rawTime));
  }
  ASSERT_EQ(r.baselineCount, static_cast<int16_t>(truth_.baselines.size()));
  for (int b = 0; b < r.baselineCount; ++b) {
    EXPECT_EQ(+r.baselines[b].startEvent, truth_.baselines[b].startEvent - 1);
    EXPECT_EQ(+r.baselines[b].endEvent, truth_.baselines[b].endEvent - 1);
    EXPECT_EQ(+r.baselines[b].altStartEvent, -1);
    EXPECT_DOUBLE_EQ(+r.baselines[b].startTime, +r.events[r.baselines[b].startEvent].time);
  }
  // Every integrated peak is tied to the apex of its compound.
  ASSERT_EQ(r.peakCount, static_cast<int16_t>(truth_.peakCompounds.size()));
  for (int k = 0; k < r.peakCount; ++k) {
    const auto& c = truth_.compounds[size_t(truth_.peakCompounds[size_t(k)])];
    EXPECT_EQ(+r.peaks[k].apexRawTime, DHMinutesToRaw(c.retentionTime));
    EXPECT_FLOAT_EQ(+r.peaks[k].area, static_cast<float>(c.area));
  }
  // Valleys: the split points inside a baseline.
  int valleys = 0;
  for (const auto& e : truth_.events) valleys += e.code == msfix::kEventValley;
  EXPECT_EQ(r.valleyCount, valleys);
  OPLOT_FreeDrawEvents(&r);
  STRUCT_OPLOT_DRAW_EVENTS zero{};
  EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0);
}

TEST_F(PeakEventsTest, MissingFileKeepsOnlyPlotAndPath) {
  STRUCT_OPLOT_DRAW_EVENTS r;
  EXPECT_EQ(OPLOT_ReadDrawEvents("C:\\Data\\none.kms", 2, &r), 0);
  EXPECT_EQ(r.plot, 2);
  EXPECT_STREQ(r.path, "C:\\Data\\none.kms");
  EXPECT_EQ(+r.events, nullptr);
  // A run without integration results reads, with nothing in it.
  WriteMsRun();
  ASSERT_EQ(OPLOT_ReadDrawEvents(kMsPath, 0, &r), 1);
  EXPECT_EQ(r.hasEvents, 0);
  EXPECT_EQ(r.eventCount, 0);
  EXPECT_EQ(+r.baselines, nullptr);
  OPLOT_FreeDrawEvents(&r);
}

TEST_F(PeakEventsTest, BaselinesSwapRepointAndStayInsideTheEvents) {
  WriteLists(
      {
          Event(3.0, 0x2),                 // 0 start
          Event(3.1, 0x4, 900),            // 1 apex
          Event(3.2, 0x20),                // 2 end
          Event(3.2, 0x08000000),          // 3 re-pointed start at the time of 2
          Event(3.3, 0x4, 500),            // 4 apex
          Event(3.4, 0x20),                // 5 end
      },
      {
          {3, 1, 0},    // stored end before start: swapped
          {4, 6, 14},   // start re-pointed to event 2 (index), the first at its time
          {1, 9, 0},    // names an event that does not exist: left out
      },
      {Peak(3.1, 10.0f), Peak(3.32, 20.0f), Peak(5.0, 30.0f)});
  STRUCT_OPLOT_DRAW_EVENTS r;
  ASSERT_EQ(OPLOT_ReadDrawEvents(kMsPath, 0, &r), 1);
  ASSERT_EQ(r.eventCount, 6);
  ASSERT_EQ(r.baselineCount, 2);
  EXPECT_EQ(+r.baselines[0].startEvent, 0);
  EXPECT_EQ(+r.baselines[0].endEvent, 2);
  EXPECT_EQ(+r.baselines[1].startEvent, 2);
  EXPECT_EQ(+r.baselines[1].altStartEvent, 3);
  EXPECT_EQ(+r.baselines[1].endEvent, 5);
  EXPECT_EQ(+r.baselines[1].altEndEvent, -1);
  EXPECT_DOUBLE_EQ(+r.baselines[1].startValue, 100.0);
  // The peak at 5.0 lies in no peak: skipped, the others kept.
  ASSERT_EQ(r.peakCount, 2);
  EXPECT_EQ(+r.peaks[1].apexRawTime, DHMinutesToRaw(3.3));
  EXPECT_FLOAT_EQ(+r.peaks[1].apexValue, 500.0f);
  // Every nonzero event at the time of one from the re-pointed start on is a
  // candidate: 2 (found first as baseline 0's end), 3, 4 and 5. Baseline 1
  // holds 2, 3 and 4 (5 is its own end), its span running from the stored
  // start; 3 also lies on baseline 0's end, and of the two equal widths the
  // first baseline wins.
  ASSERT_EQ(r.valleyCount, 3);
  const int16_t baseline[] = {1, 0, 1}, spanStart[] = {3, 0, 3}, spanEnd[] = {5, 2, 5};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(+r.valleys[k].event, 2 + k);
    EXPECT_EQ(+r.valleys[k].baseline, baseline[k]);
    EXPECT_EQ(+r.valleys[k].spanStartEvent, spanStart[k]);
    EXPECT_EQ(+r.valleys[k].spanEndEvent, spanEnd[k]);
  }
  OPLOT_FreeDrawEvents(&r);
}

TEST_F(PeakEventsTest, ValleysTakeTheNarrowestBaselineFirstOfEqualWidths) {
  WriteLists(
      {
          Event(4.0, 0x2),         // 0
          Event(4.1, 0x4),         // 1
          Event(4.2, 0x10, 40),    // 2 valley in both baselines
          Event(4.3, 0x4),         // 3
          Event(4.4, 0x20),        // 4
          Event(6.0, 0x10),        // 5 inside no baseline
          Event(6.1, 0x4),         // 6
      },
      {{1, 5, 0}, {1, 5, 0}}, {});
  STRUCT_OPLOT_DRAW_EVENTS r;
  ASSERT_EQ(OPLOT_ReadDrawEvents(kMsPath, 0, &r), 1);
  ASSERT_EQ(r.valleyCount, 1);
  EXPECT_EQ(+r.valleys[0].event, 2);
  EXPECT_EQ(+r.valleys[0].baseline, 0);
  EXPECT_DOUBLE_EQ(+r.valleys[0].value, 40.0);
  EXPECT_EQ(+r.peaks, nullptr);  // no peak list items
  // Drag limits: the neighbouring events, 0.002 minutes inside.
  STRUCT_NE_DATA_POINTS dp{};
  std::vector<uint8_t> block(NE_POINT_BLOCK_HEAD + 2 * NE_POINT_SIZE);
  dp.points = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(block.data());
  dp.pointCount = 2;
  NePointAt(dp.points, 0)->time = 2.0;
  NePointAt(dp.points, 1)->time = 12.0;
  OPLOT_SetTimeRangeForPoints(r.events, r.eventCount, r.baselines, r.baselineCount, r.valleys, r.valleyCount, &dp);
  EXPECT_NEAR(+r.valleys[0].handle.minTime, 4.1 + 0.002, 1e-9);
  EXPECT_NEAR(+r.valleys[0].handle.maxTime, 4.3 - 0.002, 1e-9);
  EXPECT_NEAR(+r.baselines[0].startHandle.minTime, 2.0 + 0.002, 1e-9);  // nothing before: the first point
  EXPECT_NEAR(+r.baselines[0].endHandle.maxTime, 6.0 - 0.002, 1e-9);
  OPLOT_FreeDrawEvents(&r);
}

TEST_F(PeakEventsTest, BaselinesWithoutEventsAreNotRead) {
  WriteLists({}, {{1, 2, 0}}, {Peak(3.0, 1.0f)});
  STRUCT_OPLOT_DRAW_EVENTS r;
  ASSERT_EQ(OPLOT_ReadDrawEvents(kMsPath, 0, &r), 1);
  EXPECT_EQ(r.hasEvents, 0);
  EXPECT_EQ(+r.baselines, nullptr);
  EXPECT_EQ(+r.peaks, nullptr);  // no apex to tie the peak to
  EXPECT_EQ(+r.valleys, nullptr);
  OPLOT_FreeDrawEvents(&r);
}

TEST_F(PeakEventsTest, TimeTaggedEventValuesCarryTheScaleFactor) {
  msfix::DetectorPlan plan;
  plan.timeTagged = true;
  ASSERT_TRUE(msfix::WriteDetectorFile(kDetPath, plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kDetPath, 0);
  ASSERT_TRUE(wf);
  const uint16_t id = wf->fileType, address = wf->module;
  FreeWorkFileStruct(wf);
  const DH_PEAK_EVENT events[] = {Event(2.0, 0x2, 10.0f), Event(2.2, 0x4, 40.0f), Event(2.4, 0x20, 12.0f)};
  HDHTABLE h = CreateDHEventList(kDetPath, id, address, "1");
  ASSERT_TRUE(h && WriteDHEvent(h, 0, events, 3, 1.0f));
  FreeDHRecordSet(h);
  ASSERT_TRUE(SetDataScaleFactor(kDetPath, id, 4.0f));
  STRUCT_OPLOT_DRAW_EVENTS r;
  ASSERT_EQ(OPLOT_ReadDrawEvents(kDetPath, 1, &r), 1);
  ASSERT_EQ(r.eventCount, 3);
  EXPECT_FLOAT_EQ(+r.events[1].value, 160.0f);
  EXPECT_FLOAT_EQ(+r.events[1].readValue, 160.0f);
  double value = 0;
  ASSERT_EQ(OPLOT_FindNearestApex(r.events, r.eventCount, 2.1, &value, nullptr, nullptr), 1);
  EXPECT_DOUBLE_EQ(value, 160.0);
  OPLOT_FreeDrawEvents(&r);
}

struct ApexCase {
  const char* name;
  double t;
  int32_t found;
  double apex;
};

TEST(NearestApex, EnclosingPeakOnly) {
  const uint32_t codes[] = {0x2, 0x4, 0x10, 0x4, 0x20, 0x10002 | 0x4, 0x20, 0x2, 0x20};
  const double times[] = {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 7.0};
  STRUCT_OPLOT_PEAK_EVENT events[9] = {};
  for (int i = 0; i < 9; ++i) {
    events[i].code = codes[i];
    events[i].rawTime = DHMinutesToRaw(times[i]);
    events[i].time = DHRawToMinutes(events[i].rawTime);
    events[i].value = static_cast<float>(10 * i);
  }
  const ApexCase cases[] = {
      {"before the apex", 1.2, 1, 1.5},
      {"after the apex, before the valley", 1.7, 1, 1.5},
      {"between valley and end", 2.7, 1, 2.5},
      {"exactly on an event goes on to the next", 2.0, 1, 2.5},
      {"before a start", 0.5, 0, 0},
      {"start and apex bits: start wins", 3.5, 0, 0},
      {"peak without apex", 6.5, 0, 0},
      {"after everything", 8.0, 0, 0},
  };
  for (const auto& c : cases) {
    double v = -1, apex = -1;
    uint32_t raw = 0;
    EXPECT_EQ(OPLOT_FindNearestApex(events, 9, c.t, &v, &raw, &apex), c.found) << c.name;
    if (c.found) {
      EXPECT_NEAR(apex, c.apex, 1e-6) << c.name;
      EXPECT_EQ(raw, DHMinutesToRaw(c.apex)) << c.name;
    }
  }
  EXPECT_EQ(OPLOT_FindNearestApex(events, 0, 1.2, nullptr, nullptr, nullptr), 0);
}

TEST_F(PeakEventsTest, PeakInfoGivesTheApexPointAndScan) {
  WriteProcessed();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kProcessed), 1);
  STRUCT_OPLOT_DRAW_EVENTS r;
  ASSERT_EQ(OPLOT_ReadDrawEvents(kProcessed, 0, &r), 1);
  const auto& c = truth_.compounds[2];
  double t = 0;
  uint32_t raw = 0, scan = 0;
  ASSERT_EQ(OPLOT_GetPeakInfo(c.retentionTime - 0.01, o.get(), &r, &t, &raw, &scan), 1);
  EXPECT_EQ(raw, DHMinutesToRaw(c.retentionTime));
  uint32_t point = 0;
  double pointTime = 0;
  ASSERT_EQ(GetPointFromATime(o->slots[0].workFile, c.retentionTime, &point, &pointTime, LOOKUP_NEAREST), 1);
  EXPECT_DOUBLE_EQ(t, pointTime);
  EXPECT_EQ(scan, o->slots[0].workFile->msInfo.firstScan + point);
  // The slot must be present in the overlay.
  o->head.shown[0] = 0;
  EXPECT_EQ(OPLOT_GetPeakInfo(c.retentionTime, o.get(), &r, &t, &raw, &scan), 0);
  OPLOT_FreeDrawEvents(&r);
}

TEST_F(PeakEventsTest, TimeEventsOfAMethodSection) {
  WriteProcessed();
  char name[64];
  ASSERT_TRUE(BuildDHSectionName(name, "TimeEvents", truth_.moduleId, truth_.moduleAddress, "1"));
  STRUCT_OPLOT_TIME_EVENT* events = nullptr;
  const int16_t n = OPLOT_ReadTimeEvents(kMethod, name, &events);
  ASSERT_EQ(n, static_cast<int16_t>(truth_.timeEvents.size()));
  ASSERT_TRUE(events);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(+events[i].time, truth_.timeEvents[i].time);
    EXPECT_EQ(+events[i].type, truth_.timeEvents[i].type);
    EXPECT_EQ(+events[i].endTime, truth_.timeEvents[i].end);
    EXPECT_EQ(+events[i].hidden, 0);
  }
  FreeBlock(events);
  // A type outside the table stays in the array.
  HSECTION s = CreateDHSection(kMethod, 0x30, 2, "1");
  ASSERT_TRUE(s);
  const DH_TIME_EVENT odd[] = {{100, 20, 200}};
  ASSERT_TRUE(WriteDHItem(s, 0, odd, 1));
  ASSERT_TRUE(CloseSection(s));
  ASSERT_TRUE(BuildDHSectionName(name, "TimeEvents", 0x30, 2, "1"));
  events = nullptr;
  ASSERT_EQ(OPLOT_ReadTimeEvents(kMethod, name, &events), 1);
  EXPECT_EQ(+events[0].type, 20);
  FreeBlock(events);
  events = nullptr;
  EXPECT_EQ(OPLOT_ReadTimeEvents(kMethod, "no section name", &events), 0);
  EXPECT_EQ(events, nullptr);
  EXPECT_STREQ(OPLOT_TIME_EVENT_TYPES[4].abbreviation, "VB");
  EXPECT_EQ(OPLOT_TIME_EVENT_TYPES[8].colour, RGB(128, 48, 48));
}

}  // namespace
