// The page maker exports: drawing one page and storing it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "reportpages/page_maker.h"
#include "reportpages/reports_file.h"
#include "reportpages/view_page_control.h"
#include "testing/section_bytes.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

class PageMaker : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    KELT_ResetDefReportPrefs(&prefs_);
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    CreateDirectoryA("C:\\TEMP", nullptr);
  }
  void TearDown() override {
    kelt::pages::DeleteCachedPrinterDCs();
    KeltRootTest::TearDown();
  }
  CMPage* Drawn(int16_t orientation) {
    CMPage* page = MPM_InitMetaPageMaker(&prefs_, 80, 70, orientation);
    EXPECT_NE(page, nullptr);
    EXPECT_EQ(MPM_StartNewPage(page, 1), 1);
    int16_t w = 0, h = 0;
    EXPECT_NE(MPM_SelectLargeFont(page, &w, &h), nullptr);
    EXPECT_EQ(h, prefs_.fonts.titleSize);
    EXPECT_EQ(w, prefs_.fonts.titleSize * 7 / 10);
    MPM_CLTextOut(page, 4, 1, "Spectrum Report");
    CFont* large = MPM_SelectNormalFont(page, &w, &h);
    EXPECT_EQ(large, &page->m_Large);
    MPM_XYTextOut(page, MPM_ColumnToX(page, 4), MPM_LineToY(page, 3), "body");
    return page;
  }
  STRUCT_REPORT_PREFS prefs_{};
};

}  // namespace

TEST_F(PageMaker, TemporaryFilesHoldOnePageEach) {
  char first[MAX_PATH] = {}, second[MAX_PATH] = {};
  struct Case {
    int16_t orientation;
    char* path;
    uint16_t stored;
  } cases[] = {{1, first, 1}, {0, second, 2}};
  for (const Case& c : cases) {
    CMPage* page = Drawn(c.orientation);
    ASSERT_EQ(MPM_SavePageInNewMSRTempFile(page, 3, 12345, "One page", c.path), 1);
    EXPECT_EQ(MPM_GetMetaFileDC(page), nullptr);
    MPM_FreeMetaPageMaker(page);
    EXPECT_EQ(std::strncmp(c.path, "C:\\TEMP\\EEE", 11), 0) << c.path;
    CRptsFileHandler file(c.path, nullptr);
    ASSERT_EQ(file.GetCountOfPages(), 1);
    EXPECT_EQ(file.SlotOfPage(0), 1);
    RptsPageRecord r{};
    uint32_t size = 0;
    void* bits = file.GetPage(0, &r, &size);
    ASSERT_NE(bits, nullptr);
    FreeBlock(bits);
    const RptsPageRecord want{1, 80, 70, c.stored, 1, 2, 32767, 32767, 3, 12345, "One page"};
    EXPECT_EQ(std::memcmp(&r, &want, sizeof r), 0);
    EXPECT_GT(size, 200u);
  }
  EXPECT_STRNE(first, second);
}

TEST_F(PageMaker, SavingIntoAFileAppends) {
  CRptsFileHandler made(nullptr);
  ASSERT_EQ(made.MakeThisNewFile("C:\\TEMP\\pages.msr"), 1);
  for (int16_t n = 1; n <= 2; ++n) {
    CMPage* page = Drawn(0);
    EXPECT_EQ(MPM_SavePageInMSRFile(page, "C:\\TEMP\\pages.msr", n, 0, "Appended"), 1);
    MPM_FreeMetaPageMaker(page);
  }
  EXPECT_EQ(CRptsFileHandler("C:\\TEMP\\pages.msr", nullptr).GetCountOfPages(), 2);

  // A file that does not exist: nothing stored, nothing made, the page ended.
  CMPage* page = Drawn(0);
  EXPECT_EQ(MPM_SavePageInMSRFile(page, "C:\\TEMP\\missing.msr", 1, 0, "Lost"), 0);
  EXPECT_FALSE(FileExists("C:\\TEMP\\missing.msr"));
  EXPECT_EQ(MPM_GetCMetaFileDC(page), nullptr);
  MPM_FreeMetaPageMaker(page);
  MPM_FreeMetaPageMaker(nullptr);
  EXPECT_EQ(MPM_StartNewPage(nullptr, 0), 0);
}
