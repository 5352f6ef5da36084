// The features a host switches on or drives by message, driven as a host
// and a user would: the ions box and the descriptor it makes, saving a
// plot as a user descriptor, the reference plot, the time-event buttons,
// the quick-integration windows, the transient filter, the rights check
// and the preference commands, each with the notification it posts.
#include <cstring>
#include <string>

#include "common/plot_descriptors.h"
#include "common/work_file.h"
#include "control_fixture.h"
#include "dialogs/integration_dialogs.h"
#include "orvik32/orvik32_controls.h"
#include "overlayctl/segment_navigator.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheets.h"
#include "win/win_profile.h"

namespace {

class HostFeaturesTest : public OPlotTest {
 protected:
  struct Sample {
    HWND w = nullptr;
    CCtlOPlot* c = nullptr;
    SVW_OVERLAY* o = nullptr;
    sample_overlay::Files files;
  };
  // The host's sample runs on a control: 0 water TIC, 1 water ions, 2 the
  // segment plot, 3 the field blank's TIC.
  void SetUp() override {
    OPlotTest::SetUp();
    win::script::ResetLogs();
  }
  Sample ShowSample(int id = 7) {
    Sample s;
    s.o = SampleOverlay(&s.files);
    if (!s.o) return s;
    s.w = MakeControl(id, 700, 480);
    s.c = Control(s.w);
    SendMessageA(s.w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(s.o));
    win::script::PumpUntilIdle();
    Notices().clear();
    return s;
  }
  static std::vector<int> Codes() {
    std::vector<int> codes;
    for (const Notice& n : Notices()) codes.push_back(n.code);
    return codes;
  }
  // Types into the ions box and presses Enter there.
  static void TypeIons(HWND w, const std::string& text) {
    HWND box = GetDlgItem(w, OPLOT_ID_EDIT_IONS);
    ASSERT_NE(box, nullptr);
    SetWindowTextA(box, text.c_str());
    SetFocus(box);
    win::script::PressKey(VK_RETURN);
    win::script::PumpUntilIdle();
  }
  // Whether a slot's trace has a filtered copy (the record is packed).
  static bool Filtered(const SVW_OVERLAY* o, int slot) {
    void* block = nullptr;
    std::memcpy(&block, reinterpret_cast<const char*>(o->slots[slot].trace) +
                            offsetof(STRUCT_NE_DATA_POINTS, filtered), sizeof block);
    return block != nullptr;
  }
  // Two raw MS runs of one instrument as TIC plots in slots 0 and 1, and
  // the sectioned sample run in slot 2.
  SVW_OVERLAY* RawRunsOverlay() {
    SVW_OVERLAY* o = MakeOverlay(0);
    CreateDirectoryA("C:\\Workstation\\Raw", nullptr);
    for (int i = 0; i < 2; ++i) {
      msfix::RunPlan plan;
      plan.seed = 31 + i;
      const std::string path = "C:\\Workstation\\Raw\\run" + std::to_string(i) + ".ms";
      if (!msfix::WriteRawMsFile(path, plan, nullptr)) return nullptr;
      if (!OPLOT_AddAnyPlotToOverlayStructure(o, static_cast<int16_t>(i), path.c_str(), DATA_TYPE_TIC, 0, nullptr,
                                              nullptr, nullptr, nullptr, "Counts", "", 0, 0))
        return nullptr;
    }
    sample_overlay::Files f;
    if (!sample_overlay::MakeFiles("C:\\Workstation\\Plots", &f) ||
        !OPLOT_AddAnyPlotToOverlayStructure(o, 2, f.water.c_str(), DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr,
                                            nullptr, "Counts", "", 0, 0))
      return nullptr;
    OPLOT_UpdateOverlayPlots(o, o->tail.homeStart, o->tail.homeEnd);
    return o;
  }
  static std::string Ions(const sample_overlay::Files& f) {
    const auto& c = f.truth.run.compounds;
    char text[64];
    std::snprintf(text, sizeof text, "%.0f+%.0f", c[0].baseMass, c[2].baseMass);
    return text;
  }
};

TEST_F(HostFeaturesTest, TypedIonsBecomeADescriptorTheHostFetchesOnce) {
  Sample s = ShowSample();
  ASSERT_NE(s.o, nullptr);
  SendMessageA(s.w, OPM_TURNONEDITIONSFEATURE, 1, 0);
  ASSERT_NE(GetDlgItem(s.w, OPLOT_ID_EDIT_IONS), nullptr);
  EXPECT_EQ(win::script::Text(GetDlgItem(s.w, OPLOT_ID_IONS_TEXT)), "Ions: ");
  EXPECT_FALSE(IsEmpty(ChildRect(s.w, OPLOT_ID_EDIT_IONS)));

  s.c->m_activePlot = 0;
  TypeIons(s.w, Ions(s.files));
  EXPECT_EQ(Codes(), std::vector<int>{42});
  STRUCT_OPLOT_NEW_PD got{};
  ASSERT_EQ(SendMessageA(s.w, OPM_GETNEWPD, 0, reinterpret_cast<LPARAM>(&got)), 1);
  ASSERT_NE(got.pd, nullptr);
  EXPECT_EQ(GetBlockSize(got.pd), sizeof(STRUCT_PLOT_DESCRIPTOR));
  EXPECT_GE(got.pd->kind, PD_KIND_FIRST_RUNNING);
  EXPECT_EQ(got.pd->dataType, KELT_GetDataTypeFromMassType(got.pd->massList.kind));
  EXPECT_EQ(got.pd->massList.count, 2);
  EXPECT_NE(got.pd->name[0], 0);
  EXPECT_STREQ(got.dataFile, s.o->slots[0].workFile->filePath);
  FreeBlock(got.pd);  // the host's now
  EXPECT_EQ(SendMessageA(s.w, OPM_GETNEWPD, 0, reinterpret_cast<LPARAM>(&got)), 0);
  EXPECT_EQ(SendMessageA(s.w, OPM_GETNEWPD, 0, 0), 0);

  // Switching off takes the boxes away.
  SendMessageA(s.w, WM_COMMAND, 2813, 0);
  EXPECT_EQ(GetDlgItem(s.w, OPLOT_ID_EDIT_IONS), nullptr);
  EXPECT_EQ(GetDlgItem(s.w, OPLOT_ID_IONS_TEXT), nullptr);
  EXPECT_EQ(s.c->m_editIonsOn, 0);
}

TEST_F(HostFeaturesTest, TypedIonsThatCannotBeTakenChangeNothing) {
  Sample s = ShowSample();
  ASSERT_NE(s.o, nullptr);
  SendMessageA(s.w, WM_COMMAND, 2813, 0);  // the context command switches it on
  ASSERT_EQ(s.c->m_editIonsOn, 1);
  // A descriptor made earlier waits for the host.
  s.c->m_activePlot = 0;
  TypeIons(s.w, Ions(s.files));
  ASSERT_NE(s.c->m_newPD, nullptr);
  STRUCT_PLOT_DESCRIPTOR* waiting = s.c->m_newPD;
  Notices().clear();
  win::script::ResetLogs();

  struct Case {
    const char* what;
    short active;
    std::string text;
    bool beeps;
    const char* boxAfter;
  } cases[] = {
      {"segment plot", 2, Ions(s.files), false, nullptr},
      {"no mass list", 0, "abc", true, "Invalid Mass Range"},
      {"empty", 0, "", true, nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    win::script::ResetLogs();
    s.c->m_activePlot = k.active;
    TypeIons(s.w, k.text);
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(s.c->m_newPD, waiting);
    EXPECT_EQ(!win::script::BeepLog().empty(), k.beeps);
    if (k.boxAfter) {
      EXPECT_EQ(win::script::Text(GetDlgItem(s.w, OPLOT_ID_EDIT_IONS)), k.boxAfter);
    }
  }
  // Every slot holding a file: no room for the new trace.
  for (int i = 0; i < OPLOT_SLOTS; ++i)
    if (!s.o->slots[i].workFile) s.o->slots[i].workFile = s.o->slots[0].workFile;
  win::script::ResetLogs();
  s.c->m_activePlot = 0;
  TypeIons(s.w, Ions(s.files));
  EXPECT_FALSE(win::script::BeepLog().empty());
  EXPECT_EQ(s.c->m_newPD, waiting);
  for (int i = 4; i < OPLOT_SLOTS; ++i) s.o->slots[i].workFile = nullptr;
}

TEST_F(HostFeaturesTest, TheDerivedKindThreeHandsTypedIonsToItsHostDirectly) {
  Sample s = ShowSample(9);
  ASSERT_NE(s.o, nullptr);
  s.c->m_controlKind = 3;
  SendMessageA(s.w, OPM_TURNONEDITIONSFEATURE, 1, 0);
  s.c->m_activePlot = 1;
  TypeIons(s.w, Ions(s.files));
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0].code, 404);
  EXPECT_EQ(Notices()[0].id, 9);
  EXPECT_EQ(s.c->m_editIonsPending, 1);
  EXPECT_EQ(s.c->m_editIonsSlot, 4);  // the first slot without a file
  ASSERT_NE(s.c->m_pEditIonsBlock, nullptr);
  EXPECT_EQ(static_cast<STRUCT_MASS_LIST*>(s.c->m_pEditIonsBlock)->count, 2);
  EXPECT_EQ(s.c->m_newPD, nullptr);
  s.c->m_controlKind = 0;
}

TEST_F(HostFeaturesTest, SavingAPlotAsUserDescriptorStoresItInTheDataFile) {
  Sample s = ShowSample();
  ASSERT_NE(s.o, nullptr);
  // The active plot only when one is selected.
  s.c->m_activePlot = -1;
  SendMessageA(s.w, OPM_SAVEACTIVEASUSERPD, 0, 0);
  EXPECT_TRUE(win::script::DialogLog().empty());
  EXPECT_TRUE(Notices().empty());

  s.c->m_rightClickSlot = 1;  // the context menu's plot: water's ions
  win::script::OnNextDialog([](HWND d) {
    win::script::SetField(d, PD_IDC_SAVE_NAME, "Two compound ions");
    win::script::PressButton(d, PD_IDC_SAVE);
  });
  SendMessageA(s.w, WM_COMMAND, 2815, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<int>{45});
  STRUCT_PD_ARRAY* saved = PD_ReadPDArray(s.files.water.c_str(), PD_KIND_USER_PLOT);
  ASSERT_NE(saved, nullptr);
  ASSERT_EQ(saved->count, 1);
  EXPECT_STREQ(saved->pds[0]->name, "Two compound ions");
  EXPECT_EQ(saved->pds[0]->kind, PD_KIND_USER_PLOT);
  EXPECT_TRUE(KELT_IsSameMassList(&saved->pds[0]->massList, &s.o->slots[1].massList));
  PD_FreePDArray(saved);

  // The segment plot has no descriptor: no dialog, no notification.
  Notices().clear();
  const size_t dialogs = win::script::DialogLog().size();
  s.c->m_rightClickSlot = 2;
  SendMessageA(s.w, WM_COMMAND, 2815, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(win::script::DialogLog().size(), dialogs);
  EXPECT_TRUE(Notices().empty());
}

TEST_F(HostFeaturesTest, AReferencePlotChoiceWaitsUntilTheHostReadsIt) {
  Sample s = ShowSample();
  ASSERT_NE(s.o, nullptr);
  SendMessageA(s.w, OPM_ENABLEREFERENCEPLOT, 1, 0);
  EXPECT_EQ(s.c->m_referenceSelection, 1);
  EXPECT_EQ(SendMessageA(s.w, OPM_GETNEWREFERENCEPLOT, 0, 0), -1);
  s.c->m_rightClickSlot = 3;
  SendMessageA(s.w, WM_COMMAND, 2811, 0);
  SendMessageA(s.w, WM_COMMAND, 2812, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(Codes(), (std::vector<int>{13, 14}));
  EXPECT_EQ(SendMessageA(s.w, OPM_GETNEWREFERENCEPLOT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(s.w, OPM_GETNEWREFERENCEPLOT, 0, 0), -1);
  SendMessageA(s.w, OPM_ENABLEREFERENCEPLOT, 0, 0);
  EXPECT_EQ(s.c->m_referenceSelection, 0);
}

TEST_F(HostFeaturesTest, TheLastDataFileIsHandedOverOnce) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  char out[260] = "unchanged";
  EXPECT_EQ(SendMessageA(w, OPM_GETLASTDATAFILE, 0, reinterpret_cast<LPARAM>(out)), 0);
  EXPECT_STREQ(out, "unchanged");
  std::strcpy(c->m_lastDataFile, "C:\\Workstation\\Data\\run 7.kms");
  EXPECT_EQ(SendMessageA(w, OPM_GETLASTDATAFILE, 0, 0), 0);
  EXPECT_EQ(SendMessageA(w, OPM_GETLASTDATAFILE, 0, reinterpret_cast<LPARAM>(out)), 1);
  EXPECT_STREQ(out, "C:\\Workstation\\Data\\run 7.kms");
  EXPECT_EQ(SendMessageA(w, OPM_GETLASTDATAFILE, 0, reinterpret_cast<LPARAM>(out)), 0);
}

TEST_F(HostFeaturesTest, TimeEventButtonsSitLeftOfThePlotsAndReport) {
  auto [w, c, o] = ShowPlots(2);
  c->TE_StartWaitingMode();  // the feature is off: nothing
  EXPECT_EQ(GetDlgItem(w, OPLOT_ID_TE_PROCESS), nullptr);
  c->m_teFeatureOn = 1;
  c->TE_StartWaitingMode();
  win::script::PumpUntilIdle();
  ASSERT_NE(GetDlgItem(w, OPLOT_ID_TE_PROCESS), nullptr);
  EXPECT_EQ(c->m_timeEventWaitingForButtons, 1);
  const RECT p = ChildRect(w, OPLOT_ID_TE_PROCESS), k = ChildRect(w, OPLOT_ID_TE_CANCEL);
  const int h = c->m_charHeight + 4, bottom = c->m_plotTop + c->m_plotHeight;
  EXPECT_EQ(p.left, 4);
  ASSERT_TRUE(c->m_bSizesValid);
  EXPECT_EQ(p.right - p.left, c->GetPlotArea().left);
  EXPECT_GT(p.right - p.left, 4 * c->m_charWidth);  // the margin of the vertical scales
  EXPECT_EQ(p.top, bottom - 2 * h);
  EXPECT_EQ(k.top, bottom - h);
  EXPECT_EQ(k.bottom, bottom);
  // A new size places them again.
  SetWindowPos(w, nullptr, 0, 0, 640, 360, SWP_NOZORDER | SWP_NOMOVE);
  win::script::PumpUntilIdle();
  EXPECT_EQ(ChildRect(w, OPLOT_ID_TE_CANCEL).bottom, c->m_plotTop + c->m_plotHeight);

  Notices().clear();
  EXPECT_TRUE(win::script::PressButton(w, OPLOT_ID_TE_PROCESS));
  EXPECT_EQ(Codes(), std::vector<int>{29});
  EXPECT_TRUE(win::script::PressButton(w, OPLOT_ID_TE_CANCEL));
  EXPECT_EQ(Codes(), (std::vector<int>{29, 30}));
  EXPECT_EQ(GetDlgItem(w, OPLOT_ID_TE_PROCESS), nullptr);
  EXPECT_EQ(GetDlgItem(w, OPLOT_ID_TE_CANCEL), nullptr);
  EXPECT_EQ(c->m_timeEventWaitingForButtons, 0);

  // Taking the data away ends the mode as well.
  c->TE_StartWaitingMode();
  SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
  EXPECT_EQ(GetDlgItem(w, OPLOT_ID_TE_PROCESS), nullptr);
  EXPECT_EQ(c->m_timeEventWaitingForButtons, 0);
}

TEST_F(HostFeaturesTest, SingleClickForApexSetsTheSpectrumSelectionToZeroOrOne) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  const struct {
    WPARAM value;
    int16_t after;
  } cases[] = {{1, 1}, {2, 1}, {0, 0}, {0x10001, 0}, {1, 1}};
  for (const auto& k : cases) {
    SendMessageA(w, OPM_SINGLECLICKFORAPEX, k.value, 0);
    EXPECT_EQ(c->m_selectionType, k.after) << k.value;
  }
  // The clicks follow it: the apex selection reports its own codes.
  short selection = -1;
  c->GetSingleClickStatus(nullptr, &selection, nullptr, nullptr, nullptr);
  EXPECT_EQ(selection, 1);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(Notices().empty());
}

TEST_F(HostFeaturesTest, QuickIntegrationWindowsOpenOncePerSlotAndCloseThemselves) {
  SVW_OVERLAY* o = RawRunsOverlay();
  ASSERT_NE(o, nullptr);
  ASSERT_TRUE(o->slots[0].workFile->directHeader);
  HWND w = MakeControl(7, 700, 480);
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOG, 1, 0);
  auto* first = static_cast<CQuickIntegrationDlg*>(c->m_pQuickInt[1]);
  ASSERT_NE(first, nullptr);
  HWND window = first->m_hWnd;
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(win::script::Text(window).rfind("Plot 2, ", 0), 0u) << win::script::Text(window);
  EXPECT_EQ(first->m_chosenCount, 1);
  EXPECT_EQ(first->m_chosen[1], 1);
  EXPECT_EQ(first->m_filterFlag, 0);
  // Asked again: the same window.
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOG, 1, 0);
  EXPECT_EQ(c->m_pQuickInt[1], first);
  // The sectioned run is no raw MS run: nothing opens for it, nor for a slot out of range.
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOG, 2, 0);
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOG, 21, 0);
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOG, 0x10001, 0);
  EXPECT_EQ(c->m_pQuickInt[2], nullptr);
  EXPECT_EQ(c->m_pQuickInt[20], nullptr);
  EXPECT_EQ(c->m_pQuickInt[0], nullptr);

  // A filter the host sets reaches the open window.
  const int16_t filter[6] = {1, 0, 3, 0, 0, 5};
  SendMessageA(w, OPM_UPDATETRANSIENTFILTERING, 0, reinterpret_cast<LPARAM>(filter));
  win::script::PumpUntilIdle();
  EXPECT_EQ(first->m_filterFlag, 1);
  EXPECT_EQ(first->m_filtering[2], 3);
  EXPECT_EQ(first->m_filtering[5], 5);

  // Closed by the user: the control forgets it.
  win::script::PressButton(window, QI_EXIT);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(c->m_pQuickInt[1], nullptr);

  // For all plots: both raw runs, under 20.
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOGFORALL, 0, 0);
  auto* all = static_cast<CQuickIntegrationDlg*>(c->m_pQuickInt[20]);
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->m_plotIndex, 20);
  EXPECT_EQ(all->m_chosenCount, 2);
  EXPECT_EQ(all->m_chosen[0] + all->m_chosen[1], 2);
  // With one raw run shown, "all" opens that plot's own window.
  c->QuickInt_CloseDialog(20);
  EXPECT_EQ(c->m_pQuickInt[20], nullptr);
  o->head.shown[0] = 0;
  SendMessageA(w, OPM_OPENQUICKINTEGRATIONDIALOGFORALL, 0, 0);
  EXPECT_EQ(c->m_pQuickInt[20], nullptr);
  ASSERT_NE(c->m_pQuickInt[1], nullptr);
  // Destroying the control closes what is open.
  HWND open = static_cast<CQuickIntegrationDlg*>(c->m_pQuickInt[1])->m_hWnd;
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(open));
}

TEST_F(HostFeaturesTest, AHostFilterIsTakenOnlyWhenItChangesAndHolds) {
  Sample s = ShowSample();
  ASSERT_NE(s.o, nullptr);
  HWND w = s.w;
  CCtlOPlot* c = s.c;
  SVW_OVERLAY* o = s.o;
  ASSERT_EQ(c->m_filtering[0], 0);
  EXPECT_FALSE(Filtered(o, 0));
  int16_t same[6];
  std::memcpy(same, c->m_filtering, sizeof same);
  SendMessageA(w, OPM_UPDATETRANSIENTFILTERING, 0, reinterpret_cast<LPARAM>(same));
  EXPECT_FALSE(Filtered(o, 0));
  const int16_t bad[6] = {7, 0, 3, 0, 0, 5};
  SendMessageA(w, OPM_UPDATETRANSIENTFILTERING, 0, reinterpret_cast<LPARAM>(bad));
  EXPECT_EQ(c->m_filtering[0], 0);
  SendMessageA(w, OPM_UPDATETRANSIENTFILTERING, 0, 0);
  const int16_t good[6] = {2, 0, 3, 1, 1, 2};
  SendMessageA(w, OPM_UPDATETRANSIENTFILTERING, 0, reinterpret_cast<LPARAM>(good));
  EXPECT_EQ(std::memcmp(c->m_filtering, good, sizeof good), 0);
  EXPECT_TRUE(Filtered(o, 0));
  EXPECT_TRUE(Filtered(o, 1));
}

TEST_F(HostFeaturesTest, TheFilteringDialogEditsTheFilterAndDropsNoiseLabels) {
  Sample s = ShowSample();
  ASSERT_NE(s.o, nullptr);
  HWND w = s.w;
  CCtlOPlot* c = s.c;
  SVW_OVERLAY* o = s.o;
  AddTestLabel(c, 231, 0);
  AddTestLabel(c, 233, 1);
  AddTestLabel(c, LABEL_TYPE_USER, 1);
  // Cancel: the filter and the labels stay, though the plots followed the dialog.
  int16_t shown = -1;
  win::script::OnNextDialog([&](HWND d) {
    win::script::PressButton(d, FP_SMOOTH);
    shown = c->m_filtering[0];
    win::script::PressButton(d, IDCANCEL);
  });
  SendMessageA(w, OPM_EDITFILTERING, 0, 0);
  EXPECT_EQ(shown, 1);  // smoothing turned on shows the filtered data at once
  EXPECT_EQ(c->m_filtering[0], 0);
  EXPECT_EQ(CountLabels(c, 0, 231), 1);
  // A threshold out of range offers the nearer bound; then the filter is taken.
  win::script::ResetLogs();
  win::script::OnNextDialog([](HWND d) {
    win::script::PressButton(d, FP_SPIKES);
    win::script::AnswerNextMessageBox(IDYES);
    win::script::SetField(d, FP_THRESHOLD, "1");
    SetFocus(GetDlgItem(d, FP_THRESHOLD));
    win::script::PressButton(d, IDOK);
  });
  SendMessageA(w, OPM_EDITFILTERING, 0, 0);
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("Spike Threshold"), std::string::npos);
  EXPECT_EQ(c->m_filtering[0], 1);
  EXPECT_EQ(c->m_filtering[4], 1);
  EXPECT_EQ(c->m_filtering[5], 2);
  EXPECT_TRUE(Filtered(o, 0));
  EXPECT_EQ(CountLabels(c, 0, 231), 0);
  EXPECT_EQ(CountLabels(c, 1, 233), 0);
  EXPECT_EQ(CountLabels(c, 1, LABEL_TYPE_USER), 1);
}

TEST_F(HostFeaturesTest, BackgroundCorrectionRightsAskForAReasonUnderSecurity) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  EXPECT_EQ(c->CheckBackCorrRights(), 1);  // security off: no prompt
  EXPECT_TRUE(win::script::DialogLog().empty());
  EXPECT_TRUE(win::script::MessageBoxLog().empty());

  WritePrivateProfileStringA("Security", "Enabled", "1", GetWorkstationIniPath());
  WritePrivateProfileStringA("Security", "UserName", "erik", GetWorkstationIniPath());
  WritePrivateProfileStringA("UserRights", "erik", "0x2", GetWorkstationIniPath());
  EXPECT_EQ(c->CheckBackCorrRights(), 0);
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_NE(win::script::MessageBoxLog()[0].text.find("Select/Edit Background Correction"), std::string::npos);

  WritePrivateProfileStringA("UserRights", "erik", "0x10002", GetWorkstationIniPath());
  std::string prompt;
  win::script::OnNextDialog([&](HWND d) {
    prompt = win::script::Text(win::script::FindByText(d, "Provide a reason for editing the background data."));
    win::script::SetField(d, ORVIK_REASON_EDIT, "Baseline drift after column change");
    win::script::PressButton(d, IDOK);
  });
  EXPECT_EQ(c->CheckBackCorrRights(), 1);
  EXPECT_EQ(prompt, "Provide a reason for editing the background data.");
  EXPECT_STREQ(c->m_rightsReason, "Baseline drift after column change");
  win::script::OnNextDialog([](HWND d) { win::script::PressButton(d, IDCANCEL); });
  EXPECT_EQ(c->CheckBackCorrRights(), 0);
}

TEST_F(HostFeaturesTest, ThePreferenceCommandsOpenTheirSheets) {
  HWND w = MakeControl();
  win::script::OnNextDialog([](HWND d) {
    EXPECT_TRUE(win::script::PickSheetPageText(d, "Scientific Notation"));
    HWND page = win::script::SheetPage(d);
    win::script::SetCheck(page, PREFS_CHECK, true);
    win::script::PressButton(page, PREFS_RADIO + 4);
    win::script::SetCheck(page, PREFS_CHECK, false);
    win::script::PressButton(d, IDOK);
  });
  SendMessageA(w, WM_COMMAND, 2823, 0);
  win::script::OnNextDialog([](HWND d) { win::script::PressButton(d, IDCANCEL); });
  SendMessageA(w, WM_COMMAND, 2824, 0);
  const auto log = win::script::DialogLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].caption, "General Preferences");
  EXPECT_EQ(log[1].caption, "Report Preferences");
  STRUCT_GLOBAL_PREFS stored{};
  KELT_GetCurrDefGlobalPrefs(&stored);
  EXPECT_EQ(stored.misc.scientificNotation, 0);
  EXPECT_EQ(stored.misc.exponentThreshold, 4);
}

TEST_F(HostFeaturesTest, ALoginChangeClosesTheBackgroundCorrectionDialog) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  auto* dlg = new CWnd;
  ASSERT_TRUE(dlg->CreateEx(0, "Static", "Background", WS_POPUP, 0, 0, 10, 10, nullptr, 0));
  HWND h = dlg->m_hWnd;
  c->m_pBackCorrDlg = dlg;
  SendMessageA(w, RegisterWindowMessageA("WS_LOGINCHANGE"), 0, 0);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(c->m_pBackCorrDlg, nullptr);
  delete dlg;
}

}  // namespace
