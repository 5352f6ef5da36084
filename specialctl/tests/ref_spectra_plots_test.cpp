// The reference-spectra control's plots as a whole: put into a new order
// with everything that belongs to them, chosen anew from a selection,
// printed one at a time, deleted and shown by its own notifications, and
// edited through the background-correction tool opened over it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "common/mass_lists.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/background_correction_dialog.h"
#include "fixtures/msfixtures.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "common/preference_records.h"
#include "reportpages/reports_file.h"
#include "overlayctl/overlay_messages.h"
#include "specialctl/ref_spectra_control.h"
#include "specialctl/tests/host_window.h"
#include "testing/golden_window.h"
#include "plotengine/plot_coordinates.h"
#include "spectra/spectrum_managers.h"
#include "spectra/tol_spectra.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

constexpr char kRun[] = "C:\\Data\\PLOTRUN.KMS";
constexpr char kBlank[] = "C:\\Data\\PLOTBLNK.KMS";
constexpr char kLate[] = "C:\\Data\\PLOTLATE.KMS";

class RefSptsPlotsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\Data", nullptr);
    msfix::RunPlan plan;
    ASSERT_TRUE(msfix::WriteMsDataFile(kRun, plan, nullptr));
    plan.seed = 5;
    ASSERT_TRUE(msfix::WriteMsDataFile(kBlank, plan, nullptr));
    host = std::make_unique<HostWindow>();
    MoveWindow(host->hwnd, 0, 0, 720, 460, TRUE);
    w = CreateWindowExA(0, "KELT_OP1", "", WS_CHILD | WS_VISIBLE, 0, 0, 700, 420, host->hwnd,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(9)), nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    c = static_cast<CCtlOPlot1*>(static_cast<CCtlOPlot*>(GetPropA(w, "X")));
    ASSERT_NE(c, nullptr);
  }
  void TearDown() override {
    if (IsWindow(w)) DestroyWindow(w);
    host.reset();
    ws::PumpUntilIdle();
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  LRESULT SetFile(const char* path, int16_t slot, int16_t kind = 0) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.slot = slot;
    std::strcpy(r.path, path);
    r.plotKind = kind;
    const LRESULT used = SendMessageA(w, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
    ws::PumpUntilIdle();
    return used;
  }
  std::string SlotPath(int slot) const {
    const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[slot].workFile;
    return wf ? wf->filePath : "";
  }
  double Share(double share, int slot = 0) const {
    const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[slot].workFile;
    return wf->startTime + share * (wf->endTime - wf->startTime);
  }
  POINT At(double time, int slot = 0) const {
    int x = 0;
    EXPECT_TRUE(c->ClientXOfTime(time, &x));
    int top = c->GetPlotArea().top;
    for (int i = 0; i < slot; ++i)
      if (c->m_Sizes.plotShown[i]) top += c->m_Sizes.plotHeights[i];
    return {x, top + c->m_Sizes.plotHeights[slot] / 2};
  }
  LRESULT Exchange(std::initializer_list<short> head) {
    short order[OPLOT_SLOTS];
    for (int i = 0; i < OPLOT_SLOTS; ++i) order[i] = static_cast<short>(i);
    int i = 0;
    for (short v : head) order[i++] = v;
    const LRESULT r = SendMessageA(w, OP1M_EXCHANGEPLOTS, 0, reinterpret_cast<LPARAM>(order));
    ws::PumpUntilIdle();
    return r;
  }
  static size_t StoredRanges(const char* path) {
    STRUCT_FILE_BC* bc = BuildBackCorrFromRefSpts(path);
    const size_t n = bc ? size_t(CountBackCorrRanges(bc)) : 0;
    FreeBackCorr(bc);
    return n;
  }

  std::unique_ptr<HostWindow> host;
  HWND w = nullptr;
  CCtlOPlot1* c = nullptr;
};

TEST_F(RefSptsPlotsTest, ExchangedPlotsTakeTheirSpectraColoursLabelsAndActivePlotAlong) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  CRefSpts* runSet = c->RefSpts(0);
  ASSERT_GE(runSet->AddSpt(Share(0.3), 3, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  const COLORREF colour0 = c->m_prefs.colors.colors[CHRO_COLOR_PLOT0], colour1 = c->m_prefs.colors.colors[CHRO_COLOR_PLOT0 + 1];
  ASSERT_NE(colour0, colour1);
  STRUCT_OPLOT_ADD_LABEL label{};
  label.slot = 0;
  label.time = Share(0.5);
  std::strcpy(label.text, "first run");
  SendMessageA(w, OPM_ADDPLOTLABEL, 0, reinterpret_cast<LPARAM>(&label));
  STRUCT_OPLOT_BASELINE_RESULT baseline{};
  baseline.slot = 1;
  SendMessageA(w, OP1M_SHOWBASELINERESULT, 1, reinterpret_cast<LPARAM>(&baseline));
  ASSERT_EQ(c->m_activePlot, 0);
  STRUCT_WORK_FILE* const runFile = c->m_pOverlay->slots[0].workFile;

  // The identity order changes nothing.
  ASSERT_EQ(Exchange({}), 0);
  EXPECT_EQ(SlotPath(0), kRun);
  EXPECT_EQ(c->RefSpts(0), runSet);

  ASSERT_EQ(Exchange({1, 0}), 0);
  EXPECT_EQ(SlotPath(0), kBlank);
  EXPECT_EQ(SlotPath(1), kRun);
  EXPECT_EQ(+c->m_pOverlay->slots[1].workFile, runFile);  // moved, not reopened
  EXPECT_EQ(c->RefSpts(1), runSet);
  ASSERT_NE(runSet->WorkFile(), nullptr);
  EXPECT_STREQ(runSet->WorkFile()->filePath, kRun);
  EXPECT_EQ(runSet->Count(), 1);
  EXPECT_EQ(+c->m_prefs.colors.colors[CHRO_COLOR_PLOT0], colour1);
  EXPECT_EQ(+c->m_prefs.colors.colors[CHRO_COLOR_PLOT0 + 1], colour0);
  EXPECT_EQ(c->m_activePlot, 1);
  EXPECT_EQ(+c->m_pBaselines[0].slot, 0);
  ASSERT_NE(c->m_pLabels, nullptr);
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  EXPECT_EQ(c->m_pLabels->Label(0)->m_plot, 1);
}

TEST_F(RefSptsPlotsTest, QuickIntegrationDialogsAndAGrowingFileFollowTheirPlots) {
  // Quick integration is offered for raw runs.
  constexpr char kRaw[] = "C:\\Data\\PLOTRAW.MS";
  msfix::RunPlan plan;
  plan.seed = 31;
  ASSERT_TRUE(msfix::WriteRawMsFile(kRaw, plan, nullptr));
  ASSERT_EQ(SetFile(kRaw, 0), 1);
  STRUCT_OPLOT_DISPLAY_FILE growing{};
  growing.slot = 1;
  growing.acquiring = 1;
  growing.expectedEndTime = 20.0;
  std::strcpy(growing.path, kBlank);
  ASSERT_EQ(SendMessageA(w, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&growing)), 2);
  ws::PumpUntilIdle();
  ASSERT_TRUE(KillTimer(w, 1));  // the file is followed; stopped here to see it start again
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOG, 0, 0);
  ws::PumpUntilIdle();
  auto* dialog = static_cast<CWnd*>(c->m_pQuickInt[0]);
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(Exchange({1, 0}), 0);
  EXPECT_EQ(c->m_pQuickInt[0], nullptr);
  EXPECT_EQ(c->m_pQuickInt[1], dialog);
  EXPECT_EQ(ws::Text(dialog->m_hWnd).rfind("Plot 2, ", 0), 0u) << ws::Text(dialog->m_hWnd);
  EXPECT_EQ(SlotPath(0), kBlank);
  EXPECT_TRUE(KillTimer(w, 1));  // the refresh timer runs again for the moved file
}

TEST_F(RefSptsPlotsTest, HostCommandsChooseTheDisplayTheDragAndIntegrateOnlyWithAnActivePlot) {
  constexpr char kRaw[] = "C:\\Data\\PLOTRAW2.MS";
  msfix::RunPlan plan;
  plan.seed = 37;
  ASSERT_TRUE(msfix::WriteRawMsFile(kRaw, plan, nullptr));
  // Without plots the integrate commands have nothing to act on.
  SendMessageA(w, WM_COMMAND, OP1_CMD_RT_INTEGRATE_ACTIVE, 0);
  ws::PumpUntilIdle();
  for (void* d : c->m_pQuickInt) EXPECT_EQ(d, nullptr);

  ASSERT_EQ(SetFile(kRaw, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  struct Mode {
    UINT command;
    int16_t displayMode;
  } modes[] = {{OP1_CMD_RT_OVERLAID, OVERLAY_MODE_OVERLAID},
               {OP1_CMD_RT_NORMALIZED, OVERLAY_MODE_NORMALISED},
               {OP1_CMD_RT_STACKED, OVERLAY_MODE_STACKED}};
  for (const Mode& m : modes) {
    SendMessageA(w, WM_COMMAND, m.command, 0);
    ws::PumpUntilIdle();
    EXPECT_EQ(+c->m_pOverlay->head.displayMode, m.displayMode) << m.command;
  }
  SendMessageA(w, WM_COMMAND, OP1_CMD_RT_INTEGRATE_AREA, 0);
  EXPECT_EQ(+c->m_clickDragMode, OPLOT_DRAG_INTEGRATE);
  SendMessageA(w, WM_COMMAND, OP1_CMD_RT_ZOOM, 0);
  EXPECT_EQ(+c->m_clickDragMode, OPLOT_DRAG_ZOOM);

  // Stacked: the marker state must name the active plot itself.
  const int16_t saved = c->m_markerState;
  c->m_markerState = 1;
  SendMessageA(w, WM_COMMAND, OP1_CMD_RT_INTEGRATE_ACTIVE, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(c->m_pQuickInt[c->m_activePlot], nullptr);
  c->m_markerState = saved;
  ASSERT_EQ(c->m_activePlot, 0);
  ASSERT_EQ(c->m_markerState, 0);
  SendMessageA(w, WM_COMMAND, OP1_CMD_RT_INTEGRATE_ACTIVE, 0);
  ws::PumpUntilIdle();
  EXPECT_NE(c->m_pQuickInt[0], nullptr);
}

TEST_F(RefSptsPlotsTest, ExchangedPlotsAreDrawnWithTheirOwnColoursAndMarks) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  for (double share : {0.15, 0.45, 0.8})
    ASSERT_GE(c->RefSpts(0)->AddSpt(Share(share), 3, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  SendMessageA(w, OP1M_SHOWREFSPTS, 1, 0);
  ASSERT_EQ(Exchange({1, 0}), 0);
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);
  ws::PumpUntilIdle();
  testing_support::ExpectWindowAsStored(w, SPECIALCTL_GOLDEN_DIR, "exchanged-plots.png");
}

TEST_F(RefSptsPlotsTest, MovedPlotLinesGoBackToTheirOwnPlaces) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  STRUCT_OPLOT_TIME_VALUE_OFFSET moved{1, 0.4, 25000.0};
  c->m_offset = moved;
  c->m_offsetPending = 1;
  PostMessageA(w, OPM_NOTIFICATIONSTOSELF, 4, 0);
  ws::PumpUntilIdle();
  ASSERT_EQ(+c->m_pOverlay->tail.timeOffsetsOn, 1);
  ASSERT_EQ(+c->m_pOverlay->tail.timeOffsets[1], 0.4);
  EXPECT_EQ(SendMessageA(w, OP1M_RESTOREALLPLOTPOSITIONS, 0, 0), 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(+c->m_pOverlay->tail.timeOffsetsOn, 0);
  EXPECT_EQ(+c->m_pOverlay->tail.verticalOffsetsOn, 0);
  EXPECT_EQ(+c->m_pOverlay->tail.timeOffsets[1], 0.0);
  EXPECT_EQ(+c->m_pOverlay->tail.verticalOffsets[1], 0.0);
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 2);
}

TEST_F(RefSptsPlotsTest, AnOrderNamingNoSlotIsRefusedWhole) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  for (short bad : {short(-1), short(20), short(300)}) {
    EXPECT_EQ(Exchange({1, 0, bad}), 0);
    EXPECT_EQ(SlotPath(0), kRun) << bad;
    EXPECT_EQ(SlotPath(1), kBlank) << bad;
  }
  EXPECT_EQ(SendMessageA(w, OP1M_EXCHANGEPLOTS, 0, 0), 0);
}

TEST_F(RefSptsPlotsTest, TheToolDialogDrivesTheControlAndFollowsItsPlot) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  SendMessageA(w, WM_COMMAND, OP1_CMD_EDIT_REFSPTS0, 0);
  CBackgroundCorrectionDlg* dlg = c->BackCorrDialog();
  ASSERT_NE(dlg, nullptr);
  HWND d = dlg->m_hWnd;
  EXPECT_EQ(ws::Text(d), "Background Correction for Plot 1");
  EXPECT_EQ(c->m_selectRefMode, 1);
  EXPECT_EQ(c->m_showBCMarkers, 1);

  // Averaging, then a click on the plot adds a spectrum of that many scans, saved at once.
  ws::PressButton(d, BC_AVERAGE_1 + 2);
  EXPECT_EQ(c->m_refSptAverage, 5);
  ws::Click(w, At(Share(0.4)).x, At(Share(0.4)).y);
  ws::PumpUntilIdle();
  ASSERT_EQ(c->RefSpts(0)->Count(), 1);
  EXPECT_EQ(+c->RefSpts(0)->Spectrum(0)->scanCount, 5);
  EXPECT_EQ(StoredRanges(kRun), 1u);
  EXPECT_EQ(ws::GetField(d, BC_COUNT), "Background Correction Spectra Count = 1");

  // Automatic correction replaces the set; the dialog turns to deleting.
  ws::PressButton(d, BC_AUTO);
  const int16_t automatic = c->RefSpts(0)->Count();
  ASSERT_GT(automatic, 0);
  EXPECT_EQ(StoredRanges(kRun), size_t(automatic));
  EXPECT_EQ(c->m_deleteRefMode, 1);
  EXPECT_TRUE(ws::IsChecked(d, BC_DELETE));
  testing_support::ExpectWindowAsStored(d, SPECIALCTL_GOLDEN_DIR, "background-tool.png");

  // Delete all empties the set and the file, and brings the add mode back.
  ws::PressButton(d, BC_DELETE_ALL);
  EXPECT_EQ(c->RefSpts(0)->Count(), 0);
  EXPECT_EQ(StoredRanges(kRun), 0u);
  EXPECT_EQ(c->m_selectRefMode, 1);

  // The tool follows its plot to a new place, then to another plot made active.
  ASSERT_EQ(Exchange({1, 0}), 0);
  EXPECT_EQ(c->m_bcPlot, 1);
  EXPECT_EQ(ws::Text(d), "Background Correction for Plot 2");
  SendMessageA(w, OP1M_NEWACTIVEINDEX, 0, 0);
  EXPECT_EQ(c->m_bcPlot, 0);
  EXPECT_EQ(ws::Text(d), "Background Correction for Plot 1");

  // A change of the logged-in user closes the tool.
  SendMessageA(w, RegisterWindowMessageA("WS_LOGINCHANGE"), 0, 0);
  ws::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(d));
  EXPECT_EQ(c->BackCorrDialog(), nullptr);
  SendMessageA(w, OP1M_EDITBACKGROUNDCORRECTION, 0, 0);
  ASSERT_NE(c->BackCorrDialog(), nullptr);
  d = c->BackCorrDialog()->m_hWnd;
  EXPECT_EQ(ws::Text(d), "Background Correction for Plot 1");

  // Done closes it; the control leaves its modes.
  ws::PressButton(d, IDCANCEL);
  ws::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(d));
  EXPECT_EQ(c->BackCorrDialog(), nullptr);
  EXPECT_EQ(c->m_selectRefMode, 0);
  EXPECT_EQ(c->m_deleteRefMode, 0);
}

TEST_F(RefSptsPlotsTest, ARightClickWhileEditingChoosesThePlotAndOpensNoMenu) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  ws::ResetLogs();
  ws::DismissNextMenu();
  ws::Click(w, At(Share(0.5), 1).x, At(Share(0.5), 1).y, ws::Button::Right);
  ws::PumpUntilIdle();
  EXPECT_EQ(c->m_activePlot, 1);
  EXPECT_EQ(ws::MenuLog().size(), 1u);

  SendMessageA(w, WM_COMMAND, OP1_CMD_EDIT_REFSPTS0 + 1, 0);
  ASSERT_NE(c->BackCorrDialog(), nullptr);
  ws::ResetLogs();
  ws::Click(w, At(Share(0.5), 0).x, At(Share(0.5), 0).y, ws::Button::Right);
  ws::PumpUntilIdle();
  EXPECT_EQ(c->m_activePlot, 0);
  EXPECT_TRUE(ws::MenuLog().empty());
}

TEST_F(RefSptsPlotsTest, OnePlotPrintsAloneWithItsMarksAndTheControlIsLeftAsItWas) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  SendMessageA(w, OP1M_SHOWPLOTSOVERLAID, 0, 0);
  ws::PumpUntilIdle();
  SVW_OVERLAY* const overlay = c->m_pOverlay;
  const int16_t shownBefore = overlay->head.shownCount, modeBefore = overlay->head.displayMode;

  HDC printer = CreateDCA(nullptr, "Kelt PDF", nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  DOCINFOA doc{sizeof(DOCINFOA), "One plot", "C:\\TEMP\\oneplot.pdf", nullptr, 0};
  ASSERT_GT(StartDocA(printer, &doc), 0);
  ASSERT_GT(StartPage(printer), 0);
  CDC dc;
  dc.Attach(printer);
  STRUCT_OPLOT_PRINT_PLOT record{};
  record.dc = &dc;
  record.left = 300;
  record.top = 600;
  record.right = 4800;
  record.bottom = 6000;
  record.charWidth = 50;
  record.charHeight = 100;
  record.markers = 1;
  // Refused: no record, a slot without a plot or outside the overlay.
  EXPECT_EQ(SendMessageA(w, OP1M_PRINTONEPLOT, 1, 0), 0);
  EXPECT_EQ(SendMessageA(w, OP1M_PRINTONEPLOT, 5, reinterpret_cast<LPARAM>(&record)), 0);
  EXPECT_EQ(SendMessageA(w, OP1M_PRINTONEPLOT, 20, reinterpret_cast<LPARAM>(&record)), 0);
  EXPECT_EQ(SendMessageA(w, OP1M_PRINTONEPLOT, 1, reinterpret_cast<LPARAM>(&record)), 1);
  dc.Detach();
  EndPage(printer);
  EndDoc(printer);
  DeleteDC(printer);
  EXPECT_EQ(+record.drawn, 1);
  EXPECT_EQ(+record.sizes.plotsShown, 1);
  EXPECT_TRUE(record.sizes.plotShown[1]);
  // Printed on the overlaid display's common scale.
  EXPECT_EQ(+record.scales.plotLow[1], +overlay->tail.scales.commonLow);
  EXPECT_EQ(+record.scales.plotHigh[1], +overlay->tail.scales.commonHigh);
  EXPECT_EQ(c->m_pOverlay, overlay);
  EXPECT_EQ(c->m_ownOverlay, 1);
  EXPECT_EQ(+overlay->head.shownCount, shownBefore);
  EXPECT_EQ(+overlay->head.displayMode, modeBefore);
}

TEST_F(RefSptsPlotsTest, AllPlotsAndTheActivePlotArePrintedIntoTheReportsFile) {
  constexpr char kReports[] = "C:\\TEMP\\refplots.msr";
  CreateDirectoryA("C:\\TEMP", nullptr);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
  }
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  std::strcpy(prefs.spooler.spoolFile, kReports);
  prefs.spooler.previewReports = 0;
  ASSERT_TRUE(KELT_WriteDefReportPrefs(&prefs, nullptr));
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  auto titles = [&] {
    std::vector<std::string> out;
    CRptsFileHandler file(nullptr);
    if (file.UseThisExistingFile(kReports) != 1) return out;
    for (int i = 0; i < file.GetCountOfPages(); ++i) {
      RptsPageRecord record{};
      uint32_t size = 0;
      FreeBlock(file.GetPage(i, &record, &size));
      out.push_back(record.title);
    }
    return out;
  };
  SendMessageA(w, OP1M_PRINTALLPLOTS, 0, 0);
  ws::PumpUntilIdle();
  SendMessageA(w, OP1M_PRINTACTIVEPLOT, 0, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(titles(), (std::vector<std::string>{"Chromatogram Plots", "Chromatogram Plot"}));
}

TEST_F(RefSptsPlotsTest, ADeletedPlotTakesItsSpectraAlongAndTheRestShowWhole) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  ASSERT_GE(c->RefSpts(1)->AddSpt(Share(0.3, 1), 1, c->m_pOverlay, 1, &c->m_prefs.plotData), 0);
  double range[2] = {Share(0.2), Share(0.4)};
  ASSERT_EQ(SendMessageA(w, OP1M_DISPLAYSETTIMERANGE, 1, reinterpret_cast<LPARAM>(&range)), 1);
  ws::PumpUntilIdle();
  EXPECT_NEAR(+c->m_pOverlay->tail.viewStart, Share(0.2), 1e-6);
  // 0 to 0 keeps the range on view and tells it to the caller.
  double keep[2] = {0, 0};
  ASSERT_EQ(SendMessageA(w, OP1M_DISPLAYSETTIMERANGE, 1, reinterpret_cast<LPARAM>(&keep)), 1);
  EXPECT_NEAR(keep[0], Share(0.2), 1e-6);
  EXPECT_NEAR(keep[1], Share(0.4), 1e-6);

  // Hidden and shown again by the control's own notifications.
  PostMessageA(w, OPM_NOTIFICATIONSTOSELF, 121, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(+c->m_pOverlay->head.shown[1], 0);
  PostMessageA(w, OPM_NOTIFICATIONSTOSELF, 161, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(+c->m_pOverlay->head.shown[1], 1);

  PostMessageA(w, OPM_NOTIFICATIONSTOSELF, 141, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(+c->m_pOverlay->tail.attached[1], 0);
  EXPECT_EQ(c->RefSpts(1)->WorkFile(), nullptr);
  EXPECT_EQ(c->RefSpts(1)->Count(), 0);
  EXPECT_NEAR(+c->m_pOverlay->tail.viewStart, +c->m_pOverlay->slots[0].workFile->startTime, 1e-6);
  EXPECT_NEAR(+c->m_pOverlay->tail.viewEnd, +c->m_pOverlay->slots[0].workFile->endTime, 1e-6);
}

TEST_F(RefSptsPlotsTest, DeletingTheReferencePlotsKeepsTheFirst) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  ASSERT_EQ(SetFile(kBlank, 4), 5);
  SendMessageA(w, WM_COMMAND, OP1_CMD_DELETE_REFERENCE_PLOTS, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(SlotPath(0), kRun);
  EXPECT_EQ(+c->m_pOverlay->tail.attachedCount, 1);
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 1);
  EXPECT_EQ(c->RefSpts(1)->WorkFile(), nullptr);
  EXPECT_EQ(c->RefSpts(4)->WorkFile(), nullptr);
  EXPECT_EQ(c->m_activePlot, 0);
}

TEST_F(RefSptsPlotsTest, MarkersFromTheDataReviewOutsideTheTableAreRefused) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  // A stored correction that the marker's copy comes from.
  ASSERT_GE(c->RefSpts(0)->AddSpt(Share(0.3), 1, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  c->m_bcPlot = 0;
  c->OnSaveRefSptsInDataFile();
  c->RefSpts(0)->ClearRefSpts();
  ASSERT_EQ(c->RefSpts(0)->BackCorr(), nullptr);
  STRUCT_CHAN_LIST merged{};
  KELT_InitMergedChanList(&merged);
  STRUCT_TOL_SPT* spt = TOL_MakeAvgSptFromTime(c->m_pOverlay->slots[0].workFile, &merged, Share(0.3), 1);
  ASSERT_NE(spt, nullptr);
  struct Case {
    int16_t control, spectrum, slot;
    bool taken;
  } cases[] = {{4, 0, 0, false}, {-1, 0, 0, false}, {0, 2, 0, false}, {0, 0, 20, false}, {0, 0, -3, false},
               {3, 1, 0, true}};
  for (const Case& k : cases) {
    STRUCT_SPT_MARKER_INFO info{k.control, k.spectrum, k.slot, spt};
    SendMessageA(w, OP1M_SETMARKERINFO, 0, reinterpret_cast<LPARAM>(&info));
    int set = 0;
    for (auto& window : c->m_SptMarkers)
      for (auto& m : window) set += m.set;
    EXPECT_EQ(set, k.taken ? 1 : 0) << k.control << "," << k.spectrum << "," << k.slot;
  }
  // The set loaded the stored correction first, so the marker carries a copy of it.
  EXPECT_NE(c->RefSpts(0)->BackCorr(), nullptr);
  EXPECT_NE(+c->m_SptMarkers[3][1].background, nullptr);
  TOL_Free(spt);
}

TEST_F(RefSptsPlotsTest, ClickedSpectraGoToTheReviewsWindowOrWithCtrlToAFreeOne) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  CDataReviewManager drm{nullptr, nullptr, 0};
  drm.SetPlotInfo(host->hwnd, w);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, reinterpret_cast<LPARAM>(&drm));
  drm.SetActiveSptControlIndex(2);
  drm.SetActiveSptPlotIndex(1);
  double apex = 0;
  ASSERT_TRUE(OPLOT_FindClosestApex(c->m_pOverlay, 0, 0, Share(0.3), &apex));
  // A click on the peak's flank, a few scans before its apex.
  const double click = apex - 0.035;
  double again = 0;
  ASSERT_TRUE(OPLOT_FindClosestApex(c->m_pOverlay, 0, 0, click, &again));
  ASSERT_NEAR(again, apex, 1e-9);
  auto take = [&](unsigned code) {
    c->m_timeClickPending = 1;
    c->m_timeClick = click;
    PostMessageA(w, OPM_NOTIFICATIONSTOSELF, code, 0);
    ws::PumpUntilIdle();
  };
  take(100);
  EXPECT_TRUE(!!drm.GetSpectrum(2, 1));
  EXPECT_NEAR(c->m_SptMarkers[2][1].time, click, 0.012);
  ws::KeyDown(VK_CONTROL);
  take(100);
  EXPECT_TRUE(!!drm.GetSpectrum(0, 0));
  take(320);  // at the nearest apex, into the next free window
  EXPECT_TRUE(!!drm.GetSpectrum(1, 0));
  EXPECT_NEAR(c->m_SptMarkers[1][0].time, apex, 0.012);
  take(100);
  ASSERT_TRUE(!!drm.GetSpectrum(3, 0));
  // With every window filled Ctrl falls back to the active one.
  drm.SetActiveSptControlIndex(1);
  drm.SetActiveSptPlotIndex(1);
  take(100);
  ws::KeyUp(VK_CONTROL);
  EXPECT_TRUE(!!drm.GetSpectrum(1, 1));
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, 0);
}

// ---- Plots chosen by the user -------------------------------------------------------------------

class PlotSelectionTest : public RefSptsPlotsTest {
 protected:
  // The rows the control would offer for its plots now.
  std::vector<STRUCT_MULT_FILES_ROW> Rows() const {
    std::vector<STRUCT_MULT_FILES_ROW> rows(OPLOT_SLOTS);
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      STRUCT_MULT_FILES_ROW& r = rows[size_t(i)];
      const OVERLAY_SLOT& s = c->m_pOverlay->slots[i];
      r.slot = int16_t(i);
      if (!c->m_pOverlay->tail.attached[i] || !s.workFile) continue;
      r.inUse = 1;
      std::strcpy(r.path, s.workFile->filePath);
      r.dataType = int16_t(s.plotKind);
      r.channel = int16_t(s.plotSubKind);
      r.chanList = s.chanList;
      r.massList = s.massList;
    }
    return rows;
  }
};

TEST_F(PlotSelectionTest, AReorderedSelectionExchangesPlotsWithoutReopeningThem) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ASSERT_EQ(SetFile(kBlank, 1), 2);
  ASSERT_GE(c->RefSpts(0)->AddSpt(Share(0.3), 1, c->m_pOverlay, 0, &c->m_prefs.plotData), 0);
  CRefSpts* const runSet = c->RefSpts(0);
  STRUCT_WORK_FILE* const runFile = c->m_pOverlay->slots[0].workFile;
  std::vector<STRUCT_MULT_FILES_ROW> rows = Rows();
  std::swap(rows[0], rows[1]);
  c->ApplyPlotSelection(rows.data());
  ws::PumpUntilIdle();
  EXPECT_EQ(SlotPath(0), kBlank);
  EXPECT_EQ(SlotPath(1), kRun);
  EXPECT_EQ(+c->m_pOverlay->slots[1].workFile, runFile);
  EXPECT_EQ(c->RefSpts(1), runSet);
  EXPECT_EQ(runSet->Count(), 1);
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 2);
}

TEST_F(PlotSelectionTest, AnotherTraceOfTheSameFileKeepsItOpenAndRebuildsItsData) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  STRUCT_WORK_FILE* const runFile = c->m_pOverlay->slots[0].workFile;
  ASSERT_NE(+c->m_pOverlay->slots[0].trace, nullptr);
  const int16_t ticType = c->m_pOverlay->slots[0].trace->dataType;
  std::vector<STRUCT_MULT_FILES_ROW> rows = Rows();
  ASSERT_TRUE(KELT_ConvertStringToMassList("69", nullptr, 0, &rows[0].massList));
  rows[0].dataType = 1;  // extracted ions
  c->ApplyPlotSelection(rows.data());
  ws::PumpUntilIdle();
  EXPECT_EQ(+c->m_pOverlay->slots[0].workFile, runFile);
  EXPECT_EQ(+c->m_pOverlay->slots[0].plotKind, 1);
  ASSERT_NE(+c->m_pOverlay->slots[0].trace, nullptr);
  // The trace is made anew as the extracted ions (a freed block's address
  // may come back, so the data, not the address, tells).
  EXPECT_NE(c->m_pOverlay->slots[0].trace->dataType, ticType);
  EXPECT_EQ(c->m_pOverlay->slots[0].trace->massList.count, 1);
  EXPECT_EQ(+c->m_pOverlay->tail.inView[0], 1);
}

TEST_F(PlotSelectionTest, AFileAddedWhileZoomedOutsideItsRangeIsTold) {
  msfix::RunPlan late;
  late.seed = 9;
  late.startTime = 40.0;
  late.endTime = 50.0;
  ASSERT_TRUE(msfix::WriteMsDataFile(kLate, late, nullptr));
  ASSERT_EQ(SetFile(kRun, 0), 1);
  double range[2] = {Share(0.1), Share(0.3)};
  ASSERT_EQ(SendMessageA(w, OP1M_DISPLAYSETTIMERANGE, 1, reinterpret_cast<LPARAM>(&range)), 1);
  ws::PumpUntilIdle();
  std::vector<STRUCT_MULT_FILES_ROW> rows = Rows();
  rows[1].inUse = 1;
  std::strcpy(rows[1].path, kLate);
  HostWindow::Commands().clear();
  c->ApplyPlotSelection(rows.data());
  ws::PumpUntilIdle();
  EXPECT_EQ(SlotPath(1), kLate);
  EXPECT_EQ(+c->m_pOverlay->tail.inView[1], 0);
  EXPECT_NEAR(+c->m_pOverlay->tail.viewStart, range[0], 1e-6);
  EXPECT_TRUE(ws::FindTopLevel("File out of time range.") || ws::FindByText(nullptr, "File out of time range."));
  bool added = false;
  for (const HostCommand& h : HostWindow::Commands()) added = added || h.code == OP1N_FILE_ADDED;
  EXPECT_TRUE(added);
}

TEST_F(PlotSelectionTest, TheSelectionDialogIsOfferedThePlotsAndACancelChangesNothing) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  std::string title;
  ws::OnNextDialog([&](HWND d) { title = ws::Text(d); });
  SendMessageA(w, WM_COMMAND, OP1_CMD_SELECT_FILES, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(title, "Select Plot(s)");
  EXPECT_EQ(c->m_pPickedFiles, nullptr);
  EXPECT_EQ(SlotPath(0), kRun);
}

TEST_F(PlotSelectionTest, TheControlTakesAnOverlayOfItsOwnAndLeavesTheHostsAlone) {
  auto* hosts = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  ASSERT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(hosts, 0, kRun, DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr, nullptr,
                                                 "Counts", "", 0, 0));
  OPLOT_UpdateOverlayPlots(hosts, hosts->tail.homeStart, hosts->tail.homeEnd);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(hosts));
  ws::PumpUntilIdle();
  ASSERT_EQ(c->m_pOverlay, hosts);
  EXPECT_EQ(c->RefSpts(0), nullptr);  // sets come with an overlay of the control's own
  SendMessageA(w, OP1M_ASKUSERFORFILES, 0, 0);  // cancelled
  ws::PumpUntilIdle();
  EXPECT_NE(c->m_pOverlay, hosts);
  EXPECT_EQ(c->m_ownOverlay, 1);
  EXPECT_EQ(+c->m_pOverlay->tail.attachedCount, 0);
  EXPECT_EQ(c->m_hasData, 0);
  EXPECT_NE(c->RefSpts(19), nullptr);
  EXPECT_EQ(+hosts->tail.attachedCount, 1);
  ASSERT_NE(+hosts->slots[0].workFile, nullptr);
  EXPECT_STREQ(hosts->slots[0].workFile->filePath, kRun);
  OPLOT_ClearOverlayStructure(hosts);
  FreeBlock(hosts);
}

TEST_F(PlotSelectionTest, AConfirmedSelectionIsAppliedWhenTheTimerFires) {
  ASSERT_EQ(SetFile(kRun, 0), 1);
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND grid = ws::FindById(d, IDC_MF_GRID);
    ASSERT_NE(grid, nullptr);
    SetDlgItemTextA(d, edt1, kBlank);
    ws::PumpUntilIdle();
    // Enter with a previewed file adds it to the first free row and closes.
    PostMessageA(d, WM_COMMAND, IDOK, 0);
    ws::PumpUntilIdle();
  });
  SendMessageA(w, OP1M_ASKUSERFORFILES, 0, 0);
  ws::PumpUntilIdle();
  ASSERT_NE(c->m_pPickedFiles, nullptr);
  EXPECT_EQ(+c->m_pOverlay->tail.attachedCount, 1);  // not before the timer
  ws::AdvanceClock(600);
  ws::PumpUntilIdle();
  EXPECT_EQ(c->m_pPickedFiles, nullptr);
  EXPECT_EQ(SlotPath(0), kRun);
  EXPECT_EQ(SlotPath(1), kBlank);
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 2);
  EXPECT_NE(c->RefSpts(1)->WorkFile(), nullptr);
}

}  // namespace
