// Paged report output: headers and page numbers, page breaks, fonts, a
// clean stop after a cancel or an error, temporary files, the status window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "reportpages/report_output.h"
#include "reportpages/tests/page_records.h"
#include "reportpages/view_page_control.h"
#include "win/win_commctrl.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

const char kFile[] = "C:\\Reports\\out.msr";

class ReportOutput : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    KELT_ResetDefReportPrefs(&prefs_);
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    CreateDirectoryA("C:\\Reports", nullptr);
    CreateDirectoryA("C:\\TEMP", nullptr);
    CRptsFileHandler made(nullptr);
    ASSERT_EQ(made.MakeThisNewFile(kFile), 1);
    std::strcpy(name_, kFile);
  }
  void TearDown() override {
    g_bCancelReport = 0;
    kelt::pages::DeleteCachedPrinterDCs();
    KeltRootTest::TearDown();
  }
  static void Header(CReportOutput& out, const char* title) {
    out.HeaderUsed[0] = 1;
    std::strcpy(out.HeaderText[0], title);
    out.HeaderLine[0] = 1;
    out.HeaderColumn[0] = 4;
    out.HeaderFont[0] = kFontLarge;
    out.SetPageNumberTitle(title);
    out.PageNumberOn = 1;
    out.FirstBodyLine = 3;
  }
  STRUCT_REPORT_PREFS prefs_{};
  char name_[MAX_PATH] = {};
};

}  // namespace

TEST_F(ReportOutput, PagesBreakByThemselvesAndNumberTheirHeaders) {
  {
    CReportOutput out(name_, &prefs_, 80, 10, 2, REPORT_OUTPUT_PAGES);
    ASSERT_EQ(out.Ok, 1);
    Header(out, "Peak Table");
    out.WriteHeaderLines();
    out.SelectFixedFont();
    out.LabelColumn = 2;
    for (int i = 0; i < 15; ++i) {
      out.SetLine("row %d", i);
      out.WriteLine();
    }
    EXPECT_EQ(out.FontIndex, kFontFixed);  // reselected after each break
    ASSERT_EQ(out.EndPage(), 1);
    EXPECT_EQ(out.PagesStored, 3);
  }
  CRptsFileHandler file(kFile, nullptr);
  ASSERT_EQ(file.GetCountOfPages(), 3);
  const char* titles[] = {"Peak Table", "Peak Table - Page 2", "Peak Table - Page 3"};
  for (int i = 0; i < 3; ++i) {
    RptsPageRecord r{};
    const Played p = PlayStored(file, i, &r);
    EXPECT_STREQ(r.title, titles[i]);
    EXPECT_EQ(int(r.pageNumber), i + 1);
    EXPECT_EQ(int(r.orientation), 2);
    EXPECT_EQ(int(r.columns), 80);
    EXPECT_TRUE(HasText(p, titles[i], 4 * 32767 / 80, 1 * 32000 / 10 + 600)) << i;
  }
  // Lines 3..9 on each page: rows 0-6, then 7-13, then 14.
  const Played second = PlayStored(file, 1);
  EXPECT_TRUE(HasText(second, "row 7", 2 * 32767 / 80, 3 * 32000 / 10 + 600));
  EXPECT_TRUE(HasText(second, "row 13", -1, 9 * 32000 / 10 + 600));
  EXPECT_TRUE(HasText(PlayStored(file, 2), "row 14"));
}

TEST_F(ReportOutput, BlankLinesPastThePageAreDropped) {
  CReportOutput out(name_, &prefs_, 80, 5, 2, REPORT_OUTPUT_PAGES);
  Header(out, "Blank");
  out.WriteHeaderLines();
  out.Line = 5;
  std::strcpy(out.LineBuffer, "   ");
  out.WriteLine();
  EXPECT_EQ(out.PageNumber, 1);
  EXPECT_EQ(out.Line, 5);
  std::strcpy(out.LineBuffer, "text");
  out.WriteLine();
  EXPECT_EQ(out.PageNumber, 2);
  EXPECT_EQ(out.Line, 4);
}

TEST_F(ReportOutput, PageNumberFormatsCannotInjectDirectives) {
  struct Case {
    const char* format;
    int number;
    const char* out;
  } cases[] = {
      {"Title - Page %d", 2, "Title - Page 2"},
      {"C:\\100%s\\%n%x - Page %d", 3, "C:\\100%s\\%n%x - Page 3"},
      {"50%% done - Page %ld", 4, "50% done - Page 4"},
      {"%d and %d", 5, "5 and %d"},
      {"trailing %", 6, "trailing %"},
  };
  for (const Case& c : cases) {
    char out[81];
    FormatPageNumber(c.format, c.number, out, sizeof out);
    EXPECT_STREQ(out, c.out) << c.format;
  }
  CReportOutput out(name_, &prefs_, 80, 60, 2, REPORT_OUTPUT_PAGES);
  out.SetPageNumberTitle("D:\\%s%s%s\\run.kms");
  char text[81];
  FormatPageNumber(out.PageNumberFormat, 12, text, sizeof text);
  EXPECT_STREQ(text, "D:\\%s%s%s\\run.kms - Page 12");
  const std::string longTitle(200, 'x');
  out.SetPageNumberTitle(longTitle.c_str());
  FormatPageNumber(out.PageNumberFormat, 99999, text, sizeof text);
  EXPECT_EQ(std::string(text).size(), 80u);
  EXPECT_EQ(std::string(text).substr(67), " - Page 99999");
}

TEST_F(ReportOutput, ACancelledOrFailedReportStoresItsClosingPageAndStops) {
  struct Case {
    bool cancel;
    const char* message;
  } cases[] = {{true, "REPORT CANCELLED"}, {false, "REPORT TERMINATED - ERROR OCCURRED"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    CRptsFileHandler made(nullptr);
    ASSERT_EQ(made.MakeThisNewFile(kFile), 1);
    {
      CReportOutput out(name_, &prefs_, 80, 60, 2, REPORT_OUTPUT_PAGES);
      Header(out, "Stopping");
      out.WriteHeaderLines();
      out.TextAtColumn(2, "before");
      if (c.cancel) g_bCancelReport = 1;
      else out.Ok = 0;  // as any failed step leaves it
      out.TextAtColumn(2, "after");
      EXPECT_EQ(out.Ok, 0);
      EXPECT_EQ(out.NewPage(), 0);  // stores the closing page, starts none
      EXPECT_EQ(out.PagesStored, 1);
      g_bCancelReport = 0;
      EXPECT_EQ(out.NewPage(), 0);
      out.TextAtColumn(2, "later");
      EXPECT_EQ(out.EndPage(), 0);
      EXPECT_EQ(out.PagesStored, 1);
    }
    CRptsFileHandler file(kFile, nullptr);
    ASSERT_EQ(file.GetCountOfPages(), 1);
    const Played p = PlayStored(file, 0);
    EXPECT_TRUE(HasText(p, "before"));
    EXPECT_FALSE(HasText(p, "after"));
    EXPECT_TRUE(HasText(p, c.message, 1000, 31000));
  }
  // A new report clears a cancel left over from the last one.
  g_bCancelReport = 1;
  CReportOutput next(name_, &prefs_, 80, 60, 2, REPORT_OUTPUT_PAGES);
  EXPECT_EQ(g_bCancelReport, 0);
}

TEST_F(ReportOutput, SinglePageModeStoresNothingOnOverflow) {
  CReportOutput out(name_, &prefs_, 80, 4, 2, REPORT_OUTPUT_PAGES);
  out.KeepPage = 1;
  out.FirstBodyLine = 1;
  for (int i = 0; i < 5; ++i) {
    std::strcpy(out.LineBuffer, "line");
    out.WriteLine();
  }
  EXPECT_EQ(out.PageOverflowed, 1);
  EXPECT_EQ(out.Ok, 0);
  EXPECT_EQ(out.PagesStored, 0);
  HGLOBAL bits = out.Page->EndPage();  // the caller takes the page itself
  ASSERT_NE(bits, nullptr);
  GlobalFree(bits);
  EXPECT_EQ(CRptsFileHandler(kFile, nullptr).GetCountOfPages(), 0);
}

TEST_F(ReportOutput, TemporaryFilesOfFailedReportsDoNotRemain) {
  char temp[MAX_PATH] = "";
  {
    CReportOutput out(temp, &prefs_, 80, 60, 1, REPORT_OUTPUT_PAGES);
    ASSERT_EQ(out.Ok, 1);
    EXPECT_EQ(out.TempFileMade, 1);
    EXPECT_EQ(std::strncmp(temp, "C:\\TEMP\\CCC", 11), 0) << temp;
    EXPECT_TRUE(MSR_FILE_TYPE == 790 && IsSectionFileOfType(temp, 790));
    g_bCancelReport = 1;
    out.TextAtColumn(1, "x");
  }
  EXPECT_FALSE(FileExists(temp));
  char kept[MAX_PATH] = "";
  {
    CReportOutput out(kept, &prefs_, 80, 60, 1, REPORT_OUTPUT_PAGES);
    out.TextAtColumn(1, "x");
    ASSERT_EQ(out.EndPage(), 1);
  }
  CRptsFileHandler file(kept, nullptr);
  RptsPageRecord r{};
  PlayStored(file, 0, &r);
  EXPECT_EQ(int(r.orientation), 1);
  // No name buffer: nothing can be stored.
  CReportOutput none(nullptr, &prefs_, 80, 60, 2, REPORT_OUTPUT_PAGES);
  EXPECT_EQ(none.EndPage(), 0);
  EXPECT_EQ(none.Ok, 0);
}

TEST_F(ReportOutput, StatusWindowStepsAndCancels) {
  CReportOutput out(name_, &prefs_, 80, 60, 2, REPORT_OUTPUT_PAGES);
  out.OpenStatusDialog(40000);
  ASSERT_NE(out.StatusDialog, nullptr);
  HWND dlg = out.StatusDialog->m_hWnd;
  ASSERT_TRUE(IsWindowVisible(dlg));
  EXPECT_EQ(win::script::Text(dlg), "Report Status");
  HWND bar = GetDlgItem(dlg, REPORT_STATUS_PROGRESS);
  PBRANGE range{};
  SendMessageA(bar, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iHigh, 32767);
  out.StepStatusDialog();
  out.StepStatusDialog();
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2);
  // The Cancel button is in view; Escape presses it.
  HWND cancel = GetDlgItem(dlg, IDCANCEL);
  RECT rc{};
  GetWindowRect(cancel, &rc);
  EXPECT_GT(rc.right - rc.left, 0);
  EXPECT_TRUE(IsWindowVisible(cancel));
  SetFocus(dlg);
  win::script::PressKey(VK_ESCAPE);
  win::script::PumpUntilIdle();
  EXPECT_EQ(g_bCancelReport, 1);
  EXPECT_TRUE(IsWindow(dlg));
  EXPECT_FALSE(IsWindowEnabled(cancel));
  out.CloseStatusDialog();
  EXPECT_FALSE(IsWindow(dlg));
  out.StepStatusDialog();  // nothing open: nothing happens
}

TEST_F(ReportOutput, AbortCodes) {
  g_nPrintAbortCode = 0;
  for (int code : {0, 1, -6, 7}) {
    EXPECT_EQ(KELT_AbortPrintReportsStatus(nullptr, code), TRUE) << code;
    EXPECT_EQ(g_nPrintAbortCode, 0);
  }
  for (int code : {-1, -2, -3, -4, -5}) {
    EXPECT_EQ(KELT_AbortPrintReportsStatus(nullptr, code), FALSE) << code;
    EXPECT_EQ(g_nPrintAbortCode, code);
  }
  g_nPrintAbortCode = 0;
}
