// "Print All Plots": the page of all plots in the reports file, its title,
// the file header or the numbered plot list, the plot report overrides, and
// the hand-over of the file to the data review program.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/number_format.h"
#include "control_fixture.h"
#include "reportpages/page_maker.h"
#include "reportpages/reports_file.h"
#include "reportpages/single_file_header.h"
#include "reportpages/tests/page_records.h"
#include "testing/golden_png.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"

namespace {

constexpr const char* kReports = "C:\\TEMP\\plots.msr";

class OPlotPrintAllTest : public OPlotTest {
 protected:
  void SetUp() override {
    OPlotTest::SetUp();
    CreateDirectoryA("C:\\TEMP", nullptr);
    {
      CRptsFileHandler file(nullptr);
      ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
    }
    UsePrefs(1, 0);
  }
  void TearDown() override {
    KELT_ClearPlotReportOverrides();
    OPlotTest::TearDown();
  }
  // The reports file as the spooler file, no viewer, and the header choices.
  static void UsePrefs(int16_t fileHeader, int16_t plotList) {
    STRUCT_REPORT_PREFS prefs{};
    KELT_GetCurrDefReportPrefs(&prefs);
    std::strcpy(prefs.spooler.spoolFile, kReports);
    prefs.spooler.previewReports = 0;
    prefs.chroReport.flag0 = fileHeader;
    prefs.chroReport.flag2 = plotList;
    ASSERT_TRUE(KELT_WriteDefReportPrefs(&prefs, nullptr));
  }
  struct Page {
    int count = 0;
    std::string title;
    Played played;
    bool Has(const std::string& prefix) const {
      for (const Text& t : played.texts)
        if (t.text.rfind(prefix, 0) == 0) return true;
      return false;
    }
    int CountOf(const std::string& prefix) const {
      int n = 0;
      for (const Text& t : played.texts) n += t.text.rfind(prefix, 0) == 0;
      return n;
    }
  };
  // The reports file's last page.
  static Page LastPage() {
    Page p;
    CRptsFileHandler file(nullptr);
    if (file.UseThisExistingFile(kReports) != 1) return p;
    p.count = file.GetCountOfPages();
    if (p.count < 1) return p;
    RptsPageRecord record{};
    uint32_t size = 0;
    void* bits = file.GetPage(p.count - 1, &record, &size);
    p.title = record.title;
    if (bits) p.played = Play(bits, size);
    FreeBlock(bits);
    return p;
  }
  // A program under the root that writes its arguments, one a line, to out.
  void MakeProgram(const std::string& winPath, const std::string& out) {
    const std::string host = win::paths::ToHost(winPath);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    WriteHostPath(host, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + out + ".part'\nmv '" +
                            out + ".part' '" + out + "'\n");
    chmod(host.c_str(), 0755);
  }
  // The reports file's last page drawn at 100 pixels an inch, as PNG bytes.
  std::string LastPagePng() const {
    CRptsFileHandler file(nullptr);
    if (file.UseThisExistingFile(kReports) != 1) return {};
    const int count = file.GetCountOfPages();
    RptsPageRecord r{};
    uint32_t size = 0;
    void* bits = count > 0 ? file.GetPage(count - 1, &r, &size) : nullptr;
    if (!bits) return {};
    HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
    FreeBlock(bits);
    if (!emf) return {};
    const int w = 850, h = 1100;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(dc, bmp);
    const RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const bool ok = PlayEnhMetaFile(dc, emf, &all) && win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\page.png");
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
    return ok ? ReadHostFile("c/TEMP/page.png") : std::string();
  }
  static std::string WaitForFile(const std::string& host) {
    for (int i = 0; i < 500 && !std::filesystem::exists(host); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadHostPath(host);
  }
};

// The title follows the plots: their count, the display mode and the
// control's own title.
TEST_F(OPlotPrintAllTest, TitleFollowsThePlots) {
  const struct {
    int plots;
    int16_t mode;
    bool ownTitle;
    const char* title;
  } cases[] = {
      {1, OVERLAY_MODE_STACKED, false, "Chromatogram Plot"},
      {2, OVERLAY_MODE_STACKED, false, "Chromatogram Plots"},
      {3, OVERLAY_MODE_OVERLAID, false, "Overlaid Chromatogram Plots"},
      {1, OVERLAY_MODE_OVERLAID, false, "Chromatogram Plot"},
      {3, OVERLAY_MODE_NORMALISED, false, "Chromatogram Plots"},
      {1, OVERLAY_MODE_STACKED, true, "Plot"},
      {3, OVERLAY_MODE_OVERLAID, true, "Plots"},
  };
  int pages = 0;
  for (const auto& k : cases) {
    Shown s = ShowPlots(k.plots, [&](SVW_OVERLAY* o) { o->head.displayMode = k.mode; });
    if (k.ownTitle) {
      s.c->m_titleOn = 1;
      std::strcpy(s.c->m_titleText, "Run 12");
    }
    SendMessageA(s.w, WM_COMMAND, 2800, 0);
    EXPECT_EQ(s.c->m_busy, 0);
    const Page p = LastPage();
    ASSERT_EQ(p.count, ++pages) << k.title;
    EXPECT_EQ(p.title, k.title);
    EXPECT_TRUE(p.Has(k.title)) << k.title;
    DestroyWindow(s.w);
  }
}

// Plots of one file print the file's header; plots of two files print the
// numbered list of plots when the preferences ask for it, else nothing.
TEST_F(OPlotPrintAllTest, HeaderOrPlotList) {
  Shown one = ShowPlots(2);
  SendMessageA(one.w, WM_COMMAND, 2800, 0);
  Page p = LastPage();
  EXPECT_TRUE(p.Has("File: c:\\data\\synthetic.kms"));
  EXPECT_TRUE(p.Has("Sample: "));
  EXPECT_FALSE(p.Has("Plot 1:"));
  DestroyWindow(one.w);

  sample_overlay::Files files;
  SVW_OVERLAY* o = SampleOverlay(&files);
  ASSERT_NE(o, nullptr);
  HWND w = MakeControl(7, 700, 450);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_COMMAND, 2800, 0);
  p = LastPage();
  EXPECT_FALSE(p.Has("File: "));
  EXPECT_FALSE(p.Has("Plot 1:"));

  UsePrefs(1, 1);
  SendMessageA(w, WM_COMMAND, 2800, 0);
  p = LastPage();
  EXPECT_EQ(p.count, 3);
  EXPECT_FALSE(p.Has("File: "));
  EXPECT_EQ(p.CountOf("Plot "), 4);
  EXPECT_TRUE(p.Has("Plot 1:  c:\\workstation\\plots\\water.kms  "));
  EXPECT_TRUE(p.Has("Plot 4:  c:\\workstation\\plots\\blank.kms  "));
  DestroyWindow(w);
}

// With the plot report overrides set the page has no title or header, and
// the plots take the page from its top.
TEST_F(OPlotPrintAllTest, OverridesLeaveOutTheHeader) {
  Shown s = ShowPlots(2);
  KELT_SetPlotReportOverrides(1.0, 1);
  SendMessageA(s.w, WM_COMMAND, 2800, 0);
  const Page p = LastPage();
  ASSERT_EQ(p.count, 1);
  EXPECT_EQ(p.title, "Chromatogram Plots");
  EXPECT_FALSE(p.Has("Chromatogram Plots"));
  EXPECT_FALSE(p.Has("File: "));
}

// No reports file: nothing is drawn or stored; no overlay: nothing at all.
TEST_F(OPlotPrintAllTest, WithoutAReportsFileNothingIsStored) {
  WriteHostFile("c/TEMP/plots.msr", "not a reports file");
  Shown s = ShowPlots(1);
  win::script::AnswerNextMessageBox(IDNO);
  SendMessageA(s.w, WM_COMMAND, 2800, 0);
  EXPECT_EQ(ReadHostFile("c/TEMP/plots.msr"), "not a reports file");
  EXPECT_EQ(s.c->m_busy, 0);
  HWND bare = MakeControl(8);
  win::script::ResetLogs();
  SendMessageA(bare, WM_COMMAND, 2800, 0);
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
}

// The controls of the data review program hand the reports file over to
// it: the path as one argument, whatever it holds, then "-3" for a new
// temporary file.
TEST_F(OPlotPrintAllTest, ReviewControlsHandTheFileToTheReviewProgram) {
  const std::string out = Host("launched.txt");
  MakeProgram("C:\\Workstation\\quib5.exe", out);
  Shown s = ShowPlots(2);
  s.c->m_controlKind = 3;
  SendMessageA(s.w, WM_COMMAND, 2800, 0);
  EXPECT_EQ(WaitForFile(out), win::paths::ToHost(kReports) + "\n");
  EXPECT_EQ(LastPage().count, 1);

  std::filesystem::remove(out);
  char odd[] = "C:\\TEMP\\a \"quoted\" name's file.msr";
  EXPECT_EQ(s.c->HandReportToQuibell(odd, 1), 1);
  EXPECT_EQ(WaitForFile(out), win::paths::ToHost(odd) + "\n-3\n");

  // A program that cannot be started is a failure, not a success.
  std::filesystem::remove(win::paths::ToHost("C:\\Workstation\\quib5.exe"));
  EXPECT_EQ(s.c->HandReportToQuibell(odd, 0), 0);
  s.c->m_controlKind = 0;
}

// The file header on a page of the page maker: four lines with sample
// notes, three without, one for the short form; nothing without a path.
TEST_F(OPlotPrintAllTest, SingleFileHeaderLines) {
  CMPage* page = MPM_InitMetaPageMaker(nullptr, 80, 60, 0);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(MPM_StartNewPage(page, 0));
  STRUCT_WORK_FILE wf{};
  EXPECT_EQ(MPM_AddSingleFileHeader(page, 3, 4, &wf, nullptr, 0), 3);
  EXPECT_EQ(MPM_AddSingleFileHeader(page, 3, 4, nullptr, nullptr, 0), 3);
  std::strcpy(wf.filePath, "C:\\Data\\Run 7.KMS");
  std::memset(wf.sampleName, 'S', sizeof wf.sampleName);  // fills its field without a terminator
  std::strcpy(wf.operatorName, "anna");
  wf.startTime = 1.5;
  wf.endTime = 22.25;
  wf.scanCount = 900;
  wf.msInfo.firstScan = 1;
  wf.msInfo.lastScan = 900;
  wf.year = 126;
  wf.month = 12;
  wf.day = 10;
  EXPECT_EQ(MPM_AddSingleFileHeader(page, 3, 4, &wf, nullptr, 0), 6);
  EXPECT_EQ(MPM_AddSingleFileHeader(page, 10, 4, &wf, "Shown Name", 1), 11);
  std::strcpy(wf.description, "spiked at 5 ppb");
  EXPECT_EQ(MPM_AddSingleFileHeader(page, 20, 4, &wf, nullptr, 0), 24);
  HGLOBAL bits = MPM_EndPage(page);
  ASSERT_NE(bits, nullptr);
  const Played played = Play(bits);
  GlobalFree(bits);
  MPM_FreeMetaPageMaker(page);
  std::vector<std::string> texts;
  for (const Text& t : played.texts) texts.push_back(t.text);
  auto has = [&](const std::string& s) { return std::find(texts.begin(), texts.end(), s) != texts.end(); };
  EXPECT_TRUE(has("File: c:\\data\\run 7.kms"));
  EXPECT_TRUE(has("File: shown name"));
  EXPECT_TRUE(has("Sample: " + std::string(34, 'S')));
  EXPECT_TRUE(has("Operator: anna"));
  EXPECT_TRUE(has("Scan Range: 1 - 900 Time Range: 1.50 - 22.25 min."));
  EXPECT_TRUE(has("Sample Notes: spiked at 5 ppb" + std::string(64 - 15, ' ')));
}

}  // namespace

namespace {

// Plots of one file with the segment bar shown print the bar in a strip
// under the plots; plots of two files print no strip.
TEST_F(OPlotPrintAllTest, SegmentStripOnlyForOneFile) {
  sample_overlay::Files files;
  SVW_OVERLAY* o = SampleOverlay(&files);
  ASSERT_NE(o, nullptr);
  HWND w = MakeControl(7, 700, 450);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  SendMessageA(w, OPM_SHOWSEGMENTS, 1, 0);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(Control(w)->m_segmentsShown);
  SendMessageA(w, WM_COMMAND, 2800, 0);
  const Page two = LastPage();
  // The blank run's plot goes: the rest come from one file.
  OPLOT_ClearPlotFromOverlayStructure(o, 3);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_COMMAND, 2800, 0);
  const Page one = LastPage();
  ASSERT_EQ(one.count, 2);
  EXPECT_TRUE(one.Has("Scans"));
  EXPECT_TRUE(one.Has("   Seg 1, Standard"));
  EXPECT_TRUE(one.Has("File: c:\\workstation\\plots\\water.kms"));
  EXPECT_FALSE(two.Has("Scans"));
  EXPECT_FALSE(two.Has("   Seg 1"));
  // The strip lies under the plots, within the page.
  int timeAxis = 0, strip = 0;
  for (const Text& t : one.played.texts) {
    if (t.text == "Scans") strip = t.y;
    if (t.text == "minutes") timeAxis = t.y;
    EXPECT_LE(t.y, 32767) << t.text;
  }
  EXPECT_GT(strip, timeAxis);
  testing_support::ExpectPngAsStored(LastPagePng(), OVERLAYCTL_GOLDEN_DIR, "control-print-all-one-file");
  DestroyWindow(w);
}

}  // namespace
