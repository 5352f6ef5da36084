// Files out of the graphics: PNG of a raster, PDF documents of a printer DC.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "gdi_test_support.h"

namespace {

class GdiOutputTest : public GdiTest {
 protected:
  std::string Host(const char* win) { return win::paths::ToHost(win); }
  static bool Exists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
  }
  static std::string Read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

TEST_F(GdiOutputTest, PngOfABitmapAndOfADC) {
  RasterCanvas c(64, 32);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{0, 0, 32, 32};
  FillRect(c.dc, &r, red);
  ASSERT_TRUE(win::gdi::SaveBitmapPng(c.dc, "C:\\TEMP\\canvas.png"));
  ASSERT_TRUE(win::gdi::SaveBitmapPng(c.bitmap, "C:\\TEMP\\bitmap.png"));
  std::string png = Read(Host("C:\\TEMP\\canvas.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // Width and height in the header, big-endian.
  EXPECT_EQ(uint8_t(png[19]), 64);
  EXPECT_EQ(uint8_t(png[23]), 32);
  EXPECT_EQ(Read(Host("C:\\TEMP\\bitmap.png")), png);
  EXPECT_FALSE(win::gdi::SaveBitmapPng(static_cast<HBITMAP>(nullptr), "C:\\TEMP\\x.png"));
  HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  EXPECT_FALSE(win::gdi::SaveBitmapPng(ic, "C:\\TEMP\\x.png"));
  DeleteDC(ic);
  EXPECT_FALSE(win::gdi::SaveBitmapPng(c.dc, "C:\\NoSuchFolder\\deeper\\x.png"));
  DeleteObject(red);
}

TEST_F(GdiOutputTest, TwoPagePdfRendersWithItsDrawing) {
  HDC dc = CreateDCA("WINSPOOL", "Kelt PDF Printer", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 5100);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 0);
  EXPECT_EQ(StartPage(dc), SP_ERROR);  // no document yet
  DOCINFOA doc{sizeof(DOCINFOA), "Report", "C:\\TEMP\\report.pdf", nullptr, 0};
  ASSERT_GT(StartDocA(dc, &doc), 0);
  EXPECT_EQ(StartDocA(dc, &doc), SP_ERROR);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  for (int page = 0; page < 2; ++page) {
    ASSERT_GT(StartPage(dc), 0);
    // The left half of page 1 red, of page 2 blue; text and lines on both.
    RECT half{0, 0, 2550, 6600};
    FillRect(dc, &half, page == 0 ? red : blue);
    LOGFONTA lf{};
    lf.lfHeight = -100;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    HFONT f = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, f);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 3000, 300, "Quantitation Report", 19);
    SelectObject(dc, old);
    DeleteObject(f);
    MoveToEx(dc, 3000, 1000, nullptr);
    LineTo(dc, 5000, 1000);
    ASSERT_GT(EndPage(dc), 0);
  }
  EXPECT_FALSE(Exists(Host("C:\\TEMP\\report.pdf")));  // only complete documents appear
  ASSERT_GT(EndDoc(dc), 0);
  EXPECT_EQ(EndDoc(dc), SP_ERROR);
  DeleteDC(dc);
  DeleteObject(red);
  DeleteObject(blue);
  std::string pdf = Host("C:\\TEMP\\report.pdf");
  ASSERT_TRUE(Exists(pdf));
  EXPECT_EQ(Read(pdf).substr(0, 5), "%PDF-");

  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm missing";
  std::string out = root_ + "/page";
  std::string cmd = "pdftoppm -r 10 '" + pdf + "' '" + out + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // 8.5 x 11 in at 10 dpi: 85 x 110 pixels, one file a page.
  for (int page = 1; page <= 2; ++page) {
    std::string ppm = Read(out + "-" + std::to_string(page) + ".ppm");
    ASSERT_FALSE(ppm.empty()) << page;
    // Header "P6\n85 110\n255\n", then RGB.
    size_t pos = 0;
    for (int fields = 0; fields < 4; ++fields) pos = ppm.find_first_of(" \n", pos) + 1;
    auto px = [&](int x, int y) { return ppm.substr(pos + (size_t(y) * 85 + x) * 3, 3); };
    std::string left = px(10, 50), right = px(70, 80);
    if (page == 1) EXPECT_EQ(left, std::string("\xff\x00\x00", 3));
    else EXPECT_EQ(left, std::string("\x00\x00\xff", 3));
    EXPECT_EQ(right, std::string("\xff\xff\xff", 3));
  }
}

// Renders page 1 of a PDF at the given resolution; empty when pdftoppm is missing.
std::string RenderPage(const std::string& pdf, const std::string& out, int dpi) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) return {};
  std::string cmd = "pdftoppm -r " + std::to_string(dpi) + " -f 1 -l 1 '" + pdf + "' '" + out + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  std::ifstream in(out + "-1.ppm", std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(GdiOutputTest, MetafilePagePrintsWithColourChanges) {
  // A report page recorded on the printer's geometry.
  HDC printer = CreateDCA("WINSPOOL", "Kelt PDF", nullptr, nullptr);
  int hres = GetDeviceCaps(printer, HORZRES), vres = GetDeviceCaps(printer, VERTRES);
  RECT frame{0, 0, GetDeviceCaps(printer, HORZSIZE) * 100, GetDeviceCaps(printer, VERTSIZE) * 100};
  HDC meta = CreateEnhMetaFileA(printer, nullptr, &frame, "Kelt\0Page\0\0");
  SetMapMode(meta, MM_ANISOTROPIC);
  SetViewportExtEx(meta, hres, vres, nullptr);
  SetWindowExtEx(meta, 32767, 32767, nullptr);
  HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
  HGDIOBJ old = SelectObject(meta, yellow);
  SelectObject(meta, GetStockObject(NULL_PEN));
  Rectangle(meta, 0, 0, 16384, 16384);  // top left quarter
  SelectObject(meta, old);
  DeleteObject(yellow);
  HENHMETAFILE page = CloseEnhMetaFile(meta);
  ASSERT_NE(page, nullptr);

  DOCINFOA doc{sizeof(DOCINFOA), "Meta", "C:\\TEMP\\meta.pdf", nullptr, 0};
  ASSERT_GT(StartDocA(printer, &doc), 0);
  ASSERT_GT(StartPage(printer), 0);
  // Inside margins of 10 %, the logical page playing record by record, with
  // yellow turned black as a colour mode asks.
  SetMapMode(printer, MM_ANISOTROPIC);
  SetViewportOrgEx(printer, hres / 10, vres / 10, nullptr);
  SetViewportExtEx(printer, hres * 8 / 10, vres * 8 / 10, nullptr);
  SetWindowExtEx(printer, 32767, 32767, nullptr);
  RECT logical{0, 0, 32767, 32767};
  auto proc = [](HDC hdc, HANDLETABLE* table, const ENHMETARECORD* r, int n, LPARAM) -> int {
    if (r->iType == EMR_CREATEBRUSHINDIRECT) {
      EMRCREATEBRUSHINDIRECT copy;
      std::memcpy(&copy, r, sizeof(copy));
      if (copy.lb.lbColor == RGB(255, 255, 0)) copy.lb.lbColor = RGB(0, 0, 0);
      return PlayEnhMetaFileRecord(hdc, table, reinterpret_cast<ENHMETARECORD*>(&copy), UINT(n));
    }
    return PlayEnhMetaFileRecord(hdc, table, r, UINT(n));
  };
  ASSERT_TRUE(EnumEnhMetaFile(printer, page, proc, nullptr, &logical));
  ASSERT_GT(EndPage(printer), 0);
  ASSERT_GT(EndDoc(printer), 0);
  DeleteEnhMetaFile(page);
  DeleteDC(printer);

  std::string ppm = RenderPage(Host("C:\\TEMP\\meta.pdf"), root_ + "/meta", 10);
  if (ppm.empty()) GTEST_SKIP() << "pdftoppm missing";
  size_t pos = 0;
  for (int fields = 0; fields < 4; ++fields) pos = ppm.find_first_of(" \n", pos) + 1;
  auto px = [&](int x, int y) { return ppm.substr(pos + (size_t(y) * 85 + x) * 3, 3); };
  // 85 x 110 pixels: the margin is white, the quarter (8.5..42.5, 11..55) black.
  EXPECT_EQ(px(4, 4), std::string("\xff\xff\xff", 3));
  EXPECT_EQ(px(20, 30), std::string("\x00\x00\x00", 3));
  EXPECT_EQ(px(60, 30), std::string("\xff\xff\xff", 3));
  EXPECT_EQ(px(20, 70), std::string("\xff\xff\xff", 3));
}

TEST_F(GdiOutputTest, AbortedDocumentLeavesNoFile) {
  HDC dc = CreateDCA(nullptr, "Kelt PDF", nullptr, nullptr);
  DOCINFOA doc{sizeof(DOCINFOA), "Gone", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &doc), 0);
  ASSERT_GT(StartPage(dc), 0);
  Rectangle(dc, 10, 10, 100, 100);
  EXPECT_GT(AbortDoc(dc), 0);
  EXPECT_FALSE(Exists(Host("C:\\TEMP\\Gone.pdf")));
  // An abort procedure that says stop ends the document after the page.
  ASSERT_GT(StartDocA(dc, &doc), 0);
  SetAbortProc(dc, [](HDC, int) -> BOOL { return FALSE; });
  ASSERT_GT(StartPage(dc), 0);
  EXPECT_EQ(EndPage(dc), SP_APPABORT);
  EXPECT_EQ(EndDoc(dc), SP_ERROR);
  EXPECT_FALSE(Exists(Host("C:\\TEMP\\Gone.pdf")));
  // A printer DC deleted in the middle of a document.
  SetAbortProc(dc, nullptr);
  ASSERT_GT(StartDocA(dc, &doc), 0);
  StartPage(dc);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(Exists(Host("C:\\TEMP\\Gone.pdf")));
  // Landscape A4 from the device mode.
  DEVMODEA mode{};
  mode.dmSize = sizeof(mode);
  mode.dmFields = DM_ORIENTATION | DM_PAPERSIZE;
  mode.dmOrientation = DMORIENT_LANDSCAPE;
  mode.dmPaperSize = DMPAPER_A4;
  HDC a4 = CreateDCA(nullptr, "Kelt PDF", nullptr, &mode);
  EXPECT_EQ(GetDeviceCaps(a4, HORZRES), 7016);
  EXPECT_EQ(GetDeviceCaps(a4, VERTRES), 4961);
  EXPECT_EQ(GetDeviceCaps(a4, HORZSIZE), 297);
  DeleteDC(a4);
  EXPECT_EQ(CreateDCA(nullptr, nullptr, nullptr, nullptr), nullptr);
}

}  // namespace
