// The reference-spectra control driven as a user drives it: a run put in a
// slot by message, reference spectra added, moved and deleted with the
// mouse, the correction saved with its audit entries (also when killed part
// way), the active-plot buttons and the one-plot report.
#include "specialctl/ref_spectra_control.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "common/tests/kelt_test_root.h"
#include "fixtures/msfixtures.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_messages.h"
#include "specialctl/tests/host_window.h"
#include "win/win_faults.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

constexpr char kRun[] = "C:\\Data\\BCRUN.KMS";
constexpr char kBlank[] = "C:\\Data\\BLANK.KMS";

class RefSptsControlTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\Data", nullptr);
    msfix::RunPlan plan;
    ASSERT_TRUE(msfix::WriteMsDataFile(kRun, plan, &truth));
    plan.seed = 5;
    ASSERT_TRUE(msfix::WriteMsDataFile(kBlank, plan, nullptr));
    host = std::make_unique<HostWindow>();
    w = CreateWindowExA(0, "KELT_OP1", "", WS_CHILD | WS_VISIBLE, 0, 0, 700, 420, host->hwnd,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(9)), nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    SendMessageA(w, OPM_SHOWTOOLBAR, 0, 0);
    c = static_cast<CCtlOPlot1*>(static_cast<CCtlOPlot*>(GetPropA(w, "X")));
    ASSERT_NE(c, nullptr);
  }
  void TearDown() override {
    if (IsWindow(w)) DestroyWindow(w);
    host.reset();
    win::script::PumpUntilIdle();
    KeltRootTest::TearDown();
  }
  LRESULT SetFile(const char* path, int16_t slot) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.slot = slot;
    std::strcpy(r.path, path);
    r.plotKind = 0;  // TIC
    const LRESULT used = SendMessageA(w, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
    win::script::PumpUntilIdle();
    return used;
  }
  // A point on slot 0's band at a time.
  POINT At(double time, int slot = 0) const {
    int x = 0;
    EXPECT_TRUE(c->ClientXOfTime(time, &x));
    int top = c->GetPlotArea().top;
    for (int i = 0; i < slot; ++i)
      if (c->m_Sizes.plotShown[i]) top += c->m_Sizes.plotHeights[i];
    return {x, top + c->m_Sizes.plotHeights[slot] / 2};
  }
  static size_t StoredRanges(const char* path = kRun) {
    STRUCT_FILE_BC* bc = BuildBackCorrFromRefSpts(path);
    const size_t n = bc ? size_t(CountBackCorrRanges(bc)) : 0;
    FreeBackCorr(bc);
    return n;
  }
  static std::string AuditText(const char* path = kRun) {
    HSECTION s = OpenSectionReadOnly(path, AUDIT_TRAIL_SECTION, nullptr);
    if (!s) return "";
    std::string text(GetSectionSize(s), '\0');
    ReadSection(s, text.data(), uint32_t(text.size()));
    CloseSection(s);
    return text;
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  void SecurityOn() { WritePrivateProfileStringA("Security", "Enabled", "1", GetWorkstationIniPath()); }
  double SegmentTime(double share) const {
    const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
    return wf->startTime + share * (wf->endTime - wf->startTime);
  }

  msfix::RunTruth truth;
  std::unique_ptr<HostWindow> host;
  HWND w = nullptr;
  CCtlOPlot1* c = nullptr;
};

TEST_F(RefSptsControlTest, ClicksAddMoveAndDeleteSpectraAndEachChangeIsSaved) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_NE(c->RefSpts(0), nullptr);
  ASSERT_TRUE(c->m_bSizesValid);
  SendMessageA(w, OP1M_SETSELECTREFMODE, 0, 0);
  win::script::Click(w, At(SegmentTime(0.2)).x, At(SegmentTime(0.2)).y);
  win::script::Click(w, At(SegmentTime(0.7)).x, At(SegmentTime(0.7)).y);
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->RefSpts(0)->Count(), 2);
  EXPECT_EQ(StoredRanges(), 2u);
  // Drag the first marker to a later time.
  const double before = c->RefSpts(0)->Spectrum(0)->time;
  const POINT from = At(before);
  const POINT to = At(SegmentTime(0.4));
  win::script::Drag(w, from, to);
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->RefSpts(0)->Count(), 2);
  EXPECT_NEAR(c->RefSpts(0)->Spectrum(0)->time, SegmentTime(0.4), 0.05);
  STRUCT_FILE_BC* stored = BuildBackCorrFromRefSpts(kRun);
  ASSERT_NE(stored, nullptr);
  STRUCT_FILE_BC_ENTRY e;
  ASSERT_TRUE(GetBackCorrRange(stored, 0, &e));
  EXPECT_EQ(e.firstScan, +c->RefSpts(0)->Spectrum(0)->firstScan);
  FreeBackCorr(stored);
  // Delete mode: each click takes the nearest; the last one brings select mode back.
  SendMessageA(w, OP1M_SETDELETEREFMODE, 0, 0);
  win::script::Click(w, At(c->RefSpts(0)->Spectrum(1)->time).x, At(0).y);
  EXPECT_EQ(c->RefSpts(0)->Count(), 1);
  EXPECT_EQ(c->m_deleteRefMode, 1);
  win::script::Click(w, At(c->RefSpts(0)->Spectrum(0)->time).x, At(0).y);
  EXPECT_EQ(c->RefSpts(0)->Count(), 0);
  EXPECT_EQ(c->m_selectRefMode, 1);
  EXPECT_EQ(c->m_deleteRefMode, 0);
}

TEST_F(RefSptsControlTest, NearestSpectrumNeedsTimeAndPixelsAndNoneForKindsWithout) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  CRefSpts* set = c->RefSpts(0);
  ASSERT_GE(set->AddSpt(SegmentTime(0.3), 1, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  const double t = set->Spectrum(0)->time;
  EXPECT_EQ(c->GetClosestRefSptForPlot(t, 0), 0);
  const double span = c->m_pOverlay->tail.viewEnd - c->m_pOverlay->tail.viewStart;
  const double perPixel = span / c->m_Sizes.plotWidth;
  EXPECT_EQ(c->GetClosestRefSptForPlot(t + 3 * perPixel, 0), 0);
  EXPECT_EQ(c->GetClosestRefSptForPlot(t + 20 * perPixel, 0), -1);
  c->m_controlKind = 3;
  EXPECT_EQ(c->GetClosestRefSptForPlot(t, 0), -1);
  c->m_controlKind = 1;
}

TEST_F(RefSptsControlTest, TheFirstSaveOfAFileIsAuditedOnceWithSecurityOn) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  SecurityOn();
  SendMessageA(w, OP1M_SETSELECTREFMODE, 0, 0);
  win::script::Click(w, At(SegmentTime(0.2)).x, At(0).y);
  win::script::Click(w, At(SegmentTime(0.6)).x, At(0).y);
  const std::string audit = AuditText();
  EXPECT_EQ(Count(audit, "Created Run Audit Trail"), 1);
  EXPECT_EQ(Count(audit, "Background Correction changed on "), 1);
  EXPECT_EQ(Count(audit, "    Comment: "), 1);
  EXPECT_EQ(Count(audit, "    Reason: "), 1);
  EXPECT_EQ(StoredRanges(), 2u);
}

TEST_F(RefSptsControlTest, AKilledSaveKeepsTheCorrectionAndItsAuditTogether) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  SecurityOn();
  CRefSpts* set = c->RefSpts(0);
  ASSERT_GE(set->AddSpt(SegmentTime(0.2), 1, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  ASSERT_GE(set->AddSpt(SegmentTime(0.5), 3, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  win::faults::Plan(0, 0);
  const pid_t probe = fork();
  ASSERT_GE(probe, 0);
  if (probe == 0) {
    win::faults::Plan(0, 0);
    c->OnSaveRefSptsInDataFile();
    _exit(int(std::min<int64_t>(win::faults::CountsSoFar().fileCalls, 250)));
  }
  int status = 0;
  waitpid(probe, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  const int calls = WEXITSTATUS(status);
  ASSERT_GT(calls, 0);
  // The probe saved; the loop starts from a file with neither.
  ASSERT_EQ(StoredRanges(), 2u);
  ASSERT_TRUE(DeleteSection(kRun, BACKCORR_SECTION));
  ASSERT_TRUE(DeleteSection(kRun, AUDIT_TRAIL_SECTION));
  bool sawNew = false;
  for (int k = 1; k <= calls + 1; ++k) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      win::faults::Plan(k, 0);
      c->OnSaveRefSptsInDataFile();
      _exit(0);
    }
    waitpid(pid, &status, 0);
    const size_t n = StoredRanges();
    const int entries = Count(AuditText(), "Background Correction changed on ");
    ASSERT_TRUE((n == 0 && entries == 0) || (n == 2 && entries == 1))
        << "killed at file call " << k << ": " << n << " ranges, " << entries << " audit entries";
    if (n == 2) {
      sawNew = true;
      // Back to a file without either.
      ASSERT_TRUE(DeleteSection(kRun, BACKCORR_SECTION));
      ASSERT_TRUE(DeleteSection(kRun, AUDIT_TRAIL_SECTION));
    }
  }
  EXPECT_TRUE(sawNew);
}

TEST_F(RefSptsControlTest, ButtonsChooseTheActivePlotAndTellTheHost) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  ASSERT_EQ(c->m_pOverlay->head.displayMode, OVERLAY_MODE_STACKED);
  EXPECT_EQ(c->m_activePlot, 0);
  HostWindow::Commands().clear();
  // The button of plot 2 sits at the left edge, centred on its band.
  const POINT p = At(SegmentTime(0.5), 1);
  win::script::Click(w, c->m_plotLeft + 4, p.y);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_activePlot, 1);
  bool told = false;
  for (const HostCommand& h : HostWindow::Commands()) told = told || h.code == OP1N_ACTIVE_PLOT_CHANGED;
  EXPECT_TRUE(told);
  int16_t reported = -1;
  EXPECT_EQ(SendMessageA(w, OP1M_GETACTIVEINDEX, 0, reinterpret_cast<LPARAM>(&reported)), 1);
  EXPECT_EQ(reported, 1);
}

TEST_F(RefSptsControlTest, HostInputOutsideItsRangesIsRefused) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  EXPECT_EQ(SendMessageA(w, OP1M_DISPLAYCLEARFILE, 20, 0), 0);
  EXPECT_EQ(SendMessageA(w, OP1M_DISPLAYCLEARFILE, WPARAM(-1), 0), 0);
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.slot = 25;
  std::strcpy(r.path, kRun);
  EXPECT_EQ(SendMessageA(w, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 0);
  // Baseline results: added one by one, all cleared by a zero WPARAM.
  STRUCT_OPLOT_BASELINE_RESULT b{};
  SendMessageA(w, OP1M_SHOWBASELINERESULT, 1, reinterpret_cast<LPARAM>(&b));
  SendMessageA(w, OP1M_SHOWBASELINERESULT, 1, reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(c->m_baselineCount, 2);
  SendMessageA(w, OP1M_SHOWBASELINERESULT, 0, reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(c->m_baselineCount, 0);
}

TEST_F(RefSptsControlTest, OnePlotReportStoresAPage) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  CRefSpts* set = c->RefSpts(0);
  ASSERT_GE(set->AddSpt(SegmentTime(0.3), 1, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  char path[MAX_PATH] = {};
  ASSERT_EQ(c->PrintOnePlotToReportsFile(0, path, 1), 1);
  EXPECT_NE(path[0], 0);
  // The control's own overlay is untouched by the printing.
  EXPECT_EQ(c->m_pOverlay->head.shownCount, 2);
  EXPECT_EQ(c->PrintOnePlotToReportsFile(7, path, 1), 0);
}

}  // namespace
