#pragma once
// Test support for the report viewer and its dialogs: the library started
// in a root of its own with a PDF report printer, and reports files of
// metafile pages made by the page maker, each page with texts at grid
// places, the reports told apart by their time stamps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/tests/startup_root_fixture.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_status_dialog.h"
#include "reportpages/view_page_control.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_stdio.h"

struct PageText {
  int16_t column, line;
  std::string text;
};

class ViewerRootTest : public StartupRootTest {
 protected:
  void SetUp() override {
    const char* before = getenv("KELT_ROOT");
    rootBefore_ = before ? before : "";
    StartupRootTest::SetUp();
    Attach();
    CreateDirectoryA("C:\\Reports", nullptr);
    CreateDirectoryA("C:\\TEMP", nullptr);
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    KELT_GetCurrDefReportPrefs(&prefs_);
  }
  void TearDown() override {
    SetPrintJobOutput(nullptr);
    kelt::pages::DeleteCachedPrinterDCs();
    g_nPrintAbortCode = 0;
    StartupRootTest::TearDown();
    // The other tests of this program run on the library as it was loaded.
    if (rootBefore_.empty()) unsetenv("KELT_ROOT");
    else setenv("KELT_ROOT", rootBefore_.c_str(), 1);
    win::paths::ResetRoot();
    kelt::lib::ProcessAttach();
  }
  // One metafile page of 80 x 60 appended to path (made when missing),
  // stored with the orientation word (0/1 fixed, 2/3 free to turn).
  void AddPage(const char* path, uint16_t pageNumber, uint32_t stamp, const char* title,
               const std::vector<PageText>& texts, uint16_t orientation = 2) {
    if (MSR_GetPageCount(path) < 0) {
      CRptsFileHandler* h = MSR_InitRptsFileHandler(nullptr, nullptr);
      ASSERT_EQ(MSR_MakeThisNewFile(h, path), 1);
      MSR_FreeRptsFileHandler(h);
    }
    const bool landscape = orientation == 1 || orientation == 3;
    CMPage* page = MPM_InitMetaPageMaker(&prefs_, 80, 60, landscape ? 1 : 0);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(MPM_StartNewPage(page, 0));
    int16_t w = 0, h = 0;
    MPM_SelectFixedFont(page, &w, &h);
    for (const PageText& t : texts) MPM_CLTextOut(page, t.column, t.line, t.text.c_str());
    HGLOBAL block = MPM_EndPage(page);
    MPM_FreeMetaPageMaker(page);
    ASSERT_NE(block, nullptr);
    CRptsFileHandler file(path, nullptr);
    const int added = file.AddPageToFile(GlobalLock(block), uint32_t(GlobalSize(block)), 1, 80, 60, orientation, 1, 2,
                                         32767, 32767, pageNumber, stamp, title);
    GlobalUnlock(block);
    GlobalFree(block);
    ASSERT_EQ(added, 1);
  }
  // Reports of the given sizes; report r has time stamp 1700000000 + r hours and
  // pages that say "Report r page p".
  void MakeReports(const char* path, const std::vector<int>& sizes) {
    for (size_t r = 0; r < sizes.size(); ++r)
      for (int p = 1; p <= sizes[r]; ++p) {
        const std::string text = "Report " + std::to_string(r + 1) + " page " + std::to_string(p);
        const std::string title = "Report " + std::to_string(r + 1);
        AddPage(path, uint16_t(p), uint32_t(1700000000 + 3600 * r), title.c_str(), {{2, 1, title}, {4, 5, text}});
      }
  }
  STRUCT_REPORT_PREFS prefs_{};
  std::string rootBefore_;
};
