// Printing reports files: orientation runs, margins, colours, text pages,
// progress and abort. The printer writes PDF, which is read back with the
// system's PDF tools.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/print_colours.h"
#include "reportpages/report_status_dialog.h"
#include "reportpages/view_page_control.h"
#include "win/win_kernel.h"
#include "win/win_metafile.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

const char kFile[] = "C:\\Reports\\print.msr";
const char kPdf[] = "C:\\Reports\\out.pdf";

std::vector<std::pair<WPARAM, LPARAM>> g_progress;
int g_abortAfter = -1;

LRESULT CALLBACK StatusProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER + 20) {
    g_progress.emplace_back(w, l);
    if (int(g_progress.size()) == g_abortAfter) KELT_AbortPrintReportsStatus(nullptr, -2);
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

// A page on the printer's geometry: a filled rectangle of a colour over a
// part of the logical page, and a line of text.
std::string MetafilePage(COLORREF colour, RECT box, const char* text) {
  HDC ref = CreateDCA("WINSPOOL", "Kelt PDF", nullptr, nullptr);
  const int hres = GetDeviceCaps(ref, HORZRES), vres = GetDeviceCaps(ref, VERTRES);
  RECT frame{0, 0, GetDeviceCaps(ref, HORZSIZE) * 100, GetDeviceCaps(ref, VERTSIZE) * 100};
  HDC meta = CreateEnhMetaFileA(ref, nullptr, &frame, "Test\0\0");
  SetMapMode(meta, MM_ANISOTROPIC);
  SetViewportExtEx(meta, hres, vres, nullptr);
  SetWindowExtEx(meta, 32767, 32767, nullptr);
  HBRUSH brush = CreateSolidBrush(colour);
  HGDIOBJ old = SelectObject(meta, brush);
  SelectObject(meta, GetStockObject(NULL_PEN));
  Rectangle(meta, box.left, box.top, box.right, box.bottom);
  SelectObject(meta, old);
  DeleteObject(brush);
  if (text) TextOutA(meta, 2000, 20000, text, int(std::strlen(text)));
  HENHMETAFILE emf = CloseEnhMetaFile(meta);
  std::string bits(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
  GetEnhMetaFileBits(emf, UINT(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
  DeleteEnhMetaFile(emf);
  DeleteDC(ref);
  return bits;
}

class PrintReportsFile : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    KELT_ResetDefReportPrefs(&prefs_);
    prefs_.spooler.marginLeft = prefs_.spooler.marginRight = prefs_.spooler.marginTop =
        prefs_.spooler.marginBottom = 0;
    CreateDirectoryA("C:\\Reports", nullptr);
    CreateDirectoryA("C:\\TEMP", nullptr);
    ASSERT_EQ(file_.MakeThisNewFile(kFile), 1);
    SetPrintJobOutput(kPdf);
    g_progress.clear();
    g_abortAfter = -1;
  }
  void TearDown() override {
    SetPrintJobOutput(nullptr);
    kelt::pages::DeleteCachedPrinterDCs();
    g_nPrintAbortCode = 0;
    KeltRootTest::TearDown();
  }
  void AddMeta(const std::string& bits, uint16_t orientation, uint16_t colorMode = 2, uint16_t kind = 1) {
    ASSERT_EQ(file_.AddPageToFile(bits.data(), uint32_t(bits.size()), kind, 80, 60, orientation, 1, colorMode, 32767,
                                  32767, 1, 0, "page"),
              1);
  }
  void AddText(const std::string& text, uint16_t kind, uint16_t columns, uint16_t lines) {
    ASSERT_EQ(file_.AddPageToFile(text.data(), uint32_t(text.size()), kind, columns, lines, 0, 0, 0, 0, 0, 1, 0, "t"),
              1);
  }
  HWND StatusWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = StatusProc;
    wc.lpszClassName = "PrintStatusTest";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "PrintStatusTest", "status", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  }
  // RGB of a pixel of page 1 of a printed document at 10 dots per inch.
  std::string Pixel(const char* pdf, int x, int y) {
    const std::string out = root_ + "/page";
    std::remove((out + "-1.ppm").c_str());
    const std::string cmd = "pdftoppm -r 10 -f 1 -l 1 '" + win::paths::ToHost(pdf) + "' '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return "<none>";
    std::ifstream in(out + "-1.ppm", std::ios::binary);
    std::string ppm((std::istreambuf_iterator<char>(in)), {});
    size_t pos = 0;
    int width = 0;
    for (int field = 0; field < 4; ++field) {
      const size_t next = ppm.find_first_of(" \n", pos);
      if (field == 1) width = std::atoi(ppm.substr(pos, next - pos).c_str());
      pos = next + 1;
    }
    const std::string px = ppm.substr(pos + (size_t(y) * size_t(width) + size_t(x)) * 3, 3);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x", uint8_t(px[0]), uint8_t(px[1]), uint8_t(px[2]));
    return hex;
  }
  std::string Text(const char* pdf) {
    const std::string out = root_ + "/text.txt";
    const std::string cmd = "pdftotext '" + win::paths::ToHost(pdf) + "' '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return "<none>";
    std::ifstream in(out, std::ios::binary);
    std::string text;
    for (char c : std::string((std::istreambuf_iterator<char>(in)), {}))
      if (!std::isspace(static_cast<unsigned char>(c))) text += c;  // cells and breaks part the words
    return text;
  }
  bool Exists(const char* path) { return FileExists(path) != 0; }

  STRUCT_REPORT_PREFS prefs_{};
  CRptsFileHandler file_{nullptr};
};

}  // namespace

TEST(PrintColours, Table) {
  using kelt::pages::PrintColour;
  const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255), yellow = RGB(255, 255, 0);
  struct Case {
    COLORREF in;
    int mode, colours;
    COLORREF out;
  } cases[] = {
      {red, 0, -1, 0},           {red, 4, -1, red},          {red, 4, 2, red},       {red, 2, 2, 0},
      {white, 1, -1, 0},         {yellow, 1, -1, yellow},    {yellow, 2, -1, 0},     {white, 3, -1, white},
      {RGB(128, 0, 0), 3, 16, RGB(128, 0, 0)}, {RGB(128, 0, 0), 3, 15, red}, {RGB(192, 192, 192), 1, 8, 0},
      {RGB(0, 128, 128), 2, 12, RGB(0, 255, 255)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PrintColour(c.in, c.mode, c.colours), c.out) << std::hex << c.in << " mode " << c.mode;
  struct Turn {
    uint16_t orientation;
    int16_t override;
    bool landscape;
  } turns[] = {{1, 0, true}, {0, 2, false}, {2, 0, false}, {3, 0, true}, {2, 2, true}, {3, 1, false}};
  for (const Turn& t : turns) EXPECT_EQ(kelt::pages::PrintsLandscape(t.orientation, t.override), t.landscape);
}

TEST_F(PrintReportsFile, RunsOfOneOrientationAreOneDocumentEach) {
  const std::string page = MetafilePage(RGB(0, 0, 0), {0, 0, 100, 100}, "x");
  for (uint16_t o : {2, 2, 1, 0}) AddMeta(page, o);
  struct Case {
    int16_t override;
    int documents;
  } cases[] = {{0, 3}, {2, 2}};
  for (const Case& c : cases) {
    SetPrintJobOutput(kPdf);
    DeleteFileA("C:\\Reports\\out-3.pdf");
    prefs_.spooler.orientation = c.override;
    EXPECT_EQ(MSR_PrintFile(nullptr, 0, 0, kFile, 0, 3, &prefs_), 1);
    EXPECT_EQ(GetPrintJobCount(), c.documents) << c.override;
    EXPECT_TRUE(Exists(kPdf));
    EXPECT_EQ(Exists("C:\\Reports\\out-3.pdf"), c.documents == 3);
  }
  EXPECT_EQ(MSR_PrintFile(nullptr, 0, 0, "C:\\Reports\\missing.msr", 0, 0, &prefs_), 0);
  EXPECT_EQ(MSR_PrintFile(nullptr, 0, 0, kFile, 2, 4, &prefs_), 0);
}

TEST_F(PrintReportsFile, MarginsAndColours) {
  // A whole-page box: 10 % margins leave a white border.
  prefs_.spooler.marginLeft = prefs_.spooler.marginRight = prefs_.spooler.marginTop =
      prefs_.spooler.marginBottom = 10;
  AddMeta(MetafilePage(RGB(255, 0, 0), {0, 0, 32767, 32767}, nullptr), 2, 2);
  AddMeta(MetafilePage(RGB(255, 0, 0), {0, 0, 32767, 32767}, nullptr), 2, 4);
  AddMeta(MetafilePage(RGB(255, 255, 0), {0, 0, 32767, 32767}, nullptr), 2, 2);
  // A colour mode outside 0 to 4 is read as 2: yellow prints black.
  AddMeta(MetafilePage(RGB(255, 255, 0), {0, 0, 32767, 32767}, nullptr), 2, 7);
  struct Case {
    int page;
    int16_t colour;
    const char* inside;
  } cases[] = {{0, 1, "ff0000"}, {0, 0, "000000"}, {1, 0, "ff0000"}, {2, 1, "000000"}, {3, 1, "000000"}};
  for (const Case& c : cases) {
    SetPrintJobOutput(kPdf);
    prefs_.spooler.colorPrinting = c.colour;
    ASSERT_EQ(MSR_PrintFile(nullptr, 0, 0, kFile, c.page, c.page, &prefs_), 1);
    // 85 x 110 pixels; the margins are 8.5 and 11 pixels wide.
    EXPECT_EQ(Pixel(kPdf, 4, 50), "ffffff") << c.page;
    EXPECT_EQ(Pixel(kPdf, 80, 50), "ffffff") << c.page;
    EXPECT_EQ(Pixel(kPdf, 40, 105), "ffffff") << c.page;
    EXPECT_EQ(Pixel(kPdf, 40, 50), c.inside) << c.page << " colour " << c.colour;
  }
}

TEST_F(PrintReportsFile, ProgressAbortAndBadPages) {
  const std::string page = MetafilePage(RGB(0, 0, 0), {0, 0, 100, 100}, "x");
  AddMeta(page, 1);
  AddMeta(page, 0);
  AddMeta(page, 0);
  HWND status = StatusWindow();
  ASSERT_NE(status, nullptr);
  ASSERT_EQ(MSR_PrintFile(status, WM_USER + 20, 0, kFile, 0, 2, &prefs_), 1);
  ASSERT_EQ(g_progress.size(), 3u);
  EXPECT_EQ(g_progress[2], std::make_pair(WPARAM(3), LPARAM(3)));

  // An abort after the first run's last page stops before the next run.
  g_progress.clear();
  g_abortAfter = 1;
  SetPrintJobOutput(kPdf);
  EXPECT_EQ(MSR_PrintFile(status, WM_USER + 20, 0, kFile, 0, 2, &prefs_), 0);
  EXPECT_EQ(g_progress.size(), 1u);
  EXPECT_EQ(GetPrintJobCount(), 1);
  EXPECT_EQ(g_nPrintAbortCode, -2);

  // A page of an unknown kind fails the print after the pages before it.
  g_progress.clear();
  g_abortAfter = -1;
  AddMeta(page, 0, 2, 5);
  SetPrintJobOutput(kPdf);
  EXPECT_EQ(MSR_PrintFile(status, WM_USER + 20, 0, kFile, 1, 3, &prefs_), 0);
  EXPECT_EQ(g_progress.size(), 2u);
  DestroyWindow(status);
}

TEST_F(PrintReportsFile, TextPagesLoseNoText) {
  std::string lines = "Peak Table\r\n\r\n  1    3.912    154323\r\n  2   11.204   2.5E+06\r\n";
  lines += std::string(40, 'W') + "WRAPPED" + "\r\n";  // beyond 20 columns + 3
  lines += "last line without an end";
  AddText(lines, 0, 20, 10);
  std::string entries;
  auto entry = [&](int column, int line, int attribute, const char* text) {
    entries += char(column);
    entries += char(line);
    entries += char(attribute);
    entries += text;
    entries += '\0';
  };
  entry(2, 1, 0, "Entry title");
  entry(4, 3, 64, "12.5");
  entry(70, 4, 0, "beyond the columns");
  entries += char(0xFF);
  AddText(entries, 2, 40, 20);
  AddText("no grid\r\n", 0, 0, 0);  // a record without a grid
  ASSERT_EQ(MSR_PrintFile(nullptr, 0, 0, kFile, 0, 2, &prefs_), 1);
  const std::string text = Text(kPdf);
  for (const char* want : {"PeakTable", "154323", "WRAPPED", "lastlinewithoutanend", "Entrytitle", "12.5",
                           "nogrid", "PrintDate:"})
    EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
  EXPECT_EQ(text.find("beyond"), std::string::npos);
}
