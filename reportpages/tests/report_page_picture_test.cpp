// A stored report page as it looks: header lines in their fonts, a table
// in the fixed face, a framed trace, the page number on a later page; the
// page is played from the reports file into a Letter raster at 60 dpi and
// kept byte for byte in tests/golden (KELT_UPDATE_GOLDEN stores it anew).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "reportpages/report_output.h"
#include "reportpages/view_page_control.h"
#include "win/win_kernel.h"
#include "win/win_metafile.h"
#include "win/win_profile.h"
#include "testing/golden_png.h"

namespace {

void CheckGolden(const std::string& drawn, const std::string& name) {
  testing_support::ExpectPngAsStored(drawn, REPORTPAGES_GOLDEN_DIR, name);
}

class ReportPagePicture : public KeltRootTest {};

}  // namespace

TEST_F(ReportPagePicture, SecondPageOfAPeakReport) {
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:", GetWorkstationIniPath());
  CreateDirectoryA("C:\\TEMP", nullptr);
  STRUCT_REPORT_PREFS prefs{};
  KELT_ResetDefReportPrefs(&prefs);
  char name[MAX_PATH] = "";
  std::string png;
  {
    CReportOutput out(name, &prefs, 80, 40, 2, REPORT_OUTPUT_PAGES);
    ASSERT_EQ(out.Ok, 1);
    out.HeaderUsed[0] = 1;
    std::strcpy(out.HeaderText[0], "Peak Report - run 7%.kms");
    out.HeaderLine[0] = 1;
    out.HeaderColumn[0] = 2;
    out.HeaderFont[0] = kFontULarge;
    out.HeaderUsed[1] = 1;
    std::strcpy(out.HeaderText[1], "Sample: river water, 1:10");
    out.HeaderLine[1] = 3;
    out.HeaderColumn[1] = 2;
    out.HeaderFont[1] = kFontSmall;
    out.SetPageNumberTitle(out.HeaderText[0]);
    out.PageNumberOn = 1;
    out.FirstBodyLine = 5;
    out.WriteHeaderLines();
    out.NewPage();
    out.SelectUFixedFont();
    out.LabelColumn = 4;
    out.SetLine("%-6s %10s %12s %12s", "Peak", "RT (min)", "Height", "Area");
    out.WriteLine();
    out.SelectFixedFont();
    const double rt[] = {3.9137, 6.1722, 7.7519, 9.9873};
    for (int i = 0; i < 4; ++i) {
      out.SetLine("%-6d %10.3f %12.0f %12.1f", i + 1, rt[i], 15000.0 * (i + 1) * (i % 2 ? 3.1 : 1.7), 811.4 * (i + 2));
      out.WriteLine();
    }
    // A framed trace drawn straight onto the page below the table.
    HDC dc = out.PageDC->GetSafeHdc();
    const int left = out.Page->ColumnToX(4), right = out.Page->ColumnToX(76);
    const int top = out.Page->LineToY(14), bottom = out.Page->LineToY(36);
    HPEN frame = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    HPEN trace = CreatePen(PS_SOLID, 30, RGB(200, 0, 0));
    HGDIOBJ old = SelectObject(dc, frame);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, left, top, right, bottom);
    SelectObject(dc, trace);
    std::vector<POINT> points;
    for (int i = 0; i <= 200; ++i) {
      const double t = i / 200.0;
      double y = 0.03 + 0.9 * std::exp(-std::pow((t - 0.3) / 0.02, 2)) + 0.5 * std::exp(-std::pow((t - 0.7) / 0.03, 2));
      points.push_back({LONG(left + t * (right - left)), LONG(bottom - y * (bottom - top))});
    }
    Polyline(dc, points.data(), int(points.size()));
    SelectObject(dc, old);
    DeleteObject(frame);
    DeleteObject(trace);
    out.Line = 37;
    out.SelectSmallFont();
    out.TextAtColumn(4, "minutes 0 - 12, counts to 1.2e6");
    ASSERT_EQ(out.EndPage(), 1);
  }
  CRptsFileHandler file(name, nullptr);
  ASSERT_EQ(file.GetCountOfPages(), 2);
  RptsPageRecord r{};
  uint32_t size = 0;
  void* bits = file.GetPage(1, &r, &size);
  ASSERT_NE(bits, nullptr);
  EXPECT_STREQ(r.title, "Peak Report - run 7%.kms - Page 2");
  HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
  FreeBlock(bits);
  ASSERT_NE(emf, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 510, 660);
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT all{0, 0, 510, 660};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ASSERT_TRUE(PlayEnhMetaFile(dc, emf, &all));
  ASSERT_TRUE(win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\page.png"));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  DeleteEnhMetaFile(emf);
  kelt::pages::DeleteCachedPrinterDCs();
  CheckGolden(ReadHostFile("c/TEMP/page.png"), "peak-report-page2");
}
