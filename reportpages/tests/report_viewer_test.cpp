// The report viewer driven as a user would: opening, moving, deleting,
// saving, orientation, export and printing on the worker thread with its
// status window and abort.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "dialogs/entry_range_dialog.h"
#include "framework/framework_wnd.h"
#include "dialogs/reports_file_open_dialog.h"
#include "reportpages/print_status_window.h"
#include "reportpages/report_viewer.h"
#include "reportpages/viewer_toolbar.h"
#include "ulbrec32/page_buffer.h"
#include "testing/golden_window.h"
#include "viewer_fixture.h"
#include "win/win_commctrl.h"
#include "win/win_clipboard.h"
#include "win/win_commdlg.h"

namespace {

using win::script::OnNextDialog;
using win::script::PickMenuCommand;

CViewReportsDlg* Viewer(HWND dlg) { return dynamic_cast<CViewReportsDlg*>(CWnd::FromHandlePermanent(dlg)); }

// Answers the next file dialog with a name.
void AnswerFileDialog(const std::string& name) {
  OnNextDialog([name](HWND dlg) {
    win::script::SetField(dlg, edt1, name);
    win::script::PressButton(dlg, IDOK);
  });
}

// Answers the next reports-file open dialog: the name typed, then its
// "Select" (the dialog's own OK is out of use).
void AnswerReportsFileDialog(const std::string& name) {
  OnNextDialog([name](HWND dlg) {
    win::script::SetField(dlg, edt1, name);
    if (HWND select = win::script::FindById(dlg, IDC_SRF_SELECT)) win::script::PressButton(GetParent(select), IDC_SRF_SELECT);
  });
}

bool ToolbarEnabled(CViewReportsDlg* v, UINT id) {
  win::script::PumpUntilIdle();
  return v->m_pToolBar && v->m_pToolBar->GetToolBarCtrl().IsButtonEnabled(int(id));
}

class ReportViewer : public ViewerRootTest {
 protected:
  // Runs the viewer on path with the script, then ends it.
  void Run(const char* path, int16_t temporary, std::function<void(HWND, CViewReportsDlg*)> script) {
    OnNextDialog([&](HWND dlg) {
      CViewReportsDlg* v = Viewer(dlg);
      ASSERT_NE(v, nullptr);
      script(dlg, v);
      if (IsWindow(dlg)) PickMenuCommand(dlg, ID_VR_EXIT);
    });
    EXPECT_EQ(Dlg_ViewReportsAlways(path, temporary, &prefs_, 0), 1);
  }
  static std::string Caption(HWND dlg) { return win::script::Text(dlg); }
  // Lets the worker run and the 4 ms timer see it end.
  static void FinishPrint(CViewReportsDlg* v) {
    for (int i = 0; i < 2000 && v->Printing(); ++i) {
      win::script::PumpUntilWorkersDone();
      win::script::AdvanceClock(4);
    }
  }
  // The status text of a print of `total` pages: the count, or, once the
  // worker has got that far, "k of total pages".
  static ::testing::AssertionResult CountsPages(const std::string& text, int total) {
    const std::string tail = std::to_string(total) + " pages";
    if (text == tail) return ::testing::AssertionSuccess();
    for (int k = 1; k <= total; ++k)
      if (text == std::to_string(k) + " of " + tail) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << '"' << text << "\" does not count " << total << " pages";
  }
  std::string Pages(const char* pdf) {
    const std::string out = root_ + "/info.txt";
    const std::string cmd = "pdfinfo '" + win::paths::ToHost(pdf) + "' > '" + out + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return "none";
    const std::string info = ReadHost(out);
    const size_t at = info.find("Pages:");
    if (at == std::string::npos) return "none";
    const size_t end = info.find('\n', at);
    std::string n = info.substr(at + 6, end - at - 6);
    n.erase(0, n.find_first_not_of(' '));
    return n;
  }
  static std::string ReadHost(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  const char* three_ = "C:\\Reports\\three.msr";
};

}  // namespace

TEST_F(ReportViewer, OpensOnTheLastReportAndMovesByPage) {
  MakeReports(three_, {2, 1, 4});
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_EQ(Caption(dlg), "Page 4 of 7 in C:\\Reports\\three.msr");
    EXPECT_EQ(v->m_CurrentPage, 3);
    EXPECT_TRUE(ToolbarEnabled(v, ID_VIEWER_PREVIOUS));
    EXPECT_TRUE(ToolbarEnabled(v, ID_VIEWER_PRINT_PAGE));
    int32_t first = -1, last = -1;
    EXPECT_TRUE(v->ReportRange(&first, &last));
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 6);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_NEXT));
    EXPECT_EQ(Caption(dlg), "Page 7 of 7 in C:\\Reports\\three.msr");
    EXPECT_FALSE(ToolbarEnabled(v, ID_VIEWER_NEXT));
    EXPECT_FALSE(PickMenuCommand(dlg, ID_VR_NEXT));  // grayed on the last page
    for (int i = 0; i < 5; ++i) PickMenuCommand(dlg, ID_VR_PREVIOUS);
    EXPECT_EQ(v->m_CurrentPage, 1);
    EXPECT_TRUE(v->ReportRange(&first, &last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    PickMenuCommand(dlg, ID_VR_PREVIOUS);
    EXPECT_FALSE(ToolbarEnabled(v, ID_VIEWER_PREVIOUS));
    // The toolbar's Next arrives as the menu's.
    SendMessageA(dlg, WM_COMMAND, ID_VIEWER_NEXT, 0);
    EXPECT_EQ(v->m_CurrentPage, 1);
    // A page chosen from the first pages list.
    OnNextDialog([](HWND list) {
      HWND l = GetDlgItem(list, 4920);
      LVITEMA it{};
      it.state = it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(l, LVM_SETITEMSTATE, 1, LPARAM(&it));
      win::script::PressButton(list, IDOK);
    });
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_VIEW_FIRST));
    EXPECT_EQ(v->m_CurrentPage, 2);
  });
  const char* one = "C:\\Reports\\one.msr";
  MakeReports(one, {1});
  Run(one, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_EQ(Caption(dlg), "Page 1 of 1 in C:\\Reports\\one.msr");
    EXPECT_FALSE(ToolbarEnabled(v, ID_VIEWER_NEXT));
    EXPECT_FALSE(ToolbarEnabled(v, ID_VIEWER_PREVIOUS));
    EXPECT_TRUE(ToolbarEnabled(v, ID_VIEWER_DELETE_PAGE));
  });
}

TEST_F(ReportViewer, DeletingPagesReportsAndFiles) {
  const char* one = "C:\\Reports\\one.msr";
  MakeReports(one, {1});
  Run(one, 0, [&](HWND dlg, CViewReportsDlg* v) {
    win::script::AnswerNextMessageBox(IDYES);
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_DELETE_PAGE));
    EXPECT_EQ(Caption(dlg), "View Reports File");
    EXPECT_FALSE(ToolbarEnabled(v, ID_VIEWER_DELETE_PAGE));
    EXPECT_FALSE(PickMenuCommand(dlg, ID_VR_SAVE_AS));
  });
  EXPECT_FALSE(FileExists(one));
  EXPECT_EQ(win::script::MessageBoxLog().back().text, "Delete this page?");

  // A report that is the whole file takes the file with it.
  const char* whole = "C:\\Reports\\whole.msr";
  MakeReports(whole, {3});
  Run(whole, 0, [&](HWND dlg, CViewReportsDlg*) {
    win::script::AnswerNextMessageBox(IDYES);
    PickMenuCommand(dlg, ID_VR_DELETE_REPORT);
    EXPECT_EQ(Caption(dlg), "View Reports File");
  });
  EXPECT_FALSE(FileExists(whole));

  MakeReports(three_, {2, 1, 4});
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg* v) {
    v->m_CurrentPage = 2;
    v->ShowCurrentPage();
    win::script::AnswerNextMessageBox(IDNO);
    PickMenuCommand(dlg, ID_VR_DELETE_REPORT);
    EXPECT_EQ(v->m_PageCount, 7);
    win::script::AnswerNextMessageBox(IDYES);
    PickMenuCommand(dlg, ID_VR_DELETE_REPORT);
    EXPECT_EQ(v->m_PageCount, 6);
    EXPECT_EQ(v->m_CurrentPage, 2);
    EXPECT_STREQ(v->m_PageRecord.title, "Report 3");
    // The last page deleted: the one before it is shown.
    v->m_CurrentPage = 5;
    v->ShowCurrentPage();
    win::script::AnswerNextMessageBox(IDYES);
    PickMenuCommand(dlg, ID_VR_DELETE_PAGE);
    EXPECT_EQ(v->m_CurrentPage, 4);
    EXPECT_EQ(Caption(dlg), "Page 5 of 5 in C:\\Reports\\three.msr");
    win::script::AnswerNextMessageBox(IDYES);
    PickMenuCommand(dlg, ID_VR_DELETE_FILE);
  });
  EXPECT_FALSE(FileExists(three_));
  EXPECT_EQ(win::script::MessageBoxLog().back().text, "Delete C:\\Reports\\three.msr ?");
}

TEST_F(ReportViewer, TemporaryFilesAndSaveAs) {
  // A reports file's name keeps its ".msr" when it is typed again.
  const char* temp = "C:\\TEMP\\CCC1.msr";
  MakeReports(temp, {1, 2});
  const char* saved = "C:\\Reports\\kept.msr";
  Run(temp, 1, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_EQ(Caption(dlg), "Page 2 of 3 of Report: Report 2");
    EXPECT_FALSE(PickMenuCommand(dlg, ID_VR_DELETE_FILE));
    // Saving onto the shown file itself is refused: the file stays.
    AnswerFileDialog(temp);
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_SAVE_AS));
    EXPECT_TRUE(FileExists(temp));
    EXPECT_EQ(v->m_Temporary, 1);
    EXPECT_EQ(win::script::Text(win::script::FindTopLevel("Not Done")), "Not Done");
    // Saved elsewhere, the viewer follows the moved file.
    AnswerFileDialog(saved);
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_SAVE_AS));
    EXPECT_FALSE(FileExists(temp));
    EXPECT_EQ(v->m_Temporary, 0);
    EXPECT_EQ(Caption(dlg), "Page 2 of 3 in c:\\reports\\kept.msr");  // chosen names come back in lower case
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_NEXT));
  });
  EXPECT_EQ(MSR_GetPageCount(saved), 3);  // not deleted at close: no longer temporary

  const char* temp2 = "C:\\TEMP\\CCC2.tmp";
  MakeReports(temp2, {1});
  Run(temp2, 1, [&](HWND, CViewReportsDlg*) {});
  EXPECT_FALSE(FileExists(temp2));
}

TEST_F(ReportViewer, OrientationTurnsOnlyFreePages) {
  const char* path = "C:\\Reports\\turns.msr";
  AddPage(path, 1, 1, "Fixed", {{2, 2, "fixed portrait"}}, 0);
  AddPage(path, 1, 2, "Free", {{2, 2, "free portrait"}}, 2);
  Run(path, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_EQ(v->m_CurrentPage, 1);
    PickMenuCommand(dlg, ID_VR_LANDSCAPE);
    EXPECT_EQ(v->m_PageRecord.orientation, 3);
    EXPECT_EQ(v->m_Portrait, 0);
    PAGE_BUFFER_PAGE_INFO info{};
    ASSERT_TRUE(ReadBufferPage(v->m_PageBuffer, 0, nullptr, nullptr, &info, nullptr));
    EXPECT_EQ(info.orientation, 3);
    PickMenuCommand(dlg, ID_VR_BEST);
    EXPECT_EQ(v->m_PageRecord.orientation, 2);
    EXPECT_EQ(v->m_UsesDefaults, 1);
    PickMenuCommand(dlg, ID_VR_PREVIOUS);
    for (UINT id : {ID_VR_LANDSCAPE, ID_VR_PORTRAIT, ID_VR_BEST}) {
      PickMenuCommand(dlg, id);
      EXPECT_EQ(v->m_PageRecord.orientation, 0);
    }
    PickMenuCommand(dlg, ID_VR_LANDSCAPE);
  });
  // The defaults were the viewer's: the preference was written for the next.
  STRUCT_REPORT_PREFS read{};
  KELT_ReadDefReportPrefs(&read, "KELTDefRptPrefs");  // 0: a valid record, taken as it is
  EXPECT_EQ(read.spooler.orientation, 2);
}

TEST_F(ReportViewer, TextReportExportsItsPagesInOrder) {
  const char* path = "C:\\Reports\\text.msr";
  CRptsFileHandler file(nullptr);
  ASSERT_EQ(file.MakeThisNewFile(path), 1);
  for (int p = 1; p <= 2; ++p) {
    const std::string e = std::string{2, 0, 0} + "Text page " + std::to_string(p) + std::string(1, '\0') +
                          std::string{0, 2, 0} + "row three" + std::string(1, '\0') + "\xFF";
    ASSERT_EQ(file.AddPageToFile(e.data(), uint32_t(e.size()), 2, 40, 5, 0, 0, 2, 0, 0, uint16_t(p), 77, "Text"), 1);
  }
  const char* out = "C:\\Reports\\text.txt";
  std::string startName = "unset";
  Run(path, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_EQ(v->m_CurrentPage, 0);
    OnNextDialog([&](HWND save) {
      startName = win::script::GetField(save, edt1);
      win::script::SetField(save, edt1, out);
      win::script::PressButton(save, IDOK);
    });
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_EXPORT_FILE));
  });
  EXPECT_EQ(startName, "xxxxx-XXXXX.TXT");  // no name to start from: the placeholder and the suffix
  EXPECT_EQ(ReadHost(win::paths::ToHost(out)),
            "  Text page 1\r\n\r\nrow three\r\n  Text page 2\r\n\r\nrow three\r\n");
}

TEST_F(ReportViewer, PrintsThePageAndOneReportWithoutStatusWindow) {
  MakeReports(three_, {2, 1, 4});
  const char* pdf = "C:\\Reports\\out.pdf";
  SetPrintJobOutput(pdf);
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_PRINT_PAGE));
    EXPECT_EQ(Pages(pdf), "1");
    DeleteFileA(pdf);
    SetPrintJobOutput(pdf);
    // The one-page report: the worker prints under the wait cursor.
    v->m_CurrentPage = 2;
    v->ShowCurrentPage();
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_PRINT_REPORT));
    EXPECT_TRUE(v->Printing());
    EXPECT_EQ(win::script::CurrentCursorName(), "IDC_WAIT");
    EXPECT_EQ(win::script::FindTopLevel("Print Report"), nullptr);
    FinishPrint(v);
    EXPECT_FALSE(v->Printing());
    EXPECT_EQ(v->m_LastPrintResult, 1);
    EXPECT_EQ(win::script::CurrentCursorName(), "IDC_ARROW");
  });
  EXPECT_EQ(Pages(pdf), "1");
}

TEST_F(ReportViewer, PrintsAReportUnderTheStatusWindow) {
  MakeReports(three_, {2, 1, 4});
  const char* pdf = "C:\\Reports\\out.pdf";
  SetPrintJobOutput(pdf);
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_PRINT_REPORT));
    HWND status = v->m_pJob->statusWindow;
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(CountsPages(win::script::GetField(status, IDC_PRINT_STATUS_TEXT), 4));
    // One print at a time: a second is refused while the first runs.
    const size_t beeps = win::script::BeepLog().size();
    SendMessageA(dlg, WM_COMMAND, ID_VR_PRINT_REPORT, 0);
    EXPECT_EQ(win::script::BeepLog().size(), beeps + 1);
    FinishPrint(v);
    EXPECT_FALSE(IsWindow(status));
    EXPECT_EQ(v->m_LastPrintResult, 1);
  });
  EXPECT_EQ(Pages(pdf), "4");
}

TEST_F(ReportViewer, PrintAllCountsTheChosenPagesAndCancelStopsIt) {
  MakeReports(three_, {2, 1, 4, 3, 2});
  const char* pdf = "C:\\Reports\\all.pdf";
  SetPrintJobOutput(pdf);
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg* v) {
    // Pages 2 to 3 of 12: the bar counts two pages.
    OnNextDialog([](HWND range) {
      win::script::SetField(range, IDC_ENTRY_RANGE_FROM, "2");
      win::script::SetField(range, IDC_ENTRY_RANGE_TO, "3");
      win::script::PressButton(range, IDC_ENTRY_RANGE_OK);
    });
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_PRINT_ALL));
    ASSERT_NE(v->m_pJob->statusWindow, nullptr);
    EXPECT_EQ(win::script::Text(v->m_pJob->statusWindow), "Print File");
    EXPECT_TRUE(CountsPages(win::script::GetField(v->m_pJob->statusWindow, IDC_PRINT_STATUS_TEXT), 2));
    FinishPrint(v);
    EXPECT_EQ(v->m_LastPrintResult, 1);
    EXPECT_EQ(Pages(pdf), "2");

    // All twelve, cancelled once the first page is done.
    OnNextDialog([](HWND range) { win::script::PressButton(range, IDC_ENTRY_RANGE_OK); });
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_PRINT_ALL));
    HWND status = v->m_pJob->statusWindow;
    ASSERT_NE(status, nullptr);
    for (int i = 0; i < 5000 && win::script::GetField(status, IDC_PRINT_STATUS_TEXT) == "12 pages"; ++i) {
      // Serves the worker's sent messages only, one progress at a time
      // (a full pump would let the whole print run).
      MSG m;
      PeekMessageA(&m, nullptr, 0x7FFF, 0x7FFF, PM_NOREMOVE);
      Sleep(1);
    }
    // The Cancel button's command, given while the worker waits on its
    // next progress message.
    SendMessageA(status, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(status, IDCANCEL)));
    // The timer's next tick (ticks wait while the worker keeps the queue busy).
    SendMessageA(dlg, WM_TIMER, VIEWER_PRINT_TIMER, 0);
    EXPECT_EQ(g_nPrintAbortCode, -2);
    FinishPrint(v);
    EXPECT_FALSE(IsWindow(status));
    EXPECT_EQ(v->m_LastPrintResult, 0);
    EXPECT_EQ(g_nPrintAbortCode, -2);
  });
  const std::string printed = Pages("C:\\Reports\\all-2.pdf");
  // However far the worker got before the Cancel reached it, it stopped short of the twelve.
  ASSERT_TRUE(!printed.empty() && printed.find_first_not_of("0123456789") == std::string::npos) << printed;
  EXPECT_LT(std::stoi(printed), 12) << printed;
}

TEST_F(ReportViewer, ClosingWhilePrintingStopsAndWaitsForTheWorker) {
  MakeReports(three_, {2, 6});
  SetPrintJobOutput("C:\\Reports\\closed.pdf");
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_PRINT_REPORT));
    EXPECT_TRUE(v->Printing());
    PickMenuCommand(dlg, ID_VR_EXIT);  // at once, the worker perhaps mid-print
  });
  // The worker was waited for before the job and the events went (the
  // sanitizer sees a use after free else) and its status window is gone.
  EXPECT_EQ(win::script::FindTopLevel("Print Report"), nullptr);
}

TEST_F(ReportViewer, WindowPictures) {
  MakeReports(three_, {1, 2});
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg*) {
    MoveWindow(dlg, 0, 0, 600, 760, TRUE);
    win::script::PumpUntilIdle();
    testing_support::ExpectWindowAsStored(dlg, REPORTPAGES_GOLDEN_DIR, "viewer-whole.png");
    HWND page = GetDlgItem(dlg, IDC_VIEW_PAGE);
    win::script::DoubleClick(page, 60, 40);
    win::script::PumpUntilIdle();
    testing_support::ExpectWindowAsStored(dlg, REPORTPAGES_GOLDEN_DIR, "viewer-zoomed.png");
  });
}

TEST_F(ReportViewer, CopiesPagesAndReportsIntoAnotherFileAndExportsToTheClipboard) {
  MakeReports(three_, {2, 3});
  const char* target = "C:\\Reports\\target.msr";
  MakeReports(target, {1});
  Run(three_, 0, [&](HWND dlg, CViewReportsDlg* v) {
    EXPECT_EQ(v->m_CurrentPage, 2);
    AnswerReportsFileDialog(target);
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_COPY_PAGE));
    EXPECT_EQ(MSR_GetPageCount(target), 2);
    AnswerReportsFileDialog(target);
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_COPY_REPORT));
    EXPECT_EQ(MSR_GetPageCount(target), 5);
    // A cancelled choice copies nothing.
    OnNextDialog([](HWND open) { win::script::PressButton(open, IDCANCEL); });
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_COPY_REPORT));
    EXPECT_EQ(MSR_GetPageCount(target), 5);
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_CLIP_TEXT));
    std::string text;
    if (OpenClipboard(nullptr)) {
      if (HANDLE h = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(h));
        GlobalUnlock(h);
      }
      CloseClipboard();
    }
    EXPECT_NE(text.find("Report 2 page 1"), std::string::npos) << text;
    EXPECT_TRUE(PickMenuCommand(dlg, ID_VR_CLIP_ALL));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
  });
  CRptsFileHandler copied(target, nullptr);
  RptsPageRecord r{};
  uint32_t size = 0;
  void* bits = copied.GetPage(4, &r, &size);
  ASSERT_NE(bits, nullptr);
  FreeBlock(bits);
  EXPECT_STREQ(r.title, "Report 2");
  EXPECT_EQ(r.pageNumber, 3);
}
