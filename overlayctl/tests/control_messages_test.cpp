// Notifications and their routes, the deferred notifications, the getters
// and the message arguments that must stay within the control's tables.
#include "overlayctl/tests/control_fixture.h"

namespace {

using MessagesTest = OPlotTest;

// Posted to the control itself and not yet dispatched.
std::vector<unsigned> SelfNotices(HWND w) {
  std::vector<unsigned> codes;
  MSG m{};
  while (PeekMessageA(&m, w, OPM_NOTIFICATIONSTOSELF, OPM_NOTIFICATIONSTOSELF, PM_REMOVE))
    codes.push_back(static_cast<unsigned>(m.wParam));
  return codes;
}

TEST_F(MessagesTest, NotificationsFollowTheirRoutes) {
  HWND w = MakeControl(33);
  CCtlOPlot* c = Control(w);
  struct Case {
    int16_t own;
    short route;
    bool self;
    bool parent;
  } cases[] = {
      {0, 0, false, true}, {0, 1, false, true}, {0, 2, false, true}, {0, 3, false, true},
      {1, 0, true, false}, {1, 1, false, true}, {1, 2, true, true},  {1, 3, false, false},
  };
  for (const Case& k : cases) {
    c->m_handlesOwnNotifications = k.own;
    Notices().clear();
    c->PostNotification(140 + 3, k.route);
    const std::vector<unsigned> self = SelfNotices(w);
    win::script::PumpUntilIdle();
    EXPECT_EQ(!self.empty(), k.self) << k.own << "/" << k.route;
    if (k.self) {
      EXPECT_EQ(self[0], 143u);
    }
    ASSERT_EQ(Notices().size(), k.parent ? 1u : 0u) << k.own << "/" << k.route;
    if (k.parent) {
      EXPECT_EQ(Notices()[0].id, 33);
      EXPECT_EQ(Notices()[0].code, 143);
      EXPECT_EQ(Notices()[0].from, w);
    }
  }
  DestroyWindow(w);
}

TEST_F(MessagesTest, GettersAnswerZeroWithoutRecordAndReadPendingValuesOnce) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  EXPECT_EQ(SendMessageA(w, OPM_GETPLOTTYPE, 0, 0), -1);
  for (UINT msg : {OPM_GETNEWREFERENCEPLOT, OPM_QUIBGETNEWFILESINDEX, OPM_QUIBGETNEWPDSINDEX})
    EXPECT_EQ(SendMessageA(w, msg, 0, 0), -1) << msg;
  EXPECT_EQ(SendMessageA(w, OPM_GETNUMBERSPECTRATOAVERAGE, 0, 0), c->m_prefs.features.pointsToAverage);
  for (UINT msg : {OPM_GETTIMERANGE, OPM_GETTIMECLICK, OPM_GETOVERDRAW, OPM_GETTIMEVALUEOFFSET, OPM_PRINTPLOT})
    EXPECT_EQ(SendMessageA(w, msg, 1, 0), 0) << msg;

  c->m_timeClickPending = 1;
  c->m_timeClick = 7.25;
  double t = 0;
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMECLICK, 0, reinterpret_cast<LPARAM>(&t)), 1);
  EXPECT_DOUBLE_EQ(t, 7.25);
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMECLICK, 0, reinterpret_cast<LPARAM>(&t)), 0);

  c->m_offsetPending = 1;
  c->m_offset = {4, 0.5, -20.0};
  STRUCT_OPLOT_TIME_VALUE_OFFSET off{};
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMEVALUEOFFSET, 0, reinterpret_cast<LPARAM>(&off)), 1);
  EXPECT_EQ(+off.plot, 4);
  EXPECT_DOUBLE_EQ(double{off.valueOffset}, -20.0);
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMEVALUEOFFSET, 0, reinterpret_cast<LPARAM>(&off)), 0);

  c->m_rightClickPending = 1;
  c->m_rightClickX = 12;
  c->m_rightClickY = 34;
  int32_t xy[2] = {};
  EXPECT_EQ(SendMessageA(w, OPM_GETRIGHTCLICKPOS, 0, reinterpret_cast<LPARAM>(xy)), 1);
  EXPECT_EQ(xy[1], 34);
  EXPECT_EQ(SendMessageA(w, OPM_GETRIGHTCLICKPOS, 0, reinterpret_cast<LPARAM>(xy)), 0);

  SVW_OVERLAY* o = MakeOverlay(2);
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  EXPECT_EQ(SendMessageA(w, OPM_GETPLOTTYPE, 0, 0), 1);
  double range[3] = {};
  // The displayed range is told once the plots have been drawn.
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 1, reinterpret_cast<LPARAM>(range)), 0);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 1, reinterpret_cast<LPARAM>(range)), 1);
  EXPECT_DOUBLE_EQ(range[0], o->tail.viewStart);
  EXPECT_DOUBLE_EQ(range[2], 1.0);
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(range)), 0);  // no zoom pending
  uint32_t words[89] = {};
  EXPECT_EQ(SendMessageA(w, OPM_GETOVERDRAW, 0, reinterpret_cast<LPARAM>(words)), 1);
  EXPECT_EQ(std::memcmp(words, &o->tail.scales, sizeof words), 0);
  DestroyWindow(w);
}

TEST_F(MessagesTest, IndexesOutsideTheTablesAreIgnored) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  void* results = AllocBlock(16);
  // A slot outside 0..19 leaves the results with their sender.
  for (WPARAM bad : {WPARAM{20}, WPARAM{0xFFFF}, WPARAM{400}})
    SendMessageA(w, OPM_SETTCHRORESULTS, bad, reinterpret_cast<LPARAM>(results));
  for (void* r : c->m_tchroResults) EXPECT_EQ(r, nullptr);
  SendMessageA(w, OPM_SETTCHRORESULTS, 19, reinterpret_cast<LPARAM>(results));
  EXPECT_EQ(c->m_tchroResults[19], results);  // owned by the control from here
  SendMessageA(w, OPM_CLEARMARKERINFO, 4, 0);
  SendMessageA(w, OPM_CLEARMARKERINFO, 0, 2);
  SendMessageA(w, OPM_CLOSEQUICKINTEGRATIONDIALOG, 21, 0);
  SendMessageA(w, OPM_CLOSEQUICKINTEGRATIONDIALOG, static_cast<WPARAM>(-1), 0);
  // A null manager detaches it.
  int manager = 0;
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(&manager));
  EXPECT_EQ(c->m_pDataReview, &manager);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 1, 0);
  EXPECT_EQ(c->m_pDataReview, nullptr);
  DestroyWindow(w);  // frees the results: no leak under the sanitizer
}

TEST_F(MessagesTest, DeferredNotificationsHideShowAndDeletePlots) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  c->m_handlesOwnNotifications = 1;
  SVW_OVERLAY* o = MakeOverlay(3);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  ASSERT_EQ(o->head.shownCount, 3);

  c->PostNotification(120 + 1, 0);  // hide slot 1
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->head.shown[1], 0);
  EXPECT_EQ(+o->head.shownCount, 2);
  c->PostNotification(120 + 1, 0);  // hiding again changes nothing
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->head.shownCount, 2);
  c->PostNotification(160 + 1, 0);  // show it again
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->head.shown[1], 1);
  EXPECT_EQ(+o->head.shownCount, 3);

  AddTestLabel(c, LABEL_TYPE_USER, 2);
  c->PostNotification(140 + 2, 0);  // delete slot 2
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->tail.attached[2], 0);
  EXPECT_TRUE(o->slots[2].workFile == nullptr);
  EXPECT_EQ(+o->head.shownCount, 2);
  EXPECT_EQ(CountLabels(c, 2, LABEL_TYPE_USER), 0);
  EXPECT_EQ(+c->m_identity[2].serial, 0);

  // A pending zoom is applied as a listening host would.
  c->m_zoomPending = 1;
  c->m_zoomStart = 4.5;
  c->m_zoomEnd = 6.5;
  c->PostNotification(1, 0);
  win::script::PumpUntilIdle();
  EXPECT_DOUBLE_EQ(double{o->tail.viewStart}, 4.5);
  EXPECT_DOUBLE_EQ(double{o->tail.viewEnd}, 6.5);

  // Offsets of a moved line go into the overlay.
  c->m_offsetPending = 1;
  c->m_offset = {1, 0.25, 100.0};
  c->PostNotification(4, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->tail.timeOffsetsOn, 1);
  EXPECT_DOUBLE_EQ(double{o->tail.timeOffsets[1]}, 0.25);
  EXPECT_DOUBLE_EQ(double{o->tail.verticalOffsets[1]}, 100.0);
  EXPECT_EQ(c->m_offsetPending, 0);
  DestroyWindow(w);
}

}  // namespace

namespace {

// Replies of the control's own messages, and records that are null: each
// answers at once, and a null record changes nothing.
TEST_F(MessagesTest, RepliesOfTheControlsOwnMessages) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(2);
  o->head.displayMode = OVERLAY_MODE_STACKED;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  const OVERLAY_SCALE_BLOCK before = o->tail.scales;
  const double viewStart = o->tail.viewStart;
  double record[4] = {1, 2, 3, 4};
  int16_t type = OVERLAY_MODE_OVERLAID;
  const LPARAM rec = reinterpret_cast<LPARAM>(record);
  struct Case {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
  } cases[] = {
      {OPM_NEWPLOTDATA, 0, 0, 0},               // null overlay: nothing
      {OPM_NEWTIMERANGE, 1, 0, 0},
      {OPM_NEWPLOTTYPE, 0, 0, 0},
      {OPM_CHANGEONSTATUS, 1, 0, 0},
      {OPM_PRINTPLOT, 0, 0, 0},
      {OPM_NEWPLOTTEXT, 0, 0, 0},
      {OPM_GETTIMECLICK, 0, rec, 0},            // nothing pending
      {OPM_GETTIMERANGE, 0, rec, 0},
      {OPM_SETPLOTSCALES, 0, 0, 0},
      {OPM_SHOWEXPSCALES, 0, 0, 0},
      {OPM_WAITFORNEWDATA, 0, 0, 0},
      {OPM_SPECIALDBLCLKFULLTIMERANGE, 0, rec, 0},  // wParam 0: switched off
      {OPM_LIMITEDDBLCLKFULLTIMERANGE, 1, 0, 0},    // no range: switched off
      {OPM_GETOVERDRAW, 0, 0, 0},
      {OPM_GETPLOTTYPE, 0, 0, OVERLAY_MODE_STACKED},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(SendMessageA(w, k.message, k.wParam, k.lParam), k.result) << "WM_USER+" << k.message - WM_USER;
    EXPECT_EQ(std::memcmp(&before, &o->tail.scales, sizeof before), 0) << "WM_USER+" << k.message - WM_USER;
    EXPECT_EQ(record[0], 1.0);
  }
  const double viewStartAfter = o->tail.viewStart;
  EXPECT_EQ(viewStartAfter, viewStart);
  EXPECT_EQ(c->m_ownFullRange, 0);
  EXPECT_EQ(c->m_limitedRangeOn, 0);
  EXPECT_EQ(c->m_pOverlay, o);
  EXPECT_EQ(c->m_waitingForData, 1);
  // A new plot type is taken and reported to the parent (route 1).
  Notices().clear();
  EXPECT_EQ(SendMessageA(w, OPM_NEWPLOTTYPE, 0, reinterpret_cast<LPARAM>(&type)), 0);
  EXPECT_EQ(SendMessageA(w, OPM_GETPLOTTYPE, 0, 0), OVERLAY_MODE_OVERLAID);
  win::script::PumpUntilIdle();
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0].code, 10);
  // Scales for the overlaid mode go to the shared pair.
  STRUCT_OPLOT_SET_SCALES scales{};
  scales.low1 = -7;
  scales.high1 = 70;
  EXPECT_EQ(SendMessageA(w, OPM_SETPLOTSCALES, 0, reinterpret_cast<LPARAM>(&scales)), 0);
  const double low = o->tail.scales.commonLow, high = o->tail.scales.commonHigh;
  EXPECT_EQ(low, -7);
  EXPECT_EQ(high, 70);
  // The exponent-scale switch is kept in the preferences.
  SendMessageA(w, OPM_SHOWEXPSCALES, 1, 0);
  EXPECT_EQ(c->m_prefs.features.showExponentScales, 1);
  DestroyWindow(w);
}

// A line result without a drag action to take it (code 6) is only shown:
// its range in a message box, the displayed range untouched.
TEST_F(MessagesTest, DeferredLineResultWithoutActionShowsTheTimeRange) {
  auto [w, c, o] = ShowPlots(2, nullptr, true);
  c->m_handlesOwnNotifications = 1;
  const double start = o->tail.viewStart, end = o->tail.viewEnd;
  c->m_zoomPending = 1;  // a pending zoom stays the owner's
  c->m_zoomStart = start + 1;
  c->m_zoomEnd = start + 2;
  c->m_lineResultSet = 1;
  c->m_lineStart = 4.5;
  c->m_lineEnd = 4.75;
  const size_t before = win::script::MessageBoxLog().size();
  c->PostNotification(6, 0);
  win::script::PumpUntilIdle();
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), before + 1);
  EXPECT_EQ(boxes.back().caption, "Time Range");
  EXPECT_EQ(boxes.back().text, "Start Time:  4.500 minutes\n\nEnd Time:  4.750 minutes\n\nWidth:  15.0 seconds");
  EXPECT_EQ(boxes.back().flags & MB_ICONINFORMATION, UINT{MB_ICONINFORMATION});
  EXPECT_EQ(double{o->tail.viewStart}, start);
  EXPECT_EQ(double{o->tail.viewEnd}, end);
  DestroyWindow(w);
}

// A new plot type without data changes nothing and tells nobody.
TEST_F(MessagesTest, NewPlotTypeWithoutDataDoesNothing) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) { ov->head.displayMode = OVERLAY_MODE_STACKED; }, true);
  c->m_hasData = 0;  // as between the owner's "no data" and its next overlay
  Notices().clear();
  int16_t type = OVERLAY_MODE_OVERLAID;
  EXPECT_EQ(SendMessageA(w, OPM_NEWPLOTTYPE, 0, reinterpret_cast<LPARAM>(&type)), 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(+o->head.displayMode, OVERLAY_MODE_STACKED);
  EXPECT_TRUE(Notices().empty());
  DestroyWindow(w);
}

// The deferred vertical full scale (code 41) rescales every plot in use.
TEST_F(MessagesTest, DeferredVerticalFullScale) {
  auto [w, c, o] = ShowPlots(3, nullptr, false);
  for (int i = 0; i < 3; ++i) o->tail.scales.plotHigh[i] = 1;
  SendMessageA(w, OPM_NOTIFICATIONSTOSELF, 41, 0);
  for (int i = 0; i < 3; ++i) {
    double low = 0, high = 0;
    c->AutoScaleSepVert(static_cast<short>(i), &low, &high);
    const double set = o->tail.scales.plotHigh[i];
    EXPECT_EQ(set, high) << i;
  }
  DestroyWindow(w);
}

}  // namespace
