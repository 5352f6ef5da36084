// The background-correction tool beside a small stand-in owner window, and
// the modal integration-parameters dialog, driven as a user would.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/library_state.h"
#include "common/tests/kelt_test_root.h"
#include "common/work_file.h"
#include "dialogs/background_correction_dialog.h"
#include "dialogs/integration_params_dialog.h"
#include "dialogs/quick_integration_params.h"
#include "framework/framework_wnd.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

namespace ws = win::script;

// What the owner was told, and the count it reports while an automatic
// correction runs.
std::vector<std::pair<UINT, WPARAM>> g_told;
HWND g_dialog = nullptr;
int g_autoCount = 0;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER + 130 && msg <= WM_USER + 144) {
    g_told.emplace_back(msg, wParam);
    if (msg == BCM_OWNER_AUTO && g_dialog) SendMessageA(g_dialog, BCM_SETSPECTRACOUNT, g_autoCount, 0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class BackgroundCorrectionTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = "BackgroundCorrectionOwner";
    RegisterClassA(&wc);
    owner_ = CreateWindowExA(0, wc.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                             nullptr, nullptr);
    ownerWnd_.Attach(owner_);
    g_told.clear();
    g_dialog = nullptr;
    g_autoCount = 0;
  }
  void TearDown() override {
    ownerWnd_.Detach();
    DestroyWindow(owner_);
    ws::PumpUntilIdle();
    KeltRootTest::TearDown();
  }
  CBackgroundCorrectionDlg* Open(int16_t plot, int16_t averaging, int16_t count) {
    auto* d = new CBackgroundCorrectionDlg(&ownerWnd_, plot, averaging, count);
    g_dialog = d->m_hWnd;
    return d;
  }
  HWND owner_ = nullptr;
  CWnd ownerWnd_;
};

TEST_F(BackgroundCorrectionTest, OpensWithTheOwnersValuesAndTellsItTheMode) {
  struct Case {
    int16_t averaging;
    int checked;  // 0..3 for 1, 3, 5, 7
  } cases[] = {{1, 0}, {3, 1}, {5, 2}, {7, 3}, {2, 3}};
  for (const Case& k : cases) {
    g_told.clear();
    CBackgroundCorrectionDlg* d = Open(2, k.averaging, 0);
    ASSERT_TRUE(IsWindow(d->m_hWnd));
    HWND w = d->m_hWnd;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ws::IsChecked(w, BC_AVERAGE_1 + i), i == k.checked) << k.averaging;
    EXPECT_EQ(ws::Text(w), "Background Correction for Plot 3");
    EXPECT_EQ(ws::GetField(w, BC_COUNT), "Background Correction Spectra Count = 0");
    ASSERT_FALSE(g_told.empty());
    EXPECT_EQ(g_told[0].first, static_cast<UINT>(BCM_OWNER_ADDMODE));
    // Without spectra nothing can be deleted.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, BC_DELETE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, BC_DELETE_ALL)));
    ws::PressButton(w, IDCANCEL);
    ws::PumpUntilIdle();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(g_told.back().first, static_cast<UINT>(BCM_OWNER_CLOSED));
  }
}

TEST_F(BackgroundCorrectionTest, EveryActionIsAMessageToTheOwner) {
  CBackgroundCorrectionDlg* d = Open(0, 1, 0);
  HWND w = d->m_hWnd;
  SendMessageA(w, BCM_SETSPECTRACOUNT, 4, 0);
  EXPECT_EQ(ws::GetField(w, BC_COUNT), "Background Correction Spectra Count = 4");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, BC_DELETE)));
  SendMessageA(w, BCM_SETPLOTINDEX, 6, 0);
  EXPECT_EQ(ws::Text(w), "Background Correction for Plot 7");
  g_told.clear();
  ws::PressButton(w, BC_AVERAGE_1 + 2);
  ws::PressButton(w, BC_DELETE);
  ws::PressButton(w, BC_ADD);
  ws::PressButton(w, BC_DELETE_ALL);
  const std::vector<std::pair<UINT, WPARAM>> expected = {
      {BCM_OWNER_AVERAGING, 5}, {BCM_OWNER_DELETEMODE, 0}, {BCM_OWNER_ADDMODE, 0}, {BCM_OWNER_DELETEALL, 1}};
  EXPECT_EQ(g_told, expected);
  // Deleting all leaves the add mode, with Delete off.
  EXPECT_EQ(d->m_spectraCount, 0);
  EXPECT_TRUE(ws::IsChecked(w, BC_ADD));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, BC_DELETE)));
  // Automatic correction: the owner makes spectra while asked, so the dialog turns to deleting.
  g_autoCount = 3;
  g_told.clear();
  ws::PressButton(w, BC_AUTO);
  ASSERT_GE(g_told.size(), 2u);
  EXPECT_EQ(g_told[0].first, static_cast<UINT>(BCM_OWNER_AUTO));
  EXPECT_EQ(g_told.back().first, static_cast<UINT>(BCM_OWNER_DELETEMODE));
  EXPECT_EQ(d->m_selectionMode, 0);
  EXPECT_TRUE(ws::IsChecked(w, BC_DELETE));
  // Closed by the system menu: told once.
  g_told.clear();
  SendMessageA(w, WM_CLOSE, 0, 0);
  ws::PumpUntilIdle();
  ASSERT_EQ(g_told.size(), 1u);
  EXPECT_EQ(g_told[0].first, static_cast<UINT>(BCM_OWNER_CLOSED));
}

TEST_F(BackgroundCorrectionTest, ALaterDialogStartsInTheModeLastChosen) {
  CBackgroundCorrectionDlg* d = Open(0, 1, 2);
  ws::PressButton(d->m_hWnd, BC_DELETE);
  EXPECT_EQ(CBackgroundCorrectionDlg::LastSelectionMode(), 0);
  d->DestroyWindow();
  g_told.clear();
  CBackgroundCorrectionDlg* e = Open(1, 1, 2);
  EXPECT_EQ(e->m_selectionMode, 0);
  ASSERT_FALSE(g_told.empty());
  EXPECT_EQ(g_told[0].first, static_cast<UINT>(BCM_OWNER_DELETEMODE));
  EXPECT_TRUE(ws::IsChecked(e->m_hWnd, BC_DELETE));
  ws::PressButton(e->m_hWnd, BC_ADD);
  e->DestroyWindow();
}

// ---- Integration parameters -------------------------------------------------------------------

using IntegrationParamsTest = KeltRootTest;

TEST_F(IntegrationParamsTest, WithoutAWorkFileNothingIsShown) {
  uint16_t w = 1;
  EXPECT_EQ(Dlg_EditIntegrationParams(nullptr, &w, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(w, 1);
}

TEST_F(IntegrationParamsTest, StartsFromTheDetectorsRecordAndSavesItsOwn) {
  STRUCT_WORK_FILE wf{};
  wf.fileType = 61;
  std::vector<std::string> shown;
  ws::OnNextDialog([&](HWND d) {
    for (int id : {IP_WIDTH, IP_SLOPE, IP_TANGENT, IP_REJECT}) shown.push_back(ws::GetField(d, id));
    ws::SetField(d, IP_WIDTH, "4.04");
    ws::SetField(d, IP_SLOPE, "33");
    ws::SetCheck(d, IP_LOCK, true);
    ws::PressButton(d, IP_SAVE);
    ws::PressButton(d, IDOK);
  });
  uint16_t width = 0, slope = 0, tangent = 0;
  double reject = 0;
  int16_t lock = 0;
  ASSERT_EQ(Dlg_EditIntegrationParams(&wf, &width, &slope, &tangent, &reject, &lock), 1);
  EXPECT_EQ(shown, (std::vector<std::string>{"8.0", "20", "10", "2000000"}));
  EXPECT_EQ(width, 40);
  EXPECT_EQ(slope, 33);
  EXPECT_EQ(tangent, 10);
  EXPECT_DOUBLE_EQ(reject, 2000000.0);
  EXPECT_EQ(lock, 1);
  STRUCT_QUICK_INT_PARAMS stored{};
  ASSERT_TRUE(kelt::quickint::ReadParams(EDIT_INT_PARAMS_SECTION, 61, &stored));
  EXPECT_EQ(stored.peakWidthTenths, 40);
  EXPECT_EQ(stored.slopeSensitivity, 33);
  EXPECT_EQ(stored.lockPeakWidth, 1);
  EXPECT_EQ(stored.showAreaLabels, 0);
  EXPECT_EQ(stored.useLocal, 0);
  // Cancel gives 0 and leaves the outputs.
  ws::OnNextDialog([](HWND d) { ws::PressButton(d, IDCANCEL); });
  width = 7;
  EXPECT_EQ(Dlg_EditIntegrationParams(&wf, &width, &slope, &tangent, &reject, &lock), 0);
  EXPECT_EQ(width, 7);
}

TEST_F(IntegrationParamsTest, EnterMovesToTheNextFieldAndSelectsIt) {
  STRUCT_WORK_FILE wf{};
  wf.fileType = 23;
  int focused = 0;
  DWORD selection = 0;
  ws::OnNextDialog([&](HWND d) {
    SetFocus(GetDlgItem(d, IP_SLOPE));
    ws::PressKey(VK_RETURN);
    focused = GetDlgCtrlID(GetFocus());
    selection = static_cast<DWORD>(SendDlgItemMessageA(d, IP_TANGENT, EM_GETSEL, 0, 0));
    // A slope out of range offers the nearer bound.
    ws::AnswerNextMessageBox(IDYES);
    ws::SetField(d, IP_SLOPE, "300");
    SetFocus(GetDlgItem(d, IP_SLOPE));
    SetFocus(GetDlgItem(d, IP_TANGENT));
    ws::PressButton(d, IDOK);
  });
  uint16_t width = 0, slope = 0, tangent = 0;
  double reject = 0;
  int16_t lock = 0;
  ASSERT_EQ(Dlg_EditIntegrationParams(&wf, &width, &slope, &tangent, &reject, &lock), 1);
  EXPECT_EQ(focused, IP_TANGENT);
  EXPECT_EQ(LOWORD(selection), 0);
  EXPECT_EQ(HIWORD(selection), 2);  // "10"
  EXPECT_EQ(slope, 256);
  EXPECT_EQ(width, 40);
}

}  // namespace
