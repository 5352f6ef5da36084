// The general open and save-as dialogs and the report entry points:
// names offered and returned, refused files, printing a reports file at
// once under its status dialog.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/last_files.h"
#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/file_selection_dialogs.h"
#include "dialogs/print_reports_now.h"
#include "dialogs/report_entry_points.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/page_maker.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_threads.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class FileSelectionTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Data"));
    std::memset(KELT_GetKeltLastFiles(), 0, sizeof(STRUCT_LAST_FILES));
  }
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(FileSelectionTest, SaveAsOffersTheSuggestedNameWithSuffixAndExtension) {
  struct Case {
    int16_t kind;
    const char* given;
    const char* suffix;
    const char* typed;  // null: OK on the offered name
    const char* offered;
    const char* returned;
  } cases[] = {
      {SELFILE_REPORTS, "C:\\Data\\run1.kms", "-SUM", nullptr, "run1-SUM.MSR", "c:\\data\\run1-sum.msr"},
      {SELFILE_TEXT, "C:\\Data\\we\"ird?name*.kms", "-LOG", nullptr, "we ird name -LOG.TXT",
       "c:\\data\\we ird name -log.txt"},
      // A reports file typed with another extension keeps it, ".msr" after it.
      {SELFILE_REPORTS, "C:\\Data\\run1.kms", nullptr, "notes.txt", "run1.MSR", "c:\\data\\notes.txt.msr"},
      {SELFILE_REPORTS, "", nullptr, nullptr, "xxxxx.MSR", nullptr},
  };
  for (const Case& c : cases) {
    ws::ResetLogs();
    std::memset(KELT_GetKeltLastFiles(), 0, sizeof(STRUCT_LAST_FILES));
    char path[260] = {};
    std::strcpy(path, c.given);
    std::string offered, title;
    ws::OnNextDialog([&](HWND d) {
      title = ws::Text(d);
      offered = ws::GetField(d, edt1);
      if (c.typed) SetDlgItemTextA(d, edt1, c.typed);
      ws::PressButton(d, IDOK);
    });
    const int16_t r = Dlg_SelectSaveAsFileEx(nullptr, c.kind, path, 1, "C:\\Data", c.suffix);
    EXPECT_EQ(offered, c.offered) << c.given;
    if (c.returned) {
      EXPECT_EQ(r, 1) << c.given;
      EXPECT_STREQ(path, c.returned);
      // The name is kept as the last one of its kind.
      EXPECT_STREQ(c.kind == SELFILE_TEXT ? KELT_GetKeltLastFiles()->textFile : KELT_GetKeltLastFiles()->reportsFiles[0],
                   c.returned);
    }
    EXPECT_EQ(title, c.kind == SELFILE_REPORTS ? "Create Reports File" : "Create Text File");
  }
}

TEST_F(FileSelectionTest, KindsWithoutSaveAsReturnAtOnce) {
  char path[260] = "C:\\Data\\lib.db1";
  EXPECT_EQ(Dlg_SelectSaveAsFile(nullptr, SELFILE_NIST_LIBRARY, path, 0, nullptr), 0);
  EXPECT_EQ(Dlg_SelectSaveAsFile(nullptr, 99, path, 0, nullptr), 0);
  EXPECT_TRUE(ws::DialogLog().empty());
  EXPECT_STREQ(path, "C:\\Data\\lib.db1");
}

TEST_F(FileSelectionTest, AnotherTypeBecomesTheExtensionAndPicksTheSlot) {
  char path[260] = "C:\\Data\\run1.kms";
  char extension[4] = {};
  std::string renamed;
  ws::OnNextDialog([&](HWND d) {
    SetDlgItemTextA(d, edt1, "results");
    ws::PickItem(d, cmb1, 1);  // "TXT Files (*.TXT)  (Tab delimited)"
    renamed = ws::GetField(d, edt1);
    ws::PressButton(d, IDOK);
  });
  EXPECT_EQ(Dlg_SelectSaveAsFileExEx(nullptr, SELFILE_CSV, path, 1, nullptr, nullptr, extension), 1);
  EXPECT_EQ(renamed, "results.TXT");
  EXPECT_STREQ(path, "c:\\data\\results.txt");
  EXPECT_STREQ(extension, "TXT");
  EXPECT_STREQ(KELT_GetKeltLastFiles()->csvFile, "");
}

TEST_F(FileSelectionTest, ANameThatNoLongerFitsIsRefusedWhole) {
  // 250 characters of folder and name; the ".msr" added after ".txt" would
  // run past the caller's 260 bytes.
  std::string folder = "C:\\Data\\" + std::string(120, 'f');
  std::filesystem::create_directories(win::paths::ToHost(folder.c_str()));
  const std::string name = std::string(259 - folder.size() - 1 - 4, 'n') + ".txt";
  char path[260] = "C:\\Data\\keep.msr";
  ws::OnNextDialog([&](HWND d) {
    SetDlgItemTextA(d, edt1, (folder + "\\" + name).c_str());
    ws::PressButton(d, IDOK);
  });
  EXPECT_EQ(Dlg_SelectSaveAsFile(nullptr, SELFILE_REPORTS, path, 0, nullptr), 0);
  EXPECT_STREQ(path, "C:\\Data\\keep.msr");
  const auto boxes = ws::MessageBoxLog();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text, "The file name is too long.");
}

TEST_F(FileSelectionTest, OpenRefusesAFileOfTheWrongKindAndMayAskAgain) {
  std::ofstream(win::paths::ToHost("C:\\Data\\plain.mth")) << "not a method";
  char path[260] = "";
  int shown = 0;
  for (int i = 0; i < 2; ++i)
    ws::OnNextDialog([&](HWND d) {
      ++shown;
      EXPECT_EQ(ws::Text(d), "Select Methods File");
      SetDlgItemTextA(d, edt1, "plain.mth");
      ws::PressButton(d, IDOK);
    });
  ws::AnswerNextMessageBox(IDYES);
  ws::AnswerNextMessageBox(IDNO);
  EXPECT_EQ(Dlg_SelectFile(nullptr, SELFILE_METHOD, path, "C:\\Data"), 0);
  EXPECT_EQ(shown, 2);
  const auto boxes = ws::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "This is not a Methods File.\n\rDo you want to select another file?");
  EXPECT_EQ(boxes[0].caption, "Wrong File");
  EXPECT_STREQ(path, "");
  // A file of no checked kind is taken in lower case and kept as the last one.
  std::ofstream(win::paths::ToHost("C:\\Data\\Notes.TXT")) << "x";
  ws::OnNextDialog([&](HWND d) {
    SetDlgItemTextA(d, edt1, "Notes.TXT");
    ws::PressButton(d, IDOK);
  });
  EXPECT_EQ(Dlg_SelectFile(nullptr, SELFILE_TEXT, path, "C:\\Data"), 1);
  EXPECT_STREQ(path, "c:\\data\\notes.txt");
  EXPECT_STREQ(KELT_GetKeltLastFiles()->textFile, "c:\\data\\notes.txt");
}

class ReportEntryTest : public FileSelectionTest {
 protected:
  void SetUp() override {
    FileSelectionTest::SetUp();
    KELT_GetCurrDefReportPrefs(&saved_);
  }
  void TearDown() override {
    kelt::prefs::DefaultReportPrefs() = saved_;
    SetPrintJobOutput(nullptr);
    FileSelectionTest::TearDown();
  }
  // A temporary reports file of n text pages; its path.
  static std::string MakeReports(int n) {
    STRUCT_REPORT_PREFS prefs{};
    KELT_GetCurrDefReportPrefs(&prefs);
    char path[260] = {};
    CMPage* maker = MPM_InitMetaPageMaker(&prefs, 80, 60, 0);
    for (int i = 1; i <= n; ++i) {
      EXPECT_TRUE(MPM_StartNewPage(maker, 0));
      MPM_CLTextOut(maker, 4, 4, ("Page " + std::to_string(i)).c_str());
      if (i == 1) EXPECT_TRUE(MPM_SavePageInNewMSRTempFile(maker, 1, 1700000000u, "Test", path));
      else EXPECT_TRUE(MPM_SavePageInMSRFile(maker, path, static_cast<int16_t>(i), 1700000000u, "Test"));
    }
    MPM_FreeMetaPageMaker(maker);
    return path;
  }
  STRUCT_REPORT_PREFS saved_{};
};

TEST_F(ReportEntryTest, WithoutPreviewOrSpoolerTheFileIsPrintedAndATemporaryOneGoes) {
  STRUCT_REPORT_PREFS& d = kelt::prefs::DefaultReportPrefs();
  d.spooler.previewReports = 0;
  d.spooler.value0 = 0;
  d.spooler.spoolFile[0] = 0;
  const std::string reports = MakeReports(3);
  ASSERT_EQ(MSR_GetPageCount(reports.c_str()), 3);
  SetPrintJobOutput("C:\\Data\\printed.pdf");
  EXPECT_EQ(Dlg_ViewReports(reports.c_str(), 1, nullptr, 0), 1);
  EXPECT_TRUE(Exists("C:\\Data\\printed.pdf"));
  EXPECT_FALSE(Exists(reports.c_str()));
  EXPECT_EQ(std::string(kelt::dlg::LastReportAnnouncement()).rfind("Report sent to ", 0), 0u);
  // Spooler in use: nothing is printed, the spooler is named.
  const std::string kept = MakeReports(1);
  std::strcpy(d.spooler.spoolFile, kept.c_str());
  const int jobs = GetPrintJobCount();
  EXPECT_EQ(Dlg_ViewReports(kept.c_str(), 0, nullptr, 0), 1);
  EXPECT_EQ(GetPrintJobCount(), jobs);
  EXPECT_EQ(std::string(kelt::dlg::LastReportAnnouncement()), "Report sent to " + kept);
}

TEST_F(ReportEntryTest, AFailedPrintIsNotAnnouncedAsSentAndKeepsItsTemporaryFile) {
  STRUCT_REPORT_PREFS& d = kelt::prefs::DefaultReportPrefs();
  d.spooler.previewReports = 0;
  d.spooler.value0 = 0;
  d.spooler.spoolFile[0] = 0;
  const std::string reports = MakeReports(2);
  // The second page's content is gone: the print cannot finish.
  ASSERT_TRUE(DeleteSection(reports.c_str(), "MSRPage0000002"));
  SetPrintJobOutput("C:\\Data\\failed.pdf");
  EXPECT_EQ(Dlg_ViewReports(reports.c_str(), 1, nullptr, 0), 1);
  EXPECT_EQ(std::string(kelt::dlg::LastReportAnnouncement()).rfind("Report not printed", 0), 0u)
      << kelt::dlg::LastReportAnnouncement();
  EXPECT_TRUE(Exists(reports.c_str()));
}

TEST_F(ReportEntryTest, AFailedPrintKeepsItsTemporaryFile) {
  std::ofstream(win::paths::ToHost("C:\\Data\\broken.msr")) << "not a reports file";
  STRUCT_PRINT_REPORTS_JOB job{};
  std::strcpy(job.path, "C:\\Data\\broken.msr");
  job.firstPage = 0;
  job.lastPage = 2;
  job.deleteAfter = 1;
  job.doneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(job.doneEvent, nullptr);
  PrintReportsThreadProc(&job);
  EXPECT_EQ(job.result, 0);
  EXPECT_EQ(WaitForSingleObject(job.doneEvent, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(Exists("C:\\Data\\broken.msr"));
  CloseHandle(job.doneEvent);
}

TEST_F(ReportEntryTest, ThePrintingDialogCannotBeClosedWhileItsWorkerRuns) {
  const std::string reports = MakeReports(2);
  SetPrintJobOutput("C:\\Data\\two.pdf");
  kelt::dlg::CPrintReportsStatusDlg dlg(nullptr);
  ASSERT_TRUE(dlg.Prepare());
  std::snprintf(dlg.m_FilePath, sizeof dlg.m_FilePath, "%s", reports.c_str());
  dlg.m_PageCount = 2;
  dlg.m_LastPage = 1;
  bool stayed = false;
  ws::OnNextDialog([&](HWND d) {
    // Escape while the worker may still print is refused; the end comes
    // with the done event on the timer.
    if (dlg.Printing()) {
      SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
      stayed = IsWindow(d) != 0;
    } else {
      stayed = true;
    }
    for (int i = 0; i < 500 && IsWindow(d); ++i) {
      ws::PumpUntilWorkersDone();
      ws::AdvanceClock(4);
    }
  });
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(dlg.m_PrintResult, 1);
  EXPECT_TRUE(Exists("C:\\Data\\two.pdf"));
  EXPECT_TRUE(Exists(reports.c_str()));  // not marked for deletion
}

TEST_F(ReportEntryTest, PlotRangesCancelledWriteNothing) {
  SVW_OVERLAY overlay{};
  double values[6] = {1, 2, 3, 4, 5, 6};
  ws::OnNextDialog([](HWND d) { ws::PressButton(d, IDCANCEL); });
  EXPECT_FALSE(Dlg_EditOPlotsParams(1, &overlay, 0, &values[0], &values[1], &values[2], &values[3], &values[4],
                                    &values[5]));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(values[i], i + 1);
}

}  // namespace
