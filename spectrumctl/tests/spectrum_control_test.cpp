// The spectrum control driven as a host would: created, handed spectra,
// asked for its ranges, zoomed with the mouse, destroyed.
#include <cmath>
#include <random>

#include "spectra/other_spectra.h"
#include "spectrumctl/tests/spt_control_fixture.h"

namespace {

TEST_F(SptControlTest, ByClassNameAndByExportTheControlHasItsChildren) {
  HWND byName = MakeControl(9);
  ASSERT_NE(byName, nullptr);
  CWnd* parent = CWnd::FromHandle(host);
  CCtlSpt* made = CreateSpectraControl(parent, 10, 0, 0, 900, 600, 123, -5, 77);  // the last three are ignored
  ASSERT_NE(made, nullptr);
  for (HWND w : {byName, made->m_hWnd}) {
    for (int id : {SPT_ID_INFO, SPT_ID_HSCROLL, SPT_ID_DOWN, SPT_ID_UP, SPT_ID_SLIDER0, SPT_ID_SLIDER0 + 1,
                   SPT_ID_SLIDER0 + 2})
      EXPECT_NE(GetDlgItem(w, id), nullptr) << id;
    EXPECT_TRUE(IsWindowVisible(w));
  }
  EXPECT_EQ(GetDlgCtrlID(made->m_hWnd), 10);
  EXPECT_EQ(Control(byName)->m_id, 9u);
  EXPECT_EQ(made->m_id, 10u);
  EXPECT_EQ(GetWindowLongA(made->m_hWnd, GWL_STYLE) & 0x40010000, 0x40010000);
}

TEST_F(SptControlTest, DestroyingTheWindowFreesEveryOwnedRecordOnce) {
  const uint32_t before = GetLiveBlockCount();
  {
    HWND w = MakeControl();
    ShowDifferences(w);
    sptfix::Spt a = Messy(1), b = Messy(2);
    auto* rec = static_cast<STRUCT_CCSPT_PLUS_DATA*>(std::calloc(1, sizeof(STRUCT_CCSPT_PLUS_DATA)));
    // The copy form: embedded heads whose kind data stays the sender's.
    std::memcpy(&rec->a, a.get(), sizeof rec->a);
    std::memcpy(&rec->b, b.get(), sizeof rec->b);
    rec->aPresent = rec->bPresent = 1;
    SendMessageA(w, SPTM_PLUSDATA, 0, reinterpret_cast<LPARAM>(rec));
    std::free(rec);
    CCtlSpt* c = Control(w);
    ASSERT_NE(c->m_display[0], nullptr);
    EXPECT_EQ(c->m_owned[0], 1);
    EXPECT_NE(c->m_display[0], a.get());
    EXPECT_NE(c->m_display[2], nullptr);
    DestroyWindow(w);
    win::script::PumpUntilIdle();
    EXPECT_EQ(GetDlgItem(host, 9), nullptr);
  }
  EXPECT_EQ(GetLiveBlockCount(), before);
}

TEST_F(SptControlTest, OwnershipFollowsTheFormTheSpectraCameIn) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = Messy(3), b = Messy(4);
  const uint32_t start = GetLiveBlockCount();
  // By pointer: the sender's own records are shown and never freed.
  SendPair(w, a.get(), b.get());
  EXPECT_EQ(c->m_display[0], a.get());
  EXPECT_EQ(c->m_owned[0], 0);
  SendMessageA(w, SPTM_NODATA, 0, 0);
  EXPECT_EQ(GetLiveBlockCount(), start);
  EXPECT_EQ(GetBlockSize(a.get()), sizeof(STRUCT_SPT_PLUS));

  // A transform makes a copy: the copy goes, the sender's record stays.
  STRUCT_CCSPT_LOCAL_PREFS p{};
  SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  p.prefs.features.transform = 5;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  SendPair(w, a.get(), nullptr);
  EXPECT_EQ(c->m_input[0], a.get());
  EXPECT_NE(c->m_display[0], a.get());
  EXPECT_LT(PlusSpt_GetPairCount(c->m_display[0]), PlusSpt_GetPairCount(a.get()));
  EXPECT_GT(GetLiveBlockCount(), start);
  SendMessageA(w, SPTM_NODATA, 0, 0);
  EXPECT_EQ(GetLiveBlockCount(), start);
  EXPECT_EQ(GetBlockSize(a.get()), sizeof(STRUCT_SPT_PLUS));
}

TEST_F(SptControlTest, TheSameSpectraAgainChangeNothingAndOnlyAClearsB) {
  HWND w = MakeControl();
  ShowDifferences(w);
  CCtlSpt* c = Control(w);
  sptfix::Spt a = Messy(5), b = Messy(6);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  ASSERT_NE(c->m_display[2], nullptr);
  EXPECT_EQ(CountNotices(SPTN_NEW_SPECTRA), 1);
  c->m_vertMin[0] = 10;
  c->m_vertMax[0] = 20;
  STRUCT_SPT_PLUS* diff = c->m_display[2];
  (void)diff;
  SendPair(w, a.get(), b.get());
  EXPECT_EQ(c->m_display[0], a.get());
  EXPECT_NE(c->m_display[2], nullptr);
  // Only A: B and the difference go.
  SendPair(w, a.get(), nullptr);
  EXPECT_EQ(c->m_display[1], nullptr);
  EXPECT_EQ(c->m_display[2], nullptr);
  EXPECT_EQ(c->m_shown[2], 0);
}

TEST_F(SptControlTest, HiddenSpectraFillTheirSlotsButAreNotShown) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(7), b = Messy(8);
  SendPair(w, a.get(), b.get(), 0, 1, 1);
  EXPECT_EQ(SendMessageA(w, SPTM_GETSPTCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(w, SPTM_GETSPTCOUNT, 1, 0), 1);
  EXPECT_EQ(SendMessageA(w, SPTM_ISSPTDISPLAYED, 1, 0), 0);
  EXPECT_EQ(SendMessageA(w, SPTM_ISSPTDISPLAYED, 0, 0), 1);
}

// Messages with a null record, and with slots out of range, do nothing.
TEST_F(SptControlTest, MessagesWithNullRecordsAndBadSlotsChangeNothing) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(9);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  const struct {
    UINT msg;
    WPARAM wParam;
    LRESULT expected;
  } cases[] = {
      {SPTM_PLUSDATA, 0, 0},          {SPTM_SPTPLUSDATA, 0, 0},         {SPTM_GETDIFFERENCESPECTRUM, 0, 0},
      {SPTM_GETMASSRANGE, 0, 0},      {SPTM_GETVERTRANGES, 0, 0},       {SPTM_FIXMASSRANGE, 0, 0},
      {SPTM_GETLOCALPREFERENCES, 0, 0}, {SPTM_SETLOCALPREFERENCES, 0, 0}, {SPTM_GETALLRANGEINFO, 0, 0},
      {SPTM_SETALLRANGEINFO, 0, 0},   {SPTM_GETNEWMASSLIMITS, 0, 0},    {SPTM_GETMSMSSTEP, 0, 0},
      {SPTM_GETNEWPD, 0, 0},          {SPTM_GIVENEWPD, 0, 0},           {SPTM_SETNAMEOFCONTROL, 3, 0},
      {SPTM_SHOWSPECTRUM, 7, 0},      {SPTM_SHOWSPECTRUM, static_cast<WPARAM>(-1), 0},
      {SPTM_GETSPECTRUMPOINTER, 2, 0}, {SPTM_GETSPECTRUMPOINTER, 99, 0}, {SPTM_ISSPTDISPLAYED, 3, 0},
      {SPTM_SETBOUNDARIES, 5, 0},     {SPTM_NEWACTIVEINDEX, 0, 0},      {SPTM_CLOSEDCENTROIDDIALOG, 9, 0},
      {SPTM_KEEPPREFERENCES, 1, 0},   {SPTM_SETDATAREVIEWMANAGER, 1, 0},
  };
  CCtlSpt* c = Control(w);
  for (const auto& t : cases) EXPECT_EQ(SendMessageA(w, t.msg, t.wParam, 0), t.expected) << std::hex << t.msg;
  EXPECT_EQ(c->m_display[0], a.get());
  EXPECT_EQ(c->m_shown[0], 1);
  EXPECT_EQ(c->m_pManager, nullptr);
  EXPECT_EQ(c->m_windowMode, SPT_WINDOW_PLAIN);
  EXPECT_EQ(c->m_reviewIndex, 3);
}

TEST_F(SptControlTest, RecordsKeptWholeComeBackAsGiven) {
  HWND w = MakeControl();
  uint8_t list[SPT_MASS_LIST_SIZE];
  for (size_t i = 0; i < sizeof list; ++i) list[i] = static_cast<uint8_t>(i * 7);
  SendMessageA(w, SPTM_SETNEWMASSLIMITS, 0, reinterpret_cast<LPARAM>(list));
  uint8_t back[SPT_MASS_LIST_SIZE] = {};
  EXPECT_EQ(SendMessageA(w, SPTM_GETNEWMASSLIMITS, 0, reinterpret_cast<LPARAM>(back)), 1);
  EXPECT_EQ(std::memcmp(list, back, sizeof list), 0);
  SendMessageA(w, SPTM_SETNEWMASSLIMITS, 0, 0);
  EXPECT_EQ(SendMessageA(w, SPTM_GETNEWMASSLIMITS, 0, reinterpret_cast<LPARAM>(back)), 0);
  // Sent on from the ion-list popup, the parent hears at once.
  SendMessageA(w, SPTM_UPDATEFROMSELSPTSPLOTDLG, 0, reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(CountNotices(SPTN_NEW_MASS_LIMITS), 1);

  // A plot descriptor handed over changes owner with the record.
  STRUCT_CCSPT_NEW_PD pd{};
  pd.block = AllocBlock(925);
  std::strcpy(pd.dataFile, "C:\\Data\\run.kms");
  EXPECT_EQ(SendMessageA(w, SPTM_GIVENEWPD, 0, reinterpret_cast<LPARAM>(&pd)), 1);
  STRUCT_CCSPT_NEW_PD out{};
  EXPECT_EQ(SendMessageA(w, SPTM_GETNEWPD, 0, reinterpret_cast<LPARAM>(&out)), 1);
  EXPECT_EQ(out.block, pd.block);
  EXPECT_STREQ(out.dataFile, "C:\\Data\\run.kms");
  EXPECT_EQ(SendMessageA(w, SPTM_GETNEWPD, 0, reinterpret_cast<LPARAM>(&out)), 0);
  FreeBlock(out.block);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_NEW_PD), 1);
}

TEST_F(SptControlTest, ANameOfTenCharactersIsRefusedButTheIndexIsTaken) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  SendMessageA(w, SPTM_SETNAMEOFCONTROL, 2, reinterpret_cast<LPARAM>("Win1"));
  EXPECT_STREQ(c->m_name, "Win1");
  SendMessageA(w, SPTM_SETNAMEOFCONTROL, 3, reinterpret_cast<LPARAM>("0123456789"));
  EXPECT_STREQ(c->m_name, "Win1");
  EXPECT_EQ(c->m_reviewIndex, 3);
}

TEST_F(SptControlTest, TheDifferenceSpectrumHandedOutIsTheCallersOwn) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(11), b = Messy(12);
  SendPair(w, a.get(), b.get());
  STRUCT_SPT_PLUS out{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETDIFFERENCESPECTRUM, 0, reinterpret_cast<LPARAM>(&out)), 1);
  STRUCT_DIFF_SPT* const mine = out.diffSpt;
  STRUCT_DIFF_SPT* const controls = Control(w)->m_display[2]->diffSpt;
  ASSERT_NE(mine, nullptr);
  EXPECT_NE(mine, controls);
  const int pairs = PlusSpt_GetPairCount(&out);
  // The control's difference goes; the caller's copy stays readable.
  SendMessageA(w, SPTM_NODATA, 0, 0);
  EXPECT_EQ(PlusSpt_GetPairCount(&out), pairs);
  DIFF_Free(mine);
}

TEST_F(SptControlTest, CopiedSpectraTakeTheirTitlesAndLeaveTheSendersRecordAlone) {
  HWND w = MakeControl();
  SendMessageA(w, SPTM_SETNAMEOFCONTROL, 1, reinterpret_cast<LPARAM>("W1"));
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(w));  // any non-null manager
  CCtlSpt* c = Control(w);
  c->m_pManager = nullptr;  // the window mode stays; the fake manager is never used
  sptfix::Spt a = Messy(13);
  auto* rec = static_cast<STRUCT_CCSPT_PLUS_DATA*>(std::calloc(1, sizeof(STRUCT_CCSPT_PLUS_DATA)));
  std::memcpy(&rec->a, a.get(), sizeof rec->a);
  rec->aPresent = 1;
  SendMessageA(w, SPTM_PLUSDATA, 0, reinterpret_cast<LPARAM>(rec));
  EXPECT_STREQ(rec->a.mainTitle, "Sample 13");
  EXPECT_STREQ(rec->a.extraInfo, "");
  ASSERT_NE(c->m_display[0], nullptr);
  EXPECT_STREQ(c->m_display[0]->extraInfo, "Spectrum W1A");
  std::free(rec);
}

TEST_F(SptControlTest, ALongRandomRunOfIntakeKeepsTheSlotsConsistent) {
  HWND w = MakeControl();
  ShowDifferences(w);
  CCtlSpt* c = Control(w);
  std::vector<sptfix::Spt> pool;
  for (uint32_t i = 0; i < 6; ++i) pool.push_back(Messy(100 + i, 20 + 7 * i));
  std::mt19937 rng(42);
  const uint32_t start = GetLiveBlockCount();
  for (int step = 0; step < 300; ++step) {
    const int what = static_cast<int>(rng() % 6);
    STRUCT_SPT_PLUS* a = rng() % 4 ? pool[rng() % pool.size()].get() : nullptr;
    STRUCT_SPT_PLUS* b = rng() % 3 ? pool[rng() % pool.size()].get() : nullptr;
    if (what == 0) {
      SendPair(w, a, b, static_cast<int16_t>(rng() % 5 == 0), static_cast<int16_t>(rng() % 5 == 0));
    } else if (what == 1 && a) {
      auto* rec = static_cast<STRUCT_CCSPT_PLUS_DATA*>(std::calloc(1, sizeof(STRUCT_CCSPT_PLUS_DATA)));
      std::memcpy(&rec->a, a, sizeof rec->a);
      rec->aPresent = 1;
      if (b) std::memcpy(&rec->b, b, sizeof rec->b), rec->bPresent = 1;
      SendMessageA(w, SPTM_PLUSDATA, 0, reinterpret_cast<LPARAM>(rec));
      std::free(rec);
    } else if (what == 2) {
      SendMessageA(w, SPTM_NODATA, 0, 0);
    } else if (what == 3) {
      SendMessageA(w, SPTM_SHOWSPECTRUM, rng() % 4, rng() % 2);
    } else if (what == 4) {
      SendMessageA(w, SPTM_CHANGEBACKGROUNDCORRECTEDSPECTRASTATUS, rng() % 2, 0);
    } else {
      win::script::PumpUntilIdle();
    }
    for (int s = 0; s < 2; ++s) {
      if (!c->m_display[s]) {
        EXPECT_EQ(c->m_shown[s], 0);
        EXPECT_EQ(c->m_owned[s], 0);
        EXPECT_EQ(c->m_input[s], nullptr);
      } else {
        EXPECT_GT(GetBlockSize(c->m_display[s]), 0u) << step;
        // A record the control shows by pointer is one of the sender's.
        if (!c->m_owned[s] && !c->m_input[s]) {
          bool fromPool = false;
          for (auto& p : pool) fromPool = fromPool || p.get() == c->m_display[s];
          EXPECT_TRUE(fromPool) << step;
        }
      }
    }
    if (c->m_display[2]) {
      EXPECT_TRUE(c->m_display[0] && c->m_display[1]);
    }
  }
  SendMessageA(w, SPTM_NODATA, 0, 0);
  EXPECT_EQ(GetLiveBlockCount(), start);
}

}  // namespace

#include "fixtures/msfixtures.h"
#include "win/win_kernel.h"
#include "spectra/spectrum_managers.h"

namespace {

TEST_F(SptControlTest, ASpectrumRequestReadsOneScanOfADataFileIntoA) {
  msfix::RunPlan plan;
  plan.scans = 120;
  msfix::RunTruth truth;
  CreateDirectoryA("C:\\Data", nullptr);
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\Data\\request.kms", plan, &truth));
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  STRUCT_CCSPT_SPECTRUM_REQUEST r{};
  std::strcpy(r.path, "C:\\Data\\request.kms");
  r.byScan = 1;
  r.scan = 37;
  SendMessageA(w, SPTM_SPECTRUMREQUEST, 0, reinterpret_cast<LPARAM>(&r));
  ASSERT_NE(c->m_display[0], nullptr);
  const STRUCT_TOL_SPT* tol = c->m_display[0]->tolSpt;
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(tol->header.scanNumber, 37u);
  EXPECT_EQ(c->m_owned[0], 1);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_scalesValid, 1);
  // By time: the scan nearest.
  r.byScan = 0;
  r.time = tol->header.time;
  SendMessageA(w, SPTM_SPECTRUMREQUEST, 0, reinterpret_cast<LPARAM>(&r));
  ASSERT_NE(c->m_display[0], nullptr);
  // A file that cannot be read leaves the control empty; an unterminated path reads no further than its field.
  std::memset(r.path, 'x', sizeof r.path);
  SendMessageA(w, SPTM_SPECTRUMREQUEST, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(c->m_display[0], nullptr);
  EXPECT_EQ(SendMessageA(w, SPTM_SPECTRUMREQUEST, 0, 0), 0);
}

TEST_F(SptControlTest, InADataReviewWindowAClickExportsAndANullManagerDetaches) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  auto* drm = new CDataReviewManager(nullptr, nullptr, 0);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(drm));
  EXPECT_EQ(c->m_windowMode, SPT_WINDOW_DATA_REVIEW);
  sptfix::Spt a = Messy(48);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_scalesValid, 1);
  c->m_singleClickMode = SPT_CLICK_EXPORT;
  const int x = c->m_plotLeft + 4 + c->m_vertScaleWidth + 100, y = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  win::script::Click(w, x, y);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_EXPORT_A), 1);
  // The active spectrum goes to the manager.
  SendMessageA(w, SPTM_NEWACTIVEINDEX, 1, 0);
  EXPECT_EQ(drm->GetActiveSptPlotIndex(), 1);
  // The host takes its manager back before destroying it: the control forgets it.
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 0, 0);
  EXPECT_EQ(c->m_pManager, nullptr);
  delete drm;
  Repaint(w);
  SendMessageA(w, SPTM_NEWACTIVEINDEX, 0, 0);
  win::script::Click(w, x, y, win::script::Button::Right);
  EXPECT_EQ(c->m_scalesValid, 1);
}

}  // namespace

namespace {

TEST_F(SptControlTest, BackgroundCorrectedCopiesMarkTheirTitles) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  SendMessageA(w, SPTM_CHANGEBACKGROUNDCORRECTEDSPECTRASTATUS, 1, 0);
  const struct {
    const char* title;
    const char* marked;
  } cases[] = {{"Scan 12 (E)", "Scan 12 (EBC)"}, {"Average of 3", "Average of 3 (BC)"}, {"(E)", "(E) (BC)"}};
  uint32_t seed = 60;
  for (const auto& t : cases) {
    sptfix::Spt a = Messy(seed++);
    a->tolSpt->displayMade = 1;  // titles of the fixed layout
    STRUCT_TOL_SPT* bg = TOL_StartNewSpectrum();
    double m = 0, v = 0;
    SptPairAt(a.get(), 0, &m, &v);
    bg = TOL_AddToSpectrum(bg, m, static_cast<uint32_t>(v));
    a->background = bg;
    sptfix::SetText(a->mainTitle, t.title);
    SendPair(w, a.get(), nullptr);
    ASSERT_NE(c->m_input[0], nullptr) << t.title;
    EXPECT_STREQ(c->m_display[0]->mainTitle, t.marked);
    EXPECT_STREQ(a->mainTitle, t.title);  // the sender's record keeps its title
    const STRUCT_TOL_SPT* mine = c->m_display[0]->background;
    const STRUCT_TOL_SPT* senders = a->background;
    EXPECT_EQ(mine, nullptr);
    EXPECT_NE(senders, nullptr);
    SendMessageA(w, SPTM_NODATA, 0, 0);
  }
}

TEST_F(SptControlTest, FixedRangesKeepAbsoluteIntensitiesWhenTheBasePeakChanges) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  STRUCT_CCSPT_LOCAL_PREFS p{};
  SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  p.prefs.drawing.keepAbsolute = 1;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  SendMessageA(w, SPTM_CHANGENEWSPTVERTRANGEMODE, 1, 0);
  sptfix::Spt a = sptfix::Precise({{50.3, 1000}, {77.9, 400}}, false);
  sptfix::Spt b = sptfix::Precise({{50.3, 2000}, {77.9, 800}}, false);
  PlusSpt_UpdateBasePeak(a.get());
  PlusSpt_UpdateBasePeak(b.get());
  SendPair(w, a.get(), nullptr);
  c->m_vertMin[0] = -10;
  c->m_vertMax[0] = 80;
  SendPair(w, b.get(), nullptr);
  EXPECT_DOUBLE_EQ(c->m_vertMin[0], -5);
  EXPECT_DOUBLE_EQ(c->m_vertMax[0], 40);
  EXPECT_DOUBLE_EQ(c->m_lastBase[0], 2000);
}

TEST_F(SptControlTest, DoubleClicksRescaleThePaneOrScaleUnderThem) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(70), b = Messy(71);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_scalesValid, 1);
  const int x1 = c->m_plotLeft + 4 + c->m_vertScaleWidth, t0 = c->m_plotTop + 4;
  const int yB = t0 + c->m_paneHeight[0] + c->m_paneHeight[1] / 2;
  const int yDiff = t0 + c->m_paneHeight[0] + c->m_paneHeight[1] + c->m_paneHeight[2] / 2;
  c->m_vertMin[1] = 10;
  c->m_vertMax[1] = 20;
  win::script::DoubleClick(w, x1 + 50, yB);
  win::script::PumpUntilIdle();
  EXPECT_DOUBLE_EQ(c->m_vertMin[1], -5.0);
  EXPECT_DOUBLE_EQ(c->m_vertMax[1], 105.0);
  win::script::DoubleClick(w, x1 + 50, yDiff);
  win::script::PumpUntilIdle();
  EXPECT_DOUBLE_EQ(c->m_vertMin[2], -100.0);
  EXPECT_DOUBLE_EQ(c->m_vertMax[2], 100.0);
  // In the scale column: the pane is autoscaled to its data.
  c->m_vertMax[0] = 500;
  win::script::DoubleClick(w, x1 - 5, t0 + c->m_paneHeight[0] / 2);
  win::script::PumpUntilIdle();
  EXPECT_LT(c->m_vertMax[0], 110);
  EXPECT_GT(c->m_vertMax[0], 99);
}

}  // namespace

namespace {

struct LiveScan {
  MS_INFO_BLOCK file{};
  MS_SEGMENT_BLOCK segment{};
  MS_SCAN_HEADER header{};
  std::vector<uint8_t> pairs;
  STRUCT_CCSPT_LIVE_SCAN record{};
  LiveScan(uint32_t scan, double time, const std::vector<std::pair<double, uint32_t>>& points) {
    file.upperMassLimit = 650;
    file.centroid = 1;
    file.maxScanPoints = 500;
    segment.number = 2;
    header.scanNumber = scan;
    header.time = time;
    header.totalIon = 1234567;
    header.lowLimit = 35;
    header.highLimit = 650;
    header.function = 255;
    uint32_t top = 0;
    for (const auto& [m, v] : points)
      if (v > top) top = v, header.basePeakMass = m;
    header.basePeakIntensity = top;
    const uint32_t n = static_cast<uint32_t>(points.size());
    pairs.resize(4 + 13 * points.size());
    std::memcpy(pairs.data(), &n, 4);
    for (size_t i = 0; i < points.size(); ++i) {
      pairs[4 + 13 * i] = 0;
      std::memcpy(&pairs[4 + 13 * i + 1], &points[i].first, 8);
      std::memcpy(&pairs[4 + 13 * i + 9], &points[i].second, 4);
    }
    std::strcpy(record.path, "C:\\Data\\acquiring.kms");
    record.fileHeader = &file;
    record.segment = &segment;
    record.scanHeader = &header;
    record.pairs = pairs.data();
  }
};

TEST_F(SptControlTest, LiveScansReplaceSpectrumAWithTheirInformationLines) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt b = Messy(80);
  SendPair(w, nullptr, b.get());
  LiveScan first(17, 3.25, {{55.04, 300}, {91.06, 2400}, {131.9, 40}});
  SendMessageA(w, SPTM_LIVESPECTRUMEX, 0, reinterpret_cast<LPARAM>(&first.record));
  ASSERT_NE(c->m_display[0], nullptr);
  EXPECT_EQ(c->m_display[1], nullptr);  // the first live scan clears the control
  EXPECT_EQ(c->m_live, 1);
  EXPECT_EQ(c->m_labelsLocked, 1);
  EXPECT_STREQ(c->m_display[0]->mainTitle, "Scan Number: 17, Time: 3.250 min.");
  EXPECT_STREQ(c->m_display[0]->infoTitle, "Ion: NA,  Segment: 2,  Combined");
  EXPECT_EQ(PlusSpt_GetPairCount(c->m_display[0]), 3);
  LiveScan second(18, 3.27, {{55.04, 310}, {91.06, 2500}});
  SendMessageA(w, SPTM_LIVESPECTRUMEX, 0, reinterpret_cast<LPARAM>(&second.record));
  EXPECT_DOUBLE_EQ(c->m_previousLiveBase, 2400);
  EXPECT_EQ(PlusSpt_GetPairCount(c->m_display[0]), 2);
  // A count past the file's most points per scan is not believed.
  LiveScan bad(19, 3.29, {{55.04, 310}});
  const uint32_t huge = 4000000000u;
  std::memcpy(bad.pairs.data(), &huge, 4);
  SendMessageA(w, SPTM_LIVESPECTRUMEX, 0, reinterpret_cast<LPARAM>(&bad.record));
  EXPECT_EQ(c->m_display[0], nullptr);
  // During a drag live scans are ignored.
  c->m_tracking = 1;
  SendMessageA(w, SPTM_LIVESPECTRUMEX, 0, reinterpret_cast<LPARAM>(&first.record));
  EXPECT_EQ(c->m_display[0], nullptr);
  c->m_tracking = 0;
  SendMessageA(w, SPTM_LIVESPECTRUMEX, 0, 0);
}

}  // namespace

#include "common/plot_descriptors.h"

namespace {

TEST_F(SptControlTest, AChromatogramDragLeavesAPlotDescriptorForTheParent) {
  msfix::RunPlan plan;
  plan.scans = 120;
  msfix::RunTruth truth;
  CreateDirectoryA("C:\\Data", nullptr);
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\Data\\chro.kms", plan, &truth));
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  STRUCT_CCSPT_SPECTRUM_REQUEST r{};
  std::strcpy(r.path, "C:\\Data\\chro.kms");
  r.byScan = 1;
  r.scan = 60;
  SendMessageA(w, SPTM_SPECTRUMREQUEST, 0, reinterpret_cast<LPARAM>(&r));
  auto* drm = new CDataReviewManager(nullptr, nullptr, 0);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(drm));
  c->m_clickDragMode = SPT_DRAG_CHROMATOGRAM;
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_scalesValid, 1);
  const int x1 = c->m_plotLeft + 4 + c->m_vertScaleWidth, y = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  // No chromatogram control: the parent is asked for one, and nothing is made.
  win::script::Drag(w, POINT{x1 + 100, y}, POINT{x1 + 200, y});
  EXPECT_EQ(CountNotices(SPTN_SELECT_MASS_LIST), 1);
  EXPECT_EQ(c->m_pPlotDescriptor, nullptr);
  drm->m_hPlotCtrl = host;
  win::script::Drag(w, POINT{x1 + 100, y}, POINT{x1 + 200, y});
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_NEW_PD), 1);
  STRUCT_CCSPT_NEW_PD out{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETNEWPD, 0, reinterpret_cast<LPARAM>(&out)), 1);
  auto* pd = static_cast<STRUCT_PLOT_DESCRIPTOR*>(out.block);
  ASSERT_NE(pd, nullptr);
  EXPECT_EQ(pd->massList.kind, static_cast<uint32_t>(MASS_LIST_RANGES));
  const double low = pd->massList.ranges[0].low, high = pd->massList.ranges[0].high;
  EXPECT_LT(low, high);
  EXPECT_GT(low, c->m_massLow);
  EXPECT_LT(high, c->m_massHigh);
  EXPECT_STREQ(out.dataFile, "C:\\Data\\chro.kms");
  EXPECT_NE(pd->name[0], 0);
  FreeBlock(pd);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 0, 0);
  delete drm;
}

}  // namespace
