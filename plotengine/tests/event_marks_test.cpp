// Event marks from the data file's logs, markers, search and integration
// windows, time-event checks and their dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/event_mark_fixture.h"
#include "holbrin/holbrin.h"
#include "plot_fixture.h"
#include "plotengine/event_marks.h"
#include "plotengine/plot_coordinates.h"
#include "dialogs/time_event_errors_dialog.h"
#include "recorded_drawing.h"
#include "win/win_script.h"

namespace {

class EventMarksTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    WriteMsRun();
  }
  std::vector<msfix::EventMark> Marks(int n, double start = 3.0) {
    return msfix::MakeEventMarks(static_cast<uint32_t>(n), n, start, start + 6.0);
  }
  static std::vector<std::pair<double, std::string>> Held(const OVERLAY_SLOT& s) {
    std::vector<std::pair<double, std::string>> out;
    const auto* m = static_cast<const STRUCT_EVENT_MARK*>(s.eventMarks);
    for (int i = 0; i < s.eventMarkCount; ++i) out.emplace_back(+m[i].time, std::string(m[i].text));
    return out;
  }
};

TEST_F(EventMarksTest, LogsOfTheFileAreReadInto50Marks) {
  const auto first = Marks(12);
  ASSERT_TRUE(msfix::WriteEventMarkLog(kMsPath, 61, 2, 1, first));
  ASSERT_TRUE(msfix::WriteEventMarkLog(kMsPath, 61, 2, 2, Marks(3)));
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  OPLOT_ReadSystemEventMarks(o.get());
  const auto held = Held(o->slots[0]);
  ASSERT_EQ(held.size(), 15u);
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_FLOAT_EQ(static_cast<float>(held[i].first), static_cast<float>(first[i].time));
    EXPECT_EQ(held[i].second, first[i].text);
  }
  EXPECT_EQ(o->slots[0].eventMarksLookedUp, 0);
  // Read once: a second call changes nothing.
  OPLOT_ReadSystemEventMarks(o.get());
  EXPECT_EQ(o->slots[0].eventMarkCount, 15);
}

struct LogCase {
  const char* name;
  std::vector<int> logs;
  int expected;
};

TEST_F(EventMarksTest, LongLogsGiveWhatFits) {
  const LogCase cases[] = {
      {"45 held, 5 more from the next", {45, 10}, 50},
      {"a log of exactly 50", {50}, 50},
      {"a log of 60 fills the slot", {60}, 50},
      {"one step", {1}, 1},
  };
  for (const auto& c : cases) {
    WriteMsRun();  // a fresh file for each case
    for (size_t k = 0; k < c.logs.size(); ++k)
      ASSERT_TRUE(msfix::WriteEventMarkLog(kMsPath, 61, 2, static_cast<uint16_t>(k + 1), Marks(c.logs[k])));
    auto o = NewOverlay();
    ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
    OPLOT_ReadSystemEventMarks(o.get());
    EXPECT_EQ(o->slots[0].eventMarkCount, c.expected) << c.name;
  }
}

TEST_F(EventMarksTest, FileWithoutLogsIsLookedUpOnce) {
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  OPLOT_ReadSystemEventMarks(o.get());
  EXPECT_EQ(o->slots[0].eventMarkCount, 0);
  EXPECT_EQ(o->slots[0].eventMarksLookedUp, 1);
  EXPECT_EQ(+o->slots[0].eventMarks, nullptr);
}

// A 600 x 400 layout of the overlay in one area.
struct Sized {
  STRUCT_OPLOT_PLOT_PARAMS params{};
  STRUCT_OVER_SIZES sizes{};
  explicit Sized(SVW_OVERLAY* o, int16_t print = 0) {
    OPLOT_SetVerticalFullScale(o, 1, 1);
    OPLOT_InitPlotParams(&params, print, 0, 440, 660, 0, 10, 20);
    OPLOT_CalculateSizes(o, &params, &sizes, 0, -1, -1);
  }
};

TEST_F(EventMarksTest, MarksOfOneTimeShareALine) {
  ASSERT_TRUE(msfix::WriteEventMarkLog(kMsPath, 61, 2, 1,
                                       {{3.25, "Valve 2 on"}, {5.0, "Oven ready"}, {3.25, "Pulse"}, {20.0, "Late"}}));
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath), 1);
  OPLOT_ReadSystemEventMarks(o.get());
  Sized s(o.get());
  LOGFONTA font{};
  font.lfHeight = 14;
  const Drawing d = Record([&](HDC dc) { OPLOT_DrawSystemEventMarks(dc, o.get(), &s.sizes, &font); });
  // Overlaid: the active plot's marks only (slot 0), once.
  EXPECT_EQ(d.Texts(), (std::vector<std::string>{"Valve 2 on     Pulse", "Oven ready"}));
  int32_t x = 0;
  ASSERT_EQ(OPLOT_GetXPixelFromTime(static_cast<float>(3.25), o.get(), &s.sizes, 0, &x), 1);
  const DrawnText* merged = d.FindText("Valve 2 on     Pulse");
  EXPECT_NEAR(merged->x, x, 1);
  EXPECT_EQ(merged->y, 400);  // from the area's bottom, upward
  EXPECT_TRUE(d.HasLine(merged->x, 400, merged->x, 0));
  // Nothing in the window: nothing drawn.
  OPLOT_SetOverlayData(o.get(), 9.0, 12.0);
  EXPECT_TRUE(Record([&](HDC dc) { OPLOT_DrawSystemEventMarks(dc, o.get(), &s.sizes, nullptr); }).lines.empty());
}

TEST_F(EventMarksTest, MarksWithoutATimeAreNotDrawn) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  ASSERT_TRUE(msfix::WriteEventMarkLog(kMsPath, 61, 2, 1,
                                       {{nan, "Clock lost"}, {3.25, "Valve 2 on"}, {inf, "Never"}, {-inf, "Before"},
                                        {nan, "Clock lost again"}}));
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  OPLOT_ReadSystemEventMarks(o.get());
  Sized s(o.get());
  const Drawing d = Record([&](HDC dc) { OPLOT_DrawSystemEventMarks(dc, o.get(), &s.sizes, nullptr); });
  EXPECT_EQ(d.Texts(), (std::vector<std::string>{"Valve 2 on"}));
  EXPECT_EQ(d.lines.size(), 1u);
  // A search window about a time that is no number draws nothing.
  const Drawing w = Record([&](HDC dc) {
    OPLOT_DrawSearchAndIntegrationWindows(dc, o.get(), &s.sizes, 0, nan, 100, 50, nullptr);
  });
  EXPECT_TRUE(w.lines.empty());
  EXPECT_TRUE(w.Texts().empty());
}

TEST_F(EventMarksTest, SpecialMarkersWithBarsAndText) {
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  Sized s(o.get());
  std::vector<STRUCT_OPLOT_SPECIAL_MARKER> markers(150);
  for (size_t i = 0; i < markers.size(); ++i) {
    markers[i].time = 3.0 + 0.05 * static_cast<double>(i);
    markers[i].slot = 0;
    markers[i].colour = RGB(200, 0, 0);
  }
  std::strcpy(markers[0].text, "A");
  markers[1].time = markers[0].time + 0.0005;  // crowding the first: half the height
  const Drawing d = Record([&](HDC dc) {
    OPLOT_DrawSpecialMarkers(dc, o.get(), &s.sizes, nullptr, markers.data(), static_cast<int16_t>(markers.size()));
  });
  EXPECT_EQ(d.lines.size(), 3u * 100u);  // a line and two bars each, at most 100 markers
  ASSERT_EQ(d.Texts(), (std::vector<std::string>{"A"}));
  const DrawnLine& first = d.lines[0];
  EXPECT_EQ(first.y0 - first.y1, 2 * (400 / 8));
  const DrawnLine& second = d.lines[3];
  EXPECT_EQ(second.y0 - second.y1, 2 * (400 / 16));
  EXPECT_EQ(d.texts[0].x, first.x0 - 10);
  EXPECT_EQ(d.texts[0].y, first.y0);
}

TEST_F(EventMarksTest, SearchAndIntegrationWindows) {
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  Sized s(o.get());
  SIZE start{};
  const Drawing d = Record(
      [&](HDC dc) {
        GetTextExtentPoint32A(dc, "Start", 5, &start);
        OPLOT_DrawSearchAndIntegrationWindows(dc, o.get(), &s.sizes, 0, 6.0, 300, 100, nullptr);
      },
      nullptr);
  ASSERT_EQ(d.lines.size(), 4u);
  const int32_t H = 401, h = start.cy;
  int32_t searchTop, integrationTop;
  if (H / h >= 16) {
    integrationTop = 400 - H / 2;
    searchTop = integrationTop + 4 * h;
  } else {
    searchTop = h;
    integrationTop = searchTop + 4 * h;
  }
  int32_t x = 0;
  ASSERT_EQ(OPLOT_GetXPixelFromTime(5.7, o.get(), &s.sizes, 0, &x), 1);
  EXPECT_TRUE(d.HasLine(x, 400, x, searchTop));
  ASSERT_EQ(OPLOT_GetXPixelFromTime(6.1, o.get(), &s.sizes, 0, &x), 1);
  EXPECT_TRUE(d.HasLine(x, 400, x, integrationTop));
  int starts = 0, ends = 0;
  for (const auto& t : d.texts) {
    starts += t.text == "Start";
    ends += t.text == "End";
  }
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(ends, 2);
  EXPECT_TRUE(d.FindText("Integration"));
  // All edges outside the window: nothing.
  EXPECT_TRUE(Record([&](HDC dc) {
                OPLOT_DrawSearchAndIntegrationWindows(dc, o.get(), &s.sizes, 0, 40.0, 300, 100, nullptr);
              }).lines.empty());
}

// ---- Time-event checks ------------------------------------------------------------

class TimeEventChecksTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    ASSERT_TRUE(CreateSectionFileAtPath(kMethod, 666, 0, 1));
  }
  void Write(const std::vector<DH_TIME_EVENT>& events) {
    HSECTION s = CreateDHSection(kMethod, 23, 1, "1");
    ASSERT_TRUE(s);
    if (!events.empty()) {
      ASSERT_TRUE(WriteDHItem(s, 0, events.data(), static_cast<int16_t>(events.size())));
    }
    ASSERT_TRUE(CloseSection(s));
  }
  static constexpr const char* kMethod = "C:\\Data\\method.mth";
};

TEST_F(TimeEventChecksTest, CountsAndMessages) {
  struct Case {
    const char* name;
    std::vector<DH_TIME_EVENT> events;
    int16_t duplicates, overlaps, invalid;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"same code overlaps", {{1, 2, 5}, {3, 2, 8}}, 0, 1, 0, {"#2 overlaps #1"}},
      {"range codes overlap each other", {{1, 4, 5}, {3, 7, 8}}, 0, 1, 0, {"#2 overlaps #1"}},
      {"split peaks do not overlap", {{1, 6, 5}, {3, 6, 8}}, 0, 0, 0, {}},
      {"a later event that encloses the start", {{5, 1, 9}, {2, 1, 6}}, 0, 1, 0, {"#2 overlaps #1"}},
      {"duplicate start and code", {{10, 0, 6}, {10, 0, 9}}, 1, 0, 0, {"#2 is duplicate of #1"}},
      {"start not before end", {{9, 3, 9}, {20, 6, 1}}, 0, 0, 1, {"#1 is invalid"}},
  };
  for (const auto& c : cases) {
    Write(c.events);
    int32_t read = -1;
    STRUCT_TIME_EVENT_ERRORS* e = OPLOT_CheckForTimeEventErrorsEx(kMethod, 23, 1, "1", &read);
    EXPECT_EQ(read, 1) << c.name;
    if (c.messages.empty()) {
      EXPECT_EQ(e, nullptr) << c.name;
      continue;
    }
    ASSERT_TRUE(e) << c.name;
    EXPECT_EQ(e->duplicateCount, c.duplicates) << c.name;
    EXPECT_EQ(e->overlapCount, c.overlaps) << c.name;
    EXPECT_EQ(e->invalidCount, c.invalid) << c.name;
    ASSERT_EQ(e->messageCount, static_cast<int16_t>(c.messages.size())) << c.name;
    for (size_t i = 0; i < c.messages.size(); ++i) EXPECT_EQ(std::string(e->messages[i]), c.messages[i]) << c.name;
    OPLOT_FreeTimeEventErrors(e);
  }
}

TEST_F(TimeEventChecksTest, TwelveDuplicatesKeepTenMessages) {
  std::vector<DH_TIME_EVENT> many;
  for (int i = 0; i < 12; ++i) many.push_back({static_cast<int32_t>(100 + 10 * i), 12, 1});
  const std::vector<DH_TIME_EVENT> once = many;
  many.insert(many.end(), once.begin(), once.end());  // each repeated once: 12 duplicates
  Write(many);
  STRUCT_TIME_EVENT_ERRORS* e = OPLOT_CheckForTimeEventErrors(kMethod, 23, 1, "1");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->duplicateCount, 12);  // the counts go on past the ten messages
  EXPECT_EQ(e->messageCount, TIME_EVENT_ERROR_MESSAGES);
  EXPECT_EQ(std::string(e->messages[0]), "#13 is duplicate of #1");
  OPLOT_FreeTimeEventErrors(e);
}

TEST_F(TimeEventChecksTest, AnUnreadableMethodIsNotReportedAsClean) {
  int32_t read = -1;
  EXPECT_EQ(OPLOT_CheckForTimeEventErrorsEx(kMethod, 99, 1, "1", &read), nullptr);  // no such section
  EXPECT_EQ(read, 0);
  Write({{1, 2, 5}});
  EXPECT_EQ(OPLOT_CheckForTimeEventErrorsEx(kMethod, 23, 1, "1", &read), nullptr);
  EXPECT_EQ(read, 1);
}

TEST_F(TimeEventChecksTest, DialogShowsTheList) {
  Write({{1, 2, 5}, {3, 2, 8}, {9, 3, 9}});
  STRUCT_TIME_EVENT_ERRORS* e = OPLOT_CheckForTimeEventErrors(kMethod, 23, 1, "1");
  ASSERT_TRUE(e);
  std::string caption;
  std::vector<std::string> lines;
  win::script::OnNextDialog([&](HWND dlg) {
    caption = win::script::Text(dlg);
    lines = win::script::ListItems(dlg, TEE_IDC_MESSAGES);
    win::script::Click(win::script::FindByText(dlg, "Done"), 2, 2);
  });
  Dlg_ViewTimeEventErrors(e);
  EXPECT_EQ(caption, "Time Event Errors");
  EXPECT_EQ(lines, (std::vector<std::string>{"Duplicate Events: 0", "Overlapping Events: 1", "Invalid Events: 1", "  ",
                                             "#2 overlaps #1", "#3 is invalid"}));
  OPLOT_FreeTimeEventErrors(e);
}

}  // namespace
