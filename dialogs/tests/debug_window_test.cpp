// The debug window and the debug text file: lines added, paused, cleared,
// the window kept at least as large as its template, a closed window made
// anew; the file gets whole lines of at most 190 characters.
#include <gtest/gtest.h>

#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/debug_window.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class DebugWindowTest : public KeltRootTest {
 protected:
  void TearDown() override {
    if (CDebugWindowDlg* w = CDebugWindowDlg::Current()) w->DestroyWindow();
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static HWND Window() {
    CDebugWindowDlg* w = CDebugWindowDlg::Current();
    return w ? w->GetSafeHwnd() : nullptr;
  }
};

TEST_F(DebugWindowTest, LinesArePausedClearedAndTheWindowComesBack) {
  EXPECT_EQ(Window(), nullptr);
  KELT_DebugWindow_AddString("Scan 212 read");
  HWND w = Window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(ws::Text(w), "KELT Debug Window");
  EXPECT_NE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  KELT_DebugWindow_AddStarLine();
  KELT_DebugWindow_AddString(nullptr);
  EXPECT_EQ(ws::ListItems(w, IDC_DBG_LIST), (std::vector<std::string>{"Scan 212 read", std::string(62, '*')}));
  EXPECT_EQ(SendDlgItemMessageA(w, IDC_DBG_LIST, LB_GETCURSEL, 0, 0), 1);

  // Paused: the calls are ignored, the window's own buttons still act.
  ASSERT_TRUE(ws::SetCheck(w, IDC_DBG_PAUSE, true));
  KELT_DebugWindow_AddString("ignored");
  KELT_DebugWindow_AddStarLine();
  KELT_DebugWindow_ClearStrings();
  EXPECT_EQ(ws::ListItems(w, IDC_DBG_LIST).size(), 2u);
  ws::PressButton(w, IDC_DBG_STARS);
  EXPECT_EQ(ws::ListItems(w, IDC_DBG_LIST).size(), 3u);
  ws::PressButton(w, IDC_DBG_CLEAR);
  EXPECT_TRUE(ws::ListItems(w, IDC_DBG_LIST).empty());
  ASSERT_TRUE(ws::SetCheck(w, IDC_DBG_PAUSE, false));
  KELT_DebugWindow_AddString("again");
  EXPECT_EQ(ws::ListItems(w, IDC_DBG_LIST), (std::vector<std::string>{"again"}));

  // Never smaller than the template; larger stretches the list.
  RECT before{};
  GetWindowRect(w, &before);
  const int width = before.right - before.left, height = before.bottom - before.top;
  SetWindowPos(w, nullptr, 0, 0, width - 40, height - 30, SWP_NOMOVE | SWP_NOZORDER);
  RECT shrunk{};
  GetWindowRect(w, &shrunk);
  EXPECT_EQ(shrunk.right - shrunk.left, width);
  EXPECT_EQ(shrunk.bottom - shrunk.top, height);
  RECT listBefore{};
  GetWindowRect(GetDlgItem(w, IDC_DBG_LIST), &listBefore);
  SetWindowPos(w, nullptr, 0, 0, width + 100, height + 80, SWP_NOMOVE | SWP_NOZORDER);
  RECT listAfter{};
  GetWindowRect(GetDlgItem(w, IDC_DBG_LIST), &listAfter);
  EXPECT_GT(listAfter.bottom - listAfter.top, listBefore.bottom - listBefore.top);

  // Closed by the user: the next line opens a new, empty window.
  SendMessageA(w, WM_CLOSE, 0, 0);
  ws::PumpUntilIdle();
  EXPECT_EQ(Window(), nullptr);
  KELT_DebugWindow_AddString("fresh");
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(ws::ListItems(Window(), IDC_DBG_LIST), (std::vector<std::string>{"fresh"}));
  EXPECT_FALSE(ws::IsChecked(Window(), IDC_DBG_PAUSE));
}

TEST_F(DebugWindowTest, TheTextFileGetsWholeShortLinesInTheTemporaryFolder) {
  KELT_AAA_AddString("first");
  KELT_AAA_AddString(std::string(300, 'x').c_str());
  KELT_AAA_AddString(nullptr);
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  path += DEBUG_TEXT_FILE_NAME;
  EXPECT_EQ(ReadHostPath(win::paths::ToHost(path)), "first\n" + std::string(190, 'x') + "\n\n");
  // Nothing at the root of drive C.
  EXPECT_FALSE(HostExists("c/aaa.aaa"));
}

}  // namespace
