// The spectrum control's commands: the toolbar's drop-down arrows and the
// page-mode menu, hand-overs to the host and the data review manager,
// averaging, background correction and the MS/MS step mass.
#include <string>
#include <vector>

#include "overlayctl/wrapping_toolbar.h"
#include "reportpages/reports_file.h"
#include "spectrumctl/tests/spt_control_fixture.h"
#include "win/win_commdlg.h"

namespace {

class SptCommandsTest : public SptControlTest {
 protected:
  static HWND Bar(CCtlSpt* c) {
    auto* frame = static_cast<CWrapToolBarFrame*>(static_cast<CWnd*>(c->m_pToolBar));
    return frame && frame->ToolBar() ? frame->ToolBar()->m_hWnd : nullptr;
  }
  static void PressArrow(CCtlSpt* c, int id) {
    RECT r{};
    HWND bar = Bar(c);
    ASSERT_NE(bar, nullptr);
    SendMessageA(bar, TB_GETITEMRECT, SendMessageA(bar, TB_COMMANDTOINDEX, id, 0), reinterpret_cast<LPARAM>(&r));
    win::script::Click(bar, r.right - 3, (r.top + r.bottom) / 2);
  }
  static std::vector<std::string> LastMenuTexts() {
    std::vector<std::string> texts;
    const auto log = win::script::MenuLog();
    if (!log.empty())
      for (const auto& item : log.back().items) texts.push_back(item.text);
    return texts;
  }
  HWND ShownWithToolbar(CCtlSpt** out) {
    HWND w = MakeControl();
    CCtlSpt* c = Control(w);
    if (!c->m_pToolBar) SendMessageA(w, SPTM_SHOWTOOLBAR, 1, 0);
    *out = c;
    return w;
  }
};

// Each arrow opens the menu of its own button; the item chosen there sets the mode.
TEST_F(SptCommandsTest, DropDownArrowsOpenTheirOwnMenus) {
  CCtlSpt* c = nullptr;
  HWND w = ShownWithToolbar(&c);
  // The data review layout has every drop-down button.
  auto* drm = new CDataReviewManager(nullptr, nullptr, 0);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(drm));
  sptfix::Spt a = Messy(21), b = Messy(22);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  struct Case {
    int arrow;
    UINT choose;
    size_t items;
    int16_t CCtlSpt::*mode;
    int16_t expected;
  };
  const Case cases[] = {
      {8006, 8008, 5, &CCtlSpt::m_singleClickMode, SPT_CLICK_LIST_SEARCH},
      {8012, 8015, 3, &CCtlSpt::m_clickDragMode, SPT_DRAG_BITMAP},
      {8016, 8019, 3, &CCtlSpt::m_horzMode, SPT_HORZ_FIXED},
      {8020, 8022, 2, &CCtlSpt::m_vertMode, SPT_VERT_FIXED},
      {8029, 8025, 4, &CCtlSpt::m_pageMode, SPT_PAGE_INFORMATION},
  };
  for (const Case& k : cases) {
    win::script::ResetLogs();
    win::script::ChooseNextMenuItem(k.choose);
    PressArrow(c, k.arrow);
    win::script::PumpUntilIdle();
    ASSERT_EQ(win::script::MenuLog().size(), 1u) << k.arrow;
    EXPECT_EQ(LastMenuTexts().size(), k.items) << k.arrow;
    EXPECT_EQ(c->*k.mode, k.expected) << k.arrow;
  }
  EXPECT_EQ(LastMenuTexts(), (std::vector<std::string>{"Plot", "Ion/Intensity List", "Summary Information",
                                                       "Comparison Parameters"}));
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 0, 0);
  delete drm;
  DestroyWindow(w);
}

// The comparison page is not offered for profile data; message 80 never picks a picture.
TEST_F(SptCommandsTest, PageMenuFollowsTheSpectra) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt profile = sptfix::Precise(sptfix::MessyProfile(23, 2000, 40, 0.1), true);
  sptfix::Spt b = Messy(24);
  SendPair(w, profile.get(), b.get());
  win::script::ResetLogs();
  win::script::DismissNextMenu();
  SendMessageA(w, WM_COMMAND, 8029, 0);
  EXPECT_EQ(LastMenuTexts(), (std::vector<std::string>{"Plot", "Ion/Intensity List", "Summary Information"}));
  EXPECT_TRUE(win::script::MenuLog().back().items[0].checked);
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 5, 0);
  EXPECT_EQ(c->m_pageMode, SPT_PAGE_INFORMATION);
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 1, 0);
  EXPECT_EQ(c->m_pageMode, SPT_PAGE_IONS);
  DestroyWindow(w);
}

// Hand-overs to the host post their codes only for spectra held.
TEST_F(SptCommandsTest, HandOversPostTheirCodesForHeldSpectra) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(25);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  struct Case {
    UINT command;
    int code;  // 0: nothing posted
  };
  const Case cases[] = {{8134, SPTN_LIBRARY_SEARCH_A}, {8135, 0}, {8136, SPTN_LIST_SEARCH_A}, {8137, 0},
                        {8138, SPTN_LIST_FILE_A},      {8139, 0}, {8320, SPTN_ADD_COMPOUND_A},  {8321, 0},
                        {8201, 0},                     {8202, 0}, {8209, SPTN_DATA_REVIEW_PRINT}};
  for (const Case& k : cases) {
    Notices().clear();
    SendMessageA(w, WM_COMMAND, k.command, 0);
    win::script::PumpUntilIdle();
    if (k.code) {
      EXPECT_EQ(Notices().size(), 1u) << k.command;
      EXPECT_EQ(CountNotices(k.code), 1) << k.command;
    } else {
      EXPECT_TRUE(Notices().empty()) << k.command;
    }
  }
  DestroyWindow(w);
}

// The average button sends its state at once; the host can press it too.
TEST_F(SptCommandsTest, AverageButtonSendsItsState) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  win::script::PumpUntilIdle();
  Notices().clear();
  SendMessageA(w, WM_COMMAND, 8036, 0);
  EXPECT_EQ(CountNotices(SPTN_AVERAGE_ON), 1);  // sent, not posted
  EXPECT_EQ(c->m_averaging, 1);
  SendMessageA(w, WM_COMMAND, 8036, 0);
  EXPECT_EQ(CountNotices(SPTN_AVERAGE_OFF), 1);
  SendMessageA(w, SPTM_PRESSAVERAGETBBUTTON, 7, 0);
  EXPECT_EQ(c->m_averaging, 0);
  SendMessageA(w, SPTM_PRESSAVERAGETBBUTTON, 1, 0);
  EXPECT_EQ(c->m_averaging, 1);
  DestroyWindow(w);
}

// The background-correction button toggles the switch the host reads.
TEST_F(SptCommandsTest, BackgroundCorrectionToggles) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(26), b = Messy(27);
  SendPair(w, a.get(), b.get());
  const LRESULT before = SendMessageA(w, SPTM_GETUSEBACKGROUNDCORRECTIONSTATUS, 0, 0);
  SendMessageA(w, WM_COMMAND, 8030, 0);
  EXPECT_EQ(SendMessageA(w, SPTM_GETUSEBACKGROUNDCORRECTIONSTATUS, 0, 0), before ? 0 : 1);
  SendMessageA(w, WM_COMMAND, 8030, 0);
  EXPECT_EQ(SendMessageA(w, SPTM_GETUSEBACKGROUNDCORRECTIONSTATUS, 0, 0), before);
  DestroyWindow(w);
}

// Exports to the manager's controls: to a chosen place, to the first free
// control, and nothing when all four hold spectra.
TEST_F(SptCommandsTest, ExportsToTheDataReviewManager) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = Messy(28), b = Messy(29);
  SendPair(w, a.get(), b.get());
  // Without an index in a manager the host is told.
  Notices().clear();
  SendMessageA(w, WM_COMMAND, 8143, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(CountNotices(SPTN_EXPORTED), 1);

  auto* drm = new CDataReviewManager(nullptr, nullptr, 0);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(drm));
  drm->SetSptsInfo(host, w, nullptr, nullptr, nullptr, 0, 0, 0, 0);
  SendMessageA(w, SPTM_SETNAMEOFCONTROL, 1, reinterpret_cast<LPARAM>("1"));
  SendMessageA(w, WM_COMMAND, 8152 + 6, 0);  // spectrum B to control 1 as B
  STRUCT_SPT_PLUS* placed = drm->GetSpectrum(1, 1);
  ASSERT_NE(placed, nullptr);
  EXPECT_NE(placed, c->m_display[1]);
  EXPECT_EQ(double(placed->basePeakMass), double(c->m_display[1]->basePeakMass));
  SendMessageA(w, WM_COMMAND, 8143, 0);  // the first free control is 0
  EXPECT_NE(drm->GetSpectrum(0, 0), nullptr);
  SendMessageA(w, WM_COMMAND, 8143, 0);  // then 2
  EXPECT_NE(drm->GetSpectrum(2, 0), nullptr);
  SendMessageA(w, WM_COMMAND, 8143, 0);
  EXPECT_NE(drm->GetSpectrum(3, 0), nullptr);
  const int16_t count = drm->GetSpectraCount();
  SendMessageA(w, WM_COMMAND, 8143, 0);  // all four hold spectra
  EXPECT_EQ(drm->GetSpectraCount(), count);
  // A centroid export of a spectrum without a centroid copy does nothing.
  SendMessageA(w, WM_COMMAND, 8161 + 8, 0);
  EXPECT_EQ(drm->GetSpectrum(3, 1), nullptr);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 0, 0);
  delete drm;
  DestroyWindow(w);
}

// The MS/MS step takes the tallest peak near the clicked mass and is collected once.
TEST_F(SptCommandsTest, MsmsStepTakesTheTallestPeakNearTheClick) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = sptfix::Precise({{90.97, 1200}, {91.05, 48000}, {91.31, 9000}, {140.2, 2000}}, false);
  PlusSpt_UpdateBasePeak(a.get());
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  double mass = 0;
  EXPECT_EQ(SendMessageA(w, SPTM_GETMSMSSTEP, 0, reinterpret_cast<LPARAM>(&mass)), 0);
  c->m_rightClickSlot = 0;
  c->m_rightClickMass = 91.2;
  Notices().clear();
  SendMessageA(w, WM_COMMAND, 8211, 0);
  EXPECT_EQ(CountNotices(SPTN_MSMS_STEP), 1);
  EXPECT_EQ(SendMessageA(w, SPTM_GETMSMSSTEP, 0, 0), 0);
  ASSERT_EQ(SendMessageA(w, SPTM_GETMSMSSTEP, 0, reinterpret_cast<LPARAM>(&mass)), 1);
  EXPECT_DOUBLE_EQ(mass, 91.05);
  EXPECT_EQ(SendMessageA(w, SPTM_GETMSMSSTEP, 0, reinterpret_cast<LPARAM>(&mass)), 0);
  DestroyWindow(w);
}

// Exports to files go through the save dialog; a copy that does not exist asks nothing.
TEST_F(SptCommandsTest, ExportsToFiles) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(41);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  auto answer = [](const std::string& name) {
    win::script::OnNextDialog([name](HWND dlg) {
      win::script::SetField(dlg, edt1, name);
      win::script::PressButton(dlg, IDOK);
    });
  };
  answer("C:\\TEMP\\spectrum a.txt");
  SendMessageA(w, SPTM_PUTSPECTRUMINTOTEXTFILE, 0, 0);
  const std::string text = ReadHostFile("c/TEMP/spectrum a.txt");

  EXPECT_NE(text.find("Spectrum"), std::string::npos);
  EXPECT_NE(text.find('\t'), std::string::npos);
  // No smoothed or centroid copy: no dialog, nothing written.
  win::script::ResetLogs();
  SendMessageA(w, WM_COMMAND, 8216, 0);
  SendMessageA(w, WM_COMMAND, 8219, 0);
  SendMessageA(w, WM_COMMAND, 8203, 0);
  EXPECT_TRUE(win::script::DialogLog().empty());
  answer("C:\\TEMP\\picture.png");
  SendMessageA(w, SPTM_CONTROLTOWMFFILE, 0, 0);
  EXPECT_TRUE(HostExists("c/TEMP/picture.png"));
  DestroyWindow(w);
}

// "Print Plots" adds a titled page to the named reports file; a file that
// cannot be used asks, and No makes nothing.
TEST_F(SptCommandsTest, PrintPlotsAddsAPageToTheReportsFile) {
  const char* reports = "C:\\TEMP\\plots.msr";
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(reports), 1);
  }
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  std::strcpy(prefs.spooler.spoolFile, reports);
  prefs.spooler.previewReports = 0;
  ASSERT_TRUE(KELT_WriteDefReportPrefs(&prefs, nullptr));
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = Messy(51);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_COMMAND, 8005, 0);
  EXPECT_EQ(c->m_reportBusy, 0);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.UseThisExistingFile(reports), 1);
    ASSERT_EQ(file.GetCountOfPages(), 1);
    RptsPageRecord record{};
    uint32_t size = 0;
    void* bits = file.GetPage(0, &record, &size);
    EXPECT_NE(bits, nullptr);
    EXPECT_GT(size, 0u);
    FreeBlock(bits);
    EXPECT_EQ(std::string(record.title).rfind("Spectrum Plot - ", 0), 0u) << record.title;
  }
  // A named file that is no reports file: the user is asked, and Cancel stops the report.
  WriteHostFile("c/TEMP/plots.msr", "not a reports file");
  win::script::ResetLogs();
  win::script::AnswerNextMessageBox(IDCANCEL);
  SendMessageA(w, WM_COMMAND, 8005, 0);
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_EQ(win::script::MessageBoxLog()[0].text, "Do you want to create a new reports file?");
  EXPECT_EQ(win::script::MessageBoxLog()[0].caption, "No spooler file selected.");
  EXPECT_EQ(ReadHostFile("c/TEMP/plots.msr"), "not a reports file");
  DestroyWindow(w);
}

}  // namespace
