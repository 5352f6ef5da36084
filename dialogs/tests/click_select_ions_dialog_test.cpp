// The click-select-ions window driven as the spectrum control and the user
// would: picks, clamping to the valid ion range, the ten-range limit, typed
// formulas, "Plot", and how it tells its owner that it closed.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "dialogs/click_select_ions_dialog.h"
#include "msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

std::vector<UINT> g_ownerMessages;
WNDPROC g_staticProc = nullptr;
LRESULT g_plotAnswer = 0;

LRESULT CALLBACK OwnerProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == CSI_CLOSED) g_ownerMessages.push_back(msg);
  if (msg == CSI_NEW_PLOT) {
    g_ownerMessages.push_back(msg);
    const auto* r = reinterpret_cast<const STRUCT_CCSPT_NEW_PD*>(l);
    if (g_plotAnswer && r) FreeBlock(r->block);  // taken over, then done with
    return g_plotAnswer;
  }
  return CallWindowProcA(g_staticProc, h, msg, w, l);
}

class ClickSelectIonsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Runs"));
    msfix::RunPlan plan;
    plan.scans = 120;
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(kRun), plan, nullptr));
    ownerWnd = CreateWindowExA(0, "Static", "spectra", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                               nullptr, nullptr, nullptr);
    g_staticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(ownerWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerProc)));
    owner.Attach(ownerWnd);
    g_ownerMessages.clear();
    g_plotAnswer = 0;
  }
  void TearDown() override {
    owner.Detach();
    DestroyWindow(ownerWnd);
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static void Pick(CWnd* dlg, double low, double high, const char* file = kRun) {
    STRUCT_CCSPT_CHRO_REQUEST r{};
    std::strcpy(r.dataFile, file);
    r.lowMass = low;
    r.highMass = high;
    dlg->SendMessage(CSI_PICK, 0, reinterpret_cast<LPARAM>(&r));
    ws::PumpUntilIdle();
  }
  static constexpr const char* kRun = "C:\\Runs\\ions.xms";
  HWND ownerWnd = nullptr;
  CWnd owner;
};

TEST_F(ClickSelectIonsTest, PicksBuildAFormulaAndPlotHandsOverADescriptor) {
  auto* dlg = new CClickSelectIonsDlg(&owner, nullptr, 0);
  ASSERT_TRUE(IsWindow(dlg->m_hWnd));
  EXPECT_TRUE(IsWindowVisible(dlg->m_hWnd));
  HWND h = dlg->m_hWnd;
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, IDC_CSI_PLOT)));
  Pick(dlg, 91, 91);
  Pick(dlg, 128, 130);
  Pick(dlg, 1.0, 5.0);            // outside the valid range: ignored
  Pick(dlg, 91, 91, "C:\\Runs\\gone.xms");  // no such file: ignored
  EXPECT_EQ(ws::GetField(h, IDC_CSI_FORMULA), ws::GetField(h, IDC_CSI_IONS));
  ASSERT_EQ(dlg->MassList().count, 2);
  EXPECT_EQ(+dlg->MassList().ranges[1].low, 128);
  EXPECT_NE(ws::GetField(h, IDC_CSI_FILE).find("ions.xms"), std::string::npos);
  EXPECT_EQ(ws::GetField(h, IDC_CSI_SCANS), "Merged");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, IDC_CSI_PLOT)));
  EXPECT_TRUE(ws::PressButton(h, IDC_CSI_PLOT));  // the owner refuses: the descriptor is freed
  g_plotAnswer = 1;
  ws::PressButton(h, IDC_CSI_PLOT);
  EXPECT_EQ(g_ownerMessages, (std::vector<UINT>{CSI_NEW_PLOT, CSI_NEW_PLOT}));
  // The close box tells the owner as Cancel does, and the object goes.
  SendMessageA(h, WM_CLOSE, 0, 0);
  ws::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(g_ownerMessages.back(), static_cast<UINT>(CSI_CLOSED));
}

TEST_F(ClickSelectIonsTest, ADragAcrossTheWholeRangeIsClampedNotIgnored) {
  auto* dlg = new CClickSelectIonsDlg(&owner, nullptr, 0);
  Pick(dlg, 0.5, 90000);  // low below and high above the file's valid ions
  ASSERT_TRUE(dlg->HasIons());
  ASSERT_EQ(dlg->MassList().count, 1);
  const double lowest = dlg->MassList().ranges[0].low, highest = dlg->MassList().ranges[0].high;
  EXPECT_GT(lowest, 0.5);
  EXPECT_LT(highest, 90000);
  EXPECT_LT(lowest, highest);
  Pick(dlg, highest - 1, highest + 20);  // partly over: clamped
  ASSERT_EQ(dlg->MassList().count, 2);
  EXPECT_EQ(+dlg->MassList().ranges[1].low, highest - 1);
  EXPECT_EQ(+dlg->MassList().ranges[1].high, highest);
  dlg->DestroyWindow();
}

TEST_F(ClickSelectIonsTest, TheEleventhRangeIsNotAddedAndTypedFormulasAreChecked) {
  auto* dlg = new CClickSelectIonsDlg(&owner, nullptr, 0);
  HWND h = dlg->m_hWnd;
  for (int i = 0; i < 11; ++i) {
    Pick(dlg, 50 + 10 * i, 50 + 10 * i);
  }
  EXPECT_EQ(dlg->MassList().count, CSI_MOST_RANGES);
  EXPECT_NE(ws::FindByText(nullptr, "FULL"), nullptr);
  ws::AdvanceClock(2100);  // the pop-up goes after two seconds
  EXPECT_EQ(ws::FindByText(nullptr, "FULL"), nullptr);
  struct Case {
    const char* typed;
    const char* ions;  // what the "Ions:" line shows
    bool plot;
  } cases[] = {{"91+l05", "Invalid Character(s)", false},
               {"5", "Invalid Ion(s)", false},
               {"91+105", "", true}};
  for (const Case& c : cases) {
    EXPECT_TRUE(ws::SetField(h, IDC_CSI_FORMULA, c.typed));
    if (*c.ions) {
      EXPECT_EQ(ws::GetField(h, IDC_CSI_IONS), c.ions) << c.typed;
    }
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(h, IDC_CSI_PLOT)) != 0, c.plot) << c.typed;
  }
  EXPECT_EQ(dlg->MassList().count, 2);
  // Enter in the formula field keeps the window open.
  SetFocus(GetDlgItem(h, IDC_CSI_FORMULA));
  ws::PressKey(VK_RETURN);
  EXPECT_TRUE(IsWindow(h));
  ws::PressButton(h, IDC_CSI_CLEAR);
  EXPECT_FALSE(dlg->HasIons());
  EXPECT_EQ(ws::GetField(h, IDC_CSI_FILE), "");
  ws::PressButton(h, IDCANCEL);
  EXPECT_FALSE(IsWindow(h));
}

}  // namespace
