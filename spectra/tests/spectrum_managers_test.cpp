// The data-review manager driven through windows that stand in for the
// spectrum controls, the overlay plot control and the host's owner window:
// each records what it receives, and the spectrum controls behave as the
// real one does (they show the sender's records by pointer and read them
// on every message, so a record freed too early is caught by the sanitizer).
#include "spectra/spectrum_managers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/library_state.h"
#include "common/preference_records.h"
#include "fandor/search_groups.h"
#include "orvik32/orvik32.h"
#include "spectra/tests/spectrum_test_records.h"
#include "testing/workstation_root.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr UINT kNewA = WM_APP + 1, kChangeA = WM_APP + 2, kNewB = WM_APP + 3, kChangeB = WM_APP + 4;

struct Msg {
  HWND hwnd;
  UINT msg;
  WPARAM w;
  LPARAM l;
  // SPTM_SPTPLUSDATA: what the record named (it lives on the sender's stack).
  uint16_t presentA = 0, presentB = 0;
  STRUCT_SPT_PLUS* a = nullptr;
  STRUCT_SPT_PLUS* b = nullptr;
  // SPTM_SETLOCALPREFERENCES: the record sent.
  STRUCT_SPT_LOCAL_PREFS prefs{};
  bool operator==(const Msg& o) const { return hwnd == o.hwnd && msg == o.msg && w == o.w && l == o.l; }
};

std::ostream& operator<<(std::ostream& os, const Msg& m) {
  return os << "{" << m.hwnd << " msg " << std::hex << m.msg << std::dec << " w " << m.w << " l " << m.l << "}";
}

struct FakeSptCtl {
  STRUCT_SPT_PLUS* shown[2] = {};
  bool hidden[2] = {};
  bool refusePrefs = false;
  STRUCT_SPT_LOCAL_PREFS local{};
};

std::vector<Msg> g_log;
std::map<HWND, FakeSptCtl> g_ctls;
uint32_t g_serialSum = 0;

// What a redraw would read of the spectra shown.
void Touch(const FakeSptCtl& c) {
  for (STRUCT_SPT_PLUS* s : c.shown)
    if (s) g_serialSum += s->serialNumber + static_cast<uint8_t>(s->name[0]);
}

LRESULT CALLBACK SptCtlProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg < WM_USER) return DefWindowProcA(hwnd, msg, w, l);
  FakeSptCtl& c = g_ctls[hwnd];
  Touch(c);
  Msg m{hwnd, msg, w, l};
  LRESULT result = 0;
  switch (msg) {
    case SPTM_NODATA:
      c.shown[0] = c.shown[1] = nullptr;
      break;
    case SPTM_SPTPLUSDATA: {
      const auto* d = reinterpret_cast<const STRUCT_CCSPT_SPT_PLUS_DATA*>(l);
      m.presentA = d->presentA;
      m.presentB = d->presentB;
      m.a = d->sptA;
      m.b = d->sptB;
      c.shown[0] = d->sptA;
      c.shown[1] = d->sptB;
      Touch(c);
      break;
    }
    case SPTM_ISSPTDISPLAYED:
      result = w < 2 && c.shown[w] && !c.hidden[w] ? 1 : 0;
      break;
    case SPTM_GETSPECTRUMPOINTER:
      result = w < 2 ? reinterpret_cast<LRESULT>(c.shown[w]) : 0;
      break;
    case SPTM_GETLOCALPREFERENCES:
      if (!l || c.refusePrefs) break;
      *reinterpret_cast<STRUCT_SPT_LOCAL_PREFS*>(l) = c.local;
      result = 1;
      break;
    case SPTM_SETLOCALPREFERENCES:
      if (!l) break;
      m.prefs = *reinterpret_cast<const STRUCT_SPT_LOCAL_PREFS*>(l);
      c.local = m.prefs;
      break;
    default:
      break;
  }
  g_log.push_back(m);
  return result;
}

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg < WM_USER) return DefWindowProcA(hwnd, msg, w, l);
  g_log.push_back(Msg{hwnd, msg, w, l});
  return 0;
}

// An MS-data spectrum of a scan of a file.
STRUCT_SPT_PLUS* MsSpectrum(const char* file, uint32_t scan, double time, int16_t averaged = 1,
                            uint16_t ownDecimals = 0, uint16_t decimals = 0) {
  STRUCT_TOL_SPT* tol = spttest::Tol({{41.02, 120}, {43.05, 900}, {57.07, 333}});
  tol->header.scanNumber = scan;
  tol->header.time = time;
  tol->scansAveraged = averaged;
  std::strcpy(tol->dataFilePath, file);
  STRUCT_SPT_PLUS* spt = spttest::NewRecord();
  PlusSpt_InitTolSpt(spt, tol, nullptr);
  spt->ownDecimals = ownDecimals;
  spt->massDecimals = decimals;
  return spt;
}

STRUCT_SPT_PLUS* RefSpectrum() {
  STRUCT_SPT_PLUS* spt = spttest::NewRecord();
  PlusSpt_InitRefSpt(spt, spttest::Ref(4), nullptr);
  return spt;
}

STRUCT_SPT_MARKER Marker(int16_t chroPlot, int32_t centre) {
  STRUCT_SPT_MARKER m{};
  m.present = 1;
  m.centreScan = centre;
  m.chroPlotIndex = chroPlot;
  m.firstScan = static_cast<uint32_t>(centre - 2);
  m.lastScan = static_cast<uint32_t>(centre + 2);
  m.plotFlag = 1;
  return m;
}

class ReviewManager : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    kelt::lib::ProcessDetach();
    kelt::lib::ProcessAttach();
    WNDCLASSA wc{};
    wc.lpfnWndProc = SptCtlProc;
    wc.lpszClassName = "TestSptCtl";
    ASSERT_NE(RegisterClassA(&wc), 0);
    wc.lpfnWndProc = RecorderProc;
    wc.lpszClassName = "TestRecorder";
    ASSERT_NE(RegisterClassA(&wc), 0);
    owner_ = Make("TestRecorder");
    plot_ = Make("TestRecorder");
    for (HWND& h : ctl_) h = Make("TestSptCtl");
    g_log.clear();
    g_ctls.clear();
  }
  void TearDown() override {
    for (HWND h : windows_)
      if (IsWindow(h)) DestroyWindow(h);
    win::script::PumpUntilIdle();
    UnregisterClassA("TestSptCtl", nullptr);
    UnregisterClassA("TestRecorder", nullptr);
    g_ctls.clear();
    kelt::lib::ProcessDetach();
    WorkstationRootTest::TearDown();
  }
  HWND Make(const char* cls) {
    HWND h = CreateWindowExA(0, cls, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(h);
    return h;
  }
  // Manager with four controls and the plot control, the controls not refreshed after changes.
  void Attach(CDataReviewManager& drm, uint16_t attached = 0) {
    drm.SetupEx(owner_, ctl_[0], ctl_[1], ctl_[2], ctl_[3], plot_, kNewA, kChangeA, kNewB, kChangeB, attached);
  }
  std::vector<Msg> Take() {
    win::script::PumpUntilIdle();
    std::vector<Msg> out;
    out.swap(g_log);
    return out;
  }
  static LPARAM L(const void* p) { return reinterpret_cast<LPARAM>(p); }

  HWND owner_{}, plot_{};
  HWND ctl_[4]{};
  std::vector<HWND> windows_;
};

TEST_F(ReviewManager, NewSpectrumTellsTheControlThenPostsToTheOwner) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  EXPECT_TRUE(Take().empty());

  STRUCT_SPT_PLUS* first = MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5);
  const STRUCT_SPT_MARKER mark = Marker(3, 120);
  drm.NewSpectrum(first, 1, 0, &mark);
  // The new-spectrum message is posted: it is not there before the queue runs.
  ASSERT_EQ(g_log.size(), 1u);
  std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], (Msg{ctl_[1], SPTM_SPTPLUSDATA, 0, log[0].l}));
  EXPECT_EQ(log[0].presentA, 1);
  EXPECT_EQ(log[0].a, first);
  EXPECT_EQ(log[0].presentB, 0);
  EXPECT_EQ(log[0].b, nullptr);
  EXPECT_EQ(log[1], (Msg{owner_, kNewA, 1, 0}));
  EXPECT_STREQ(first->name, "Spectrum 2A");
  EXPECT_EQ(drm.HaveMarker(1, 0), 3);

  // A different spectrum for the same place: the owner hears before it is replaced.
  STRUCT_SPT_PLUS* second = MsSpectrum("C:\\Data\\RUN1.KMS", 130, 5.6);
  drm.NewSpectrum(second, 1, 0, nullptr);
  log = Take();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], (Msg{owner_, kChangeA, 1, 0}));
  EXPECT_EQ(log[1].msg, static_cast<UINT>(SPTM_SPTPLUSDATA));
  EXPECT_EQ(log[1].a, second);
  EXPECT_EQ(log[2], (Msg{owner_, kNewA, 1, 0}));
  EXPECT_EQ(drm.HaveMarker(1, 0), -1);  // no marker given: cleared
  EXPECT_EQ(drm.GetSpectraCount(), 1);

  // B of the same control: the control gets both, the owner B's messages.
  STRUCT_SPT_PLUS* third = RefSpectrum();
  drm.NewSpectrum2(third, 1);
  log = Take();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].a, second);
  EXPECT_EQ(log[0].b, third);
  EXPECT_EQ(log[0].presentB, 1);
  EXPECT_EQ(log[1], (Msg{owner_, kNewB, 1, 1}));
  EXPECT_STREQ(third->name, "Spectrum 2B");
  EXPECT_EQ(drm.GetSpectrum(1, 1), third);
  EXPECT_EQ(drm.GetSpectraCount(), 2);
}

TEST_F(ReviewManager, UntitledSpectraAreNamedAfterTheirPlace) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  struct Case {
    int16_t control, plot;
    const char* given;
    const char* expected;
  } cases[] = {
      {0, 1, "", "Spectrum 1B"}, {1, 1, "", "Spectrum 2B"}, {3, 0, "", "Spectrum 4A"}, {2, 0, "Benzene", "Benzene"}};
  for (const Case& c : cases) {
    STRUCT_SPT_PLUS* spt = RefSpectrum();
    std::strcpy(spt->name, c.given);
    drm.NewSpectrum(spt, c.control, c.plot, nullptr);
    EXPECT_STREQ(drm.GetSpectrum(c.control, c.plot)->name, c.expected);
  }
}

TEST_F(ReviewManager, TheSameSpectrumAgainReplacesTheOldCopySilently) {
  struct Case {
    const char* what;
    STRUCT_SPT_PLUS* (*make)();
    bool same;
  } cases[] = {
      {"same scan, file name in other case", [] { return MsSpectrum("c:\\data\\run1.kms", 120, 5.5); }, true},
      {"other time", [] { return MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5000001); }, false},
      {"other scan", [] { return MsSpectrum("C:\\Data\\RUN1.KMS", 121, 5.5); }, false},
      {"other scan count", [] { return MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5, 3); }, false},
      {"other file", [] { return MsSpectrum("C:\\Data\\RUN2.KMS", 120, 5.5); }, false},
      {"own decimals", [] { return MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5, 1, 1); }, false},
      {"other decimals", [] { return MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5, 1, 0, 2); }, false},
      {"not MS data", RefSpectrum, false},
  };
  for (const Case& c : cases) {
    CDataReviewManager drm(nullptr, nullptr, 0);
    Attach(drm);
    drm.NewSpectrum(MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5), 0, 0, nullptr);
    Take();
    STRUCT_SPT_PLUS* again = c.make();
    drm.NewSpectrum(again, 0, 0, nullptr);
    const std::vector<Msg> log = Take();
    std::vector<UINT> ownerMsgs;
    for (const Msg& m : log)
      if (m.hwnd == owner_) ownerMsgs.push_back(m.msg);
    EXPECT_EQ(ownerMsgs, c.same ? std::vector<UINT>() : (std::vector<UINT>{kChangeA, kNewA})) << c.what;
    // Either way the control shows the new record and the old one is gone.
    ASSERT_FALSE(log.empty()) << c.what;
    EXPECT_EQ(log[c.same ? 0 : 1].a, again) << c.what;
    EXPECT_EQ(drm.GetSpectrum(0, 0), again) << c.what;
    EXPECT_EQ(drm.GetSpectraCount(), 1) << c.what;
  }
}

TEST_F(ReviewManager, TheStoredRecordHandedBackInStaysValid) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  STRUCT_SPT_PLUS* spt = MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5);
  drm.NewSpectrum(spt, 0, 0, nullptr);
  drm.NewSpectrum(drm.GetSpectrum(0, 0), 0, 0, nullptr);
  ASSERT_EQ(drm.GetSpectrum(0, 0), spt);
  EXPECT_STREQ(spt->name, "Spectrum 1A");  // read: freed memory would be caught here
  drm.NewSpectrum(drm.GetSpectrum(0, 0), 0, 0, nullptr);
  EXPECT_EQ(drm.GetSpectraCount(), 1);

  // The same record into a second place: that place gets its own copy.
  drm.NewSpectrum(spt, 2, 1, nullptr);
  ASSERT_NE(drm.GetSpectrum(2, 1), nullptr);
  EXPECT_NE(drm.GetSpectrum(2, 1), spt);
  EXPECT_EQ(int(drm.GetSpectrum(2, 1)->serialNumber), int(spt->serialNumber));
  EXPECT_EQ(drm.GetSpectraCount(), 2);
  drm.DeleteSpectrum(0, 0);
  EXPECT_STREQ(drm.GetSpectrum(2, 1)->name, "Spectrum 1A");  // the copy keeps the name it had
}

TEST_F(ReviewManager, DeletingTellsTheOwnerAndTheControlWhatRemains) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  STRUCT_SPT_PLUS* a = MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5);
  STRUCT_SPT_PLUS* b = MsSpectrum("C:\\Data\\RUN1.KMS", 140, 5.9);
  const STRUCT_SPT_MARKER ma = Marker(0, 120), mb = Marker(1, 140);
  drm.NewSpectrum(a, 2, 0, &ma);
  drm.NewSpectrum(b, 2, 1, &mb);
  Take();

  drm.DeleteSpectrum(2, 0);
  std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], (Msg{owner_, kChangeA, 2, 0}));
  EXPECT_EQ(log[1].msg, static_cast<UINT>(SPTM_SPTPLUSDATA));
  EXPECT_EQ(log[1].hwnd, ctl_[2]);
  EXPECT_EQ(log[1].presentA, 0);
  EXPECT_EQ(log[1].a, nullptr);
  EXPECT_EQ(log[1].b, b);
  // The active place (0, A) is empty: the first shown spectrum is looked for.
  EXPECT_EQ(log[2], (Msg{ctl_[2], SPTM_ISSPTDISPLAYED, 1, 0}));
  EXPECT_EQ(drm.GetActiveSptControlIndex(), 2);
  EXPECT_EQ(drm.GetActiveSptPlotIndex(), 1);
  EXPECT_EQ(drm.HaveMarker(2, 0), -1);
  EXPECT_EQ(drm.HaveMarker(2, 1), 1);

  drm.DeleteSpectrum(2, 1);
  log = Take();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], (Msg{owner_, kChangeB, 2, 1}));
  EXPECT_EQ(log[1], (Msg{ctl_[2], SPTM_NODATA, 0, 0}));
  EXPECT_EQ(drm.GetSpectraCount(), 0);

  // An empty place: nothing to say.
  drm.DeleteSpectrum(2, 1);
  EXPECT_TRUE(Take().empty());
}

TEST_F(ReviewManager, DeletingTheActiveSpectrumMovesTheActivePlace) {
  struct Case {
    const char* what;
    std::vector<std::pair<int16_t, int16_t>> places;  // spectra put in
    std::vector<std::pair<int16_t, int16_t>> hidden;  // held but not shown
    std::pair<int16_t, int16_t> active;               // deleted, and active before
    std::pair<int16_t, int16_t> expected;
  } cases[] = {
      {"other plot of the control", {{2, 0}, {2, 1}, {0, 0}}, {}, {2, 0}, {2, 1}},
      {"A after B", {{1, 0}, {1, 1}, {0, 1}}, {}, {1, 1}, {1, 0}},
      {"other plot hidden: first shown", {{2, 0}, {2, 1}, {1, 1}, {3, 0}}, {{2, 1}}, {2, 0}, {1, 1}},
      {"first in control order, A before B", {{3, 1}, {3, 0}, {2, 0}}, {}, {0, 1}, {2, 0}},
      {"nothing left", {{3, 1}}, {}, {3, 1}, {0, 0}},
      {"nothing shown", {{3, 1}, {1, 0}}, {{1, 0}}, {3, 1}, {0, 0}},
  };
  for (const Case& c : cases) {
    CDataReviewManager drm(nullptr, nullptr, 0);
    Attach(drm);
    g_ctls.clear();
    for (auto [ctl, plot] : c.places) drm.NewSpectrum(RefSpectrum(), ctl, plot, nullptr);
    for (auto [ctl, plot] : c.hidden) g_ctls[ctl_[ctl]].hidden[plot] = true;
    drm.SetActiveSptControlIndex(c.active.first);
    drm.SetActiveSptPlotIndex(c.active.second);
    drm.DeleteSpectrum(c.active.first, c.active.second);
    EXPECT_EQ(drm.GetActiveSptControlIndex(), c.expected.first) << c.what;
    EXPECT_EQ(drm.GetActiveSptPlotIndex(), c.expected.second) << c.what;
  }
}

TEST_F(ReviewManager, OutOfRangeActivePlaceIsResetBeforeTheSearch) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  drm.NewSpectrum(RefSpectrum(), 0, 0, nullptr);
  drm.SetActiveSptControlIndex(3);
  drm.SetActiveSptPlotIndex(1);
  drm.SetActiveSptControlIndex(7);
  drm.SetActiveSptPlotIndex(-1);
  EXPECT_EQ(drm.GetActiveSptControlIndex(), 3);
  EXPECT_EQ(drm.GetActiveSptPlotIndex(), 1);
  // Values outside the places written straight into the block are reset.
  drm.m_pBlock->activeControl = 7;
  drm.m_pBlock->activePlot = -1;
  drm.UpdateActiveSpectrumIndexes();
  EXPECT_EQ(drm.GetActiveSptControlIndex(), 0);
  EXPECT_EQ(drm.GetActiveSptPlotIndex(), 0);
  EXPECT_EQ(drm.HaveSpectrum(0, 0), 1);
  g_ctls[ctl_[0]].hidden[0] = true;
  EXPECT_EQ(drm.HaveSpectrum(0, 0), 0);
  EXPECT_EQ(drm.HaveSpectrum(0, 1), 0);  // empty place: the control is not asked
}

TEST_F(ReviewManager, FollowingNewSpectraMakesTheirPlaceActive) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  drm.NewSpectrum(RefSpectrum(), 3, 1, nullptr);
  EXPECT_EQ(drm.GetActiveSptControlIndex(), 0);
  drm.m_FollowNewSpectrum = 1;
  drm.NewSpectrum(RefSpectrum(), 2, 1, nullptr);
  EXPECT_EQ(drm.GetActiveSptControlIndex(), 2);
  EXPECT_EQ(drm.GetActiveSptPlotIndex(), 1);
  drm.NewSpectrum1(RefSpectrum(), 1);
  EXPECT_EQ(drm.GetActiveSptControlIndex(), 1);
  EXPECT_EQ(drm.GetActiveSptPlotIndex(), 0);
}

TEST_F(ReviewManager, MarkersAndTheirClearingOnThePlotControl) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  STRUCT_SPT_MARKER out{};
  EXPECT_EQ(drm.GetMarker(1, 1, &out), 0);
  const STRUCT_SPT_MARKER m = Marker(5, 321);
  drm.SetMarker(1, 1, &m);
  EXPECT_EQ(drm.HaveMarker(1, 1), 5);
  EXPECT_EQ(drm.GetChroPlotIndex(1, 1), 5);
  ASSERT_EQ(drm.GetMarker(1, 1, &out), 1);
  EXPECT_EQ(std::memcmp(&out, &m, sizeof m), 0);
  Take();
  drm.ClearMarker(1, 1);
  const std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], (Msg{plot_, OPM_CLEARMARKERINFO, 1, 1}));
  EXPECT_EQ(drm.HaveMarker(1, 1), -1);
  EXPECT_EQ(drm.GetMarker(1, 1, &out), 0);
  EXPECT_EQ(drm.GetChroPlotIndex(1, 1), 0);
}

TEST_F(ReviewManager, RedrawAttachesTheManagerToThePlotControlThenEachSpectrumControl) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  const LPARAM self = L(&drm);
  drm.SetupEx(owner_, ctl_[0], nullptr, ctl_[2], nullptr, plot_, kNewA, kChangeA, kNewB, kChangeB, 1);
  std::vector<Msg> expected = {{plot_, OPM_SETDATAREVIEWMANAGER, 1, self},
                               {ctl_[0], SPTM_SETDATAREVIEWMANAGER, 1, self},
                               {ctl_[2], SPTM_SETDATAREVIEWMANAGER, 1, self}};
  EXPECT_EQ(Take(), expected);

  // Attached: every change ends with a redraw.
  STRUCT_SPT_PLUS* spt = RefSpectrum();
  drm.NewSpectrum(spt, 2, 0, nullptr);
  std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0].msg, static_cast<UINT>(SPTM_SPTPLUSDATA));
  EXPECT_EQ(std::vector<Msg>(log.begin() + 1, log.begin() + 4), expected);
  EXPECT_EQ(log[4], (Msg{owner_, kNewA, 2, 0}));

  // The plot control removed: only the spectrum controls.
  drm.RemovePlotInfo();
  EXPECT_EQ(Take(), std::vector<Msg>(expected.begin() + 1, expected.end()));

  // The spectrum controls removed: each marker is cleared on the plot control, then it is redrawn.
  drm.SetPlotInfo(owner_, plot_);
  Take();
  drm.RemoveSptsInfo();
  log = Take();
  ASSERT_EQ(log.size(), 9u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(log[i], (Msg{plot_, OPM_CLEARMARKERINFO, WPARAM(i / 2), LPARAM(i % 2)}));
  EXPECT_EQ(log[8], expected[0]);
  // Detached: new spectra are kept without any message.
  drm.NewSpectrum(RefSpectrum(), 0, 1, nullptr);
  log = Take();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], expected[0]);
  EXPECT_EQ(drm.GetSpectraCount(), 2);
}

TEST_F(ReviewManager, SetupForOneControlLeavesTheOthersAlone) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  drm.Setup(owner_, ctl_[0], kNewA, kChangeA, kNewB, kChangeB);
  EXPECT_TRUE(Take().empty());
  drm.NewSpectrum(RefSpectrum(), 0, 1, nullptr);
  std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].hwnd, ctl_[0]);
  EXPECT_EQ(log[1], (Msg{owner_, kNewB, 0, 1}));
  // Control 1 is not set up: nothing happens, the spectrum stays the caller's.
  STRUCT_SPT_PLUS* notKept = RefSpectrum();
  drm.NewSpectrum(notKept, 1, 0, nullptr);
  PlusSpt_Free(notKept);
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(drm.GetSpectraCount(), 1);
}

TEST_F(ReviewManager, PreferencesGoToEveryOtherControlWithTheKeepFlag) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  STRUCT_SPTS_PREFS defaults{};
  KELT_GetCurrDefSptsPrefs(&defaults);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::memcmp(&drm.m_pBlock->sptsPrefs[i], &defaults, sizeof defaults), 0);

  STRUCT_SPTS_PREFS p = defaults;
  std::memset(&p.drawing, 0x5A, sizeof p.drawing);
  for (bool keep : {true, false}) {
    g_ctls.clear();
    g_ctls[ctl_[1]].local.flag = keep ? 1 : 0;
    for (int i : {0, 2}) {
      g_ctls[ctl_[i]].local.localWord = static_cast<int16_t>(40 + i);
      g_ctls[ctl_[i]].local.value = static_cast<int16_t>(70 + i);
    }
    g_ctls[ctl_[3]].refusePrefs = true;
    Take();
    drm.UpdateOtherSptsPrefs(&p, 1);
    const std::vector<Msg> log = Take();
    const UINT get = SPTM_GETLOCALPREFERENCES, set = SPTM_SETLOCALPREFERENCES;
    const std::vector<std::pair<HWND, UINT>> order = {{ctl_[1], get}, {ctl_[0], get}, {ctl_[0], set},
                                                      {ctl_[2], get}, {ctl_[2], set}, {ctl_[3], get}};
    ASSERT_EQ(log.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(log[i].hwnd, order[i].first) << i;
      EXPECT_EQ(log[i].msg, order[i].second) << i;
    }
    for (size_t i : {2u, 4u}) {
      const int ctl = i == 2 ? 0 : 2;
      EXPECT_EQ(log[i].w, 1u);
      EXPECT_EQ(std::memcmp(&log[i].prefs.prefs, &p, sizeof p), 0);
      EXPECT_EQ(int(log[i].prefs.flag), keep ? 1 : 0);
      EXPECT_EQ(int(log[i].prefs.localWord), 40 + ctl);  // the control's own settings go back unchanged
      EXPECT_EQ(int(log[i].prefs.value), 70 + ctl);
    }
  }
  for (int i : {0, 2, 3}) EXPECT_EQ(std::memcmp(&drm.m_pBlock->sptsPrefs[i], &p, sizeof p), 0) << i;
  EXPECT_EQ(std::memcmp(&drm.m_pBlock->sptsPrefs[1], &defaults, sizeof p), 0);

  drm.SetSptsPrefs(&p, 1);
  EXPECT_EQ(std::memcmp(&drm.m_pBlock->sptsPrefs[1], &p, sizeof p), 0);
}

TEST_F(ReviewManager, ReplaceStoresACopyWithoutMessages) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  drm.NewSpectrum(RefSpectrum(), 1, 0, nullptr);
  Take();
  // As the spectrum control does it: it shows a record of its own, then
  // hands the manager a copy in place of the one it showed.
  STRUCT_SPT_PLUS* mine = MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5);
  g_ctls[ctl_[1]].shown[0] = mine;
  drm.ReplaceSpectrum(mine, 1, 0);
  EXPECT_TRUE(Take().empty());
  STRUCT_SPT_PLUS* kept = drm.GetSpectrum(1, 0);
  ASSERT_NE(kept, nullptr);
  EXPECT_NE(kept, mine);
  EXPECT_EQ(int(kept->serialNumber), int(mine->serialNumber));
  EXPECT_EQ(spttest::Pairs(kept), spttest::Pairs(mine));
  g_ctls[ctl_[1]].shown[0] = nullptr;
  PlusSpt_Free(mine);
}

TEST_F(ReviewManager, SpectraUpdateAndTheControlsOwnPointers) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  STRUCT_SPT_PLUS* a = RefSpectrum();
  STRUCT_SPT_PLUS* b = RefSpectrum();
  drm.NewSpectrum(a, 0, 0, nullptr);
  drm.NewSpectrum(b, 3, 1, nullptr);
  Take();
  drm.UpdateSpectraControls();
  std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].hwnd, ctl_[0]);
  EXPECT_EQ(log[0].a, a);
  EXPECT_EQ(log[1].hwnd, ctl_[3]);
  EXPECT_EQ(log[1].b, b);
  EXPECT_EQ(log[1].a, nullptr);

  EXPECT_EQ(drm.GetSpectrumFromCtrl(3, 1), b);
  EXPECT_EQ(KELT_DRM_GetSpectrumFromCtrl(&drm, 0, 0), a);
  EXPECT_EQ(KELT_DRM_GetSpectrumFromCtrl(&drm, 0, 5), nullptr);
  EXPECT_EQ(KELT_DRM_GetSpectrumFromCtrl(nullptr, 0, 0), nullptr);
  EXPECT_EQ(KELT_DRM_GetSpectraCount(&drm), 2);
  EXPECT_EQ(KELT_DRM_GetSpectraCount(nullptr), 0);
  KELT_DRM_NewSpectrum(&drm, RefSpectrum(), 2, 0, nullptr);
  EXPECT_EQ(KELT_DRM_GetSpectraCount(&drm), 3);
  STRUCT_SPT_PLUS* notKept = RefSpectrum();
  KELT_DRM_NewSpectrum(nullptr, notKept, 2, 0, nullptr);  // nothing happens: still the caller's
  PlusSpt_Free(notKept);

  // A control whose window is gone is not told.
  DestroyWindow(ctl_[3]);
  Take();
  drm.UpdateSpectraControls();
  log = Take();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].hwnd, ctl_[0]);
  EXPECT_EQ(log[1].hwnd, ctl_[2]);
}

TEST_F(ReviewManager, AGoneOwnerIsNotMessaged) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  drm.NewSpectrum(RefSpectrum(), 0, 0, nullptr);
  DestroyWindow(owner_);
  Take();
  drm.NewSpectrum(RefSpectrum(), 0, 0, nullptr);
  drm.DeleteSpectrum(0, 0);
  const std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].msg, static_cast<UINT>(SPTM_SPTPLUSDATA));
  EXPECT_EQ(log[1].msg, static_cast<UINT>(SPTM_NODATA));
}

TEST_F(ReviewManager, ASpectrumFromADialogGoesToTheOwner) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  STRUCT_SPT_PLUS* spt = RefSpectrum();
  const STRUCT_SPT_MARKER m = Marker(1, 10);
  drm.m_SptMgrB[2].NewSptFromDialog(spt, &m);
  std::vector<Msg> log = Take();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], (Msg{owner_, kNewB, 0, L(spt)}));
  EXPECT_EQ(drm.GetSpectraCount(), 0);
  PlusSpt_Free(spt);  // the owner's now

  // Without an owner message the place takes it.
  drm.m_SptMgrB[2].m_NewSptMessage = 0;
  spt = RefSpectrum();
  drm.m_SptMgrB[2].NewSptFromDialog(spt, &m);
  EXPECT_EQ(drm.GetSpectrum(2, 1), spt);
  EXPECT_EQ(drm.HaveMarker(2, 1), 1);
}

TEST_F(ReviewManager, IndexesOutsideThePlacesAreRefused) {
  CDataReviewManager drm(nullptr, nullptr, 0);
  Attach(drm);
  const STRUCT_SPT_MARKER m = Marker(1, 10);
  STRUCT_SPT_MARKER out{};
  for (int16_t control : {int16_t(-1), int16_t(4), int16_t(300)}) {
    STRUCT_SPT_PLUS* refused = RefSpectrum();
    drm.NewSpectrum(refused, control, 0, &m);  // not taken: the caller still owns it
    PlusSpt_Free(refused);                      // a double free here would show under the sanitizer
    drm.ReplaceSpectrum(drm.GetSpectrum(0, 0), control, 0);
    drm.DeleteSpectrum(control, 1);
    drm.SetMarker(control, 0, &m);
    drm.ClearMarker(control, 0);
    EXPECT_EQ(drm.HaveMarker(control, 0), -1);
    EXPECT_EQ(drm.GetMarker(control, 0, &out), 0);
    EXPECT_EQ(drm.GetSpectrum(control, 0), nullptr);
    EXPECT_EQ(drm.HaveSpectrum(control, 0), 0);
    EXPECT_EQ(drm.GetSpectrumFromCtrl(control, 0), nullptr);
    drm.SetSptsPrefs(&drm.m_pBlock->sptsPrefs[0], control);
    drm.UpdateOtherSptsPrefs(&drm.m_pBlock->sptsPrefs[0], control);
  }
  for (int16_t plot : {int16_t(-1), int16_t(2)}) {
    drm.SetMarker(1, plot, &m);
    EXPECT_EQ(drm.HaveMarker(1, plot), -1);
    EXPECT_EQ(drm.GetSpectrum(1, plot), nullptr);
  }
  EXPECT_EQ(drm.GetSpectraCount(), 0);
  // A non-zero plot index names spectrum B.
  drm.NewSpectrum(RefSpectrum(), 1, 7, nullptr);
  EXPECT_NE(drm.GetSpectrum(1, 1), nullptr);
  EXPECT_EQ(drm.GetSpectraCount(), 1);
}

TEST_F(ReviewManager, TheDestructorLetsTheControlsGoAndFreesTheSpectra) {
  uint32_t handleA = CreateSearchGroupHandleA(), handleB = CreateSearchGroupHandleB();
  {
    CDataReviewManager drm(nullptr, nullptr, 0);
    Attach(drm);
    drm.m_pBlock->searchHandleA = handleA;
    drm.m_pBlock->searchHandleB = handleB;
    drm.NewSpectrum(MsSpectrum("C:\\Data\\RUN1.KMS", 120, 5.5), 0, 0, nullptr);
    drm.NewSpectrum(RefSpectrum(), 0, 1, nullptr);
    drm.NewSpectrum(RefSpectrum(), 3, 1, nullptr);
    Take();
  }
  const std::vector<Msg> log = Take();
  std::vector<Msg> expected = {{ctl_[0], SPTM_NODATA, 0, 0}, {ctl_[3], SPTM_NODATA, 0, 0}};
  EXPECT_EQ(log, expected);
  // The search handles went with the block.
  EXPECT_FALSE(ReleaseSearchGroupHandleA(handleA));
  EXPECT_FALSE(ReleaseSearchGroupHandleB(handleB));
}

TEST_F(ReviewManager, SearchGroupFreeReleasesOnlyTheHandlesItHolds) {
  SearchGroup_Free(nullptr);
  auto* block = static_cast<STRUCT_SEARCH_GROUP*>(AllocBlock(sizeof(STRUCT_SEARCH_GROUP)));
  const uint32_t b = CreateSearchGroupHandleB();
  block->searchHandleB = b;
  SearchGroup_Free(block);
  EXPECT_FALSE(ReleaseSearchGroupHandleB(b));
}

class ActiveMspFile : public ReviewManager {
 protected:
  std::string Stored() {
    char path[DRM_MSP_PATH_SIZE] = {};
    if (!GetPrivateProfileStructA("GroupActiveMSP", "Params", path, sizeof path, kelt::lib::PreferencesIniPath()))
      return "<none>";
    return path;
  }
  void Store(const std::string& path) {
    char record[DRM_MSP_PATH_SIZE] = {};
    std::strncpy(record, path.c_str(), sizeof record - 1);
    ASSERT_TRUE(
        WritePrivateProfileStructA("GroupActiveMSP", "Params", record, sizeof record, kelt::lib::PreferencesIniPath()));
  }
  static constexpr const char* kList = "Name: Benzene\r\nNum Peaks: 2\r\n77 142; 78 999\r\n";
};

TEST_F(ActiveMspFile, ReadAtConstructionWrittenAtDestruction) {
  WriteHostFile("c/Lib/main.msp", kList);
  WriteHostFile("c/Lib/other.msp", kList);
  Store("C:\\Lib\\main.msp");
  {
    CDataReviewManager drm(nullptr, nullptr, 1);
    char path[DRM_MSP_PATH_SIZE] = {};
    ASSERT_EQ(drm.GetActiveMSPFile(path), 1);
    EXPECT_STREQ(path, "C:\\Lib\\main.msp");
    drm.SetActiveMSPFile("C:\\Lib\\other.msp");
  }
  EXPECT_EQ(Stored(), "C:\\Lib\\other.msp");
  // The whole 260-byte record, as hexadecimal text with its checksum byte.
  const std::string value = "Params=433A5C4C69625C6F746865722E6D7370" + std::string(2 * (260 - 16), '0') + "EC";
  std::string ini;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root_))
    if (e.path().filename() == "tolview3.ini") ini = ReadHostPath(e.path().string());
  EXPECT_NE(ini.find("[GroupActiveMSP]\r\n" + value + "\r\n"), std::string::npos) << ini;

  // Without the list profile nothing is read or written.
  {
    CDataReviewManager drm(nullptr, nullptr, 0);
    char path[DRM_MSP_PATH_SIZE] = {};
    EXPECT_EQ(drm.GetActiveMSPFile(path), 0);
    drm.SetActiveMSPFile("C:\\Lib\\main.msp");
  }
  EXPECT_EQ(Stored(), "C:\\Lib\\other.msp");
}

TEST_F(ActiveMspFile, AFileThatIsNoListOrIsGoneIsForgotten) {
  WriteHostFile("c/Lib/notes.msp", "just some notes\r\n");
  Store("C:\\Lib\\notes.msp");
  {
    CDataReviewManager drm(nullptr, nullptr, 1);
    char path[DRM_MSP_PATH_SIZE] = {};
    EXPECT_EQ(drm.GetActiveMSPFile(path), 0);
    EXPECT_EQ(drm.m_pBlock->activeMSPFile[0], 0);

    WriteHostFile("c/Lib/main.msp", kList);
    drm.SetActiveMSPFile("C:\\Lib\\main.msp");
    ASSERT_EQ(drm.GetActiveMSPFile(path), 1);
    std::filesystem::remove(Host("c/Lib/main.msp"));
    EXPECT_EQ(drm.GetActiveMSPFile(path), 0);
    EXPECT_EQ(drm.m_pBlock->activeMSPFile[0], 0);
  }
  EXPECT_EQ(Stored(), "");

  // A damaged value (another length) is refused and leaves the path empty.
  WritePrivateProfileStringA("GroupActiveMSP", "Params", "4142", kelt::lib::PreferencesIniPath());
  CDataReviewManager drm(nullptr, nullptr, 1);
  EXPECT_EQ(drm.m_pBlock->activeMSPFile[0], 0);
}

}  // namespace
