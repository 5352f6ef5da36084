// Metafile pages: the grid, the fonts, the page set-up and the report
// printer's cached contexts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "reportpages/metafile_page.h"
#include "reportpages/view_page_control.h"
#include "win/win_metafile.h"
#include "win/win_profile.h"
#include "win/win_stdio.h"
#include "reportpages/tests/page_records.h"

namespace {

class MetafilePage : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    KELT_ResetDefReportPrefs(&prefs_);
    SetPrinter("Kelt PDF,WINSPOOL,FILE:");
  }
  void TearDown() override {
    kelt::pages::DeleteCachedPrinterDCs();
    KELT_ClearPlotReportOverrides();
    KeltRootTest::TearDown();
  }
  static void SetPrinter(const char* device) {
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", device, GetWorkstationIniPath());
  }
  STRUCT_REPORT_PREFS prefs_{};
};

}  // namespace

TEST_F(MetafilePage, GridPositions) {
  CMPage page(&prefs_, 80, 60, 0);
  struct Case {
    int16_t in, x, y;
  } cases[] = {{0, 0, 600}, {40, 16383, 21933}, {30, 12287, 16600}, {60, 24575, 32600}, {80, 32767, 43266 - 65536}};
  for (const Case& c : cases) {
    EXPECT_EQ(page.ColumnToX(c.in), c.x) << c.in;
    EXPECT_EQ(page.LineToY(c.in), c.y) << c.in;
  }
}

TEST_F(MetafilePage, TextOnTheGridAndNothingBeyondIt) {
  CMPage page(&prefs_, 80, 60, 0);
  ASSERT_EQ(page.StartNewPage(0), 1);
  ASSERT_NE(page.m_pMetaDC, nullptr);
  page.CLTextOut(10, 5, "inside");
  page.CLTextOut(80, 60, "corner");
  page.CLTextOut(81, 5, "beyond the columns");
  page.CLTextOut(10, 61, "beyond the lines");
  page.XYTextOut(1000, 31000, "at a point");
  HGLOBAL bits = page.EndPage();
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(page.m_pMetaDC, nullptr);
  const Played p = Play(bits);
  GlobalFree(bits);
  ASSERT_EQ(p.texts.size(), 3u);
  EXPECT_EQ(p.texts[0].text, "inside");
  EXPECT_EQ(p.texts[0].x, 10 * 32767 / 80);
  EXPECT_EQ(p.texts[0].y, 5 * 32000 / 60 + 600);
  EXPECT_EQ(p.texts[1].text, "corner");
  EXPECT_EQ(p.texts[2].text, "at a point");
  EXPECT_EQ(p.windowExt.cx, 32767);
  EXPECT_EQ(p.windowExt.cy, 32767);
  // The Letter printer at 600 dpi, in hundredths of a millimetre.
  EXPECT_EQ(p.header.szlDevice.cx, 5100);
  EXPECT_EQ(p.header.rclFrame.right, p.header.szlMillimeters.cx * 100);
  EXPECT_EQ(page.EndPage(), nullptr);  // no page open
}

TEST_F(MetafilePage, FontsFollowThePreferences) {
  prefs_.fonts.bodySize = 25;
  prefs_.fonts.titleSize = 40;
  prefs_.fonts.smallSize = 20;
  struct Case {
    double scale;
    int16_t small;
  } cases[] = {{1.0, 20}, {1.5, 30}, {10.0, 200}, {12.0, 20}};
  for (const Case& c : cases) {
    KELT_SetPlotReportOverrides(c.scale, 0);
    CMPage page(&prefs_, 80, 70, 0);
    EXPECT_EQ(page.m_SmallHeight, c.small) << c.scale;
    EXPECT_EQ(page.m_SmallFixedHeight, c.small) << c.scale;
  }
  KELT_ClearPlotReportOverrides();
  CMPage page(&prefs_, 80, 70, 0);
  int16_t w = 0, h = 0;
  for (int16_t i : {kFontNormal, kFontUNormal, kFontBold, kFontFixed, kFontUFixed}) {
    page.Cell(i, &w, &h);
    EXPECT_EQ(w, 17);
    EXPECT_EQ(h, 25);
  }
  struct FontCase {
    int16_t index;
    const char* face;
    LONG height, weight;
    BYTE underline;
  } fonts[] = {
      {kFontNormal, "Arial", 25, 400, 0},      {kFontUNormal, "Arial", 25, 400, 1},
      {kFontBold, "Arial", 25, 700, 0},        {kFontSmall, "Arial", 20, 400, 0},
      {kFontLarge, "Arial", 40, 400, 0},       {kFontULarge, "Arial", 40, 400, 1},
      {kFontFixed, "Courier New", 25, 400, 0}, {kFontUFixed, "Courier New", 25, 400, 1},
      {kFontSmallFixed, "Courier New", 20, 400, 0},
  };
  for (const FontCase& f : fonts) {
    LOGFONTA lf{};
    ASSERT_TRUE(page.Font(f.index)->GetLogFont(&lf)) << f.index;
    EXPECT_STREQ(lf.lfFaceName, f.face) << f.index;
    EXPECT_EQ(lf.lfHeight, f.height) << f.index;
    EXPECT_EQ(lf.lfWeight, f.weight) << f.index;
    EXPECT_EQ(lf.lfUnderline, f.underline) << f.index;
    EXPECT_EQ(lf.lfCharSet, 0) << f.index;
  }
  EXPECT_EQ(page.Font(9), nullptr);
}

TEST_F(MetafilePage, PrinterContextsAreCachedPerPrinter) {
  HDC portrait = kelt::pages::ReportPrinterDC(false);
  ASSERT_NE(portrait, nullptr);
  EXPECT_EQ(kelt::pages::ReportPrinterDC(false), portrait);
  HDC landscape = kelt::pages::ReportPrinterDC(true);
  ASSERT_NE(landscape, nullptr);
  EXPECT_GT(GetDeviceCaps(landscape, HORZRES), GetDeviceCaps(portrait, HORZRES));
  EXPECT_EQ(kelt::pages::ReportPrinterDC(true), landscape);
  SetPrinter("kelt pdf,winspool,LPT1:");  // the same printer, names in another case
  EXPECT_EQ(kelt::pages::ReportPrinterDC(false), portrait);
  SetPrinter("Office Printer,WINSPOOL,FILE:");
  EXPECT_EQ(kelt::pages::CachedPrinterDC(0), portrait);
  HDC other = kelt::pages::ReportPrinterDC(false);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(kelt::pages::CachedPrinterDC(1), nullptr);  // both of the old printer went
  SetPrinter("");
  WriteProfileStringA("windows", "device", nullptr);
  kelt::pages::DeleteCachedPrinterDCs();
  EXPECT_EQ(kelt::pages::ReportPrinterDC(false), nullptr);
  // Without a printer, pages take the display's geometry.
  CMPage page(&prefs_, 80, 70, 1);
  ASSERT_EQ(page.StartNewPage(1), 1);
  HGLOBAL bits = page.EndPage();
  ASSERT_NE(bits, nullptr);
  GlobalFree(bits);
}
