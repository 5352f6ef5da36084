// The viewer's dialogs driven as a user would: page setup, the print
// status window and the two page lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reportpages/page_list_dialogs.h"
#include "reportpages/page_margins_dialog.h"
#include "reportpages/print_status_window.h"
#include "reportpages/viewer_toolbar.h"
#include "viewer_fixture.h"
#include "win/win_commctrl.h"
#include "win/win_threads.h"

namespace {

using win::script::OnNextDialog;

std::string Cell(HWND list, int row, int column) {
  char text[128] = {};
  LVITEMA it{};
  it.iSubItem = column;
  it.pszText = text;
  it.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(row), LPARAM(&it));
  return text;
}

void ClickRow(HWND list, int row) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
  SendMessageA(list, LVM_GETITEMRECT, WPARAM(row), LPARAM(&r));
  win::script::Click(list, r.left + 5, (r.top + r.bottom) / 2);
}

int SelectedRow(HWND list) { return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }

class ViewerDialogs : public ViewerRootTest {};

}  // namespace

TEST_F(ViewerDialogs, PageSetupArrowsWrapAndOkCopiesBack) {
  uint16_t left = 45, right = 0, top = 10, bottom = 20;
  std::string caption;
  OnNextDialog([&](HWND dlg) {
    caption = win::script::Text(dlg);
    EXPECT_EQ(win::script::GetField(dlg, IDC_MARGIN_LEFT), "45");
    EXPECT_EQ(win::script::GetField(dlg, IDC_MARGIN_TOP), "10");
    // Up at 45 wraps to 0, down at 0 wraps to 45.
    win::script::SetField(dlg, IDC_MARGIN_LEFT, "45");
    win::script::PressKey(VK_UP);
    win::script::SetField(dlg, IDC_MARGIN_RIGHT, "0");
    win::script::PressKey(VK_DOWN);
    win::script::SetField(dlg, IDC_MARGIN_TOP, "12");
    EXPECT_EQ(win::script::GetField(dlg, IDC_MARGIN_LEFT), "0");
    EXPECT_EQ(win::script::GetField(dlg, IDC_MARGIN_RIGHT), "45");
    win::script::PressButton(dlg, IDOK);
  });
  EXPECT_EQ(Dlg_EditPageMargins(&left, &right, &top, &bottom), 1);
  EXPECT_EQ(caption, "Page Setup");
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 45);
  EXPECT_EQ(top, 12);
  EXPECT_EQ(bottom, 20);

  OnNextDialog([&](HWND dlg) {
    win::script::SetField(dlg, IDC_MARGIN_BOTTOM, "3");
    win::script::PressButton(dlg, IDCANCEL);
  });
  EXPECT_EQ(Dlg_EditPageMargins(&left, &right, &top, &bottom), 0);
  EXPECT_EQ(bottom, 20);
  EXPECT_EQ(Dlg_EditPageMargins(nullptr, &right, &top, &bottom), 0);
}

TEST_F(ViewerDialogs, PrintStatusCountsPastItsBarAndCancelSignals) {
  HANDLE abort = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HWND window = nullptr;
  CPrintReportsStatusDlg* dlg = Dlg_OpenPrintReportsStatus(nullptr, 0, 45000, abort, &window);
  ASSERT_NE(dlg, nullptr);
  ASSERT_NE(window, nullptr);
  win::script::PumpUntilIdle();
  EXPECT_EQ(win::script::Text(window), "Print Report");
  EXPECT_EQ(win::script::GetField(window, IDC_PRINT_STATUS_TEXT), "45000 pages");
  HWND bar = GetDlgItem(window, IDC_PRINT_STATUS_PROGRESS);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), PRINT_STATUS_MAX_RANGE);
  for (int i = 1; i <= 30010; ++i) SendMessageA(window, PRINT_STATUS_PROGRESS_MESSAGE, WPARAM(i), 45000);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), PRINT_STATUS_MAX_RANGE);
  EXPECT_EQ(win::script::GetField(window, IDC_PRINT_STATUS_TEXT), "30010 of 45000 pages");
  // Cancel only signals; the window stays until its owner closes it.
  EXPECT_TRUE(win::script::PressButton(window, IDCANCEL));
  EXPECT_EQ(WaitForSingleObject(abort, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDCANCEL)));
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(Dlg_ClosePrintReportsStatus(dlg));
  EXPECT_FALSE(IsWindow(window));
  CloseHandle(abort);
  EXPECT_FALSE(Dlg_ClosePrintReportsStatus(nullptr));
}

TEST_F(ViewerDialogs, PrintStatusWithoutAbortEventCannotCancel) {
  HWND window = nullptr;
  CPrintReportsStatusDlg* dlg = Dlg_OpenPrintReportsStatus(nullptr, 1, 3, nullptr, &window);
  ASSERT_NE(dlg, nullptr);
  win::script::PumpUntilIdle();
  EXPECT_EQ(win::script::Text(window), "Print File");
  RECT r{};
  GetWindowRect(GetDlgItem(window, IDCANCEL), &r);
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(r.bottom - r.top, 0);
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(IsWindow(window));
  // A window its parent took with it: closing frees the object only.
  DestroyWindow(window);
  EXPECT_FALSE(Dlg_ClosePrintReportsStatus(dlg));
}

TEST_F(ViewerDialogs, FirstPagesListReportsAndReturnsTheirFirstPage) {
  const char* path = "C:\\Reports\\three.msr";
  MakeReports(path, {2, 1, 4});
  CRptsFileHandler file(path, nullptr);
  std::vector<std::string> rows;
  std::string status;
  int selected = -1;
  OnNextDialog([&](HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_FIRST_PAGES_LIST);
    status = win::script::GetField(dlg, IDC_FIRST_PAGES_STATUS);
    for (int i = 0; i < int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); ++i) {
      // As the list asks: the page column first, its record serves the others.
      const std::string page = Cell(list, i, 0);
      const std::string date = Cell(list, i, 1);
      const std::string title = Cell(list, i, 2);
      rows.push_back(page + "|" + title + "|" + std::to_string(!date.empty()));
    }
    selected = SelectedRow(list);
    ClickRow(list, 1);
    win::script::PressButton(dlg, IDOK);
  });
  int32_t page = -1;
  // The viewer is on page 6, in the third report.
  EXPECT_EQ(Dlg_ViewFirstPages(&file, 5, &page), 1);
  EXPECT_EQ(status, "Reports: 3,  Pages: 7");
  EXPECT_EQ(rows, (std::vector<std::string>{"1|Report 1|1", "3|Report 2|1", "4|Report 3|1"}));
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(page, 2);

  OnNextDialog([&](HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_ALL_PAGES_LIST);
    status = win::script::GetField(dlg, IDC_ALL_PAGES_STATUS);
    selected = SelectedRow(list);
    const std::string page = Cell(list, 6, 0);
    rows = {page, Cell(list, 6, 2)};
    ClickRow(list, 4);
    win::script::PressButton(dlg, IDOK);
  });
  EXPECT_EQ(Dlg_ViewReportsFile(&file, 3, &page), 1);
  EXPECT_EQ(status, "Report Pages: 7");
  EXPECT_EQ(selected, 3);
  EXPECT_EQ(rows, (std::vector<std::string>{"7", "Report 3"}));
  EXPECT_EQ(page, 4);

  // Cancel keeps the caller's page.
  OnNextDialog([&](HWND dlg) { win::script::PressButton(dlg, IDCANCEL); });
  page = 9;
  EXPECT_EQ(Dlg_ViewReportsFile(&file, 3, &page), 0);
  EXPECT_EQ(page, 9);
}

TEST_F(ViewerDialogs, FilesWithoutPagesAndAFirstPageOfTimeZero) {
  const char* empty = "C:\\Reports\\empty.msr";
  CRptsFileHandler made(nullptr);
  ASSERT_EQ(made.MakeThisNewFile(empty), 1);
  std::string status;
  int count = -1;
  OnNextDialog([&](HWND dlg) {
    status = win::script::GetField(dlg, IDC_ALL_PAGES_STATUS);
    count = int(SendDlgItemMessageA(dlg, IDC_ALL_PAGES_LIST, LVM_GETITEMCOUNT, 0, 0));
    win::script::PressButton(dlg, IDOK);
  });
  int32_t page = -1;
  EXPECT_EQ(Dlg_ViewReportsFile(&made, 0, &page), 1);
  EXPECT_EQ(status, "Report Pages: 0");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Dlg_ViewFirstPages(&made, 0, &page), 0);  // ends in its start-up, unshown
  EXPECT_EQ(Dlg_ViewFirstPages(nullptr, 0, &page), 0);

  // A report stamped 0 at the head of the file is still a report.
  const char* path = "C:\\Reports\\zero.msr";
  AddPage(path, 1, 0, "Zero", {{2, 2, "first"}});
  AddPage(path, 2, 0, "Zero", {{2, 2, "second"}});
  AddPage(path, 1, 5, "Five", {{2, 2, "third"}});
  CRptsFileHandler file(path, nullptr);
  OnNextDialog([&](HWND dlg) {
    status = win::script::GetField(dlg, IDC_FIRST_PAGES_STATUS);
    win::script::PressButton(dlg, IDOK);
  });
  EXPECT_EQ(Dlg_ViewFirstPages(&file, 1, &page), 1);
  EXPECT_EQ(status, "Reports: 2,  Pages: 3");
  EXPECT_EQ(page, 0);
}

TEST_F(ViewerDialogs, ToolbarButtonsFollowThePageState) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "ToolbarHost";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, "ToolbarHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 100, nullptr, nullptr,
                              nullptr, nullptr);
  CWnd* parent = CWnd::FromHandle(host);
  auto* frame = new CWrapViewRptsToolBar;
  ASSERT_TRUE(frame->Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 40), parent));
  ASSERT_NE(frame->m_pToolBar, nullptr);
  CToolBarCtrl& bar = frame->m_pToolBar->GetToolBarCtrl();
  EXPECT_EQ(bar.GetButtonCount(), 13);
  ASSERT_NE(frame->m_pToolTips, nullptr);
  EXPECT_EQ(frame->m_pToolTips->GetToolCount(), 7);
  EXPECT_GT(frame->m_ToolBarWidth, 0);
  struct Case {
    int32_t current, count;
    uint16_t shown;
    bool help, del, prev, next, print;
  } cases[] = {
      {0, 0, 0, true, false, false, false, false},  // no page: Help alone (and the arrows by position)
      {1, 3, 0, true, false, true, true, false},
      {0, 3, 1, true, true, false, true, true},
      {2, 3, 1, true, true, true, false, true},
  };
  for (const Case& c : cases) {
    frame->SetPageState(c.current, c.count, c.shown);
    win::script::PumpUntilIdle();
    EXPECT_EQ(bool(bar.IsButtonEnabled(ID_VIEWER_HELP)), c.help);
    EXPECT_EQ(bool(bar.IsButtonEnabled(ID_VIEWER_DELETE_PAGE)), c.del);
    EXPECT_EQ(bool(bar.IsButtonEnabled(ID_VIEWER_PREVIOUS)), c.prev) << c.current;
    EXPECT_EQ(bool(bar.IsButtonEnabled(ID_VIEWER_NEXT)), c.next) << c.current;
    for (UINT id : {ID_VIEWER_PRINT_PAGE, ID_VIEWER_PRINT_REPORT, ID_VIEWER_PRINT_ALL})
      EXPECT_EQ(bool(bar.IsButtonEnabled(int(id))), c.print);
  }
  frame->DestroyWindow();
  delete frame;
  DestroyWindow(host);
}
