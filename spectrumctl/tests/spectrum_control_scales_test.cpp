// The spectrum control's scales, layout, painting and mouse.
#include <cmath>

#include "spectra/spectrum_managers.h"
#include "spectrumctl/tests/spt_control_fixture.h"

namespace {

TEST_F(SptControlTest, MassAutoscaleHasALeastSpanAndAMargin) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  double lo = 0, hi = 0;
  EXPECT_EQ(c->GetHorzAutoScaleValues(&lo, &hi), 0);
  EXPECT_DOUBLE_EQ(lo, -1.1);
  EXPECT_DOUBLE_EQ(hi, 1.1);

  const struct {
    bool profile;
    double span;
  } cases[] = {{false, 2.0}, {true, 0.0005}};
  for (const auto& t : cases) {
    sptfix::Spt one = sptfix::Precise({{131.0417, 5000}}, t.profile);
    one->useMassRange = 0;
    one->lowMass = one->highMass = 0;
    SendPair(w, one.get(), nullptr);
    ASSERT_EQ(c->GetHorzAutoScaleValues(&lo, &hi), 1);
    EXPECT_NEAR(hi - lo, t.span * 1.1, 1e-9) << t.profile;
    EXPECT_NEAR((lo + hi) / 2, 131.0417, 1e-9);
    SendMessageA(w, SPTM_NODATA, 0, 0);
  }
}

TEST_F(SptControlTest, LearnModeOnlyWidensTheMassRange) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  SendMessageA(w, SPTM_CHANGENEWSPTHORZMASSRANGEMODE, 0, 0);
  sptfix::Spt wide = Messy(21, 40, 40, 400), narrow = Messy(22, 30, 100, 150), wider = Messy(23, 40, 30, 500);
  SendPair(w, wide.get(), nullptr);
  const double lo = c->m_massLow, hi = c->m_massHigh;
  SendPair(w, narrow.get(), nullptr);
  EXPECT_DOUBLE_EQ(c->m_massLow, lo);
  EXPECT_DOUBLE_EQ(c->m_massHigh, hi);
  SendPair(w, wider.get(), nullptr);
  EXPECT_LT(c->m_massLow, lo);
  EXPECT_GT(c->m_massHigh, hi);
}

TEST_F(SptControlTest, FixMassRangeTakesOnlyOrderedRangesBelow10000) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = Messy(24);
  SendPair(w, a.get(), nullptr);
  const double lo = c->m_massLow, hi = c->m_massHigh;
  const double refused[][2] = {{100, 100}, {-1, 50}, {50, 10000}, {200, 100}, {NAN, 200}};
  for (const auto& r : refused) {
    SendMessageA(w, SPTM_FIXMASSRANGE, 0, reinterpret_cast<LPARAM>(r));
    EXPECT_DOUBLE_EQ(c->m_massLow, lo);
    EXPECT_DOUBLE_EQ(c->m_massHigh, hi);
  }
  const double ok[2] = {60, 9999.5};
  SendMessageA(w, SPTM_FIXMASSRANGE, 0, reinterpret_cast<LPARAM>(ok));
  EXPECT_DOUBLE_EQ(c->m_massLow, 60);
  EXPECT_DOUBLE_EQ(c->m_massHigh, 9999.5);
  EXPECT_EQ(c->m_horzMode, SPT_HORZ_FIXED);
}

TEST_F(SptControlTest, TheHistoryKeepsFiveEntriesAndNoSpanBelowFive) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = Messy(25);
  SendPair(w, a.get(), nullptr);
  c->m_historyCount = c->m_historyNext = c->m_historyCurrent = 0;
  c->OnTTShowPrevious();  // nothing kept: nothing happens
  for (int i = 0; i < 7; ++i) {
    c->m_massLow = 50 + i;
    c->m_massHigh = 100 + 10 * i;
    c->SaveCurrentScales();
  }
  EXPECT_EQ(c->m_historyCount, SPT_HISTORY);
  c->m_massLow = 70;
  c->m_massHigh = 74.9;
  c->SaveCurrentScales();
  EXPECT_DOUBLE_EQ(c->m_history[c->m_historyCurrent].massHigh, 160);
  // Back through the history: 150, 140, 130, 120, then round to 160.
  const double expected[] = {150, 140, 130, 120, 160};
  for (double e : expected) {
    c->OnTTShowPrevious();
    EXPECT_DOUBLE_EQ(c->m_massHigh, e);
  }
}

TEST_F(SptControlTest, FlatIntensitiesGiveTheDefaultPercentRange) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt flat = sptfix::Precise({{50.2, 700}, {60.7, 700}, {71.1, 700}}, true);
  PlusSpt_UpdateBasePeak(flat.get());
  SendPair(w, flat.get(), nullptr);
  EXPECT_DOUBLE_EQ(c->m_vertMin[0], -5.0);
  EXPECT_DOUBLE_EQ(c->m_vertMax[0], 105.0);
  SendMessageA(w, SPTM_NODATA, 0, 0);
  EXPECT_DOUBLE_EQ(c->m_vertMin[2], -100.0);
  EXPECT_DOUBLE_EQ(c->m_vertMax[2], 100.0);
}

TEST_F(SptControlTest, AFifteenPixelControlShowsOnlyItsBackground) {
  HWND w = MakeControl(9, 300, 15);
  SendMessageA(w, SPTM_SHOWTOOLBAR, 0, 0);
  sptfix::Spt a = Messy(26);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  EXPECT_EQ(c->m_scalesValid, 0);
  const COLORREF background = c->m_prefs.colors.colors[0];
  int other = 0;
  for (int x = 0; x < 300; x += 3)
    for (int y = 0; y < 15; ++y) other += Pixel(w, x, y) != background;
  EXPECT_EQ(other, 0);
}

TEST_F(SptControlTest, APaintedControlShowsItsSpectraAndReportsItsRanges) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(27), b = Messy(28);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_scalesValid, 1);
  EXPECT_GT(c->m_paneHeight[0], 0);
  EXPECT_GT(c->m_paneHeight[1], 0);
  EXPECT_GT(c->m_paneHeight[2], 0);
  double range[2] = {};
  ASSERT_EQ(SendMessageA(w, SPTM_GETMASSRANGE, 0, reinterpret_cast<LPARAM>(range)), 1);
  EXPECT_LT(range[0], 45);
  EXPECT_GT(range[1], 295);
  STRUCT_CCSPT_VERT_RANGES v{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETVERTRANGES, 0, reinterpret_cast<LPARAM>(&v)), 1);
  EXPECT_GT(v.maxMin[0][0], 99);
  EXPECT_LT(v.maxMin[2][1], 0);
  // The saturated base peak of A: a stick of A's colour reaches near the pane's top.
  const COLORREF stick = c->m_prefs.colors.colors[4];
  int found = 0;
  const int top = c->m_plotTop + 4, bottom = top + c->m_paneHeight[0];
  for (int x = c->m_plotLeft + 4 + c->m_vertScaleWidth; x < c->m_plotLeft + 4 + c->m_vertScaleWidth + c->m_drawnPlotWidth; ++x)
    for (int y = top; y < bottom; ++y) found += Pixel(w, x, y) == stick;
  EXPECT_GT(found, 100);
  // The difference pane has pixels of its own colour, none in the scroll bar strip.
  EXPECT_EQ(c->m_scrollShown, 0);  // the whole acquired range is shown
  EXPECT_TRUE(IsEmpty(ChildRect(w, SPT_ID_HSCROLL)));
}

TEST_F(SptControlTest, ADragZoomsTheMassRangeAndTheScrollBarAppears) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(29);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_scalesValid, 1);
  const int x1 = c->m_plotLeft + 4 + c->m_vertScaleWidth;
  const int y = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  const double lo = c->m_massLow, hi = c->m_massHigh;
  const int from = x1 + c->m_drawnPlotWidth / 4, to = x1 + c->m_drawnPlotWidth / 2;
  win::script::Drag(w, POINT{from, y}, POINT{to, y});
  win::script::PumpUntilIdle();
  EXPECT_GT(c->m_massLow, lo);
  EXPECT_LT(c->m_massHigh, hi);
  EXPECT_NEAR(c->m_massHigh - c->m_massLow, (hi - lo) / 4, (hi - lo) / 40);
  EXPECT_EQ(c->m_scrollShown, 1);
  EXPECT_FALSE(IsEmpty(ChildRect(w, SPT_ID_HSCROLL)));
  EXPECT_FALSE(IsEmpty(ChildRect(w, SPT_ID_UP)));
  // A drag narrower than the least span only beeps.
  const double zlo = c->m_massLow, zhi = c->m_massHigh;
  win::script::Drag(w, POINT{from, y}, POINT{from + 2, y});
  EXPECT_DOUBLE_EQ(c->m_massLow, zlo);
  EXPECT_DOUBLE_EQ(c->m_massHigh, zhi);
  // A double click in the mass scale brings the whole range back.
  win::script::DoubleClick(w, from, c->m_plotTop + 4 + c->m_totalPlotHeight + 2);
  win::script::PumpUntilIdle();
  EXPECT_NEAR(c->m_massLow, lo, 1e-6);
  EXPECT_NEAR(c->m_massHigh, hi, 1e-6);
}

TEST_F(SptControlTest, EscapeDuringADragEndsItWithoutZooming) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(30);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  const int x1 = c->m_plotLeft + 4 + c->m_vertScaleWidth;
  const int y = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  const double lo = c->m_massLow, hi = c->m_massHigh;
  win::script::MouseDown(w, x1 + 40, y);
  win::script::MouseMove(w, x1 + 300, y);
  ASSERT_EQ(c->m_tracking, 1);
  EXPECT_EQ(SendMessageA(w, SPTM_ESCAPETRACKING, 0, 0), 1);
  EXPECT_EQ(c->m_tracking, 0);
  EXPECT_EQ(SendMessageA(w, SPTM_ESCAPETRACKING, 0, 0), 0);
  win::script::MouseUp(w, x1 + 300, y);
  EXPECT_DOUBLE_EQ(c->m_massLow, lo);
  EXPECT_DOUBLE_EQ(c->m_massHigh, hi);
}

TEST_F(SptControlTest, ThePaneWalkNeverPassesTheLastPane) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  c->m_paneHeight[0] = 50;
  c->m_paneHeight[1] = 50;
  c->m_paneHeight[2] = 50;
  // Heights that fall short of the plot: a point below them is in the last pane.
  EXPECT_EQ(c->PaneAt(4, 10, false), 0);
  EXPECT_EQ(c->PaneAt(4, 80, false), 1);
  EXPECT_EQ(c->PaneAt(4, 500, false), 2);
  EXPECT_EQ(c->PaneAt(4, 500, true), 2);
}

TEST_F(SptControlTest, TheScrollBarIsLeftAloneWhenTheShownRangeIsWiderThanTheExtent) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  c->m_fullLow = 100;
  c->m_fullHigh = 200;
  c->m_massLow = 50;
  c->m_massHigh = 400;
  c->m_scrollPos = 1234;
  c->SetHorzBar();
  EXPECT_EQ(c->m_scrollPos, 1234);
  c->m_massLow = 120;
  c->m_massHigh = 140;
  c->SetHorzBar();
  EXPECT_EQ(c->m_scrollPos, 2500);
  EXPECT_EQ(c->m_scrollPage, 1250);
  EXPECT_EQ(c->m_scrollLine, 250);
}

TEST_F(SptControlTest, AGainSliderSetsItsPanesTop) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(31);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_slidersVisible, 1);
  EXPECT_FALSE(IsEmpty(ChildRect(w, SPT_ID_SLIDER0)));
  EXPECT_TRUE(IsEmpty(ChildRect(w, SPT_ID_SLIDER0 + 1)));
  const double before = c->m_vertMax[0];
  // The slider tells its parent; the control reads the new top back.
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(SPT_ID_SLIDER0, 1), reinterpret_cast<LPARAM>(GetDlgItem(w, SPT_ID_SLIDER0)));
  EXPECT_GT(c->m_vertMax[0], 0);
  (void)before;
}

TEST_F(SptControlTest, TheMaximiseButtonShowsOneSlotAndRestoresTheRest) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(32), b = Messy(33);
  SendPair(w, a.get(), b.get(), 0, 0, 1);  // the difference made but hidden
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_maxShown[1], 1);
  const RECT r = c->m_maxRect[1];
  win::script::Click(w, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_maximised, 1);
  EXPECT_EQ(c->m_shown[0], 0);
  EXPECT_EQ(c->m_shown[1], 1);
  ASSERT_EQ(c->m_maxShown[1], 1);
  const RECT r2 = c->m_maxRect[1];
  win::script::Click(w, (r2.left + r2.right) / 2, (r2.top + r2.bottom) / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_maximised, 0);
  EXPECT_EQ(c->m_shown[0], 1);
  EXPECT_EQ(c->m_shown[2], 0);  // hidden before, hidden again
}

TEST_F(SptControlTest, TheDeleteButtonDeletesItsSpectrumAndTellsTheParent) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(34), b = Messy(35);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_deleteShown[1], 1);
  const RECT r = c->m_deleteRect[1];
  win::script::Click(w, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_display[1], nullptr);
  EXPECT_EQ(CountNotices(SPTN_DELETED_B), 1);
  // Locked labels: no delete buttons.
  SendPair(w, a.get(), b.get());
  SendMessageA(w, SPTM_PREVENTDELETES, 1, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_deleteShown[0], 0);
}

TEST_F(SptControlTest, TheInformationPageListsBothSpectra) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(36), b = Messy(37);
  SendPair(w, a.get(), b.get());
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 2, 0);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_infoInUse, 1);
  EXPECT_FALSE(IsEmpty(ChildRect(w, SPT_ID_INFO)));
  CWrapCtlSptInfo* info = c->m_pInfo;
  ASSERT_GT(info->RowCount(), 5);
  EXPECT_EQ(info->Cell(0, 0), "Spectrum");
  const std::string kind = info->Cell(0, 1);
  EXPECT_EQ(kind.substr(kind.size() - std::min<size_t>(kind.size(), 13)), " MS Data File");
  EXPECT_EQ(info->RowCount(), KELT_CountSpectraInfoRows(a.get(), b.get()));
  // The ion page: both pair lists merged in mass order.
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 1, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(static_cast<size_t>(info->RowCount()), kelt::sptinfo::MergeIons(a.get(), b.get()).size());
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 0, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_infoInUse, 0);
  EXPECT_TRUE(IsEmpty(ChildRect(w, SPT_ID_INFO)));
}

}  // namespace

namespace {

TEST_F(SptControlTest, TheArrowButtonsAndTheScrollBarMoveTheShownMassRange) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(90);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  const double fullLow = c->m_fullLow, fullHigh = c->m_fullHigh;
  const double zoom[2] = {120, 160};
  SendMessageA(w, SPTM_FIXMASSRANGE, 0, reinterpret_cast<LPARAM>(zoom));
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_scrollShown, 1);
  // The up button widens the range upwards by its width, the down button downwards.
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(SPT_ID_UP, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, SPT_ID_UP)));
  EXPECT_DOUBLE_EQ(c->m_massLow, 120);
  EXPECT_DOUBLE_EQ(c->m_massHigh, 200);
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(SPT_ID_DOWN, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, SPT_ID_DOWN)));
  EXPECT_DOUBLE_EQ(c->m_massLow, 40);
  win::script::PumpUntilIdle();
  // The thumb at the left end: the range keeps its width from the extent's low end.
  const double width = c->m_massHigh - c->m_massLow;
  SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(GetDlgItem(w, SPT_ID_HSCROLL)));
  EXPECT_DOUBLE_EQ(c->m_massLow, fullLow);
  EXPECT_NEAR(c->m_massHigh - c->m_massLow, width, 1e-9);
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), reinterpret_cast<LPARAM>(GetDlgItem(w, SPT_ID_HSCROLL)));
  SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(GetDlgItem(w, SPT_ID_HSCROLL)));
  EXPECT_DOUBLE_EQ(c->m_massHigh, fullHigh);
  EXPECT_NEAR(c->m_massHigh - c->m_massLow, width, 1e-9);
}

TEST_F(SptControlTest, OneHeldKeyChoosesTheDragActionInADataReviewWindow) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  short z = 0, p = 0, b = 0;
  c->GetClickDragStatus(&z, &p, &b);
  EXPECT_EQ(z + 10 * p + 100 * b, 1);  // a plain window zooms
  auto* drm = new CDataReviewManager(nullptr, nullptr, 0);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(drm));
  c->m_clickDragMode = SPT_DRAG_BITMAP;
  c->GetClickDragStatus(&z, &p, &b);
  EXPECT_EQ(z + 10 * p + 100 * b, 100);
  win::script::KeyDown('P');
  c->GetClickDragStatus(&z, &p, &b);
  EXPECT_EQ(z + 10 * p + 100 * b, 10);
  win::script::KeyDown('Z');
  c->GetClickDragStatus(&z, &p, &b);
  EXPECT_EQ(z + 10 * p + 100 * b, 100);  // two keys: the mode decides
  win::script::KeyUp('P');
  win::script::KeyUp('Z');
  short l = 0, j = 0, e = 0, m = 0;
  c->m_singleClickMode = SPT_CLICK_NO_ACTION;
  c->GetSingleClickStatus(&l, &j, &e, &m);
  EXPECT_EQ(l + j + e + m, 0);
  c->GetSingleClickStatus(nullptr, nullptr, nullptr, nullptr);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 0, 0);
  delete drm;
}

TEST_F(SptControlTest, ThePicturePageDrawsALibraryEntrysStructure) {
  HWND w = MakeControl();
  sptfix::Spt hit = sptfix::Library("1,2,4-Trichlorobenzene", {{180, 999}, {182, 960}, {145, 400}},
                                    sptfix::Trichlorobenzene());
  std::strcpy(hit->name, "1,2,4-Trichlorobenzene");
  SendPair(w, hit.get(), nullptr);
  SendMessageA(w, WM_COMMAND, 8027, 0);  // picture A
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  EXPECT_EQ(c->m_pageMode, SPT_PAGE_PICTURE_A);
  EXPECT_EQ(c->m_scalesValid, 0);  // no scales on a picture
  const COLORREF ink = c->m_prefs.colors.colors[1];
  int inked = 0;
  for (int y = c->m_plotTop; y < c->m_plotTop + c->m_plotHeight; y += 2)
    for (int x = 0; x < c->m_plotWidth; x += 2) inked += Pixel(w, x, y) == ink;
  EXPECT_GT(inked, 50);
  // Picture B without a B: the background alone.
  SendMessageA(w, WM_COMMAND, 8028, 0);
  win::script::PumpUntilIdle();
  inked = 0;
  for (int y = c->m_plotTop + 4; y < c->m_plotTop + c->m_plotHeight - 4; y += 2)
    for (int x = 4; x < c->m_plotWidth - 4; x += 2) inked += Pixel(w, x, y) == ink;
  EXPECT_EQ(inked, 0);
}

}  // namespace
